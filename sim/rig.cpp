// The rig file parser. Reading stops at the first thing wrong, which becomes the
// one error line; a rig is returned only when every field was right.
#include "sim/rig.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "sim/responder.h"
#include "sim/rig_descriptions.h"
#include "sim/rig_object_reader.h"

namespace korval::sim {

namespace {

constexpr std::size_t kMaxRigFileBytes = std::size_t{16} * 1024 * 1024;

// Far deeper than any rig needs (a rig nests four levels).
constexpr std::size_t kMaxNesting = 64;

// The JSON library parses and destroys nested values by recursion, so a file
// nested deep enough would exhaust the stack. The depth is bounded over the raw
// bytes before anything is parsed: brackets inside strings do not count.
// Returns the offset of the first bracket beyond the bound.
std::optional<std::size_t> FirstTooDeep(std::span<const std::uint8_t> bytes) {
  std::size_t depth = 0;
  bool inString = false;
  bool escaped = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t b = bytes[i];
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (b == '\\') {
        escaped = true;
      } else if (b == '"') {
        inString = false;
      }
    } else if (b == '"') {
      inString = true;
    } else if (b == '[' || b == '{') {
      if (++depth > kMaxNesting) return i;
    } else if ((b == ']' || b == '}') && depth > 0) {
      --depth;
    }
  }
  return std::nullopt;
}

std::string LineAndColumn(std::span<const std::uint8_t> bytes, std::size_t offset) {
  const auto before = bytes.first(offset);
  const auto lineStart = std::find(before.rbegin(), before.rend(), '\n');
  const auto line = 1 + std::count(before.begin(), before.end(), '\n');
  const auto column = 1 + (lineStart - before.rbegin());
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

void ReadStatusMessages(ObjectReader& r, std::vector<StatusMessage>& into, std::string& error) {
  if (!r.Has("status_messages")) return;
  const Json& list = r.At("status_messages");
  if (!list.is_array()) return r.Fail("\"status_messages\" must be an array");
  if (list.size() > kMaxStatusMessages) {
    return r.Fail("\"status_messages\" has " + std::to_string(list.size()) +
                  " messages, at most 25 fit a reply");
  }
  std::vector<StatusMessage> messages;
  for (std::size_t i = 0; i < list.size() && error.empty(); ++i) {
    const std::string where = r.Where() + "status message " + std::to_string(i + 1) + ": ";
    if (!list[i].is_object()) {
      error = where + "must be an object";
      break;
    }
    ObjectReader m(list[i], where, error);
    m.OnlyKnown({"type", "id", "data1", "data2"});
    if (!m.Has("id")) m.Fail("\"id\" is missing");
    StatusMessage message;
    m.Number("type", 0, 0xFF, message.type);
    m.Number("id", 0, 0xFFFF, message.id);
    m.Number("data1", 0, 0xFFFF, message.data1);
    m.Number("data2", 0, 0xFFFF, message.data2);
    messages.push_back(message);
  }
  if (error.empty()) into = std::move(messages);
}

void ReadFaults(ObjectReader& r, ResponderFaults& into, std::string& error) {
  if (!r.Has("faults")) return;
  if (!r.At("faults").is_object()) return r.Fail("\"faults\" must be an object");
  ObjectReader f(r.At("faults"), r.Where() + "faults: ", error);
  f.OnlyKnown({"silent", "ignores_mute", "bad_checksum", "noise_before_reply", "nack_all",
               "unmute_after_requests", "late"});
  f.Bool("silent", into.silent);
  f.Bool("ignores_mute", into.ignores_mute);
  f.Bool("bad_checksum", into.bad_checksum);
  f.Number("noise_before_reply", 0, 255, into.noise_before_reply);
  f.Bool("nack_all", into.nack_all);
  f.Number("unmute_after_requests", 0, 1'000'000'000, into.unmute_after_requests);
  f.Bool("late", into.late);
}

std::optional<ResponderConfig> ReadResponder(const Json& object, std::size_t number,
                                             std::string& error) {
  const std::string where = "responder " + std::to_string(number) + ": ";
  if (!object.is_object()) {
    error = where + "must be an object";
    return std::nullopt;
  }
  ObjectReader r(object, where, error);
  r.OnlyKnown({"uid",
               "comment",
               "supported_parameters",
               "label",
               "manufacturer",
               "software_version_label",
               "category",
               "software_version",
               "model_id",
               "footprint",
               "personality_footprints",
               "personality",
               "personality_count",
               "start_address",
               "device_hours",
               "lamp_hours",
               "pan_invert",
               "tilt_invert",
               "pan_tilt_swap",
               "identify",
               "min_limits",
               "max_limits",
               "error_scene",
               "dimm_switch",
               "status_messages",
               "turnaround_us",
               "model_description",
               "personality_descriptions",
               "slots",
               "sensors",
               "faults"});
  ResponderConfig c;
  if (!r.Has("uid")) {
    r.Fail("\"uid\" is missing");
  } else if (!r.At("uid").is_string() || !ParseUidColonText(r.At("uid").get<std::string>())) {
    r.Fail("malformed uid " + r.At("uid").dump() + " (write it as \"4B52:00000101\")");
  } else {
    c.uid = *ParseUidColonText(r.At("uid").get<std::string>());
    if ((c.uid & 0xFFFF'FFFFULL) == 0xFFFF'FFFFULL) {
      r.Fail("uid " + Quoted(UidColonText(c.uid)) + " is a broadcast address");
    }
  }
  r.Numbers("supported_parameters", kMaxSupportedParameters, 1, 0xFFFF, c.supported_parameters);
  r.Label("label", c.label);
  r.Label("manufacturer", c.manufacturer);
  r.Label("software_version_label", c.software_version_label);
  r.Number("category", 0, 0xFFFF, c.category);
  r.Number("software_version", 0, 0xFFFF'FFFF, c.software_version);
  r.Number("model_id", 0, 0xFFFF, c.model_id);
  r.Number("footprint", 0, rdm::kMaxDmxAddress, c.footprint);
  r.Numbers("personality_footprints", 255, 0, rdm::kMaxDmxAddress, c.personality_footprints);
  if (r.Has("footprint") && r.Has("personality_footprints")) {
    r.Fail("give either \"footprint\" or \"personality_footprints\", not both");
  }
  if (!c.personality_footprints.empty()) {
    c.personality_count = static_cast<std::uint8_t>(c.personality_footprints.size());
  }
  r.Number("personality_count", 1, 255, c.personality_count);
  r.Number("personality", 1, 255, c.personality);
  if (!c.personality_footprints.empty() && c.personality_count != c.personality_footprints.size()) {
    r.Fail("\"personality_count\" " + std::to_string(c.personality_count) + " but " +
           std::to_string(c.personality_footprints.size()) + " \"personality_footprints\"");
  }
  if (c.personality > c.personality_count) {
    r.Fail("\"personality\" " + std::to_string(c.personality) + " is above \"personality_count\" " +
           std::to_string(c.personality_count));
  }
  r.Number("start_address", rdm::kMinDmxAddress, rdm::kMaxDmxAddress, c.start_address,
           kNoStartAddress);
  if (c.start_address == kNoStartAddress && r.Ok()) {
    const std::uint16_t footprint = c.personality_footprints.empty()
                                        ? c.footprint
                                        : c.personality_footprints[c.personality - 1];
    if (footprint != 0) {
      r.Fail("\"start_address\" 65535 (no DMX address) needs a footprint of 0, not " +
             std::to_string(footprint));
    }
  }
  r.Number("device_hours", 0, 0xFFFF'FFFF, c.device_hours);
  r.Number("lamp_hours", 0, 0xFFFF'FFFF, c.lamp_hours);
  r.Flag("pan_invert", c.pan_invert);
  r.Flag("tilt_invert", c.tilt_invert);
  r.Flag("pan_tilt_swap", c.pan_tilt_swap);
  r.Flag("identify", c.identify);
  r.Row("min_limits", c.min_limits);
  r.Row("max_limits", c.max_limits);
  r.Row("error_scene", c.error_scene);
  r.Number("dimm_switch", 0, 255, c.dimm_switch);
  ReadStatusMessages(r, c.status_messages, error);
  r.Number("turnaround_us", rdm::kResponderTurnaroundMinUs, rdm::kResponderTurnaroundMaxUs,
           c.turnaround_us);
  ReadDescriptions(r, c, error);
  ReadFaults(r, c.faults, error);
  if (!error.empty()) return std::nullopt;
  return c;
}

std::optional<Rig> ReadRig(const Json& doc, std::string& error) {
  if (!doc.is_object()) {
    error = "a rig is a JSON object: { \"responders\": [ ... ] }";
    return std::nullopt;
  }
  ObjectReader r(doc, "", error);
  r.OnlyKnown({"timing", "dmx_record", "responders", "comment"});
  Rig rig;
  if (r.Has("timing")) {
    const Json& t = r.At("timing");
    if (t == "real") {
      rig.timing = Timing::kReal;
    } else if (t == "instant") {
      rig.timing = Timing::kInstant;
    } else {
      r.Fail("\"timing\" must be \"real\" or \"instant\", not " + t.dump());
    }
  }
  if (r.Has("dmx_record")) {
    const Json& d = r.At("dmx_record");
    if (!d.is_string() || d.get<std::string>().empty()) {
      r.Fail("\"dmx_record\" must be a file name");
    } else {
      rig.dmx_record = d.get<std::string>();
    }
  }
  if (!r.Has("responders")) r.Fail("\"responders\" is missing");
  if (r.Has("responders") && !r.At("responders").is_array()) {
    r.Fail("\"responders\" must be an array");
  }
  if (!error.empty()) return std::nullopt;

  std::map<Uid, std::size_t> seen;
  const Json& list = r.At("responders");
  for (std::size_t i = 0; i < list.size(); ++i) {
    auto responder = ReadResponder(list[i], i + 1, error);
    if (!responder) return std::nullopt;
    const auto [at, fresh] = seen.emplace(responder->uid, i + 1);
    if (!fresh) {
      error = "responder " + std::to_string(i + 1) + ": uid " +
              Quoted(UidColonText(responder->uid)) + " is also the uid of responder " +
              std::to_string(at->second);
      return std::nullopt;
    }
    rig.responders.push_back(std::move(*responder));
  }
  return rig;
}

}  // namespace

RigLoadResult ParseRig(std::span<const std::uint8_t> bytes, std::string_view fileName) {
  const std::string prefix = std::string(fileName) + ": ";
  if (bytes.empty()) return {std::nullopt, prefix + "the file is empty"};
  if (const auto deep = FirstTooDeep(bytes)) {
    return {std::nullopt, prefix + "nested more than " + std::to_string(kMaxNesting) +
                              " levels deep at " + LineAndColumn(bytes, *deep)};
  }
  // nlohmann keeps the last of two equal keys; a rig file saying one thing
  // twice is more likely a mistake, so the parser's callback notes it.
  std::vector<std::set<std::string>> keys;
  std::string duplicate;
  auto noteKeys = [&keys, &duplicate](int, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::object_start) keys.emplace_back();
    if (event == Json::parse_event_t::object_end && !keys.empty()) keys.pop_back();
    if (event == Json::parse_event_t::key && !keys.empty() &&
        !keys.back().insert(parsed.get<std::string>()).second && duplicate.empty()) {
      duplicate = parsed.get<std::string>();
    }
    return true;
  };
  Json doc;
  try {
    doc = Json::parse(bytes.begin(), bytes.end(), noteKeys);
  } catch (const Json::exception& e) {
    std::string what = e.what();
    if (const auto end = what.find("] ");
        what.rfind("[json.exception", 0) == 0 && end != std::string::npos) {
      what = what.substr(end + 2);
    }
    return {std::nullopt, prefix + "not valid JSON: " + what};
  }
  if (!duplicate.empty())
    return {std::nullopt, prefix + "field " + Quoted(duplicate) + " is given twice"};
  std::string error;
  auto rig = ReadRig(doc, error);
  if (!rig) return {std::nullopt, prefix + error};
  return {std::move(rig), {}};
}

RigLoadResult LoadRigFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {std::nullopt, path + ": cannot be opened: " + std::strerror(errno)};
  std::vector<std::uint8_t> bytes;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (bytes.size() > kMaxRigFileBytes) return {std::nullopt, path + ": too large for a rig file"};
  }
  if (in.bad()) return {std::nullopt, path + ": cannot be read"};

  RigLoadResult result = ParseRig(bytes, path);
  if (!result.rig || result.rig->dmx_record.empty()) return result;
  std::filesystem::path record(result.rig->dmx_record);
  if (record.is_relative()) record = std::filesystem::path(path).parent_path() / record;
  if (!std::ofstream(record, std::ios::app)) {
    return {std::nullopt, path + ": dmx_record " + Quoted(record.string()) +
                              " cannot be opened for writing: " + std::strerror(errno)};
  }
  result.rig->dmx_record = record.string();
  return result;
}

std::unique_ptr<VirtualLine> MakeVirtualLine(Rig rig) {
  return std::make_unique<VirtualLine>(std::move(rig));
}

}  // namespace korval::sim
