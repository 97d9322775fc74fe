#!/bin/sh
# Usage: ola_e2e_test.sh PROGRAM. OLA as an independent RDM controller of the
# program's Art-Net node: two network namespaces joined by a veth pair, the
# program on a virtual rig of three fixtures in one, olad (Art-Net plugin only)
# in the other. olad must see the node, discover exactly the rig's three UIDs
# through it (the window's discovery stores the same three in its names file),
# read each fixture's DEVICE_INFO, change a start address (olad and the line
# agree on the new one) and reach a fixture with IDENTIFY_DEVICE; the node's
# ArtPollReply, read by tshark, must say RDM supported and enabled.
#
# Needs root (or CAP_SYS_ADMIN and CAP_NET_ADMIN) for the namespaces and the
# Debian packages ola and tshark. Exits 77 (skipped) only when no namespace
# can be created.
# KORVAL_E2E_VERBOSE=1 shows every OLA command with its output.
# KORVAL_E2E_TIMING=instant runs the rig on the simulated clock instead of a
# real line's time. With KORVAL_E2E_CAPTURE=FILE the Art-Net traffic on the
# veth pair is written to FILE (pcap, needs tshark).
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
timing=${KORVAL_E2E_TIMING:-real}
tag=ola
capture_pid=""

report() {
  echo "--- program's message log:"
  cat "$work/node/log.txt" 2>/dev/null
  echo "--- program output:"
  cat "$work/node.out" 2>/dev/null
  echo "--- olad's log (last 200 lines):"
  tail -n 200 "$work/olad.log" 2>/dev/null
  echo "--- last OLA command:"
  cat "$work/out" 2>/dev/null
  if [ -n "${KORVAL_E2E_CAPTURE:-}" ] && [ -n "$capture_pid" ]; then
    kill "$capture_pid" 2>/dev/null
    wait "$capture_pid" 2>/dev/null
    capture_pid=""
    echo "--- Art-Net on the veth pair:"
    tshark -r "$KORVAL_E2E_CAPTURE" 2>/dev/null | tail -n 100
  fi
}
. "$(dirname "$0")/e2e_netns.sh"
# olad is the controller here.
ola_ip=$ctl_ip
in_ola() { in_ctl "$@"; }

# ola COMMAND...: an OLA client in olad's namespace, bounded; its output (both
# streams) lands in $work/out for the checks and for a failure report.
ola() {
  in_ola timeout 20 "$@" >"$work/out" 2>&1
  status=$?
  if [ -n "${KORVAL_E2E_VERBOSE:-}" ]; then
    echo "\$ $* -> $status"
    cat "$work/out"
  fi
  return $status
}

command -v tshark >/dev/null 2>&1 || fail "tshark not installed (scripts/install-deps.sh)"

if [ -n "${KORVAL_E2E_CAPTURE:-}" ]; then
  in_ola tshark -q -i "$ctl_if" -f "udp port 6454" -w "$KORVAL_E2E_CAPTURE" >"$work/tshark.out" 2>&1 &
  capture_pid=$!
  wait_for 50 grep -q "Capturing on" "$work/tshark.out" || fail "tshark did not start"
fi

# The window keeps its default reply timing (classic): in it this rig's
# discovery takes about 6 s of real time, in E1.20 timing under 1 s, and olad
# gives a discovery 4 s, so a pass also shows that network requests run in
# E1.20 timing.
start_node "$timing"

# olad: Art-Net only, on the veth's address.
mkdir "$work/olad"
cat >"$work/olad/ola-artnet.conf" <<EOF
enabled = true
ip = $ola_ip
net = 0
subnet = 0
output_ports = 4
always_broadcast = false
use_limited_broadcast = false
use_loopback = false
short_name = korval-e2e
long_name = korval-e2e OLA controller
EOF
start_olad "$ctl_ns" artnet
artnet_device() { ola ola_dev_info && grep -q "ArtNet \[$ola_ip\]" "$work/out"; }
wait_for 150 artnet_device || fail "olad shows no Art-Net device on $ola_ip"
device=$(sed -n "s/^Device \([0-9]*\): ArtNet \[$ola_ip\].*/\1/p" "$work/out")
[ -n "$device" ] || fail "no Art-Net device number in ola_dev_info"
grep -q "^Device" "$work/out" && [ "$(grep -c '^Device' "$work/out")" -eq 1 ] ||
  fail "other devices than Art-Net in olad"

# olad polls every 10 s (and sends an ArtTodRequest when the port is patched);
# the node's ArtPollReply for an output port of Port-Address 0 makes olad list
# it for universe 0, and a discovery then ends at the node's ArtTodData
# instead of olad's 4 s timeout.
# olad does not look at what the reply says about RDM; other controllers do.
# The node's first ArtPollReply (OpCode 0x2100, little-endian, at UDP offset
# 16), as tshark reads it.
poll_reply=$work/poll_reply
in_ola tshark -l -i "$ctl_if" -c 1 -a duration:30 \
  -f "src host $node_ip and udp port 6454 and udp[16:2] = 0x0021" \
  -T fields -e artnet.poll_reply.rdm_supported -e udp.payload >"$poll_reply" 2>"$work/poll_reply.err" &
poll_pid=$!
wait_for 50 grep -q "Capturing on" "$work/poll_reply.err" || fail "tshark did not start"

ola ola_patch -d "$device" -p 0 -u 0 || fail "ola_patch"
node_listed() { ola ola_artnet -d "$device" -u 0 && grep -qF "$node_ip" "$work/out"; }
wait_for 250 node_listed || fail "olad does not list the node $node_ip for universe 0"
echo "ola e2e: olad lists the node $node_ip for universe 0"

wait_for 300 test -s "$poll_reply"
kill "$poll_pid" 2>/dev/null
wait "$poll_pid" 2>/dev/null
poll_pid=""
read -r rdm_supported payload <"$poll_reply"
[ "$rdm_supported" = 1 ] || fail "the node's ArtPollReply does not say RDM supported (Status1 bit 1)"
# GoodOutputB of the port, the reply's byte 213 (two hex digits each): bit 7
# set means RDM disabled.
good_output_b=$(echo "$payload" | cut -c427-428)
[ -n "$good_output_b" ] && [ $((0x$good_output_b & 0x80)) -eq 0 ] ||
  fail "the node's ArtPollReply says RDM disabled (GoodOutputB 0x$good_output_b)"
echo "ola e2e: the node's ArtPollReply says RDM supported and enabled"

# Discovery through ArtTodControl (flush): exactly the rig's UIDs.
ola ola_rdm_discover -u 0 --full || fail "ola_rdm_discover"
found=$(tr 'A-F' 'a-f' <"$work/out" | grep -Eo '[0-9a-f]{4}:[0-9a-f]{8}' | sort | tr '\n' ' ')
want=$(printf '%s\n' $spot $dimmer $strobe | sort | tr '\n' ' ')
[ "$found" = "$want" ] || fail "discovered [$found], want [$want]"
# The flush ran the window's discovery: its names file holds the same three.
names_file_lists() {
  [ -f "$work/node/devnames.lst" ] || return 1
  listed=$(cut -d= -f1 <"$work/node/devnames.lst" | tr -d '\r' | sort | tr '\n' ' ')
  [ "$listed" = "$(for uid in $want; do line_uid "$uid"; done | sort | tr '\n' ' ')" ]
}
wait_for 50 names_file_lists || fail "devnames.lst does not list the three fixtures"
echo "ola e2e: discovered $found"

# expect_field UID LABEL VALUE: the last DEVICE_INFO read shows "LABEL: VALUE".
expect_field() {
  grep -Eq "^ *$2: *$3\$" "$work/out" || fail "device_info of $1: want $2 $3"
}
device_info() {  # device_info UID FOOTPRINT START
  ola ola_rdm_get -u 0 --uid "$1" device_info || fail "ola_rdm_get $1 device_info"
  expect_field "$1" "DMX Footprint" "$2"
  expect_field "$1" "DMX Start Address" "$3"
}
device_info $spot 16 1
device_info $dimmer 8 17
device_info $strobe 2 25
echo "ola e2e: device_info of the three fixtures"

# The log may show a network request a little after its answer went out:
# every look at it waits a moment.
line_logged() { grep -Eq -- "$1" "$work/node/log.txt"; }

# A new start address: olad reads it back, and the fixture acknowledged the SET
# on the line (its reply carries no error: response type 00, ACK).
dimmer_line=$(line_uid $dimmer)
ola ola_rdm_set -u 0 --uid $dimmer dmx_start_address 100 || fail "ola_rdm_set dmx_start_address"
wait_for 50 line_logged "^Request__:1A $dimmer_line [0-9A-F]{12}( [0-9A-F]{2}){3} 0000 30 00F0 02 00 64 " ||
  fail "no SET DMX_START_ADDRESS 100 to $dimmer on the line"
wait_for 50 line_logged "^Response_:18 [0-9A-F]{12} $dimmer_line [0-9A-F]{2} 00 [0-9A-F]{2} 0000 31 00F0 00 " ||
  fail "$dimmer did not acknowledge the SET on the line"
ola ola_rdm_get -u 0 --uid $dimmer dmx_start_address || fail "ola_rdm_get dmx_start_address"
grep -q "^DMX Address: 100\$" "$work/out" || fail "ola_rdm_get dmx_start_address of $dimmer: want 100"
device_info $dimmer 8 100
wait_for 50 line_logged "^Response_:2B [0-9A-F]{12} $dimmer_line [0-9A-F]{2} 00 [0-9A-F]{2} 0000 21 0060 13( [0-9A-F]{2}){14} 00 64( [0-9A-F]{2}){3} [0-9A-F]{4}\$" ||
  fail "the fixture's own DEVICE_INFO reply does not carry start address 100"
wait_for 50 line_logged "Art-Net RDM from $ola_ip" || fail "no log line naming the sender $ola_ip"
echo "ola e2e: dmx_start_address of $dimmer is 100"

# IDENTIFY_DEVICE reaches the fixture: a SET with the value 1 and its ACK.
strobe_line=$(line_uid $strobe)
ola ola_rdm_set -u 0 --uid $strobe identify_device 1 || fail "ola_rdm_set identify_device"
wait_for 50 line_logged "^Request__:19 $strobe_line [0-9A-F]{12}( [0-9A-F]{2}){3} 0000 30 1000 01 01 " ||
  fail "no SET IDENTIFY_DEVICE 1 to $strobe on the line"
wait_for 50 line_logged "^Response_:18 [0-9A-F]{12} $strobe_line [0-9A-F]{2} 00 [0-9A-F]{2} 0000 31 1000 00 " ||
  fail "$strobe did not acknowledge IDENTIFY_DEVICE"
ola ola_rdm_get -u 0 --uid $strobe identify_device || fail "ola_rdm_get identify_device"
grep -q "^Identify State: true\$" "$work/out" || fail "identify_device of $strobe does not read back as on"
echo "ola e2e: identify_device reached $strobe"

kill -0 "$node_pid" 2>/dev/null || fail "the program ended"
kill -0 "$olad_pid" 2>/dev/null || fail "olad ended"
echo "ola e2e: passed"
