// Writes pictures of the login dialog, the new-user dialog, the contact dialog, the import and
// export dialog, the options' sync page and the main window for the documentation:
// brivanta-screenshots OUTPUT_DIR [SYSTEM_BVK]. Runs on any Qt platform, offscreen included; the
// data shown is made up in a temporary program directory. With BRIVANTA_SCREENSHOT_HOLD=SECONDS
// the contact dialog stays open that long, so that a real X server can be photographed with its
// window manager's frame. With --desktop WxH[@SCALE] (offscreen only) it writes instead pictures
// of a whole screen of that size at that scale: the docked main window and the bar with the
// tree's context menu open (desktop-WxH[-scaleS].png), and with the contact dialog
// (desktop-WxH[-scaleS]-contact.png).
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <QTreeWidget>
#include <cstdio>

#include "core/accounts/AccountTable.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/accounts/LoginDialog.h"
#include "gui/accounts/NewUserDialog.h"
#include "gui/addressbook/BirthdayEdit.h"
#include "gui/addressbook/ContactDialog.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/app/BarDialog.h"
#include "gui/app/MainDialog.h"
#include "gui/controls/IconMenu.h"
#include "gui/controls/ScreenFit.h"
#include "gui/formats/ImportExportDialog.h"
#include "gui/options/COptionSheet.h"
#include "gui/resources/CommandIds.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeMenus.h"
#include "gui/trees/TreeSearchBar.h"

using namespace brivanta;

namespace {

bool save(QWidget& w, const QDir& out, const char* name) {
    QString path = out.filePath(QString::fromLatin1(name));
    bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return ok;
}

UserAccount user(const char* name, const char* password, const char* email) {
    UserAccount a;
    a.name = text::gbk(name);
    a.password = password;
    a.passwordSum = passwordSum(password);
    a.email = email;
    return a;
}

void fillCustomTree(BookmarkTree& tree) {
    auto add = [&](const char* name, const char* address, ItemId parent = kNoItem) {
        return tree.InsertNode({text::gbk(name), text::gbk(address), ""}, parent);
    };
    ItemId work = add("工作", "");
    add("公司邮箱", "mailto:zhang.wei@example.com", work);
    add("项目文档", "https://docs.example.com/", work);
    add("代码仓库", "https://git.example.com/", work);
    ItemId read = add("阅读", "");
    add("每日新闻", "https://news.example.com/", read);
    add("技术博客", "https://blog.example.com/", read);
    ItemId travel = add("旅行计划", "");
    add("火车时刻表", "https://www.12306.cn/", travel);
    add("天气预报", "http://www.weather.com.cn/");
    add("写信给妈妈", "mama@example.com");
}

ItemId fillAddressBook(BookmarkTree& book) {
    auto add = [&](const char* name, const char* address, const char* tag, ItemId parent) {
        return book.InsertNode({text::gbk(name), text::gbk(address), text::gbk(tag)}, parent);
    };
    ItemId group = add("同事", "", "", kNoItem);
    ItemId zhang = add("张伟", "", "男", group);
    add("生日：Saturday,March 14, 1987", "1987.3.14.9.0.0", "日期", zhang);
    add("单位：星河科技有限公司", "星河科技有限公司", "单位", zhang);
    add("职务：项目经理", "项目经理", "职务", zhang);
    add("电话：010-62345678", "010-62345678", "电话", zhang);
    add("手机：13912345678", "13912345678", "手机", zhang);
    add("Email：zhang.wei@example.com", "zhang.wei@example.com", "Email", zhang);
    add("主页：https://zhangwei.example.com/", "https://zhangwei.example.com/", "主页", zhang);
    add("OICQ：12345678", "12345678", "OICQ", zhang);
    return zhang;
}

// Every icon at tree size and at button size, with its name, for checking the set by eye.
bool saveIconSheet(const QDir& out) {
    QDir icons(QStringLiteral(":/icons"));
    QStringList names = icons.entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name);
    names.removeAll(QStringLiteral("135.svg"));
    const int cell = 64, columns = 10;
    int rows = static_cast<int>((names.size() + columns - 1) / columns);
    QImage sheet(columns * cell, rows * cell, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    p.setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 7));
    for (int i = 0; i < names.size(); ++i) {
        int x = (i % columns) * cell, y = (i / columns) * cell;
        QIcon icon(icons.filePath(names[i]));
        icon.paint(&p, QRect(x + 6, y + 8, 16, 16));
        icon.paint(&p, QRect(x + 28, y + 4, 32, 32));
        p.setPen(Qt::darkGray);
        p.drawText(QRect(x, y + 40, cell, 20), Qt::AlignCenter, QFileInfo(names[i]).baseName());
    }
    p.end();
    QString path = out.filePath(QStringLiteral("icons.png"));
    bool ok = sheet.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return ok;
}

// The whole screen with `windows` on it, the last on top. Drawn here rather than grabbed from
// the screen: the offscreen platform puts windows at their unscaled places.
bool saveScreen(const QDir& out, const QString& name, std::initializer_list<QWidget*> windows) {
    QApplication::processEvents();
    QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen->devicePixelRatio();
    QImage image(screen->geometry().size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(0x3a, 0x4a, 0x5a));
    QPainter painter(&image);
    for (QWidget* window : windows)
        painter.drawPixmap(window->geometry().topLeft() - screen->geometry().topLeft(),
                           window->grab());
    painter.end();
    QString path = out.filePath(name);
    bool ok = image.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return ok;
}

// The main window docked at the left edge of a screen and the bar, as a user sees them first.
bool saveDesktop(Storage& storage, const AccountTable& accounts, const QDir& out,
                 const QString& tag) {
    BookmarkTree sample;
    fillCustomTree(sample);
    saveArchiveFile(sample, storage.customTree(text::gbk("张伟")));
    NamedIconList icons;
    NamedIconList::fillTreeIcons(icons);
    BookmarkTree book(kAddressBookTree);
    book.setIconChooser(&icons);
    ItemId zhang = fillAddressBook(book);
    auto login = std::make_unique<LoginSession>(storage);
    login->logIn(*accounts.lookup(text::gbk("张伟")));
    MainDialog window(std::move(login));
    window.start();
    window.show();
    // As the program fits its dialogs.
    ScreenFitter::install();
    ScreenFitter::keepClearOf(&window.bar());
    BookmarkTreeView* view = window.treeView(ids::kCustomTreeControl);
    view->expandAll();
    view->setCurrentIndex(view->bookmarkModel()->index(4, 0));
    QApplication::processEvents();
    // The right-click menu low in the tree, where it has the least room.
    std::unique_ptr<IconMenu> context(window.menus().buildContextMenu(
        window.customTree(), view->currentItem(), ids::kNodeMenu, &window));
    context->popup(view->mapToGlobal(QPoint(view->width() / 3, view->height() * 3 / 4)));
    bool ok = saveScreen(out, QStringLiteral("desktop-%1.png").arg(tag),
                         {&window, &window.bar(), context.get()});
    context->hide();
    ContactDialog contact(book, icons, zhang, &window);
    contact.show();
    ok &= saveScreen(out, QStringLiteral("desktop-%1-contact.png").arg(tag),
                     {&window, &window.bar(), &contact});
    contact.hide();
    ScreenFitter::keepClearOf(nullptr);
    window.hide();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    // --desktop WxH[@SCALE]: the offscreen screen's size and the scale are set before the
    // application starts.
    QString desktop;
    QTemporaryDir screenConfig;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) != "--desktop")
            continue;
        desktop = QString::fromLocal8Bit(argv[i + 1]);
        for (int j = i; j + 2 <= argc; ++j)
            argv[j] = argv[j + 2];
        argc -= 2;
        break;
    }
    if (!desktop.isEmpty()) {
        static const QRegularExpression spec(QStringLiteral("^(\\d+)x(\\d+)(?:@([0-9.]+))?$"));
        QRegularExpressionMatch m = spec.match(desktop);
        if (!m.hasMatch() || !qgetenv("QT_QPA_PLATFORM").startsWith("offscreen") ||
            !screenConfig.isValid()) {
            std::fprintf(stderr,
                         "brivanta-screenshots: --desktop WxH[@SCALE] 只用于 offscreen 平台\n");
            return 2;
        }
        QFile config(screenConfig.filePath(QStringLiteral("screen.json")));
        if (!config.open(QIODevice::WriteOnly))
            return 1;
        config.write(R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": )" +
                     m.captured(1).toLatin1() + R"(, "height": )" + m.captured(2).toLatin1() +
                     R"(, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        config.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
        if (!m.captured(3).isEmpty())
            qputenv("QT_SCALE_FACTOR", m.captured(3).toLatin1());
    }
    QApplication app(argc, argv);
    // Qt's own buttons in Chinese, as the program shows them.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);
    if (argc < 2) {
        std::fprintf(
            stderr, "用法: brivanta-screenshots [--desktop WxH[@SCALE]] OUTPUT_DIR [SYSTEM_BVK]\n");
        return 2;
    }
    // Both paths are taken before the tool moves into its temporary program directory.
    QDir out(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    out.mkpath(QStringLiteral("."));
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    std::string homePath = home.path().toStdString();
    if (argc > 2)
        QFile::copy(QString::fromLocal8Bit(argv[2]), home.filePath(QStringLiteral("System.bvk")));
    Storage storage(homePath);
    storage.ensureDataDirectory();

    AccountTable accounts;
    accounts.set(user("张伟", "secret", "zhang.wei@example.com"));
    accounts.set(user("李娜", "", "li.na@example.com"));
    accounts.saveFile(storage.accountFile());
    if (!desktop.isEmpty())
        return saveDesktop(storage, accounts, out,
                           QString(desktop).replace(u'@', QStringLiteral("-scale")))
                   ? 0
                   : 1;
    bool ok = saveIconSheet(out);

    {
        LoginDialog login(storage);
        login.passwordEdit()->setText(QStringLiteral("secret"));
        login.show();
        ok &= save(login, out, "login.png");
    }
    {
        NewUserDialog newUser(storage);
        newUser.nameEdit()->setText(QString::fromUtf8("王芳"));
        newUser.passwordEdit()->setText(QStringLiteral("pw"));
        newUser.confirmEdit()->setText(QStringLiteral("pw"));
        newUser.emailEdit()->setText(QStringLiteral("wang.fang@example.com"));
        newUser.smtpEdit()->setText(QStringLiteral("smtp.example.com"));
        newUser.pop3Edit()->setText(QStringLiteral("pop3.example.com"));
        newUser.adjustSize();
        newUser.show();
        ok &= save(newUser, out, "new-user.png");
    }
    {
        NamedIconList icons;
        NamedIconList::fillTreeIcons(icons);
        BookmarkTree book(kAddressBookTree);
        book.setIconChooser(&icons);
        ItemId zhang = fillAddressBook(book);
        ContactDialog contact(book, icons, zhang);
        contact.show();
        contact.detailList()->topLevelItem(3)->setSelected(true);
        app.processEvents();
        ok &= save(contact, out, "contact.png");
        int hold = qEnvironmentVariableIntValue("BRIVANTA_SCREENSHOT_HOLD");
        if (hold > 0) {
            QTimer::singleShot(hold * 1000, &contact, &QDialog::reject);
            contact.exec();
        }
        ExchangeFolders folders{"/home/zhang/Favorites", "/home/zhang/Documents"};
        ImportExportDialog exporting(true, QString::fromUtf8("工作"), folders);
        exporting.chooseFormat(ids::kHtmlFileFormat);
        exporting.adjustSize();
        exporting.show();
        ok &= save(exporting, out, "export.png");
        ImportExportDialog importing(false, QString(), folders);
        importing.adjustSize();
        importing.show();
        ok &= save(importing, out, "import.png");
        OptionValues values;
        values.sync.serverUrl = "https://dav.example.cn/remote.php/dav/files/zhang/";
        values.sync.user = "zhang";
        values.sync.folder = {text::gbk("工作")};
        values.sync.intervalMinutes = 30;
        values.syncPassword = "password";
        values.customFolders = {{text::gbk("工作")}, {text::gbk("工作"), text::gbk("项目")}};
        COptionSheet options(text::gbk("张伟"), values);
        options.pages()->setCurrentIndex(options.pages()->count() - 1);
        options.show();
        ok &= save(options, out, "options-sync.png");
    }
    {
        BookmarkTree sample;
        fillCustomTree(sample);
        saveArchiveFile(sample, storage.customTree(text::gbk("张伟")));
        auto login = std::make_unique<LoginSession>(storage);
        login->logIn(*accounts.lookup(text::gbk("张伟")));
        MainDialog window(std::move(login));
        window.start();
        window.resize(260, 480);
        window.show();
        BookmarkTreeView* view = window.treeView(ids::kCustomTreeControl);
        view->expand(view->bookmarkModel()->index(0, 0));
        view->setCurrentIndex(
            view->bookmarkModel()->index(1, 0, view->bookmarkModel()->index(0, 0)));
        app.processEvents();
        ok &= save(window, out, "main-window.png");
        window.switchCategory(0);
        BookmarkTreeView* recommended = window.treeView(ids::kRecommendedTreeControl);
        recommended->expandToDepth(0);
        app.processEvents();
        ok &= save(window, out, "main-window-recommended.png");
        window.switchCategory(1);
        app.processEvents();
        // The right-click menu of the selected entry, with 退出 under the mouse.
        std::unique_ptr<IconMenu> context(window.menus().buildContextMenu(
            window.customTree(), view->currentItem(), ids::kNodeMenu, &window));
        context->popup(QPoint(20, 20));
        app.processEvents();
        context->setActiveAction(context->actions().last());
        app.processEvents();
        ok &= save(*context, out, "context-menu.png");
        context->hide();
        std::unique_ptr<IconMenu> bookmarks(window.menus().quickMenu(window.customTree(), &window));
        bookmarks->popup(QPoint(20, 20));
        app.processEvents();
        ok &= save(*bookmarks, out, "bookmark-menu.png");
        bookmarks->hide();
        // The search line: initials find Chinese names, and all trees list where hits live.
        window.switchCategory(1);
        window.searchBar()->line()->setText(QString::fromUtf8("xw"));
        app.processEvents();
        ok &= save(window, out, "main-window-search.png");
        window.searchBar()->setAllTrees(true);
        app.processEvents();
        ok &= save(window, out, "main-window-search-all.png");
        window.hide();
    }
    return ok ? 0 : 1;
}
