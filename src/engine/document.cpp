#include "engine/document.h"

#include "engine/document_private.h"
#include "engine/files/bytechanges.h"
#include "engine/files/filewrite.h"
#include "engine/packages/packagesource.h"
#include "engine/plain/plaintext.h"
#include "engine/rtf/rtfsource.h"
#include "engine/text/search.h"
#include "engine/text/textmodel.h"

#include <QFileInfo>

namespace engine
{

namespace
{

    constexpr qsizetype kRtfHead = 1024;
    constexpr qsizetype kPackageHead = 1 << 16;
    // Of a file too large to hold, the start a preview shows.
    constexpr qsizetype kStreamedShown = 1'000'000;

    LoadOutcome outcomeOf(PackageSource::Problem problem)
    {
        switch (problem) {
        case PackageSource::Problem::Encrypted:
            return LoadOutcome::Encrypted;
        case PackageSource::Problem::OldWord:
            return LoadOutcome::OldWordDocument;
        case PackageSource::Problem::NotUtf8:
            return LoadOutcome::Unsupported;
        default:
            return LoadOutcome::Damaged;
        }
    }

    SaveOutcome outcomeOf(PackageSource::WriteOutcome outcome)
    {
        switch (outcome) {
        case PackageSource::WriteOutcome::Written:
            return SaveOutcome::Written;
        case PackageSource::WriteOutcome::Signed:
            return SaveOutcome::Signed;
        case PackageSource::WriteOutcome::ForbiddenCharacter:
            return SaveOutcome::NotXmlCharacter;
        default:
            return SaveOutcome::Failed;
        }
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
        PlainStream stream(d->limits.piece, d->limits.memory);
        QString why;
        const LoadOutcome opened = stream.open(path, &why);
        // An RTF document or a word-processing package may hold NUL bytes or look like UTF-32 to the
        // plain reader: they are read whole, when the memory holds them.
        if (mode != LoadMode::Text && opened != LoadOutcome::Missing && opened != LoadOutcome::Unreadable
            && (RtfSource::isRtf(stream.head().first(std::min(stream.head().size(), kRtfHead)))
                || PackageSource::mayBe(stream.head().first(std::min(stream.head().size(), kPackageHead))))) {
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
        const QByteArrayView head =
            d->plain.bytesRead().first(std::min(d->plain.bytesRead().size(), kPackageHead));
        if (PackageSource::mayBe(head)) {
            PackageSource::Problem problem = PackageSource::Problem::None;
            QString why;
            d->package = PackageSource::open(d->plain.bytesRead().toByteArray(), &problem, &why);
            if (problem != PackageSource::Problem::NotAPackage) {
                if (!d->package)
                    return failed(outcomeOf(problem),
                        why.isEmpty() ? QString()
                                      : describe(outcomeOf(problem)) + QStringLiteral(" (") + why + u')');
                d->origin = Origin::Package;
                const QString& text = d->package->text();
                d->model.reset(
                    TextRef { nullptr, reinterpret_cast<const char16_t*>(text.utf16()), text.size() });
                return LoadOutcome::Loaded;
            }
        }
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

StreamResult Document::replaceStreamed(const QString& find, const QString& replacement, int options,
    const std::function<void(qint64)>& progress, ByteChanges* changes)
{
    const QString path = d->loadedPath;
    PlainStream stream(d->limits.piece, d->limits.memory);
    StreamResult result = reopen(stream);
    if (result.outcome == SaveOutcome::Written)
        result = stream.replace(find, replacement, options, progress, changes);
    if (result.outcome != SaveOutcome::Written)
        d->error = result.error;
    else if (result.replaced > 0)
        load(path, LoadMode::Text);
    return result;
}

StreamResult Document::countStreamed(const QString& find, const QString& replacement, int options,
    const std::function<void(qint64)>& progress) const
{
    PlainStream stream(d->limits.piece, d->limits.memory);
    StreamResult result = reopen(stream);
    if (result.outcome == SaveOutcome::Written)
        result = stream.count(find, replacement, options, progress);
    if (result.outcome == SaveOutcome::Written && result.replaced > 0 && !mayWrite(d->loadedPath))
        result.outcome = SaveOutcome::ReadOnly;
    return result;
}

StreamResult Document::reopen(PlainStream& stream) const
{
    StreamResult result;
    QString why;
    if (d->origin != Origin::Streamed) {
        result.outcome = SaveOutcome::Failed;
    } else if (const LoadOutcome opened = stream.open(d->loadedPath, &why); opened != LoadOutcome::Loaded) {
        result.outcome =
            opened == LoadOutcome::Missing ? SaveOutcome::ChangedByAnotherProgram : SaveOutcome::Failed;
        result.error = why.isEmpty() ? describe(opened) : why;
    }
    return result;
}

SaveOutcome Document::save(const QString& path, FileType type, ByteChanges* changes)
{
    d->error.clear();
    if (changes)
        changes->clear();
    if (d->origin == Origin::Streamed)
        return d->fail(SaveOutcome::Failed, QStringLiteral("only the start of this large file is held"));
    const bool plainWriteBack = d->origin == Origin::Plain && type == rtfText;
    if (plainWriteBack && !d->plain.canEncode(d->model.edits()))
        return d->fail(SaveOutcome::Unencodable, describe(SaveOutcome::Unencodable));

    // A package is put together whole before the file is touched, so that a refusal writes nothing.
    std::optional<PackageSource::Rewrite> package;
    if (d->origin == Origin::Package && type == docPackage) {
        package = d->package->rewrite(d->model.edits());
        if (package->outcome != PackageSource::WriteOutcome::Written) {
            const SaveOutcome outcome = outcomeOf(package->outcome);
            return d->fail(outcome, package->why.isEmpty() ? describe(outcome) : package->why);
        }
    } else if (type == docPackage) {
        return d->fail(SaveOutcome::Failed, QStringLiteral("not a word-processing document"));
    }

    QString why;
    RtfSource::WriteOutcome rich = RtfSource::WriteOutcome::Written;
    const auto content = [&](QIODevice& out) {
        if (plainWriteBack)
            return d->plain.write(d->model.edits(), out, changes);
        if (package) {
            if (changes) {
                for (const packages::ChangedSpan& span : package->changes)
                    changes->add(span.offset, span.length, span.oldBytes);
            }
            return out.write(package->bytes) == package->bytes.size();
        }
        if (d->origin == Origin::Rich && type == rtfRTF) {
            rich = d->rich->write(d->model.edits(), out, &why, changes);
            return rich == RtfSource::WriteOutcome::Written;
        }
        const QByteArray bytes = type == rtfRTF ? minimalRtf(text()) : text().toUtf8();
        if (changes) {
            // Written anew: the whole file changed.
            QByteArray old;
            readWholeFile(path, old);
            changes->add(0, bytes.size(), old);
        }
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
    if (changes)
        changes->after = identifyPath(path);
    return SaveOutcome::Written;
}

SaveOutcome Document::check(const QString& path, FileType type) const
{
    if (d->origin == Origin::Plain && type == rtfText && !d->plain.canEncode(d->model.edits()))
        return SaveOutcome::Unencodable;
    if (d->origin == Origin::Rich && type == rtfRTF) {
        // The bytes go nowhere; only the writer's verdict counts.
        struct Nowhere : QIODevice {
            qint64 readData(char*, qint64) override { return -1; }
            qint64 writeData(const char*, qint64 size) override { return size; }
        } nowhere;
        nowhere.open(QIODevice::WriteOnly);
        if (d->rich->write(d->model.edits(), nowhere) == RtfSource::WriteOutcome::UnsupportedCodePage)
            return SaveOutcome::UnsupportedCodePage;
    }
    if (d->origin == Origin::Package && type == docPackage) {
        const PackageSource::Rewrite rewritten = d->package->rewrite(d->model.edits());
        if (rewritten.outcome != PackageSource::WriteOutcome::Written)
            return outcomeOf(rewritten.outcome);
    }
    if (!mayWrite(path))
        return SaveOutcome::ReadOnly;
    return SaveOutcome::Written;
}

const FileIdentity& Document::loadedIdentity() const
{
    return d->loadedAs;
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
bool Document::isPackage() const
{
    return d->origin == Origin::Package;
}
FileType Document::fileType() const
{
    return d->origin == Origin::Rich ? rtfRTF : d->origin == Origin::Package ? docPackage : rtfText;
}
const PackageSource* Document::package() const
{
    return d->package ? &*d->package : nullptr;
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
