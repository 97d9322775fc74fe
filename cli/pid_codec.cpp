#include "cli/pid_codec.h"

#include "params/pid_codec.h"
#include "params/pid_table.h"
#include "rdm/rdm_constants.h"

namespace korval::cli {

std::optional<std::uint16_t> LookUpPid(const std::string& text) {
  const auto ref = params::ResolvePid(text);
  if (!ref) return std::nullopt;
  return ref->number;
}

std::string PidName(std::uint16_t pid) {
  const params::PidInfo* info = params::FindPid(pid);
  return info != nullptr ? std::string(info->name) : params::PidNumberText(pid);
}

std::optional<std::vector<std::uint8_t>> EncodeValues(std::uint16_t pid, bool set,
                                                      const std::vector<std::string>& values,
                                                      std::string* error) {
  // A parameter outside the table (a manufacturer's) may take either command.
  if (const params::PidInfo* info = params::FindPid(pid);
      info != nullptr && !(set ? info->set : info->get)) {
    *error = std::string(info->name) + " takes no " + (set ? "SET" : "GET");
    return std::nullopt;
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
