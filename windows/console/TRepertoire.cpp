#include "windows/console/TRepertoire.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "console/data_directory.h"

namespace velmar {

TRepertoire::TRepertoire(QWidget* parent) : QDialog(parent) {
  setObjectName("TRepertoire");
  setWindowTitle("VlmIPCS new directory");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel("Edit the directory name to create", this);
  heading->setObjectName("Label1");
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  auto* warning1 = new QLabel(
      "Warning : you cannot create a multiple \"cascade\" directory in one time (error will occur)", this);
  warning1->setObjectName("Label2");
  auto* warning2 = new QLabel("you must, for that, create successively each one of the successive branchs", this);
  warning2->setObjectName("Label3");
  observation_ = new QLabel(" Observation  Xnnn ", this);
  observation_->setObjectName("LabelObservations");
  edit_ = new QLineEdit(this);
  edit_->setObjectName("EditNewDirectory");
  edit_->setMinimumWidth(460);
  for (QWidget* w : {static_cast<QWidget*>(heading), static_cast<QWidget*>(warning1), static_cast<QWidget*>(warning2),
                     static_cast<QWidget*>(observation_), static_cast<QWidget*>(edit_)})
    layout->addWidget(w);
  auto* buttons = new QHBoxLayout;
  auto* open = new QPushButton("&Open the directory", this);
  open->setObjectName("BitBtnOpen");
  open->setDefault(true);
  auto* create = new QPushButton("&Create the directory", this);
  create->setObjectName("BitBtnCreate");
  auto* cancel = new QPushButton("&Cancel", this);
  cancel->setObjectName("BitBtnCancel");
  buttons->addWidget(open);
  buttons->addWidget(create);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(open, &QPushButton::clicked, this, [this] { Accept(RepertoireOpen(edit_->text().toStdString(), *dataPath_)); });
  connect(create, &QPushButton::clicked, this,
          [this] { Accept(RepertoireCreate(edit_->text().toStdString(), *dataPath_)); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TRepertoire::Accept(bool accepted) {
  if (accepted) accept();
}

int TRepertoire::Choose(std::string& dataPath, const std::string& observation) {
  dataPath_ = &dataPath;
  edit_->setText(QString::fromStdString(dataPath));
  observation_->setText(QString::fromStdString(" Observation  " + observation + " "));
  return exec() == QDialog::Accepted ? 0 : 1;
}

}  // namespace velmar
