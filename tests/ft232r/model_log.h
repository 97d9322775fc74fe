// The FT232R model's record of everything that reached the chip and everything
// that happened on the DMX wire behind it, one event a line:
//
//   <microseconds since the model started> <kind> key=value key=value ...
//
// Kinds (see ft232r_chip.h and usbfs_device.h for when each is written):
//   ctl      a control transfer: req=reset|purge|baud|data|flow|modem|latency|...
//            with its decoded values; req=stall for one the chip refuses
//   out      a bulk OUT transfer handed to the chip: bytes=N
//   in       a run of bulk IN transfers (reads) with no other request between
//            them: transfers= bytes= (received data) until= (when the run ended)
//   break    the wire held low: start= end= length= (microseconds)
//   frame    the bytes sent after one break, as the fixtures saw them: start=
//            end= bytes= break= mab= sc= readable=yes|no [why=] and, for RDM,
//            dst= cc= pid= tn=; hex= all its bytes
//   drop     bytes the chip had not sent yet, thrown away: by=purge|break|reset
//            bytes= of a frame with sc= (the fault a controller must avoid),
//            or by=unplug
//   reply    a responder's answer on the wire: from= start= end= bytes= break=
//   handed   a bulk IN packet that carried received bytes: bytes= status=
//   usb      the device's life: event=plug|unplug|deny|allow|claim|release|
//            detach|attach|discard
// The model writes each event once it is over, so a file is in time order
// only per kind: sort by time (model_client.h's Timeline) for one timeline.
// Tests and the figures report read it back with ReadEvents.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korval::ft232r {

using Micros = std::chrono::microseconds;

struct ModelEvent {
  Micros at{0};
  std::string kind;
  std::vector<std::pair<std::string, std::string>> fields;

  // "" and 0 when the event has no such field.
  std::string Field(std::string_view key) const;
  std::int64_t Number(std::string_view key) const;
  bool Is(std::string_view k, std::string_view key = {}, std::string_view value = {}) const;
};

std::string FormatEvent(const ModelEvent& event);
std::optional<ModelEvent> ParseEvent(std::string_view line);
// Every event of a log file, in order; lines that are no event are skipped.
std::vector<ModelEvent> ReadEvents(const std::string& path);

// Appends events to a file. Not thread-safe: the model calls it under its lock.
class ModelLog {
 public:
  explicit ModelLog(const std::string& path);
  ~ModelLog();
  ModelLog(const ModelLog&) = delete;
  ModelLog& operator=(const ModelLog&) = delete;

  void Add(Micros at, std::string kind, std::vector<std::pair<std::string, std::string>> fields);
  void Flush();
  const std::vector<ModelEvent>& Events() const { return events_; }

 private:
  std::FILE* file_ = nullptr;
  std::vector<ModelEvent> events_;
};

// Helpers for fields.
std::string Hex(std::uint64_t value, int digits);

}  // namespace korval::ft232r
