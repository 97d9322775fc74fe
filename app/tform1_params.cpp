// Parameter page: read and write of the selected device's page, and identify.
// The operations themselves are in tform1_params_operations.cpp.
#include <QColor>

#include "app/devices_room.h"
#include "app/params_room.h"
#include "rdm/rdm_constants.h"

namespace korval {

namespace {

const QColor kSelectedYellow(255, 255, 0);
constexpr int kPauseBeforeReReadMs = 200;

// The UID of list position p is in table slot p + 1; -1 (nothing selected)
// gives slot 0, where discovery leaves the UID it found last.
Uid SlotOfPosition(const DeviceTable& table, int position) {
  const int slot = position + 1;
  if (slot < 0 || slot > DeviceTable::kCapacity) return table.slots[0];
  return table.slots[static_cast<std::size_t>(slot)];
}

}  // namespace

void TForm1::InitParamsRoom() {
  paramsRoom = std::make_unique<ParamsRoom>(*this);
}

void TForm1::ParamsRoom::ReadPage(std::uint32_t uidLow, std::uint32_t uidHigh) {
  // Every step runs whatever the steps before it gave; the first refreshes the
  // gate for all the others.
  GetSupportedParameters(uidLow, uidHigh);
  GetDeviceInfo(uidLow, uidHigh);
  GetStatusMessages(uidLow, uidHigh);
  GetDeviceLabel(uidLow, uidHigh);
  GetManufacturerLabel(uidLow, uidHigh);
  GetPanTiltSettings(uidLow, uidHigh);
  GetDeviceHours(uidLow, uidHigh);
  GetLampHours(uidLow, uidHigh);
  GetMinLimits(uidLow, uidHigh);
  GetMaxLimits(uidLow, uidHigh);
  GetErrorScene(uidLow, uidHigh);
  GetDimmSwitch(uidLow, uidHigh);
}

void TForm1::ParamsRoom::WritePage(std::uint32_t uidLow, std::uint32_t uidHigh) {
  GetSupportedParameters(uidLow, uidHigh);
  SetPersonality(uidLow, uidHigh);
  SetDeviceLabel(uidLow, uidHigh);
  SetPanTiltSettings(uidLow, uidHigh);
  SetStartAddress(uidLow, uidHigh, 0);
  SetMinLimits(uidLow, uidHigh);
  SetMaxLimits(uidLow, uidHigh);
  SetErrorScene(uidLow, uidHigh);
  SetDimmSwitch(uidLow, uidHigh);
  form.transport.Pause(kPauseBeforeReReadMs);
  // The device's own answer shows what it made of the values it was sent.
  GetDeviceInfo(uidLow, uidHigh);
}

void TForm1::BitBtnReadClick() {
  if (SelectedPosition() < 0 && deviceTable.count != 0) {
    SelectPosition(0);
    SetBoxColour(Edit35, kSelectedYellow);
  }
  const int position = SelectedPosition();
  if (position < 0) {
    Log("NO device");
    return;
  }
  if (IsWithheld(deviceTable, position)) {
    Log(WithheldSkipLine(position, ListedUid(deviceTable, position)));
    return;
  }
  const Uid uid = SlotOfPosition(deviceTable, position);
  paramsRoom->ReadPage(UidLow(uid), UidHigh(uid));
  BitBtnWrite->setEnabled(true);
}

void TForm1::BitBtnWriteClick() {
  const int position = SelectedPosition();
  if (position < 0) {
    Log("NO device");
    return;
  }
  if (IsWithheld(deviceTable, position)) {
    Log(WithheldSkipLine(position, ListedUid(deviceTable, position)));
    return;
  }
  const Uid uid = SlotOfPosition(deviceTable, position);
  paramsRoom->WritePage(UidLow(uid), UidHigh(uid));
}

void TForm1::BitBtnIdentifyClick() {
  if (IsWithheld(deviceTable, SelectedPosition())) {
    Log(WithheldSkipLine(SelectedPosition(), ListedUid(deviceTable, SelectedPosition())));
    return;
  }
  const Uid uid = SlotOfPosition(deviceTable, SelectedPosition());
  // The output ticker sends only on the Art-Net page; leaving it keeps the
  // identify request alone on the line.
  if (!RdmPageActive()) SetActivePage(TabSheet1);
  ParamsRoom& room = *paramsRoom;
  room.IdentifyState = room.IdentifyState == 0 ? 1 : 0;
  const std::array<std::uint8_t, 1> data = {room.IdentifyState};
  transport.Request(uid, rdm::kSetCommand, rdm::kPidIdentifyDevice, data);
}

}  // namespace korval
