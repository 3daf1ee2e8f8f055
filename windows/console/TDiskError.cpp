#include "windows/console/TDiskError.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/format.h"
#include "platform/qt/message_window.h"

namespace velmar {

TDiskError::TDiskError(QWidget* parent) : QDialog(parent) {
  setObjectName("TDiskError");
  setWindowTitle("DiskError");
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("VlmIPCS disk error", "LabelTitle", this));
  for (const char* name : {"LabelType", "LabelError", "LabelHandle"}) layout->addWidget(Label(name));
  auto* question = Label("LabelQuestion");
  question->setText("Disk full ? Disk locked ?");
  question->setStyleSheet("color: rgb(200, 0, 0); font-weight: bold;");
  layout->addWidget(question);
  for (const char* name : {"LabelFile", "LabelError1", "LabelError2", "LabelError3"}) layout->addWidget(Label(name));
  auto* note = Label("LabelNote");
  note->setText(
      "You have some chance to be able \nto continue acquisition by pressing \n\"Ignore\" (the channel to do again \n"
      "could be simply not updated)");
  layout->addWidget(note);
  auto* buttons = new QHBoxLayout;
  auto* ignore = new QPushButton("&Ignore", this);
  ignore->setObjectName("ButtonIgnore");
  ignore->setDefault(true);
  auto* quit = new QPushButton("&Quit integration", this);
  quit->setObjectName("ButtonQuit");
  // Only "&Quit integration" ends the program; Escape and the close box leave the
  // answer as it was, "&Ignore", and the acquisition goes on.
  connect(ignore, &QPushButton::clicked, this, &QDialog::reject);
  connect(quit, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addWidget(ignore);
  buttons->addWidget(quit);
  layout->addLayout(buttons);
  setMinimumWidth(480);
}

QLabel* TDiskError::Label(const char* name) {
  auto* label = new QLabel(this);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  return label;
}

DiskErrorChoice TDiskError::ShowDiskError(const DiskErrorReport& report) {
  auto set = [this](const char* name, const std::string& text) {
    findChild<QLabel*>(name)->setText(QString::fromStdString(text));
  };
  set("LabelType", report.kind);
  set("LabelError", report.code);
  set("LabelHandle", report.handle);
  set("LabelFile", report.path);
  set("LabelError1", report.errnoValue ? Format("Errno %d", report.errnoValue) : "");
  set("LabelError2", report.errnoText);
  set("LabelError3", "");
  return exec() == QDialog::Accepted ? DiskErrorChoice::QuitIntegration : DiskErrorChoice::Ignore;
}

}  // namespace velmar
