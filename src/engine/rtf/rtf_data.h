#pragma once

// The parsed form of an RTF document, shared by the reader and the writer. Internal to the RTF reader and
// writer.

#include "engine/rtf/rtfsource.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace engine
{

namespace rtf
{

    // Character formatting as the document states it; indexes refer to the font and colour tables.
    struct CharFormat {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strike = false;
        int font = -1; // -1: none given
        int halfPoints = 0; // 0: none given
        int color = -1; // index into the colour table, -1 none
        int background = -1;
        bool aside = false; // a note, header or footer: shown set off from the body

        bool operator==(const CharFormat&) const = default;
    };

    struct Font {
        QString name;
        int codePage = 0; // 0: the document's code page
    };

    struct PictureSource {
        qsizetype position = 0;
        qsizetype dataBegin = 0; // hex digits (with white space), or raw bytes when `binary`
        qsizetype dataEnd = 0;
        bool binary = false;
        int widthTwips = 0;
        int heightTwips = 0;
    };

    // The source bytes of a stretch of visible characters. A run of several characters has one byte
    // each, one after the other (plain text); a run of one character has `bytes` bytes (an escape,
    // a control word, \uN with its stand-ins...).
    struct SpanRun {
        std::uint32_t unit; // first character (UTF-16 unit) of the run
        std::uint32_t begin; // its first source byte
        std::uint32_t bytes;
    };

    struct Span {
        qsizetype begin;
        qsizetype end;
    };

    // The value of one hex digit, -1 for any other character.
    inline int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

} // namespace rtf

struct RtfSource::Data {
    QByteArray source;
    QString text;
    std::vector<rtf::SpanRun> spans; // sorted by unit; every unit of `text` belongs to one run

    // One bit per unit, set for the characters a match never includes: table cell and row marks, and
    // the marks that open and close a note, or end a header or footer. A bit set rather than a sorted
    // list: every candidate match is checked, and a document may have a mark every few words.
    std::vector<quint64> barrierBits;
    std::vector<qsizetype> storyBreaks; // units where a header or footer begins: no match spans them
    std::vector<qsizetype> opaque; // unit indexes of characters whose bytes could not be decoded, sorted
    std::vector<std::pair<qsizetype, int>> ucRuns; // (first unit, \uc in force from there), sorted
    int ucAtEnd = 1;
    std::vector<std::pair<qsizetype, int>> codePages; // (first unit, code page in force from there), sorted
    int codePageAtEnd = 1252;
    // Units whose bytes begin right after a \uN whose stand-ins a brace cut short (the end of the text
    // counts as text.size()), sorted: text inserted there goes in a group of its own, or the \uN
    // would take it for its stand-ins.
    std::vector<qsizetype> afterCutFallback;
    qsizetype endOfText = 0; // where text inserted after the last character goes
    std::vector<qsizetype> binaryEnds; // source offsets just after \bin data, sorted

    std::map<int, rtf::Font> fonts; // by font number
    std::vector<std::optional<unsigned>> colors;
    int defaultFont = -1;
    std::vector<std::pair<qsizetype, rtf::CharFormat>> formatStarts; // (first unit, its format), sorted
    std::vector<ParagraphRun> paragraphs;
    std::vector<rtf::PictureSource> pictures;

    void setBarrier(qsizetype unit)
    {
        const std::size_t word = std::size_t(unit) / 64;
        if (barrierBits.size() <= word)
            barrierBits.resize(word + 1);
        barrierBits[word] |= quint64(1) << (unit % 64);
    }
    // True when a unit of [start, end) is a barrier.
    bool anyBarrier(qsizetype start, qsizetype end) const
    {
        end = std::min<qsizetype>(end, qsizetype(barrierBits.size()) * 64);
        for (qsizetype unit = start; unit < end;) {
            const quint64 bits = barrierBits[std::size_t(unit / 64)] >> (unit % 64);
            const qsizetype span = std::min<qsizetype>(64 - unit % 64, end - unit);
            if (bits & (span == 64 ? ~quint64(0) : (quint64(1) << span) - 1))
                return true;
            unit += span;
        }
        return false;
    }

    // The run that holds `unit`, an index into `spans`.
    std::size_t runOf(qsizetype unit) const
    {
        auto it =
            std::upper_bound(spans.begin(), spans.end(), unit, [](qsizetype u, const rtf::SpanRun& run) {
                return u < qsizetype(run.unit);
            });
        return std::size_t(it - spans.begin()) - 1;
    }
    qsizetype runEnd(std::size_t run) const
    {
        return run + 1 < spans.size() ? qsizetype(spans[run + 1].unit) : text.size();
    }
    // The source bytes of the characters [unit, limit) that lie in `run`, and the unit after them.
    rtf::Span spanIn(std::size_t run, qsizetype unit, qsizetype limit, qsizetype* next) const
    {
        const rtf::SpanRun& r = spans[run];
        const qsizetype end = std::min(runEnd(run), limit);
        *next = end;
        if (runEnd(run) - qsizetype(r.unit) == 1)
            return { qsizetype(r.begin), qsizetype(r.begin) + qsizetype(r.bytes) };
        return { qsizetype(r.begin) + (unit - qsizetype(r.unit)),
            qsizetype(r.begin) + (end - qsizetype(r.unit)) };
    }
    qsizetype spanBegin(qsizetype unit) const
    {
        qsizetype next = 0;
        return spanIn(runOf(unit), unit, unit + 1, &next).begin;
    }
};

// Reads `bytes` into `data`; false with a short reason when the document cannot be edited safely.
bool parseRtf(RtfSource::Data& data, QString& why);

} // namespace engine
