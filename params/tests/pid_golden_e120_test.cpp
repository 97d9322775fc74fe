// Golden replies, first half: the parameters up to RECORD_SENSORS.
#include "params/tests/pid_golden.h"
#include "rdm/rdm_constants.h"

namespace korval::params::golden {

using namespace rdm;

const std::vector<Golden>& FirstGoldens() {
  static const std::vector<Golden> goldens = {
      {kPidDiscUniqueBranch, kGet, {}, {}},
      {kPidDiscMute, kGet, {}, {}},
      {kPidDiscUnMute, kGet, {}, {}},
      {kPidProxiedDevices,
       kGet,
       {0x4B, 0x52, 0x00, 0x00, 0x01, 0x01,   // uid 4B52:00000101
        0x4B, 0x52, 0x00, 0x00, 0x01, 0x02},  // uid 4B52:00000102
       {"uids: 2 items", "  uids[0].uid: 4B52:00000101", "  uids[1].uid: 4B52:00000102"}},
      {kPidProxiedDeviceCount,
       kGet,
       {0x00, 0x02,  // device count 2
        0x01},       // list changed
       {"device_count: 2", "list_changed: true"}},
      {kPidCommsStatus,
       kGet,
       {0x00, 0x01,   // short messages
        0x00, 0x02,   // length mismatches
        0x01, 0x00},  // checksum failures
       {"short_message: 1", "length_mismatch: 2", "checksum_fail: 256"}},
      {kPidQueuedMessage, kGet, {0x00, 0x01}, {"data: 00 01"}},
      {kPidStatusMessages,
       kGet,
       {0x00, 0x00,   // sub-device 0
        0x04,         // type: error
        0x00, 0x21,   // ID: over temperature
        0x00, 0x01,   // value 1: sensor 1
        0xFF, 0xF6,   // value 2: -10
        0x00, 0x03,   // sub-device 3
        0x12,         // type: advisory cleared
        0x01, 0x00,   // ID: not in the table
        0x00, 0x00,   // value 1
        0x7F, 0xFF},  // value 2
       {"messages: 2 items", "  messages[0].sub_device: 0", "  messages[0].status_type: error",
        "  messages[0].message_id: overtemp", "  messages[0].value1: 1",
        "  messages[0].value2: -10", "  messages[1].sub_device: 3",
        "  messages[1].status_type: advisory_cleared", "  messages[1].message_id: 256",
        "  messages[1].value1: 0", "  messages[1].value2: 32767"}},
      {kPidStatusIdDescription, kGet, Text("Over temp"), {"label: Over temp"}},
      {kPidClearStatusId, kSet, {}, {}},
      {kPidSubDeviceStatusReportThreshold, kGet, {0x02}, {"status_type: advisory"}},
      {kPidSupportedParameters,
       kGet,
       {0x00, 0x82,   // DEVICE_LABEL
        0x03, 0x00,   // a parameter of this tool's rig
        0x80, 0x01},  // a manufacturer's parameter
       {"params: 3 items", "  params[0].param_id: 0x0082 (device_label)",
        "  params[1].param_id: 0x0300", "  params[2].param_id: 0x8001"}},
      {kPidParameterDescription,
       kGet,
       Join({0x80, 0x01,               // parameter 0x8001
             0x01,                     // PDL 1
             0x03,                     // data type: unsigned byte
             0x03,                     // command class: get and set
             0x00,                     // type
             0x01,                     // unit: centigrade
             0x00,                     // prefix: none
             0x00, 0x00, 0x00, 0x00,   // minimum 0
             0x00, 0x00, 0x00, 0x64,   // maximum 100
             0x00, 0x00, 0x00, 0x32},  // default 50
            Text("Fan")),              // description
       {"pid: 0x8001", "pdl_size: 1", "data_type: unsigned_byte", "command_class: get_set",
        "type: 0", "unit: centigrade", "prefix: none", "min_value: 0", "max_value: 100",
        "default_value: 50", "description: Fan"}},
      {kPidDeviceInfo,
       kGet,
       {0x01, 0x00,              // protocol 1.0
        0x12, 0x34,              // model 0x1234
        0x05, 0x04,              // category: switch
        0x01, 0x02, 0x00, 0xFF,  // software version 1.2.0.255
        0x01, 0x2C,              // footprint 300
        0x03,                    // personality 3
        0x04,                    // of 4
        0x01, 0xF4,              // start address 500
        0x00, 0x00,              // no sub-devices
        0x02},                   // two sensors
       {"protocol_major: 1", "protocol_minor: 0", "device_model: 4660", "product_category: Switch",
        "software_version: 1.2.0.255", "dmx_footprint: 300", "current_personality: 3",
        "personality_count: 4", "dmx_start_address: 500", "sub_device_count: 0",
        "sensor_count: 2"}},
      {kPidProductDetailIdList,
       kGet,
       {0x00, 0x04,   // LED
        0x04, 0x03},  // PWM
       {"detail_ids: 2 items", "  detail_ids[0].detail_id: led", "  detail_ids[1].detail_id: pwm"}},
      {kPidDeviceModelDescription, kGet, Text("Spot 575"), {"description: Spot 575"}},
      {kPidManufacturerLabel, kGet, Text("KORVAL"), {"label: KORVAL"}},
      {kPidDeviceLabel, kGet, Text("Spot 1"), {"label: Spot 1"}},
      {kPidDeviceLabel, kSet, {}, {}},
      {kPidFactoryDefaults, kGet, {0x01}, {"using_defaults: true"}},
      {kPidLanguageCapabilities,
       kGet,
       {'e', 'n',   // English
        'd', 'e'},  // German
       {"languages: 2 items", "  languages[0].language: en", "  languages[1].language: de"}},
      {kPidLanguage, kGet, {'e', 'n'}, {"language: en"}},
      {kPidSoftwareVersionLabel, kGet, Text("1.2.0 beta"), {"label: 1.2.0 beta"}},
      {kPidBootSoftwareVersionId, kGet, {0x00, 0x01, 0x02, 0x03}, {"version: 0.1.2.3"}},
      {kPidBootSoftwareVersionLabel, kGet, Text("boot 1"), {"label: boot 1"}},
      {kPidDmxPersonality,
       kGet,
       {0x02,   // current personality 2
        0x05},  // of 5
       {"current_personality: 2", "personality_count: 5"}},
      {kPidDmxPersonalityDescription,
       kGet,
       Join({0x02,         // personality 2
             0x00, 0x10},  // 16 slots
            Text("Std")),  // description
       {"personality: 2", "slots_required: 16", "description: Std"}},
      {kPidDmxStartAddress, kGet, {0x01, 0xF4}, {"dmx_address: 500"}},
      {kPidSlotInfo,
       kGet,
       {0x00, 0x00,   // slot 0
        0x00,         // primary
        0x01, 0x01,   // pan
        0x00, 0x01,   // slot 1
        0x01,         // fine
        0x00, 0x00},  // of slot 0
       {"slots: 2 items", "  slots[0].slot_offset: 0", "  slots[0].slot_type: primary",
        "  slots[0].slot_label_id: pan", "  slots[1].slot_offset: 1",
        "  slots[1].slot_type: sec_fine", "  slots[1].slot_label_id: primary slot 0"}},
      {kPidSlotDescription,
       kGet,
       Join({0x00, 0x01},   // slot 1
            Text("Tilt")),  // description
       {"slot_number: 1", "description: Tilt"}},
      {kPidDefaultSlotValue,
       kGet,
       {0x00, 0x00,  // slot 0
        0x00,        // default 0
        0x00, 0x01,  // slot 1
        0x80},       // default 128
       {"slot_values: 2 items", "  slot_values[0].slot_offset: 0",
        "  slot_values[0].default_slot_value: 0", "  slot_values[1].slot_offset: 1",
        "  slot_values[1].default_slot_value: 128"}},
      {kPidDmxBlockAddress,
       kGet,
       {0x00, 0x20,   // sub-device footprint 32
        0x00, 0x01},  // base address 1
       {"sub_device_footprint: 32", "base_dmx_address: 1"}},
      {kPidDmxFailMode,
       kGet,
       {0x00, 0x00,  // scene: fixed level
        0x00, 0x0A,  // delay 1 s
        0xFF, 0xFF,  // hold: infinite
        0xFF},       // level 255
       {"scene_number: fixed_level", "loss_of_signal_delay: 10", "hold_time: infinite",
        "level: 255"}},
      {kPidDmxStartupMode,
       kGet,
       {0x00, 0x03,  // scene 3
        0xFF, 0xFF,  // delay: infinite
        0x00, 0x64,  // hold 10 s
        0x80},       // level 128
       {"scene_number: 3", "startup_delay: infinite", "hold_time: 100", "level: 128"}},
      {kPidSensorDefinition,
       kGet,
       Join({0x00,          // sensor number 0
             0x00,          // type: temperature
             0x01,          // unit: centigrade
             0x00,          // prefix: none
             0xFF, 0xD8,    // range minimum -40
             0x00, 0x96,    // range maximum 150
             0x00, 0x00,    // normal minimum 0
             0x00, 0x50,    // normal maximum 80
             0x03},         // recorded, lowest and highest values
            Text("Lamp")),  // description
       {"sensor_number: 0", "type: temperature", "unit: centigrade", "prefix: none",
        "range_min: -40", "range_max: 150", "normal_min: 0", "normal_max: 80",
        "recorded_value_support: recorded_lowest_highest", "description: Lamp"}},
      {kPidSensorValue,
       kGet,
       {0x01,         // sensor 1
        0x00, 0x2A,   // present 42
        0xFF, 0xFB,   // lowest -5
        0x00, 0x5A,   // highest 90
        0x00, 0x28},  // recorded 40
       {"sensor_number: 1", "present_value: 42", "lowest: -5", "highest: 90", "recorded: 40"}},
      {kPidSensorValue,
       kSet,
       {0x01,         // sensor 1
        0x00, 0x2A,   // present 42
        0x00, 0x2A,   // lowest 42
        0x00, 0x2A,   // highest 42
        0x00, 0x00},  // recorded 0
       {"sensor_number: 1", "present_value: 42", "lowest: 42", "highest: 42", "recorded: 0"}},
      {kPidRecordSensors, kSet, {}, {}},
  };
  return goldens;
}

}  // namespace korval::params::golden
