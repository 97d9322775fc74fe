#include "rdm/ftdi_api.h"

#include <ftdi.h>
#include <libusb.h>

#include <array>
#include <climits>

namespace korval {

static_assert(kFtdiBits7 == BITS_7 && kFtdiBits8 == BITS_8);
static_assert(kFtdiStopBit1 == STOP_BIT_1 && kFtdiStopBit15 == STOP_BIT_15 &&
              kFtdiStopBit2 == STOP_BIT_2);
static_assert(kFtdiParityNone == NONE && kFtdiParitySpace == SPACE);

namespace {

constexpr int kNoContext = -100;

int ClampedSize(std::size_t size) {
  return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

class LibFtdiApi final : public FtdiApi {
 public:
  ~LibFtdiApi() override { Close(); }

  int OpenFirstDevice() override {
    Close();
    ctx_ = ftdi_new();
    if (ctx_ == nullptr) return kNoContext;
    // The kernel's ftdi_sio driver usually holds the chip; libftdi detaches it
    // on open and, in this mode, reattaches it on close so that the operator's
    // other serial tools find the port again.
    ctx_->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    ftdi_device_list* devices = nullptr;
    // Vendor and product 0 ask libftdi for its default list: 0x0403 with
    // 0x6001, 0x6010, 0x6011, 0x6014 and 0x6015, in bus order.
    int result = ftdi_usb_find_all(ctx_, &devices, 0, 0);
    found_.reset();
    if (result > 0 && devices != nullptr) {
      found_ = Describe(devices->dev);
      result = ftdi_usb_open_dev(ctx_, devices->dev);
      if (result < 0) {
        NoteOpenError();
        found_->serial = ReadSerial(devices->dev);
      }
    } else if (result == 0) {
      result = -1;  // nothing plugged in
      lastError_ = "no FTDI device found";
    } else {
      NoteOpenError();
    }
    ftdi_list_free(&devices);
    if (result < 0) {
      ftdi_free(ctx_);
      ctx_ = nullptr;
    }
    return result;
  }

  void Close() override {
    if (ctx_ == nullptr) return;
    ftdi_usb_close(ctx_);
    ftdi_free(ctx_);
    ctx_ = nullptr;
  }

  int Reset() override { return ctx_ ? Note(ftdi_usb_reset(ctx_)) : kNoContext; }
  int SetLatencyTimer(std::uint8_t ms) override {
    return ctx_ ? Note(ftdi_set_latency_timer(ctx_, ms)) : kNoContext;
  }
  int SetBaudRate(int baud) override {
    return ctx_ ? Note(ftdi_set_baudrate(ctx_, baud)) : kNoContext;
  }
  int SetLineProperty(const FtdiLineProperty& p, bool breakOn) override {
    if (ctx_ == nullptr) return kNoContext;
    return Note(ftdi_set_line_property2(
        ctx_, static_cast<ftdi_bits_type>(p.bits), static_cast<ftdi_stopbits_type>(p.stopBits),
        static_cast<ftdi_parity_type>(p.parity), breakOn ? BREAK_ON : BREAK_OFF));
  }
  int SetFlowControl(int flow) override {
    return ctx_ ? Note(ftdi_setflowctrl(ctx_, flow)) : kNoContext;
  }
  // libftdi 1.5 (Debian 12) has the tcflush-like calls; the older
  // ftdi_usb_purge_*_buffer ones are deprecated and had rx and tx swapped.
  int PurgeReceive() override { return ctx_ ? Note(ftdi_tciflush(ctx_)) : kNoContext; }
  int PurgeTransmit() override { return ctx_ ? Note(ftdi_tcoflush(ctx_)) : kNoContext; }
  void SetUsbTimeouts(int readMs, int writeMs) override {
    if (ctx_ == nullptr) return;
    ctx_->usb_read_timeout = readMs;
    ctx_->usb_write_timeout = writeMs;
  }
  int ReadData(std::span<std::uint8_t> buffer) override {
    if (ctx_ == nullptr) return kNoContext;
    return Note(ftdi_read_data(ctx_, buffer.data(), ClampedSize(buffer.size())));
  }
  int WriteData(std::span<const std::uint8_t> bytes) override {
    if (ctx_ == nullptr) return kNoContext;
    return Note(ftdi_write_data(ctx_, bytes.data(), ClampedSize(bytes.size())));
  }
  std::string ErrorString() const override { return lastError_; }
  std::optional<FtdiDeviceFound> DeviceFound() const override { return found_; }

 private:
  static FtdiDeviceFound Describe(libusb_device* device) {
    FtdiDeviceFound found;
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) == 0) {
      found.vendor = descriptor.idVendor;
      found.product = descriptor.idProduct;
    }
    return found;
  }

  // Reading the serial opens the device briefly; without access to it that
  // fails the same way the open did, and the serial stays unknown.
  std::string ReadSerial(libusb_device* device) {
    std::array<char, 128> serial{};
    if (ftdi_usb_get_strings(ctx_, device, nullptr, 0, nullptr, 0, serial.data(),
                             static_cast<int>(serial.size())) < 0) {
      return {};
    }
    serial.back() = '\0';
    return serial.data();
  }

  void NoteOpenError() {
    const char* text = ftdi_get_error_string(ctx_);
    lastError_ = text != nullptr && *text != '\0' ? text : "unknown error";
  }

  int Note(int result) {
    if (result < 0 && ctx_ != nullptr && ctx_->error_str != nullptr) lastError_ = ctx_->error_str;
    return result;
  }

  ftdi_context* ctx_ = nullptr;
  std::string lastError_;
  std::optional<FtdiDeviceFound> found_;
};

}  // namespace

std::unique_ptr<FtdiApi> MakeLibFtdiApi() {
  return std::make_unique<LibFtdiApi>();
}

}  // namespace korval
