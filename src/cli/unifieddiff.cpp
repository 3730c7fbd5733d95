#include "cli/unifieddiff.h"

#include <algorithm>

namespace cli
{

namespace
{
    constexpr qsizetype context = 3;

    // The lines of a text: where each begins, and whether the last one ends with a line break.
    class Lines
    {
    public:
        explicit Lines(const QString& text)
            : m_text(text)
        {
            m_starts.push_back(0);
            for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', at + 1))
                m_starts.push_back(at + 1);
            if (m_starts.back() == text.size() && text.size() > 0)
                m_starts.pop_back();
        }
        qsizetype count() const { return text().isEmpty() ? 0 : qsizetype(m_starts.size()); }
        qsizetype lineOf(qsizetype position) const
        {
            const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), position);
            return std::max<qsizetype>(0, std::min(count() - 1, qsizetype(after - m_starts.begin()) - 1));
        }
        qsizetype start(qsizetype index) const { return m_starts[std::size_t(index)]; }
        qsizetype end(qsizetype index) const
        {
            return index + 1 < count() ? m_starts[std::size_t(index + 1)] : m_text.size();
        }
        QStringView line(qsizetype index) const
        {
            return QStringView(m_text).mid(start(index), end(index) - start(index));
        }
        const QString& text() const { return m_text; }

    private:
        const QString& m_text;
        std::vector<qsizetype> m_starts;
    };

    // Lines [oldFirst, oldLast] of the old text became [newFirst, newLast] of the new (an empty range
    // has last = first - 1); the lines between two changes are the same in both.
    struct Change {
        qsizetype oldFirst, oldLast, newFirst, newLast;
    };

    void addLine(QString& out, QChar mark, QStringView line)
    {
        out += mark;
        out += line;
        if (!line.endsWith(u'\n'))
            out += QStringLiteral("\n\\ No newline at end of file\n");
    }

    QString range(qsizetype first, qsizetype count)
    {
        // An empty range names the line before it, as diff does.
        if (count == 0)
            return QString::number(first) + QStringLiteral(",0");
        return count == 1 ? QString::number(first + 1)
                          : QString::number(first + 1) + u',' + QString::number(count);
    }
} // namespace

QString unifiedDiff(const QString& name, const QString& before, const QString& after,
    const std::vector<Replacement>& replacements)
{
    const Lines oldLines(before), newLines(after);
    // Whole old lines with the shift of positions before the first replacement in them and after the
    // last; the lines between two changes are the same in both texts.
    struct Group {
        qsizetype oldFirst, oldLast, shiftBefore, shiftAfter;
    };
    std::vector<Group> groups;
    qsizetype shift = 0; // new position minus old position after the replacements so far
    for (const Replacement& r : replacements) {
        const qsizetype oldStart = r.position - shift;
        const qsizetype first = oldLines.lineOf(oldStart);
        const qsizetype last = oldLines.lineOf(oldStart + std::max<qsizetype>(r.removed, 1) - 1);
        const qsizetype before = shift;
        shift += r.inserted - r.removed;
        if (!groups.empty() && first <= groups.back().oldLast + 1) {
            groups.back().oldLast = std::max(groups.back().oldLast, last);
            groups.back().shiftAfter = shift;
        } else {
            groups.push_back({ first, last, before, shift });
        }
    }
    std::vector<Change> changes;
    for (const Group& g : groups) {
        const qsizetype start = oldLines.start(g.oldFirst) + g.shiftBefore;
        const qsizetype end = oldLines.end(g.oldLast) + g.shiftAfter;
        const qsizetype newFirst = end > start ? newLines.lineOf(start)
            : start == 0                       ? 0
                                               : newLines.lineOf(start - 1) + 1;
        changes.push_back(
            { g.oldFirst, g.oldLast, newFirst, end > start ? newLines.lineOf(end - 1) : newFirst - 1 });
    }

    QString out;
    if (changes.empty())
        return out;
    out += QStringLiteral("--- a/") + name + QStringLiteral("\n+++ b/") + name + u'\n';
    for (std::size_t first = 0; first < changes.size();) {
        std::size_t last = first;
        while (last + 1 < changes.size()
            && changes[last + 1].oldFirst - changes[last].oldLast - 1 <= 2 * context)
            ++last;
        const qsizetype lead = std::min(context, changes[first].oldFirst);
        const qsizetype trail = std::min(context, oldLines.count() - 1 - changes[last].oldLast);
        const qsizetype oldFrom = changes[first].oldFirst - lead;
        const qsizetype newFrom = changes[first].newFirst - lead;
        const qsizetype oldCount = changes[last].oldLast + trail - oldFrom + 1;
        const qsizetype newCount = changes[last].newLast + trail - newFrom + 1;
        out += QStringLiteral("@@ -") + range(oldFrom, oldCount) + QStringLiteral(" +")
            + range(newFrom, newCount) + QStringLiteral(" @@\n");
        qsizetype oldAt = oldFrom;
        for (std::size_t i = first; i <= last; ++i) {
            const Change& c = changes[i];
            for (; oldAt < c.oldFirst; ++oldAt)
                addLine(out, u' ', oldLines.line(oldAt));
            for (qsizetype l = c.oldFirst; l <= c.oldLast; ++l)
                addLine(out, u'-', oldLines.line(l));
            for (qsizetype l = c.newFirst; l <= c.newLast; ++l)
                addLine(out, u'+', newLines.line(l));
            oldAt = c.oldLast + 1;
        }
        for (; oldAt <= changes[last].oldLast + trail; ++oldAt)
            addLine(out, u' ', oldLines.line(oldAt));
        first = last + 1;
    }
    return out;
}

} // namespace cli
