#include "devices/patch_file.h"

namespace korval {

namespace {

std::uint64_t ReadLittleEndian(std::span<const std::uint8_t> bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

void AppendLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

ParsedPatch ParsePatchFile(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kPatchHeaderBytes) {
    return {std::nullopt, "the file holds " + std::to_string(bytes.size()) +
                              " bytes, too few for the record count"};
  }
  const auto count = static_cast<std::int32_t>(
      static_cast<std::uint32_t>(ReadLittleEndian(bytes.first(kPatchHeaderBytes))));
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
        .uid = ReadLittleEndian(record.first(8)) & kUidMask,
        .start = static_cast<std::uint16_t>(ReadLittleEndian(record.subspan(8, 2))),
        .footprint = static_cast<std::uint16_t>(ReadLittleEndian(record.subspan(10, 2))),
    });
  }
  return {std::move(records), {}};
}

std::vector<std::uint8_t> SerializePatchFile(std::span<const PatchRecord> records) {
  std::vector<std::uint8_t> out;
  out.reserve(kPatchHeaderBytes + kPatchRecordBytes * records.size());
  AppendLittleEndian(out, static_cast<std::uint32_t>(records.size()), kPatchHeaderBytes);
  for (const PatchRecord& record : records) {
    AppendLittleEndian(out, record.uid & kUidMask, 8);
    AppendLittleEndian(out, record.start, 2);
    AppendLittleEndian(out, record.footprint, 2);
  }
  return out;
}

}  // namespace korval
