// The FT232R on a mocked USB bus: umockdev's testbed holds a root hub and,
// while plugged in, the chip's sysfs device and its /dev/bus/usb node; every
// usbdevfs ioctl a program makes on that node (with libumockdev-preload) comes
// here and is answered as the kernel's usbfs would, with the chip behind it:
// control, bulk OUT and bulk IN URBs submitted, reaped and discarded, the
// interface claimed and released, the kernel's serial driver looked up,
// detached and given back.
//
// The device's life, each logged as a "usb" event:
// - absent: no device on the bus (the root hub alone);
// - denied: the node exists but a program without root cannot open it;
// - held by ftdi_sio: the kernel's driver is bound; a program that detaches it
//   (libusb's auto-detach) may claim the interface, and releasing it gives the
//   driver back. Held by "usbfs": another program has claimed it;
// - unplugged: every URB in flight ends with -ESHUTDOWN, every later ioctl on
//   an open node with ENODEV (libusb: LIBUSB_ERROR_NO_DEVICE), the sysfs
//   device and node go away with a "remove" uevent; plugged in again, it comes
//   back with the next device number and an "add" uevent, as a new chip
//   (power-on settings) in front of the same fixtures.
//
// Thread-safe: ioctls arrive on umockdev's worker thread, the device's life
// changes from the model's own thread.
#pragma once

#include <umockdev.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tests/ft232r/ft232r_chip.h"
#include "tests/ft232r/model_log.h"

namespace korval::ft232r {

struct DeviceOptions {
  std::string serial = "KRV4C2A7";
  bool present = true;
  bool denied = false;
  // "" (no driver bound), "ftdi_sio" (the kernel's serial driver, detachable)
  // or "usbfs" (another program has claimed the interface).
  std::string heldBy;
  // Unplug once this many RDM requests have reached the fixtures (0: never).
  std::size_t unplugAtRequest = 0;
};

class UsbfsDevice {
 public:
  UsbfsDevice(UMockdevTestbed* testbed, DmxBus& bus, ModelLog& log, DeviceOptions options);
  ~UsbfsDevice();
  UsbfsDevice(const UsbfsDevice&) = delete;
  UsbfsDevice& operator=(const UsbfsDevice&) = delete;

  // Model time: microseconds since the model started.
  static Micros Now();

  void Plug();
  void Unplug();
  void Deny(bool denied);
  bool Plugged() const;
  // Set by the worker thread when a scheduled unplug has cut the chip off;
  // the model's thread then takes the device off the bus (TakeOffBus).
  bool UnplugPending() const;
  void TakeOffBus();
  // Runs the chip up to now (and `extra` beyond, to let it finish sending).
  void Settle(Micros extra = Micros(0));
  // Settles up to now and writes the log out.
  void Sync();

 private:
  struct Urb {
    UMockdevIoctlClient* client = nullptr;
    UMockdevIoctlData* urb = nullptr;     // our reference to the client's usbdevfs_urb
    UMockdevIoctlData* buffer = nullptr;  // and to its buffer
    std::uint8_t type = 0;
    std::uint8_t endpoint = 0;
    int length = 0;
    Micros submitted{0};
    Micros done{0};
    int status = 0;
    int actual = 0;
  };
  struct Client {
    unsigned generation = 0;  // the plug-in the node was opened in
    bool claimed = false;
  };

  static gboolean OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
  static void OnConnected(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
  static void OnClientClosed(GObject* client, GParamSpec* property, gpointer self);

  void Handle(UMockdevIoctlClient* client);
  void Submit(UMockdevIoctlClient* client, Micros now);
  void Reap(UMockdevIoctlClient* client, Micros now);
  void Discard(UMockdevIoctlClient* client);
  void Control(Urb& urb, Micros now);
  void Progress(Micros now);
  void Finish(std::unique_ptr<Urb> urb);
  void EndAll(int status, Micros now);
  void CutOff(Micros now);
  void NoteReads(Micros now);
  void ReleaseUrb(Urb& urb);
  std::string NodePath() const;
  std::string SysPath() const;
  void Note(std::string kind, std::vector<std::pair<std::string, std::string>> fields);

  mutable std::mutex mutex_;
  UMockdevTestbed* testbed_;
  DmxBus& bus_;
  ModelLog& log_;
  DeviceOptions options_;
  std::unique_ptr<Chip> chip_;
  UMockdevIoctlBase* handler_ = nullptr;

  bool plugged_ = false;  // the chip answers
  bool onBus_ = false;    // its sysfs device and node exist
  bool unplugPending_ = false;
  unsigned generation_ = 0;  // plug-ins so far
  int devnum_ = 1;
  std::string driver_;         // bound kernel driver
  bool moduleLoaded_ = false;  // ftdi_sio takes the chip when given back
  UMockdevIoctlClient* claimedBy_ = nullptr;

  std::map<UMockdevIoctlClient*, Client> clients_;
  std::deque<std::unique_ptr<Urb>> outQueue_;
  std::deque<std::unique_ptr<Urb>> inQueue_;
  std::deque<std::unique_ptr<Urb>> completed_;
  // Bulk IN transfers since the last other request, logged as one "in" event.
  int readsSince_ = 0;
  std::int64_t readBytes_ = 0;
  Micros readsFrom_{0};
};

}  // namespace korval::ft232r
