#pragma once

// How the bytes of a plain-text file are read: which encoding they are in, and which of them begin
// characters.

#include "engine/text/utf8.h"

#include <optional>
#include <QtGlobal>

namespace engine
{

enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

// How much of a file is looked at to tell text from binary data.
constexpr qsizetype kBinaryProbe = 8192;

// The visible character of a Windows-1252 byte. The five bytes the code page leaves undefined map to
// the C1 controls of the same value, so every byte round-trips.
char16_t windows1252ToUnicode(uchar byte);
// The Windows-1252 byte of a character, or -1 when the code page has none.
int unicodeToWindows1252(char16_t c);

// The byte order of UTF-16 text without a byte order mark, when the bytes really read as such text;
// nothing for binary data.
std::optional<TextEncoding> sniffUtf16(const uchar* p, qsizetype n);

} // namespace engine
