#pragma once
// An edit for a whole number with its up-down arrows (1 to 9999), put in a row;
// typing in it or moving its arrows calls typed().
#include <functional>

class QHBoxLayout;
class QLineEdit;
class QWidget;

namespace velmar {

QLineEdit* AddNumberEdit(QWidget* parent, QHBoxLayout* row, const char* editName, const char* upDownName,
                         std::function<void()> typed);

}  // namespace velmar
