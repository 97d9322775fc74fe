// ArtDmx and ArtPoll packets as a controller sends them, and golden datagrams
// written a field a line, for the tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "artnet/art_dmx.h"

namespace korval::artnet::testing {

// Golden datagrams are written one field per line; each call appends a field.
struct Golden {
  std::vector<std::uint8_t> bytes;
  Golden& operator()(std::initializer_list<std::uint8_t> field) {
    bytes.insert(bytes.end(), field.begin(), field.end());
    return *this;
  }
  Golden& operator()(const std::vector<std::uint8_t>& field) {
    bytes.insert(bytes.end(), field.begin(), field.end());
    return *this;
  }
};

inline const std::vector<std::uint8_t> kId = {'A', 'r', 't', '-', 'N', 'e', 't', 0};

inline std::vector<std::uint8_t> ArtDmxPacket(std::uint8_t firstValue, std::uint8_t subUni = 0,
                                              std::uint8_t net = 0, std::uint16_t length = 512) {
  std::vector<std::uint8_t> p = {'A', 'r', 't', '-', 'N', 'e', 't', 0, 0x00, 0x50, 0, 14, 0, 0};
  p.push_back(subUni);
  p.push_back(net);
  p.push_back(static_cast<std::uint8_t>(length >> 8));
  p.push_back(static_cast<std::uint8_t>(length));
  for (int k = 0; k < 512; ++k) p.push_back(static_cast<std::uint8_t>(firstValue + k));
  return p;
}

// flags 0x02: "TalkToMe", send an ArtPollReply whenever the node's state changes.
inline std::vector<std::uint8_t> ArtPollPacket(std::uint8_t flags = 0x00) {
  return {'A', 'r', 't', '-', 'N', 'e', 't', 0, 0x00, 0x20, 0, 14, flags, 0x00};
}

// The record the node hands to its receiver: header, then the datagram.
inline std::vector<std::uint8_t> Record(const std::vector<std::uint8_t>& datagram) {
  const auto head =
      EncodeRecordHeader({0x7F000001, 6454, static_cast<std::uint16_t>(datagram.size())});
  std::vector<std::uint8_t> record(head.begin(), head.end());
  record.insert(record.end(), datagram.begin(), datagram.end());
  return record;
}

}  // namespace korval::artnet::testing
