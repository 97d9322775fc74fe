// The parameter page's state and operations: the supported-parameter gate, the
// identify flag, and the catalogue of get and set operations that move one
// parameter (or a fixed group) between a fixture and the RDM page's fields.
// Every operation takes the target UID as two words, the low 32 bits and the
// manufacturer word, writes its own log line and runs one transaction per PID.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/tform1.h"
#include "params/supported_pids.h"

namespace korval {

struct TForm1::ParamsRoom {
  explicit ParamsRoom(TForm1& form);

  // One list and one flag for the whole tool, not one per device.
  params::PidList SupportedPids{};
  std::uint8_t IdentifyState = 0;

  bool IsPidSupported(std::uint16_t pid) const;

  void GetSupportedParameters(std::uint32_t uidLow, std::uint32_t uidHigh);
  void GetDeviceInfo(std::uint32_t uidLow, std::uint32_t uidHigh);
  void GetDeviceLabel(std::uint32_t uidLow, std::uint32_t uidHigh);
  void SetDeviceLabel(std::uint32_t uidLow, std::uint32_t uidHigh);
  void GetManufacturerLabel(std::uint32_t uidLow, std::uint32_t uidHigh);
  void GetDeviceHours(std::uint32_t uidLow, std::uint32_t uidHigh);
  void GetLampHours(std::uint32_t uidLow, std::uint32_t uidHigh);
  // The address box's value plus offset, kept within 1..512. A box that is not
  // an integer sends nothing (no error box: batch addressing calls this too).
  void SetStartAddress(std::uint32_t uidLow, std::uint32_t uidHigh, int offset);
  void SetPersonality(std::uint32_t uidLow, std::uint32_t uidHigh);
  void GetPanTiltSettings(std::uint32_t uidLow, std::uint32_t uidHigh);
  void SetPanTiltSettings(std::uint32_t uidLow, std::uint32_t uidHigh);
  void GetMinLimits(std::uint32_t uidLow, std::uint32_t uidHigh);
  void SetMinLimits(std::uint32_t uidLow, std::uint32_t uidHigh);
  void GetMaxLimits(std::uint32_t uidLow, std::uint32_t uidHigh);
  void SetMaxLimits(std::uint32_t uidLow, std::uint32_t uidHigh);
  void GetErrorScene(std::uint32_t uidLow, std::uint32_t uidHigh);
  void SetErrorScene(std::uint32_t uidLow, std::uint32_t uidHigh);
  void GetDimmSwitch(std::uint32_t uidLow, std::uint32_t uidHigh);
  void SetDimmSwitch(std::uint32_t uidLow, std::uint32_t uidHigh);
  // The first queued status message into the device-state box.
  void GetStatusMessages(std::uint32_t uidLow, std::uint32_t uidHigh);

  // The whole page, in the fixed order of steps.
  void ReadPage(std::uint32_t uidLow, std::uint32_t uidHigh);
  void WritePage(std::uint32_t uidLow, std::uint32_t uidHigh);

 private:
  using Row = std::array<QLineEdit*, 8>;
  int Get(Uid uid, std::uint16_t pid, std::span<const std::uint8_t> data = {});
  void Set(Uid uid, std::uint16_t pid, std::span<const std::uint8_t> data);
  void LogFor(const char* literal, Uid uid);
  void GetRow(std::uint32_t uidLow, std::uint32_t uidHigh, std::uint16_t pid, const Row& boxes,
              const char* literal);
  void SetRow(std::uint32_t uidLow, std::uint32_t uidHigh, std::uint16_t pid, const Row& boxes,
              const char* literal);
  // The label on ACK; nothing when the request got none.
  std::optional<QString> GetLabel(Uid uid, std::uint16_t pid, const char* literal);
  void GetHoursInto(QLineEdit* box, Uid uid, std::uint16_t pid, const char* literal);

  TForm1& form;
  // The parameter data of the last GET.
  std::vector<std::uint8_t> replyData_;
};

}  // namespace korval
