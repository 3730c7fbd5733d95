#include "engine/document.h"

#include "engine/files/filewrite.h"
#include "engine/plain/plaintext.h"
#include "engine/rtf/rtfsource.h"
#include "engine/text/search.h"
#include "engine/text/textmodel.h"

#include <QFileInfo>

namespace engine
{

namespace
{

    enum class Origin { None, Plain, Rich, Streamed };

    constexpr qsizetype kRtfHead = 1024;
    // Of a file too large to hold, the start a preview shows.
    constexpr qsizetype kStreamedShown = 1'000'000;

    QString normalizedBreaks(const QString& text)
    {
        if (!text.contains(u'\r'))
            return text;
        QString out = text;
        out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        out.replace(u'\r', u'\n');
        return out;
    }

    char32_t codePointBefore(const TextModel& model, qsizetype pos)
    {
        if (pos <= 0)
            return 0;
        const char16_t unit = model.at(pos - 1);
        if (QChar::isLowSurrogate(unit) && pos >= 2) {
            const char16_t high = model.at(pos - 2);
            if (QChar::isHighSurrogate(high))
                return QChar::surrogateToUcs4(high, unit);
        }
        return unit;
    }

    char32_t codePointAt(const TextModel& model, qsizetype pos)
    {
        if (pos >= model.length())
            return 0;
        const char16_t unit = model.at(pos);
        if (QChar::isHighSurrogate(unit) && pos + 1 < model.length()) {
            const char16_t low = model.at(pos + 1);
            if (QChar::isLowSurrogate(low))
                return QChar::surrogateToUcs4(unit, low);
        }
        return unit;
    }

    // Plain text as a minimal RTF document: ASCII as it is, the rest as \uN with a "?" fallback.
    QByteArray minimalRtf(const QString& text)
    {
        QByteArray out(
            "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern Courier New;}}\\uc1\\f0\\fs20 ");
        out.reserve(out.size() + text.size() + 16);
        for (QChar qc : text) {
            const char16_t c = qc.unicode();
            if (c == '\\' || c == '{' || c == '}') {
                out += '\\';
                out += char(c);
            } else if (c == '\n') {
                out += "\\par\n";
            } else if (c == '\t') {
                out += "\\tab ";
            } else if (c >= 0x20 && c < 0x7F) {
                out += char(c);
            } else {
                out += "\\u" + QByteArray::number(qint16(c)) + '?';
            }
        }
        out += "}";
        return out;
    }

} // namespace

struct Document::Private {
    StreamLimits limits;
    Origin origin = Origin::None;
    PlainText plain;
    std::optional<RtfSource> rich;
    QString ownText; // the text of a document made with setText
    TextModel model;
    qsizetype selStart = 0;
    qsizetype selLength = 0;
    quint64 revision = 0;
    QString loadedPath; // the file the document was read from, and what that file was then
    FileIdentity loadedAs;
    FileHandle loadedFile; // open from the reading on: the write checks that very file
    mutable QString error;
    std::optional<Matcher> matcher; // the last search's, kept for the next one
    QString matcherNeedle;
    bool matcherCase = false;
    QString scratch; // the whole current text, while a search has to look inside earlier edits
    quint64 scratchRevision = ~quint64(0);

    void reset()
    {
        origin = Origin::None;
        plain.clear();
        rich.reset();
        ownText.clear();
        model.reset({});
        selStart = selLength = 0;
        scratch.clear();
        loadedPath.clear();
        loadedAs = {};
        loadedFile.reset();
        ++revision;
    }
    SaveOutcome fail(SaveOutcome outcome, const QString& why) const
    {
        error = why;
        return outcome;
    }
    bool acceptable(qsizetype at, qsizetype size, bool wholeWord) const;
    bool acceptableInBytes(const PlainText::ByteMatch& match, bool wholeWord);
    // Makes the characters of a plain file's text readable, decoding them if they are not yet.
    void ensureText()
    {
        if (origin == Origin::Plain && plain.textPending()) {
            plain.decodeText();
            model.setOriginal(plain.text());
        }
    }
};

// A match found in a plain file's bytes must not cut a word either. The character before it may be
// the end of the replacement just made; the text is decoded for that only when the replacement does
// not say it by itself.
bool Document::Private::acceptableInBytes(const PlainText::ByteMatch& match, bool wholeWord)
{
    if (!wholeWord)
        return true;
    const qsizetype at = match.start + model.tailShift();
    char32_t before = 0;
    if (at > model.tailStart()) {
        before = plain.codePointBeforeByte(match.from);
    } else if (at > 0) {
        const QString& inserted = model.edits().back().text;
        if (!inserted.isEmpty() && !inserted.back().isSurrogate()) {
            before = inserted.back().unicode();
        } else {
            ensureText();
            before = codePointBefore(model, at);
        }
    }
    if (isWordChar(before) && isWordChar(plain.codePointAtByte(match.from)))
        return false;
    return !(isWordChar(plain.codePointBeforeByte(match.to)) && isWordChar(plain.codePointAtByte(match.to)));
}

bool Document::Private::acceptable(qsizetype at, qsizetype size, bool wholeWord) const
{
    if (wholeWord) {
        // A match must not cut a word: at each end, the characters on both sides are not both word
        // characters.
        if (isWordChar(codePointBefore(model, at)) && isWordChar(codePointAt(model, at)))
            return false;
        if (isWordChar(codePointBefore(model, at + size)) && isWordChar(codePointAt(model, at + size)))
            return false;
    }
    if (rich) {
        const qsizetype from = model.toOriginal(at);
        const qsizetype to = model.toOriginal(at + size);
        if (to > from && rich->crossesBarrier(from, to - from))
            return false;
    }
    return true;
}

Document::Document()
    : d(std::make_unique<Private>())
{
}

Document::~Document() = default;

LoadOutcome Document::load(const QString& path, LoadMode mode)
{
    d->reset();
    d->error.clear();
    auto failed = [this](LoadOutcome outcome, const QString& why) {
        d->reset();
        d->error = why.isEmpty() ? describe(outcome) : why;
        return outcome;
    };
    // A rich document is parsed whole; one the memory cannot hold is refused before anything else.
    auto tooLarge = [&](qint64 size) {
        QString why;
        if (fitsInMemory(size * StreamLimits::richCost, d->limits.memory, &why))
            return false;
        failed(LoadOutcome::TooLarge, describe(LoadOutcome::TooLarge) + QStringLiteral(": ") + why);
        return true;
    };
    if (const qint64 size = QFileInfo(path).size(); size > d->limits.above) {
        PlainStream stream(d->limits.piece);
        QString why;
        const LoadOutcome opened = stream.open(path, &why);
        // An RTF document may hold NUL bytes or look like UTF-32 to the plain reader.
        if (mode != LoadMode::Text && opened != LoadOutcome::Missing && opened != LoadOutcome::Unreadable
            && RtfSource::isRtf(stream.head().first(std::min(stream.head().size(), kRtfHead)))) {
            if (tooLarge(size))
                return LoadOutcome::TooLarge;
        } else if (opened != LoadOutcome::Loaded) {
            return failed(opened, why);
        } else {
            d->origin = Origin::Streamed;
            d->ownText = stream.headText(kStreamedShown);
            d->model.reset(TextRef {
                nullptr, reinterpret_cast<const char16_t*>(d->ownText.utf16()), d->ownText.size() });
            d->loadedPath = QFileInfo(path).absoluteFilePath();
            return LoadOutcome::Loaded;
        }
    }
    ReadResult read = d->plain.read(path);
    if (read.outcome != LoadOutcome::Loaded)
        return failed(read.outcome, read.error);
    d->loadedPath = QFileInfo(path).absoluteFilePath();
    d->loadedAs = read.identity;
    d->loadedFile = std::move(read.handle);

    if (mode != LoadMode::Text) {
        if (RtfSource::isRtf(d->plain.bytesRead().first(std::min(d->plain.bytesRead().size(), kRtfHead)))) {
            if (tooLarge(d->plain.bytesRead().size()))
                return LoadOutcome::TooLarge;
            QString why;
            d->rich = RtfSource::parse(d->plain.takeBytes(), &why);
            if (!d->rich)
                return failed(LoadOutcome::Malformed, why);
            d->origin = Origin::Rich;
            const QString& text = d->rich->text();
            d->model.reset(TextRef { nullptr, reinterpret_cast<const char16_t*>(text.utf16()), text.size() });
            return LoadOutcome::Loaded;
        }
    }
    QString why;
    const LoadOutcome outcome = d->plain.decode(&why);
    if (outcome != LoadOutcome::Loaded)
        return failed(outcome, why);
    d->origin = Origin::Plain;
    d->model.reset(d->plain.text());
    return LoadOutcome::Loaded;
}

void Document::setStreamLimits(const StreamLimits& limits)
{
    d->limits = limits;
}

bool Document::isStreamed() const
{
    return d->origin == Origin::Streamed;
}

StreamResult Document::replaceStreamed(
    const QString& find, const QString& replacement, int options, const std::function<void(qint64)>& progress)
{
    StreamResult result;
    const QString path = d->loadedPath;
    PlainStream stream(d->limits.piece);
    QString why;
    if (d->origin != Origin::Streamed) {
        result.outcome = SaveOutcome::Failed;
    } else if (const LoadOutcome opened = stream.open(path, &why); opened != LoadOutcome::Loaded) {
        result.outcome =
            opened == LoadOutcome::Missing ? SaveOutcome::ChangedByAnotherProgram : SaveOutcome::Failed;
        result.error = why.isEmpty() ? describe(opened) : why;
    } else {
        result = stream.replace(find, replacement, options, progress);
    }
    if (result.outcome != SaveOutcome::Written)
        d->error = result.error;
    else if (result.replaced > 0)
        load(path, LoadMode::Text);
    return result;
}

SaveOutcome Document::save(const QString& path, FileType type)
{
    d->error.clear();
    if (d->origin == Origin::Streamed)
        return d->fail(SaveOutcome::Failed, QStringLiteral("only the start of this large file is held"));
    const bool plainWriteBack = d->origin == Origin::Plain && type == rtfText;
    if (plainWriteBack && !d->plain.canEncode(d->model.edits()))
        return d->fail(SaveOutcome::Unencodable, describe(SaveOutcome::Unencodable));

    QString why;
    RtfSource::WriteOutcome rich = RtfSource::WriteOutcome::Written;
    const auto content = [&](QIODevice& out) {
        if (plainWriteBack)
            return d->plain.write(d->model.edits(), out);
        if (d->origin == Origin::Rich && type == rtfRTF) {
            rich = d->rich->write(d->model.edits(), out, &why);
            return rich == RtfSource::WriteOutcome::Written;
        }
        const QByteArray bytes = type == rtfRTF ? minimalRtf(text()) : text().toUtf8();
        return out.write(bytes) == bytes.size();
    };
    const bool sameFile = !d->loadedPath.isEmpty() && QFileInfo(path).absoluteFilePath() == d->loadedPath;
    const WriteResult result = writeFile(
        path, sameFile ? d->loadedAs : FileIdentity {}, content, sameFile ? d->loadedFile.get() : -1);
    if (rich == RtfSource::WriteOutcome::UnsupportedCodePage)
        return d->fail(SaveOutcome::UnsupportedCodePage, describe(SaveOutcome::UnsupportedCodePage));
    if (result.contentRefused)
        return d->fail(SaveOutcome::Failed, why.isEmpty() ? describe(SaveOutcome::Failed) : why);
    if (result.outcome != SaveOutcome::Written)
        return d->fail(result.outcome, result.error.isEmpty() ? describe(result.outcome) : result.error);
    // The file now holds what this document wrote; the document has no older state of it to check.
    d->loadedPath.clear();
    d->loadedFile.reset();
    return SaveOutcome::Written;
}

void Document::closeFile()
{
    d->loadedFile.reset();
}

QString Document::errorString() const
{
    return d->error;
}

void Document::setText(const QString& text)
{
    d->reset();
    d->ownText = normalizedBreaks(text);
    d->model.reset(
        TextRef { nullptr, reinterpret_cast<const char16_t*>(d->ownText.utf16()), d->ownText.size() });
}

QString Document::text() const
{
    d->ensureText();
    return d->model.text();
}
qsizetype Document::length() const
{
    return d->model.length();
}
QString Document::mid(qsizetype position, qsizetype count) const
{
    // The pieces of a plain file's text that no edit has touched are decoded on their own: showing
    // the start of a large file does not decode all of it.
    if (d->origin == Origin::Plain && d->plain.textPending()) {
        const PlainText& plain = d->plain;
        auto piece = d->model.mid(position, count, [&plain](QString& out, qsizetype from, qsizetype n) {
            return plain.appendPending(out, from, n);
        });
        if (piece)
            return *std::move(piece);
    }
    d->ensureText();
    return d->model.mid(position, count);
}
bool Document::isRich() const
{
    return d->origin == Origin::Rich;
}
const RtfSource* Document::rtf() const
{
    return d->rich ? &*d->rich : nullptr;
}
const EditList& Document::edits() const
{
    return d->model.edits();
}
quint64 Document::revision() const
{
    return d->revision;
}

qsizetype Document::find(
    QStringView needle, std::optional<qsizetype> start, std::optional<qsizetype> end, int options)
{
    const qsizetype length = d->model.length();
    qsizetype from = 0, to = length;
    if (start) {
        from = std::max<qsizetype>(*start, 0);
    } else if (!end && d->selLength > 0) {
        from = d->selStart;
        to = d->selStart + d->selLength;
    }
    if (end)
        to = std::min(*end, length);
    if (needle.isEmpty() || from > length || to <= from)
        return -1;

    const bool matchCase = options & rtfMatchCase;
    if (!d->matcher || d->matcherCase != matchCase || d->matcherNeedle != needle) {
        d->matcherNeedle = needle.toString();
        d->matcherCase = matchCase;
        d->matcher.emplace(normalizedBreaks(d->matcherNeedle), matchCase);
    }
    const Matcher& matcher = *d->matcher;
    const bool wholeWord = options & rtfWholeWord;

    // A plain UTF-8 file is searched in its own bytes as long as the search runs over text that no
    // edit has touched.
    if (d->origin == Origin::Plain && d->plain.searchesBytes() && matcher.searchesUtf8()
        && from >= d->model.tailStart()) {
        const qsizetype shift = d->model.tailShift();
        const qsizetype found =
            d->plain.findInBytes(matcher, from - shift, to - shift, [&](const PlainText::ByteMatch& match) {
                return d->acceptableInBytes(match, wholeWord);
            });
        if (found < 0)
            return -1;
        d->selStart = found + shift;
        d->selLength = matcher.size();
        return d->selStart;
    }
    d->ensureText();

    // Usually the search starts after the last replacement, where the text is the original one
    // shifted; otherwise it runs over the whole current text, assembled once per change.
    TextRef text;
    qsizetype shift = 0;
    if (from >= d->model.tailStart()) {
        text = d->model.original();
        shift = d->model.tailShift();
    } else {
        if (d->scratchRevision != d->revision) {
            d->scratch = d->model.text();
            d->scratchRevision = d->revision;
        }
        text = TextRef { nullptr, reinterpret_cast<const char16_t*>(d->scratch.utf16()), d->scratch.size() };
    }
    // Looking a little way ahead first, as the byte search does, keeps a letter the text lacks from
    // being looked for to its end at every match.
    for (qsizetype at = from - shift, window = 64;;) {
        const qsizetype limit = std::min(to - shift, at + window + matcher.size());
        const qsizetype hit = matcher.indexIn(text, at, limit);
        if (hit < 0 && limit < to - shift) {
            at = limit - matcher.size() + 1;
            window *= 2;
            continue;
        }
        if (hit < 0)
            return -1;
        const qsizetype found = hit + shift;
        if (d->acceptable(found, matcher.size(), wholeWord)) {
            d->selStart = found;
            d->selLength = matcher.size();
            return found;
        }
        at = hit + 1;
    }
}

qsizetype Document::selStart() const
{
    return d->selStart;
}
qsizetype Document::selLength() const
{
    return d->selLength;
}
QString Document::selText() const
{
    return d->selLength > 0 ? mid(d->selStart, d->selLength) : QString();
}

void Document::setSelStart(qsizetype position)
{
    d->selStart = std::clamp<qsizetype>(position, 0, d->model.length());
    d->selLength = 0;
}

void Document::setSelLength(qsizetype length)
{
    d->selLength = std::clamp<qsizetype>(length, 0, d->model.length() - d->selStart);
}

void Document::select(qsizetype start, qsizetype length)
{
    setSelStart(start);
    setSelLength(length);
}

void Document::setSelText(const QString& text)
{
    const QString inserted = normalizedBreaks(text);
    d->model.replace(d->selStart, d->selLength, inserted);
    d->selStart += inserted.size();
    d->selLength = 0;
    ++d->revision;
}

} // namespace engine
