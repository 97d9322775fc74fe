// Strict text-to-integer conversion, as operators expect of a numeric box: an
// optional sign and decimal digits, surrounding blanks allowed; "$1F" or "0x1F"
// read as hexadecimal. Anything else, or a value out of range, throws
// ConversionError with the message "'<text>' is not a valid integer value".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korval {

std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t min, std::int64_t max);

std::int32_t StrToInt(std::string_view text);
std::int64_t StrToInt64(std::string_view text);
std::string NotAnIntegerMessage(std::string_view text);

}  // namespace korval
