// A GET reply in E1.20 layout from a responder to the controller, checksum
// included: what a scripted line plays back to the transport.
#pragma once

#include <cstdint>
#include <vector>

#include "rdm/rdm_message.h"
#include "rdm/uid.h"

namespace korval::testing {

inline std::vector<std::uint8_t> ReplyFrame(Uid source, std::uint16_t pid,
                                            std::uint8_t responseType,
                                            const std::vector<std::uint8_t>& data,
                                            bool goodChecksum = true) {
  std::vector<std::uint8_t> r = {
      0xCC, 0x01,                                   // start code, sub-start code
      static_cast<std::uint8_t>(24 + data.size()),  // message length
  };
  for (std::uint8_t b : UidToBytes(kControllerUid)) r.push_back(b);  // destination
  for (std::uint8_t b : UidToBytes(source)) r.push_back(b);          // source
  const std::vector<std::uint8_t> rest = {
      0x01,          // transaction number
      responseType,  // response type
      0x00,          // message count
      0x00,
      0x00,                                    // sub-device: root
      0x21,                                    // GET_COMMAND_RESPONSE
      static_cast<std::uint8_t>(pid >> 8),     // PID
      static_cast<std::uint8_t>(pid),          //
      static_cast<std::uint8_t>(data.size()),  // PDL
  };
  for (std::uint8_t b : rest) r.push_back(b);
  for (std::uint8_t b : data) r.push_back(b);
  std::uint16_t sum = RdmChecksum(r);
  if (!goodChecksum) ++sum;
  r.push_back(static_cast<std::uint8_t>(sum >> 8));
  r.push_back(static_cast<std::uint8_t>(sum));
  return r;
}

}  // namespace korval::testing
