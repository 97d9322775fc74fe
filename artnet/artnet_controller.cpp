#include "artnet/artnet_controller.h"

#include <algorithm>
#include <set>

#include "artnet/art_dmx.h"
#include "artnet/art_rdm.h"
#include "artnet/controller_packets.h"
#include "artnet/interfaces.h"
#include "rdm/rdm_constants.h"
#include "rdm/transport.h"

namespace korval::artnet {

namespace {

// The controller's port in the frames it builds: one port, as on the line.
constexpr std::uint8_t kOurPortId = 1;
// How often a wait looks at the operator's stop request.
constexpr std::chrono::milliseconds kStopPollInterval{100};

std::string Seconds(Clock::Duration d) {
  const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(d).count() / 100;
  return std::to_string(tenths / 10) + (tenths % 10 != 0 ? "." + std::to_string(tenths % 10) : "") +
         " s";
}

bool IsResponse(std::uint8_t commandClass) {
  return commandClass == rdm::kDiscoveryCommandResponse ||
         commandClass == rdm::kGetCommandResponse || commandClass == rdm::kSetCommandResponse;
}

}  // namespace

std::vector<Uid> ArtNetController::TableInProgress::Uids() const {
  std::vector<Uid> uids;
  std::set<Uid> seen;
  for (const auto& [block, blockUids] : blocks) {
    for (const Uid uid : blockUids) {
      if (seen.insert(uid).second) uids.push_back(uid);
    }
  }
  return uids;
}

bool ArtNetController::TableInProgress::Complete() const {
  return total && Uids().size() >= *total;
}

ArtNetController::ArtNetController(std::uint32_t nodeAddress, std::uint16_t portAddress,
                                   SendDatagram send, LogSink log,
                                   std::unique_ptr<NetworkWaiter> waiter)
    : node_(nodeAddress),
      portAddress_(portAddress),
      send_(std::move(send)),
      log_(std::move(log)),
      waiter_(std::move(waiter)) {}

std::string ArtNetController::Describe() const {
  return Node() + ", Port-Address " + PortAddressText(portAddress_);
}

std::string ArtNetController::Node() const {
  return "Art-Net node " + Ipv4Text(node_);
}

void ArtNetController::Log(const std::string& line) const {
  if (log_) log_(line);
}

bool ArtNetController::Transmit(std::span<const std::uint8_t> datagram) {
  return send_ && send_(node_, kArtNetPort, datagram);
}

RdmReply ArtNetController::Send(const RdmRequest& request, bool awaitReply) {
  const auto frame = EncodeRequestFrame(request, kControllerUid, ++transaction_, kOurPortId);
  return Exchange(frame, awaitReply, log_).reply;
}

ForwardedReply ArtNetController::Forward(std::span<const std::uint8_t> frame, bool awaitReply,
                                         const LogSink& log) {
  return Exchange(frame, awaitReply, log);
}

ForwardedReply ArtNetController::Exchange(std::span<const std::uint8_t> frame, bool awaitReply,
                                          const LogSink& log) {
  const auto note = [&log](const std::string& line) {
    if (log) log(line);
  };
  const auto datagram = EncodeArtRdm(portAddress_, RdmWithoutStartCode(frame));
  // The request's own fields: what the answer must name to be the answer to it.
  const auto view = ValidateRdmFrame(frame);
  const RdmHeader request = view ? view->header : RdmHeader{};
  ForwardedReply forwarded;
  RdmReply& reply = forwarded.reply;
  const auto sendOnce = [&] {
    const bool sent = Transmit(datagram);
    if (!sent) note("message cannot be sent to " + Node());
    note(FormatRdmPacket("Request__:", frame));
    if (!sent) reply.status = ReplyStatus::kLineFailure;
    return sent;
  };
  if (!awaitReply || IsBroadcastUid(request.destination)) {
    sendOnce();
    return forwarded;
  }

  Clock& clock = GetClock();
  {
    std::lock_guard lock(mutex_);
    awaited_ = Awaited{.responder = request.destination & kUidMask,
                       .controller = request.source,
                       .transaction = request.transaction,
                       .commandClass = static_cast<std::uint8_t>(request.commandClass + 1),
                       .pid = request.pid};
    reply_.clear();
  }
  std::vector<std::uint8_t> answer;
  for (int attempt = 1; attempt <= kRequestAttempts && answer.empty(); ++attempt) {
    if (attempt > 1) {
      note("no reply from " + Node() + " within " + Seconds(kReplyTimeout) + ": sent again (" +
           std::to_string(attempt) + " of " + std::to_string(kRequestAttempts) + ")");
    }
    if (!sendOnce()) break;
    std::unique_lock lock(mutex_);
    const Clock::Duration deadline = clock.Now() + kReplyTimeout;
    while (reply_.empty() && clock.Now() < deadline) waiter_->WaitUntil(lock, deadline);
    answer.swap(reply_);
  }
  {
    std::lock_guard lock(mutex_);
    awaited_.reset();
  }
  if (answer.empty()) {
    if (reply.status != ReplyStatus::kLineFailure) {
      note("no response from " + Describe() + " after " + std::to_string(kRequestAttempts) +
           " tries in " + Seconds(kRequestAttempts * kReplyTimeout));
    }
    return forwarded;
  }
  note(FormatRdmPacket("Response_:", answer));
  reply = DecodeReplyFrame(answer);
  forwarded.frame = std::move(answer);
  return forwarded;
}

bool ArtNetController::Receive(std::span<const std::uint8_t> datagram, std::uint32_t fromAddress) {
  if (fromAddress != node_) return false;
  if (const auto tod = ParseArtTodData(datagram)) {
    if (tod->header.portAddress != portAddress_) return false;
    std::lock_guard lock(mutex_);
    if (collectingTable_) {
      AddTablePacket(*tod);
      waiter_->Wake();
    }
    return true;
  }
  const auto message = ParseArtRdm(datagram);
  if (!message || message->portAddress != portAddress_) return false;
  const RdmHeader& decoded = message->header;
  if (!IsResponse(decoded.commandClass)) return false;  // a request, for the node to handle

  std::lock_guard lock(mutex_);
  const auto answers = [&decoded](const Awaited& a) {
    if (decoded.source != a.responder || decoded.destination != a.controller ||
        decoded.transaction != a.transaction) {
      return false;
    }
    // A responder answers QUEUED_MESSAGE with the message it queued: another
    // PID, and the command class of the request it queued it for.
    if (a.pid == rdm::kPidQueuedMessage) {
      return decoded.commandClass == rdm::kGetCommandResponse ||
             decoded.commandClass == rdm::kSetCommandResponse;
    }
    return decoded.commandClass == a.commandClass && decoded.pid == a.pid;
  };
  if (message->command == kArProcess && awaited_ && reply_.empty() && answers(*awaited_)) {
    reply_ = RdmFrameWithStartCode(message->rdm);
    waiter_->Wake();
  } else {
    passedOver_.fetch_add(1, std::memory_order_relaxed);
  }
  return true;
}

void ArtNetController::AddTablePacket(const TodData& packet) {
  const TodDataHeader& h = packet.header;
  // TodNak: no table yet (the node is still discovering).
  if (h.commandResponse != kTodFull) return;
  // A packet after a whole table, or of another size, begins a new table.
  if (table_.Complete() || table_.total != h.uidTotal)
    table_ = TableInProgress{.total = h.uidTotal, .blocks = {}};
  table_.blocks[h.blockCount] = packet.uids;
  lastTablePacketAt_ = GetClock().Now();
  if (table_.Complete()) completeTable_ = table_.Uids();
}

bool ArtNetController::Stopped(const DiscoveryHooks& hooks) const {
  return hooks.stopRequested && hooks.stopRequested();
}

void ArtNetController::TakeTable(TableResult& result) {
  if (completeTable_) {
    result = {.uids = *completeTable_,
              .heard = true,
              .complete = true,
              .total = static_cast<std::uint16_t>(completeTable_->size())};
  } else if (table_.total) {
    result = {.uids = table_.Uids(), .heard = true, .complete = false, .total = *table_.total};
  }
}

void ArtNetController::RequestTable(int requests, TableResult& result,
                                    const DiscoveryHooks& hooks) {
  Clock& clock = GetClock();
  for (int round = 1; round <= requests && !result.complete; ++round) {
    if (Stopped(hooks)) return;
    Log("ArtTodRequest to " + Describe() +
        (round > 1 ? " (again, " + std::to_string(round) + " of " + std::to_string(requests) + ")"
                   : ""));
    if (!Transmit(EncodeArtTodRequest(portAddress_))) {
      Log("message cannot be sent to " + Node());
      return;
    }
    // No whole table has come before this round (it would have ended the
    // rounds), so one there now answers this request, even when a fast
    // node's reached the socket thread before Transmit returned.
    std::unique_lock lock(mutex_);
    const Clock::Duration deadline = clock.Now() + kTableWait;
    while (!completeTable_ && clock.Now() < deadline) {
      waiter_->WaitUntil(lock,
                         hooks.stopRequested
                             ? std::min(deadline, clock.Now() + Clock::Duration(kStopPollInterval))
                             : deadline);
      if (Stopped(hooks)) break;
    }
    TakeTable(result);
  }
}

void ArtNetController::AwaitFlushedTable(TableResult& result, const DiscoveryHooks& hooks) {
  Clock& clock = GetClock();
  std::unique_lock lock(mutex_);
  const Clock::Duration deadline = clock.Now() + kFlushWait;
  for (;;) {
    const Clock::Duration now = clock.Now();
    const bool tableWithDevices = completeTable_ && !completeTable_->empty();
    const Clock::Duration settled = lastTablePacketAt_ + Clock::Duration(kTableSettle);
    if ((tableWithDevices && now >= settled) || now >= deadline) break;
    Clock::Duration wake = tableWithDevices ? std::min(deadline, settled) : deadline;
    if (hooks.stopRequested) wake = std::min(wake, now + Clock::Duration(kStopPollInterval));
    waiter_->WaitUntil(lock, wake);
    if (Stopped(hooks)) break;
  }
  TakeTable(result);
}

void ArtNetController::Discover(DiscoveryMode mode, DeviceTable& table,
                                const DiscoveryHooks& hooks) {
  {
    std::lock_guard lock(mutex_);
    collectingTable_ = true;
    table_ = {};
    completeTable_.reset();
  }
  TableResult result;
  if (mode == DiscoveryMode::kFull && !Stopped(hooks)) {
    Log("ArtTodControl AtcFlush to " + Describe() + ": the node discovers its devices anew");
    if (Transmit(EncodeArtTodControl(portAddress_, kAtcFlush))) {
      AwaitFlushedTable(result, hooks);
      if (!result.complete && !Stopped(hooks)) {
        Log("no new table from " + Node() + " within " + Seconds(kFlushWait) +
            " of the flush: asking for the table");
        RequestTable(kFlushFallbackRequests, result, hooks);
      }
    } else {
      Log("message cannot be sent to " + Node());
    }
  } else if (mode == DiscoveryMode::kIncremental) {
    RequestTable(kTableRequests, result, hooks);
  }
  {
    std::lock_guard lock(mutex_);
    collectingTable_ = false;
  }
  if (Stopped(hooks)) Log("Discovery stopped by the operator.");
  List(mode, result, table, hooks);
}

void ArtNetController::List(DiscoveryMode mode, const TableResult& result, DeviceTable& table,
                            const DiscoveryHooks& hooks) {
  std::vector<Uid> order;
  std::string changes;
  if (mode == DiscoveryMode::kIncremental) {
    // The devices already listed that the node still has keep their places.
    const std::set<Uid> now(result.uids.begin(), result.uids.end());
    int gone = 0;
    for (int position = 0; position < table.count; ++position) {
      const Uid uid = ListedUid(table, position);
      if (now.contains(uid)) {
        order.push_back(uid);
      } else {
        ++gone;
      }
    }
    const std::set<Uid> kept(order.begin(), order.end());
    for (const Uid uid : result.uids) {
      if (!kept.contains(uid)) order.push_back(uid);
    }
    changes = " (" + std::to_string(order.size() - kept.size()) + " new, " + std::to_string(gone) +
              " no longer listed)";
  } else {
    order = result.uids;
  }
  lastTable_ = order;

  if (!result.heard) {
    const std::string line = Describe() + ": no table of devices came";
    Log(line);
    if (hooks.unanswered && !Stopped(hooks)) hooks.unanswered(line);
  } else if (!result.complete) {
    Log(Describe() + ": the table stayed incomplete, " + std::to_string(result.uids.size()) +
        " of " + std::to_string(result.total) + " devices came");
  } else {
    Log(Describe() + ": table of " + std::to_string(order.size()) + " devices" + changes);
  }

  if (hooks.clearList) hooks.clearList();
  table = DeviceTable{};
  for (const Uid uid : order) {
    if (hooks.found) hooks.found(uid);
    if (table.count >= DeviceTable::kCapacity) continue;
    PlaceUid(table, table.count, uid);
    if (hooks.addListLine) {
      hooks.addListLine(DeviceListLine(table.count, UidText12(uid)));
    }
    ++table.count;
  }
  if (order.size() > DeviceTable::kCapacity) {
    Log(Describe() + ": " + std::to_string(order.size() - DeviceTable::kCapacity) +
        " devices left out of the list, which holds " + std::to_string(DeviceTable::kCapacity));
  }
}

}  // namespace korval::artnet
