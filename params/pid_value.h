// A decoded parameter reply as values the command line can print as text or as
// JSON: numbers, named codes, text, flags, raw bytes and nested lists.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korval::params {

struct PidField;

enum class ValueType : std::uint8_t {
  kNumber,  // JSON number; text is its printed form (decimal unless told)
  kNamed,   // a code with a name (an enum, a version): JSON gives the text
  kText,    // a label or language code
  kBool,    // number 0 or 1
  kBytes,   // raw bytes: text "01 02 0a", JSON an array of numbers
  kList,    // a repeated group: items without names
  kObject,  // one item of a group: named fields
};

struct PidValue {
  ValueType type = ValueType::kNumber;
  std::int64_t number = 0;
  std::string text;
  std::vector<std::uint8_t> bytes;
  std::vector<PidField> items;
};

struct PidField {
  std::string name;
  PidValue value;
};

struct DecodedReply {
  std::vector<PidField> fields;
  // The reply ended inside a fixed field; the fields before it are decoded.
  bool truncated = false;
  // Bytes after the layout (or a part of a group item), also listed as the
  // field "extra_bytes".
  std::vector<std::uint8_t> extra;
};

PidValue NumberValue(std::int64_t number, std::string text = {});
PidValue NamedValue(std::int64_t number, std::string name);
PidValue TextValue(std::string text);
PidValue BoolValue(bool flag);
PidValue BytesValue(std::vector<std::uint8_t> bytes);

// "01 02 0a".
std::string HexBytes(const std::vector<std::uint8_t>& bytes);
// One "name: value" line per field; a group's items as "  name[i].field: value".
std::vector<std::string> FormatLines(const DecodedReply& reply);
// One JSON object, fields in layout order.
std::string ToJson(const DecodedReply& reply);

}  // namespace korval::params
