// The Art-Net node, the 40 ms output ticker and the monitor grid.
#include <QMetaObject>
#include <system_error>

#include "app/artnet_room.h"
#include "artnet/art_dmx.h"
#include "artnet/dialogs.h"
#include "artnet/dmx_output.h"
#include "artnet/monitor_grid.h"

namespace korval {

namespace {
constexpr int kMonitorIntervalMs = 35;
constexpr int kTicksPerRefresh = 4;
}  // namespace

TForm1::ArtNetRoom::ArtNetRoom(TForm1& formIn, ArtNetOptions options)
    : form(formIn),
      library(options.nodeSettings, [&formIn](const std::string& line) { formIn.Log(line); }),
      makeTickClock(std::move(options.makeTickClock)) {
  if (!makeTickClock) {
    makeTickClock = [] { return std::make_shared<artnet::SteadyTickClock>(); };
  }
}

TForm1::ArtNetRoom::~ArtNetRoom() {
  ticker.reset();
  library.ArtNetEnd();
  // The dialogs read the library; they go with it.
  delete nicForm.data();
  delete statusForm.data();
  delete monitorForm.data();
}

void TForm1::ArtNetRoom::Tick() {
  RdmTransport& transport = form.transport;
  TForm1* window = &form;
  const artnet::TickResult result = artnet::DmxOutputTick({
      .pageShown = form.artNetPageShown,
      .line = transport.Line(),
      .handle = [&transport] { return transport.Handle(); },
      .artNetInput = transport.ArtNetInput(),
      .dmxOutput = transport.DmxOutput(),
      .onWriteFailed =
          [window] {
            // Widgets and the log belong to the window thread; the work waits
            // there until no other operation is under way.
            QMetaObject::invokeMethod(
                window,
                [window] {
                  window->RunWhenIdle([window] {
                    window->Log("no KORVAL widget found");
                    window->Timer1->stop();
                    // Enabled, not restarted: a QTimer's start() begins its
                    // period anew, and failing ticks come every 40 ms, so a
                    // running retry would never come due.
                    if (!window->StartUpTimer->isActive()) window->StartUpTimer->start();
                  });
                },
                Qt::QueuedConnection);
          },
  });
  // The node's ArtPollReply tells controllers whether their data goes out.
  library.Node().ReportOutput(result == artnet::TickResult::kSent);
}

void TForm1::InitArtNetRoom(ArtNetOptions options) {
  artNetRoom = std::make_unique<ArtNetRoom>(*this, std::move(options));
}

void TForm1::StartArtNet() {
  artnet::ArtNetLibrary& library = artNetRoom->library;
  library.ArtNetInit(0);
  library.ArtNetClearDataBuffer(0);
  library.ArtNetSetTxPipeUniverse(0, 0);
  library.ArtNetSetRxPipeRequestUniverse(0, 0);
  library.ArtNetReadWrite(0);
  DmxSlots& input = transport.ArtNetInput();
  library.ArtNetSetCallBackUdpReceivePost(
      [&input](std::span<const std::uint8_t> record) { artnet::ArtDmxReceived(record, input); });
}

void TForm1::EndArtNet() {
  artNetRoom->library.ArtNetEnd();
}

void TForm1::InitGrid() {
  for (int r = 1; r <= artnet::kGridDataRows; ++r) {
    for (int c = 1; c <= artnet::kGridDataColumns; ++c) StringGrid->SetCell(c, r, "0");
  }
  for (int c = 1; c <= artnet::kGridDataColumns; ++c) {
    StringGrid->SetCell(c, 0, QString::fromStdString(artnet::ColumnHeaderText(c)));
  }
  for (int r = 1; r <= artnet::kGridDataRows; ++r) {
    StringGrid->SetCell(0, r, QString::fromStdString(artnet::RowHeaderText(r)));
  }
}

void TForm1::Timer1Timer() {
  ++artNetRoom->MonitorTicks;
  if (artNetRoom->MonitorTicks % kTicksPerRefresh == 0) UpdateScreen();
  Timer1->setInterval(kMonitorIntervalMs);
}

void TForm1::UpdateScreen() {
  const auto texts = artnet::MonitorCellTexts(transport.DmxOutput());
  for (std::size_t slot = 0; slot < texts.size(); ++slot) {
    const artnet::GridCell cell = artnet::CellOfSlot(slot);
    StringGrid->SetCell(cell.column, cell.row, QString::fromStdString(texts[slot]));
  }
}

bool TForm1::CreateTimer() {
  ArtNetRoom& room = *artNetRoom;
  if (room.OutputTimerId != 0) return true;
  try {
    room.ticker =
        std::make_unique<artnet::OutputTicker>([&room] { room.Tick(); }, room.makeTickClock());
  } catch (const std::system_error&) {
    return false;  // no thread to be had: no output for this run
  }
  room.OutputTimerId = ++room.lastTimerId;
  return true;
}

void TForm1::DestroyTimer() {
  ArtNetRoom& room = *artNetRoom;
  if (room.OutputTimerId == 0) return;
  room.ticker.reset();
  room.OutputTimerId = 0;
  room.library.Node().ReportOutput(false);
}

void TForm1::BitBtnNetworkInterfaceClick() {
  artNetRoom->nicForm = artnet::ArtNetShowNicForm(artNetRoom->library, this);
}

void TForm1::BitBtnNetworkStatusClick() {
  artNetRoom->statusForm = artnet::ArtNetShowNetworkStatusForm(artNetRoom->library, this);
}

void TForm1::BitBtnbShowDataClick() {
  artNetRoom->monitorForm = artnet::ArtNetShowDataMonitorForm(artNetRoom->library, this);
}

void TForm1::BitBtnMINClick() {
  showMinimized();
}

}  // namespace korval
