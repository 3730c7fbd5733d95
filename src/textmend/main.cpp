#include "app/mainwindow.h"
#include "termination/termination.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Before anything starts a thread, so that every thread keeps them blocked: Ctrl+C, kill and a
    // closed terminal reach the window as a request to close and never end the program mid-write.
    termination::blockCloseSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Textmend");
    QApplication::setOrganizationName("Textmend");
    // The desktop matches the window to the installed launcher and its icon.
    QApplication::setDesktopFileName("com.example.textmend");
    MainWindow window;
    window.start();
    // A request to close that came while the window started has ended it already.
    if (window.isUnloaded())
        return 0;
    return app.exec();
}
