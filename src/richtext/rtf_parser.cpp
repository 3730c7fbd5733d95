// Reads an RTF document into its visible text, remembering for every character the source bytes that
// produced it, plus what the preview needs (formatting runs, alignment, pictures).

#include "richtext/rtf_codepage.h"
#include "richtext/rtf_data.h"

#include <limits>
#include <string_view>
#include <unordered_map>

namespace richtext
{

namespace
{

    using rtf::CharFormat;
    using rtf::hexValue;

    // What the text of the current group is for.
    enum class Dest : std::uint8_t {
        Text, // visible
        Hidden, // tables, fields' instructions, every {\*\...} group...
        FontTable,
        ColorTable,
        Picture,
        SkipPicture, // a picture's stand-in for older readers; not shown
    };

    struct State {
        Dest dest = Dest::Text;
        Dest parentDest = Dest::Text; // what the enclosing group shows
        Dest outsideUpr = Dest::Text; // \upr: its \ud part is shown with the visibility of the \upr group
        bool inUpr = false;
        bool hiddenText = false; // \v
        int uc = 1;
        CharFormat format;
        ParagraphRun::Align align = ParagraphRun::Align::Left;
    };

    enum class Kw : std::uint8_t {
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
        HiddenDest,
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

    const std::unordered_map<std::string_view, Keyword>& keywords()
    {
        static const std::unordered_map<std::string_view, Keyword> table = [] {
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
            // Destinations a reader does not see. Headers, footers, footnotes and comments are not
            // part of the running text either.
            for (const char* hidden : { "stylesheet", "info", "fldinst", "listtable", "listoverridetable",
                     "revtbl", "rsidtbl", "generator", "xmlnstbl", "themedata", "colorschememapping",
                     "latentstyles", "datastore", "objdata", "objclass", "objname", "objalias", "objsect",
                     "objtime", "filetbl", "template", "userprops", "docvar", "pgdsctbl", "defchp", "defpap",
                     "falt", "panose", "fname", "fontemb", "fontfile", "keycode", "bkmkstart", "bkmkend",
                     "title", "subject", "author", "operator", "keywords", "comment", "doccomm", "creatim",
                     "revtim", "printim", "buptim", "company", "category", "manager", "hlinkbase", "header",
                     "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf", "footnote",
                     "annotation", "atnid", "atnauthor", "atntime", "atnref", "atndate", "atnicn", "pn",
                     "pntext", "pntxta", "pntxtb", "listtext", "shpinst", "shprslt", "sp", "sn", "sv", "do",
                     "xe", "tc", "tcn", "txe", "private", "background", "ftnsep", "ftnsepc", "aftnsep",
                     "aftnsepc", "ftncn", "aftncn", "datafield", "formfield", "blipuid", "passwordhash",
                     "password", "mmathPr", "wgrffmtfilter", "listpicture", "pxe", "field_instructions" })
                t.emplace(hidden, Keyword { Kw::HiddenDest });
            return t;
        }();
        return table;
    }

    bool isLetter(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }
    bool isDigit(char c)
    {
        return c >= '0' && c <= '9';
    }
    bool isPlainTextByte(char c)
    {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u < 0x80 && c != '\\' && c != '{' && c != '}';
    }

    // One control word: \name, an optional signed number and the delimiter space that belongs to it.
    struct ControlWord {
        std::string_view name;
        bool hasParam = false;
        int param = 0;
        qsizetype end = 0; // after the delimiter
    };

    ControlWord readControlWord(const char* src, qsizetype n, qsizetype pos)
    {
        ControlWord word;
        qsizetype p = pos + 1;
        while (p < n && isLetter(src[p]))
            ++p;
        word.name = std::string_view(src + pos + 1, std::size_t(p - pos - 1));
        bool negative = false;
        if (p + 1 < n && src[p] == '-' && isDigit(src[p + 1])) {
            negative = true;
            ++p;
        }
        long long value = 0;
        while (p < n && isDigit(src[p])) {
            word.hasParam = true;
            if (value < 100000000000LL)
                value = value * 10 + (src[p] - '0');
            ++p;
        }
        if (negative)
            value = -value;
        value =
            std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        word.param = int(value);
        if (p < n && src[p] == ' ')
            ++p;
        word.end = p;
        return word;
    }

    class Parser
    {
    public:
        explicit Parser(RtfSource::Data& data)
            : d(data)
            , src(data.source.constData())
            , n(data.source.size())
            , text(data.text)
        {
        }

        bool run(QString& why);

    private:
        bool controlAt(qsizetype& pos, QString& why);
        void keyword(const Keyword& k, const ControlWord& word, qsizetype begin, qsizetype& pos);
        void literalBytes(qsizetype& pos);
        void encodedByte(unsigned char byte, qsizetype begin, qsizetype& pos);
        qsizetype skipFallback(qsizetype p, int& count) const;
        void openGroup();
        bool closeGroup();

        bool visible() const { return st.dest == Dest::Text && !st.hiddenText; }
        int codePage() const
        {
            const int font = st.format.font >= 0 ? st.format.font : defaultFont;
            const auto it = d.fonts.find(font);
            return it != d.fonts.end() && it->second.codePage ? it->second.codePage : documentCodePage;
        }
        void put(char16_t ch, qsizetype begin, qsizetype end);
        void closeParagraph(qsizetype next);
        void addSpan(qsizetype index, qsizetype begin, qsizetype end);
        void markFormatChanged() { formatChanged = true; }
        rtf::Font& tableFont();

        RtfSource::Data& d;
        const char* src;
        qsizetype n;
        std::vector<State> stack;
        State st;
        QString& text; // d.text
        int documentCodePage = 1252;
        int defaultFont = -1;
        int lastUc = -1;
        int lastFallbackMissing = 0; // stand-ins the last character's \uN lacks (a brace came first)
        bool formatChanged = true;
        qsizetype paragraphStart = 0;
        ParagraphRun::Align paragraphAlign = ParagraphRun::Align::Left;

        int fontNumber = -1; // the font table entry being read
        QString fontName;
        int red = 0, green = 0, blue = 0;
        bool colorGiven = false;
        std::size_t pictureDepth = 0;
        rtf::PictureSource picture;
        bool pictureShown = false; // a format the preview can decode
    };

    void Parser::put(char16_t ch, qsizetype begin, qsizetype end)
    {
        const qsizetype index = qsizetype(text.size());
        lastFallbackMissing = 0;
        text.push_back(ch);
        addSpan(index, begin, end);
        if (st.uc != lastUc) {
            d.ucRuns.emplace_back(index, st.uc);
            lastUc = st.uc;
        }
        if (formatChanged) {
            if (d.formatStarts.empty() || !(d.formatStarts.back().second == st.format))
                d.formatStarts.emplace_back(index, st.format);
            formatChanged = false;
        }
        paragraphAlign = st.align;
        if (ch == u'\n')
            closeParagraph(index + 1);
    }

    void Parser::addSpan(qsizetype index, qsizetype begin, qsizetype end)
    {
        if (end - begin == 1 && !d.spans.empty()) {
            rtf::SpanRun& last = d.spans.back();
            const qsizetype units = index - qsizetype(last.unit);
            if (units == qsizetype(last.bytes) && qsizetype(last.begin) + units == begin) {
                ++last.bytes;
                return;
            }
        }
        d.spans.push_back({ std::uint32_t(index), std::uint32_t(begin), std::uint32_t(end - begin) });
    }

    void Parser::closeParagraph(qsizetype next)
    {
        if (d.paragraphs.empty() || d.paragraphs.back().align != paragraphAlign)
            d.paragraphs.push_back(ParagraphRun { paragraphStart, paragraphAlign });
        paragraphStart = next;
    }

    rtf::Font& Parser::tableFont()
    {
        return d.fonts[std::max(fontNumber, 0)];
    }

    void Parser::openGroup()
    {
        stack.push_back(st);
        st.parentDest = st.dest;
    }

    bool Parser::closeGroup()
    {
        if (st.dest == Dest::Picture && stack.size() == pictureDepth) {
            if (pictureShown && picture.dataEnd > picture.dataBegin)
                d.pictures.push_back(picture);
            pictureDepth = 0;
        }
        if (st.dest == Dest::FontTable && !fontName.isEmpty()) {
            tableFont().name = fontName.trimmed();
            fontName.clear();
        }
        if (stack.empty())
            return false;
        const bool hadText = !text.isEmpty();
        st = stack.back();
        stack.pop_back();
        if (hadText)
            markFormatChanged();
        return true;
    }

    // Skips the stand-in characters that follow \uN: `count` of them, where a literal byte, an \'hh
    // escape or any other control word or symbol counts as one; a group boundary ends the skip.
    qsizetype Parser::skipFallback(qsizetype p, int& count) const
    {
        while (count > 0 && p < n) {
            const char c = src[p];
            if (c == '{' || c == '}')
                break;
            if (c == '\r' || c == '\n') {
                ++p;
                continue;
            }
            if (c == '\\') {
                if (p + 1 >= n)
                    break;
                if (src[p + 1] == '\'') {
                    if (p + 3 >= n || hexValue(src[p + 2]) < 0 || hexValue(src[p + 3]) < 0)
                        break; // the reader refuses it
                    p += 4;
                } else if (isLetter(src[p + 1])) {
                    const ControlWord word = readControlWord(src, n, p);
                    if (word.name == "bin")
                        break; // its data is read as data, never as a stand-in
                    p = word.end;
                } else {
                    p += 2;
                }
            } else {
                ++p;
            }
            --count;
        }
        return p;
    }

    // A byte of text in the current code page, read from `begin` (a literal byte or \'hh); `pos` is
    // after it and moves past the trail byte of a double-byte character.
    void Parser::encodedByte(unsigned char byte, qsizetype begin, qsizetype& pos)
    {
        if (st.dest == Dest::FontTable) {
            const int page = tableFont().codePage ? tableFont().codePage : documentCodePage;
            if (const auto ch = rtf::decodeByte(page, byte))
                fontName.append(QChar(*ch));
            return;
        }
        if (!visible())
            return;
        const int page = codePage();
        if (rtf::isDoubleByte(page) && rtf::isLeadByte(page, byte)) {
            int trail = -1;
            if (pos + 3 < n && src[pos] == '\\' && src[pos + 1] == '\'' && hexValue(src[pos + 2]) >= 0
                && hexValue(src[pos + 3]) >= 0) {
                trail = hexValue(src[pos + 2]) * 16 + hexValue(src[pos + 3]);
                pos += 4;
            } else if (pos < n && src[pos] != '\\' && src[pos] != '{' && src[pos] != '}' && src[pos] != '\r'
                && src[pos] != '\n') {
                trail = static_cast<unsigned char>(src[pos]);
                ++pos;
            }
            const auto ch = trail >= 0 ? rtf::decodeDoubleByte(page, byte, static_cast<unsigned char>(trail))
                                       : std::nullopt;
            if (!ch)
                d.opaque.push_back(qsizetype(text.size()));
            put(ch.value_or(u'\uFFFD'), begin, pos);
            return;
        }
        const auto ch = rtf::decodeByte(page, byte);
        if (!ch)
            d.opaque.push_back(qsizetype(text.size()));
        put(ch.value_or(u'\uFFFD'), begin, pos);
    }

    void Parser::literalBytes(qsizetype& pos)
    {
        const char c = src[pos];
        if (c == '\r' || c == '\n') {
            ++pos;
            return;
        }
        if (st.dest == Dest::Picture) {
            // Hex digits of the picture; white space between them is allowed.
            while (pos < n && src[pos] != '\\' && src[pos] != '{' && src[pos] != '}') {
                if (hexValue(src[pos]) >= 0) {
                    if (picture.dataEnd <= picture.dataBegin)
                        picture.dataBegin = pos;
                    picture.dataEnd = pos + 1;
                }
                ++pos;
            }
            return;
        }
        if (st.dest == Dest::ColorTable) {
            if (c == ';') {
                d.colors.push_back(
                    colorGiven ? std::optional<unsigned>((red << 16) | (green << 8) | blue) : std::nullopt);
                red = green = blue = 0;
                colorGiven = false;
            }
            ++pos;
            return;
        }
        if (st.dest == Dest::FontTable) {
            ++pos;
            if (c == ';') {
                tableFont().name = fontName.trimmed();
                fontName.clear();
            } else if (static_cast<unsigned char>(c) >= 0x80) {
                encodedByte(static_cast<unsigned char>(c), pos - 1, pos);
            } else if (static_cast<unsigned char>(c) >= 0x20) {
                fontName.append(QLatin1Char(c));
            }
            return;
        }
        if (!visible()) {
            ++pos;
            while (pos < n && isPlainTextByte(src[pos]))
                ++pos;
            return;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            ++pos;
            encodedByte(byte, pos - 1, pos);
            return;
        }
        if (byte < 0x20) {
            if (c == '\t')
                put(u'\t', pos, pos + 1);
            ++pos;
            return;
        }
        // A run of plain ASCII: one character per byte.
        put(char16_t(byte), pos, pos + 1);
        ++pos;
        while (pos < n && isPlainTextByte(src[pos])) {
            text.push_back(char16_t(static_cast<unsigned char>(src[pos])));
            ++d.spans.back().bytes; // the run of one-byte characters that put() began or extended
            ++pos;
        }
    }

    void Parser::keyword(const Keyword& k, const ControlWord& word, qsizetype begin, qsizetype& pos)
    {
        const bool on = !word.hasParam || word.param != 0;
        switch (k.kw) {
        case Kw::Char:
            if (visible())
                put(k.ch, begin, pos);
            break;
        case Kw::Break:
            if (visible()) {
                d.barriers.push_back(qsizetype(text.size()));
                put(k.ch, begin, pos);
            }
            break;
        case Kw::Uc:
            st.uc = std::max(word.param, 0);
            break;
        case Kw::U: {
            int value = word.param;
            if (value < 0)
                value += 65536;
            const char16_t ch = (value >= 0 && value <= 0xFFFF) ? char16_t(value) : u'\uFFFD';
            int missing = st.uc;
            pos = skipFallback(pos, missing);
            if (st.dest == Dest::FontTable) {
                fontName.append(QChar(ch));
            } else if (visible()) {
                put(ch, begin, pos);
                lastFallbackMissing = missing;
            }
            break;
        }
        case Kw::AnsiCpg:
            if (word.param > 0)
                documentCodePage = word.param;
            break;
        case Kw::CodePageOf:
            documentCodePage = int(k.ch);
            break;
        case Kw::Deff:
            defaultFont = word.param;
            d.defaultFont = word.param;
            break;
        case Kw::F:
            if (st.dest == Dest::FontTable) {
                fontNumber = std::max(word.param, 0);
                tableFont();
                fontName.clear();
            } else if (st.dest == Dest::Text) {
                st.format.font = word.param;
                markFormatChanged();
            }
            break;
        case Kw::FCharset:
            if (st.dest == Dest::FontTable)
                tableFont().codePage = rtf::codePageForCharset(word.param).value_or(0);
            break;
        case Kw::Cpg:
            if (st.dest == Dest::FontTable && word.param > 0)
                tableFont().codePage = word.param;
            break;
        case Kw::Bold:
            st.format.bold = on;
            markFormatChanged();
            break;
        case Kw::Italic:
            st.format.italic = on;
            markFormatChanged();
            break;
        case Kw::Underline:
            st.format.underline = on;
            markFormatChanged();
            break;
        case Kw::UnderlineNone:
            st.format.underline = false;
            markFormatChanged();
            break;
        case Kw::Strike:
            st.format.strike = on;
            markFormatChanged();
            break;
        case Kw::FontSize:
            st.format.halfPoints = std::max(word.param, 0);
            markFormatChanged();
            break;
        case Kw::Color:
            st.format.color = word.param;
            markFormatChanged();
            break;
        case Kw::Background:
            st.format.background = word.param > 0 ? word.param : -1;
            markFormatChanged();
            break;
        case Kw::Plain:
            st.format = CharFormat {};
            st.hiddenText = false;
            markFormatChanged();
            break;
        case Kw::Pard:
            st.align = ParagraphRun::Align::Left;
            break;
        case Kw::Align:
            st.align = ParagraphRun::Align(k.ch);
            break;
        case Kw::Hidden:
            st.hiddenText = on;
            break;
        case Kw::HiddenDest:
            if (st.dest != Dest::SkipPicture)
                st.dest = Dest::Hidden;
            break;
        case Kw::FontTable:
            if (st.dest == Dest::Text)
                st.dest = Dest::FontTable;
            break;
        case Kw::ColorTable:
            if (st.dest == Dest::Text) {
                st.dest = Dest::ColorTable;
                d.colors.clear();
            }
            break;
        case Kw::Red:
            red = std::clamp(word.param, 0, 255);
            colorGiven = true;
            break;
        case Kw::Green:
            green = std::clamp(word.param, 0, 255);
            colorGiven = true;
            break;
        case Kw::Blue:
            blue = std::clamp(word.param, 0, 255);
            colorGiven = true;
            break;
        case Kw::Pict:
            if (st.dest != Dest::SkipPicture && st.dest != Dest::Picture) {
                st.dest = Dest::Picture;
                pictureDepth = stack.size();
                picture = rtf::PictureSource {};
                picture.position = qsizetype(text.size());
                pictureShown = false;
            }
            break;
        case Kw::NonShpPict:
            st.dest = Dest::SkipPicture;
            break;
        case Kw::PictWidthGoal:
            if (st.dest == Dest::Picture)
                picture.widthTwips = word.param;
            break;
        case Kw::PictHeightGoal:
            if (st.dest == Dest::Picture)
                picture.heightTwips = word.param;
            break;
        case Kw::Upr:
            st.outsideUpr = st.dest;
            st.inUpr = true;
            if (st.dest != Dest::SkipPicture)
                st.dest = Dest::Hidden;
            break;
        case Kw::Ud:
            if (st.inUpr)
                st.dest = st.outsideUpr;
            break;
        case Kw::FieldResult: // shown like the field itself, even when written as {\*\fldrslt ...}
            st.dest = st.parentDest;
            break;
        }
    }

    bool Parser::controlAt(qsizetype& pos, QString& why)
    {
        const qsizetype begin = pos;
        if (pos + 1 >= n) {
            why = QStringLiteral("malformed RTF: unbalanced braces");
            return false;
        }
        const char next = src[pos + 1];
        if (isLetter(next)) {
            const ControlWord word = readControlWord(src, n, pos);
            pos = word.end;
            if (word.name == "bin") {
                const qsizetype length = word.hasParam ? word.param : 0;
                if (length < 0 || length > n - pos) {
                    why = QStringLiteral("malformed RTF: truncated \\bin data");
                    return false;
                }
                if (st.dest == Dest::Picture) {
                    picture.dataBegin = pos;
                    picture.dataEnd = pos + length;
                    picture.binary = true;
                }
                pos += length;
                if (length > 0)
                    d.binaryEnds.push_back(pos);
                return true;
            }
            if (word.name == "pngblip" || word.name == "jpegblip") {
                if (st.dest == Dest::Picture)
                    pictureShown = true;
                return true;
            }
            const auto& table = keywords();
            const auto it = table.find(word.name);
            if (it != table.end())
                keyword(it->second, word, begin, pos);
            return true;
        }
        pos += 2;
        switch (next) {
        case '\\':
        case '{':
        case '}':
            if (st.dest == Dest::FontTable)
                fontName.append(QLatin1Char(next));
            else if (visible())
                put(char16_t(next), begin, pos);
            break;
        case '~':
            if (visible())
                put(u'\u00A0', begin, pos);
            break;
        case '_':
            if (visible())
                put(u'\u2011', begin, pos);
            break;
        case '-':
            if (visible())
                put(u'\u00AD', begin, pos);
            break;
        case '*':
            if (st.dest != Dest::SkipPicture && st.dest != Dest::Picture)
                st.dest = Dest::Hidden;
            else if (st.dest == Dest::Picture && stack.size() > pictureDepth)
                st.dest = Dest::Hidden;
            break;
        case '\r':
        case '\n':
            if (visible())
                put(u'\n', begin, pos);
            break;
        case '\'': {
            // Half an escape would take a hex digit written after it as its own.
            if (pos + 1 >= n || hexValue(src[pos]) < 0 || hexValue(src[pos + 1]) < 0) {
                why = QStringLiteral("malformed RTF: bad \\' escape");
                return false;
            }
            const int byte = hexValue(src[pos]) * 16 + hexValue(src[pos + 1]);
            pos += 2;
            encodedByte(static_cast<unsigned char>(byte), begin, pos);
            break;
        }
        default:
            break; // \: \| and other symbols show nothing
        }
        return true;
    }

    bool Parser::run(QString& why)
    {
        if (!RtfSource::isRtf(d.source)) {
            why = QStringLiteral("not an RTF document");
            return false;
        }
        if (n >= qsizetype(std::numeric_limits<std::uint32_t>::max())) {
            why = QStringLiteral("RTF document too large");
            return false;
        }
        // Typical documents show a character for every few bytes of markup.
        text.reserve(n / 4);
        qsizetype pos = 0;
        qsizetype close = -1;
        while (pos < n) {
            const char c = src[pos];
            if (c == '{') {
                openGroup();
                ++pos;
            } else if (c == '}') {
                if (!closeGroup()) {
                    why = QStringLiteral("malformed RTF: unbalanced braces");
                    return false;
                }
                if (stack.empty()) {
                    close = pos;
                    break;
                }
                ++pos;
            } else if (c == '\\') {
                if (!controlAt(pos, why))
                    return false;
            } else {
                literalBytes(pos);
            }
        }
        if (close < 0) {
            why = QStringLiteral("malformed RTF: unbalanced braces");
            return false;
        }
        if (!text.isEmpty())
            closeParagraph(qsizetype(text.size()));
        d.endOfText = close;
        if (!d.text.isEmpty()) {
            qsizetype next = 0;
            d.endOfText = d.spanIn(d.spans.size() - 1, d.text.size() - 1, d.text.size(), &next).end;
        }
        d.ucAtEnd = d.ucRuns.empty() ? 1 : d.ucRuns.back().second;
        d.endFallbackMissing = lastFallbackMissing;
        return true;
    }

} // namespace

bool parseRtf(RtfSource::Data& data, QString& why)
{
    Parser parser(data);
    return parser.run(why);
}

} // namespace richtext
