// What a virtual rig is made of: the responders on the simulated line, with the
// values they start from, and how the line keeps time. Field names follow the
// keys of the rig file (sim/rig.h) so that a rig reads the same in code and JSON.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "rdm/uid.h"

namespace korval::sim {

// Real: the line takes the time a real 250000 baud line takes (RealClock).
// Instant: the line and every wait of the tool run on a SimulatedClock.
enum class Timing { kReal, kInstant };

// One queued E1.20 status message (9 bytes on the wire, sub-device 0).
struct StatusMessage {
  std::uint8_t type = 0x02;  // 0x02 advisory, 0x03 warning, 0x04 error, 0x12..0x14 cleared
  std::uint16_t id = 0;
  std::uint16_t data1 = 0;
  std::uint16_t data2 = 0;
  bool operator==(const StatusMessage&) const = default;
};

// Misbehaviour to inject, for tests and for trying the tool's failure paths.
struct ResponderFaults {
  bool silent = false;         // takes nothing, answers nothing
  bool ignores_mute = false;   // answers DUB even when muted, never acknowledges DISC_MUTE
  bool bad_checksum = false;   // every reply, DUB included, carries a wrong checksum
  int noise_before_reply = 0;  // that many noise bytes (0x00) precede every reply
  bool nack_all = false;       // every GET and SET is answered with NACK_REASON
  // As a power cycle would: the mute is lost once, when the responder takes its
  // request number N (every request addressed to it, broadcasts included). 0: never.
  int unmute_after_requests = 0;
  // Answers 10 ms after the request, outside the time E1.20 gives a responder.
  bool late = false;
  bool operator==(const ResponderFaults&) const = default;
};

// One DMX slot of a fixture, for SLOT_INFO and SLOT_DESCRIPTION.
struct SlotDescription {
  std::uint8_t type = 0x00;      // ST_PRIMARY
  std::uint16_t label = 0x0001;  // SD_INTENSITY (a primary slot's label ID)
  std::string description;
  bool operator==(const SlotDescription&) const = default;
};

// One sensor, for SENSOR_DEFINITION and SENSOR_VALUE. Its range and normal
// range are fixed; the rig sets what it measures and the value it reads.
struct SensorDescription {
  std::uint8_t type = 0x00;    // SENS_TEMPERATURE
  std::uint8_t unit = 0x01;    // UNITS_CENTIGRADE
  std::uint8_t prefix = 0x00;  // PREFIX_NONE
  std::int16_t range_min = -40;
  std::int16_t range_max = 150;
  std::int16_t normal_min = 0;
  std::int16_t normal_max = 80;
  std::string description;
  std::int16_t value = 0;
  bool operator==(const SensorDescription&) const = default;
};

// The parameters the virtual responder has behaviour for (in this order when a
// rig leaves "supported_parameters" out); see Responder for what each does.
std::vector<std::uint16_t> AllOptionalParameters();

struct ResponderConfig {
  Uid uid = 0;
  // Returned by GET SUPPORTED_PARAMETERS in this order. The PIDs E1.20 requires
  // of every responder are supported whether listed or not.
  std::vector<std::uint16_t> supported_parameters = AllOptionalParameters();
  // Labels are the bytes on the wire (Windows-1252), at most 32 of them; a rig
  // file gives UTF-8 text that the loader converts.
  std::string label;                    // DEVICE_LABEL
  std::string manufacturer = "KORVAL";  // MANUFACTURER_LABEL
  std::string software_version_label;   // empty: made from software_version ("1.0.2.3")
  std::uint16_t category = 0x0101;
  std::uint32_t software_version = 0x01000000;
  std::uint16_t model_id = 1;
  std::uint16_t footprint = 1;
  // When not empty: the footprint of each personality (size personality_count);
  // selecting a personality then changes the footprint.
  std::vector<std::uint16_t> personality_footprints;
  std::uint8_t personality = 1;
  std::uint8_t personality_count = 1;
  std::uint16_t start_address = 1;
  std::uint32_t device_hours = 0;
  std::uint32_t lamp_hours = 0;
  std::uint8_t pan_invert = 0;
  std::uint8_t tilt_invert = 0;
  std::uint8_t pan_tilt_swap = 0;
  std::uint8_t identify = 0;
  std::array<std::uint8_t, 8> min_limits{0, 0, 0, 0, 0, 0, 0, 0};
  std::array<std::uint8_t, 8> max_limits{255, 255, 255, 255, 255, 255, 255, 255};
  std::array<std::uint8_t, 8> error_scene{0, 0, 0, 0, 0, 0, 0, 0};
  std::uint8_t dimm_switch = 0;
  std::vector<StatusMessage> status_messages;
  // How long after the end of a request its answer starts, within E1.20's
  // 176 us to 2.0 ms.
  int turnaround_us = 200;
  // Described parameters: each is supported, and appended to the
  // SUPPORTED_PARAMETERS reply unless listed, only when its field is set.
  std::string model_description;                      // DEVICE_MODEL_DESCRIPTION
  std::vector<std::string> personality_descriptions;  // DMX_PERSONALITY_DESCRIPTION, one each
  std::vector<SlotDescription> slots;                 // SLOT_INFO, SLOT_DESCRIPTION
  std::vector<SensorDescription> sensors;             // SENSOR_DEFINITION, SENSOR_VALUE
  ResponderFaults faults;
  bool operator==(const ResponderConfig&) const = default;
};

struct Rig {
  Timing timing = Timing::kReal;
  // When not empty: the file to which the line appends each changed DMX512 frame.
  std::string dmx_record;
  std::vector<ResponderConfig> responders;
};

}  // namespace korval::sim
