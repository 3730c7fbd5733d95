// Writing a document back keeps the file it was read from, and leaves alone a file that another
// program changed meanwhile. Giving files away needs the superuser, as the tests run in CI.
#include "doc_testing.h"
#include "engine/files/filewrite.h"
#include "engine/files/journal.h"

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <QDir>
#include <QtTest>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using engine::Document;
using engine::LoadMode;
using engine::LoadOutcome;
using engine::SaveOutcome;

namespace
{
constexpr uid_t kNobody = 65534;
constexpr gid_t kMail = 8;

// A file to rewrite: its owner, group and mode, what more it has, who writes it in what folder, and
// whether the new content is shorter.
struct Keeping {
    enum Also { Nothing = 0, Attribute = 1, Acl = 2, SecondName = 4, Capability = 8, FolderAcl = 16 };
    uid_t owner;
    gid_t group;
    mode_t mode;
    int also;
    bool asNobody;
    mode_t folderMode;
    bool shorter = false;
};

QByteArray local(const QString& path)
{
    return QFile::encodeName(path);
}

// What makes a file that file besides its bytes, as one line: owner, group, mode, names, attributes.
QString keptParts(const QString& path)
{
    struct stat st;
    if (::lstat(local(path), &st) != 0)
        return "missing";
    QString parts =
        QString("%1:%2 %3 links %4").arg(st.st_uid).arg(st.st_gid).arg(st.st_mode, 0, 8).arg(st.st_nlink);
    QByteArray names(4096, 0), value(4096, 0);
    names.truncate(std::max<ssize_t>(::llistxattr(local(path), names.data(), names.size()), 0));
    QList<QByteArray> sorted = names.split('\0');
    std::sort(sorted.begin(), sorted.end());
    for (const QByteArray& name : sorted) {
        const ssize_t size = name.isEmpty() ? -1 : ::lgetxattr(local(path), name, value.data(), value.size());
        if (size >= 0)
            parts += " " + name + "=" + value.left(size).toHex();
    }
    return parts;
}

// The entries of a folder, hidden ones too: a temporary file left behind shows.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QByteArray littleEndian(std::initializer_list<quint32> values)
{
    QByteArray bytes;
    for (quint32 value : values)
        bytes.append(reinterpret_cast<const char*>(&value), 4); // little-endian, as tests run here
    return bytes;
}

// An access list in the form the system keeps it: version 2, then the owner, user nobody, the group,
// the mask and others, each as tag, permissions and id.
QByteArray aclForNobody()
{
    const quint32 none = ~0u;
    return littleEndian(
        { 2u, 0x60001u, none, 0x40002u, quint32(kNobody), 0x40004u, none, 0x40010u, none, 0x40020u, none });
}

// A file capability (version 2): binding to low ports, permitted only.
QByteArray bindCapability()
{
    return littleEndian({ 0x02000000u, 1u << 10, 0u, 0u, 0u });
}

// Runs as user and group nobody until it goes.
struct AsNobody {
    AsNobody()
    {
        if (::setegid(kNobody) != 0 || ::seteuid(kNobody) != 0)
            qFatal("cannot run as nobody");
    }
    ~AsNobody()
    {
        if (::seteuid(0) != 0 || ::setegid(0) != 0)
            qFatal("cannot become the superuser again");
    }
};

// A file system of 64 KB of its own, mounted over a folder until it goes.
struct SmallDisk {
    QByteArray folder;
    bool mounted;
    explicit SmallDisk(const QString& path)
        : folder(local(path))
        , mounted(::mount("tmpfs", folder, "tmpfs", 0, "size=64k") == 0)
    {
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(folder, MNT_DETACH);
    }
};

// Files may grow no larger than `size` until it goes.
struct FileSizeLimit {
    rlimit before;
    explicit FileSizeLimit(rlim_t size)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &before);
        const rlimit limit { size, before.rlim_max };
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &before); }
};

// The size of the watched file when a kill arrived.
const char* watchedFile = nullptr;
volatile sig_atomic_t sizeAtKill = -1;
void noteSizeAtKill(int)
{
    struct stat st;
    sizeAtKill = ::stat(watchedFile, &st) == 0 ? sig_atomic_t(st.st_size) : -2;
}

} // namespace
Q_DECLARE_METATYPE(Keeping)

class FilesTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    // A folder of the test's own, named after the row.
    QString rowFolder()
    {
        const QString folder = dir.filePath(QTest::currentDataTag());
        QDir().mkpath(folder);
        return folder;
    }

private slots:
    void initTestCase();
    void changedSinceRead_data();
    void changedSinceRead();
    void keepsTheFile_data();
    void keepsTheFile();
    void failureKeepsOldBytes_data();
    void failureKeepsOldBytes();
    void staysSparse_data();
    void staysSparse();
    void killWaitsForWholeFile();
};

void FilesTest::initTestCase()
{
    // Journals of writes in place go into a folder of the test's own, which anyone may write.
    const QString state = dir.filePath("state");
    QVERIFY(QDir().mkpath(state + "/Textmend") && ::chmod(local(state + "/Textmend"), 01777) == 0);
    qputenv("XDG_STATE_HOME", local(state));
}

void FilesTest::changedSinceRead_data()
{
    QTest::addColumn<bool>("readThroughLink");
    QTest::addColumn<bool>("inPlace"); // the file has a second name
    QTest::addColumn<bool>("lastMoment"); // the change comes after the new content was built
    QTest::addColumn<QByteArray>("after"); // read through the path
    QTest::newRow("swapped for a link") << false << false << false << QByteArray("other text");
    QTest::newRow("deleted") << false << false << false << QByteArray("<unreadable>");
    QTest::newRow("replaced") << false << false << false << QByteArray("old text");
    QTest::newRow("cut short") << false << false << false << QByteArray("old");
    QTest::newRow("written to") << false << false << false << QByteArray("old text and more");
    QTest::newRow("same size, time put back") << false << false << false << QByteArray("odd text");
    QTest::newRow("same size, time put back, in place") << false << true << false << QByteArray("odd text");
    QTest::newRow("link led elsewhere") << true << false << false << QByteArray("other text");
    QTest::newRow("written to at the last moment")
        << false << false << true << QByteArray("old text and more");
    QTest::newRow("written to at the last moment, in place")
        << false << true << true << QByteArray("old text and more");
    QTest::newRow("same size, time put back at the last moment")
        << false << false << true << QByteArray("odd text");
    QTest::newRow("replaced at the last moment") << false << false << true << QByteArray("old text");
    QTest::newRow("replaced at the last moment, in place") << false << true << true << QByteArray("old text");
}

void FilesTest::changedSinceRead()
{
    QFETCH(bool, readThroughLink);
    QFETCH(bool, inPlace);
    QFETCH(bool, lastMoment);
    QFETCH(QByteArray, after);
    const QString folder = rowFolder(), tag = QTest::currentDataTag();
    const QString file = folder + "/a.txt", other = folder + "/other.txt", target = folder + "/target.txt";
    doctest::writeFile(dir, tag + "/other.txt", "other text");
    doctest::writeFile(dir, tag + (readThroughLink ? "/target.txt" : "/a.txt"), "old text");
    if (readThroughLink)
        QVERIFY(QFile::link(target, file));
    if (inPlace)
        QVERIFY(::link(local(file), local(folder + "/b.txt")) == 0);

    // Another program's change between reading and writing.
    const auto change = [&] {
        if (tag == "deleted" || tag.contains("link"))
            QFile::remove(file);
        if (tag.contains("link"))
            QFile::link(other, file);
        if (tag.startsWith("replaced"))
            QFile::copy(file, file + "~") && QFile::remove(file) && QFile::rename(file + "~", file);
        if (tag == "cut short")
            QFile::resize(file, 3);
        QFile changed(file);
        if (tag.startsWith("written to") && changed.open(QIODevice::Append))
            changed.write(" and more");
        struct stat before;
        if (tag.contains("time put back") && ::stat(local(file), &before) == 0
            && changed.open(QIODevice::ReadWrite)) {
            changed.write("odd");
            changed.close();
            const struct timespec times[2] = { before.st_atim, before.st_mtim };
            ::utimensat(AT_FDCWD, local(file), times, 0);
        }
    };
    Document doc;
    QCOMPARE(doc.load(file, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "old", "new", 0), 1);
    if (lastMoment) {
        engine::setWriteProbe([&](engine::WriteMoment moment) {
            if (moment == engine::WriteMoment::ContentBuilt)
                change();
        });
    } else {
        change();
    }
    const SaveOutcome saved = doc.save(file, engine::rtfText);
    engine::setWriteProbe({});

    QCOMPARE(saved, SaveOutcome::ChangedByAnotherProgram);
    QCOMPARE(doc.errorString(), QString("changed by another program"));
    QCOMPARE(doctest::readFile(file), after);
    QCOMPARE(doctest::readFile(other), QByteArray("other text"));
    if (readThroughLink)
        QCOMPARE(doctest::readFile(target), QByteArray("old text"));
    QCOMPARE(entries(folder).filter(QRegularExpression("^\\.")), QStringList());
}

void FilesTest::keepsTheFile_data()
{
    QTest::addColumn<Keeping>("k");
    // clang-format off
    QTest::newRow("owner and group") << Keeping { kNobody, kMail, 0644, Keeping::Nothing, false, 0755 };
    QTest::newRow("set-user-ID") << Keeping { 0, 0, 04755, Keeping::Nothing, false, 0755 };
    QTest::newRow("set-group-ID") << Keeping { 0, 0, 02755, Keeping::Nothing, false, 0755 };
    QTest::newRow("sticky") << Keeping { 0, 0, 01755, Keeping::Nothing, false, 0755 };
    QTest::newRow("extended attribute") << Keeping { 0, 0, 0644, Keeping::Attribute, false, 0755 };
    QTest::newRow("access list") << Keeping { 0, 0, 0644, Keeping::Acl, false, 0755 };
    QTest::newRow("no access list in a folder with a default one") << Keeping { 0, 0, 0640, Keeping::FolderAcl, false, 0755 };
    QTest::newRow("capability") << Keeping { 0, 0, 0755, Keeping::Capability, false, 0755 };
    QTest::newRow("capability, in place") << Keeping { 0, 0, 0755, Keeping::Capability | Keeping::SecondName, false, 0755 };
    QTest::newRow("two names") << Keeping { 0, 0, 0644, Keeping::SecondName, false, 0755 };
    QTest::newRow("two names, shorter") << Keeping { 0, 0, 0644, Keeping::SecondName, false, 0755, true };
    // Written by its owner, who may not write the folder, is not in the file's group, or has the set-user-ID bit.
    QTest::newRow("owner, folder not theirs") << Keeping { kNobody, kNobody, 0644, Keeping::Nothing, true, 0755 };
    QTest::newRow("owner, folder not theirs, shorter") << Keeping { kNobody, kNobody, 0644, Keeping::Nothing, true, 0755, true };
    QTest::newRow("owner, not in the file's group") << Keeping { kNobody, kMail, 0664, Keeping::Nothing, true, 0777 };
    QTest::newRow("owner, set-user-ID") << Keeping { kNobody, kNobody, 04755, Keeping::Nothing, true, 0777 };
    // clang-format on
}

void FilesTest::keepsTheFile()
{
    QFETCH(Keeping, k);
    if (::geteuid() != 0)
        QSKIP("giving files away needs the superuser");
    const QString folder = rowFolder(), file = folder + "/a.txt", second = folder + "/b.txt";
    QVERIFY(::chmod(local(dir.path()), 0755) == 0 && ::chmod(local(folder), k.folderMode) == 0);
    doctest::writeFile(dir, QTest::currentDataTag() + QString("/a.txt"), "old text");
    QVERIFY(::chown(local(file), k.owner, k.group) == 0 && ::chmod(local(file), k.mode) == 0);
    if ((k.also & Keeping::Attribute) && ::setxattr(local(file), "user.test", "kept", 4, 0) != 0)
        QSKIP("this file system keeps no user attributes");
    const QByteArray acl = aclForNobody(), capability = bindCapability();
    if ((k.also & Keeping::Acl)
        && ::setxattr(local(file), "system.posix_acl_access", acl, acl.size(), 0) != 0)
        QSKIP("this file system keeps no access lists");
    if ((k.also & Keeping::FolderAcl)
        && ::setxattr(local(folder), "system.posix_acl_default", acl, acl.size(), 0) != 0)
        QSKIP("this file system keeps no access lists");
    if ((k.also & Keeping::Capability)
        && ::setxattr(local(file), "security.capability", capability, capability.size(), 0) != 0)
        QSKIP("this file system keeps no capabilities");
    if (k.also & Keeping::SecondName)
        QVERIFY(::link(local(file), local(second)) == 0);
    const QString before = keptParts(file);
    const QStringList names = entries(folder);

    {
        std::optional<AsNobody> user;
        if (k.asNobody)
            user.emplace();
        Document doc;
        QCOMPARE(doc.load(file, LoadMode::Text), LoadOutcome::Loaded);
        QCOMPARE(doctest::replaceAll(doc, k.shorter ? "old " : "old", k.shorter ? "" : "new", 0), 1);
        QCOMPARE(doc.save(file, engine::rtfText), SaveOutcome::Written);
    }
    const QByteArray after = k.shorter ? "text" : "new text";
    QCOMPARE(keptParts(file), before);
    QCOMPARE(doctest::readFile(file), after);
    if (k.also & Keeping::SecondName)
        QCOMPARE(doctest::readFile(second), after);
    QCOMPARE(entries(folder), names);
}

void FilesTest::failureKeepsOldBytes_data()
{
    // Another name keeps the file from being replaced: it is rewritten in place.
    QTest::addColumn<bool>("twoNames");
    QTest::addColumn<QString>("full"); // the disk that is full: the file's, the journal's or none
    QTest::addColumn<SaveOutcome>("outcome");
    QTest::newRow("disk full") << false << "file" << SaveOutcome::DiskFull;
    QTest::newRow("disk full, in place") << true << "file" << SaveOutcome::DiskFull;
    QTest::newRow("journal's disk full, in place") << true << "journal" << SaveOutcome::DiskFull;
    QTest::newRow("file size limit halfway, in place") << true << "" << SaveOutcome::Failed;
}

void FilesTest::failureKeepsOldBytes()
{
    QFETCH(bool, twoNames);
    QFETCH(QString, full);
    QFETCH(SaveOutcome, outcome);
    const QString folder = rowFolder(), file = folder + "/a.txt", second = folder + "/b.txt";
    const QString journals = engine::journalFolder(), diskFolder = full == "file" ? folder : journals;
    std::optional<SmallDisk> disk;
    if (!full.isEmpty() && !disk.emplace(diskFolder).mounted)
        QSKIP("cannot mount a small file system here");
    QByteArray old;
    for (int i = 0; i < 1000; ++i)
        old += "line " + QByteArray::number(i) + "\n";
    doctest::writeFile(dir, QTest::currentDataTag() + QString("/a.txt"), old);
    if (twoNames)
        QVERIFY(::link(local(file), local(second)) == 0);
    if (disk) {
        QFile filler(diskFolder + "/filler");
        filler.open(QIODevice::WriteOnly);
        while (filler.write(QByteArray(512, 'f')) == 512 && filler.flush()) { }
    }
    const QStringList names = entries(folder);

    {
        Document doc;
        QCOMPARE(doc.load(file, LoadMode::Text), LoadOutcome::Loaded);
        QCOMPARE(doctest::replaceAll(doc, "line", "a longer line", 0), 1000);
        std::optional<FileSizeLimit> limit;
        if (!disk)
            limit.emplace(rlim_t(old.size() + 4096)); // room for the old bytes, not for the new ones
        QCOMPARE(doc.save(file, engine::rtfText), outcome);
    }
    QCOMPARE(doctest::readFile(file), old);
    if (twoNames)
        QCOMPARE(doctest::readFile(second), old);
    QCOMPARE(entries(folder), names);
    disk.reset();
    QCOMPARE(entries(journals), QStringList());
}

// A sparse file keeps its holes where the new bytes are zeros, also when the text before them grows.
void FilesTest::staysSparse_data()
{
    QTest::addColumn<bool>("twoNames");
    QTest::newRow("through a new file") << false;
    QTest::newRow("in place") << true;
}

void FilesTest::staysSparse()
{
    QFETCH(bool, twoNames);
    const QString folder = rowFolder(), file = folder + "/a.txt";
    // Text first (a file with NUL bytes in its first 8 KB is binary), then 8 MB of hole.
    const QByteArray text = "old text" + QByteArray(16 << 10, 'x');
    constexpr qint64 size = 8 << 20;
    {
        QFile sparse(file);
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.write(text) == text.size()
            && sparse.resize(size - 4));
        QVERIFY(sparse.seek(size - 4) && sparse.write(" old") == 4);
    }
    if (twoNames)
        QVERIFY(::link(local(file), local(folder + "/b.txt")) == 0);
    Document doc;
    QCOMPARE(doc.load(file, LoadMode::Text), LoadOutcome::Loaded);
    QCOMPARE(doctest::replaceAll(doc, "old", "older", 0), 2);
    QCOMPARE(doc.save(file, engine::rtfText), SaveOutcome::Written);

    const QByteArray bytes = doctest::readFile(file);
    QCOMPARE(bytes.size(), size + 4);
    QVERIFY(bytes.startsWith("older text") && bytes.endsWith(" older"));
    QCOMPARE(bytes.count('\0'), size - text.size() - 4);
    struct stat st;
    QVERIFY(::stat(local(file), &st) == 0);
    QVERIFY2(st.st_blocks <= 64, qPrintable(QString::number(st.st_blocks))); // 32 KB
}

// A plain kill that arrives while a file is overwritten in place (it has a second name) takes effect
// once the new content is whole.
void FilesTest::killWaitsForWholeFile()
{
    const QString file = dir.filePath("killed.txt");
    doctest::writeFile(dir, "killed.txt", "old text");
    QVERIFY(::link(local(file), local(dir.filePath("killed-too.txt"))) == 0);
    QFile read(file);
    QVERIFY(read.open(QIODevice::ReadOnly));
    const QByteArray path = local(file);
    watchedFile = path.constData();
    struct sigaction note = {}, before;
    note.sa_handler = noteSizeAtKill;
    ::sigaction(SIGTERM, &note, &before);
    const QByteArray content = "a much longer new text";
    engine::setWriteProbe([](engine::WriteMoment moment) {
        if (moment == engine::WriteMoment::PieceWritten)
            std::raise(SIGTERM);
    });
    const auto result = engine::writeFile(file, engine::identify(file, read.handle()), [&](QIODevice& out) {
        return out.write(content) == content.size();
    });
    engine::setWriteProbe({});
    ::sigaction(SIGTERM, &before, nullptr);
    QCOMPARE(result.outcome, SaveOutcome::Written);
    QCOMPARE(int(sizeAtKill), int(content.size()));
}

QTEST_GUILESS_MAIN(FilesTest)
#include "tst_doc_files.moc"
