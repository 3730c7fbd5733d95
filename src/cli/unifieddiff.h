#pragma once

#include <QString>
#include <vector>

namespace cli
{

// One replacement: where it stands in the text after every replacement, what it took out and put in.
struct Replacement {
    qsizetype position; // in the new text
    qsizetype removed; // characters of the old text
    qsizetype inserted; // characters of the new text
};

// A unified diff (three lines of context) of `before` and `after`, the visible text of a file before
// and after `replacements`, in order and apart. `name` heads it as "--- a/name" and "+++ b/name".
QString unifiedDiff(const QString& name, const QString& before, const QString& after,
    const std::vector<Replacement>& replacements);

} // namespace cli
