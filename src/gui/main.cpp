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
#include "gui/app/BarDialog.h"
#include "gui/app/MainDialog.h"
#include "gui/app/TipDialog.h"
#include "gui/controls/DialogOwner.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/controls/ScreenFit.h"
#include "gui/platform/DesktopCommandLine.h"
#include "gui/platform/DesktopProfile.h"
#include "gui/platform/FileDialogChinese.h"
#include "gui/platform/TerminationSignals.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

int main(int argc, char** argv) {
    const brivanta::DesktopCommandLine line = brivanta::parseDesktopCommandLine(argc, argv);
    brivanta::StorageRoots roots = brivanta::storageRoots(line.home);
    switch (line.action) {
        case brivanta::DesktopCommandLine::Action::Mistake:
            std::fprintf(stderr, "brivanta: %s\n%s\n用 brivanta --help 查看说明。\n",
                         line.mistake.c_str(), brivanta::kDesktopUsage);
            return 2;
        case brivanta::DesktopCommandLine::Action::Version:
            std::printf("brivanta %s\n", brivanta::kVersion);
            return 0;
        case brivanta::DesktopCommandLine::Action::Help:
            std::printf(
                "%s\n"
                "  --home DIR    以 DIR 为程序目录（System.bvk、tips.txt、Help/、Data/ 及设置文件\n"
                "                Brivanta.conf 所在处），\n"
                "                也可用环境变量 BRIVANTA_HOME 指定。\n"
                "  --version     显示版本号。\n"
                "  -h, --help    显示本说明。\n"
                "Qt 的选项（如 -platform NAME、-style NAME）交给 Qt。\n\n"
                "退出状态: 0 正常结束；1 程序目录无法准备；2 "
                "用法错误（未知的选项、多余的参数）。\n\n"
                "数据目录: %s\n程序文件目录: %s\n设置文件: %s\n",
                brivanta::kDesktopUsage, roots.dataRoot.c_str(), roots.shareRoot.c_str(),
                roots.profileFile.c_str());
            return 0;
        case brivanta::DesktopCommandLine::Action::Run:
            break;
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
    // Every dialog a dialog of the main window once there is one; installed first so that it
    // sees each window after the fitter below has sized it.
    brivanta::DialogOwner::install();
    // Every dialog and window no larger than the free area of its screen.
    brivanta::ScreenFitter::install();

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(&qtTranslator);
    }
    // What that translation lacks, and the file dialog's dates.
    brivanta::FileDialogChinese::install();

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
    // Dialogs keep clear of the bar, which stays on top of them.
    brivanta::ScreenFitter::keepClearOf(&window.bar());
    brivanta::DialogOwner::setOwner(&window);
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
