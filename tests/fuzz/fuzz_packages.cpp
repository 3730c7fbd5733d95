// Word and OpenDocument documents: read (ZIP and XML), find, replace, write, read again. No input
// crashes the reader; a document written without edits is the same bytes; a document written with
// edits reads back as its text with the edits applied.

#include "engine/packages/packagesource.h"
#include "fuzzing.h"

using engine::PackageSource;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzing::Replacement r = fuzzing::Replacement::read(data, size);
    PackageSource::Problem problem = PackageSource::Problem::None;
    const auto source = PackageSource::open(r.file, &problem);
    if (!source)
        return 0;
    FUZZ_CHECK(source->rewrite({}).bytes == r.file);

    const QString& text = source->text();
    const engine::TextRef ref { nullptr, reinterpret_cast<const char16_t*>(text.utf16()), text.size() };
    // The document's own line breaks: an inserted CR LF or CR is one "\n", as the program inserts it.
    fuzzing::Replacement asInserted = r;
    asInserted.with.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const engine::EditList edits =
        fuzzing::editsFor(ref, r.needleIn(text), asInserted, [&](qsizetype at, qsizetype length) {
            return !source->crossesBarrier(at, length);
        });
    if (edits.empty())
        return 0;
    const PackageSource::Rewrite after = source->rewrite(edits);
    if (after.outcome == PackageSource::WriteOutcome::Signed)
        return 0;
    // Only text in a CDATA section is not rewritten.
    if (after.outcome == PackageSource::WriteOutcome::InvalidEdits) {
        FUZZ_CHECK(after.why.contains(QLatin1String("cannot be rewritten")));
        return 0;
    }
    FUZZ_CHECK(after.outcome == PackageSource::WriteOutcome::Written);
    const auto reread = PackageSource::open(after.bytes, &problem);
    FUZZ_CHECK(reread);
    FUZZ_CHECK(reread->text() == fuzzing::applied(text, edits));
    return 0;
}
