// Every decoder of a reply's parameter data, on the same bytes, with the round
// trips the parameter page relies on: a label read from a fixture is written
// back unchanged, a mask goes out as it came in.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/win1252.h"
#include "fuzz/fuzz_line.h"
#include "params/channel_values.h"
#include "params/device_info.h"
#include "params/labels.h"
#include "params/status_text.h"
#include "params/supported_pids.h"

namespace {

using namespace korval;

// Windows-1252 leaves five bytes unassigned; they read as U+FFFD and cannot
// be written back.
bool Assigned(std::uint8_t b) {
  return b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D;
}

void CheckLabel(std::span<const std::uint8_t> data) {
  const std::string label = params::DecodeLabel(data);
  if (!IsValidUtf8(label)) fuzz::PropertyFailed("a label decoded to malformed UTF-8");
  const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
  const auto text = data.first(static_cast<std::size_t>(end - data.begin()));
  if (!std::all_of(text.begin(), text.end(), Assigned)) return;
  const auto written = params::EncodeLabel(label);
  const auto expected = text.first(std::min(text.size(), params::kMaxLabelBytes));
  if (!std::equal(written.begin(), written.end(), expected.begin(), expected.end())) {
    fuzz::PropertyFailed("a label read from a fixture is not written back as it came");
  }
  if (params::OneLineName(label).find_first_of("\r\n") != std::string::npos) {
    fuzz::PropertyFailed("a one-line name holds a line break");
  }
}

void CheckRowsAndMask(std::span<const std::uint8_t> data) {
  const params::ReceivedRow row = params::DecodeRow(data);
  for (std::size_t k = 0; k < params::kRowChannels; ++k) {
    if (row[k].has_value() != (k < data.size()) || (row[k] && *row[k] != data[k])) {
      fuzz::PropertyFailed("a row channel does not match the reply byte");
    }
  }
  const params::ChannelMask mask = params::DecodeMask(data);
  if (!data.empty() && params::EncodeMask(mask) != data[0]) {
    fuzz::PropertyFailed("a mask is not written back as it was read");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);

  const params::DeviceInfo info = params::DecodeDeviceInfo(input);
  if (!IsValidUtf8(info.category) || !IsValidUtf8(info.firmware)) {
    fuzz::PropertyFailed("device info decoded to malformed UTF-8");
  }
  // The encoders write back what the decoders read, field for field.
  const auto fields = params::EncodeDeviceInfo(params::DecodeDeviceInfoFields(input));
  if (!std::equal(fields.begin(), fields.begin() + std::min(size, fields.size()), input.begin())) {
    fuzz::PropertyFailed("DEVICE_INFO does not encode back to its bytes");
  }
  const params::StatusMessage status = params::DecodeFirstStatus(input);
  const auto message = params::EncodeStatusMessage(status);
  if (!std::equal(message.begin(), message.begin() + std::min(size, message.size()),
                  input.begin())) {
    fuzz::PropertyFailed("a status message does not encode back to its bytes");
  }
  if (!IsValidUtf8(params::StatusText(status)))
    fuzz::PropertyFailed("a status text is malformed UTF-8");
  params::StatusColour(status.type);

  CheckLabel(input);
  CheckRowsAndMask(input);
  params::DecodeHours(input);
  params::DecodeFlag(input);

  params::PidList pids;
  params::StoreSupportedPids(pids, input);
  const std::size_t stored = std::min(size / 2, params::kMaxStoredPids);
  for (std::size_t i = 0; i < stored; ++i) {
    const auto pid = static_cast<std::uint16_t>(input[2 * i] << 8 | input[2 * i + 1]);
    if (pid != 0 && !params::IsPidSupported(pids, pid)) {
      fuzz::PropertyFailed("a PID of the reply is not supported");
    }
  }
  return 0;
}
