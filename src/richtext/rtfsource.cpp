#include "richtext/rtfsource.h"

#include "richtext/rtf_data.h"

#include <algorithm>

namespace richtext
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
        Output(const RtfSource::Data& data, QIODevice& device)
            : d(data)
            , device(device)
        {
            // A small document needs no buffer of a whole chunk (a fresh megabyte per write).
            out.reserve(std::min(ChunkSize, d.source.size()) + 4096);
        }

        // Writes what is left; false when the device refused some of it.
        bool finish() { return flush(0) && ok; }

        // Appends source bytes [begin, end), which start and end on token boundaries.
        void keep(qsizetype begin, qsizetype end)
        {
            if (begin >= end)
                return;
            separateFrom(d.source.at(begin));
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

        // Appends `text` as RTF. Non-ASCII characters are written as \uN followed by `uc` stand-ins.
        // A larger \uc than documents use (0 to 2) would multiply the text: the characters then go
        // in a group of their own that asks for one stand-in.
        void insert(const QString& text, int uc)
        {
            const bool ownUc = uc > 2;
            bool grouped = false;
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
                    } else {
                        if (ownUc && !grouped) {
                            out.append("{\\uc1");
                            grouped = true;
                        }
                        word("\\u");
                        out.append(QByteArray::number(int(std::int16_t(ch))));
                        if (uc > 0) {
                            out.append(QByteArray(ownUc ? 1 : uc, '?'));
                            ending = Ending::Other;
                        }
                    }
                }
            }
            if (grouped) {
                out.append('}');
                ending = Ending::Other;
            }
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
            if (ending == Ending::Word && joinsControlWord(next))
                out.append(' ');
            else if (ending == Ending::WordHyphen && isDigit(next))
                out.insert(out.size() - 1, ' '); // "\par-1" would read as \par with the number -1
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
    };

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
        const auto it = d.fonts.find(font < 0 ? d.defaultFont : font);
        return it != d.fonts.end() ? it->second.name : QString();
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

bool RtfSource::isRtf(QByteArrayView head)
{
    return head.startsWith("{\\rtf");
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
    return length > 0 && anyWithin(d->barriers, start, start + length);
}

bool RtfSource::write(const EditList& edits, QIODevice& out, QString* why) const
{
    const qsizetype size = d->text.size();
    qsizetype previousEnd = 0;
    for (const Edit& edit : edits) {
        if (edit.start < previousEnd || edit.length < 0 || edit.start + edit.length > size) {
            fail(why, QStringLiteral("replacements out of order or outside the text"));
            return false;
        }
        if (crossesBarrier(edit.start, edit.length)) {
            fail(why, QStringLiteral("a replacement would remove a table cell or row mark"));
            return false;
        }
        // Bytes that could not be decoded stay untouched, and so does what follows them: a lone
        // lead byte of a double-byte code page would take the next byte written as its trail.
        if (anyWithin(d->opaque, std::max<qsizetype>(edit.start - 1, 0), edit.start + edit.length)) {
            fail(why, QStringLiteral("a replacement touches text in an unsupported code page"));
            return false;
        }
        previousEnd = edit.start + edit.length;
    }

    Output output(*d, out);
    qsizetype cursor = 0;
    for (const Edit& edit : edits) {
        const qsizetype insertAt = edit.start < size ? d->spanBegin(edit.start) : d->endOfText;
        output.keep(cursor, insertAt);
        if (edit.start == size && !edit.text.isEmpty())
            output.insert(QString(d->endFallbackMissing, u'?'), 0);
        output.insert(edit.text, ucAt(*d, edit.start));
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
        return false;
    }
    return true;
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

} // namespace richtext
