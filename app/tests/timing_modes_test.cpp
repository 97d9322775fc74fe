// The window's sessions in both reply timings: classic, which waits out every
// read timeout, and e120, which ends each read as soon as its outcome is
// certain. Each session runs twice on the same rig, the answers reaching the
// tool in the pieces an FTDI chip hands on, and must leave the same message
// log, the same requests on the line, the same files and the same device list;
// e120 must only take less line time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/tests/form_test.h"
#include "rdm/ftdi_line.h"
#include "rdm/rdm_constants.h"
#include "sim/random_rig.h"

namespace korval::testing {
namespace {

using namespace rdm;

struct Outcome {
  std::vector<std::string> log;
  std::vector<std::string> requests;
  std::vector<std::string> files;  // name, then the bytes
  std::vector<std::string> list;
  Clock::Duration lineTime{0};
};

// One window on its own line and in its own directory.
class Session final : public FormTest {
 public:
  explicit Session(RdmTiming mode) {
    timing = mode;
    line.SetLatencyTimer(FtdiLine::kLatencyTimer);
  }
  void TestBody() override {}
  using FormTest::Click;
  using FormTest::form;
  using FormTest::line;
  using FormTest::SelectListItem;
  using FormTest::ShowPage;
  using FormTest::Type;
  using Script = std::function<void(Session&)>;

  Outcome Run(const std::vector<sim::ResponderConfig>& rig, const Session::Script& script) {
    Start(rig);
    const Clock::Duration start = line.GetClock().Now();
    script(*this);
    Outcome out;
    out.lineTime = line.GetClock().Now() - start;
    for (std::string entry : Log()) {
      for (std::size_t at; (at = entry.find(directory)) != std::string::npos;) {
        entry.replace(at, directory.size(), "<dir>");
      }
      out.log.push_back(entry);
    }
    for (const auto& r : line.Requests()) {
      std::string text =
          UidText12(r.request.destination) + " " + std::to_string(r.request.transaction) + " " +
          std::to_string(r.request.commandClass) + " " + std::to_string(r.request.pid) + " ";
      for (std::uint8_t b : r.request.Data()) text += std::to_string(b) + ",";
      out.requests.push_back(text + (r.checksumOk ? " ok" : " bad"));
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      out.files.push_back(name);
      out.files.push_back(ReadFile(name));
    }
    for (int i = 0; i < form->ListBox1->count(); ++i) {
      out.list.push_back(form->ListBox1->item(i)->text().toStdString());
    }
    return out;
  }
};

// Runs the script in both timings; returns the classic outcome after checking
// that e120 gave the same and took less line time.
Outcome InBothTimings(const std::vector<sim::ResponderConfig>& rig, const Session::Script& script) {
  Outcome classic, e120;
  {
    Session session(RdmTiming::kClassic);
    classic = session.Run(rig, script);
  }
  {
    Session session(RdmTiming::kE120);
    e120 = session.Run(rig, script);
  }
  EXPECT_EQ(classic.log, e120.log);
  EXPECT_EQ(classic.requests, e120.requests);
  EXPECT_EQ(classic.files, e120.files);
  EXPECT_EQ(classic.list, e120.list);
  EXPECT_LT(e120.lineTime, classic.lineTime);
  return classic;
}

std::vector<sim::ResponderConfig> Fixtures(const std::vector<Uid>& uids) {
  std::vector<sim::ResponderConfig> rig;
  for (Uid uid : uids) rig.push_back(Fixture(uid));
  return rig;
}

void Discover(Session& t) {
  t.Type(t.form->Edit1, "Stage");
  t.Click(t.form->BitBtnDiscover);
}

bool Logged(const Outcome& out, const std::string& text) {
  return std::find(out.log.begin(), out.log.end(), text) != out.log.end();
}

TEST(TimingModes, AnEmptyLine) {
  const Outcome out = InBothTimings({}, Discover);
  EXPECT_TRUE(out.list.empty());
  EXPECT_TRUE(Logged(out, "Discovery finished."));
  EXPECT_TRUE(out.files.empty());  // the names file is left alone
}

TEST(TimingModes, DiscoveryOfOneEightAndThirtyThreeRandomResponders) {
  for (int count : {1, 8, 33}) {
    SCOPED_TRACE(count);
    const Outcome out = InBothTimings(Fixtures(sim::RandomUids(1200 + count, count)), Discover);
    EXPECT_EQ(out.list.size(), static_cast<std::size_t>(count));
    ASSERT_EQ(out.files.size(), 2u);
    EXPECT_EQ(out.files[0], "devnames.lst");
  }
}

TEST(TimingModes, AKnownDeviceThatIsAbsent) {
  const std::vector<Uid> uids = {0x4B52'0000'0001ULL, 0x4B52'0000'0002ULL, 0x4B52'0000'0003ULL};
  Uid absent = 0;
  const Outcome out = InBothTimings(Fixtures(uids), [&absent](Session& t) {
    Discover(t);
    absent = t.form->deviceTable.slots[1];  // the first in the table
    t.line.RemoveResponder(absent);
    Discover(t);
  });
  // Muted when found, then tried in every pass of the re-mute; the others stay.
  char mute[32];
  std::snprintf(mute, sizeof mute, "Mute 0x%06llX", static_cast<unsigned long long>(absent));
  EXPECT_EQ(std::count(out.log.begin(), out.log.end(), mute), 4);
  EXPECT_EQ(out.list.size(), 2u);
}

TEST(TimingModes, PageReadAndWriteOfADeviceWithEveryParameter) {
  sim::ResponderConfig spot = Fixture(0x4B52'0000'0011ULL);
  spot.label = "Spot";
  spot.personality_count = 3;
  spot.footprint = 12;
  spot.status_messages = {{.type = 0x04, .id = 0x0001, .data1 = 0x0020, .data2 = 0}};
  const Outcome out = InBothTimings({spot}, [](Session& t) {
    Discover(t);
    t.SelectListItem(0);
    t.Click(t.form->BitBtnRead);
    t.Type(t.form->Edit1, "Front Spot");
    t.form->SetText(t.form->EditAddr, "40");
    t.Click(t.form->CheckBox1);
    t.form->UpDown1->SetPosition(2);
    t.Type(t.form->MinLimitBoxes[3], "9");
    t.Click(t.form->DimmSwitchBoxes[2]);
    t.Click(t.form->BitBtnWrite);
  });
  EXPECT_EQ(out.list.size(), 1u);
  EXPECT_GT(std::count_if(out.requests.begin(), out.requests.end(),
                          [](const std::string& r) { return r.find(" 48 ") != std::string::npos; }),
            3);  // the page write's SETs went out
}

TEST(TimingModes, BatchAddressingOfFiveFixtures) {
  const Outcome out = InBothTimings(Fixtures(sim::RandomUids(55, 5)), [](Session& t) {
    Discover(t);
    t.form->SetText(t.form->EditAddr, "10");
    t.form->SetText(t.form->EditChannel, "12");
    t.form->SetText(t.form->EditStart, "0");
    t.form->SetText(t.form->EditEnd, "4");
    t.Click(t.form->BitBtn1);
  });
  EXPECT_EQ(out.list.size(), 5u);
}

TEST(TimingModes, IapReadAndWriteWithAPatchFile) {
  const std::vector<Uid> uids = {0x4B52'0000'0001ULL, 0x4B52'0000'0002ULL, 0x4A4C'0000'0003ULL};
  const Outcome out = InBothTimings(Fixtures(uids), [](Session& t) {
    Discover(t);
    t.ShowPage(t.form->TabSheet2);
    t.Click(t.form->Button6);
    t.SelectListItem(1);
    t.form->PaintBox1->onMouseMove(Qt::LeftButton, Qt::NoModifier, 8 * 13 + 2, 6 * 13 + 2);
    t.form->PaintBox1->onMouseUp(Qt::LeftButton, Qt::NoModifier, 0, 0);
    t.Click(t.form->Button7);
    t.form->SavePatch.choose = [] { return std::optional<QString>("rig.pat"); };
    t.Click(t.form->Button8);
  });
  ASSERT_EQ(out.files.size(), 4u);
  EXPECT_EQ(out.files[2], "rig.pat");
}

}  // namespace
}  // namespace korval::testing
