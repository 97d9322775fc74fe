// The names file: whatever is read, saving it and reading it again gives the
// same entries, and saving those gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/win1252.h"
#include "devices/names_list.h"
#include "fuzz/fuzz_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korval;
  const std::vector<std::string> lines = ParseNamesFile(std::span(data, size));
  for (const auto& line : lines) {
    if (!IsValidUtf8(line)) {
      fuzz::PropertyFailed("a names-file line is malformed UTF-8");
    }
  }
  const std::vector<std::uint8_t> saved = SerializeNamesFile(lines);
  const std::vector<std::string> reread = ParseNamesFile(saved);
  if (reread != lines) fuzz::PropertyFailed("a saved names file reads back different entries");
  if (SerializeNamesFile(reread) != saved) {
    fuzz::PropertyFailed("saving the entries read back gives other bytes");
  }

  // Giving an entry the name it already has leaves every line as it was.
  NamesList list;
  list.Assign(lines);
  for (int p = 0; p < list.Count() && p < 64; ++p) {
    const std::string key = list.KeyAt(p);
    if (key.empty()) continue;
    list.SetName(key, list.GetName(key));
    if (list.Lines() != lines)
      fuzz::PropertyFailed("renaming an entry to its name changed the list");
  }
  return 0;
}
