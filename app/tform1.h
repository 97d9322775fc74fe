// The main window. Controls keep the names they have in the window's design and
// are public, like a form's fields, so that handlers and tests reach them
// directly. Handlers are thin: read widgets, call the core, write widgets.
//
// The handlers are spread over one file per subject:
//   tform1.cpp          construction, layout, binding, the message log
//   tform1_guard.cpp    the window's side of the handler guard (app/handler_guard.h)
//   tform1_startup.cpp  FormCreate, the start-up timer, closing, page change
//   tform1_devices.cpp  device list, names file, reordering, discovery
//   tform1_params.cpp   page read and write, identify, the page's widgets <-> values
//   tform1_map.cpp      the address map and patch files (IAP page)
//   tform1_batch.cpp    batch addressing and its four fields
//   tform1_artnet.cpp   the Art-Net node, the output ticker, the monitor grid
#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/widgets.h"
#include "artnet/library.h"
#include "devices/names_list.h"
#include "frontend/product.h"
#include "rdm/device_table.h"
#include "rdm/rdm_controller.h"
#include "rdm/transport.h"

namespace korval {

namespace artnet {
class TickClock;
}
class HandlerGuard;
class MessageLog;

// The maker's details shown in the caption and opened by the banner.
inline constexpr const char* kMakerWebAddress = "https://www.korval-lighting.com";
inline constexpr const char* kMakerContact = "support@korval-lighting.com  +49 40 5550 1234";

// Open and save dialogs for patch files. Execute returns the chosen file, or
// nothing when the operator cancels; tests replace `choose` to script it.
struct FileDialogSettings {
  explicit FileDialogSettings(bool forSaving) : save(forSaving) {}
  bool save = false;
  QString defaultExtension = "pat";
  QString filter = "Patchfile|*.pat";
  std::function<std::optional<QString>()> choose;
  std::optional<QString> Execute(QWidget* owner) const;
};

// Where the window's Art-Net node listens and which clock its output ticker runs
// on. The program keeps the defaults (all interfaces, port 6454, the steady
// clock); tests put the node on loopback and step the ticker themselves.
struct ArtNetOptions {
  artnet::ArtNetSettings nodeSettings{};
  // Empty: the steady clock.
  std::function<std::shared_ptr<artnet::TickClock>()> makeTickClock;
  // Offered every datagram the node receives, on its receive thread, before
  // the node's own handling: an Art-Net controller that shares the node's
  // socket takes its answers here (true: taken).
  std::function<bool(std::span<const std::uint8_t> datagram, std::uint32_t from)> controllerReceive;
};

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // Every RDM operation of the window goes through `controller`; without one it
  // is the line the transport drives: the start-up opens it, the DMX output
  // writes to it. A controller given (a port of an Art-Net node) is interface
  // 0 instead: the start-up names it, and the Art-Net page drives no line.
  explicit TForm1(RdmTransport& transport, ArtNetOptions artNet = {},
                  RdmController* controller = nullptr, QWidget* parent = nullptr);
  ~TForm1() override;

  // ---- Controls on the window -------------------------------------------------
  QLabel* Image2 = nullptr;
  QLabel* Image3 = nullptr;
  ListBox* ListBox1 = nullptr;
  QPushButton* SpeedButtonUp = nullptr;
  QPushButton* SpeedButtonDown = nullptr;
  QPushButton* SpeedButton2 = nullptr;
  QPushButton* SpeedButton3 = nullptr;
  QPushButton* BitBtnDiscover = nullptr;
  QPushButton* BitBtnIdentify = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QWidget* TabSheet3 = nullptr;
  QPlainTextEdit* LogMemo = nullptr;
  ClickableImage* Image1 = nullptr;
  QTimer* StartUpTimer = nullptr;
  QTimer* Timer1 = nullptr;
  FileDialogSettings SavePatch{true};
  FileDialogSettings OpenPatch{false};

  // ---- Page "RDM" ---------------------------------------------------------------
  QLabel *Label1 = nullptr, *Label2 = nullptr, *Label8 = nullptr, *Label9 = nullptr,
         *Label29 = nullptr, *Label10 = nullptr, *Label4 = nullptr, *Label3 = nullptr,
         *Label12 = nullptr, *Label5 = nullptr, *Label32 = nullptr, *Label33 = nullptr,
         *Label6 = nullptr, *Label7 = nullptr, *Label30 = nullptr, *Label31 = nullptr,
         *Label13 = nullptr, *Label15 = nullptr, *Label14 = nullptr;
  QLineEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit8 = nullptr, *Edit9 = nullptr,
            *Edit10 = nullptr, *Edit4 = nullptr, *EditAddr = nullptr, *Edit35 = nullptr,
            *Edit5 = nullptr, *Edit33 = nullptr, *Edit34 = nullptr;
  UpDown* UpDown1 = nullptr;
  QCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr;
  QPushButton* Button4 = nullptr;
  // Eight-channel rows in channel order: minimum limits are Edit6, Edit7,
  // Edit11..Edit16; maximum limits Edit17..Edit24; error scene Edit25..Edit32.
  std::array<QLineEdit*, 8> MinLimitBoxes{};
  std::array<QLineEdit*, 8> MaxLimitBoxes{};
  std::array<QLineEdit*, 8> ErrorSceneBoxes{};
  std::array<QCheckBox*, 8> DimmSwitchBoxes{};  // CheckBox4..CheckBox11
  QFrame* Bevel1 = nullptr;
  QLineEdit *EditStart = nullptr, *EditChannel = nullptr, *EditEnd = nullptr;
  QPushButton *BitBtn1 = nullptr, *BitBtnRead = nullptr, *BitBtnWrite = nullptr;
  QTableWidget* ValueListEditor1 = nullptr;
  ClickableImage* Image5 = nullptr;

  // ---- Page "IAP" ---------------------------------------------------------------
  PaintBox* PaintBox1 = nullptr;
  QLabel* Label11 = nullptr;
  QLabel* Label28 = nullptr;
  QLabel* Image4 = nullptr;
  QPushButton *Button6 = nullptr, *Button7 = nullptr, *Button9 = nullptr, *Button8 = nullptr;

  // ---- Page "Art-Net" -----------------------------------------------------------
  CellGrid* StringGrid = nullptr;
  QPushButton *BitBtnNetworkInterface = nullptr, *BitBtnNetworkStatus = nullptr,
              *BitBtnbShowData = nullptr, *BitBtnMIN = nullptr;

  // ---- Process-wide state of the window ------------------------------------------
 private:
  std::unique_ptr<RdmController> lineController_;  // the line's, when none was given

 public:
  RdmTransport& transport;
  RdmController& controller;
  // False when the controller is no line of ours (an Art-Net node's port).
  bool hasLine() const { return lineController_ != nullptr; }
  std::uint8_t StartUpAttempts = 0;
  // Whether this start-up sequence has logged why the interface did not open.
  bool openFailureExplained = false;
  DeviceTable deviceTable;  // `DeviceTable` with `DeviceCount` as deviceTable.count
  NamesList namesList;      // the lines of the hidden ValueListEditor1
  std::array<std::uint16_t, DeviceTable::kCapacity> PatchFootprint{};
  std::array<std::uint16_t, DeviceTable::kCapacity> PatchStart{};
  std::uint16_t PatchCursor = 0;

  // ---- Handlers (each bound to its control's event) -------------------------------
  // Start-up and shutdown.
  void FormCreate();
  void StartUpTimerTimer();
  void FormCloseQuery(bool& canClose);
  void PageControl1Change();
  void Image1Click();
  void Image5Click() {}
  // Device list, names file, discovery.
  void ListBox1Click();
  void Edit35Change();
  void SpeedButtonUpClick();
  void SpeedButtonDownClick();
  void SpeedButton2Click() { SpeedButtonUpClick(); }
  void SpeedButton3Click() { SpeedButtonDownClick(); }
  void BitBtnDiscoverClick();
  // The discovery as the button runs it, on whatever page is shown: on the
  // Art-Net page its requests go in the gaps between the DMX frames.
  void RunDiscovery();
  void LoadDeviceNames();
  void RewriteDeviceNames();
  // Parameter page.
  void BitBtnReadClick();
  void BitBtnWriteClick();
  void BitBtnIdentifyClick();
  // Batch addressing.
  void Edit3Change();
  void EditChannelChange();
  void EditStartChange();
  void EditEndChange();
  void BitBtn1Click();
  // Address map.
  void PaintBox1Paint(QPainter& canvas);
  void PaintBox1MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int X, int Y);
  void PaintBox1MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int X, int Y);
  void Button6Click();
  void Button7Click();
  void Button8Click();
  void Button9Click();
  // Art-Net.
  void Timer1Timer();
  void UpdateScreen();
  bool CreateTimer();
  void DestroyTimer();
  void BitBtnNetworkInterfaceClick();
  void BitBtnNetworkStatusClick();
  void BitBtnbShowDataClick();
  void BitBtnMINClick();

  // ---- Services for the handlers ---------------------------------------------------
  // Appends one whole line to the message log (and the log file, if any).
  void Log(const std::string& line);
  MessageLog& Messages() { return *messages_; }
  // Sets a box's text. A change handler that this runs, nested, and that ends in
  // an error passes the error on to the caller, as if it had been thrown here.
  void SetText(QLineEdit* box, const QString& text);
  // Runs a handler: errors of integer conversion and files end it with the error
  // box; long work keeps the window painted while no operator input gets in.
  void RunHandler(const std::function<void()>& handler);
  // Work that must not run in the middle of a handler (posted from other threads)
  // runs once the window is idle again.
  void RunWhenIdle(std::function<void()> work);
  bool Busy() const;
  // Called by the message log now and then during long work: shows the busy
  // cursor and lets the window repaint (input stays held off by the guard).
  void KeepAlive();
  // The error box; tests replace it to collect the messages.
  std::function<void(const QString&)> showErrorBox;
  // Opens a web address; tests replace it.
  std::function<void(const QString&)> openWebAddress;
  bool ArtNetPageActive() const { return PageControl1->currentWidget() == TabSheet3; }
  // Sends a datagram from the node's socket (any thread): the controller that
  // shares it sends its requests here. False when the node does not run.
  bool SendOnNode(std::uint32_t to, std::uint16_t port, std::span<const std::uint8_t> datagram);
  // Makes a page current from code. Unlike the operator's choice this does not
  // run PageControl1Change, so Timer1 is left as it is.
  void SetActivePage(QWidget* page);
  // True while the Art-Net page is current; the output ticker reads it from its
  // own thread, never the widget.
  std::atomic<bool> artNetPageShown{false};
  bool RdmPageActive() const { return PageControl1->currentWidget() == TabSheet1; }
  // The selected list position, -1 for none.
  int SelectedPosition() const { return ListBox1->currentRow(); }
  // Selects a list position from code (-1 clears); ListBox1Click does not run.
  void SelectPosition(int position);

  // Subject state kept out of this header: each subject's file defines its part.
  struct ParamsRoom;
  struct DevicesRoom;
  struct ArtNetRoom;
  std::unique_ptr<ParamsRoom> paramsRoom;
  std::unique_ptr<DevicesRoom> devicesRoom;
  std::unique_ptr<ArtNetRoom> artNetRoom;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  void BuildRdmPage();
  void BuildIapPage();
  void BuildArtNetPage();
  void BindHandlers();
  void InitParamsRoom();
  void InitDevicesRoom();
  void InitArtNetRoom(ArtNetOptions options);
  // Art-Net library start at window creation, and its end at close.
  void StartArtNet();
  void EndArtNet();
  void InitGrid();
  template <typename Control, typename Signal>
  void Bind(Control* control, Signal signal, void (TForm1::*handler)());

  std::unique_ptr<MessageLog> messages_;
  bool pageChangeFromCode_ = false;
  // Last, so that it is gone first: no event reaches a window half torn down.
  std::unique_ptr<HandlerGuard> guard_;
};

}  // namespace korval
