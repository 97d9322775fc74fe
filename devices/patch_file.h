// Patch files ("*.pat"): the address map with its UIDs, kept by the operator.
// Raw little-endian bytes, no magic, version or checksum:
//   offset 0        signed 32-bit record count n
//   offset 4 + 12i  record i: UID as 64-bit (device ID, then manufacturer ID,
//                   then two zero bytes), zero-based start channel (16-bit),
//                   footprint (16-bit)
// A file is read as a whole and checked before anything of it is used.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rdm/uid.h"

namespace korval {

inline constexpr int kPatchMaxRecords = 33;  // the devices the map and the table hold
inline constexpr std::size_t kPatchHeaderBytes = 4;
inline constexpr std::size_t kPatchRecordBytes = 12;

struct PatchRecord {
  Uid uid = 0;
  std::uint16_t start = 0;  // zero-based start channel
  std::uint16_t footprint = 0;
  bool operator==(const PatchRecord&) const = default;
};

// Either the records of a sound file, or why the file is refused.
struct ParsedPatch {
  std::optional<std::vector<PatchRecord>> records;
  std::string fault;
};

// Refuses a file too short for its count, a negative count and a count above
// kPatchMaxRecords; bytes after the last record are ignored.
ParsedPatch ParsePatchFile(std::span<const std::uint8_t> bytes);

std::vector<std::uint8_t> SerializePatchFile(std::span<const PatchRecord> records);

}  // namespace korval
