#!/usr/bin/python3
"""Report of bench/ola_responder_suite.sh: ola_suite_report.py OUT PAGE...

Reads, for each page, what the run left in OUT/PAGE: runs.tsv (fixture, start
and end in seconds since the epoch, the node log's line count before and
after), capture.pcap (UDP 6454 on olad's end of the veth pair), node.log,
frames.txt (the rig's dmx_record) and suite-UID.txt. Per run it prints:

- the suite's own summary line, and the tests that failed or broke;
- ArtRdm requests from olad, and each one's time to its ArtRdm reply at the
  veth, matched by transaction number and source and destination UID
  (broadcasts are answered by nobody and counted apart);
- requests never answered, and the node's "dropped unsent" lines;
- the DMX frames that went out on the line and their worst period. The rig
  writes a frame to dmx_record when it differs from the one before; every
  ArtDmx packet differs (send time and a counter in slots 1 to 12), so a frame
  goes unrecorded only when no ArtDmx came in since the frame before, and the
  ArtDmx gap at the veth shows whether that can have happened.

Per flush (a line of discoveries.tsv: the list empty or full, the script's
times, the UIDs ola_rdm_discover returned, the program's directory with its
frames.txt) it prints, from the capture, the time from olad's ArtTodControl to
each ArtTodData of the node (with its UID count), and the DMX frames until the
last of them.
"""
import bisect
import statistics
import subprocess
import sys
from collections import defaultdict
from pathlib import Path

ART_DMX = 0x5000
ART_RDM = 0x8300
ART_TOD_REQUEST = 0x8000
ART_TOD_DATA = 0x8100
ART_TOD_CONTROL = 0x8200
NODE_IP = '10.77.0.1'
OLA_IP = '10.77.0.2'
CC_NAMES = {0x10: 'DISCOVERY', 0x20: 'GET', 0x30: 'SET'}


def uid_text(b):
    return '%02x%02x:%02x%02x%02x%02x' % tuple(b)


def packets(pcap):
    """(time, source address, payload bytes) of every Art-Net datagram."""
    fields = subprocess.run(
        ['tshark', '-r', str(pcap), '-Y', 'udp.port == 6454', '-T', 'fields',
         '-e', 'frame.time_epoch', '-e', 'ip.src', '-e', 'udp.payload'],
        capture_output=True, text=True, check=True).stdout
    for line in fields.splitlines():
        parts = line.split('\t')
        if len(parts) != 3 or not parts[2]:
            continue
        payload = bytes.fromhex(parts[2].replace(':', ''))
        if payload[:8] != b'Art-Net\0' or len(payload) < 10:
            continue
        yield float(parts[0]), parts[1], payload


class Request:
    def __init__(self, at, rdm):
        self.at = at
        self.dst = rdm[2:8]
        self.src = rdm[8:14]
        self.tn = rdm[14]
        self.sub_device = int.from_bytes(rdm[17:19], 'big')
        self.cc = rdm[19]
        self.pid = int.from_bytes(rdm[20:22], 'big')
        self.pdl = rdm[22]
        self.broadcast = rdm[4:8] == b'\xff\xff\xff\xff'
        self.reply_at = None

    def latency_ms(self):
        return None if self.reply_at is None else (self.reply_at - self.at) * 1000

    def text(self):
        cc = CC_NAMES.get(self.cc, '0x%02x' % self.cc)
        late = self.latency_ms()
        return '%s %s pid 0x%04x pdl %d sub-device %d to %s tn %d: %s' % (
            '%.3f' % self.at, cc, self.pid, self.pdl, self.sub_device, uid_text(self.dst), self.tn,
            'never answered' if late is None else '%.0f ms' % late)


def read_capture(pcap):
    """Requests with their reply times, the send times of ArtDmx, and the
    table traffic: (time, 'flush') for each ArtTodControl from olad, (time,
    'request') for each ArtTodRequest from olad and (time, UID count) for each
    ArtTodData from the node."""
    requests = []
    pending = defaultdict(list)  # (tn, controller, fixture) -> requests waiting
    dmx = []
    tables = []
    for at, source, payload in packets(pcap):
        op = int.from_bytes(payload[8:10], 'little')
        if op == ART_DMX and source == OLA_IP:
            dmx.append(at)
        if op == ART_TOD_CONTROL and source == OLA_IP:
            tables.append((at, 'flush'))
        if op == ART_TOD_REQUEST and source == OLA_IP:
            tables.append((at, 'request'))
        if op == ART_TOD_DATA and source == NODE_IP and len(payload) >= 28:
            tables.append((at, payload[27]))
        if op != ART_RDM or len(payload) < 24 + 23:
            continue
        rdm = payload[24:]
        if source == OLA_IP:
            request = Request(at, rdm)
            requests.append(request)
            if not request.broadcast:
                pending[(request.tn, request.src, request.dst)].append(request)
        elif source == NODE_IP:
            waiting = pending.get((rdm[14], rdm[2:8], rdm[8:14]))
            if waiting:
                waiting.pop(0).reply_at = at
    return requests, dmx, tables


def read_frames(path):
    """(line time in ms, send time of its data in ms since the epoch) per frame."""
    frames = []
    if not path.exists():
        return frames
    for line in path.read_text().splitlines():
        ms, _, data = line.partition(' ')
        if len(data) < 26:
            continue
        frames.append((int(ms), int(data[2:18], 16)))
    return frames


def percentile(sorted_values, p):
    if not sorted_values:
        return float('nan')
    return sorted_values[min(len(sorted_values) - 1, int(len(sorted_values) * p / 100))]


def suite_results(path):
    summary = 'no summary (the suite did not finish)'
    failed, broken = [], []
    if not path.exists():
        return summary, failed, broken
    for line in path.read_text(errors='replace').splitlines():
        clean = line.replace('\x1b[31m', '').replace('\x1b[33m', '').replace(
            '\x1b[32m', '').replace('\x1b[0m', '')
        if 'tests run,' in clean:
            summary = clean.strip()
        elif clean.endswith(': Failed'):
            failed.append(clean.rsplit(' ', 2)[-2].rstrip(':'))
        elif clean.endswith(': Broken'):
            broken.append(clean.rsplit(' ', 2)[-2].rstrip(':'))
    return summary, failed, broken


def latency_lines(unicast):
    answered = sorted(r.latency_ms() for r in unicast if r.reply_at is not None)
    if not answered:
        return []
    return ['request to reply: median %.1f ms, p99 %.1f ms, worst %.1f ms; over 200 ms: %d,'
            ' over 1 s: %d' % (statistics.median(answered), percentile(answered, 99), answered[-1],
                               sum(1 for a in answered if a > 200),
                               sum(1 for a in answered if a > 1000))]


class Frames:
    """The DMX frames of the record, placed in the capture's time.

    The record holds a frame when it differs from the one before. Two frames
    are at least one frame's wire time apart (22.8 ms), so while ArtDmx
    reaches the veth less than FRESH apart, every frame carries new data and
    is recorded; a longer pause of the sender can hide frames, and a period
    across it is only an upper bound of the line's.
    """
    FRESH = 0.022

    def __init__(self, frames, artdmx):
        # The record's clock starts with the line: a frame goes out after its
        # data was sent, so the smallest difference places the record in time.
        offset = min((ms - sent for ms, sent in frames), default=0)
        self.times = [(ms - offset) / 1000.0 for ms, _ in frames]
        self.artdmx = artdmx

    def _artdmx_gap(self, start, end):
        """The longest time without an ArtDmx from start to end, in s."""
        i = bisect.bisect_right(self.artdmx, start)
        points = [start] + self.artdmx[i:bisect.bisect_left(self.artdmx, end)] + [end]
        return max(b - a for a, b in zip(points, points[1:]))

    def worst(self, start, end):
        """The worst period of the frames from start to end that the record
        shows exactly, in ms, or None."""
        sent = [t for t in self.times if start <= t <= end]
        exact = [round((b - a) * 1000) for a, b in zip(sent, sent[1:])
                 if self._artdmx_gap(a, b) < self.FRESH]
        return max(exact) if exact else None

    def line(self, start, end):
        sent = [t for t in self.times if start <= t <= end]
        if len(sent) < 2:
            return 'DMX frames: %d' % len(sent)
        # Whole milliseconds, as the record has them.
        periods = [(round((b - a) * 1000), self._artdmx_gap(a, b) < self.FRESH)
                   for a, b in zip(sent, sent[1:])]
        exact = [p for p, fresh in periods if fresh]
        text = 'DMX frames: %d, period median %.0f ms, worst %.0f ms, over 44 ms: %d' % (
            len(sent), statistics.median(exact), max(exact), sum(1 for p in exact if p > 44))
        bounds = [p for p, fresh in periods if not fresh]
        if bounds:
            text += ('; %d periods (worst %.0f ms) not counted: ArtDmx paused %.0f ms or more'
                     ' in them, so unchanged frames may be missing from the record' % (
                         len(bounds), max(bounds), self.FRESH * 1000))
        return text


def report_discoveries(folder, tables, dmx):
    """One paragraph per flush, from discoveries.tsv and the capture."""
    path = folder / 'discoveries.tsv'
    if not path.exists():
        return
    rows = [line.split('\t') for line in path.read_text().splitlines() if line]
    flushes = [at for at, what in tables if what == 'flush']
    asked = [at for at, what in tables if what == 'request']
    records = {}
    summary = defaultdict(list)  # list empty or full -> (seconds to the last table, UIDs, worst)
    for n, (listed, flushed, answered, ended, found, node_dir) in enumerate(rows):
        flushed, answered, ended = float(flushed), float(answered), float(ended)
        # olad's ArtTodControl: the first one after the script ran ola_rdm_discover.
        flush = next((at for at in flushes if at >= flushed - 0.01), flushed)
        # Its tables: until the next flush, or an ArtTodRequest (whose answer is
        # no longer this flush's).
        until = min([at for at in flushes + asked if at > flush] + [ended + 5])
        sent = [(at, what) for at, what in tables
                if isinstance(what, int) and flush <= at < until]
        print('flush %d, the list %s: olad returned %d UIDs [%s] after %.2f s' % (
            n + 1, listed, len(found.split()), found.strip(), answered - flush))
        if sent:
            print('  the node sent its table at %s' % ', '.join(
                '+%.3f s (%d UIDs)' % (at - flush, count) for at, count in sent))
        last = sent[-1][0] if sent else ended
        print('  "Discovery finished." seen within 0.1 s at +%.1f s' % (ended - flush))
        if node_dir not in records:
            records[node_dir] = Frames(read_frames(folder / node_dir / 'frames.txt'), dmx)
        print('  meanwhile %s' % records[node_dir].line(flush, last))
        summary[listed].append((last - flush, len(found.split()), records[node_dir].worst(flush, last)))
    for listed, flushes_of in summary.items():
        worst = [w for _, _, w in flushes_of if w is not None]
        print('the list %s, %d flushes: the last table %.2f to %.2f s after the flush; olad got'
              ' all 3 UIDs in %d; worst DMX frame period %s' % (
                  listed, len(flushes_of), min(t for t, _, _ in flushes_of),
                  max(t for t, _, _ in flushes_of), sum(1 for _, n, _ in flushes_of if n == 3),
                  '%d ms' % max(worst) if worst else 'none (no frames)'))
    again = folder / 'discover-again.txt'
    if again.exists():
        print(again.read_text().rstrip())


def report_page(out, page):
    folder = out / page
    runs = []
    for line in (folder / 'runs.tsv').read_text().splitlines():
        uid, start, end, log_from, log_to = line.split('\t')
        runs.append((uid, float(start), float(end), int(log_from), int(log_to)))
    requests, dmx, tables = read_capture(folder / 'capture.pcap')
    log = (folder / 'node.log').read_text(errors='replace').splitlines()
    frames = Frames(read_frames(folder / 'frames.txt'), dmx)

    print('== %s page ==' % ('Art-Net' if page == 'artnet' else 'RDM'))
    report_discoveries(folder, tables, dmx)
    everything = []
    for uid, start, end, log_from, log_to in runs:
        mine = [r for r in requests if start <= r.at <= end]
        everything += mine
        unicast = [r for r in mine if not r.broadcast]
        never = [r for r in unicast if r.reply_at is None]
        summary, failed, broken = suite_results(folder / ('suite-%s.txt' % uid.replace(':', '')))
        lines = log[log_from:log_to]
        carried = sum(1 for l in lines if l.startswith('Art-Net RDM from') and 'dropped' not in l)
        dropped = sum(1 for l in lines if 'dropped unsent' in l)
        print('-- %s, %.0f s' % (uid, end - start))
        print('  suite: %s' % summary)
        if failed:
            print('  failed: %s' % ', '.join(failed))
        if broken:
            print('  broken: %s' % ', '.join(broken))
        print('  ArtRdm requests: %d (%d broadcast, not answered by design)' % (
            len(mine), len(mine) - len(unicast)))
        for line in latency_lines(unicast):
            print('  ' + line)
        print('  never answered: %d; the node carried %d to the line and dropped %d unsent' % (
            len(never), carried, dropped))
        slow = sorted((r for r in unicast if r.reply_at is None or r.latency_ms() > 200),
                      key=lambda r: r.at)
        for r in slow[:40]:
            # What the line did meanwhile: the frames until the answer (or 2 s).
            until = r.reply_at if r.reply_at is not None else r.at + 2
            print('    %s; %s' % (r.text(), frames.line(r.at, until)))
        if len(slow) > 40:
            print('    ... and %d more' % (len(slow) - 40))
        print('  ' + frames.line(start, end))
        gaps = [(b - a) * 1000 for a, b in zip(dmx, dmx[1:]) if start <= a and b <= end]
        if gaps:
            print('  ArtDmx sent every %.0f ms, worst gap %.0f ms' % (statistics.median(gaps),
                                                                      max(gaps)))
    if runs:
        unicast = [r for r in everything if not r.broadcast]
        print('-- all three: %d ArtRdm requests, %d never answered' % (
            len(everything), sum(1 for r in unicast if r.reply_at is None)))
        for line in latency_lines(unicast) + [frames.line(runs[0][1], runs[-1][2])]:
            print('  ' + line)
    threads = folder / 'threads.txt'
    if threads.exists():
        print('node threads (class FF: real-time):')
        print(threads.read_text().rstrip())
    print()


def main():
    out = Path(sys.argv[1])
    about = out / 'about.txt'
    if about.exists():
        print(about.read_text().rstrip())
        print()
    for page in sys.argv[2:]:
        report_page(out, page)


if __name__ == '__main__':
    main()
