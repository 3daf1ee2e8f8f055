#pragma once
// A small modal window of a few centred lines and one OK button, kept in front:
// the shape of the program's notes and warnings.
#include <QDialog>
#include <QStringList>

class QLabel;

namespace velmar {

// A centred heading in a larger bold font.
QLabel* MakeHeading(const QString& text, const char* objectName, QWidget* parent);

class MessageWindow : public QDialog {
  Q_OBJECT
 public:
  // The first line is the heading (bold); labels are named Label1, Label2, ...
  MessageWindow(const QString& objectName, const QString& caption, const QStringList& lines,
                QWidget* parent = nullptr);
};

}  // namespace velmar
