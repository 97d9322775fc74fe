// Opening the interface at start-up, with its retries, and closing the window.
#include <gmock/gmock.h>

#include "app/tests/form_test.h"
#include "rdm/ftdi_line.h"
#include "rdm/tests/scripted_line.h"

namespace korval::testing {
namespace {

using ::testing::ElementsAre;
using StartUpTest = FormTest;

std::string Failure(int n) {
  return "no KORVAL interface found Times " + std::to_string(n);
}
const std::string kSuccess = std::string("KORVAL interface initialized ") + kMakerWebAddress;

TEST_F(StartUpTest, AnAbsentInterfaceIsTriedExactlyFiftyTimesThenLeftAlone) {
  line.Unplug();
  Start({}, false);
  EXPECT_TRUE(form->StartUpTimer->isActive());
  EXPECT_EQ(form->StartUpTimer->interval(), 200);
  const std::size_t mark = LogMark();
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(form->StartUpTimer->isActive()) << "attempt " << i;
    form->RunHandler([this] { form->StartUpTimerTimer(); });
    EXPECT_EQ(form->StartUpTimer->interval(), 2000);
  }
  const auto lines = LogSince(mark);
  ASSERT_EQ(lines.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(lines[static_cast<std::size_t>(i)], Failure(i));
  EXPECT_FALSE(form->StartUpTimer->isActive());
  EXPECT_EQ(form->StartUpAttempts, 0);
}

TEST_F(StartUpTest, APresentInterfaceOpensAtTheFirstTick) {
  Start({}, false);
  const std::size_t mark = LogMark();
  form->RunHandler([this] { form->StartUpTimerTimer(); });
  EXPECT_THAT(LogSince(mark), ElementsAre(kSuccess));
  EXPECT_THAT(RequestsSince(0), ElementsAre()) << "opening configures the line, sends nothing";
  EXPECT_FALSE(form->StartUpTimer->isActive());
  EXPECT_EQ(form->StartUpAttempts, 0);
  EXPECT_NE(transport->Handle(), 0u);
  EXPECT_EQ(form->StartUpTimer->interval(), 200);
}

TEST_F(StartUpTest, AnInterfacePluggedInBeforeTheEighthAttemptEndsTheRetries) {
  line.Unplug();
  Start({}, false);
  const std::size_t mark = LogMark();
  for (int i = 0; i < 7; ++i) form->RunHandler([this] { form->StartUpTimerTimer(); });
  line.Plug();
  form->RunHandler([this] { form->StartUpTimerTimer(); });
  EXPECT_THAT(LogSince(mark), ElementsAre(Failure(0), Failure(1), Failure(2), Failure(3),
                                          Failure(4), Failure(5), Failure(6), kSuccess));
  EXPECT_THAT(RequestsSince(0), ElementsAre());
  EXPECT_FALSE(form->StartUpTimer->isActive());
  EXPECT_EQ(form->StartUpAttempts, 0);
}

TEST_F(StartUpTest, TheArtNetPageCurrentAtTheEndOfStartUpEnablesTimer1) {
  Start({}, false);
  form->SetActivePage(form->TabSheet3);
  EXPECT_FALSE(form->Timer1->isActive());  // a page change made by code leaves Timer1 alone
  form->RunHandler([this] { form->StartUpTimerTimer(); });
  EXPECT_TRUE(form->Timer1->isActive());
}

TEST_F(StartUpTest, AnotherPageAtTheEndOfStartUpLeavesTimer1AsItWas) {
  Start({}, false);
  form->RunHandler([this] { form->StartUpTimerTimer(); });
  EXPECT_FALSE(form->Timer1->isActive());
}

TEST_F(StartUpTest, TheOperatorsPageChoiceSwitchesTimer1) {
  Start();
  ShowPage(form->TabSheet3);
  EXPECT_TRUE(form->Timer1->isActive());
  EXPECT_TRUE(form->artNetPageShown.load());
  ShowPage(form->TabSheet2);
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_FALSE(form->artNetPageShown.load());
  ShowPage(form->TabSheet3);
  form->SetActivePage(form->TabSheet1);  // discovery and identify do this
  EXPECT_TRUE(form->Timer1->isActive());
  EXPECT_FALSE(form->artNetPageShown.load());
}

TEST_F(StartUpTest, TheWindowClosesDuringTheRetries) {
  line.Unplug();
  Start({}, false);
  for (int i = 0; i < 3; ++i) form->RunHandler([this] { form->StartUpTimerTimer(); });
  form->show();
  EXPECT_TRUE(form->close());
  EXPECT_EQ(transport->Handle(), 0u);
  EXPECT_FALSE(form->StartUpTimer->isActive());
}

// The configure sequence and the close, call by call, on a line that records them.
TEST(StartUpCalls, ConfigureInOrderAndCloseAStaleHandleBeforeOpeningAgain) {
  EnsureApplication();
  ScriptedLine scripted;
  RdmTransport transport(scripted, {});
  TForm1 form(transport);
  form.showErrorBox = [](const QString&) {};
  form.StartUpTimerTimer();
  EXPECT_THAT(scripted.calls, ElementsAre("open", "reset", "baud 250000", "data 8 2 0",
                                          "flow 0 0 0", "purge 1", "purge 2", "timeouts 50 50"));
  scripted.calls.clear();
  // An output failure arms the start-up again; the next attempt lets go of the old handle.
  form.StartUpTimerTimer();
  ASSERT_GE(scripted.calls.size(), 2u);
  EXPECT_EQ(scripted.calls[0], "close");
  EXPECT_EQ(scripted.calls[1], "open");
  scripted.calls.clear();
  bool canClose = false;
  form.FormCloseQuery(canClose);
  EXPECT_TRUE(canClose);
  EXPECT_THAT(scripted.calls, ElementsAre("close"));
}

// A line that notes, at every configure call, the handle the transport holds then.
class HandleWatchingLine final : public ScriptedLine {
 public:
  const RdmTransport* transport = nullptr;
  std::vector<LineHandle> seen;

  LineStatus ResetDevice(LineHandle h) override { return Watch(ScriptedLine::ResetDevice(h)); }
  LineStatus SetBaudRate(LineHandle h, std::uint32_t b) override {
    return Watch(ScriptedLine::SetBaudRate(h, b));
  }
  LineStatus SetDataCharacteristics(LineHandle h, std::uint8_t w, std::uint8_t s,
                                    std::uint8_t p) override {
    return Watch(ScriptedLine::SetDataCharacteristics(h, w, s, p));
  }
  LineStatus SetFlowControl(LineHandle h, std::uint16_t f, std::uint8_t a,
                            std::uint8_t b) override {
    return Watch(ScriptedLine::SetFlowControl(h, f, a, b));
  }
  LineStatus Purge(LineHandle h, std::uint32_t m) override {
    return Watch(ScriptedLine::Purge(h, m));
  }
  LineStatus SetTimeouts(LineHandle h, std::uint32_t r, std::uint32_t w) override {
    return Watch(ScriptedLine::SetTimeouts(h, r, w));
  }

 private:
  LineStatus Watch(LineStatus status) {
    seen.push_back(transport->Handle());
    return status;
  }
};

// The output ticker writes on the transport's handle from its own thread, so a
// handle it can see must belong to a configured line, on the first open and on a
// reopen after an output failure alike.
TEST(StartUpCalls, TheHandleIsPublishedOnlyAfterTheLineIsConfigured) {
  EnsureApplication();
  HandleWatchingLine watching;
  RdmTransport transport(watching, {});
  watching.transport = &transport;
  TForm1 form(transport);
  form.showErrorBox = [](const QString&) {};
  for (int run = 0; run < 2; ++run) {
    watching.seen.clear();
    form.StartUpTimerTimer();
    EXPECT_THAT(watching.seen, ElementsAre(0u, 0u, 0u, 0u, 0u, 0u, 0u)) << "run " << run;
    EXPECT_EQ(transport.Handle(), 7u) << "run " << run;
  }
}

// libftdi as seen on a machine where the interface is plugged in but refused,
// or not plugged in at all; every open fails.
class RefusingFtdi final : public FtdiApi {
 public:
  explicit RefusingFtdi(const std::optional<FtdiDeviceFound>& onBus) : onBus_(onBus) {}
  int OpenFirstDevice() override { return onBus_ ? -4 : -1; }
  void Close() override {}
  int Reset() override { return 0; }
  int SetLatencyTimer(std::uint8_t) override { return 0; }
  int SetBaudRate(int) override { return 0; }
  int SetLineProperty(const FtdiLineProperty&, bool) override { return 0; }
  int SetFlowControl(int) override { return 0; }
  int PurgeReceive() override { return 0; }
  int PurgeTransmit() override { return 0; }
  void SetUsbTimeouts(int, int) override {}
  int ReadData(std::span<std::uint8_t>) override { return 0; }
  int WriteData(std::span<const std::uint8_t> b) override { return static_cast<int>(b.size()); }
  std::string ErrorString() const override {
    return onBus_ ? "usb_open() failed" : "no FTDI device found";
  }
  std::optional<FtdiDeviceFound> DeviceFound() const override { return onBus_; }

 private:
  const std::optional<FtdiDeviceFound>& onBus_;
};

const std::string kRefused =
    "FTDI device 0403:6001 serial AB0CDEF found but not opened: usb_open() failed - see "
    "README, section \"Using the interface without root\"";

struct RefusedStartUp {
  std::optional<FtdiDeviceFound> onBus;
  SimulatedClock clock;
  FtdiLine line{std::make_unique<RefusingFtdi>(onBus), clock};
  RdmTransport transport{line, {}};
  std::unique_ptr<TForm1> form;

  RefusedStartUp() {
    EnsureApplication();
    form = std::make_unique<TForm1>(transport);
    form->showErrorBox = [](const QString&) {};
  }
  std::vector<std::string> Ticks(int count) {
    const std::size_t mark = form->Messages().Lines().size();
    for (int i = 0; i < count; ++i) form->StartUpTimerTimer();
    const auto& all = form->Messages().Lines();
    return {all.begin() + static_cast<std::ptrdiff_t>(mark), all.end()};
  }
};

std::vector<std::string> Failures(int from, int to) {
  std::vector<std::string> lines;
  for (int i = from; i < to; ++i) lines.push_back(Failure(i));
  return lines;
}

std::vector<std::string> Joined(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> lines;
  for (auto& part : parts) lines.insert(lines.end(), part.begin(), part.end());
  return lines;
}

TEST(StartUpCause, ARefusedDeviceIsNamedOncePerStartUpAfterItsFirstFailure) {
  RefusedStartUp rig;
  rig.onBus = FtdiDeviceFound{0x0403, 0x6001, "AB0CDEF"};
  EXPECT_EQ(rig.Ticks(50), Joined({{Failure(0), kRefused}, Failures(1, 50)}));
  EXPECT_FALSE(rig.form->StartUpTimer->isActive());
  // A failed output write arms the start-up again: a new sequence, a new explanation.
  rig.form->StartUpTimer->start();
  EXPECT_EQ(rig.Ticks(50), Joined({{Failure(0), kRefused}, Failures(1, 50)}));
}

TEST(StartUpCause, ADeviceRefusedOnlyLaterIsNamedAfterThatFailure) {
  RefusedStartUp rig;
  auto lines = rig.Ticks(3);
  rig.onBus = FtdiDeviceFound{0x0403, 0x6001, "AB0CDEF"};
  const auto later = rig.Ticks(47);
  lines.insert(lines.end(), later.begin(), later.end());
  EXPECT_EQ(lines, Joined({Failures(0, 4), {kRefused}, Failures(4, 50)}));
}

TEST(StartUpCause, AnEmptyBusLogsOnlyTheFiftyNumberedLines) {
  RefusedStartUp rig;
  EXPECT_EQ(rig.Ticks(50), Failures(0, 50));
}

}  // namespace
}  // namespace korval::testing
