// Every E1.20 parameter (and the E1.37-1 ones) by number and by name, with the
// layout of its GET argument, its SET argument and its replies, for the
// command line's get, set and pids commands.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korval::params {

enum class FieldKind : std::uint8_t {
  kU8,
  kU16,
  kU32,
  kS8,
  kS16,
  kS32,
  kBool,       // one byte: zero false, anything else true
  kUid,        // six bytes, shown as mmmm:dddddddd
  kVersion,    // four bytes, shown as the window shows firmware: 1.2.0.255
  kPid,        // two bytes, shown with the parameter's name
  kCategory,   // two bytes, a product category
  kSlotLabel,  // two bytes: a slot label for a primary slot, else its primary slot
  kLabel,      // the rest of the data, at most `size` single-byte characters
  kChars,      // exactly `size` characters (a language code)
  kBytes,      // the rest of the data as raw bytes
  kGroup,      // the rest of the data as whole items of `group`
};

struct NamedCode {
  std::uint32_t code;
  std::string_view name;
};

struct FieldDef {
  std::string_view name;
  FieldKind kind;
  // Names of some or all of the codes of an integer field.
  std::span<const NamedCode> names = {};
  std::span<const FieldDef> group = {};
  std::uint8_t size = 0;
  // The range a typed value must be in; max < min means the whole range of the kind.
  std::int64_t min = 0;
  std::int64_t max = -1;
};

using Layout = std::span<const FieldDef>;

struct PidInfo {
  std::uint16_t number;
  std::string_view name;
  bool get = false;
  bool set = false;
  // DISC_UNIQUE_BRANCH, DISC_MUTE and DISC_UN_MUTE: listed, never got or set.
  bool discovery = false;
  Layout getArgs = {};
  Layout getReply = {};
  Layout setArgs = {};
  Layout setReply = {};
};

// In number order.
std::span<const PidInfo> PidTable();
const PidInfo* FindPid(std::uint16_t number);
// Case-insensitive; also the few other names OLA gives some parameters.
const PidInfo* FindPidByName(std::string_view name);

struct PidRef {
  std::uint16_t number = 0;
  const PidInfo* info = nullptr;  // null for a parameter not in the table
};
// A name, or a number in decimal or 0x hexadecimal ("0x0082", "130"). A number
// not in the table (a manufacturer's parameter) is a PidRef without info.
std::optional<PidRef> ResolvePid(std::string_view text);

// "0x0082 device_label", one line per entry, in number order.
std::vector<std::string> PidListing();
// "0x0082"
std::string PidNumberText(std::uint16_t number);

// The layout of a parameter not in the table: raw bytes both ways.
Layout UnknownLayout();

}  // namespace korval::params
