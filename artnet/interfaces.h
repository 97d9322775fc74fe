// The machine's IPv4 interfaces, for choosing where the node listens.
#pragma once

#include <netinet/in.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korval::artnet {

inline constexpr std::uint32_t kAnyAddress = 0;  // all interfaces

struct Ipv4Interface {
  std::string name;
  std::uint32_t address = 0;  // host order
  std::uint32_t netmask = 0;
  std::array<std::uint8_t, 6> mac{};
};

std::vector<Ipv4Interface> ListIpv4Interfaces();
std::optional<Ipv4Interface> FindInterface(std::uint32_t address);

// "192.168.1.20"; and back, nothing when the text is not a dotted quad.
std::string Ipv4Text(std::uint32_t address);
std::optional<std::uint32_t> ParseIpv4(const std::string& text);

// The local address the kernel would send from to reach `to` (no packet is sent).
std::optional<std::uint32_t> LocalAddressToward(std::uint32_t to);

// An IPv4 socket address of an address and a port in host order.
sockaddr_in SocketAddress(std::uint32_t address, std::uint16_t port);

}  // namespace korval::artnet
