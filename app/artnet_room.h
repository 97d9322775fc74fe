// The window's Art-Net state: the library (node), the output ticker behind
// `OutputTimerId`, the monitor's tick count and the dialogs it has open.
#pragma once

#include <QDialog>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/tform1.h"
#include "artnet/library.h"
#include "artnet/output_ticker.h"
#include "artnet/rdm_gateway.h"

namespace korval {

struct TForm1::ArtNetRoom {
  ArtNetRoom(TForm1& form, ArtNetOptions options);
  ~ArtNetRoom();

  // One DmxOutputTick on the ticker thread, then the network's RDM requests
  // that fit before the next one is due.
  void Tick(artnet::TickClock::TimePoint nextDeadline);
  // On the window thread: the network's waiting requests, unless the output
  // thread takes them (the Art-Net page is shown).
  void RunNetworkRequests();
  // The devices the window lists, for controllers asking over the network.
  void PublishTable();
  // A controller asked for a new table: the discovery, as the Discover button
  // runs it, in E1.20 timing.
  void DiscoverForNetwork();

  TForm1& form;
  artnet::ArtNetLibrary library;
  std::uint32_t OutputTimerId = 0;  // 0: no output timer
  std::uint32_t lastTimerId = 0;
  std::function<std::shared_ptr<artnet::TickClock>()> makeTickClock;
  std::unique_ptr<artnet::OutputTicker> ticker;
  std::shared_ptr<artnet::TickClock> tickClock;
  std::unique_ptr<artnet::RdmGateway> gateway;
  std::function<bool(std::span<const std::uint8_t>, std::uint32_t)> controllerReceive;
  std::uint8_t MonitorTicks = 0;
  QPointer<QDialog> nicForm;
  QPointer<QDialog> statusForm;
  QPointer<QDialog> monitorForm;
};

}  // namespace korval
