#include "app/tests/form_test.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace korval::testing {

QApplication& EnsureApplication() {
  static int argc = 1;
  static char name[] = "korval-tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

FormTest::FormTest() {
  EnsureApplication();
  char cwd[4096];
  previousDirectory_ = ::getcwd(cwd, sizeof cwd) ? cwd : ".";
  char pattern[] = "/tmp/korval-form-XXXXXX";
  directory = ::mkdtemp(pattern);
  [[maybe_unused]] int rc = ::chdir(directory.c_str());
}

FormTest::~FormTest() {
  form.reset();
  transport.reset();
  [[maybe_unused]] int rc = ::chdir(previousDirectory_.c_str());
  rc = std::system(("rm -rf '" + directory + "'").c_str());
}

void FormTest::Start(std::vector<sim::ResponderConfig> responders, bool openLine) {
  for (auto& r : responders) line.AddResponder(std::move(r));
  transport = std::make_unique<RdmTransport>(windowLine != nullptr ? *windowLine : line, LogSink{});
  transport->SetTiming(timing);
  form = std::make_unique<TForm1>(*transport, artNetOptions);
  if (!keepRealErrorBox) {
    form->showErrorBox = [this](const QString& text) { errorBoxes.push_back(text); };
  }
  form->openWebAddress = [this](const QString& address) { openedAddresses.push_back(address); };
  form->RunHandler([this] { form->FormCreate(); });
  if (openLine) form->RunHandler([this] { form->StartUpTimerTimer(); });
}

void FormTest::Click(QAbstractButton* button) {
  button->click();
}

void FormTest::SelectListItem(int row) {
  form->SelectPosition(row);
  form->RunHandler([this] { form->ListBox1Click(); });
}

void FormTest::Type(QLineEdit* box, const QString& text) {
  box->setText(text);
}

void FormTest::ShowPage(QWidget* page) {
  form->PageControl1->setCurrentWidget(page);
}

std::vector<std::string> FormTest::LogSince(std::size_t mark) const {
  const auto& all = Log();
  return {all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())), all.end()};
}

void PrintTo(const WireRequest& request, std::ostream* out) {
  char head[64];
  std::snprintf(head, sizeof head, " cc=%02X pid=%04X data=", request.commandClass, request.pid);
  *out << UidText12(request.destination) << head;
  for (std::uint8_t b : request.data) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", b);
    *out << hex;
  }
}

std::vector<WireRequest> FormTest::RequestsSince(std::size_t mark) const {
  const auto recorded = line.Requests();
  std::vector<WireRequest> requests;
  for (std::size_t i = mark; i < recorded.size(); ++i) {
    const auto& [r, checksumOk, afterBreak] = recorded[i];
    EXPECT_TRUE(checksumOk) << "request " << i;
    EXPECT_TRUE(afterBreak) << "request " << i;
    const auto data = r.Data();
    requests.push_back({r.destination, r.commandClass, r.pid, {data.begin(), data.end()}});
  }
  return requests;
}

std::vector<WireRequest> FormTest::RequestsSince(std::size_t mark, std::uint8_t commandClass,
                                                 std::uint16_t pid) const {
  std::vector<WireRequest> requests;
  for (WireRequest& r : RequestsSince(mark)) {
    if (r.commandClass == commandClass && r.pid == pid) requests.push_back(std::move(r));
  }
  return requests;
}

void FormTest::WriteFile(const std::string& name, const std::string& bytes) const {
  std::ofstream(name, std::ios::binary) << bytes;
}

std::string FormTest::ReadFile(const std::string& name) const {
  std::ifstream in(name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FormTest::Exists(const std::string& name) const {
  return ::access(name.c_str(), F_OK) == 0;
}

sim::ResponderConfig Fixture(Uid uid) {
  sim::ResponderConfig config;
  config.uid = uid;
  return config;
}

}  // namespace korval::testing
