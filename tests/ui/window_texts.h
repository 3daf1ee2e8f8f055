#pragma once
// Helpers of the window tests: the texts of a window's labels, and its picture.
#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace velmar::testing {

inline QStringList LabelTexts(const QWidget& window) {
  QStringList texts;
  for (const QLabel* label : window.findChildren<QLabel*>())
    if (!label->text().isEmpty()) texts << label->text();
  return texts;
}

// Saves the window's picture beside the tests, to look at.
inline void SavePicture(QWidget& window, const QString& name) {
  window.adjustSize();
  window.grab().save(QString("pictures/%1.png").arg(name));
}

}  // namespace velmar::testing
