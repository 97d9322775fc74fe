// Encoding typed values by a layout. A value is checked whole before any byte
// is kept, so a bad value produces a message and no bytes.
#include <algorithm>
#include <cctype>
#include <limits>

#include "base/bytes.h"
#include "base/conversion.h"
#include "base/win1252.h"
#include "params/pid_codec.h"
#include "params/pid_names.h"
#include "rdm/uid.h"

namespace korval::params {
namespace {

struct Range {
  std::int64_t min, max;
};

Range KindRange(const FieldDef& def) {
  if (def.max >= def.min) return {def.min, def.max};
  switch (def.kind) {
    case FieldKind::kU8:
      return {0, 0xFF};
    case FieldKind::kS8:
      return {-128, 127};
    case FieldKind::kS16:
      return {-32768, 32767};
    case FieldKind::kU32:
    case FieldKind::kVersion:
      return {0, 0xFFFFFFFF};
    case FieldKind::kS32:
      return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
    default:
      return {0, 0xFFFF};
  }
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

// The integer of a value: a name of the field's codes, or a number in range.
std::optional<std::int64_t> Integer(const FieldDef& def, std::string_view text,
                                    std::string& error) {
  if (const NamedCode* named = names::FindName(def.names, text)) return named->code;
  const auto number = ParseInteger(text, std::numeric_limits<std::int64_t>::min(),
                                   std::numeric_limits<std::int64_t>::max());
  if (!number) {
    error = std::string(def.name) + ": " + Quoted(text) + " is not a number";
    if (!def.names.empty()) error += " nor a name of its values";
    return std::nullopt;
  }
  const Range range = KindRange(def);
  if (*number < range.min || *number > range.max) {
    error = std::string(def.name) + ": " + std::to_string(*number) + " is out of range " +
            std::to_string(range.min) + ".." + std::to_string(range.max);
    return std::nullopt;
  }
  return number;
}

std::optional<bool> Flag(std::string_view text) {
  const std::string word = Lower(text);
  if (word == "on" || word == "true" || word == "yes" || word == "1") return true;
  if (word == "off" || word == "false" || word == "no" || word == "0") return false;
  return std::nullopt;
}

std::optional<std::uint32_t> Version(std::string_view text) {
  std::uint32_t value = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = text.find('.');
    if ((part < 3) != (dot != std::string_view::npos)) return std::nullopt;
    const std::string_view digits = text.substr(0, dot);
    if (digits.find_first_of("xX$") != std::string_view::npos) return std::nullopt;
    const auto number = ParseInteger(digits, 0, 255);
    if (!number) return std::nullopt;
    value = value << 8 | static_cast<std::uint32_t>(*number);
    if (dot != std::string_view::npos) text.remove_prefix(dot + 1);
  }
  return value;
}

bool EncodeField(const FieldDef& def, std::string_view text, std::vector<std::uint8_t>& out,
                 std::string& error) {
  const std::string name(def.name);
  switch (def.kind) {
    case FieldKind::kBool: {
      const auto flag = Flag(text);
      if (!flag) {
        error = name + ": " + Quoted(text) + " is not on/off, true/false, yes/no or 1/0";
        return false;
      }
      out.push_back(*flag ? 1 : 0);
      return true;
    }
    case FieldKind::kUid: {
      const auto uid = ParseUidColonText(text);
      if (!uid) {
        error = name + ": " + Quoted(text) + " is not a UID (mmmm:dddddddd)";
        return false;
      }
      AppendBe48(out, *uid);
      return true;
    }
    case FieldKind::kVersion: {
      auto version = Version(text);
      if (!version && text.find('.') == std::string_view::npos) {
        const auto number = Integer(def, text, error);
        if (!number) return false;
        version = static_cast<std::uint32_t>(*number);
      }
      if (!version) {
        error = name + ": " + Quoted(text) + " is not a version (four numbers 0..255 joined by .)";
        return false;
      }
      AppendBe32(out, *version);
      return true;
    }
    case FieldKind::kPid: {
      const auto pid = ResolvePid(text);
      if (!pid) {
        error = name + ": " + Quoted(text) + " is neither a parameter name nor a number 0..65535";
        return false;
      }
      AppendBe16(out, pid->number);
      return true;
    }
    case FieldKind::kCategory:
    case FieldKind::kSlotLabel: {
      const names::Names codes =
          def.kind == FieldKind::kCategory ? names::kCategories : names::kSlotLabels;
      const NamedCode* named = names::FindName(codes, text);
      if (named == nullptr && def.kind == FieldKind::kCategory) {
        const auto it = std::find_if(codes.begin(), codes.end(), [&](const NamedCode& code) {
          return Lower(names::CategoryName(static_cast<std::uint16_t>(code.code))) == Lower(text);
        });
        if (it != codes.end()) named = &*it;
      }
      if (named != nullptr) {
        AppendBe16(out, static_cast<std::uint16_t>(named->code));
        return true;
      }
      const auto number = Integer(def, text, error);
      if (!number) return false;
      AppendBe16(out, static_cast<std::uint16_t>(*number));
      return true;
    }
    case FieldKind::kLabel:
    case FieldKind::kChars: {
      const std::vector<std::uint8_t> bytes = Utf8ToWin1252(text);
      if (def.kind == FieldKind::kChars && bytes.size() != def.size) {
        error = name + ": " + Quoted(text) + " is not " + std::to_string(def.size) + " characters";
        return false;
      }
      if (bytes.size() > def.size) {
        error = name + ": " + Quoted(text) + " is " + std::to_string(bytes.size()) +
                " bytes long, at most " + std::to_string(def.size);
        return false;
      }
      out.insert(out.end(), bytes.begin(), bytes.end());
      return true;
    }
    case FieldKind::kBytes: {
      const FieldDef byte{def.name, FieldKind::kU8};
      const auto number = Integer(byte, text, error);
      if (!number) return false;
      out.push_back(static_cast<std::uint8_t>(*number));
      return true;
    }
    case FieldKind::kGroup:
      return false;
    default: {
      const auto number = Integer(def, text, error);
      if (!number) return false;
      AppendBe(out, static_cast<std::uint64_t>(*number), FixedFieldSize(def));
      return true;
    }
  }
}

std::string CountError(Layout layout, std::size_t given) {
  std::string fields;
  std::size_t wanted = 0;
  for (const FieldDef& def : layout) {
    fields += " " + std::string(def.name);
    if (def.kind == FieldKind::kBytes) {
      fields += "...";
    } else if (def.kind == FieldKind::kGroup) {
      fields += "[";
      for (const FieldDef& item : def.group) fields += " " + std::string(item.name);
      fields += " ]...";
    } else {
      ++wanted;
    }
  }
  const bool open = !layout.empty() && (layout.back().kind == FieldKind::kBytes ||
                                        layout.back().kind == FieldKind::kGroup);
  std::string text = "expected " + std::string(open ? "at least " : "") + std::to_string(wanted) +
                     (wanted == 1 ? " value" : " values");
  if (!fields.empty()) text += " (" + fields.substr(1) + ")";
  return text + ", got " + std::to_string(given);
}

}  // namespace

EncodedArgs EncodeLayout(Layout layout, std::span<const std::string> values) {
  EncodedArgs result;
  std::size_t next = 0;
  for (const FieldDef& def : layout) {
    if (def.kind == FieldKind::kBytes) {
      for (; next < values.size(); ++next) {
        if (!EncodeField(def, values[next], result.bytes, result.error)) break;
      }
    } else if (def.kind == FieldKind::kGroup) {
      const std::size_t rest = values.size() - next;
      if (def.group.empty() || rest % def.group.size() != 0) {
        result.error = CountError(layout, values.size());
      }
      while (result.ok() && next < values.size()) {
        for (const FieldDef& item : def.group) {
          if (!EncodeField(item, values[next++], result.bytes, result.error)) break;
        }
      }
    } else if (next >= values.size()) {
      result.error = CountError(layout, values.size());
    } else {
      EncodeField(def, values[next++], result.bytes, result.error);
    }
    if (!result.ok()) break;
  }
  if (result.ok() && next != values.size()) result.error = CountError(layout, values.size());
  if (!result.ok()) result.bytes.clear();
  return result;
}

namespace {

EncodedArgs EncodeFor(std::uint16_t pid, Command command, std::span<const std::string> values) {
  const PidInfo* info = FindPid(pid);
  if (info == nullptr) return EncodeLayout(UnknownLayout(), values);
  const bool allowed = command == Command::kGet ? info->get : info->set;
  if (!allowed) {
    EncodedArgs refused;
    refused.error = std::string(info->name) + " cannot be " +
                    (command == Command::kGet ? "read with GET" : "written with SET");
    return refused;
  }
  return EncodeLayout(command == Command::kGet ? info->getArgs : info->setArgs, values);
}

}  // namespace

EncodedArgs EncodeGetArgs(std::uint16_t pid, std::span<const std::string> values) {
  return EncodeFor(pid, Command::kGet, values);
}

EncodedArgs EncodeSetArgs(std::uint16_t pid, std::span<const std::string> values) {
  return EncodeFor(pid, Command::kSet, values);
}

}  // namespace korval::params
