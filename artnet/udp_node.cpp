#include "artnet/udp_node.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "artnet/art_poll.h"
#include "artnet/interfaces.h"

namespace korval::artnet {

namespace {

constexpr std::size_t kLargestDatagram = 65535;
// What the wake pipe carries to the receive thread.
constexpr char kWakeStop = 1;
constexpr char kWakeOutputChanged = 2;

}  // namespace

ArtNetNode::ArtNetNode() : buffer_(kRecordHeaderBytes + kLargestDatagram) {
  pollers_.reserve(kMaxPollers);
}

ArtNetNode::~ArtNetNode() {
  Stop();
}

void ArtNetNode::SetReceiver(Receiver receiver) {
  std::lock_guard lock(receiverMutex_);
  receiver_ = std::move(receiver);
}

void ArtNetNode::ClearUniverse0() {
  for (auto& slot : universe0_) slot.store(0, std::memory_order_relaxed);
}

bool ArtNetNode::Start(std::uint32_t bindAddress, std::uint16_t port) {
  Stop();
  error_.clear();
  const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) {
    error_ = std::strerror(errno);
    return false;
  }
  // Controllers poll by broadcast; the replies go back by unicast.
  const int on = 1;
  ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  const sockaddr_in address = SocketAddress(bindAddress, port);
  if (::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error_ = std::strerror(errno);
    ::close(s);
    return false;
  }
  sockaddr_in bound{};
  socklen_t size = sizeof bound;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&bound), &size);
  int wake[2];
  // Non-blocking, so that the ticker thread never waits on a full pipe.
  if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    error_ = std::strerror(errno);
    ::close(s);
    return false;
  }
  socket_ = s;
  wakeRead_ = wake[0];
  {
    std::lock_guard lock(wakeMutex_);
    wakeWrite_ = wake[1];
  }
  boundAddress_ = ntohl(bound.sin_addr.s_addr);
  boundPort_ = ntohs(bound.sin_port);
  thread_ = std::thread([this] { ReceiveLoop(); });
  return true;
}

void ArtNetNode::Stop() {
  if (!Running()) return;
  {
    std::lock_guard lock(wakeMutex_);
    [[maybe_unused]] ssize_t written = ::write(wakeWrite_, &kWakeStop, 1);
  }
  thread_.join();
  ::close(socket_);
  ::close(wakeRead_);
  {
    std::lock_guard lock(wakeMutex_);
    ::close(wakeWrite_);
    wakeWrite_ = -1;
  }
  socket_ = wakeRead_ = -1;
}

void ArtNetNode::ReportOutput(bool frameSent) {
  const bool now = frameSent && statistics_.accepted.load(std::memory_order_relaxed) > 0;
  if (outputting_.exchange(now, std::memory_order_relaxed) == now) return;
  std::lock_guard lock(wakeMutex_);
  if (wakeWrite_ >= 0) {
    // A full pipe already holds a wake: the receive thread reads the state anew.
    [[maybe_unused]] ssize_t written = ::write(wakeWrite_, &kWakeOutputChanged, 1);
  }
}

void ArtNetNode::ReceiveLoop() {
  pollfd watched[2] = {{socket_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
  for (;;) {
    if (::poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (watched[1].revents != 0) {
      char wakes[64];
      const ssize_t n = ::read(wakeRead_, wakes, sizeof wakes);
      if (n <= 0 || std::memchr(wakes, kWakeStop, static_cast<std::size_t>(n)) != nullptr) return;
      AnswerOnChange();
      continue;
    }
    if ((watched[0].revents & POLLIN) == 0) continue;
    sockaddr_in from{};
    socklen_t fromSize = sizeof from;
    const ssize_t n = ::recvfrom(socket_, buffer_.data() + kRecordHeaderBytes, kLargestDatagram,
                                 MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (n < 0) continue;
    const RecordHeader header{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port),
                              static_cast<std::uint16_t>(n)};
    const auto head = EncodeRecordHeader(header);
    std::memcpy(buffer_.data(), head.data(), head.size());
    Handle(std::span<const std::uint8_t>(buffer_.data(), kRecordHeaderBytes + std::size_t(n)),
           header.senderAddress, header.senderPort);
  }
}

void ArtNetNode::Handle(std::span<const std::uint8_t> record, std::uint32_t from,
                        std::uint16_t fromPort) {
  statistics_.datagrams.fetch_add(1, std::memory_order_relaxed);
  statistics_.lastSenderAddress.store(from, std::memory_order_relaxed);
  statistics_.lastSenderPort.store(fromPort, std::memory_order_relaxed);
  const auto packet = record.subspan(kRecordHeaderBytes);
  if (const auto slots = Universe0Slots(packet)) {
    StoreSlots(universe0_, *slots);
    statistics_.accepted.fetch_add(1, std::memory_order_relaxed);
  } else if (IsArtPoll(packet)) {
    RememberPoller(from, fromPort, ArtPollFlags(packet));
    AnswerPoll(from, fromPort);
  } else {
    statistics_.ignored.fetch_add(1, std::memory_order_relaxed);
  }
  std::lock_guard lock(receiverMutex_);
  if (receiver_) receiver_(record);
}

void ArtNetNode::AnswerPoll(std::uint32_t to, std::uint16_t toPort) {
  NodeDescription node;
  node.ipAddress = boundAddress_;
  if (node.ipAddress == kAnyAddress) node.ipAddress = LocalAddressToward(to).value_or(0);
  node.port = kArtNetPort;
  node.portAddress = portAddress_.load();
  node.shortName = shortName_;
  node.longName = longName_;
  node.replyCount = ++repliesSent_;
  node.transmitting = outputting_.load(std::memory_order_relaxed);
  if (const auto nic = FindInterface(node.ipAddress)) node.mac = nic->mac;
  const auto bytes = BuildArtPollReply(node);
  statistics_.pollsAnswered.fetch_add(1, std::memory_order_relaxed);
  Answer(to, toPort, bytes);
}

void ArtNetNode::Answer(std::uint32_t to, std::uint16_t toPort,
                        std::span<const std::uint8_t> datagram) {
  const int socket = socket_;
  if (socket < 0) return;
  // Answers go to the Art-Net port of the controller, and to the port it sent
  // from when that is another one (a controller with a separate send socket
  // listens on one of the two). Never to this node itself.
  const std::uint16_t targets[2] = {boundPort_, toPort};
  for (int i = 0; i < 2; ++i) {
    if (i == 1 && targets[1] == targets[0]) break;
    const bool toSelf =
        targets[i] == boundPort_ &&
        (to == boundAddress_ || (boundAddress_ == kAnyAddress && LocalAddressToward(to) == to));
    if (toSelf) continue;
    const sockaddr_in target = SocketAddress(to, targets[i]);
    ::sendto(socket, datagram.data(), datagram.size(), 0,
             reinterpret_cast<const sockaddr*>(&target), sizeof target);
  }
}

void ArtNetNode::RememberPoller(std::uint32_t address, std::uint16_t port, std::uint8_t flags) {
  const auto known = std::find_if(pollers_.begin(), pollers_.end(), [&](const Poller& p) {
    return p.address == address && p.port == port;
  });
  if (known != pollers_.end()) pollers_.erase(known);
  if (pollers_.size() == kMaxPollers) pollers_.pop_back();
  pollers_.insert(pollers_.begin(), Poller{address, port, flags});
}

void ArtNetNode::AnswerOnChange() {
  for (const Poller& poller : pollers_) {
    if ((poller.flags & kPollFlagReplyOnChange) != 0) AnswerPoll(poller.address, poller.port);
  }
}

}  // namespace korval::artnet
