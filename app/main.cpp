// Program entry: options, the line, the window, the event loop.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <memory>

#include "app/command_line.h"
#include "app/message_log.h"
#include "app/tform1.h"
#include "artnet/artnet_controller.h"
#include "frontend/line_options.h"

namespace {

constexpr int kUsageError = 2;

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto parsed = korval::ParseCommandLine(arguments);
  if (!parsed.options) {
    std::fprintf(stderr, "korval-rdm: %s\n%s", parsed.error.c_str(),
                 korval::UsageText("korval-rdm").c_str());
    return kUsageError;
  }
  const korval::CommandLine& options = *parsed.options;
  if (options.help) {
    std::printf("%s", korval::UsageText("korval-rdm").c_str());
    return 0;
  }
  if (options.version) {
    std::printf("%s %s\n", korval::kProductName, korval::kVersion);
    return 0;
  }
  std::string error;
  std::unique_ptr<korval::DmxLine> line = korval::MakeLine(options.line, &error);
  if (!line) {
    std::fprintf(stderr, "korval-rdm: %s\n", error.c_str());
    return kUsageError;
  }

  QApplication app(argc, argv);
  try {
    korval::RdmTransport transport(*line, {});
    transport.SetTiming(options.line.timing);
    // With --artnet-node, the port of that node is interface 0: its
    // controller sends and receives on the window's own Art-Net socket.
    korval::TForm1* window = nullptr;
    std::unique_ptr<korval::artnet::ArtNetController> network;
    korval::ArtNetOptions artNet;
    if (options.line.artNetNode) {
      network = std::make_unique<korval::artnet::ArtNetController>(
          *options.line.artNetNode, options.line.portAddress,
          [&window](std::uint32_t to, std::uint16_t port, std::span<const std::uint8_t> d) {
            return window != nullptr && window->SendOnNode(to, port, d);
          },
          [&window](const std::string& text) {
            if (window != nullptr) window->Log(text);
          });
      artNet.controllerReceive = [controller = network.get()](std::span<const std::uint8_t> d,
                                                              std::uint32_t from) {
        return controller->Receive(d, from);
      };
    }
    korval::TForm1 form(transport, std::move(artNet), network.get());
    window = &form;
    if (options.logFile && !form.Messages().MirrorToFile(*options.logFile)) {
      std::fprintf(stderr, "korval-rdm: cannot open log file %s\n", options.logFile->c_str());
      return kUsageError;
    }
    // While a long operation runs, repaint the window now and then; the form
    // drops the operator's input meanwhile.
    form.Messages().SetKeepAlive([&form] { form.KeepAlive(); });
    form.RunHandler([&form] { form.FormCreate(); });
    form.show();
    app.exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, korval::kProductName, QString::fromStdString(e.what()));
  } catch (...) {
    QMessageBox::critical(nullptr, korval::kProductName, QString());
  }
  return 0;
}
