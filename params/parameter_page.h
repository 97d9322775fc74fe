// The catalogue of parameter-page operations: the supported-parameter gate, the
// identify flag, and the get and set operations that move one parameter (or a
// fixed group) between a fixture and the page's values. Each operation writes
// its own log line (through the page's log) and sends one request per
// PID; a get that changes what the page shows updates the values and hands
// them to the front end's `show` at once, so that whatever the front end does
// on a change (the window's address box logs its value) comes in its place
// among the log lines. Errors thrown by `show` or by `saveNames` pass through.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "devices/names_list.h"
#include "params/page_values.h"
#include "params/supported_pids.h"
#include "rdm/log_sink.h"
#include "rdm/rdm_controller.h"
#include "rdm/uid.h"

namespace korval::params {

class ParameterPage {
 public:
  using Show = std::function<void(const PageValues& values, PageField changed)>;
  using SaveNames = std::function<void(const NamesList& names)>;

  // The names list stands in for the label of devices without DEVICE_LABEL;
  // saveNames writes it after such a device's name changed. The page's own
  // lines go to `log`; the controller writes its packet dumps to its own.
  ParameterPage(RdmController& controller, LogSink log, NamesList& names, SaveNames saveNames,
                Show show);

  // One list and one flag for the whole tool, not one per device.
  PidList SupportedPids{};
  std::uint8_t IdentifyState = 0;

  bool IsPidSupported(std::uint16_t pid) const;
  // A line of the page's log.
  void Log(const std::string& line) const;
  // A fixed wait of the page (settle times), on the controller's clock.
  void Pause(int ms);

  void GetSupportedParameters(Uid uid);
  void GetDeviceInfo(Uid uid, PageValues& values);
  void GetDeviceLabel(Uid uid, PageValues& values);
  void SetDeviceLabel(Uid uid, const PageValues& values);
  void GetManufacturerLabel(Uid uid, PageValues& values);
  void GetDeviceHours(Uid uid, PageValues& values);
  void GetLampHours(Uid uid, PageValues& values);
  // The address text's value plus offset, kept within 1..512. A text that is
  // not an integer sends nothing (and raises no error: batch addressing runs
  // this once per fixture).
  void SetStartAddress(Uid uid, const PageValues& values, int offset);
  void SetPersonality(Uid uid, const PageValues& values);
  void GetPanTiltSettings(Uid uid, PageValues& values);
  void SetPanTiltSettings(Uid uid, const PageValues& values);
  // A row's set throws ConversionError, before anything is sent, when one of
  // its texts is not an integer.
  void GetMinLimits(Uid uid, PageValues& values);
  void SetMinLimits(Uid uid, const PageValues& values);
  void GetMaxLimits(Uid uid, PageValues& values);
  void SetMaxLimits(Uid uid, const PageValues& values);
  void GetErrorScene(Uid uid, PageValues& values);
  void SetErrorScene(Uid uid, const PageValues& values);
  void GetDimmSwitch(Uid uid, PageValues& values);
  void SetDimmSwitch(Uid uid, const PageValues& values);
  // The first queued status message into the device-state text and colour.
  void GetStatusMessages(Uid uid, PageValues& values);

  // The whole page, in the fixed order of steps.
  void ReadPage(Uid uid, PageValues& values);
  // The page goes only to the device it was read from: the values it shows
  // are that device's, or what the operator made of them. To any other (or
  // before any read) nothing is sent; one line says why, and false comes back.
  bool WritePage(Uid uid, PageValues& values);

  // Flips the identify flag and sends it.
  void Identify(Uid uid);

 private:
  // The only two ways to the line: a GET gives the reply's data on ACK and
  // nothing otherwise, a SET's outcome is not looked at.
  std::optional<std::vector<std::uint8_t>> Get(Uid uid, std::uint16_t pid,
                                               std::span<const std::uint8_t> data = {});
  void Set(Uid uid, std::uint16_t pid, std::span<const std::uint8_t> data);

  void LogFor(const char* literal, Uid uid);
  // The label on ACK; nothing when the request got none.
  std::optional<std::string> GetLabel(Uid uid, std::uint16_t pid, const char* literal);
  void GetRow(Uid uid, std::uint16_t pid, RowValues& row, PageField field, PageValues& values,
              const char* literal);
  void SetRow(Uid uid, std::uint16_t pid, const RowValues& row, const char* literal);
  void GetHours(Uid uid, std::uint16_t pid, std::string& text, PageField field, PageValues& values,
                const char* literal);

  RdmController& controller_;
  LogSink log_;
  NamesList& names_;
  SaveNames saveNames_;
  Show show_;
  std::optional<Uid> readFrom_;
};

}  // namespace korval::params
