// The plain-text document in every encoding and line ending it reads: load, find, replace, write,
// load again. No input crashes it; a file written without edits is the same bytes; a file written
// with edits reads back as its text with the edits applied, in the same encoding.

#include "fuzzing.h"
#include "richtext/plaintext.h"

#include <QBuffer>

using richtext::PlainText;

namespace
{

QByteArray written(const PlainText& plain, const richtext::EditList& edits)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    FUZZ_CHECK(plain.write(edits, buffer));
    return buffer.data();
}

QString textOf(const PlainText& plain)
{
    QString text;
    plain.text().appendTo(text, 0, plain.text().size);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzing::Replacement r = fuzzing::Replacement::read(data, size);
    PlainText plain;
    if (plain.load(r.file) != richtext::LoadOutcome::Loaded)
        return 0;
    FUZZ_CHECK(written(plain, {}) == r.file);

    const QString text = textOf(plain);
    const richtext::EditList edits =
        fuzzing::editsFor(plain.text(), r.needleIn(text), r, [](qsizetype, qsizetype) {
            return true;
        });
    if (edits.empty() || !plain.canEncode(edits))
        return 0;
    const QByteArray after = written(plain, edits);

    PlainText reread;
    FUZZ_CHECK(reread.load(after) == richtext::LoadOutcome::Loaded);
    FUZZ_CHECK(reread.encoding() == plain.encoding());
    FUZZ_CHECK(textOf(reread) == fuzzing::applied(text, edits));
    return 0;
}
