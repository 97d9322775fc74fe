// Operations over a run of listed fixtures: batch addressing, and reading and
// writing the address map. Entries withheld from operations (broadcast UIDs
// in the table) are passed over with a log line of their own.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "params/page_values.h"
#include "params/parameter_page.h"
#include "rdm/device_table.h"
#include "rdm/log_sink.h"
#include "rdm/rdm_controller.h"

namespace korval::params {

// The log line of an operation that passes over a withheld entry.
std::string WithheldSkipLine(const DeviceTable& table, int position);

// The four batch fields as integers (the front end has converted them; a box
// that is not one ends the run before anything is sent).
struct BatchFields {
  int address = 0;
  int increment = 0;
  int startFixture = 0;
  int endFixture = 0;
};

// Fixtures S to E get A, A + I, ... through the page's start-address
// operation, which takes A from the values' address text; with I = 0 one
// broadcast. The summary line comes last.
void AddressBatch(ParameterPage& page, const DeviceTable& table, const PageValues& values,
                  const BatchFields& fields);

// DEVICE_INFO of the first `count` listed fixtures: footprint and start
// address (as a slot index, address - 1) of each that acknowledges with a
// reply long enough to hold both. The others keep what they had.
void ReadAddressMap(RdmController& controller, const LogSink& log, const DeviceTable& table,
                    int count, std::span<std::uint16_t> footprints,
                    std::span<std::uint16_t> starts);
// DMX_START_ADDRESS to each of the first `count` listed fixtures, from the
// map's slot indices.
void WriteAddressMap(RdmController& controller, const LogSink& log, const DeviceTable& table,
                     int count, std::span<const std::uint16_t> starts);

}  // namespace korval::params
