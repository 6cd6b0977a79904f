#!/usr/bin/env bash
# The windowed station on a copy of an example station under a virtual X server, driven by
# xdotool as an operator would: started with a saved document, Help > About opened and
# closed, File > Exit; then started again and ended by SIGTERM. Screenshots of the main window
# and the About box go to the artefacts folder.
#   xvfb_station_test.sh VESK_ALE EXAMPLE_STATION ARTEFACTS
set -u
prog=$1
example=$2
artefacts=$3
if [ -z "${XVFB_INNER:-}" ]; then
  export XVFB_INNER=1
  exec xvfb-run -a -s "-screen 0 1400x900x24" "$0" "$@"
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
# Dialogs from their menus, a screenshot each; the Individual Call goes to an unknown station.
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
for spec in "alt+l:n Net_Call net-call" "alt+l:r Group_Call group-call" "alt+l:g Global_Allcall global-allcall" \
    "alt+d:a:s Send_AMD_Message send-amd" "alt+d:t Enter_DTM_Message dtm-message" \
    "alt+d:b Enter_DBM_Message dbm-message" "alt+d:p File_Transfer_Dialog file-transfer" \
    "ctrl+m Enter_MIL-STD_188-110_Message mil110-message" "ctrl+t Enter_DTM_Message dtm-message-key" \
    "alt+o:t TCP/IP_&_ZIRVO_Configuration tcpip" "alt+o:r Recorder_Parameters recorder" "alt+t:t Tracing tracing" \
    "alt+t:r Manual_Radio_Asset_Control_Panel radio-panel" "alt+c:g Goto_Channel goto-channel" \
    "alt+o:o MIL-STD-188-141A_Options mil141-options" "alt+c:a Add_Channel add-channel" \
    "alt+c:l Channels_Information channels-info" "alt+a:a:o Add_Other_Address add-other" "ctrl+l AMD_Received_ amd-received" \
    "alt+i:d Dump_QRG_File dump-qrg" "alt+i:l Load_QRG_File load-qrg" "alt+d:a:r RESET_AMD_DATABASE reset-amd"; do
  set -- $spec
  open_dialog "${1//:/ }" "${2//_/ }" "$3"
  xdotool windowfocus --sync "$dialog" key Escape
  sleep 0.3
done
open_dialog "alt+a k" "Stations Linked" stations-linked
xdotool windowfocus --sync "$dialog" key Return
sleep 0.3
xdotool windowfocus --sync "$main" key alt+f
sleep 0.5
xdotool key x
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status after File > Exit"
[ "$(stat -c %s "$station/ALE.DAT")" -eq 563872 ] || fail "ALE.DAT not saved"
ow=$(cat "$station"/owlog/*.ow)
grep -q "VESK-ALE Standard Edition (SE) v2.00 started" <<< "$ow" || fail "no banner filed"
grep -q "OPTIONS: LISTEN MODE ENABLED" <<< "$ow" || fail "SHUTDOWN.DAT did not run"
grep -q "UNKNOWN ADDRESS NOBODY" <<< "$ow" || fail "the Individual Call left no line"
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
