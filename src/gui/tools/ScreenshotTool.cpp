// Writes pictures of the login dialog, the new-user dialog and the main window for the
// documentation: brivanta-screenshots OUTPUT_DIR [SYSTEM_BVK]. Runs on any Qt platform,
// offscreen included; the data shown is made up in a temporary program directory.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTreeView>
#include <cstdio>

#include "core/accounts/AccountTable.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/accounts/LoginDialog.h"
#include "gui/accounts/NewUserDialog.h"
#include "gui/app/MainDialog.h"
#include "gui/controls/IconMenu.h"
#include "gui/resources/CommandIds.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeMenus.h"

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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "用法: brivanta-screenshots OUTPUT_DIR [SYSTEM_BVK]\n");
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
        BookmarkTree sample;
        fillCustomTree(sample);
        saveArchiveFile(sample, storage.customTree(text::gbk("张伟")));
        MainDialog window(storage);
        window.start(*accounts.lookup(text::gbk("张伟")));
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
        window.hide();
    }
    return ok ? 0 : 1;
}
