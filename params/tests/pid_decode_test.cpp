#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "params/device_info.h"
#include "params/pid_codec.h"
#include "rdm/rdm_constants.h"

namespace korval::params {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

Lines Decode(Layout layout, const Bytes& data) {
  return FormatLines(DecodeLayout(layout, data));
}

const FieldDef kFixed[] = {{"a", FieldKind::kU8}, {"b", FieldKind::kU16}, {"c", FieldKind::kU32}};
const FieldDef kLabelled[] = {{"n", FieldKind::kU8}, {"label", FieldKind::kLabel, {}, {}, 4}};
const FieldDef kItem[] = {{"x", FieldKind::kU8}, {"y", FieldKind::kS16}};
const FieldDef kGrouped[] = {{"n", FieldKind::kU8}, {"items", FieldKind::kGroup, {}, kItem}};

TEST(PidDecoding, AShortReplyDecodesWhatIsThereAndSaysWhereItEnds) {
  const DecodedReply reply = DecodeLayout(kFixed, Bytes{0x01, 0x02, 0x03, 0x04});
  EXPECT_TRUE(reply.truncated);
  EXPECT_TRUE(reply.extra.empty());
  EXPECT_EQ(FormatLines(reply),
            (Lines{"a: 1", "b: 515", "error: short reply: 4 bytes end inside c"}));
  EXPECT_EQ(Decode(kFixed, {0x01, 0x02}),
            (Lines{"a: 1", "error: short reply: 2 bytes end inside b"}));
  EXPECT_EQ(Decode(kFixed, {}), (Lines{"error: short reply: 0 bytes end inside a"}));
  EXPECT_EQ(Decode(kLabelled, {}), (Lines{"error: short reply: 0 bytes end inside n"}));
  EXPECT_EQ(Decode(kGrouped, {}), (Lines{"error: short reply: 0 bytes end inside n"}));
  const FieldDef chars[] = {{"language", FieldKind::kChars, {}, {}, 2}};
  EXPECT_EQ(Decode(chars, {'e'}), (Lines{"error: short reply: 1 bytes end inside language"}));
  const FieldDef uid[] = {{"uid", FieldKind::kUid}};
  EXPECT_EQ(Decode(uid, {0x4B, 0x52, 0, 0, 1}),
            (Lines{"error: short reply: 5 bytes end inside uid"}));
}

TEST(PidDecoding, AnOverLongReplyDecodesTheLayoutAndListsTheRest) {
  const DecodedReply reply = DecodeLayout(kFixed, Bytes{1, 0, 2, 0, 0, 0, 3, 0xAA, 0x0B});
  EXPECT_FALSE(reply.truncated);
  EXPECT_EQ(reply.extra, (Bytes{0xAA, 0x0B}));
  EXPECT_EQ(FormatLines(reply), (Lines{"a: 1", "b: 2", "c: 3", "extra_bytes: aa 0b"}));
  // A label stops at its size, or at its first zero byte without ending the layout.
  EXPECT_EQ(Decode(kLabelled, {7, 'a', 'b', 'c', 'd', 'e'}),
            (Lines{"n: 7", "label: abcd", "extra_bytes: 65"}));
  EXPECT_EQ(Decode(kLabelled, {7, 'a', 0, 'c'}), (Lines{"n: 7", "label: a"}));
  EXPECT_EQ(Decode(kLabelled, {7}), (Lines{"n: 7", "label: "}));
  EXPECT_EQ(Decode({}, {5}), (Lines{"extra_bytes: 05"}));
}

TEST(PidDecoding, AGroupTakesOnlyWholeItems) {
  EXPECT_EQ(Decode(kGrouped, {2}), (Lines{"n: 2", "items: 0 items"}));
  EXPECT_EQ(Decode(kGrouped, {2, 1, 0xFF, 0xFE, 2, 0x00}),
            (Lines{"n: 2", "items: 1 items", "  items[0].x: 1", "  items[0].y: -2",
                   "extra_bytes: 02 00"}));
  EXPECT_EQ(Decode(kGrouped, {2, 1, 0, 5, 2, 0, 6}),
            (Lines{"n: 2", "items: 2 items", "  items[0].x: 1", "  items[0].y: 5",
                   "  items[1].x: 2", "  items[1].y: 6"}));
}

TEST(PidDecoding, AParameterOutsideTheTableIsHexBytes) {
  const Bytes data = {0x01, 0xFF, 0x7A};
  EXPECT_EQ(FormatLines(DecodeReply(rdm::kPidMinLimits, Command::kGet, data)),
            (Lines{"data: 01 ff 7a"}));
  EXPECT_EQ(ToJson(DecodeReply(0x8123, Command::kSet, data)), R"({"data": [1, 255, 122]})");
  EXPECT_EQ(FormatLines(DecodeReply(0x8123, Command::kGet, {})), (Lines{"data: "}));
}

TEST(PidDecoding, DeviceInfoGivesTheWindowsValues) {
  const std::vector<Bytes> replies = {{0x01, 0x00, 0x12, 0x34, 0x05, 0x04, 0x01, 0x02, 0x00, 0xFF,
                                       0x01, 0x2C, 0x03, 0x04, 0x01, 0xF4, 0x00, 0x00, 0x00},
                                      {0x01, 0x00, 0x00, 0x01, 0x01, 0x02, 0x07, 0x08, 0x09, 0x0A,
                                       0x00, 0x00, 0x01, 0x01, 0xFF, 0xFF, 0x00, 0x02, 0x05},
                                      {0x01, 0x00, 0x00, 0x01, 0x01, 0xFF, 0x07, 0x08, 0x09, 0x0A,
                                       0x00, 0x00, 0x01, 0x01, 0xFF, 0xFF, 0x00, 0x02, 0x05}};
  for (const Bytes& data : replies) {
    const DeviceInfo info = DecodeDeviceInfo(data);
    const DecodedReply reply = DecodeReply(rdm::kPidDeviceInfo, Command::kGet, data);
    ASSERT_EQ(reply.fields.size(), 11u);
    EXPECT_EQ(reply.fields[3].value.text,
              info.category == "unknown" ? "fixture_other" : info.category);
    EXPECT_EQ(reply.fields[4].value.text, info.firmware);
    EXPECT_EQ(reply.fields[5].value.number, info.footprint);
    EXPECT_EQ(reply.fields[6].value.number, info.personality);
    EXPECT_EQ(reply.fields[7].value.number, info.personalityCount);
    EXPECT_EQ(reply.fields[8].value.number, info.startAddress);
  }
}

TEST(PidDecoding, JsonKeepsTypesAndEscapesText) {
  const FieldDef layout[] = {{"n", FieldKind::kS8},
                             {"on", FieldKind::kBool},
                             {"unit", FieldKind::kU8, {}, {}, 0},
                             {"v", FieldKind::kVersion},
                             {"items", FieldKind::kGroup, {}, kItem}};
  const Bytes data = {0xFF, 0x01, 0x02, 1, 2, 3, 4, 9, 0x00, 0x01};
  EXPECT_EQ(ToJson(DecodeLayout(layout, data)),
            R"({"n": -1, "on": true, "unit": 2, "v": "1.2.3.4", "items": [{"x": 9, "y": 1}]})");
  const FieldDef label[] = {{"label", FieldKind::kLabel, {}, {}, 32}};
  EXPECT_EQ(ToJson(DecodeLayout(label, Bytes{'a', '"', '\\', '\n', 0xB0})),
            "{\"label\": \"a\\\"\\\\\\u000a\xC2\xB0\"}");
}

// Values that the encoder takes back, from a decoded reply.
void AddValues(const PidValue& value, std::vector<std::string>& out) {
  switch (value.type) {
    case ValueType::kNumber:
    case ValueType::kBool:
      out.push_back(std::to_string(value.number));
      break;
    case ValueType::kNamed:
    case ValueType::kText:
      out.push_back(value.text);
      break;
    case ValueType::kBytes:
      for (const std::uint8_t b : value.bytes) out.push_back(std::to_string(b));
      break;
    case ValueType::kList:
    case ValueType::kObject:
      for (const PidField& item : value.items) AddValues(item.value, out);
      break;
  }
}

std::string SampleValue(const FieldDef& def, std::size_t i) {
  switch (def.kind) {
    case FieldKind::kBool:
      return i % 2 ? "on" : "off";
    case FieldKind::kUid:
      return "4B52:00000101";
    case FieldKind::kVersion:
      return "1.2.0.255";
    case FieldKind::kPid:
      return "device_label";
    case FieldKind::kCategory:
      return "Moving Head";
    case FieldKind::kSlotLabel:
      return "pan";
    case FieldKind::kLabel:
      return std::string(def.size, 'L');
    case FieldKind::kChars:
      return "en";
    case FieldKind::kBytes:
      return "0x7F";
    case FieldKind::kS8:
    case FieldKind::kS16:
    case FieldKind::kS32:
      return "-3";
    default:
      if (!def.names.empty()) return std::string(def.names.back().name);
      return std::to_string(def.max >= def.min ? def.max : 200);
  }
}

TEST(PidDecoding, EveryLayoutOfTheTableDecodesItsOwnEncoding) {
  for (const PidInfo& info : PidTable()) {
    for (const Layout layout : {info.getArgs, info.getReply, info.setArgs, info.setReply}) {
      SCOPED_TRACE(std::string(info.name));
      std::vector<std::string> values;
      for (std::size_t i = 0; i < layout.size(); ++i) {
        if (layout[i].kind == FieldKind::kGroup) {
          for (int item = 0; item < 2; ++item) {
            for (const FieldDef& field : layout[i].group) values.push_back(SampleValue(field, i));
          }
        } else {
          values.push_back(SampleValue(layout[i], i));
        }
      }
      const EncodedArgs encoded = EncodeLayout(layout, values);
      ASSERT_TRUE(encoded.ok()) << encoded.error;
      const DecodedReply decoded = DecodeLayout(layout, encoded.bytes);
      EXPECT_FALSE(decoded.truncated);
      EXPECT_TRUE(decoded.extra.empty());
      std::vector<std::string> again;
      for (const PidField& field : decoded.fields) AddValues(field.value, again);
      EXPECT_EQ(EncodeLayout(layout, again).bytes, encoded.bytes);
    }
  }
}

}  // namespace
}  // namespace korval::params
