# Shared by run.sh and test.sh: installs the packages the build needs when one is missing, then
# configures (once) and builds. Quick when nothing changed.

BUILD_DIR=${BUILD_DIR:-build}
# run.sh and test.sh install the same packages, so a program built for running is the one tested.
# fonts-dejavu-core is the sans font a bare Debian machine has; the captions are made to fit it.
# help2man makes the man pages from the programs' own --help at build time.
# xvfb, xauth, openbox and xdotool run the window tests on a virtual display under a real window
# manager (and xvfb-run -a ./run.sh where there is no display). Word and OpenDocument documents are
# ZIP archives of XML: zlib inflates and deflates their parts, expat reads the XML with byte offsets.
# help2man makes the manual pages from each program's own --help.
PACKAGES=(cmake g++ make ccache qt6-base-dev libexpat1-dev zlib1g-dev help2man fonts-dejavu-core xvfb xauth openbox xdotool)
CONFIGURE_ARGS=() # more cmake arguments for the first configure, after the defaults

missing_packages() {
  local pkg
  for pkg in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || printf '%s\n' "$pkg"
  done
}

install_packages() {
  local missing
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing ${missing[*]}..."
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# ccache keeps compiled objects between clones of the project, so a fresh clone on a machine that
# built Textmend before compiles in seconds; paths below the clone's parent are hashed relatively.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}

build() {
  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
      "${CONFIGURE_ARGS[@]}" >/dev/null
  fi
  cmake --build "$BUILD_DIR" -j"$(nproc)" "$@"
}
