#include "console/TErrorMatrox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmar {

TErrorMatrox::TErrorMatrox(QWidget* parent) : QDialog(parent) {
  setObjectName("TErrorMatrox");
  setWindowTitle("Velmar Photon Counting");
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel("Velmar Photon Counting", this);
  heading->setObjectName("Label1");
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 2);
  heading->setFont(bold);
  auto* line = new QLabel("Error initializing the Matrox Genesys board", this);
  line->setObjectName("Label2");
  message_ = new QLabel(this);
  message_->setObjectName("LabelMessage");
  message_->setWordWrap(true);
  for (QLabel* label : {heading, line, message_}) {
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
  }
  auto* buttons = new QHBoxLayout;
  auto* bypass = new QPushButton("&Bypass", this);
  bypass->setObjectName("ButtonBypass");
  auto* cancel = new QPushButton("&Cancel", this);
  cancel->setObjectName("ButtonCancel");
  connect(bypass, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(bypass);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  setMinimumWidth(460);
}

bool TErrorMatrox::AskBypass(const QString& libraryMessage) {
  message_->setText(libraryMessage);
  return exec() == QDialog::Accepted;
}

}  // namespace velmar
