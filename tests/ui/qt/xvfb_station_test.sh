#!/usr/bin/env bash
# The windowed station on a copy of an example station under a virtual X server, driven by
# xdotool as an operator would: started with a saved document, an Individual Call to an unknown
# station, then every menu item and key of the command table (the strokes come from menu-walk),
# a screenshot of each dialog one opens, closed again; File > Exit last. Then started again and
# ended by SIGTERM. The screenshots go to the artefacts folder (the walk's to walk/).
#   xvfb_station_test.sh VESK_ALE MENU_WALK EXAMPLE_STATION ARTEFACTS
set -u
prog=$1
walker=$2
example=$3
artefacts=$4
if [ -z "${XVFB_INNER:-}" ]; then
  export XVFB_INNER=1
  # The search for a free display starts at a number of this run's own, so two runs started
  # together (two build trees on one machine) do not take the same one.
  exec xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1400x900x24" "$0" "$@"
fi
mkdir -p "$artefacts"
work=$(mktemp -d)
trap 'kill -9 "${pid:-0}" 2>/dev/null; rm -rf "$work"' EXIT
station="$work/station"
cp -r "$example" "$station"
mkdir -p "$station/owlog" "$station/dalog"
echo "ENABLE LISTEN" > "$station/SHUTDOWN.DAT"
# A saved document: one archived string (a length byte, then the text).
printf '\x14SAVED DOCUMENT LINE\n' > "$station/saved.ale"
fail() {
  echo "FAIL: $*"
  [ -f "$work/out" ] && cat "$work/out"
  exit 1
}

# Waits up to 20 s for a window whose name matches $1; prints its id.
wait_window() {
  for _ in $(seq 200); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}
# Closes the warning boxes the start-up may show (a port the machine does not have).
dismiss_boxes() {
  for id in $(xdotool search --name '^VESK-ALE$' 2>/dev/null); do
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
  xdotool windowfocus --sync "$main"
  xdotool key --delay 300 $1
  dialog=$(wait_window "^$2\$") || fail "no $2 dialog"
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
  # A dialog shows within a moment of its keys; an item that opens none is given 2 s (a
  # loaded machine or a sanitizer build opens dialogs slowly).
  new=""
  deadline=$(($(date +%s%N) + 2000000000))
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

xdotool windowfocus --sync "$main"
xdotool key --delay 300 $exit_keys
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status after File > Exit"
[ "$(stat -c %s "$station/ALE.DAT")" -eq 563872 ] || fail "ALE.DAT not saved"
ow=$(cat "$station"/owlog/*.ow)
cp "$station"/owlog/*.ow "$artefacts/walk/" 2>/dev/null
grep -q "VESK-ALE Standard Edition (SE) v2.00 started" <<< "$ow" || fail "no banner filed"
grep -q "OPTIONS: LISTEN MODE ENABLED" <<< "$ow" || fail "SHUTDOWN.DAT did not run"
grep -q "UNKNOWN ADDRESS NOBODY" <<< "$ow" || fail "the Individual Call left no line"
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

# ---- second run: SIGTERM ----
rm -f "$station/ALE.DAT"
start_station
kill -TERM "$pid"
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
[ "$(stat -c %s "$station/ALE.DAT")" -eq 563872 ] || fail "ALE.DAT not saved after SIGTERM"
[ "$(grep -c "OPTIONS: LISTEN MODE ENABLED" "$station"/owlog/*.ow)" -ge 2 ] || fail "SHUTDOWN.DAT did not run on SIGTERM"
echo "PASS"
