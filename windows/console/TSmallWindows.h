#pragma once
// The small notes of the start-up and the quit paths.
#include "platform/qt/message_window.h"

namespace velmar {

// Shown while the interferometer is initialised at start-up.
class TAttenteGeneral : public MessageWindow {
  Q_OBJECT
 public:
  explicit TAttenteGeneral(QWidget* parent = nullptr);
};

// The prompt to press "Start"; the store step makes it blink blue and yellow.
class TClickOnStart : public MessageWindow {
  Q_OBJECT
 public:
  explicit TClickOnStart(QWidget* parent = nullptr);
};

// Shown while the program closes the acquisition.
class TTerminating : public MessageWindow {
  Q_OBJECT
 public:
  explicit TTerminating(QWidget* parent = nullptr);
  // A channel the end cut short, said while the program closes.
  void SayChannelCutShort(const QString& text);
};

// The main window's close box refused.
class TNoteClose : public MessageWindow {
  Q_OBJECT
 public:
  explicit TNoteClose(QWidget* parent = nullptr);
};

}  // namespace velmar
