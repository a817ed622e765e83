#!/usr/bin/env bash
# The program's main job on one machine: installs the dependencies, builds the program, the stand-ins and
# the data files (nothing else), writes a working folder, starts the simulator stand-in and the
# traffic-source stand-in (replaying the bundled recording of traffic around Zurich) and runs the
# program in it, with its window when there is a display and headless otherwise. It says when the replay
# has ended (the show is over); the program keeps running until Ctrl-C stops everything; the logs stay
# in the working folder.
#
#   OXL_DEMO_DIR     working folder (build/demo)
#   OXL_DEMO_NO_INSTALL=1   skips the package installation (the build still runs)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=${OXL_DEMO_DIR:-$top/build/demo}
bin=$top/build/bin
recording=$top/data/demo_traffic_LSZH.txt
# The replay keeps the spacing of the recording's report times (field 15). The show goes on about 85 s
# after the replay's end: the program shows the reports 30 s late and then removes the aircraft still in
# the air once their reports have stopped.
replay_s=$(awk -F, 'NR == 1 {first = $15} {last = $15} END {printf "%d", last - first}' "$recording")
replay_min=$(((replay_s + 30) / 60))
show_min=$(((replay_s + 85 + 30) / 60))

echo "The demo runs Ordalis_P3D with a simulator stand-in and a traffic-source stand-in on this machine."
echo "It uses the traffic source's fixed ports on 127.0.0.1: TCP 10747 and UDP 49004 and 49005."
echo "The show lasts about $show_min minutes once the program runs: it replays $replay_min minutes of traffic around"
echo "Zurich, shown 30 s late, and the last departures leave a minute after that. The program then keeps"
echo "running with its parked aircraft until Ctrl-C stops everything."

if [[ ${OXL_DEMO_NO_INSTALL:-0} != 1 ]]; then
  echo "Installing the packages the build needs (scripts/install-deps.sh)."
  bash "$top/scripts/install-deps.sh"
fi

# The program takes the traffic source's fixed ports on the loopback: another program holding one would
# end the demo.
taken=$(python3 - <<'PY'
import socket
for port, kind, what in ((10747, socket.SOCK_STREAM, "TCP, the traffic source's connection"),
                         (49004, socket.SOCK_DGRAM, "UDP, the air pressure"),
                         (49005, socket.SOCK_DGRAM, "UDP, the traffic lines")):
    s = socket.socket(socket.AF_INET, kind)
    if kind == socket.SOCK_STREAM:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        s.bind(("127.0.0.1", port))
    except OSError:
        print(f"  port {port} ({what})")
    s.close()
PY
)
if [[ -n $taken ]]; then
  echo "The demo cannot start: another program on this machine holds a port the program needs:" >&2
  echo "$taken" >&2
  echo "Stop that program (ss -ltunp shows which one it is) and start the demo again." >&2
  exit 1
fi

# Only what the demo runs: the program, the two stand-ins and the shipped data files.
targets="ordalis_p3d sim_standin traffic_standin oxl_data"
echo "Building the program, the simulator and traffic-source stand-ins and the data files in $top/build"
echo "(the first time takes a few minutes; later runs build only what changed)."
OXL_BUILD_TARGETS=$targets bash "$top/scripts/build.sh" "$top/build"

# A fresh working folder: the program folder (docs, input with the shipped data files), AppData with
# the settings, the registry, the simulator's install folder, the pipe and lock folders.
# Only a folder that an earlier demo wrote (or an empty one) is ever removed.
if [[ -d $work && -n $(ls -A "$work") && ! -e $work/.oxl-demo ]]; then
  echo "$work is not a demo folder of an earlier run; choose another with OXL_DEMO_DIR" >&2
  exit 1
fi
# What earlier demo runs learned at Zurich stays: the next run reads it back and adds to it.
kept=$(mktemp -d)
if [[ -d $work/program/airports/learned ]]; then
  cp -a "$work/program/airports/learned" "$kept/"
fi
rm -rf "$work"
mkdir -p "$work"
touch "$work/.oxl-demo"
program=$work/program
appdata=$work/appdata
mkdir -p "$program/docs" "$program/input" "$appdata/Ordalis_P3D" "$work/documents" "$work/public" \
         "$work/P3Dv5/Scenery" "$work/pipes" "$work/run"
chmod 700 "$work/run"
cp -r "$bin/input/." "$program/input/"
echo '<registry/>' > "$work/registry.xml"
# The traffic source counts as installed when its program file is there: the program then opens its
# TCP server for the traffic-source stand-in.
mkdir -p "$appdata/InsideSystems"
: > "$appdata/InsideSystems/RealTraffic.jar"
# A few installed liveries (aircraft folders below the simulator folder) and the scan of them, so that
# every aircraft of the recording is created with a matching livery.
python3 "$top/tools/make_demo_liveries.py" --sim "$work/P3Dv5" --out "$program/output/LiveriesScanned.xml"
# Zurich is the user's park airport: its stands take the live arrivals and the static aircraft.
mkdir -p "$program/airports"
echo LSZH > "$program/airports/my_park_airports.txt"
if [[ -d $kept/learned ]]; then
  cp -a "$kept/learned" "$program/airports/"
fi
rm -rf "$kept"
# The scans of installed liveries and airport sceneries are off: the liveries come from the scan file.
# A livery scan asked for in the window scans the demo's aircraft folders (lfolder0).
cat > "$appdata/Ordalis_P3D/parameters.xml" <<EOF
<?xml version="1.0"?>
<parameters>
<parameter name="PROGRAM_VERSION" value="11.0.4"/>
<parameter name="SIM_INSTALL_PATH" value="$work/P3Dv5"/>
<parameter name="SCAN_LIVERIES" value="false"/>
<parameter name="LIG_AUTOMATIC" value="false"/>
<parameter name="lfolder0" value="$work/P3Dv5/SimObjects/Airplanes"/>
<parameter name="SCAN_AIRPORTS" value="false"/>
</parameters>
EOF

export OXL_APPDATA=$appdata
export OXL_REGISTRY=$work/registry.xml
export OXL_DOCUMENTS=$work/documents
export OXL_PUBLIC_DOCUMENTS=$work/public
export OXL_PIPE_DIR=$work/pipes
export XDG_RUNTIME_DIR=$work/run
# The download site is a local folder holding the airport file of Zurich: the version check finds no
# version file there and the program goes on; Zurich's stands come from the site like any archived file.
mkdir -p "$work/site/P3D/archive/stock"
cp "$top/data/demo_airport_LSZH.xml" "$work/site/P3D/archive/stock/LSZH.xml"
export OXL_DOWNLOAD_BASE=${OXL_DOWNLOAD_BASE:-file://$work/site/}
if [[ -z ${DISPLAY:-} ]]; then
  export OXL_HEADLESS=1
fi

sim_pid=
traffic_pid=
program_pid=
stopped=0
stop_all() {
  [[ $stopped == 1 ]] && return
  stopped=1
  trap - INT TERM
  # Ctrl-C may have ended the simulator stand-in already: its closed FIFO must not end this script.
  trap '' PIPE
  [[ -n $program_pid ]] && kill -TERM "$program_pid" 2>/dev/null || true
  [[ -n $traffic_pid ]] && kill -TERM "$traffic_pid" 2>/dev/null || true
  { echo exit >&3; } 2>/dev/null || true
  exec 3>&- || true
  for pid in $program_pid $traffic_pid $sim_pid; do
    wait "$pid" 2>/dev/null || true
  done
  echo
  echo "Stopped."
  print_logs
}
print_logs() {
  echo "Logs in $work:"
  echo "  program log:                 $program/Log.txt"
  echo "  simulator stand-in:          $work/sim_standin.log (messages: $work/sim_standin.journal,"
  echo "                               aircraft created, moved and removed: $work/sim_standin.track)"
  echo "  traffic-source stand-in:     $work/traffic_standin.log (lines the program sent: $work/traffic_received.txt)"
}
trap 'stop_all; exit 130' INT TERM
trap stop_all EXIT

# The simulator stand-in takes its commands on standard input, kept open through a FIFO.
mkfifo "$work/sim_standin.in"
"$bin/sim_standin" --ground-ft 1416 --journal "$work/sim_standin.journal" --track "$work/sim_standin.track" \
  < "$work/sim_standin.in" > "$work/sim_standin.log" 2>&1 &
sim_pid=$!
exec 3> "$work/sim_standin.in"
for _ in $(seq 100); do
  grep -q '^ready' "$work/sim_standin.log" && break
  sleep 0.1
done
grep -q '^ready' "$work/sim_standin.log" || { echo "the simulator stand-in did not start:"; cat "$work/sim_standin.log"; exit 1; }
# The user's aircraft stands on the main apron of Zurich.
echo "teleport 47.45350 8.56100 1416" >&3

# The traffic source connects to the program's port and begins the replay when the program takes it.
"$bin/traffic_standin" --replay "$recording" --record "$work/traffic_received.txt" --qnh 1013 \
  > "$work/traffic_standin.log" 2>&1 &
traffic_pid=$!

echo "Working folder: $work"
echo "Simulator stand-in and traffic-source stand-in running (recording: $recording)."
echo "$(date +%T) Starting Ordalis_P3D ($([[ -n ${OXL_HEADLESS:-} ]] && echo headless || echo "window on $DISPLAY")); Ctrl-C stops everything."
(cd "$program" && exec "$bin/ordalis_p3d") &
program_pid=$!
# The stand-in notes in its record when the program took its connection and when the replay's last line
# went out.
said=
while kill -0 "$program_pid" 2>/dev/null; do
  for note in connected "replay ended"; do
    [[ $said == *"$note"* ]] && continue
    grep -q " # $note\$" "$work/traffic_received.txt" 2>/dev/null || continue
    said+="$note;"
    if [[ $note == connected ]]; then
      echo "$(date +%T) Ordalis_P3D took the traffic source's connection: the replay of $replay_min minutes begins."
    else
      echo "$(date +%T) The traffic replay has ended: the show is over once the last departures have left"
      echo "(in about a minute and a half). Ordalis_P3D keeps running with its parked aircraft until Ctrl-C"
      echo "stops it and the stand-ins."
      print_logs
    fi
  done
  # Waited for, unlike a plain sleep, so that a signal to this script stops it at once.
  sleep 1 &
  wait $! || true
done
status=0
wait "$program_pid" || status=$?
program_pid=
echo "Ordalis_P3D ended (exit status $status)."
exit 0
