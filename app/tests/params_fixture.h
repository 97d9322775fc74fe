// What the parameter-page tests share: devices put straight into the table and
// the list (as discovery would), box texts set without running change
// handlers, operations of the catalogue run on the page as the window shows it,
// and the requests the virtual line carried (or, for the dumps themselves, the
// requests read back out of the packet dumps in the log).
#pragma once

#include <QSignalBlocker>
#include <sstream>
#include <string>
#include <vector>

#include "app/params_room.h"
#include "app/tests/form_test.h"
#include "params/parameter_page.h"

namespace korval::testing {

using params::ParameterPage;

struct SentRequest {
  std::string destination;  // twelve hex digits
  std::uint8_t commandClass = 0;
  std::uint16_t pid = 0;
  std::vector<std::uint8_t> data;
};

// "Request__:" dumps: length, destination, source, transaction, port, message
// count, sub-device, command class, PID, PDL, data bytes, checksum.
inline std::vector<SentRequest> RequestsIn(const std::vector<std::string>& lines) {
  std::vector<SentRequest> requests;
  for (const std::string& line : lines) {
    if (line.rfind("Request__:", 0) != 0) continue;
    std::istringstream in(line.substr(10));
    std::vector<std::string> t;
    for (std::string token; in >> token;) t.push_back(token);
    if (t.size() < 10) continue;
    SentRequest r;
    r.destination = t[1];
    r.commandClass = static_cast<std::uint8_t>(std::stoul(t[7], nullptr, 16));
    r.pid = static_cast<std::uint16_t>(std::stoul(t[8], nullptr, 16));
    const std::size_t pdl = std::stoul(t[9], nullptr, 16);
    for (std::size_t i = 0; i < pdl && 10 + i < t.size() - 1; ++i) {
      r.data.push_back(static_cast<std::uint8_t>(std::stoul(t[10 + i], nullptr, 16)));
    }
    requests.push_back(std::move(r));
  }
  return requests;
}

// The log with packet dumps reduced to their kind, for comparing sequences.
inline std::vector<std::string> Outline(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    if (line.rfind("Request__:", 0) == 0) {
      out.push_back("Request");
    } else if (line.rfind("Response_:", 0) == 0) {
      out.push_back("Response");
    } else {
      out.push_back(line);
    }
  }
  return out;
}

class ParamsTest : public FormTest {
 protected:
  // The responders on the line, listed in this order, nothing selected.
  void StartListed(std::vector<sim::ResponderConfig> responders) {
    std::vector<Uid> uids;
    for (const auto& r : responders) uids.push_back(r.uid);
    Start(std::move(responders));
    List(uids);
  }

  void List(const std::vector<Uid>& uids) {
    form->SelectPosition(-1);
    form->ListBox1->clear();
    form->deviceTable.count = 0;
    for (Uid uid : uids) {
      const int p = form->deviceTable.count++;
      form->deviceTable.slots[static_cast<std::size_t>(p + 1)] = uid;
      form->ListBox1->addItem(QString::number(p) +
                              " - ID:" + QString::fromStdString(UidText12(uid)));
    }
  }

  // A box's text as if it had been there all along: no change handler runs.
  static void Put(QLineEdit* box, const QString& text) {
    const QSignalBlocker quiet(box);
    box->setText(text);
  }

  TForm1::ParamsRoom& Room() { return *form->paramsRoom; }
  ParameterPage& Page() { return Room().page; }

  // One operation of the catalogue on the page's values as the widgets hold
  // them now, as a handler runs it: what it changes reaches the widgets
  // through the room's Show.
  template <typename Values>
  void OnPage(void (ParameterPage::*operation)(Uid, Values&), Uid uid) {
    params::PageValues values = Room().ReadValues();
    (Page().*operation)(uid, values);
  }

  // Every request the line carried since its last ClearRequests, whole, each
  // a well-formed frame sent after a break.
  std::vector<SentRequest> LineRequests() const {
    std::vector<SentRequest> requests;
    for (const sim::VirtualLine::RecordedRequest& recorded : line.Requests()) {
      EXPECT_TRUE(recorded.checksumOk);
      EXPECT_TRUE(recorded.afterBreak);
      const sim::RdmRequest& r = recorded.request;
      const auto data = r.Data();
      requests.push_back(
          {UidText12(r.destination), r.commandClass, r.pid, {data.begin(), data.end()}});
    }
    return requests;
  }
  sim::Responder& Device(Uid uid) { return *line.FindResponder(uid); }
  Clock::Duration Now() { return line.GetClock().Now(); }
};

inline sim::ResponderConfig Supporting(Uid uid, std::vector<std::uint16_t> pids) {
  sim::ResponderConfig config = Fixture(uid);
  config.supported_parameters = std::move(pids);
  return config;
}

}  // namespace korval::testing
