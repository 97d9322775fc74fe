// The product's name and version, as both front ends show them (the window's
// caption, --version).
#pragma once

namespace korval {

inline constexpr const char* kProductName = "KORVAL RDM Setup";
inline constexpr const char* kVersion = "V1.0.2";

}  // namespace korval
