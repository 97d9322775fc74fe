// A loopback UDP socket playing the controller in the node tests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace korval::artnet::testing {

class LoopbackSocket {
 public:
  LoopbackSocket() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<const sockaddr*>(&self), sizeof self);
    socklen_t size = sizeof self;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&self), &size);
    port_ = ntohs(self.sin_port);
  }
  ~LoopbackSocket() { ::close(fd_); }
  LoopbackSocket(const LoopbackSocket&) = delete;
  LoopbackSocket& operator=(const LoopbackSocket&) = delete;

  std::uint16_t Port() const { return port_; }

  void SendTo(std::uint16_t port, std::span<const std::uint8_t> bytes) const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }

  // The next datagram, waiting at most timeoutMs for it.
  std::optional<std::vector<std::uint8_t>> Receive(int timeoutMs = 5000) const {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1) return std::nullopt;
    std::vector<std::uint8_t> bytes(65536);
    const ssize_t n = ::recv(fd_, bytes.data(), bytes.size(), 0);
    if (n < 0) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(n));
    return bytes;
  }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace korval::artnet::testing
