#include "platform/qt/message_window.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmar {

QLabel* MakeHeading(const QString& text, const char* objectName, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(objectName);
  label->setAlignment(Qt::AlignCenter);
  QFont bold = label->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 2);
  label->setFont(bold);
  return label;
}

MessageWindow::MessageWindow(const QString& objectName, const QString& caption,
                             const QStringList& lines, QWidget* parent)
    : QDialog(parent) {
  setObjectName(objectName);
  setWindowTitle(caption);
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  for (int i = 0; i < lines.size(); ++i) {
    const QByteArray name = QString("Label%1").arg(i + 1).toLatin1();
    QLabel* label = i == 0 ? MakeHeading(lines[i], name.constData(), this) : new QLabel(lines[i], this);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
  }
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("ButtonOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addSpacing(8);
  layout->addWidget(ok, 0, Qt::AlignCenter);
}

}  // namespace velmar
