#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <vector>

#ifdef Q_OS_UNIX
struct stat;

namespace engine
{

#ifdef Q_OS_LINUX
// Makes the extended attributes of `to` (user attributes, access lists, security labels, capability)
// exactly those of `from`: every one copied, and every one `to` has that `from` has not removed, such
// as the default access list a folder gives a new file. False when one cannot be set or removed:
// a copy would not be the same file.
bool copyAttributes(int from, int to);

// The file's capability attribute, which the system drops when the file is written or given away;
// empty when it has none.
QByteArray capabilityOf(int fd);
// Sets it again; only the superuser may.
void restoreCapability(int fd, const QByteArray& capability);
#endif

// The holes of a sparse file: ranges no disk block holds, which read as zeros. Empty for a file
// whose blocks hold all of it.
class Holes
{
public:
    Holes() = default;
    Holes(int fd, const struct stat& status);
    bool any() const { return !ranges.empty(); }
    // True when [from, from + size) lies inside one hole.
    bool cover(qint64 from, qint64 size) const;

private:
    struct Range {
        qint64 from, to;
    };
    std::vector<Range> ranges;
};

} // namespace engine
#endif
