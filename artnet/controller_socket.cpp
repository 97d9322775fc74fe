#include "artnet/controller_socket.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "artnet/interfaces.h"

namespace korval::artnet {

namespace {

constexpr std::size_t kLargestDatagram = 65535;
constexpr std::uint32_t kLoopbackNet = 0x7F000000;  // 127.0.0.0/8

std::uint32_t DirectedBroadcast(const Ipv4Interface& nic) {
  return nic.address | ~nic.netmask;
}

}  // namespace

ControllerSocket::~ControllerSocket() {
  Close();
}

void ControllerSocket::SetReceiver(Receiver receiver) {
  std::lock_guard lock(receiverMutex_);
  receiver_ = std::move(receiver);
}

bool ControllerSocket::Open(std::uint32_t interfaceAddress, std::uint16_t port) {
  Close();
  error_.clear();
  const auto fail = [this, port](const std::string& why) {
    error_ = "Art-Net: cannot listen on UDP " + Ipv4Text(kAnyAddress) + ":" + std::to_string(port) +
             ": " + why;
    return false;
  };
  interfaceAddress_ = interfaceAddress;
  interfaceIndex_ = 0;
  if (interfaceAddress != kAnyAddress) {
    const auto nic = FindInterface(interfaceAddress);
    if (!nic) {
      error_ = "Art-Net: no network interface has the address " + Ipv4Text(interfaceAddress);
      return false;
    }
    interfaceIndex_ = static_cast<int>(::if_nametoindex(nic->name.c_str()));
  }
  const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) return fail(std::strerror(errno));
  const int on = 1;
  ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  // Tells each datagram's interface, and lets a send name its source address.
  ::setsockopt(s, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  const sockaddr_in address = SocketAddress(kAnyAddress, port);
  if (::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(s);
    return fail(std::strerror(error));
  }
  sockaddr_in bound{};
  socklen_t size = sizeof bound;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&bound), &size);
  wake_ = ::eventfd(0, EFD_CLOEXEC);
  if (wake_ < 0) {
    const int error = errno;
    ::close(s);
    return fail(std::strerror(error));
  }
  boundPort_ = ntohs(bound.sin_port);
  socket_ = s;
  thread_ = std::thread([this] { ReceiveLoop(); });
  return true;
}

void ControllerSocket::Close() {
  if (!IsOpen()) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
  thread_.join();
  ::close(socket_);
  ::close(wake_);
  socket_ = -1;
  wake_ = -1;
}

void ControllerSocket::ReceiveLoop() {
  std::vector<std::uint8_t> buffer(kLargestDatagram);
  pollfd watched[2] = {{socket_, POLLIN, 0}, {wake_, POLLIN, 0}};
  for (;;) {
    if (::poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (watched[1].revents != 0) return;
    if ((watched[0].revents & POLLIN) == 0) continue;
    sockaddr_in from{};
    iovec data{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(socket_, &message, MSG_DONTWAIT);
    if (n < 0) continue;
    if (interfaceIndex_ != 0) {
      int arrivedOn = 0;
      for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
          in_pktinfo info{};
          std::memcpy(&info, CMSG_DATA(c), sizeof info);
          arrivedOn = info.ipi_ifindex;
        }
      }
      if (arrivedOn != interfaceIndex_) continue;
    }
    std::lock_guard lock(receiverMutex_);
    if (receiver_) {
      receiver_(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)),
                ntohl(from.sin_addr.s_addr));
    }
  }
}

bool ControllerSocket::Send(std::uint32_t address, std::uint16_t port,
                            std::span<const std::uint8_t> datagram) {
  const int s = socket_;
  if (s < 0) return false;
  sockaddr_in to = SocketAddress(address, port);
  iovec data{const_cast<std::uint8_t*>(datagram.data()), datagram.size()};
  msghdr message{};
  message.msg_name = &to;
  message.msg_namelen = sizeof to;
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))]{};
  if (interfaceAddress_ != kAnyAddress) {
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&message);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(interfaceAddress_);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
  }
  return ::sendmsg(s, &message, 0) == static_cast<ssize_t>(datagram.size());
}

std::vector<std::uint32_t> ControllerSocket::PollAddresses() const {
  std::vector<std::uint32_t> addresses;
  for (const Ipv4Interface& nic : ListIpv4Interfaces()) {
    const bool chosen = interfaceAddress_ == kAnyAddress
                            ? (nic.address & 0xFF000000) != kLoopbackNet
                            : nic.address == interfaceAddress_;
    const std::uint32_t broadcast = DirectedBroadcast(nic);
    if (chosen && std::find(addresses.begin(), addresses.end(), broadcast) == addresses.end()) {
      addresses.push_back(broadcast);
    }
  }
  return addresses;
}

}  // namespace korval::artnet
