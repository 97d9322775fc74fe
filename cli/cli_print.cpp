#include "cli/cli_print.h"

#include <cstdio>

#include "cli/cli_args.h"

namespace korval::cli {

namespace {

std::string Scalar(const Fields& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_boolean()) return value.get<bool>() ? "on" : "off";
  return value.dump();
}

bool AllScalar(const Fields& list) {
  for (const Fields& element : list) {
    if (element.is_structured()) return false;
  }
  return true;
}

void Flatten(const std::string& name, const Fields& value, std::string& out) {
  if (value.is_object()) {
    for (const auto& [key, inner] : value.items()) {
      Flatten(name.empty() ? key : name + "." + key, inner, out);
    }
    return;
  }
  if (value.is_array() && !AllScalar(value)) {
    for (std::size_t i = 0; i < value.size(); ++i) {
      Flatten(name + "[" + std::to_string(i) + "]", value[i], out);
    }
    return;
  }
  std::string text;
  if (value.is_array()) {
    for (const Fields& element : value) text += (text.empty() ? "" : " ") + Scalar(element);
  } else {
    text = Scalar(value);
  }
  out += name + ": " + text + "\n";
}

std::string PidNumber(std::uint16_t pid) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04x", static_cast<unsigned>(pid));
  return text;
}

}  // namespace

std::string JsonText(const nlohmann::ordered_json& document) {
  return document.dump(2) + "\n";
}

std::string FieldsText(const Fields& fields) {
  std::string out;
  Flatten("", fields, out);
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
    for (const KnownPid& p : pids) list.push_back({{"pid", PidNumber(p.pid)}, {"name", p.name}});
    return JsonText(list);
  }
  std::string out;
  for (const KnownPid& p : pids) out += PidNumber(p.pid) + " " + p.name + "\n";
  return out;
}

}  // namespace korval::cli
