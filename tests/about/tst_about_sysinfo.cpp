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
    void withoutRegistry_data();
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

// Without a registry of its own, the machine answers the first lookup with the desktop's own system
// information page, else another tool on PATH, and never the second lookup. `tools` are the programs
// on PATH; `panel` a GNOME settings panel installed; the tool started is shown without its folder.
void SysInfoTest::withoutRegistry_data()
{
    QTest::addColumn<QStringList>("tools");
    QTest::addColumn<QString>("session");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("started");
    const QStringList all { "gnome-control-center", "kinfocenter", "hardinfo" };
    // clang-format off
    QTest::newRow("GNOME's About page") << all << "GNOME" << "info-overview" << "gnome-control-center info-overview";
    QTest::newRow("GNOME 46 and later: System") << all << "ubuntu:GNOME" << "system" << "gnome-control-center system";
    QTest::newRow("KDE's Info Center in KDE") << all << "KDE" << "info-overview" << "kinfocenter";
    QTest::newRow("KDE's tool elsewhere") << QStringList { "kinfocenter", "hardinfo" } << "XFCE" << "" << "kinfocenter";
    QTest::newRow("another tool on PATH") << QStringList { "gnome-system-monitor", "hardinfo2" } << "" << "" << "hardinfo2";
    QTest::newRow("none: the message") << QStringList {} << "GNOME" << "system" << "";
    // clang-format on
}

void SysInfoTest::withoutRegistry()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has a registry");
#else
    QFETCH(QStringList, tools);
    QFETCH(QString, session);
    QFETCH(QString, panel);
    QFETCH(QString, started);
    testing::Sandbox sandbox;
    const QString bin = sandbox.workFolder() + "/bin", share = sandbox.workFolder() + "/share";
    for (const QString& tool : tools) {
        sandbox.writeFile("bin/" + tool, "#!/bin/sh\n");
        QFile(bin + "/" + tool).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    if (!panel.isEmpty())
        sandbox.writeFile("share/applications/gnome-" + panel + "-panel.desktop", "[Desktop Entry]\n");
    const QStringList variables { "PATH", "XDG_CURRENT_DESKTOP", "XDG_DATA_DIRS", "XDG_DATA_HOME" };
    std::vector<QByteArray> kept;
    for (const QString& name : variables)
        kept.push_back(qgetenv(name.toLatin1()));
    qputenv("PATH", QFile::encodeName(bin));
    qputenv("XDG_CURRENT_DESKTOP", session.toUtf8());
    qputenv("XDG_DATA_DIRS", QFile::encodeName(share));
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox.workFolder() + "/home"));
    about::StartSysInfo();
    QString keyVal;
    const KeyLookup second = about::GetKeyValue(Registry::LocalMachine, locationKey, "MSINFO", keyVal);
    for (qsizetype i = 0; i < variables.size(); ++i)
        kept[std::size_t(i)].isNull() ? void(qunsetenv(variables[i].toLatin1()))
                                      : void(qputenv(variables[i].toLatin1(), kept[std::size_t(i)]));

    QCOMPARE(
        sandbox.desktop.started, started.isEmpty() ? QStringList() : QStringList { bin + "/" + started });
    QCOMPARE(second, KeyLookup::Failed);
    QCOMPARE(testing::shownMessages(sandbox), started.isEmpty() ? unavailable : QStringList());
#endif
}

QTEST_MAIN(SysInfoTest)
#include "tst_about_sysinfo.moc"
