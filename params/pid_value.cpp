#include "params/pid_value.h"

#include <cstdio>

namespace korval::params {

PidValue NumberValue(std::int64_t number, std::string text) {
  PidValue v;
  v.number = number;
  v.text = text.empty() ? std::to_string(number) : std::move(text);
  return v;
}

PidValue NamedValue(std::int64_t number, std::string name) {
  PidValue v;
  v.type = ValueType::kNamed;
  v.number = number;
  v.text = std::move(name);
  return v;
}

PidValue TextValue(std::string text) {
  PidValue v;
  v.type = ValueType::kText;
  v.text = std::move(text);
  return v;
}

PidValue BoolValue(bool flag) {
  PidValue v;
  v.type = ValueType::kBool;
  v.number = flag ? 1 : 0;
  v.text = flag ? "true" : "false";
  return v;
}

PidValue BytesValue(std::vector<std::uint8_t> bytes) {
  PidValue v;
  v.type = ValueType::kBytes;
  v.text = HexBytes(bytes);
  v.bytes = std::move(bytes);
  return v;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (const std::uint8_t b : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02x", b);
    if (!text.empty()) text += ' ';
    text += hex;
  }
  return text;
}

namespace {

void AddLines(std::vector<std::string>& lines, const std::string& prefix,
              const std::vector<PidField>& fields) {
  for (const PidField& field : fields) {
    const std::string name = prefix + field.name;
    if (field.value.type == ValueType::kList) {
      lines.push_back(name + ": " + std::to_string(field.value.items.size()) + " items");
      for (std::size_t i = 0; i < field.value.items.size(); ++i) {
        const PidValue& item = field.value.items[i].value;
        const std::string itemName = "  " + name + "[" + std::to_string(i) + "]";
        if (item.type == ValueType::kObject) {
          AddLines(lines, itemName + ".", item.items);
        } else {
          lines.push_back(itemName + ": " + item.text);
        }
      }
    } else {
      lines.push_back(name + ": " + field.value.text);
    }
  }
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Json(const PidValue& value);

std::string JsonObject(const std::vector<PidField>& fields) {
  std::string out = "{";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ", ";
    out += JsonString(fields[i].name) + ": " + Json(fields[i].value);
  }
  return out + "}";
}

std::string Json(const PidValue& value) {
  switch (value.type) {
    case ValueType::kNumber:
      return std::to_string(value.number);
    case ValueType::kNamed:
    case ValueType::kText:
      return JsonString(value.text);
    case ValueType::kBool:
      return value.number != 0 ? "true" : "false";
    case ValueType::kBytes: {
      std::string out = "[";
      for (std::size_t i = 0; i < value.bytes.size(); ++i) {
        if (i > 0) out += ", ";
        out += std::to_string(value.bytes[i]);
      }
      return out + "]";
    }
    case ValueType::kList: {
      std::string out = "[";
      for (std::size_t i = 0; i < value.items.size(); ++i) {
        if (i > 0) out += ", ";
        out += Json(value.items[i].value);
      }
      return out + "]";
    }
    case ValueType::kObject:
      return JsonObject(value.items);
  }
  return "null";
}

}  // namespace

std::vector<std::string> FormatLines(const DecodedReply& reply) {
  std::vector<std::string> lines;
  AddLines(lines, "", reply.fields);
  return lines;
}

std::string ToJson(const DecodedReply& reply) {
  return JsonObject(reply.fields);
}

}  // namespace korval::params
