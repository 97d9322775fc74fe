#!/bin/sh
# Usage: self_e2e_test.sh PROGRAM CLI. The tool against itself across a veth
# pair between two network namespaces: the window on a virtual rig of three
# fixtures is the Art-Net node in one, korval-rdm-cli --artnet-node and then
# the window with --artnet-node (under Xvfb, driven by xdotool) are the
# controller in the other. The command line finds the node and its RDM port,
# gets the rig's three UIDs from a flushed and from a plain table, reads
# DEVICE_INFO and a label, sets a start address that reads back, and
# identifies a fixture; every request it sends and the reply it takes are the
# very packets the node's log shows after "Art-Net RDM from" the controller.
# The window's Discover lists the three, and a click reads a page through the
# node.
#
# The rig runs in real time: the node's discovery after a flush then takes
# real time, as on a real line, which the controller must wait out.
#
# Needs root (or CAP_SYS_ADMIN and CAP_NET_ADMIN) for the namespaces, Xvfb and
# xdotool. Exits 77 (skipped) only when no namespace can be created.
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
cli_program=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
tag=self

report() {
  echo "--- node's message log:"
  cat "$work/node/log.txt" 2>/dev/null
  echo "--- last korval-rdm-cli output:"
  cat "$work/out" "$work/err" 2>/dev/null
  echo "--- window's message log:"
  cat "$work/window/log.txt" 2>/dev/null
  cat "$work/window.out" 2>/dev/null
}
. "$(dirname "$0")/e2e_netns.sh"

start_node real

# nodes: a poll on the controller's interfaces finds the node, with an output
# port at Port-Address 0:0:0 that carries RDM.
cli_run --json nodes || fail "nodes"
[ "$(cli_json "[(p['port_address'], p['rdm']) for n in d if n['address'] == '$node_ip' for p in n['ports']]")" = "[('0:0:0', True)]" ] ||
  fail "nodes does not list $node_ip with one RDM port at 0:0:0"
echo "e2e: nodes lists $node_ip with an RDM port at 0:0:0"

want=$(printf '%s\n' $spot $dimmer $strobe | sort | tr '\n' ' ')
for how in --full ""; do
  cli discover $how || fail "discover $how"
  found=$(sort "$work/out" | tr '\n' ' ')
  [ "$found" = "$want" ] || fail "discover $how found [$found], want [$want]"
done
node_logged "Discovery finished." || fail "the flush ran no discovery on the node"
echo "e2e: discover --full and discover list $want"

# seen_by_node: every request of the last cli -v run, and the reply it took,
# is in the node's log as the node sent it to the line after it logged the
# controller's address.
seen_by_node() {
  grep -E '^(Request__|Response_):' "$work/err" >"$work/dumps"
  [ -s "$work/dumps" ] || fail "no packet dump from korval-rdm-cli -v"
  while read -r dump; do
    wait_for 50 node_logged "$dump" || fail "the node's log lacks $dump"
    case $dump in
      Request__:*)
        [ "$(grep -xF -B1 -- "$dump" "$work/node/log.txt" | head -n 1)" = "Art-Net RDM from $ctl_ip" ] ||
          fail "the node's log does not give $ctl_ip before $dump"
        ;;
    esac
  done <"$work/dumps"
}

cli -v --json get $spot device_info || fail "get device_info"
[ "$(cli_json "d['dmx_footprint'], d['dmx_start_address']")" = "16 1" ] ||
  fail "device_info of $spot: want footprint 16 at 1"
seen_by_node
cli -v --json get $spot device_label || fail "get device_label"
[ "$(cli_json "d['label']")" = "Spot 1" ] || fail "device_label of $spot: want Spot 1"
seen_by_node
cli -v set $dimmer dmx_start_address 100 || fail "set dmx_start_address"
seen_by_node
cli -v --json get $dimmer dmx_start_address || fail "get dmx_start_address"
[ "$(cli_json "d['dmx_address']")" = 100 ] || fail "dmx_start_address of $dimmer: want 100"
seen_by_node
cli -v identify $strobe on || fail "identify"
seen_by_node
cli --json get $strobe identify_device || fail "get identify_device"
[ "$(cli_json "d['identify_state']")" = True ] || fail "$strobe does not identify"
echo "e2e: get, set and identify through the node, each request in its log"

start_window
window_discover $spot $dimmer $strobe
window_read $dimmer
request=$(grep -E "^Request__:[0-9A-F]{2} $(line_uid $dimmer) .* 20 0060 " "$work/page.txt" | head -n 1)
wait_for 50 node_logged "$request" || fail "the node's log lacks the window's $request"
echo "e2e: passed"
