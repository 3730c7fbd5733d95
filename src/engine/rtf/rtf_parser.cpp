#include "engine/rtf/rtf_parser.h"

#include <limits>

namespace engine
{

namespace rtf
{

    Parser::Parser(RtfSource::Data& data)
        : d(data)
        , src(data.source.constData())
        , n(data.source.size())
        , text(data.text)
    {
    }

    int Parser::codePageNumber()
    {
        const int font = st.format.font >= 0 ? st.format.font : defaultFont;
        // Asked at every change of format: remembered for the last font and document code page.
        if (font != pageOfFont.font || documentCodePage != pageOfFont.documentPage
            || d.fonts.size() != pageOfFont.fonts) {
            const auto it = font >= 0 ? d.fonts.find(font) : d.fonts.end();
            const int own = it != d.fonts.end() ? it->second.codePage : 0;
            pageOfFont = { font, documentCodePage, d.fonts.size(), own ? own : documentCodePage };
        }
        return pageOfFont.page;
    }

    const CodePage* Parser::codePage()
    {
        int number = codePageNumber();
        if (st.dest == Dest::FontTable) {
            // A font's name is written in the font's own code page.
            const auto it = d.fonts.find(fontNumber);
            number = it != d.fonts.end() && it->second.codePage ? it->second.codePage : documentCodePage;
        }
        if (number != pageNumber) {
            page = CodePage::find(number);
            pageNumber = number;
        }
        return page;
    }

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
            const int number = codePageNumber();
            if (number != lastCodePage) {
                d.codePages.emplace_back(index, number);
                lastCodePage = number;
            }
            formatChanged = false;
        }
        paragraphAlign = st.align;
        if (ch == u'\n')
            closeParagraph(index + 1);
    }

    // A character that no match includes.
    void Parser::putBarrier(char16_t ch, qsizetype begin, qsizetype end)
    {
        d.setBarrier(qsizetype(text.size()));
        put(ch, begin, end);
    }

    void Parser::addSpan(qsizetype index, qsizetype begin, qsizetype end)
    {
        if (end - begin == 1 && !d.spans.empty()) {
            SpanRun& last = d.spans.back();
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

    Font& Parser::tableFont()
    {
        return d.fonts[fontNumber];
    }

    bool Parser::openGroup(qsizetype bracePos)
    {
        if (stack.size() >= kMaxDepth)
            return false;
        stack.push_back(st);
        st.parentDest = st.dest;
        st.opensStory = false;
        st.groupStart = bracePos;
        return true;
    }

    bool Parser::closeGroup(qsizetype bracePos)
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
        const bool closesStory = st.opensStory;
        if (closesStory)
            closeStory(bracePos);
        if (stack.empty())
            return false;
        const bool hadText = !text.isEmpty();
        st = stack.back();
        stack.pop_back();
        if (hadText)
            markFormatChanged();
        if (closesStory)
            stateAfterMark();
        return true;
    }

    // A note shows between brackets where it is anchored: "[" stands for its group's opening brace up
    // to its \footnote word (so that text inserted before it goes before the group), "]" for its
    // closing brace. A header or footer shows where the document has it, ended by a line break
    // that stands for its closing brace. No match includes these marks, nor begins before a header
    // or footer and ends in it.
    void Parser::openStory(Story story, qsizetype end)
    {
        st.dest = Dest::Text;
        st.story = story;
        st.opensStory = true;
        st.format.aside = true;
        markFormatChanged();
        if (story == Story::Note) {
            if (lastFallbackMissing > 0)
                d.afterCutFallback.push_back(qsizetype(text.size()));
            putBarrier(u'[', st.groupStart, end);
        } else
            storyBreak();
    }

    void Parser::closeStory(qsizetype bracePos)
    {
        putBarrier(st.story == Story::Note ? u']' : u'\n', bracePos, bracePos + 1);
    }

    // Text inserted right after the closing mark of a note lands outside the note's group: it is
    // written with the code page and \uc in force there.
    void Parser::stateAfterMark()
    {
        const qsizetype next = qsizetype(text.size());
        if (st.uc != lastUc) {
            d.ucRuns.emplace_back(next, st.uc);
            lastUc = st.uc;
        }
        if (const int number = codePageNumber(); number != lastCodePage) {
            d.codePages.emplace_back(next, number);
            lastCodePage = number;
        }
    }

    void Parser::storyBreak()
    {
        if (d.storyBreaks.empty() || d.storyBreaks.back() != text.size())
            d.storyBreaks.push_back(text.size());
    }

    // A character in the current code page that begins with `byte`, read from `begin` (a literal
    // byte or \'hh); `pos` is after that byte and moves past the other bytes of the character.
    void Parser::encodedByte(unsigned char byte, qsizetype begin, qsizetype& pos)
    {
        const bool inFontName = st.dest == Dest::FontTable;
        if (!inFontName && !visible())
            return;
        const CodePage* current = codePage();
        char16_t units[2] = {};
        int count = 0;
        if (current) {
            unsigned char bytes[4] = { byte };
            int have = 1;
            for (const int need = current->sequenceLength(byte); have < need;) {
                int next = -1;
                qsizetype after = pos;
                if (pos + 3 < n && src[pos] == '\\' && src[pos + 1] == '\'' && hexValue(src[pos + 2]) >= 0
                    && hexValue(src[pos + 3]) >= 0) {
                    next = hexValue(src[pos + 2]) * 16 + hexValue(src[pos + 3]);
                    after = pos + 4;
                } else if (pos < n && src[pos] != '\\' && src[pos] != '{' && src[pos] != '}'
                    && src[pos] != '\r' && src[pos] != '\n') {
                    next = static_cast<unsigned char>(src[pos]);
                    after = pos + 1;
                }
                if (next < 0 || !current->isTrail(static_cast<unsigned char>(next)))
                    break;
                bytes[have++] = static_cast<unsigned char>(next);
                pos = after;
            }
            count = current->decode(bytes, have, units);
        }
        if (inFontName) {
            fontName.append(QStringView(units, count));
            return;
        }
        if (count == 0) {
            // Bytes that could not be decoded: kept, and never edited (see RtfSource::write).
            d.opaque.push_back(qsizetype(text.size()));
            put(u'\uFFFD', begin, pos);
            return;
        }
        put(units[0], begin, pos);
        if (count == 2)
            put(units[1], pos, pos); // the second half of a surrogate pair has no bytes of its own
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
        // A run of plain ASCII: one character per byte, taken in one piece.
        put(char16_t(byte), pos, pos + 1);
        const qsizetype first = ++pos;
        while (pos < n && isPlainTextByte(src[pos]))
            ++pos;
        text.append(QLatin1StringView(src + first, pos - first));
        d.spans.back().bytes +=
            std::uint32_t(pos - first); // the run of one-byte characters put() began or extended
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
            if (const Keyword* known = findKeyword(word.name))
                keyword(*known, word, begin, pos);
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
        const qsizetype header = RtfSource::headerAt(d.source);
        if (header < 0) {
            why = QStringLiteral("not an RTF document");
            return false;
        }
        if (n >= qsizetype(std::numeric_limits<std::uint32_t>::max())) {
            why = QStringLiteral("RTF document too large");
            return false;
        }
        // Typical documents show a character for every two to ten bytes of markup; memory reserved and
        // never used costs nothing.
        text.reserve(n / 2);
        d.spans.reserve(std::size_t(n / 6)); // an escape, a control word or a run of plain text each
        qsizetype pos = header;
        qsizetype close = -1;
        while (pos < n) {
            const char c = src[pos];
            if (c == '{') {
                if (!openGroup(pos)) {
                    why = QStringLiteral("malformed RTF: groups nested too deeply");
                    return false;
                }
                ++pos;
            } else if (c == '}') {
                if (!closeGroup(pos)) {
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
        d.codePageAtEnd = d.codePages.empty() ? codePageNumber() : d.codePages.back().second;
        if (lastFallbackMissing > 0)
            d.afterCutFallback.push_back(qsizetype(text.size()));
        return true;
    }

} // namespace rtf

bool parseRtf(RtfSource::Data& data, QString& why)
{
    rtf::Parser parser(data);
    return parser.run(why);
}

} // namespace engine
