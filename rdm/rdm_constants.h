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
inline constexpr std::uint16_t kPidStatusMessages = 0x0030;
inline constexpr std::uint16_t kPidSupportedParameters = 0x0050;
inline constexpr std::uint16_t kPidDeviceInfo = 0x0060;
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

// The rest of the E1.20 parameters, and the E1.37-1 ones, that the command
// line names and decodes (the window sends only those above).
inline constexpr std::uint16_t kPidProxiedDevices = 0x0010;
inline constexpr std::uint16_t kPidProxiedDeviceCount = 0x0011;
inline constexpr std::uint16_t kPidCommsStatus = 0x0015;
inline constexpr std::uint16_t kPidQueuedMessage = 0x0020;
inline constexpr std::uint16_t kPidStatusIdDescription = 0x0031;
inline constexpr std::uint16_t kPidClearStatusId = 0x0032;
inline constexpr std::uint16_t kPidSubDeviceStatusReportThreshold = 0x0033;
inline constexpr std::uint16_t kPidParameterDescription = 0x0051;
inline constexpr std::uint16_t kPidProductDetailIdList = 0x0070;
inline constexpr std::uint16_t kPidDeviceModelDescription = 0x0080;
inline constexpr std::uint16_t kPidFactoryDefaults = 0x0090;
inline constexpr std::uint16_t kPidLanguageCapabilities = 0x00A0;
inline constexpr std::uint16_t kPidLanguage = 0x00B0;
inline constexpr std::uint16_t kPidBootSoftwareVersionId = 0x00C1;
inline constexpr std::uint16_t kPidBootSoftwareVersionLabel = 0x00C2;
inline constexpr std::uint16_t kPidDmxPersonalityDescription = 0x00E1;
inline constexpr std::uint16_t kPidSlotInfo = 0x0120;
inline constexpr std::uint16_t kPidSlotDescription = 0x0121;
inline constexpr std::uint16_t kPidDefaultSlotValue = 0x0122;
inline constexpr std::uint16_t kPidDmxBlockAddress = 0x0140;
inline constexpr std::uint16_t kPidDmxFailMode = 0x0141;
inline constexpr std::uint16_t kPidDmxStartupMode = 0x0142;
inline constexpr std::uint16_t kPidSensorDefinition = 0x0200;
inline constexpr std::uint16_t kPidSensorValue = 0x0201;
inline constexpr std::uint16_t kPidRecordSensors = 0x0202;
inline constexpr std::uint16_t kPidDimmerInfo = 0x0340;
inline constexpr std::uint16_t kPidMinimumLevel = 0x0341;
inline constexpr std::uint16_t kPidMaximumLevel = 0x0342;
inline constexpr std::uint16_t kPidCurve = 0x0343;
inline constexpr std::uint16_t kPidCurveDescription = 0x0344;
inline constexpr std::uint16_t kPidOutputResponseTime = 0x0345;
inline constexpr std::uint16_t kPidOutputResponseTimeDescription = 0x0346;
inline constexpr std::uint16_t kPidModulationFrequency = 0x0347;
inline constexpr std::uint16_t kPidModulationFrequencyDescription = 0x0348;
inline constexpr std::uint16_t kPidLampStrikes = 0x0402;
inline constexpr std::uint16_t kPidLampState = 0x0403;
inline constexpr std::uint16_t kPidLampOnMode = 0x0404;
inline constexpr std::uint16_t kPidDevicePowerCycles = 0x0405;
inline constexpr std::uint16_t kPidBurnIn = 0x0440;
inline constexpr std::uint16_t kPidDisplayInvert = 0x0500;
inline constexpr std::uint16_t kPidDisplayLevel = 0x0501;
inline constexpr std::uint16_t kPidRealTimeClock = 0x0603;
inline constexpr std::uint16_t kPidLockPin = 0x0640;
inline constexpr std::uint16_t kPidLockState = 0x0641;
inline constexpr std::uint16_t kPidLockStateDescription = 0x0642;
inline constexpr std::uint16_t kPidResetDevice = 0x1001;
inline constexpr std::uint16_t kPidPowerState = 0x1010;
inline constexpr std::uint16_t kPidPerformSelftest = 0x1020;
inline constexpr std::uint16_t kPidSelfTestDescription = 0x1021;
inline constexpr std::uint16_t kPidCapturePreset = 0x1030;
inline constexpr std::uint16_t kPidPresetPlayback = 0x1031;
inline constexpr std::uint16_t kPidIdentifyMode = 0x1040;
inline constexpr std::uint16_t kPidPresetInfo = 0x1041;
inline constexpr std::uint16_t kPidPresetStatus = 0x1042;
inline constexpr std::uint16_t kPidPresetMergeMode = 0x1043;
inline constexpr std::uint16_t kPidPowerOnSelfTest = 0x1044;
// Manufacturer-specific parameters take the numbers from here to here.
inline constexpr std::uint16_t kPidManufacturerFirst = 0x8000;
inline constexpr std::uint16_t kPidManufacturerLast = 0xFFDF;

// Status message types and the status IDs the demonstration rig reports.
inline constexpr std::uint8_t kStatusNone = 0x00;
inline constexpr std::uint8_t kStatusGetLastMessage = 0x01;
inline constexpr std::uint8_t kStatusAdvisory = 0x02;
inline constexpr std::uint8_t kStatusWarning = 0x03;
inline constexpr std::uint8_t kStatusError = 0x04;
inline constexpr std::uint8_t kStatusAdvisoryCleared = 0x12;
inline constexpr std::uint8_t kStatusWarningCleared = 0x13;
inline constexpr std::uint8_t kStatusErrorCleared = 0x14;
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
// The sub-device number of a SET to the root and all its sub-devices at once.
inline constexpr std::uint16_t kAllSubDevices = 0xFFFF;
// Sub-devices are numbered from 1 up to this; 0 is the root device.
inline constexpr std::uint16_t kMaxSubDevice = 0x0200;
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
// The DMX start addresses a device can be given.
inline constexpr std::uint16_t kMinDmxAddress = 1;
inline constexpr std::uint16_t kMaxDmxAddress = 512;

// 250000 baud, 8N2: eleven bit times per byte.
inline constexpr int kLineBaud = 250000;
inline constexpr int kByteMicroseconds = 44;
// The shortest break and mark after it E1.20 allows a sender.
inline constexpr int kBreakMinUs = 176;
inline constexpr int kMarkAfterBreakMinUs = 12;
// The shortest break and mark after break, before every frame.
inline constexpr int kBreakAndMarkUs = kBreakMinUs + kMarkAfterBreakMinUs;
inline constexpr int kLineTimeoutMs = 50;

// Reply timing, counted from the end of the request's last slot. A responder
// starts its reply between 176 us and 2.0 ms after it; a controller may take a
// reply as lost once 2.8 ms have passed without one. Within a reply no gap
// between two slots exceeds 2.1 ms.
inline constexpr int kResponderTurnaroundMinUs = 176;
inline constexpr int kResponderTurnaroundMaxUs = 2000;
inline constexpr int kResponseLostUs = 2800;
inline constexpr int kMaxInterSlotUs = 2100;
// The controller's spacing before its next break, counted from the end of the
// last frame on the wire (a reply's, when one came): at least 176 us after a
// broadcast or a reply, 3.0 ms after a request whose reply was lost, 5.8 ms
// after a DISC_UNIQUE_BRANCH that nobody answered.
inline constexpr int kMinFrameSpacingUs = 176;
inline constexpr int kSpacingAfterLostReplyUs = 3000;
inline constexpr int kSpacingAfterSilentBranchUs = 5800;
// A DISC_UNIQUE_BRANCH answer: up to seven preamble bytes 0xFE, the separator
// 0xAA, then the UID and its checksum encoded in 16 bytes.
inline constexpr std::uint8_t kDiscPreamble = 0xFE;
inline constexpr std::uint8_t kDiscSeparator = 0xAA;
inline constexpr std::size_t kDiscMaxPreamble = 7;
inline constexpr std::size_t kDiscEncodedBytes = 16;
inline constexpr std::size_t kDiscAnswerMaxBytes = kDiscMaxPreamble + 1 + kDiscEncodedBytes;  // 24

}  // namespace korval::rdm
