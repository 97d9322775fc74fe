#include "tests/ft232r/model_log.h"

#include <charconv>
#include <fstream>

namespace korval::ft232r {

std::string ModelEvent::Field(std::string_view key) const {
  for (const auto& [k, v] : fields) {
    if (k == key) return v;
  }
  return {};
}

std::int64_t ModelEvent::Number(std::string_view key) const {
  const std::string text = Field(key);
  std::int64_t value = 0;
  const int base = text.starts_with("0x") ? 16 : 10;
  const char* begin = text.data() + (base == 16 ? 2 : 0);
  std::from_chars(begin, text.data() + text.size(), value, base);
  return value;
}

bool ModelEvent::Is(std::string_view k, std::string_view key, std::string_view value) const {
  return kind == k && (key.empty() || Field(key) == value);
}

std::string FormatEvent(const ModelEvent& event) {
  std::string line = std::to_string(event.at.count()) + ' ' + event.kind;
  for (const auto& [k, v] : event.fields) {
    line += ' ';
    line += k;
    line += '=';
    line += v;
  }
  return line;
}

std::optional<ModelEvent> ParseEvent(std::string_view line) {
  ModelEvent event;
  std::size_t at = line.find(' ');
  if (at == std::string_view::npos) return std::nullopt;
  std::int64_t micros = 0;
  const auto [end, error] = std::from_chars(line.data(), line.data() + at, micros);
  if (error != std::errc{} || end != line.data() + at) return std::nullopt;
  event.at = Micros(micros);
  line.remove_prefix(at + 1);
  at = line.find(' ');
  event.kind = std::string(line.substr(0, at));
  while (at != std::string_view::npos) {
    line.remove_prefix(at + 1);
    at = line.find(' ');
    const std::string_view field = line.substr(0, at);
    const std::size_t equals = field.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    event.fields.emplace_back(field.substr(0, equals), field.substr(equals + 1));
  }
  return event.kind.empty() ? std::nullopt : std::optional(event);
}

std::vector<ModelEvent> ReadEvents(const std::string& path) {
  std::ifstream in(path);
  std::vector<ModelEvent> events;
  for (std::string line; std::getline(in, line);) {
    if (auto event = ParseEvent(line)) events.push_back(std::move(*event));
  }
  return events;
}

ModelLog::ModelLog(const std::string& path) {
  if (!path.empty()) file_ = std::fopen(path.c_str(), "w");
}

ModelLog::~ModelLog() {
  if (file_ != nullptr) std::fclose(file_);
}

void ModelLog::Add(Micros at, std::string kind,
                   std::vector<std::pair<std::string, std::string>> fields) {
  events_.push_back({at, std::move(kind), std::move(fields)});
  if (file_ != nullptr) std::fprintf(file_, "%s\n", FormatEvent(events_.back()).c_str());
}

void ModelLog::Flush() {
  if (file_ != nullptr) std::fflush(file_);
}

std::string Hex(std::uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) {
    text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
  }
  return text;
}

}  // namespace korval::ft232r
