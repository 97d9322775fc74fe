// Opening the interface at start-up, with its retries, and closing the window.
#include <gmock/gmock.h>

#include "app/tests/form_test.h"
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

}  // namespace
}  // namespace korval::testing
