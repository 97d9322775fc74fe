// Windows-1252, the single-byte character set of fixture labels and of names
// files written on Windows systems. Texts inside the tool are UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korval {

// Every byte maps to a character (the five unassigned bytes to U+FFFD).
std::string Win1252ToUtf8(std::span<const std::uint8_t> bytes);
// Characters without a Windows-1252 byte become '?'; malformed UTF-8 too.
std::vector<std::uint8_t> Utf8ToWin1252(std::string_view utf8);
bool IsValidUtf8(std::span<const std::uint8_t> bytes);
inline bool IsValidUtf8(std::string_view text) {
  return IsValidUtf8({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

}  // namespace korval
