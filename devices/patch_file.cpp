#include "devices/patch_file.h"

#include "base/bytes.h"

namespace korval {

ParsedPatch ParsePatchFile(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kPatchHeaderBytes) {
    return {std::nullopt, "the file holds " + std::to_string(bytes.size()) +
                              " bytes, too few for the record count"};
  }
  const auto count =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadLe(bytes, 0, kPatchHeaderBytes)));
  if (count < 0) {
    return {std::nullopt, "the record count " + std::to_string(count) + " is negative"};
  }
  if (count > kPatchMaxRecords) {
    return {std::nullopt, "the record count " + std::to_string(count) + " is above the " +
                              std::to_string(kPatchMaxRecords) + " devices the map holds"};
  }
  const std::size_t needed =
      kPatchHeaderBytes + kPatchRecordBytes * static_cast<std::size_t>(count);
  if (bytes.size() < needed) {
    return {std::nullopt, "the file holds " + std::to_string(bytes.size()) + " bytes, but " +
                              std::to_string(count) + " records need " + std::to_string(needed)};
  }
  std::vector<PatchRecord> records;
  records.reserve(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    const auto record = bytes.subspan(kPatchHeaderBytes + kPatchRecordBytes * i, kPatchRecordBytes);
    records.push_back({
        // A UID has 48 bits; the two top bytes of the field are padding.
        .uid = ReadLe64(record, 0) & kUidMask,
        .start = ReadLe16(record, 8),
        .footprint = ReadLe16(record, 10),
    });
  }
  return {std::move(records), {}};
}

std::vector<std::uint8_t> SerializePatchFile(std::span<const PatchRecord> records) {
  std::vector<std::uint8_t> out;
  out.reserve(kPatchHeaderBytes + kPatchRecordBytes * records.size());
  AppendLe(out, static_cast<std::uint32_t>(records.size()), kPatchHeaderBytes);
  for (const PatchRecord& record : records) {
    AppendLe(out, record.uid & kUidMask, 8);
    AppendLe(out, record.start, 2);
    AppendLe(out, record.footprint, 2);
  }
  return out;
}

}  // namespace korval
