// Parameter page: read and write of the selected device's page, identify, and
// the mapping between the page's widgets and the catalogue's values. The
// operations themselves are in params/parameter_page.cpp.
#include <QColor>
#include <algorithm>

#include "app/devices_room.h"
#include "app/params_room.h"
#include "params/labels.h"

namespace korval {

namespace {

const QColor kSelectedYellow(255, 255, 0);
const QColor kGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);

// The UID of list position p is in table slot p + 1; -1 (nothing selected)
// gives slot 0, where discovery leaves the UID it found last.
Uid SlotOfPosition(const DeviceTable& table, int position) {
  const int slot = position + 1;
  if (slot < 0 || slot > DeviceTable::kCapacity) return table.slots[0];
  return table.slots[static_cast<std::size_t>(slot)];
}

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

using Boxes = std::array<QLineEdit*, params::kRowChannels>;

params::RowValues ReadRow(const Boxes& boxes) {
  params::RowValues row;
  for (std::size_t k = 0; k < boxes.size(); ++k) {
    row.texts[k] = boxes[k]->text().toStdString();
    row.white[k] = BoxColour(boxes[k]) == kWhite;
  }
  return row;
}

// A grey box keeps its text; a white one shows the value it was given.
void ShowRow(const Boxes& boxes, const params::RowValues& row) {
  for (std::size_t k = 0; k < boxes.size(); ++k) {
    if (row.white[k]) {
      boxes[k]->setText(FromStd(row.texts[k]));
      SetBoxColour(boxes[k], kWhite);
    } else {
      SetBoxColour(boxes[k], kGrey);
    }
  }
}

}  // namespace

void TForm1::InitParamsRoom() {
  paramsRoom = std::make_unique<ParamsRoom>(*this);
}

TForm1::ParamsRoom::ParamsRoom(TForm1& formIn)
    : page(
          formIn.controller, [&formIn](const std::string& line) { formIn.Log(line); },
          formIn.namesList, [](const NamesList& names) { SaveNamesList(names); },
          [this](const params::PageValues& values, params::PageField changed) {
            Show(values, changed);
          }),
      form(formIn) {}

params::PageValues TForm1::ParamsRoom::ReadValues() const {
  params::PageValues v;
  v.name = form.Edit1->text().toStdString();
  v.manufacturer = form.Edit2->text().toStdString();
  v.category = form.Edit8->text().toStdString();
  v.firmware = form.Edit9->text().toStdString();
  v.footprint = form.Edit10->text().toStdString();
  v.startAddress = form.EditAddr->text().toStdString();
  v.status = form.Edit5->text().toStdString();
  const QColor status = BoxColour(form.Edit5);
  v.statusColour = {static_cast<std::uint8_t>(status.red()),
                    static_cast<std::uint8_t>(status.green()),
                    static_cast<std::uint8_t>(status.blue())};
  v.deviceHours = form.Edit33->text().toStdString();
  v.lampHours = form.Edit34->text().toStdString();
  v.personality = form.UpDown1->Position();
  v.personalityCount = form.UpDown1->Max();
  v.panTilt = {form.CheckBox1->isChecked(), form.CheckBox2->isChecked(),
               form.CheckBox3->isChecked()};
  v.minLimits = ReadRow(form.MinLimitBoxes);
  v.maxLimits = ReadRow(form.MaxLimitBoxes);
  v.errorScene = ReadRow(form.ErrorSceneBoxes);
  for (std::size_t k = 0; k < v.dimmSwitch.size(); ++k) {
    v.dimmSwitch[k] = form.DimmSwitchBoxes[k]->isChecked();
  }
  return v;
}

void TForm1::ParamsRoom::Show(const params::PageValues& v, params::PageField changed) {
  using params::Has;
  using params::PageField;
  if (Has(changed, PageField::kName)) ShowName(form.Edit1, FromStd(v.name));
  if (Has(changed, PageField::kManufacturer)) form.Edit2->setText(FromStd(v.manufacturer));
  if (Has(changed, PageField::kDeviceInfo)) {
    form.Edit8->setText(FromStd(v.category));
    form.Edit9->setText(FromStd(v.firmware));
    form.Edit10->setText(FromStd(v.footprint));
    // The range first, so that the position is taken within the new range.
    form.UpDown1->SetMax(v.personalityCount);
    form.UpDown1->SetPosition(v.personality);
    // The box's own change handling keeps the address within 1..512 and logs it.
    form.SetText(form.EditAddr, FromStd(v.startAddress));
  }
  if (Has(changed, PageField::kStatusColour)) {
    SetBoxColour(form.Edit5, QColor(v.statusColour.red, v.statusColour.green, v.statusColour.blue));
  }
  if (Has(changed, PageField::kStatusText)) form.Edit5->setText(FromStd(v.status));
  if (Has(changed, PageField::kDeviceHours)) form.Edit33->setText(FromStd(v.deviceHours));
  if (Has(changed, PageField::kLampHours)) form.Edit34->setText(FromStd(v.lampHours));
  if (Has(changed, PageField::kPanTilt)) {
    QCheckBox* const boxes[] = {form.CheckBox1, form.CheckBox2, form.CheckBox3};
    for (std::size_t k = 0; k < v.panTilt.size(); ++k) boxes[k]->setChecked(v.panTilt[k]);
  }
  if (Has(changed, PageField::kMinLimits)) ShowRow(form.MinLimitBoxes, v.minLimits);
  if (Has(changed, PageField::kMaxLimits)) ShowRow(form.MaxLimitBoxes, v.maxLimits);
  if (Has(changed, PageField::kErrorScene)) ShowRow(form.ErrorSceneBoxes, v.errorScene);
  if (Has(changed, PageField::kDimmSwitch)) {
    for (std::size_t k = 0; k < v.dimmSwitch.size(); ++k) {
      form.DimmSwitchBoxes[k]->setChecked(v.dimmSwitch[k]);
    }
  }
}

void TForm1::ParamsRoom::SetStartAddress(Uid uid, int offset) {
  page.SetStartAddress(uid, ReadValues(), offset);
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
    Log(WithheldSkipLine(deviceTable, position));
    return;
  }
  const Uid uid = SlotOfPosition(deviceTable, position);
  params::PageValues values = paramsRoom->ReadValues();
  paramsRoom->page.ReadPage(uid, values);
  BitBtnWrite->setEnabled(true);
}

void TForm1::BitBtnWriteClick() {
  const int position = SelectedPosition();
  if (position < 0) {
    Log("NO device");
    return;
  }
  if (IsWithheld(deviceTable, position)) {
    Log(WithheldSkipLine(deviceTable, position));
    return;
  }
  const Uid uid = SlotOfPosition(deviceTable, position);
  params::PageValues values = paramsRoom->ReadValues();
  paramsRoom->page.WritePage(uid, values);
}

void TForm1::BitBtnIdentifyClick() {
  if (IsWithheld(deviceTable, SelectedPosition())) {
    Log(WithheldSkipLine(deviceTable, SelectedPosition()));
    return;
  }
  const Uid uid = SlotOfPosition(deviceTable, SelectedPosition());
  // The output ticker sends only on the Art-Net page; leaving it keeps the
  // identify request alone on the line.
  if (!RdmPageActive()) SetActivePage(TabSheet1);
  paramsRoom->page.Identify(uid);
}

}  // namespace korval
