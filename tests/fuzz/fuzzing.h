#pragma once

// Shared by the fuzz targets. Each target is one LLVMFuzzerTestOneInput: libFuzzer drives it in the
// fuzz build, replay.cpp in every other build.

#include "engine/text/edit.h"
#include "engine/text/search.h"
#include "engine/text/textref.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <QByteArray>
#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzzing
{

inline const char* currentInput = nullptr; // the replayed file, for the failure message

// A broken promise: says which, and aborts, so that libFuzzer keeps the input and ctest fails.
[[noreturn]] inline void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s%s%s\n", file, line, what, currentInput ? " on " : "",
        currentInput ? currentInput : "");
    std::abort();
}

#define FUZZ_CHECK(condition) ((condition) ? void() : fuzzing::fail(#condition, __FILE__, __LINE__))

// What an input asks to replace, read from its first two bytes; the rest of the input is the file.
// The find string is a piece of the file's own text, so that it is found.
//   byte 0: where the piece starts, as a fraction of the text (0 to 255 of 256)
//   byte 1: bits 0-1 and 7 its length less one, bits 2-5 the replacement, bit 6 ignore case
struct Replacement {
    QByteArray file;
    int at = 0;
    int length = 1;
    QString with;
    bool matchCase = true;

    static Replacement read(const std::uint8_t* data, std::size_t size)
    {
        Replacement r;
        if (size < 2)
            return r;
        // Specials of each format: line breaks of every kind, RTF's escapes and a control word's
        // digits, hyphen and delimiter, characters in and out of Windows-1252, a surrogate pair.
        static const std::array<QString, 16> replacements = { QString(), u"x"_qs, u"XYZ"_qs, u"é"_qs, u"€"_qs,
            u"—"_qs, u"😀"_qs, u"\n"_qs, u"a\r\nb"_qs, u"\t"_qs, u"{\\}"_qs, u"1-2 "_qs, u"Ω"_qs, u"\r"_qs,
            u"ÿ"_qs, u"\u00A0"_qs };
        r.at = data[0];
        r.length = 1 + (data[1] & 3) + ((data[1] >> 7) << 2);
        r.with = replacements[(data[1] >> 2) & 15];
        r.matchCase = !(data[1] & 0x40);
        r.file = QByteArray(reinterpret_cast<const char*>(data) + 2, qsizetype(size) - 2);
        return r;
    }

    // The find string taken from `text`, whole characters only; empty when there is none.
    QString needleIn(const QString& text) const
    {
        if (text.isEmpty())
            return {};
        qsizetype start = text.size() * at / 256;
        qsizetype end = std::min(text.size(), start + length);
        if (text.at(start).isLowSurrogate() && start > 0 && text.at(start - 1).isHighSurrogate())
            --start;
        if (text.at(end - 1).isHighSurrogate() && end < text.size() && text.at(end).isLowSurrogate())
            ++end;
        return text.mid(start, end - start);
    }
};

// Every match of `needle` in `text`, left to right, as the program finds them; a match that
// `accept` turns down is skipped and the search goes on from the character after its start. Exact
// matches are also checked against a plain search of the text.
template <typename Accept>
engine::EditList editsFor(
    const engine::TextRef& text, const QString& needle, const Replacement& r, Accept accept)
{
    engine::EditList edits;
    if (needle.isEmpty())
        return edits;
    QString whole;
    if (r.matchCase)
        text.appendTo(whole, 0, text.size);
    const engine::Matcher matcher(needle, r.matchCase);
    for (qsizetype from = 0;;) {
        const qsizetype at = matcher.indexIn(text, from, text.size);
        if (r.matchCase)
            FUZZ_CHECK(at == whole.indexOf(needle, from));
        if (at < 0)
            return edits;
        FUZZ_CHECK(at >= from && at + matcher.size() <= text.size);
        if (accept(at, matcher.size())) {
            edits.push_back({ at, matcher.size(), r.with });
            from = at + matcher.size();
        } else {
            from = at + 1;
        }
    }
}

// `text` with `edits` applied, as it reads back: a CR LF pair or a lone CR in an inserted text is
// one line break, "\n", like every line break of the visible text.
inline QString applied(const QString& text, const engine::EditList& edits)
{
    QString out;
    qsizetype kept = 0;
    for (const engine::Edit& edit : edits) {
        out.append(QStringView(text).mid(kept, edit.start - kept));
        out.append(QString(edit.text).replace(u"\r\n"_qs, u"\n"_qs).replace(u'\r', u'\n'));
        kept = edit.start + edit.length;
    }
    return out.append(QStringView(text).mid(kept));
}

} // namespace fuzzing
