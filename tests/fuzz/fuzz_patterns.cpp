// The pattern file: any bytes read as fields without a crash, every byte of the code page comes back
// the same, and entries the file format can hold come back from a written file as they were.

#include "filetypes/codepage1252.h"
#include "filetypes/patternfile.h"
#include "fuzzing.h"

using namespace filetypes;

namespace
{

// An entry that is one field as written: no comma, quote or line break splits it, and no blank
// before it is skipped. "?" stands for a character outside the code page.
bool keepsAsWritten(const QString& entry)
{
    return !entry.contains(u',') && !entry.contains(u'\r') && !entry.contains(u'\n')
        && !entry.startsWith(u'"') && !entry.startsWith(u' ') && !entry.startsWith(u'\t')
        && fromWindows1252(toWindows1252(entry)) == entry;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    FUZZ_CHECK(toWindows1252(fromWindows1252(bytes)) == bytes);

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
