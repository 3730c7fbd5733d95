#pragma once

// The parsed form of an RTF document, shared by the reader and the writer. Internal to richtext.

#include "richtext/rtfsource.h"

#include <algorithm>
#include <cstdint>
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

    // Where a source span longer than the per-character byte can hold is kept.
    inline constexpr std::uint8_t LongSpan = 255;

} // namespace rtf

struct RtfSource::Data {
    QByteArray source;
    QString text;
    // For every UTF-16 unit of `text`: where the bytes that produced it begin in `source`, and how
    // many they are (LongSpan: look the length up in `longSpans`).
    std::vector<std::uint32_t> spanBegin;
    std::vector<std::uint8_t> spanLength;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> longSpans; // (unit index, length), sorted

    std::vector<qsizetype> barriers; // unit indexes of table cell and row marks, sorted
    std::vector<qsizetype> opaque; // unit indexes of characters whose bytes could not be decoded, sorted
    std::vector<std::pair<qsizetype, int>> ucRuns; // (first unit, \uc in force from there), sorted
    int ucAtEnd = 1;
    int endFallbackMissing = 0; // text added after the last character first completes its \uN stand-ins
    qsizetype endOfText = 0; // where text inserted after the last character goes
    std::vector<qsizetype> binaryEnds; // source offsets just after \bin data, sorted

    std::vector<rtf::Font> fonts; // indexed by font number; holes have empty names
    std::vector<std::optional<unsigned>> colors;
    int defaultFont = -1;
    std::vector<std::pair<qsizetype, rtf::CharFormat>> formatStarts; // (first unit, its format), sorted
    std::vector<ParagraphRun> paragraphs;
    std::vector<rtf::PictureSource> pictures;

    qsizetype spanEnd(qsizetype unit) const
    {
        const std::uint8_t length = spanLength[unit];
        if (length != rtf::LongSpan)
            return qsizetype(spanBegin[unit]) + length;
        auto it = std::lower_bound(longSpans.begin(), longSpans.end(),
            std::pair<std::uint32_t, std::uint32_t>(std::uint32_t(unit), 0));
        return qsizetype(spanBegin[unit]) + it->second;
    }
};

// Reads `bytes` into `data`; false with a short reason when the document cannot be edited safely.
bool parseRtf(RtfSource::Data& data, QString& why);

} // namespace richtext
