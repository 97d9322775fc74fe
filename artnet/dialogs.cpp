#include "artnet/dialogs.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "artnet/interfaces.h"
#include "artnet/library.h"
#include "artnet/monitor_grid.h"

namespace korval::artnet {

namespace {

QString Text(const std::string& s) {
  return QString::fromStdString(s);
}

template <typename Dialog, typename Library>
QDialog* ShowOne(Library& library, QWidget* parent, const char* name) {
  // One of each per window: a second click brings the open one to the front.
  if (parent != nullptr) {
    if (auto* open = parent->findChild<Dialog*>(name, Qt::FindDirectChildrenOnly)) {
      open->show();
      open->raise();
      return open;
    }
  }
  auto* dialog = new Dialog(library, parent);
  dialog->setObjectName(name);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

}  // namespace

NicDialog::NicDialog(ArtNetLibrary& library, QWidget* parent) : QDialog(parent), library_(library) {
  setWindowTitle("Network Interface");
  auto* layout = new QVBoxLayout(this);
  list = new QListWidget(this);
  state = new QLabel(this);
  layout->addWidget(list);
  layout->addWidget(state);
  connect(list, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { Choose(list->row(item)); });
  Fill();
  resize(360, 240);
}

void NicDialog::Fill() {
  list->clear();
  addresses_.clear();
  list->addItem("All interfaces  0.0.0.0");
  addresses_.push_back(kAnyAddress);
  for (const auto& nic : ListIpv4Interfaces()) {
    list->addItem(Text(nic.name + "  " + Ipv4Text(nic.address)));
    addresses_.push_back(nic.address);
  }
  const std::uint32_t chosen = library_.Settings().bindAddress;
  for (std::size_t row = 0; row < addresses_.size(); ++row) {
    if (addresses_[row] == chosen) list->setCurrentRow(static_cast<int>(row));
  }
  const ArtNetNode& node = library_.Node();
  state->setText(node.Running() ? Text("Listening on " + Ipv4Text(node.BoundAddress()) + ":" +
                                       std::to_string(node.BoundPort()))
                                : Text("Not listening: " + node.Error()));
}

void NicDialog::Choose(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= addresses_.size()) return;
  library_.Rebind(addresses_[static_cast<std::size_t>(row)]);
  Fill();
}

NetworkStatusDialog::NetworkStatusDialog(const ArtNetLibrary& library, QWidget* parent)
    : QDialog(parent), library_(library) {
  setWindowTitle("Network Status");
  auto* layout = new QVBoxLayout(this);
  text = new QLabel(this);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(text);
  refresh_ = new QTimer(this);
  connect(refresh_, &QTimer::timeout, this, &NetworkStatusDialog::Refresh);
  refresh_->start(250);
  Refresh();
  resize(320, 180);
}

void NetworkStatusDialog::Refresh() {
  const ArtNetNode& node = library_.Node();
  const NodeStatistics& s = node.Statistics();
  std::string lines;
  if (node.Running()) {
    lines = "Bound to " + Ipv4Text(node.BoundAddress()) + ":" + std::to_string(node.BoundPort());
  } else {
    lines = "Not bound: " + (node.Error().empty() ? std::string("stopped") : node.Error());
  }
  lines += "\nDatagrams received: " + std::to_string(s.datagrams.load());
  lines += "\nArtDmx accepted: " + std::to_string(s.accepted.load());
  lines += "\nIgnored: " + std::to_string(s.ignored.load());
  lines += "\nPolls answered: " + std::to_string(s.pollsAnswered.load());
  const std::uint16_t port = s.lastSenderPort.load();
  lines += "\nLast sender: " +
           (port == 0 ? std::string("none")
                      : Ipv4Text(s.lastSenderAddress.load()) + ":" + std::to_string(port));
  text->setText(Text(lines));
}

DataMonitorDialog::DataMonitorDialog(const ArtNetLibrary& library, QWidget* parent)
    : QDialog(parent), library_(library) {
  setWindowTitle("Data Monitor  Universe 0");
  auto* layout = new QVBoxLayout(this);
  grid = new QTableWidget(kGridDataRows, kGridDataColumns, this);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->horizontalHeader()->setDefaultSectionSize(34);
  grid->verticalHeader()->setDefaultSectionSize(18);
  QStringList columns, rows;
  for (int c = 1; c <= kGridDataColumns; ++c) columns << Text(ColumnHeaderText(c));
  for (int r = 1; r <= kGridDataRows; ++r) rows << Text(RowHeaderText(r));
  grid->setHorizontalHeaderLabels(columns);
  grid->setVerticalHeaderLabels(rows);
  for (int r = 0; r < kGridDataRows; ++r) {
    for (int c = 0; c < kGridDataColumns; ++c) grid->setItem(r, c, new QTableWidgetItem("0"));
  }
  layout->addWidget(grid);
  refresh_ = new QTimer(this);
  connect(refresh_, &QTimer::timeout, this, &DataMonitorDialog::Refresh);
  refresh_->start(100);
  Refresh();
  resize(660, 640);
}

void DataMonitorDialog::Refresh() {
  const auto texts = MonitorCellTexts(library_.Node().Universe0());
  for (std::size_t slot = 0; slot < texts.size(); ++slot) {
    const GridCell cell = CellOfSlot(slot);
    QTableWidgetItem* item = grid->item(cell.row - 1, cell.column - 1);
    const QString value = Text(texts[slot]);
    if (item->text() != value) item->setText(value);
  }
}

QDialog* ArtNetShowNicForm(ArtNetLibrary& library, QWidget* parent) {
  return ShowOne<NicDialog>(library, parent, "ArtNetNicForm");
}

QDialog* ArtNetShowNetworkStatusForm(const ArtNetLibrary& library, QWidget* parent) {
  return ShowOne<NetworkStatusDialog>(library, parent, "ArtNetNetworkStatusForm");
}

QDialog* ArtNetShowDataMonitorForm(const ArtNetLibrary& library, QWidget* parent) {
  return ShowOne<DataMonitorDialog>(library, parent, "ArtNetDataMonitorForm");
}

}  // namespace korval::artnet
