#pragma once
// "Velmar filters identification": the operator names the four filters; "OK"
// keeps the names in their file when one was edited.
#include <QDialog>

#include "instruments/filters_mirror.h"

class QLineEdit;

namespace velmar {

class TFIIdent : public QDialog {
  Q_OBJECT
 public:
  TFIIdent(FiltersMirror& filters, const AcquisitionState& s, QWidget* parent = nullptr);
  // The names the edits show (the names file's, "????" without it).
  void SetNames(const FilterNames& names);
  void ShowLastChange(const QString& text);
  bool edited() const { return edited_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BitBtn1Click();
  QLineEdit* edit(int i) const;

  FiltersMirror& filters_;
  const AcquisitionState& s_;
  bool edited_ = false;
};

}  // namespace velmar
