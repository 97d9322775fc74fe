// The only two errors that end an operator's action: a text that is not an
// integer, and a file that cannot be read or written. They are thrown by the
// conversion and file helpers and caught in one place, around every event
// handler of the window, which shows the error box. Nothing else throws.
#pragma once

#include <stdexcept>
#include <string>

namespace korval {

class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace korval
