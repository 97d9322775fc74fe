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

namespace korval {

struct TForm1::ArtNetRoom {
  ArtNetRoom(TForm1& form, ArtNetOptions options);
  ~ArtNetRoom();

  // One DmxOutputTick on the ticker thread.
  void Tick();

  TForm1& form;
  artnet::ArtNetLibrary library;
  std::uint32_t OutputTimerId = 0;  // 0: no output timer
  std::uint32_t lastTimerId = 0;
  std::function<std::shared_ptr<artnet::TickClock>()> makeTickClock;
  std::unique_ptr<artnet::OutputTicker> ticker;
  std::uint8_t MonitorTicks = 0;
  QPointer<QDialog> nicForm;
  QPointer<QDialog> statusForm;
  QPointer<QDialog> monitorForm;
};

}  // namespace korval
