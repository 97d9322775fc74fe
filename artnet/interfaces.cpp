#include "artnet/interfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <map>

namespace korval::artnet {

std::vector<Ipv4Interface> ListIpv4Interfaces() {
  std::vector<Ipv4Interface> found;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return found;
  std::map<std::string, std::array<std::uint8_t, 6>> macs;
  for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
    if (it->ifa_addr == nullptr) continue;
    if (it->ifa_addr->sa_family == AF_PACKET) {
      const auto* link = reinterpret_cast<const sockaddr_ll*>(it->ifa_addr);
      std::array<std::uint8_t, 6> mac{};
      if (link->sll_halen == mac.size()) std::copy_n(link->sll_addr, mac.size(), mac.begin());
      macs[it->ifa_name] = mac;
    } else if (it->ifa_addr->sa_family == AF_INET) {
      Ipv4Interface entry;
      entry.name = it->ifa_name;
      entry.address = ntohl(reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr);
      if (it->ifa_netmask != nullptr) {
        entry.netmask =
            ntohl(reinterpret_cast<const sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr);
      }
      found.push_back(entry);
    }
  }
  ::freeifaddrs(list);
  for (auto& entry : found) {
    if (auto m = macs.find(entry.name); m != macs.end()) entry.mac = m->second;
  }
  return found;
}

std::optional<Ipv4Interface> FindInterface(std::uint32_t address) {
  for (const auto& entry : ListIpv4Interfaces()) {
    if (entry.address == address) return entry;
  }
  return std::nullopt;
}

std::string Ipv4Text(std::uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::optional<std::uint32_t> ParseIpv4(const std::string& text) {
  in_addr parsed{};
  if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1) return std::nullopt;
  return ntohl(parsed.s_addr);
}

std::optional<std::uint32_t> LocalAddressToward(std::uint32_t to) {
  const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return std::nullopt;
  const sockaddr_in target = SocketAddress(to, 9);
  std::optional<std::uint32_t> local;
  // Connecting a datagram socket only looks up the route; nothing goes out.
  if (::connect(probe, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
    sockaddr_in self{};
    socklen_t size = sizeof self;
    if (::getsockname(probe, reinterpret_cast<sockaddr*>(&self), &size) == 0) {
      local = ntohl(self.sin_addr.s_addr);
    }
  }
  ::close(probe);
  return local;
}

sockaddr_in SocketAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(address);
  return a;
}

}  // namespace korval::artnet
