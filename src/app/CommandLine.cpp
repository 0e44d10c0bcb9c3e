#include "app/CommandLine.h"

#include "system/DriveMap.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

CCommandLine::Result CCommandLine::Parse(const std::vector<std::string>& args) {
    QCommandLineParser parser;
    // -platform, -style and the toolkit's other options come with a single dash.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        "Zorbin lists the drives with their file and directory counts and space, and for a\n"
        "drive every file and directory: sort, open, find doubles, find by name, delete.");
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
    const QCommandLineOption drives("drives",
                                    "Drive letters and their folders, as in ZORBIN_DRIVES, which it replaces: "
                                    "C=/,D=/mnt/data.",
                                    "MAP");
    parser.addOptions({help, version, drives});
    // The toolkit's own options, which the application object takes off the line itself.
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "style", "stylesheet", "display", "geometry",
          "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "name", "title", "visual"}) {
        QCommandLineOption option(name, "", "value");
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "sync", "nograb", "dograb"}) {
        QCommandLineOption option(name, "");
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    parser.addPositionalArgument("file", "Taken and ignored: Zorbin opens no files.", "[file...]");

    QStringList arguments;
    for (const std::string& arg : args)
        arguments << QString::fromLocal8Bit(arg.data(), static_cast<qsizetype>(arg.size()));
    Result result;
    if (!parser.parse(arguments)) {
        result.action = Action::Error;
        result.text = parser.errorText().toStdString();
        return result;
    }
    if (parser.isSet(help)) {
        result.action = Action::Help;
        // The parser names the running process, or nothing before the application object exists:
        // the usage line names the program of this command line.
        const QString program = arguments.isEmpty() ? QString("zorbin") : QFileInfo(arguments.first()).fileName();
        QString text = parser.helpText();
        const qsizetype from = text.indexOf(' ') + 1, to = text.indexOf(" [options]");
        if (text.startsWith("Usage: ") && to > from) text.replace(from, to - from, program);
        result.text = text.toStdString();
        return result;
    }
    if (parser.isSet(version)) {
        result.action = Action::Version;
        result.text = "zorbin " ZORBIN_VERSION;
        return result;
    }
    if (parser.isSet(drives)) {
        const std::string map = parser.value(drives).toStdString();
        std::string why;
        const auto folders = ParseDriveList(map, false, &why);
        if (why.empty() && std::all_of(folders.begin(), folders.end(), [](const std::string& f) { return f.empty(); }))
            why = "it names no drive";
        if (!why.empty()) {
            result.action = Action::Error;
            result.text = "--drives \"" + map + "\": " + why;
            return result;
        }
        result.drives = map;
    }
    return result;
}
