#include "cli/targets.h"

#include "engine/files/filenames.h"
#include "engine/files/outcomes.h"
#include "wildcard/wildcardmatcher.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace cli
{

namespace
{
    using FileId = std::pair<dev_t, ino_t>;

    QString joined(const QString& folder, const QString& name)
    {
        return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
    }

    class Collector
    {
    public:
        explicit Collector(const TargetRules& rules)
            : m_rules(rules)
            , m_matcher(rules.pattern)
        {
            struct stat info;
            if (!rules.backupDir.isEmpty()
                && ::stat(engine::encodeFileName(rules.backupDir).constData(), &info) == 0)
                m_backup = { info.st_dev, info.st_ino };
        }

        void add(const QByteArray& local)
        {
            const QString given = engine::decodeFileName(local);
            struct stat info;
            if (::stat(local.constData(), &info) != 0) {
                refuse(given, given,
                    errno == ENOENT || errno == ENOTDIR
                        ? QStringLiteral("not read: ") + engine::describe(engine::LoadOutcome::Missing)
                        : QStringLiteral("not read: ") + engine::describe(engine::LoadOutcome::Unreadable));
                return;
            }
            if (!S_ISDIR(info.st_mode)) {
                // Given by name: taken whatever its name or kind; the document refuses what it cannot read.
                const qsizetype slash = given.lastIndexOf(QLatin1Char('/'));
                take(given, given, given.mid(slash + 1), { info.st_dev, info.st_ino }, info.st_size);
                return;
            }
            // "." stands for the folder the names are shown relative to.
            const QString shownPrefix = (given == QLatin1String(".") || given == QLatin1String("./"))
                ? QString()
                : (given.endsWith(QLatin1Char('/')) ? given.chopped(1) : given);
            std::vector<Found> found;
            m_folders.insert({ info.st_dev, info.st_ino });
            listFolder(local, QString(), found);
            std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
                return a.relative < b.relative;
            });
            for (Found& f : found) {
                const QString shown = joined(shownPrefix, f.relative);
                if (!f.refusal.isEmpty())
                    refuse(engine::decodeFileName(f.local), shown, f.refusal);
                else
                    take(engine::decodeFileName(f.local), shown, f.relative, f.id, f.size);
            }
        }

        std::vector<Target> targets;

    private:
        struct Found {
            QByteArray local;
            QString relative;
            FileId id;
            QString refusal;
            qint64 size = 0;
        };

        void take(const QString& path, const QString& shown, const QString& relative, FileId id, qint64 size)
        {
            if (m_seen.insert(id).second)
                targets.push_back({ path, shown, relative, {}, size });
        }

        void refuse(const QString& path, const QString& shown, const QString& why)
        {
            targets.push_back({ path, shown, {}, why });
        }

        // Adds the matching files of `folder` (and with recursion those of its subfolders) to `found`.
        void listFolder(const QByteArray& folder, const QString& relative, std::vector<Found>& found)
        {
            DIR* dir = ::opendir(folder.constData());
            if (!dir) {
                found.push_back({ folder, relative, {}, QStringLiteral("not read: unreadable folder") });
                return;
            }
            const int dirFd = ::dirfd(dir);
            struct stat self;
            const dev_t device = ::fstat(dirFd, &self) == 0 ? self.st_dev : 0;
            std::vector<std::pair<QByteArray, QString>> subfolders;
            while (const dirent* entry = ::readdir(dir)) {
                // A leading dot hides a file or a folder; it also skips "." and "..".
                if (entry->d_name[0] == '.')
                    continue;
                const QByteArray name(entry->d_name);
                const QString decoded = engine::decodeFileName(name);
                const QByteArray local = folder.endsWith('/') ? folder + name : folder + '/' + name;
                unsigned char type = entry->d_type;
                FileId id { device, entry->d_ino };
                struct stat info;
                if (type == DT_UNKNOWN) {
                    // Only a file system that does not say the type costs a look at every entry.
                    if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                        continue;
                    type = S_ISREG(info.st_mode) ? DT_REG
                        : S_ISDIR(info.st_mode)  ? DT_DIR
                        : S_ISLNK(info.st_mode)  ? DT_LNK
                                                 : DT_UNKNOWN;
                    id = { info.st_dev, info.st_ino };
                }
                if (type == DT_LNK) {
                    // A link to a plain file is listed as the file; a link to a folder is not followed.
                    if (!m_matcher.matches(decoded) || ::fstatat(dirFd, entry->d_name, &info, 0) != 0
                        || !S_ISREG(info.st_mode))
                        continue;
                    type = DT_REG;
                    id = { info.st_dev, info.st_ino };
                }
                if (type == DT_DIR) {
                    if (m_rules.recursive)
                        subfolders.emplace_back(local, joined(relative, decoded));
                } else if (type == DT_REG && m_matcher.matches(decoded)) {
                    // Its size decides whether it may be worked on beside other files.
                    const qint64 size = ::fstatat(dirFd, entry->d_name, &info, 0) == 0 ? info.st_size : 0;
                    found.push_back({ local, joined(relative, decoded), id, {}, size });
                }
            }
            ::closedir(dir);
            for (const auto& [local, below] : subfolders) {
                struct stat info;
                if (::stat(local.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
                    continue;
                const FileId id { info.st_dev, info.st_ino };
                // A folder met before (a bind mount of an ancestor) and the backup folder are not entered.
                if (id == m_backup || !m_folders.insert(id).second)
                    continue;
                listFolder(local, below, found);
            }
        }

        const TargetRules& m_rules;
        wildcard::WildcardMatcher m_matcher;
        FileId m_backup { 0, 0 };
        std::set<FileId> m_seen;
        std::set<FileId> m_folders;
    };
} // namespace

std::vector<Target> collectTargets(const QByteArrayList& paths, const TargetRules& rules)
{
    Collector collector(rules);
    for (const QByteArray& path : paths)
        collector.add(path);
    return std::move(collector.targets);
}

QByteArrayList namesFromList(const QByteArray& list, bool nulSeparated)
{
    QByteArrayList names = list.split(nulSeparated ? '\0' : '\n');
    names.removeAll(QByteArray());
    return names;
}

} // namespace cli
