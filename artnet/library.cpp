#include "artnet/library.h"

#include "artnet/interfaces.h"

namespace korval::artnet {

ArtNetLibrary::ArtNetLibrary(ArtNetSettings settings, LogSink log)
    : settings_(settings), log_(std::move(log)) {}

void ArtNetLibrary::ArtNetInit(int /*mode*/) {
  started_ = true;
}

void ArtNetLibrary::ArtNetClearDataBuffer(int /*pipe*/) {
  node_.ClearUniverse0();
}

void ArtNetLibrary::ArtNetSetTxPipeUniverse(int /*pipe*/, int universe) {
  node_.SetPortAddress(static_cast<std::uint16_t>(universe & 0x7FFF));
}

void ArtNetLibrary::ArtNetSetRxPipeRequestUniverse(int /*pipe*/, int /*universe*/) {}

void ArtNetLibrary::ArtNetReadWrite(int /*mode*/) {
  if (started_) Bind();
}

void ArtNetLibrary::ArtNetSetCallBackUdpReceivePost(ReceiveCallback callback) {
  node_.SetReceiver(std::move(callback));
}

void ArtNetLibrary::ArtNetEnd() {
  node_.Stop();
  node_.SetReceiver({});
  started_ = false;
}

bool ArtNetLibrary::Rebind(std::uint32_t bindAddress) {
  settings_.bindAddress = bindAddress;
  return Bind();
}

bool ArtNetLibrary::Bind() {
  if (node_.Start(settings_.bindAddress, settings_.port)) return true;
  if (log_) {
    log_("Art-Net: cannot listen on UDP " + Ipv4Text(settings_.bindAddress) + ":" +
         std::to_string(settings_.port) + ": " + node_.Error());
  }
  return false;
}

}  // namespace korval::artnet
