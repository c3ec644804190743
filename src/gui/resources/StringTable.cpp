#include "gui/resources/StringTable.h"

#include <QFile>
#include <QHash>

namespace brivanta {

namespace {
QHash<int, QString> loadTable() {
    QHash<int, QString> table;
    QFile file(QStringLiteral(":/strings.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return table;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        QString line = QString::fromUtf8(raw);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0)
            continue;
        bool ok = false;
        int id = line.left(tab).toInt(&ok);
        if (ok)
            table.insert(id, line.mid(tab + 1));
    }
    return table;
}
}  // namespace

QString resourceString(int id) {
    static const QHash<int, QString> table = loadTable();
    if (id == 0)
        return {};
    return table.value(id);
}

}  // namespace brivanta
