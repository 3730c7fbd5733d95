#include "engine/packages/packagetext.h"

#include <algorithm>
#include <optional>
#include <set>

namespace engine::packages
{

namespace
{

    qsizetype utf8Length(QStringView s)
    {
        qsizetype n = 0;
        for (const QChar c : s) {
            const char16_t u = c.unicode();
            n += u < 0x80 ? 1 : u < 0x800 ? 2 : QChar::isSurrogate(u) ? 2 : 3;
        }
        return n;
    }

    // A change to a part's bytes: [begin, end) becomes `insert`.
    struct Op {
        qsizetype begin;
        qsizetype end;
        QByteArray insert;
    };

    // Where a replacement goes: a byte of a part, inside a text element's content or between elements.
    struct Anchor {
        int part;
        qsizetype pos;
        bool inText;
        int element;
    };

    class Writer
    {
    public:
        explicit Writer(const VisibleText& text)
            : v(text)
        {
        }

        bool edit(const Edit& e, const Edit* next, QString* why);
        void preserveSpaces();
        std::map<int, QByteArray> apply(
            WriteProblem* problem, QString* why, std::map<int, std::vector<ChangedSpan>>* changes);

    private:
        // Edits come in order: the walk through a long piece goes on from where the last one stopped.
        qsizetype byteAt(const Piece& p, qsizetype unit) const
        {
            if (&p != walked || unit < walkedUnit) {
                walked = &p;
                walkedUnit = p.unit;
                walkedByte = p.begin;
            }
            walkedByte += utf8Length(QStringView(v.text).mid(walkedUnit, unit - walkedUnit));
            walkedUnit = unit;
            return walkedByte;
        }
        std::optional<Anchor> anchorFor(qsizetype s) const;
        QByteArray encoded(QStringView text, int part, bool inText, bool afterSpace) const;
        // Whether the character written just before unit `unit` (after the edits so far) is a blank
        // or a paragraph's start, where OpenDocument would drop a blank.
        bool spaceOrParagraphStartBefore(qsizetype unit) const
        {
            if (unit == previousEnd)
                return previousEndsBlank;
            return unit == 0 || v.text[unit - 1] == u' '
                || std::binary_search(v.marks.begin(), v.marks.end(), unit - 1);
        }
        void add(int part, Op op) { ops[part].push_back(std::move(op)); }

        struct Placed {
            qsizetype start, end;
            int element;
            QString text;
        };
        const VisibleText& v;
        std::map<int, std::vector<Op>> ops;
        std::set<int> touched;
        std::vector<Placed> placed;
        mutable const Piece* walked = nullptr;
        mutable qsizetype walkedUnit = 0;
        mutable qsizetype walkedByte = 0;
        qsizetype previousEnd = -1; // where the last edit ended, and what it left before that point
        bool previousEndsBlank = false;
    };

    std::optional<Anchor> Writer::anchorFor(qsizetype s) const
    {
        if (s < v.text.size()) {
            const Piece& p = v.pieces[v.pieceOf(s)];
            switch (p.kind) {
            case Piece::Literal:
                return Anchor { p.part, byteAt(p, s), true, p.element };
            case Piece::Reference:
                return Anchor { p.part, s == p.unit ? p.begin : p.end, true, p.element };
            case Piece::Element:
                return Anchor { p.part, s == p.unit ? p.begin : p.end, p.collapsible, -1 };
            case Piece::Mark:
                break;
            }
        }
        // At a paragraph's end: after the character before it.
        if (s > 0) {
            const Piece& p = v.pieces[v.pieceOf(s - 1)];
            if (p.kind == Piece::Literal)
                return Anchor { p.part, byteAt(p, s), true, p.element };
            if (p.kind != Piece::Mark)
                return Anchor { p.part, p.end, p.kind == Piece::Reference || p.collapsible, p.element };
        }
        return std::nullopt;
    }

    QByteArray Writer::encoded(QStringView text, int part, bool inText, bool afterSpace) const
    {
        const QByteArray& prefix = v.parts[std::size_t(part)].prefix;
        const QByteArray p = prefix.isEmpty() ? QByteArray() : prefix + ':';
        if (v.dialect == Dialect::WordML) {
            if (inText)
                return escapedXml(text);
            return "<" + p + "t xml:space=\"preserve\">" + escapedXml(text) + "</" + p + "t>";
        }
        // OpenDocument reads runs of blanks as one: a blank after another, or first in a paragraph,
        // is written as a space element; tabs and line breaks are elements too.
        QByteArray out;
        qsizetype plain = 0;
        auto flush = [&](qsizetype upTo) {
            out += escapedXml(text.mid(plain, upTo - plain));
        };
        for (qsizetype i = 0; i < text.size();) {
            const QChar c = text[i];
            if (c == u' ') {
                qsizetype n = 1;
                while (i + n < text.size() && text[i + n] == u' ')
                    ++n;
                flush(i);
                qsizetype spaces = n;
                if (!afterSpace) {
                    out += ' ';
                    --spaces;
                }
                if (spaces == 1)
                    out += "<" + p + "s/>";
                else if (spaces > 1)
                    out += "<" + p + "s " + p + "c=\"" + QByteArray::number(spaces) + "\"/>";
                i += n;
                plain = i;
                afterSpace = true;
                continue;
            }
            if (c == u'\t' || c == u'\n') {
                flush(i);
                out += "<" + p + (c == u'\t' ? "tab/>" : "line-break/>");
                plain = i + 1;
            }
            afterSpace = false;
            ++i;
        }
        flush(text.size());
        return out;
    }

    bool Writer::edit(const Edit& e, const Edit* next, QString* why)
    {
        const qsizetype s = e.start;
        const qsizetype end = e.start + e.length;
        if (v.crossesBarrier(s, e.length)) {
            *why = QStringLiteral("a replacement would cross a paragraph, cell, note or field edge");
            return false;
        }
        std::optional<Anchor> anchor;
        if (!e.text.isEmpty()) {
            anchor = anchorFor(s);
            if (!anchor) {
                *why = QStringLiteral("no text to put a replacement beside");
                return false;
            }
            const bool afterSpace = v.dialect == Dialect::Odf && spaceOrParagraphStartBefore(s);
            add(anchor->part,
                Op { anchor->pos, anchor->pos, encoded(e.text, anchor->part, anchor->inText, afterSpace) });
            if (anchor->element >= 0)
                touched.insert(anchor->element);
        }
        placed.push_back(Placed { s, end, anchor ? anchor->element : -1, e.text });
        for (std::size_t i = s < end ? v.pieceOf(s) : v.pieces.size();
             i < v.pieces.size() && v.pieces[i].unit < end; ++i) {
            const Piece& p = v.pieces[i];
            const qsizetype pieceEnd = v.pieceEnd(i);
            const qsizetype a = std::max(s, p.unit);
            const qsizetype b = std::min(end, pieceEnd);
            if (p.cdata || p.kind == Piece::Mark) {
                *why = QStringLiteral("a replacement touches text that cannot be rewritten");
                return false;
            }
            if (p.element >= 0)
                touched.insert(p.element);
            if (p.kind == Piece::Literal) {
                add(p.part, Op { byteAt(p, a), byteAt(p, b), {} });
                continue;
            }
            // A reference or an element goes as a whole; what it stood for outside the match is
            // written again in its place.
            const QString rest = QStringView(v.text).mid(p.unit, a - p.unit).toString()
                + QStringView(v.text).mid(b, pieceEnd - b).toString();
            add(p.part,
                Op { p.begin, p.end,
                    rest.isEmpty() ? QByteArray()
                                   : encoded(rest, p.part, p.kind == Piece::Reference, true) });
        }
        // A blank that now follows another blank would vanish in OpenDocument: it becomes a space element.
        const bool blankBefore = e.text.isEmpty() ? spaceOrParagraphStartBefore(s) : e.text.back() == u' ';
        previousEnd = end;
        previousEndsBlank = blankBefore;
        if (v.dialect == Dialect::Odf && end < v.text.size() && (!next || next->start != end)) {
            const Piece& p = v.pieces[v.pieceOf(end)];
            if (p.collapsible && p.unit == end && blankBefore) {
                const QByteArray& prefix = v.parts[std::size_t(p.part)].prefix;
                add(p.part, Op { p.begin, p.end, "<" + (prefix.isEmpty() ? prefix : prefix + ':') + "s/>" });
            }
        }
        return true;
    }

    // A WordprocessingML text element whose content now begins or ends with a blank keeps it only
    // with xml:space="preserve".
    void Writer::preserveSpaces()
    {
        if (v.dialect != Dialect::WordML)
            return;
        for (const int index : touched) {
            const TextElement& el = v.elements[std::size_t(index)];
            if (el.preserve)
                continue;
            // Only the edits that reach the element count; they are sorted and never overlap.
            const auto first = std::lower_bound(
                placed.begin(), placed.end(), el.firstUnit, [](const Placed& p, qsizetype unit) {
                    return p.end < unit;
                });
            auto last = first;
            while (last != placed.end() && last->start <= el.endUnit)
                ++last;
            // The element's characters that stay, with the replacements that went into it.
            QString content;
            qsizetype u = el.firstUnit;
            for (auto p = first; p != last; ++p) {
                const qsizetype keptTo = std::clamp(p->start, u, el.endUnit);
                content += QStringView(v.text).mid(u, keptTo - u);
                if (p->element == index)
                    content += p->text;
                u = std::max(keptTo, std::min(p->end, el.endUnit));
            }
            content += QStringView(v.text).mid(u, el.endUnit - u);
            auto blank = [](QChar c) {
                return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
            };
            if (!content.isEmpty() && (blank(content.front()) || blank(content.back())))
                add(el.part, Op { el.nameEnd, el.nameEnd, " xml:space=\"preserve\"" });
        }
    }

    std::map<int, QByteArray> Writer::apply(
        WriteProblem* problem, QString* why, std::map<int, std::vector<ChangedSpan>>* changes)
    {
        std::map<int, QByteArray> result;
        for (auto& [part, list] : ops) {
            std::stable_sort(list.begin(), list.end(), [](const Op& a, const Op& b) {
                return a.begin < b.begin || (a.begin == b.begin && a.end < b.end);
            });
            const QByteArray& source = v.parts[std::size_t(part)].bytes;
            QByteArray out;
            out.reserve(source.size() + 256);
            qsizetype cursor = 0;
            for (const Op& op : list) {
                if (op.begin < cursor) {
                    *problem = WriteProblem::InvalidEdits;
                    *why = QStringLiteral("replacements overlap");
                    return {};
                }
                out.append(source.constData() + cursor, op.begin - cursor);
                if (changes)
                    (*changes)[part].push_back(
                        { out.size(), op.insert.size(), source.mid(op.begin, op.end - op.begin) });
                out.append(op.insert);
                cursor = op.end;
            }
            out.append(source.constData() + cursor, source.size() - cursor);
            result.emplace(part, std::move(out));
        }
        return result;
    }

} // namespace

std::map<int, QByteArray> editedParts(const VisibleText& v, const EditList& edits, WriteProblem* problem,
    QString* why, std::map<int, std::vector<ChangedSpan>>* changes)
{
    *problem = WriteProblem::None;
    QString reason;
    auto fail = [&](WriteProblem p, const QString& text) {
        *problem = p;
        if (why)
            *why = text;
        return std::map<int, QByteArray> {};
    };
    std::vector<const Edit*> real;
    qsizetype previousEnd = 0;
    for (const Edit& edit : edits) {
        if (edit.start < previousEnd || edit.length < 0 || edit.start + edit.length > v.text.size())
            return fail(
                WriteProblem::InvalidEdits, QStringLiteral("replacements out of order or outside the text"));
        previousEnd = edit.start + edit.length;
        if (QStringView(v.text).mid(edit.start, edit.length) == edit.text)
            continue;
        if (!allowedInXml(edit.text))
            return fail(WriteProblem::ForbiddenCharacter, QString());
        real.push_back(&edit);
    }
    Writer writer(v);
    for (std::size_t i = 0; i < real.size(); ++i) {
        if (!writer.edit(*real[i], i + 1 < real.size() ? real[i + 1] : nullptr, &reason))
            return fail(WriteProblem::InvalidEdits, reason);
    }
    writer.preserveSpaces();
    auto result = writer.apply(problem, &reason, changes);
    if (*problem != WriteProblem::None && why)
        *why = reason;
    return result;
}

} // namespace engine::packages
