#include "about/fakeregistry.h"
#include "about/sysinfo.h"
#include "support/sandbox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using about::KeyLookup;
using platform::Registry;

Q_DECLARE_METATYPE(KeyLookup)

namespace
{

const QString msinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString locationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString unavailable = QStringLiteral("System Information Is Unavailable At This Time");

QByteArray sz(const QByteArray& text)
{
    return text + '\0';
}

QByteArray dword(quint32 number)
{
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes += char((number >> (8 * i)) & 0xFF);
    return bytes;
}

} // namespace

class SysInfoTest : public QObject
{
    Q_OBJECT
private slots:
    void getKeyValue_data();
    void getKeyValue();
    void getKeyValueMissing_data();
    void getKeyValueMissing();
    void startSysInfo_data();
    void startSysInfo();
    void desktopStore();
};

void SysInfoTest::getKeyValue_data()
{
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<KeyLookup>("outcome");
    QTest::addColumn<QString>("value");

    QTest::newRow("string loses its terminating zero")
        << 1u << sz("C:\\Tools\\info.exe") << KeyLookup::Read << "C:\\Tools\\info.exe";
    QTest::newRow("string without a terminating zero is kept whole")
        << 1u << QByteArray("abc") << KeyLookup::Read << "abc";
    QTest::newRow("only one final zero goes")
        << 1u << QByteArray("ab\0\0", 4) << KeyLookup::Read << QString::fromLatin1("ab\0", 3);
    QTest::newRow("a lone zero byte is an empty string")
        << 1u << QByteArray(1, '\0') << KeyLookup::Read << "";
    QTest::newRow("number 258, top byte zero") << 4u << dword(258) << KeyLookup::Read << "&h000102";
    QTest::newRow("number, most significant byte first")
        << 4u << dword(0x12345678) << KeyLookup::Read << "&h12345678";
    QTest::newRow("number in upper-case hex") << 4u << dword(0xABCDEF01) << KeyLookup::Read << "&hABCDEF01";
    QTest::newRow("number zero") << 4u << dword(0) << KeyLookup::Read << "&h000000";
    QTest::newRow("other type found, value left as passed")
        << 3u << QByteArray("\x01\x02", 2) << KeyLookup::Read << "as passed";
    QTest::newRow("expandable string is another type")
        << 2u << sz("%windir%") << KeyLookup::Read << "as passed";
    QTest::newRow("1024 bytes read whole")
        << 1u << QByteArray(1024, 'x') << KeyLookup::Read << QString(1024, QLatin1Char('x'));
    QTest::newRow("1024 bytes with the zero")
        << 1u << sz(QByteArray(1023, 'y')) << KeyLookup::Read << QString(1023, QLatin1Char('y'));
    QTest::newRow("1025 bytes fail") << 1u << sz(QByteArray(1024, 'x')) << KeyLookup::Failed << "";
    QTest::newRow("zero bytes cannot be read") << 1u << QByteArray() << KeyLookup::Empty << "as passed";
}

void SysInfoTest::getKeyValue()
{
    QFETCH(uint, type);
    QFETCH(QByteArray, data);
    QFETCH(KeyLookup, outcome);
    QFETCH(QString, value);

    testing::FakeRegistry registry;
    registry.set("SOFTWARE\\Some Key", "Value", type, data);
    QString keyVal = QStringLiteral("as passed");
    QCOMPARE(about::GetKeyValue(Registry::LocalMachine, "SOFTWARE\\Some Key", "Value", keyVal), outcome);
    QCOMPARE(keyVal, value);
    QCOMPARE(registry.openHandles, 0);
    QCOMPARE(registry.accessAsked, std::vector<std::uint32_t> { 0x2003F });
}

void SysInfoTest::getKeyValueMissing_data()
{
    QTest::addColumn<uint>("root");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");

    QTest::newRow("no such key") << uint(Registry::LocalMachine) << "SOFTWARE\\Elsewhere"
                                 << "Value";
    QTest::newRow("no such value") << uint(Registry::LocalMachine) << "SOFTWARE\\Some Key"
                                   << "Other";
    QTest::newRow("another root") << 0x80000001u << "SOFTWARE\\Some Key"
                                  << "Value";
}

void SysInfoTest::getKeyValueMissing()
{
    QFETCH(uint, root);
    QFETCH(QString, key);
    QFETCH(QString, name);

    testing::FakeRegistry registry;
    registry.set("SOFTWARE\\Some Key", "Value", 1, sz("found"));
    QString keyVal = QStringLiteral("stale");
    QCOMPARE(about::GetKeyValue(root, key, name, keyVal), KeyLookup::Failed);
    QCOMPARE(keyVal, QString());
    QCOMPARE(registry.openHandles, 0);
}

void SysInfoTest::startSysInfo_data()
{
    // "<folder>" in a value stands for a temporary folder; `file` is made in it first ("" for none).
    QTest::addColumn<int>("firstType");
    QTest::addColumn<QByteArray>("first"); // "-" for no value
    QTest::addColumn<int>("secondType");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("startable");
    QTest::addColumn<QString>("started");
    QTest::addColumn<QStringList>("keysOpened");

    const QStringList both { msinfoKey, locationKey };
    const QStringList firstOnly { msinfoKey };

    QTest::newRow("first value started as read")
        << 1 << sz("C:\\Tools\\msinfo32.exe") << 1 << sz("<folder>") << "MSINFO32.EXE" << true
        << "C:\\Tools\\msinfo32.exe" << firstOnly;
    QTest::newRow("first value names a folder: nothing appended, not tested")
        << 1 << sz("<folder>") << 0 << QByteArray("-") << "" << true << "<folder>" << firstOnly;
    QTest::newRow("first value not startable, second not tried")
        << 1 << sz("/no/such/tool") << 1 << sz("<folder>") << "MSINFO32.EXE" << false << "" << firstOnly;
    QTest::newRow("first value of another type starts nothing")
        << 3 << sz("C:\\Tools\\msinfo32.exe") << 1 << sz("<folder>") << "MSINFO32.EXE" << true << ""
        << firstOnly;
    QTest::newRow("first value empty ends at once")
        << 1 << QByteArray() << 1 << sz("<folder>") << "MSINFO32.EXE" << true << "" << firstOnly;
    QTest::newRow("first value too long, second used")
        << 1 << QByteArray(1025, 'x') << 1 << sz("<folder>") << "MSINFO32.EXE" << true
        << "<folder>/MSINFO32.EXE" << both;
    QTest::newRow("second value with the tool in its folder")
        << 0 << QByteArray("-") << 1 << sz("<folder>") << "MSINFO32.EXE" << true << "<folder>/MSINFO32.EXE"
        << both;
    QTest::newRow("second value without the tool")
        << 0 << QByteArray("-") << 1 << sz("<folder>") << "" << true << "" << both;
    QTest::newRow("second value: name must match exactly")
        << 0 << QByteArray("-") << 1 << sz("<folder>") << "msinfo32.exe" << true << "" << both;
    QTest::newRow("second value: a folder named like the tool")
        << 0 << QByteArray("-") << 1 << sz("<folder>") << "MSINFO32.EXE/" << true << "" << both;
    QTest::newRow("second value: tool there but not startable")
        << 0 << QByteArray("-") << 1 << sz("<folder>") << "MSINFO32.EXE" << false << "" << both;
    QTest::newRow("second value empty")
        << 0 << QByteArray("-") << 1 << QByteArray() << "MSINFO32.EXE" << true << "" << both;
    QTest::newRow("second value a number")
        << 0 << QByteArray("-") << 4 << dword(7) << "" << true << "" << both;
    QTest::newRow("neither value") << 0 << QByteArray("-") << 0 << QByteArray("-") << "" << true << ""
                                   << both;
}

void SysInfoTest::startSysInfo()
{
    QFETCH(int, firstType);
    QFETCH(QByteArray, first);
    QFETCH(int, secondType);
    QFETCH(QByteArray, second);
    QFETCH(QString, file);
    QFETCH(bool, startable);
    QFETCH(QString, started);
    QFETCH(QStringList, keysOpened);

    testing::Sandbox sandbox;
    sandbox.desktop.succeed = startable;
    const QString folder = sandbox.workFolder();
    if (file.endsWith('/'))
        QVERIFY(QDir(folder).mkpath(file));
    else if (!file.isEmpty())
        sandbox.writeFile(file, "MZ");

    testing::FakeRegistry registry;
    registry.addKey(msinfoKey);
    registry.addKey(locationKey);
    const QByteArray folderBytes = folder.toLocal8Bit();
    if (first != "-")
        registry.set(msinfoKey, "PATH", firstType, QByteArray(first).replace("<folder>", folderBytes));
    if (second != "-")
        registry.set(locationKey, "MSINFO", secondType, QByteArray(second).replace("<folder>", folderBytes));

    about::StartSysInfo();

    started.replace("<folder>", folder);
    const bool shouldStart = !started.isEmpty() && startable;
    if (shouldStart) {
        QCOMPARE(sandbox.desktop.started, QStringList { started });
        QVERIFY(sandbox.prompts.messages.empty());
    } else {
        QCOMPARE(sandbox.prompts.messages.size(), size_t(1));
        QCOMPARE(sandbox.prompts.messages[0].text, unavailable);
        QCOMPARE(sandbox.prompts.messages[0].title, QStringLiteral("Textmend"));
        QCOMPARE(sandbox.prompts.messages[0].icon, platform::Icon::None);
    }
    if (!startable && !started.isEmpty())
        QCOMPARE(sandbox.desktop.started, QStringList { started });
    QVERIFY(sandbox.desktop.opened.isEmpty());
    QCOMPARE(registry.opened, keysOpened);
    QCOMPARE(registry.openHandles, 0);
}

// Without a registry the first lookup finds a system information program on PATH.
void SysInfoTest::desktopStore()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has a registry of its own");
#else
    testing::Sandbox sandbox;
    const QByteArray oldPath = qgetenv("PATH");
    const QString bin = sandbox.workFolder();
    const QString tool = sandbox.writeFile("hardinfo", "#!/bin/sh\n");
    QFile(tool).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    qputenv("PATH", QFile::encodeName(bin));
    about::StartSysInfo();
    QCOMPARE(sandbox.desktop.started, QStringList { tool });
    QVERIFY(sandbox.prompts.messages.empty());

    QString keyVal = QStringLiteral("as passed");
    QCOMPARE(about::GetKeyValue(Registry::LocalMachine, locationKey, "MSINFO", keyVal), KeyLookup::Failed);
    QCOMPARE(keyVal, QString());

    // The key's name is not case-sensitive; the value is read only under the right root.
    QCOMPARE(
        about::GetKeyValue(Registry::LocalMachine, msinfoKey.toLower(), "PATH", keyVal), KeyLookup::Read);
    QCOMPARE(keyVal, tool);
    QCOMPARE(about::GetKeyValue(0x80000001u, msinfoKey, "PATH", keyVal), KeyLookup::Failed);

    QFile::remove(tool);
    qputenv("PATH", QFile::encodeName(bin));
    about::StartSysInfo();
    qputenv("PATH", oldPath);
    QCOMPARE(sandbox.desktop.started.size(), 1);
    QCOMPARE(sandbox.prompts.messages.size(), size_t(1));
    QCOMPARE(sandbox.prompts.messages[0].text, unavailable);
#endif
}

QTEST_MAIN(SysInfoTest)
#include "tst_about_sysinfo.moc"
