// The address map on the IAP page: drawing, dragging, Read and Write on the
// virtual rig, and patch files.
#include <gmock/gmock.h>
#include <sys/stat.h>

#include <QImage>
#include <QPixmap>

#include "app/tests/form_test.h"
#include "base/tests/ordinary_user.h"
#include "devices/patch_file.h"
#include "rdm/rdm_constants.h"

namespace korval::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using MapTest = FormTest;
using namespace rdm;

constexpr Uid kSpot = 0x4A4C'0000'0012ULL;
constexpr Uid kWash = 0x4A4C'0000'0013ULL;
constexpr Uid kBeam = 0x0001'0000'ABCDULL;

sim::ResponderConfig Device(Uid uid, std::uint16_t startAddress, std::uint16_t footprint) {
  sim::ResponderConfig config = Fixture(uid);
  config.start_address = startAddress;
  config.footprint = footprint;
  return config;
}

// What a discovery leaves behind: the table, its count and the list items.
void List(TForm1& form, const std::vector<Uid>& uids) {
  form.ListBox1->clear();
  for (std::size_t i = 0; i < uids.size(); ++i) {
    form.deviceTable.slots[i + 1] = uids[i];
    form.ListBox1->addItem(QString::number(i) +
                           " - ID:" + QString::fromStdString(UidText12(uids[i])));
  }
  form.deviceTable.count = static_cast<std::uint8_t>(uids.size());
}

void Place(TForm1& form, std::size_t position, std::uint16_t start, std::uint16_t footprint) {
  form.PatchStart[position] = start;
  form.PatchFootprint[position] = footprint;
}

void Drag(TForm1& form, Qt::MouseButtons buttons, int x, int y) {
  form.PaintBox1->onMouseMove(buttons, Qt::NoModifier, x, y);
}

void Release(TForm1& form, Qt::MouseButton button = Qt::LeftButton) {
  form.PaintBox1->onMouseUp(button, Qt::NoModifier, 0, 0);
}

// The colour in the middle of a channel's cell (zero-based channel).
QColor CellColour(TForm1& form, int channel) {
  const QImage image = form.PaintBox1->grab().toImage();
  return image.pixelColor((channel % 32) * 13 + 6, (channel / 32) * 13 + 6);
}

const QColor kWhite(255, 255, 255), kGreen(0, 255, 0), kPurple(128, 0, 128), kRed(255, 0, 0);

std::vector<QString> Items(const TForm1& form) {
  std::vector<QString> items;
  items.reserve(static_cast<std::size_t>(form.ListBox1->count()));
  for (int i = 0; i < form.ListBox1->count(); ++i) items.push_back(form.ListBox1->item(i)->text());
  return items;
}

std::string Text(const std::vector<std::uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

TEST_F(MapTest, CellsAreColouredByHowManyFootprintsCoverThem) {
  Start();
  List(*form, {kSpot, kWash, kBeam, 0x0002'0000'0001ULL});
  Place(*form, 0, 5, 8);       // channels 6..13
  Place(*form, 1, 9, 6);       // channels 10..15: overlaps the first on 10..13
  Place(*form, 2, 65535, 16);  // a start address 0 read back: off the map
  Place(*form, 3, 505, 16);    // runs past channel 512: cut off there
  form->SelectPosition(-1);
  struct Cell {
    int channel;
    QColor colour;
  };
  const std::vector<Cell> unselected{{4, kWhite},   {5, kGreen},   {9, kPurple},  {12, kPurple},
                                     {13, kGreen},  {14, kGreen},  {15, kWhite},  {0, kWhite},
                                     {504, kWhite}, {505, kGreen}, {511, kGreen}, {496, kWhite}};
  for (const Cell& cell : unselected) {
    EXPECT_EQ(CellColour(*form, cell.channel), cell.colour) << cell.channel;
  }
  // Cells are outlined in black.
  EXPECT_EQ(form->PaintBox1->grab().toImage().pixelColor(13 * 5, 0), QColor(Qt::black));

  // Selecting the first device draws it at the cursor and counts it twice.
  form->SelectPosition(0);
  form->PatchCursor = 5;
  const std::vector<Cell> selected{{5, kPurple}, {8, kPurple}, {9, kRed},
                                   {12, kRed},   {13, kGreen}, {14, kGreen}};
  for (const Cell& cell : selected) {
    EXPECT_EQ(CellColour(*form, cell.channel), cell.colour) << cell.channel;
  }
  EXPECT_EQ(form->Label28->text(), "6");
}

TEST_F(MapTest, DraggingStopsWhereTheFootprintStillFitsAndRunsOnIntoTheNextRow) {
  Start();
  List(*form, {kSpot, kWash});
  Place(*form, 0, 0, 16);
  Place(*form, 1, 0, 0);
  form->SelectPosition(0);

  Drag(*form, Qt::LeftButton, 16 * 13 + 2, 15 * 13 + 2);  // channel 497 (zero-based 496)
  EXPECT_EQ(form->PatchCursor, 496);
  EXPECT_EQ(form->Label28->text(), "497");
  Drag(*form, Qt::LeftButton, 17 * 13 + 2, 15 * 13 + 2);  // 16 slots from 498 would not fit
  EXPECT_EQ(form->PatchCursor, 496);
  EXPECT_EQ(form->Label28->text(), "497");
  EXPECT_EQ(CellColour(*form, 496), kPurple);
  EXPECT_EQ(CellColour(*form, 511), kPurple);
  EXPECT_EQ(form->PatchStart[0], 0) << "a drag moves only the cursor";
  Drag(*form, Qt::LeftButton, 416, 0);  // column 32 is the first cell of the next row
  EXPECT_EQ(form->PatchCursor, 32);
  Release(*form);
  EXPECT_EQ(form->PatchStart[0], 32);

  // A device without a footprint may stand just after the last channel.
  form->SelectPosition(1);
  Drag(*form, Qt::LeftButton, 416, 15 * 13);
  EXPECT_EQ(form->PatchCursor, 512);
  EXPECT_EQ(form->Label28->text(), "513");
  EXPECT_EQ(CellColour(*form, 511), kWhite);

  // The right button, or no selection, leaves everything as it is.
  Drag(*form, Qt::RightButton, 13, 0);
  EXPECT_EQ(form->PatchCursor, 512);
  form->SelectPosition(-1);
  Drag(*form, Qt::LeftButton, 13, 0);
  EXPECT_EQ(form->PatchCursor, 512);
  EXPECT_EQ(form->Label28->text(), "513");
  Release(*form);
  EXPECT_EQ(form->PatchStart[1], 0);
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(MapTest, AClickWithoutMovingCommitsThePreviousCursor) {
  Start();
  List(*form, {kSpot, kWash});
  Place(*form, 0, 0, 4);
  Place(*form, 1, 100, 4);
  form->PatchCursor = 40;
  // Selected on another page: the cursor is not taken from the device.
  form->SelectPosition(1);
  Release(*form, Qt::RightButton);  // any button commits
  EXPECT_EQ(form->PatchStart[1], 40);
  EXPECT_EQ(CellColour(*form, 40), kPurple);
  EXPECT_EQ(CellColour(*form, 100), kWhite);
}

TEST_F(MapTest, SelectingOnTheMapPageDrawsTheDeviceAtItsStart) {
  Start();
  List(*form, {kSpot, kWash});
  Place(*form, 0, 64, 4);
  Place(*form, 1, 200, 2);
  ShowPage(form->TabSheet2);
  SelectListItem(1);
  EXPECT_EQ(form->PatchCursor, 200);
  EXPECT_EQ(CellColour(*form, 200), kPurple);
  EXPECT_EQ(CellColour(*form, 64), kGreen);
  EXPECT_EQ(form->Label28->text(), "201");
  Release(*form);  // a click without moving keeps the start
  EXPECT_EQ(form->PatchStart[1], 200);
}

TEST_F(MapTest, ReadTakesFootprintAndStartFromEveryDeviceAndClearsTheSelection) {
  auto silent = Device(kBeam, 50, 3);
  silent.faults.silent = true;
  Start({Device(kSpot, 1, 12), Device(kWash, 0, 16), silent});
  List(*form, {kSpot, kWash, kBeam});
  Place(*form, 2, 77, 5);
  form->SelectPosition(1);
  form->SetActivePage(form->TabSheet2);
  const std::size_t requests = RequestMark();
  Click(form->Button6);
  // One DEVICE_INFO for each listed device, in list order, the silent one too.
  EXPECT_THAT(RequestsSince(requests),
              ElementsAre(WireRequest{kSpot, kGetCommand, kPidDeviceInfo, {}},
                          WireRequest{kWash, kGetCommand, kPidDeviceInfo, {}},
                          WireRequest{kBeam, kGetCommand, kPidDeviceInfo, {}}));
  EXPECT_EQ(form->PatchStart[0], 0);
  EXPECT_EQ(form->PatchFootprint[0], 12);
  EXPECT_EQ(form->PatchStart[1], 65535);  // start address 0, minus one, kept to 16 bits
  EXPECT_EQ(form->PatchFootprint[1], 16);
  EXPECT_EQ(form->PatchStart[2], 77);  // no answer: the old values stay
  EXPECT_EQ(form->PatchFootprint[2], 5);
  EXPECT_EQ(form->SelectedPosition(), -1);
  EXPECT_EQ(CellColour(*form, 11), kGreen);
  EXPECT_EQ(CellColour(*form, 12), kWhite);
  EXPECT_EQ(CellColour(*form, 0), kGreen);  // the device at 65535 is not drawn
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(MapTest, WriteSendsEveryStartPlusOneAfterADrag) {
  Start({Device(kSpot, 1, 12), Device(kWash, 20, 8), Device(kBeam, 100, 4)});
  List(*form, {kSpot, kWash, kBeam});
  form->SetActivePage(form->TabSheet2);
  Click(form->Button6);
  form->SelectPosition(1);
  form->PatchCursor = form->PatchStart[1];
  Drag(*form, Qt::LeftButton, 8 * 13, 6 * 13);  // zero-based channel 200
  Release(*form);
  const std::size_t mark = LogMark();
  const std::size_t requests = RequestMark();
  Click(form->Button7);
  EXPECT_THAT(RequestsSince(requests),
              ElementsAre(WireRequest{kSpot, kSetCommand, kPidDmxStartAddress, {0x00, 0x01}},
                          WireRequest{kWash, kSetCommand, kPidDmxStartAddress, {0x00, 0xC9}},
                          WireRequest{kBeam, kSetCommand, kPidDmxStartAddress, {0x00, 0x64}}));
  EXPECT_EQ(line.FindResponder(kSpot)->StartAddress(), 1);
  EXPECT_EQ(line.FindResponder(kWash)->StartAddress(), 201);
  EXPECT_EQ(line.FindResponder(kBeam)->StartAddress(), 100);
  // Only the transactions' packet dumps, two lines per device.
  EXPECT_EQ(LogSince(mark).size(), 6u);
}

TEST_F(MapTest, SaveAndLoadKeepUidsStartsAndFootprintsInOrder) {
  Start();
  List(*form, {kSpot});
  Place(*form, 0, 0, 16);
  form->SavePatch.choose = [] { return std::optional<QString>("one.pat"); };
  Click(form->Button8);
  EXPECT_EQ(ReadFile("one.pat"), std::string("\x01\x00\x00\x00\x12\x00\x00\x00\x4C\x4A\x00\x00"
                                             "\x00\x00\x10\x00",
                                             16));

  List(*form, {kSpot, kWash, kBeam});
  Place(*form, 1, 300, 24);
  Place(*form, 2, 65535, 1);
  form->SavePatch.choose = [] { return std::optional<QString>("three.pat"); };
  Click(form->Button8);
  const std::vector<PatchRecord> saved{{kSpot, 0, 16}, {kWash, 300, 24}, {kBeam, 65535, 1}};
  EXPECT_EQ(ReadFile("three.pat"), Text(SerializePatchFile(saved)));

  // Forget everything, then load it back.
  List(*form, {0x0002'0000'0001ULL});
  form->deviceTable.count = 1;
  for (std::size_t i = 0; i < 3; ++i) Place(*form, i, 0, 0);
  form->SelectPosition(0);
  form->OpenPatch.choose = [] { return std::optional<QString>("three.pat"); };
  const std::size_t requests = RequestMark();
  Click(form->Button9);
  EXPECT_THAT(RequestsSince(requests), ElementsAre()) << "a loaded map is not written";
  EXPECT_THAT(Items(*form), ElementsAre("0x4A4C00000012", "0x4A4C00000013", "0x10000ABCD"));
  EXPECT_EQ(form->deviceTable.slots[1], kSpot);
  EXPECT_EQ(form->deviceTable.slots[2], kWash);
  EXPECT_EQ(form->deviceTable.slots[3], kBeam);
  EXPECT_EQ(form->deviceTable.count, 1) << "the device count is not the patch file's";
  EXPECT_EQ(form->PatchStart[1], 300);
  EXPECT_EQ(form->PatchFootprint[1], 24);
  EXPECT_EQ(form->PatchStart[2], 65535);
  EXPECT_EQ(form->SelectedPosition(), -1);
  EXPECT_EQ(CellColour(*form, 300), kGreen);
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(MapTest, AnEmptyListSavesFourBytesAndLoadingThemEmptiesTheMap) {
  Start();
  List(*form, {});
  form->SavePatch.choose = [] { return std::optional<QString>("empty.pat"); };
  Click(form->Button8);
  EXPECT_EQ(ReadFile("empty.pat"), std::string(4, '\0'));

  List(*form, {kSpot});
  Place(*form, 0, 0, 16);
  form->OpenPatch.choose = [] { return std::optional<QString>("empty.pat"); };
  Click(form->Button9);
  EXPECT_EQ(form->ListBox1->count(), 0);
  EXPECT_EQ(CellColour(*form, 0), kWhite);

  // Only what a patch file can hold is read, and nothing waits for more:
  // a pipe with no writer is too short, endless zeros are a count of 0.
  const std::vector<std::pair<const char*, int>> unusual{{"fifo.pat", 1}, {"/dev/zero", 0}};
  ASSERT_EQ(::mkfifo("fifo.pat", 0600), 0);
  for (const auto& [file, refused] : unusual) {
    errorBoxes.clear();
    List(*form, {kSpot});
    form->OpenPatch.choose = [name = file] { return std::optional<QString>(name); };
    Click(form->Button9);
    EXPECT_EQ(form->ListBox1->count(), refused) << file;
    EXPECT_EQ(errorBoxes.size(), static_cast<std::size_t>(refused)) << file;
  }
  errorBoxes.clear();

  // Cancelled dialogs do nothing.
  form->SavePatch.choose = [] { return std::nullopt; };
  form->OpenPatch.choose = [] { return std::nullopt; };
  List(*form, {kSpot});
  Click(form->Button8);
  Click(form->Button9);
  EXPECT_EQ(form->ListBox1->count(), 1);
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(MapTest, ARefusedPatchFileChangesNothing) {
  Start();
  std::string tooMany(4 + 12 * 34, '\0');
  tooMany[0] = 34;
  WriteFile("too-many.pat", tooMany);
  WriteFile("negative.pat", std::string("\xFF\xFF\xFF\xFF", 4));
  WriteFile("short.pat", std::string("\x02\x00\x00\x00", 4) + std::string(12 + 11, '\x07'));
  WriteFile("stub.pat", std::string("\x01\x00", 2));
  struct Case {
    const char* file;
    const char* fault;
  };
  const std::vector<Case> cases{
      {"too-many.pat", "record count 34 is above the 33 devices"},
      {"negative.pat", "record count -1 is negative"},
      {"short.pat", "holds 27 bytes, but 2 records need 28"},
      {"stub.pat", "too few for the record count"},
      {"missing.pat", "Cannot open file missing.pat"},
      {".", "Cannot read file ."},
  };
  List(*form, {kSpot, kWash});
  Place(*form, 0, 7, 3);
  Place(*form, 1, 9, 4);
  form->SelectPosition(1);
  form->PatchCursor = 9;
  const auto slots = form->deviceTable.slots;
  const auto starts = form->PatchStart;
  const auto footprints = form->PatchFootprint;
  const auto items = Items(*form);
  for (const Case& c : cases) {
    errorBoxes.clear();
    form->OpenPatch.choose = [&] { return std::optional<QString>(c.file); };
    Click(form->Button9);
    ASSERT_EQ(errorBoxes.size(), 1u) << c.file;
    EXPECT_THAT(errorBoxes[0].toStdString(), HasSubstr(c.file));
    EXPECT_THAT(errorBoxes[0].toStdString(), HasSubstr(c.fault));
    EXPECT_EQ(Items(*form), items) << c.file;
    EXPECT_EQ(form->deviceTable.slots, slots) << c.file;
    EXPECT_EQ(form->PatchStart, starts) << c.file;
    EXPECT_EQ(form->PatchFootprint, footprints) << c.file;
    EXPECT_EQ(form->SelectedPosition(), 1) << c.file;
    EXPECT_EQ(form->PatchCursor, 9) << c.file;
  }
}

TEST_F(MapTest, AFailedSaveIsReportedAndLeavesTheOldFile) {
  Start();
  List(*form, {kSpot});
  // A name so long that no temporary file can be made beside it.
  const std::string old(250, 'p');
  WriteFile(old, "old bytes");
  const std::vector<std::string> targets{old, "no-such-directory/map.pat"};
  for (const std::string& target : targets) {
    errorBoxes.clear();
    form->SavePatch.choose = [&] { return std::optional<QString>(QString::fromStdString(target)); };
    Click(form->Button8);
    ASSERT_EQ(errorBoxes.size(), 1u) << target;
    EXPECT_THAT(errorBoxes[0].toStdString(), HasSubstr(target));
  }
  EXPECT_EQ(ReadFile(old), "old bytes");
  EXPECT_FALSE(Exists("no-such-directory"));
}

TEST_F(MapTest, AWriteProtectedPatchFileIsNotReplacedAndAnAllowedSaveKeepsItsMode) {
  const std::string old = "old patch bytes";
  RunAsOrdinaryUser(directory, [&] {
    Start({}, false);
    List(*form, {kSpot});
    WriteFile("locked.pat", old);
    ASSERT_EQ(::chmod("locked.pat", 0444), 0);
    form->SavePatch.choose = [] { return std::optional<QString>("locked.pat"); };
    Click(form->Button8);
    ASSERT_EQ(errorBoxes.size(), 1u);
    EXPECT_EQ(errorBoxes[0].toStdString(), "Cannot create file locked.pat: Permission denied");
    EXPECT_EQ(ReadFile("locked.pat"), old);
    form.reset();
  });
  struct stat st {};
  ASSERT_EQ(::stat("locked.pat", &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);

  WriteFile("shared.pat", old);
  ASSERT_EQ(::chmod("shared.pat", 0664), 0);
  Start({}, false);
  List(*form, {kSpot});
  form->SavePatch.choose = [] { return std::optional<QString>("shared.pat"); };
  Click(form->Button8);
  EXPECT_EQ(ReadFile("shared.pat").size(), 16u);
  ASSERT_EQ(::stat("shared.pat", &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
}

}  // namespace
}  // namespace korval::testing
