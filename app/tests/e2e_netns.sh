# Sourced by the end-to-end tests that put the tool on one side of a veth pair
# and a node on the other: two network namespaces the test makes and removes
# itself, bounded waits, and the window under Xvfb driven by xdotool.
#
# The test sets, before it sources this file: `tag` (a word that names its
# namespaces), and defines `report`, which prints what helps after a
# failure. Afterwards it has $work (a temporary folder), $node_ns, $ctl_ns,
# $node_ip, $ctl_ip, $node_if, $ctl_if and the functions below.

node_ns=korval-$tag-node-$$
ctl_ns=korval-$tag-ctl-$$
node_if=kxn$$
ctl_if=kxc$$
node_ip=10.79.0.1
ctl_ip=10.79.0.2

work=$(mktemp -d)
namespaces=""
watched=""  # processes whose end makes every wait give up

# remove_namespace NS: ends what still runs in NS (only the test starts
# anything there), then deletes it; its end of the veth pair goes with it.
remove_namespace() {
  pids=$(ip netns pids "$1" 2>/dev/null)
  [ -n "$pids" ] && kill $pids 2>/dev/null && sleep 0.2
  pids=$(ip netns pids "$1" 2>/dev/null)
  [ -n "$pids" ] && kill -9 $pids 2>/dev/null
  ip netns delete "$1" 2>/dev/null
}

cleanup() {
  for ns in $namespaces; do remove_namespace "$ns"; done
  wait 2>/dev/null
  [ -n "${KORVAL_E2E_KEEP:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

fail() {
  echo "FAILED: $*"
  report
  exit 1
}

# A run killed outright (a CTest timeout) could not clean up: its namespaces
# end in its process id, which is gone.
for ns in $(ip netns list 2>/dev/null | sed -n "s/^\(korval-$tag-[a-z]*-[0-9][0-9]*\).*/\1/p"); do
  kill -0 "${ns##*-}" 2>/dev/null || remove_namespace "$ns"
done

if ! ip netns add "$node_ns" 2>"$work/netns.err"; then
  echo "e2e: cannot create a network namespace ($(cat "$work/netns.err")), skipped"
  exit 77
fi
namespaces=$node_ns
ip netns add "$ctl_ns" || exit 1
namespaces="$node_ns $ctl_ns"

in_node() { ip netns exec "$node_ns" "$@"; }
in_ctl() { ip netns exec "$ctl_ns" "$@"; }

# The wire: broadcasts must exist (brd +), controllers find nodes by ArtPoll.
ip link add "$node_if" netns "$node_ns" type veth peer name "$ctl_if" netns "$ctl_ns" ||
  fail "no veth pair"
ip -n "$node_ns" addr add "$node_ip/24" brd + dev "$node_if" || fail "no address $node_ip"
ip -n "$ctl_ns" addr add "$ctl_ip/24" brd + dev "$ctl_if" || fail "no address $ctl_ip"
for ns in $node_ns $ctl_ns; do ip -n "$ns" link set lo up || fail "lo of $ns"; done
ip -n "$node_ns" link set "$node_if" up || fail "veth up"
ip -n "$ctl_ns" link set "$ctl_if" up || fail "veth up"

# wait_for TENTHS COMMAND...: polls COMMAND every 0.1 s, at most TENTHS times,
# and gives up early when a watched process has ended.
wait_for() {
  tries=$1
  shift
  while [ "$tries" -gt 0 ]; do
    "$@" >/dev/null 2>&1 && return 0
    for pid in $watched; do kill -0 "$pid" 2>/dev/null || return 1; done
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# The tool's own node: the window on a virtual rig of three fixtures, told
# apart by footprint and start address, in the node's namespace with its files
# in $work/node. start_node TIMING (real, instant). The node listens on every
# address of its namespace: there it has only lo and the veth.
spot=4b52:2c1f0a37
dimmer=4b52:1196f2a8
strobe=4b52:7a3390c5
node_logged() { grep -qF -- "$1" "$work/node/log.txt"; }
node_listening() { in_node ss -Hlun "sport = :6454" | grep -q .; }
start_node() {
  mkdir -p "$work/node"
  cat >"$work/node/rig.json" <<EOF
{
  "timing": "$1",
  "responders": [
    { "uid": "4B52:2C1F0A37", "label": "Spot 1", "category": "0x0102",
      "personality_footprints": [16, 12], "personality": 1, "start_address": 1 },
    { "uid": "4B52:1196F2A8", "label": "Dimmer 1-8", "category": "0x0501",
      "footprint": 8, "start_address": 17 },
    { "uid": "4B52:7A3390C5", "category": "0x0401", "footprint": 2, "start_address": 25 }
  ]
}
EOF
  (cd "$work/node" && QT_QPA_PLATFORM=offscreen exec ip netns exec "$node_ns" \
    "$program" --virtual-rig rig.json --log-file log.txt) >"$work/node.out" 2>&1 &
  node_pid=$!
  watched="$watched $node_pid"
  wait_for 100 node_logged "KORVAL interface initialized" || fail "the node did not open its virtual line"
  wait_for 50 node_listening || fail "the node does not listen on UDP 6454"
}

# olad in namespace NS: start_olad NS PLUGIN...: every plugin but those named
# off, their configuration files already in $work/olad. olad refuses to run as
# root, so it runs as the package's user, which must be able to write its
# configuration directory.
start_olad() {
  command -v olad >/dev/null 2>&1 || fail "olad not installed (Debian package ola; scripts/install-deps.sh)"
  id olad >/dev/null 2>&1 || fail "no user olad (Debian package ola)"
  ns=$1
  shift
  for plugin in artnet dummy e131 espnet ftdidmx gpio karate kinet milinst opendmx \
    openpixelcontrol osc pathport renard sandnet shownet spi stageprofi uartdmx \
    usbdmx usbserial nanoleaf dmx4linux; do
    case " $* " in *" $plugin "*) ;; *) echo "enabled = false" >"$work/olad/ola-$plugin.conf" ;; esac
  done
  chown -R olad "$work/olad"
  chmod 755 "$work"
  # ip netns exec and setpriv exec what they run: $! is olad's own id.
  ip netns exec "$ns" setpriv --reuid=olad --regid=olad --init-groups \
    olad --no-register-with-dns-sd --no-http -c "$work/olad" -l 3 >"$work/olad.log" 2>&1 &
  olad_pid=$!
  watched="$watched $olad_pid"
}

# olad as the node in the node's namespace: Art-Net and Dummy only, a Dummy
# RDM responder of every kind it offers (a dimmer with four sub-devices, the
# ack-timer responder among them) on universe 0, which an Art-Net input port
# at Port-Address 0:0:0 shares (an output port of the node, in Art-Net's
# words: it takes the controllers' ArtTodRequest, AtcFlush and ArtRdm).
# ola COMMAND...: an OLA client beside it, bounded; its output in $work/ola.out.
ola() { in_node timeout 20 "$@" >"$work/ola.out" 2>&1; }
start_ola_node() {
  mkdir "$work/olad"
  cat >"$work/olad/ola-artnet.conf" <<EOF
enabled = true
ip = $node_ip
net = 0
subnet = 0
input_ports = 1
output_ports = 0
always_broadcast = false
use_limited_broadcast = false
use_loopback = false
short_name = korval-e2e
long_name = korval-e2e OLA node
EOF
  cat >"$work/olad/ola-dummy.conf" <<EOF
enabled = true
dummy_device_count = 1
dimmer_count = 1
dimmer_subdevice_count = 4
moving_light_count = 1
ack_timer_count = 1
advanced_dimmer_count = 1
sensor_device_count = 1
network_device_count = 1
EOF
  start_olad "$node_ns" artnet dummy
  devices() { ola ola_dev_info && grep -q "ArtNet \[$node_ip\]" "$work/ola.out" && grep -q "Dummy Device" "$work/ola.out"; }
  wait_for 150 devices || fail "olad shows no Art-Net device on $node_ip and Dummy device"
  artnet=$(sed -n "s/^Device \([0-9]*\): ArtNet \[$node_ip\].*/\1/p" "$work/ola.out")
  dummy=$(sed -n "s/^Device \([0-9]*\): Dummy Device.*/\1/p" "$work/ola.out")
  [ "$(grep -c '^Device' "$work/ola.out")" -eq 2 ] || fail "other devices than Art-Net and Dummy in olad"
  ola ola_patch -d "$dummy" -p 0 -u 0 || fail "ola_patch of the Dummy port"
  ola ola_patch -d "$artnet" -p 0 -i -u 0 || fail "ola_patch of the Art-Net input port"
}

# A UID as the window writes it (upper-case hex, no colon).
line_uid() { echo "$1" | tr -d ':' | tr 'a-f' 'A-F'; }
# The UIDs given, one a line, sorted, as the window writes them.
line_uids() { for uid in "$@"; do line_uid "$uid"; done | sort; }

# cli_run ARGS...: korval-rdm-cli in the controller's namespace, bounded;
# stdout in $work/out, stderr in $work/err. cli ARGS...: the same through the
# node.
cli_run() { in_ctl timeout 30 "$cli_program" "$@" >"$work/out" 2>"$work/err"; }
cli() { cli_run --artnet-node "$node_ip" "$@"; }

# cli_json EXPRESSION: a Python expression over `d`, the JSON document of the
# last cli call; prints its value.
cli_json() {
  python3 -c "import json, sys; d = json.load(open(sys.argv[1])); print($1)" "$work/out"
}

# The window in the controller's namespace through the node: Xvfb and every
# X client run there (X's abstract socket belongs to a network namespace).
# -noreset: without it the server resets when its last client leaves, and a
# program connecting just then is refused.
window_dir=$work/window
start_window() {
  command -v Xvfb >/dev/null 2>&1 || fail "Xvfb not installed (scripts/install-deps.sh)"
  command -v xdotool >/dev/null 2>&1 || fail "xdotool not installed (scripts/install-deps.sh)"
  mkdir -p "$window_dir"
  in_ctl Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset \
    3>"$work/display" >"$work/xvfb.out" 2>&1 &
  watched="$watched $!"
  wait_for 100 grep -q '[0-9]' "$work/display" || fail "no X server could be started"
  DISPLAY=":$(tr -dc 0-9 <"$work/display")"
  export DISPLAY
  wait_for 50 in_ctl xdotool getmouselocation || fail "the X server does not answer"
  (cd "$window_dir" && QT_QPA_PLATFORM=xcb exec ip netns exec "$ctl_ns" "$program" \
    --artnet-node "$node_ip" --log-file log.txt) >"$work/window.out" 2>&1 &
  watched="$watched $!"
  wait_for 100 window_logged "RDM through Art-Net node $node_ip, Port-Address 0:0:0" ||
    fail "the window does not name the node as its interface"
  wait_for 100 in_ctl xdotool search --onlyvisible --name '^KORVAL RDM Setup V' ||
    fail "no main window"
  main_window=$(in_ctl xdotool search --onlyvisible --name '^KORVAL RDM Setup V' | head -n 1)
}

window_logged() { grep -qF -- "$1" "$window_dir/log.txt"; }

# Clicks at a point of the main window's client area.
click_at() {
  in_ctl xdotool mousemove --window "$main_window" "$1" "$2" click 1
}

# window_discover UID...: one click on Discover lists exactly these UIDs: the
# names file holds them and the log has the node's table.
window_discover() {
  want=$(line_uids "$@" | tr '\n' ' ')
  click_at 96 572
  wait_for 300 window_logged "Discovery finished." || fail "the window's discovery did not finish"
  listed=$(cut -d= -f1 <"$window_dir/devnames.lst" | tr -d '\r' | sort | tr '\n' ' ')
  [ "$listed" = "$want" ] || fail "the window's names file lists [$listed], want [$want]"
  window_logged "ArtTodControl AtcFlush to Art-Net node $node_ip, Port-Address 0:0:0" ||
    fail "the window's log has no AtcFlush to the node"
  window_logged "Art-Net node $node_ip, Port-Address 0:0:0: table of $# devices" ||
    fail "the window's log has no table of $# devices from the node"
  echo "e2e: the window's Discover listed $want"
}

# window_read UID: one click on its list item reads its page through the node:
# the log shows the page's first step and a request to it answered.
window_read() {
  uid=$(line_uid "$1")
  # The list is in names-file order, one 20-pixel item a row from y 10.
  row=$(cut -d= -f1 <"$window_dir/devnames.lst" | tr -d '\r' | grep -n "^$uid\$" | cut -d: -f1)
  [ -n "$row" ] || fail "$uid is not in the window's list"
  click_at 60 $((20 * row))
  wait_for 100 window_logged "Getting parameters of 0x$uid" ||
    fail "no page read of $uid after a click on row $row"
  read_done() {
    sed -n "/Getting parameters of 0x$uid/,\$p" "$window_dir/log.txt" >"$work/page.txt"
    grep -Eq "^Request__:[0-9A-F]{2} $uid [0-9A-F]{12} [0-9A-F]{2} [0-9A-F]{2} 00 0000 20 0060 " "$work/page.txt" &&
      grep -Eq "^Response_:[0-9A-F]{2} [0-9A-F]{12} $uid [0-9A-F]{2} 00 [0-9A-F]{2} 0000 21 0060 13 " "$work/page.txt" &&
      grep -q "^Getting device name of 0x$uid" "$work/page.txt"
  }
  wait_for 100 read_done || fail "the page read of $uid shows no DEVICE_INFO exchange through the node"
  echo "e2e: a click on row $row read the page of $uid through the node"
}
