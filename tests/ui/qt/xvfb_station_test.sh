#!/usr/bin/env bash
# The windowed station on a copy of an example station (with twelve channels) under a virtual X
# server, driven by xdotool as an operator would: started with a saved document, an Individual
# Call to an unknown station, then every menu item and key of the command table (the strokes
# come from menu-walk), a screenshot of each dialog one opens, closed again; then typed entries
# in the editable lists, a failed Add Net, the FS-1052 transmissions and the options' radio type;
# File > Exit last. Then started again on a damaged ALE.DAT and ended by SIGTERM; again, an
# address added and ended by SIGHUP; and once more on an X server of its own that is killed.
# The screenshots go to the artefacts folder (the walk's to walk/).
#   xvfb_station_test.sh VESK_ALE MENU_WALK MMI_RUN EXAMPLE_STATION ARTEFACTS
set -u
prog=$1
walker=$2
mmi_run=$3
example=$4
artefacts=$5
if [ -z "${XVFB_INNER:-}" ]; then
  export XVFB_INNER=1
  # The search for a free display starts at a number of this run's own, so two runs started
  # together (two build trees on one machine) do not take the same one.
  exec xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1400x900x24" "$0" "$@"
fi
# Every xdotool call is bounded: a --sync that waits for a focus a box has taken would hold the
# test for good.
xdotool_program=$(command -v xdotool)
xdotool() { timeout 20 "$xdotool_program" "$@"; }
# The X server answers before the window is started (a loaded machine starts it slowly).
x_up=0
for _ in $(seq 1200); do
  xdotool getdisplaygeometry > /dev/null 2>&1 && x_up=1 && break
  sleep 0.1
done
if [ "$x_up" = 0 ]; then
  echo "FAIL: the X server on $DISPLAY did not answer in 120 s"
  exit 1
fi
mkdir -p "$artefacts"
work=$(mktemp -d)
trap 'for p in ${pid:-} ${xpid:-}; do kill -9 "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
station="$work/station"
cp -r "$example" "$station"
mkdir -p "$station/owlog" "$station/dalog"
# Twelve channels: "1" begins the numbers of channels 1, 10, 11 and 12. Channel 1 is on
# 7000000 Hz, channel 10 on 28100000 Hz.
for hz in 3600000 5300000 5400000 18100000 21100000 24900000 28100000 3700000 3800000; do
  echo "ADD CHANNEL $hz" >> "$station/CONFIG.DAT"
done
echo "ENABLE LISTEN" > "$station/SHUTDOWN.DAT"
# A saved document: one archived string (a length byte, then the text).
printf '\x14SAVED DOCUMENT LINE\n' > "$station/saved.ale"
fail() {
  echo "FAIL: $*"
  [ -f "$work/out" ] && cat "$work/out"
  exit 1
}

# Waits up to 20 s for a window whose name matches $1; prints its id.
wait_window() {  # NAME [TENTHS OF A SECOND]
  for _ in $(seq "${2:-200}"); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}
# Waits up to 30 s for the program to end; its exit status is in $status.
wait_end() {
  for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "the program did not end after $1"
  wait "$pid"
  status=$?
}
# The warning boxes showing (a port the machine does not have, a refused entry).
boxes() { xdotool search --onlyvisible --name '^VESK-ALE$' 2>/dev/null; }
# Closes them.
dismiss_boxes() {
  for id in $(boxes); do
    xdotool windowfocus --sync "$id" key Return 2>/dev/null
  done
}
start_station() {
  "$prog" --dir "$station" --audio-in null --audio-out null "$@" > "$work/out" 2>&1 &
  pid=$!
  main=$(wait_window 'Controller') || fail "no main window"
  # The start-up has run when the daily file exists and the status bar has its texts.
  for _ in $(seq 100); do
    ls "$station"/owlog/*.ow > /dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 1.5
  # The boxes of the start-up's radio set-up (here the radio emulation port's, at least).
  for _ in $(seq 50); do
    [ -n "$(boxes)" ] && break
    sleep 0.1
  done
  sleep 0.3
  start_boxes=$(boxes | wc -l)
  dismiss_boxes
  sleep 0.5
}

# ---- first run: a document, the About box, File > Exit ----
start_station saved.ale
xdotool windowfocus --sync "$main"
import -window "$main" "$artefacts/main-window.png" || fail "no screenshot of the main window"
xdotool key --window "$main" alt+h
sleep 0.5
xdotool key a
about=$(wait_window 'About VESK-ALE') || fail "no About box"
sleep 0.5
import -window "$about" "$artefacts/about-box.png" || fail "no screenshot of the About box"
xdotool windowfocus --sync "$about" key Return
sleep 0.5
# The Individual Call to an unknown station leaves a line.
open_dialog() {  # "KEYS" TITLE PNG (the keys typed one after another, a menu's then its item's)
  # A warning box that came late (a port's, from a radio set-up) holds the window's keys: it is
  # closed and the keys typed again.
  dialog=""
  for _ in 1 2 3; do
    dismiss_boxes
    xdotool windowfocus --sync "$main"
    xdotool key --delay 300 $1
    dialog=$(wait_window "^$2\$" 70) && break
  done
  [ -n "$dialog" ] || fail "no $2 dialog"
  sleep 0.3
  import -window "$dialog" "$artefacts/$3.png" || fail "no screenshot of $2"
}
open_dialog "alt+l i" "Individual Call" individual-call
xdotool windowfocus --sync "$dialog" key shift+Tab type nobody
xdotool key Return
sleep 0.5

# ---- every menu item and key of the command table ----
shown() { xdotool search --onlyvisible --name '.' 2>/dev/null | sort; }
# Closes the windows not in the list $1 (Escape, then Return where Escape does not close one).
close_new() {
  for _ in 1 2 3 4; do
    left=$(comm -13 <(echo "$1") <(shown))
    [ -z "$left" ] && return 0
    for id in $left; do
      for k in Escape Return; do
        xdotool windowfocus --sync "$id" key "$k" 2>/dev/null
        for _ in $(seq 20); do
          shown | grep -qx "$id" || break 2
          sleep 0.05
        done
      done
    done
  done
  fail "windows left open: $(comm -13 <(echo "$1") <(shown))"
}
rm -rf "$artefacts/walk"
mkdir -p "$artefacts/walk"
"$walker" > "$work/walk" || fail "no menu walk"
# The walk starts from a station that is not scanning: Scan > Stop Scan ends the start-up scan.
xdotool windowfocus --sync "$main"
xdotool key --delay 300 alt+s t
sleep 1
no_dialog="edit-select-all edit-copy edit-undo dialog-bars-dock-tool-bar dialog-bars-launch-tool-bar
  dialog-bars-dock-data-bar dialog-bars-open-data-bar tools-voice-id tools-reset-modem scan-start-scan
  scan-stop-scan scan-step-forward call-kill help-vesk-msg help-help key-ctrl-a key-ctrl-c key-ctrl-z
  key-alt-backspace key-ctrl-q key-ctrl-d key-ctrl-ins key-ctrl-n key-ctrl-s key-f6 key-shift-f6"
no_dialog=$(echo $no_dialog)
ran=0 greyed=0 dialogs=0 exit_keys="" walk_start=$SECONDS
while IFS=$'\t' read -r kind id name state keys; do
  if [ "$id" = 57665 ]; then  # File > Exit ends the program: last
    exit_keys=$keys
    continue
  fi
  if [ "$state" = greyed ]; then
    greyed=$((greyed + 1))
    echo "greyed: $kind $name"
    continue
  fi
  before=$(shown)
  xdotool windowfocus --sync "$main"
  xdotool key --delay 120 $keys
  # The items known to open no dialog are given 2 s to show one; the others up to 30 s (a
  # loaded machine or a sanitizer build opens dialogs slowly).
  limit=30
  case " $no_dialog " in *" $name "*) limit=2 ;; esac
  new=""
  deadline=$(($(date +%s%N) + limit * 1000000000))
  while [ "$(date +%s%N)" -lt "$deadline" ]; do
    new=$(comm -13 <(echo "$before") <(shown) | head -1)
    [ -n "$new" ] && break
    sleep 0.05
  done
  if [ -n "$new" ]; then
    sleep 0.3
    title=$(xdotool getwindowname "$new" 2>/dev/null)
    import -window "$new" "$artefacts/walk/$name.png" || fail "no screenshot of $name"
    echo "dialog: $kind $name ($title)"
    dialogs=$((dialogs + 1))
    close_new "$before"
  else
    echo "ran: $kind $name"
  fi
  kill -0 "$pid" 2>/dev/null || fail "the program ended after $kind $name"
  ran=$((ran + 1))
done < "$work/walk"
echo "walk: $ran run ($dialogs dialogs), $greyed greyed, $((SECONDS - walk_start)) s"
[ -n "$exit_keys" ] || fail "no File > Exit in the walk"
[ "$dialogs" -ge 50 ] || fail "only $dialogs dialogs opened"

# ---- typed entries, refusals and widths ----
keys_of() { awk -F'\t' -v id="$1" '$2 == id { print $5; exit }' "$work/walk"; }
# Waits for the dialog $1 to close.
wait_closed() {
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name "^$1\$" > /dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "$1 stayed open"
}
# Waits up to 10 s for the command $@ to succeed.
wait_until() {
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
at_least_boxes() { [ "$(boxes | wc -l)" -ge "$1" ]; }
# Waits until the number of boxes has not changed for 2 s (at most 15 s): a radio set-up has
# shown all its boxes.
boxes_settle() {
  local last=-1 same=0
  for _ in $(seq 150); do
    local now
    now=$(boxes | wc -l)
    if [ "$now" -eq "$last" ]; then same=$((same + 1)); else same=0; fi
    last=$now
    [ "$same" -ge 20 ] && return 0
    sleep 0.1
  done
}
windows_named() { [ "$(xdotool search --onlyvisible --name "^$1\$" | wc -l)" -eq "$2" ]; }
# The radio type in ALE.DAT (saved by the options' OK on the command executor), as the options
# report names it, is $1.
radio_in_file() { echo "OPTIONS" | "$mmi_run" --dir "$station" 2>/dev/null | grep -qx "RADIO TYPE > $1"; }
# Goto Channel "1" goes to channel 1 (not 10): the Individual Call's line after it carries
# channel 1's frequency.
open_dialog "$(keys_of 32823)" "Goto Channel" goto-channel
xdotool type 1
xdotool key Return
wait_closed "Goto Channel"
sleep 0.5
open_dialog "$(keys_of 32779)" "Individual Call" individual-call-after-goto
xdotool key shift+Tab
xdotool type gotocheck
xdotool key Return
wait_closed "Individual Call"
# Global Allcall on "1" goes out on channel 1; the call is killed at once.
open_dialog "$(keys_of 32782)" "Global Allcall" global-allcall
xdotool type 1
xdotool key Return
wait_closed "Global Allcall"
xdotool windowfocus --sync "$main"
xdotool key --delay 300 $(keys_of 32815)
sleep 1
# Delete Channel with twelve channels (its list open in the picture): "1" deletes channel 1.
open_dialog "$(keys_of 32772)" "Delete Channel" delete-channel
xdotool key alt+Down
sleep 0.5
import -window root "$artefacts/delete-channel-list.png"
xdotool key Escape
xdotool type 1
xdotool key Return
wait_closed "Delete Channel"
# Channels Information shows every column, the tuner's last: its text is as wide as its widest
# row with the scroll bar beside it (670 px and more here; cut off, it was about 650).
open_dialog "$(keys_of 32809)" "Channels Information" channels-information
info_width=$(identify -format %w "$artefacts/channels-information.png")
[ "$info_width" -ge 670 ] || fail "Channels Information is $info_width px wide"
xdotool key Escape
wait_closed "Channels Information"
# Add Net without a net name: one box, "Missing NET Address", and the dialog stays open.
open_dialog "$(keys_of 32799)" "Add Net Address" add-net
xdotool key Tab
xdotool type alfa
xdotool key Return
wait_until at_least_boxes 1 || fail "no box after a failed Add Net"
sleep 0.5
[ "$(boxes | wc -l)" -eq 1 ] || fail "$(boxes | wc -l) boxes after a failed Add Net"
[ "$(xdotool search --onlyvisible --name '^Add Net Address$' | wc -l)" -eq 1 ] || fail "an empty box after a failed Add Net"
import -window "$(boxes)" "$artefacts/add-net-missing-name.png"
dismiss_boxes
sleep 0.3
xdotool search --onlyvisible --name '^Add Net Address$' windowfocus --sync key Escape
wait_closed "Add Net Address"
# FS-1052 Options: OK refuses Transmissions 0 and puts the focus there; 3 is taken.
open_dialog "$(keys_of 32863)" "FS-1052 Options" fs1052-options
xdotool key Return
wait_until windows_named "FS-1052 Options" 2 || fail "Transmissions 0 not refused"
xdotool key Return
sleep 0.3
xdotool key ctrl+a
xdotool type 3
xdotool key Return
wait_closed "FS-1052 Options"
sleep 0.5
import -window "$main" "$artefacts/main-window-brdt.png"
# The station options (the picture shows the number fields): R1 typed "RF350" is type 96, not
# RF350ALK; then "FT100" is type 133 (not FT1000MP), and its radio set-up shows the boxes of the
# start-up's, none twice.
open_dialog "$(keys_of 32810)" "MIL-STD-188-141A Options" station-options
xdotool key alt+1 ctrl+a
xdotool type RF350
xdotool key Return
wait_closed "MIL-STD-188-141A Options"
wait_until radio_in_file "HARRIS RF350" || fail "RF350 not saved as type 96"
boxes_settle
dismiss_boxes
open_dialog "$(keys_of 32810)" "MIL-STD-188-141A Options" station-options-rf350
xdotool key alt+1 ctrl+a
xdotool type FT100
xdotool key Return
wait_closed "MIL-STD-188-141A Options"
wait_until radio_in_file "YAESU FT100" || fail "FT100 not saved as type 133"
wait_until at_least_boxes "$start_boxes"
boxes_settle
rm -f "$artefacts"/options-ok-box-*.png
for id in $(boxes); do import -window "$id" "$artefacts/options-ok-box-$id.png"; done
dismiss_boxes
# No two of the boxes are the same picture (the same text shown twice).
pictures=("$artefacts"/options-ok-box-*.png)
for ((i = 0; i < ${#pictures[@]}; i++)); do
  for ((j = i + 1; j < ${#pictures[@]}; j++)); do
    [ "$(compare -metric AE "${pictures[i]}" "${pictures[j]}" null: 2>&1)" != 0 ] || fail "the same box twice after the options"
  done
done
# The AQC menu, open.
xdotool windowfocus --sync "$main"
xdotool key alt+i Left Left
sleep 0.5
import -window root "$artefacts/aqc-menu.png"
xdotool key Escape Escape

# File > Exit, typed again when a late box held the keys.
for _ in 1 2 3; do
  dismiss_boxes
  xdotool windowfocus --sync "$main"
  xdotool key --delay 300 $exit_keys
  for _ in $(seq 200); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null || break
done
wait_end "File > Exit"
[ "$status" -eq 0 ] || fail "exit status $status after File > Exit"
[ "$(stat -c %s "$station/ALE.DAT")" -eq 563872 ] || fail "ALE.DAT not saved"
ow=$(cat "$station"/owlog/*.ow)
cp "$station"/owlog/*.ow "$artefacts/walk/" 2>/dev/null
grep -q "VESK-ALE Standard Edition (SE) v2.00 started" <<< "$ow" || fail "no banner filed"
grep -q "OPTIONS: LISTEN MODE ENABLED" <<< "$ow" || fail "SHUTDOWN.DAT did not run"
grep -q "UNKNOWN ADDRESS NOBODY" <<< "$ow" || fail "the Individual Call left no line"
grep -q "FRQ 07000000\]\[ALE INDIVIDUAL CALL LINK\]" <<< "$ow" || fail "Goto Channel 1 did not go to channel 1"
grep -q "FRQ 07000000\]\[ALE GLOBAL ALLCALL THIS WAS LINK\]" <<< "$ow" || fail "the allcall on 1 was not on channel 1"
"$mmi_run" --dir "$station" --dump tables.qrg < /dev/null > /dev/null || fail "no dump of ALE.DAT"
mv "$station/tables.qrg" "$artefacts/"
grep -q "^ADD CHANNEL 28100000 " "$artefacts/tables.qrg" || fail "channel 10 was deleted"
! grep -q "^ADD CHANNEL 7000000 " "$artefacts/tables.qrg" || fail "channel 1 was not deleted"
# The FS-1052 transmissions, the ninth of the ten link values in the options.
[ "$(od -An -t d4 -j $((539784 + 11772 + 32)) -N 4 "$station/ALE.DAT" | tr -d ' ')" = 3 ] || fail "Transmissions 3 not saved"
# Items without a dialog ran, those reached by Down among them: the walk's Start Scan scanned
# (Stop Scan, greyed while not scanning, stopped a second scan), Tools > Voice ID, and the two
# Help items that open files the station does not have.
[ "$(grep -c "SCANNING STOPPED" <<< "$ow")" -ge 2 ] || fail "the walk's Start and Stop Scan did not scan"
for line in "FILE NOT FOUND ERROR: voice_id.wav" "SHELL OPEN: ZUVOVID.EXE NOT FOUND" \
    "SHELL OPEN: vudadiravudav.pdf NOT FOUND"; do
  grep -q "$line" <<< "$ow" || fail "no line: $line"
done
# The document's text stands under the new lines.
banner_at=$(grep -n "v2.00 started" <<< "$ow" | head -1 | cut -d: -f1)
doc_at=$(grep -n "SAVED DOCUMENT LINE" <<< "$ow" | head -1 | cut -d: -f1)
[ -n "$doc_at" ] && [ "$doc_at" -gt "$banner_at" ] || fail "the document is not under the new lines"

# ---- second run: a damaged ALE.DAT, told in a box; SIGTERM ----
head -c 1000 /dev/zero > "$station/ALE.DAT"
start_station
rejected=$(wait_window '^FILE ERROR$') || fail "no box for the rejected ALE.DAT"
import -window "$rejected" "$artefacts/rejected-ale-dat.png"
[ -f "$station/ALE.DAT.bad" ] || fail "the rejected file was not kept"
xdotool windowfocus --sync "$rejected" key Return
kill -TERM "$pid"
wait_end SIGTERM
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
[ "$(stat -c %s "$station/ALE.DAT")" -eq 563872 ] || fail "ALE.DAT not saved after SIGTERM"
[ "$(grep -c "OPTIONS: LISTEN MODE ENABLED" "$station"/owlog/*.ow)" -ge 2 ] || fail "SHUTDOWN.DAT did not run on SIGTERM"
grep -q "FILE ERROR: ALE.DAT REJECTED (WRONG LENGTH 1000), KEPT AS ALE.DAT.bad" "$station"/owlog/*.ow || fail "no line for the rejected ALE.DAT"

# An other address added by Addresses > Add > Other, typed and confirmed with Enter.
add_other() {
  xdotool windowfocus --sync "$main"
  xdotool key --delay 300 $(keys_of 32798)
  wait_window '^Add Other Address$' > /dev/null || fail "no Add Other Address dialog"
  sleep 0.3
  xdotool type "$1"
  xdotool key Return
  wait_closed "Add Other Address"
}

# ---- third run: SIGHUP ends the station as File > Exit does ----
voice_ids=$(cat "$station"/owlog/*.ow | grep -c "FILE NOT FOUND ERROR: voice_id.wav")
start_station
# The monitor scrolled down by the wheel into the start-up's listings keeps its text while lines
# come in (Tools > Voice ID's): the view's part of two pictures is the same.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" $((WIDTH / 3)) $((HEIGHT * 3 / 5)) click --repeat 8 5
sleep 0.5
import -window "$main" -crop "$((WIDTH / 2))x$((HEIGHT / 6))+0+$((HEIGHT / 2))" +repage "$work/scrolled-1.png"
xdotool windowfocus --sync "$main"
xdotool key --delay 200 $(keys_of 32866) $(keys_of 32866) $(keys_of 32866)
sleep 1.5
import -window "$main" -crop "$((WIDTH / 2))x$((HEIGHT / 6))+0+$((HEIGHT / 2))" +repage "$work/scrolled-2.png"
import -window "$main" "$artefacts/main-window-scrolled.png"
cp "$work/scrolled-1.png" "$work/scrolled-2.png" "$artefacts/"
[ "$(compare -metric AE "$work/scrolled-1.png" "$work/scrolled-2.png" null: 2>&1)" = 0 ] || fail "the scrolled monitor moved"
add_other hupsaved
kill -HUP "$pid"
wait_end SIGHUP
[ "$status" -eq 0 ] || fail "exit status $status after SIGHUP"
grep -aq HUPSAVED "$station/ALE.DAT" || fail "the address added before SIGHUP is not in ALE.DAT"
[ "$(grep -c "OPTIONS: LISTEN MODE ENABLED" "$station"/owlog/*.ow)" -ge 3 ] || fail "SHUTDOWN.DAT did not run on SIGHUP"
[ "$(cat "$station"/owlog/*.ow | grep -c "FILE NOT FOUND ERROR: voice_id.wav")" -ge $((voice_ids + 3)) ] ||
  fail "no lines came in while the monitor was scrolled"

# ---- fourth run: the X server goes away under the window ----
n=$((100 + ($$ + 401) % 800))
for _ in $(seq 50); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  n=$((n + 1))
done
Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp > "$work/xvfb" 2>&1 &
xpid=$!
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$n" ] && break
  sleep 0.1
done
outer_display=$DISPLAY
export DISPLAY=":$n"
start_station
add_other xgone
kill -KILL "$xpid"
wait "$xpid" 2>/dev/null
wait_end "its X server was killed"
export DISPLAY=$outer_display
grep -q "X11 connection broke" "$work/out" || fail "the program did not see its display go"
grep -aq XGONE "$station/ALE.DAT" || fail "the address added before the display went is not in ALE.DAT"
[ "$(grep -c "OPTIONS: LISTEN MODE ENABLED" "$station"/owlog/*.ow)" -ge 4 ] || fail "SHUTDOWN.DAT did not run when the display went"
echo "PASS"
