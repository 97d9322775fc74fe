#include "app/tests/session_script.h"

#include <QImage>
#include <QPixmap>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/widgets.h"
#include "rdm/rdm_constants.h"

#ifndef KORVAL_GOLDEN_DIR
#error "KORVAL_GOLDEN_DIR must name app/tests/golden"
#endif

namespace korval::testing {
namespace {

using namespace rdm;

constexpr Uid kSpot = 0x4B52'0000'0011ULL;  // every parameter, an error status queued
constexpr Uid kBar = 0x4B52'0000'0022ULL;   // a few parameters only: no label of its own
constexpr Uid kWash = 0x4A4C'0000'0013ULL;  // every parameter, an advisory status queued

std::string Hex(std::uint64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

// A file as lines of text, with carriage returns and other control bytes
// spelled out so that a line ending changed shows in the diff.
std::vector<std::string> TextFileLines(const std::string& name, const std::string& bytes) {
  std::vector<std::string> lines{"== " + name + " (" + std::to_string(bytes.size()) + " bytes)"};
  std::string current;
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n') {
      lines.push_back(current + "\\n");
      current.clear();
    } else if (c == '\r') {
      current += "\\r";
    } else if (u < 0x20 || u >= 0x7F || c == '\\') {
      current += "\\x" + Hex(u, 2);
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

std::vector<std::string> BinaryFileLines(const std::string& name, const std::string& bytes) {
  std::vector<std::string> lines{"== " + name + " (" + std::to_string(bytes.size()) + " bytes)"};
  // A count of four bytes, then one line per twelve-byte record.
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = i == 0 ? 4 : 12;
    std::string line;
    for (std::size_t k = i; k < i + n && k < bytes.size(); ++k) {
      line += Hex(static_cast<unsigned char>(bytes[k]), 2) + " ";
    }
    line.pop_back();
    lines.push_back(line);
    i += n;
  }
  return lines;
}

std::string Colour(const QWidget* box) {
  return BoxColour(box).name().toStdString();
}

void WriteGolden(const std::string& name, const std::vector<std::string>& lines) {
  std::ofstream out(std::string(KORVAL_GOLDEN_DIR) + "/" + name, std::ios::binary);
  for (const std::string& line : lines) out << line << '\n';
}

}  // namespace

std::string FormatRequest(const sim::RdmRequest& r, bool checksumOk, bool afterBreak) {
  std::string text = "dst=" + UidText12(r.destination) + " src=" + UidText12(r.source) +
                     " tn=" + Hex(r.transaction, 2) + " port=" + Hex(r.portOrResponseType, 2) +
                     " mc=" + Hex(r.messageCount, 2) + " sub=" + Hex(r.subDevice, 4) +
                     " cc=" + Hex(r.commandClass, 2) + " pid=" + Hex(r.pid, 4) +
                     " pdl=" + Hex(r.pdl, 2) + " data=";
  for (std::uint8_t b : r.Data()) text += Hex(b, 2);
  text += checksumOk ? " checksum=ok" : " checksum=BAD";
  text += afterBreak ? " break=yes" : " break=no";
  return text;
}

std::vector<std::string> ReadGolden(const std::string& name) {
  std::ifstream in(std::string(KORVAL_GOLDEN_DIR) + "/" + name, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool UpdatingGolden() {
  const char* update = std::getenv("KORVAL_UPDATE_GOLDEN");
  return update != nullptr && std::string(update) == "1";
}

void ExpectGolden(const std::string& name, const std::vector<std::string>& actual) {
  if (UpdatingGolden()) {
    WriteGolden(name, actual);
    return;
  }
  const std::vector<std::string> golden = ReadGolden(name);
  ASSERT_FALSE(golden.empty()) << name << " is missing or empty";
  const std::size_t common = std::min(golden.size(), actual.size());
  std::size_t first = 0;
  while (first < common && golden[first] == actual[first]) ++first;
  if (first == common && golden.size() == actual.size()) return;
  std::ostringstream report;
  report << name << ": first difference at line " << (first + 1) << " (golden has " << golden.size()
         << " lines, the session " << actual.size() << ")\n";
  report << "  golden : " << (first < golden.size() ? golden[first] : "<end>") << "\n";
  report << "  session: " << (first < actual.size() ? actual[first] : "<end>") << "\n";
  ADD_FAILURE() << report.str();
}

std::vector<sim::ResponderConfig> SessionScript::Rig() {
  sim::ResponderConfig spot = Fixture(kSpot);
  spot.label = "Spot 1";
  spot.start_address = 1;
  spot.footprint = 12;
  spot.personality_count = 3;
  spot.personality = 2;
  spot.device_hours = 1234;
  spot.lamp_hours = 56;
  spot.pan_invert = 1;
  spot.min_limits = {1, 2, 3, 4, 5, 6, 7, 8};
  spot.max_limits = {250, 240, 230, 220, 210, 200, 190, 180};
  spot.error_scene = {0, 10, 20, 30, 40, 50, 60, 70};
  spot.dimm_switch = 0x05;
  spot.status_messages = {{.type = 0x04, .id = 0x0001, .data1 = 0x0020, .data2 = 0}};

  sim::ResponderConfig bar = Fixture(kBar);
  bar.supported_parameters = {kPidDeviceHours, kPidMinLimits, kPidDimmSwitch};
  bar.start_address = 20;
  bar.footprint = 8;
  bar.device_hours = 77;
  bar.model_id = 0x0102;
  bar.category = 0x0509;

  sim::ResponderConfig wash = Fixture(kWash);
  wash.label = "Wash";
  wash.manufacturer = "JL";
  wash.start_address = 100;
  wash.footprint = 4;
  wash.tilt_invert = 1;
  wash.status_messages = {{.type = 0x02, .id = 0x0002, .data1 = 0x0001, .data2 = 0x0002}};
  return {spot, bar, wash};
}

std::vector<std::string> SessionScript::NormalisedLog() const {
  std::vector<std::string> lines;
  for (std::string line : Log()) {
    for (std::size_t at; (at = line.find(directory)) != std::string::npos;) {
      line.replace(at, directory.size(), "<dir>");
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> SessionScript::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> lines;
  for (const std::string& name : names) {
    const std::string bytes = ReadFile(name);
    auto file = name.ends_with(".pat") ? BinaryFileLines(name, bytes) : TextFileLines(name, bytes);
    lines.insert(lines.end(), file.begin(), file.end());
  }
  return lines;
}

std::vector<std::string> SessionScript::Widgets() const {
  std::vector<std::string> lines;
  auto box = [&lines](const char* name, const QLineEdit* b) {
    lines.push_back(std::string(name) + " text=\"" + b->text().toStdString() +
                    "\" colour=" + Colour(b) + (b->isReadOnly() ? " read-only" : "") +
                    " max=" + std::to_string(b->maxLength()));
  };
  auto check = [&lines](const std::string& name, const QCheckBox* c) {
    lines.push_back(name + (c->isChecked() ? " checked" : " unchecked"));
  };
  box("Edit1", form->Edit1);
  box("Edit2", form->Edit2);
  box("Edit8", form->Edit8);
  box("Edit9", form->Edit9);
  box("Edit10", form->Edit10);
  box("Edit4", form->Edit4);
  box("EditAddr", form->EditAddr);
  box("Edit35", form->Edit35);
  box("Edit5", form->Edit5);
  box("Edit33", form->Edit33);
  box("Edit34", form->Edit34);
  for (QLineEdit* b : form->MinLimitBoxes) box(b->objectName().toUtf8().constData(), b);
  for (QLineEdit* b : form->MaxLimitBoxes) box(b->objectName().toUtf8().constData(), b);
  for (QLineEdit* b : form->ErrorSceneBoxes) box(b->objectName().toUtf8().constData(), b);
  box("EditStart", form->EditStart);
  box("EditChannel", form->EditChannel);
  box("EditEnd", form->EditEnd);
  check("CheckBox1", form->CheckBox1);
  check("CheckBox2", form->CheckBox2);
  check("CheckBox3", form->CheckBox3);
  for (QCheckBox* c : form->DimmSwitchBoxes) check(c->objectName().toStdString(), c);
  lines.push_back("UpDown1 min=" + std::to_string(form->UpDown1->Min()) +
                  " max=" + std::to_string(form->UpDown1->Max()) +
                  " position=" + std::to_string(form->UpDown1->Position()));
  lines.push_back(std::string("BitBtnWrite ") +
                  (form->BitBtnWrite->isEnabled() ? "enabled" : "disabled"));
  lines.push_back("page=" + std::to_string(form->PageControl1->currentIndex()));
  for (int i = 0; i < form->ListBox1->count(); ++i) {
    lines.push_back("ListBox1[" + std::to_string(i) +
                    "]=" + form->ListBox1->item(i)->text().toStdString());
  }
  lines.push_back("selected=" + std::to_string(form->SelectedPosition()));
  lines.push_back("devices=" + std::to_string(form->deviceTable.count));
  for (int s = 0; s <= form->deviceTable.count + 1; ++s) {
    lines.push_back("slot[" + std::to_string(s) +
                    "]=" + UidText12(form->deviceTable.slots[static_cast<std::size_t>(s)]));
  }
  for (std::size_t p = 0; p < 4; ++p) {
    lines.push_back("patch[" + std::to_string(p) +
                    "] start=" + std::to_string(form->PatchStart[p]) +
                    " footprint=" + std::to_string(form->PatchFootprint[p]));
  }
  lines.push_back("PatchCursor=" + std::to_string(form->PatchCursor) +
                  " Label28=" + form->Label28->text().toStdString() +
                  " Label11=" + form->Label11->text().toStdString());
  for (const QString& text : errorBoxes) lines.push_back("error box: " + text.toStdString());
  return lines;
}

std::vector<std::string> SessionScript::Map() const {
  const QImage image = form->PaintBox1->grab().toImage();
  std::vector<std::string> rows;
  for (int row = 0; row < 16; ++row) {
    std::string text;
    for (int column = 0; column < 32; ++column) {
      const QColor c = image.pixelColor(column * 13 + 6, row * 13 + 6);
      text += c == QColor(255, 255, 255) ? 'w'
              : c == QColor(0, 255, 0)   ? 'g'
              : c == QColor(128, 0, 128) ? 'p'
              : c == QColor(255, 0, 0)   ? 'r'
                                         : '?';
    }
    rows.push_back(text);
  }
  return rows;
}

void SessionScript::Drag(int x, int y) {
  form->PaintBox1->onMouseMove(Qt::LeftButton, Qt::NoModifier, x, y);
}

void SessionScript::Release() {
  form->PaintBox1->onMouseUp(Qt::LeftButton, Qt::NoModifier, 0, 0);
}

void SessionScript::RunSession() {
  // A names file from an earlier run: one device known by name.
  WriteFile("devnames.lst", "4B5200000022=Bar\r\n");
  Start(Rig());

  Type(form->Edit1, "Stage");
  Click(form->BitBtnDiscover);

  // Discovery lists the bar first, then the spot and the wash. The spot: its
  // click reads the page, Read reads it again, then a few boxes change.
  SelectListItem(1);
  Click(form->BitBtnRead);
  Type(form->Edit1, "Front Spot Truss Left Position 1");  // 32 bytes: past the dump
  form->SetText(form->EditAddr, "33");
  Click(form->CheckBox2);
  form->UpDown1->SetPosition(3);
  Click(form->BitBtnWrite);

  // The bar has no label of its own: the names file keeps its name. Its
  // minimum limits and dim/switch mask go out; its maximum limits do not.
  SelectListItem(0);
  Click(form->BitBtnRead);
  Type(form->Edit1, "Bar Left");
  Type(form->MinLimitBoxes[2], "17");
  Type(form->MaxLimitBoxes[0], "200");
  Type(form->ErrorSceneBoxes[7], "99");
  Click(form->DimmSwitchBoxes[1]);
  Click(form->BitBtnWrite);

  SelectListItem(2);
  Click(form->BitBtnRead);

  // Batch addressing of all three, an out-of-range end fixture corrected.
  form->SetText(form->EditAddr, "50");
  form->SetText(form->EditChannel, "16");
  form->SetText(form->EditStart, "0");
  form->SetText(form->EditEnd, "9");
  Click(form->BitBtn1);

  // The map: read, move the second device, write.
  ShowPage(form->TabSheet2);
  Click(form->Button6);
  SelectListItem(1);
  Drag(8 * 13 + 2, 6 * 13 + 2);
  Release();
  Click(form->Button7);

  // A patch file saved and loaded back.
  form->SavePatch.choose = [] { return std::optional<QString>("session.pat"); };
  Click(form->Button8);
  form->OpenPatch.choose = [] { return std::optional<QString>("session.pat"); };
  Click(form->Button9);
  form->OpenPatch.choose = [] { return std::optional<QString>("missing.pat"); };
  Click(form->Button9);

  // Identify on and off, from the map page.
  SelectListItem(0);
  Click(form->BitBtnIdentify);
  Click(form->BitBtnIdentify);

  // Reordering: the second device up, then down twice (the last stays).
  ShowPage(form->TabSheet1);
  SelectListItem(1);
  Click(form->SpeedButtonUp);
  Click(form->SpeedButtonDown);
  Click(form->SpeedButton3);
  Click(form->SpeedButton3);
  Click(form->SpeedButton2);
  Type(form->Edit35, "2");

  // Read the last device again after all that, nothing selected first.
  form->SelectPosition(-1);
  Click(form->BitBtnRead);
  SelectListItem(2);
  Click(form->BitBtnRead);
}

}  // namespace korval::testing
