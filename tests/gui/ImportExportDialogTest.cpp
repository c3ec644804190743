#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
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
#include "gui/controls/IconMenu.h"
#include "gui/controls/IconMenuStyle.h"
#include "gui/formats/ExchangeCommands.h"
#include "gui/formats/ImportExportDialog.h"
#include "gui/platform/AddressOpener.h"
#include "gui/platform/UserFolders.h"
#include "gui/resources/CommandIds.h"
#include "gui/trees/TreeUndo.h"

using namespace brivanta;
using namespace brivanta::test;

namespace {

// The home as a full path ending in "/": the dialog takes nothing else.
QString homePrefix(const TempHome& home) {
    return QString::fromStdString(home.path()) + u'/';
}

ExchangeFolders foldersIn(const TempHome& home) {
    return {home.path() + "/Favorites", home.path() + "/Documents"};
}

// A home with a Firefox profile (its places.sqlite made here with Firefox's own two tables)
// and a Chromium profile, made the HOME of the test while it lives.
class BrowserHome {
  public:
    explicit BrowserHome(const TempHome& home) : oldHome_(qgetenv("HOME")) {
        oldConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QByteArray::fromStdString(home.path()));
        qunsetenv("XDG_CONFIG_HOME");
    }
    ~BrowserHome() {
        qputenv("HOME", oldHome_);
        if (oldConfig_.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig_);
    }
    BrowserHome(const BrowserHome&) = delete;
    BrowserHome& operator=(const BrowserHome&) = delete;

    static bool fill(const TempHome& home) {
        home.write(QStringLiteral(".mozilla/firefox/profiles.ini"),
                   "[Profile0]\nName=default-release\nIsRelative=1\n"
                   "Path=Profiles/abc.default-release\nDefault=1\n\n[General]\nVersion=2\n");
        QDir().mkpath(
            home.filePath(QStringLiteral(".mozilla/firefox/Profiles/abc.default-release")));
        sqlite3* db = nullptr;
        QByteArray places =
            QFile::encodeName(home.filePath(".mozilla/firefox/Profiles/abc.default-release/"
                                            "places.sqlite"));
        if (sqlite3_open(places.constData(), &db) != SQLITE_OK)
            return false;
        const char* sql =
            "\n"
            "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,\n"
            "  rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT "
            "NULL,\n"
            "  typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL,\n"
            "  last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL,\n"
            "  url_hash INTEGER DEFAULT 0 NOT NULL, description TEXT, preview_image_url TEXT,\n"
            "  site_name TEXT, origin_id INTEGER, recalc_frecency INTEGER NOT NULL DEFAULT 0,\n"
            "  alt_frecency INTEGER, recalc_alt_frecency INTEGER NOT NULL DEFAULT 0);\n"
            "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT "
            "NULL,\n"
            "  parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, "
            "folder_type TEXT,\n"
            "  dateAdded INTEGER, lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL "
            "DEFAULT 0,\n"
            "  syncChangeCounter INTEGER NOT NULL DEFAULT 1);\n"
            "INSERT INTO moz_bookmarks (id, type, parent, position, title, guid) VALUES\n"
            "  (1, 2, 0, 0, '', 'root________'), (2, 2, 1, 0, 'menu', 'menu________'),\n"
            "  (3, 2, 1, 1, 'toolbar', 'toolbar_____'), (5, 2, 1, 3, 'unfiled', 'unfiled_____');\n"
            "INSERT INTO moz_places (id, url, title) VALUES\n"
            "  (1, 'https://support.mozilla.org/', 'Support'), (2, 'https://news.example/', "
            "NULL);\n"
            "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, guid) VALUES\n"
            "  (10, 2, NULL, 2, 0, '火狐', 'folder000001'),\n"
            "  (11, 1, 1, 10, 0, '获取帮助', 'bookmark0001'),\n"
            "  (12, 1, 2, 3, 0, 'news', 'bookmark0002');\n";
        bool made = sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        home.write(
            QStringLiteral(".config/chromium/Default/Bookmarks"),
            "{\"roots\": {\n"
            "  \"bookmark_bar\": {\"type\": \"folder\", \"name\": \"Bookmarks bar\", \"children\": "
            "[\n"
            "    {\"type\": \"url\", \"name\": \"GitHub\", \"url\": \"https://github.com/\"},\n"
            "    {\"type\": \"folder\", \"name\": \"工作\", \"children\": [\n"
            "      {\"type\": \"url\", \"name\": \"邮件\", \"url\": "
            "\"https://mail.example/\"}]}]},\n"
            "  \"other\": {\"type\": \"folder\", \"name\": \"Other\", \"children\": []}}, "
            "\"version\": 1}");
        return made;
    }

  private:
    QByteArray oldHome_;
    QByteArray oldConfig_;
};

// "name|address" of every entry below `parent`, in pre-order, folders marked by depth.
QStringList shapeOf(const BookmarkTree& tree, ItemId parent = kNoItem, const QString& indent = {}) {
    QStringList out;
    for (int row = 0; row < tree.childCount(parent); ++row) {
        ItemId item = tree.child(parent, row);
        out << indent + QString::fromStdString(text::toUtf8(tree.label(item))) + u'|' +
                   QString::fromStdString(tree.LookupRecord(item)->address);
        out += shapeOf(tree, item, indent + u'-');
    }
    return out;
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
    void blankAndRelativePathsAreRefused_data();
    void blankAndRelativePathsAreRefused();
    void overwriteQuestionOnlyForFiles();
    void exportOffersToMakeAMissingFolder_data();
    void exportOffersToMakeAMissingFolder();
    void aFolderThatCannotBeMadeIsNamedWithItsReason();
    void enterRunsTheExchangeNotTheTypeMenu();
    void theDocumentsFolderIsTheDesktops();
    void browseOffersTheFormatsFileDialog();
    void exportThenImportThroughTheCommands();
    void exportOfAnEmptyTreeDoesNothingAndFileErrorsAreNamed();
    void browserTypesFollowTheMode();
    void browserProfilesImportWithASummary_data();
    void browserProfilesImportWithASummary();
    void missingProfilesAreNamed();
    void bookmarkFileGoesBothWays_data();
    void bookmarkFileGoesBothWays();
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
                                 QString::fromUtf8("HTML文件32828"),
                                 QString::fromUtf8("浏览器书签文件 (HTML)32852"),
                                 QString::fromUtf8("XBEL书签文件 (KDE, Floccus)32855")}));
    // The program's icon menu, each type with its 32 x 32 picture in rows tall enough for it.
    QCOMPARE(menu->style(), IconMenuStyle::instance());
    QCOMPARE(dialog.typeMenu()->itemIconSize(), QSize(32, 32));
    for (QAction* a : menu->actions()) {
        QVERIFY(!dialog.typeMenu()->itemIcon(a).isNull());
        QVERIFY2(menu->actionGeometry(a).height() >= 32 + 4, qPrintable(a->text()));
    }

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
    // Only an export offers to make a missing folder (exportOffersToMakeAMissingFolder).
    QTest::newRow("missing folder") << false << folder << "nowhere"
                                    << QString::fromUtf8("指定的目录不存在!\nnowhere") << "nowhere";
    QTest::newRow("a file is no folder")
        << true << folder << "fav/f.htm" << QString::fromUtf8("指定的目录不存在!\nfav/f.htm")
        << "fav/f.htm";
    QTest::newRow("trailing backslash") << false << folder << "fav\\" << QString() << "fav";
    QTest::newRow("folder through a link")
        << true << folder << "fav-link/" << QString() << "fav-link";
    QTest::newRow("missing file") << false << html << "fav/none.htm"
                                  << QString::fromUtf8("指定的文件不存在!\nfav/none.htm")
                                  << "fav/none.htm";
    QTest::newRow("directory is no file")
        << false << archive << "fav" << QString::fromUtf8("指定的文件不存在!\nfav") << "fav";
    QTest::newRow("file name") << true << html << "page.htm" << QString() << "page.htm";
}

void ImportExportDialogTest::checksKeepTheDialogOpenWithAMessage() {
    QFETCH(bool, isExport);
    QFETCH(int, format);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    TempHome home;
    QDir().mkdir(home.filePath(QStringLiteral("fav")));
    home.write(QStringLiteral("fav/f.htm"), "x");
    QFile::link(QStringLiteral("fav"), home.filePath(QStringLiteral("fav-link")));
    const QString base = homePrefix(home);
    typed.prepend(base);
    shown.prepend(base);
    if (!message.isEmpty())
        message.insert(message.indexOf(u'\n') + 1, base);
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

void ImportExportDialogTest::blankAndRelativePathsAreRefused_data() {
    QTest::addColumn<bool>("isExport");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");

    const QString blank = QString::fromUtf8("请输入完整路径（以 / 开头）。");
    auto relative = [](const char* typed) {
        return QString::fromUtf8("“%1” 不是完整路径。\n请输入以 / 开头的路径。").arg(typed);
    };
    const int html = ids::kHtmlFileFormat;
    QTest::newRow("export to nothing") << true << html << "" << blank;
    QTest::newRow("export to a blank") << true << html << " " << blank;
    QTest::newRow("export to blanks") << true << int(ids::kArchiveFileFormat) << " \t " << blank;
    QTest::newRow("export to a bare name") << true << html << "page.htm" << relative("page.htm");
    QTest::newRow("export into a folder here")
        << true << html << "fav/page.htm" << relative("fav/page.htm");
    QTest::newRow("export with a leading blank")
        << true << html << " /tmp/page.htm" << relative(" /tmp/page.htm");
    QTest::newRow("export with a tilde") << true << html << "~/page.htm" << relative("~/page.htm");
    QTest::newRow("favorites folder here")
        << true << int(ids::kShortcutFolderFormat) << "fav" << relative("fav");
    QTest::newRow("import from a blank") << false << html << " " << blank;
    QTest::newRow("import from a file here")
        << false << html << "fav/f.htm" << relative("fav/f.htm");
}

// The working directory of a desktop program is wherever it was started: the dialog must not
// read or write there, even where the path typed exists relative to it.
void ImportExportDialogTest::blankAndRelativePathsAreRefused() {
    QFETCH(bool, isExport);
    QFETCH(int, format);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    TempHome home;
    ImportExportDialog dialog(isExport, QString(), foldersIn(home));
    dialog.chooseFormat(format);
    dialog.pathEdit()->setText(typed);
    dialog.show();
    ModalDriver driver;
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("错误"));
    QCOMPARE(driver.messages()[0].text, message);
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Critical);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.pathEdit()->text(), typed);
}

void ImportExportDialogTest::overwriteQuestionOnlyForFiles() {
    TempHome home;
    home.write(QStringLiteral("old.htm"), "old");
    QDir().mkdir(home.filePath(QStringLiteral("fav")));
    const QString old = homePrefix(home) + QStringLiteral("old.htm");
    {
        ImportExportDialog dialog(true, QString(), foldersIn(home));
        dialog.chooseFormat(ids::kHtmlFileFormat);
        dialog.pathEdit()->setText(old);
        dialog.show();
        ModalDriver driver;
        driver.answerWith(QString::fromUtf8("取消"));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(driver.messages().size(), size_t(1));
        QCOMPARE(driver.messages()[0].title, QString::fromUtf8("导出"));
        QCOMPARE(driver.messages()[0].text, old + QString::fromUtf8("已经存在。\n要替换吗？"));
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
        importing.pathEdit()->setText(old);
        ImportExportDialog folder(true, QString(), foldersIn(home));
        folder.pathEdit()->setText(homePrefix(home) + QStringLiteral("fav"));
        ModalDriver driver;
        importing.accept();
        folder.accept();
        QCOMPARE(driver.messages().size(), size_t(0));
        QCOMPARE(importing.result(), ids::kIdOk);
        QCOMPARE(folder.result(), ids::kIdOk);
    }
}

void ImportExportDialogTest::exportOffersToMakeAMissingFolder_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("selected");  // the entry selected in the tree
    QTest::addColumn<QString>("typed");     // empty: the proposed path
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("folder");  // the folder asked about
    QTest::addColumn<bool>("accepted");

    const QString yes = QString::fromUtf8("确定");
    const QString no = QString::fromUtf8("取消");
    // A new user: neither ~/Documents nor ~/Favorites exists yet.
    QTest::newRow("a new user's documents folder")
        << ids::kHtmlFileFormat << QString::fromUtf8("我的文件夹") << QString() << yes
        << "Documents" << true;
    QTest::newRow("declined") << ids::kHtmlFileFormat << QString::fromUtf8("我的文件夹")
                              << QString() << no << "Documents" << false;
    QTest::newRow("the favorites folder itself")
        << ids::kShortcutFolderFormat << QString() << QString() << yes << "Favorites" << true;
    QTest::newRow("two levels at once")
        << ids::kArchiveFileFormat << QString() << "a/b/x.bvk" << yes << "a/b" << true;
}

void ImportExportDialogTest::exportOffersToMakeAMissingFolder() {
    QFETCH(int, format);
    QFETCH(QString, selected);
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    QFETCH(QString, folder);
    QFETCH(bool, accepted);
    TempHome home;
    ImportExportDialog dialog(true, selected, foldersIn(home));
    dialog.chooseFormat(format);
    if (!typed.isEmpty())
        dialog.pathEdit()->setText(homePrefix(home) + typed);
    const QString shown = dialog.pathEdit()->text();
    const QString asked = (typed.isEmpty() ? home.filePath(folder) : homePrefix(home) + folder);
    dialog.show();
    ModalDriver driver;
    driver.answerWith(answer);
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QCOMPARE(driver.messages().size(), size_t(1));
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("导出"));
    QCOMPARE(driver.messages()[0].text,
             QString::fromUtf8("目录 “%1” 不存在。\n要创建它吗？").arg(asked));
    QCOMPARE(driver.messages()[0].icon, QMessageBox::Question);
    QCOMPARE(QFileInfo(home.filePath(folder)).isDir(), accepted);
    QCOMPARE(dialog.pathEdit()->text(), shown);
    if (accepted) {
        QCOMPARE(dialog.result(), ids::kIdOk);
        QVERIFY(!dialog.isVisible());
    } else {
        QVERIFY(dialog.isVisible());
        QVERIFY(home.entries().isEmpty());
    }
}

void ImportExportDialogTest::aFolderThatCannotBeMadeIsNamedWithItsReason() {
    TempHome home;
    home.write(QStringLiteral("plain"), "x");
    ImportExportDialog dialog(true, QString(), foldersIn(home));
    dialog.chooseFormat(ids::kHtmlFileFormat);
    const QString folder = homePrefix(home) + QStringLiteral("plain/sub");
    dialog.pathEdit()->setText(folder + QStringLiteral("/x.htm"));
    dialog.show();
    ModalDriver driver;
    driver.answerWith(QString::fromUtf8("确定"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    QCOMPARE(driver.messages().size(), size_t(2));
    QCOMPARE(driver.messages()[1].text,
             QString::fromUtf8("无法创建目录 “%1”：路径中有一部分不是目录").arg(folder));
    QCOMPARE(driver.messages()[1].icon, QMessageBox::Critical);
    QVERIFY(dialog.isVisible());
}

void ImportExportDialogTest::enterRunsTheExchangeNotTheTypeMenu() {
    TempHome home;
    QDir().mkdir(home.filePath(QStringLiteral("Documents")));
    ImportExportDialog dialog(true, QStringLiteral("News"), foldersIn(home));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    // Picked through the menu: the focus is back on the type button afterwards.
    QTimer::singleShot(0, dialog.typeMenu(), [&] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            popup->setActiveAction(popup->actions().at(2));
            QTest::keyClick(popup, Qt::Key_Return);
        }
    });
    dialog.typeButton()->setFocus();
    QTest::keyClick(dialog.typeButton(), Qt::Key_Space);
    QCOMPARE(dialog.exchangeKind(), ids::kHtmlFileFormat);
    QVERIFY(dialog.isVisible());

    // Enter now exports; a menu that opened instead is closed and counted.
    int menusShown = 0;
    QTimer::singleShot(0, dialog.typeMenu(), [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            ++menusShown;
            popup->close();
        }
    });
    dialog.typeButton()->setFocus();
    QTest::keyClick(dialog.typeButton(), Qt::Key_Return);
    QCOMPARE(menusShown, 0);
    QCOMPARE(dialog.result(), ids::kIdOk);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.exchangePath(), home.filePath(QStringLiteral("Documents/News.htm")));
}

void ImportExportDialogTest::theDocumentsFolderIsTheDesktops() {
    TempHome home;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    // A desktop in Chinese names its documents folder in Chinese.
    home.write(QStringLiteral(".config/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/文档\"\n");
    const ExchangeFolders folders = userExchangeFolders();
    qputenv("HOME", oldHome);
    if (oldConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
    QCOMPARE(QString::fromStdString(folders.documents), home.filePath(QString::fromUtf8("文档")));
    QCOMPARE(QString::fromStdString(folders.favorites), home.filePath(QStringLiteral("Favorites")));
}

void ImportExportDialogTest::browseOffersTheFormatsFileDialog() {
    TempHome home;
    QDir().mkdir(home.filePath(QStringLiteral("fav")));
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
    QDir().mkpath(home.filePath(QStringLiteral("Documents")));
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
    // The page import ends with the summary every import gives.
    QCOMPARE(driver.messages().size(), size_t(2));
    QCOMPARE(driver.messages()[1].title, QString::fromUtf8("导入完毕"));
    QCOMPARE(driver.messages()[1].text,
             QString::fromUtf8("新增 2 个条目，跳过 0 个（已经存在或没有地址）。"));
    // The whole import is one step of the tree's history.
    QVERIFY(history.canUndo());
    history.undo();
    QCOMPARE(other.size(), size_t(1));
    QVERIFY(!history.canUndo());
    history.redo();
    QCOMPARE(other.childCount(other.firstChild(kNoItem)), 1);
    QCOMPARE(other.label(other.child(other.firstChild(kNoItem), 0)), text::gbk("新闻"));

    // Again: it merges and adds nothing. Given a browser's bookmark file, the page import says
    // so with the file's name and adds nothing either.
    const QString books = home.filePath(QStringLiteral("Documents/books.html"));
    home.write(QStringLiteral("Documents/books.html"),
               "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
               "<DT><A HREF=\"http://a.example/\">A</A>\n</DL><p>\n");
    for (const QString& source : {page, books}) {
        driver.then([&](QWidget* w) {
            auto* dialog = qobject_cast<ImportExportDialog*>(w);
            QVERIFY(dialog);
            dialog->chooseFormat(ids::kHtmlFileFormat);
            dialog->pathEdit()->setText(source);
            clickLater(dialog->okButton());
        });
        runImport(&owner, other, target, foldersIn(home));
        QCOMPARE(other.size(), size_t(3));
    }
    QCOMPARE(driver.messages().size(), size_t(4));
    QCOMPARE(driver.messages()[2].text,
             QString::fromUtf8("新增 0 个条目，跳过 2 个（已经存在或没有地址）。"));
    QCOMPARE(driver.messages()[3].icon, QMessageBox::Warning);
    QVERIFY(driver.messages()[3].text.contains(books));
    QVERIFY(driver.messages()[3].text.contains(QString::fromUtf8("没有可导入的条目")));
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
    QDir().mkdir(home.filePath(QStringLiteral("fav")));
    home.write(QStringLiteral("fav/Folder"), "in the way");
    const QString fav = homePrefix(home) + QStringLiteral("fav");
    BookmarkTree tree;
    ItemId folder = tree.InsertNode({"Folder", "", ""});
    tree.InsertNode({"x", "http://x/", ""}, folder);
    ModalDriver second;
    second.then([&](QWidget* w) {
        auto* dialog = qobject_cast<ImportExportDialog*>(w);
        QVERIFY(dialog);
        dialog->pathEdit()->setText(fav);
        clickLater(dialog->okButton());
    });
    runExport(&owner, tree, kNoItem, foldersIn(home));
    QCOMPARE(second.messages().size(), size_t(1));
    QVERIFY(second.messages()[0].text.contains(QStringLiteral("fav/Folder")));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void ImportExportDialogTest::browserTypesFollowTheMode() {
    TempHome home;
    auto menuOf = [](const ImportExportDialog& dialog) {
        QStringList texts;
        for (QAction* a : dialog.typeMenu()->actions())
            texts << a->text();
        return texts;
    };
    ImportExportDialog importing(false, QString(), foldersIn(home));
    QCOMPARE(menuOf(importing),
             (QStringList{QString::fromUtf8("Internet Explore收藏夹"),
                          QString::fromUtf8("Brivanta格式文件"), QString::fromUtf8("HTML文件"),
                          QString::fromUtf8("浏览器书签文件 (HTML)"),
                          QString::fromUtf8("XBEL书签文件 (KDE, Floccus)"),
                          QStringLiteral("Firefox"), QStringLiteral("Chromium / Chrome")}));
    for (QAction* a : importing.typeMenu()->actions())
        QVERIFY(!importing.typeMenu()->itemIcon(a).isNull());
    ImportExportDialog exporting(true, QStringLiteral("News"), foldersIn(home));
    QCOMPARE(menuOf(exporting).size(), 5);
    QCOMPARE(menuOf(exporting).last(), QString::fromUtf8("XBEL书签文件 (KDE, Floccus)"));
    // A browser's store cannot be chosen for an export, even by its command.
    exporting.chooseFormat(ids::kFirefoxFormat);
    QCOMPARE(exporting.exchangeKind(), ids::kShortcutFolderFormat);
    exporting.chooseFormat(ids::kBookmarkFileFormat);
    QCOMPARE(exporting.format(), ExchangeFormat::BookmarkFile);
    QCOMPARE(exporting.pathEdit()->text(), home.filePath(QStringLiteral("Documents/News.html")));
    QCOMPARE(exporting.typeButton()->text(), QString::fromUtf8("导出到浏览器书签文件 ▼"));
    QVERIFY(exporting.profileCombo()->isHidden());
    exporting.chooseFormat(ids::kXbelFileFormat);
    QCOMPARE(exporting.format(), ExchangeFormat::XbelFile);
    QCOMPARE(exporting.pathEdit()->text(), home.filePath(QStringLiteral("Documents/News.xbel")));
    QCOMPARE(exporting.typeButton()->text(), QString::fromUtf8("导出到XBEL书签文件 ▼"));
}

void ImportExportDialogTest::browserProfilesImportWithASummary_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("path");  // relative to the home
    QTest::addColumn<QStringList>("shape");
    QTest::newRow("firefox") << ids::kFirefoxFormat
                             << ".mozilla/firefox/Profiles/abc.default-release"
                             << QStringList{
                                    QString::fromUtf8("书签菜单|"), QString::fromUtf8("-火狐|"),
                                    QString::fromUtf8("--获取帮助|https://support.mozilla.org/"),
                                    QString::fromUtf8("书签工具栏|"),
                                    QString::fromUtf8("-news|https://news.example/")};
    QTest::newRow("chromium") << ids::kChromiumFormat << ".config/chromium/Default/Bookmarks"
                              << QStringList{QString::fromUtf8("书签栏|"),
                                             QString::fromUtf8("-GitHub|https://github.com/"),
                                             QString::fromUtf8("-工作|"),
                                             QString::fromUtf8("--邮件|https://mail.example/")};
}

void ImportExportDialogTest::browserProfilesImportWithASummary() {
    QFETCH(int, command);
    QFETCH(QString, path);
    QFETCH(QStringList, shape);
    TempHome home;
    BrowserHome browsers(home);
    QVERIFY(BrowserHome::fill(home));
    BookmarkTree tree;
    ItemId into = tree.InsertNode({"into", "", ""});
    QWidget owner;
    owner.show();
    ModalDriver driver;
    for (int round = 0; round < 2; ++round) {
        driver.then([&](QWidget* w) {
            auto* dialog = qobject_cast<ImportExportDialog*>(w);
            QVERIFY(dialog);
            dialog->chooseFormat(command);
            QVERIFY(dialog->profileCombo()->isVisible());
            QCOMPARE(dialog->profileCombo()->count(), 1);
            QVERIFY(dialog->profileCombo()->itemText(0).contains(QString::fromUtf8("默认")) ||
                    command == ids::kChromiumFormat);
            QCOMPARE(QFileInfo(dialog->pathEdit()->text()).canonicalFilePath(),
                     QFileInfo(home.filePath(path)).canonicalFilePath());
            QCOMPARE(
                dialog->typeButton()->text(),
                QString::fromUtf8(command == ids::kFirefoxFormat ? "导入Firefox书签 ▼"
                                                                 : "导入Chromium / Chrome书签 ▼"));
            clickLater(dialog->okButton());
        });
        runImport(&owner, tree, into, foldersIn(home));
    }
    QVERIFY(driver.allActionsRun());
    int entries = static_cast<int>(shape.size());
    QCOMPARE(shapeOf(tree, into), shape);
    QCOMPARE(driver.messages().size(), size_t(2));
    QCOMPARE(driver.messages()[0].title, QString::fromUtf8("导入完毕"));
    QVERIFY2(driver.messages()[0].text.startsWith(
                 QString::fromUtf8("新增 %1 个条目，跳过 0 个").arg(entries)),
             qPrintable(driver.messages()[0].text));
    // The second import adds nothing and says so.
    QVERIFY2(driver.messages()[1].text.startsWith(QString::fromUtf8("新增 0 个条目")),
             qPrintable(driver.messages()[1].text));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void ImportExportDialogTest::missingProfilesAreNamed() {
    TempHome home;
    BrowserHome browsers(home);
    ImportExportDialog dialog(false, QString(), foldersIn(home));
    dialog.show();
    dialog.chooseFormat(ids::kFirefoxFormat);
    QVERIFY(!dialog.profileCombo()->isEnabled());
    QCOMPARE(dialog.pathEdit()->text(), QString());
    ModalDriver driver;
    dialog.accept();
    QTRY_COMPARE(driver.messages().size(), size_t(1));
    QVERIFY(driver.messages()[0].text.contains(
        home.filePath(QStringLiteral(".mozilla/firefox/profiles.ini"))));
    QVERIFY(dialog.isVisible());
    dialog.chooseFormat(ids::kChromiumFormat);
    dialog.pathEdit()->setText(QStringLiteral("nowhere/Bookmarks"));
    dialog.accept();
    QTRY_COMPARE(driver.messages().size(), size_t(2));
    QVERIFY(driver.messages()[1].text.contains(QStringLiteral("nowhere/Bookmarks")));
    QVERIFY(dialog.isVisible());
}

void ImportExportDialogTest::bookmarkFileGoesBothWays_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("netscape") << ids::kBookmarkFileFormat << QStringLiteral("favorites.html")
                              << QByteArray("<!DOCTYPE NETSCAPE");
    QTest::newRow("xbel") << ids::kXbelFileFormat << QStringLiteral("favorites.xbel")
                          << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
}

void ImportExportDialogTest::bookmarkFileGoesBothWays() {
    QFETCH(int, command);
    QFETCH(QString, file);
    QFETCH(QByteArray, start);
    TempHome home;
    QDir().mkpath(home.filePath(QStringLiteral("Documents")));
    BookmarkTree tree;
    ItemId news = tree.InsertNode({text::gbk("新闻"), "", ""});
    tree.InsertNode({"a & b", "http://a.example/?x=1&y=2", ""}, news);
    QWidget owner;
    ModalDriver driver;
    driver.then([&](QWidget* w) {
        auto* dialog = qobject_cast<ImportExportDialog*>(w);
        QVERIFY(dialog);
        dialog->chooseFormat(command);
        clickLater(dialog->okButton());
    });
    runExport(&owner, tree, kNoItem, foldersIn(home));
    QVERIFY(QFile::exists(home.filePath(QStringLiteral("Documents/") + file)));
    QVERIFY(home.read(QStringLiteral("Documents/") + file).startsWith(start));
    QCOMPARE(driver.messages().size(), size_t(0));  // no offer to open it

    BookmarkTree other;
    driver.then([&](QWidget* w) {
        auto* dialog = qobject_cast<ImportExportDialog*>(w);
        QVERIFY(dialog);
        dialog->chooseFormat(command);
        dialog->pathEdit()->setText(homePrefix(home) + QStringLiteral("Documents/") + file);
        clickLater(dialog->okButton());
    });
    runImport(&owner, other, kNoItem, foldersIn(home));
    QCOMPARE(shapeOf(other), shapeOf(tree));
    QCOMPARE(driver.messages().size(), size_t(1));
    QVERIFY(driver.messages()[0].text.startsWith(QString::fromUtf8("新增 2 个条目")));
}

QTEST_MAIN(ImportExportDialogTest)
#include "ImportExportDialogTest.moc"
