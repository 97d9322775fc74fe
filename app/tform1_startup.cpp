// Start-up, the interface's open-and-retry timer, page changes and closing.
#include <string>

#include "app/artnet_room.h"
#include "app/tform1.h"
#include "base/atomic_file.h"
#include "base/errors.h"
#include "frontend/line_options.h"

namespace korval {

namespace {
constexpr int kMaxStartUpAttempts = 50;
constexpr int kRetryIntervalMs = 2000;
// The README section that explains access to the interface without root.
constexpr const char* kNonRootSection = "Using the interface without root";
}  // namespace

void TForm1::FormCreate() {
  transport.ResetTransactionNumber();
  deviceTable = DeviceTable{};
  PatchCursor = 0;
  if (FileExists(kDeviceNamesFile)) {
    // A names file that cannot be read is reported, and start-up goes on: the
    // interface must still be opened and the Art-Net node started.
    try {
      LoadDeviceNames();
    } catch (const std::exception& error) {
      showErrorBox(QString::fromStdString(error.what()));
    }
  }
  if (deviceTable.count != 0) SelectPosition(0);
  StartArtNet();
  InitGrid();
  StartUpTimer->start();
}

void TForm1::StartUpTimerTimer() {
  if (!hasLine()) {
    // Interface 0 is a port of an Art-Net node: nothing to open or retry.
    Log("RDM through " + controller.Describe());
    StartUpTimer->stop();
    if (ArtNetPageActive()) Timer1->start();
    CreateTimer();
    return;
  }
  DmxLine& line = transport.Line();
  // A re-run after an output failure first lets go of the handle it had.
  if (const LineHandle stale = transport.Handle(); stale != 0) {
    transport.SetHandle(0);
    line.Close(stale);
  }
  LineHandle handle = 0;
  if (OpenRdmLine(line, &handle) == kLineOk) {
    // The output ticker writes on whatever handle the transport holds, so the
    // handle is published only once the line is configured.
    transport.SetHandle(handle);
    Log(std::string("KORVAL interface initialized ") + kMakerWebAddress);
    StartUpAttempts = kMaxStartUpAttempts;
  } else {
    Log("no KORVAL interface found Times " + std::to_string(StartUpAttempts));
    // Fifty identical lines do not say why; one line per start-up does, once the
    // line knows (a device present but refused, typically for want of access).
    if (!openFailureExplained) {
      if (const auto cause = line.OpenFailureCause()) {
        Log(*cause + " - see README, section \"" + kNonRootSection + "\"");
        openFailureExplained = true;
      }
    }
    StartUpTimer->setInterval(kRetryIntervalMs);
    ++StartUpAttempts;
  }
  if (StartUpAttempts < kMaxStartUpAttempts) return;

  StartUpTimer->stop();
  StartUpAttempts = 0;
  openFailureExplained = false;
  if (ArtNetPageActive()) Timer1->start();
  CreateTimer();
}

void TForm1::FormCloseQuery(bool& canClose) {
  // The output ticker stops first, so that no tick meets a closed line. The
  // window outlives its close until the event loop ends, so the start-up timer
  // stops too: a late attempt would open the line again after it was closed.
  StartUpTimer->stop();
  DestroyTimer();
  const LineHandle handle = transport.Handle();
  transport.SetHandle(0);
  transport.Line().Close(handle);
  EndArtNet();
  canClose = true;
  DestroyTimer();
}

void TForm1::PageControl1Change() {
  if (ArtNetPageActive()) {
    Timer1->start();
  } else {
    Timer1->stop();
    // Requests from the network that waited for a gap between frames.
    RunWhenIdle([this] { artNetRoom->RunNetworkRequests(); });
  }
}

void TForm1::Image1Click() {
  openWebAddress(QString::fromUtf8(kMakerWebAddress));
}

}  // namespace korval
