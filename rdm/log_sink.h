// The message log as the core sees it: a function that takes one whole line.
// Core code never sees a widget; the window passes a sink that appends to its log.
#pragma once

#include <functional>
#include <string>

namespace korval {

using LogSink = std::function<void(const std::string& line)>;

}  // namespace korval
