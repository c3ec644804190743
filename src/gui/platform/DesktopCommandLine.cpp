#include "gui/platform/DesktopCommandLine.h"

#include <QCommandLineParser>
#include <QStringList>

namespace brivanta {

const char* const kDesktopUsage = "用法: brivanta [--home DIR] [--version] [--help]";

DesktopCommandLine parseDesktopCommandLine(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    // Qt's options are written with one dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption home(QStringLiteral("home"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(home);
    parser.addOption(help);
    parser.addOption(version);
    // What QApplication takes from the command line itself.
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "style",
                             "stylesheet", "qwindowgeometry", "qwindowtitle", "qwindowicon",
                             "display", "session", "qmljsdebugger"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption qtFlag(QString::fromLatin1(name));
        qtFlag.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtFlag);
    }

    DesktopCommandLine line;
    const bool parsed = parser.parse(args);
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().constFirst();
        line.action = DesktopCommandLine::Action::Mistake;
        line.mistake = "未知选项 " + std::string(name.size() > 1 ? "--" : "-") + name.toStdString();
        return line;
    }
    if (!parsed) {
        // Only a missing value is left: "--home" at the end.
        line.action = DesktopCommandLine::Action::Mistake;
        line.mistake = "命令行有误：" + parser.errorText().toStdString();
        return line;
    }
    if (!parser.positionalArguments().isEmpty()) {
        line.action = DesktopCommandLine::Action::Mistake;
        line.mistake = "多余的参数 " + parser.positionalArguments().constFirst().toStdString();
        return line;
    }
    line.home = parser.value(home).toStdString();
    if (parser.isSet(help))
        line.action = DesktopCommandLine::Action::Help;
    else if (parser.isSet(version))
        line.action = DesktopCommandLine::Action::Version;
    return line;
}

}  // namespace brivanta
