// The pattern file: any bytes read as fields without a crash, and entries the file format can hold
// come back from a written file as they were.

#include "fuzzing.h"
#include "patternfile/patternfile.h"

using namespace filetypes;

namespace
{

// An entry that is one field as written: no comma, quote or line break splits it, no blank before it
// is skipped, and it cannot be taken for a byte order mark.
bool keepsAsWritten(const QString& entry)
{
    return !entry.contains(u',') && !entry.contains(u'\r') && !entry.contains(u'\n')
        && !entry.startsWith(u'"') && !entry.startsWith(u' ') && !entry.startsWith(u'\t')
        && !entry.startsWith(QChar(0xFEFF));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList fields = readPatternFields(bytes);
    FUZZ_CHECK(fields.size() <= bytes.size());
    QStringList kept;
    for (const QString& field : fields) {
        if (keepsAsWritten(field))
            kept.append(field);
    }
    FUZZ_CHECK(readPatternFields(patternFileBytes(kept)) == kept);
    return 0;
}
