// The catalogue of parameter operations: gate, log line, request, decoding.
#include <QColor>
#include <algorithm>
#include <array>
#include <optional>

#include "app/params_room.h"
#include "base/conversion.h"
#include "params/channel_values.h"
#include "params/device_info.h"
#include "params/labels.h"
#include "params/status_text.h"
#include "rdm/rdm_constants.h"

namespace korval {

using namespace rdm;

namespace {

const QColor kGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);
constexpr int kSetPauseMs = 100;
constexpr int kLowestAddress = 1;
constexpr int kHighestAddress = 512;

QString FromStd(const std::string& text) {
  return QString::fromStdString(text);
}

// The name box takes 32 typed characters, but a longer name from the names
// list or a device shows whole: cut by the box, it would go back cut into the
// names file with the next write.
void ShowName(QLineEdit* box, const QString& name) {
  box->setMaxLength(
      std::max(static_cast<int>(params::kMaxLabelBytes), static_cast<int>(name.size())));
  box->setText(name);
}

}  // namespace

TForm1::ParamsRoom::ParamsRoom(TForm1& formIn) : form(formIn) {}

bool TForm1::ParamsRoom::IsPidSupported(std::uint16_t pid) const {
  return params::IsPidSupported(SupportedPids, pid);
}

int TForm1::ParamsRoom::Get(Uid uid, std::uint16_t pid, std::span<const std::uint8_t> data) {
  RdmReply reply = form.transport.Transact({.destination = uid,
                                            .commandClass = kGetCommand,
                                            .pid = pid,
                                            .data = {data.begin(), data.end()}},
                                           kSingleExchange);
  replyData_ = std::move(reply.data);
  return TransactionResult(reply);
}

void TForm1::ParamsRoom::Set(Uid uid, std::uint16_t pid, std::span<const std::uint8_t> data) {
  form.transport.Request(uid, kSetCommand, pid, data);
}

void TForm1::ParamsRoom::LogFor(const char* literal, Uid uid) {
  form.Log(literal + UidText(uid));
}

void TForm1::ParamsRoom::GetSupportedParameters(std::uint32_t uidLow, std::uint32_t uidHigh) {
  // Cleared before the request, so that a failed request leaves only the
  // always-supported PIDs passing the gate.
  SupportedPids.fill(0);
  const Uid uid = MakeUid(uidLow, uidHigh);
  LogFor("Getting parameters of 0x", uid);
  if (Get(uid, kPidSupportedParameters) != kAck) return;
  params::StoreSupportedPids(SupportedPids, replyData_);
}

void TForm1::ParamsRoom::GetDeviceInfo(std::uint32_t uidLow, std::uint32_t uidHigh) {
  const Uid uid = MakeUid(uidLow, uidHigh);
  if (Get(uid, kPidDeviceInfo) != kAck) return;
  LogFor("Getting device info of 0x", uid);
  const params::DeviceInfo info = params::DecodeDeviceInfo(replyData_);
  form.Edit8->setText(FromStd(info.category));
  form.Edit9->setText(FromStd(info.firmware));
  form.Edit10->setText(QString::number(info.footprint));
  // The range first, so that the position is taken within the new range.
  form.UpDown1->SetMax(info.personalityCount);
  form.UpDown1->SetPosition(info.personality);
  // The box's own change handling keeps the address within 1..512 and logs it.
  form.SetText(form.EditAddr, QString::number(info.startAddress));
}

std::optional<QString> TForm1::ParamsRoom::GetLabel(Uid uid, std::uint16_t pid,
                                                    const char* literal) {
  LogFor(literal, uid);
  if (Get(uid, pid) != kAck) return std::nullopt;
  return FromStd(params::DecodeLabel(replyData_));
}

void TForm1::ParamsRoom::GetDeviceLabel(std::uint32_t uidLow, std::uint32_t uidHigh) {
  const Uid uid = MakeUid(uidLow, uidHigh);
  if (!IsPidSupported(kPidDeviceLabel)) {
    // Devices without a label of their own keep their name in the names list.
    ShowName(form.Edit1, FromStd(form.namesList.GetName(UidText(uid))));
    return;
  }
  if (const auto label = GetLabel(uid, kPidDeviceLabel, "Getting device name of 0x")) {
    ShowName(form.Edit1, *label);
  }
}

void TForm1::ParamsRoom::SetDeviceLabel(std::uint32_t uidLow, std::uint32_t uidHigh) {
  const Uid uid = MakeUid(uidLow, uidHigh);
  const std::string name = form.Edit1->text().toStdString();
  if (!IsPidSupported(kPidDeviceLabel)) {
    form.namesList.SetName(UidText(uid), params::OneLineName(name));
    SaveNamesList(form.namesList);
    return;
  }
  LogFor("Setting device name of 0x", uid);
  Set(uid, kPidDeviceLabel, params::EncodeLabel(name));
}

void TForm1::ParamsRoom::GetManufacturerLabel(std::uint32_t uidLow, std::uint32_t uidHigh) {
  form.Edit2->setText("unknown");
  if (!IsPidSupported(kPidManufacturerLabel)) return;
  if (const auto label =
          GetLabel(MakeUid(uidLow, uidHigh), kPidManufacturerLabel, "Getting manufacturer of 0x")) {
    form.Edit2->setText(*label);
  }
}

void TForm1::ParamsRoom::GetHoursInto(QLineEdit* box, Uid uid, std::uint16_t pid,
                                      const char* literal) {
  box->setText("unknown");
  if (!IsPidSupported(pid)) return;
  LogFor(literal, uid);
  if (Get(uid, pid) != kAck) return;
  box->setText(QString::number(params::DecodeHours(replyData_)));
}

void TForm1::ParamsRoom::GetDeviceHours(std::uint32_t uidLow, std::uint32_t uidHigh) {
  GetHoursInto(form.Edit33, MakeUid(uidLow, uidHigh), kPidDeviceHours, "Getting dev hours of 0x");
}

void TForm1::ParamsRoom::GetLampHours(std::uint32_t uidLow, std::uint32_t uidHigh) {
  GetHoursInto(form.Edit34, MakeUid(uidLow, uidHigh), kPidLampHours, "Getting lamp hours of 0x");
}

void TForm1::ParamsRoom::SetStartAddress(std::uint32_t uidLow, std::uint32_t uidHigh, int offset) {
  const Uid uid = MakeUid(uidLow, uidHigh);
  if (!IsPidSupported(kPidDmxStartAddress)) return;
  LogFor("Setting start address of 0x", uid);
  const std::optional<std::int64_t> typed =
      ParseInteger(form.EditAddr->text().toStdString(), std::numeric_limits<std::int32_t>::min(),
                   std::numeric_limits<std::int32_t>::max());
  if (!typed) return;
  // In 64 bits, so that a huge box value plus an offset cannot overflow.
  const std::int64_t address =
      std::clamp<std::int64_t>(*typed + offset, kLowestAddress, kHighestAddress);
  Set(uid, kPidDmxStartAddress, params::EncodeStartAddress(static_cast<std::uint16_t>(address)));
  form.transport.Pause(kSetPauseMs);
}

void TForm1::ParamsRoom::SetPersonality(std::uint32_t uidLow, std::uint32_t uidHigh) {
  const Uid uid = MakeUid(uidLow, uidHigh);
  if (!IsPidSupported(kPidDmxPersonality)) return;
  LogFor("Setting personality of 0x", uid);
  const std::array<std::uint8_t, 1> data = {
      static_cast<std::uint8_t>(form.UpDown1->Position() & 0xFF)};
  Set(uid, kPidDmxPersonality, data);
  form.transport.Pause(kSetPauseMs);
}

namespace {

struct AxisSetting {
  std::uint16_t pid;
  QCheckBox* TForm1::*box;
  const char* getLiteral;
  const char* setLiteral;
};

constexpr std::array<AxisSetting, 3> kAxisSettings = {{
    {kPidPanInvert, &TForm1::CheckBox1, "Get pan inversion of 0x", "Set pan inversion of 0x"},
    {kPidTiltInvert, &TForm1::CheckBox2, "Get tilt inversion of 0x", "Set tilt inversion of 0x"},
    {kPidPanTiltSwap, &TForm1::CheckBox3, "Get axis swap of 0x", "Set axis swap of 0x"},
}};

}  // namespace

void TForm1::ParamsRoom::GetPanTiltSettings(std::uint32_t uidLow, std::uint32_t uidHigh) {
  const Uid uid = MakeUid(uidLow, uidHigh);
  for (const AxisSetting& axis : kAxisSettings) (form.*axis.box)->setChecked(false);
  for (const AxisSetting& axis : kAxisSettings) {
    if (!IsPidSupported(axis.pid)) continue;
    LogFor(axis.getLiteral, uid);
    if (Get(uid, axis.pid) != kAck) continue;
    (form.*axis.box)->setChecked(params::DecodeFlag(replyData_));
  }
}

void TForm1::ParamsRoom::SetPanTiltSettings(std::uint32_t uidLow, std::uint32_t uidHigh) {
  const Uid uid = MakeUid(uidLow, uidHigh);
  for (const AxisSetting& axis : kAxisSettings) {
    if (!IsPidSupported(axis.pid)) continue;
    LogFor(axis.setLiteral, uid);
    const std::array<std::uint8_t, 1> data = {
        static_cast<std::uint8_t>((form.*axis.box)->isChecked() ? 1 : 0)};
    Set(uid, axis.pid, data);
  }
}

void TForm1::ParamsRoom::GetRow(std::uint32_t uidLow, std::uint32_t uidHigh, std::uint16_t pid,
                                const Row& boxes, const char* literal) {
  // Grey until read; the old texts stay, and a later write sends them as they are.
  for (QLineEdit* box : boxes) SetBoxColour(box, kGrey);
  if (!IsPidSupported(pid)) return;
  const Uid uid = MakeUid(uidLow, uidHigh);
  LogFor(literal, uid);
  if (Get(uid, pid) != kAck) return;
  const params::ReceivedRow row = params::DecodeRow(replyData_);
  for (std::size_t k = 0; k < boxes.size(); ++k) {
    if (!row[k]) continue;
    boxes[k]->setText(QString::number(*row[k]));
    SetBoxColour(boxes[k], kWhite);
  }
}

void TForm1::ParamsRoom::SetRow(std::uint32_t uidLow, std::uint32_t uidHigh, std::uint16_t pid,
                                const Row& boxes, const char* literal) {
  if (!IsPidSupported(pid)) return;
  const Uid uid = MakeUid(uidLow, uidHigh);
  LogFor(literal, uid);
  // A box that is not an integer throws here, before anything is sent, and so
  // ends the whole page write with the error box.
  std::array<int, params::kRowChannels> values{};
  for (std::size_t k = 0; k < boxes.size(); ++k) {
    values[k] = StrToInt(boxes[k]->text().toStdString());
  }
  Set(uid, pid, params::EncodeRow(values));
}

void TForm1::ParamsRoom::GetMinLimits(std::uint32_t uidLow, std::uint32_t uidHigh) {
  GetRow(uidLow, uidHigh, kPidMinLimits, form.MinLimitBoxes, "Get min limits of 0x");
}
void TForm1::ParamsRoom::SetMinLimits(std::uint32_t uidLow, std::uint32_t uidHigh) {
  SetRow(uidLow, uidHigh, kPidMinLimits, form.MinLimitBoxes, "Set min limits of 0x");
}
void TForm1::ParamsRoom::GetMaxLimits(std::uint32_t uidLow, std::uint32_t uidHigh) {
  GetRow(uidLow, uidHigh, kPidMaxLimits, form.MaxLimitBoxes, "Get max limits of 0x");
}
void TForm1::ParamsRoom::SetMaxLimits(std::uint32_t uidLow, std::uint32_t uidHigh) {
  SetRow(uidLow, uidHigh, kPidMaxLimits, form.MaxLimitBoxes, "Set max limits of 0x");
}
void TForm1::ParamsRoom::GetErrorScene(std::uint32_t uidLow, std::uint32_t uidHigh) {
  GetRow(uidLow, uidHigh, kPidErrorScene, form.ErrorSceneBoxes, "Get error scene of 0x");
}
void TForm1::ParamsRoom::SetErrorScene(std::uint32_t uidLow, std::uint32_t uidHigh) {
  SetRow(uidLow, uidHigh, kPidErrorScene, form.ErrorSceneBoxes, "Set error scene of 0x");
}

void TForm1::ParamsRoom::GetDimmSwitch(std::uint32_t uidLow, std::uint32_t uidHigh) {
  for (QCheckBox* box : form.DimmSwitchBoxes) box->setChecked(false);
  if (!IsPidSupported(kPidDimmSwitch)) return;
  const Uid uid = MakeUid(uidLow, uidHigh);
  LogFor("Get Dimm/Switch of 0x", uid);
  if (Get(uid, kPidDimmSwitch) != kAck) return;
  const params::ChannelMask mask = params::DecodeMask(replyData_);
  for (std::size_t k = 0; k < mask.size(); ++k) form.DimmSwitchBoxes[k]->setChecked(mask[k]);
}

void TForm1::ParamsRoom::SetDimmSwitch(std::uint32_t uidLow, std::uint32_t uidHigh) {
  if (!IsPidSupported(kPidDimmSwitch)) return;
  const Uid uid = MakeUid(uidLow, uidHigh);
  LogFor("Set Dimm/Switch of 0x", uid);
  params::ChannelMask channels{};
  for (std::size_t k = 0; k < channels.size(); ++k) {
    channels[k] = form.DimmSwitchBoxes[k]->isChecked();
  }
  const std::array<std::uint8_t, 1> data = {params::EncodeMask(channels)};
  Set(uid, kPidDimmSwitch, data);
}

void TForm1::ParamsRoom::GetStatusMessages(std::uint32_t uidLow, std::uint32_t uidHigh) {
  // The colour stays as it was until a reply says otherwise.
  form.Edit5->setText("unknown");
  if (!IsPidSupported(kPidStatusMessages)) return;
  const Uid uid = MakeUid(uidLow, uidHigh);
  LogFor("Getting status of 0x", uid);
  // Advisory asks for advisories, warnings and errors alike.
  const std::array<std::uint8_t, 1> advisory = {0x02};
  if (Get(uid, kPidStatusMessages, advisory) != kAck) return;
  const params::StatusMessage first = params::DecodeFirstStatus(replyData_);
  const params::Rgb colour = params::StatusColour(first.type);
  SetBoxColour(form.Edit5, QColor(colour.red, colour.green, colour.blue));
  form.Edit5->setText(FromStd(params::StatusText(first)));
}

}  // namespace korval
