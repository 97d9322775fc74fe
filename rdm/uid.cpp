#include "rdm/uid.h"

#include <cstdio>

#include "base/bytes.h"

namespace korval {

std::array<std::uint8_t, kUidBytes> UidToBytes(Uid uid) {
  std::array<std::uint8_t, kUidBytes> bytes{};
  WriteBe48(bytes, 0, uid);
  return bytes;
}

Uid UidFromBytes(std::span<const std::uint8_t, kUidBytes> bytes) {
  return ReadBe48(bytes, 0);
}

std::string UidText(Uid uid) {
  char text[24];
  std::snprintf(text, sizeof text, "%06llX", static_cast<unsigned long long>(uid & kUidMask));
  return text;
}

std::string UidText12(Uid uid) {
  char text[24];
  std::snprintf(text, sizeof text, "%012llX", static_cast<unsigned long long>(uid & kUidMask));
  return text;
}

std::string UidColonText(Uid uid) {
  char text[24];
  std::snprintf(text, sizeof text, "%04X:%08X", static_cast<unsigned>(UidHigh(uid)),
                static_cast<unsigned>(UidLow(uid)));
  return text;
}

namespace {
std::optional<Uid> ParseHexDigits(std::string_view digits) {
  Uid value = 0;
  for (char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (d < 0) return std::nullopt;
    value = (value << 4) | static_cast<Uid>(d);
  }
  return value;
}
}  // namespace

std::optional<Uid> ParseUidColonText(std::string_view text) {
  if (text.size() != 13 || text[4] != ':') return std::nullopt;
  auto high = ParseHexDigits(text.substr(0, 4));
  auto low = ParseHexDigits(text.substr(5));
  if (!high || !low) return std::nullopt;
  return (*high << 32) | *low;
}

}  // namespace korval
