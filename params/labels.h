// Device and manufacturer labels: single-byte Windows-1252 text on the wire,
// UTF-8 inside the tool.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rdm/rdm_constants.h"

namespace korval::params {

using rdm::kMaxLabelBytes;

// The text up to the first zero byte, if any; 0xB0 reads as the degree sign.
std::string DecodeLabel(std::span<const std::uint8_t> data);
// The Windows-1252 bytes of the text, '?' for a character without one, cut to
// the first 32 bytes.
std::vector<std::uint8_t> EncodeLabel(std::string_view utf8);
// A name as one line of the names file can hold it: a label may carry CR or LF
// bytes, which would split its line in two, so they become '?'.
std::string OneLineName(std::string_view name);

}  // namespace korval::params
