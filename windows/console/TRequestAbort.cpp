#include "windows/console/TRequestAbort.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/message_window.h"

namespace velmar {

TRequestAbort::TRequestAbort(QWidget* parent) : QDialog(parent) {
  setObjectName("TRequestAbort");
  setWindowTitle("Velmar request abort");
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("Requested abort of the acquisition", "Label1", this));
  auto* question = new QLabel("Do you wish really abort and quit the acquisition program ?", this);
  question->setObjectName("Label2");
  question->setAlignment(Qt::AlignHCenter);
  layout->addWidget(question);
  auto* row = new QHBoxLayout;
  const struct {
    const char *name, *text;
    int answer;
  } buttons[3] = {{"BitBtn1", "&Yes", 0}, {"BitBtn2", "&No", 1}, {"BitBtn3", "&New acquisition", 2}};
  for (const auto& b : buttons) {
    auto* button = new QPushButton(b.text, this);
    button->setObjectName(b.name);
    button->setAutoDefault(false);
    row->addWidget(button);
    const int answer = b.answer;
    connect(button, &QPushButton::clicked, this, [this, answer] {
      if (answer == 0) {
        if (closeShutter_) closeShutter_();
        setWindowFlag(Qt::WindowStaysOnTopHint, false);
      }
      answer_ = answer;
      done(answer == 1 ? QDialog::Rejected : QDialog::Accepted);
    });
  }
  findChild<QPushButton*>("BitBtn2")->setDefault(true);
  layout->addLayout(row);
}

int TRequestAbort::Ask() {
  answer_ = 1;  // Escape and the close box answer "&No"
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  exec();
  return answer_;
}

void TRequestAbort::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  raise();
}

}  // namespace velmar
