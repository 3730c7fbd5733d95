// The windows under a real window manager (openbox on a virtual display, see
// support/with-window-manager.sh): maximizing and restoring, and centring with the frame counted.

#include "about/about.h"
#include "about/frmabout.h"
#include "support/windowtest.h"

#include <functional>
#include <QAction>
#include <QProcess>
#include <QScreen>
#include <QtTest>
#include <QWindow>

namespace
{

constexpr int wait = 10000; // ms for the window manager to answer

// How far the centre of the window's frame, title bar included, stands from the centre of the
// screen's free area.
QPoint offCentre(const QWidget& window)
{
    return window.windowHandle()->frameGeometry().center() - window.screen()->availableGeometry().center();
}

bool centred(const QWidget& window)
{
    return offCentre(window).manhattanLength() <= 1;
}

// Double-clicks the middle of the window's title bar with the real pointer, as a user maximizes or
// restores a window in openbox, until the window manager has done what `done` says. A busy machine
// can stretch the two clicks past the window manager's double-click time, so a few attempts are made.
bool doubleClickTitleBar(const QWidget& window, const std::function<bool()>& done)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QRect frame = window.windowHandle()->frameGeometry();
        const QPoint title(frame.center().x(), frame.top() + window.windowHandle()->frameMargins().top() / 2);
        const QStringList click { "mousemove", "--sync", QString::number(title.x()),
            QString::number(title.y()), "click", "--repeat", "2", "--delay", "80", "1" };
        if (QProcess::execute("xdotool", click) != 0)
            return false;
        if (QTest::qWaitFor(done, 5000))
            return true;
    }
    return false;
}

} // namespace

class WindowManagerTest : public QObject
{
    Q_OBJECT
private slots:
    void maximizeAndRestore_data();
    void maximizeAndRestore();
    void aboutBoxCentred();
};

void WindowManagerTest::maximizeAndRestore_data()
{
    QTest::addColumn<QString>("stored"); // the window state the last run left
    QTest::addColumn<bool>("byTitleBar"); // the user maximizes and restores, not the program
    QTest::newRow("normal start, title bar") << "0" << true;
    QTest::newRow("normal start, window state") << "0" << false;
    QTest::newRow("maximized start") << "2" << false;
    QTest::newRow("minimized start") << "1" << false;
}

void WindowManagerTest::maximizeAndRestore()
{
    QFETCH(QString, stored);
    QFETCH(bool, byTitleBar);
    testing::Sandbox box;
    box.setSetting("WinState", stored);
    box.setSetting("Dir1", box.workFolder());
    MainWindow w;
    w.start();
    const QSize normal(605, 453);
    const QRect screen = w.screen()->availableGeometry();

    if (stored == "0") {
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY2_WITH_TIMEOUT(
            !w.windowHandle()->frameMargins().isNull(), "no frame: no window manager?", wait);
        QTRY_VERIFY_WITH_TIMEOUT(centred(w), wait);
        QCOMPARE(w.centralWidget()->size(), normal);
        if (byTitleBar)
            QVERIFY(doubleClickTitleBar(w, [&] {
                return w.windowHandle()->frameGeometry() == screen;
            }));
        else
            w.setWindowState(2);
    }
    if (stored != "1") {
        QTRY_COMPARE_WITH_TIMEOUT(w.windowHandle()->frameGeometry(), screen, wait);
        QCOMPARE(w.WindowState(), 2);
        // The layout follows the maximized client area.
        const QSize client = w.centralWidget()->size();
        QVERIFY(client.width() > normal.width() && client.height() > normal.height());
        QTRY_COMPARE(w.arrangement()[layout::Findme].width, client.width() * layout::twipsPerPixel - 5730);
        QCOMPARE(w.cmdClose->geometry().right() + 1,
            client.width() - layout::toPixels(1100) + layout::toPixels(975));
        if (byTitleBar)
            QVERIFY(doubleClickTitleBar(w, [&] {
                return w.centralWidget()->size() == normal;
            }));
        else
            w.setWindowState(0);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(w.windowHandle()->isVisible(), wait);
        QCOMPARE(w.WindowState(), 1);
        w.setWindowState(0);
    }

    // Back at the normal size, centred with its frame, whatever state it started in.
    QTRY_COMPARE_WITH_TIMEOUT(w.centralWidget()->size(), normal, wait);
    QCOMPARE(w.WindowState(), 0);
    QTRY_VERIFY2_WITH_TIMEOUT(centred(w),
        qPrintable(QString("%1, %2 off centre").arg(offCentre(w).x()).arg(offCentre(w).y())), wait);
    QCOMPARE(w.arrangement()[layout::Findme].width, 3345);
    w.close();
}

void WindowManagerTest::aboutBoxCentred()
{
    testing::Sandbox box;
    box.setSetting("Dir1", box.workFolder());
    MainWindow w;
    w.start();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    about::mnuAbout_Click(w);
    QVERIFY(QTest::qWaitForWindowExposed(w.aboutBox));
    QTRY_VERIFY_WITH_TIMEOUT(!w.aboutBox->windowHandle()->frameMargins().isNull(), wait);
    QTRY_VERIFY2_WITH_TIMEOUT(centred(*w.aboutBox),
        qPrintable(
            QString("%1, %2 off centre").arg(offCentre(*w.aboutBox).x()).arg(offCentre(*w.aboutBox).y())),
        wait);
    w.close();
}

QTEST_MAIN(WindowManagerTest)
#include "tst_wm_window.moc"
