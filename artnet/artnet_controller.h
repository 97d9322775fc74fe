// The RDM controller for one port of an Art-Net node: the fixtures behind the
// node's DMX512 output at one Port-Address, reached with ArtRdm, and their
// table of devices asked for with ArtTodRequest (and rebuilt with ArtTodControl
// AtcFlush).
//
// Send and Discover run on one thread and wait for the node's answers; the
// socket's owner calls Receive with every datagram on its own thread. Every
// wait is bounded (the bounds are below) and goes through the NetworkWaiter,
// so that a scripted network runs it in simulated time.
//
// Log lines (through the sink given at construction, on the calling thread
// only): the packet dump of every request and of the reply that answered it,
// as the line writes them, and lines of our own that name the node.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "artnet/controller_network.h"
#include "artnet/controller_packets.h"
#include "rdm/log_sink.h"
#include "rdm/rdm_controller.h"

namespace korval::artnet {

class ArtNetController final : public RdmController {
 public:
  // A GET or SET waits this long for its reply, and is sent this many times
  // in all (with the same transaction number) before it ends as kNoReply: a
  // node that never answers costs 3 s.
  static constexpr std::chrono::milliseconds kReplyTimeout{1000};
  static constexpr int kRequestAttempts = 3;
  // After each ArtTodRequest the whole table may take this long to come; the
  // request goes out at most this many times (an incomplete table is asked for
  // again, and what arrives is joined): a silent node costs 6 s.
  static constexpr std::chrono::milliseconds kTableWait{2000};
  static constexpr int kTableRequests = 3;
  // After AtcFlush the node discovers its devices anew and sends the new
  // table. A table is taken once no further ArtTodData has come for
  // kTableSettle after it (a node may send the table it has so far, then the
  // new one); an empty table only when kFlushWait is over, since a node may
  // send its emptied table at once. Without a table by then the table is
  // asked for (kFlushFallbackRequests ArtTodRequests): a silent node costs 9 s.
  static constexpr std::chrono::milliseconds kFlushWait{5000};
  static constexpr std::chrono::milliseconds kTableSettle{1000};
  static constexpr int kFlushFallbackRequests = 2;

  // nodeAddress: the node's IPv4 address (host order), where every packet
  // goes and the only sender whose answers count. send: how datagrams leave.
  ArtNetController(std::uint32_t nodeAddress, std::uint16_t portAddress, SendDatagram send,
                   LogSink log,
                   std::unique_ptr<NetworkWaiter> waiter = std::make_unique<RealWaiter>());

  // "Art-Net node 10.0.0.5, Port-Address 0:0:0".
  std::string Describe() const override;
  Clock& GetClock() override { return waiter_->GetClock(); }

  // The request in an ArtRdm, from our controller UID with our own
  // transaction number. Only an ArtRdm from the node, for our Port-Address,
  // whose RDM reply comes from the destination, to us, with our transaction
  // number, the request's command class + 1 and its PID answers it: late
  // replies to earlier requests, duplicates and replies from anyone else are
  // passed over. No answer within kReplyTimeout: sent again, kRequestAttempts
  // times in all, then kNoReply with a log line. Broadcasts (to all devices,
  // or all of one manufacturer) go out once and are not waited for: kNoReply.
  // A datagram that could not be sent: kLineFailure.
  RdmReply Send(const RdmRequest& request, bool awaitReply = true) override;
  // Another controller's request, as Send sends ours: its reply must come to
  // that controller with its transaction number.
  ForwardedReply Forward(std::span<const std::uint8_t> frame, bool awaitReply,
                         const LogSink& log) override;

  // kFull: AtcFlush, then the node's new table; kIncremental: the table as the
  // node has it now (ArtTodRequest), the devices already listed keeping their
  // places. The table holds the first 33 devices; every device reaches
  // hooks.found. A table that never came empties the list; one that stayed
  // incomplete is listed as far as it came. Both are logged.
  void Discover(DiscoveryMode mode, DeviceTable& table, const DiscoveryHooks& hooks) override;

  // The socket owner's entry, on any thread: true when the datagram is one of
  // the node's answers to a controller on our Port-Address (an ArtRdm reply or
  // an ArtTodData), whether or not it answers what we wait for.
  bool Receive(std::span<const std::uint8_t> datagram, std::uint32_t fromAddress);

  // Every device of the last table, also those past the list's 33.
  const std::vector<Uid>& LastTable() const { return lastTable_; }
  // ArtRdm replies from the node for our Port-Address that answered nothing
  // we were waiting for (late, duplicated, for another request).
  std::uint64_t RepliesPassedOver() const { return passedOver_.load(std::memory_order_relaxed); }

 private:
  // What a reply must carry to answer the request in flight.
  struct Awaited {
    Uid responder = 0;
    Uid controller = 0;  // whose request it is
    std::uint8_t transaction = 0;
    std::uint8_t commandClass = 0;
    std::uint16_t pid = 0;
  };
  // The table as it arrives, packet by packet: the blocks of one UidTotal.
  struct TableInProgress {
    std::optional<std::uint16_t> total;
    std::map<std::uint8_t, std::vector<Uid>> blocks;
    std::vector<Uid> Uids() const;
    bool Complete() const;
  };
  struct TableResult {
    std::vector<Uid> uids;
    bool heard = false;     // some table came
    bool complete = false;  // and the last one was whole
    std::uint16_t total = 0;
  };

  // One frame in an ArtRdm, sent (again, while no answer comes) and matched.
  ForwardedReply Exchange(std::span<const std::uint8_t> frame, bool awaitReply, const LogSink& log);
  bool Transmit(std::span<const std::uint8_t> datagram);
  void Log(const std::string& line) const;
  std::string Node() const;
  // Runs ArtTodRequest rounds; `result` keeps what came before.
  void RequestTable(int requests, TableResult& result, const DiscoveryHooks& hooks);
  void AwaitFlushedTable(TableResult& result, const DiscoveryHooks& hooks);
  void TakeTable(TableResult& result);
  bool Stopped(const DiscoveryHooks& hooks) const;
  void List(DiscoveryMode mode, const TableResult& result, DeviceTable& table,
            const DiscoveryHooks& hooks);
  void AddTablePacket(const TodData& packet);

  const std::uint32_t node_;
  const std::uint16_t portAddress_;
  SendDatagram send_;
  LogSink log_;
  std::unique_ptr<NetworkWaiter> waiter_;
  std::uint8_t transaction_ = 0;  // the calling thread's
  std::vector<Uid> lastTable_;

  // Shared with the receiving thread.
  std::mutex mutex_;
  std::optional<Awaited> awaited_;
  std::vector<std::uint8_t> reply_;  // the answering frame, start code first; empty until it came
  bool collectingTable_ = false;
  TableInProgress table_;
  std::optional<std::vector<Uid>> completeTable_;
  Clock::Duration lastTablePacketAt_{0};
  std::atomic<std::uint64_t> passedOver_{0};
};

}  // namespace korval::artnet
