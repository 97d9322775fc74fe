// The fields of one JSON object of a rig file, read with range checks: what
// every part of the rig parser reads its objects through.
#pragma once

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/win1252.h"
#include "rdm/rdm_constants.h"

namespace korval::sim {

using Json = nlohmann::json;

// The text as JSON writes it, quotes and escapes included.
inline std::string Quoted(std::string_view text) {
  return Json(std::string(text)).dump();
}

// One JSON object's fields, read with range checks. The first failure is kept
// in `error`; later reads still run but change nothing that is returned.
class ObjectReader {
 public:
  ObjectReader(const Json& object, std::string where, std::string& error)
      : object_(object), where_(std::move(where)), error_(error) {}

  bool Ok() const { return error_.empty(); }
  bool Has(const char* key) const { return object_.contains(key); }

  void Fail(const std::string& what) {
    if (error_.empty()) error_ = where_ + what;
  }

  void OnlyKnown(std::initializer_list<std::string_view> known) {
    for (const auto& [key, value] : object_.items()) {
      if (std::find(known.begin(), known.end(), key) == known.end()) {
        Fail("unknown field " + Quoted(key));
      }
    }
  }

  // min..max, or the one value `also` outside that range.
  template <typename T>
  void Number(const char* key, std::uint64_t min, std::uint64_t max, T& into,
              std::optional<std::uint64_t> also = std::nullopt) {
    if (!Has(key)) return;
    if (auto v = ValueOf(object_.at(key), key, min, max, also)) into = static_cast<T>(*v);
  }

  // A one-byte setting that E1.20 keeps to 0 and 1, written as a number or as
  // false/true. Any byte is taken: a rig may model a fixture that sends 2 or 255.
  void Flag(const char* key, std::uint8_t& into) {
    if (Has(key) && object_.at(key).is_boolean()) {
      into = object_.at(key).get<bool>() ? 1 : 0;
      return;
    }
    Number(key, 0, 255, into);
  }

  void Bool(const char* key, bool& into) {
    if (!Has(key)) return;
    if (!object_.at(key).is_boolean()) return Fail(Quoted(key) + " must be true or false");
    into = object_.at(key).get<bool>();
  }

  // UTF-8 text in the file, Windows-1252 bytes on the wire.
  void Label(const char* key, std::string& into) {
    if (!Has(key)) return;
    const Json& v = object_.at(key);
    if (!v.is_string()) return Fail(Quoted(key) + " must be a string");
    const std::string text = v.get<std::string>();
    const std::vector<std::uint8_t> bytes = Utf8ToWin1252(text);
    if (Win1252ToUtf8(bytes) != text) {
      return Fail(Quoted(key) + " " + Quoted(text) + " has characters outside Windows-1252");
    }
    if (bytes.size() > rdm::kMaxLabelBytes) {
      return Fail(Quoted(key) + " " + Quoted(text) + " is longer than 32 bytes");
    }
    into.assign(bytes.begin(), bytes.end());
  }

  void Row(const char* key, std::array<std::uint8_t, 8>& into) {
    if (!Has(key)) return;
    const Json& v = object_.at(key);
    if (!v.is_array() || v.size() != into.size()) {
      return Fail(Quoted(key) + " must be an array of 8 numbers");
    }
    for (std::size_t i = 0; i < into.size(); ++i) {
      if (auto n = ValueOf(v[i], key, 0, 255)) into[i] = static_cast<std::uint8_t>(*n);
    }
  }

  template <typename T>
  void Numbers(const char* key, std::size_t maxCount, std::uint64_t min, std::uint64_t max,
               std::vector<T>& into) {
    if (!Has(key)) return;
    const Json& v = object_.at(key);
    if (!v.is_array()) return Fail(Quoted(key) + " must be an array");
    if (v.size() > maxCount) {
      return Fail(Quoted(key) + " has " + std::to_string(v.size()) + " entries, at most " +
                  std::to_string(maxCount) + " fit");
    }
    std::vector<T> values;
    for (const Json& item : v) {
      if (auto n = ValueOf(item, key, min, max)) values.push_back(static_cast<T>(*n));
    }
    if (Ok()) into = std::move(values);
  }

  const Json& At(const char* key) const { return object_.at(key); }
  const std::string& Where() const { return where_; }

 private:
  // A JSON number or a "0x..." string within min..max.
  std::optional<std::uint64_t> ValueOf(const Json& v, const char* key, std::uint64_t min,
                                       std::uint64_t max,
                                       std::optional<std::uint64_t> also = std::nullopt) {
    const std::string range = std::to_string(min) + " to " + std::to_string(max);
    std::optional<std::uint64_t> n;
    if (v.is_number_unsigned()) {
      n = v.get<std::uint64_t>();
    } else if (v.is_number_integer() || v.is_number_float()) {
      // Negative or fractional: never a value here.
    } else if (v.is_string()) {
      const std::string s = v.get<std::string>();
      const bool hex =
          s.size() > 2 && s.size() <= 18 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') &&
          std::all_of(s.begin() + 2, s.end(),
                      [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
      if (!hex) {
        Fail(Quoted(key) + " " + v.dump() + " is not a number (write 12 or \"0x0C\")");
        return std::nullopt;
      }
      n = std::stoull(s.substr(2), nullptr, 16);
    } else {
      Fail(Quoted(key) + " must be a number or a \"0x...\" string, not " + v.dump());
      return std::nullopt;
    }
    if (n && n == also) return n;
    if (!n || *n < min || *n > max) {
      Fail(Quoted(key) + " must be " + range + ", not " + v.dump());
      return std::nullopt;
    }
    return n;
  }

  const Json& object_;
  std::string where_;
  std::string& error_;
};

}  // namespace korval::sim
