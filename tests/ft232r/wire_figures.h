// Timing figures of a run, taken from the model's log: how long the breaks
// and marks after break were, how long the line stayed quiet after each kind
// of frame before the next break, and how soon a reply's last byte reached the
// host. Model figures: every host request reaches the model over a socket, so
// their resolution is the model's, not a chip's.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tests/ft232r/model_log.h"

namespace korval::ft232r {

struct Spread {
  std::size_t count = 0;
  Micros min{0};
  Micros median{0};
  Micros max{0};
};

struct WireFigures {
  Spread breakLength;
  Spread mark;  // mark after break
  // From the end of a frame (or of its reply) to the next break.
  Spread afterBroadcast;     // a request to every device (DISC_UNIQUE_BRANCH aside)
  Spread afterReply;         // from the end of the reply
  Spread afterLostReply;     // a request to one device that nobody answered
  Spread afterSilentBranch;  // a DISC_UNIQUE_BRANCH nobody answered
  Spread afterDmx;           // a DMX512 frame
  Spread requestToRequest;   // break to break of consecutive RDM requests
  Spread replyToHost;        // a reply's last byte on the wire to the host
  std::size_t rdmFrames = 0;
  std::size_t dmxFrames = 0;
  std::size_t unreadable = 0;
  std::size_t drops = 0;
  Micros span{0};  // the first break to the end of the last frame
};

Spread SpreadOf(std::vector<Micros> values);
WireFigures MeasureWire(std::vector<ModelEvent> events);
// A few lines for people: one per figure, in microseconds.
std::string FormatFigures(const WireFigures& figures);

}  // namespace korval::ft232r
