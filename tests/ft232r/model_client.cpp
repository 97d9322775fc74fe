#include "tests/ft232r/model_client.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace korval::ft232r {

namespace {

int ControlFd() {
  const char* fd = std::getenv("KORVAL_FT232R_CONTROL_FD");
  return fd != nullptr ? std::atoi(fd) : -1;
}

}  // namespace

bool ModelControl::Available() {
  return ControlFd() >= 0 && std::getenv("KORVAL_FT232R_LOG") != nullptr;
}

bool ModelControl::Send(const std::string& command) {
  const int fd = ControlFd();
  const std::string line = command + "\n";
  if (fd < 0 || ::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
    return false;
  }
  std::string answer;
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n') answer += c;
  return answer == "ok";
}

std::vector<ModelEvent> ModelControl::Events() {
  if (!Send("sync")) return {};
  return Timeline(ReadEvents(std::getenv("KORVAL_FT232R_LOG")));
}

std::vector<ModelEvent> Timeline(std::vector<ModelEvent> events) {
  std::stable_sort(events.begin(), events.end(),
                   [](const ModelEvent& a, const ModelEvent& b) { return a.at < b.at; });
  return events;
}

}  // namespace korval::ft232r
