#pragma once

// The smallest pieces of RTF: control words and the stand-ins that follow \uN. Internal to the RTF reader and
// writer.

#include <QtGlobal>
#include <string_view>

namespace engine::rtf
{

inline bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
// A byte of text that stands for itself: printable ASCII other than the three special characters.
inline bool isPlainTextByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u < 0x80 && c != '\\' && c != '{' && c != '}';
}

// One control word: \name, an optional signed number and the delimiter space that belongs to it.
struct ControlWord {
    std::string_view name;
    bool hasParam = false;
    int param = 0; // clamped to int
    qsizetype end = 0; // after the delimiter
};

// The control word whose backslash is at src[pos].
ControlWord readControlWord(const char* src, qsizetype n, qsizetype pos);

// Skips the stand-in characters that follow \uN from `p`: `count` of them, where a literal byte, an
// \'hh escape or any other control word or symbol counts as one; a group boundary ends the skip.
// Returns where the skip ended; `count` keeps the stand-ins still missing.
qsizetype skipFallback(const char* src, qsizetype n, qsizetype p, int& count);

} // namespace engine::rtf
