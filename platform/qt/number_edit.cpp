#include "platform/qt/number_edit.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollBar>

namespace velmar {

QLineEdit* AddNumberEdit(QWidget* parent, QHBoxLayout* row, const char* editName, const char* upDownName,
                         std::function<void()> typed) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(editName);
  edit->setFixedWidth(60);
  auto* upDown = new QScrollBar(Qt::Vertical, parent);
  upDown->setObjectName(upDownName);
  upDown->setRange(1, 9999);
  upDown->setInvertedAppearance(true);
  upDown->setFixedSize(14, 22);
  QObject::connect(upDown, &QScrollBar::valueChanged, edit, [edit, typed](int v) {
    edit->setText(QString::number(v));
    typed();
  });
  QObject::connect(edit, &QLineEdit::textEdited, edit, [typed] { typed(); });
  row->addWidget(edit);
  row->addWidget(upDown);
  return edit;
}

}  // namespace velmar
