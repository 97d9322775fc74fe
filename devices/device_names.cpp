#include "devices/device_names.h"

#include <algorithm>

#include "base/conversion.h"
#include "base/errors.h"

namespace korval {

DeviceNames::DeviceNames(NamesList& names, DeviceTable& table, LogSink log)
    : names_(names), table_(table), log_(std::move(log)) {}

void DeviceNames::Load(const DeviceListView& list) {
  const int nulLine = LoadNamesList(names_);
  const int entries = names_.Count();
  log_("Devices: " + std::to_string(entries));
  if (entries > DeviceTable::kCapacity) {
    log_(std::to_string(entries - DeviceTable::kCapacity) + " entries of " + kDeviceNamesFile +
         " left out: the device table holds " + std::to_string(DeviceTable::kCapacity) +
         " devices");
  }
  if (nulLine != 0) {
    log_(std::string(kDeviceNamesFile) + " line " + std::to_string(nulLine) +
         ": a NUL byte ends the text; nothing after it is read");
  }
  const auto& lines = names_.Lines();
  aside_.clear();
  table_.count = 0;
  list.clear();
  for (int p = 0; p < entries && p < DeviceTable::kCapacity; ++p) {
    const std::string key = names_.KeyAt(p);
    // The item goes in first: a key that is not a number ends the load with the
    // item shown and the table holding the entries before it.
    list.add(DeviceListLine(p, key));
    Uid value = 0;
    try {
      value = static_cast<Uid>(StrToInt64("0x" + key)) & kUidMask;
    } catch (const ConversionError& error) {
      // A file read only in part is a file that could not be read: saved now,
      // it would lose what the tool never saw.
      names_.SetFileUnread(true);
      PlaceUnreadable(table_, p);
      aside_.assign(lines.begin() + p, lines.end());
      throw ConversionError(std::string(kDeviceNamesFile) + " line " + std::to_string(p + 1) +
                            ": " + error.what());
    }
    PlaceUid(table_, p, value);
    if (IsWithheld(table_, p)) {
      log_(std::string(kDeviceNamesFile) + " line " + std::to_string(p + 1) + ": " + key +
           " is a broadcast address: listed at position " + std::to_string(p) +
           ", not used for operations");
    }
    ++table_.count;
  }
  aside_.assign(lines.begin() + table_.count, lines.end());
}

void DeviceNames::Rewrite(const std::string& name) {
  // The names list is the only store of the names of fixtures without a
  // DEVICE_LABEL: each device keeps its own, a device without one takes `name`.
  std::vector<std::string> keys, names;
  for (int p = 0; p < table_.count; ++p) {
    keys.push_back(UidText(ListedUid(table_, p)));
    names.push_back(names_.FindName(keys.back()).value_or(name));
  }
  names_.Clear();
  for (std::size_t k = 0; k < keys.size(); ++k) names_.SetName(keys[k], names[k]);
  std::vector<std::string> lines = names_.Lines();
  lines.insert(lines.end(), aside_.begin(), aside_.end());
  names_.Assign(std::move(lines));
  SaveNamesList(names_);
}

void DeviceNames::NameDiscovered(const std::string& name) {
  for (int k = 1; k <= table_.count; ++k) {
    const std::string key = UidText(table_.slots[static_cast<std::size_t>(k)]);
    names_.SetName(key, name);
    std::erase_if(aside_, [&](const std::string& line) { return SameKey(KeyOfLine(line), key); });
  }
  SaveNamesList(names_);
}

}  // namespace korval
