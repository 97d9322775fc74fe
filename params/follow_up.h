// What every front end does with a request beyond one exchange, whatever the
// controller: a reply the responder is not ready with (ACK_TIMER) is asked for
// again, after the delay it names, with GET QUEUED_MESSAGE until the reply to
// the request itself comes; a GET whose reply continues (ACK_OVERFLOW) is
// asked again for each further part, and the parts are joined into one ACK.
// Requests to a broadcast address are sent and not waited for.
#pragma once

#include "rdm/rdm_controller.h"

namespace korval::params {

// How often a reply still pending after ACK_TIMER is asked for again.
inline constexpr int kMaxQueuedMessagePolls = 10;
// A GET whose reply keeps overflowing is given up after this many parts
// (E1.20 sets no bound; 64 parts are some 14 kB of parameter data).
inline constexpr int kMaxOverflowParts = 64;

// The request carried to its final reply. One still pending after the polls
// ends as kAckTimer; one that kept overflowing as kAckOverflow.
RdmReply SendToTheEnd(RdmController& controller, const RdmRequest& request);

}  // namespace korval::params
