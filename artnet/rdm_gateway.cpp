#include "artnet/rdm_gateway.h"

#include <algorithm>

#include "artnet/art_dmx.h"
#include "artnet/art_rdm.h"
#include "artnet/interfaces.h"
#include "base/bytes.h"
#include "rdm/rdm_constants.h"
#include "rdm/reply_timing.h"

namespace korval::artnet {

namespace {

constexpr std::uint16_t kOurPort = 0;  // Net 0, Sub-Net 0, Universe 0

}  // namespace

RdmGateway::RdmGateway(RdmController& controller, LineArbiter& arbiter, Hooks hooks,
                       std::chrono::milliseconds interimAfter)
    : controller_(controller),
      arbiter_(arbiter),
      hooks_(std::move(hooks)),
      interimAfter_(interimAfter) {
  watcher_ = std::thread([this] { WatchDiscoveries(); });
}

RdmGateway::~RdmGateway() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  watcher_.join();
}

bool RdmGateway::Receive(std::span<const std::uint8_t> datagram, const Controller& from) {
  if (const auto request = ParseArtTodRequest(datagram)) {
    if (request->Asks(kOurPort)) SendTable(from);
    return true;
  }
  if (const auto control = ParseArtTodControl(datagram)) {
    if (control->portAddress != kOurPort || control->command != kAtcFlush) return true;
    bool first = false;
    {
      std::lock_guard lock(mutex_);
      first = waitingForTable_.empty();
      if (std::find(waitingForTable_.begin(), waitingForTable_.end(), from) ==
          waitingForTable_.end()) {
        waitingForTable_.push_back(from);
      }
      if (first) {
        interimAt_ = std::chrono::steady_clock::now() + interimAfter_;
        interimSent_ = false;
      }
    }
    changed_.notify_all();
    // One discovery answers every controller that asks while it is pending.
    if (first && hooks_.discover) hooks_.discover();
    return true;
  }
  const auto message = ParseArtRdm(datagram);
  if (!message) return false;
  if (message->portAddress != kOurPort || message->command != kArProcess) return true;
  // Discovery is this node's business (the table of devices), not the network's.
  const RdmHeader& header = message->header;
  if (header.commandClass != rdm::kGetCommand && header.commandClass != rdm::kSetCommand) {
    return true;
  }
  Forward(RdmFrameWithStartCode(message->rdm), IsBroadcastUid(header.destination), from);
  return true;
}

void RdmGateway::Forward(std::vector<std::uint8_t> frame, bool broadcast, const Controller& from) {
  const auto budget = ExchangeBudget(frame.size(), RdmTiming::kE120, !broadcast);
  const std::string sender = "Art-Net RDM from " + Ipv4Text(from.address);
  arbiter_.Submit(
      {.run =
           [this, frame = std::move(frame), broadcast, from, sender] {
             std::vector<std::string> lines{sender};
             const ForwardedReply reply = controller_.Forward(
                 frame, !broadcast, [&lines](const std::string& line) { lines.push_back(line); });
             if (hooks_.log) hooks_.log(std::move(lines));
             if (!reply.frame.empty() && hooks_.send) {
               hooks_.send(from, EncodeArtRdm(kOurPort, RdmWithoutStartCode(reply.frame)));
             }
           },
       .budget = budget,
       // Its controller has given up: carried out now, it would surprise everyone.
       .expired =
           [this, sender] {
             if (hooks_.log) {
               hooks_.log({sender + " dropped unsent: it waited longer than " +
                           std::to_string(LineArbiter::kMaxWait.count()) + " ms"});
             }
           }});
  if (hooks_.requestWaiting) hooks_.requestWaiting();
}

void RdmGateway::SetTable(std::vector<Uid> uids) {
  std::lock_guard lock(mutex_);
  table_ = std::move(uids);
}

std::vector<Uid> RdmGateway::Table() const {
  std::lock_guard lock(mutex_);
  return table_;
}

void RdmGateway::SendTable(const Controller& to) {
  if (!hooks_.send) return;
  const std::vector<Uid> uids = Table();
  for (const auto& packet : EncodeTableOfDevices(kOurPort, uids)) hooks_.send(to, packet);
}

void RdmGateway::DiscoveryEnded() {
  std::vector<Controller> asked;
  {
    std::lock_guard lock(mutex_);
    asked.swap(waitingForTable_);
    interimSent_ = true;
  }
  changed_.notify_all();
  for (const Controller& c : asked) SendTable(c);
}

void RdmGateway::WatchDiscoveries() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !interimSent_; });
    if (stopping_) return;
    if (changed_.wait_until(lock, interimAt_, [this] { return stopping_ || interimSent_; })) {
      continue;
    }
    interimSent_ = true;
    const std::vector<Controller> asked = waitingForTable_;
    const std::size_t known = table_.size();
    lock.unlock();
    const std::string after = "AtcFlush: the discovery still runs after " +
                              std::to_string(interimAfter_.count()) + " ms; ";
    if (known == 0) {
      if (hooks_.log) hooks_.log({after + "no table goes out before it ends, since none is known"});
    } else {
      for (const Controller& c : asked) SendTable(c);
      if (hooks_.log) {
        hooks_.log(
            {after + "the table known so far (" + std::to_string(known) + " devices) went out"});
      }
    }
    lock.lock();
  }
}

}  // namespace korval::artnet
