#include "windows/parameters/TError_DCF.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/format.h"
#include "platform/qt/message_window.h"

namespace velmar {

TError_DCF::TError_DCF(QWidget* parent) : QDialog(parent) {
  setObjectName("TError_DCF");
  setWindowTitle("Error_DCF");
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("Velmar photon counting error for configuration files", "LabelTitle", this));
  for (int i = 0; i < 3; ++i) {
    lines_[i] = new QLabel(this);
    lines_[i]->setObjectName(QString("Label%1").arg(i + 2));
    lines_[i]->setAlignment(Qt::AlignCenter);
    lines_[i]->setMinimumWidth(410);  // wider when a file name needs it

    layout->addWidget(lines_[i], 0, Qt::AlignHCenter);
  }
  for (const char* text : {".DCF (camera) or .VCF (control display) files must be present in the",
                           "same directory as the called VlmIPCS.exe executable file"}) {
    auto* fixed = new QLabel(text, this);
    fixed->setAlignment(Qt::AlignCenter);
    layout->addWidget(fixed);
  }
  auto* buttons = new QHBoxLayout;
  auto* bypass = new QPushButton("&Bypass (keep previous)", this);
  bypass->setObjectName("ButtonBypass");
  auto* quit = new QPushButton("&Quit", this);
  quit->setObjectName("ButtonQuit");
  buttons->addWidget(bypass);
  buttons->addWidget(quit);
  layout->addLayout(buttons);
  connect(bypass, &QPushButton::clicked, this, [this] {
    answer_ = 1;
    accept();
  });
  connect(quit, &QPushButton::clicked, this, [this] {
    answer_ = 2;
    accept();
  });
}

int TError_DCF::Ask(const std::string& line1, const std::string& line2, const std::string& line3) {
  answer_ = 2;
  lines_[0]->setText(QString::fromStdString(line1));
  lines_[1]->setText(QString::fromStdString(ShortenLeft(line2, 70)));
  lines_[2]->setText(QString::fromStdString(line3));
  adjustSize();
  exec();
  return answer_;
}

}  // namespace velmar
