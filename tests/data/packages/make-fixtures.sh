#!/bin/sh
# Regenerates the word-processing test documents from the texts in sources/ with LibreOffice Writer
# and pandoc. The committed documents are what the tests read, beside the text the program must read
# from each (<document>.txt, checked by eye) and the text LibreOffice reads from each after the
# replacement that scripts/check-packages.sh makes (<document>.lo.txt); run this only to refresh them.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/sources/* "$work"/
cd "$work"
for format in docx odt fodt; do
    HOME="$work" soffice --headless --convert-to "$format" --outdir out report.fodt >/dev/null 2>&1
    mv "out/report.$format" "$here/report-writer.$format"
    pandoc letter.md -o "$here/letter-pandoc.$format" 2>/dev/null || true
done
rm -f "$here/letter-pandoc.fodt"
# A package whose XML has Windows line ends, written to a pipe (so with data descriptors) with an
# archive comment; and one with ZIP64 records.
mkdir crlf && cd crlf && unzip -q "$here/letter-pandoc.docx"
sed -i 's/>$/>\r/; s/></>\r\n</g' word/document.xml
printf 'made for the tests' | zip -q -X -r -z - '[Content_Types].xml' _rels docProps word | cat >"$here/crlf-descriptors.docx"
rm -rf ./* && unzip -q "$here/letter-pandoc.docx"
rm -f "$here/zip64-pandoc.docx" && zip -q -X -fz -r "$here/zip64-pandoc.docx" '[Content_Types].xml' _rels docProps word
