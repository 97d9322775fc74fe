// The command line's Art-Net socket with real datagrams on loopback: the
// controller's exchange through it, its receive thread waking the waiting
// controller, and the line it gives when it cannot listen.
#include "artnet/controller_socket.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "artnet/art_rdm.h"
#include "artnet/artnet_controller.h"
#include "artnet/tests/udp_socket.h"
#include "rdm/rdm_constants.h"
#include "sim/rdm_request.h"
#include "sim/responder.h"

namespace korval::artnet {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

TEST(ControllerSocket, CarriesTheControllersExchangeOnLoopback) {
  ControllerSocket socket;
  ASSERT_TRUE(socket.Open(kLoopback, 0)) << socket.Error();
  testing::LoopbackSocket node;
  sim::ResponderConfig config;
  config.uid = 0x4B5200000101;
  config.label = "Wash 3";
  sim::Responder fixture(config);

  // The node's port is a test's free one; Art-Net's own is 6454.
  ArtNetController controller(
      kLoopback, 0,
      [&](std::uint32_t to, std::uint16_t, std::span<const std::uint8_t> d) {
        return socket.Send(to, node.Port(), d);
      },
      {});
  socket.SetReceiver([&controller](std::span<const std::uint8_t> d, std::uint32_t from) {
    controller.Receive(d, from);
  });
  std::thread nodeThread([&] {
    const auto datagram = node.Receive();
    if (!datagram) return;
    const auto message = ParseArtRdm(*datagram);
    if (!message) return;
    const auto request = sim::ParseRdmRequest(RdmFrameWithStartCode(message->rdm));
    if (!request) return;
    if (const auto reply = fixture.Receive(*request)) {
      node.SendTo(socket.BoundPort(), EncodeArtRdm(0, RdmWithoutStartCode(*reply)));
    }
  });
  const RdmReply reply = controller.Send(
      {.destination = config.uid, .commandClass = rdm::kGetCommand, .pid = rdm::kPidDeviceLabel});
  nodeThread.join();
  ASSERT_TRUE(reply.IsAck()) << ReplyStatusName(reply.status);
  EXPECT_EQ(std::string(reply.data.begin(), reply.data.end()), "Wash 3");
}

TEST(ControllerSocket, SaysInOneLineWhyItCannotListen) {
  ControllerSocket first;
  ASSERT_TRUE(first.Open(kLoopback, 0)) << first.Error();
  EXPECT_EQ(first.PollAddresses(), std::vector<std::uint32_t>{0x7FFFFFFF});

  ControllerSocket second;
  EXPECT_FALSE(second.Open(kLoopback, first.BoundPort()));
  EXPECT_EQ(second.Error(), "Art-Net: cannot listen on UDP 0.0.0.0:" +
                                std::to_string(first.BoundPort()) + ": Address already in use");
  EXPECT_FALSE(second.IsOpen());
  EXPECT_FALSE(second.Open(0xC0000201, 0));  // 192.0.2.1, a documentation address
  EXPECT_EQ(second.Error(), "Art-Net: no network interface has the address 192.0.2.1");
}

}  // namespace
}  // namespace korval::artnet
