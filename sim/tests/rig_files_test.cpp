// Rig files on disk, the rig files shipped with the tool, and the demo rig.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "rdm/transport.h"
#include "sim/rig.h"
#include "sim/tests/line_fixture.h"
#include "sim/tests/rig_example.h"

namespace korval::sim {
namespace {

using namespace rdm;
using ::testing::HasSubstr;
using testing::kExample;

struct RigFileOnDisk : ::testing::Test {
  std::filesystem::path dir;
  RigFileOnDisk() {
    dir = std::filesystem::temp_directory_path() /
          ("korval_sim_rig_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  ~RigFileOnDisk() override { std::filesystem::remove_all(dir); }
  std::string Write(const std::string& name, std::string_view text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
  }
};

TEST_F(RigFileOnDisk, LoadsAFileAndPlacesTheRecordBesideIt) {
  const std::string path = Write("rig.json", kExample);
  const RigLoadResult loaded = LoadRigFile(path);
  ASSERT_TRUE(loaded.rig) << loaded.error;
  EXPECT_EQ(loaded.rig->dmx_record, (dir / "frames.txt").string());
  EXPECT_TRUE(std::filesystem::exists(dir / "frames.txt"));
}

TEST_F(RigFileOnDisk, MissingFileBadContentAndUnwritableRecordAreErrors) {
  const std::string missing = (dir / "none.json").string();
  EXPECT_EQ(LoadRigFile(missing).error, missing + ": cannot be opened: No such file or directory");
  const std::string bad = Write("bad.json", R"({"responders": [{"uid": "xyz"}]})");
  EXPECT_EQ(LoadRigFile(bad).error,
            bad + ": responder 1: malformed uid \"xyz\" (write it as \"4B52:00000101\")");
  const std::string unwritable =
      Write("rec.json", R"({"responders": [], "dmx_record": "no/such/folder/frames.txt"})");
  const RigLoadResult loaded = LoadRigFile(unwritable);
  EXPECT_FALSE(loaded.rig);
  EXPECT_THAT(loaded.error, HasSubstr(unwritable + ": dmx_record \""));
  EXPECT_THAT(loaded.error, HasSubstr("cannot be opened for writing"));
}

TEST_F(RigFileOnDisk, RecordGetsOneLineForEachChangedFrame) {
  const std::string path =
      Write("rig.json", R"({"timing": "instant", "dmx_record": "frames.txt", "responders": []})");
  RigLoadResult loaded = LoadRigFile(path);
  ASSERT_TRUE(loaded.rig) << loaded.error;
  auto line = MakeVirtualLine(std::move(*loaded.rig));
  LineHandle h = 0;
  ASSERT_EQ(line->Open(0, &h), kLineOk);
  auto send = [&](std::uint8_t slot1) {
    std::vector<std::uint8_t> frame(513, 0);
    frame[1] = slot1;
    frame[512] = 0xAB;
    std::uint32_t n = 0;
    line->SetBreakOn(h);
    line->SetBreakOff(h);
    line->Write(h, std::span(frame).first(1), &n);
    line->Write(h, std::span(frame).subspan(1), &n);
    line->GetClock().SleepMs(40);
  };
  send(0x10);
  send(0x10);
  send(0xFF);
  send(0xFF);
  send(0xFF);
  EXPECT_EQ(line->DmxFrameCount(), 5u);
  line.reset();

  std::ifstream in(dir / "frames.txt");
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 2u);
  const std::string slots = std::string(1020, '0') + "AB";
  EXPECT_EQ(lines[0], "0 0010" + slots);
  // Two frames of 22.76 ms on the wire and two 40 ms pauses, then the third
  // frame's break and start code: its slots are written at 125.75 ms.
  EXPECT_EQ(lines[1], "125 00FF" + slots);
  EXPECT_EQ(lines[1].size(), 4u + 1026u);
}

TEST(RigFileTest, TheShippedExamplesLoad) {
  for (const char* name : {"example.json", "faults.json", "blocking_faults.json"}) {
    const RigLoadResult loaded = LoadRigFile(std::string(KORVAL_SIM_RIGS) + "/" + name);
    ASSERT_TRUE(loaded.rig) << loaded.error;
    EXPECT_GE(loaded.rig->responders.size(), 3u) << name;
  }
}

TEST(DemoRigTest, TenFixturesOfDifferentKindsForEveryPartOfTheWindow) {
  const Rig rig = MakeDemoRig();
  EXPECT_EQ(rig.timing, Timing::kReal);
  EXPECT_GE(rig.responders.size(), 8u);
  std::set<Uid> uids;
  std::set<std::uint16_t> categories;
  std::set<std::uint8_t> statusTypes;
  std::set<std::uint16_t> footprints;
  int withoutLabel = 0, withoutRows = 0, withEverything = 0, withPersonalities = 0;
  for (const ResponderConfig& c : rig.responders) {
    uids.insert(c.uid);
    categories.insert(c.category);
    for (const auto& m : c.status_messages) statusTypes.insert(m.type);
    Responder r(c);
    footprints.insert(r.Footprint());
    withoutLabel += !r.Supports(kPidDeviceLabel);
    withoutRows += !r.Supports(kPidMinLimits);
    withPersonalities += c.personality_count > 1;
    bool all = true;
    for (std::uint16_t pid : AllOptionalParameters()) all = all && r.Supports(pid);
    withEverything += all;
    EXPECT_GE(c.start_address, 1);
    EXPECT_LE(c.personality, c.personality_count);
  }
  EXPECT_EQ(uids.size(), rig.responders.size());
  for (std::uint16_t category : {0x0101, 0x0102, 0x0103, 0x0300, 0x0401, 0x0501, 0x0509, 0x0504}) {
    EXPECT_TRUE(categories.count(category)) << category;
  }
  EXPECT_THAT(statusTypes, ::testing::IsSupersetOf({0x02, 0x03, 0x04}));
  EXPECT_TRUE(std::any_of(statusTypes.begin(), statusTypes.end(),
                          [](std::uint8_t t) { return t < 0x02 || t > 0x04; }));
  EXPECT_GE(withoutLabel, 1);
  EXPECT_GE(withoutRows, 1);
  EXPECT_GE(withEverything, 1);
  EXPECT_GE(withPersonalities, 2);
  EXPECT_GE(footprints.size(), 4u);
}

TEST(DemoRigTest, EveryDemoFixtureAnswersOnTheInstantLine) {
  VirtualLine line(MakeDemoRig(), Timing::kInstant);
  RdmTransport transport(line, nullptr);
  LineHandle h = 0;
  ASSERT_EQ(line.Open(0, &h), kLineOk);
  transport.SetHandle(h);
  for (Uid uid : line.ResponderUids()) {
    EXPECT_EQ(transport.Request(uid, kGetCommand, kPidDeviceInfo), kAck) << UidText(uid);
    EXPECT_EQ(transport.Request(uid, kGetCommand, kPidSupportedParameters), kAck);
    EXPECT_EQ(transport.Request(uid, kDiscoveryCommand, kPidDiscMute), kAck);
  }
}

}  // namespace
}  // namespace korval::sim
