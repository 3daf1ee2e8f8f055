#pragma once
// "Velmar filters & mirror panel", the instrument handset: the operator records
// here the filter, mirror and lamp positions set on the instrument (pink buttons
// change them), closes or opens the shutter, and opens the filter names window.
#include <QDialog>

#include "engine/shared_state.h"
#include "windows/instruments/TFIIdent.h"
#include "instruments/board_operations.h"
#include "instruments/filters_mirror.h"

class QLabel;
class QPushButton;
class QTimer;

namespace velmar {

class TFiltersMirror : public QDialog, public FiltersPanelDisplay, public BoardDisplay {
  Q_OBJECT
 public:
  TFiltersMirror(SharedState& shared, InstrumentBoard& board, QWidget* parent = nullptr);
  FiltersMirror& filters() { return filters_; }
  TFIIdent& ident() { return *ident_; }
  // As the parameters window is shown: positions reset, names read from their file.
  void ParametersShown();

  // FiltersPanelDisplay
  void ShowFiltersPanel(const FiltersPanelView& view) override;
  void ShowFilterMoving(bool moving) override;
  void ShowMirrorMoving(bool moving) override;
  void ShowFilterLabels(const FilterNames& names) override;
  void ShowLastChange(const std::string& text) override;
  // BoardDisplay
  void ShowShutterStatus(const std::string& text, std::int32_t code, std::int32_t system) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Build();
  void Connect();
  QPushButton* button(const char* name) const;
  QLabel* label(const char* name) const;
  QWidget* widget(const char* name) const;

  SharedState& shared_;
  InstrumentBoard& board_;
  FiltersMirror filters_;
  TFIIdent* ident_ = nullptr;
  QTimer* steps_ = nullptr;
};

}  // namespace velmar
