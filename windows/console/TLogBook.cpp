#include "windows/console/TLogBook.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QVBoxLayout>

#include "console/logbook.h"
#include "platform/qt/message_window.h"

namespace velmar {

namespace {
const QString kLoadingText = "Wait : loading logbook...";
}  // namespace

TLogBook::TLogBook(QWidget* parent) : QDialog(parent) {
  setObjectName("TLogBook");
  setWindowTitle("Velmar log book");
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  resize(640, 420);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("Velmar temporarly log book", "Label1", this));
  auto* text = new QTextEdit(this);
  text->setObjectName("RichEditLogBook");
  text->setReadOnly(true);
  text->setLineWrapMode(QTextEdit::NoWrap);
  text->setFontFamily("monospace");
  text->setPlainText(kLoadingText);
  layout->addWidget(text);
  auto* close = new QPushButton("Close log book window", this);
  close->setObjectName("BitBtn1");
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(close, 0, Qt::AlignHCenter);
}

void TLogBook::SetLogText(const QString& text) {
  auto* edit = findChild<QTextEdit*>("RichEditLogBook");
  QScrollBar* bar = edit->verticalScrollBar();
  const bool atEnd = bar->value() == bar->maximum() || edit->toPlainText() == kLoadingText;
  const int place = bar->value();
  edit->setPlainText(text);
  if (atEnd) {
    edit->moveCursor(QTextCursor::End);
    edit->ensureCursorVisible();
  } else {
    bar->setValue(place);
  }
}

void TLogBook::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  move(229, 283);
  raise();
  if (reloadRequest_) reloadRequest_();
}

TCommentOnLogBook::TCommentOnLogBook(QWidget* parent) : QDialog(parent) {
  setObjectName("TCommentOnLogBook");
  setWindowTitle("Velmar comment on log book");
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("Velmar comment on the log book", "Label1", this));
  auto* edit = new QLineEdit(this);
  edit->setObjectName("Edit1");
  edit->setMaxLength(kCommentLength);
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(kCommentLength, 'M')) * 3 / 4);
  layout->addWidget(edit);
  auto* row = new QHBoxLayout;
  auto* write = new QPushButton("Write the text on the log book", this);
  write->setObjectName("BitBtn1");
  write->setDefault(true);
  auto* cancel = new QPushButton("Cancel (don't write)", this);
  cancel->setObjectName("BitBtn2");
  cancel->setAutoDefault(false);
  connect(write, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  row->addWidget(write);
  row->addWidget(cancel);
  layout->addLayout(row);
}

std::optional<QString> TCommentOnLogBook::Ask() {
  if (exec() != QDialog::Accepted) return std::nullopt;
  return findChild<QLineEdit*>("Edit1")->text();
}

void TCommentOnLogBook::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  findChild<QLineEdit*>("Edit1")->clear();
  raise();
}

}  // namespace velmar
