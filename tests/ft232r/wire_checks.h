// What every run of the product must show at the chip, as assertions over the
// model's timeline (model_client.h's Timeline of its events).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/rdm_request.h"
#include "tests/ft232r/model_log.h"

namespace korval::ft232r {

// The host's requests to the chip, one letter each: Z reset, U baud rate,
// L latency timer, D data characteristics, F flow control, P purge RX,
// T purge TX, B break on, b break off, O bulk OUT, I bulk IN (a run of them).
std::string HostSteps(const std::vector<ModelEvent>& timeline);

// libftdi's open (reset, 9600 baud, the line's latency timer), then the
// tool's configuration: reset, latency timer 1 ms, 250000 baud, 8N2, no flow
// control, both purges. A reset is always followed by latency 1 ms before
// anything is sent, and the first byte goes out at 250000 baud (within the
// divisor's resolution) 8N2 without flow control.
::testing::AssertionResult OpensAsAnRdmLine(const std::vector<ModelEvent>& timeline);
// After the open, every RDM exchange is purge RX, purge TX, break on, break
// off, the write and then the reads (none for a request nobody answers), and
// every DMX512 frame break on, break off, the start code and the slots.
::testing::AssertionResult ExchangesInOrder(const std::vector<ModelEvent>& timeline);
// No byte the host wrote was thrown away unsent, and the fixtures could read
// every frame.
::testing::AssertionResult NothingCutOff(const std::vector<ModelEvent>& timeline);
// Every break and mark after break at least as long as E1.20 asks of a
// controller (176 us and 12 us); the model cannot show the upper limits kept,
// see the README.
::testing::AssertionResult BreaksLongEnough(const std::vector<ModelEvent>& timeline);

// The RDM request frames the fixtures could read, in order.
std::vector<sim::RdmFrame> RequestFrames(const std::vector<ModelEvent>& timeline);
// The frames a log holds that are not readable ones: their events as text.
std::vector<std::string> UnreadableFrames(const std::vector<ModelEvent>& timeline);
// The "usb" events' event= values, in order.
std::vector<std::string> UsbEvents(const std::vector<ModelEvent>& timeline);

}  // namespace korval::ft232r
