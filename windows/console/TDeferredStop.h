#pragma once
// The deferred stop: the planned end moved to the end of the current channel, of
// the current cycle, of a given cycle, or to a given channel of a given cycle.
#include <QDialog>
#include <functional>
#include <optional>

#include "console/interventions.h"

namespace velmar {

class TDeferredStop : public QDialog {
  Q_OBJECT
 public:
  explicit TDeferredStop(QWidget* parent = nullptr);
  // "&OK" with the choice and the edits: an error keeps the window open.
  void SetAnswer(std::function<std::optional<ErrorLines>(DeferredStopChoice, const DeferredStopEdits&)> answer) {
    answer_ = std::move(answer);
  }
  void Fill(const DeferredStopView& view);
  DeferredStopChoice Choice() const;
  DeferredStopEdits Edits() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Ok();
  std::function<std::optional<ErrorLines>(DeferredStopChoice, const DeferredStopEdits&)> answer_;
};

}  // namespace velmar
