#include "about/about.h"
#include "about/fakeregistry.h"
#include "about/frmabout.h"
#include "platform/files.h"
#include "support/windowtest.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace
{

const QString home = QStringLiteral("https://www.example.com/");

QList<frmAbout*> openBoxes()
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

    void looks();
    void clicks_data();
    void clicks();
    void helpMenu();

private:
    std::unique_ptr<testing::Sandbox> sandbox;
};

// What the user reads: captions, tooltips, pointers, and texts that fit their places. Set
// TEXTMEND_ABOUT_PICTURE to a file name to keep a picture of the box.
void AboutBoxTest::looks()
{
    frmAbout box;
    QCOMPARE(box.windowTitle(), QStringLiteral("About Textmend"));
    QCOMPARE(box.lblTitle->text(), QStringLiteral("Textmend"));
    QCOMPARE(box.lblVersion->text(), QStringLiteral("Version 1.0.0"));
    QCOMPARE(box.lblTitle->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(box.size(), QSize(382, 266));
    QCOMPARE(box.picIcon->contentsRect().size(), QSize(67, 143));
    QCOMPARE(box.picIcon->toolTip(), QStringLiteral("Quorvane Software"));

    const std::vector<std::pair<QPushButton*, QString>> tips { { box.Command1, "Join our mailing list" },
        { box.Command2, "Visit Quorvane" }, { box.Command3, "Close this window" },
        { box.Command4, "Info about your computer" } };
    for (const auto& [button, tip] : tips) {
        QCOMPARE(button->toolTip(), tip);
        QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(button->text()));
        QVERIFY(!button->autoDefault());
    }
    QCOMPARE(box.Command1->text(), QStringLiteral("&Join the Quorvane mailing list"));
    QCOMPARE(box.Command3->text(), QStringLiteral("Clos&e"));
    for (QWidget* pointed : { (QWidget*)box.picIcon, (QWidget*)box.Command1, (QWidget*)box.Command2,
             (QWidget*)box.Image1, (QWidget*)box.Command3 })
        QCOMPARE(
            pointed->cursor().shape(), pointed == box.Command3 ? Qt::ArrowCursor : Qt::PointingHandCursor);
    for (QLabel* text : { box.lblTitle, box.lblVersion, box.lblDisclaimer, box.lblDescription })
        QVERIFY2(text->heightForWidth(text->width()) <= text->height()
                && text->sizeHint().height() <= text->height(),
            qPrintable(text->text()));

    if (const QString target = qEnvironmentVariable("TEXTMEND_ABOUT_PICTURE"); !target.isEmpty()) {
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QVERIFY(box.grab().save(target));
    }
}

void AboutBoxTest::clicks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("succeed");
    QTest::addColumn<QString>("asked"); // what the desktop was asked to open, or "run " and what it started
    QTest::addColumn<QString>("message");

    QTest::newRow("mailing list") << "Command1" << true << "https://www.example.com/mailing-list"
                                  << "";
    QTest::newRow("home page") << "Command2" << true << home << "";
    QTest::newRow("shell failure is not reported") << "picIcon" << false << home << "";
    QTest::newRow("icon starts the opener") << "Image1" << true << "run xdg-open " + home << "";
    QTest::newRow("opener not startable")
        << "Image1" << false << "run xdg-open " + home << "Could not open " + home;
    QTest::newRow("no system information tool") << "Command4" << true << ""
                                                << "System Information Is Unavailable At This Time";
    QTest::newRow("keys close nothing") << "" << true << ""
                                        << "";
}

void AboutBoxTest::clicks()
{
    QFETCH(QString, name);
    QFETCH(bool, succeed);
    QFETCH(QString, asked);
    QFETCH(QString, message);

#ifndef Q_OS_LINUX
    QSKIP("the opener differs on this platform");
#endif
    testing::FakeRegistry registry;
    sandbox->desktop.succeed = succeed;
    frmAbout box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    if (name.isEmpty()) {
        QTest::keyClick(&box, Qt::Key_Escape);
        QTest::keyClick(&box, Qt::Key_Return);
    } else {
        QTest::mouseClick(box.findChild<QWidget*>(name), Qt::LeftButton);
    }

    QStringList asks = sandbox->desktop.opened;
    for (const QString& started : sandbox->desktop.started)
        asks << "run " + started;
    QCOMPARE(asks, asked.isEmpty() ? QStringList() : QStringList { asked });
    QCOMPARE(sandbox->prompts.messages.size(), size_t(message.isEmpty() ? 0 : 1));
    if (!message.isEmpty()) {
        QCOMPARE(sandbox->prompts.messages[0].text, message);
        QCOMPARE(sandbox->prompts.messages[0].title, QStringLiteral("Textmend"));
    }
    QVERIFY(box.isVisible());
}

void AboutBoxTest::helpMenu()
{
    auto w = testing::openWindow(*sandbox);

    // About twice: one box, and the main window stays usable.
    w->mnuAbout->trigger();
    QPointer<frmAbout> first = w->aboutBox;
    w->mnuAbout->trigger();
    QCOMPARE(openBoxes(), QList<frmAbout*> { first.data() });
    QVERIFY(!QApplication::activeModalWidget());

    // Closed, it is gone; About makes a new one.
    first->Command3->click();
    QTRY_VERIFY(first.isNull());
    QVERIFY(openBoxes().isEmpty());
    w->mnuAbout->trigger();
    QPointer<frmAbout> second = w->aboutBox;
    QCOMPARE(openBoxes(), QList<frmAbout*> { second.data() });

    // Content: nothing at all while the page is missing, then the page beside the program.
    w->mnuContent->trigger();
    QVERIFY(sandbox->desktop.opened.isEmpty());
    const QString page = platform::joinPath(sandbox->programFolder(), "Textmend_Help.htm");
    QFile(page).open(QIODevice::WriteOnly);
    w->mnuContent->trigger();
    QCOMPARE(sandbox->desktop.opened, QStringList { page });
    QVERIFY(sandbox->prompts.messages.empty());

    // Closing the main window closes the about box.
    w->close();
    QVERIFY(openBoxes().isEmpty());
    w.reset();
    QVERIFY(second.isNull());
}

QTEST_MAIN(AboutBoxTest)
#include "tst_about_box.moc"
