#!/usr/bin/env bash
# Installs what is missing, builds Textmend (Release) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

install_packages
build --target textmend

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to show the window on: run it under a virtual one with 'xvfb-run -a ./run.sh'." >&2
  exit 1
fi
exec "$BUILD_DIR/src/textmend" "$@"
