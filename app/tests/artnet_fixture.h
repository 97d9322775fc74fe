// The window with its Art-Net node on loopback (a free port) and the output
// ticker on a clock the test steps.
#pragma once

#include <QCoreApplication>
#include <memory>
#include <vector>

#include "app/artnet_room.h"
#include "app/tests/form_test.h"
#include "artnet/art_dmx.h"
#include "artnet/output_ticker.h"

namespace korval::testing {

class ArtNetFormTest : public FormTest {
 protected:
  static constexpr std::uint32_t kLoopback = 0x7F000001;

  ArtNetFormTest() {
    artNetOptions.nodeSettings = {kLoopback, 0};
    artNetOptions.makeTickClock = [this] {
      clock = std::make_shared<artnet::ManualTickClock>();
      return clock;
    };
  }

  TForm1::ArtNetRoom& Room() { return *form->artNetRoom; }
  // Lets n output ticks run on the ticker thread, then delivers what they
  // posted to the window thread.
  void Ticks(int n) {
    ASSERT_TRUE(clock) << "no output timer";
    ASSERT_TRUE(clock->RunTicks(n));
    QCoreApplication::processEvents();
  }
  void SetInput(std::size_t slot, std::uint8_t value) {
    transport->ArtNetInput()[slot].store(value);
  }
  std::size_t CountLog(const std::string& line) const {
    return static_cast<std::size_t>(std::count(Log().begin(), Log().end(), line));
  }

  std::shared_ptr<artnet::ManualTickClock> clock;
};

}  // namespace korval::testing
