#include "devices/names_list.h"

#include <algorithm>
#include <filesystem>

#include "base/atomic_file.h"
#include "base/errors.h"
#include "base/win1252.h"

namespace korval {

bool SameKey(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

std::string_view KeyOfLine(std::string_view line) {
  const auto eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view() : line.substr(0, eq);
}

std::string_view NameOfLine(std::string_view line) {
  const auto eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
}

std::optional<std::string> NamesList::FindName(std::string_view key) const {
  for (const auto& line : lines_) {
    if (SameKey(KeyOfLine(line), key)) return std::string(NameOfLine(line));
  }
  return std::nullopt;
}

std::string NamesList::GetName(std::string_view key) const {
  return FindName(key).value_or(std::string());
}

void NamesList::SetName(std::string_view key, std::string_view name) {
  for (auto& line : lines_) {
    if (SameKey(KeyOfLine(line), key)) {
      line = std::string(KeyOfLine(line)) + "=" + std::string(name);
      return;
    }
  }
  lines_.push_back(std::string(key) + "=" + std::string(name));
}

std::string NamesList::KeyAt(int position) const {
  if (position < 0 || position >= Count()) return {};
  return std::string(KeyOfLine(lines_[static_cast<std::size_t>(position)]));
}

std::vector<std::string> ParseNamesFile(std::span<const std::uint8_t> bytes) {
  const auto nul = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  bytes = bytes.first(static_cast<std::size_t>(nul - bytes.begin()));
  // Editors on Windows may put a UTF-8 byte-order mark in front, and a tool that
  // adds one to a file that has one already puts a second; none is part of the
  // first key. A mark left in the key would also be lost at the next save and
  // read, which takes the key's mark for the file's.
  while (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    bytes = bytes.subspan(3);
  }

  std::vector<std::string> lines;
  std::size_t start = 0;
  auto takeLine = [&](std::size_t end) {
    const auto line = bytes.subspan(start, end - start);
    lines.push_back(IsValidUtf8(line) ? std::string(line.begin(), line.end())
                                      : Win1252ToUtf8(line));
  };
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      takeLine(i);
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < bytes.size()) takeLine(bytes.size());
  return lines;
}

int NulLineOfNamesFile(std::span<const std::uint8_t> bytes) {
  const auto nul = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  if (nul == bytes.end()) return 0;
  const auto before = bytes.first(static_cast<std::size_t>(nul - bytes.begin()));
  int line = 1;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i] != '\r' && before[i] != '\n') continue;
    if (before[i] == '\r' && i + 1 < before.size() && before[i + 1] == '\n') ++i;
    ++line;
  }
  return line;
}

std::vector<std::uint8_t> SerializeNamesFile(const std::vector<std::string>& lines) {
  std::vector<std::uint8_t> bytes;
  for (const auto& line : lines) {
    // A name comes from a device label or the name box and may hold any byte; a
    // line break or NUL inside it would split or cut the file when it is read
    // back, so it is written as a blank.
    for (char c : line) {
      const bool breaksLine = c == '\r' || c == '\n' || c == '\0';
      bytes.push_back(breaksLine ? ' ' : static_cast<std::uint8_t>(c));
    }
    bytes.push_back('\r');
    bytes.push_back('\n');
  }
  return bytes;
}

int LoadNamesList(NamesList& list, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const FileError&) {
    // A file that is not there holds no entries a save could lose.
    std::error_code error;
    list.SetFileUnread(std::filesystem::exists(path, error));
    throw;
  }
  list.SetFileUnread(false);
  list.Assign(ParseNamesFile(bytes));
  return NulLineOfNamesFile(bytes);
}

void SaveNamesList(const NamesList& list, const std::string& path) {
  if (list.FileUnread()) {
    throw FileError("Cannot create file " + path +
                    ": it could not be read, and saving it now would lose the entries it holds");
  }
  WriteFileAtomically(path, SerializeNamesFile(list.Lines()));
}

}  // namespace korval
