// The command line's decoder of every parameter's reply. The first two bytes
// choose the parameter, the third GET or SET; the rest is the parameter data.
// A reply that is not cut short is decoded to values that encode back into
// as many bytes as the layout took, unless a label or language code (which
// end at a zero byte) shortened them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/win1252.h"
#include "fuzz/fuzz_line.h"
#include "params/pid_codec.h"

namespace {

using namespace korval;

void AddValues(const params::PidValue& value, std::vector<std::string>& out) {
  using params::ValueType;
  if (value.type == ValueType::kList || value.type == ValueType::kObject) {
    for (const params::PidField& item : value.items) AddValues(item.value, out);
  } else if (value.type == ValueType::kBytes) {
    for (const std::uint8_t b : value.bytes) out.push_back(std::to_string(b));
  } else if (value.type == ValueType::kNamed || value.type == ValueType::kText) {
    out.push_back(value.text);
  } else {
    out.push_back(std::to_string(value.number));
  }
}

bool HasText(params::Layout layout) {
  return std::any_of(layout.begin(), layout.end(), [](const params::FieldDef& def) {
    return def.kind == params::FieldKind::kLabel || def.kind == params::FieldKind::kChars ||
           (def.kind == params::FieldKind::kGroup && HasText(def.group));
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const auto pid = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
  const auto command = (data[2] & 1) ? params::Command::kSet : params::Command::kGet;
  const std::span<const std::uint8_t> input(data + 3, size - 3);

  const params::DecodedReply reply = params::DecodeReply(pid, command, input);
  if (reply.extra.size() > input.size()) fuzz::PropertyFailed("more extra bytes than the reply");
  if (reply.truncated && !reply.extra.empty()) {
    fuzz::PropertyFailed("a cut reply lists extra bytes");
  }
  if (!IsValidUtf8(params::ToJson(reply)))
    fuzz::PropertyFailed("a reply's JSON is malformed UTF-8");
  for (const std::string& line : params::FormatLines(reply)) {
    if (!IsValidUtf8(line)) fuzz::PropertyFailed("a reply's line is malformed UTF-8");
  }
  if (reply.truncated) return 0;

  const params::PidInfo* info = params::FindPid(pid);
  const params::Layout layout = info == nullptr                    ? params::UnknownLayout()
                                : command == params::Command::kGet ? info->getReply
                                                                   : info->setReply;
  if (HasText(layout)) return 0;
  std::vector<std::string> values;
  for (const params::PidField& field : reply.fields) {
    if (field.name != "extra_bytes") AddValues(field.value, values);
  }
  const params::EncodedArgs again = params::EncodeLayout(layout, values);
  if (!again.ok()) fuzz::PropertyFailed("decoded values do not encode back");
  if (again.bytes.size() != input.size() - reply.extra.size()) {
    fuzz::PropertyFailed("decoded values encode to another length");
  }
  return 0;
}
