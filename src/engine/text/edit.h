#pragma once

#include <QString>
#include <vector>

namespace engine
{

// One replacement in a document's original visible text: `length` characters from `start` become
// `text`. An EditList is sorted by start and its edits never overlap.
struct Edit {
    qsizetype start = 0;
    qsizetype length = 0;
    QString text;
};
using EditList = std::vector<Edit>;

} // namespace engine
