#include "params/status_text.h"

#include "rdm/rdm_constants.h"

namespace korval::params {

namespace {

constexpr FieldPlace kSubDevice = PlaceOf(kStatusMessageLayout, "sub_device");
constexpr FieldPlace kType = PlaceOf(kStatusMessageLayout, "status_type");
constexpr FieldPlace kId = PlaceOf(kStatusMessageLayout, "message_id");
constexpr FieldPlace kValue1 = PlaceOf(kStatusMessageLayout, "value1");
constexpr FieldPlace kValue2 = PlaceOf(kStatusMessageLayout, "value2");

}  // namespace

std::array<std::uint8_t, rdm::kStatusMessageBytes> EncodeStatusMessage(
    const StatusMessage& message) {
  std::array<std::uint8_t, rdm::kStatusMessageBytes> data{};
  PutField<kSubDevice>(data, message.subDevice);
  PutField<kType>(data, message.type);
  PutField<kId>(data, message.id);
  PutField<kValue1>(data, message.value1);
  PutField<kValue2>(data, message.value2);
  return data;
}

StatusMessage DecodeFirstStatus(std::span<const std::uint8_t> data) {
  StatusMessage message;
  TakeField<kSubDevice>(data, message.subDevice);
  TakeField<kType>(data, message.type);
  TakeField<kId>(data, message.id);
  TakeField<kValue1>(data, message.value1);
  TakeField<kValue2>(data, message.value2);
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
