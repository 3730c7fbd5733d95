#pragma once

#include "richtext/fileread.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

namespace richtext
{

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

} // namespace richtext
