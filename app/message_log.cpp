#include "app/message_log.h"

namespace korval {

MessageLog::MessageLog(QPlainTextEdit* memo) : memo_(memo) {
  lines_.push_back(memo_->toPlainText().toStdString());
  sincePump_.start();
}

MessageLog::~MessageLog() {
  if (file_ != nullptr) std::fclose(file_);
}

bool MessageLog::MirrorToFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "a");
  if (f == nullptr) return false;
  if (file_ != nullptr) std::fclose(file_);
  file_ = f;
  for (const auto& line : lines_) std::fprintf(file_, "%s\n", line.c_str());
  std::fflush(file_);
  return true;
}

void MessageLog::Append(const std::string& line) {
  lines_.push_back(line);
  memo_->appendPlainText(QString::fromStdString(line));
  if (file_ != nullptr) {
    std::fprintf(file_, "%s\n", line.c_str());
    std::fflush(file_);
  }
  if (keepAlive_ && sincePump_.elapsed() >= pumpEveryMs_) {
    keepAlive_();
    sincePump_.restart();
  }
}

}  // namespace korval
