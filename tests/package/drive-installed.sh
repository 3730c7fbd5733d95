#!/usr/bin/env bash
# Drives an installed Textmend as a new user would, on the display the caller set up (see
# tests/support/with-window-manager.sh), and checks what an installed copy must do: "Save" keeps the
# pattern collection in the user's own data folder, seeded from the installed default; Help >
# Content opens the installed help page; "Close" ends it and nothing was written beside the program.
#   drive-installed.sh ROOT WORK     (ROOT holds usr/bin/textmend; WORK is an empty scratch folder)
set -euo pipefail
root=$1 work=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits up to twenty seconds for a file to appear.
wait_for() {
  local i
  for i in $(seq 200); do
    [ -e "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# A home of its own; an xdg-open that writes down what the program asks the desktop to open.
mkdir -p "$work/home" "$work/bin"
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
unset XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s/opened"\n' "$work" > "$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

cd "$work/home"
"$root/usr/bin/textmend" 2>"$work/textmend.log" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT

window=$(timeout 20 xdotool search --sync --name '^Textmend$' | head -n1) || fail "no Textmend window"
xdotool windowactivate --sync "$window" 2>/dev/null

# Alt+S is "&Save": it saves the pattern shown, the first of the installed default collection.
xdotool key --clearmodifiers alt+s
own="$XDG_DATA_HOME/Textmend/cmb.ftl"
wait_for "$own" || fail "Save wrote no $own"
cmp -s "$own" "$root/usr/share/textmend/cmb.ftl" || fail "$own is not the default collection: $(cat -A "$own")"

# Help > Content.
xdotool key --clearmodifiers alt+h
sleep 0.5
xdotool key --clearmodifiers c
wait_for "$work/opened" || fail "Help > Content opened nothing"
page="file://$root/usr/share/textmend/Textmend_Help.htm"
[ "$(cat "$work/opened")" = "$page" ] || fail "Help > Content opened $(cat "$work/opened"), not $page"

# Alt+C is "&Close".
xdotool key --clearmodifiers alt+c
for i in $(seq 100); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
kill -0 $program 2>/dev/null && fail "Close did not end the program"
wait $program || fail "the program ended with an error: $(cat "$work/textmend.log")"
[ "$(ls "$root/usr/bin" | xargs)" = "textmend textmend-cli" ] || fail "something was written beside the program: $(ls "$root/usr/bin")"
echo "The packaged program keeps its patterns in $own and opens $page."
