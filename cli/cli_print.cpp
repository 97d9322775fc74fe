#include "cli/cli_print.h"

#include <cctype>
#include <cstdio>

#include "artnet/interfaces.h"
#include "cli/cli_args.h"
#include "frontend/product.h"
#include "params/pid_table.h"

namespace korval::cli {

std::string JsonText(const nlohmann::ordered_json& document) {
  return document.dump(2) + "\n";
}

Outcome OutcomeOf(const RdmReply& reply, int queuedMessagePolls) {
  // The token scripts match on: the status's name in upper case, words joined by '_'.
  Outcome outcome;
  for (char c : ReplyStatusName(reply.status)) {
    outcome.status +=
        c == ' ' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  switch (reply.status) {
    case ReplyStatus::kAck:
      break;
    case ReplyStatus::kNack:
      outcome.nackReason = reply.nackReason;
      outcome.error =
          NackReasonName(reply.nackReason) + " (" + NackReasonText(reply.nackReason) + ")";
      break;
    case ReplyStatus::kAckTimer:
      outcome.error = "reply still pending after " + std::to_string(queuedMessagePolls) +
                      " queued-message requests";
      break;
    case ReplyStatus::kLineFailure:
      outcome.error = "line failure: the interface refused to send or to read";
      break;
    default:
      outcome.error = ReplyStatusName(reply.status);
      break;
  }
  return outcome;
}

nlohmann::ordered_json OutcomeJson(const Outcome& outcome) {
  nlohmann::ordered_json json = {{"status", outcome.status}};
  if (outcome.nackReason) {
    json["nack_reason"] = NackReasonName(*outcome.nackReason);
    json["nack_text"] = NackReasonText(*outcome.nackReason);
  }
  if (!outcome.Succeeded()) json["error"] = outcome.error;
  return json;
}

std::string FailureText(const std::string& status, const std::string& error) {
  return JsonText({{"status", status}, {"error", error}});
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
    for (const AddressSent& s : sent) {
      nlohmann::ordered_json entry = {{"uid", UidOut(s.uid)}, {"address", s.address}};
      entry.update(OutcomeJson(s.outcome));
      list.push_back(entry);
    }
    return JsonText(list);
  }
  std::string out;
  for (const AddressSent& s : sent) {
    if (s.outcome.Succeeded()) out += UidOut(s.uid) + " " + std::to_string(s.address) + "\n";
  }
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

std::string NodesText(const std::vector<artnet::NodeInfo>& nodes, bool json) {
  if (json) {
    auto list = nlohmann::ordered_json::array();
    for (const artnet::NodeInfo& node : nodes) {
      auto ports = nlohmann::ordered_json::array();
      for (const artnet::PollReplyPort& port : node.ports) {
        ports.push_back({{"bind_index", port.bindIndex},
                         {"port", port.port},
                         {"port_address", artnet::PortAddressText(port.portAddress)},
                         {"port_address_number", port.portAddress},
                         {"rdm", port.rdm},
                         {"outputting", port.outputting}});
      }
      list.push_back({{"address", artnet::Ipv4Text(node.address)},
                      {"short_name", node.shortName},
                      {"long_name", node.longName},
                      {"rdm_capable", node.rdmCapable},
                      {"ports", ports}});
    }
    return JsonText(list);
  }
  std::string out;
  for (const artnet::NodeInfo& node : nodes) {
    out += artnet::Ipv4Text(node.address) + " " + node.shortName;
    if (!node.longName.empty() && node.longName != node.shortName)
      out += " (" + node.longName + ")";
    out += "\n";
    for (const artnet::PollReplyPort& port : node.ports) {
      out += "  port " + std::to_string(port.port);
      if (port.bindIndex > 1) out += " of page " + std::to_string(port.bindIndex);
      out += ": Port-Address " + artnet::PortAddressText(port.portAddress) + " (" +
             std::to_string(port.portAddress) + ")" + (port.rdm ? ", RDM" : ", no RDM") +
             (port.outputting ? ", output" : "") + "\n";
    }
  }
  return out;
}

}  // namespace korval::cli
