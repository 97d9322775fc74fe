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
  // Where the node of each new window listens and which clock its ticker runs
  // on. The program keeps the defaults (all interfaces, port 6454, the steady
  // clock); tests put the node on loopback and step the ticker themselves.
  static inline artnet::ArtNetSettings nodeSettings{};
  static inline std::function<std::shared_ptr<artnet::TickClock>()> makeTickClock = [] {
    return std::make_shared<artnet::SteadyTickClock>();
  };

  explicit ArtNetRoom(TForm1& form);
  ~ArtNetRoom();

  // One DmxOutputTick on the ticker thread.
  void Tick();

  TForm1& form;
  artnet::ArtNetLibrary library;
  std::uint32_t OutputTimerId = 0;  // 0: no output timer
  std::uint32_t lastTimerId = 0;
  std::unique_ptr<artnet::OutputTicker> ticker;
  std::uint8_t MonitorTicks = 0;
  QPointer<QDialog> nicForm;
  QPointer<QDialog> statusForm;
  QPointer<QDialog> monitorForm;
};

}  // namespace korval
