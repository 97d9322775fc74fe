#!/bin/sh
# Usage: ola_responder_suite.sh [PROGRAM]   (default build/dev/app/korval-rdm)
#
# Measures how the node serves a network controller: OLA's RDM responder test
# suite (tools/rdm/rdm_responder_test.py of OLA 0.10.9) runs through our
# Art-Net node against each of three virtual fixtures, once with the window on
# the RDM page and once on the Art-Net page, where universe 0 goes out as
# DMX512 between the RDM exchanges. A measurement, not a test: nothing here
# passes or fails, CI never runs it, and it takes several minutes of real time.
#
# Set-up as in app/tests/ola_e2e_test.sh: two network namespaces joined by a
# veth pair, the program (under its own Xvfb, its window clicked with xdotool)
# on a virtual rig in real timing in one, olad (Art-Net plugin only, as user
# olad) as the RDM controller in the other. A raw ArtDmx sender in olad's
# namespace sends universe 0 every 10 ms, each packet different (its send time
# and a counter in slots 1 to 12), so every DMX frame on the line differs from
# the one before and the rig's dmx_record file holds them all with their time.
# tshark captures UDP 6454 on olad's end of the veth pair.
#
# Per run (page, fixture) it reports the suite's summary, the ArtRdm requests,
# the time from each request to its ArtRdm reply at the veth, the requests
# never answered, the node's "dropped unsent" lines and the DMX frames (count,
# worst period); per flush (ola_rdm_discover --full) the UIDs olad returned,
# when the node sent its tables, and the DMX frames meanwhile; see
# bench/ola_suite_report.py.
#
# Needs: root (namespaces, olad's user, capture); the Debian packages ola,
# ola-python, python3-numpy, tshark, xvfb, xdotool, imagemagick; and OLA's
# source at tag 0.10.9 in KORVAL_OLA_SOURCE (none of it is part of this
# repository):
#   git clone https://github.com/OpenLightingProject/ola.git /tmp/ola-git
#   mkdir /tmp/ola-0.10.9 && git -C /tmp/ola-git archive refs/tags/0.10.9 | tar -x -C /tmp/ola-0.10.9
#   KORVAL_OLA_SOURCE=/tmp/ola-0.10.9 bench/ola_responder_suite.sh
# The checkout is only read: the suite runs from a copy made here, beside the
# Debian package's modules, with python/ola/StringUtils.py (missing from the
# package) and one Python 3 mend (integer halving in DetermineMaxPacketSize).
#
# KORVAL_SUITE_OUT=DIR keeps everything there (default: a new directory under
# /tmp, named at the end): the report, per page the capture, the node's log,
# the dmx_record file, olad's log, each suite run's output and screenshots.
# KORVAL_SUITE_PAGES="rdm artnet" chooses the pages, in that order.
# KORVAL_SUITE_TESTS=TEST1,TEST2 runs only those tests of the suite.
# KORVAL_SUITE_FIXTURES="UID ..." runs the suite against those fixtures only
# (empty: none, the discoveries alone).
# KORVAL_SUITE_DISCOVERIES=N: after the suite, N more flushes with the node's
# list full, then N with it empty, each in a program started anew without
# devnames.lst (default 3; the first flush of a page is always one with the
# list empty).
set -u
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/dev/app/korval-rdm}
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
ola_source=${KORVAL_OLA_SOURCE:-}
pages=${KORVAL_SUITE_PAGES:-rdm artnet}
tests=${KORVAL_SUITE_TESTS:-}
extra_discoveries=${KORVAL_SUITE_DISCOVERIES:-3}
python=/usr/bin/python3  # Debian's, which has the ola-python modules

die() {
  echo "ola suite: $*" >&2
  exit 2
}

[ "$(id -u)" -eq 0 ] || die "needs root (network namespaces, olad's user, capture)"
[ -x "$program" ] || die "no program $program (cmake --build --preset dev --target korval-rdm)"
for tool in olad ola_rdm_discover tshark Xvfb xdotool import; do
  command -v "$tool" >/dev/null 2>&1 ||
    die "$tool not installed (apt-get install ola tshark xvfb xdotool imagemagick)"
done
id olad >/dev/null 2>&1 || die "no user olad (Debian package ola)"
"$python" -c 'import ola.ClientWrapper, numpy' 2>/dev/null ||
  die "no ola-python or numpy for Debian's python3 (apt-get install ola-python python3-numpy)"
if [ -z "$ola_source" ] || [ ! -f "$ola_source/tools/rdm/rdm_responder_test.py" ] ||
  [ ! -f "$ola_source/python/ola/StringUtils.py" ]; then
  sed -n '/^# Needs:/,/^# package)/p' "$0" | sed 's/^# \{0,1\}//' >&2
  die "set KORVAL_OLA_SOURCE to OLA's source tree at tag 0.10.9"
fi

out=${KORVAL_SUITE_OUT:-$(mktemp -d /tmp/korval-ola-suite.XXXXXX)}
mkdir -p "$out" || die "cannot create $out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
chmod 755 "$work"

# The suite beside the Debian package: a package directory of links to the
# package's modules, StringUtils.py from the checkout, and tools/rdm as
# ola.testing.rdm (as OLA's own build lays it out), copied so that the one
# mend touches the copy alone.
pylib=$work/python
mkdir -p "$pylib/ola/testing/rdm"
debian_ola=$("$python" -c 'import ola, os; print(os.path.dirname(ola.__file__))')
for f in "$debian_ola"/*; do
  case $(basename "$f") in __pycache__) ;; *) ln -s "$f" "$pylib/ola/" ;; esac
done
cp "$ola_source/python/ola/StringUtils.py" "$pylib/ola/"
touch "$pylib/ola/testing/__init__.py"
cp "$ola_source"/tools/rdm/*.py "$pylib/ola/testing/rdm/"
# Python 3 makes "/" a float division: the halving must stay an integer, or
# the suite stops at DetermineMaxPacketSize.
sed -i 's|self._current = (self._lower + self._upper) / 2|self._current = (self._lower + self._upper) // 2|' \
  "$pylib/ola/testing/rdm/TestDefinitions.py"
grep -q 'self._upper) // 2' "$pylib/ola/testing/rdm/TestDefinitions.py" ||
  die "$ola_source: DetermineMaxPacketSize is not the one of OLA 0.10.9"
suite=$pylib/ola/testing/rdm/rdm_responder_test.py

node_ip=10.77.0.1
ola_ip=10.77.0.2
node_ns=""
ola_ns=""
namespaces=""

# remove_namespace NS: ends what still runs in NS (only this script starts
# anything there), then deletes it and with it its end of the veth pair.
remove_namespace() {
  pids=$(ip netns pids "$1" 2>/dev/null)
  [ -n "$pids" ] && kill $pids 2>/dev/null && sleep 0.3
  pids=$(ip netns pids "$1" 2>/dev/null)
  [ -n "$pids" ] && kill -9 $pids 2>/dev/null
  ip netns delete "$1" 2>/dev/null
}

tear_down() {
  for ns in $namespaces; do remove_namespace "$ns"; done
  namespaces=""
}
cleanup() {
  tear_down
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# Namespaces left by a run killed outright carry its process id, which is gone.
for ns in $(ip netns list 2>/dev/null | sed -n 's/^\(kvs-\(node\|ola\)-[0-9][0-9]*\).*/\1/p'); do
  kill -0 "${ns##*-}" 2>/dev/null || remove_namespace "$ns"
done

in_node() { ip netns exec "$node_ns" "$@"; }
in_ola() { ip netns exec "$ola_ns" "$@"; }

# wait_for TENTHS COMMAND...: polls COMMAND every 0.1 s, at most TENTHS times.
wait_for() {
  tries=$1
  shift
  while [ "$tries" -gt 0 ]; do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# since T0 T1: seconds from T0 to T1 (date +%s.%N), to 0.1 s.
since() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }

# The rig: the three fixtures of sim/rigs/example.json (those of the e2e test),
# the Spot with the description parameters, so that long replies (labels,
# descriptions, SUPPORTED_PARAMETERS) are asked for too.
write_rig() {
  cat >"$1" <<EOF
{
  "timing": "real",
  "dmx_record": "frames.txt",
  "responders": [
    {
      "uid": "4B52:2C1F0A37",
      "supported_parameters": ["0x0082", "0x0081", "0x0030", "0x00E0", "0x0400", "0x0401",
                               "0x0600", "0x0601", "0x0602", "0x0300", "0x0301", "0x0302", "0x0304"],
      "label": "Spot 1", "manufacturer": "KORVAL",
      "category": "0x0102", "software_version": "0x01000203", "model_id": 1,
      "personality_footprints": [16, 12, 20, 8], "personality": 1, "start_address": 1,
      "device_hours": 1234, "lamp_hours": 56,
      "pan_invert": 0, "tilt_invert": 1, "pan_tilt_swap": 0,
      "min_limits": [0, 0, 0, 0, 0, 0, 0, 0], "max_limits": [255, 255, 255, 255, 255, 255, 255, 255],
      "error_scene": [255, 255, 255, 255, 255, 255, 255, 255], "dimm_switch": 0,
      "status_messages": [ { "type": 2, "id": "0x0050", "data1": 0, "data2": 35 } ],
      "model_description": "KORVAL Spot 250",
      "personality_descriptions": ["Standard 16", "Compact 12", "Extended 20", "Basic 8"],
      "sensors": [ { "description": "Head temperature", "value": 43 } ]
    },
    {
      "uid": "4B52:1196F2A8",
      "supported_parameters": ["0x0082", "0x0300", "0x0301", "0x0302", "0x0304", "0x0030"],
      "label": "Dimmer 1-8", "category": "0x0501", "footprint": 8, "start_address": 17,
      "min_limits": [5, 5, 5, 5, 5, 5, 5, 5], "dimm_switch": "0xF0",
      "status_messages": [ { "type": 3, "id": "0x0021", "data1": 1, "data2": 72 } ]
    },
    {
      "uid": "4B52:7A3390C5",
      "supported_parameters": ["0x0081", "0x0030"],
      "category": "0x0401", "footprint": 2, "start_address": 25,
      "status_messages": [ { "type": 4, "id": "0x0052" } ]
    }
  ]
}
EOF
}
fixtures="4b52:2c1f0a37 4b52:1196f2a8 4b52:7a3390c5"
suite_fixtures=${KORVAL_SUITE_FIXTURES-$fixtures}

# Universe 0 every 10 ms, straight to the node: slots 1 to 8 the send time
# (ms since the epoch), 9 to 12 a counter, the rest 0.
cat >"$work/artdmx_sender.py" <<'EOF'
import signal, socket, struct, sys, time
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
node, period = sys.argv[1], float(sys.argv[2])
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
header = b'Art-Net\0' + struct.pack('<H', 0x5000) + struct.pack('>H', 14)
count = 0
next_at = time.monotonic()
while True:
    count += 1
    data = struct.pack('>QI', int(time.time() * 1000), count) + bytes(500)
    try:
        s.sendto(header + bytes([count % 255 + 1, 0, 0, 0]) + struct.pack('>H', 512) + data,
                 (node, 6454))
    except OSError:  # the veth pair has gone: the run is over
        sys.exit(0)
    next_at += period
    time.sleep(max(0.0, next_at - time.monotonic()))
EOF

# run_page PAGE: one whole set-up, the suite against each fixture, tear-down.
run_page() {
  page=$1
  dir=$out/$page
  rm -rf "$dir"
  mkdir -p "$dir/node"
  node_ns=kvs-node-$$
  ola_ns=kvs-ola-$$
  node_if=kvsn$$
  ola_if=kvso$$
  ip netns add "$node_ns" || die "cannot create a network namespace"
  namespaces=$node_ns
  ip netns add "$ola_ns" || die "cannot create a network namespace"
  namespaces="$node_ns $ola_ns"
  ip link add "$node_if" netns "$node_ns" type veth peer name "$ola_if" netns "$ola_ns" ||
    die "no veth pair"
  ip -n "$node_ns" addr add "$node_ip/24" brd + dev "$node_if" || die "no address"
  ip -n "$ola_ns" addr add "$ola_ip/24" brd + dev "$ola_if" || die "no address"
  for ns in $node_ns $ola_ns; do ip -n "$ns" link set lo up || die "lo of $ns"; done
  ip -n "$node_ns" link set "$node_if" up || die "veth up"
  ip -n "$ola_ns" link set "$ola_if" up || die "veth up"

  # The capture: ArtDmx cut to its first slots, every other packet whole.
  in_ola tshark -q -i "$ola_if" -s 400 -f "udp port 6454" -w "$dir/capture.pcap" \
    >"$work/tshark.out" 2>&1 &
  wait_for 100 grep -q "Capturing on" "$work/tshark.out" || die "tshark did not start"

  # The window on its own X server in the node's namespace (X's abstract
  # socket is per network namespace), so the tab can really be clicked.
  rm -f "$work/display"
  in_node Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" \
    >"$dir/xvfb.out" 2>&1 &
  wait_for 100 grep -q '[0-9]' "$work/display" || die "no X server"
  display=":$(tr -dc 0-9 <"$work/display")"
  in_x() { in_node env DISPLAY="$display" "$@"; }
  main_window=""
  find_window() {
    main_window=$(in_x xdotool search --onlyvisible --name '^KORVAL RDM Setup V' | head -n 1)
    [ -n "$main_window" ]
  }
  node_listening() { in_node ss -Hlun "sport = :6454" | grep -q .; }
  # start_program DIR: the program with its rig, log and dmx_record in DIR
  # (each start its own: the record's clock starts with the line), listening.
  start_program() {
    node_dir=$1
    mkdir -p "$node_dir"
    write_rig "$node_dir/rig.json"
    (cd "$node_dir" && DISPLAY=$display QT_QPA_PLATFORM=xcb exec ip netns exec "$node_ns" \
      "$program" --virtual-rig rig.json --log-file log.txt) >>"$dir/program.out" 2>&1 &
    program_pid=$!
    wait_for 150 grep -qF "KORVAL interface initialized" "$node_dir/log.txt" ||
      die "the program did not open the virtual line"
    wait_for 100 find_window || die "no main window"
    wait_for 50 node_listening || die "the node does not listen on UDP 6454"
  }
  # show_page: the page of this run in the window started last.
  show_page() {
    [ "$page" = artnet ] || return 0
    # The Art-Net tab, at (316, 21) of the window's client area; frames in
    # the record prove that it is the current page (only it sends them).
    in_x xdotool mousemove --window "$main_window" 316 21 click 1
    frames_flow() { [ "$(wc -l <"$node_dir/frames.txt" 2>/dev/null || echo 0)" -gt 20 ]; }
    wait_for 100 frames_flow || die "no DMX frames after clicking the Art-Net tab"
  }
  stop_program() {
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
  }
  start_program "$dir/node"

  # olad, Art-Net only, on the veth's address (as in the e2e test).
  config=$work/olad-$page
  mkdir -p "$config"
  for plugin in dummy e131 espnet ftdidmx gpio karate kinet milinst opendmx \
    openpixelcontrol osc pathport renard sandnet shownet spi stageprofi uartdmx \
    usbdmx usbserial nanoleaf dmx4linux; do
    echo "enabled = false" >"$config/ola-$plugin.conf"
  done
  cat >"$config/ola-artnet.conf" <<EOF
enabled = true
ip = $ola_ip
net = 0
subnet = 0
output_ports = 4
always_broadcast = false
use_limited_broadcast = false
use_loopback = false
short_name = korval-suite
long_name = korval-suite OLA controller
EOF
  chown -R olad "$config"
  in_ola setpriv --reuid=olad --regid=olad --init-groups \
    olad --no-register-with-dns-sd --no-http -c "$config" -l 3 >"$dir/olad.log" 2>&1 &
  artnet_device() { in_ola timeout 20 ola_dev_info >"$work/out" 2>&1 && grep -q "ArtNet \[$ola_ip\]" "$work/out"; }
  wait_for 150 artnet_device || die "olad shows no Art-Net device"
  device=$(sed -n "s/^Device \([0-9]*\): ArtNet \[$ola_ip\].*/\1/p" "$work/out")
  in_ola timeout 20 ola_patch -d "$device" -p 0 -u 0 || die "ola_patch"
  node_listed() { in_ola timeout 20 ola_artnet -d "$device" -u 0 2>&1 | grep -qF "$node_ip"; }
  wait_for 300 node_listed || die "olad does not list the node for universe 0"

  # The sender is the measuring instrument: real-time, so that a busy machine
  # pauses it less (a pause leaves unchanged frames out of the record).
  rt=""
  chrt -f 20 true 2>/dev/null && rt="chrt -f 20"
  in_ola $rt "$python" "$work/artdmx_sender.py" "$node_ip" 0.010 &
  show_page
  in_x import -window root "$dir/page-before.png"
  # Whether the output thread got its real-time priority (class FF) here.
  ps -L -o tid,cls,rtprio,comm -p "$program_pid" >"$dir/threads.txt"

  # The table: a discovery through the node (ArtTodControl AtcFlush), with
  # the node's list empty (no devnames.lst in its directory). discover LABEL
  # writes a line to discoveries.tsv: the label, the flush, ola_rdm_discover's
  # return and the node's "Discovery finished." (polled every 0.1 s), the UIDs
  # olad returned and the program's directory. The report takes the exact
  # times of the flush and of the node's tables from the capture.
  want=$(printf '%s\n' $fixtures | sort | tr '\n' ' ')
  uids_in() { tr 'A-F' 'a-f' <"$1" | grep -Eo '[0-9a-f]{4}:[0-9a-f]{8}' | sort | tr '\n' ' '; }
  discoveries=0
  : >"$dir/discoveries.tsv"
  discover() {
    discoveries=$((discoveries + 1))
    finished() { grep -cx "Discovery finished." "$node_dir/log.txt"; }
    before=$(finished)
    discovery_ended() { [ "$(finished)" -gt "$before" ]; }
    flushed=$(date +%s.%N)
    in_ola timeout 30 ola_rdm_discover -u 0 --full >"$dir/discover-$discoveries.out" 2>&1 ||
      die "ola_rdm_discover failed"
    answered=$(date +%s.%N)
    wait_for 600 discovery_ended || die "the node's discovery did not end within 60 s"
    ended=$(date +%s.%N)
    found=$(uids_in "$dir/discover-$discoveries.out")
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$flushed" "$answered" "$ended" "$found" \
      "${node_dir#"$dir"/}" >>"$dir/discoveries.tsv"
    echo "ola suite: $page page, flush with the list $1: olad got [$found] after" \
      "$(since "$flushed" "$answered") s; the node's discovery ended after $(since "$flushed" "$ended") s"
  }
  discover empty
  if [ "$found" != "$want" ]; then
    # olad keeps the first table it gets, the one the node sends after 3 s
    # when its discovery runs longer; an ArtTodRequest now gets the new one.
    in_ola timeout 30 ola_rdm_discover -u 0 >"$dir/discover-again.out" 2>&1 || die "ola_rdm_discover failed"
    found=$(uids_in "$dir/discover-again.out")
    echo "ola_rdm_discover (ArtTodRequest) afterwards: [$found]" >"$dir/discover-again.txt"
    cat "$dir/discover-again.txt"
  fi
  [ "$found" = "$want" ] || die "discovered [$found], want [$want]"

  : >"$dir/runs.tsv"
  for uid in $suite_fixtures; do
    name=$(echo "$uid" | tr -d ':')
    from=$(wc -l <"$dir/node/log.txt")
    start=$(date +%s.%N)
    echo "ola suite: $page page, $uid ..."
    # -s: three devices share the universe, the suite must not ask.
    in_ola env PYTHONPATH="$pylib" "$python" "$suite" -u 0 -s -d --timestamp \
      ${tests:+-t "$tests"} "$uid" >"$dir/suite-$name.txt" 2>&1
    end=$(date +%s.%N)
    sleep 1  # the node's last log lines reach the file
    to=$(wc -l <"$dir/node/log.txt")
    printf '%s\t%s\t%s\t%s\t%s\n' "$uid" "$start" "$end" "$from" "$to" >>"$dir/runs.tsv"
    grep -a 'tests run' "$dir/suite-$name.txt" | tail -n 1
  done
  in_x import -window root "$dir/page-after.png"
  kill -0 "$program_pid" 2>/dev/null || echo "ola suite: the program ended during the run" >&2
  cp "$dir/node/log.txt" "$dir/node.log"
  [ -f "$dir/node/frames.txt" ] && cp "$dir/node/frames.txt" "$dir/frames.txt"

  # More flushes: with the list full (the program that ran the suite), then
  # each in a program started anew without devnames.lst (the list empty).
  round=1
  while [ "$round" -le "$extra_discoveries" ]; do
    sleep 1
    discover full
    round=$((round + 1))
  done
  round=1
  while [ "$round" -le "$extra_discoveries" ]; do
    stop_program
    start_program "$dir/empty-$round"
    show_page
    wait_for 300 node_listed || die "olad does not list the node for universe 0"
    sleep 1
    discover empty
    round=$((round + 1))
  done
  tear_down
  wait "$program_pid" 2>/dev/null
}

commit=$(git -C "$here/.." rev-parse --short HEAD 2>/dev/null || echo unknown)
dirty=$(git -C "$here/.." status --porcelain --untracked-files=no 2>/dev/null | grep -q . &&
  echo " (with uncommitted changes)")
{
  echo "program: $program"
  echo "commit: $commit$dirty"
  echo "OLA: olad $(olad --version 2>&1 | sed -n 's/.*version: //p'), suite from $ola_source"
  echo "machine: $(uname -srm), $(nproc) cores"
  echo "date: $(date -Iseconds)"
} >"$out/about.txt"

for page in $pages; do
  case $page in rdm | artnet) run_page "$page" ;; *) die "unknown page $page (rdm, artnet)" ;; esac
done

"$python" "$here/ola_suite_report.py" "$out" $pages | tee "$out/report.txt"
echo "ola suite: everything is in $out"
