// Draws the program's icon for the desktop's icon theme at build time:
//   textmend_icons FOLDER NAME SIZE... writes FOLDER/<size>x<size>/apps/NAME.png for each size.

#include "platform/appicon.h"

#include <QDir>
#include <QGuiApplication>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        qCritical("usage: textmend_icons FOLDER NAME SIZE...");
        return 2;
    }
    for (const QString& size : args.mid(3)) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args[1], size);
        const QString file = folder + '/' + args[2] + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !platform::applicationPixmap(size.toInt()).save(file)) {
            qCritical("could not write %s", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
