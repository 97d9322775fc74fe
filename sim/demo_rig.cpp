// The built-in rig of `korval-rdm --demo`: ten fixtures chosen so that every
// part of the window has something to show. KORVAL fixtures use manufacturer
// ID 0x4B52 ("KR"); one fixture of another maker (0x4A4C) supports only what
// E1.20 requires of every responder.
//
// The tool reads only the first nine entries of a supported-parameter list, so
// the order of each list decides what the parameter page shows for it.
//
// Device IDs look like serial numbers on purpose. The line carries colliding
// discovery answers as their AND, and for near-sequential IDs that AND can
// decode, checksum included, to the UID of a third fixture (00000501 AND
// 00000601 gives 00000401): the search would then mute and list that one again.
#include "rdm/rdm_constants.h"
#include "sim/rig.h"

namespace korval::sim {

using namespace rdm;

namespace {

ResponderConfig Korval(std::uint32_t deviceId, const char* label, std::uint16_t category) {
  ResponderConfig c;
  c.uid = MakeUid(deviceId, 0x4B52);
  c.label = label;
  c.manufacturer = "KORVAL";
  c.category = category;
  return c;
}

}  // namespace

Rig MakeDemoRig() {
  Rig rig;
  rig.timing = Timing::kReal;
  auto& r = rig.responders;

  // Moving heads: every parameter; the first nine are those of a moving light.
  ResponderConfig spot1 = Korval(0x2C1F0A37, "Spot 1", 0x0102);
  spot1.supported_parameters = {kPidDeviceLabel,    kPidManufacturerLabel, kPidStatusMessages,
                                kPidDmxPersonality, kPidDeviceHours,       kPidLampHours,
                                kPidPanInvert,      kPidTiltInvert,        kPidPanTiltSwap,
                                kPidMinLimits,      kPidMaxLimits,         kPidErrorScene,
                                kPidDimmSwitch};
  spot1.model_id = 0x0101;
  spot1.software_version = 0x01000203;
  spot1.personality_footprints = {16, 12, 20, 8};
  spot1.personality_count = 4;
  spot1.personality = 1;
  spot1.start_address = 1;
  spot1.device_hours = 1234;
  spot1.lamp_hours = 56;
  spot1.status_messages = {{kStatusAdvisory, kStsReady, 0, 35}};
  // What only the command line reads: the window never asks for these, and
  // they come after the nine entries it gates on.
  spot1.model_description = "KORVAL Spot 250";
  spot1.personality_descriptions = {"Standard 16ch", "Basic 12ch", "Extended 20ch", "Compact 8ch"};
  spot1.sensors = {SensorDescription{.description = "Head temperature", .value = 43}};
  r.push_back(spot1);

  ResponderConfig spot2 = spot1;
  spot2.model_description.clear();
  spot2.personality_descriptions.clear();
  spot2.sensors.clear();
  spot2.uid = MakeUid(0x2C1F0B52, 0x4B52);
  spot2.label = "Spot 2";
  spot2.start_address = 17;
  spot2.pan_invert = 1;
  spot2.device_hours = 4711;
  spot2.lamp_hours = 980;
  spot2.status_messages = {{kStatusWarning, kStsOverTemp, 1, 0x0150},
                           {kStatusAdvisory, kStsReady, 0, 80}};
  r.push_back(spot2);

  // An LED par: the eight-channel rows come first, no pan or tilt.
  ResponderConfig par = Korval(0x31A04E19, "Par LED 1", 0x0101);
  par.supported_parameters = {kPidDeviceLabel,       kPidMinLimits,      kPidMaxLimits,
                              kPidErrorScene,        kPidDimmSwitch,     kPidStatusMessages,
                              kPidManufacturerLabel, kPidDmxPersonality, kPidDeviceHours};
  par.model_id = 0x0201;
  par.software_version = 0x02010000;
  par.personality_footprints = {8, 4, 3};
  par.personality_count = 3;
  par.personality = 1;
  par.start_address = 33;
  par.device_hours = 310;
  par.min_limits = {0, 0, 0, 0, 10, 10, 10, 0};
  par.max_limits = {255, 255, 255, 255, 200, 200, 200, 255};
  par.error_scene = {255, 255, 255, 255, 0, 0, 0, 0};
  par.dimm_switch = 0x0F;
  par.status_messages = {{kStatusError, kStsCalFail, 2, 0}};
  // The eight slots of its first personality (SD_ label IDs of E1.20).
  par.slots = {{0x00, 0x0205, "Red"},    {0x00, 0x0206, "Green"}, {0x00, 0x0207, "Blue"},
               {0x00, 0x0212, "White"},  {0x00, 0x0211, "Amber"}, {0x00, 0x0001, "Dimmer"},
               {0x00, 0x0404, "Strobe"}, {0x00, 0x0002, "Master"}};
  r.push_back(par);

  // A scanner without DEVICE_LABEL (the name comes from the names list) and
  // without the eight-channel parameters.
  ResponderConfig scanner = Korval(0x0E77D203, "", 0x0103);
  scanner.supported_parameters = {kPidManufacturerLabel, kPidStatusMessages, kPidPanInvert,
                                  kPidTiltInvert,        kPidPanTiltSwap,    kPidDeviceHours,
                                  kPidLampHours,         kPidDmxPersonality};
  scanner.model_id = 0x0301;
  scanner.footprint = 6;
  scanner.personality_count = 2;
  scanner.start_address = 41;
  scanner.tilt_invert = 1;
  scanner.pan_tilt_swap = 1;
  scanner.device_hours = 20500;
  scanner.lamp_hours = 1999;
  scanner.status_messages = {{kStatusError, kStsLampDoused, 0, 0}};
  r.push_back(scanner);

  // A projector with few parameters.
  ResponderConfig projector = Korval(0x5B0C61E4, "Gobo Projector", 0x0300);
  projector.supported_parameters = {kPidDeviceLabel, kPidManufacturerLabel, kPidLampHours,
                                    kPidStatusMessages};
  projector.model_id = 0x0401;
  projector.footprint = 4;
  projector.start_address = 47;
  projector.lamp_hours = 120;
  projector.status_messages = {
      {kStatusAdvisoryCleared, kStsReady, 0, 41}};  // the page colours this type lime
  r.push_back(projector);

  // A hazer that runs low on fluid; no label, no eight-channel rows.
  ResponderConfig hazer = Korval(0x7A3390C5, "", 0x0401);
  hazer.supported_parameters = {kPidManufacturerLabel, kPidStatusMessages, kPidDeviceHours};
  hazer.model_id = 0x0501;
  hazer.footprint = 2;
  hazer.start_address = 51;
  hazer.device_hours = 77;
  hazer.status_messages = {{kStatusWarning, kStsLowFluid, 0, 0}};
  r.push_back(hazer);

  // Dimmer packs: eight channels each, the rows apply per channel.
  ResponderConfig dimmer = Korval(0x1196F2A8, "Dimmer 1-8", 0x0501);
  dimmer.supported_parameters = {kPidDeviceLabel,    kPidManufacturerLabel, kPidMinLimits,
                                 kPidMaxLimits,      kPidErrorScene,        kPidDimmSwitch,
                                 kPidStatusMessages, kPidDeviceHours};
  dimmer.model_id = 0x0601;
  dimmer.footprint = 8;
  dimmer.start_address = 53;
  dimmer.min_limits = {5, 5, 5, 5, 5, 5, 5, 5};
  dimmer.max_limits = {255, 255, 255, 255, 230, 230, 230, 230};
  dimmer.error_scene = {0, 0, 0, 0, 0, 0, 128, 128};
  dimmer.status_messages = {{kStatusAdvisory, kStsReady, 0, 29}};
  r.push_back(dimmer);

  // An LED dimmer patched over the dimmer pack's last channels, so that the
  // address map shows an overlap; it has no status messages queued.
  ResponderConfig ledDimmer = Korval(0x11970A3D, "LED Dimmer", 0x0509);
  ledDimmer.supported_parameters = {kPidDeviceLabel, kPidManufacturerLabel, kPidStatusMessages,
                                    kPidMinLimits,   kPidMaxLimits,         kPidErrorScene,
                                    kPidDimmSwitch,  kPidDmxPersonality};
  ledDimmer.model_id = 0x0602;
  ledDimmer.personality_footprints = {8, 16};
  ledDimmer.personality_count = 2;
  ledDimmer.start_address = 58;
  ledDimmer.dimm_switch = 0x81;
  r.push_back(ledDimmer);

  // A switch pack: dim/switch set on every channel.
  ResponderConfig switchPack = Korval(0x63D5B871, "Switch Pack", 0x0504);
  switchPack.supported_parameters = {kPidDeviceLabel, kPidDimmSwitch, kPidStatusMessages,
                                     kPidManufacturerLabel};
  switchPack.model_id = 0x0701;
  switchPack.footprint = 6;
  switchPack.start_address = 100;
  switchPack.dimm_switch = 0x3F;
  switchPack.status_messages = {{kStatusAdvisory, kStsReady, 0, 31}};
  r.push_back(switchPack);

  // Another maker's fixture: only the PIDs every responder has.
  ResponderConfig other;
  other.uid = MakeUid(0x00000012, 0x4A4C);
  other.supported_parameters = {};
  other.manufacturer = "Other Maker";
  other.category = 0x0100;
  other.model_id = 0x0010;
  other.software_version = 0x0003000F;
  other.footprint = 12;
  other.start_address = 200;
  r.push_back(other);

  return rig;
}

}  // namespace korval::sim
