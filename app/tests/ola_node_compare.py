#!/usr/bin/env python3
"""Usage: ola_node_compare.py OURS OLA UID...

Compares what korval-rdm-cli decodes through an Art-Net node with what
ola_rdm_get shows for the same devices on olad's own universe, field by field.
OURS runs korval-rdm-cli through the node and OLA runs ola_rdm_get on the
universe (each one string, split as a shell would). For every UID: GET of
SUPPORTED_PARAMETERS, DEVICE_INFO, SOFTWARE_VERSION_LABEL and of every
parameter the device lists, at the root and, for a device with sub-devices,
at sub-device 1. Of a value that changes between two reads only the number
of fields is compared. Prints one line a parameter; exits 1 when any differs.
"""
import json
import re
import shlex
import subprocess
import sys

# The argument each GET that needs one takes: ours, then OLA's. The network
# parameters are raw bytes to korval-rdm-cli (it has no layout for them).
ARGS = {
    0x0020: (["2"], ["2"]),  # QUEUED_MESSAGE: advisory
    0x00E1: (["1"], ["1"]),
    0x0121: (["0"], ["0"]),
    0x0200: (["0"], ["0"]),
    0x0201: (["0"], ["0"]),
    0x0344: (["1"], ["1"]),
    0x0346: (["1"], ["1"]),
    0x0348: (["1"], ["1"]),
    0x0642: (["1"], ["1"]),
    0x1042: (["1"], ["1"]),
    0x0701: (["0", "0", "0", "1"], ["1"]),
    0x0702: (["0", "0", "0", "1"], ["1"]),
    0x0705: (["0", "0", "0", "1"], ["1"]),
    0x070B: (["0"], ["0"]),
}
# Values that change between reads: only their number is compared.
VOLATILE = {0x0201: "a sensor's present value moves", 0x0603: "the clock runs"}
# The Dummy moving light counts each GET of these: ours must fall between
# OLA's read before and OLA's read after.
COUNTS_READS = {0x0400, 0x0401, 0x0405}
# ola_rdm_get prints these as a sorted set.
PRINTED_SORTED = {0x0050, 0x0070, 0x00A0}
# What korval-rdm-cli prints as raw bytes, laid out as OLA's PID store has
# it: the fields in order (kind:name), repeated to the end.
RAW_LAYOUTS = {
    0x0700: "u32:interface_identifier u16:interface_hardware_type",
    0x0701: "u32:interface_identifier str:interface_label",
    0x0702: "u32:interface_identifier mac:hardware_address",
    0x0705: "u32:interface_identifier ipv4:ipv4_address u8:netmask u8:dhcp_status",
    0x070A: "u32:interface_identifier ipv4:ipv4_address",
    0x070B: "u8:name_server_index ipv4:name_server_address",
    0x070C: "str:dns_hostname",
    0x070D: "str:dns_domain_name",
    0x8001: "str:code_version",
}
# Where the two tools word a value differently: (our field, our value) to
# OLA's wording, both normalised.
OLA_WORDS = {
    ("product_category", "moving_head"): "moving_yoke_fixture",
    ("identify_mode", "quiet"): "0",
    ("identify_mode", "loud"): "255",
    ("scene_number", "fixed_level"): "0",
    ("detail_id", "test"): "test_device",
    ("detail_id", "other"): "other_device",
    ("range_max", "32767"): "undefined",
    ("normal_max", "32767"): "undefined",
    ("recorded_value_support", "recorded_lowest_highest"): "recorded_value_lowest_highest_detected_values",
    ("unit", "centigrade"): "degrees_c",
    ("slot_label_id", "roto_gobo_wheel"): "gobo_wheel",
    ("interface_hardware_type", "1"): "ethernet",
    ("dhcp_status", "1"): "active",
}
# OLA's words for a secondary slot's type.
SECONDARY_SLOT = {
    "sec_fine": "fine_control",
    "sec_timing": "timing_control",
    "sec_speed": "speed_control",
    "sec_control": "mode_control",
    "sec_index": "index_control",
    "sec_rotation": "rotation_speed_control",
    "sec_index_rotate": "rotation_index_control",
    "sec_undefined": "undefined",
}


def norm(value):
    if isinstance(value, bool):
        return "true" if value else "false"
    text = str(value).strip().lower()
    text = re.sub(r" x 10 \^ -?\d+$", "", text)  # OLA prints a time's unit
    pid = re.match(r"^0x([0-9a-f]+) \(", text)  # "0x0082 (device_label)"
    if pid:
        return str(int(pid.group(1), 16))
    return re.sub(r"[^a-z0-9.]+", "_", text).strip("_")


def ours_word(key, value):
    if key == "software_version":  # ours dotted, OLA's one number
        return str(int.from_bytes(bytes(int(p) for p in value.split(".")), "big"))
    value = norm(value)
    return OLA_WORDS.get((key, value), value)


def leaves(node, key=""):
    """Our reply's values in order, each as (field, value)."""
    if isinstance(node, dict):
        for k, v in node.items():
            yield from leaves(v, k)
    elif isinstance(node, list):
        for v in node:
            yield from leaves(v, key)
    else:
        yield key, node


def raw_fields(pid, data):
    """Our raw bytes as OLA's layout reads them."""
    data, out = bytes(data), []
    while True:
        for kind, _, name in (field.partition(":") for field in RAW_LAYOUTS[pid].split()):
            if kind == "str":
                value, data = data.decode("ascii"), b""
            else:
                size = {"u8": 1, "u16": 2, "u32": 4, "ipv4": 4, "mac": 6}[kind]
                field, data = data[:size], data[size:]
                if kind == "ipv4":
                    value = ".".join(str(b) for b in field)
                elif kind == "mac":
                    value = ":".join("%02x" % b for b in field)
                else:
                    value = int.from_bytes(field, "big")
            out.append(ours_word(name, value))
        if not data:
            return out


def slot_sentences(slots):
    """SLOT_INFO as OLA words it: offset, then "Primary, label" or
    "Secondary, fine control for slot 0"."""
    out = []
    for slot in slots:
        label = ours_word("slot_label_id", slot["slot_label_id"])
        if slot["slot_type"] == "primary":
            text = "primary_" + label
        else:
            text = "secondary_%s_for_slot_%s" % (SECONDARY_SLOT[slot["slot_type"]], label)
        out += [str(slot["slot_offset"]), text]
    return out


def ola_values(pid, text):
    out = []
    for line in text.splitlines():
        line = line.strip()
        if not line or line.endswith("{") or line == "}":
            continue
        if pid == 0x0120:  # "Slot offset 3: Primary, pan"
            offset, _, words = line[len("Slot offset "):].partition(": ")
            out += [offset, norm(words)]
            continue
        if line.endswith(":"):  # an empty value: "DNS Domain Name: "
            line += " "
        _, sep, value = line.partition(": ")
        out.append(norm(value if sep else line))
    return out


class Compare:
    def __init__(self, ours, ola):
        self.ours, self.ola, self.failures = shlex.split(ours), shlex.split(ola), 0

    def run_ours(self, uid, sub, pid, args):
        cmd = self.ours + ["--json", "--sub-device", str(sub), "get", uid, "0x%04X" % pid] + args
        done = subprocess.run(cmd, capture_output=True, text=True, timeout=30)
        return json.loads(done.stdout)

    def run_ola(self, uid, sub, pid, args):
        cmd = self.ola + ["--uid", uid, "-d", str(sub), "0x%04X" % pid] + args
        done = subprocess.run(cmd, capture_output=True, text=True, timeout=30)
        return done.returncode, done.stdout + done.stderr

    def ours_values(self, pid, reply):
        if pid in RAW_LAYOUTS:
            return raw_fields(pid, reply["data"])
        if pid == 0x0120:
            return slot_sentences(reply["slots"])
        fields = {k: v for k, v in reply.items() if k not in ("uid", "pid", "status")}
        return [ours_word(k, v) for k, v in leaves(fields)]

    def say(self, same, what, detail):
        print(("same " if same else "DIFFERS ") + what + ": " + detail)
        self.failures += not same

    def one(self, uid, sub, pid):
        what = "%s sub-device %d 0x%04X" % (uid, sub, pid)
        our_args, ola_args = ARGS.get(pid, ([], []))
        before = self.run_ola(uid, sub, pid, ola_args) if pid in COUNTS_READS else None
        reply = self.run_ours(uid, sub, pid, our_args)
        status, text = self.run_ola(uid, sub, pid, ola_args)
        name = reply.get("pid", "")
        if reply["status"] == "USAGE_ERROR" and reply["error"].endswith("takes no GET"):
            self.say("GET command not supported" in text, what, "SET only, for both")
        elif reply["status"] == "NACK":
            self.say(norm(text.partition("Request NACKed:")[2]) == norm(reply["nack_text"]),
                     what + " " + name, "NACK " + reply["nack_reason"] + " / " + text.strip())
        elif reply["status"] != "ACK" or status != 0:
            self.say(False, what + " " + name, json.dumps(reply) + " / " + text.strip())
        elif pid in VOLATILE:
            count, numbers = len(self.ours_values(pid, reply)), len(re.findall(r"\d+", text))
            self.say(count == numbers, what + " " + name,
                     "%d fields, values not compared: %s" % (count, VOLATILE[pid]))
        elif pid in COUNTS_READS:
            mine, was, now = (int(self.ours_values(pid, reply)[0]),
                              int(ola_values(pid, before[1])[0]), int(ola_values(pid, text)[0]))
            self.say(was < mine < now, what + " " + name, "counts reads: %d < %d < %d" % (was, mine, now))
        else:
            mine, theirs = self.ours_values(pid, reply), ola_values(pid, text)
            if pid in PRINTED_SORTED:
                mine, theirs = sorted(set(mine)), sorted(theirs)
            self.say(mine == theirs, what + " " + name,
                     " ".join(mine) if mine == theirs else "%s / OLA %s" % (mine, theirs))
        return reply

    def device(self, uid, sub=0):
        supported = self.one(uid, sub, 0x0050)
        info = self.one(uid, sub, 0x0060)
        self.one(uid, sub, 0x00C0)
        for entry in supported.get("params", []):
            if entry["param_id"] not in (0x0050, 0x0060, 0x00C0):
                self.one(uid, sub, entry["param_id"])
        if sub == 0 and info.get("sub_device_count", 0) > 0:
            self.device(uid, 1)


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    compare = Compare(sys.argv[1], sys.argv[2])
    for uid in sys.argv[3:]:
        compare.device(uid)
    print("%d differences" % compare.failures)
    sys.exit(1 if compare.failures else 0)


if __name__ == "__main__":
    main()
