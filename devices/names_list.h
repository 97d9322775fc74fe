// The names list: ordered "key=name" lines keyed by UID text, kept in
// "devnames.lst". Keys compare without regard to letter case, duplicates are
// allowed, and a line without "=" has an empty key.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korval {

inline constexpr const char* kDeviceNamesFile = "devnames.lst";

class NamesList {
 public:
  const std::vector<std::string>& Lines() const { return lines_; }
  int Count() const { return static_cast<int>(lines_.size()); }
  void Clear() { lines_.clear(); }
  void Assign(std::vector<std::string> lines) { lines_ = std::move(lines); }

  // The name of the first entry whose key matches; none (or, from GetName,
  // empty) when there is none.
  std::optional<std::string> FindName(std::string_view key) const;
  std::string GetName(std::string_view key) const;
  // Replaces the first matching entry's name in place, or appends key=name.
  void SetName(std::string_view key, std::string_view name);
  std::string KeyAt(int position) const;

  // True from a load that found the file but could not read it up to the next
  // load that could. A save then would replace entries the tool never saw, so
  // SaveNamesList refuses it.
  bool FileUnread() const { return fileUnread_; }
  void SetFileUnread(bool unread) { fileUnread_ = unread; }

 private:
  std::vector<std::string> lines_;
  bool fileUnread_ = false;
};

// Keys compare without regard to letter case.
bool SameKey(std::string_view a, std::string_view b);

std::string_view KeyOfLine(std::string_view line);
std::string_view NameOfLine(std::string_view line);

// The file's lines: CR, LF or CR LF end a line, a NUL byte ends the text. A line
// that is valid UTF-8 is taken as it is; any other line is read as Windows-1252,
// so that a file written on a Windows system still loads. A leading UTF-8
// byte-order mark is skipped.
std::vector<std::string> ParseNamesFile(std::span<const std::uint8_t> bytes);
// The line (counted from 1, as ParseNamesFile splits them) in which a NUL byte
// ends the text; 0 when the file holds none.
int NulLineOfNamesFile(std::span<const std::uint8_t> bytes);
// UTF-8, every line (the last one too) ended by CR LF, no byte-order mark. A
// CR, LF or NUL inside a line is written as a blank.
std::vector<std::uint8_t> SerializeNamesFile(const std::vector<std::string>& lines);

// Throw FileError when the file cannot be read or replaced; a failed save keeps
// the previous file intact. A load returns NulLineOfNamesFile of the file.
int LoadNamesList(NamesList& list, const std::string& path = kDeviceNamesFile);
void SaveNamesList(const NamesList& list, const std::string& path = kDeviceNamesFile);

}  // namespace korval
