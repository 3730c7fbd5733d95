#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Textmend");
    QApplication::setOrganizationName("Textmend");
    // The desktop matches the window to the installed launcher and its icon.
    QApplication::setDesktopFileName("com.example.textmend");
    MainWindow window;
    window.start();
    return app.exec();
}
