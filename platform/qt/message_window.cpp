#include "platform/qt/message_window.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmar {

MessageWindow::MessageWindow(const QString& objectName, const QString& caption,
                             const QStringList& lines, QWidget* parent)
    : QDialog(parent) {
  setObjectName(objectName);
  setWindowTitle(caption);
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  for (int i = 0; i < lines.size(); ++i) {
    auto* label = new QLabel(lines[i], this);
    label->setObjectName(QString("Label%1").arg(i + 1));
    label->setAlignment(Qt::AlignCenter);
    if (i == 0) {
      QFont bold = label->font();
      bold.setBold(true);
      bold.setPointSize(bold.pointSize() + 2);
      label->setFont(bold);
    }
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
