#include "sim/rig_descriptions.h"

#include <vector>

namespace korval::sim {

namespace {

// SLOT_INFO's five bytes a slot fill one reply at 46 slots.
constexpr std::size_t kMaxSlots = rdm::kMaxPdl / 5;
constexpr std::size_t kMaxSensors = 255;

// Each element of the array `key` as an object, read by `read`.
template <typename T, typename Read>
void ReadObjects(ObjectReader& r, const char* key, const char* element, std::size_t maxCount,
                 std::vector<T>& into, std::string& error, Read read) {
  if (!r.Has(key)) return;
  const Json& list = r.At(key);
  if (!list.is_array()) return r.Fail(Quoted(key) + " must be an array");
  if (list.size() > maxCount) {
    return r.Fail(Quoted(key) + " has " + std::to_string(list.size()) + " entries, at most " +
                  std::to_string(maxCount) + " fit a reply");
  }
  std::vector<T> items;
  for (std::size_t i = 0; i < list.size() && error.empty(); ++i) {
    const std::string where = r.Where() + element + " " + std::to_string(i) + ": ";
    if (!list[i].is_object()) {
      error = where + "must be an object";
      break;
    }
    ObjectReader o(list[i], where, error);
    T item;
    read(o, list[i], item);
    items.push_back(std::move(item));
  }
  if (error.empty()) into = std::move(items);
}

}  // namespace

void ReadDescriptions(ObjectReader& r, ResponderConfig& c, std::string& error) {
  r.Label("model_description", c.model_description);
  if (r.Has("personality_descriptions")) {
    const Json& list = r.At("personality_descriptions");
    if (!list.is_array() || list.size() != c.personality_count) {
      return r.Fail("\"personality_descriptions\" must be an array of " +
                    std::to_string(c.personality_count) + " strings, one per personality");
    }
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < list.size() && error.empty(); ++i) {
      Json wrapped = Json::object();
      wrapped["description"] = list[i];
      ObjectReader one(wrapped, r.Where() + "personality " + std::to_string(i + 1) + ": ", error);
      std::string text;
      one.Label("description", text);
      texts.push_back(std::move(text));
    }
    if (error.empty()) c.personality_descriptions = std::move(texts);
  }
  ReadObjects(r, "slots", "slot", kMaxSlots, c.slots, error,
              [](ObjectReader& o, const Json&, SlotDescription& slot) {
                o.OnlyKnown({"type", "label", "description"});
                o.Number("type", 0, 0xFF, slot.type);
                o.Number("label", 0, 0xFFFF, slot.label);
                o.Label("description", slot.description);
              });
  ReadObjects(r, "sensors", "sensor", kMaxSensors, c.sensors, error,
              [](ObjectReader& o, const Json& object, SensorDescription& sensor) {
                o.OnlyKnown({"type", "unit", "prefix", "description", "value"});
                o.Number("type", 0, 0xFF, sensor.type);
                o.Number("unit", 0, 0xFF, sensor.unit);
                o.Number("prefix", 0, 0xFF, sensor.prefix);
                o.Label("description", sensor.description);
                if (!object.contains("value")) return;
                // Signed, within the sensor's range.
                const Json& v = object.at("value");
                if (!v.is_number_integer() || v.get<std::int64_t>() < sensor.range_min ||
                    v.get<std::int64_t>() > sensor.range_max) {
                  return o.Fail("\"value\" must be a whole number from " +
                                std::to_string(sensor.range_min) + " to " +
                                std::to_string(sensor.range_max));
                }
                sensor.value = static_cast<std::int16_t>(v.get<std::int64_t>());
              });
}

}  // namespace korval::sim
