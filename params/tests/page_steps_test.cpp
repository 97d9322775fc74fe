// The catalogue as a whole: where each step hands its values to the front end,
// and what stops a read or a write part way.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/errors.h"
#include "params/tests/page_fixture.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using namespace rdm;
using params::PageField;

constexpr Uid kSpot = 0x4A4C'00000012;
constexpr Uid kWash = 0x4A4C'00000013;

std::string FieldNames(PageField changed) {
  static const std::vector<std::pair<PageField, const char*>> kNames = {
      {PageField::kName, "name"},
      {PageField::kManufacturer, "manufacturer"},
      {PageField::kDeviceInfo, "info"},
      {PageField::kStatusText, "status"},
      {PageField::kStatusColour, "colour"},
      {PageField::kDeviceHours, "device hours"},
      {PageField::kLampHours, "lamp hours"},
      {PageField::kPanTilt, "pan/tilt"},
      {PageField::kMinLimits, "min"},
      {PageField::kMaxLimits, "max"},
      {PageField::kErrorScene, "scene"},
      {PageField::kDimmSwitch, "dimm"},
  };
  std::string names;
  for (const auto& [field, name] : kNames) {
    if (!params::Has(changed, field)) continue;
    names += names.empty() ? "" : "+";
    names += name;
  }
  return "[" + names + "]";
}

// The nine set steps of a write.
std::vector<std::uint16_t> WriteAll() {
  return {kPidDmxPersonality, kPidDeviceLabel, kPidPanInvert,  kPidTiltInvert, kPidPanTiltSwap,
          kPidMinLimits,      kPidMaxLimits,   kPidErrorScene, kPidDimmSwitch};
}

struct PageStepsTest : PageOnVirtualLine {
  // The log outline with each `show` put in where it came.
  std::vector<std::string> LogWithShows(std::size_t mark) const {
    std::vector<std::string> out;
    auto next = shown.begin();
    for (std::size_t i = mark; i <= log.size(); ++i) {
      for (; next != shown.end() && next->logLines == i; ++next) {
        out.push_back(FieldNames(next->changed));
      }
      if (i < log.size()) out.push_back(Outline({log[i]})[0]);
    }
    return out;
  }
  std::vector<std::uint16_t> SentPids() const {
    std::vector<std::uint16_t> pids;
    for (const sim::RdmRequest& r : Sent()) pids.push_back(r.pid);
    return pids;
  }
};

TEST_F(PageStepsTest, EachStepShowsWhatItChangedAtOnce) {
  line.AddResponder(Supporting(
      kSpot, {kPidStatusMessages, kPidDeviceLabel, kPidManufacturerLabel, kPidPanInvert,
              kPidDeviceHours, kPidLampHours, kPidMinLimits, kPidErrorScene, kPidDimmSwitch}));
  page.ReadPage(kSpot, values);
  const std::string s = "4A4C00000012";
  // Resets show before their request; the device info before the status step,
  // right after its own line (a window's address box logs from there).
  EXPECT_EQ(LogWithShows(0), (std::vector<std::string>{"Getting parameters of 0x" + s,
                                                       "Request",
                                                       "Response",
                                                       "Request",
                                                       "Response",
                                                       "Getting device info of 0x" + s,
                                                       "[info]",
                                                       "[status]",
                                                       "Getting status of 0x" + s,
                                                       "Request",
                                                       "Response",
                                                       "[status+colour]",
                                                       "Getting device name of 0x" + s,
                                                       "Request",
                                                       "Response",
                                                       "[name]",
                                                       "[manufacturer]",
                                                       "Getting manufacturer of 0x" + s,
                                                       "Request",
                                                       "Response",
                                                       "[manufacturer]",
                                                       "[pan/tilt]",
                                                       "Get pan inversion of 0x" + s,
                                                       "Request",
                                                       "Response",
                                                       "[pan/tilt]",
                                                       "[device hours]",
                                                       "Getting dev hours of 0x" + s,
                                                       "Request",
                                                       "Response",
                                                       "[device hours]",
                                                       "[lamp hours]",
                                                       "Getting lamp hours of 0x" + s,
                                                       "Request",
                                                       "Response",
                                                       "[lamp hours]",
                                                       "[min]",
                                                       "Get min limits of 0x" + s,
                                                       "Request",
                                                       "Response",
                                                       "[min]",
                                                       "[max]",
                                                       "[scene]",
                                                       "Get error scene of 0x" + s,
                                                       "Request",
                                                       "Response",
                                                       "[scene]",
                                                       "[dimm]",
                                                       "Get Dimm/Switch of 0x" + s,
                                                       "Request",
                                                       "Response",
                                                       "[dimm]"}));
  // A row shows grey before its request, then white for the values received.
  const auto firstMin = std::find_if(
      shown.begin(), shown.end(), [](const auto& x) { return x.changed == PageField::kMinLimits; });
  ASSERT_NE(firstMin, shown.end());
  EXPECT_EQ(firstMin->values.minLimits.white, (std::array<bool, 8>{}));
  EXPECT_EQ((firstMin + 1)->values.minLimits.white, (std::array<bool, 8>{1, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(values.maxLimits.white, (std::array<bool, 8>{}));
}

TEST_F(PageStepsTest, AShowThatThrowsEndsTheReadThere) {
  line.AddResponder(Fixture(kSpot));
  throwOnShow = [](PageField changed) {
    if (changed == PageField::kDeviceInfo)
      throw ConversionError("'x' is not a valid integer value");
  };
  line.ClearRequests();
  EXPECT_THROW(page.ReadPage(kSpot, values), ConversionError);
  EXPECT_EQ(log.back(), "Getting device info of 0x4A4C00000012");
  EXPECT_EQ(SentPids(), (std::vector<std::uint16_t>{kPidSupportedParameters, kPidDeviceInfo}));
}

TEST_F(PageStepsTest, ARowTextThatIsNotAnIntegerSendsNothingAndEndsTheWrite) {
  line.AddResponder(Supporting(kSpot, WriteAll()));
  page.ReadPage(kSpot, values);
  values.maxLimits.texts.fill("1");
  values.maxLimits.texts[7] = "";
  line.ClearRequests();
  EXPECT_THROW(page.SetMaxLimits(kSpot, values), ConversionError);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(log.back(), "Set max limits of 0x4A4C00000012");

  values.maxLimits.texts.fill("1");
  values.minLimits.texts.fill("0");
  values.minLimits.texts[2] = "x";
  values.startAddress = "7";
  EXPECT_THROW(page.WritePage(kSpot, values), ConversionError);
  EXPECT_EQ(log.back(), "Set min limits of 0x4A4C00000012");
  EXPECT_EQ(SentPids(), (std::vector<std::uint16_t>{kPidSupportedParameters, kPidDmxPersonality,
                                                    kPidDeviceLabel, kPidPanInvert, kPidTiltInvert,
                                                    kPidPanTiltSwap, kPidDmxStartAddress}));
  EXPECT_EQ(Device(kSpot).StartAddress(), 7);
}

TEST_F(PageStepsTest, WithoutDeviceLabelTheNameGoesToTheNamesListAndItsSave) {
  line.AddResponder(Supporting(kWash, {kPidPanInvert}));
  page.ReadPage(kWash, values);
  values.name = "Wash\r\nleft";
  const auto mark = LogMark();
  line.ClearRequests();
  page.SetDeviceLabel(kWash, values);
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_TRUE(Sent().empty());
  // Line breaks a device put in its label do not split the file's line.
  EXPECT_EQ(saved, (std::vector<std::vector<std::string>>{{"4A4C00000013=Wash??left"}}));

  // A save that fails ends the write before the pan/tilt step.
  failSave = true;
  EXPECT_THROW(page.WritePage(kWash, values), FileError);
  EXPECT_EQ(SentPids(), (std::vector<std::uint16_t>{kPidSupportedParameters}));
}

// The page's values belong to the device they were read from; a write that
// went elsewhere would give another fixture that one's label and address.
TEST_F(PageStepsTest, AWriteGoesOnlyToTheDeviceThePageWasReadFrom) {
  line.AddResponder(Supporting(kSpot, WriteAll()));
  line.AddResponder(Supporting(kWash, WriteAll()));
  struct Case {
    std::optional<Uid> read;
    Uid written;
    const char* logged;  // nullptr: the page goes out
  };
  const std::vector<Case> cases = {
      {std::nullopt, kWash,
       "Nothing written: the page was not read from the selected device 0x4A4C00000013; read it "
       "first"},
      {kSpot, kWash,
       "Nothing written: the page shows 0x4A4C00000012, not the selected device 0x4A4C00000013; "
       "read it first"},
      {kWash, kWash, nullptr},
  };
  for (const Case& c : cases) {
    params::ParameterPage fresh(
        controller, logTo, names, [](const NamesList&) {},
        [](const params::PageValues&, params::PageField) {});
    if (c.read) fresh.ReadPage(*c.read, values);
    values.startAddress = "300";
    log.clear();
    line.ClearRequests();
    EXPECT_EQ(fresh.WritePage(c.written, values), c.logged == nullptr);
    if (c.logged != nullptr) {
      EXPECT_EQ(log, (std::vector<std::string>{c.logged}));
      EXPECT_TRUE(Sent().empty());
    } else {
      EXPECT_EQ(Device(kWash).StartAddress(), 300);
    }
    EXPECT_EQ(Device(kSpot).StartAddress(), 1);
  }
}

TEST_F(PageStepsTest, IdentifyFlipsOneFlagAndSendsIt) {
  line.AddResponder(Fixture(kSpot));
  line.AddResponder(Fixture(kWash));
  line.ClearRequests();
  page.Identify(kSpot);
  page.Identify(kWash);
  Device(kWash).Faults().silent = true;
  page.Identify(kWash);
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 3u);
  const std::vector<std::pair<Uid, std::uint8_t>> expected = {{kSpot, 1}, {kWash, 0}, {kWash, 1}};
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i].destination, expected[i].first);
    EXPECT_EQ(sent[i].commandClass, kSetCommand);
    EXPECT_EQ(sent[i].pid, kPidIdentifyDevice);
    EXPECT_EQ(DataOf(sent[i]), std::vector<std::uint8_t>{expected[i].second});
  }
  EXPECT_EQ(page.IdentifyState, 1);
  EXPECT_TRUE(Device(kSpot).Identify());
  EXPECT_FALSE(Device(kWash).Identify());
}

}  // namespace
}  // namespace korval::testing
