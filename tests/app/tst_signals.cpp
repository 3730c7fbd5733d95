#include "app/mainwindow.h"
#include "backupdir/browseme.h"
#include "platform/checklist.h"
#include "platform/folderlist.h"
#include "platform/label.h"
#include "support/sandbox.h"
#include "termination/termination.h"

#include <csignal>
#include <cstdio>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QtTest>

// The window runs in a child process, as this program started with "child <scenario> <folder>": it
// holds still at the scenario's moment, says where, and goes on once a close signal waits.
namespace child
{

constexpr int fileCount = 40;

void holdUntilSignalled(const QString& where)
{
    std::printf("held at %s\n", qPrintable(where));
    std::fflush(stdout);
    const QDeadlineTimer deadline(30000);
    while (!termination::pendingCloseSignal() && !deadline.hasExpired())
        QThread::msleep(1);
}

int run(const QString& scenario, const QString& folder)
{
    termination::blockCloseSignals();
    int argc = 1;
    char name[] = "textmend";
    char* argv[] = { name, nullptr };
    QApplication app(argc, argv);
    QApplication::setApplicationName("Textmend");
    QApplication::setOrganizationName("Textmend");
    testing::ScriptedPrompts scripted;
    MainWindow w;
    w.start();

    w.chkAll->setChecked(true);
    w.Findme->setPlainText(scenario == "message box" ? "" : "cat");
    w.Replaceme->setPlainText("dog");
    w.chkBackup->setChecked(scenario == "copies" || scenario == "chooser");
    if (scenario == "copies") {
        platform::setPrompts(&scripted);
        scripted.onModal([folder](QDialog& dialog) {
            auto& chooser = static_cast<BrowseMe&>(dialog);
            chooser.Dir1->setPath(folder + "/backup");
            chooser.Command1->click();
        });
    }
    // Holds the first time the scenario's moment has come: a box is open, or the status line tells of
    // the copies or of a file.
    const bool box = scenario == "chooser" || scenario == "message box";
    const QString status = scenario == "copies" ? "Backing up" : "Processing ";
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (box ? QApplication::activeModalWidget() != nullptr : w.lblScan->Caption().startsWith(status)) {
            watch.stop();
            holdUntilSignalled(box ? QApplication::activeModalWidget()->windowTitle() : w.lblScan->Caption());
        }
    });
    watch.start(0);
    QTimer::singleShot(0, w.Command1, &QPushButton::click);
    return app.exec();
}

} // namespace child

class SignalsTest : public QObject
{
    Q_OBJECT
private slots:
    void closeRequest_data();
    void closeRequest();
};

void SignalsTest::closeRequest_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QList<int>>("sent");
    QTest::addColumn<bool>("changesBefore"); // the files before the one in hand are changed
    QTest::newRow("idle window, the program itself") << "" << QList<int> { SIGTERM } << false;
    QTest::newRow("during a run") << "run" << QList<int> { SIGTERM } << true;
    QTest::newRow("two in a row") << "run" << QList<int> { SIGINT, SIGTERM } << true;
    QTest::newRow("during the backup copies") << "copies" << QList<int> { SIGHUP } << false;
    QTest::newRow("backup chooser open") << "chooser" << QList<int> { SIGINT } << false;
    QTest::newRow("message box open") << "message box" << QList<int> { SIGTERM, SIGTERM } << false;
}

// Ctrl+C, kill or a closed terminal closes the window as "&Close" does: its choices are saved and the
// program ends by itself. A run finishes the file in hand and visits no other; during the backup
// copies, no file changes.
void SignalsTest::closeRequest()
{
    QFETCH(QString, scenario);
    QFETCH(QList<int>, sent);
    QFETCH(bool, changesBefore);

    QTemporaryDir root;
    const QString work = root.filePath("work");
    QDir().mkpath(work + "/backup");
    const QByteArray before = QByteArray("cat ").repeated(20000);
    QStringList names;
    for (int i = 0; i < child::fileCount; ++i) {
        names << QString::asprintf("f%02d.txt", i);
        QFile file(work + '/' + names.last());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
    }
    const QString settingsFile = root.filePath("config/Textmend/Textmend.conf");
    QSettings(settingsFile, QSettings::IniFormat).setValue("Presets/Dir1", work);
    QSettings(settingsFile, QSettings::IniFormat).setValue("Presets/combo1", "-1");

    QProcess window;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", root.filePath("config"));
    environment.insert("XDG_DATA_HOME", root.filePath("data"));
    window.setProcessEnvironment(environment);
    window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (scenario.isEmpty())
        window.start(TEXTMEND_PROGRAM, {});
    else
        window.start(QCoreApplication::applicationFilePath(), { "child", scenario, work });
    QVERIFY(window.waitForStarted());

    QString heldAt;
    if (scenario.isEmpty()) {
        // The program blocks the signals first thing; sent before, they would end it at once.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QFile status(QStringLiteral("/proc/%1/status").arg(window.processId()));
                if (!status.open(QIODevice::ReadOnly))
                    return false;
                for (const QByteArray& line : status.readAll().split('\n')) {
                    if (line.startsWith("SigBlk:"))
                        return (line.mid(7).trimmed().toULongLong(nullptr, 16) & 0x4003) == 0x4003;
                }
                return false;
            }(),
            20000);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(window.canReadLine() || window.state() == QProcess::NotRunning, 30000);
        heldAt = QString::fromUtf8(window.readLine()).trimmed();
        QVERIFY2(heldAt.startsWith("held at "), qPrintable(heldAt));
    }
    for (const int signalNumber : sent)
        QCOMPARE(::kill(window.processId(), signalNumber), 0);
    QVERIFY(window.waitForFinished(20000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), 0);
    QVERIFY(QSettings(settingsFile, QSettings::IniFormat).contains("Presets/WinState"));

    // The files up to the one in hand are changed whole, the others not at all.
    const QByteArray after = QByteArray("dog ").repeated(20000);
    const int inHand = names.indexOf(heldAt.section(' ', -1));
    QCOMPARE(inHand >= 0, changesBefore);
    for (int i = 0; i < names.size(); ++i) {
        QFile file(work + '/' + names[i]);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.readAll() == (i <= inHand ? after : before), qPrintable(names[i]));
    }
    const qsizetype copies = QDir(work + "/backup").entryList(QDir::Files).size();
    QVERIFY2(copies < (scenario == "copies" ? child::fileCount : 1), qPrintable(QString::number(copies)));
}

int main(int argc, char* argv[])
{
    if (argc == 4 && QByteArray(argv[1]) == "child")
        return child::run(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QCoreApplication app(argc, argv);
    SignalsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_signals.moc"
