#include "engine/rtf/rtfsource.h"

#include "engine/files/bytechanges.h"
#include "engine/rtf/rtf_codepage.h"
#include "engine/rtf/rtf_data.h"

#include <algorithm>

namespace engine
{

namespace
{

    using rtf::hexValue;

    bool isLetter(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }
    bool isDigit(char c)
    {
        return c >= '0' && c <= '9';
    }

    // A byte that would become part of a control word written just before it: a letter or digit
    // extends it, a hyphen starts its number, a space would be taken as its delimiter.
    bool joinsControlWord(char c)
    {
        return isLetter(c) || isDigit(c) || c == '-' || c == ' ';
    }

    // Assembles the rewritten document: source bytes that are kept, and the escaped replacements.
    class Output
    {
    public:
        Output(const RtfSource::Data& data, QIODevice& device, ByteChanges* changes)
            : d(data)
            , device(device)
            , recorder(data.source, changes)
        {
            // A small document needs no buffer of a whole chunk (a fresh megabyte per write).
            out.reserve(std::min(ChunkSize, d.source.size()) + 4096);
        }

        // Writes what is left; false when the device refused some of it.
        bool finish()
        {
            recorder.finish();
            return flush(0) && ok;
        }

        // Appends source bytes [begin, end), which start and end on token boundaries.
        void keep(qsizetype begin, qsizetype end)
        {
            if (begin >= end)
                return;
            separateFrom(d.source.at(begin));
            recorder.kept(begin, end - begin);
            ending = endingOf(begin, end);
            // Long stretches of kept bytes go to the device without a copy, all but the last byte,
            // which a repair may still need to change.
            if (end - begin >= ChunkSize && flush(0)) {
                const qsizetype direct = end - 1 - begin;
                if (ok && device.write(d.source.constData() + begin, direct) != direct)
                    ok = false;
                begin = end - 1;
            }
            out.append(d.source.constData() + begin, end - begin);
            flushIfFull();
        }

        // Appends `text` as RTF, in the document's own style: a character outside ASCII as \'hh in the
        // code page in force when the page holds it, otherwise as \uN with one "?" for readers without
        // Unicode. Where the document asks for more stand-ins (\uc2 and up), the text goes in a group
        // of its own that asks for one, so a large \uc never multiplies what is written. `ownGroup`
        // puts it in a group in any case (after a \uN whose stand-ins a brace cut short).
        void insert(const QString& text, int uc, const rtf::CodePage* page, bool ownGroup = false)
        {
            if (text.isEmpty())
                return;
            const qsizetype sizeBefore = out.size(), separatorsBefore = separators;
            auto encoded = [&](qsizetype i, qsizetype* units) {
                const QChar c = text.at(i);
                char32_t code = c.unicode();
                *units = 1;
                if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                    code = QChar::surrogateToUcs4(c, text.at(i + 1));
                    *units = 2;
                }
                return page && code >= 0x80 && !QChar::isSurrogate(code) ? page->encode(code) : QByteArray();
            };
            bool needsUnicode = false;
            for (qsizetype i = 0, units = 1; i < text.size() && !needsUnicode; i += units) {
                const char16_t ch = text.at(i).unicode();
                needsUnicode = (ch >= 0x7F && encoded(i, &units).isEmpty())
                    || (ch < 0x20 && ch != '\t' && ch != '\r' && ch != '\n');
            }
            const bool group = ownGroup || (needsUnicode && uc > 1);
            if (group) {
                separateFrom('{');
                out.append('{');
                ending = Ending::Other;
                if (needsUnicode && uc > 1) {
                    word("\\uc1");
                    uc = 1;
                }
            }
            for (qsizetype i = 0; i < text.size(); ++i) {
                const char16_t ch = text.at(i).unicode();
                switch (ch) {
                case u'\\':
                case u'{':
                case u'}':
                    out.append('\\').append(char(ch));
                    ending = Ending::Other;
                    break;
                case u'\t':
                    word("\\tab");
                    break;
                case u'\r':
                    if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                        ++i;
                    word("\\par");
                    break;
                case u'\n':
                    word("\\par");
                    break;
                default:
                    if (ch >= 0x20 && ch < 0x7F) {
                        separateFrom(char(ch));
                        out.append(char(ch));
                        ending = Ending::Other;
                        break;
                    }
                    qsizetype units = 1;
                    const QByteArray bytes = encoded(i, &units);
                    if (!bytes.isEmpty()) {
                        for (const char byte : bytes)
                            out.append("\\'").append(QByteArray::number(uchar(byte) | 0x100, 16).mid(1));
                        ending = Ending::Other;
                        i += units - 1;
                        break;
                    }
                    word("\\u");
                    out.append(QByteArray::number(int(std::int16_t(ch))));
                    if (uc > 0) {
                        out.append('?');
                        ending = Ending::Other;
                    }
                }
            }
            if (group) {
                out.append('}');
                ending = Ending::Other;
            }
            recorder.inserted(out.size() - sizeBefore - (separators - separatorsBefore));
            flushIfFull();
        }

    private:
        // How the output ends, as far as the next byte could change the meaning of what is there.
        enum class Ending {
            Other,
            Word, // a control word without its delimiter: \b, \fs20
            WordHyphen, // a control word without number, then a hyphen of the text: \par-
        };

        void word(const char* name)
        {
            out.append(name);
            ending = Ending::Word;
        }

        void separateFrom(char next)
        {
            if (ending == Ending::Word && joinsControlWord(next)) {
                out.append(' ');
                recorder.inserted(1);
                ++separators;
            } else if (ending == Ending::WordHyphen && isDigit(next)) {
                out.insert(out.size() - 1, ' '); // "\par-1" would read as \par with the number -1
                recorder.insertedBeforeLast(1);
                ++separators;
            }
            ending = Ending::Other;
        }

        // How the kept bytes [begin, end) end; they start on a token boundary.
        Ending endingOf(qsizetype begin, qsizetype end) const
        {
            // \bin data is not markup, whatever bytes it holds: the scan stops where it ends.
            auto binary = std::upper_bound(d.binaryEnds.begin(), d.binaryEnds.end(), end);
            if (binary != d.binaryEnds.begin())
                begin = std::max(begin, *std::prev(binary));
            const char* s = d.source.constData();
            qsizetype p = end;
            const bool hyphen = p > begin && s[p - 1] == '-';
            if (hyphen) {
                --p;
            } else {
                while (p > begin && isDigit(s[p - 1]))
                    --p;
                if (p < end && p > begin && s[p - 1] == '-')
                    --p;
            }
            qsizetype letters = p;
            while (letters > begin && isLetter(s[letters - 1]))
                --letters;
            if (letters == p || letters == begin || s[letters - 1] != '\\')
                return Ending::Other;
            qsizetype backslashes = 0;
            for (qsizetype k = letters - 1; k >= begin && s[k] == '\\'; --k)
                ++backslashes;
            if (backslashes % 2 == 0)
                return Ending::Other;
            return hyphen ? Ending::WordHyphen : Ending::Word;
        }

        // Passes the output to the device in large pieces, keeping the last `keepBack` bytes, which
        // a repair may still change.
        bool flush(qsizetype keepBack)
        {
            const qsizetype count = out.size() - keepBack;
            if (count <= 0)
                return true;
            if (ok && device.write(out.constData(), count) != count)
                ok = false;
            out.remove(0, count);
            return ok;
        }
        void flushIfFull()
        {
            if (out.size() >= ChunkSize)
                flush(1);
        }

        static constexpr qsizetype ChunkSize = 1 << 20;
        const RtfSource::Data& d;
        QIODevice& device;
        QByteArray out;
        bool ok = true;
        Ending ending = Ending::Other;
        ChangeRecorder recorder;
        qsizetype separators = 0; // spaces put in to end a control word
    };

    int codePageAt(const RtfSource::Data& d, qsizetype unit)
    {
        if (unit >= d.text.size())
            return d.codePageAtEnd;
        auto it = std::upper_bound(d.codePages.begin(), d.codePages.end(), unit,
            [](qsizetype u, const std::pair<qsizetype, int>& run) {
                return u < run.first;
            });
        return it == d.codePages.begin() ? 1252 : std::prev(it)->second;
    }

    int ucAt(const RtfSource::Data& d, qsizetype unit)
    {
        if (unit >= d.text.size())
            return d.ucAtEnd;
        auto it = std::upper_bound(
            d.ucRuns.begin(), d.ucRuns.end(), unit, [](qsizetype u, const std::pair<qsizetype, int>& run) {
                return u < run.first;
            });
        return it == d.ucRuns.begin() ? 1 : std::prev(it)->second;
    }

    bool anyWithin(const std::vector<qsizetype>& sorted, qsizetype start, qsizetype end)
    {
        auto it = std::lower_bound(sorted.begin(), sorted.end(), start);
        return it != sorted.end() && *it < end;
    }

    void fail(QString* why, const QString& reason)
    {
        if (why)
            *why = reason;
    }

    QString fontFamily(const RtfSource::Data& d, int font)
    {
        if (font < 0)
            font = d.defaultFont;
        const auto it = d.fonts.find(font);
        return it == d.fonts.end() ? QString() : it->second.name;
    }

    std::optional<unsigned> color(const RtfSource::Data& d, int index)
    {
        if (index < 0 || std::size_t(index) >= d.colors.size())
            return std::nullopt;
        return d.colors[std::size_t(index)];
    }

} // namespace

RtfSource::RtfSource(std::shared_ptr<const Data> data)
    : d(std::move(data))
{
}

qsizetype RtfSource::headerAt(QByteArrayView head)
{
    qsizetype at = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (at < head.size() && (head[at] == ' ' || head[at] == '\t' || head[at] == '\r' || head[at] == '\n'))
        ++at;
    return head.sliced(at).startsWith("{\\rtf") ? at : -1;
}

std::optional<RtfSource> RtfSource::parse(QByteArray bytes, QString* why)
{
    auto data = std::make_shared<Data>();
    data->source = std::move(bytes);
    QString reason;
    if (!parseRtf(*data, reason)) {
        fail(why, reason);
        return std::nullopt;
    }
    return RtfSource(std::move(data));
}

const QString& RtfSource::text() const
{
    return d->text;
}

bool RtfSource::crossesBarrier(qsizetype start, qsizetype length) const
{
    return length > 0
        && (d->anyBarrier(start, start + length) || anyWithin(d->storyBreaks, start + 1, start + length));
}

RtfSource::WriteOutcome RtfSource::write(
    const EditList& edits, QIODevice& out, QString* why, ByteChanges* changes) const
{
    // A replacement by the very text it replaces leaves the document's bytes as they are.
    auto unchanged = [this](const Edit& edit) {
        return edit.start >= 0 && edit.start + edit.length <= d->text.size()
            && QStringView(d->text).mid(edit.start, edit.length) == edit.text;
    };
    const qsizetype size = d->text.size();
    qsizetype previousEnd = 0;
    for (const Edit& edit : edits) {
        if (edit.start < previousEnd || edit.length < 0 || edit.start + edit.length > size) {
            fail(why, QStringLiteral("replacements out of order or outside the text"));
            return WriteOutcome::InvalidEdits;
        }
        previousEnd = edit.start + edit.length;
        if (unchanged(edit))
            continue;
        if (crossesBarrier(edit.start, edit.length)) {
            fail(why,
                QStringLiteral("a replacement would cross a table cell or row mark, or the edge of a note, "
                               "header or footer"));
            return WriteOutcome::InvalidEdits;
        }
        // Bytes that could not be decoded stay untouched, and so does what follows them: a lone
        // lead byte of a double-byte code page would take the next byte written as its trail.
        if (anyWithin(d->opaque, std::max<qsizetype>(edit.start - 1, 0), edit.start + edit.length)) {
            fail(why, QStringLiteral("a replacement touches text in an unsupported code page"));
            return WriteOutcome::UnsupportedCodePage;
        }
    }

    Output output(*d, out, changes);
    qsizetype cursor = 0;
    int pageNumber = -1;
    const rtf::CodePage* page = nullptr;
    for (const Edit& edit : edits) {
        if (unchanged(edit))
            continue;
        const qsizetype insertAt = edit.start < size ? d->spanBegin(edit.start) : d->endOfText;
        output.keep(cursor, insertAt);
        if (const int number = codePageAt(*d, edit.start); number != pageNumber) {
            pageNumber = number;
            page = rtf::CodePage::find(number);
        }
        output.insert(edit.text, ucAt(*d, edit.start), page,
            std::binary_search(d->afterCutFallback.begin(), d->afterCutFallback.end(), edit.start));
        cursor = insertAt;
        // Deletes the matched characters' bytes; whatever lies between them (formatting, group
        // braces, hidden groups) stays.
        const qsizetype end = edit.start + edit.length;
        qsizetype unit = edit.start;
        for (std::size_t run = unit < end ? d->runOf(unit) : 0; unit < end; ++run) {
            const rtf::Span span = d->spanIn(run, unit, end, &unit);
            output.keep(cursor, span.begin);
            cursor = span.end;
        }
    }
    output.keep(cursor, d->source.size());
    if (!output.finish()) {
        fail(why, out.errorString());
        return WriteOutcome::DeviceFailed;
    }
    return WriteOutcome::Written;
}

std::vector<FormatRun> RtfSource::formatRuns() const
{
    std::vector<FormatRun> runs;
    runs.reserve(d->formatStarts.size());
    for (std::size_t i = 0; i < d->formatStarts.size(); ++i) {
        const auto& [start, format] = d->formatStarts[i];
        const qsizetype end = i + 1 < d->formatStarts.size() ? d->formatStarts[i + 1].first : d->text.size();
        FormatRun run;
        run.start = start;
        run.length = end - start;
        run.bold = format.bold;
        run.italic = format.italic;
        run.underline = format.underline;
        run.strike = format.strike;
        run.fontFamily = fontFamily(*d, format.font);
        run.pointSize = format.halfPoints / 2.0;
        run.color = color(*d, format.color);
        run.background = color(*d, format.background);
        run.aside = format.aside;
        runs.push_back(std::move(run));
    }
    return runs;
}

std::vector<ParagraphRun> RtfSource::paragraphRuns() const
{
    return d->paragraphs;
}

std::vector<Picture> RtfSource::pictures() const
{
    std::vector<Picture> result;
    for (const rtf::PictureSource& source : d->pictures) {
        Picture picture;
        picture.position = source.position;
        picture.widthTwips = source.widthTwips;
        picture.heightTwips = source.heightTwips;
        const char* s = d->source.constData();
        if (source.binary) {
            picture.data = QByteArray(s + source.dataBegin, source.dataEnd - source.dataBegin);
        } else {
            picture.data.reserve((source.dataEnd - source.dataBegin) / 2);
            int high = -1;
            for (qsizetype p = source.dataBegin; p < source.dataEnd; ++p) {
                const int value = hexValue(s[p]);
                if (value < 0)
                    continue;
                if (high < 0) {
                    high = value;
                } else {
                    picture.data.append(char(high * 16 + value));
                    high = -1;
                }
            }
        }
        result.push_back(std::move(picture));
    }
    return result;
}

} // namespace engine
