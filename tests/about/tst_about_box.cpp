#include "about/about.h"
#include "about/frmabout.h"
#include "platform/files.h"
#include "support/windowtest.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

class AboutBoxTest : public QObject
{
    Q_OBJECT
private slots:
    void looks();
    void clicks_data();
    void clicks();
    void helpMenu();
};

// What the user reads: captions, tooltips, pointers, and texts that fit their places. Set
// TEXTMEND_ABOUT_PICTURE to a file name to keep a picture of the box.
void AboutBoxTest::looks()
{
    frmAbout box;
    QCOMPARE(QStringList({ box.windowTitle(), box.lblTitle->text(), box.lblVersion->text(),
                 box.Command1->text(), box.Command3->text() }),
        QStringList(
            { "About Textmend", "Textmend", "Version 1.0.0", "&Join the Quorvane mailing list", "Clos&e" }));
    QCOMPARE(box.size(), QSize(382, 266));

    // Whatever opens something shows the pointing hand.
    const std::vector<std::tuple<QWidget*, QString, bool>> tips { { box.picIcon, "Quorvane Software", true },
        { box.Command1, "Join our mailing list", true }, { box.Command2, "Visit Quorvane", true },
        { box.Command3, "Close this window", false }, { box.Command4, "Info about your computer", false },
        { box.Image1, "", true } };
    for (const auto& [widget, tip, hand] : tips)
        QVERIFY2(widget->toolTip() == tip
                && widget->cursor().shape() == (hand ? Qt::PointingHandCursor : Qt::ArrowCursor),
            qPrintable(widget->objectName()));
    for (QPushButton* button : { box.Command1, box.Command2, box.Command3, box.Command4 })
        QVERIFY2(!button->autoDefault(), qPrintable(button->text()));
    QCOMPARE(testing::clippedCaptions(box).join(" | "), QString());
    if (!testing::onlyFont().isEmpty())
        QCOMPARE(QFontInfo(box.Command1->font()).family(), testing::onlyFont());

    if (const QString target = qEnvironmentVariable("TEXTMEND_ABOUT_PICTURE"); !target.isEmpty()) {
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QVERIFY(box.grab().save(target));
    }
}

void AboutBoxTest::clicks_data()
{
    QTest::addColumn<QString>("name"); // none: Escape and Return are pressed instead
    QTest::addColumn<bool>("succeed");
    QTest::addColumn<QStringList>("seen"); // what the desktop opened, "run " what it started, then messages

    const QString home = "https://www.example.com/", run = "run xdg-open " + home;
    // clang-format off
    QTest::newRow("mailing list") << "Command1" << true << QStringList { home + "mailing-list" };
    QTest::newRow("home page") << "Command2" << true << QStringList { home };
    QTest::newRow("shell failure is not reported") << "picIcon" << false << QStringList { home };
    QTest::newRow("icon starts the opener") << "Image1" << true << QStringList { run };
    QTest::newRow("opener not startable")
        << "Image1" << false << QStringList { run, "Textmend: Could not open " + home };
    QTest::newRow("keys close nothing") << "" << true << QStringList {};
    // clang-format on
}

void AboutBoxTest::clicks()
{
    QFETCH(QString, name);
    QFETCH(bool, succeed);
    QFETCH(QStringList, seen);

#ifndef Q_OS_LINUX
    QSKIP("the opener differs on this platform");
#endif
    testing::Sandbox sandbox;
    sandbox.desktop.succeed = succeed;
    frmAbout box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    if (name.isEmpty()) {
        QTest::keyClick(&box, Qt::Key_Escape);
        QTest::keyClick(&box, Qt::Key_Return);
    } else {
        QTest::mouseClick(box.findChild<QWidget*>(name), Qt::LeftButton);
    }

    QStringList asks = sandbox.desktop.opened;
    for (const QString& started : sandbox.desktop.started)
        asks << "run " + started;
    QCOMPARE(asks + testing::shownMessages(sandbox), seen);
    QVERIFY(box.isVisible());
}

// About twice gives one box and leaves the main window usable; a closed box is gone and About makes a
// new one. Content does nothing while the page is missing, then opens the page beside the program, or
// the one an installed program shipped with.
void AboutBoxTest::helpMenu()
{
    testing::Sandbox sandbox;
    auto w = testing::openWindow(sandbox);
    w->mnuAbout->trigger();
    QPointer<frmAbout> first = w->aboutBox;
    w->mnuAbout->trigger();
    QCOMPARE(w->findChildren<frmAbout*>(), QList<frmAbout*> { first.data() });
    QVERIFY(first->isVisible() && !QApplication::activeModalWidget());
    first->Command3->click();
    QTRY_VERIFY(first.isNull());
    w->mnuAbout->trigger();
    QVERIFY(w->findChildren<frmAbout*>() == QList<frmAbout*> { w->aboutBox } && w->aboutBox->isVisible());

    w->mnuContent->trigger();
    QVERIFY(sandbox.desktop.opened.isEmpty());
    const QString page = platform::joinPath(sandbox.programFolder(), "Textmend_Help.htm");
    QFile(page).open(QIODevice::WriteOnly);
    w->mnuContent->trigger();
    QCOMPARE(sandbox.desktop.opened, QStringList { page });
    QVERIFY(sandbox.prompts.messages.empty());

    // An installed program opens the page it was installed with.
    const QString root = sandbox.workFolder() + "/root",
                  installed = root + "/share/textmend/Textmend_Help.htm";
    QDir().mkpath(root + "/bin");
    sandbox.writeFile(installed, "<html>");
    platform::setProgramFolder(root + "/bin");
    w->mnuContent->trigger();
    QCOMPARE(sandbox.desktop.opened, QStringList({ page, installed }));
}

QTEST_MAIN(AboutBoxTest)
#include "tst_about_box.moc"
