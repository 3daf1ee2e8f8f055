#pragma once
// The logbook viewer: the observation log, followed as it grows. The store step
// that follows its opening loads the text, and each one that finds the log grown.
#include <QDialog>
#include <functional>
#include <optional>

namespace velmar {

class TLogBook : public QDialog {
  Q_OBJECT
 public:
  explicit TLogBook(QWidget* parent = nullptr);
  // Asks for the log to be loaded (run when the window is shown).
  void SetReloadRequest(std::function<void()> request) { reloadRequest_ = std::move(request); }
  // The log's text, the caret at its end and the end in view; a reader who scrolled
  // back keeps his place.
  void SetLogText(const QString& text);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::function<void()> reloadRequest_;
};

// The comment window: one line of at most 70 characters for the log.
class TCommentOnLogBook : public QDialog {
  Q_OBJECT
 public:
  explicit TCommentOnLogBook(QWidget* parent = nullptr);
  // Shows it modally with an empty edit; the text when it is to be written.
  std::optional<QString> Ask();

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace velmar
