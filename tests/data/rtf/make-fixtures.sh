#!/bin/sh
# Regenerates the RTF test documents from the texts in sources/ with LibreOffice Writer and AbiWord:
# HTML texts with both, the flat OpenDocument text (footnotes, endnotes, headers and footers) with
# Writer. The committed documents are what the tests read; run this only to refresh them.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/sources/* "$work"/
cd "$work"
for name in letter scripts table picture features; do
    HOME="$work" soffice --headless --infilter="HTML (StarWriter)" --convert-to rtf "$name.html" >/dev/null
    mv "$name.rtf" "$here/$name-writer.rtf"
    abiword --to=rtf "$name.html" -o "$here/$name-abiword.rtf"
done
HOME="$work" soffice --headless --infilter="HTML (StarWriter)" --convert-to rtf nested.html >/dev/null
mv nested.rtf "$here/nested-writer.rtf"
HOME="$work" soffice --headless --convert-to rtf notes.fodt >/dev/null
mv notes.rtf "$here/notes-writer.rtf"
