#include "windows/console/TErrorMatrox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/message_window.h"

namespace velmar {

TErrorMatrox::TErrorMatrox(QWidget* parent) : QDialog(parent) {
  setObjectName("TErrorMatrox");
  setWindowTitle("ErrorMatrox");
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* heading = MakeHeading("Velmar Photon Counting", "Label1", this);
  auto* line = new QLabel("Error initializing the Matrox Genesys board", this);
  line->setObjectName("Label2");
  message_ = new QLabel(this);
  message_->setObjectName("LabelMessage");
  message_->setWordWrap(true);
  // "Bypass" reads as "go on": the window says which answer ends the program.
  auto* answers = new QLabel(
      "\"Bypass\" closes the shutter and ends the program.\n"
      "\"Cancel\" goes on without the frame grabber objects that could not be opened.",
      this);
  answers->setObjectName("LabelAnswers");
  for (QLabel* label : {heading, line, message_, answers}) {
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
