#include "tests/ft232r/wire_figures.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "rdm/rdm_constants.h"
#include "rdm/uid.h"

namespace korval::ft232r {

namespace {

struct WireFrame {
  const ModelEvent* event;
  Micros breakStart;
  Micros end;
  std::vector<Micros> replyEnds;
};

}  // namespace

Spread SpreadOf(std::vector<Micros> values) {
  Spread spread;
  spread.count = values.size();
  if (values.empty()) return spread;
  std::sort(values.begin(), values.end());
  spread.min = values.front();
  spread.median = values[values.size() / 2];
  spread.max = values.back();
  return spread;
}

WireFigures MeasureWire(std::vector<ModelEvent> events) {
  std::stable_sort(events.begin(), events.end(),
                   [](const ModelEvent& a, const ModelEvent& b) { return a.at < b.at; });
  WireFigures figures;
  std::vector<WireFrame> frames;
  std::vector<Micros> breaks, marks, handed;
  for (const ModelEvent& e : events) {
    if (e.kind == "drop") ++figures.drops;
    if (e.kind == "handed") handed.push_back(e.at);
    if (e.kind == "reply" && !frames.empty())
      frames.back().replyEnds.push_back(Micros(e.Number("end")));
    if (e.kind != "frame" || e.Field("break").empty()) continue;
    if (e.Field("readable") != "yes") {
      ++figures.unreadable;
      continue;
    }
    const Micros start(e.Number("start"));
    const Micros mark(e.Number("mab"));
    const Micros length(e.Number("break"));
    breaks.push_back(length);
    marks.push_back(mark);
    frames.push_back({&e, start - mark - length, Micros(e.Number("end")), {}});
  }
  figures.breakLength = SpreadOf(breaks);
  figures.mark = SpreadOf(marks);
  std::vector<Micros> broadcast, reply, lost, silentBranch, dmx, requestGap, toHost;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const WireFrame& f = frames[i];
    const bool rdm = f.event->Field("sc") == "CC";
    rdm ? ++figures.rdmFrames : ++figures.dmxFrames;
    for (Micros end : f.replyEnds) {
      const auto next = std::lower_bound(handed.begin(), handed.end(), end);
      if (next != handed.end()) toHost.push_back(*next - end);
    }
    if (i + 1 == frames.size()) continue;
    const Micros nextBreak = frames[i + 1].breakStart;
    if (!rdm) {
      dmx.push_back(nextBreak - f.end);
      continue;
    }
    if (frames[i + 1].event->Field("sc") == "CC") requestGap.push_back(nextBreak - f.breakStart);
    const bool branch = f.event->Number("pid") == rdm::kPidDiscUniqueBranch;
    const Uid destination = std::stoull("0" + f.event->Field("dst"), nullptr, 16);
    if (!f.replyEnds.empty()) {
      reply.push_back(nextBreak - *std::max_element(f.replyEnds.begin(), f.replyEnds.end()));
    } else if (branch) {
      silentBranch.push_back(nextBreak - f.end);
    } else if (IsBroadcastUid(destination)) {
      broadcast.push_back(nextBreak - f.end);
    } else {
      lost.push_back(nextBreak - f.end);
    }
  }
  figures.afterBroadcast = SpreadOf(broadcast);
  figures.afterReply = SpreadOf(reply);
  figures.afterLostReply = SpreadOf(lost);
  figures.afterSilentBranch = SpreadOf(silentBranch);
  figures.afterDmx = SpreadOf(dmx);
  figures.requestToRequest = SpreadOf(requestGap);
  figures.replyToHost = SpreadOf(toHost);
  if (!frames.empty()) figures.span = frames.back().end - frames.front().breakStart;
  return figures;
}

std::string FormatFigures(const WireFigures& f) {
  std::string text;
  auto line = [&text](const char* name, const Spread& s) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer,
                  "%-34s n=%-5zu min=%-7" PRId64 " median=%-7" PRId64 " max=%" PRId64 " us\n", name,
                  s.count, static_cast<std::int64_t>(s.min.count()),
                  static_cast<std::int64_t>(s.median.count()),
                  static_cast<std::int64_t>(s.max.count()));
    text += buffer;
  };
  line("break", f.breakLength);
  line("mark after break", f.mark);
  line("after a broadcast", f.afterBroadcast);
  line("after a reply (from its end)", f.afterReply);
  line("after a lost reply", f.afterLostReply);
  line("after a silent DISC_UNIQUE_BRANCH", f.afterSilentBranch);
  line("after a DMX512 frame", f.afterDmx);
  line("RDM request to request (breaks)", f.requestToRequest);
  line("reply end to host", f.replyToHost);
  char buffer[200];
  std::snprintf(buffer, sizeof buffer,
                "frames: %zu RDM, %zu DMX512, %zu unreadable; %zu drops; %.3f s from the first "
                "break to the end of the last frame\n",
                f.rdmFrames, f.dmxFrames, f.unreadable, f.drops,
                static_cast<double>(f.span.count()) / 1e6);
  text += buffer;
  return text;
}

}  // namespace korval::ft232r
