#include "base/win1252.h"

#include <array>

namespace korval {

namespace {

// 0x80..0x9F differ from Latin-1; 0 marks the bytes that Windows-1252 leaves unassigned.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t ToCodePoint(std::uint8_t b) {
  if (b >= 0x80 && b <= 0x9F) {
    const char32_t c = kHighControls[b - 0x80];
    return c != 0 ? c : 0xFFFD;
  }
  return b;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 sequence at bytes[i]; returns its length, 0 when malformed.
std::size_t DecodeUtf8(std::span<const std::uint8_t> bytes, std::size_t i, char32_t& c) {
  const std::uint8_t b = bytes[i];
  std::size_t len = 0;
  if (b < 0x80) {
    c = b;
    return 1;
  }
  if ((b & 0xE0) == 0xC0) {
    len = 2;
    c = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3;
    c = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4;
    c = b & 0x07;
  } else {
    return 0;
  }
  if (i + len > bytes.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((bytes[i + k] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (bytes[i + k] & 0x3F);
  }
  constexpr std::array<char32_t, 5> kMinimum = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMinimum[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

std::string Win1252ToUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::uint8_t b : bytes) AppendUtf8(out, ToCodePoint(b));
  return out;
}

std::vector<std::uint8_t> Utf8ToWin1252(std::string_view utf8) {
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(utf8.data()),
                                            utf8.size());
  std::vector<std::uint8_t> out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t c = 0;
    const std::size_t len = DecodeUtf8(bytes, i, c);
    if (len == 0) {
      out.push_back('?');
      ++i;
      continue;
    }
    i += len;
    std::uint8_t encoded = '?';
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      encoded = static_cast<std::uint8_t>(c);
    } else {
      for (std::size_t k = 0; k < kHighControls.size(); ++k) {
        if (kHighControls[k] == c) encoded = static_cast<std::uint8_t>(0x80 + k);
      }
    }
    out.push_back(encoded);
  }
  return out;
}

bool IsValidUtf8(std::span<const std::uint8_t> bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t c = 0;
    const std::size_t len = DecodeUtf8(bytes, i, c);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

}  // namespace korval
