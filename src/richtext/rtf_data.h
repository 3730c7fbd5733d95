#pragma once

// The parsed form of an RTF document, shared by the reader and the writer. Internal to richtext.

#include "richtext/rtfsource.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace richtext
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

    std::vector<qsizetype> barriers; // unit indexes of table cell and row marks, sorted
    std::vector<qsizetype> opaque; // unit indexes of characters whose bytes could not be decoded, sorted
    std::vector<std::pair<qsizetype, int>> ucRuns; // (first unit, \uc in force from there), sorted
    int ucAtEnd = 1;
    int endFallbackMissing = 0; // text added after the last character first completes its \uN stand-ins
    qsizetype endOfText = 0; // where text inserted after the last character goes
    std::vector<qsizetype> binaryEnds; // source offsets just after \bin data, sorted

    std::map<int, rtf::Font> fonts; // by font number: a few fonts may have numbers however large
    std::vector<std::optional<unsigned>> colors;
    int defaultFont = -1;
    std::vector<std::pair<qsizetype, rtf::CharFormat>> formatStarts; // (first unit, its format), sorted
    std::vector<ParagraphRun> paragraphs;
    std::vector<rtf::PictureSource> pictures;

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

} // namespace richtext
