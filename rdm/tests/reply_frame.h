// A GET reply in E1.20 layout from a responder to the controller, checksum
// included: what a scripted line plays back to the transport.
#pragma once

#include <cstdint>
#include <vector>

#include "base/bytes.h"
#include "rdm/rdm_constants.h"
#include "rdm/rdm_message.h"
#include "rdm/uid.h"

namespace korval::testing {

inline std::vector<std::uint8_t> ReplyFrame(Uid source, std::uint16_t pid,
                                            std::uint8_t responseType,
                                            const std::vector<std::uint8_t>& data,
                                            bool goodChecksum = true) {
  std::vector<std::uint8_t> r = EncodeReplyFrame({.destination = kControllerUid,
                                                  .source = source,
                                                  .transaction = 1,
                                                  .responseType = responseType,
                                                  .commandClass = rdm::kGetCommandResponse,
                                                  .pid = pid,
                                                  .data = data});
  if (!goodChecksum) {
    const std::size_t at = r.size() - rdm::kChecksumBytes;
    WriteBe16(r, at, static_cast<std::uint16_t>(ReadBe16(r, at) + 1));
  }
  return r;
}

}  // namespace korval::testing
