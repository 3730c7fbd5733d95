// How a plain-text stream goes through its file: piece by piece, searching each with the search a
// document held whole uses, keeping enough of the previous piece that a match, a character or a line
// break cut by the end of a piece is found whole in the next.
#include "engine/plain/plainstream_pass.h"
#include "engine/text/search.h"
#include "engine/text/utf8.h"

#include <algorithm>
#include <cstring>
#include <QChar>

namespace engine
{

namespace
{
    constexpr qsizetype kOutBuffer = qsizetype(1) << 20;
    // How far a search looks at first. It looks twice as far after each miss and, after a match, about
    // twice as far as that match was: the scan for a letter that the text lacks (the capital of a
    // needle in lowercase text) then costs what the text between matches costs, not a whole piece
    // for every match.
    constexpr qsizetype kWindow = 64;

    bool isUtf16(TextEncoding encoding)
    {
        return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
    }
} // namespace

bool canEncodeReplacement(TextEncoding encoding, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (encoding == TextEncoding::Windows1252) {
            if (unicodeToWindows1252(c) < 0)
                return false;
        } else if (encoding == TextEncoding::Utf8 && QChar::isSurrogate(c)) {
            if (!QChar::isHighSurrogate(c) || i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        }
    }
    return true;
}

StreamOutput::StreamOutput(QIODevice* out)
    : out(out)
{
    if (out)
        pending.reserve(kOutBuffer);
}

void StreamOutput::kept(const char* data, qsizetype length)
{
    if (!out || length <= 0)
        return;
    total += length;
    if (length >= kOutBuffer / 4 || pending.size() + length > kOutBuffer) {
        good = good && out->write(pending) == pending.size();
        pending.resize(0);
    }
    if (length >= kOutBuffer / 4)
        good = good && out->write(data, length) == length;
    else
        pending.append(data, length);
}

bool StreamOutput::finish()
{
    if (out && !pending.isEmpty())
        good = good && out->write(pending) == pending.size();
    pending.resize(0);
    return good;
}

bool PlainStream::scan(Pass& pass)
{
    const bool inBytes = enc == TextEncoding::Utf8 && !invalidUtf8 && pass.matcher.searchesUtf8();
    pass.before[0] = pass.before[1] = 0;
    qint64 reported = 0;
    const auto progress = std::move(pass.progress);
    pass.progress = [&](qint64) {
        if (progress && pass.replaced > reported)
            progress(pass.replaced - reported);
        reported = pass.replaced;
    };
    const bool ok = inBytes ? scanBytes(pass) : scanDecoded(pass);
    pass.progress(0);
    pass.progress = progress;
    return ok;
}

// Valid UTF-8 is searched in its bytes, as a document searches it.
bool PlainStream::scanBytes(Pass& pass)
{
    const Matcher& matcher = pass.matcher;
    const qint64 size = file.size();
    // Room after a match for its longest form and the character after it.
    const qsizetype reserve = 3 * matcher.size() + 8;
    const qsizetype m = matcher.size();
    std::vector<char16_t> matched(size_t(m) + 1);
    StreamOutput output(pass.out);
    base = held = 0;
    if (!fill(0, &pass.error))
        return false;
    qint64 pos = bom, copied = 0, lastEnd = -1;
    qsizetype window = kWindow;
    for (;;) {
        const auto* p = reinterpret_cast<const uchar*>(buffer.constData());
        const bool last = base + held == size;
        const qsizetype begin = qsizetype(std::max<qint64>(bom - base, 0));
        const qsizetype from = qsizetype(pos - base);
        const qsizetype limit = std::min(held, from + window + reserve);
        const qsizetype safe = limit < held ? limit - reserve : last ? held : held - reserve;
        qsizetype length = 0;
        const qsizetype hit = from < limit ? matcher.indexInUtf8(p, limit, from, length) : -1;
        if (hit < 0 || hit >= safe) {
            if (limit < held) {
                pos = std::max<qint64>(pos, base + safe);
                window *= 2;
                continue;
            }
        } else {
            window = std::max<qsizetype>(kWindow, 2 * (hit - from));
            const qsizetype end = hit + length;
            const bool afterLast = base + hit == lastEnd;
            if (pass.wholeWord) {
                const char32_t before =
                    afterLast ? pass.codePointBefore() : utf8CodePointBefore(p, begin, hit);
                if ((isWordChar(before) && isWordChar(utf8CodePointAt(p, held, hit)))
                    || (isWordChar(utf8CodePointBefore(p, begin, end))
                        && isWordChar(utf8CodePointAt(p, held, end)))) {
                    pos = base + hit + 1;
                    continue;
                }
            }
            if (!afterLast) {
                const char32_t before = utf8CodePointBefore(p, begin, hit);
                pass.before[0] = QChar::requiresSurrogates(before) ? QChar::highSurrogate(before) : 0;
                pass.before[1] =
                    QChar::requiresSurrogates(before) ? QChar::lowSurrogate(before) : char16_t(before);
            }
            qsizetype decodedEnd = 0;
            const bool unchanged = pass.replacement.size() == m
                && decodeUtf8Units(p, end, hit, matched.data(), m, decodedEnd) == m
                && std::equal(matched.begin(), matched.begin() + m, pass.replacement.utf16());
            if (!unchanged && pass.out) {
                output.kept(buffer.constData() + (copied - base), base + hit - copied);
                pass.replacing(output, buffer.constData() + hit, end - hit);
                output.inserted(pass.encoded);
                copied = base + end;
            }
            pass.replacedBy(pass.replacement);
            ++pass.replaced;
            lastEnd = pos = base + end;
            if (pass.stopAtFirst)
                return true;
            continue;
        }
        if (last)
            break;
        // No match starts before `safe`: the next piece goes on from there, with a few bytes before it
        // for the character that precedes a match.
        pos = std::max<qint64>(pos, base + std::max<qsizetype>(safe, 0));
        const qint64 keep = std::max<qint64>(pos - 8, base);
        if (copied < keep) {
            output.kept(buffer.constData() + (copied - base), keep - copied);
            copied = keep;
        }
        pass.progress(0);
        if (!fill(keep, &pass.error))
            return false;
    }
    if (pass.out)
        output.kept(buffer.constData() + (copied - base), base + held - copied);
    return output.finish();
}

// Other text is decoded a piece at a time, with the byte where each character begins.
bool PlainStream::scanDecoded(Pass& pass)
{
    const Matcher& matcher = pass.matcher;
    const qint64 size = file.size();
    const qsizetype m = matcher.size();
    StreamOutput output(pass.out);
    base = held = 0;
    do {
        if (!fill(0, &pass.error))
            return false;
    } while (held < bom && held < size);
    qsizetype cut =
        decodeWindow(reinterpret_cast<const uchar*>(buffer.constData()), held, base, bom, held == size);
    qint64 first = 0; // the visible position of units[0]
    qint64 pos = 0, copied = 0, lastEnd = -1;
    qsizetype window = kWindow;
    for (;;) {
        const bool last = base + cut == size;
        const qsizetype count = qsizetype(units.size());
        // The text as it reads with the replacements made so far: from the end of the last match on it
        // is the file's.
        auto unit = [&](qint64 at) -> char16_t {
            if (at < 0)
                return 0;
            if (at < lastEnd)
                return pass.before[at == lastEnd - 1 ? 1 : 0];
            return units[size_t(at - first)];
        };
        auto codePointBefore = [&](qint64 at) -> char32_t {
            if (at <= 0)
                return 0;
            const char16_t low = unit(at - 1);
            if (QChar::isLowSurrogate(low) && at >= 2 && QChar::isHighSurrogate(unit(at - 2)))
                return QChar::surrogateToUcs4(unit(at - 2), low);
            return low;
        };
        auto codePointAt = [&](qint64 at) -> char32_t {
            if (at - first >= count)
                return 0;
            const char16_t high = unit(at);
            if (QChar::isHighSurrogate(high) && at + 1 - first < count && QChar::isLowSurrogate(unit(at + 1)))
                return QChar::surrogateToUcs4(high, unit(at + 1));
            return high;
        };
        const qsizetype from = qsizetype(pos - first);
        const qsizetype limit = std::min(count, from + window + m + 2);
        const qsizetype safe = limit < count ? limit - m - 2 : last ? count : count - m - 2;
        const TextRef text { nullptr, units.data(), count };
        const qsizetype hit = from < limit ? matcher.indexIn(text, from, limit) : -1;
        if (hit < 0 || hit >= safe) {
            if (limit < count) {
                pos = std::max<qint64>(pos, first + safe);
                window *= 2;
                continue;
            }
        } else {
            window = std::max<qsizetype>(kWindow, 2 * (hit - from));
            const qint64 at = first + hit;
            if (pass.wholeWord
                && ((isWordChar(codePointBefore(at)) && isWordChar(codePointAt(at)))
                    || (isWordChar(codePointBefore(at + m)) && isWordChar(codePointAt(at + m))))) {
                pos = at + 1;
                continue;
            }
            const char16_t before[2] = { unit(at - 2), unit(at - 1) };
            pass.before[0] = before[0];
            pass.before[1] = before[1];
            const bool unchanged = pass.replacement.size() == m
                && std::equal(units.begin() + hit, units.begin() + hit + m, pass.replacement.utf16());
            if (!unchanged && pass.out) {
                output.kept(buffer.constData() + (copied - base), offsets[size_t(hit)] - copied);
                pass.replacing(output, buffer.constData() + (offsets[size_t(hit)] - base),
                    offsets[size_t(hit + m)] - offsets[size_t(hit)]);
                output.inserted(pass.encoded);
                copied = offsets[size_t(hit + m)];
            }
            pass.replacedBy(pass.replacement);
            ++pass.replaced;
            lastEnd = pos = at + m;
            if (pass.stopAtFirst)
                return true;
            continue;
        }
        if (last)
            break;
        pos = std::max<qint64>(pos, first + std::max<qsizetype>(safe, 0));
        qsizetype keepUnit = qsizetype(std::clamp<qint64>(pos - 2 - first, 0, count));
        // A character of two units is decoded again from its first.
        if (keepUnit > 0 && keepUnit < count && !isUtf16(enc)
            && QChar::isLowSurrogate(units[size_t(keepUnit)]))
            --keepUnit;
        const qint64 keep = offsets[size_t(keepUnit)];
        if (copied < keep) {
            output.kept(buffer.constData() + (copied - base), keep - copied);
            copied = keep;
        }
        first += keepUnit;
        pass.progress(0);
        if (!fill(keep, &pass.error))
            return false;
        cut = decodeWindow(
            reinterpret_cast<const uchar*>(buffer.constData()), held, base, 0, base + held == size);
    }
    if (pass.out)
        output.kept(buffer.constData() + (copied - base), base + held - copied);
    return output.finish();
}

// Decodes the bytes `p` (the file's from offset `at`) from `from` on into units and offsets, as a
// document held whole decodes them: every line break one "\n", each byte of damaged UTF-8 one
// U+FFFD. Unless `last`, it stops before a character or line break that may go on after the bytes.
// A unit inside a pair of UTF-8 surrogates stands at the end of its character. Returns where it
// stopped.
qsizetype PlainStream::decodeWindow(const uchar* p, qsizetype n, qint64 at, qsizetype from, bool last) const
{
    units.clear();
    offsets.clear();
    units.reserve(size_t(n - from) + 1);
    offsets.reserve(size_t(n - from) + 2);
    auto push = [&](char16_t unit, qsizetype i) {
        units.push_back(unit);
        offsets.push_back(at + i);
    };
    qsizetype i = from;
    if (isUtf16(enc)) {
        const bool little = enc == TextEncoding::Utf16LE;
        auto unitAt = [&](qsizetype k) {
            return little ? char16_t(p[k] | p[k + 1] << 8) : char16_t(p[k] << 8 | p[k + 1]);
        };
        while (i + 1 < n) {
            const char16_t unit = unitAt(i);
            if (unit == u'\r') {
                if (i + 3 >= n && !last)
                    break;
                push(u'\n', i);
                i += i + 3 < n && unitAt(i + 2) == u'\n' ? 4 : 2;
                continue;
            }
            push(unit, i);
            i += 2;
        }
        offsets.push_back(at + i);
        return i;
    }
    const bool windows1252 = enc == TextEncoding::Windows1252;
    while (i < n) {
        const uchar b = p[i];
        if (b == '\r') {
            if (i + 1 >= n && !last)
                break;
            push(u'\n', i);
            i += i + 1 < n && p[i + 1] == '\n' ? 2 : 1;
            continue;
        }
        if (b < 0x80 || windows1252) {
            push(windows1252ToUnicode(b), i);
            ++i;
            continue;
        }
        if (n - i < 4 && !last)
            break;
        const int length = utf8SequenceLength(p, n, i);
        if (length == 0) {
            push(0xFFFD, i);
            ++i;
            continue;
        }
        char16_t decoded[2];
        qsizetype end = 0;
        if (decodeUtf8Units(p, i + length, i, decoded, 1, end) == 2) {
            push(decoded[0], i);
            push(decoded[1], i + length);
        } else {
            push(decoded[0], i);
        }
        i += length;
    }
    offsets.push_back(at + i);
    return i;
}

} // namespace engine
