#include "about/fakeregistry.h"
#include "about/sysinfo.h"
#include "support/sandbox.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using about::KeyLookup;
using platform::Registry;

Q_DECLARE_METATYPE(KeyLookup)

namespace
{

const QString msinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString locationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

QByteArray sz(const QByteArray& text)
{
    return text + '\0';
}

QByteArray dword(quint32 number)
{
    return QByteArray(reinterpret_cast<const char*>(&number), 4); // little-endian, as stored
}

void expectUnavailable(const testing::Sandbox& sandbox)
{
    QCOMPARE(sandbox.prompts.messages.size(), size_t(1));
    QCOMPARE(
        sandbox.prompts.messages[0].text, QStringLiteral("System Information Is Unavailable At This Time"));
    QCOMPARE(sandbox.prompts.messages[0].title, QStringLiteral("Textmend"));
    QCOMPARE(sandbox.prompts.messages[0].icon, platform::Icon::None);
}

} // namespace

class SysInfoTest : public QObject
{
    Q_OBJECT
private slots:
    void getKeyValue_data();
    void getKeyValue();
    void startSysInfo_data();
    void startSysInfo();
    void withoutRegistry();
};

void SysInfoTest::getKeyValue_data()
{
    QTest::addColumn<QString>("name"); // the value asked for; the key holds "Value" only
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<KeyLookup>("outcome");
    QTest::addColumn<QString>("value");

    QTest::newRow("string loses its terminating zero")
        << "Value" << 1u << sz("C:\\info.exe") << KeyLookup::Read << "C:\\info.exe";
    QTest::newRow("only one final zero goes")
        << "Value" << 1u << QByteArray("ab\0\0", 4) << KeyLookup::Read << QString::fromLatin1("ab\0", 3);
    QTest::newRow("number 258, top byte zero")
        << "Value" << 4u << dword(258) << KeyLookup::Read << "&h000102";
    QTest::newRow("number upper-case, high byte first")
        << "Value" << 4u << dword(0xABCDEF01) << KeyLookup::Read << "&hABCDEF01";
    QTest::newRow("other type leaves the value as passed")
        << "Value" << 2u << sz("%windir%") << KeyLookup::Read << "as passed";
    QTest::newRow("1024 bytes read whole")
        << "Value" << 1u << QByteArray(1024, 'x') << KeyLookup::Read << QString(1024, 'x');
    QTest::newRow("1025 bytes fail") << "Value" << 1u << sz(QByteArray(1024, 'x')) << KeyLookup::Failed << "";
    QTest::newRow("zero bytes") << "Value" << 1u << QByteArray() << KeyLookup::Empty << "as passed";
    QTest::newRow("no such value") << "Other" << 1u << sz("x") << KeyLookup::Failed << "";
}

void SysInfoTest::getKeyValue()
{
    QFETCH(QString, name);
    QFETCH(uint, type);
    QFETCH(QByteArray, data);
    QFETCH(KeyLookup, outcome);
    QFETCH(QString, value);

    testing::FakeRegistry registry;
    registry.set("SOFTWARE\\Some Key", "Value", type, data);
    QString keyVal = QStringLiteral("as passed");
    QCOMPARE(about::GetKeyValue(Registry::LocalMachine, "SOFTWARE\\Some Key", name, keyVal), outcome);
    QCOMPARE(keyVal, value);
    QCOMPARE(registry.accessAsked, std::vector<std::uint32_t> { 0x2003F });
    QCOMPARE(registry.openHandles, 0);

    keyVal = QStringLiteral("stale");
    QCOMPARE(about::GetKeyValue(Registry::LocalMachine, "SOFTWARE\\No Key", name, keyVal), KeyLookup::Failed);
    QCOMPARE(keyVal, QString());
}

void SysInfoTest::startSysInfo_data()
{
    // A value "-" is absent; "<dir>" stands for a temporary folder in which `file` is made first.
    QTest::addColumn<int>("firstType");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("startable");
    QTest::addColumn<QString>("started"); // "" when the message must show

    const QByteArray dir = sz("<dir>");
    QTest::newRow("first value started as read, nothing appended")
        << 1 << dir << dir << "MSINFO32.EXE" << true << "<dir>";
    QTest::newRow("first value not startable, second not tried")
        << 1 << sz("/no/tool") << dir << "MSINFO32.EXE" << false << "";
    QTest::newRow("first value of another type") << 3 << sz("/bin/sh") << dir << "MSINFO32.EXE" << true << "";
    QTest::newRow("first value empty ends at once")
        << 1 << QByteArray() << dir << "MSINFO32.EXE" << true << "";
    QTest::newRow("second value with the tool")
        << 1 << QByteArray("-") << dir << "MSINFO32.EXE" << true << "<dir>/MSINFO32.EXE";
    QTest::newRow("second value without the tool")
        << 1 << QByteArray("-") << dir << "msinfo32.exe" << true << "";
    QTest::newRow("second value names a folder of the tool's name")
        << 1 << QByteArray("-") << dir << "MSINFO32.EXE/" << true << "";
    QTest::newRow("second value, tool not startable")
        << 1 << QByteArray("-") << dir << "MSINFO32.EXE" << false << "";
    QTest::newRow("neither value") << 1 << QByteArray("-") << QByteArray("-") << "" << true << "";
}

void SysInfoTest::startSysInfo()
{
    QFETCH(int, firstType);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, file);
    QFETCH(bool, startable);
    QFETCH(QString, started);

    testing::Sandbox sandbox;
    sandbox.desktop.succeed = startable;
    const QString dir = sandbox.workFolder();
    if (file.endsWith('/'))
        QDir(dir).mkpath(file);
    else if (!file.isEmpty())
        sandbox.writeFile(file, "MZ");
    testing::FakeRegistry registry;
    const QByteArray dirBytes = dir.toLocal8Bit();
    if (first != "-")
        registry.set(msinfoKey, "PATH", firstType, first.replace("<dir>", dirBytes));
    if (second != "-")
        registry.set(locationKey, "MSINFO", 1, second.replace("<dir>", dirBytes));

    about::StartSysInfo();

    // A value found in the first place ends the search there, whatever came of it.
    const QStringList keysOpened =
        first != "-" ? QStringList { msinfoKey } : QStringList { msinfoKey, locationKey };
    QCOMPARE(registry.opened, keysOpened);
    QCOMPARE(registry.openHandles, 0);
    if (started.isEmpty()) {
        expectUnavailable(sandbox);
    } else {
        QCOMPARE(sandbox.desktop.started, QStringList { started.replace("<dir>", dir) });
        QVERIFY(sandbox.prompts.messages.empty());
    }
}

// Without a registry of its own, the machine answers the first lookup with a system information
// program on PATH, and never the second.
void SysInfoTest::withoutRegistry()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has a registry");
#else
    testing::Sandbox sandbox;
    const QByteArray oldPath = qgetenv("PATH");
    const QString tool = sandbox.writeFile("hardinfo", "#!/bin/sh\n");
    QFile(tool).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(sandbox.workFolder()));
    about::StartSysInfo();
    QString keyVal;
    const KeyLookup second = about::GetKeyValue(Registry::LocalMachine, locationKey, "MSINFO", keyVal);
    QFile::remove(tool);
    about::StartSysInfo();
    qputenv("PATH", oldPath);

    QCOMPARE(sandbox.desktop.started, QStringList { tool });
    QCOMPARE(second, KeyLookup::Failed);
    expectUnavailable(sandbox);
#endif
}

QTEST_MAIN(SysInfoTest)
#include "tst_about_sysinfo.moc"
