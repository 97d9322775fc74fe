#include "base/conversion.h"

#include <limits>

#include "base/errors.h"

namespace korval {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

int DigitValue(char c, int base) {
  int d = -1;
  if (c >= '0' && c <= '9') d = c - '0';
  if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  return d < base ? d : -1;
}

}  // namespace

std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t min,
                                         std::int64_t max) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  // Accumulate in unsigned 64 bits: hexadecimal keys may fill all 64.
  std::uint64_t magnitude = 0;
  for (char c : text) {
    const int d = DigitValue(c, base);
    if (d < 0) return std::nullopt;
    if (magnitude > (std::numeric_limits<std::uint64_t>::max() - static_cast<unsigned>(d)) /
                        static_cast<unsigned>(base)) {
      return std::nullopt;
    }
    magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(d);
  }
  std::int64_t value = 0;
  if (negative) {
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1) {
      return std::nullopt;
    }
    value = static_cast<std::int64_t>(0 - magnitude);
  } else if (base == 16) {
    value = static_cast<std::int64_t>(magnitude);  // hexadecimal wraps into the sign bit
  } else {
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return std::nullopt;
    }
    value = static_cast<std::int64_t>(magnitude);
  }
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::string NotAnIntegerMessage(std::string_view text) {
  return "'" + std::string(text) + "' is not a valid integer value";
}

std::int32_t StrToInt(std::string_view text) {
  auto v = ParseInteger(text, std::numeric_limits<std::int32_t>::min(),
                        std::numeric_limits<std::int32_t>::max());
  if (!v) throw ConversionError(NotAnIntegerMessage(text));
  return static_cast<std::int32_t>(*v);
}

std::int64_t StrToInt64(std::string_view text) {
  auto v = ParseInteger(text, std::numeric_limits<std::int64_t>::min(),
                        std::numeric_limits<std::int64_t>::max());
  if (!v) throw ConversionError(NotAnIntegerMessage(text));
  return *v;
}

}  // namespace korval
