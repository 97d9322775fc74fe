#include "app/tform1.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QUrl>

#include "app/artnet_room.h"
#include "app/artwork.h"
#include "app/devices_room.h"
#include "app/handler_guard.h"
#include "app/message_log.h"
#include "app/params_room.h"
#include "base/errors.h"
#include "rdm/line_controller.h"

namespace korval {

namespace {

constexpr int kClientWidth = 893;
constexpr int kClientHeight = 652;

QFont WindowFont() {
  QFont font;
  font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "WenQuanYi Micro Hei", "Sans Serif"});
  font.setPixelSize(12);
  return font;
}

QFont PixelFont(int pixels) {
  QFont font = WindowFont();
  font.setPixelSize(pixels);
  return font;
}

template <typename W>
W* Place(W* widget, int x, int y, int w, int h) {
  widget->setGeometry(x, y, w, h);
  return widget;
}

QLabel* Caption(QWidget* parent, const char* text, int x, int y, int width) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setGeometry(x, y, width, 20);
  return label;
}

QLineEdit* Box(QWidget* parent, const char* text, int x, int y, int w, int h) {
  auto* box = Place(new QLineEdit(QString::fromUtf8(text), parent), x, y, w, h);
  SetBoxColour(box, Qt::white);
  return box;
}

QLineEdit* ReadOnlyBox(QWidget* parent, const char* text, int x, int y, int w, int h,
                       const QColor& colour) {
  QLineEdit* box = Box(parent, text, x, y, w, h);
  box->setReadOnly(true);
  SetBoxColour(box, colour);
  return box;
}

QPushButton* Button(QWidget* parent, const char* caption, int x, int y, int w, int h) {
  return Place(new QPushButton(QString::fromUtf8(caption), parent), x, y, w, h);
}

QPushButton* GlyphButton(QWidget* parent, const char* caption, const QPixmap& glyph, int x, int y,
                         int w, int h) {
  QPushButton* button = Button(parent, caption, x, y, w, h);
  button->setIcon(QIcon(glyph));
  button->setIconSize(glyph.size());
  return button;
}

QLabel* Picture(QLabel* label, const QPixmap& pixmap, int x, int y, int w, int h) {
  label->setPixmap(pixmap);
  label->setScaledContents(true);
  return Place(label, x, y, w, h);
}

}  // namespace

std::optional<QString> FileDialogSettings::Execute(QWidget* owner) const {
  if (choose) return choose();
  // "Patchfile|*.pat" in the window's own notation is "Patchfile (*.pat)" in Qt's.
  const QStringList parts = filter.split('|');
  const QString qtFilter = parts.size() == 2 ? parts[0] + " (" + parts[1] + ")" : filter;
  QFileDialog dialog(owner, QString(), QString(), qtFilter);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(defaultExtension);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

namespace {

std::unique_ptr<RdmController> LineUnlessGiven(RdmTransport& transport, RdmController* given) {
  if (given != nullptr) return nullptr;
  return std::make_unique<LineController>(transport, "the line");
}

}  // namespace

TForm1::TForm1(RdmTransport& transportIn, ArtNetOptions artNet, RdmController* controllerIn,
               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      lineController_(LineUnlessGiven(transportIn, controllerIn)),
      transport(transportIn),
      controller(controllerIn != nullptr ? *controllerIn : *lineController_),
      guard_(std::make_unique<HandlerGuard>(
          *this, [this](const std::string& what) { showErrorBox(QString::fromStdString(what)); })) {
  showErrorBox = [this](const QString& text) {
    // The box waits for the operator, so it shows the normal cursor even when
    // long work came before it.
    guard_->DropBusyCursor();
    QMessageBox::critical(this, QString::fromUtf8(kProductName), text);
  };
  openWebAddress = [](const QString& address) { QDesktopServices::openUrl(QUrl(address)); };
  BuildWindow();
  messages_ = std::make_unique<MessageLog>(LogMemo);
  transport.SetLogSink([this](const std::string& line) { Log(line); });
  InitParamsRoom();
  InitDevicesRoom();
  InitArtNetRoom(std::move(artNet));
  BindHandlers();
  guard_->HoldTimers({StartUpTimer, Timer1});
}

TForm1::~TForm1() {
  transport.SetLogSink({});
}

void TForm1::BuildWindow() {
  setWindowTitle(
      QString("%1 %2   %3   %4").arg(kProductName, kVersion, kMakerWebAddress, kMakerContact));
  setFixedSize(kClientWidth, kClientHeight);
  move(261, 36);
  setFont(WindowFont());
  setAutoFillBackground(true);

  Image2 = Picture(new QLabel(this), artwork::LeftBackground(), 0, -8, 193, 657);
  Image3 = Picture(new QLabel(this), artwork::PageBackground(), 192, 0, 761, 601);

  ListBox1 = Place(new ListBox(this), 8, 8, 161, 529);
  ListBox1->setToolTip("Devices");
  ListBox1->setFont(PixelFont(16));
  ListBox1->setUniformItemSizes(true);
  ListBox1->setStyleSheet("QListWidget::item { height: 20px; }");

  SpeedButtonUp = GlyphButton(this, "", artwork::ArrowGlyph(true), 168, 72, 25, 65);
  SpeedButtonDown = GlyphButton(this, "", artwork::ArrowGlyph(false), 168, 176, 25, 65);
  SpeedButton2 = GlyphButton(this, "", artwork::ArrowGlyph(true), 168, 336, 25, 65);
  SpeedButton3 = GlyphButton(this, "", artwork::ArrowGlyph(false), 168, 448, 25, 65);
  BitBtnDiscover = GlyphButton(this, "查找 Discover", artwork::DiscoverGlyph(), 8, 552, 177, 41);
  BitBtnIdentify = GlyphButton(this, "   识别 Identify", artwork::IdentifyGlyph(), 8, 600, 177, 41);

  PageControl1 = Place(new QTabWidget(this), 192, 8, 689, 345);
  TabSheet1 = new QWidget();
  TabSheet2 = new QWidget();
  TabSheet3 = new QWidget();
  PageControl1->addTab(TabSheet1, "RDM");
  PageControl1->addTab(TabSheet2, "IAP");
  PageControl1->addTab(TabSheet3, "Art-Net");
  PageControl1->setCurrentWidget(TabSheet1);

  LogMemo = Place(new QPlainTextEdit(this), 192, 368, 689, 217);
  LogMemo->setReadOnly(true);
  LogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  LogMemo->setFont(PixelFont(16));
  LogMemo->setPlainText("Message Log");

  Image1 = new ClickableImage(this);
  Picture(Image1, artwork::Banner(kMakerWebAddress), 232, 600, 609, 49);
  Image1->setCursor(Qt::PointingHandCursor);

  StartUpTimer = new QTimer(this);
  StartUpTimer->setInterval(200);
  Timer1 = new QTimer(this);
  Timer1->setInterval(30);

  BuildRdmPage();
  BuildIapPage();
  BuildArtNetPage();
  // The operator cannot move the cursor of a read-only box, and Qt leaves it at
  // the end of a new text, which shows a long status text by its tail.
  for (QLineEdit* box : findChildren<QLineEdit*>()) {
    if (box->isReadOnly()) connect(box, &QLineEdit::textChanged, box, [box] { box->home(false); });
  }
}

void TForm1::BuildRdmPage() {
  QWidget* p = TabSheet1;
  const QColor grey(128, 128, 128);
  Label1 = Caption(p, "设备名称Device Name：", 8, 16, 160);
  Edit1 = Box(p, "", 184, 14, 113, 24);
  Edit1->setMaxLength(32);
  Label2 = Caption(p, "厂商Manufacturer：", 8, 41, 160);
  Edit2 = ReadOnlyBox(p, "KORVAL", 184, 38, 113, 24, grey);
  Label8 = Caption(p, "类别Category：", 8, 64, 160);
  Edit8 = ReadOnlyBox(p, "virtual", 184, 61, 113, 24, grey);
  Label9 = Caption(p, "固件Firmware：", 8, 87, 160);
  Edit9 = ReadOnlyBox(p, "0.0", 184, 85, 113, 24, grey);
  Label29 = Caption(p, "XY轴设置Axes：", 8, 116, 160);
  CheckBox1 = Place(new QCheckBox(p), 184, 116, 17, 17);
  CheckBox2 = Place(new QCheckBox(p), 210, 116, 17, 17);
  CheckBox3 = Place(new QCheckBox(p), 236, 116, 17, 17);
  CheckBox1->setToolTip("invert Pan");
  CheckBox2->setToolTip("invert Tilt");
  CheckBox3->setToolTip("swap Axes");
  Label10 = Caption(p, "通道数DMX Footprint：", 8, 142, 160);
  Edit10 = Box(p, "0", 184, 140, 113, 24);
  SetBoxColour(Edit10, grey);
  Label4 = Caption(p, "通道模式Personality：", 8, 166, 160);
  Edit4 = Box(p, "1", 184, 164, 97, 24);
  Edit4->setReadOnly(true);
  UpDown1 = Place(new UpDown(Edit4, p), 281, 164, 16, 24);
  UpDown1->SetMin(1);
  UpDown1->SetMax(1);
  UpDown1->SetPosition(1);
  Label3 = Caption(p, "地址码DMX Address：", 8, 192, 160);
  EditAddr = Box(p, "1", 184, 189, 113, 24);
  Label12 = Caption(p, "灯具序号Serial number：", 8, 216, 160);
  Edit35 = Box(p, "0", 184, 216, 113, 24);

  Label5 = Caption(p, "设备状态Device State：", 314, 16, 150);
  Edit5 = ReadOnlyBox(p, "dummy", 472, 14, 121, 24, QColor(0, 255, 0));
  Label32 = Caption(p, "设备时间Dev. hours：", 314, 41, 150);
  Edit33 = ReadOnlyBox(p, "unknown", 472, 38, 121, 24, grey);
  Label33 = Caption(p, "灯泡时间Lamp hours：", 314, 64, 150);
  Edit34 = Box(p, "unknown", 472, 61, 121, 24);
  SetBoxColour(Edit34, grey);
  Button4 = Button(p, "复位Reset", 592, 61, 89, 28);

  Label6 = Caption(p, "最小值Minimum Limit：", 314, 89, 150);
  Label7 = Caption(p, "最大值Maximum Limit：", 314, 112, 150);
  Label30 = Caption(p, "错误Error Scene：", 314, 135, 150);
  Label31 = Caption(p, "开关Switch：", 314, 159, 150);
  for (int k = 0; k < 8; ++k) {
    const int x = 472 + 24 * k;
    MinLimitBoxes[k] = Box(p, "0", x, 86, 25, 24);
    MaxLimitBoxes[k] = Box(p, "255", x, 110, 25, 24);
    ErrorSceneBoxes[k] = Box(p, "255", x, 134, 25, 24);
    for (QLineEdit* box : {MinLimitBoxes[k], MaxLimitBoxes[k], ErrorSceneBoxes[k]}) {
      box->setMaxLength(32);
    }
    DimmSwitchBoxes[k] = Place(new QCheckBox(p), x, 160, 17, 17);
  }
  const char* minNames[] = {"Edit6",  "Edit7",  "Edit11", "Edit12",
                            "Edit13", "Edit14", "Edit15", "Edit16"};
  for (int k = 0; k < 8; ++k) {
    MinLimitBoxes[k]->setObjectName(minNames[k]);
    MaxLimitBoxes[k]->setObjectName(QString("Edit%1").arg(17 + k));
    ErrorSceneBoxes[k]->setObjectName(QString("Edit%1").arg(25 + k));
    DimmSwitchBoxes[k]->setObjectName(QString("CheckBox%1").arg(4 + k));
  }

  Bevel1 = Place(new QFrame(p), 312, 184, 361, 129);
  Bevel1->setFrameShape(QFrame::Box);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Bevel1->lower();
  Label13 = Caption(p, "开始灯具序号 Start Fixture：", 320, 192, 177);
  EditStart = Box(p, "0", 512, 192, 153, 24);
  Label15 = Caption(p, "间隔通道数 Inc Channel：", 320, 216, 177);
  EditChannel = Box(p, "0", 512, 216, 153, 24);
  Label14 = Caption(p, "结束灯具序号 End Fixture：", 320, 240, 177);
  EditEnd = Box(p, "0", 512, 240, 153, 24);
  BitBtn1 = GlyphButton(p, "批量写码 ADDR", artwork::AddressGlyph(), 320, 264, 345, 41);
  BitBtnRead = GlyphButton(p, " 读（Read）", artwork::ReadGlyph(), 8, 264, 129, 41);
  BitBtnWrite = GlyphButton(p, " 写（Write）", artwork::WriteGlyph(), 168, 264, 129, 41);

  ValueListEditor1 = Place(new QTableWidget(0, 2, p), 336, 0, 225, 81);
  ValueListEditor1->setColumnWidth(0, 131);
  ValueListEditor1->setColumnWidth(1, 88);
  ValueListEditor1->hide();

  Image5 = new ClickableImage(p);
  Picture(Image5, artwork::RdmPicture(), 616, 0, 57, 57);
}

void TForm1::BuildIapPage() {
  QWidget* p = TabSheet2;
  PaintBox1 = Place(new PaintBox(p), 8, 8, 417, 241);
  PaintBox1->setMouseTracking(true);
  Label11 = Place(new QLabel("", p), 192, 242, 120, 20);
  Label11->setFont(PixelFont(16));
  Label28 = Place(new QLabel("000", p), 208, 269, 60, 16);
  Image4 = Picture(new QLabel(p), artwork::IapPicture(), 440, 8, 225, 241);
  Button6 = Button(p, "Read", 24, 264, 51, 25);
  Button7 = Button(p, "Write", 80, 264, 51, 25);
  Button9 = Button(p, "Load", 304, 264, 51, 25);
  Button8 = Button(p, "Save", 360, 264, 51, 25);
}

void TForm1::BuildArtNetPage() {
  QWidget* p = TabSheet3;
  StringGrid = Place(new CellGrid(17, 33, p), 280, 8, 385, 273);
  StringGrid->SetFixedCellSize(35, 18);
  QFont gridFont = PixelFont(13);
  StringGrid->setFont(gridFont);
  QPalette gridPalette = StringGrid->palette();
  gridPalette.setColor(QPalette::Text, Qt::blue);
  gridPalette.setColor(QPalette::ButtonText, Qt::blue);
  StringGrid->setPalette(gridPalette);
  BitBtnNetworkInterface =
      GlyphButton(p, "网络接口Network Interface", artwork::NetworkGlyph(), 24, 16, 233, 49);
  BitBtnNetworkStatus =
      GlyphButton(p, " 网络状态 Network Status", artwork::StatusGlyph(), 24, 88, 233, 49);
  BitBtnbShowData =
      GlyphButton(p, "   显示数据     Show  Data", artwork::DataGlyph(), 24, 160, 233, 49);
  BitBtnMIN =
      GlyphButton(p, "      最小化       Min   imize", artwork::MinimizeGlyph(), 24, 232, 233, 49);
}

template <typename Control, typename Signal>
void TForm1::Bind(Control* control, Signal signal, void (TForm1::*handler)()) {
  connect(control, signal, this,
          [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
}

void TForm1::BindHandlers() {
  Bind(StartUpTimer, &QTimer::timeout, &TForm1::StartUpTimerTimer);
  Bind(Timer1, &QTimer::timeout, &TForm1::Timer1Timer);
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
    artNetPageShown.store(ArtNetPageActive(), std::memory_order_relaxed);
    if (!pageChangeFromCode_) RunHandler([this] { PageControl1Change(); });
  });
  Bind(Image1, &ClickableImage::clicked, &TForm1::Image1Click);
  Bind(Image5, &ClickableImage::clicked, &TForm1::Image5Click);

  // Only the operator's selection, by mouse or keys, runs the click handler, never
  // one made by code. A double click or Enter is no new selection and reads nothing.
  // A click reads even the item already selected; a press on one item and a
  // release on another read where the selection ended.
  connect(ListBox1, &QListWidget::itemClicked, this,
          [this] { RunHandler([this] { ListBox1Click(); }); });
  Bind(ListBox1, &ListBox::selectedByKey, &TForm1::ListBox1Click);
  Bind(ListBox1, &ListBox::selectedByDrag, &TForm1::ListBox1Click);
  Bind(Edit35, &QLineEdit::textChanged, &TForm1::Edit35Change);
  Bind(SpeedButtonUp, &QPushButton::clicked, &TForm1::SpeedButtonUpClick);
  Bind(SpeedButtonDown, &QPushButton::clicked, &TForm1::SpeedButtonDownClick);
  Bind(SpeedButton2, &QPushButton::clicked, &TForm1::SpeedButton2Click);
  Bind(SpeedButton3, &QPushButton::clicked, &TForm1::SpeedButton3Click);
  Bind(BitBtnDiscover, &QPushButton::clicked, &TForm1::BitBtnDiscoverClick);

  Bind(BitBtnRead, &QPushButton::clicked, &TForm1::BitBtnReadClick);
  Bind(BitBtnWrite, &QPushButton::clicked, &TForm1::BitBtnWriteClick);
  Bind(BitBtnIdentify, &QPushButton::clicked, &TForm1::BitBtnIdentifyClick);

  Bind(EditAddr, &QLineEdit::textChanged, &TForm1::Edit3Change);
  Bind(EditChannel, &QLineEdit::textChanged, &TForm1::EditChannelChange);
  Bind(EditStart, &QLineEdit::textChanged, &TForm1::EditStartChange);
  Bind(EditEnd, &QLineEdit::textChanged, &TForm1::EditEndChange);
  Bind(BitBtn1, &QPushButton::clicked, &TForm1::BitBtn1Click);

  PaintBox1->onPaint = [this](QPainter& canvas) { PaintBox1Paint(canvas); };
  PaintBox1->onMouseMove = [this](Qt::MouseButtons b, Qt::KeyboardModifiers s, int x, int y) {
    RunHandler([=, this] { PaintBox1MouseMove(b, s, x, y); });
  };
  PaintBox1->onMouseUp = [this](Qt::MouseButton b, Qt::KeyboardModifiers s, int x, int y) {
    RunHandler([=, this] { PaintBox1MouseUp(b, s, x, y); });
  };
  Bind(Button6, &QPushButton::clicked, &TForm1::Button6Click);
  Bind(Button7, &QPushButton::clicked, &TForm1::Button7Click);
  Bind(Button8, &QPushButton::clicked, &TForm1::Button8Click);
  Bind(Button9, &QPushButton::clicked, &TForm1::Button9Click);

  Bind(BitBtnNetworkInterface, &QPushButton::clicked, &TForm1::BitBtnNetworkInterfaceClick);
  Bind(BitBtnNetworkStatus, &QPushButton::clicked, &TForm1::BitBtnNetworkStatusClick);
  Bind(BitBtnbShowData, &QPushButton::clicked, &TForm1::BitBtnbShowDataClick);
  Bind(BitBtnMIN, &QPushButton::clicked, &TForm1::BitBtnMINClick);
}

void TForm1::SetActivePage(QWidget* page) {
  pageChangeFromCode_ = true;
  PageControl1->setCurrentWidget(page);
  pageChangeFromCode_ = false;
}

void TForm1::Log(const std::string& line) {
  messages_->Append(line);
}

void TForm1::SelectPosition(int position) {
  const QSignalBlocker quiet(ListBox1);
  ListBox1->setCurrentRow(position);
  if (position < 0) ListBox1->clearSelection();
}

}  // namespace korval
