// The window on an instant virtual line: what every window test starts from.
// Each test runs in a fresh temporary working directory, so "devnames.lst" and
// patch files never touch the source tree, and error boxes are collected
// instead of shown (unless a test keeps the real one).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/message_log.h"
#include "app/tform1.h"
#include "sim/virtual_line.h"

namespace korval::testing {

// A request frame as the line carried it, in the fields the window decides:
// where it went, what it asked and its parameter data in full.
struct WireRequest {
  Uid destination = 0;
  std::uint8_t commandClass = 0;
  std::uint16_t pid = 0;
  std::vector<std::uint8_t> data;
  friend bool operator==(const WireRequest&, const WireRequest&) = default;
};
void PrintTo(const WireRequest& request, std::ostream* out);

class FormTest : public ::testing::Test {
 protected:
  FormTest();
  ~FormTest() override;

  // Puts responders on the line, builds the window and runs FormCreate; with
  // openLine the first start-up tick opens and configures the virtual line.
  void Start(std::vector<sim::ResponderConfig> responders = {}, bool openLine = true);

  // Operator actions, run through the same guard as real events.
  void Click(QAbstractButton* button);
  void SelectListItem(int row);  // a click on the list item: ListBox1Click runs
  void Type(QLineEdit* box, const QString& text);
  void ShowPage(QWidget* page);  // the operator picks a page tab

  const std::vector<std::string>& Log() const { return form->Messages().Lines(); }
  std::size_t LogMark() const { return Log().size(); }
  std::vector<std::string> LogSince(std::size_t mark) const;

  // The line's own record of the request frames it parsed (not the log's dump
  // lines, which stop after 29 data bytes). Each frame since the mark is
  // checked to have come after a break with a correct checksum.
  std::size_t RequestMark() const { return line.Requests().size(); }
  std::vector<WireRequest> RequestsSince(std::size_t mark) const;
  // Only those of one command class and PID.
  std::vector<WireRequest> RequestsSince(std::size_t mark, std::uint8_t commandClass,
                                         std::uint16_t pid) const;

  void WriteFile(const std::string& name, const std::string& bytes) const;
  std::string ReadFile(const std::string& name) const;
  bool Exists(const std::string& name) const;

  sim::VirtualLine line{sim::Timing::kInstant};
  // Set before Start to put the window on another line than `line` (the
  // responders given to Start still go to `line`).
  DmxLine* windowLine = nullptr;
  std::unique_ptr<RdmTransport> transport;
  // Set before Start: how the transport waits for replies.
  RdmTiming timing = RdmTiming::kClassic;
  std::unique_ptr<TForm1> form;
  // Given to the window by Start: every window of the tests listens on loopback,
  // on a port of its own.
  ArtNetOptions artNetOptions{
      .nodeSettings = {0x7F000001, 0}, .makeTickClock = {}, .controllerReceive = {}};
  std::vector<QString> errorBoxes;
  // Set before Start to keep the window's real error box instead of collecting.
  bool keepRealErrorBox = false;
  std::vector<QString> openedAddresses;
  std::string directory;

 private:
  std::string previousDirectory_;
};

// The one QApplication of a test program, on the offscreen platform.
QApplication& EnsureApplication();

// A responder with every optional parameter, at a UID of your choice.
sim::ResponderConfig Fixture(Uid uid);

}  // namespace korval::testing
