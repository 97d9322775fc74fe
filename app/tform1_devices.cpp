// Device list, names file, reordering and discovery.
#include <QColor>
#include <string>
#include <vector>

#include "app/devices_room.h"
#include "app/handler_guard.h"
#include "app/tform1.h"
#include "base/atomic_file.h"
#include "base/conversion.h"
#include "base/errors.h"
#include "devices/field_rules.h"
#include "devices/reorder.h"

namespace korval {

namespace {

const QColor kSelectedYellow(255, 255, 0);

QString ListLine(int position, const std::string& key) {
  return QString::number(position) + " - ID:" + QString::fromStdString(key);
}

}  // namespace

void TForm1::InitDevicesRoom() {
  devicesRoom = std::make_unique<DevicesRoom>(transport, deviceTable);
}

void TForm1::LoadDeviceNames() {
  const int nulLine = LoadNamesList(namesList);
  const int entries = namesList.Count();
  Log("Devices: " + std::to_string(entries));
  if (entries > DeviceTable::kCapacity) {
    Log(std::to_string(entries - DeviceTable::kCapacity) + " entries of " + kDeviceNamesFile +
        " left out: the device table holds " + std::to_string(DeviceTable::kCapacity) + " devices");
  }
  if (nulLine != 0) {
    Log(std::string(kDeviceNamesFile) + " line " + std::to_string(nulLine) +
        ": a NUL byte ends the text; nothing after it is read");
  }
  auto& untabled = devicesRoom->untabledEntries;
  const auto& lines = namesList.Lines();
  untabled.clear();
  deviceTable.count = 0;
  ListBox1->clear();
  for (int p = 0; p < entries && p < DeviceTable::kCapacity; ++p) {
    const std::string key = namesList.KeyAt(p);
    // The item goes in first: a key that is not a number ends the load with the
    // item shown and the table holding the entries before it.
    ListBox1->addItem(ListLine(p, key));
    Uid value = 0;
    try {
      value = static_cast<Uid>(StrToInt64("0x" + key)) & kUidMask;
    } catch (const ConversionError& error) {
      untabled.assign(lines.begin() + p, lines.end());
      throw ConversionError(std::string(kDeviceNamesFile) + " line " + std::to_string(p + 1) +
                            ": " + error.what());
    }
    PlaceUid(deviceTable, p, value);
    if (IsWithheld(deviceTable, p)) {
      Log(std::string(kDeviceNamesFile) + " line " + std::to_string(p + 1) + ": " + key +
          " is a broadcast address: listed at position " + std::to_string(p) +
          ", not used for operations");
    }
    ++deviceTable.count;
  }
  untabled.assign(lines.begin() + deviceTable.count, lines.end());
}

void TForm1::RewriteDeviceNames() {
  namesList.Clear();
  const std::string name = Edit1->text().toStdString();
  for (int p = 0; p < deviceTable.count; ++p) {
    namesList.SetName(UidText(ListedUid(deviceTable, p)), name);
  }
  // Entries the table could not hold stay in the file, after its devices.
  std::vector<std::string> lines = namesList.Lines();
  const auto& untabled = devicesRoom->untabledEntries;
  lines.insert(lines.end(), untabled.begin(), untabled.end());
  namesList.Assign(std::move(lines));
  SaveNamesList(namesList);
}

void TForm1::ListBox1Click() {
  const int selected = SelectedPosition();
  if (PageControl1->currentWidget() == TabSheet2) {
    if (selected < 0 || selected >= static_cast<int>(PatchStart.size())) return;
    PatchCursor = PatchStart[selected];
    if (PatchCursor != 0) PaintBox1->update();
    return;
  }
  if (!RdmPageActive() || selected < 0) return;
  BitBtnWrite->setEnabled(false);
  const QString position = QString::number(selected);
  if (Edit35->text() != position) SetText(Edit35, position);
  SetBoxColour(Edit35, kSelectedYellow);
  // A withheld entry is never read, and the write button stays off for it.
  if (IsWithheld(deviceTable, selected)) {
    Log(WithheldSkipLine(selected, ListedUid(deviceTable, selected)));
    return;
  }
  BitBtnReadClick();
}

void TForm1::Edit35Change() {
  std::string line = "device:";
  int n = StrToInt(Edit35->text().toStdString());
  const int corrected = ClampTypedPosition(n, deviceTable.count);
  if (corrected != n) {
    n = corrected;
    // Runs this handler again, nested, with the corrected number.
    const QString text = QString::number(n);
    if (Edit35->text() != text) SetText(Edit35, text);
  }
  line += std::to_string(n);
  const int selected = SelectedPosition();
  if (selected != n) {
    namesList.Clear();
    MoveDeviceUp(deviceTable, selected, n);
    RewriteDeviceNames();
    line += " Change ";
    if (FileExists(kDeviceNamesFile)) LoadDeviceNames();
  }
  SelectPosition(n);
  Log(line);
}

void TForm1::SpeedButtonUpClick() {
  std::string line = "UP";
  const int selected = SelectedPosition();
  if (selected <= 0) {
    SelectPosition(0);
    line += " On the top ";
  } else {
    SwapDevices(deviceTable, selected, selected - 1);
    RewriteDeviceNames();
    line += " Success ";
    if (FileExists(kDeviceNamesFile)) LoadDeviceNames();
  }
  Log(line);
}

void TForm1::SpeedButtonDownClick() {
  std::string line = "Down";
  const int selected = SelectedPosition();
  if (selected < 0 || selected + 1 >= deviceTable.count) {
    SelectPosition(deviceTable.count - 1);
    line += " On the bottom ";
  } else {
    SwapDevices(deviceTable, selected, selected + 1);
    RewriteDeviceNames();
    line += " Success ";
    if (FileExists(kDeviceNamesFile)) LoadDeviceNames();
    SelectPosition(selected + 1);
  }
  Log(line);
}

void TForm1::BitBtnDiscoverClick() {
  // The output ticker sends only on the Art-Net page; leaving it keeps the line
  // to discovery alone.
  if (!RdmPageActive()) SetActivePage(TabSheet1);
  // Discovery first mutes the devices already listed; a withheld entry is no
  // device, and must not be addressed there either.
  DropWithheldDevices(deviceTable);
  const DiscoveryHooks hooks{
      .clearList = [this] { ListBox1->clear(); },
      .addListLine =
          [this](const std::string& line) { ListBox1->addItem(QString::fromStdString(line)); },
      .stopRequested = [this] { return guard_->StopRequested(); }};
  // Escape stops the search; what was found so far is kept as after a full one.
  guard_->RunStoppable([this, &hooks] { devicesRoom->discovery.Run(hooks); });
  if (deviceTable.count > 0) {
    const std::string name = Edit1->text().toStdString();
    auto& untabled = devicesRoom->untabledEntries;
    for (int k = 1; k <= deviceTable.count; ++k) {
      const std::string key = UidText(deviceTable.slots[k]);
      namesList.SetName(key, name);
      // A found device is in the table now; its line must not come back twice.
      std::erase_if(untabled,
                    [&](const std::string& line) { return SameKey(KeyOfLine(line), key); });
    }
    SaveNamesList(namesList);
    SelectPosition(0);
  }
  Log("Discovery finished.");
}

}  // namespace korval
