// ANSI E1.20 values the tool uses on the wire.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korval::rdm {

inline constexpr std::uint8_t kStartCode = 0xCC;
inline constexpr std::uint8_t kSubStartCode = 0x01;
inline constexpr std::uint8_t kNullStartCode = 0x00;

inline constexpr std::uint8_t kDiscoveryCommand = 0x10;
inline constexpr std::uint8_t kDiscoveryCommandResponse = 0x11;
inline constexpr std::uint8_t kGetCommand = 0x20;
inline constexpr std::uint8_t kGetCommandResponse = 0x21;
inline constexpr std::uint8_t kSetCommand = 0x30;
inline constexpr std::uint8_t kSetCommandResponse = 0x31;

inline constexpr std::uint8_t kResponseAck = 0x00;
inline constexpr std::uint8_t kResponseAckTimer = 0x01;
inline constexpr std::uint8_t kResponseNackReason = 0x02;
inline constexpr std::uint8_t kResponseAckOverflow = 0x03;

inline constexpr std::uint16_t kNrUnknownPid = 0x0000;
inline constexpr std::uint16_t kNrFormatError = 0x0001;
inline constexpr std::uint16_t kNrHardwareFault = 0x0002;
inline constexpr std::uint16_t kNrProxyReject = 0x0003;
inline constexpr std::uint16_t kNrWriteProtect = 0x0004;
inline constexpr std::uint16_t kNrUnsupportedCommandClass = 0x0005;
inline constexpr std::uint16_t kNrDataOutOfRange = 0x0006;
inline constexpr std::uint16_t kNrBufferFull = 0x0007;
inline constexpr std::uint16_t kNrPacketSizeUnsupported = 0x0008;
inline constexpr std::uint16_t kNrSubDeviceOutOfRange = 0x0009;
inline constexpr std::uint16_t kNrProxyBufferFull = 0x000A;

inline constexpr std::uint16_t kPidDiscUniqueBranch = 0x0001;
inline constexpr std::uint16_t kPidDiscMute = 0x0002;
inline constexpr std::uint16_t kPidDiscUnMute = 0x0003;
inline constexpr std::uint16_t kPidQueuedMessage = 0x0020;
inline constexpr std::uint16_t kPidStatusMessages = 0x0030;
inline constexpr std::uint16_t kPidSupportedParameters = 0x0050;
inline constexpr std::uint16_t kPidDeviceInfo = 0x0060;
inline constexpr std::uint16_t kPidDeviceModelDescription = 0x0080;
inline constexpr std::uint16_t kPidManufacturerLabel = 0x0081;
inline constexpr std::uint16_t kPidDeviceLabel = 0x0082;
inline constexpr std::uint16_t kPidSoftwareVersionLabel = 0x00C0;
inline constexpr std::uint16_t kPidDmxPersonality = 0x00E0;
inline constexpr std::uint16_t kPidDmxStartAddress = 0x00F0;
inline constexpr std::uint16_t kPidMinLimits = 0x0300;
inline constexpr std::uint16_t kPidMaxLimits = 0x0301;
inline constexpr std::uint16_t kPidErrorScene = 0x0302;
inline constexpr std::uint16_t kPidDimmSwitch = 0x0304;
inline constexpr std::uint16_t kPidDeviceHours = 0x0400;
inline constexpr std::uint16_t kPidLampHours = 0x0401;
inline constexpr std::uint16_t kPidPanInvert = 0x0600;
inline constexpr std::uint16_t kPidTiltInvert = 0x0601;
inline constexpr std::uint16_t kPidPanTiltSwap = 0x0602;
inline constexpr std::uint16_t kPidIdentifyDevice = 0x1000;

// Status message types and the status IDs the demonstration rig reports.
inline constexpr std::uint8_t kStatusAdvisory = 0x02;
inline constexpr std::uint8_t kStatusWarning = 0x03;
inline constexpr std::uint8_t kStatusError = 0x04;
inline constexpr std::uint8_t kStatusAdvisoryCleared = 0x12;
inline constexpr std::uint16_t kStsCalFail = 0x0001;
inline constexpr std::uint16_t kStsLampDoused = 0x0011;
inline constexpr std::uint16_t kStsOverTemp = 0x0021;
inline constexpr std::uint16_t kStsReady = 0x0050;
inline constexpr std::uint16_t kStsLowFluid = 0x0052;

// Offsets of an RDM message, request or response alike.
inline constexpr std::size_t kOffsetStartCode = 0;
inline constexpr std::size_t kOffsetSubStartCode = 1;
inline constexpr std::size_t kOffsetMessageLength = 2;
inline constexpr std::size_t kOffsetDestination = 3;
inline constexpr std::size_t kOffsetSource = 9;
inline constexpr std::size_t kOffsetTransaction = 15;
inline constexpr std::size_t kOffsetPortOrResponseType = 16;
inline constexpr std::size_t kOffsetMessageCount = 17;
inline constexpr std::size_t kOffsetSubDevice = 18;
inline constexpr std::size_t kOffsetCommandClass = 20;
inline constexpr std::size_t kOffsetPid = 21;
inline constexpr std::size_t kOffsetPdl = 23;
inline constexpr std::size_t kOffsetParameterData = 24;
inline constexpr std::size_t kHeaderBytes = 24;
inline constexpr std::size_t kChecksumBytes = 2;
// ACK_TIMER counts its delay in tenths of a second.
inline constexpr int kAckTimerUnitMs = 100;

// Sizes of parameter data.
inline constexpr std::size_t kMaxPdl = 231;
inline constexpr std::size_t kMaxLabelBytes = 32;
inline constexpr std::size_t kStatusMessageBytes = 9;
inline constexpr std::size_t kMaxStatusMessages = kMaxPdl / kStatusMessageBytes;  // 25
inline constexpr std::size_t kMaxSupportedParameters = kMaxPdl / 2;               // 115
// The start address a device without a DMX footprint reports.
inline constexpr std::uint16_t kNoStartAddress = 0xFFFF;

// 250000 baud, 8N2: eleven bit times per byte.
inline constexpr int kLineBaud = 250000;
inline constexpr int kByteMicroseconds = 44;
inline constexpr int kLineTimeoutMs = 50;

}  // namespace korval::rdm
