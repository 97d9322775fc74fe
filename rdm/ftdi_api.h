// The few libftdi1 calls the FTDI line needs, behind a seam so that the line's
// call order and read loop can be tested without hardware. The real seam owns
// one ftdi_context; every call returns libftdi's result (negative on failure,
// otherwise a byte count or 0).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace korval {

// Values as libftdi numbers them (ftdi_bits_type, ftdi_stopbits_type,
// ftdi_parity_type); the real seam checks that they agree.
inline constexpr int kFtdiBits7 = 7;
inline constexpr int kFtdiBits8 = 8;
inline constexpr int kFtdiStopBit1 = 0;
inline constexpr int kFtdiStopBit15 = 1;
inline constexpr int kFtdiStopBit2 = 2;
inline constexpr int kFtdiParityNone = 0;
inline constexpr int kFtdiParitySpace = 4;

struct FtdiLineProperty {
  int bits = kFtdiBits8;
  int stopBits = kFtdiStopBit2;
  int parity = kFtdiParityNone;
};

// What the USB bus tells of an FTDI device without opening it for use.
struct FtdiDeviceFound {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::string serial;  // empty when it could not be read either
};

class FtdiApi {
 public:
  virtual ~FtdiApi() = default;

  // Creates a context and opens the first FTDI device found (vendor 0x0403,
  // products 0x6001, 0x6010, 0x6011, 0x6014, 0x6015), detaching the kernel's
  // serial driver for as long as the device is open.
  virtual int OpenFirstDevice() = 0;
  // Closes the device (the serial driver gets it back) and frees the context.
  virtual void Close() = 0;
  virtual int Reset() = 0;
  virtual int SetLatencyTimer(std::uint8_t ms) = 0;
  virtual int SetBaudRate(int baud) = 0;
  virtual int SetLineProperty(const FtdiLineProperty& property, bool breakOn) = 0;
  virtual int SetFlowControl(int flow) = 0;
  virtual int PurgeReceive() = 0;
  virtual int PurgeTransmit() = 0;
  virtual void SetUsbTimeouts(int readMs, int writeMs) = 0;
  // Returns early with whatever has arrived, often nothing.
  virtual int ReadData(std::span<std::uint8_t> buffer) = 0;
  virtual int WriteData(std::span<const std::uint8_t> bytes) = 0;
  virtual std::string ErrorString() const = 0;
  // The device the last OpenFirstDevice picked, also when it could not be
  // opened; none when no FTDI device was on the bus.
  virtual std::optional<FtdiDeviceFound> DeviceFound() const { return std::nullopt; }
};

std::unique_ptr<FtdiApi> MakeLibFtdiApi();

}  // namespace korval
