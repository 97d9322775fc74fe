// One RDM transaction after another on a line that delivers the input: the
// start-code search, the reply read and its checksum check, the joining of
// ACK_OVERFLOW parts, and the packet dump of whatever arrived. The raw input
// also goes through the dump, the reply decoder, the frame validator and, as
// the virtual responders would see it, through the request parser.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "fuzz/fuzz_line.h"
#include "rdm/rdm_constants.h"
#include "rdm/rdm_message.h"
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

// What the one validator takes lies inside the bytes where they begin, and the
// one encoder writes it back from its fields (with the start code Art-Net
// leaves out put back in front).
void CheckValidator(std::span<const std::uint8_t> bytes) {
  for (const StartCode startCode : {StartCode::kIncluded, StartCode::kOmitted}) {
    const auto view = ValidateRdmFrame(bytes, startCode);
    if (!view) continue;
    if (view->message.data() != bytes.data() || view->message.size() > bytes.size() ||
        view->data.data() < bytes.data() ||
        view->data.data() + view->data.size() > bytes.data() + bytes.size()) {
      fuzz::PropertyFailed("a validated message is not inside the bytes");
    }
    const auto message = startCode == StartCode::kIncluded
                             ? std::vector<std::uint8_t>(view->message.begin(), view->message.end())
                             : RdmFrameWithStartCode(view->message);
    const auto encoded = EncodeRdmFrame(view->header, view->data);
    // The checksum aside, which the encoder always gets right.
    if (!std::equal(encoded.begin(), encoded.end() - 2, message.begin(), message.end() - 2) ||
        encoded.size() != message.size() || (view->checksumOk && encoded != message)) {
      fuzz::PropertyFailed("a validated message does not encode back to its bytes");
    }
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
  CheckValidator(input);
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
