// Patch files: a file that loads saves back to the same bytes (but for the two
// padding bytes of each UID) and loads again to the same records; a refused
// file always says why.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "devices/patch_file.h"
#include "fuzz/fuzz_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korval;
  const std::span<const std::uint8_t> input(data, size);
  const ParsedPatch parsed = ParsePatchFile(input);
  if (!parsed.records) {
    if (parsed.fault.empty()) fuzz::PropertyFailed("a refused patch file without a reason");
    return 0;
  }
  const auto& records = *parsed.records;
  if (records.size() > static_cast<std::size_t>(kPatchMaxRecords)) {
    fuzz::PropertyFailed("more records than the map holds");
  }
  const std::vector<std::uint8_t> saved = SerializePatchFile(records);
  if (saved.size() > size) fuzz::PropertyFailed("a saved patch file is longer than the loaded one");
  for (std::size_t i = 0; i < saved.size(); ++i) {
    const bool padding = i >= kPatchHeaderBytes &&
                         (i - kPatchHeaderBytes) % kPatchRecordBytes >= 6 &&
                         (i - kPatchHeaderBytes) % kPatchRecordBytes < 8;
    if (!padding && saved[i] != input[i]) {
      fuzz::PropertyFailed("a loaded patch file saves back to other bytes");
    }
  }
  const ParsedPatch reread = ParsePatchFile(saved);
  if (!reread.records || *reread.records != records) {
    fuzz::PropertyFailed("a saved patch file loads back other records");
  }
  return 0;
}
