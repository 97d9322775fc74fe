#include "cli/pid_codec.h"

#include <algorithm>
#include <cctype>
#include <tuple>

#include "params/pid_codec.h"
#include "params/pid_names.h"
#include "params/pid_table.h"
#include "rdm/rdm_constants.h"

namespace korval::cli {

namespace {

using params::FieldDef;
using params::FieldKind;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Insertions, deletions and substitutions that turn a into b.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// What a value of the field may be, when it is a code: "" for anything else.
std::string Choices(const FieldDef& def) {
  if (def.kind == FieldKind::kBool) return "on or off, 1 or 0";
  params::names::Names names = def.names;
  if (def.kind == FieldKind::kCategory) names = params::names::kCategories;
  if (def.kind == FieldKind::kSlotLabel) names = params::names::kSlotLabels;
  if (names.empty()) return "";
  std::string text = "a number or one of";
  const char* separator = ": ";
  for (const params::NamedCode& code : names) {
    text += separator + std::string(code.name);
    separator = ", ";
  }
  return text;
}

// The first field the values leave without one; none once the layout turns
// to raw bytes or repeated items, which may be left empty.
const FieldDef* MissingField(params::Layout layout, std::size_t given) {
  std::size_t index = 0;
  for (const FieldDef& def : layout) {
    if (def.kind == FieldKind::kBytes || def.kind == FieldKind::kGroup) return nullptr;
    if (index++ == given) return &def;
  }
  return nullptr;
}

}  // namespace

std::optional<std::uint16_t> LookUpPid(const std::string& text) {
  const auto ref = params::ResolvePid(text);
  if (!ref) return std::nullopt;
  return ref->number;
}

std::string PidName(std::uint16_t pid) {
  const params::PidInfo* info = params::FindPid(pid);
  return info != nullptr ? std::string(info->name) : params::PidNumberText(pid);
}

std::vector<std::string> NearestPidNames(const std::string& text) {
  const std::string typed = Lower(text);
  if (typed.empty()) return {};
  // A few mistakes per word typed: one in three letters, at least two.
  const std::size_t allowed = std::max<std::size_t>(2, typed.size() / 3);
  std::vector<std::tuple<int, std::size_t, std::string_view>> near;  // (kind, distance, name)
  for (const params::PidInfo& info : params::PidTable()) {
    const std::string_view name = info.name;
    if (name.starts_with(typed)) {
      near.emplace_back(0, name.size(), name);
    } else if (name.find(typed) != std::string_view::npos) {
      near.emplace_back(1, name.size(), name);
    } else if (const std::size_t d = EditDistance(typed, name); d <= allowed) {
      near.emplace_back(2, d, name);
    }
  }
  std::sort(near.begin(), near.end());
  constexpr std::size_t kMostSuggested = 3;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < near.size() && i < kMostSuggested; ++i) {
    names.emplace_back(std::get<2>(near[i]));
  }
  return names;
}

std::optional<std::vector<std::uint8_t>> EncodeValues(std::uint16_t pid, bool set,
                                                      const std::vector<std::string>& values,
                                                      std::string* error) {
  // A parameter outside the table (a manufacturer's) may take either command.
  const params::PidInfo* info = params::FindPid(pid);
  if (info != nullptr && !(set ? info->set : info->get)) {
    *error = std::string(info->name) + " takes no " + (set ? "SET" : "GET");
    return std::nullopt;
  }
  if (info != nullptr) {
    const params::Layout layout = set ? info->setArgs : info->getArgs;
    if (const FieldDef* missing = MissingField(layout, values.size())) {
      *error = PidName(pid) + ": missing value for " + std::string(missing->name);
      if (const std::string choices = Choices(*missing); !choices.empty()) {
        *error += " (" + choices + ")";
      }
      if (layout.size() > 1) {
        *error += "; it takes";
        for (const FieldDef& def : layout) *error += " " + std::string(def.name);
      }
      return std::nullopt;
    }
  }
  params::EncodedArgs args =
      set ? params::EncodeSetArgs(pid, values) : params::EncodeGetArgs(pid, values);
  if (!args.ok()) {
    *error = PidName(pid) + ": " + args.error;
    return std::nullopt;
  }
  if (args.bytes.size() > rdm::kMaxPdl) {
    *error =
        PidName(pid) + ": more than " + std::to_string(rdm::kMaxPdl) + " bytes of parameter data";
    return std::nullopt;
  }
  return std::move(args.bytes);
}

DecodedData DecodeReplyData(std::uint16_t pid, bool set, std::span<const std::uint8_t> data) {
  const params::DecodedReply reply =
      params::DecodeReply(pid, set ? params::Command::kSet : params::Command::kGet, data);
  return DecodedData{params::FormatLines(reply),
                     nlohmann::ordered_json::parse(params::ToJson(reply)), reply.truncated};
}

std::vector<KnownPid> KnownPids() {
  std::vector<KnownPid> pids;
  for (const params::PidInfo& info : params::PidTable()) {
    pids.push_back({info.number, std::string(info.name)});
  }
  return pids;
}

}  // namespace korval::cli
