#include "windows/console/TSmallWindows.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmar {

namespace {
// A note without an answer: shown, not waited for.
void MakeNote(MessageWindow& window) {
  window.setModal(false);
  if (auto* ok = window.findChild<QPushButton*>("ButtonOK")) ok->hide();
}
}  // namespace

TAttenteGeneral::TAttenteGeneral(QWidget* parent)
    : MessageWindow("TAttenteGeneral", "VlmIPCS information",
                    {"Please wait some seconds for  Perot-Fabry initialization...", "VlmIPCS"}, parent) {
  MakeNote(*this);
  move(750, 50);
}

TClickOnStart::TClickOnStart(QWidget* parent)
    : MessageWindow("TClickOnStart", "VlmIPCS start",
                    {"Wait for the TV system initialisation and then",
                     "click on \"Start\" to begin the photon counting acquisition"},
                    parent) {
  MakeNote(*this);
  setAutoFillBackground(true);
  move(0, 100);
}

TTerminating::TTerminating(QWidget* parent)
    : MessageWindow("TTerminating", "Velmar photon counting terminating",
                    {"Velmar closing photon counting acquisition"}, parent) {
  MakeNote(*this);
}

TNoteClose::TNoteClose(QWidget* parent)
    : MessageWindow("TNoteClose", "NoteClose",
                    {"Velmar closing application requested",
                     "Please use the \"Abort and Quit\" button to close the application"},
                    parent) {}

void TTerminating::SayChannelCutShort(const QString& text) {
  auto* label = findChild<QLabel*>("LabelCutShort");
  if (!label) {
    label = new QLabel(this);
    label->setObjectName("LabelCutShort");
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet("color: red");
    if (auto* box = qobject_cast<QVBoxLayout*>(layout())) box->insertWidget(box->count() - 2, label);
  }
  label->setText(text);
}

}  // namespace velmar
