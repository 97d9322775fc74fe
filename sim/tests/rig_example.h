// A rig file that sets every field of a responder, for the rig tests.
#pragma once

#include <string_view>

namespace korval::sim::testing {

inline constexpr std::string_view kExample = R"({ "timing": "real",
  "dmx_record": "frames.txt",
  "responders": [ {
    "uid": "4A4C:00000012",
    "supported_parameters": ["0x0082", "0x0081", "0x0400", "0x0030"],
    "label": "Spot 1", "manufacturer": "KORVAL",
    "category": "0x0102", "software_version": "0x01000203", "model_id": 1,
    "footprint": 16, "personality": 1, "personality_count": 4, "start_address": 1,
    "device_hours": 1234, "lamp_hours": 56,
    "pan_invert": 0, "tilt_invert": 0, "pan_tilt_swap": 0,
    "min_limits": [0,0,0,0,0,0,0,0], "max_limits": [255,255,255,255,255,255,255,255],
    "error_scene": [255,255,255,255,255,255,255,255], "dimm_switch": 0,
    "status_messages": [ { "type": 2, "id": "0x0050", "data1": 0, "data2": 35 } ],
    "turnaround_us": 2000,
    "faults": { "silent": false, "ignores_mute": false, "bad_checksum": false, "noise_before_reply": 0, "nack_all": false, "late": false }
} ] })";

}  // namespace korval::sim::testing
