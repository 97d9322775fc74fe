#include "params/pid_names.h"

#include <algorithm>
#include <cctype>

#include "rdm/rdm_constants.h"

namespace korval::params::names {
namespace {

constexpr NamedCode kSensorTypeCodes[] = {
    {0x00, "temperature"},
    {0x01, "voltage"},
    {0x02, "current"},
    {0x03, "frequency"},
    {0x04, "resistance"},
    {0x05, "power"},
    {0x06, "mass"},
    {0x07, "length"},
    {0x08, "area"},
    {0x09, "volume"},
    {0x0A, "density"},
    {0x0B, "velocity"},
    {0x0C, "acceleration"},
    {0x0D, "force"},
    {0x0E, "energy"},
    {0x0F, "pressure"},
    {0x10, "time"},
    {0x11, "angle"},
    {0x12, "position_x"},
    {0x13, "position_y"},
    {0x14, "position_z"},
    {0x15, "angular_velocity"},
    {0x16, "luminous_intensity"},
    {0x17, "luminous_flux"},
    {0x18, "illuminance"},
    {0x19, "chrominance_red"},
    {0x1A, "chrominance_green"},
    {0x1B, "chrominance_blue"},
    {0x1C, "contacts"},
    {0x1D, "memory"},
    {0x1E, "items"},
    {0x1F, "humidity"},
    {0x20, "counter_16bit"},
    {0x7F, "other"},
};

constexpr NamedCode kUnitCodes[] = {
    {0x00, "none"},
    {0x01, "centigrade"},
    {0x02, "volts_dc"},
    {0x03, "volts_ac_peak"},
    {0x04, "volts_ac_rms"},
    {0x05, "ampere_dc"},
    {0x06, "ampere_ac_peak"},
    {0x07, "ampere_ac_rms"},
    {0x08, "hertz"},
    {0x09, "ohm"},
    {0x0A, "watt"},
    {0x0B, "kilogram"},
    {0x0C, "meters"},
    {0x0D, "meters_squared"},
    {0x0E, "meters_cubed"},
    {0x0F, "kilogrammes_per_meter_cubed"},
    {0x10, "meters_per_second"},
    {0x11, "meters_per_second_squared"},
    {0x12, "newton"},
    {0x13, "joule"},
    {0x14, "pascal"},
    {0x15, "second"},
    {0x16, "degree"},
    {0x17, "steradian"},
    {0x18, "candela"},
    {0x19, "lumen"},
    {0x1A, "lux"},
    {0x1B, "ire"},
    {0x1C, "byte"},
};

constexpr NamedCode kPrefixCodes[] = {
    {0x00, "none"},  {0x01, "deci"}, {0x02, "centi"}, {0x03, "milli"}, {0x04, "micro"},
    {0x05, "nano"},  {0x06, "pico"}, {0x07, "femto"}, {0x08, "atto"},  {0x09, "zepto"},
    {0x0A, "yocto"}, {0x11, "deca"}, {0x12, "hecto"}, {0x13, "kilo"},  {0x14, "mega"},
    {0x15, "giga"},  {0x16, "tera"}, {0x17, "peta"},  {0x18, "exa"},   {0x19, "zetta"},
    {0x1A, "yotta"},
};

// Bit 0: a recorded value; bit 1: the lowest and highest values.
constexpr NamedCode kRecordedValueSupportCodes[] = {
    {0x00, "none"},
    {0x01, "recorded"},
    {0x02, "lowest_highest"},
    {0x03, "recorded_lowest_highest"},
};

constexpr NamedCode kSlotTypeCodes[] = {
    {0x00, "primary"},      {0x01, "sec_fine"},         {0x02, "sec_timing"},
    {0x03, "sec_speed"},    {0x04, "sec_control"},      {0x05, "sec_index"},
    {0x06, "sec_rotation"}, {0x07, "sec_index_rotate"}, {0xFF, "sec_undefined"},
};

constexpr NamedCode kSlotLabelCodes[] = {
    {0x0001, "intensity"},
    {0x0002, "intensity_master"},
    {0x0101, "pan"},
    {0x0102, "tilt"},
    {0x0201, "color_wheel"},
    {0x0202, "color_sub_cyan"},
    {0x0203, "color_sub_yellow"},
    {0x0204, "color_sub_magenta"},
    {0x0205, "color_add_red"},
    {0x0206, "color_add_green"},
    {0x0207, "color_add_blue"},
    {0x0208, "color_correction"},
    {0x0209, "color_scroll"},
    {0x0210, "color_semaphore"},
    {0x0211, "color_add_amber"},
    {0x0212, "color_add_white"},
    {0x0213, "color_add_warm_white"},
    {0x0214, "color_add_cool_white"},
    {0x0215, "color_sub_uv"},
    {0x0216, "color_hue"},
    {0x0217, "color_saturation"},
    {0x0301, "static_gobo_wheel"},
    {0x0302, "roto_gobo_wheel"},
    {0x0303, "prism_wheel"},
    {0x0304, "effects_wheel"},
    {0x0401, "beam_size_iris"},
    {0x0402, "edge"},
    {0x0403, "frost"},
    {0x0404, "strobe"},
    {0x0405, "zoom"},
    {0x0406, "framing_shutter"},
    {0x0407, "shutter_rotate"},
    {0x0408, "douser"},
    {0x0409, "barn_door"},
    {0x0501, "lamp_control"},
    {0x0502, "fixture_control"},
    {0x0503, "fixture_speed"},
    {0x0504, "macro"},
    {0x0505, "power_control"},
    {0x0506, "fan_control"},
    {0x0507, "heater_control"},
    {0x0508, "fountain_control"},
    {0xFFFF, "undefined"},
};

constexpr NamedCode kDataTypeCodes[] = {
    {0x00, "not_defined"},   {0x01, "bit_field"},      {0x02, "ascii"},
    {0x03, "unsigned_byte"}, {0x04, "signed_byte"},    {0x05, "unsigned_word"},
    {0x06, "signed_word"},   {0x07, "unsigned_dword"}, {0x08, "signed_dword"},
};

constexpr NamedCode kCommandClassCodes[] = {{0x01, "get"}, {0x02, "set"}, {0x03, "get_set"}};
constexpr NamedCode kLampStateCodes[] = {{0x00, "off"},     {0x01, "on"},          {0x02, "strike"},
                                         {0x03, "standby"}, {0x04, "not_present"}, {0x7F, "error"}};
constexpr NamedCode kLampOnModeCodes[] = {
    {0x00, "off"}, {0x01, "dmx"}, {0x02, "on"}, {0x03, "after_cal"}};
constexpr NamedCode kPowerStateCodes[] = {
    {0x00, "full_off"}, {0x01, "shutdown"}, {0x02, "standby"}, {0xFF, "normal"}};
constexpr NamedCode kResetTypeCodes[] = {{0x01, "warm"}, {0xFF, "cold"}};
constexpr NamedCode kDisplayInvertCodes[] = {{0x00, "off"}, {0x01, "on"}, {0x02, "auto"}};
constexpr NamedCode kSelfTestCodes[] = {{0x00, "off"}, {0xFF, "all"}};
constexpr NamedCode kPresetPlaybackCodes[] = {{0x0000, "off"}, {0xFFFF, "all"}};
constexpr NamedCode kPresetProgrammedCodes[] = {
    {0x00, "not_programmed"}, {0x01, "programmed"}, {0x02, "read_only"}};
constexpr NamedCode kMergeModeCodes[] = {
    {0x00, "default"}, {0x01, "htp"}, {0x02, "ltp"}, {0x03, "dmx_only"}, {0xFF, "other"}};
constexpr NamedCode kIdentifyModeCodes[] = {{0x00, "quiet"}, {0xFF, "loud"}};
constexpr NamedCode kAllSensorsCodes[] = {{0xFF, "all"}};
constexpr NamedCode kInfiniteCodes[] = {{0xFFFF, "infinite"}};
constexpr NamedCode kUnlockedCodes[] = {{0x00, "unlocked"}};
constexpr NamedCode kFixedLevelCodes[] = {{0x0000, "fixed_level"}};

bool SameName(std::string_view a, std::string_view b) {
  const auto fold = [](char c) {
    if (c == '-' || c == ' ') return '_';
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return fold(x) == fold(y); });
}

}  // namespace

const Names kSensorTypes = kSensorTypeCodes;
const Names kUnits = kUnitCodes;
const Names kPrefixes = kPrefixCodes;
const Names kRecordedValueSupport = kRecordedValueSupportCodes;
const Names kSlotTypes = kSlotTypeCodes;
const Names kSlotLabels = kSlotLabelCodes;
const Names kDataTypes = kDataTypeCodes;
const Names kCommandClasses = kCommandClassCodes;
const Names kLampStates = kLampStateCodes;
const Names kLampOnModes = kLampOnModeCodes;
const Names kPowerStates = kPowerStateCodes;
const Names kResetTypes = kResetTypeCodes;
const Names kDisplayInvert = kDisplayInvertCodes;
const Names kSelfTests = kSelfTestCodes;
const Names kPresetPlayback = kPresetPlaybackCodes;
const Names kPresetProgrammed = kPresetProgrammedCodes;
const Names kMergeModes = kMergeModeCodes;
const Names kIdentifyModes = kIdentifyModeCodes;
const Names kAllSensors = kAllSensorsCodes;
const Names kInfinite = kInfiniteCodes;
const Names kUnlocked = kUnlockedCodes;
const Names kFixedLevel = kFixedLevelCodes;

const NamedCode* FindCode(Names names, std::uint32_t code) {
  const auto it = std::find_if(names.begin(), names.end(),
                               [code](const NamedCode& n) { return n.code == code; });
  return it != names.end() ? &*it : nullptr;
}

const NamedCode* FindName(Names names, std::string_view name) {
  const auto it = std::find_if(names.begin(), names.end(),
                               [name](const NamedCode& n) { return SameName(n.name, name); });
  return it != names.end() ? &*it : nullptr;
}

}  // namespace korval::params::names
