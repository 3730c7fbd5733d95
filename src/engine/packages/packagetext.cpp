#include "engine/packages/packagetext.h"

#include <algorithm>

namespace engine::packages
{

bool VisibleText::crossesBarrier(qsizetype start, qsizetype length) const
{
    if (length <= 0)
        return false;
    const auto mark = std::lower_bound(marks.begin(), marks.end(), start);
    if (mark != marks.end() && *mark < start + length)
        return true;
    const auto edge = std::upper_bound(boundaries.begin(), boundaries.end(), start);
    return edge != boundaries.end() && *edge < start + length;
}

std::size_t VisibleText::pieceOf(qsizetype unit) const
{
    const auto it = std::upper_bound(pieces.begin(), pieces.end(), unit, [](qsizetype u, const Piece& p) {
        return u < p.unit;
    });
    return std::size_t(it - pieces.begin()) - 1;
}

qsizetype VisibleText::pieceEnd(std::size_t piece) const
{
    return piece + 1 < pieces.size() ? pieces[piece + 1].unit : text.size();
}

void TextBuilder::beginStory(int rank)
{
    open.push_back(int(stories.size()));
    stories.push_back(Story { rank, {}, {}, {}, {} });
    current().boundaries.push_back(0);
}

void TextBuilder::endStory()
{
    if (!open.empty())
        open.pop_back();
}

void TextBuilder::text(QByteArrayView decoded, qsizetype begin, qsizetype end, bool cdata, int element)
{
    if (open.empty() || decoded.isEmpty())
        return;
    Story& s = current();
    const bool literal = decoded.size() == end - begin
        && std::equal(decoded.begin(), decoded.end(), v.parts[std::size_t(part)].bytes.constData() + begin);
    Piece p { s.text.size(), part, begin, end, literal ? Piece::Literal : Piece::Reference, false, cdata,
        element };
    // Plain characters go on the piece before them when they follow its bytes directly.
    if (literal && !s.pieces.empty()) {
        Piece& last = s.pieces.back();
        if (last.kind == Piece::Literal && last.part == part && last.end == begin && last.element == element
            && last.cdata == cdata) {
            last.end = end;
            s.text += QString::fromUtf8(decoded);
            return;
        }
    }
    s.pieces.push_back(p);
    s.text += QString::fromUtf8(decoded);
}

void TextBuilder::piece(QStringView chars, qsizetype begin, qsizetype end, Piece::Kind kind, bool collapsible)
{
    if (open.empty() || chars.isEmpty())
        return;
    Story& s = current();
    s.pieces.push_back(Piece { s.text.size(), part, begin, end, kind, collapsible, false, -1 });
    s.text += chars;
}

bool TextBuilder::extendCollapsed(qsizetype begin, qsizetype end)
{
    if (open.empty() || current().pieces.empty())
        return false;
    Piece& last = current().pieces.back();
    if (!last.collapsible || last.part != part || last.end != begin)
        return false;
    last.end = end;
    return true;
}

void TextBuilder::mark(qsizetype at)
{
    if (open.empty())
        return;
    Story& s = current();
    s.marks.push_back(s.text.size());
    s.pieces.push_back(Piece { s.text.size(), part, at, at, Piece::Mark, false, false, -1 });
    s.text += u'\n';
}

void TextBuilder::boundary()
{
    if (!open.empty())
        current().boundaries.push_back(current().text.size());
}

int TextBuilder::beginElement(qsizetype nameEnd, bool preserve)
{
    v.elements.push_back(TextElement { part, nameEnd, preserve, open.empty() ? -1 : open.back(),
        open.empty() ? 0 : current().text.size(), 0 });
    return int(v.elements.size()) - 1;
}

void TextBuilder::endElement(int element)
{
    if (!open.empty())
        v.elements[std::size_t(element)].endUnit = current().text.size();
}

void TextBuilder::finish()
{
    std::vector<int> order(stories.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return stories[std::size_t(a)].rank < stories[std::size_t(b)].rank;
    });
    std::vector<qsizetype> offsets(stories.size(), 0);
    for (const int index : order) {
        const Story& s = stories[std::size_t(index)];
        if (s.text.isEmpty())
            continue;
        const qsizetype base = v.text.size();
        offsets[std::size_t(index)] = base;
        for (Piece p : s.pieces) {
            p.unit += base;
            v.pieces.push_back(p);
        }
        for (const qsizetype m : s.marks)
            v.marks.push_back(m + base);
        for (const qsizetype b : s.boundaries)
            v.boundaries.push_back(b + base);
        v.text += s.text;
        v.boundaries.push_back(v.text.size());
    }
    for (TextElement& e : v.elements) {
        if (e.story >= 0) {
            e.firstUnit += offsets[std::size_t(e.story)];
            e.endUnit += offsets[std::size_t(e.story)];
        }
    }
    std::sort(v.boundaries.begin(), v.boundaries.end());
    v.boundaries.erase(std::unique(v.boundaries.begin(), v.boundaries.end()), v.boundaries.end());
    stories.clear();
    open.clear();
}

} // namespace engine::packages
