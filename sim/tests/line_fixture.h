// Helpers for driving a VirtualLine by hand in tests: an opened line in
// instant timing, raw frames after a break, and everything the line answers.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "rdm/rdm_constants.h"
#include "sim/rdm_request.h"
#include "sim/virtual_line.h"

namespace korval::sim::testing {

inline ResponderConfig Fixture(Uid uid) {
  ResponderConfig c;
  c.uid = uid;
  return c;
}

struct OpenLine {
  VirtualLine line{Timing::kInstant};
  LineHandle handle = 0;

  OpenLine() { EXPECT_EQ(line.Open(0, &handle), kLineOk); }

  // Break, then the bytes in one write, as the transport sends a request.
  void Send(const std::vector<std::uint8_t>& frame) {
    line.Purge(handle, kPurgeRx);
    line.SetBreakOn(handle);
    line.SetBreakOff(handle);
    std::uint32_t written = 0;
    EXPECT_EQ(line.Write(handle, frame, &written), kLineOk);
  }
  // All bytes the line carries back until it falls silent.
  std::vector<std::uint8_t> ReadAll() {
    std::vector<std::uint8_t> all;
    std::vector<std::uint8_t> chunk(600, 0xFF);
    std::uint32_t got = 0;
    EXPECT_EQ(line.Read(handle, chunk, &got), kLineOk);
    all.assign(chunk.begin(), chunk.begin() + got);
    return all;
  }
  std::vector<std::uint8_t> Transact(const RdmRequest& request) {
    Send(EncodeRdmRequest(request));
    return ReadAll();
  }
};

inline RdmRequest Request(Uid to, std::uint8_t commandClass, std::uint16_t pid,
                          std::vector<std::uint8_t> data = {}) {
  RdmRequest r;
  r.destination = to;
  r.source = kControllerUid;
  r.transaction = 7;
  r.portOrResponseType = 1;
  r.commandClass = commandClass;
  r.pid = pid;
  r.pdl = static_cast<std::uint8_t>(data.size());
  std::copy(data.begin(), data.end(), r.data.begin());
  return r;
}

inline RdmRequest Branch(Uid lower, Uid upper) {
  std::vector<std::uint8_t> data;
  for (std::uint8_t b : UidToBytes(lower)) data.push_back(b);
  for (std::uint8_t b : UidToBytes(upper)) data.push_back(b);
  return Request(kBroadcastUid, rdm::kDiscoveryCommand, rdm::kPidDiscUniqueBranch, data);
}

// A reply's fields, for readable expectations.
struct Reply {
  std::vector<std::uint8_t> bytes;
  std::uint8_t ResponseType() const { return bytes.at(rdm::kOffsetPortOrResponseType); }
  std::uint8_t CommandClass() const { return bytes.at(rdm::kOffsetCommandClass); }
  std::uint16_t Pid() const {
    return static_cast<std::uint16_t>(bytes.at(rdm::kOffsetPid) << 8 |
                                      bytes.at(rdm::kOffsetPid + 1));
  }
  std::vector<std::uint8_t> Data() const {
    const std::size_t pdl = bytes.at(rdm::kOffsetPdl);
    return {bytes.begin() + rdm::kOffsetParameterData,
            bytes.begin() + static_cast<std::ptrdiff_t>(rdm::kOffsetParameterData + pdl)};
  }
  std::uint16_t NackReason() const {
    const auto d = Data();
    return static_cast<std::uint16_t>(d.at(0) << 8 | d.at(1));
  }
  bool ChecksumOk() const {
    const std::size_t length = bytes.at(rdm::kOffsetMessageLength);
    if (bytes.size() < length + 2) return false;
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum += bytes[i];
    return bytes[length] == ((sum >> 8) & 0xFF) && bytes[length + 1] == (sum & 0xFF);
  }
};

}  // namespace korval::sim::testing
