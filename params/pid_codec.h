// Decoding of a reply's parameter data and encoding of typed values by the
// layouts of the parameter table.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "params/pid_table.h"
#include "params/pid_value.h"

namespace korval::params {

// Never reads past data. A reply that ends inside a fixed field decodes the
// fields before it, sets truncated and adds the field "error"; bytes after the
// layout, or after a group's last whole item, go into extra and the field
// "extra_bytes" (a cut field's own bytes are not extra).
DecodedReply DecodeLayout(Layout layout, std::span<const std::uint8_t> data);

enum class Command : std::uint8_t { kGet, kSet };
// The reply to a GET or SET of the parameter; a parameter not in the table
// decodes as raw bytes.
DecodedReply DecodeReply(std::uint16_t pid, Command command, std::span<const std::uint8_t> data);

struct EncodedArgs {
  std::vector<std::uint8_t> bytes;
  std::string error;  // empty when the values were good; bytes is then empty on error
  bool ok() const { return error.empty(); }
};

// One value per field, as typed: 17, 0x11, -3, "Spot 1", on/off/true/false/
// yes/no/1/0, a code's name (case and '_', '-', ' ' do not matter), a UID as
// mmmm:dddddddd, a version as a.b.c.d. A trailing raw-bytes field takes any
// number of byte values, a trailing group whole items.
EncodedArgs EncodeLayout(Layout layout, std::span<const std::string> values);
EncodedArgs EncodeGetArgs(std::uint16_t pid, std::span<const std::string> values);
EncodedArgs EncodeSetArgs(std::uint16_t pid, std::span<const std::string> values);

}  // namespace korval::params
