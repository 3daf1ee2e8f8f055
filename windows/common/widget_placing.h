#pragma once
// Windows lay out their controls at the fixed positions the observer knows, each named
// for the tests that find it; and Qt texts from the logic's standard strings.
#include <QRect>
#include <QString>
#include <string>

namespace velmar {

inline QString Q(const std::string& text) { return QString::fromStdString(text); }

template <class W>
W* Place(W* widget, const char* name, QRect where) {
  widget->setObjectName(name);
  widget->setGeometry(where);
  return widget;
}

}  // namespace velmar
