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

DeviceListView ListOf(TForm1& form) {
  return {.clear = [&form] { form.ListBox1->clear(); },
          .add =
              [&form](const std::string& line) {
                form.ListBox1->addItem(QString::fromStdString(line));
              }};
}

}  // namespace

void TForm1::InitDevicesRoom() {
  devicesRoom = std::make_unique<DevicesRoom>(*this);
}

void TForm1::LoadDeviceNames() {
  devicesRoom->names.Load(ListOf(*this));
}

void TForm1::RewriteDeviceNames() {
  devicesRoom->names.Rewrite(Edit1->text().toStdString());
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
  // The line that stopped the names file's load names no device: it is neither
  // read nor moved (the serial-number box would move it up into the table).
  if (IsUnreadable(deviceTable, selected)) {
    Log(WithheldSkipLine(deviceTable, selected));
    return;
  }
  BitBtnWrite->setEnabled(false);
  const QString position = QString::number(selected);
  if (Edit35->text() != position) SetText(Edit35, position);
  SetBoxColour(Edit35, kSelectedYellow);
  // A withheld entry is never read, and the write button stays off for it.
  if (IsWithheld(deviceTable, selected)) {
    Log(WithheldSkipLine(deviceTable, selected));
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
    // The rewrite empties the names list itself, once it has taken each
    // device's name from it.
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
  RunDiscovery();
}

void TForm1::RunDiscovery() {
  // Discovery first mutes the devices already listed; a withheld entry is no
  // device, and must not be addressed there either.
  DropWithheldDevices(deviceTable);
  const DeviceListView list = ListOf(*this);
  const DiscoveryHooks hooks{.clearList = list.clear,
                             .addListLine = list.add,
                             .stopRequested = [this] { return guard_->StopRequested(); }};
  // Escape stops the search; what was found so far is kept as after a full one.
  // On the line the known devices are kept where they still answer (muted
  // again one by one before the search for the others); a node is asked to
  // discover anew and give its table.
  const DiscoveryMode mode = hasLine() ? DiscoveryMode::kIncremental : DiscoveryMode::kFull;
  guard_->RunStoppable([this, &hooks, mode] { controller.Discover(mode, deviceTable, hooks); });
  if (deviceTable.count > 0) {
    devicesRoom->names.NameDiscovered(Edit1->text().toStdString());
    SelectPosition(0);
  }
  Log("Discovery finished.");
}

}  // namespace korval
