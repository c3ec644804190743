#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStyle>
#include <QTest>

#include "GuiTestSupport.h"
#include "core/formats/HtmlPage.h"
#include "core/text/Encoding.h"
#include "gui/controls/FlatButton.h"
#include "gui/formats/ExchangeCommands.h"
#include "gui/formats/ImportExportDialog.h"
#include "gui/platform/AddressOpener.h"
#include "gui/resources/CommandIds.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

ExchangeFolders foldersIn(const TempHome& home) {
    return {home.path() + "/Favorites", home.path() + "/Documents"};
}

// Clicks a button once the action that found the dialog has returned (a timer does not fire
// again inside its own slot, and the click may open a message box).
void clickLater(QAbstractButton* button) {
    QTimer::singleShot(0, button, [button] { button->click(); });
}

}  // namespace

class ImportExportDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void textsFollowModeAndSelection();
    void typeMenuPicksFormatAndProposesAPath();
    void checksKeepTheDialogOpenWithAMessage_data();
    void checksKeepTheDialogOpenWithAMessage();
    void overwriteQuestionOnlyForFiles();
    void browseOffersTheFormatsFileDialog();
    void exportThenImportThroughTheCommands();
    void exportOfAnEmptyTreeDoesNothingAndFileErrorsAreNamed();
};

void ImportExportDialogTest::textsFollowModeAndSelection() {
    TempHome home;
    ImportExportDialog exporting(true, QStringLiteral("News"), foldersIn(home));
    QCOMPARE(exporting.windowTitle(), QString::fromUtf8("导出收藏夹"));
    QCOMPARE(exporting.okButton()->text(), QString::fromUtf8("导出"));
    QCOMPARE(exporting.typeButton()->text(), QString::fromUtf8("导出到Internet Explore收藏夹▼"));
    QCOMPARE(exporting.typeButton()->toolTip(), QString::fromUtf8("单击可以改变类型"));
    QCOMPARE(exporting.pathLabel()->text(), QString::fromUtf8("Internet Explore收藏夹路径："));
    QCOMPARE(exporting.allRadio()->text(), QString::fromUtf8("全部导出"));
    QCOMPARE(exporting.selectedRadio()->text(), QString::fromUtf8("导出选中的书签:[News]"));
    QVERIFY(exporting.selectedRadio()->isChecked());
    QCOMPARE(exporting.exchangeScope(), 1);
    QCOMPARE(exporting.exchangeKind(), ids::kShortcutFolderFormat);
    QCOMPARE(exporting.pathEdit()->text(), home.filePath(QStringLiteral("Favorites")));
    QCOMPARE(exporting.pathEdit()->objectName(), QStringLiteral("1036"));

    ImportExportDialog importing(false, QString(), foldersIn(home));
    QCOMPARE(importing.windowTitle(), QString::fromUtf8("导入收藏夹"));
    QCOMPARE(importing.okButton()->text(), QString::fromUtf8("导入"));
    QCOMPARE(importing.typeButton()->text(), QString::fromUtf8("导入Internet Explore收藏夹 ▼"));
    QCOMPARE(importing.allRadio()->text(), QString::fromUtf8("导入到顶层"));
    QCOMPARE(importing.selectedRadio()->text(), QString::fromUtf8("导入到选中的分类"));
    QVERIFY(!importing.selectedRadio()->isEnabled());
    QVERIFY(importing.allRadio()->isChecked());
    QCOMPARE(importing.exchangeScope(), 0);
}

void ImportExportDialogTest::typeMenuPicksFormatAndProposesAPath() {
    TempHome home;
    ImportExportDialog dialog(true, QStringLiteral("News"), foldersIn(home));
    dialog.show();
    QMenu* menu = dialog.typeMenu();
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << a->text() + QString::number(a->data().toInt());
    QCOMPARE(texts, (QStringList{QString::fromUtf8("Internet Explore收藏夹32827"),
                                 QString::fromUtf8("Brivanta格式文件32831"),
                                 QString::fromUtf8("HTML文件32828")}));
    QCOMPARE(menu->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, menu), 32);

    // Through the menu itself: choose the third entry.
    bool seen = false;
    QTimer::singleShot(50, menu, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        seen = popup == menu;
        if (!popup)
            return;
        popup->setActiveAction(popup->actions().at(2));
        QTest::keyClick(popup, Qt::Key_Return);
    });
    dialog.showTypeMenu();
    QVERIFY(seen);
    QCOMPARE(dialog.exchangeKind(), ids::kHtmlFileFormat);
    QCOMPARE(dialog.pathEdit()->text(), home.filePath(QStringLiteral("Documents/News.htm")));
    QCOMPARE(dialog.typeButton()->text(), QString::fromUtf8("导出到HTML 文件 ▼"));
    QCOMPARE(dialog.pathLabel()->text(), QString::fromUtf8("HTML文件的路径和文件名:"));

    // A dismissed menu changes nothing.
    QTimer::singleShot(50, menu, [] {
        if (QWidget* popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_Escape);
    });
    dialog.showTypeMenu();
    QCOMPARE(dialog.exchangeKind(), ids::kHtmlFileFormat);

    dialog.chooseFormat(ids::kArchiveFileFormat);
    QCOMPARE(dialog.pathEdit()->text(), home.filePath(QStringLiteral("Documents/News.bvk")));
    QCOMPARE(dialog.pathLabel()->text(), QString::fromUtf8("Brivanta格式文件路径和文件名:"));
    ImportExportDialog none(false, QString(), foldersIn(home));
    none.chooseFormat(ids::kHtmlFileFormat);
    QCOMPARE(none.pathEdit()->text(), home.filePath(QStringLiteral("Documents/favorites.htm")));
    QCOMPARE(none.typeButton()->text(), QString::fromUtf8("导入HTML 文件 ▼"));
}

void ImportExportDialogTest::checksKeepTheDialogOpenWithAMessage_data() {
    QTest::addColumn<bool>("isExport");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");  // empty: accepted
    QTest::addColumn<QString>("shown");    // the path edit afterwards

    const int folder = ids::kShortcutFolderFormat;
    const int html = ids::kHtmlFileFormat;
    const int archive = ids::kArchiveFileFormat;
    QTest::newRow("missing folder") << true << folder << "nowhere"
                                    << QString::fromUtf8("指定的目录不存在!\nnowhere") << "nowhere";
    QTest::newRow("trailing backslash") << false << folder << "fav\\" << QString() << "fav";
    QTest::newRow("folder through a link")
        << true << folder << "fav-link/" << QString() << "fav-link";
    QTest::newRow("missing file") << false << html << "fav/none.htm"
                                  << QString::fromUtf8("指定的文件不存在!\nfav/none.htm")
                                  << "fav/none.htm";
    QTest::newRow("directory is no file")
        << false << archive << "fav" << QString::fromUtf8("指定的文件不存在!\nfav") << "fav";
    QTest::newRow("bare file name") << true << html << "page.htm" << QString() << "page.htm";
    QTest::newRow("missing folder part")
        << true << archive << "no/dir/x.bvk" << QString::fromUtf8("指定的目录不存在!\nno/dir")
        << "no/dir/x.bvk";
}

void ImportExportDialogTest::checksKeepTheDialogOpenWithAMessage() {
    QFETCH(bool, isExport);
    QFETCH(int, format);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    TempHome home;
    QDir().mkdir(QStringLiteral("fav"));
    QFile::link(QStringLiteral("fav"), QStringLiteral("fav-link"));
    ImportExportDialog dialog(isExport, QString(), foldersIn(home));
    dialog.chooseFormat(format);
    dialog.pathEdit()->setText(typed);
    dialog.show();
    ModalDriver driver;
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QCOMPARE(dialog.pathEdit()->text(), shown);
    if (message.isEmpty()) {
        QCOMPARE(driver.messages().size(), size_t(0));
        QCOMPARE(dialog.result(), ids::kIdOk);
        QVERIFY(!dialog.isVisible());
    } else {
        QCOMPARE(driver.messages().size(), size_t(1));
        QCOMPARE(driver.messages()[0].title, QString::fromUtf8("错误"));
        QCOMPARE(driver.messages()[0].text, message);
        QCOMPARE(driver.messages()[0].icon, QMessageBox::Critical);
        QVERIFY(dialog.isVisible());
    }
}

void ImportExportDialogTest::overwriteQuestionOnlyForFiles() {
    TempHome home;
    home.write(QStringLiteral("old.htm"), "old");
    QDir().mkdir(QStringLiteral("fav"));
    {
        ImportExportDialog dialog(true, QString(), foldersIn(home));
        dialog.chooseFormat(ids::kHtmlFileFormat);
        dialog.pathEdit()->setText(QStringLiteral("old.htm"));
        dialog.show();
        ModalDriver driver;
        driver.answerWith(QString::fromUtf8("取消"));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(driver.messages().size(), size_t(1));
        QCOMPARE(driver.messages()[0].title, QString::fromUtf8("导出"));
        QCOMPARE(driver.messages()[0].text, QString::fromUtf8("old.htm已经存在。\n要替换吗？"));
        QCOMPARE(driver.messages()[0].icon, QMessageBox::Question);
        QVERIFY(dialog.isVisible());
        driver.answerWith(QString::fromUtf8("确定"));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(driver.messages().size(), size_t(2));
        QCOMPARE(dialog.result(), ids::kIdOk);
    }
    {
        // Importing an existing file, or exporting into an existing folder, asks nothing.
        ImportExportDialog importing(false, QString(), foldersIn(home));
        importing.chooseFormat(ids::kHtmlFileFormat);
        importing.pathEdit()->setText(QStringLiteral("old.htm"));
        ImportExportDialog folder(true, QString(), foldersIn(home));
        folder.pathEdit()->setText(QStringLiteral("fav"));
        ModalDriver driver;
        importing.accept();
        folder.accept();
        QCOMPARE(driver.messages().size(), size_t(0));
        QCOMPARE(importing.result(), ids::kIdOk);
        QCOMPARE(folder.result(), ids::kIdOk);
    }
}

void ImportExportDialogTest::browseOffersTheFormatsFileDialog() {
    TempHome home;
    QDir().mkdir(QStringLiteral("fav"));
    ImportExportDialog dialog(true, QString(), foldersIn(home));
    dialog.chooseFormat(ids::kHtmlFileFormat);
    dialog.show();
    ModalDriver driver;
    QString suffix, filter;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    QStringList proposed;
    driver.then([&](QWidget* w) {
        auto* files = qobject_cast<QFileDialog*>(w);
        QVERIFY(files);
        suffix = files->defaultSuffix();
        filter = files->nameFilters().join(u';');
        mode = files->acceptMode();
        proposed = files->selectedFiles();
        // Typed into the dialog's own name line and accepted in one step: the folder listing
        // arrives from another thread and would otherwise put its proposal back in between.
        QString chosen = home.filePath(QStringLiteral("fav/chosen.htm"));
        QTimer::singleShot(0, files, [files, chosen] {
            files->setDirectory(QFileInfo(chosen).path());
            if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(QFileInfo(chosen).fileName());
            static_cast<QDialog*>(files)->accept();
        });
    });
    dialog.browse();
    QVERIFY(driver.allActionsRun());
    QCOMPARE(suffix, QStringLiteral("htm"));
    QCOMPARE(filter, QString::fromUtf8("HTML文件(*.htm *.html)"));
    QCOMPARE(mode, QFileDialog::AcceptSave);
    QVERIFY(!proposed.isEmpty() && proposed.first().endsWith(QStringLiteral("favorites.htm")));
    QCOMPARE(dialog.pathEdit()->text(), home.filePath(QStringLiteral("fav/chosen.htm")));

    dialog.chooseFormat(ids::kShortcutFolderFormat);
    QString title;
    driver.then([&](QWidget* w) {
        title = w->windowTitle();
        QTimer::singleShot(0, w, [w] { static_cast<QDialog*>(w)->reject(); });
    });
    dialog.browse();
    QCOMPARE(title, QString::fromUtf8("请选择Internet Explore收藏夹的目录:"));
    QCOMPARE(dialog.pathEdit()->text(), home.filePath(QStringLiteral("Favorites")));
}

void ImportExportDialogTest::exportThenImportThroughTheCommands() {
    TempHome home;
    QDir().mkpath(QStringLiteral("Documents"));
    BookmarkTree tree;
    ItemId news = tree.InsertNode({text::gbk("新闻"), "", ""});
    tree.InsertNode({"<b>sina</b>", "http://sina.com.cn/?a=1&b=2", ""}, news);
    tree.InsertNode({"top", "http://top/", ""});

    QUrl opened;
    setUrlOpener([&](const QUrl& url) {
        opened = url;
        return true;
    });
    QWidget owner;
    owner.show();
    ModalDriver driver;
    driver.then([&](QWidget* w) {
        auto* dialog = qobject_cast<ImportExportDialog*>(w);
        QVERIFY(dialog);
        QCOMPARE(dialog->selectedRadio()->text(), QString::fromUtf8("导出选中的书签:[新闻]"));
        dialog->chooseFormat(ids::kHtmlFileFormat);
        clickLater(dialog->okButton());
    });
    runExport(&owner, tree, news, foldersIn(home));
    QVERIFY(driver.allActionsRun());
    QString page = home.filePath(QString::fromUtf8("Documents/新闻.htm"));
    QVERIFY(QFile::exists(page));
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("导出HTML文件"));
    QCOMPARE(driver.messages()[0].text, QString::fromUtf8("HTML文件导出完毕！\n您现在需要打开吗?"));
    QCOMPARE(opened, QUrl::fromLocalFile(page));
    setUrlOpener({});

    // Into the selected entry of another tree.
    BookmarkTree other;
    ItemId target = other.InsertNode({"target", "", ""});
    TreeUndo history(other);
    driver.then([&](QWidget* w) {
        auto* dialog = qobject_cast<ImportExportDialog*>(w);
        QVERIFY(dialog);
        dialog->chooseFormat(ids::kHtmlFileFormat);
        dialog->pathEdit()->setText(page);
        clickLater(dialog->okButton());
    });
    runImport(&owner, other, target, foldersIn(home),
              [&](const std::vector<ItemId>& roots) { history.recordAdded(roots); });
    QCOMPARE(other.childCount(target), 1);
    ItemId copy = other.child(target, 0);
    QCOMPARE(other.label(copy), text::gbk("新闻"));
    QCOMPARE(other.LookupRecord(other.child(copy, 0))->name, std::string("<b>sina</b>"));
    QCOMPARE(other.LookupRecord(other.child(copy, 0))->address,
             std::string("http://sina.com.cn/?a=1&b=2"));
    QCOMPARE(driver.messages().size(), size_t(1));
    // The whole import is one step of the tree's history.
    QVERIFY(history.canUndo());
    history.undo();
    QCOMPARE(other.size(), size_t(1));
    QVERIFY(!history.canUndo());
    history.redo();
    QCOMPARE(other.childCount(other.firstChild(kNoItem)), 1);
    QCOMPARE(other.label(other.child(other.firstChild(kNoItem), 0)), text::gbk("新闻"));
}

void ImportExportDialogTest::exportOfAnEmptyTreeDoesNothingAndFileErrorsAreNamed() {
    TempHome home;
    QWidget owner;
    {
        BookmarkTree empty;
        ModalDriver driver;
        driver.then([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
        runExport(&owner, empty, kNoItem, foldersIn(home));
        QVERIFY(!driver.allActionsRun());  // no dialog came up
    }

    // A file standing where a folder has to go.
    QDir().mkdir(QStringLiteral("fav"));
    home.write(QStringLiteral("fav/Folder"), "in the way");
    BookmarkTree tree;
    ItemId folder = tree.InsertNode({"Folder", "", ""});
    tree.InsertNode({"x", "http://x/", ""}, folder);
    ModalDriver second;
    second.then([&](QWidget* w) {
        auto* dialog = qobject_cast<ImportExportDialog*>(w);
        QVERIFY(dialog);
        dialog->pathEdit()->setText(QStringLiteral("fav"));
        clickLater(dialog->okButton());
    });
    runExport(&owner, tree, kNoItem, foldersIn(home));
    QCOMPARE(second.messages().size(), size_t(1));
    QVERIFY(second.messages()[0].text.contains(QStringLiteral("fav/Folder")));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(ImportExportDialogTest)
#include "ImportExportDialogTest.moc"
