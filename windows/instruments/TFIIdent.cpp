#include "windows/instruments/TFIIdent.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>


namespace velmar {

TFIIdent::TFIIdent(FiltersMirror& filters, const AcquisitionState& s, QWidget* parent)
    : QDialog(parent), filters_(filters), s_(s) {
  setObjectName("TFIIdent");
  setWindowTitle("Velmar filters identification");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setFixedSize(360, 230);
  for (int i = 0; i < 4; ++i) {
    auto* caption = new QLabel(QString("Filter #%1").arg(i + 1), this);
    caption->setGeometry(16, 16 + 32 * i, 70, 24);
    auto* e = new QLineEdit(this);
    e->setObjectName(QString("EditFI%1").arg(i + 1));
    e->setGeometry(90, 16 + 32 * i, 250, 24);
    e->setMaxLength(static_cast<int>(kFilterNameLength));
    connect(e, &QLineEdit::textEdited, this, [this] { edited_ = true; });
  }
  auto* example = new QLabel("Ex: 54 [NGC 1234]", this);
  example->setObjectName("LabelExample");
  example->setGeometry(90, 144, 250, 20);
  auto* temps = new QLabel("????", this);
  temps->setObjectName("LabelTemps");
  temps->setGeometry(16, 168, 324, 20);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("BitBtn1");
  ok->setGeometry(140, 194, 80, 28);
  connect(ok, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
}

QLineEdit* TFIIdent::edit(int i) const { return findChild<QLineEdit*>(QString("EditFI%1").arg(i + 1)); }

void TFIIdent::SetNames(const FilterNames& names) {
  for (int i = 0; i < 4; ++i) edit(i)->setText(QString::fromStdString(names[i]));
  edited_ = false;
}

void TFIIdent::ShowLastChange(const QString& text) { findChild<QLabel*>("LabelTemps")->setText(text); }

// Each opening starts from the names in force: an earlier edit closed without "OK"
// was not kept.
void TFIIdent::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  SetNames({s_.filterNames[0], s_.filterNames[1], s_.filterNames[2], s_.filterNames[3]});
}

void TFIIdent::BitBtn1Click() {
  if (edited_) {
    FilterNames names;
    for (int i = 0; i < 4; ++i) names[i] = edit(i)->text().toStdString();
    filters_.ChangeNames(names);
    edited_ = false;
  }
  accept();
  filters_.ShowFiltersPanel();
}

}  // namespace velmar
