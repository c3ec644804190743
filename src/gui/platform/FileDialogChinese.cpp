#include "gui/platform/FileDialogChinese.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTranslator>

namespace brivanta {

namespace {

// The file type texts of the toolkit's icon provider.
class IconProviderTexts : public QTranslator {
  public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        if (qstrcmp(source, "Folder") == 0 || qstrcmp(source, "File Folder") == 0)
            return QString::fromUtf8("文件夹");
        if (qstrcmp(source, "Drive") == 0)
            return QString::fromUtf8("驱动器");
        if (qstrcmp(source, "Shortcut") == 0 || qstrcmp(source, "Alias") == 0)
            return QString::fromUtf8("快捷方式");
        if (qstrcmp(source, "Unknown") == 0)
            return QString::fromUtf8("未知");
        return {};
    }
};

// The date column of the file list in Chinese.
class ChineseDates : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;
    static constexpr int kDateColumn = 3;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole && index.column() == kDateColumn) {
            if (auto* files = qobject_cast<QFileSystemModel*>(sourceModel())) {
                const QDateTime modified = files->lastModified(mapToSource(index));
                if (modified.isValid())
                    return QLocale(QLocale::Chinese, QLocale::China)
                        .toString(modified, QLocale::ShortFormat);
            }
        }
        return QIdentityProxyModel::data(index, role);
    }
};

}  // namespace

FileDialogChinese::FileDialogChinese(QObject* parent) : QObject(parent) {}

void FileDialogChinese::install() {
    if (!qApp || qApp->findChild<FileDialogChinese*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    auto* filter = new FileDialogChinese(qApp);
    QApplication::installTranslator(new IconProviderTexts(filter));
    qApp->installEventFilter(filter);
}

bool FileDialogChinese::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        if (auto* dialog = qobject_cast<QFileDialog*>(watched); dialog && !dialog->proxyModel())
            dialog->setProxyModel(new ChineseDates(dialog));
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace brivanta
