// The Art-Net library's three dialogs: the network interface (choosing one
// rebinds the node at once), the network status and the data monitor of the
// last accepted universe 0. They read the node's atomic counters and slots on
// the window thread, refreshed by a timer while shown.
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

class QLabel;
class QListWidget;
class QTableWidget;
class QTimer;

namespace korval::artnet {

class ArtNetLibrary;

class NicDialog : public QDialog {
  Q_OBJECT
 public:
  NicDialog(ArtNetLibrary& library, QWidget* parent);
  QListWidget* list = nullptr;  // "All interfaces" first, then each IPv4 interface
  QLabel* state = nullptr;
  // Lists the interfaces again and marks the one the node listens on.
  void Fill();
  // What a click on row does: listen there from now on.
  void Choose(int row);

 private:
  ArtNetLibrary& library_;
  std::vector<std::uint32_t> addresses_;
};

class NetworkStatusDialog : public QDialog {
  Q_OBJECT
 public:
  NetworkStatusDialog(const ArtNetLibrary& library, QWidget* parent);
  QLabel* text = nullptr;
  void Refresh();

 private:
  const ArtNetLibrary& library_;
  QTimer* refresh_ = nullptr;
};

class DataMonitorDialog : public QDialog {
  Q_OBJECT
 public:
  DataMonitorDialog(const ArtNetLibrary& library, QWidget* parent);
  QTableWidget* grid = nullptr;  // 32 rows of 16 slots
  void Refresh();

 private:
  const ArtNetLibrary& library_;
  QTimer* refresh_ = nullptr;
};

// Shows the dialog, non-modal; the window keeps one of each.
QDialog* ArtNetShowNicForm(ArtNetLibrary& library, QWidget* parent);
QDialog* ArtNetShowNetworkStatusForm(const ArtNetLibrary& library, QWidget* parent);
QDialog* ArtNetShowDataMonitorForm(const ArtNetLibrary& library, QWidget* parent);

}  // namespace korval::artnet
