#include "about/fakeregistry.h"
#include "about/sysinfo.h"
#include "support/windowtest.h"

#include <QtTest>

using about::KeyLookup;
using platform::Registry;

namespace
{

const QString msinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString locationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QStringList unavailable { "Textmend: System Information Is Unavailable At This Time" };
const QByteArray z(1, '\0'); // a string value's final zero

QByteArray dword(quint32 number)
{
    return QByteArray(reinterpret_cast<const char*>(&number), 4); // little-endian, as stored
}

// The key holds "Value" only; `name` is the value asked for.
struct Lookup {
    QString name;
    uint type;
    QByteArray data;
    KeyLookup outcome;
    QString value;
};

// A value "-" is absent; "<dir>" stands for a temporary folder in which `entry` is made first. When the
// tool is not `startable`, or when nothing is started, the message shows.
struct Start {
    std::uint32_t firstType;
    QByteArray first, second;
    QString entry;
    bool startable;
    QString started;
};

} // namespace

Q_DECLARE_METATYPE(Lookup)
Q_DECLARE_METATYPE(Start)

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
    QTest::addColumn<Lookup>("l");
    using enum KeyLookup;
    const QByteArray x1024(1024, 'x');
    const QString v = "Value";
    // clang-format off
    QTest::newRow("string loses its final zero") << Lookup { v, 1, "C:\\info.exe" + z, Read, "C:\\info.exe" };
    QTest::newRow("only one final zero goes") << Lookup { v, 1, "ab" + z + z, Read, QString::fromLatin1("ab\0", 3) };
    QTest::newRow("number 258, top byte zero") << Lookup { v, 4, dword(258), Read, "&h000102" };
    QTest::newRow("number upper-case, top byte 1st") << Lookup { v, 4, dword(0xABCDEF01), Read, "&hABCDEF01" };
    QTest::newRow("other type leaves the value alone") << Lookup { v, 2, "%windir%" + z, Read, "as passed" };
    QTest::newRow("1024 bytes read whole") << Lookup { v, 1, x1024, Read, QString(1024, 'x') };
    QTest::newRow("1025 bytes fail") << Lookup { v, 1, x1024 + z, Failed, "" };
    QTest::newRow("zero bytes") << Lookup { v, 1, {}, Empty, "as passed" };
    QTest::newRow("no such value") << Lookup { "Other", 1, "x" + z, Failed, "" };
    // clang-format on
}

void SysInfoTest::getKeyValue()
{
    QFETCH(Lookup, l);
    testing::FakeRegistry registry;
    registry.keys["SOFTWARE\\Some Key"]["Value"] = { l.type, l.data };
    QString keyVal = QStringLiteral("as passed");
    QCOMPARE(about::GetKeyValue(Registry::LocalMachine, "SOFTWARE\\Some Key", l.name, keyVal), l.outcome);
    QCOMPARE(keyVal, l.value);
    QCOMPARE(registry.accessAsked, std::vector<std::uint32_t> { 0x2003F });
    QCOMPARE(registry.openHandles, 0);

    keyVal = QStringLiteral("stale");
    QCOMPARE(
        about::GetKeyValue(Registry::LocalMachine, "SOFTWARE\\No Key", l.name, keyVal), KeyLookup::Failed);
    QCOMPARE(keyVal, QString());
}

void SysInfoTest::startSysInfo_data()
{
    QTest::addColumn<Start>("s");
    const QByteArray dir = "<dir>" + z, none = "-";
    const QString tool = "MSINFO32.EXE";
    // clang-format off
    QTest::newRow("first value started as read") << Start { 1, dir, dir, tool, true, "<dir>" };
    QTest::newRow("first not startable, 2nd not tried") << Start { 1, "/no/tool" + z, dir, tool, false, "/no/tool" };
    QTest::newRow("first value of another type") << Start { 3, "/bin/sh" + z, dir, tool, true, "" };
    QTest::newRow("first value empty ends at once") << Start { 1, {}, dir, tool, true, "" };
    QTest::newRow("second value with the tool") << Start { 1, none, dir, tool, true, "<dir>/" + tool };
    QTest::newRow("second value without the tool") << Start { 1, none, dir, "msinfo32.exe", true, "" };
    QTest::newRow("second value, a folder of that name") << Start { 1, none, dir, tool + "/", true, "" };
    QTest::newRow("second value, tool not startable") << Start { 1, none, dir, tool, false, "<dir>/" + tool };
    QTest::newRow("neither value") << Start { 1, none, none, tool, true, "" };
    // clang-format on
}

void SysInfoTest::startSysInfo()
{
    QFETCH(Start, s);
    testing::Sandbox sandbox;
    sandbox.desktop.succeed = s.startable;
    testing::makeEntries(sandbox, { s.entry }, "MZ");
    testing::FakeRegistry registry;
    const QByteArray dir = sandbox.workFolder().toLocal8Bit();
    if (s.first != "-")
        registry.keys[msinfoKey]["PATH"] = { s.firstType, s.first.replace("<dir>", dir) };
    if (s.second != "-")
        registry.keys[locationKey]["MSINFO"] = { 1, s.second.replace("<dir>", dir) };

    about::StartSysInfo();

    // A value found in the first place ends the search there, whatever came of it.
    QCOMPARE(registry.opened, QStringList({ msinfoKey, locationKey }).mid(0, s.first != "-" ? 1 : 2));
    QCOMPARE(registry.openHandles, 0);
    QCOMPARE(sandbox.desktop.started,
        s.started.isEmpty() ? QStringList()
                            : QStringList { s.started.replace("<dir>", sandbox.workFolder()) });
    const bool told = s.started.isEmpty() || !s.startable;
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
