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
      makeTickClock(std::move(options.makeTickClock)),
      controllerReceive(std::move(options.controllerReceive)) {
  if (!makeTickClock) {
    makeTickClock = [] { return std::make_shared<artnet::SteadyTickClock>(); };
  }
  TForm1* window = &formIn;
  // Each hook may run on any thread; what reaches the window goes through its
  // event queue and waits there until no handler is under way.
  auto onWindow = [window](std::function<void()> work) {
    QMetaObject::invokeMethod(
        window, [window, work = std::move(work)] { window->RunWhenIdle(work); },
        Qt::QueuedConnection);
  };
  gateway = std::make_unique<artnet::RdmGateway>(
      formIn.controller, formIn.transport.Arbiter(),
      artnet::RdmGateway::Hooks{
          .send =
              [this](const artnet::Controller& to, std::span<const std::uint8_t> datagram) {
                library.Node().Answer(to.address, to.port, datagram);
              },
          .requestWaiting = [this, onWindow] { onWindow([this] { RunNetworkRequests(); }); },
          .discover = [this, onWindow] { onWindow([this] { DiscoverForNetwork(); }); },
          .log =
              [window, onWindow](std::vector<std::string> lines) {
                onWindow([window, lines = std::move(lines)] {
                  for (const std::string& line : lines) window->Log(line);
                });
              },
      });
}

TForm1::ArtNetRoom::~ArtNetRoom() {
  ticker.reset();
  gateway.reset();
  library.ArtNetEnd();
  // The dialogs read the library; they go with it.
  delete nicForm.data();
  delete statusForm.data();
  delete monitorForm.data();
}

void TForm1::ArtNetRoom::Tick(artnet::TickClock::TimePoint nextDeadline) {
  RdmTransport& transport = form.transport;
  if (!form.hasLine()) {
    // No line to drive: the page shows what the node receives, and the
    // node says that nothing goes out.
    if (form.artNetPageShown.load(std::memory_order_relaxed)) {
      CopySlots(transport.ArtNetInput(), transport.DmxOutput());
    }
    library.Node().ReportOutput(false);
    return;
  }
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
      .arbiter = &transport.Arbiter(),
  });
  // The node's ArtPollReply tells controllers whether their data goes out.
  library.Node().ReportOutput(result == artnet::TickResult::kSent);
  LineArbiter& arbiter = transport.Arbiter();
  if (result != artnet::TickResult::kSent) {
    arbiter.FramesStopped();
    return;
  }
  // The gap after the frame: from now on every exchange fits itself in, and
  // the network's requests that end before the next frame run here.
  arbiter.FrameSent(nextDeadline, artnet::kGapBetweenFrames);
}

void TForm1::ArtNetRoom::RunNetworkRequests() {
  if (form.transport.Arbiter().FramesGoOut()) return;  // the output thread's gaps take them
  form.transport.Arbiter().RunAll();
}

void TForm1::ArtNetRoom::PublishTable() {
  std::vector<Uid> uids;
  const DeviceTable& table = form.deviceTable;
  for (int p = 0; p < table.count; ++p) {
    if (!IsWithheld(table, p)) uids.push_back(ListedUid(table, p));
  }
  gateway->SetTable(std::move(uids));
}

void TForm1::ArtNetRoom::DiscoverForNetwork() {
  RdmTransport& transport = form.transport;
  const RdmTiming timing = transport.Timing();
  transport.SetTiming(RdmTiming::kE120);
  // A node keeps its output while it discovers: the page stays, and on the
  // Art-Net page the discovery's requests go between the frames.
  form.RunHandler([this] { form.RunDiscovery(); });
  transport.SetTiming(timing);
  PublishTable();
  gateway->DiscoveryEnded();
}

bool TForm1::SendOnNode(std::uint32_t to, std::uint16_t port,
                        std::span<const std::uint8_t> datagram) {
  artnet::ArtNetNode& node = artNetRoom->library.Node();
  if (!node.Running()) return false;
  node.Answer(to, port, datagram);
  return true;
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
  artnet::RdmGateway& gateway = *artNetRoom->gateway;
  library.ArtNetSetCallBackUdpReceivePost([&input, &gateway, tap = artNetRoom->controllerReceive](
                                              std::span<const std::uint8_t> record) {
    artnet::ArtDmxReceived(record, input);
    const auto header = artnet::DecodeRecordHeader(record);
    if (!header) return;
    const auto datagram = record.subspan(artnet::kRecordHeaderBytes);
    if (tap && tap(datagram, header->senderAddress)) return;
    gateway.Receive(datagram, {.address = header->senderAddress, .port = header->senderPort});
  });
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
    room.tickClock = room.makeTickClock();
    // The frames' schedule is kept on the ticker's clock.
    transport.Arbiter().SetClock([clock = room.tickClock] { return clock->Now(); });
    room.ticker = std::make_unique<artnet::OutputTicker>(
        artnet::OutputTicker::Tick([&room](artnet::TickClock::TimePoint next) { room.Tick(next); }),
        room.tickClock);
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
  transport.Arbiter().FramesStopped();
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
