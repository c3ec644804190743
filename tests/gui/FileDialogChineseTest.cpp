// The toolkit's file dialog reads in Chinese whatever the desktop's locale: folder types and
// modification dates included, which the toolkit's translation leaves in English.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "gui/platform/FileDialogChinese.h"

using namespace brivanta;

class FileDialogChineseTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { FileDialogChinese::install(); }
    void folderRowsReadInChinese_data();
    void folderRowsReadInChinese();
};

void FileDialogChineseTest::folderRowsReadInChinese_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");  // a pattern
    QTest::newRow("type") << 2 << QString::fromUtf8("^文件夹$");
    QTest::newRow("modified") << 3 << QStringLiteral("^[0-9/ :]+$");
}

void FileDialogChineseTest::folderRowsReadInChinese() {
    QFETCH(int, column);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("收藏")));
    QFileDialog dialog(nullptr, QString(), dir.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    QVERIFY(view);
    // The folder is listed once the toolkit has read the directory.
    QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 1);
    const QModelIndex folder = view->model()->index(0, 0, view->rootIndex());
    QCOMPARE(folder.data().toString(), QString::fromUtf8("收藏"));
    const QString text = folder.siblingAtColumn(column).data().toString();
    QVERIFY2(QRegularExpression(expected).match(text).hasMatch(), qPrintable(text));
}

QTEST_MAIN(FileDialogChineseTest)
#include "FileDialogChineseTest.moc"
