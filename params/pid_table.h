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

#include "base/bytes.h"
#include "rdm/uid.h"

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
  // The window's wording of the code, for the few codes it shows; a status
  // text puts the message's data values in at %1, %2 and %t (the low byte of
  // the second, a temperature).
  std::string_view text = {};
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

// The bytes a field of fixed size takes; 0 for labels, raw bytes and groups,
// which take the rest of the data.
constexpr std::size_t FixedFieldSize(const FieldDef& def) {
  switch (def.kind) {
    case FieldKind::kU8:
    case FieldKind::kS8:
    case FieldKind::kBool:
      return 1;
    case FieldKind::kU16:
    case FieldKind::kS16:
    case FieldKind::kPid:
    case FieldKind::kCategory:
    case FieldKind::kSlotLabel:
      return 2;
    case FieldKind::kU32:
    case FieldKind::kS32:
    case FieldKind::kVersion:
      return 4;
    case FieldKind::kUid:
      return kUidBytes;
    case FieldKind::kChars:
      return def.size;
    case FieldKind::kLabel:
    case FieldKind::kBytes:
    case FieldKind::kGroup:
      return 0;
  }
  return 0;
}

// Where the named field of a layout of fixed-size fields lies. Evaluated while
// compiling, so that a name the layout lacks is an error there.
struct FieldPlace {
  std::size_t at = 0;
  std::size_t bytes = 0;
  constexpr std::size_t End() const { return at + bytes; }
};
consteval FieldPlace PlaceOf(Layout layout, std::string_view name) {
  std::size_t at = 0;
  for (const FieldDef& def : layout) {
    if (def.name == name) return {at, FixedFieldSize(def)};
    at += FixedFieldSize(def);
  }
  throw "the layout has no field of this name";
}
// A field's place as a type, so that the encoder and decoder below can check
// the width of the value they are handed against the layout's.
template <FieldPlace kPlace>
struct At {};

// Visitors of (At<place>, value) pairs: one writes each value at its place,
// the other reads it from there (bytes past the data read as 0xFF).
struct PutFields {
  std::span<std::uint8_t> data;
  template <FieldPlace kPlace, typename T>
  void operator()(At<kPlace>, T value) const {
    static_assert(sizeof(T) == kPlace.bytes);
    WriteBe(data, kPlace.at, static_cast<std::uint64_t>(value), kPlace.bytes);
  }
};
struct TakeFields {
  std::span<const std::uint8_t> data;
  template <FieldPlace kPlace, typename T>
  void operator()(At<kPlace>, T& value) const {
    static_assert(sizeof(T) == kPlace.bytes);
    value = static_cast<T>(ReadBe(data, kPlace.at, kPlace.bytes));
  }
};

// The bytes of a layout of fixed-size fields.
consteval std::size_t LayoutBytes(Layout layout) {
  std::size_t bytes = 0;
  for (const FieldDef& def : layout) bytes += FixedFieldSize(def);
  return bytes;
}

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
