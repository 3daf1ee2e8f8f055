#include "windows/common/TError.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/message_window.h"
#include "platform/window_thread.h"

namespace velmar {

namespace {
QLabel* CentredLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  return label;
}
}  // namespace

TError::TError(QWidget* parent) : QDialog(parent) {
  setObjectName("TError");
  setWindowTitle("Error");
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* heading = MakeHeading("Velmar photon counting error", "LabelTitle", this);
  heading->setStyleSheet("color: rgb(200, 0, 0);");
  line1_ = CentredLabel("Label1", this);
  line2_ = CentredLabel("Label2", this);
  line3_ = CentredLabel("Label3", this);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("ButtonOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(heading);
  layout->addSpacing(8);
  layout->addWidget(line1_);
  layout->addWidget(line2_);
  layout->addWidget(line3_);
  layout->addSpacing(8);
  layout->addWidget(ok, 0, Qt::AlignCenter);
  setMinimumWidth(520);
}

void TError::SetLines(const ErrorLines& lines) {
  line1_->setText(QString::fromStdString(lines.line1));
  line2_->setText(QString::fromStdString(lines.line2));
  line3_->setText(QString::fromStdString(lines.line3));
}

void QtErrorReporter::Report(const ErrorLines& lines) {
  runOnWindowThread([&lines] {
    TError window;
    window.SetLines(lines);
    window.exec();
  });
}

}  // namespace velmar
