// The RTF document: read, find, replace, write, read again. No input crashes it; a document written
// without edits is the same bytes; a document written with edits reads back as its text with the
// edits applied.

#include "engine/rtf/rtfsource.h"
#include "fuzzing.h"

#include <QBuffer>

using engine::RtfSource;

namespace
{

QByteArray written(const RtfSource& source, const engine::EditList& edits, bool* ok)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    *ok = source.write(edits, buffer) == RtfSource::WriteOutcome::Written;
    return buffer.data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzing::Replacement r = fuzzing::Replacement::read(data, size);
    const auto source = RtfSource::parse(r.file);
    if (!source)
        return 0;
    // What the preview shows of it.
    source->formatRuns();
    source->paragraphRuns();
    source->pictures();

    bool ok = false;
    FUZZ_CHECK(written(*source, {}, &ok) == r.file && ok);

    const QString& text = source->text();
    const engine::TextRef ref { nullptr, reinterpret_cast<const char16_t*>(text.utf16()), text.size() };
    const engine::EditList edits =
        fuzzing::editsFor(ref, r.needleIn(text), r, [&](qsizetype at, qsizetype length) {
            return !source->crossesBarrier(at, length);
        });
    if (edits.empty())
        return 0;
    const QByteArray after = written(*source, edits, &ok);
    if (!ok) {
        // Only text in a code page the program cannot write is refused; it reads as U+FFFD.
        FUZZ_CHECK(text.contains(QChar::ReplacementCharacter));
        return 0;
    }
    // An inserted character takes at most a \uN and its stand-in: the document's own \uc does not
    // multiply it.
    qsizetype inserted = 0;
    for (const engine::Edit& edit : edits)
        inserted += 8 + 16 * edit.text.size();
    FUZZ_CHECK(after.size() <= r.file.size() + inserted);
    const auto reread = RtfSource::parse(after);
    FUZZ_CHECK(reread);
    FUZZ_CHECK(reread->text() == fuzzing::applied(text, edits));
    return 0;
}
