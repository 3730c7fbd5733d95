#include "engine/files/attributes.h"

#ifdef Q_OS_UNIX
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/xattr.h>
#endif

namespace engine
{

#ifdef Q_OS_LINUX
namespace
{
    constexpr const char* kCapability = "security.capability";

    // The names of the file's attributes, each ended by a NUL; false when they cannot be listed.
    bool attributeNames(int fd, std::vector<char>& names)
    {
        names.resize(1024);
        ssize_t length = ::flistxattr(fd, names.data(), names.size());
        if (length < 0 && errno == ERANGE) {
            length = ::flistxattr(fd, nullptr, 0);
            names.resize(size_t(std::max<ssize_t>(length, 0)));
            length = length > 0 ? ::flistxattr(fd, names.data(), names.size()) : length;
        }
        if (length < 0) {
            names.clear();
            return errno == ENOTSUP; // a file system without attributes: there are none
        }
        names.resize(size_t(length));
        return true;
    }

    bool listed(const std::vector<char>& names, const char* name)
    {
        for (const char* at = names.data(); at < names.data() + names.size(); at += std::strlen(at) + 1) {
            if (std::strcmp(at, name) == 0)
                return true;
        }
        return false;
    }

    // The value of one attribute; false when it cannot be read.
    bool attribute(int fd, const char* name, std::vector<char>& value)
    {
        value.resize(256);
        ssize_t size = ::fgetxattr(fd, name, value.data(), value.size());
        if (size < 0 && errno == ERANGE) {
            size = ::fgetxattr(fd, name, nullptr, 0);
            value.resize(size_t(std::max<ssize_t>(size, 0)));
            size = size > 0 ? ::fgetxattr(fd, name, value.data(), value.size()) : size;
        }
        if (size < 0)
            return false;
        value.resize(size_t(size));
        return true;
    }
} // namespace

bool copyAttributes(int from, int to)
{
    std::vector<char> names, present, value;
    if (!attributeNames(from, names) || !attributeNames(to, present))
        return false;
    for (const char* name = present.data(); name < present.data() + present.size();
         name += std::strlen(name) + 1) {
        if (!listed(names, name) && ::fremovexattr(to, name) != 0 && errno != ENODATA)
            return false;
    }
    for (const char* name = names.data(); name < names.data() + names.size(); name += std::strlen(name) + 1) {
        if (!attribute(from, name, value) || ::fsetxattr(to, name, value.data(), value.size(), 0) != 0)
            return false;
    }
    return true;
}

QByteArray capabilityOf(int fd)
{
    std::vector<char> value;
    if (!attribute(fd, kCapability, value))
        return {};
    return QByteArray(value.data(), qsizetype(value.size()));
}

void restoreCapability(int fd, const QByteArray& capability)
{
    if (!capability.isEmpty())
        ::fsetxattr(fd, kCapability, capability.constData(), size_t(capability.size()), 0);
}
#endif

Holes::Holes(int fd, const struct stat& status)
{
    // A file whose blocks hold at least its size has no holes worth looking for.
    if (qint64(status.st_blocks) * 512 >= qint64(status.st_size))
        return;
    for (off_t at = 0; at < status.st_size;) {
        const off_t hole = ::lseek(fd, at, SEEK_HOLE);
        if (hole < 0 || hole >= status.st_size)
            break;
        off_t data = ::lseek(fd, hole, SEEK_DATA);
        if (data < 0)
            data = status.st_size; // a hole up to the end
        ranges.push_back({ hole, data });
        at = data;
    }
}

bool Holes::cover(qint64 from, qint64 size) const
{
    const auto after =
        std::upper_bound(ranges.begin(), ranges.end(), from, [](qint64 at, const Range& range) {
            return at < range.from;
        });
    return after != ranges.begin() && from + size <= std::prev(after)->to;
}

} // namespace engine
#endif
