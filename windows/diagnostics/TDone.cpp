#include "windows/diagnostics/TDone.h"

#include <QLabel>
#include <QPushButton>

namespace velmar {

TDone::TDone(QWidget* parent) : QDialog(parent) {
  setObjectName("TDone");
  setWindowTitle("Done");
  setModal(true);
  setFixedSize(340, 150);
  const char* lines[3] = {"Velmar message", "TV image is acquired in a VL2 file", "The operation is done"};
  for (int i = 0; i < 3; ++i) {
    auto* line = new QLabel(lines[i], this);
    line->setObjectName(QString("Label%1").arg(i + 1));
    line->setGeometry(10, 10 + 26 * i, 320, 24);
    line->setAlignment(Qt::AlignCenter);
    if (i == 0) {
      QFont bold = line->font();
      bold.setBold(true);
      line->setFont(bold);
    }
  }
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("ButtonOK");
  ok->setGeometry(120, 104, 100, 32);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace velmar
