#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <map>

#include "gui/addressbook/NamedIconList.h"
#include "gui/platform/AddressOpener.h"
#include "gui/platform/DesktopExec.h"
#include "gui/platform/FileAssociations.h"

using namespace brivanta;

class OpenAddressTest : public QObject {
    Q_OBJECT
  private slots:
    void buildsAnArgumentList_data();
    void buildsAnArgumentList();
    void splitsQuotedWords();
    void handlerCommandForEachKind_data();
    void handlerCommandForEachKind();
    void openAddressDecides_data();
    void openAddressDecides();
    void readsTheDesktopsDefaults();
    void newKindsGetTheirHandlersIcon();
    void programsShowTheirOwnIconOnce();
    void findsProgramsAndTheirIcons_data();
    void findsProgramsAndTheirIcons();
};

namespace {
// A fixed table in place of the desktop's associations.
class FakeAssociations : public FileAssociations {
  public:
    std::optional<AssociatedHandler> handlerFor(const QString& key) const override {
        static const std::map<QString, AssociatedHandler> table = {
            {QStringLiteral(".htm"),
             {QStringLiteral("browser %u"), QStringLiteral("browser --new-window %u"), "web"}},
            {QStringLiteral("mailto"), {QStringLiteral("mailer -compose %u"), {}, "mail"}},
            {QStringLiteral(".doc"),
             {QStringLiteral("\"/opt/office suite/writer\" %f"), {}, "doc"}},
        };
        auto it = table.find(key);
        if (it == table.end())
            return std::nullopt;
        return it->second;
    }
};
}  // namespace

void OpenAddressTest::buildsAnArgumentList_data() {
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("command");
    const QString web = QStringLiteral("http://example.com/a b");
    QTest::newRow("url code") << "firefox %u" << web << QStringList{"firefox", web};
    QTest::newRow("list code, options kept")
        << "/usr/bin/firefox --new-window %U" << web
        << QStringList{"/usr/bin/firefox", "--new-window", web};
    QTest::newRow("no code: appended") << "xdg-email"
                                       << "a@b" << QStringList{"xdg-email", "a@b"};
    QTest::newRow("icon and name codes dropped")
        << "thunderbird %i %c -compose %u"
        << "mailto:a@b" << QStringList{"thunderbird", "-compose", "mailto:a@b"};
    QTest::newRow("code inside a word") << "app --open=%f"
                                        << "/tmp/x.doc" << QStringList{"app", "--open=/tmp/x.doc"};
    QTest::newRow("percent sign") << "app 100%% %f"
                                  << "x" << QStringList{"app", "100%", "x"};
    QTest::newRow("quoted program") << "\"/opt/My Apps/viewer\" %f"
                                    << "x.doc" << QStringList{"/opt/My Apps/viewer", "x.doc"};
    // Whatever the address holds stays one argument: no shell ever sees it.
    const QString hostile = QStringLiteral("x\"; rm -rf ~; $(reboot) `id` 'q' %u");
    QTest::newRow("hostile address") << "viewer %f" << hostile << QStringList{"viewer", hostile};
    QTest::newRow("hostile address appended")
        << "viewer" << hostile << QStringList{"viewer", hostile};
    QTest::newRow("only one copy of the address") << "viewer %f %u"
                                                  << "x" << QStringList{"viewer", "x"};
    QTest::newRow("empty") << ""
                           << "x" << QStringList{};
    QTest::newRow("unclosed quote") << "\"viewer %f"
                                    << "x" << QStringList{};
}

void OpenAddressTest::buildsAnArgumentList() {
    QFETCH(QString, exec);
    QFETCH(QString, address);
    QFETCH(QStringList, command);
    QCOMPARE(commandForAddress(exec, address), command);
}

void OpenAddressTest::splitsQuotedWords() {
    QCOMPARE(splitExecLine(QStringLiteral("a  \"b c\" \"d\\\"e\" \"\" f")),
             (QStringList{"a", "b c", "d\"e", "", "f"}));
    QCOMPARE(splitExecLine(QStringLiteral("\"a\\\\b\\$c\"")), QStringList{"a\\b$c"});
}

void OpenAddressTest::handlerCommandForEachKind_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("newWindow");
    QTest::addColumn<QStringList>("command");
    QTest::newRow("host name") << "www.example.com" << false
                               << QStringList{"browser", "www.example.com"};
    QTest::newRow("host name, new window")
        << "www.example.com" << true << QStringList{"browser", "--new-window", "www.example.com"};
    QTest::newRow("scheme with one dot is a web page")
        << "http://example.com" << true
        << QStringList{"browser", "--new-window", "http://example.com"};
    QTest::newRow("mail") << "a@example.com" << true
                          << QStringList{"mailer", "-compose", "a@example.com"};
    QTest::newRow("user information is no mail")
        << "http://u@example.com" << false << QStringList{"browser", "http://u@example.com"};
    QTest::newRow("document") << "/home/u/Report.DOC" << true
                              << QStringList{"/opt/office suite/writer", "/home/u/Report.DOC"};
    QTest::newRow("unknown extension falls back to the browser")
        << "notes.xyz" << false << QStringList{"browser", "notes.xyz"};
    QTest::newRow("quotes and shell signs stay in the one argument")
        << "x\"; rm -rf ~ $(id).doc" << false
        << QStringList{"/opt/office suite/writer", "x\"; rm -rf ~ $(id).doc"};
}

void OpenAddressTest::handlerCommandForEachKind() {
    QFETCH(QString, address);
    QFETCH(bool, newWindow);
    QFETCH(QStringList, command);
    QCOMPARE(handlerCommand(FakeAssociations(), address, newWindow), command);
}

void OpenAddressTest::openAddressDecides_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("newWindow");
    QTest::addColumn<bool>("openerWorks");
    QTest::addColumn<QString>("url");          // what the desktop's opener was given, if anything
    QTest::addColumn<QStringList>("started");  // the program started directly, if any
    QTest::newRow("mail through mailto:")
        << "  a@example.com" << false << true << "mailto:a@example.com" << QStringList{};
    QTest::newRow("mail falls back to the mail program")
        << "a@example.com" << false << false << "mailto:a@example.com"
        << QStringList{"mailer", "-compose", "a@example.com"};
    QTest::newRow("web page through the desktop")
        << "https://example.com/" << false << true << "https://example.com/" << QStringList{};
    QTest::newRow("new window never asks the desktop")
        << "www.example.com" << true << true << QString()
        << QStringList{"browser", "--new-window", "www.example.com"};
    QTest::newRow("document through the desktop even with new windows")
        << "/srv/a.doc" << true << true << "file:///srv/a.doc" << QStringList{};
    QTest::newRow("document falls back to its program")
        << "/srv/a.doc" << false << false << "file:///srv/a.doc"
        << QStringList{"/opt/office suite/writer", "/srv/a.doc"};
}

void OpenAddressTest::openAddressDecides() {
    QFETCH(QString, address);
    QFETCH(bool, newWindow);
    QFETCH(bool, openerWorks);
    QFETCH(QString, url);
    QFETCH(QStringList, started);
    QList<QUrl> opened;
    QStringList command;
    setUrlOpener([&](const QUrl& u) {
        opened << u;
        return openerWorks;
    });
    setProgramStarter([&](const QString& program, const QStringList& arguments) {
        command = QStringList{program} + arguments;
        return true;
    });
    FakeAssociations table;
    QVERIFY(openAddress(address, newWindow, &table));
    setUrlOpener({});
    setProgramStarter({});
    QCOMPARE(opened.isEmpty() ? QString() : opened.front().toString(), url);
    QCOMPARE(command, started);
    QVERIFY(!openAddress(QStringLiteral("   "), newWindow, &table));
}

void OpenAddressTest::readsTheDesktopsDefaults() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto write = [&](const QString& name, const QByteArray& text) {
        QDir().mkpath(QFileInfo(dir.filePath(name)).path());
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write("config/mimeapps.list",
          "[Default Applications]\n"
          "x-scheme-handler/http=missing.desktop;web.desktop;\n"
          "x-scheme-handler/mailto=../../evil.desktop;mail.desktop\n");
    write("apps/web.desktop",
          "[Desktop Entry]\nName=Web\nName[zh_CN]=x\nExec=web %u\n"
          "Icon=web-browser\nActions=new-window;private;\n\n"
          "[Desktop Action new-window]\nExec=web --new-window %u\n");
    write("apps/mail.desktop", "[Desktop Entry]\nExec=mail %U\n");
    write("apps/office.desktop", "[Desktop Entry]\nExec=office %F\n");
    write("apps/mimeapps.list", "[Added Associations]\napplication/msword=office.desktop;\n");
    // The same directories reached relatively (from the working directory, left as it is)
    // and through a symbolic link.
    QVERIFY(QFile::link(dir.filePath("apps"), dir.filePath("linked-apps")));
    const QDir here = QDir::current();
    DesktopAssociations desktop({here.relativeFilePath(dir.filePath("config"))},
                                {here.relativeFilePath(dir.filePath("linked-apps"))});
    auto web = desktop.handlerFor(QStringLiteral(".htm"));
    auto mail = desktop.handlerFor(QStringLiteral("mailto"));
    auto doc = desktop.handlerFor(QStringLiteral(".doc"));
    auto none = desktop.handlerFor(QStringLiteral(".nosuchextension"));
    QVERIFY(web && mail && doc);
    QCOMPARE(web->exec, QStringLiteral("web %u"));
    QCOMPARE(web->newWindowExec, QStringLiteral("web --new-window %u"));
    QCOMPARE(web->iconName, QStringLiteral("web-browser"));
    QCOMPARE(mail->exec, QStringLiteral("mail %U"));  // the path-like id was passed over
    QCOMPARE(mail->newWindowExec, QString());
    QCOMPARE(doc->exec, QStringLiteral("office %F"));
    QVERIFY(!doc->iconName.isEmpty());  // the document type's theme icon
    QVERIFY(!none);
}

void OpenAddressTest::newKindsGetTheirHandlersIcon() {
    QTemporaryDir dir;
    QString iconPath = dir.filePath(QStringLiteral("writer.svg"));
    QVERIFY(QFile::copy(QStringLiteral(":/icons/166.svg"), iconPath));
    struct Counting : FileAssociations {
        QString icon;
        mutable int asked = 0;
        std::optional<AssociatedHandler> handlerFor(const QString& key) const override {
            ++asked;
            if (key == QLatin1String(".doc"))
                return AssociatedHandler{QStringLiteral("writer %f"), {}, icon};
            return std::nullopt;
        }
    } table;
    table.icon = iconPath;
    NamedIconList icons;
    NamedIconList::fillTreeIcons(icons);
    int web = icons.indexOf(QStringLiteral(".htm"));
    icons.setAssociations(&table);
    int count = icons.count();
    int doc = icons.imageForAddress("/srv/a.DOC");
    QCOMPARE(doc, count);  // appended once
    QCOMPARE(icons.imageForAddress("b.doc"), doc);
    QCOMPARE(icons.indexOf(QStringLiteral(".doc")), doc);
    // Kinds without a handler show the web page, and the desktop is asked only once.
    QCOMPARE(icons.imageForAddress("c.xyz"), web);
    QCOMPARE(icons.imageForAddress("d.xyz"), web);
    QCOMPARE(table.asked, 2);
    QCOMPARE(icons.count(), count + 1);
}

void OpenAddressTest::programsShowTheirOwnIconOnce() {
    QTemporaryDir dir;
    QString iconPath = dir.filePath(QStringLiteral("tool.svg"));
    QVERIFY(QFile::copy(QStringLiteral(":/icons/166.svg"), iconPath));
    struct Programs : FileAssociations {
        QString icon;
        mutable QStringList asked;
        std::optional<AssociatedHandler> handlerFor(const QString&) const override {
            return std::nullopt;
        }
        bool isProgram(const QString& path) const override {
            asked << path;
            return path.startsWith(u"/opt/bin/");
        }
        QString programIconName(const QString& path) const override {
            return path.endsWith(u"/Tool") || path.endsWith(u"/tool") ? icon : QString();
        }
    } table;
    table.icon = iconPath;
    NamedIconList icons;
    NamedIconList::fillTreeIcons(icons);
    icons.setAssociations(&table);
    const int web = icons.indexOf(QStringLiteral(".htm"));
    const int count = icons.count();

    int tool = icons.imageForAddress("/opt/bin/Tool");
    QCOMPARE(tool, count);
    QCOMPARE(icons.indexOf(QStringLiteral("tool")), tool);
    QVERIFY(!icons.icon(tool).isNull());
    // The same program elsewhere, or the same entry again, shows the same image.
    QCOMPARE(icons.imageForAddress("/opt/bin/tool"), tool);
    QCOMPARE(icons.imageForAddress("/opt/bin/Tool"), tool);
    QCOMPARE(table.asked.count(QStringLiteral("/opt/bin/Tool")), 1);
    // A program without an icon of its own gets the generic one, under its own name.
    int other = icons.imageForAddress("/opt/bin/other");
    QCOMPARE(other, count + 1);
    QVERIFY(!icons.icon(other).isNull());
    // A program named by its extension needs no look at the disk.
    int setup = icons.imageForAddress("C:\\Apps\\Setup.EXE");
    QCOMPARE(icons.indexOf(QStringLiteral("setup.exe")), setup);
    QVERIFY(!table.asked.contains(QStringLiteral("C:\\Apps\\Setup.EXE")));
    // A further dot in a folder, or a file that is no program: the usual kinds.
    QCOMPARE(icons.imageForAddress("/opt/v1.2/setup.exe"), web);
    QCOMPARE(icons.imageForAddress("/srv/readme"), web);
    QCOMPARE(icons.count(), count + 3);
}

void OpenAddressTest::findsProgramsAndTheirIcons_data() {
    QTest::addColumn<QString>("file");  // below the test's folder
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("executable");  // the execute permission
    QTest::addColumn<bool>("program");
    QTest::addColumn<QString>("icon");
    QTest::newRow("executable") << "bin/tool" << QByteArray("x") << true << true << "tool-icon";
    QTest::newRow("named bare in Exec")
        << "bin/viewer" << QByteArray("x") << true << true << "viewer-icon";
    QTest::newRow("ELF without permission") << "bin/elf"
                                            << QByteArray(
                                                   "\x7f"
                                                   "ELF\x02\x01")
                                            << false << true << "";
    QTest::newRow("script without permission")
        << "bin/run.sh" << QByteArray("#!/bin/sh\n") << false << true << "";
    QTest::newRow("plain file") << "docs/notes" << QByteArray("notes") << false << false << "";
    QTest::newRow("through a symbolic link")
        << "link>bin/tool" << QByteArray("x") << true << true << "tool-icon";
}

void OpenAddressTest::findsProgramsAndTheirIcons() {
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, executable);
    QFETCH(bool, program);
    QFETCH(QString, icon);
    QTemporaryDir dir;
    QDir root(dir.path());
    QStringList parts = file.split(u'>');
    QString real = root.filePath(parts.back());
    root.mkpath(QFileInfo(real).path());
    QFile out(real);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    QFile::Permissions rights = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        rights |= QFile::ExeOwner;
    QVERIFY(out.setPermissions(rights));
    QString dropped = real;
    if (parts.size() == 2) {
        dropped = root.filePath(parts.front());
        QVERIFY(QFile::link(parts.back(), dropped));  // relative to the link's folder
    }
    root.mkpath(QStringLiteral("apps"));
    auto write = [&](const QString& name, const QByteArray& text) {
        QFile entry(root.filePath(name));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write(text);
    };
    write("apps/tool.desktop", "[Desktop Entry]\nExec=\"" + root.filePath("bin/tool").toUtf8() +
                                   "\" --open %f\nIcon=tool-icon\n");
    write("apps/viewer.desktop", "[Desktop Entry]\nExec=env LANG=C viewer %U\nIcon=viewer-icon\n");
    write("apps/noicon.desktop", "[Desktop Entry]\nExec=" + real.toUtf8() + "x\n");
    DesktopAssociations desktop({}, {root.filePath(QStringLiteral("apps"))});
    QCOMPARE(desktop.isProgram(dropped), program);
    QCOMPARE(desktop.programIconName(dropped), icon);
    // A relative path depends on where the program was started: never a program.
    QVERIFY(!desktop.isProgram(QDir::current().relativeFilePath(dir.filePath(parts.back()))));
}

QTEST_MAIN(OpenAddressTest)
#include "OpenAddressTest.moc"
