#include "about/about.h"
#include "about/fakeregistry.h"
#include "about/frmabout.h"
#include "platform/files.h"
#include "support/windowtest.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace
{

const QString home = QStringLiteral("https://www.example.com/");
const QString mailing = QStringLiteral("https://www.example.com/mailing-list");

QWidget* control(frmAbout& box, const QString& name)
{
    const std::map<QString, QWidget*> controls { { "picIcon", box.picIcon }, { "lblTitle", box.lblTitle },
        { "lblVersion", box.lblVersion }, { "Frame1", box.Frame1 }, { "lblDisclaimer", box.lblDisclaimer },
        { "Frame2", box.Frame2 }, { "lblDescription", box.lblDescription }, { "Command1", box.Command1 },
        { "Command2", box.Command2 }, { "Command3", box.Command3 }, { "Command4", box.Command4 },
        { "Image1", box.Image1 } };
    return controls.at(name);
}

QList<frmAbout*> aboutBoxes()
{
    QList<frmAbout*> boxes;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<frmAbout*>(window); box && box->isVisible())
            boxes << box;
    }
    return boxes;
}

} // namespace

class AboutBoxTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { sandbox = std::make_unique<testing::Sandbox>(); }
    void cleanup() { sandbox.reset(); }

    void captions();
    void controls_data();
    void controls();
    void layout();
    void links_data();
    void links();
    void systemInfoButton();
    void closing();
    void helpMenu();
    void pictures();

private:
    std::unique_ptr<testing::Sandbox> sandbox;
};

void AboutBoxTest::captions()
{
    frmAbout box;
    QCOMPARE(box.windowTitle(), QStringLiteral("About Textmend"));
    QCOMPARE(box.lblTitle->text(), QStringLiteral("Textmend"));
    QCOMPARE(box.lblVersion->text(), QStringLiteral("Version 1.0.0"));
    for (QLabel* heading : { box.lblTitle, box.lblVersion }) {
        QCOMPARE(heading->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(heading->font().bold());
        QCOMPARE(heading->font().pointSizeF(), 9.75);
        QVERIFY2(heading->sizeHint().width() <= heading->width(), qPrintable(heading->text()));
    }
    // The two texts are whole inside their labels, and in black.
    for (QLabel* text : { box.lblDisclaimer, box.lblDescription }) {
        QVERIFY(!text->text().isEmpty());
        QCOMPARE(text->palette().color(QPalette::WindowText), QColor(Qt::black));
        QVERIFY2(text->heightForWidth(text->width()) <= text->height(), qPrintable(text->text()));
    }
    QVERIFY(box.lblDisclaimer->text().contains("in place"));
    QVERIFY(box.lblDisclaimer->text().contains("backups"));
    QVERIFY(box.lblDescription->text().contains("mailing list"));
}

void AboutBoxTest::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<bool>("hand");

    QTest::newRow("logo") << "picIcon"
                          << ""
                          << "Quorvane Software" << true;
    QTest::newRow("mailing list") << "Command1"
                                  << "&Join the Quorvane mailing list"
                                  << "Join our mailing list" << true;
    QTest::newRow("home page") << "Command2"
                               << "&Quorvane"
                               << "Visit Quorvane" << true;
    QTest::newRow("close") << "Command3"
                           << "Clos&e"
                           << "Close this window" << false;
    QTest::newRow("system info") << "Command4"
                                 << "&System Info"
                                 << "Info about your computer" << false;
    QTest::newRow("icon") << "Image1"
                          << ""
                          << "" << true;
    QTest::newRow("title") << "lblTitle"
                           << ""
                           << "" << false;
}

void AboutBoxTest::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, tip);
    QFETCH(bool, hand);

    frmAbout box;
    QWidget* widget = control(box, name);
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QCOMPARE(button->text(), caption);
        QVERIFY(!button->isDefault());
        QVERIFY(!button->autoDefault());
        // The whole caption shows.
        QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(caption));
    }
    QCOMPARE(widget->toolTip(), tip);
    QCOMPARE(widget->cursor().shape(), hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

// Nothing spills out of the window or its frame, and nothing covers another control.
void AboutBoxTest::layout()
{
    frmAbout box;
    QCOMPARE(box.minimumSize(), QSize(382, 266));
    QCOMPARE(box.maximumSize(), QSize(382, 266));
    QVERIFY(!(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(!box.isModal());

    const QStringList topLevel { "picIcon", "lblTitle", "lblVersion", "Frame1", "Frame2", "Command1",
        "Command2", "Command3", "Command4", "Image1" };
    for (const QString& name : topLevel) {
        const QRect place = control(box, name)->geometry();
        QVERIFY2(box.rect().contains(place), qPrintable(name));
        for (const QString& other : topLevel) {
            if (other != name)
                QVERIFY2(
                    !place.intersects(control(box, other)->geometry()), qPrintable(name + " / " + other));
        }
    }
    QVERIFY(box.Frame1->rect().contains(box.lblDisclaimer->geometry()));
    QVERIFY(box.Frame2->rect().contains(box.lblDescription->geometry()));
    QCOMPARE(box.picIcon->geometry(), QRect(8, 8, 71, 147));
    QCOMPARE(box.Command4->geometry(), QRect(286, 232, 83, 23));
}

void AboutBoxTest::links_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("succeed");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<QString>("message");

    const QStringList none;
    QTest::newRow("mailing list") << "Command1" << true << QStringList { mailing } << none << "";
    QTest::newRow("home page") << "Command2" << true << QStringList { home } << none << "";
    QTest::newRow("logo") << "picIcon" << true << QStringList { home } << none << "";
    QTest::newRow("shell failure is not reported")
        << "Command2" << false << QStringList { home } << none << "";
    QTest::newRow("icon starts the opener")
        << "Image1" << true << none << QStringList { "xdg-open " + home } << "";
    QTest::newRow("opener that cannot start")
        << "Image1" << false << none << QStringList { "xdg-open " + home } << "Could not open " + home;
}

void AboutBoxTest::links()
{
    QFETCH(QString, name);
    QFETCH(bool, succeed);
    QFETCH(QStringList, opened);
    QFETCH(QStringList, started);
    QFETCH(QString, message);

#ifndef Q_OS_LINUX
    QSKIP("the opener differs on this platform");
#endif
    sandbox->desktop.succeed = succeed;
    frmAbout box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(control(box, name), Qt::LeftButton);

    QCOMPARE(sandbox->desktop.opened, opened);
    QCOMPARE(sandbox->desktop.started, started);
    if (message.isEmpty()) {
        QVERIFY(sandbox->prompts.messages.empty());
    } else {
        QCOMPARE(sandbox->prompts.messages.size(), size_t(1));
        QCOMPARE(sandbox->prompts.messages[0].text, message);
        QCOMPARE(sandbox->prompts.messages[0].title, QStringLiteral("Textmend"));
    }
    QVERIFY(box.isVisible());
}

void AboutBoxTest::systemInfoButton()
{
    testing::FakeRegistry registry;
    frmAbout box;
    box.show();
    QTest::mouseClick(box.Command4, Qt::LeftButton);
    QCOMPARE(sandbox->prompts.messages.size(), size_t(1));
    QCOMPARE(
        sandbox->prompts.messages[0].text, QStringLiteral("System Information Is Unavailable At This Time"));
    QVERIFY(sandbox->desktop.started.isEmpty());

    registry.set("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", 1, QByteArray("/opt/info/run\0", 14));
    QTest::mouseClick(box.Command4, Qt::LeftButton);
    QCOMPARE(sandbox->desktop.started, QStringList { "/opt/info/run" });
    QCOMPARE(sandbox->prompts.messages.size(), size_t(1));
    QVERIFY(box.isVisible());
}

// Only "Close" and the close box end the about box; it is gone once closed.
void AboutBoxTest::closing()
{
    QPointer<frmAbout> box = new frmAbout;
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box));
    QTest::keyClick(box, Qt::Key_Escape);
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(box && box->isVisible());
    QVERIFY(sandbox->desktop.opened.isEmpty());

    QTest::mouseClick(box->Command3, Qt::LeftButton);
    QVERIFY(!box || !box->isVisible());
    QTRY_VERIFY(box.isNull());
}

void AboutBoxTest::helpMenu()
{
    auto w = testing::openWindow(*sandbox);

    // About twice: one box. It is not modal, the main window stays usable.
    w->mnuAbout->trigger();
    QPointer<frmAbout> first = w->aboutBox;
    QVERIFY(first);
    w->mnuAbout->trigger();
    QCOMPARE(aboutBoxes(), QList<frmAbout*> { first.data() });
    QVERIFY(!QApplication::activeModalWidget());

    // Closed, then About again: a new box, set up afresh.
    first->Command3->click();
    QVERIFY(!w->aboutBox);
    QTRY_VERIFY(first.isNull());
    w->mnuAbout->trigger();
    QPointer<frmAbout> second = w->aboutBox;
    QVERIFY(second);
    QCOMPARE(aboutBoxes(), QList<frmAbout*> { second.data() });
    QCOMPARE(second->windowTitle(), QStringLiteral("About Textmend"));

    // Content: the page beside the program, and nothing at all when it is missing.
    w->mnuContent->trigger();
    QVERIFY(sandbox->desktop.opened.isEmpty());
    QFile page(platform::joinPath(sandbox->programFolder(), "Textmend_Help.htm"));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.close();
    w->mnuContent->trigger();
    QCOMPARE(sandbox->desktop.opened, QStringList { page.fileName() });
    QVERIFY(sandbox->prompts.messages.empty());

    // Closing the main window closes the about box.
    w->close();
    QVERIFY(!second || !second->isVisible());
    QVERIFY(aboutBoxes().isEmpty());
    w.reset();
    QVERIFY(second.isNull());
}

// The pictures as drawn; set TEXTMEND_ABOUT_PICTURE to a file name to keep a picture of the box.
void AboutBoxTest::pictures()
{
    frmAbout box;
    QCOMPARE(box.picIcon->pixmap().size(), QSize(67, 143));
    QCOMPARE(box.picIcon->contentsRect().size(), QSize(67, 143));
    QCOMPARE(box.Image1->pixmap().size(), QSize(48, 48));
    QVERIFY(!box.windowIcon().isNull());

    const QString target = qEnvironmentVariable("TEXTMEND_ABOUT_PICTURE");
    if (!target.isEmpty()) {
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QVERIFY(box.grab().save(target));
    }
}

QTEST_MAIN(AboutBoxTest)
#include "tst_about_box.moc"
