#pragma once
#include "platform/qt/message_window.h"

namespace velmar {

// Told to a second copy of the program before it ends.
class TTwoPrograms : public MessageWindow {
  Q_OBJECT
 public:
  explicit TTwoPrograms(QWidget* parent = nullptr);
};

}  // namespace velmar
