#!/usr/bin/env bash
# Installs Textmend into a temporary prefix and checks what lands there, builds its Debian package,
# then unpacks the package into a temporary root and drives the packaged program there as a new user
# would, on a virtual display under a window manager. Needs the build that ./test.sh made.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

install_packages dpkg-dev file desktop-file-utils appstream
build

id=com.example.textmend
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "Installing into a temporary prefix..."
cmake --install "$BUILD_DIR" --prefix "$work/prefix" >/dev/null
for file in bin/textmend bin/textmend-cli share/man/man1/textmend.1.gz share/man/man1/textmend-cli.1.gz \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/$id.png \
    share/textmend/Textmend_Help.htm share/textmend/cmb.ftl share/licenses/textmend/LICENSE; do
  [ -f "$work/prefix/$file" ] || fail "cmake --install left out $file"
done
desktop-file-validate "$work/prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$work/prefix/share/metainfo/$id.metainfo.xml"

echo "Building the Debian package..."
(cd "$BUILD_DIR" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "$(basename "$deb"): Depends: $depends"
for library in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6; do
  grep -q "$library" <<<"$depends" || fail "the package does not depend on $library"
done

echo "Running the packaged program..."
dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/textmend-cli" --version | grep -q "^textmend-cli " || fail "textmend-cli --version"
for page in textmend textmend-cli; do
  [ -f "$work/root/usr/share/man/man1/$page.1.gz" ] || fail "the package has no man page for $page"
done
mkdir "$work/user"
tests/support/with-window-manager.sh tests/package/drive-installed.sh "$work/root" "$work/user"
