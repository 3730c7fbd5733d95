#include "about/about.h"
#include "about/frmabout.h"
#include "fileops/files.h"
#include "support/windowtest.h"

#include <algorithm>
#include <cmath>
#include <optional>
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
    void textColours_data();
    void textColours();
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
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key"); // pressed with the focus on `name`; none: a mouse click
    QTest::addColumn<bool>("succeed");
    QTest::addColumn<QStringList>("seen"); // what the desktop opened, "run " what it started, then messages

    const QString home = "https://www.example.com/", run = "run xdg-open " + home;
    // clang-format off
    QTest::newRow("mailing list") << "Command1" << 0 << true << QStringList { home + "mailing-list" };
    QTest::newRow("home page") << "Command2" << 0 << true << QStringList { home };
    QTest::newRow("shell failure is not reported") << "picIcon" << 0 << false << QStringList { home };
    QTest::newRow("icon starts the opener") << "Image1" << 0 << true << QStringList { run };
    QTest::newRow("opener not startable")
        << "Image1" << 0 << false << QStringList { run, "Textmend: Could not open " + home };
    QTest::newRow("Enter on a focused button") << "Command2" << int(Qt::Key_Return) << true << QStringList { home };
    QTest::newRow("keypad Enter") << "Command1" << int(Qt::Key_Enter) << true << QStringList { home + "mailing-list" };
    QTest::newRow("Space on a focused button") << "Command2" << int(Qt::Key_Space) << true << QStringList { home };
    QTest::newRow("Enter on the logo") << "picIcon" << int(Qt::Key_Return) << true << QStringList {};
    QTest::newRow("Escape on Close") << "Command3" << int(Qt::Key_Escape) << true << QStringList {};
    // clang-format on
}

void AboutBoxTest::clicks()
{
    QFETCH(QString, name);
    QFETCH(int, key);
    QFETCH(bool, succeed);
    QFETCH(QStringList, seen);

#ifndef Q_OS_LINUX
    QSKIP("the opener differs on this platform");
#endif
    testing::Sandbox sandbox;
    sandbox.desktop.succeed = succeed;
    frmAbout box;
    box.show();
    QApplication::setActiveWindow(&box);
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QWidget* control = box.findChild<QWidget*>(name);
    if (key) {
        control->setFocus();
        QTest::keyClick(control, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    } else {
        QTest::mouseClick(control, Qt::LeftButton);
    }

    QStringList asks = sandbox.desktop.opened;
    for (const QString& started : sandbox.desktop.started)
        asks << "run " + started;
    QCOMPARE(asks + testing::shownMessages(sandbox), seen);
    QVERIFY(box.isVisible());
}

void AboutBoxTest::textColours_data()
{
    QTest::addColumn<QColor>("window");
    QTest::addColumn<bool>("whileOpen"); // the palette changes while the box is open
    QTest::newRow("light") << QColor(239, 239, 239) << false;
    QTest::newRow("dark") << QColor(53, 53, 53) << false;
    QTest::newRow("black") << QColor(Qt::black) << false;
    QTest::newRow("turns dark while open") << QColor(30, 30, 46) << true;
}

// The headings are pure blue and the frames' texts black wherever that reads at 4.5:1 or better; on a
// dark window they take a blue and a grey that do.
void AboutBoxTest::textColours()
{
    QFETCH(QColor, window);
    QFETCH(bool, whileOpen);
    const auto contrast = [](const QColor& a, const QColor& b) {
        const auto luminance = [](const QColor& c) {
            const auto linear = [](double v) {
                return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
        };
        const auto [dark, light] = std::minmax({ luminance(a), luminance(b) });
        return (light + 0.05) / (dark + 0.05);
    };
    const QPalette original = QApplication::palette();
    const auto restore = qScopeGuard([&original] {
        QApplication::setPalette(original);
    });
    QPalette palette = original;
    palette.setColor(QPalette::Window, window);
    std::optional<frmAbout> box;
    if (whileOpen)
        box.emplace();
    QApplication::setPalette(palette);
    if (whileOpen)
        QCoreApplication::processEvents(); // the box hears of the change through its event queue
    else
        box.emplace();

    const QColor blue(0, 0, 255), title = box->lblTitle->palette().color(QPalette::WindowText);
    QCOMPARE(box->lblVersion->palette().color(QPalette::WindowText), title);
    if (contrast(blue, window) >= 4.5)
        QCOMPARE(title, blue);
    else
        QVERIFY2(contrast(title, window) >= 4.5 && title.blue() == 255 && title.red() < 255,
            qPrintable(title.name()));
    const QColor text = box->lblDescription->palette().color(QPalette::WindowText);
    QVERIFY(text == QColor(Qt::black) || contrast(Qt::black, window) < 4.5);
    QVERIFY2(contrast(text, window) >= 4.5, qPrintable(text.name()));
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
