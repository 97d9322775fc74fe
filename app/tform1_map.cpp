// The address map on the IAP page and patch files.
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "app/devices_room.h"
#include "app/tform1.h"
#include "base/atomic_file.h"
#include "base/errors.h"
#include "devices/address_map.h"
#include "devices/patch_file.h"
#include "params/fixture_runs.h"

namespace korval {

namespace {

// The list may in principle hold more items than the map's arrays; the map
// covers only the devices the arrays and the table have room for.
int MapDeviceCount(const TForm1& form) {
  return std::min(form.ListBox1->count(), static_cast<int>(form.PatchStart.size()));
}

// The selected position when the map holds an entry for it, else -1.
int MapSelection(const TForm1& form) {
  const int selected = form.SelectedPosition();
  return selected >= 0 && selected < MapDeviceCount(form) ? selected : -1;
}

void ShowCursorAddress(TForm1& form) {
  if (MapSelection(form) < 0) return;  // with nothing selected the label keeps its text
  form.Label28->setText(QString::number(form.PatchCursor + 1));
}

// Qt paints only inside paint events: the label follows at once, the cells at
// the next paint.
void RedrawMap(TForm1& form) {
  ShowCursorAddress(form);
  form.PaintBox1->update();
}

std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// A patch file holds at most 33 records and bytes after the last are ignored,
// so no more than that is read, and a read never waits: a huge file, a pipe or
// a device chosen by name cannot fill the memory or hold the window.
std::vector<std::uint8_t> ReadPatchBytes(const std::string& path) {
  constexpr std::size_t kMostBytes =
      kPatchHeaderBytes + kPatchRecordBytes * static_cast<std::size_t>(kPatchMaxRecords);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw FileError("Cannot open file " + path + ": " + std::strerror(errno));
  std::vector<std::uint8_t> bytes(kMostBytes);
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      throw FileError("Cannot read file " + path + ": " + std::strerror(error));
    }
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(filled);
  return bytes;
}

}  // namespace

void TForm1::PaintBox1Paint(QPainter& canvas) {
  const Occupancy counters = CountOccupancy(PatchStart, PatchFootprint, MapDeviceCount(*this),
                                            MapSelection(*this), PatchCursor);
  ShowCursorAddress(*this);
  canvas.setPen(QPen(Qt::black, 0));
  canvas.fillRect(QRect(QPoint(2, 2), QPoint(414, 202)), Qt::white);
  for (int row = 0; row < kMapRows; ++row) {
    for (int column = 0; column < kMapColumns; ++column) {
      const MapRgb rgb = CellColour(
          counters[static_cast<std::size_t>(row) * kMapColumns + static_cast<std::size_t>(column)]);
      const QRect cell(column * kMapCellPixels, row * kMapCellPixels, kMapCellPixels,
                       kMapCellPixels);
      canvas.fillRect(cell, QColor(rgb.red, rgb.green, rgb.blue));
      // A one-pixel outline on the cell's own 13 pixels, the right and bottom
      // edges shared with the next cell's left and top.
      canvas.drawRect(cell.adjusted(0, 0, -1, -1));
    }
  }
}

void TForm1::PaintBox1MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers, int X, int Y) {
  const int selected = MapSelection(*this);
  if (!(buttons & Qt::LeftButton) || selected < 0) return;
  const auto cursor = DragCursor(X, Y, PatchFootprint[static_cast<std::size_t>(selected)]);
  if (cursor) PatchCursor = *cursor;
  RedrawMap(*this);
}

void TForm1::PaintBox1MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  const int selected = MapSelection(*this);
  if (selected >= 0) PatchStart[static_cast<std::size_t>(selected)] = PatchCursor;
}

void TForm1::Button6Click() {
  params::ReadAddressMap(
      controller, [this](const std::string& line) { Log(line); }, deviceTable,
      MapDeviceCount(*this), PatchFootprint, PatchStart);
  SelectPosition(-1);
  RedrawMap(*this);
}

void TForm1::Button7Click() {
  params::WriteAddressMap(
      controller, [this](const std::string& line) { Log(line); }, deviceTable,
      MapDeviceCount(*this), PatchStart);
}

void TForm1::Button8Click() {
  const int count = MapDeviceCount(*this);
  const std::optional<QString> file = SavePatch.Execute(this);
  if (!file) return;
  std::vector<PatchRecord> records;
  for (int i = 0; i < count; ++i) {
    const auto position = static_cast<std::size_t>(i);
    records.push_back({.uid = ListedUid(deviceTable, i),
                       .start = PatchStart[position],
                       .footprint = PatchFootprint[position]});
  }
  // Replaced as a whole: a failed save reports itself and leaves the old file.
  WriteFileAtomically(LocalPath(*file), SerializePatchFile(records));
}

void TForm1::Button9Click() {
  const std::optional<QString> file = OpenPatch.Execute(this);
  if (!file) return;
  const std::string path = LocalPath(*file);
  // Checked as a whole before anything changes: a refused file leaves the list,
  // the table and the map as they were.
  const ParsedPatch parsed = ParsePatchFile(ReadPatchBytes(path));
  if (!parsed.records) throw FileError("Cannot load patch file " + path + ": " + parsed.fault);

  ListBox1->clear();
  for (std::size_t i = 0; i < parsed.records->size(); ++i) {
    const PatchRecord& record = (*parsed.records)[i];
    const int position = static_cast<int>(i);
    PlaceUid(deviceTable, position, record.uid);
    if (IsWithheld(deviceTable, position)) {
      Log(path + " record " + std::to_string(i + 1) + ": " + UidText(record.uid) +
          " is a broadcast address: listed at position " + std::to_string(i) +
          ", not used for operations");
    }
    PatchStart[i] = record.start;
    PatchFootprint[i] = record.footprint;
    ListBox1->addItem(QString::fromStdString("0x" + UidText(record.uid)));
  }
  SelectPosition(-1);
  RedrawMap(*this);
}

}  // namespace korval
