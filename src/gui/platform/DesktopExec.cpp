#include "gui/platform/DesktopExec.h"

namespace brivanta {

QStringList splitExecLine(const QString& exec) {
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        QChar c = exec[i];
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size() &&
                       QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                word += exec[++i];
            } else {
                word += c;
            }
        } else if (c == u'"') {
            quoted = true;
            inWord = true;
        } else if (c == u' ' || c == u'\t') {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return {};
    if (inWord)
        words.append(word);
    return words;
}

QStringList commandForAddress(const QString& exec, const QString& address) {
    QStringList words = splitExecLine(exec);
    if (words.isEmpty())
        return {};
    QStringList command;
    bool placed = false;
    for (const QString& word : words) {
        static const QString kAddressCodes = QStringLiteral("fFuU");
        if (word.size() == 2 && word[0] == u'%' && kAddressCodes.contains(word[1])) {
            // A whole-word code: the address is this argument, whatever it holds.
            if (!placed)
                command.append(address);
            placed = true;
            continue;
        }
        QString out;
        bool hadCode = false;
        for (qsizetype i = 0; i < word.size(); ++i) {
            if (word[i] != u'%' || i + 1 >= word.size()) {
                out += word[i];
                continue;
            }
            QChar code = word[++i];
            hadCode = true;
            if (code == u'%') {
                out += u'%';
            } else if (kAddressCodes.contains(code)) {
                // Inside a word ("--url=%u"): the address goes into this one argument.
                out += address;
                placed = true;
            }
            // %i %c %k and the deprecated codes are dropped.
        }
        if (!out.isEmpty() || !hadCode)
            command.append(out);
    }
    if (command.isEmpty())
        return {};
    if (!placed)
        command.append(address);
    return command;
}

}  // namespace brivanta
