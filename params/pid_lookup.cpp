// Finding a parameter by the number or name a user types.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/conversion.h"
#include "params/pid_table.h"
#include "rdm/rdm_constants.h"

namespace korval::params {
namespace {

struct Alias {
  std::string_view name;
  std::uint16_t number;
};

// Names OLA uses for a few parameters whose E1.20 names differ.
constexpr Alias kAliases[] = {
    {"status_message", rdm::kPidStatusMessages},
    {"boot_software_version", rdm::kPidBootSoftwareVersionId},
    {"boot_software_label", rdm::kPidBootSoftwareVersionLabel},
    {"perform_self_test", rdm::kPidPerformSelftest},
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

const PidInfo* FindPid(std::uint16_t number) {
  const auto table = PidTable();
  const auto it = std::lower_bound(
      table.begin(), table.end(), number,
      [](const PidInfo& info, std::uint16_t value) { return info.number < value; });
  return it != table.end() && it->number == number ? &*it : nullptr;
}

const PidInfo* FindPidByName(std::string_view name) {
  for (const PidInfo& info : PidTable()) {
    if (EqualsIgnoringCase(info.name, name)) return &info;
  }
  for (const Alias& alias : kAliases) {
    if (EqualsIgnoringCase(alias.name, name)) return FindPid(alias.number);
  }
  return nullptr;
}

std::optional<PidRef> ResolvePid(std::string_view text) {
  if (const PidInfo* info = FindPidByName(text)) return PidRef{info->number, info};
  // ParseInteger also takes "$82"; a parameter number is typed as 130 or 0x0082.
  if (text.empty() || text.find('$') != std::string_view::npos) return std::nullopt;
  const auto number = ParseInteger(text, 0, 0xFFFF);
  if (!number) return std::nullopt;
  const auto pid = static_cast<std::uint16_t>(*number);
  return PidRef{pid, FindPid(pid)};
}

std::string PidNumberText(std::uint16_t number) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(number));
  return text;
}

std::vector<std::string> PidListing() {
  std::vector<std::string> lines;
  for (const PidInfo& info : PidTable()) {
    lines.push_back(PidNumberText(info.number) + " " + std::string(info.name));
  }
  return lines;
}

}  // namespace korval::params
