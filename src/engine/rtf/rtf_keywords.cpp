#include "engine/rtf/rtf_keywords.h"

#include "engine/rtf/rtfsource.h"

#include <unordered_map>

namespace engine::rtf
{

namespace
{

    std::unordered_map<std::string_view, Keyword> makeTable()
    {
        std::unordered_map<std::string_view, Keyword> t {
            { "par", { Kw::Char, u'\n' } },
            { "line", { Kw::Char, u'\n' } },
            { "sect", { Kw::Char, u'\n' } },
            { "page", { Kw::Char, u'\n' } },
            { "tab", { Kw::Char, u'\t' } },
            { "cell", { Kw::Break, u'\t' } },
            { "nestcell", { Kw::Break, u'\t' } },
            { "row", { Kw::Break, u'\n' } },
            { "nestrow", { Kw::Break, u'\n' } },
            { "emdash", { Kw::Char, u'\u2014' } },
            { "endash", { Kw::Char, u'\u2013' } },
            { "emspace", { Kw::Char, u'\u2003' } },
            { "enspace", { Kw::Char, u'\u2002' } },
            { "qmspace", { Kw::Char, u'\u2005' } },
            { "bullet", { Kw::Char, u'\u2022' } },
            { "lquote", { Kw::Char, u'\u2018' } },
            { "rquote", { Kw::Char, u'\u2019' } },
            { "ldblquote", { Kw::Char, u'\u201C' } },
            { "rdblquote", { Kw::Char, u'\u201D' } },
            { "zwj", { Kw::Char, u'\u200D' } },
            { "zwnj", { Kw::Char, u'\u200C' } },
            { "ltrmark", { Kw::Char, u'\u200E' } },
            { "rtlmark", { Kw::Char, u'\u200F' } },
            { "uc", { Kw::Uc } },
            { "u", { Kw::U } },
            { "ansicpg", { Kw::AnsiCpg } },
            { "ansi", { Kw::CodePageOf, char16_t(1252) } },
            { "mac", { Kw::CodePageOf, char16_t(10000) } },
            { "pc", { Kw::CodePageOf, char16_t(437) } },
            { "pca", { Kw::CodePageOf, char16_t(850) } },
            { "deff", { Kw::Deff } },
            { "f", { Kw::F } },
            { "fcharset", { Kw::FCharset } },
            { "cpg", { Kw::Cpg } },
            { "b", { Kw::Bold } },
            { "i", { Kw::Italic } },
            { "ulnone", { Kw::UnderlineNone } },
            { "strike", { Kw::Strike } },
            { "striked", { Kw::Strike } },
            { "fs", { Kw::FontSize } },
            { "cf", { Kw::Color } },
            { "cb", { Kw::Background } },
            { "highlight", { Kw::Background } },
            { "chcbpat", { Kw::Background } },
            { "plain", { Kw::Plain } },
            { "pard", { Kw::Pard } },
            { "ql", { Kw::Align, char16_t(ParagraphRun::Align::Left) } },
            { "qr", { Kw::Align, char16_t(ParagraphRun::Align::Right) } },
            { "qc", { Kw::Align, char16_t(ParagraphRun::Align::Center) } },
            { "qj", { Kw::Align, char16_t(ParagraphRun::Align::Justify) } },
            { "v", { Kw::Hidden } },
            { "footnote", { Kw::Note } },
            { "fonttbl", { Kw::FontTable } },
            { "colortbl", { Kw::ColorTable } },
            { "red", { Kw::Red } },
            { "green", { Kw::Green } },
            { "blue", { Kw::Blue } },
            { "pict", { Kw::Pict } },
            { "nonshppict", { Kw::NonShpPict } },
            { "picwgoal", { Kw::PictWidthGoal } },
            { "pichgoal", { Kw::PictHeightGoal } },
            { "upr", { Kw::Upr } },
            { "ud", { Kw::Ud } },
            { "fldrslt", { Kw::FieldResult } },
        };
        for (const char* underline :
            { "ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
                "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave" })
            t.emplace(underline, Keyword { Kw::Underline });
        for (const char* part :
            { "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf" })
            t.emplace(part, Keyword { Kw::HeaderFooter });
        // Destinations a reader does not see: tables, document properties, field instructions,
        // comments, list numbers the reader generates, and the plain text that stands in for nested
        // tables in readers without them.
        for (const char* hidden : { "stylesheet", "info", "fldinst", "listtable", "listoverridetable",
                 "revtbl", "rsidtbl", "generator", "xmlnstbl", "themedata", "colorschememapping",
                 "latentstyles", "datastore", "objdata", "objclass", "objname", "objalias", "objsect",
                 "objtime", "filetbl", "template", "userprops", "docvar", "pgdsctbl", "defchp", "defpap",
                 "falt", "panose", "fname", "fontemb", "fontfile", "keycode", "bkmkstart", "bkmkend", "title",
                 "subject", "author", "operator", "keywords", "comment", "doccomm", "creatim", "revtim",
                 "printim", "buptim", "company", "category", "manager", "hlinkbase", "annotation", "atnid",
                 "atnauthor", "atntime", "atnref", "atndate", "atnicn", "pn", "pntext", "pntxta", "pntxtb",
                 "listtext", "shpinst", "shprslt", "sp", "sn", "sv", "do", "xe", "tc", "tcn", "txe",
                 "private", "background", "ftnsep", "ftnsepc", "aftnsep", "aftnsepc", "ftncn", "aftncn",
                 "datafield", "formfield", "blipuid", "passwordhash", "password", "mmathPr", "wgrffmtfilter",
                 "listpicture", "pxe", "field_instructions", "nonesttables" })
            t.emplace(hidden, Keyword { Kw::HiddenDest });
        return t;
    }

} // namespace

const Keyword* findKeyword(std::string_view name)
{
    static const std::unordered_map<std::string_view, Keyword> table = makeTable();
    const auto it = table.find(name);
    return it == table.end() ? nullptr : &it->second;
}

} // namespace engine::rtf
