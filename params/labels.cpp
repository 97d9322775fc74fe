#include "params/labels.h"

#include <algorithm>

#include "base/win1252.h"

namespace korval::params {

std::string DecodeLabel(std::span<const std::uint8_t> data) {
  const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
  return Win1252ToUtf8(data.first(static_cast<std::size_t>(end - data.begin())));
}

std::vector<std::uint8_t> EncodeLabel(std::string_view utf8) {
  std::vector<std::uint8_t> bytes = Utf8ToWin1252(utf8);
  if (bytes.size() > kMaxLabelBytes) bytes.resize(kMaxLabelBytes);
  return bytes;
}

std::string OneLineName(std::string_view name) {
  std::string line(name);
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, '?');
  return line;
}

}  // namespace korval::params
