#!/bin/sh
# Usage: ola_node_e2e_test.sh PROGRAM CLI. OLA as the Art-Net node in front of
# the tool's controller, across a veth pair between two network namespaces:
# olad (Art-Net and Dummy plugins only) in one, with a Dummy RDM responder of
# every kind it offers on a universe that an Art-Net input port at
# Port-Address 0 shares; korval-rdm-cli --artnet-node and then the window with
# --artnet-node (under Xvfb, driven by xdotool) in the other.
#
# The command line must find olad's node and its RDM port, list exactly the
# UIDs olad discovers on its own universe, give `info` of each, and decode a
# GET of every parameter each device supports (ola_node_compare.py) to the
# values ola_rdm_get shows on olad's universe; a new label and start address
# read back on both sides; a dimmer's sub-device answers; the ack-timer
# responder's SET is answered through QUEUED_MESSAGE. The window's Discover
# lists the Dummy UIDs and a click reads the moving light's page.
#
# Needs root (or CAP_SYS_ADMIN and CAP_NET_ADMIN) for the namespaces, the
# Debian packages ola, xvfb and xdotool. Exits 77 (skipped) only when no
# namespace can be created. KORVAL_E2E_KEEP=1 keeps the work folder.
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
cli_program=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
compare=$(cd "$(dirname "$0")" && pwd)/ola_node_compare.py
tag=olanode

report() {
  echo "--- last korval-rdm-cli output:"
  cat "$work/out" "$work/err" 2>/dev/null
  echo "--- last OLA command:"
  cat "$work/ola.out" 2>/dev/null
  echo "--- olad's log (last 100 lines):"
  tail -n 100 "$work/olad.log" 2>/dev/null
  echo "--- window's message log:"
  cat "$work/window/log.txt" 2>/dev/null
  cat "$work/window.out" 2>/dev/null
}
. "$(dirname "$0")/e2e_netns.sh"

start_ola_node
ola ola_rdm_discover -u 0 || fail "ola_rdm_discover on olad's universe"
uids=$(grep -Eo '^[0-9a-f]{4}:[0-9a-f]{8}$' "$work/ola.out" | sort)
[ "$(echo "$uids" | wc -l)" -eq 7 ] || fail "olad discovers [$uids], want seven Dummy responders"
uid_of() {  # the responder whose DEVICE_MODEL_DESCRIPTION is $1
  for uid in $uids; do
    ola ola_rdm_get -u 0 --uid "$uid" device_model_description
    [ "$(cat "$work/ola.out")" = "$1" ] && echo "$uid" && return
  done
}
moving=$(uid_of "OLA Moving Light")
dimmer=$(uid_of "OLA Dimmer")
ack=$(uid_of "OLA Ack Timer Responder")
[ -n "$moving" ] && [ -n "$dimmer" ] && [ -n "$ack" ] || fail "no moving light, dimmer or ack-timer responder"
echo "e2e: olad's universe 0 has $(echo "$uids" | tr '\n' ' ')"

cli_run --json nodes || fail "nodes"
[ "$(cli_json "[(p['port_address_number'], p['rdm']) for n in d if n['address'] == '$node_ip' for p in n['ports']]")" = "[(0, True)]" ] ||
  fail "nodes does not list olad's node $node_ip with one RDM port at 0"
echo "e2e: nodes lists $node_ip with an RDM port at 0"

for how in "" --full; do
  cli discover $how || fail "discover $how"
  [ "$(sort "$work/out")" = "$uids" ] || fail "discover $how lists [$(cat "$work/out")], want [$uids]"
done
echo "e2e: discover and discover --full list exactly olad's UIDs"

for uid in $uids; do
  cli --json info "$uid" || fail "info $uid"
  [ "$(cli_json "'errors' in d, d['device_info']['protocol_major']")" = "False 1" ] ||
    fail "info $uid is not whole"
done
echo "e2e: info of each"

python3 "$compare" "ip netns exec $ctl_ns $cli_program --artnet-node $node_ip" \
  "ip netns exec $node_ns ola_rdm_get -u 0" $uids >"$work/compare.txt" 2>&1 || {
  cat "$work/compare.txt"
  fail "korval-rdm-cli and ola_rdm_get disagree"
}
echo "e2e: every supported parameter as ola_rdm_get shows it ($(grep -c '^same' "$work/compare.txt") GETs)"
grep 'not compared' "$work/compare.txt"

# read_back UID PID KEY VALUE: our GET and OLA's show VALUE.
read_back() {
  cli --json get "$1" "$2" || fail "get $2 of $1"
  [ "$(cli_json "d['$3']")" = "$4" ] || fail "$2 of $1 reads back $(cat "$work/out"), want $4"
  ola ola_rdm_get -u 0 --uid "$1" "$2" || fail "ola_rdm_get $2 of $1"
  grep -qx "\(.*: \)\?$4" "$work/ola.out" || fail "ola_rdm_get shows $2 of $1 as $(cat "$work/ola.out"), want $4"
}
cli set "$moving" device_label "Korval e2e" || fail "set device_label"
read_back "$moving" device_label label "Korval e2e"
cli set "$moving" dmx_start_address 100 || fail "set dmx_start_address"
read_back "$moving" dmx_start_address dmx_address 100
echo "e2e: a label and a start address set and read back"

cli -v --json --sub-device 1 get "$dimmer" dmx_start_address || fail "get at sub-device 1"
grep -Eq "^Request__:[0-9A-F]{2} $(line_uid "$dimmer") [0-9A-F]{12}( [0-9A-F]{2}){3} 0001 20 00F0 " "$work/err" ||
  fail "the GET went to no sub-device 1"
ola ola_rdm_get -u 0 --uid "$dimmer" -d 1 dmx_start_address || fail "ola_rdm_get at sub-device 1"
[ "DMX Address: $(cli_json "d['dmx_address']")" = "$(cat "$work/ola.out")" ] ||
  fail "sub-device 1's start address differs from OLA's"
echo "e2e: a GET to the dimmer's sub-device 1"

# The ack-timer responder answers a SET of its start address with ACK_TIMER
# (a start address needs a personality with slots: 2) and the reply waits in
# its queue.
cli set "$ack" dmx_personality 2 || fail "set dmx_personality of the ack-timer responder"
cli -v set "$ack" dmx_start_address 42 || fail "set dmx_start_address of the ack-timer responder"
ack_line=$(line_uid "$ack")
grep -Eq "^Response_:[0-9A-F]{2} [0-9A-F]{12} $ack_line [0-9A-F]{2} 01 [0-9A-F]{2} 0000 31 00F0 " "$work/err" ||
  fail "the SET was not answered with ACK_TIMER"
grep -Eq "^Request__:[0-9A-F]{2} $ack_line [0-9A-F]{12}( [0-9A-F]{2}){3} 0000 20 0020 " "$work/err" ||
  fail "no GET QUEUED_MESSAGE followed the ACK_TIMER"
grep -Eq "^Response_:[0-9A-F]{2} [0-9A-F]{12} $ack_line [0-9A-F]{2} 00 [0-9A-F]{2} 0000 31 00F0 " "$work/err" ||
  fail "the queued reply to the SET never came"
read_back "$ack" dmx_start_address dmx_address 42
echo "e2e: the ack-timer responder's SET answered through QUEUED_MESSAGE"

start_window
window_discover $uids
window_read "$moving"
echo "e2e: passed"
