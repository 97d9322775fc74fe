// The message log: whole lines appended to LogMemo and, with --log-file, to a
// file, flushed as they come. While a long operation runs it also lets the
// window repaint now and then, so the operator sees each line as it is written.
#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace korval {

class MessageLog {
 public:
  explicit MessageLog(QPlainTextEdit* memo);
  ~MessageLog();

  void Append(const std::string& line);
  const std::vector<std::string>& Lines() const { return lines_; }

  // Appends every line, from the first one on, to this file too. False when the
  // file cannot be opened.
  bool MirrorToFile(const std::string& path);
  // Called at most every ~40 ms of real time while a line is appended during
  // long work; the window passes its repaint pump here.
  void SetKeepAlive(std::function<void()> pump) { keepAlive_ = std::move(pump); }
  // Tests set 0 so that the pump runs on every line, whatever the machine's speed.
  void SetPumpInterval(qint64 milliseconds) { pumpEveryMs_ = milliseconds; }

 private:
  QPlainTextEdit* memo_;
  std::vector<std::string> lines_;
  std::FILE* file_ = nullptr;
  std::function<void()> keepAlive_;
  QElapsedTimer sincePump_;
  qint64 pumpEveryMs_ = 40;
};

}  // namespace korval
