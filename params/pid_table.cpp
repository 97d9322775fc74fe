// The layouts of the parameters' data, field by field in wire order, and the
// table that ties them to the parameters' numbers and names.
#include "params/pid_table.h"

#include "params/device_info.h"
#include "params/pid_names.h"
#include "params/status_text.h"
#include "rdm/rdm_constants.h"

namespace korval::params {
namespace {

using K = FieldKind;
namespace n = names;

constexpr std::uint8_t kLabelMax = rdm::kMaxLabelBytes;

const FieldDef kLabel[] = {{"label", K::kLabel, {}, {}, kLabelMax}};
const FieldDef kDescription[] = {{"description", K::kLabel, {}, {}, kLabelMax}};
const FieldDef kRawData[] = {{"data", K::kBytes}};

const FieldDef kUidItem[] = {{"uid", K::kUid}};
const FieldDef kProxiedDevices[] = {{"uids", K::kGroup, {}, kUidItem}};
const FieldDef kProxiedDeviceCount[] = {{"device_count", K::kU16}, {"list_changed", K::kBool}};
const FieldDef kCommsStatus[] = {
    {"short_message", K::kU16}, {"length_mismatch", K::kU16}, {"checksum_fail", K::kU16}};
const FieldDef kStatusType[] = {{"status_type", K::kU8, n::kStatusTypes}};
const FieldDef kStatusMessages[] = {{"messages", K::kGroup, {}, kStatusMessageLayout}};
const FieldDef kStatusId[] = {{"status_id", K::kU16, n::kStatusIds}};

const FieldDef kPidItem[] = {{"param_id", K::kPid}};
const FieldDef kSupportedParameters[] = {{"params", K::kGroup, {}, kPidItem}};
const FieldDef kPidArg[] = {{"pid", K::kPid}};
const FieldDef kParameterDescription[] = {
    {"pid", K::kPid},
    {"pdl_size", K::kU8},
    {"data_type", K::kU8, n::kDataTypes},
    {"command_class", K::kU8, n::kCommandClasses},
    {"type", K::kU8},
    {"unit", K::kU8, n::kUnits},
    {"prefix", K::kU8, n::kPrefixes},
    {"min_value", K::kU32},
    {"max_value", K::kU32},
    {"default_value", K::kU32},
    {"description", K::kLabel, {}, {}, kLabelMax},
};
const FieldDef kDetailItem[] = {{"detail_id", K::kU16, n::kProductDetails}};
const FieldDef kProductDetailIdList[] = {{"detail_ids", K::kGroup, {}, kDetailItem}};
const FieldDef kUsingDefaults[] = {{"using_defaults", K::kBool}};
const FieldDef kLanguage[] = {{"language", K::kChars, {}, {}, 2}};
const FieldDef kLanguageCapabilities[] = {{"languages", K::kGroup, {}, kLanguage}};
const FieldDef kBootVersion[] = {{"version", K::kVersion}};

const FieldDef kDmxPersonality[] = {{"current_personality", K::kU8}, {"personality_count", K::kU8}};
const FieldDef kPersonalityArg[] = {{"personality", K::kU8, {}, {}, 0, 1, 255}};
const FieldDef kPersonalityDescription[] = {
    {"personality", K::kU8},
    {"slots_required", K::kU16},
    {"description", K::kLabel, {}, {}, kLabelMax},
};
const FieldDef kDmxAddress[] = {{"dmx_address", K::kU16}};
const FieldDef kDmxAddressArg[] = {
    {"dmx_address", K::kU16, {}, {}, 0, rdm::kMinDmxAddress, rdm::kMaxDmxAddress}};
const FieldDef kSlotInfoItem[] = {{"slot_offset", K::kU16},
                                  {"slot_type", K::kU8, n::kSlotTypes},
                                  {"slot_label_id", K::kSlotLabel}};
const FieldDef kSlotInfo[] = {{"slots", K::kGroup, {}, kSlotInfoItem}};
const FieldDef kSlotArg[] = {{"slot_number", K::kU16}};
const FieldDef kSlotDescription[] = {{"slot_number", K::kU16},
                                     {"description", K::kLabel, {}, {}, kLabelMax}};
const FieldDef kDefaultSlotItem[] = {{"slot_offset", K::kU16}, {"default_slot_value", K::kU8}};
const FieldDef kDefaultSlotValue[] = {{"slot_values", K::kGroup, {}, kDefaultSlotItem}};
const FieldDef kDmxBlockAddress[] = {{"sub_device_footprint", K::kU16},
                                     {"base_dmx_address", K::kU16}};
const FieldDef kBaseAddressArg[] = {
    {"base_dmx_address", K::kU16, {}, {}, 0, rdm::kMinDmxAddress, rdm::kMaxDmxAddress}};
const FieldDef kDmxFailMode[] = {
    {"scene_number", K::kU16, n::kFixedLevel},
    {"loss_of_signal_delay", K::kU16, n::kInfinite},
    {"hold_time", K::kU16, n::kInfinite},
    {"level", K::kU8},
};
const FieldDef kDmxStartupMode[] = {
    {"scene_number", K::kU16, n::kFixedLevel},
    {"startup_delay", K::kU16, n::kInfinite},
    {"hold_time", K::kU16, n::kInfinite},
    {"level", K::kU8},
};

const FieldDef kSensorArg[] = {{"sensor_number", K::kU8, {}, {}, 0, 0, 254}};
const FieldDef kSensorOrAllArg[] = {{"sensor_number", K::kU8, n::kAllSensors}};
const FieldDef kSensorDefinition[] = {
    {"sensor_number", K::kU8},
    {"type", K::kU8, n::kSensorTypes},
    {"unit", K::kU8, n::kUnits},
    {"prefix", K::kU8, n::kPrefixes},
    {"range_min", K::kS16},
    {"range_max", K::kS16},
    {"normal_min", K::kS16},
    {"normal_max", K::kS16},
    {"recorded_value_support", K::kU8, n::kRecordedValueSupport},
    {"description", K::kLabel, {}, {}, kLabelMax},
};
const FieldDef kSensorValue[] = {
    {"sensor_number", K::kU8}, {"present_value", K::kS16}, {"lowest", K::kS16},
    {"highest", K::kS16},      {"recorded", K::kS16},
};

const FieldDef kDimmerInfo[] = {
    {"minimum_level_lower", K::kU16},     {"minimum_level_upper", K::kU16},
    {"maximum_level_lower", K::kU16},     {"maximum_level_upper", K::kU16},
    {"number_curves_supported", K::kU8},  {"levels_resolution", K::kU8},
    {"split_levels_supported", K::kBool},
};
const FieldDef kMinimumLevel[] = {{"minimum_level_increasing", K::kU16},
                                  {"minimum_level_decreasing", K::kU16},
                                  {"on_below_minimum", K::kBool}};
const FieldDef kMaximumLevel[] = {{"maximum_level", K::kU16}};
const FieldDef kCurve[] = {{"current_curve", K::kU8}, {"number_curves", K::kU8}};
const FieldDef kCurveArg[] = {{"curve", K::kU8, {}, {}, 0, 1, 255}};
const FieldDef kCurveDescription[] = {{"curve", K::kU8},
                                      {"description", K::kLabel, {}, {}, kLabelMax}};
const FieldDef kResponseTime[] = {{"current_response_time", K::kU8},
                                  {"number_response_options", K::kU8}};
const FieldDef kResponseTimeArg[] = {{"response_time", K::kU8, {}, {}, 0, 1, 255}};
const FieldDef kResponseTimeDescription[] = {{"response_time", K::kU8},
                                             {"description", K::kLabel, {}, {}, kLabelMax}};
const FieldDef kModulation[] = {{"current_modulation_frequency", K::kU8},
                                {"number_modulation_frequencies", K::kU8}};
const FieldDef kModulationArg[] = {{"modulation_frequency", K::kU8, {}, {}, 0, 1, 255}};
const FieldDef kModulationDescription[] = {
    {"modulation_frequency", K::kU8},
    {"frequency", K::kU32},
    {"description", K::kLabel, {}, {}, kLabelMax},
};

const FieldDef kHours[] = {{"hours", K::kU32}};
const FieldDef kStrikes[] = {{"strikes", K::kU32}};
const FieldDef kLampState[] = {{"state", K::kU8, n::kLampStates}};
const FieldDef kLampOnMode[] = {{"mode", K::kU8, n::kLampOnModes}};
const FieldDef kPowerCycles[] = {{"power_cycles", K::kU32}};
const FieldDef kBurnIn[] = {{"hours_remaining", K::kU8}};
const FieldDef kBurnInArg[] = {{"hours", K::kU8}};
const FieldDef kDisplayInvert[] = {{"invert_status", K::kU8, n::kDisplayInvert}};
const FieldDef kDisplayLevel[] = {{"level", K::kU8}};
const FieldDef kInvert[] = {{"invert", K::kBool}};
const FieldDef kSwap[] = {{"swap", K::kBool}};
const FieldDef kRealTimeClock[] = {
    {"year", K::kU16}, {"month", K::kU8},  {"day", K::kU8},
    {"hour", K::kU8},  {"minute", K::kU8}, {"second", K::kU8},
};
const FieldDef kRealTimeClockArg[] = {
    {"year", K::kU16, {}, {}, 0, 2003, 65535}, {"month", K::kU8, {}, {}, 0, 1, 12},
    {"day", K::kU8, {}, {}, 0, 1, 31},         {"hour", K::kU8, {}, {}, 0, 0, 23},
    {"minute", K::kU8, {}, {}, 0, 0, 59},      {"second", K::kU8, {}, {}, 0, 0, 60},
};
const FieldDef kLockPin[] = {{"pin_code", K::kU16}};
const FieldDef kLockPinArg[] = {{"new_pin_code", K::kU16, {}, {}, 0, 0, 9999},
                                {"current_pin_code", K::kU16, {}, {}, 0, 0, 9999}};
const FieldDef kLockState[] = {{"lock_state", K::kU8, n::kUnlocked}, {"lock_state_count", K::kU8}};
const FieldDef kLockStateArg[] = {{"pin_code", K::kU16, {}, {}, 0, 0, 9999},
                                  {"lock_state", K::kU8, n::kUnlocked}};
const FieldDef kLockStateNumberArg[] = {{"lock_state", K::kU8, {}, {}, 0, 1, 255}};
const FieldDef kLockStateDescription[] = {{"lock_state", K::kU8},
                                          {"description", K::kLabel, {}, {}, kLabelMax}};

const FieldDef kIdentify[] = {{"identify_state", K::kBool}};
const FieldDef kResetArg[] = {{"reset_type", K::kU8, n::kResetTypes}};
const FieldDef kPowerState[] = {{"power_state", K::kU8, n::kPowerStates}};
const FieldDef kTestsActive[] = {{"tests_active", K::kBool}};
const FieldDef kTestArg[] = {{"test_number", K::kU8, n::kSelfTests}};
const FieldDef kTestDescription[] = {{"test_number", K::kU8},
                                     {"description", K::kLabel, {}, {}, kLabelMax}};
const FieldDef kCapturePreset[] = {
    {"scene", K::kU16, {}, {}, 0, 1, 65534},
    {"up_fade_time", K::kU16},
    {"down_fade_time", K::kU16},
    {"wait_time", K::kU16},
};
const FieldDef kPresetPlayback[] = {{"mode", K::kU16, n::kPresetPlayback}, {"level", K::kU8}};
const FieldDef kIdentifyMode[] = {{"identify_mode", K::kU8, n::kIdentifyModes}};
const FieldDef kPresetInfo[] = {
    {"level_field_supported", K::kBool},
    {"preset_sequence_supported", K::kBool},
    {"split_times_supported", K::kBool},
    {"fail_infinite_delay_supported", K::kBool},
    {"fail_infinite_hold_supported", K::kBool},
    {"startup_infinite_hold_supported", K::kBool},
    {"max_scene_number", K::kU16},
    {"min_preset_fade_time", K::kU16},
    {"max_preset_fade_time", K::kU16},
    {"min_preset_wait_time", K::kU16},
    {"max_preset_wait_time", K::kU16},
    {"min_fail_delay_time", K::kU16},
    {"max_fail_delay_time", K::kU16},
    {"min_fail_hold_time", K::kU16},
    {"max_fail_hold_time", K::kU16},
    {"min_startup_delay_time", K::kU16},
    {"max_startup_delay_time", K::kU16},
    {"min_startup_hold_time", K::kU16},
    {"max_startup_hold_time", K::kU16},
};
const FieldDef kSceneArg[] = {{"scene_number", K::kU16, {}, {}, 0, 1, 65534}};
const FieldDef kPresetStatus[] = {
    {"scene_number", K::kU16},
    {"up_fade_time", K::kU16},
    {"down_fade_time", K::kU16},
    {"wait_time", K::kU16},
    {"programmed", K::kU8, n::kPresetProgrammed},
};
const FieldDef kPresetStatusArg[] = {
    {"scene_number", K::kU16, {}, {}, 0, 1, 65534},
    {"up_fade_time", K::kU16},
    {"down_fade_time", K::kU16},
    {"wait_time", K::kU16},
    {"clear_preset", K::kBool},
};
const FieldDef kMergeMode[] = {{"merge_mode", K::kU8, n::kMergeModes}};
const FieldDef kPowerOnSelfTest[] = {{"power_on_self_test", K::kBool}};

constexpr bool G = true;  // GET allowed
constexpr bool S = true;  // SET allowed
constexpr bool x = false;

const PidInfo kTable[] = {
    {rdm::kPidDiscUniqueBranch, "disc_unique_branch", x, x, true},
    {rdm::kPidDiscMute, "disc_mute", x, x, true},
    {rdm::kPidDiscUnMute, "disc_un_mute", x, x, true},
    {rdm::kPidProxiedDevices, "proxied_devices", G, x, x, {}, kProxiedDevices},
    {rdm::kPidProxiedDeviceCount, "proxied_device_count", G, x, x, {}, kProxiedDeviceCount},
    {rdm::kPidCommsStatus, "comms_status", G, S, x, {}, kCommsStatus},
    // The reply carries the queued message's own parameter, not this one.
    {rdm::kPidQueuedMessage, "queued_message", G, x, x, kStatusType, kRawData},
    {rdm::kPidStatusMessages, "status_messages", G, x, x, kStatusType, kStatusMessages},
    {rdm::kPidStatusIdDescription, "status_id_description", G, x, x, kStatusId, kLabel},
    {rdm::kPidClearStatusId, "clear_status_id", x, S},
    {rdm::kPidSubDeviceStatusReportThreshold,
     "sub_device_status_report_threshold",
     G,
     S,
     x,
     {},
     kStatusType,
     kStatusType},
    {rdm::kPidSupportedParameters, "supported_parameters", G, x, x, {}, kSupportedParameters},
    {rdm::kPidParameterDescription, "parameter_description", G, x, x, kPidArg,
     kParameterDescription},
    {rdm::kPidDeviceInfo, "device_info", G, x, x, {}, kDeviceInfoLayout},
    {rdm::kPidProductDetailIdList, "product_detail_id_list", G, x, x, {}, kProductDetailIdList},
    {rdm::kPidDeviceModelDescription, "device_model_description", G, x, x, {}, kDescription},
    {rdm::kPidManufacturerLabel, "manufacturer_label", G, x, x, {}, kLabel},
    {rdm::kPidDeviceLabel, "device_label", G, S, x, {}, kLabel, kLabel},
    {rdm::kPidFactoryDefaults, "factory_defaults", G, S, x, {}, kUsingDefaults},
    {rdm::kPidLanguageCapabilities, "language_capabilities", G, x, x, {}, kLanguageCapabilities},
    {rdm::kPidLanguage, "language", G, S, x, {}, kLanguage, kLanguage},
    {rdm::kPidSoftwareVersionLabel, "software_version_label", G, x, x, {}, kLabel},
    {rdm::kPidBootSoftwareVersionId, "boot_software_version_id", G, x, x, {}, kBootVersion},
    {rdm::kPidBootSoftwareVersionLabel, "boot_software_version_label", G, x, x, {}, kLabel},
    {rdm::kPidDmxPersonality, "dmx_personality", G, S, x, {}, kDmxPersonality, kPersonalityArg},
    {rdm::kPidDmxPersonalityDescription, "dmx_personality_description", G, x, x, kPersonalityArg,
     kPersonalityDescription},
    {rdm::kPidDmxStartAddress, "dmx_start_address", G, S, x, {}, kDmxAddress, kDmxAddressArg},
    {rdm::kPidSlotInfo, "slot_info", G, x, x, {}, kSlotInfo},
    {rdm::kPidSlotDescription, "slot_description", G, x, x, kSlotArg, kSlotDescription},
    {rdm::kPidDefaultSlotValue, "default_slot_value", G, x, x, {}, kDefaultSlotValue},
    {rdm::kPidDmxBlockAddress, "dmx_block_address", G, S, x, {}, kDmxBlockAddress, kBaseAddressArg},
    {rdm::kPidDmxFailMode, "dmx_fail_mode", G, S, x, {}, kDmxFailMode, kDmxFailMode},
    {rdm::kPidDmxStartupMode, "dmx_startup_mode", G, S, x, {}, kDmxStartupMode, kDmxStartupMode},
    {rdm::kPidSensorDefinition, "sensor_definition", G, x, x, kSensorArg, kSensorDefinition},
    {rdm::kPidSensorValue, "sensor_value", G, S, x, kSensorArg, kSensorValue, kSensorOrAllArg,
     kSensorValue},
    {rdm::kPidRecordSensors, "record_sensors", x, S, x, {}, {}, kSensorOrAllArg},
    {rdm::kPidDimmerInfo, "dimmer_info", G, x, x, {}, kDimmerInfo},
    {rdm::kPidMinimumLevel, "minimum_level", G, S, x, {}, kMinimumLevel, kMinimumLevel},
    {rdm::kPidMaximumLevel, "maximum_level", G, S, x, {}, kMaximumLevel, kMaximumLevel},
    {rdm::kPidCurve, "curve", G, S, x, {}, kCurve, kCurveArg},
    {rdm::kPidCurveDescription, "curve_description", G, x, x, kCurveArg, kCurveDescription},
    {rdm::kPidOutputResponseTime,
     "output_response_time",
     G,
     S,
     x,
     {},
     kResponseTime,
     kResponseTimeArg},
    {rdm::kPidOutputResponseTimeDescription, "output_response_time_description", G, x, x,
     kResponseTimeArg, kResponseTimeDescription},
    {rdm::kPidModulationFrequency,
     "modulation_frequency",
     G,
     S,
     x,
     {},
     kModulation,
     kModulationArg},
    {rdm::kPidModulationFrequencyDescription, "modulation_frequency_description", G, x, x,
     kModulationArg, kModulationDescription},
    {rdm::kPidDeviceHours, "device_hours", G, S, x, {}, kHours, kHours},
    {rdm::kPidLampHours, "lamp_hours", G, S, x, {}, kHours, kHours},
    {rdm::kPidLampStrikes, "lamp_strikes", G, S, x, {}, kStrikes, kStrikes},
    {rdm::kPidLampState, "lamp_state", G, S, x, {}, kLampState, kLampState},
    {rdm::kPidLampOnMode, "lamp_on_mode", G, S, x, {}, kLampOnMode, kLampOnMode},
    {rdm::kPidDevicePowerCycles, "device_power_cycles", G, S, x, {}, kPowerCycles, kPowerCycles},
    {rdm::kPidBurnIn, "burn_in", G, S, x, {}, kBurnIn, kBurnInArg},
    {rdm::kPidDisplayInvert, "display_invert", G, S, x, {}, kDisplayInvert, kDisplayInvert},
    {rdm::kPidDisplayLevel, "display_level", G, S, x, {}, kDisplayLevel, kDisplayLevel},
    {rdm::kPidPanInvert, "pan_invert", G, S, x, {}, kInvert, kInvert},
    {rdm::kPidTiltInvert, "tilt_invert", G, S, x, {}, kInvert, kInvert},
    {rdm::kPidPanTiltSwap, "pan_tilt_swap", G, S, x, {}, kSwap, kSwap},
    {rdm::kPidRealTimeClock, "real_time_clock", G, S, x, {}, kRealTimeClock, kRealTimeClockArg},
    {rdm::kPidLockPin, "lock_pin", G, S, x, {}, kLockPin, kLockPinArg},
    {rdm::kPidLockState, "lock_state", G, S, x, {}, kLockState, kLockStateArg},
    {rdm::kPidLockStateDescription, "lock_state_description", G, x, x, kLockStateNumberArg,
     kLockStateDescription},
    {rdm::kPidIdentifyDevice, "identify_device", G, S, x, {}, kIdentify, kIdentify},
    {rdm::kPidResetDevice, "reset_device", x, S, x, {}, {}, kResetArg},
    {rdm::kPidPowerState, "power_state", G, S, x, {}, kPowerState, kPowerState},
    {rdm::kPidPerformSelftest, "perform_selftest", G, S, x, {}, kTestsActive, kTestArg},
    {rdm::kPidSelfTestDescription, "self_test_description", G, x, x, kTestArg, kTestDescription},
    {rdm::kPidCapturePreset, "capture_preset", x, S, x, {}, {}, kCapturePreset},
    {rdm::kPidPresetPlayback, "preset_playback", G, S, x, {}, kPresetPlayback, kPresetPlayback},
    {rdm::kPidIdentifyMode, "identify_mode", G, S, x, {}, kIdentifyMode, kIdentifyMode},
    {rdm::kPidPresetInfo, "preset_info", G, x, x, {}, kPresetInfo},
    {rdm::kPidPresetStatus, "preset_status", G, S, x, kSceneArg, kPresetStatus, kPresetStatusArg},
    {rdm::kPidPresetMergeMode, "preset_mergemode", G, S, x, {}, kMergeMode, kMergeMode},
    {rdm::kPidPowerOnSelfTest,
     "power_on_self_test",
     G,
     S,
     x,
     {},
     kPowerOnSelfTest,
     kPowerOnSelfTest},
};

}  // namespace

std::span<const PidInfo> PidTable() {
  return kTable;
}

Layout UnknownLayout() {
  return kRawData;
}

}  // namespace korval::params
