#include "params/pid_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "params/pid_codec.h"
#include "params/pid_names.h"
#include "rdm/rdm_constants.h"

namespace korval::params {
namespace {

bool Variable(FieldKind kind) {
  return kind == FieldKind::kLabel || kind == FieldKind::kBytes || kind == FieldKind::kGroup;
}

std::vector<Layout> LayoutsOf(const PidInfo& info) {
  return {info.getArgs, info.getReply, info.setArgs, info.setReply};
}

TEST(PidTable, NumbersAreUniqueAndSortedAndNamesUniqueInLowerCase) {
  const auto table = PidTable();
  ASSERT_FALSE(table.empty());
  std::set<std::string_view> names;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(table[i - 1].number, table[i].number) << table[i].name;
    }
    EXPECT_TRUE(names.insert(table[i].name).second) << table[i].name;
    EXPECT_TRUE(std::all_of(table[i].name.begin(), table[i].name.end(), [](char c) {
      return std::islower(c) || c == '_';
    })) << table[i].name;
    EXPECT_EQ(FindPid(table[i].number), &table[i]);
  }
}

TEST(PidTable, LayoutsMatchTheCommandsAllowed) {
  for (const PidInfo& info : PidTable()) {
    SCOPED_TRACE(std::string(info.name));
    if (info.discovery) {
      EXPECT_FALSE(info.get || info.set);
      EXPECT_LT(info.number, 0x0010);
    }
    if (!info.get) {
      EXPECT_TRUE(info.getArgs.empty() && info.getReply.empty());
    }
    if (!info.set) {
      EXPECT_TRUE(info.setArgs.empty() && info.setReply.empty());
    }
    EXPECT_FALSE(info.number >= rdm::kPidManufacturerFirst &&
                 info.number <= rdm::kPidManufacturerLast);
  }
}

// A label, raw bytes or a group takes the rest of the data, so it can only be
// the last field; a group's items have fixed sizes.
TEST(PidTable, OnlyTheLastFieldOfALayoutTakesTheRestOfTheData) {
  for (const PidInfo& info : PidTable()) {
    for (const Layout layout : LayoutsOf(info)) {
      for (std::size_t i = 0; i + 1 < layout.size(); ++i) {
        EXPECT_FALSE(Variable(layout[i].kind)) << info.name << " " << layout[i].name;
      }
      for (const FieldDef& field : layout) {
        if (field.kind == FieldKind::kGroup) {
          ASSERT_FALSE(field.group.empty()) << info.name;
          for (const FieldDef& item : field.group) {
            EXPECT_FALSE(Variable(item.kind)) << info.name << " " << item.name;
            EXPECT_GT(FixedFieldSize(item), 0u);
          }
        }
        if (field.kind == FieldKind::kLabel || field.kind == FieldKind::kChars) {
          EXPECT_GT(field.size, 0u) << info.name;
        }
      }
    }
  }
}

TEST(PidTable, HoldsEveryParameterTheCommandLineNames) {
  const std::vector<std::pair<const char*, std::uint16_t>> expected = {
      {"disc_unique_branch", 0x0001},
      {"disc_mute", 0x0002},
      {"disc_un_mute", 0x0003},
      {"proxied_devices", 0x0010},
      {"proxied_device_count", 0x0011},
      {"comms_status", 0x0015},
      {"queued_message", 0x0020},
      {"status_messages", 0x0030},
      {"status_id_description", 0x0031},
      {"clear_status_id", 0x0032},
      {"sub_device_status_report_threshold", 0x0033},
      {"supported_parameters", 0x0050},
      {"parameter_description", 0x0051},
      {"device_info", 0x0060},
      {"product_detail_id_list", 0x0070},
      {"device_model_description", 0x0080},
      {"manufacturer_label", 0x0081},
      {"device_label", 0x0082},
      {"factory_defaults", 0x0090},
      {"language_capabilities", 0x00A0},
      {"language", 0x00B0},
      {"software_version_label", 0x00C0},
      {"boot_software_version_id", 0x00C1},
      {"boot_software_version_label", 0x00C2},
      {"dmx_personality", 0x00E0},
      {"dmx_personality_description", 0x00E1},
      {"dmx_start_address", 0x00F0},
      {"slot_info", 0x0120},
      {"slot_description", 0x0121},
      {"default_slot_value", 0x0122},
      {"dmx_block_address", 0x0140},
      {"dmx_fail_mode", 0x0141},
      {"dmx_startup_mode", 0x0142},
      {"sensor_definition", 0x0200},
      {"sensor_value", 0x0201},
      {"record_sensors", 0x0202},
      {"dimmer_info", 0x0340},
      {"minimum_level", 0x0341},
      {"maximum_level", 0x0342},
      {"curve", 0x0343},
      {"curve_description", 0x0344},
      {"output_response_time", 0x0345},
      {"output_response_time_description", 0x0346},
      {"modulation_frequency", 0x0347},
      {"modulation_frequency_description", 0x0348},
      {"device_hours", 0x0400},
      {"lamp_hours", 0x0401},
      {"lamp_strikes", 0x0402},
      {"lamp_state", 0x0403},
      {"lamp_on_mode", 0x0404},
      {"device_power_cycles", 0x0405},
      {"burn_in", 0x0440},
      {"display_invert", 0x0500},
      {"display_level", 0x0501},
      {"pan_invert", 0x0600},
      {"tilt_invert", 0x0601},
      {"pan_tilt_swap", 0x0602},
      {"real_time_clock", 0x0603},
      {"lock_pin", 0x0640},
      {"lock_state", 0x0641},
      {"lock_state_description", 0x0642},
      {"identify_device", 0x1000},
      {"reset_device", 0x1001},
      {"power_state", 0x1010},
      {"perform_selftest", 0x1020},
      {"self_test_description", 0x1021},
      {"capture_preset", 0x1030},
      {"preset_playback", 0x1031},
      {"identify_mode", 0x1040},
      {"preset_info", 0x1041},
      {"preset_status", 0x1042},
      {"preset_mergemode", 0x1043},
      {"power_on_self_test", 0x1044}};
  EXPECT_EQ(PidTable().size(), expected.size());
  for (const auto& [name, number] : expected) {
    const PidInfo* info = FindPidByName(name);
    ASSERT_NE(info, nullptr) << name;
    EXPECT_EQ(info->number, number) << name;
  }
}

// A decoded code prints as its name and the name is typed back as the code,
// so neither may repeat within a table.
TEST(PidNames, CodesAndNamesAreUniqueInEachTable) {
  namespace n = names;
  for (const n::Names table : {n::kStatusTypes,      n::kStatusIds,
                               n::kSensorTypes,      n::kUnits,
                               n::kPrefixes,         n::kRecordedValueSupport,
                               n::kSlotTypes,        n::kSlotLabels,
                               n::kProductDetails,   n::kDataTypes,
                               n::kCommandClasses,   n::kLampStates,
                               n::kLampOnModes,      n::kPowerStates,
                               n::kResetTypes,       n::kDisplayInvert,
                               n::kSelfTests,        n::kPresetPlayback,
                               n::kPresetProgrammed, n::kMergeModes,
                               n::kIdentifyModes,    n::kAllSensors,
                               n::kInfinite,         n::kUnlocked,
                               n::kFixedLevel,       n::kCategories}) {
    ASSERT_FALSE(table.empty());
    std::set<std::uint32_t> codes;
    for (const NamedCode& code : table) {
      EXPECT_TRUE(codes.insert(code.code).second) << code.name;
      EXPECT_EQ(n::FindName(table, code.name), &code) << code.name;
      EXPECT_EQ(n::FindCode(table, code.code), &code) << code.name;
    }
  }
}

TEST(PidNames, CategoriesKeepTheWindowsTextAndNameTheRest) {
  EXPECT_EQ(names::CategoryName(0x0102), "Moving Head");
  EXPECT_EQ(names::CategoryName(0x0509), "LED Dimmer");
  EXPECT_EQ(names::CategoryName(0x0100), "fixture");
  EXPECT_EQ(names::CategoryName(0x7FFF), "other");
  EXPECT_EQ(names::CategoryName(0x0104), "");
  // A name is typed in any case, with '-' or ' ' for '_'.
  EXPECT_EQ(names::FindName(names::kUnits, "Volts DC")->code, 0x02u);
  EXPECT_EQ(names::FindName(names::kUnits, "volts-dc")->code, 0x02u);
}

TEST(PidLookup, ByNameIgnoringCaseByNumberAndByOlaNames) {
  ASSERT_NE(FindPidByName("DEVICE_LABEL"), nullptr);
  EXPECT_EQ(FindPidByName("Device_Label")->number, rdm::kPidDeviceLabel);
  EXPECT_EQ(FindPidByName("status_message")->number, rdm::kPidStatusMessages);
  EXPECT_EQ(FindPidByName("boot_software_version")->number, rdm::kPidBootSoftwareVersionId);
  EXPECT_EQ(FindPidByName("device label"), nullptr);
  EXPECT_EQ(FindPidByName(""), nullptr);

  for (const char* text : {"device_label", "0x0082", "0X82", "130", " 130 "}) {
    const auto ref = ResolvePid(text);
    ASSERT_TRUE(ref.has_value()) << text;
    EXPECT_EQ(ref->number, 0x0082) << text;
    ASSERT_NE(ref->info, nullptr) << text;
    EXPECT_EQ(ref->info->name, "device_label");
  }
}

TEST(PidLookup, NumbersOutsideTheTableAreUnknownAndNonsenseIsNothing) {
  for (const std::uint16_t number :
       {rdm::kPidMinLimits, rdm::kPidMaxLimits, rdm::kPidErrorScene, std::uint16_t{0x0303},
        rdm::kPidDimmSwitch, rdm::kPidManufacturerFirst, rdm::kPidManufacturerLast}) {
    const auto ref = ResolvePid(PidNumberText(number));
    ASSERT_TRUE(ref.has_value()) << number;
    EXPECT_EQ(ref->number, number);
    EXPECT_EQ(ref->info, nullptr);
    EXPECT_EQ(FindPid(number), nullptr);
  }
  for (const char* text : {"", "nonsense", "65536", "-1", "0x10000", "$82", "12a"}) {
    EXPECT_FALSE(ResolvePid(text).has_value()) << text;
  }
}

TEST(PidListing, OneLinePerEntryInNumberOrder) {
  const auto lines = PidListing();
  ASSERT_EQ(lines.size(), PidTable().size());
  EXPECT_EQ(lines.front(), "0x0001 disc_unique_branch");
  EXPECT_EQ(lines.back(), "0x1044 power_on_self_test");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "0x0082 device_label"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "0x00F0 dmx_start_address"), lines.end());
  EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
}

}  // namespace
}  // namespace korval::params
