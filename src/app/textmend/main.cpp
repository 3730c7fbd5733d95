#include "app/mainwindow.h"
#include "termination/termination.h"
#include "version.h"

#include <cstdio>
#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    // Before anything starts a thread, so that every thread keeps them blocked: Ctrl+C, kill and a
    // closed terminal reach the window as a request to close and never end the program mid-write.
    termination::blockCloseSignals();
    QApplication::setApplicationName("Textmend");
    QApplication::setOrganizationName("Textmend");
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(textmend::versionMajor)
                                            .arg(textmend::versionMinor)
                                            .arg(textmend::versionRevision));

    // The arguments are read before the window system is asked for, so that --help, --version and a
    // wrong option answer without a display.
    // Qt's own options (-platform offscreen, -style fusion...) are QApplication's, which takes them out.
    static const QStringList qtOptionsWithValue { "platform", "platformpluginpath", "platformtheme", "plugin",
        "qwindowgeometry", "qwindowicon", "qwindowtitle", "style", "stylesheet", "display", "geometry",
        "session" };
    static const QStringList qtFlags { "reverse", "widgetcount", "nograb", "dograb", "sync" };
    QStringList arguments { QString::fromLocal8Bit(argv[0]) };
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const QString name = argument.startsWith(QLatin1String("--")) ? argument.mid(2) : argument.mid(1);
        if (argument.startsWith(u'-') && qtOptionsWithValue.contains(name))
            ++i;
        else if (!(argument.startsWith(u'-') && qtFlags.contains(name)))
            arguments << argument;
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Replaces one string with another in many files of one folder at once."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FOLDER"),
        QStringLiteral("The folder to open (a file: its folder, with that file current); "
                       "otherwise the folder of the last session."),
        QStringLiteral("[FOLDER]"));
    const bool parsed = parser.parse(arguments);
    // Without an application object yet, the parser does not know the program's name.
    const QString usage =
        parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("textmend"));
    if (parsed && (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))) {
        std::fputs(qPrintable(usage), stdout);
        return 0;
    }
    if (parsed && parser.isSet(version)) {
        std::printf("textmend %s\n", qPrintable(QApplication::applicationVersion()));
        return 0;
    }
    if (!parsed || parser.positionalArguments().size() > 1) {
        const QString why = parsed ? QStringLiteral("only one folder can be opened") : parser.errorText();
        std::fprintf(stderr, "textmend: %s\n%s", qPrintable(why), qPrintable(usage));
        return 2;
    }

    QApplication app(argc, argv);
    // The desktop matches the window to the installed launcher and its icon.
    QApplication::setDesktopFileName("com.example.textmend");
    MainWindow window;
    window.start(parser.positionalArguments().value(0));
    // A request to close that came while the window started has ended it already.
    if (window.isUnloaded())
        return 0;
    return app.exec();
}
