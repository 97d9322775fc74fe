#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "artnet/art_dmx.h"
#include "artnet/art_poll.h"
#include "artnet/art_rdm.h"
#include "artnet/controller_packets.h"
#include "base/conversion.h"
#include "base/win1252.h"
#include "devices/names_list.h"
#include "devices/patch_file.h"
#include "params/channel_values.h"
#include "params/device_info.h"
#include "params/labels.h"
#include "params/pid_codec.h"
#include "params/status_text.h"
#include "rdm/discovery.h"
#include "rdm/rdm_constants.h"
#include "rdm/rdm_message.h"
#include "rdm/transport.h"
#include "sim/rdm_request.h"
#include "sim/rig.h"

namespace korval {
namespace {

// Bytes that look like the real thing often enough to get past the first checks:
// Art-Net IDs, RDM start codes, discovery preambles, JSON punctuation, line ends.
std::vector<std::uint8_t> RandomInput(std::mt19937& random, std::size_t size) {
  static constexpr std::uint8_t kInteresting[] = {
      0x00, 0xFF, 0xCC, 0x01, 0xFE, 0xAA, 0x55, 'A',  'r', 't', '-', 'N',  'e',  0x50, 0x20, '{',
      '}',  '"',  ':',  ',',  '[',  ']',  '\r', '\n', '=', '0', 'x', 0x02, 0x10, 0xC3, 0xB0, 0xE4};
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) {
    b = (random() % 3 == 0) ? kInteresting[random() % sizeof kInteresting]
                            : static_cast<std::uint8_t>(random());
  }
  return bytes;
}

// Copies into a heap block of exactly the input's size: one byte more read is a
// heap overflow that AddressSanitizer reports.
std::unique_ptr<std::uint8_t[]> Exact(const std::vector<std::uint8_t>& bytes) {
  auto block = std::make_unique<std::uint8_t[]>(bytes.size() + (bytes.empty() ? 1 : 0));
  std::copy(bytes.begin(), bytes.end(), block.get());
  return block;
}

TEST(ParsersOfOutsideBytes, TakeAnyInputWithoutReadingPastIt) {
  std::mt19937 random(20261208);
  DmxSlots slots{};
  for (int round = 0; round < 3000; ++round) {
    const std::size_t size = (round % 10 == 0) ? random() % 1200 : random() % 64;
    const auto input = RandomInput(random, size);
    const auto block = Exact(input);
    const std::span<const std::uint8_t> bytes(block.get(), input.size());

    const auto lines = ParseNamesFile(bytes);
    EXPECT_LE(lines.size(), input.size());
    for (const auto& line : lines) EXPECT_TRUE(IsValidUtf8(line));

    const ParsedPatch patch = ParsePatchFile(bytes);
    if (patch.records) {
      EXPECT_LE(patch.records->size(), 33u);
      EXPECT_LE(4 + 12 * patch.records->size(), input.size());
    } else {
      EXPECT_FALSE(patch.fault.empty());
    }
    const auto rig = sim::ParseRig(bytes, "random.json");
    EXPECT_TRUE(rig.rig.has_value() || rig.error.rfind("random.json", 0) == 0) << rig.error;
    sim::ParseRdmRequest(bytes);
    for (const StartCode startCode : {StartCode::kIncluded, StartCode::kOmitted}) {
      if (const auto view = ValidateRdmFrame(bytes, startCode)) {
        EXPECT_EQ(view->message.data(), bytes.data());
        EXPECT_LE(view->message.size(), bytes.size());
      }
    }
    if (artnet::ArtDmxReceived(bytes, slots)) {
      EXPECT_GE(input.size(), 8u + 530u);
    }
    artnet::ArtNetOpCode(bytes);
    artnet::IsArtPoll(bytes);
    artnet::DecodeRecordHeader(bytes);
    artnet::ParseArtTodRequest(bytes);
    artnet::ParseArtTodControl(bytes);
    artnet::ParseArtRdm(bytes);
    artnet::ParseArtTodData(bytes);
    artnet::ParseArtPollReply(bytes);
    DecodeDiscoveryResponse(bytes, 0, kBroadcastUid);
    DecodeReplyFrame(bytes);
    EXPECT_EQ(FormatRdmPacket("Response_:", bytes).rfind("Response_:", 0), 0u);
    params::DecodeDeviceInfo(bytes);
    params::DecodeDeviceInfoFields(bytes);
    params::DecodeFirstStatus(bytes);
    params::DecodeLabel(bytes);
    params::DecodeHours(bytes);
    params::DecodeRow(bytes);
    params::DecodeMask(bytes);
    const std::string decoded = Win1252ToUtf8(bytes);
    EXPECT_TRUE(IsValidUtf8(decoded));
    const std::string_view text(reinterpret_cast<const char*>(block.get()), input.size());
    EXPECT_LE(Utf8ToWin1252(text).size(), input.size());
    ParseInteger(text, INT32_MIN, INT32_MAX);
    artnet::ParsePortAddress(text);
  }
}

// The RDM packets of Art-Net behind a header that passes, so that the parsers
// get to the counts and lengths the datagram may lie about: AddCount, the
// message length, the PDL, UidCount. Half the ArtRdm messages are made to check, so that
// the length tests are all that stands between them and the end of the block.
TEST(ParsersOfOutsideBytes, ArtNetRdmPacketsReadNothingPastTheDatagram) {
  std::mt19937 random(20261211);
  int messagesTaken = 0;
  int tablesTaken = 0;
  for (int round = 0; round < 4000; ++round) {
    std::vector<std::uint8_t> input = {'A', 'r', 't', '-', 'N', 'e', 't', 0};
    const std::uint8_t ops[] = {0x80, 0x81, 0x82, 0x83};
    const std::uint8_t op = ops[random() % 4];
    input.insert(input.end(), {0x00, op, 0x00, 0x0E, artnet::kRdmVersionE120});
    const auto tail = RandomInput(random, random() % 300);
    input.insert(input.end(), tail.begin(), tail.end());
    // An ArtTodData whose counts may or may not fit the datagram.
    if (op == 0x81 && input.size() > 27 && random() % 2 == 0) {
      input[22] = artnet::kTodFull;
      input[24] = static_cast<std::uint8_t>(random() % 2);
      input[27] = static_cast<std::uint8_t>(random() % 60);
    }
    if (input.size() > 26 && random() % 2 == 0) {
      input[24] = rdm::kSubStartCode;
      const std::size_t length = 24 + random() % 40;
      input[25] = static_cast<std::uint8_t>(length);
      if (input.size() > 24 + 22) input[24 + 22] = static_cast<std::uint8_t>(length - 24);
      std::uint16_t sum = rdm::kStartCode;
      for (std::size_t i = 0; i + 1 < length && 24 + i < input.size(); ++i) sum += input[24 + i];
      if (24 + length < input.size()) {
        input[24 + length - 1] = static_cast<std::uint8_t>(sum >> 8);
        input[24 + length] = static_cast<std::uint8_t>(sum);
      }
    }
    const auto block = Exact(input);
    const std::span<const std::uint8_t> bytes(block.get(), input.size());
    if (const auto request = artnet::ParseArtTodRequest(bytes)) {
      EXPECT_LE(request->portAddresses.size(), std::min<std::size_t>(32, input.size() - 24));
    }
    artnet::ParseArtTodControl(bytes);
    if (const auto tod = artnet::ParseArtTodData(bytes)) {
      ++tablesTaken;
      EXPECT_LE(artnet::kArtTodDataHeaderBytes + tod->uids.size() * kUidBytes, input.size());
      EXPECT_LE(tod->uids.size(), tod->header.uidTotal);
    }
    if (const auto message = artnet::ParseArtRdm(bytes)) {
      ++messagesTaken;
      EXPECT_GE(message->rdm.data(), bytes.data());
      EXPECT_LE(message->rdm.data() + message->rdm.size(), bytes.data() + bytes.size());
      EXPECT_EQ(message->rdm.size(), std::size_t{message->rdm[1]} + 1);
    }
  }
  EXPECT_GT(messagesTaken, 100) << "the generator no longer makes messages that check";
  EXPECT_GT(tablesTaken, 10) << "the generator no longer makes tables that add up";
}

// ArtPollReplies of every length around the shortest one taken, so that the
// fields past a short reply are read as absent and never from past its end.
TEST(ParsersOfOutsideBytes, ArtPollRepliesOfAnyLengthReadNothingPastTheDatagram) {
  std::mt19937 random(20261212);
  int taken = 0;
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> input = {'A', 'r', 't', '-', 'N', 'e', 't', 0, 0x00, 0x21};
    const auto tail = RandomInput(random, 180 + random() % 80);
    input.insert(input.end(), tail.begin(), tail.end());
    const auto block = Exact(input);
    const auto reply =
        artnet::ParseArtPollReply(std::span<const std::uint8_t>(block.get(), input.size()));
    if (!reply) {
      EXPECT_LT(input.size(), artnet::kArtPollReplyMinBytes);
      continue;
    }
    ++taken;
    EXPECT_LE(reply->outputs.size(), artnet::kPortsPerPollReply);
    for (const auto* name : {&reply->shortName, &reply->longName}) {
      EXPECT_TRUE(IsValidUtf8(*name));
    }
  }
  EXPECT_GT(taken, 1000);
}

// Every parameter of the command line's table, GET and SET replies alike, and
// one outside the table: random parameter data of up to twice the largest PDL.
TEST(ParsersOfOutsideBytes, EveryParameterReplyDecodesWithoutReadingPastIt) {
  std::mt19937 random(20261210);
  for (int round = 0; round < 40; ++round) {
    for (const params::PidInfo& info : params::PidTable()) {
      const std::size_t size = random() % (2 * rdm::kMaxPdl);
      const auto input = RandomInput(random, size);
      const auto block = Exact(input);
      const std::span<const std::uint8_t> bytes(block.get(), input.size());
      for (const auto command : {params::Command::kGet, params::Command::kSet}) {
        const params::DecodedReply reply = params::DecodeReply(info.number, command, bytes);
        EXPECT_LE(reply.extra.size(), input.size());
        EXPECT_FALSE(reply.truncated && !reply.extra.empty());
        EXPECT_TRUE(IsValidUtf8(params::ToJson(reply))) << info.name;
        for (const auto& line : params::FormatLines(reply))
          EXPECT_TRUE(IsValidUtf8(line)) << info.name;
      }
    }
    const auto input = RandomInput(random, random() % 64);
    const auto block = Exact(input);
    const params::DecodedReply unknown = params::DecodeReply(
        0x8123, params::Command::kGet, std::span<const std::uint8_t>(block.get(), input.size()));
    ASSERT_EQ(unknown.fields.size(), 1u);
    EXPECT_EQ(unknown.fields[0].value.bytes, input);
  }
}

// Rig files of any nesting depth: a well-formed rig whose field holds a value
// nested up to far past the stack's reach, sometimes with one byte spoiled.
// Arrays, objects and strings full of brackets are mixed at random.
TEST(ParsersOfOutsideBytes, RigFilesOfAnyNestingDepthEndInARigOrOneError) {
  std::mt19937 random(20261209);
  static constexpr const char* kFields[] = {"category", "comment", "label", "faults", "min_limits"};
  for (int round = 0; round < 120; ++round) {
    const std::size_t depth = (round % 4 == 0) ? 50'000 + random() % 100'000 : random() % 130;
    std::string opened, closed;
    for (std::size_t i = 0; i < depth; ++i) {
      const bool array = random() % 2 == 0;
      opened += array ? (random() % 3 == 0 ? R"(["[{\"",)" : "[") : R"({"a":)";
      closed += array ? ']' : '}';
    }
    std::reverse(closed.begin(), closed.end());
    std::string text = R"({"responders":[{"uid":"4B52:00000101",")";
    text += kFields[random() % std::size(kFields)];
    text += R"(":)";
    text += opened;
    text += '1';
    text += closed;
    text += "}]}";
    if (round % 3 == 0) text[random() % text.size()] = static_cast<char>(random());
    const std::vector<std::uint8_t> input(text.begin(), text.end());
    const auto block = Exact(input);
    const auto rig =
        sim::ParseRig(std::span<const std::uint8_t>(block.get(), input.size()), "random.json");
    EXPECT_TRUE(rig.rig.has_value() || rig.error.rfind("random.json: ", 0) == 0) << rig.error;
    if (depth > 64 && round % 3 != 0) {
      EXPECT_EQ(rig.error.rfind("random.json: nested more than 64 levels deep", 0), 0u)
          << rig.error;
    }
  }
}

}  // namespace
}  // namespace korval
