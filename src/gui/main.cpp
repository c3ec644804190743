#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <memory>

#include "core/app/ProgramDirectory.h"
#include "core/app/Storage.h"
#include "core/app/Version.h"
#include "gui/accounts/LoginFlow.h"
#include "gui/app/MainDialog.h"
#include "gui/app/TipDialog.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/platform/DesktopProfile.h"
#include "gui/platform/TerminationSignals.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

namespace {

// "--home DIR" or "--home=DIR"; empty when not given.
std::string homeOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--home" && i + 1 < argc)
            return argv[i + 1];
        if (arg.rfind("--home=", 0) == 0)
            return arg.substr(7);
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    std::string home = homeOption(argc, argv);
    brivanta::StorageRoots roots = brivanta::storageRoots(home);
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--version") {
            std::printf("brivanta %s\n", brivanta::kVersion);
            return 0;
        }
        if (arg == "--help") {
            std::printf(
                "用法: brivanta [--home DIR] [--version]\n"
                "  --home DIR  以 DIR 为程序目录（System.bvk、tips.txt、Help/、Data/ 及设置文件\n"
                "              Brivanta.conf 所在处），\n"
                "              也可用环境变量 BRIVANTA_HOME 指定。\n"
                "  --version   显示版本号。\n\n"
                "数据目录: %s\n程序文件目录: %s\n设置文件: %s\n",
                roots.dataRoot.c_str(), roots.shareRoot.c_str(), roots.profileFile.c_str());
            return 0;
        }
    }

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Velkor"));
    QCoreApplication::setApplicationName(QStringLiteral("Brivanta"));
    // The login and the new-user dialogs must not end the program when they close; the
    // main window says when it is done.
    app.setQuitOnLastWindowClosed(false);
    // Every window of the program, dialogs and message boxes too, shows the program's icon
    // unless it has one of its own.
    QApplication::setWindowIcon(brivanta::resourceIcon(brivanta::ids::kProgramIcon));
    // Every message box wide enough for its whole title, whoever builds it.
    brivanta::MessageBoxFitter::install();

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(&qtTranslator);
    }

    if (brivanta::FileError error = brivanta::prepareDataRoot(roots)) {
        std::fprintf(stderr, "brivanta: %s\n", error.writeMessage().c_str());
        return 1;
    }
    if (!QDir(QString::fromStdString(roots.dataRoot)).exists()) {
        std::fprintf(stderr, "brivanta: 程序目录 “%s” 不存在\n", roots.dataRoot.c_str());
        return 1;
    }
    // Made absolute once, here: nothing later depends on the working directory.
    brivanta::DesktopProfile::open(brivanta::absolutePath(roots.profileFile));
    auto login = std::make_unique<brivanta::LoginSession>(
        brivanta::Storage(roots.dataRoot, roots.shareRoot));
    if (!brivanta::runLogin(*login))
        return 0;
    brivanta::MainDialog window{std::move(login)};
    window.start();
    // Once the window is on the screen, so the tip has something to stand in front of.
    QTimer::singleShot(0, &window,
                       [&window] { brivanta::TipDialog::showAtStart(window.storage(), &window); });
    QObject::connect(&window, &brivanta::MainDialog::closed, &app, &QApplication::quit);
    // A session that ends while the window is open still saves, as closing does; so does a
    // termination signal (logging out, shutting down, Ctrl+C in the terminal).
    QObject::connect(&app, &QApplication::aboutToQuit, &window,
                     [&window] { window.closeForQuit(); });
    brivanta::TerminationSignals termination;
    QObject::connect(&termination, &brivanta::TerminationSignals::terminationRequested, &window,
                     [&window] { window.closeForQuit(); });
    window.show();
    return app.exec();
}
