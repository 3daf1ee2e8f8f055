#pragma once
// A photon file could not be written or renamed: go on ("&Ignore") or end the
// program ("&Quit integration").
#include <QDialog>

#include "engine/photon_file.h"

class QLabel;

namespace velmar {

class TDiskError : public QDialog, public DiskErrorWindow {
  Q_OBJECT
 public:
  explicit TDiskError(QWidget* parent = nullptr);
  DiskErrorChoice ShowDiskError(const DiskErrorReport& report) override;

 private:
  QLabel* Label(const char* name);
};

}  // namespace velmar
