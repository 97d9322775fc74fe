// The window on the FTDI line, through the real libftdi1 and libusb, against
// the FT232R model: this program runs under ft232r-model (see CMakeLists.txt),
// with the golden session's rig (rigs/session.json) behind the chip.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "app/tests/artnet_fixture.h"
#include "app/tests/session_script.h"
#include "rdm/ftdi_line.h"
#include "rdm/rdm_constants.h"
#include "rdm/reply_timing.h"
#include "tests/ft232r/model_client.h"
#include "tests/ft232r/wire_checks.h"

namespace korval::testing {
namespace {

using ft232r::ModelControl;
using ::testing::ElementsAre;

constexpr Uid kSpot = 0x4B52'0000'0011ULL;

#define SKIP_WITHOUT_MODEL()                                       \
  if (!ModelControl::Available()) {                                \
    GTEST_SKIP() << "runs only under ft232r-model (ctest -L usb)"; \
  }

// The golden session, in E1.20 timing (the virtual line's test shows that
// the classic timing sends and logs the same): the same log, files, boxes and
// map as on the virtual line, and the same request frames as the fixtures
// read them behind the chip.
class ModelSessionTest : public SessionScript {
 protected:
  ModelSessionTest() { windowLine = &ftdi; }
  FtdiLine ftdi;
  ModelControl model;
};

TEST_F(ModelSessionTest, TheGoldenSessionGoesThroughTheChipUnchanged) {
  SKIP_WITHOUT_MODEL();
  ASSERT_FALSE(UpdatingGolden()) << "the golden files are written by app_session_test only";
  timing = RdmTiming::kE120;
  RunSession();
  const auto events = model.Events();
  std::vector<std::string> requests;
  for (const sim::RdmFrame& frame : ft232r::RequestFrames(events)) {
    requests.push_back(FormatRequest(frame.request, frame.checksumOk, true));
  }
  for (const std::string& lost : ft232r::UnreadableFrames(events)) requests.push_back(lost);
  ExpectGolden("session_log.txt", NormalisedLog());
  ExpectGolden("session_requests.txt", requests);
  ExpectGolden("session_files.txt", Files());
  ExpectGolden("session_widgets.txt", Widgets());
  ExpectGolden("session_map.txt", Map());
  EXPECT_TRUE(ft232r::OpensAsAnRdmLine(events));
  EXPECT_TRUE(ft232r::ExchangesInOrder(events));
  EXPECT_TRUE(ft232r::NothingCutOff(events));
  EXPECT_TRUE(ft232r::BreaksLongEnough(events));
}

class ModelArtNetTest : public ArtNetFormTest {
 protected:
  ModelArtNetTest() { windowLine = &ftdi; }
  void Open() {
    form->RunHandler([this] { form->StartUpTimerTimer(); });
  }
  // A request as a controller on the network sends it, waiting for the gap
  // after the next DMX512 frame.
  void FromTheNetwork(Uid destination, std::uint8_t commandClass, std::uint16_t pid,
                      std::vector<std::uint8_t> data, bool answered) {
    const std::vector<std::uint8_t> frame =
        EncodeRequestFrame({.destination = destination,
                            .commandClass = commandClass,
                            .pid = pid,
                            .data = std::move(data)},
                           0x7A70'0000'0001ULL, ++transactionNumber, 1);
    transport->Arbiter().Submit(
        {.run = [this, frame,
                 answered] { transport->Forward(frame, answered, [](const std::string&) {}); },
         .budget = ExchangeBudget(frame.size())});
  }
  std::size_t Count(const std::vector<ft232r::ModelEvent>& events, const std::string& sc) {
    return static_cast<std::size_t>(std::count_if(events.begin(), events.end(), [&](const auto& e) {
      return e.Is("frame", "sc", sc) && e.Field("readable") == "yes";
    }));
  }

  FtdiLine ftdi;
  ModelControl model;
  std::uint8_t transactionNumber = 0;
};

// Requests from the network run in the gap right after a DMX512 frame, on the
// output thread: the frame's last slots are still in the chip then, and so is
// a broadcast when the next request follows it at once.
TEST_F(ModelArtNetTest, FramesThatExpectNoReplyAreNeverCutOff) {
  SKIP_WITHOUT_MODEL();
  Start({}, false);
  Open();
  ShowPage(form->TabSheet3);
  for (std::uint8_t value : {10, 20, 30}) {
    SetInput(511, value);
    FromTheNetwork(kBroadcastUid, rdm::kSetCommand, rdm::kPidIdentifyDevice, {0}, false);
    FromTheNetwork(ManufacturerBroadcast(kSpot), rdm::kSetCommand, rdm::kPidIdentifyDevice, {0},
                   false);
    FromTheNetwork(kSpot, rdm::kGetCommand, rdm::kPidDeviceInfo, {}, true);
    Ticks(1);
  }
  const auto events = model.Events();
  EXPECT_EQ(Count(events, "00"), 3u) << "whole DMX512 frames";
  EXPECT_EQ(Count(events, "CC"), 9u) << "whole RDM requests";
  EXPECT_TRUE(ft232r::NothingCutOff(events));
  EXPECT_TRUE(ft232r::ExchangesInOrder(events));
  EXPECT_TRUE(ft232r::BreaksLongEnough(events));
}

// The chip absent, then present but refused, then allowed, then pulled out
// while the DMX output runs and plugged in again: each start-up attempt and
// the output's failure as the window logs them. Runs as an ordinary user, so
// that a refused device node refuses.
TEST_F(ModelArtNetTest, AbsentRefusedUnpluggedAndBackAsTheLogSaysIt) {
  SKIP_WITHOUT_MODEL();
  const std::string initialized = std::string("KORVAL interface initialized ") + kMakerWebAddress;
  Start({}, false);
  std::size_t mark = LogMark();
  Open();
  ASSERT_TRUE(model.Deny() && model.Plug());
  Open();
  Open();
  ASSERT_TRUE(model.Allow());
  Open();
  EXPECT_THAT(LogSince(mark),
              ElementsAre("no KORVAL interface found Times 0", "no KORVAL interface found Times 1",
                          "FTDI device 0403:6001 (serial unreadable) found but not opened: "
                          "libusb_open() failed - see README, section \"Using the interface "
                          "without root\"",
                          "no KORVAL interface found Times 2", initialized));

  ShowPage(form->TabSheet3);
  Ticks(2);
  mark = LogMark();
  ASSERT_TRUE(model.Unplug());
  Ticks(1);
  EXPECT_TRUE(form->StartUpTimer->isActive()) << "the failed output re-arms the start-up";
  Open();
  ASSERT_TRUE(model.Plug());
  Open();
  Ticks(1);
  EXPECT_THAT(LogSince(mark), ElementsAre("no KORVAL widget found",
                                          "no KORVAL interface found Times 0", initialized));
  const auto events = model.Events();
  EXPECT_THAT(ft232r::UsbEvents(events),
              ElementsAre("plug", "allow", "claim", "unplug", "plug", "claim"));
  const auto slotWrites = std::count_if(events.begin(), events.end(), [](const auto& e) {
    return e.Is("out", "bytes", std::to_string(kDmxSlots));
  });
  EXPECT_EQ(slotWrites, 3) << "two frames before the unplug, one after";
}

}  // namespace
}  // namespace korval::testing
