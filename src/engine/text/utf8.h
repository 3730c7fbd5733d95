#pragma once

// Reading UTF-8 bytes as text: the search looks for matches in them, plain files keep them.

#include <QtGlobal>

namespace engine
{

// The length of the UTF-8 character that begins at p[i], or 0 when no valid one does. Strict: no
// overlong forms, no surrogates, nothing above U+10FFFF, nothing cut short.
int utf8SequenceLength(const uchar* p, qsizetype n, qsizetype i);

// What a file's bytes look like as UTF-8.
struct Utf8Census {
    bool ascii = true; // nothing but ASCII bytes
    qsizetype characters = 0; // valid characters of two to four bytes
    qsizetype invalidBytes = 0; // bytes that begin no valid character
    qsizetype utf16Units = 0; // the text's length, each invalid byte one unit, each CRLF pair one
};
// `firstCR` is where the first CR is, or `n`.
Utf8Census countUtf8(const uchar* p, qsizetype n, qsizetype firstCR);

// Decodes UTF-8 in which every byte that begins no valid character becomes one U+FFFD, so that each
// such byte keeps its own place in the text. Returns the end of what was written to `out`, which
// has room for `n` units.
char16_t* decodeUtf8KeepingInvalid(const uchar* p, qsizetype n, char16_t* out);

// Valid UTF-8 as visible text, whose line breaks (CRLF, LF or a lone CR) are one "\n" each. Positions
// given in bytes lie at the start of a character, never between the CR and LF of a pair.

// The number of UTF-16 code units that the bytes from `begin` to `end` of `p` read as: each byte that
// begins a character counts one, a four-byte character two, and the LF of a CRLF pair none (the byte
// before `begin` is looked at for that).
qsizetype utf16Length(const uchar* p, qsizetype begin, qsizetype end);

// Decodes the characters from byte `at` of `p` (`n` bytes) until `units` UTF-16 code units are written
// to `out` (one more when the last character is a surrogate pair) or the bytes end. Returns the units
// written; `end` receives the byte after the last character decoded.
qsizetype decodeUtf8Units(
    const uchar* p, qsizetype n, qsizetype at, char16_t* out, qsizetype units, qsizetype& end);

// The code point that ends just before byte `at`, or begins at it; 0 at either end of the text.
char32_t utf8CodePointBefore(const uchar* p, qsizetype begin, qsizetype at);
char32_t utf8CodePointAt(const uchar* p, qsizetype n, qsizetype at);

} // namespace engine
