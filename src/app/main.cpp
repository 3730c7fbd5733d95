#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Textmend");
    QApplication::setOrganizationName("Textmend");
    MainWindow window;
    window.start();
    return app.exec();
}
