#pragma once

#include <optional>

namespace richtext::rtf
{

// The code page of an RTF font charset (\fcharsetN), or nothing when the charset means "the
// document's own code page" (DEFAULT_CHARSET) or is unknown.
std::optional<int> codePageForCharset(int charset);

// True for the double-byte code pages of East Asian documents (932, 936, 949, 950, 1361).
bool isDoubleByte(int codePage);

// True when `byte` starts a two-byte character in the double-byte `codePage`.
bool isLeadByte(int codePage, unsigned char byte);

// The character of one byte in a single-byte code page; nothing when this program has no table for
// the code page (a double-byte one, for instance). Bytes below 0x80 are ASCII in every page.
std::optional<char16_t> decodeByte(int codePage, unsigned char byte);

// The character of a two-byte sequence in a double-byte code page, when it can be decoded here.
std::optional<char16_t> decodeDoubleByte(int codePage, unsigned char lead, unsigned char trail);

} // namespace richtext::rtf
