#pragma once
// The suspension window: where the acquisition was suspended, what to redo (the
// last channel, the whole last cycle, a channel of a cycle) or abort, and the
// shutter, high-voltage and filter commands the observer may need meanwhile.
#include <QDialog>
#include <functional>
#include <optional>

#include "console/interventions.h"

class QLineEdit;

namespace velmar {

class TSuspended : public QDialog {
  Q_OBJECT
 public:
  explicit TSuspended(QWidget* parent = nullptr);

  struct Actions {
    // "&Continue" with the choice and the two edits: an error keeps the window open.
    std::function<std::optional<ErrorLines>(SuspensionChoice, const std::string&, const std::string&)> answer;
    std::function<void(int)> commandShutter;  // 1 close, 0 open
    // Opened from here when their windows exist; their buttons are disabled until then.
    std::function<void()> tuneTHT, selectFilters;
  };
  void SetActions(Actions actions);
  void Fill(const SuspensionView& view);
  SuspensionChoice Choice() const;
  // Escape and the close box do not close it: the observer chooses what follows,
  // or storing would stay held with nothing left to press.
  void reject() override {}

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Continue();
  void SetStayOnTop(bool onTop);
  Actions actions_;
  QLineEdit* channel_ = nullptr;
  QLineEdit* cycle_ = nullptr;
};

}  // namespace velmar
