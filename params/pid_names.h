// The named codes of the parameter table: status types, status IDs, sensor
// types, units, prefixes, slot types and labels, product categories and
// details, and the small enumerations of single parameters. Names are lower
// case with '_', so that they can be typed back as values. The status IDs and
// the categories also carry the window's wording of those it shows.
#pragma once

#include <span>
#include <string>

#include "params/pid_table.h"
#include "rdm/rdm_constants.h"

namespace korval::params::names {

using Names = std::span<const NamedCode>;

// Here rather than with the other tables: STATUS_MESSAGES' layout names its
// codes by them while compiling (params/status_text.h).
inline constexpr NamedCode kStatusTypeCodes[] = {
    {rdm::kStatusNone, "none"},
    {rdm::kStatusGetLastMessage, "get_last_message"},
    {rdm::kStatusAdvisory, "advisory"},
    {rdm::kStatusWarning, "warning"},
    {rdm::kStatusError, "error"},
    {rdm::kStatusAdvisoryCleared, "advisory_cleared"},
    {rdm::kStatusWarningCleared, "warning_cleared"},
    {rdm::kStatusErrorCleared, "error_cleared"},
};

inline constexpr NamedCode kStatusIdCodes[] = {
    {rdm::kStsCalFail, "cal_fail", "Calibration %1 failed"},
    {0x0002, "sens_not_found", "Sensor %1 not found"},
    {0x0003, "sens_always_on", "Sensor %1 always on"},
    {0x0004, "feedback_error"},
    {0x0005, "index_error"},
    {rdm::kStsLampDoused, "lamp_doused", "Lamp doused"},
    {0x0012, "lamp_strike", "Lamp strike"},
    {0x0013, "lamp_access_open"},
    {0x0014, "lamp_always_on"},
    {rdm::kStsOverTemp, "overtemp", "Hot, %t\u00B0C"},
    {0x0022, "undertemp", "Temperature %1 too low, %2"},
    {0x0023, "sens_out_range", "Sensor %1 out of range"},
    {0x0031, "overvoltage_phase", "Voltage of Phase%1 to high, %2V"},
    {0x0032, "undervoltage_phase", "Voltage of Phase%1 too low, %2V"},
    {0x0033, "overcurrent", "Current of Phase%1 to high, %2A"},
    {0x0034, "undercurrent"},
    {0x0035, "phase"},
    {0x0036, "phase_error", "Error of Phase %1"},
    {0x0037, "amps"},
    {0x0038, "volts"},
    {0x0041, "dimslot_occupied"},
    {0x0042, "breaker_trip", "Breaker %1 tripped"},
    {0x0043, "watts"},
    {0x0044, "dim_failure", "Dimming Failure"},
    {0x0045, "dim_panic"},
    {0x0046, "load_failure"},
    {rdm::kStsReady, "ready", "OK; Temp. %t\u00B0C"},
    {0x0051, "not_ready", "Not Ready"},
    {rdm::kStsLowFluid, "low_fluid", "Low Fluid"},
};

inline constexpr Names kStatusTypes = kStatusTypeCodes;
inline constexpr Names kStatusIds = kStatusIdCodes;

extern const Names kSensorTypes;
extern const Names kUnits;
extern const Names kPrefixes;
extern const Names kRecordedValueSupport;
extern const Names kSlotTypes;
extern const Names kSlotLabels;
extern const Names kProductDetails;
extern const Names kDataTypes;
extern const Names kCommandClasses;
extern const Names kLampStates;
extern const Names kLampOnModes;
extern const Names kPowerStates;
extern const Names kResetTypes;
extern const Names kDisplayInvert;
extern const Names kSelfTests;
extern const Names kPresetPlayback;
extern const Names kPresetProgrammed;
extern const Names kMergeModes;
extern const Names kIdentifyModes;
extern const Names kAllSensors;
extern const Names kInfinite;
extern const Names kUnlocked;
extern const Names kFixedLevel;

// Product categories as E1.20 names them, with the window's wording of some.
extern const Names kCategories;
// The window's text for the categories it names, otherwise the table's name;
// empty for a code in neither.
std::string CategoryName(std::uint16_t code);

const NamedCode* FindCode(Names names, std::uint32_t code);
// Case-insensitive, and '_', '-' and ' ' are the same character.
const NamedCode* FindName(Names names, std::string_view name);

}  // namespace korval::params::names
