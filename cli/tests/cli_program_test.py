#!/usr/bin/env python3
"""Drives korval-rdm-cli as a program on instant-timing virtual rigs.

Usage: cli_program_test.py PROGRAM RIG_FOLDER. Every case checks the exit
status, stdout and stderr; --json output is parsed back as JSON.
"""
import json
import os
import pty
import re
import subprocess
import sys
import tempfile
import time

PROGRAM = sys.argv[1]
WORK = tempfile.mkdtemp()
failures = []

SPOT = "4b52:2c1f0a37"
DIMMER = "4b52:1196f2a8"
HAZER = "4b52:7a3390c5"
NOBODY = "4b52:00000bad"
TEN = ["4b52:%08x" % (0x10000000 * (i + 1) + 0x3A7 * (i * i + 3)) for i in range(10)]


def rig(name, responders):
    path = os.path.join(WORK, name)
    with open(path, "w") as f:
        json.dump({"timing": "instant", "responders": responders}, f)
    return path


EMPTY = rig("empty.json", [])
ONE = rig("one.json", [{
    "uid": SPOT.upper(), "label": "Spot 1", "start_address": 1,
    "supported_parameters": ["0x0082", "0x0081", "0x00E0", "0x0300"],
    "personality_footprints": [16, 8], "personality_descriptions": ["Standard", "Compact"],
    "model_description": "Spot 250", "min_limits": [0, 1, 2, 3, 4, 5, 6, 250],
    "slots": [{"type": 0, "label": "0x0101", "description": "Pan"},
              {"type": 1, "label": 0, "description": "Pan fine"}],
    "sensors": [{"description": "Head", "value": -5}],
}])
THREE = rig("three.json", [
    {"uid": SPOT.upper(), "label": "Spot 1", "start_address": 1},
    {"uid": DIMMER.upper(), "footprint": 8, "start_address": 17},
    # No DMX footprint: no start address, and none can be set.
    {"uid": HAZER.upper(), "footprint": 0, "start_address": 65535},
])
TEN_RIG = rig("ten.json", [{"uid": u.upper()} for u in TEN])
BAD = "4b52:0000bad1"
REFUSES = "4b52:0000bad2"
FAULTY = rig("faulty.json", [{"uid": BAD.upper(), "faults": {"bad_checksum": True}},
                             {"uid": REFUSES.upper(), "faults": {"nack_all": True}}])


def run(*args):
    started = time.monotonic()
    p = subprocess.run([PROGRAM, *args], capture_output=True, text=True, timeout=60)
    return p.returncode, p.stdout, p.stderr, time.monotonic() - started


def check(name, condition, detail=""):
    if not condition:
        failures.append("%s %s" % (name, detail))


def expect(args, status, stdout=None, contains=(), stderr_contains=(), stdout_lines=None):
    code, out, err, _ = run(*args)
    name = " ".join(args)
    check(name, code == status, "-> status %d (want %d)\nstdout:%s\nstderr:%s" % (code, status, out, err))
    if stdout is not None:
        check(name, out == stdout, "-> stdout %r (want %r)" % (out, stdout))
    if stdout_lines is not None:
        check(name, out.splitlines() == stdout_lines, "-> stdout %r" % out)
    for text in contains:
        check(name, text in out, "-> stdout lacks %r: %r" % (text, out))
    for text in stderr_contains:
        check(name, text in err, "-> stderr lacks %r: %r" % (text, err))
    return out, err


def expect_json(args, status=0):
    out, _ = expect(args, status)
    try:
        return json.loads(out)
    except ValueError as e:
        failures.append("%s: not JSON (%s): %r" % (" ".join(args), e, out))
        return None


# discover: 0, 1 and 10 responders, one UID a line in lower case, or a JSON array.
expect(["--virtual-rig", EMPTY, "discover"], 0, stdout="")
check("discover none --json", expect_json(["--virtual-rig", EMPTY, "discover", "--json"]) == [])
expect(["--virtual-rig", ONE, "discover"], 0, stdout=SPOT + "\n")
out, _ = expect(["--virtual-rig", TEN_RIG, "discover"], 0)
check("discover ten", sorted(out.splitlines()) == sorted(TEN), repr(out))
found = expect_json(["--json", "--virtual-rig", TEN_RIG, "discover"])
check("discover ten --json", found is not None and sorted(found) == sorted(TEN), repr(found))
# The same order both ways: the order found.
check("discover ten order", found == out.splitlines(), repr(found))

# discover --incremental: the UIDs known that answer, in the order given, then the new one;
# the one gone is dropped.
known = sorted(TEN)[:9]
expect(["--virtual-rig", TEN_RIG, "discover", "--incremental"] + known + [NOBODY], 0,
       stdout_lines=known + [sorted(TEN)[9]])
check("discover --incremental --json", expect_json(
    ["--virtual-rig", TEN_RIG, "--json", "discover", "--incremental"] + known +
    [NOBODY.upper().replace(":", "")]) == known + [sorted(TEN)[9]])


def run_on_terminal(*args):
    """Runs the program with stderr on a pseudo-terminal: its stdout and what the terminal got."""
    master, slave = pty.openpty()
    p = subprocess.Popen([PROGRAM, *args], stdout=subprocess.PIPE, stderr=slave)
    os.close(slave)
    seen = b""
    try:
        while chunk := os.read(master, 4096):
            seen += chunk
    except OSError:  # the program, the terminal's last writer, has gone
        pass
    os.close(master)
    return p.communicate(timeout=60)[0].decode(), seen.decode()


# Progress only where a person watches: a terminal, one line rewritten in place, cleared at the end.
code, _, err, _ = run("--virtual-rig", TEN_RIG, "discover")
check("discover not on a terminal", err == "", repr(err))
out, terminal = run_on_terminal("--virtual-rig", TEN_RIG, "discover")
check("discover on a terminal", out.splitlines() == found, repr(out))
check("discover on a terminal", terminal.startswith("\rdiscovering: 1 branch requests, 0 found") and
      re.search(r"\rdiscovering: \d+ branch requests, 10 found\r\x1b\[K$", terminal), repr(terminal[-200:]))
# -v shows every request instead.
_, terminal = run_on_terminal("-v", "--virtual-rig", ONE, "discover")
check("discover -v on a terminal", "Request__" in terminal and "discovering" not in terminal, terminal)

# info: one "name: value" line each, the optional labels where supported.
out, _ = expect(["--virtual-rig", ONE, "info", SPOT.upper()], 0,
                contains=["supported_parameters: device_label manufacturer_label dmx_personality 0x0300 "
                          "device_model_description dmx_personality_description slot_info",
                          "dmx_footprint: 16\n", "sensor_count: 1\n",
                          "software_version_label: 1.0.0.0\n", "device_label: Spot 1\n",
                          "manufacturer_label: KORVAL\n", "device_model_description: Spot 250\n"])
info = expect_json(["--virtual-rig", ONE, "info", SPOT, "--json"])
if info is not None:
    check("info --json", info["uid"] == SPOT and info["device_label"] == "Spot 1", repr(info))
    check("info --json", info["device_info"]["dmx_footprint"] == 16, repr(info))
    check("info --json", "dmx_personality" in info["supported_parameters"], repr(info))
# UIDs also as the window's list and "devnames.lst" write them.
expect(["--virtual-rig", ONE, "get", "4B522C1F0A37", "device_label"], 0, stdout="label: Spot 1\n")
# A fixture with only the required parameters has no labels to show.
expect(["--virtual-rig", THREE, "info", HAZER], 0, contains=["dmx_start_address: 65535\n"])

# get: a string, a number, an enum, a list, a sensor, an unknown PID as hex.
R = ["--virtual-rig", ONE]
expect(R + ["get", SPOT, "device_label"], 0, stdout="label: Spot 1\n")
expect(R + ["get", SPOT, "0x00f0"], 0, stdout="dmx_address: 1\n")
expect(R + ["get", SPOT, "DMX_PERSONALITY_DESCRIPTION", "2"], 0,
       stdout="personality: 2\nslots_required: 8\ndescription: Compact\n")
expect(R + ["get", SPOT, "sensor_definition", "0"], 0,
       contains=["type: temperature\n", "unit: centigrade\n", "description: Head\n"])
expect(R + ["get", SPOT, "sensor_value", "0"], 0, contains=["present_value: -5\n"])
expect(R + ["get", SPOT, "slot_info"], 0,
       contains=["slots[0].slot_label_id: pan\n", "slots[1].slot_type: sec_fine\n"])
expect(R + ["get", SPOT, "slot_description", "1"], 0, contains=["description: Pan fine\n"])
expect(R + ["get", SPOT, "0x0300"], 0, stdout="data: 00 01 02 03 04 05 06 fa\n")
value = expect_json(R + ["--json", "get", SPOT, "sensor_value", "0"])
check("get sensor --json", value is not None and value["present_value"] == -5 and
      value["pid"] == "sensor_value" and value["uid"] == SPOT and value["status"] == "ACK", repr(value))
raw = expect_json(R + ["--json", "get", SPOT, "0x0300"])
check("get raw --json", raw is not None and raw["data"] == [0, 1, 2, 3, 4, 5, 6, 250],
      repr(raw))

# Refusals and silence: exit 1, the reason on stderr.
expect(R + ["get", SPOT, "lamp_hours"], 1, stdout="", stderr_contains=["NR_UNKNOWN_PID"])
expect(R + ["get", SPOT, "slot_description", "7"], 1, stderr_contains=["NR_DATA_OUT_OF_RANGE"])
expect(R + ["set", SPOT, "device_info", "1"], 2)  # read-only by the table: nothing sent
code, out, err, took = run(*R, "get", NOBODY, "device_label")
check("nobody answers", code == 1 and out == "" and "no reply" in err, repr((code, out, err)))
check("nobody answers in simulated time", took < 5, "took %.1f s" % took)

# set: nothing printed on success; -v shows the request and the acknowledgement.
expect(R + ["set", SPOT, "device_label", "Front truss 1"], 0, stdout="")
out, err = expect(R + ["-v", "set", SPOT, "dmx_start_address", "17"], 0, stdout="")
check("set -v", "Request__:1A 4B522C1F0A37 888800000001 01 01 00 0000 30 00F0 02 00 11 " in err, err)
check("set -v", "Response_:" in err and " 31 00F0 00 " in err, err)
expect(R + ["set", SPOT, "dmx_personality", "2"], 0, stdout="")
expect(R + ["set", SPOT, "0x0300", "1", "2", "3", "4", "5", "6", "7", "8"], 0, stdout="")
expect(R + ["set", SPOT, "0x0300", "1", "2"], 1, stderr_contains=["NR_FORMAT_ERROR"])
ack = expect_json(R + ["set", SPOT, "identify_device", "on", "--json"])
check("set --json", ack == {"uid": SPOT, "pid": "identify_device", "status": "ACK"}, repr(ack))
expect(["--virtual-rig", THREE, "set", HAZER, "dmx_start_address", "5"], 1,
       stderr_contains=["NR_DATA_OUT_OF_RANGE"])
expect(R + ["identify", SPOT, "on"], 0, stdout="")
expect(R + ["identify", SPOT, "off"], 0, stdout="")
out, err = expect(R + ["-v", "identify", SPOT, "1"], 0, stdout="")
check("identify 1", " 30 1000 01 01 " in err, err)
out, err = expect(R + ["-v", "identify", SPOT, "0"], 0, stdout="")
check("identify 0", " 30 1000 01 00 " in err, err)

# address: START, START+N, ... in order, or one broadcast.
T = ["--virtual-rig", THREE]
out, err = expect(T + ["-v", "address", "10", "--step", "16", DIMMER, SPOT], 0,
                  stdout="%s 10\n%s 26\n" % (DIMMER, SPOT))
check("address -v", "4B521196F2A8 888800000001 01 01 00 0000 30 00F0 02 00 0A " in err, err)
check("address -v", "4B522C1F0A37 888800000001 02 01 00 0000 30 00F0 02 00 1A " in err, err)
out, err = expect(T + ["-v", "address", "33"], 0, stdout="ffff:ffffffff 33\n")
check("address broadcast", "Request__:1A FFFFFFFFFFFF 888800000001 01 01 00 0000 30 00F0 02 00 21 " in err
      and "Response_" not in err, err)
expect(T + ["address", "7", "--step", "0", SPOT, DIMMER], 0, stdout="ffff:ffffffff 7\n")
sent = expect_json(T + ["--json", "address", "1", "--step", "8", SPOT, DIMMER])
check("address --json", sent == [{"uid": SPOT, "address": 1, "status": "ACK"},
                                 {"uid": DIMMER, "address": 9, "status": "ACK"}], repr(sent))
# One that refuses: the others still get theirs, and the status says so.
expect(T + ["address", "1", HAZER, DIMMER], 1, stdout="%s 2\n" % DIMMER,
       stderr_contains=[HAZER + " dmx_start_address: NR_DATA_OUT_OF_RANGE"])

# --json: one document on stdout for every outcome, the exit status as without it.
def nack(reason, text, **keys):
    return dict(keys, status="NACK", nack_reason=reason, nack_text=text,
                error="%s (%s)" % (reason, text))


HARDWARE_FAULT = ("NR_HARDWARE_FAULT", "hardware fault")
for args, status, document in (
    (R + ["set", SPOT, "0x0300", "1"], 1,
     nack("NR_FORMAT_ERROR", "format error", uid=SPOT, pid="0x0300")),
    (["--virtual-rig", FAULTY, "set", BAD, "identify_device", "1"], 1,
     {"uid": BAD, "pid": "identify_device", "status": "BAD_CHECKSUM", "error": "bad checksum"}),
    (R + ["identify", SPOT, "on"], 0, {"uid": SPOT, "pid": "identify_device", "status": "ACK"}),
    # An info partly refused: what was answered (nothing here), and the refusals.
    (["--virtual-rig", FAULTY, "info", REFUSES], 1,
     {"uid": REFUSES, "errors": [nack(*HARDWARE_FAULT, pid="device_info"),
                                 nack(*HARDWARE_FAULT, pid="software_version_label")]}),
    (T + ["address", "1", HAZER, DIMMER], 1,
     [nack("NR_DATA_OUT_OF_RANGE", "data out of range", uid=HAZER, address=1),
      {"uid": DIMMER, "address": 2, "status": "ACK"}]),
    (T + ["address", "5"], 0, [{"uid": "ffff:ffffffff", "address": 5, "status": "SENT"}]),
    (["fly"], 2, {"status": "USAGE_ERROR", "error": "unknown command: fly"}),
    (["--bogus", "discover"], 2, {"status": "USAGE_ERROR", "error": "unknown option: --bogus"}),
):
    out, err = expect(args + ["--json"], status)
    check("json %r" % args, (err == "") == (status == 0), err)
    check("json %r" % args, out and json.loads(out) == document, "-> %r\nwant %r" % (out, document))
# Failures before a command runs: the rig cannot be loaded, or no interface is
# there (no line option: the FTDI interface is asked for, and there is none here).
for args, status, token in ((["--virtual-rig", os.path.join(WORK, "missing.json"), "discover"], 2,
                             "USAGE_ERROR"),
                            (["get", SPOT, "device_label"], 1, "LINE_FAILURE")):
    out, err = expect(args + ["--json"], status)
    got = json.loads(out) if out else {}
    check("json %r" % args, got.get("status") == token and err == "korval-rdm-cli: %s\n" % got.get(
        "error"), repr((out, err)))

# pids and --help need no line.
out, _ = expect(["pids"], 0, contains=["0x0082 device_label\n", "0x00E1 dmx_personality_description\n",
                                      "0x0201 sensor_value\n"])
pids = expect_json(["pids", "--json"])
check("pids --json", pids is not None and {"pid": "0x0082", "name": "device_label"} in pids, repr(pids))
expect(["--help"], 0, contains=["Usage: korval-rdm-cli", "--virtual-rig FILE", "address START"])
out, _ = expect(["--version"], 0)
check("--version", re.fullmatch(r"korval-rdm-cli \(KORVAL RDM Setup\) V\d+\.\d+\.\d+\n", out), repr(out))
version = expect_json(["--version", "--json"])
check("--version --json", version is not None and out == "%s (%s) %s\n" % (
    version["program"], version["product"], version["version"]), repr(version))

# Usage errors: status 2, one line on stderr, nothing on stdout, nothing sent (-v would dump it).
for args in (
    [], ["fly"], ["--bogus", "discover"], ["discover", "now"], ["info"], ["info", "4b52:2c1f0a3"],
    ["info", "4b52-2c1f0a37"], ["get", SPOT], ["get", SPOT, "device_lable"],
    ["get", SPOT, "dmx_personality_description"], ["get", SPOT, "dmx_personality_description", "x"],
    ["set", SPOT, "device_label"], ["set", SPOT, "dmx_start_address", "seventeen"],
    ["set", SPOT, "dmx_start_address", "1", "2"], ["set", SPOT, "0x0300", "256"],
    ["set", SPOT, "device_label", "x" * 33], ["get", SPOT, "reset_device"],
    ["identify", SPOT, "blink"], ["identify", SPOT], ["address"], ["address", "0", SPOT],
    ["address", "500", "--step", "16", SPOT, DIMMER], ["address", "1", "--step", "x", SPOT],
    ["discover", "--step", "2"], ["--demo", "--virtual-rig", ONE, "discover"], ["--virtual-rig"],
    ["--virtual-rig", os.path.join(WORK, "missing.json"), "discover"],
):
    code, out, err, _ = run("-v", *(args if args[:1] == ["--virtual-rig"] or "--demo" in args
                                   else ["--virtual-rig", ONE] + args))
    check("usage %r" % args, code == 2 and out == "" and len(err.splitlines()) == 1 and
          "Request__" not in err, "-> %d %r %r" % (code, out, err))

for f in failures:
    print("FAILED:", f)
print("cli program: %d failed" % len(failures))
sys.exit(1 if failures else 0)
