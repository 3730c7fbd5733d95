#!/usr/bin/env bash
# The Word and OpenDocument test documents as another program reads them after a replacement: the
# engine (bench_engine --rich, which reads and writes each file as what it holds, as the replace run
# does) replaces "Quillon" in a copy of each; then LibreOffice must read exactly the committed text
# (<document>.lo.txt), `unzip -t` must pass, and every entry other than the parts that hold text must
# hold what it held. A replacement by the same string must leave the file's bytes as they were.
# Run by .ci/run; it installs LibreOffice Writer, which ./test.sh does without.
#   scripts/check-packages.sh            check
#   scripts/check-packages.sh --refresh  write the .lo.txt files anew (check them by eye)
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
install_packages libreoffice-writer-nogui unzip
build --target bench_engine >/dev/null || exit 1

fixtures=tests/data/packages
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "check-packages: $1: $2" >&2
  status=1
}
# The parts that hold a document's text; every other entry keeps its content.
text_parts='^(word/(document|footnotes|endnotes|header[0-9]*|footer[0-9]*)\.xml|content\.xml|styles\.xml)$'

for doc in "$fixtures"/*.docx "$fixtures"/*.odt "$fixtures"/*.fodt; do
  name=$(basename "$doc")
  mkdir -p "$work/$name"
  file="$work/$name/$name"
  cp "$doc" "$file"
  build/bench/bench_engine --rich Quillon Quillon "$file" 2>/dev/null
  cmp -s "$doc" "$file" || fail "$name" "replacing a string by itself changed the file"
  build/bench/bench_engine --rich Quillon 'Zed & <Ω> 😀' "$file" 2>/dev/null || fail "$name" "not written"
  if [[ $name != *.fodt ]]; then
    unzip -tq "$file" >/dev/null || fail "$name" "unzip -t fails"
    [ "$(unzip -Z1 "$doc")" = "$(unzip -Z1 "$file")" ] || fail "$name" "entries changed"
    while IFS= read -r entry; do
      [[ $entry =~ $text_parts || $entry == */ ]] && continue
      pattern=$(printf '%s' "$entry" | sed 's/[][*?]/\\&/g') # unzip takes names as wildcards
      cmp -s <(unzip -p "$doc" "$pattern") <(unzip -p "$file" "$pattern") || fail "$name" "entry $entry changed"
    done < <(unzip -Z1 "$doc")
  fi
  # LibreOffice cannot open a document with ZIP64 records at all: that one has no .lo.txt.
  [ "${1:-}" = --refresh ] || [ -f "$fixtures/$name.lo.txt" ] || continue
  HOME="$work" soffice --headless --convert-to "txt:Text (encoded):UTF8" --outdir "$work/$name" "$file" >/dev/null 2>&1
  read_back="$work/$name/${name%.*}.txt"
  if [ "${1:-}" = --refresh ]; then
    [ -f "$read_back" ] && cp "$read_back" "$fixtures/$name.lo.txt"
  else
    diff -u "$fixtures/$name.lo.txt" "$read_back" || fail "$name" "LibreOffice reads another text"
  fi
done
[ $status -eq 0 ] && echo "check-packages: LibreOffice reads every replaced document as expected"
exit $status
