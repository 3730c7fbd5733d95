#pragma once

#include <cstddef>
#include <functional>

namespace cli
{

struct OrderedWork {
    std::size_t count = 0;
    int threads = 1;
    // Does item i on one of the threads, `worker` (below `threads`) saying which; false stops the run
    // after the items in hand.
    std::function<bool(std::size_t i, int worker)> work;
    // True for an item that must be worked on while no other is (a large file, not held twice at once).
    std::function<bool(std::size_t i)> alone;
    // Called on the calling thread for every item done, in the order of the items.
    std::function<void(std::size_t i)> report;
    // Asked on the calling thread between reports and while it waits: true stops the run after the
    // items in hand.
    std::function<bool()> stopping;
};

// Works the items on `threads` threads at once, reporting each as soon as it and every item before it
// are done. An item once begun is always finished and reported; after a stop no other begins. Returns
// how many items were begun.
std::size_t runInOrder(const OrderedWork& run);

// How many items at most are begun and not yet reported: what a run must keep room for.
std::size_t itemsAhead(int threads);

} // namespace cli
