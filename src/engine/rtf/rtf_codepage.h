#pragma once

#include <memory>
#include <optional>
#include <QByteArray>

namespace engine::rtf
{

// A code page that the bytes of RTF text (\'hh escapes and literal bytes) can be in, read through
// Qt's converters. Characters are written back in it only when they come back exactly.
class CodePage
{
public:
    // The code page of this number (\ansicpg, \cpg, or a charset's page), or null when the program
    // cannot read it: its text is then kept as it is and never edited.
    static const CodePage* find(int number);

    int number() const { return page; }
    // How many bytes the character that begins with `lead` has: 1, 2 after the lead byte of a
    // double-byte page, 2 to 4 after a UTF-8 lead.
    int sequenceLength(unsigned char lead) const;
    // True when `byte` may continue a character of several bytes.
    bool isTrail(unsigned char byte) const;
    // Decodes one character of `count` bytes into `out` (one or two UTF-16 units); returns the number
    // of units, 0 when the bytes are not a character of this page.
    int decode(const unsigned char* bytes, int count, char16_t* out) const;
    // The bytes of `c` in this page; empty when the page does not hold it.
    QByteArray encode(char32_t c) const;

    struct Tables;
    CodePage(int number, std::unique_ptr<Tables> tables);
    ~CodePage();

private:
    int page;
    std::unique_ptr<Tables> t;
};

// The code page of an RTF font charset (\fcharsetN), or nothing when the charset means "the
// document's own code page" (DEFAULT_CHARSET) or is unknown.
std::optional<int> codePageForCharset(int charset);

} // namespace engine::rtf
