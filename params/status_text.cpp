#include "params/status_text.h"

#include "rdm/rdm_constants.h"

namespace korval::params {

namespace {

// Every field with its place in the layout, for the encoder and the decoder.
template <typename Message, typename Visit>
void EachField(Message& m, const Visit& visit) {
  visit(At<PlaceOf(kStatusMessageLayout, "sub_device")>{}, m.subDevice);
  visit(At<PlaceOf(kStatusMessageLayout, "status_type")>{}, m.type);
  visit(At<PlaceOf(kStatusMessageLayout, "message_id")>{}, m.id);
  visit(At<PlaceOf(kStatusMessageLayout, "value1")>{}, m.value1);
  visit(At<PlaceOf(kStatusMessageLayout, "value2")>{}, m.value2);
}

}  // namespace

std::array<std::uint8_t, rdm::kStatusMessageBytes> EncodeStatusMessage(
    const StatusMessage& message) {
  std::array<std::uint8_t, rdm::kStatusMessageBytes> data{};
  EachField(message, PutFields{data});
  return data;
}

StatusMessage DecodeFirstStatus(std::span<const std::uint8_t> data) {
  StatusMessage message;
  EachField(message, TakeFields{data});
  return message;
}

Rgb StatusColour(std::uint8_t type) {
  switch (type) {
    case rdm::kStatusAdvisory:
      return kYellow;
    case rdm::kStatusWarning:
      return kOlive;
    case rdm::kStatusError:
      return kRed;
    default:
      return kLime;
  }
}

std::string StatusText(const StatusMessage& message) {
  const NamedCode* id = names::FindCode(names::kStatusIds, message.id);
  if (id == nullptr || id->text.empty()) return "unknown";
  std::string text;
  for (std::size_t i = 0; i < id->text.size(); ++i) {
    if (id->text[i] != '%' || i + 1 == id->text.size()) {
      text += id->text[i];
      continue;
    }
    const char value = id->text[++i];
    // Temperatures travel in the low byte of the second data value.
    text += std::to_string(value == '1'   ? message.value1
                           : value == '2' ? message.value2
                                          : message.value2 & 0xFF);
  }
  return text;
}

}  // namespace korval::params
