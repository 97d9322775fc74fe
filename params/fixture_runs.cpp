#include "params/fixture_runs.h"

#include <algorithm>

#include "devices/batch_plan.h"
#include "params/device_info.h"
#include "rdm/rdm_constants.h"

namespace korval::params {

namespace {

// Runs `operation` on each of the first `count` listed positions that the
// arrays have room for, passing over withheld ones with their line.
template <typename Operation>
void ForEachListed(const LogSink& log, const DeviceTable& table, int count, std::size_t room,
                   Operation operation) {
  const int covered = std::clamp(count, 0, static_cast<int>(room));
  for (int i = 0; i < covered; ++i) {
    if (IsWithheld(table, i)) {
      if (log) log(WithheldSkipLine(table, i));
      continue;
    }
    operation(static_cast<std::size_t>(i), table.slots[static_cast<std::size_t>(i) + 1]);
  }
}

}  // namespace

std::string WithheldSkipLine(const DeviceTable& table, int position) {
  const std::string what =
      IsUnreadable(table, position)
          ? " is a line of the names file that could not be read"
          : " (" + UidText(ListedUid(table, position)) + ") is a broadcast address";
  return "Position " + std::to_string(position) + what + ": skipped";
}

void AddressBatch(ParameterPage& page, const DeviceTable& table, const PageValues& values,
                  const BatchFields& fields) {
  const std::string line = "Start ADDR:" + std::to_string(fields.address) +
                           " Inc Channel:" + std::to_string(fields.increment) +
                           " Start Fixture:" + std::to_string(fields.startFixture) +
                           " End Fixture:" + std::to_string(fields.endFixture);
  for (const StartAddressRequest& request :
       PlanBatchAddressing(table, fields.increment, fields.startFixture, fields.endFixture)) {
    if (request.withheld) {
      page.Log(WithheldSkipLine(table, request.fixture));
      continue;
    }
    page.SetStartAddress(request.uid, values, request.offset);
  }
  page.Log(line);
}

void ReadAddressMap(RdmController& controller, const LogSink& log, const DeviceTable& table,
                    int count, std::span<std::uint16_t> footprints,
                    std::span<std::uint16_t> starts) {
  const std::size_t room = std::min(footprints.size(), starts.size());
  ForEachListed(log, table, count, room, [&](std::size_t position, Uid uid) {
    const RdmReply reply = controller.Send(
        {.destination = uid, .commandClass = rdm::kGetCommand, .pid = rdm::kPidDeviceInfo});
    // An acknowledgement too short to carry the footprint and start address
    // would only fill the map with the buffer's filler bytes.
    if (!reply.IsAck() || reply.data.size() < kDeviceInfoThroughStartAddress) return;
    const DeviceInfoFields info = DecodeDeviceInfoFields(reply.data);
    footprints[position] = info.footprint;
    starts[position] = static_cast<std::uint16_t>(info.startAddress - 1);
  });
}

void WriteAddressMap(RdmController& controller, const LogSink& log, const DeviceTable& table,
                     int count, std::span<const std::uint16_t> starts) {
  ForEachListed(log, table, count, starts.size(), [&](std::size_t position, Uid uid) {
    const auto address = static_cast<std::uint16_t>(starts[position] + 1);
    const auto data = EncodeStartAddress(address);
    controller.Send({.destination = uid,
                     .commandClass = rdm::kSetCommand,
                     .pid = rdm::kPidDmxStartAddress,
                     .data = {data.begin(), data.end()}});
  });
}

}  // namespace korval::params
