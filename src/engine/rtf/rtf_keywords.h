#pragma once

// What each RTF control word the reader acts on does: characters, formatting, code pages and
// destinations. Internal to the RTF reader and writer.

#include <string_view>

namespace engine::rtf
{

enum class Kw : unsigned char {
    Char, // produces `ch`
    Break, // produces `ch` and marks a table cell or row
    Uc,
    U,
    AnsiCpg,
    CodePageOf, // \ansi, \mac, \pc, \pca: `ch` holds the code page
    Deff,
    F,
    FCharset,
    Cpg,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    FontSize,
    Color,
    Background,
    Plain,
    Pard,
    Align, // `ch` holds the alignment
    Hidden, // \v
    HiddenDest, // a destination no reader shows
    Note, // \footnote: a footnote or endnote, shown where it is anchored
    HeaderFooter, // \header, \footerf...: shown as its own paragraphs where the document has it
    FontTable,
    ColorTable,
    Red,
    Green,
    Blue,
    Pict,
    NonShpPict,
    PictWidthGoal,
    PictHeightGoal,
    Upr,
    Ud,
    FieldResult,
};

struct Keyword {
    Kw kw;
    char16_t ch = 0;
};

// The keyword of a control word's name, or null for a word the reader passes over.
const Keyword* findKeyword(std::string_view name);

} // namespace engine::rtf
