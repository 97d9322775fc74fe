#include "cli/cli_session.h"

#include "base/bytes.h"
#include "cli/cli_print.h"
#include "params/device_info.h"
#include "params/follow_up.h"
#include "rdm/device_table.h"
#include "rdm/rdm_constants.h"

namespace korval::cli {

namespace {

using namespace rdm;

RdmRequest GetRequest(Uid uid, std::uint16_t pid, std::vector<std::uint8_t> data = {},
                      std::uint16_t subDevice = 0) {
  return RdmRequest{.destination = uid,
                    .commandClass = kGetCommand,
                    .pid = pid,
                    .subDevice = subDevice,
                    .data = std::move(data)};
}

// Whether a SUPPORTED_PARAMETERS reply lists the PID.
bool Lists(std::span<const std::uint8_t> supported, std::uint16_t pid) {
  for (std::size_t i = 0; i + 1 < supported.size(); i += 2) {
    if (ReadBe16(supported, i) == pid) return true;
  }
  return false;
}

}  // namespace

Session::Session(RdmController& controller, std::ostream& out, std::ostream& err, bool json)
    : controller_(controller), out_(out), err_(err), json_(json) {}

RdmReply Session::Ask(const RdmRequest& request) {
  return params::SendToTheEnd(controller_, request);
}

int Session::Judge(const RdmReply& reply, Uid uid, std::uint16_t pid) {
  if (reply.IsAck()) return kExitAck;
  err_ << UidOut(uid) << " " << PidName(pid) << ": "
       << OutcomeOf(reply, params::kMaxQueuedMessagePolls).error << "\n";
  return kExitFailed;
}

nlohmann::ordered_json Session::RequestJson(const RdmReply& reply, Uid uid,
                                            std::uint16_t pid) const {
  nlohmann::ordered_json document = {{"uid", UidOut(uid)}, {"pid", PidName(pid)}};
  document.update(OutcomeJson(OutcomeOf(reply, params::kMaxQueuedMessagePolls)));
  return document;
}

int Session::Run(const Invocation& inv) {
  switch (inv.command) {
    case Command::kDiscover:
      return Discover(inv);
    case Command::kInfo:
      return Info(inv.uid);
    case Command::kGet:
      return Get(inv);
    case Command::kSet:
      return Set(inv.uid, inv.pid, inv.data, inv.subDevice);
    case Command::kIdentify:
      return Set(inv.uid, kPidIdentifyDevice, {static_cast<std::uint8_t>(inv.identifyOn ? 1 : 0)});
    case Command::kAddress:
      return Address(inv);
    case Command::kPids:
    case Command::kNodes:
    case Command::kHelp:
    case Command::kVersion:
      break;  // answered without a controller
  }
  return kExitUsage;
}

int Session::Discover(const Invocation& inv) {
  // The devices known, in their order: the discovery mutes each in turn, keeps
  // those that acknowledge and searches only among the rest. Nothing known: a
  // full discovery.
  DeviceTable table;
  for (std::size_t i = 0; i < inv.uids.size() && i < DeviceTable::kCapacity; ++i) {
    table.slots[++table.count] = inv.uids[i];
  }
  std::vector<Uid> found, leftOut;
  std::string unanswered;
  int branches = 0;
  auto progress = [&] {
    if (progress_) {
      err_ << "\rdiscovering: " << branches << " branch requests, " << found.size() << " found"
           << std::flush;
    }
  };
  // Asked before each branch request: counts them and never stops the search.
  auto beforeBranch = [&] {
    ++branches;
    progress();
    return false;
  };
  DiscoveryMode mode = defaultDiscovery_;
  if (inv.incremental) mode = DiscoveryMode::kIncremental;
  if (inv.full) mode = DiscoveryMode::kFull;
  controller_.Discover(
      mode, table,
      DiscoveryHooks{.clearList = [] {},
                     .addListLine = [](const std::string&) {},
                     .stopRequested = beforeBranch,
                     .found =
                         [&](Uid uid) {
                           found.push_back(uid);
                           progress();
                         },
                     .leftOut = [&](Uid uid) { leftOut.push_back(uid); },
                     .unanswered = [&](const std::string& line) { unanswered = line; }});
  if (progress_) err_ << "\r\033[K" << std::flush;  // back to the start of an empty line
  // An empty list would read as a port without fixtures.
  if (!unanswered.empty()) {
    err_ << "discover: " << unanswered << "\n";
    if (json_) out_ << FailureText("NO_REPLY", unanswered);
    return kExitFailed;
  }
  out_ << UidListText(found, json_);
  for (Uid uid : leftOut) {
    err_ << UidOut(uid) << ": answers discovery but could not be muted; left out\n";
  }
  return kExitAck;
}

int Session::Info(Uid uid) {
  std::vector<std::string> lines;
  nlohmann::ordered_json json = {{"uid", UidOut(uid)}};
  auto errors = nlohmann::ordered_json::array();
  // One line per value: a list of PIDs as their names on one line, a reply
  // of one field (a label) under the parameter's name.
  auto show = [&](std::uint16_t pid, const RdmReply& reply) {
    const std::string name = PidName(pid);
    if (pid == kPidSupportedParameters) {
      std::string line = name + ":";
      auto names = nlohmann::ordered_json::array();
      for (std::size_t i = 0; i + 1 < reply.data.size(); i += 2) {
        names.push_back(PidName(ReadBe16(reply.data, i)));
        line += " " + names.back().get<std::string>();
      }
      lines.push_back(line);
      json[name] = names;
      return;
    }
    const DecodedData decoded = DecodeReplyData(pid, false, reply.data);
    if (decoded.json.size() == 1 && decoded.lines.size() == 1) {
      const std::string& only = decoded.lines.front();
      lines.push_back(name + only.substr(only.find(':')));
      json[name] = decoded.json.front();
    } else {
      lines.insert(lines.end(), decoded.lines.begin(), decoded.lines.end());
      json[name] = decoded.json;
    }
  };
  auto fail = [&](std::uint16_t pid, const RdmReply& reply) {
    Judge(reply, uid, pid);
    nlohmann::ordered_json error = RequestJson(reply, uid, pid);
    error.erase("uid");
    errors.push_back(error);
  };
  auto print = [&] {
    if (!errors.empty()) json["errors"] = errors;
    out_ << (json_ ? JsonText(json) : LinesText(lines));
    return errors.empty() ? kExitAck : kExitFailed;
  };
  auto ask = [&](std::uint16_t pid) {
    const RdmReply reply = Ask(GetRequest(uid, pid));
    if (reply.IsAck()) {
      show(pid, reply);
    } else {
      fail(pid, reply);
    }
  };
  // A responder with no more than the parameters E1.20 requires of all may
  // refuse SUPPORTED_PARAMETERS; it then has none of the optional labels.
  const RdmReply supported = Ask(GetRequest(uid, kPidSupportedParameters));
  if (supported.IsAck()) {
    show(kPidSupportedParameters, supported);
  } else if (supported.status != ReplyStatus::kNack) {
    fail(kPidSupportedParameters, supported);
    return print();
  }
  ask(kPidDeviceInfo);
  ask(kPidSoftwareVersionLabel);
  for (std::uint16_t pid : {kPidDeviceLabel, kPidManufacturerLabel, kPidDeviceModelDescription}) {
    if (supported.IsAck() && Lists(supported.data, pid)) ask(pid);
  }
  return print();
}

int Session::Get(const Invocation& inv) {
  const RdmReply reply = Ask(GetRequest(inv.uid, inv.pid, inv.data, inv.subDevice));
  if (Judge(reply, inv.uid, inv.pid) != kExitAck) {
    if (json_) out_ << JsonText(RequestJson(reply, inv.uid, inv.pid));
    return kExitFailed;
  }
  const DecodedData decoded = DecodeReplyData(inv.pid, false, reply.data);
  if (decoded.truncated) {
    err_ << UidOut(inv.uid) << " " << PidName(inv.pid) << ": " << kShortReply << "\n";
  }
  if (json_) {
    nlohmann::ordered_json document = {{"uid", UidOut(inv.uid)}, {"pid", PidName(inv.pid)}};
    document.update(OutcomeJson(decoded.truncated ? Outcome{"SHORT_REPLY", kShortReply, {}}
                                                  : Outcome{"ACK", {}, {}}));
    // The reply's fields beside the request's keys, where scripts have always
    // read them; one that would take a key of the request's (PARAMETER_
    // DESCRIPTION's "pid") is written as "reply_pid".
    for (const auto& [key, value] : decoded.json.items()) {
      document[document.contains(key) ? "reply_" + key : key] = value;
    }
    out_ << JsonText(document);
  } else {
    out_ << LinesText(decoded.lines);
  }
  return decoded.truncated ? kExitFailed : kExitAck;
}

int Session::Set(Uid uid, std::uint16_t pid, std::vector<std::uint8_t> data,
                 std::uint16_t subDevice) {
  const RdmReply reply = Ask(RdmRequest{.destination = uid,
                                        .commandClass = kSetCommand,
                                        .pid = pid,
                                        .subDevice = subDevice,
                                        .data = std::move(data)});
  const int status = Judge(reply, uid, pid);
  if (json_) out_ << JsonText(RequestJson(reply, uid, pid));
  return status;
}

int Session::Address(const Invocation& inv) {
  std::vector<AddressSent> sent;
  int status = kExitAck;
  auto outcome = [](const RdmReply& reply) {
    return OutcomeOf(reply, params::kMaxQueuedMessagePolls);
  };
  auto request = [&](Uid uid, std::uint16_t address) {
    const auto bytes = params::EncodeStartAddress(address);
    return RdmRequest{.destination = uid,
                      .commandClass = kSetCommand,
                      .pid = kPidDmxStartAddress,
                      .data = {bytes.begin(), bytes.end()}};
  };
  if (inv.step == 0 || inv.uids.empty()) {
    // Nobody answers a broadcast: the SET goes out and is not waited for.
    const RdmReply reply = controller_.Send(request(kBroadcastUid, inv.start), false);
    if (reply.status == ReplyStatus::kLineFailure) {
      status = Judge(reply, kBroadcastUid, kPidDmxStartAddress);
      sent.push_back({kBroadcastUid, inv.start, outcome(reply)});
    } else {
      sent.push_back({kBroadcastUid, inv.start, Outcome{"SENT", {}, {}}});
    }
  } else {
    for (std::size_t i = 0; i < inv.uids.size(); ++i) {
      const auto address = static_cast<std::uint16_t>(inv.start + i * inv.step);
      const RdmReply reply = Ask(request(inv.uids[i], address));
      if (Judge(reply, inv.uids[i], kPidDmxStartAddress) != kExitAck) status = kExitFailed;
      sent.push_back({inv.uids[i], address, outcome(reply)});
    }
  }
  out_ << AddressText(sent, json_);
  return status;
}

}  // namespace korval::cli
