#include "windows/console/TVirus.h"

#include <QLabel>
#include <QVBoxLayout>

#include "platform/qt/message_window.h"

namespace velmar {

namespace {
QLabel* Line(const char* name, const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setAlignment(Qt::AlignHCenter);
  l->setFixedWidth(600);
  return l;
}
}  // namespace

TVirus::TVirus(QWidget* parent) : QDialog(parent) {
  setObjectName("TVirus");
  setWindowTitle("VlmIPCS supervisor");
  setModal(false);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  setFixedSize(630, 220);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("Velmar photon acquisition  automatic supervisor message", "Label1", this));
  layout->addWidget(Line("Label2", "", this));
  layout->addWidget(Line("Label3", "", this));
  layout->addWidget(Line("Label4", "This is only an information : data acquisition continues normally...", this));
  layout->addWidget(Line("Label5", "Wait for automatic closure of this window...", this));
}

void TVirus::ShowMessage(const QString& line1, const QString& line2) {
  findChild<QLabel*>("Label2")->setText(line1);
  findChild<QLabel*>("Label3")->setText(line2);
  move(400, 380);
  show();
  raise();
  repaint();
}

}  // namespace velmar
