#include "about/fakeregistry.h"
#include "about/sysinfo.h"
#include "support/windowtest.h"

#include <QtTest>

using about::KeyLookup;
using platform::Registry;

Q_DECLARE_METATYPE(KeyLookup)

namespace
{

const QString msinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString locationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QStringList unavailable { "Textmend: System Information Is Unavailable At This Time" };

QByteArray sz(const QByteArray& text)
{
    return text + '\0';
}

QByteArray dword(quint32 number)
{
    return QByteArray(reinterpret_cast<const char*>(&number), 4); // little-endian, as stored
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

    using enum KeyLookup;
    const QByteArray x1024(1024, 'x');
    const QString v = "Value";
    // clang-format off
    QTest::newRow("string loses its final zero") << v << 1u << sz("C:\\info.exe") << Read << "C:\\info.exe";
    QTest::newRow("only one final zero goes")
        << v << 1u << QByteArray("ab\0\0", 4) << Read << QString::fromLatin1("ab\0", 3);
    QTest::newRow("number 258, top byte zero") << v << 4u << dword(258) << Read << "&h000102";
    QTest::newRow("number upper-case, top byte 1st") << v << 4u << dword(0xABCDEF01) << Read << "&hABCDEF01";
    QTest::newRow("other type leaves the value alone") << v << 2u << sz("%windir%") << Read << "as passed";
    QTest::newRow("1024 bytes read whole") << v << 1u << x1024 << Read << QString(1024, 'x');
    QTest::newRow("1025 bytes fail") << v << 1u << sz(x1024) << Failed << "";
    QTest::newRow("zero bytes") << v << 1u << QByteArray() << Empty << "as passed";
    QTest::newRow("no such value") << "Other" << 1u << sz("x") << Failed << "";
    // clang-format on
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
    // A value "-" is absent; "<dir>" stands for a temporary folder in which `entry` is made first.
    QTest::addColumn<int>("firstType");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("startable"); // when not, or when nothing is started, the message shows
    QTest::addColumn<QString>("started");

    const QByteArray dir = sz("<dir>"), none = "-";
    const QString tool = "MSINFO32.EXE";
    // clang-format off
    QTest::newRow("first value started as read") << 1 << dir << dir << tool << true << "<dir>";
    QTest::newRow("first not startable, 2nd not tried") << 1 << sz("/no/tool") << dir << tool << false << "/no/tool";
    QTest::newRow("first value of another type") << 3 << sz("/bin/sh") << dir << tool << true << "";
    QTest::newRow("first value empty ends at once") << 1 << QByteArray() << dir << tool << true << "";
    QTest::newRow("second value with the tool") << 1 << none << dir << tool << true << "<dir>/" + tool;
    QTest::newRow("second value without the tool") << 1 << none << dir << "msinfo32.exe" << true << "";
    QTest::newRow("second value, a folder of that name") << 1 << none << dir << tool + "/" << true << "";
    QTest::newRow("second value, tool not startable") << 1 << none << dir << tool << false << "<dir>/" + tool;
    QTest::newRow("neither value") << 1 << none << none << tool << true << "";
    // clang-format on
}

void SysInfoTest::startSysInfo()
{
    QFETCH(int, firstType);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, entry);
    QFETCH(bool, startable);
    QFETCH(QString, started);

    testing::Sandbox sandbox;
    sandbox.desktop.succeed = startable;
    testing::makeEntries(sandbox, { entry }, "MZ");
    testing::FakeRegistry registry;
    const QByteArray dir = sandbox.workFolder().toLocal8Bit();
    if (first != "-")
        registry.set(msinfoKey, "PATH", firstType, first.replace("<dir>", dir));
    if (second != "-")
        registry.set(locationKey, "MSINFO", 1, second.replace("<dir>", dir));

    about::StartSysInfo();

    // A value found in the first place ends the search there, whatever came of it.
    QCOMPARE(registry.opened, QStringList({ msinfoKey, locationKey }).mid(0, first != "-" ? 1 : 2));
    QCOMPARE(registry.openHandles, 0);
    QCOMPARE(sandbox.desktop.started,
        started.isEmpty() ? QStringList() : QStringList { started.replace("<dir>", sandbox.workFolder()) });
    const bool told = started.isEmpty() || !startable;
    QCOMPARE(testing::shownMessages(sandbox), told ? unavailable : QStringList());
    if (told)
        QCOMPARE(sandbox.prompts.messages[0].icon, platform::Icon::None);
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
    QCOMPARE(testing::shownMessages(sandbox), unavailable);
#endif
}

QTEST_MAIN(SysInfoTest)
#include "tst_about_sysinfo.moc"
