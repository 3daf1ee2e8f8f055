#pragma once
// Helpers of the window tests: the texts of a window's labels, its picture, and acting on
// a modal window once it is up.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <functional>
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

// Runs act on the modal window named once it is up (retrying every 10 ms, up to 5 s).
inline void WhenUp(const QString& name, std::function<void(QWidget&)> act, int triesLeft = 500) {
  QTimer::singleShot(10, [name, act, triesLeft] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->objectName() == name) return act(*modal);
    if (triesLeft > 0) WhenUp(name, act, triesLeft - 1);
    else ADD_FAILURE() << name.toStdString() << " never came up";
  });
}

}  // namespace velmar::testing

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTextBlock>
#include <QTextLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>

namespace velmar::testing {

// The visible controls of a window whose text does not fit them whole at the size
// they have: "name: text" each. A word-wrapping label must hold its text in its
// height; every entry of a list must fit its closed box; a memo must hold each of
// its lines on one line (the help memo, in paragraphs, wraps).
inline QStringList CutTexts(const QWidget& window) {
  QStringList cut;
  const auto shown = [&](const QWidget* w) { return w->isVisibleTo(&window) && w->width() > 0; };
  const auto plain = [](QString text) { return text.remove(QRegularExpression("&(?!&)")); };
  const auto widest = [](const QFontMetrics& fm, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split('\n')) widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
  };
  for (const QLabel* l : window.findChildren<QLabel*>()) {
    if (!shown(l) || l->text().isEmpty() || Qt::mightBeRichText(l->text())) continue;
    const QRect room = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
    const bool fits = l->wordWrap() ? l->heightForWidth(l->width()) <= l->height()
                                    : widest(l->fontMetrics(), l->text()) <= room.width();
    if (!fits) cut << l->objectName() + ": " + l->text();
  }
  for (const QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
    if (!shown(b) || b->text().isEmpty()) continue;
    const bool push = qobject_cast<const QPushButton*>(b) != nullptr;
    const int needed = push ? b->fontMetrics().horizontalAdvance(plain(b->text())) + 8 : b->sizeHint().width();
    if (needed > b->width()) cut << b->objectName() + ": " + b->text();
  }
  for (const QComboBox* c : window.findChildren<QComboBox*>()) {
    if (!shown(c)) continue;
    QStyleOptionComboBox option;
    option.initFrom(c);
    option.editable = c->isEditable();
    const int room = c->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, c).width();
    for (int i = 0; i < c->count(); ++i)
      if (c->fontMetrics().horizontalAdvance(c->itemText(i)) > room) cut << c->objectName() + ": " + c->itemText(i);
  }
  for (const QLineEdit* e : window.findChildren<QLineEdit*>()) {
    if (!shown(e) || qobject_cast<const QComboBox*>(e->parentWidget())) continue;
    const QString text = e->displayText().trimmed();  // padding blanks are no text
    if (e->fontMetrics().horizontalAdvance(text) > e->width() - 8) {
      const QWidget* owner = e->parentWidget() && e->parentWidget()->inherits("QAbstractSpinBox") ? e->parentWidget() : e;
      cut << owner->objectName() + ": " + text;
    }
  }
  for (const QGroupBox* g : window.findChildren<QGroupBox*>())
    if (shown(g) && g->fontMetrics().horizontalAdvance(g->title()) + 12 > g->width())
      cut << g->objectName() + ": " + g->title();
  for (const QPlainTextEdit* m : window.findChildren<QPlainTextEdit*>()) {
    if (!shown(m) || m->objectName() == "MemoHelp") continue;  // the help text is paragraphs, wrapped
    const int room = m->viewport()->width() - 2 * static_cast<int>(m->document()->documentMargin());
    for (QTextBlock block = m->document()->begin(); block.isValid(); block = block.next())
      if (m->fontMetrics().horizontalAdvance(block.text()) > room) cut << m->objectName() + ": " + block.text();
  }
  return cut;
}

}  // namespace velmar::testing
