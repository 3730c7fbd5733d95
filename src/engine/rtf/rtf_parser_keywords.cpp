// What the reader does with each control word it knows.

#include "engine/rtf/rtf_parser.h"

namespace engine::rtf
{

void Parser::keyword(const Keyword& k, const ControlWord& word, qsizetype begin, qsizetype& pos)
{
    const bool on = !word.hasParam || word.param != 0;
    switch (k.kw) {
    case Kw::Char:
        if (visible())
            put(k.ch, begin, pos);
        break;
    case Kw::Break:
        if (visible())
            putBarrier(k.ch, begin, pos);
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
        pos = skipFallback(src, n, pos, missing);
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
        markFormatChanged();
        break;
    case Kw::CodePageOf:
        documentCodePage = int(k.ch);
        markFormatChanged();
        break;
    case Kw::Deff:
        defaultFont = word.param;
        d.defaultFont = word.param;
        markFormatChanged();
        break;
    case Kw::F:
        if (st.dest == Dest::FontTable) {
            fontNumber = word.param;
            tableFont();
            fontName.clear();
        } else if (st.dest == Dest::Text) {
            st.format.font = word.param;
            markFormatChanged();
        }
        break;
    case Kw::FCharset:
        if (st.dest == Dest::FontTable) {
            tableFont().codePage = codePageForCharset(word.param).value_or(0);
            pageOfFont.font = -2;
        }
        break;
    case Kw::Cpg:
        if (st.dest == Dest::FontTable && word.param > 0) {
            tableFont().codePage = word.param;
            pageOfFont.font = -2;
        }
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
        // Word's largest size: a huge size from a hostile file would make the preview draw huge glyphs.
        st.format.halfPoints = std::clamp(word.param, 0, 3276);
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
        st.format.aside = st.story != Story::Body;
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
    case Kw::Note:
    case Kw::HeaderFooter:
        // Shown where the body is shown, even when written as {\*\footnote ...}; never inside
        // another note, header or footer.
        if (st.parentDest == Dest::Text && !st.hiddenText && st.story == Story::Body)
            openStory(k.kw == Kw::Note ? Story::Note : Story::HeaderFooter, pos);
        else if (st.dest != Dest::SkipPicture)
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
            picture = PictureSource {};
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

} // namespace engine::rtf
