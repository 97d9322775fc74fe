// The scripted operator session of the golden files in app/tests/golden/:
// discovery, page read and write, batch, map, patch files, identify and
// reordering on a fixed rig of three fixtures, and what it leaves (the log,
// every file, the boxes, the map) as lines to compare with those files. The
// window runs on whichever line the fixture puts it: the virtual line
// (app_session_test) or an FTDI line through libftdi1 and libusb to the FT232R
// model (tests/ft232r, whose rigs/session.json holds the same rig).
//
// When a change is meant, rewrite the golden files and review their diff:
//     KORVAL_UPDATE_GOLDEN=1 build/dev/app/tests/app_session_test
#pragma once

#include <string>
#include <vector>

#include "app/tests/form_test.h"
#include "sim/rdm_request.h"

namespace korval::testing {

// One request frame as the golden file lists it: every field, its checksum and
// whether a break came before it.
std::string FormatRequest(const sim::RdmRequest& request, bool checksumOk, bool afterBreak);

std::vector<std::string> ReadGolden(const std::string& name);
bool UpdatingGolden();
// Fails with the first line that differs, and the lines around it; with
// KORVAL_UPDATE_GOLDEN=1 it rewrites the file instead.
void ExpectGolden(const std::string& name, const std::vector<std::string>& actual);

class SessionScript : public FormTest {
 protected:
  // The rig: a spot with every parameter and an error status, a bar with a few
  // parameters and no label of its own, a wash of another maker.
  static std::vector<sim::ResponderConfig> Rig();

  void RunSession();
  // The log, with the test's directory written as <dir>: the one thing in it
  // that may depend on where the test runs.
  std::vector<std::string> NormalisedLog() const;
  std::vector<std::string> Files() const;
  std::vector<std::string> Widgets() const;
  // The address map as drawn: one letter per channel, 32 to a row (w white,
  // g green, p purple, r red, ? anything else).
  std::vector<std::string> Map() const;

 private:
  void Drag(int x, int y);
  void Release();
};

}  // namespace korval::testing
