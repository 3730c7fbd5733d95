#pragma once

#include <QtGlobal>
#ifdef Q_OS_UNIX
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

namespace engine
{

// Asks the system to back a large buffer with 2 MiB pages: touching fresh memory faults it in a page
// at a time, and 4 KiB pages make a 200 MB file cost 50,000 faults.
inline void preferLargePages(void* data, qsizetype size)
{
#ifdef MADV_HUGEPAGE
    constexpr quintptr kLarge = quintptr(2) << 20;
    if (size < qsizetype(4 * kLarge))
        return;
    const quintptr begin = (quintptr(data) + kLarge - 1) & ~(kLarge - 1);
    const quintptr end = (quintptr(data) + quintptr(size)) & ~(kLarge - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(size);
#endif
}

// Sizes a buffer (QByteArray, QString) to `size` elements for the next file. Its memory is kept from
// file to file unless it is far larger than needed: one huge file must not hold its size for good.
template <typename Buffer> void makeRoom(Buffer& buffer, qsizetype size)
{
    constexpr qsizetype kKeep = qsizetype(64) << 20;
    if (buffer.capacity() > kKeep && buffer.capacity() > 4 * size)
        buffer = Buffer();
    buffer.resize(0);
    if (buffer.capacity() < size) {
        buffer = Buffer();
        buffer.reserve(size);
        preferLargePages(buffer.data(), qsizetype(buffer.capacity() * sizeof(*buffer.data())));
    }
    buffer.resize(size);
}

// A replace run over a large text makes a million edits, and as many notes of where they are. Such
// lists grow by what the text read so far promises for the rest: `size` items for `done` of `total`
// units, at least twice and at most eight times as many. Fewer moves; and fresh memory, in large
// pages. What is reserved and never used costs no memory.
inline std::size_t promisedCapacity(std::size_t size, qsizetype done, qsizetype total)
{
    std::size_t wanted = std::max<std::size_t>(16, 2 * size);
    if (size >= 16 && done > 0) {
        const double promised = double(size) * double(total) / double(done) * 1.25;
        wanted = std::clamp(std::size_t(std::min(promised, 1e15)), 2 * size, 8 * size);
    }
    return wanted;
}

template <typename T> void moveToCapacity(std::vector<T>& items, std::size_t capacity)
{
    std::vector<T> bigger;
    bigger.reserve(capacity);
    preferLargePages(bigger.data(), qsizetype(capacity * sizeof(T)));
    std::move(items.begin(), items.end(), std::back_inserter(bigger));
    items.swap(bigger);
}

} // namespace engine
