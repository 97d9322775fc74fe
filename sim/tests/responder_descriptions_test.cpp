// The described parameters of the virtual responder (model and personality
// descriptions, slots, sensors) at the byte level, and their rig file fields.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/rig.h"
#include "sim/tests/line_fixture.h"

namespace korval::sim {
namespace {

using namespace rdm;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::Fixture;
using testing::OpenLine;
using testing::Reply;
using testing::Request;

constexpr Uid kSpot = 0x4B52'2C1F0A37ULL;

ResponderConfig Described() {
  ResponderConfig c = Fixture(kSpot);
  c.supported_parameters = {kPidDeviceLabel, kPidSlotInfo};
  c.personality_footprints = {16, 8};
  c.personality_count = 2;
  c.model_description = "Spot 250";
  c.personality_descriptions = {"Standard", "Compact"};
  c.slots = {{0x00, 0x0101, "Pan"}, {0x01, 0x0000, "Pan fine"}};
  c.sensors = {SensorDescription{.description = "Head", .value = -5}};
  return c;
}

Reply Get(OpenLine& t, std::uint16_t pid, std::vector<std::uint8_t> data = {}) {
  return Reply{t.Transact(Request(kSpot, kGetCommand, pid, std::move(data)))};
}

TEST(DescribedParametersTest, ARigWithoutThemAnswersAsBefore) {
  OpenLine t;
  ResponderConfig plain = Fixture(kSpot);
  plain.supported_parameters = {kPidDeviceLabel, kPidManufacturerLabel};
  t.line.AddResponder(plain);
  EXPECT_THAT(Get(t, kPidSupportedParameters).Data(), ElementsAre(0x00, 0x82, 0x00, 0x81));
  EXPECT_EQ(Get(t, kPidDeviceInfo).Data().at(18), 0);  // sensor count
  for (std::uint16_t pid : {kPidDeviceModelDescription, kPidDmxPersonalityDescription, kPidSlotInfo,
                            kPidSlotDescription, kPidSensorDefinition, kPidSensorValue}) {
    const Reply r = Get(t, pid, {0});
    EXPECT_EQ(r.ResponseType(), kResponseNackReason) << pid;
    EXPECT_EQ(r.NackReason(), kNrUnknownPid) << pid;
  }
}

TEST(DescribedParametersTest, TheyAreListedAfterTheRigsOwnListOnce) {
  OpenLine t;
  t.line.AddResponder(Described());
  EXPECT_THAT(Get(t, kPidSupportedParameters).Data(),
              ElementsAreArray(std::vector<std::uint8_t>{
                  0x00, 0x82,  // DEVICE_LABEL, as listed
                  0x01, 0x20,  // SLOT_INFO, as listed
                  0x00, 0x80,  // DEVICE_MODEL_DESCRIPTION
                  0x00, 0xE1,  // DMX_PERSONALITY_DESCRIPTION
                  0x01, 0x21,  // SLOT_DESCRIPTION (SLOT_INFO is listed already)
                  0x02, 0x00,  // SENSOR_DEFINITION
                  0x02, 0x01,  // SENSOR_VALUE
              }));
  EXPECT_EQ(Get(t, kPidDeviceInfo).Data().at(18), 1);  // sensor count
}

TEST(DescribedParametersTest, EachReplyInE120Layout) {
  OpenLine t;
  t.line.AddResponder(Described());
  EXPECT_THAT(Get(t, kPidDeviceModelDescription).Data(),
              ElementsAre('S', 'p', 'o', 't', ' ', '2', '5', '0'));
  EXPECT_THAT(Get(t, kPidDmxPersonalityDescription, {2}).Data(),
              ElementsAreArray(std::vector<std::uint8_t>{
                  0x02,                               // personality
                  0x00, 0x08,                         // its footprint
                  'C', 'o', 'm', 'p', 'a', 'c', 't',  // description
              }));
  EXPECT_THAT(Get(t, kPidSlotInfo).Data(),
              ElementsAreArray(std::vector<std::uint8_t>{
                  0x00, 0x00, 0x00, 0x01, 0x01,  // slot 0: primary, pan
                  0x00, 0x01, 0x01, 0x00, 0x00,  // slot 1: fine, 0
              }));
  EXPECT_THAT(Get(t, kPidSlotDescription, {0x00, 0x01}).Data(),
              ElementsAre(0x00, 0x01, 'P', 'a', 'n', ' ', 'f', 'i', 'n', 'e'));
  EXPECT_THAT(Get(t, kPidSensorDefinition, {0}).Data(),
              ElementsAreArray(std::vector<std::uint8_t>{
                  0x00,  // sensor number
                  0x00,  // type: temperature
                  0x01,  // unit: centigrade
                  0x00,  // prefix: none
                  0xFF,
                  0xD8,  // range minimum -40
                  0x00,
                  0x96,  // range maximum 150
                  0x00,
                  0x00,  // normal minimum 0
                  0x00,
                  0x50,  // normal maximum 80
                  0x00,  // recorded value support: none
                  'H',
                  'e',
                  'a',
                  'd',
              }));
  EXPECT_THAT(Get(t, kPidSensorValue, {0}).Data(),
              ElementsAreArray(std::vector<std::uint8_t>{
                  0x00,        // sensor number
                  0xFF, 0xFB,  // present value -5
                  0x00, 0x00,  // lowest
                  0x00, 0x00,  // highest
                  0x00, 0x00,  // recorded
              }));
}

TEST(DescribedParametersTest, BadArgumentsAndSetsAreRefused) {
  OpenLine t;
  t.line.AddResponder(Described());
  struct Case {
    std::uint8_t commandClass;
    std::uint16_t pid;
    std::vector<std::uint8_t> data;
    std::uint16_t reason;
  };
  const Case cases[] = {
      {kGetCommand, kPidDmxPersonalityDescription, {0}, kNrDataOutOfRange},
      {kGetCommand, kPidDmxPersonalityDescription, {3}, kNrDataOutOfRange},
      {kGetCommand, kPidDmxPersonalityDescription, {}, kNrFormatError},
      {kGetCommand, kPidSlotDescription, {0x00, 0x02}, kNrDataOutOfRange},
      {kGetCommand, kPidSlotDescription, {0x01}, kNrFormatError},
      {kGetCommand, kPidSensorValue, {1}, kNrDataOutOfRange},
      {kGetCommand, kPidSensorDefinition, {0, 0}, kNrFormatError},
      {kGetCommand, kPidDeviceModelDescription, {0}, kNrFormatError},
      {kGetCommand, kPidSlotInfo, {0}, kNrFormatError},
      {kSetCommand, kPidDeviceModelDescription, {'x'}, kNrUnsupportedCommandClass},
      {kSetCommand, kPidSensorValue, {0}, kNrUnsupportedCommandClass},
      {kSetCommand, kPidSlotDescription, {0, 0}, kNrUnsupportedCommandClass},
  };
  for (const Case& c : cases) {
    const Reply r{t.Transact(Request(kSpot, c.commandClass, c.pid, c.data))};
    EXPECT_EQ(r.ResponseType(), kResponseNackReason) << c.pid;
    EXPECT_EQ(r.NackReason(), c.reason) << c.pid;
  }
}

RigLoadResult Parse(std::string_view text) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  return ParseRig(std::span(p, text.size()), "rig.json");
}

TEST(DescribedParametersTest, RigFileFieldsAndTheirMistakes) {
  const RigLoadResult loaded = Parse(R"({"responders": [{"uid": "4B52:2C1F0A37",
      "personality_footprints": [16, 8], "model_description": "Spot 250",
      "personality_descriptions": ["Standard", "Kompakt °"],
      "slots": [{"type": 1, "label": "0x0101", "description": "Pan"}, {}],
      "sensors": [{"type": 1, "unit": 0, "prefix": "0x02", "description": "Fan", "value": -40},
                  {"value": 150}]}]})");
  ASSERT_TRUE(loaded.rig) << loaded.error;
  const ResponderConfig& c = loaded.rig->responders.at(0);
  EXPECT_EQ(c.model_description, "Spot 250");
  EXPECT_THAT(c.personality_descriptions, ElementsAre("Standard", "Kompakt \xB0"));
  ASSERT_EQ(c.slots.size(), 2u);
  EXPECT_EQ(c.slots[0].type, 1);
  EXPECT_EQ(c.slots[0].label, 0x0101);
  EXPECT_EQ(c.slots[0].description, "Pan");
  EXPECT_EQ(c.slots[1].label, 0x0001);  // defaults: a primary intensity slot
  ASSERT_EQ(c.sensors.size(), 2u);
  EXPECT_EQ(c.sensors[0].type, 1);
  EXPECT_EQ(c.sensors[0].prefix, 2);
  EXPECT_EQ(c.sensors[0].value, -40);
  EXPECT_EQ(c.sensors[1].type, 0);  // defaults: a temperature in centigrade
  EXPECT_EQ(c.sensors[1].unit, 1);
  EXPECT_EQ(c.sensors[1].value, 150);

  struct Case {
    std::string_view fields;
    std::string_view error;
  };
  const Case cases[] = {
      {R"("personality_descriptions": ["a", "b"])",
       "\"personality_descriptions\" must be an array of 1 strings, one per personality"},
      {R"("personality_descriptions": [3])", "personality 1: \"description\" must be a string"},
      {R"("model_description": "123456789012345678901234567890123")", "longer than 32 bytes"},
      {R"("slots": {})", "\"slots\" must be an array"},
      {R"("slots": [3])", "slot 0: must be an object"},
      {R"("slots": [{"colour": 1}])", "slot 0: unknown field \"colour\""},
      {R"("slots": [{"label": 65536}])", "slot 0: "},
      {R"("sensors": [{}, {"value": 151}])",
       "sensor 1: \"value\" must be a whole number from -40 to 150"},
      {R"("sensors": [{"value": 1.5}])", "\"value\" must be a whole number"},
      {R"("sensors": [{"unit": 256}])", "sensor 0: "},
  };
  for (const Case& c : cases) {
    const std::string text =
        R"({"responders": [{"uid": "4B52:2C1F0A37", )" + std::string(c.fields) + "}]}";
    const RigLoadResult bad = Parse(text);
    EXPECT_FALSE(bad.rig) << c.fields;
    EXPECT_THAT(bad.error, ::testing::StartsWith("rig.json: responder 1: ")) << c.fields;
    EXPECT_THAT(bad.error, ::testing::HasSubstr(std::string(c.error))) << bad.error;
  }
}

}  // namespace
}  // namespace korval::sim
