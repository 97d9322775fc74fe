// The named codes of the parameter table: status types, sensor types, units,
// prefixes, slot types and labels, product categories and details, and the
// small enumerations of single parameters. Names are lower case with '_', so
// that they can be typed back as values.
#pragma once

#include <span>
#include <string>

#include "params/pid_table.h"

namespace korval::params::names {

using Names = std::span<const NamedCode>;

extern const Names kStatusTypes;
extern const Names kStatusIds;
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

// Product categories as E1.20 names them.
extern const Names kCategories;
// The window's text for the categories it names, otherwise the table's name;
// empty for a code in neither.
std::string CategoryName(std::uint16_t code);

const NamedCode* FindCode(Names names, std::uint32_t code);
// Case-insensitive, and '_', '-' and ' ' are the same character.
const NamedCode* FindName(Names names, std::string_view name);

}  // namespace korval::params::names
