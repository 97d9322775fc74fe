// Rig files: what they give, what they default, and each error with its text.
#include "sim/rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "rdm/transport.h"
#include "sim/tests/line_fixture.h"
#include "sim/tests/rig_example.h"

namespace korval::sim {
namespace {

using namespace rdm;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::kExample;

RigLoadResult Parse(std::string_view text) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  return ParseRig(std::span(p, text.size()), "rig.json");
}

TEST(RigFileTest, TheExampleGivesEveryField) {
  const RigLoadResult loaded = Parse(kExample);
  ASSERT_TRUE(loaded.rig) << loaded.error;
  EXPECT_EQ(loaded.error, "");
  const Rig& rig = *loaded.rig;
  EXPECT_EQ(rig.timing, Timing::kReal);
  EXPECT_EQ(rig.dmx_record, "frames.txt");
  ASSERT_EQ(rig.responders.size(), 1u);
  const ResponderConfig& c = rig.responders[0];
  EXPECT_EQ(c.uid, 0x4A4C'0000'0012ULL);
  EXPECT_THAT(c.supported_parameters, ElementsAre(0x0082, 0x0081, 0x0400, 0x0030));
  EXPECT_EQ(c.label, "Spot 1");
  EXPECT_EQ(c.manufacturer, "KORVAL");
  EXPECT_EQ(c.category, 0x0102);
  EXPECT_EQ(c.software_version, 0x01000203u);
  EXPECT_EQ(c.model_id, 1);
  EXPECT_EQ(c.footprint, 16);
  EXPECT_EQ(c.personality, 1);
  EXPECT_EQ(c.personality_count, 4);
  EXPECT_EQ(c.start_address, 1);
  EXPECT_EQ(c.device_hours, 1234u);
  EXPECT_EQ(c.lamp_hours, 56u);
  EXPECT_THAT(c.max_limits, ::testing::Each(255));
  EXPECT_THAT(c.error_scene, ::testing::Each(255));
  ASSERT_EQ(c.status_messages.size(), 1u);
  EXPECT_EQ(c.status_messages[0].type, 2);
  EXPECT_EQ(c.status_messages[0].id, 0x0050);
  EXPECT_EQ(c.status_messages[0].data2, 35);
  EXPECT_EQ(c.turnaround_us, 2000);
  EXPECT_FALSE(c.faults.silent);
  EXPECT_FALSE(c.faults.late);
}

TEST(RigFileTest, FaultsAreReadIntoTheResponder) {
  const RigLoadResult loaded = Parse(R"({"responders": [{"uid": "4b52:0000000a", "faults":
      {"ignores_mute": true, "noise_before_reply": 6, "unmute_after_requests": 40, "late": true}}]})");
  ASSERT_TRUE(loaded.rig) << loaded.error;
  const ResponderFaults& f = loaded.rig->responders.at(0).faults;
  EXPECT_TRUE(f.ignores_mute);
  EXPECT_FALSE(f.bad_checksum);
  EXPECT_EQ(f.noise_before_reply, 6);
  EXPECT_EQ(f.unmute_after_requests, 40);
  EXPECT_TRUE(f.late);
  EXPECT_EQ(ResponderFaults{}.unmute_after_requests, 0);
  EXPECT_FALSE(ResponderFaults{}.late);
}

TEST(RigFileTest, EveryFieldButUidHasADefault) {
  const RigLoadResult loaded =
      Parse(R"({"timing": "instant", "responders": [{"uid": "4b52:0000000a"}]})");
  ASSERT_TRUE(loaded.rig) << loaded.error;
  EXPECT_EQ(loaded.rig->timing, Timing::kInstant);
  EXPECT_EQ(loaded.rig->dmx_record, "");
  const ResponderConfig& c = loaded.rig->responders.at(0);
  const ResponderConfig defaults;
  EXPECT_EQ(c.uid, 0x4B52'0000'000AULL);
  EXPECT_EQ(c.supported_parameters, AllOptionalParameters());
  EXPECT_EQ(c.label, "");
  EXPECT_EQ(c.manufacturer, "KORVAL");
  EXPECT_EQ(c.category, 0x0101);
  EXPECT_EQ(c.start_address, 1);
  EXPECT_EQ(c.footprint, 1);
  EXPECT_EQ(c.personality, 1);
  EXPECT_EQ(c.personality_count, 1);
  EXPECT_EQ(c.max_limits, defaults.max_limits);
  EXPECT_TRUE(c.status_messages.empty());
  EXPECT_EQ(c.turnaround_us, 200);
  EXPECT_FALSE(c.faults.late);
  EXPECT_EQ(Parse(R"({"responders": []})").rig->timing, Timing::kReal);
  EXPECT_TRUE(Parse(R"({"responders": []})").rig->responders.empty());
}

TEST(RigFileTest, NumbersAsHexStringsBooleansAndUtf8Labels) {
  const RigLoadResult loaded = Parse(R"({"responders": [{"uid": "0001:00000002",
      "start_address": "0x1FF", "pan_invert": true, "tilt_invert": false, "identify": 1,
      "label": "Projektor Süd", "personality_footprints": [10, 20], "personality": 2,
      "supported_parameters": [], "comment": "ignored"}]})");
  ASSERT_TRUE(loaded.rig) << loaded.error;
  const ResponderConfig& c = loaded.rig->responders.at(0);
  EXPECT_EQ(c.start_address, 511);
  EXPECT_EQ(c.pan_invert, 1);
  EXPECT_EQ(c.tilt_invert, 0);
  EXPECT_EQ(c.identify, 1);
  EXPECT_EQ(c.label,
            "Projektor S\xFC"
            "d");  // Windows-1252 on the wire
  EXPECT_EQ(c.personality_count, 2);
  EXPECT_TRUE(c.supported_parameters.empty());
  EXPECT_EQ(Responder(c).Footprint(), 20);
}

// Real fixtures send what E1.20 does not foresee, and a rig may say so.
TEST(RigFileTest, NoAddressWithoutFootprintAndAnyByteForTheOneByteSettings) {
  const RigLoadResult loaded = Parse(R"({"responders": [
      {"uid": "0001:00000002", "footprint": 0, "start_address": 65535, "pan_invert": 2,
       "tilt_invert": "0xFF", "pan_tilt_swap": 7, "identify": 3},
      {"uid": "0001:00000003", "personality_footprints": [0, 4], "start_address": "0xFFFF"}]})");
  ASSERT_TRUE(loaded.rig) << loaded.error;
  const ResponderConfig& c = loaded.rig->responders.at(0);
  EXPECT_EQ(c.start_address, 0xFFFF);
  EXPECT_EQ(c.pan_invert, 2);
  EXPECT_EQ(c.tilt_invert, 255);
  EXPECT_EQ(c.pan_tilt_swap, 7);
  EXPECT_EQ(c.identify, 3);
  EXPECT_EQ(loaded.rig->responders.at(1).start_address, 0xFFFF);
}

TEST(RigFileTest, EachMistakeIsReportedWithTheFileAndWhatIsWrong) {
  struct Case {
    std::string_view text;
    std::string_view error;
  };
  const std::string uid = R"("uid": "4A4C:00000012")";
  const Case cases[] = {
      {"", "rig.json: the file is empty"},
      {" \n",
       "rig.json: not valid JSON: parse error at line 2, column 1: syntax error while "
       "parsing value - unexpected end of input; expected '[', '{', or a literal"},
      {"[]", "rig.json: a rig is a JSON object: { \"responders\": [ ... ] }"},
      {R"({})", "rig.json: \"responders\" is missing"},
      {R"({"responders": {}})", "rig.json: \"responders\" must be an array"},
      {R"({"responders": [], "timming": "real"})", "rig.json: unknown field \"timming\""},
      {R"({"responders": [], "timing": "fast"})",
       "rig.json: \"timing\" must be \"real\" or \"instant\", not \"fast\""},
      {R"({"responders": [], "dmx_record": 3})", "rig.json: \"dmx_record\" must be a file name"},
      {R"({"responders": [], "responders": []})", "rig.json: field \"responders\" is given twice"},
      {R"({"responders": [{"uid": "4A4C:00000012"}, {"uid": "xyz"}]})",
       "rig.json: responder 2: malformed uid \"xyz\" (write it as \"4B52:00000101\")"},
      {R"({"responders": [{"label": "x"}]})", "rig.json: responder 1: \"uid\" is missing"},
      {R"({"responders": [{"uid": 12}]})",
       "rig.json: responder 1: malformed uid 12 (write it as \"4B52:00000101\")"},
      {R"({"responders": [{"uid": "4A4C:FFFFFFFF"}]})",
       "rig.json: responder 1: uid \"4A4C:FFFFFFFF\" is a broadcast address"},
      {R"({"responders": [{"uid": "4A4C:00000012"}, {"uid": "4B52:1"},
          {"uid": "4a4c:00000012"}]})",
       "rig.json: responder 2: malformed uid \"4B52:1\" (write it as \"4B52:00000101\")"},
      {R"({"responders": [{"uid": "4A4C:00000012"}, {"uid": "4A4C:00000013"},
          {"uid": "4a4c:00000012"}]})",
       "rig.json: responder 3: uid \"4A4C:00000012\" is also the uid of responder 1"},
      {R"({"responders": [7]})", "rig.json: responder 1: must be an object"},
      {R"({"responders": [{"uid": "4A4C:00000012", "lable": "x"}]})",
       "rig.json: responder 1: unknown field \"lable\""},
      {R"({"responders": [{"uid": "4A4C:00000012", "start_address": 0}]})",
       "rig.json: responder 1: \"start_address\" must be 1 to 512, not 0"},
      {R"({"responders": [{"uid": "4A4C:00000012", "start_address": "0x201"}]})",
       "rig.json: responder 1: \"start_address\" must be 1 to 512, not \"0x201\""},
      {R"({"responders": [{"uid": "4A4C:00000012", "footprint": -1}]})",
       "rig.json: responder 1: \"footprint\" must be 0 to 512, not -1"},
      {R"({"responders": [{"uid": "4A4C:00000012", "footprint": 1.5}]})",
       "rig.json: responder 1: \"footprint\" must be 0 to 512, not 1.5"},
      {R"({"responders": [{"uid": "4A4C:00000012", "category": "0102"}]})",
       "rig.json: responder 1: \"category\" \"0102\" is not a number (write 12 or \"0x0C\")"},
      {R"({"responders": [{"uid": "4A4C:00000012", "category": null}]})",
       "rig.json: responder 1: \"category\" must be a number or a \"0x...\" string, not null"},
      {R"({"responders": [{"uid": "4A4C:00000012", "personality": 5, "personality_count": 4}]})",
       "rig.json: responder 1: \"personality\" 5 is above \"personality_count\" 4"},
      {R"({"responders": [{"uid": "4A4C:00000012", "personality_count": 0}]})",
       "rig.json: responder 1: \"personality_count\" must be 1 to 255, not 0"},
      {R"({"responders": [{"uid": "4A4C:00000012", "footprint": 3, "personality_footprints": [3]}]})",
       "rig.json: responder 1: give either \"footprint\" or \"personality_footprints\", not both"},
      {R"({"responders": [{"uid": "4A4C:00000012", "personality_footprints": [3, 4],
          "personality_count": 3}]})",
       "rig.json: responder 1: \"personality_count\" 3 but 2 \"personality_footprints\""},
      {R"({"responders": [{"uid": "4A4C:00000012", "pan_invert": 256}]})",
       "rig.json: responder 1: \"pan_invert\" must be 0 to 255, not 256"},
      {R"({"responders": [{"uid": "4A4C:00000012", "tilt_invert": -1}]})",
       "rig.json: responder 1: \"tilt_invert\" must be 0 to 255, not -1"},
      {R"({"responders": [{"uid": "4A4C:00000012", "identify": "0x100"}]})",
       "rig.json: responder 1: \"identify\" must be 0 to 255, not \"0x100\""},
      {R"({"responders": [{"uid": "4A4C:00000012", "start_address": 65536, "footprint": 0}]})",
       "rig.json: responder 1: \"start_address\" must be 1 to 512, not 65536"},
      {R"({"responders": [{"uid": "4A4C:00000012", "start_address": 65535}]})",
       "rig.json: responder 1: \"start_address\" 65535 (no DMX address) needs a footprint of 0, "
       "not 1"},
      {R"({"responders": [{"uid": "4A4C:00000012", "start_address": "0xFFFF",
          "personality_footprints": [0, 12], "personality": 2}]})",
       "rig.json: responder 1: \"start_address\" 65535 (no DMX address) needs a footprint of 0, "
       "not 12"},
      {R"({"responders": [{"uid": "4A4C:00000012", "min_limits": [1, 2, 3]}]})",
       "rig.json: responder 1: \"min_limits\" must be an array of 8 numbers"},
      {R"({"responders": [{"uid": "4A4C:00000012", "max_limits": [1, 2, 3, 4, 5, 6, 7, 256]}]})",
       "rig.json: responder 1: \"max_limits\" must be 0 to 255, not 256"},
      {R"({"responders": [{"uid": "4A4C:00000012", "dimm_switch": 300}]})",
       "rig.json: responder 1: \"dimm_switch\" must be 0 to 255, not 300"},
      {R"({"responders": [{"uid": "4A4C:00000012", "supported_parameters": ["0x0082", 0]}]})",
       "rig.json: responder 1: \"supported_parameters\" must be 1 to 65535, not 0"},
      {R"({"responders": [{"uid": "4A4C:00000012", "supported_parameters": "0x0082"}]})",
       "rig.json: responder 1: \"supported_parameters\" must be an array"},
      {R"({"responders": [{"uid": "4A4C:00000012",
          "label": "a label that is longer than thirty-two bytes"}]})",
       "rig.json: responder 1: \"label\" \"a label that is longer than thirty-two bytes\" is "
       "longer than 32 bytes"},
      {R"({"responders": [{"uid": "4A4C:00000012", "label": "Spot \u4e00"}]})",
       "rig.json: responder 1: \"label\" \"Spot 一\" has characters outside Windows-1252"},
      {R"({"responders": [{"uid": "4A4C:00000012", "manufacturer": 5}]})",
       "rig.json: responder 1: \"manufacturer\" must be a string"},
      {R"({"responders": [{"uid": "4A4C:00000012", "device_hours": 4294967296}]})",
       "rig.json: responder 1: \"device_hours\" must be 0 to 4294967295, not 4294967296"},
      {R"({"responders": [{"uid": "4A4C:00000012", "status_messages": [{"type": 2}]}]})",
       "rig.json: responder 1: status message 1: \"id\" is missing"},
      {R"({"responders": [{"uid": "4A4C:00000012",
          "status_messages": [{"id": 1}, {"id": 2, "date1": 5}]}]})",
       "rig.json: responder 1: status message 2: unknown field \"date1\""},
      {R"({"responders": [{"uid": "4A4C:00000012", "status_messages": [{"id": 65536}]}]})",
       "rig.json: responder 1: status message 1: \"id\" must be 0 to 65535, not 65536"},
      {R"({"responders": [{"uid": "4A4C:00000012", "faults": {"silent": 1}}]})",
       "rig.json: responder 1: faults: \"silent\" must be true or false"},
      {R"({"responders": [{"uid": "4A4C:00000012", "turnaround_us": 175}]})",
       "rig.json: responder 1: \"turnaround_us\" must be 176 to 2000, not 175"},
      {R"({"responders": [{"uid": "4A4C:00000012", "turnaround_us": 2001}]})",
       "rig.json: responder 1: \"turnaround_us\" must be 176 to 2000, not 2001"},
      {R"({"responders": [{"uid": "4A4C:00000012", "turnaround_us": "fast"}]})",
       "rig.json: responder 1: \"turnaround_us\" \"fast\" is not a number (write 12 or \"0x0C\")"},
      {R"({"responders": [{"uid": "4A4C:00000012", "turnaround_us": 200.5}]})",
       "rig.json: responder 1: \"turnaround_us\" must be 176 to 2000, not 200.5"},
      {R"({"responders": [{"uid": "4A4C:00000012", "faults": {"late": 1}}]})",
       "rig.json: responder 1: faults: \"late\" must be true or false"},
      {R"({"responders": [{"uid": "4A4C:00000012", "faults": {"late": "yes"}}]})",
       "rig.json: responder 1: faults: \"late\" must be true or false"},
      {R"({"responders": [{"uid": "4A4C:00000012", "faults": {"unmute_after_requests": -1}}]})",
       "rig.json: responder 1: faults: \"unmute_after_requests\" must be 0 to 1000000000, not -1"},
      {R"({"responders": [{"uid": "4A4C:00000012", "faults": {"noise": 1}}]})",
       "rig.json: responder 1: faults: unknown field \"noise\""},
      {R"({"responders": [{"uid": "4A4C:00000012", "faults": {"noise_before_reply": 256}}]})",
       "rig.json: responder 1: faults: \"noise_before_reply\" must be 0 to 255, not 256"},
      {R"({"responders": [{"uid": "4A4C:00000012", "faults": []}]})",
       "rig.json: responder 1: \"faults\" must be an object"},
  };
  for (const Case& c : cases) {
    const RigLoadResult loaded = Parse(c.text);
    EXPECT_FALSE(loaded.rig) << c.text;
    EXPECT_EQ(loaded.error, c.error) << c.text;
  }
}

std::string Repeated(std::string_view part, std::size_t times) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i) text += part;
  return text;
}

// A file nested deep enough to exhaust the stack while parsing (or destroying)
// is refused before it is parsed; brackets inside strings are only text.
TEST(RigFileTest, NestingIsBoundedAt64LevelsOutsideStrings) {
  // A responder's "category" nested n levels inside the file's 3 (object, array, responder).
  const auto deepCategory = [](std::size_t n) {
    return R"({"responders":[{"uid":"4B52:00000101","category":)" + Repeated(R"({"a":)", n) + "1" +
           Repeated("}", n) + "}]}";
  };
  // The top-level "comment" takes any value, so a valid rig can nest to the bound.
  const auto deepComment = [](std::size_t n) {
    return R"({"responders":[],"comment":)" + Repeated("[", n) + Repeated("]", n) + "}";
  };
  const std::string bracketsInStrings =
      R"({"responders":[],"comment":[")" + Repeated(R"([{\"[{)", 100'000) + R"("]})";
  struct Case {
    const char* name;
    std::string text;
    bool loads;
    std::string error;  // empty: not a nesting error
  };
  const Case cases[] = {
      {"objects 100000 deep", deepCategory(100'000), false,
       "rig.json: nested more than 64 levels deep at line 1, column 355"},
      {"arrays 100000 deep", deepComment(100'000), false,
       "rig.json: nested more than 64 levels deep at line 1, column 91"},
      {"64 levels", deepComment(63), true, ""},
      {"65 levels", deepComment(64), false,
       "rig.json: nested more than 64 levels deep at line 1, column 91"},
      {"deep brackets inside a string, escaped quotes too", bracketsInStrings, true, ""},
      {"the line of the bracket is told",
       "{\n\"responders\": [],\n\"comment\": " + Repeated("[", 64) + Repeated("]", 64) + "}", false,
       "rig.json: nested more than 64 levels deep at line 3, column 75"},
      {"an unbalanced close does not lower the bound below zero", "]]]]" + deepComment(64), false,
       "rig.json: nested more than 64 levels deep at line 1, column 95"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RigLoadResult loaded = Parse(c.text);
    EXPECT_EQ(loaded.rig.has_value(), c.loads) << loaded.error;
    if (!c.error.empty()) {
      EXPECT_EQ(loaded.error, c.error);
    }
  }
  // Within the bound an ill-typed deep value is an ordinary field error.
  EXPECT_EQ(Parse(deepCategory(40)).error,
            "rig.json: responder 1: \"category\" must be a number or a \"0x...\" string, not " +
                Repeated(R"({"a":)", 40) + "1" + Repeated("}", 40));
}

TEST(RigFileTest, BrokenJsonSaysWhere) {
  const RigLoadResult loaded = Parse("{\n \"responders\": [\n  {\"uid\": }\n ]\n}");
  EXPECT_FALSE(loaded.rig);
  EXPECT_THAT(loaded.error, HasSubstr("rig.json: not valid JSON: parse error at line 3"));
  EXPECT_FALSE(Parse("{\"responders\": [], \"comment\": \"\xFF\"}").rig);
}

TEST(RigFileTest, EveryPrefixOfAFileIsEitherARigOrAnError) {
  for (std::size_t n = 0; n <= kExample.size(); ++n) {
    const RigLoadResult loaded = Parse(kExample.substr(0, n));
    EXPECT_NE(loaded.rig.has_value(), !loaded.error.empty()) << n;
  }
  std::string text(kExample);
  for (std::size_t i = 0; i < text.size(); i += 7) {
    std::string damaged = text;
    damaged[i] = static_cast<char>(damaged[i] ^ 0x21);
    const RigLoadResult loaded = Parse(damaged);
    EXPECT_NE(loaded.rig.has_value(), !loaded.error.empty()) << i;
  }
}

}  // namespace
}  // namespace korval::sim
