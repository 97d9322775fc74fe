// Batch addressing and the four fields that check themselves.
#include <string>

#include "app/devices_room.h"
#include "app/params_room.h"
#include "app/tform1.h"
#include "base/conversion.h"
#include "devices/field_rules.h"
#include "params/fixture_runs.h"

namespace korval {

namespace {

// Reads the box, writes the corrected value back when it is out of range (which
// runs the box's handler again, nested, so that its line comes first) and logs
// the value with the box's prefix.
template <typename Rule>
void CheckField(TForm1& form, QLineEdit* box, const char* prefix, Rule rule) {
  const int typed = StrToInt(box->text().toStdString());
  const int value = rule(typed);
  if (value != typed) {
    const QString text = QString::number(value);
    if (box->text() != text) form.SetText(box, text);
  }
  form.Log(prefix + std::to_string(value));
}

}  // namespace

void TForm1::Edit3Change() {
  CheckField(*this, EditAddr, "DMX Address:", ClampDmxAddress);
}

void TForm1::EditChannelChange() {
  CheckField(*this, EditChannel, "Inc Channel:", ClampIncrement);
}

void TForm1::EditStartChange() {
  CheckField(*this, EditStart, "Start Fixture:", [this](std::int64_t v) {
    return ClampFixture(v, deviceTable.count);
  });
}

void TForm1::EditEndChange() {
  CheckField(*this, EditEnd,
             "End Fixture:", [this](std::int64_t v) { return ClampFixture(v, deviceTable.count); });
}

void TForm1::BitBtn1Click() {
  // Each box is converted before anything is sent: one that is not a number
  // ends the run with the error box.
  const params::BatchFields fields{.address = StrToInt(EditAddr->text().toStdString()),
                                   .increment = StrToInt(EditChannel->text().toStdString()),
                                   .startFixture = StrToInt(EditStart->text().toStdString()),
                                   .endFixture = StrToInt(EditEnd->text().toStdString())};
  params::AddressBatch(paramsRoom->page, deviceTable, paramsRoom->ReadValues(), fields);
}

}  // namespace korval
