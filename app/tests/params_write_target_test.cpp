// The page shows one device's values; the selection can move to another one
// by code (the arrows, a typed position, a discovery) while the page stays.
// Write then sends nothing, so no fixture ever gets another one's label,
// personality and address.
#include <functional>

#include "app/tests/params_fixture.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using namespace rdm;

constexpr Uid kA = 0x4A4C'00000010;
constexpr Uid kB = 0x4A4C'00000011;
constexpr Uid kC = 0x4A4C'00000012;
constexpr Uid kD = 0x4A4C'00000013;

using ParamsWriteTargetTest = ParamsTest;

TEST_F(ParamsWriteTargetTest, WriteGoesOnlyToTheDeviceThePageWasReadFrom) {
  struct Case {
    const char* name;
    std::function<void()> before;  // after the four are listed, nothing selected
    const char* logged;            // nullptr: the page is written
  };
  const std::vector<Case> cases = {
      {"never read: the start-up selection", [&] { form->SelectPosition(0); },
       "Nothing written: the page was not read from the selected device 0x4A4C00000010; read it "
       "first"},
      {"read at position 3, two presses of the up arrow",
       [&] {
         SelectListItem(3);
         Click(form->SpeedButtonUp);
         Click(form->SpeedButtonUp);
       },
       "Nothing written: the page shows 0x4A4C00000013, not the selected device 0x4A4C00000010; "
       "read it first"},
      {"read at position 1, a typed position further down only selects",
       [&] {
         SelectListItem(1);
         Type(form->Edit35, "2");
       },
       "Nothing written: the page shows 0x4A4C00000011, not the selected device 0x4A4C00000012; "
       "read it first"},
      {"read at position 1, then a discovery selects position 0",
       [&] {
         SelectListItem(1);
         Click(form->BitBtnDiscover);
       },
       "Nothing written: the page shows 0x4A4C00000011, not the selected device 0x4A4C00000010; "
       "read it first"},
      {"read at position 3, moved up by typing: still the device read",
       [&] {
         SelectListItem(3);
         Type(form->Edit35, "1");
       },
       nullptr},
  };
  StartListed({Fixture(kA), Fixture(kB), Fixture(kC), Fixture(kD)});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    List({kA, kB, kC, kD});
    c.before();
    const auto mark = LogMark();
    const auto requests = RequestMark();
    Click(form->BitBtnWrite);
    const auto sets = RequestsSince(requests);
    if (c.logged == nullptr) {
      EXPECT_FALSE(sets.empty());
      for (const auto& r : sets) EXPECT_EQ(r.destination, kD);
    } else {
      EXPECT_TRUE(sets.empty());
      EXPECT_EQ(LogSince(mark), (std::vector<std::string>{c.logged}));
    }
  }
}

}  // namespace
}  // namespace korval::testing
