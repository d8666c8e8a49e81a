#!/usr/bin/env bash
# The native Windows window under Wine, in a virtual X server, driven as a user drives
# it: xdotool clicks and types, window_probe.exe (tests/windows) looks at the window from
# outside. A session: the window's layout and captions at 96 dpi; the sample letter
# opened through the real Open dialog, an output folder picked in the real folder
# picker, converted to ML-TTRevathi, Unicode Malayalam and ML-TTKarthika chosen from the
# keyboard, the message box accepted, each saved file byte for byte what the Linux build
# writes; the choice remembered by the next
# start; a file on the command line; a second start handing its file over and ending;
# Escape ending the program. Every wait has a deadline.
# Usage: tools/test-windows-window.sh [RUNS]   (build-windows and build must hold the
# Windows and Linux builds: tools/test-windows.sh, tools/test.sh)
# Screenshots of the window, the Open dialog and the message go to build-windows/screens.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-1}
dir=build-windows
exe=$(realpath "$dir/bin/tolvarin.exe")
probe_exe=$(realpath "$dir/bin/window_probe.exe")
screens=$dir/screens
mkdir -p "$screens"

# Wine names files in the locale's character set: Malayalam names need UTF-8.
export LC_ALL=C.UTF-8
export PATH="$PATH:/usr/lib/wine"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
export WINEPREFIX=$work/wine
display=":$((90 + RANDOM % 100))"
export DISPLAY=$display
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    if [ -n "${KEEP_WINE:-}" ]; then echo "kept: $WINEPREFIX $DISPLAY"; ps aux | grep "[.]exe" >&2; return; fi
    wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
deadline=$((SECONDS + 30))
until xdotool getdisplaygeometry >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || { echo "FAILED: the virtual X server did not start" >&2; exit 1; }
    sleep 0.2
done
timeout 120 wine64 wineboot --init >/dev/null 2>&1 || true

fail() { echo "FAILED: $*" >&2; exit 1; }
probe() { timeout 30 wine64 "$probe_exe" "$@"; }
# Waits until `probe count` says N windows, for at most SECS seconds.
windows_become() {
    local n=$1 deadline=$((SECONDS + $2))
    until [ "$(probe count | tr -d '\r')" = "$n" ]; do
        [ $SECONDS -lt "$deadline" ] || return 1
        sleep 0.2
    done
}
field() { probe layout | tr -d '\r' | awk -F'|' -v n="$1" -v f="$2" '$2 == n { print $f; exit }'; }
box_text() { probe layout | tr -d '\r' | awk -F'|' -v n="$1" '$1 == "Edit" { if (++i == n) { print $2; exit } }'; }
start_window() {
    (cd "$work" && exec wine64 "$exe" "$@" >/dev/null 2>&1) &
    window_pid=$!
    windows_become 1 30 || fail "the window did not open"
    sleep 0.5
}
# The window is gone and its program has ended.
window_ended() {
    windows_become 0 20 || return 1
    local deadline=$((SECONDS + 20))
    while kill -0 "$window_pid" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}
window_origin() {
    local id
    id=$(xdotool search --name '^Tolvarin$' | head -1)
    eval "$(xdotool getwindowgeometry --shell "$id")"
    ox=$X
    oy=$Y
}
click_at() { xdotool mousemove $((ox + $1)) $((oy + $2)) click 1; }
# A path under Wine's Z: drive.
dos() { printf 'Z:%s' "${1//\//\\}"; }

mkdir -p "$work/in" "$work/out" "$work/linux"
cp samples/letter.rtf "$work/in/letter.rtf"
build/bin/tolvarin-convert -q -o "$work/linux/ml.rtf" samples/letter.rtf
build/bin/tolvarin-convert -q --unicode -o "$work/linux/unicode.rtf" samples/letter.rtf
build/bin/tolvarin-convert -q --to ML-TTKarthika -o "$work/linux/karthika.rtf" samples/letter.rtf

session() {
    local run=$1
    rm -f "$work/out/"*
    start_window
    window_origin
    # The layout at 96 dpi: the client area and the captions.
    [ "$(probe dpi | tr -d '\r')" = 96 ] || fail "the screen is not at 96 dpi"
    local layout
    layout=$(probe layout | tr -d '\r')
    [ "$(head -1 <<<"$layout")" = "client|Tolvarin|345,177" ] || { import -window root "$screens/failed.png"; echo "$layout" >&2; fail "client area: $(head -1 <<<"$layout")"; }
    # Each control where the shared table puts it, with its caption (as the Qt window's).
    local control x y w h caption
    while IFS=$'\t' read -r control x y w h caption; do
        [[ -z "$control" || "$control" == \#* ]] && continue
        grep -qF "|$caption|$x,$y,$w,$h|" <<<"$layout" || fail "$control is not \"$caption\" at $x,$y,$w,$h"
    done <tests/data/window_layout.tsv
    grep -qF "|Converts Panchari RTF files to ISM font.|8,144," <<<"$layout" || fail "the status text"
    grep -qF "|&Convert|224,120,50,21|0|" <<<"$layout" || fail "Convert is not disabled at the start"
    [ "$(probe focus | tr -d '\r')" = 101 ] || fail "the focus does not start on the input box"
    [ "$run" -gt 1 ] || import -window root -crop "345x177+$ox+$oy" "$screens/window.png"

    # The Open dialog, through its "..." button.
    click_at 316 33
    probe wait "Open File" 20 || fail "the Open dialog did not open"
    sleep 0.5
    [ "$run" -gt 1 ] || import -window root "$screens/open-dialog.png"
    xdotool type --delay 15 "$(dos "$work/in/letter.rtf")"
    xdotool key Return
    probe gone "Open File" 20 || fail "the Open dialog did not close"
    [ "$(box_text 1)" = "$(dos "$work/in/letter.rtf")" ] || fail "input box: $(box_text 1)"
    [ "$(box_text 2)" = "$(dos "$work/in/")" ] || fail "output box: $(box_text 2)"

    # The focus is back on the "..." button; Tab walks the controls in their order.
    local id deadline=$((SECONDS + 10))
    until [ "$(probe focus | tr -d '\r')" = 102 ]; do
        [ $SECONDS -lt $deadline ] || fail "the focus did not come back to the Open button"
        sleep 0.2
    done
    for id in 104 105 107 108 109 110 101 102; do
        xdotool key Tab
        sleep 0.1
        [ "$(probe focus | tr -d '\r')" = "$id" ] || fail "Tab order: the focus is on $(probe focus), not $id"
    done

    # The folder picker, through the output row's "..." button.
    click_at 316 89
    probe wait "Open Output Folder" 20 || fail "the folder picker did not open"
    sleep 0.5
    xdotool type --delay 15 "$(dos "$work/out")"
    xdotool key Return
    probe gone "Open Output Folder" 20 || fail "the folder picker did not close"
    [ "$(box_text 2)" = "$(dos "$work/out")" ] || fail "output box after picking: $(box_text 2)"

    # Three choices, made from the keyboard (Alt+T, then Home and Down in the list; the
    # third common entry is ML-TTKarthika), Alt+C, the message accepted.
    local mode
    for mode in ml unicode karthika; do
        local want=ML-TTRevathi downs=0
        [ $mode = unicode ] && want="Unicode Malayalam" downs=1
        [ $mode = karthika ] && want=ML-TTKarthika downs=2
        xdotool key alt+t Home
        for ((k = 0; k < downs; k++)); do xdotool key Down; done
        # Wine shows the choice a moment after the keys; five seconds at most.
        local shown=0 tries
        for ((tries = 0; tries < 50; tries++)); do
            grep -qF "|$want|64,120,152,21|" <<<"$(probe layout | tr -d '\r')" && { shown=1; break; }
            sleep 0.1
        done
        [ $shown = 1 ] || { import -window root "$screens/failed.png"; probe layout >&2; fail "the list does not show $want"; }
        [ "$run" -gt 1 ] || [ $mode != karthika ] || import -window root -crop "345x177+$ox+$oy" "$screens/window-karthika.png"
        xdotool key alt+c
        local message
        message=$(probe message 60 | tr -d '\r') || fail "no message after converting ($mode)"
        grep -q "^Converted from Panchari!" <<<"$message" || fail "message: $message"
        [ "$run" -gt 1 ] || [ $mode != ml ] || import -window root "$screens/message.png"
        xdotool key Return
        local deadline=$((SECONDS + 20))
        while probe message 0 >/dev/null; do
            [ $SECONDS -lt $deadline ] || fail "the message did not close"
            sleep 0.2
        done
        cmp "$work/out/Converted_letter.rtf" "$work/linux/$mode.rtf" || fail "$mode output differs from Linux's"
    done

    # A file dropped on the window loads as if opened: a Malayalam name, in a folder whose
    # path is longer than 260 characters; it converts beside itself.
    local deep="$work/$(printf 'ഫോൾഡർ-%.0s' $(seq 1 12))/$(printf 'long-folder-name-%.0s' $(seq 1 12))"
    mkdir -p "$deep"
    cp "$work/in/letter.rtf" "$deep/കത്ത്.rtf"
    [ ${#deep} -gt 260 ] || fail "the deep folder is not deep enough"
    window_origin
    python3 tools/xdnd_drop.py "$(xdotool search --name '^Tolvarin$' | head -1)" $((ox + 100)) $((oy + 60)) \
        "$deep/കത്ത്.rtf" || fail "the window took no drop"
    local deadline=$((SECONDS + 20))
    until [ "$(box_text 1)" = "$(dos "$deep/കത്ത്.rtf")" ]; do
        [ $SECONDS -lt $deadline ] || fail "the dropped file did not load: $(box_text 1)"
        sleep 0.2
    done
    xdotool key alt+c
    probe message 60 >/dev/null || fail "no message after converting the dropped file"
    xdotool key Return
    deadline=$((SECONDS + 20))
    until [ -f "$deep/Converted_കത്ത്.rtf" ]; do
        [ $SECONDS -lt $deadline ] || fail "the dropped file's conversion was not saved beside it"
        sleep 0.2
    done
    cmp "$deep/Converted_കത്ത്.rtf" "$work/linux/karthika.rtf" || fail "the dropped file's output differs"

    # The text window (Alt+X): codes typed into their pane (Alt+O; ASCII, which xdotool
    # types as it is) read as Unicode, as the command line reads the same codes; Escape
    # closes it and leaves the program running.
    xdotool key alt+x
    probe wait "Tolvarin: text" 20 || fail "the text window did not open"
    sleep 0.5
    xdotool key alt+f Home Down  # ML-TTKarthika, the first legacy font after ML-TTRevathi
    xdotool key alt+o
    xdotool type --delay 30 "tIcfw aebmfw"
    printf '%s' "tIcfw aebmfw" | iconv -f UTF-8 -t WINDOWS-1252 >"$work/codes.txt"
    build/bin/tolvarin-convert -q --unicode --from ML-TTKarthika -o "$work/codes-unicode.txt" "$work/codes.txt"
    local unicode
    deadline=$((SECONDS + 10))
    until unicode=$(probe text | tr -d '\r' | awk -F'|' '$1 == "Edit" { print $2; exit }')
        [ "$unicode" = "$(cat "$work/codes-unicode.txt")" ]; do
        [ $SECONDS -lt $deadline ] || fail "the text window reads the codes as \"$unicode\""
        sleep 0.2
    done
    [ "$run" -gt 1 ] || import -window root "$screens/text-window.png"
    xdotool key Escape
    deadline=$((SECONDS + 10))
    while probe text >/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "Escape did not close the text window"
        sleep 0.2
    done
    [ "$(probe count | tr -d '\r')" = 1 ] || fail "closing the text window ended the program"

    # Escape ends the program.
    window_origin
    click_at 100 140
    xdotool key Escape
    window_ended || fail "Escape did not end the program"

    # The box is remembered; a file on the command line loads at start (a relative path,
    # taken in the working folder).
    cp "$work/in/letter.rtf" "$work/cmdline.rtf"
    start_window cmdline.rtf
    grep -qF "|ML-TTKarthika|64,120,152,21|" <<<"$(probe layout | tr -d '\r')" || fail "the choice was not remembered"
    [ "$(box_text 1)" = "$(dos "$work/cmdline.rtf")" ] || fail "command-line file: $(box_text 1)"
    xdotool key alt+t Home  # ML-TTRevathi again for the next session
    sleep 0.3

    # A second start hands its file to the running window and ends.
    cp "$work/in/letter.rtf" "$work/second.rtf"
    (cd "$work" && timeout 30 wine64 "$exe" second.rtf >/dev/null 2>&1) || fail "the second start did not end"
    [ "$(probe count | tr -d '\r')" = 1 ] || fail "a second window opened"
    local deadline=$((SECONDS + 20))
    until [ "$(box_text 1)" = "$(dos "$work/second.rtf")" ]; do
        [ $SECONDS -lt $deadline ] || fail "the running window did not take the second start's file"
        sleep 0.2
    done
    window_origin
    click_at 313 130  # the Quit button
    window_ended || fail "Quit did not end the program"
}

# The installer, silent, into a Wine prefix of its own, for the user (/CurrentUser:
# Wine runs every program as an administrator, and so the installer too) and then for
# all users (as an administrator's run does): what it puts in place, the installed window
# converting the letter as Send To starts it, and the uninstaller leaving nothing of ours
# behind, files or registry.
installer_check() {
    local setup
    setup=$(ls dist/tolvarin-setup-*.exe 2>/dev/null | head -1)
    [ -n "$setup" ] || fail "no installer in dist/ (tools/package-windows.sh)"
    wineserver -k 2>/dev/null || true
    export WINEPREFIX=$work/wine-install
    timeout 120 wine64 wineboot --init >/dev/null 2>&1 || true
    local user_dir
    user_dir=$(ls -d "$WINEPREFIX/drive_c/users/"* | grep -v Public | head -1)
    local roaming="$user_dir/AppData/Roaming/Microsoft/Windows"
    local mode
    for mode in CurrentUser AllUsers; do
        local instdir menu hive
        if [ $mode = CurrentUser ]; then
            instdir="$user_dir/AppData/Local/Programs/Tolvarin"
            menu="$roaming/Start Menu/Programs/Tolvarin.lnk"
            hive=HKCU
        else
            instdir="$WINEPREFIX/drive_c/Program Files/Tolvarin"
            menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tolvarin.lnk"
            hive=HKLM
        fi
        local sendto="$roaming/SendTo/Tolvarin.lnk"
        local key="$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tolvarin"
        timeout 120 wine64 "$setup" /S /$mode || fail "the silent install ($mode) failed"
        for f in tolvarin.exe tolvarin-convert.exe uninstall.exe LICENSE.txt NOTICES.txt; do
            [ -f "$instdir/$f" ] || fail "not installed ($mode): $instdir/$f"
        done
        [ -f "$menu" ] || fail "no Start-menu shortcut ($mode)"
        [ -f "$sendto" ] || fail "no Send To entry ($mode)"
        wine64 reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "no uninstall key $key"

        exe="$instdir/tolvarin.exe"
        rm -rf "$work/installed"
        mkdir -p "$work/installed"
        cp "$work/in/letter.rtf" "$work/installed/letter.rtf"
        start_window "$(dos "$work/installed/letter.rtf")"
        xdotool key alt+t Down  # remembered in the registry: the uninstaller must remove it
        sleep 0.3
        xdotool key Home
        sleep 0.3
        xdotool key alt+c
        probe message 60 >/dev/null || fail "the installed window showed no message ($mode)"
        xdotool key Return
        sleep 0.5
        cmp "$work/installed/Converted_letter.rtf" "$work/linux/ml.rtf" || fail "the installed window's output differs"
        xdotool key Escape
        window_ended || fail "the installed window did not end"
        wine64 reg query 'HKCU\Software\Tolvarin' >/dev/null 2>&1 || fail "the window kept no setting"

        # The uninstall command Windows would run; it copies itself away and returns at
        # once, so its work is waited for.
        local quiet
        quiet=$(wine64 reg query "$key" /v QuietUninstallString | tr -d '\r' |
            sed -n 's/.*REG_SZ[[:space:]]*//p')
        [[ "$quiet" == *"/S"* ]] || fail "no quiet uninstall command: $quiet"
        quiet=${quiet//\\\"/\"}  # reg shows the quotes escaped
        local -a command
        eval "command=($quiet)"
        timeout 60 wine64 "${command[@]}" || fail "the uninstaller failed ($mode): $quiet"
        local deadline=$((SECONDS + 60))
        while [ -e "$instdir" ] || wine64 reg query "$key" >/dev/null 2>&1; do
            [ $SECONDS -lt $deadline ] || fail "the uninstaller left $instdir or its key"
            sleep 0.5
        done
        [ ! -e "$menu" ] || fail "the Start-menu shortcut stayed ($mode)"
        [ ! -e "$sendto" ] || fail "the Send To entry stayed ($mode)"
        ! wine64 reg query 'HKCU\Software\Tolvarin' >/dev/null 2>&1 || fail "the settings stayed in the registry"
        local left
        left=$(find "$WINEPREFIX/drive_c" -iname '*tolvarin*')
        [ -z "$left" ] || fail "files of ours stayed ($mode): $left"
        echo "installer ($mode): installed, converted, uninstalled without a trace"
    done
}

for run in $(seq 1 "$runs"); do
    session "$run"
    echo "window session $run of $runs: passed"
done
[ "${TOLVARIN_SKIP_INSTALLER:-}" = 1 ] || installer_check
