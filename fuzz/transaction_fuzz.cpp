// One RDM transaction after another on a line that delivers the input: the
// start-code search, the reply read and its checksum check, the joining of
// ACK_OVERFLOW parts, and the packet dump of whatever arrived. The raw input
// also goes through the dump, the reply decoder and, as the virtual responders
// would see it, through the request parser.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/bytes.h"
#include "fuzz/fuzz_line.h"
#include "rdm/rdm_constants.h"
#include "rdm/transport.h"
#include "sim/rdm_request.h"

namespace {

using namespace korval;

constexpr int kSilentReadLimit = 64;
constexpr Uid kFixture = 0x4B52'2C1F0A37ULL;

bool IsDumpText(std::string_view dump) {
  for (char c : dump) {
    const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    if (!hex && c != ' ') return false;
  }
  return true;
}

void CheckDump(std::span<const std::uint8_t> bytes) {
  const std::string dump = FormatRdmPacket("Response_:", bytes);
  if (dump.rfind("Response_:", 0) != 0 || !IsDumpText(std::string_view(dump).substr(10))) {
    fuzz::PropertyFailed("a packet dump holds more than hexadecimal bytes and blanks");
  }
}

// The judged reply holds exactly the PDL's bytes, and only checked replies
// carry a status of their own.
void CheckReplyDecoder(std::span<const std::uint8_t> bytes) {
  const RdmReply reply = DecodeReplyFrame(bytes);
  if (!reply.Answered()) {
    if (!reply.data.empty()) fuzz::PropertyFailed("an unchecked reply carries data");
    return;
  }
  if (reply.data.size() != ReadByte(bytes, rdm::kOffsetPdl)) {
    fuzz::PropertyFailed("the reply data does not match its PDL");
  }
}

void CheckRequestParser(std::span<const std::uint8_t> bytes) {
  const auto request = sim::ParseRdmRequest(bytes);
  if (!request) return;
  // What the parser accepts is exactly what the encoder writes back.
  const auto encoded = sim::EncodeRdmRequest(*request);
  if (encoded.size() > bytes.size() || !std::equal(encoded.begin(), encoded.end(), bytes.begin())) {
    fuzz::PropertyFailed("an accepted request does not encode back to its bytes");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  CheckDump(input);
  CheckReplyDecoder(input);
  CheckRequestParser(input);

  fuzz::FuzzLine line(input, kSilentReadLimit);
  RdmTransport transport(line, [](const std::string&) {});
  LineHandle handle = 0;
  line.Open(0, &handle);
  transport.SetHandle(handle);

  const std::uint16_t pids[] = {rdm::kPidDeviceInfo, rdm::kPidStatusMessages, rdm::kPidDeviceLabel};
  try {
    for (std::uint16_t pid : pids) {
      const std::size_t before = line.Delivered();
      const RdmReply reply = transport.Transact(
          {.destination = kFixture, .commandClass = rdm::kGetCommand, .pid = pid});
      // The buffer is refilled before each read: bytes of an earlier reply must
      // never make a silent line look like an answer.
      if (line.Delivered() == before && reply.Answered()) {
        fuzz::PropertyFailed("a reply was accepted although nothing arrived");
      }
    }
  } catch (const fuzz::InputExhausted&) {
  }
  return 0;
}
