#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

#include "core/app/ProgramDirectory.h"
#include "core/app/Storage.h"
#include "gui/app/MainDialog.h"
#include "gui/platform/TerminationSignals.h"

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
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--help") {
            std::printf(
                "用法: brivanta [--home DIR]\n"
                "  --home DIR  以 DIR 为程序目录（System.bvk、tips.txt、Help/、Data/ 所在处），\n"
                "              也可用环境变量 BRIVANTA_HOME 指定。\n");
            return 0;
        }
    }
    std::string home = homeOption(argc, argv);

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Velkor"));
    QCoreApplication::setApplicationName(QStringLiteral("Brivanta"));
    // The login and the new-user dialogs must not end the program when they close; the
    // main window says when it is done.
    app.setQuitOnLastWindowClosed(false);

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(&qtTranslator);
    }

    std::string directory = brivanta::programDirectory(home);
    if (!QDir(QString::fromStdString(directory)).exists()) {
        std::fprintf(stderr, "brivanta: 程序目录 “%s” 不存在\n", directory.c_str());
        return 1;
    }
    // Made absolute once, here: nothing later depends on the working directory.
    brivanta::MainDialog window{brivanta::Storage(directory)};
    if (!window.initialise())
        return 0;
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
