#pragma once
#include "platform/qt/message_window.h"

namespace velmar {

// Shown while the frame grabber is being opened.
class TInitMatrox : public MessageWindow {
  Q_OBJECT
 public:
  explicit TInitMatrox(QWidget* parent = nullptr);
};

// The warning beside it: no TV signal can hang the grab.
class TInitMatrox2 : public MessageWindow {
  Q_OBJECT
 public:
  explicit TInitMatrox2(QWidget* parent = nullptr);
};

}  // namespace velmar
