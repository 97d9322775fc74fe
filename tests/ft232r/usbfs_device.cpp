#include "tests/ft232r/usbfs_device.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace korval::ft232r {

namespace {

constexpr std::uint32_t kCapabilities = USBDEVFS_CAP_BULK_CONTINUATION |
                                        USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                        USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
constexpr int kFullSpeed = 2;  // enum usb_device_speed: USB_SPEED_FULL
constexpr std::size_t kSetupBytes = 8;

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (std::uint8_t b : bytes) text += Hex(b, 2);
  return text;
}

// A root hub as a PC has one: the bus exists even with nothing plugged in.
std::string RootHubRecord() {
  const std::vector<std::uint8_t> descriptors{
      0x12, 0x01, 0x00, 0x02, 0x09, 0x00, 0x01, 0x40, 0x6B, 0x1D, 0x02, 0x00, 0x06, 0x06, 0x03,
      0x02, 0x01, 0x01, 0x09, 0x02, 0x19, 0x00, 0x01, 0x01, 0x00, 0xE0, 0x00, 0x09, 0x04, 0x00,
      0x00, 0x01, 0x09, 0x00, 0x00, 0x00, 0x07, 0x05, 0x81, 0x03, 0x04, 0x00, 0x0C};
  const std::string hex = HexBytes(descriptors);
  return "P: /devices/pci0000:00/0000:00:14.0/usb1\n"
         "N: bus/usb/001/001=" +
         hex +
         "\n"
         "E: DEVNAME=/dev/bus/usb/001/001\n"
         "E: DEVTYPE=usb_device\n"
         "E: DRIVER=usb\n"
         "E: PRODUCT=1d6b/2/606\n"
         "E: TYPE=9/0/1\n"
         "E: BUSNUM=001\n"
         "E: DEVNUM=001\n"
         "E: MAJOR=189\n"
         "E: MINOR=0\n"
         "E: SUBSYSTEM=usb\n"
         "A: busnum=1\n"
         "A: devnum=1\n"
         "A: dev=189:0\n"
         "A: idVendor=1d6b\n"
         "A: idProduct=0002\n"
         "A: bcdDevice=0606\n"
         "A: bDeviceClass=09\n"
         "A: bConfigurationValue=1\n"
         "A: bNumConfigurations=1\n"
         "A: speed=480\n"
         "A: maxchild=2\n"
         "H: descriptors=" +
         hex + "\n\n";
}

// The device's number as the kernel names its node: decimal, three digits.
std::string DevNumText(int devnum) {
  char text[8];
  std::snprintf(text, sizeof text, "%03d", devnum);
  return text;
}

std::string ChipRecord(int devnum, const std::string& serial) {
  const std::string hex = HexBytes(Descriptors());
  const std::string dev = DevNumText(devnum);
  const std::string minor = std::to_string(devnum - 1);
  return "P: /devices/pci0000:00/0000:00:14.0/usb1/1-1\n"
         "N: bus/usb/001/" +
         dev + "=" + hex +
         "\n"
         "E: DEVNAME=/dev/bus/usb/001/" +
         dev +
         "\n"
         "E: DEVTYPE=usb_device\n"
         "E: DRIVER=usb\n"
         "E: PRODUCT=403/6001/600\n"
         "E: TYPE=0/0/0\n"
         "E: BUSNUM=001\n"
         "E: DEVNUM=" +
         dev +
         "\n"
         "E: MAJOR=189\n"
         "E: MINOR=" +
         minor +
         "\n"
         "E: SUBSYSTEM=usb\n"
         "E: ID_VENDOR_ID=0403\n"
         "E: ID_MODEL_ID=6001\n"
         "E: ID_SERIAL_SHORT=" +
         serial +
         "\n"
         "A: busnum=1\n"
         "A: devnum=" +
         std::to_string(devnum) +
         "\n"
         "A: devpath=1\n"
         "A: dev=189:" +
         minor +
         "\n"
         "A: idVendor=0403\n"
         "A: idProduct=6001\n"
         "A: bcdDevice=0600\n"
         "A: bDeviceClass=00\n"
         "A: bMaxPacketSize0=8\n"
         "A: bConfigurationValue=1\n"
         "A: bNumConfigurations=1\n"
         "A: bNumInterfaces= 1\n"
         "A: manufacturer=FTDI\n"
         "A: product=FT232R USB UART\n"
         "A: serial=" +
         serial +
         "\n"
         "A: speed=12\n"
         "A: maxchild=0\n"
         "H: descriptors=" +
         hex + "\n\n";
}

usbdevfs_urb* UrbOf(UMockdevIoctlData* data) {
  return reinterpret_cast<usbdevfs_urb*>(data->data);
}

}  // namespace

Micros UsbfsDevice::Now() {
  static const auto origin = std::chrono::steady_clock::now();
  return std::chrono::duration_cast<Micros>(std::chrono::steady_clock::now() - origin);
}

UsbfsDevice::UsbfsDevice(UMockdevTestbed* testbed, DmxBus& bus, ModelLog& log,
                         DeviceOptions options)
    : testbed_(testbed), bus_(bus), log_(log), options_(std::move(options)) {
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, RootHubRecord().c_str(), &error)) {
    g_error("root hub: %s", error->message);
  }
  handler_ = umockdev_ioctl_base_new();
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(OnIoctl), this);
  g_signal_connect(handler_, "client-connected", G_CALLBACK(OnConnected), this);
  if (options_.present) Plug();
}

UsbfsDevice::~UsbfsDevice() {
  if (onBus_) {
    GError* error = nullptr;
    umockdev_testbed_detach_ioctl(testbed_, NodePath().c_str(), &error);
    if (error != nullptr) g_error_free(error);
  }
  std::lock_guard lock(mutex_);
  auto release = [this](std::deque<std::unique_ptr<Urb>>& queue) {
    for (auto& urb : queue) ReleaseUrb(*urb);
    queue.clear();
  };
  release(outQueue_);
  release(inQueue_);
  release(completed_);
}

std::string UsbfsDevice::NodePath() const {
  return "/dev/bus/usb/001/" + DevNumText(devnum_);
}

std::string UsbfsDevice::SysPath() const {
  return "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1";
}

void UsbfsDevice::Note(std::string kind, std::vector<std::pair<std::string, std::string>> fields) {
  log_.Add(Now(), std::move(kind), std::move(fields));
}

void UsbfsDevice::ReleaseUrb(Urb& urb) {
  if (urb.buffer != nullptr) g_object_unref(urb.buffer);
  if (urb.urb != nullptr) g_object_unref(urb.urb);
  urb.buffer = nullptr;
  urb.urb = nullptr;
}

// ---------------------------------------------------------------- the device's life

void UsbfsDevice::Plug() {
  {
    std::lock_guard lock(mutex_);
    if (onBus_) return;
    ++devnum_;
    ++generation_;
    chip_ = std::make_unique<Chip>(bus_, log_, options_.serial);
    driver_ = options_.heldBy;
    moduleLoaded_ = options_.heldBy == "ftdi_sio";
    claimedBy_ = nullptr;
    plugged_ = true;
    onBus_ = true;
    Note("usb", {{"event", "plug"},
                 {"node", NodePath()},
                 {"driver", driver_.empty() ? "none" : driver_},
                 {"access", options_.denied ? "denied" : "open"}});
  }
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, ChipRecord(devnum_, options_.serial).c_str(),
                                        &error)) {
    g_error("FT232R: %s", error->message);
  }
  if (!umockdev_testbed_attach_ioctl(testbed_, NodePath().c_str(), handler_, &error)) {
    g_error("FT232R ioctls: %s", error->message);
  }
  const std::string root = umockdev_testbed_get_root_dir(testbed_);
  // A program run as an ordinary user must reach the node and its socket.
  ::chmod((root + "/ioctl" + NodePath()).c_str(), 0666);
  ::chmod((root + NodePath()).c_str(), options_.denied ? 0000 : 0666);
  umockdev_testbed_uevent(testbed_, SysPath().c_str(), "add");
}

void UsbfsDevice::Unplug() {
  {
    std::lock_guard lock(mutex_);
    if (plugged_) CutOff(Now());
  }
  TakeOffBus();
}

void UsbfsDevice::CutOff(Micros now) {
  NoteReads(now);
  EndAll(-ESHUTDOWN, now);
  chip_->PowerOff(now);
  chip_.reset();
  plugged_ = false;
  claimedBy_ = nullptr;
  log_.Add(now, "usb", {{"event", "unplug"}, {"node", NodePath()}});
}

void UsbfsDevice::TakeOffBus() {
  {
    std::lock_guard lock(mutex_);
    if (!onBus_) return;
    onBus_ = false;
    unplugPending_ = false;
  }
  umockdev_testbed_uevent(testbed_, SysPath().c_str(), "remove");
  GError* error = nullptr;
  umockdev_testbed_detach_ioctl(testbed_, NodePath().c_str(), &error);
  if (error != nullptr) g_error_free(error);
  umockdev_testbed_remove_device(testbed_, SysPath().c_str());
}

void UsbfsDevice::Deny(bool denied) {
  std::lock_guard lock(mutex_);
  if (options_.denied == denied) return;
  options_.denied = denied;
  if (!onBus_) return;
  const std::string root = umockdev_testbed_get_root_dir(testbed_);
  ::chmod((root + NodePath()).c_str(), denied ? 0000 : 0666);
  Note("usb", {{"event", denied ? "deny" : "allow"}, {"node", NodePath()}});
}

bool UsbfsDevice::Plugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

bool UsbfsDevice::UnplugPending() const {
  std::lock_guard lock(mutex_);
  return unplugPending_;
}

void UsbfsDevice::Settle(Micros extra) {
  std::lock_guard lock(mutex_);
  if (chip_ == nullptr) return;
  NoteReads(Now());
  chip_->Flush(Now() + extra);
}

void UsbfsDevice::Sync() {
  std::lock_guard lock(mutex_);
  NoteReads(Now());
  if (chip_ != nullptr) chip_->Advance(Now());
  log_.Flush();
}

// ---------------------------------------------------------------- ioctls

gboolean UsbfsDevice::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  static_cast<UsbfsDevice*>(self)->Handle(client);
  return TRUE;
}

void UsbfsDevice::OnConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  auto* device = static_cast<UsbfsDevice*>(self);
  {
    std::lock_guard lock(device->mutex_);
    device->clients_[client] = Client{.generation = device->generation_};
  }
  g_signal_connect(client, "notify::connected", G_CALLBACK(OnClientClosed), self);
}

void UsbfsDevice::OnClientClosed(GObject* object, GParamSpec*, gpointer self) {
  auto* client = reinterpret_cast<UMockdevIoctlClient*>(object);
  if (umockdev_ioctl_client_get_connected(client)) return;
  auto* device = static_cast<UsbfsDevice*>(self);
  std::lock_guard lock(device->mutex_);
  // Closing the node ends the program's transfers and its claim, as usbfs does.
  const Micros now = Now();
  auto mine = [client](const std::unique_ptr<Urb>& urb) { return urb->client == client; };
  for (auto* queue : {&device->outQueue_, &device->inQueue_}) {
    if (!queue->empty() && mine(queue->front()) && device->chip_ != nullptr) {
      if (queue == &device->outQueue_) device->chip_->EndOut();
      if (queue == &device->inQueue_) device->chip_->EndIn();
    }
  }
  for (auto* queue : {&device->outQueue_, &device->inQueue_, &device->completed_}) {
    for (auto& urb : *queue) {
      if (mine(urb)) device->ReleaseUrb(*urb);
    }
    std::erase_if(*queue, mine);
  }
  if (device->claimedBy_ == client) {
    device->claimedBy_ = nullptr;
    device->log_.Add(now, "usb", {{"event", "release"}, {"by", "close"}});
  }
  device->clients_.erase(client);
}

void UsbfsDevice::Handle(UMockdevIoctlClient* client) {
  std::lock_guard lock(mutex_);
  const Micros now = Now();
  const gulong request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const auto known = clients_.find(client);
  // The node of a chip that was unplugged stays dead, even once it is back.
  const bool alive = plugged_ && known != clients_.end() && known->second.generation == generation_;
  auto resolve = [arg](std::size_t size) {
    return umockdev_ioctl_data_resolve(arg, 0, size, nullptr);
  };
  auto done = [client](long result, int error) {
    umockdev_ioctl_client_complete(client, result, error);
  };

  if (request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB) {
    // Blocking reaps are answered as non-blocking ones: libusb uses only those.
    Reap(client, now);
    return;
  }
  if (!alive) {
    done(-1, ENODEV);
    return;
  }
  switch (request) {
    case USBDEVFS_SUBMITURB:
      Submit(client, now);
      return;
    case USBDEVFS_DISCARDURB:
      Discard(client);
      return;
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* caps = resolve(sizeof(std::uint32_t));
      std::memcpy(caps->data, &kCapabilities, sizeof kCapabilities);
      g_object_unref(caps);
      done(0, 0);
      return;
    }
    case USBDEVFS_GET_SPEED:
      done(kFullSpeed, 0);
      return;
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
      done(0, 0);
      return;
    case USBDEVFS_GETDRIVER: {
      UMockdevIoctlData* data = resolve(sizeof(usbdevfs_getdriver));
      auto* get = reinterpret_cast<usbdevfs_getdriver*>(data->data);
      if (driver_.empty()) {
        g_object_unref(data);
        done(-1, ENODATA);
        return;
      }
      std::snprintf(get->driver, sizeof get->driver, "%s", driver_.c_str());
      g_object_unref(data);
      done(0, 0);
      return;
    }
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_CLAIMINTERFACE: {
      NoteReads(now);
      const bool detach = request == USBDEVFS_DISCONNECT_CLAIM;
      UMockdevIoctlData* data =
          resolve(detach ? sizeof(usbdevfs_disconnect_claim) : sizeof(unsigned int));
      bool mayDetach = false;
      if (detach) {
        const auto* claim = reinterpret_cast<usbdevfs_disconnect_claim*>(data->data);
        const bool named = driver_ == claim->driver;
        mayDetach = (claim->flags & USBDEVFS_DISCONNECT_CLAIM_IF_DRIVER) != 0       ? named
                    : (claim->flags & USBDEVFS_DISCONNECT_CLAIM_EXCEPT_DRIVER) != 0 ? !named
                                                                                    : true;
      }
      g_object_unref(data);
      if (detach && mayDetach && driver_ == "ftdi_sio") {
        Note("usb", {{"event", "detach"}, {"driver", driver_}});
        driver_.clear();
      }
      if (!driver_.empty() || (claimedBy_ != nullptr && claimedBy_ != client)) {
        Note("usb", {{"event", "claim"}, {"result", "busy"}, {"driver", driver_}});
        done(-1, EBUSY);
        return;
      }
      claimedBy_ = client;
      Note("usb", {{"event", "claim"}, {"result", "ok"}});
      done(0, 0);
      return;
    }
    case USBDEVFS_RELEASEINTERFACE:
      NoteReads(now);
      if (claimedBy_ != client) {
        done(-1, EINVAL);
        return;
      }
      claimedBy_ = nullptr;
      Note("usb", {{"event", "release"}});
      done(0, 0);
      return;
    case USBDEVFS_IOCTL: {
      UMockdevIoctlData* data = resolve(sizeof(usbdevfs_ioctl));
      const int code = reinterpret_cast<usbdevfs_ioctl*>(data->data)->ioctl_code;
      g_object_unref(data);
      if (code == static_cast<int>(USBDEVFS_DISCONNECT)) {
        if (driver_.empty()) {
          done(-1, ENODATA);
          return;
        }
        if (driver_ == "ftdi_sio") {
          Note("usb", {{"event", "detach"}, {"driver", driver_}});
          driver_.clear();
        }
        done(0, 0);
        return;
      }
      if (code == static_cast<int>(USBDEVFS_CONNECT)) {
        if (claimedBy_ != nullptr) {
          done(-1, EBUSY);
          return;
        }
        // The kernel binds whatever driver matches: ftdi_sio, when loaded.
        if (driver_.empty() && moduleLoaded_) {
          driver_ = "ftdi_sio";
          Note("usb", {{"event", "attach"}, {"driver", driver_}});
        }
        done(0, 0);
        return;
      }
      done(-1, ENOTTY);
      return;
    }
    default:
      done(-1, ENOTTY);
      return;
  }
}

void UsbfsDevice::Submit(UMockdevIoctlClient* client, Micros now) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
  if (data == nullptr) {
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return;
  }
  usbdevfs_urb* u = UrbOf(data);
  auto urb = std::make_unique<Urb>();
  urb->client = client;
  urb->urb = data;
  urb->type = u->type;
  urb->endpoint = u->endpoint;
  urb->length = u->buffer_length;
  urb->submitted = now;
  if (u->buffer_length > 0) {
    urb->buffer = umockdev_ioctl_data_resolve(data, offsetof(usbdevfs_urb, buffer),
                                              static_cast<gsize>(u->buffer_length), nullptr);
  }
  const bool bulk = urb->type == USBDEVFS_URB_TYPE_BULK;
  if (urb->type == USBDEVFS_URB_TYPE_CONTROL && urb->buffer != nullptr &&
      urb->length >= static_cast<int>(kSetupBytes)) {
    NoteReads(now);
    Control(*urb, now);
    Finish(std::move(urb));
  } else if (bulk && urb->endpoint == kOutEndpoint) {
    NoteReads(now);
    outQueue_.push_back(std::move(urb));
    if (outQueue_.size() == 1) {
      const Urb& head = *outQueue_.front();
      const std::span<const std::uint8_t> bytes(
          head.buffer != nullptr ? head.buffer->data : nullptr,
          static_cast<std::size_t>(head.length));
      chip_->StartOut(now, bytes);
    }
  } else if (bulk && urb->endpoint == kInEndpoint) {
    if (readsSince_++ == 0) readsFrom_ = now;
    inQueue_.push_back(std::move(urb));
    if (inQueue_.size() == 1)
      chip_->StartIn(now, static_cast<std::size_t>(inQueue_.front()->length));
  } else {
    ReleaseUrb(*urb);
    umockdev_ioctl_client_complete(client, -1, EINVAL);
    return;
  }
  Progress(now);
  umockdev_ioctl_client_complete(client, 0, 0);
}

void UsbfsDevice::Control(Urb& urb, Micros now) {
  const std::uint8_t* b = urb.buffer->data;
  const Setup setup{.requestType = b[0],
                    .request = b[1],
                    .value = static_cast<std::uint16_t>(b[2] | (b[3] << 8)),
                    .index = static_cast<std::uint16_t>(b[4] | (b[5] << 8)),
                    .length = static_cast<std::uint16_t>(b[6] | (b[7] << 8))};
  const auto answer = chip_->Control(now, setup);
  urb.done = now;
  if (!answer) {
    urb.status = -EPIPE;  // a stall
    return;
  }
  const std::size_t room = static_cast<std::size_t>(urb.length) - kSetupBytes;
  const std::size_t n = std::min(answer->size(), room);
  std::copy_n(answer->begin(), n, urb.buffer->data + kSetupBytes);
  urb.actual = (setup.requestType & 0x80) != 0 ? static_cast<int>(n) : setup.length;
}

void UsbfsDevice::Progress(Micros now) {
  if (chip_ == nullptr) return;
  chip_->Advance(now);
  for (;;) {
    if (!outQueue_.empty() && chip_->OutDone()) {
      const Micros at = *chip_->OutDone();
      std::unique_ptr<Urb> urb = std::move(outQueue_.front());
      outQueue_.pop_front();
      urb->actual = static_cast<int>(chip_->EndOut());
      urb->done = at;
      Finish(std::move(urb));
      if (!outQueue_.empty()) {
        const Urb& next = *outQueue_.front();
        chip_->StartOut(std::max(at, next.submitted),
                        std::span<const std::uint8_t>(next.buffer->data,
                                                      static_cast<std::size_t>(next.length)));
        chip_->Advance(now);
      }
      continue;
    }
    if (!inQueue_.empty() && chip_->InDone()) {
      const Micros at = *chip_->InDone();
      std::unique_ptr<Urb> urb = std::move(inQueue_.front());
      inQueue_.pop_front();
      const std::vector<std::uint8_t> packets = chip_->EndIn();
      const std::size_t n = std::min(packets.size(), static_cast<std::size_t>(urb->length));
      if (urb->buffer != nullptr) std::copy_n(packets.begin(), n, urb->buffer->data);
      urb->actual = static_cast<int>(n);
      urb->done = at;
      readBytes_ += static_cast<std::int64_t>(n) -
                    2 * static_cast<std::int64_t>((n + kPacketBytes - 1) / kPacketBytes);
      Finish(std::move(urb));
      if (!inQueue_.empty()) {
        chip_->StartIn(std::max(at, inQueue_.front()->submitted),
                       static_cast<std::size_t>(inQueue_.front()->length));
        chip_->Advance(now);
      }
      continue;
    }
    break;
  }
  if (options_.unplugAtRequest != 0 && bus_.RequestsCarried() >= options_.unplugAtRequest) {
    options_.unplugAtRequest = 0;
    CutOff(now);
    unplugPending_ = true;
  }
}

void UsbfsDevice::Finish(std::unique_ptr<Urb> urb) {
  completed_.push_back(std::move(urb));
}

void UsbfsDevice::EndAll(int status, Micros now) {
  for (auto* queue : {&outQueue_, &inQueue_}) {
    for (auto& urb : *queue) {
      urb->status = status;
      urb->actual = 0;
      urb->done = now;
      completed_.push_back(std::move(urb));
    }
    queue->clear();
  }
}

void UsbfsDevice::Reap(UMockdevIoctlClient* client, Micros now) {
  Progress(now);
  const auto found = std::find_if(completed_.begin(), completed_.end(),
                                  [client](const auto& urb) { return urb->client == client; });
  if (found == completed_.end()) {
    const auto known = clients_.find(client);
    const bool alive =
        plugged_ && known != clients_.end() && known->second.generation == generation_;
    umockdev_ioctl_client_complete(client, -1, alive ? EAGAIN : ENODEV);
    return;
  }
  std::unique_ptr<Urb> urb = std::move(*found);
  completed_.erase(found);
  usbdevfs_urb* u = UrbOf(urb->urb);
  u->status = urb->status;
  u->actual_length = urb->actual;
  UMockdevIoctlData* target =
      umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(void*), nullptr);
  umockdev_ioctl_data_set_ptr(target, 0, urb->urb);
  g_object_unref(target);
  ReleaseUrb(*urb);
  umockdev_ioctl_client_complete(client, 0, 0);
}

void UsbfsDevice::Discard(UMockdevIoctlClient* client) {
  const Micros now = Now();
  const gulong address =
      *reinterpret_cast<const gulong*>(umockdev_ioctl_client_get_arg(client)->data);
  for (auto* queue : {&outQueue_, &inQueue_}) {
    for (std::size_t i = 0; i < queue->size(); ++i) {
      Urb& urb = *(*queue)[i];
      if (urb.client != client || urb.urb->client_addr != address) continue;
      Progress(now);
      if (i == 0 && queue == &outQueue_) urb.actual = static_cast<int>(chip_->EndOut());
      if (i == 0 && queue == &inQueue_) {
        const std::vector<std::uint8_t> packets = chip_->EndIn();
        const std::size_t n = std::min(packets.size(), static_cast<std::size_t>(urb.length));
        if (urb.buffer != nullptr) std::copy_n(packets.begin(), n, urb.buffer->data);
        urb.actual = static_cast<int>(n);
      }
      urb.status = -ENOENT;
      urb.done = now;
      const std::uint8_t endpoint = urb.endpoint;
      std::unique_ptr<Urb> taken = std::move((*queue)[i]);
      queue->erase(queue->begin() + static_cast<std::ptrdiff_t>(i));
      Finish(std::move(taken));
      if (i == 0 && !queue->empty()) {
        const Urb& next = *queue->front();
        if (queue == &outQueue_) {
          chip_->StartOut(now, std::span<const std::uint8_t>(
                                   next.buffer->data, static_cast<std::size_t>(next.length)));
        } else {
          chip_->StartIn(now, static_cast<std::size_t>(next.length));
        }
      }
      Note("usb", {{"event", "discard"}, {"endpoint", Hex(endpoint, 2)}});
      umockdev_ioctl_client_complete(client, 0, 0);
      return;
    }
  }
  umockdev_ioctl_client_complete(client, -1, EINVAL);
}

void UsbfsDevice::NoteReads(Micros now) {
  if (readsSince_ == 0) return;
  log_.Add(readsFrom_, "in",
           {{"transfers", std::to_string(readsSince_)},
            {"bytes", std::to_string(readBytes_)},
            {"until", std::to_string(now.count())}});
  readsSince_ = 0;
  readBytes_ = 0;
}

}  // namespace korval::ft232r
