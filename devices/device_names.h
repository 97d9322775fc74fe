// The names file and the device table kept together: loading "devnames.lst"
// into the table and the device list, writing it back after a reorder, and
// naming what a discovery found. The entries the table cannot hold (past its
// 33, or from a line that stopped a load) are kept aside and go back into the
// file after the table's devices, as they were.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "devices/names_list.h"
#include "rdm/device_table.h"
#include "rdm/log_sink.h"

namespace korval {

// The device list as a front end shows it: one line per listed device.
struct DeviceListView {
  std::function<void()> clear;
  std::function<void(const std::string& line)> add;
};

class DeviceNames {
 public:
  DeviceNames(NamesList& names, DeviceTable& table, LogSink log);

  // Reads the names file into the table and the list. A key that is not a
  // number ends the load with ConversionError naming its line, after the
  // list shows it (its position marked unreadable, never addressed) and the
  // table holds the entries before it; the file then counts as unread, and
  // no save replaces it. A file that cannot be read ends it with FileError.
  void Load(const DeviceListView& list);
  // The names file rewritten in the table's order, each device with the name
  // it has in the names list, or `name` (the name box's text) when it has
  // none; the entries kept aside after them.
  void Rewrite(const std::string& name);
  // After a discovery: each device of the table named `name` and saved; a
  // found device's line kept aside before is dropped there, so that it does
  // not come back twice.
  void NameDiscovered(const std::string& name);

  const std::vector<std::string>& EntriesAside() const { return aside_; }

 private:
  NamesList& names_;
  DeviceTable& table_;
  LogSink log_;
  std::vector<std::string> aside_;
};

}  // namespace korval
