#include "cli/cli_print.h"

#include <cstdio>

#include "cli/cli_args.h"
#include "frontend/product.h"
#include "params/pid_table.h"

namespace korval::cli {

std::string JsonText(const nlohmann::ordered_json& document) {
  return document.dump(2) + "\n";
}

std::string VersionText(bool json) {
  constexpr const char* kProgram = "korval-rdm-cli";
  if (json) {
    return JsonText({{"program", kProgram}, {"product", kProductName}, {"version", kVersion}});
  }
  return std::string(kProgram) + " (" + kProductName + ") " + kVersion + "\n";
}

std::string LinesText(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

std::string UidListText(const std::vector<Uid>& uids, bool json) {
  if (json) {
    auto list = nlohmann::ordered_json::array();
    for (Uid uid : uids) list.push_back(UidOut(uid));
    return JsonText(list);
  }
  std::string out;
  for (Uid uid : uids) out += UidOut(uid) + "\n";
  return out;
}

std::string AddressText(const std::vector<AddressSent>& sent, bool json) {
  if (json) {
    auto list = nlohmann::ordered_json::array();
    for (const AddressSent& s : sent)
      list.push_back({{"uid", UidOut(s.uid)}, {"address", s.address}});
    return JsonText(list);
  }
  std::string out;
  for (const AddressSent& s : sent) out += UidOut(s.uid) + " " + std::to_string(s.address) + "\n";
  return out;
}

std::string PidsText(const std::vector<KnownPid>& pids, bool json) {
  if (json) {
    auto list = nlohmann::ordered_json::array();
    for (const KnownPid& p : pids)
      list.push_back({{"pid", params::PidNumberText(p.pid)}, {"name", p.name}});
    return JsonText(list);
  }
  std::string out;
  for (const KnownPid& p : pids) out += params::PidNumberText(p.pid) + " " + p.name + "\n";
  return out;
}

}  // namespace korval::cli
