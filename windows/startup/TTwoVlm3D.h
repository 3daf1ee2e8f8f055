#pragma once
#include "platform/qt/message_window.h"

namespace velmar {

// The warning that the 3D display program already runs.
class TTwoVlm3D : public MessageWindow {
  Q_OBJECT
 public:
  explicit TTwoVlm3D(QWidget* parent = nullptr);
};

}  // namespace velmar
