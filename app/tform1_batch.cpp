// Batch addressing and the four fields that check themselves.
#include <string>

#include "app/devices_room.h"
#include "app/params_room.h"
#include "app/tform1.h"
#include "base/conversion.h"
#include "devices/batch_plan.h"
#include "devices/field_rules.h"

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
  const int address = StrToInt(EditAddr->text().toStdString());
  const int increment = StrToInt(EditChannel->text().toStdString());
  const int startFixture = StrToInt(EditStart->text().toStdString());
  const int endFixture = StrToInt(EditEnd->text().toStdString());
  const std::string line = "Start ADDR:" + std::to_string(address) +
                           " Inc Channel:" + std::to_string(increment) +
                           " Start Fixture:" + std::to_string(startFixture) +
                           " End Fixture:" + std::to_string(endFixture);
  for (const StartAddressRequest& request :
       PlanBatchAddressing(deviceTable, increment, startFixture, endFixture)) {
    if (request.withheld) {
      Log(WithheldSkipLine(request.fixture, ListedUid(deviceTable, request.fixture)));
      continue;
    }
    paramsRoom->SetStartAddress(request.uid, request.offset);
  }
  Log(line);
}

}  // namespace korval
