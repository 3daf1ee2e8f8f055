#include "windows/diagnostics/TMILTest.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QThread>

#include "windows/common/widget_placing.h"
#include "diagnostics/grabber_test.h"
#include "platform/format.h"
#include "windows/diagnostics/TDone.h"
#include "windows/diagnostics/TFramesCount.h"

namespace velmar {

namespace {

constexpr const char* kCaption = "Velmar Test Matrox Genesys Board and Imaging Library (MIL) ";

constexpr const char* kItems[] = {
    "* Simple message on screen",
    "* Continous TV acquisition ",
    "  Grab a single Thomson 768x576 image in VL2 format",
    "  Grab a single Thomson 512x512 image in VL2 format",
    "  Grab a single DALSA image in VL2 format",
    "* Grab images and identify photons            <== allows to TUNE TV !",
    "* Move and test the PF interferometer",
    "  Get frames rate (5 seconds)",
};

constexpr const char* kNote =
    "Some of these test and demonstrations functions of the Matrox Genesys board require \n"
    "an additional screen display which must be connected on the VGA plug of the Matrox \n"
    "Genesys board.\n"
    "The programs which require this second display are marked with an asterisc \"*\" but are \n"
    "not scratch because the possible absence of the second display.\n"
    "This optional second screen display must manage 800x600 pixels minimum for 512 \n"
    "vertical pixels and 1280x1024 for 1024 vertical pixels.\n"
    "If the screen format is insufficient, a MIL error will occur.";

}  // namespace

TMILTest::TMILTest(SharedState& shared, Grabber& grabber, InstrumentBoard& board, QWidget* parent)
    : QDialog(parent), shared_(shared), grabber_(grabber) {
  setObjectName("TMILTest");
  setWindowTitle(kCaption);
  setModal(true);
  setFixedSize(640, 560);
  Build();
  testComptage_ = new TTestComptage(shared, grabber, board, this);
  framesCount_ = new TFramesCount(grabber, this);
  done_ = new TDone(this);
  chooseFile_ = [this] { return ChooseFileWithDialog(); };
}

void TMILTest::SetServices(Services services) {
  services_ = std::move(services);
  testComptage_->SetServices(services_.counting);
}

void TMILTest::Build() {
  auto* heading = Place(new QLabel(kCaption, this), "LabelTitle", QRect(10, 8, 620, 28));
  QFont big = heading->font();
  big.setPointSize(13);
  big.setBold(true);
  heading->setFont(big);
  heading->setAlignment(Qt::AlignCenter);
  Place(new QLabel("Choose a function and execute", this), "LabelChoose", QRect(10, 40, 300, 22));
  Place(new QLabel(this), "LabelLx", QRect(400, 40, 110, 22));
  Place(new QLabel(this), "LabelLy", QRect(520, 40, 110, 22));
  list_ = Place(new QListWidget(this), "ListBox1", QRect(10, 66, 620, 176));
  for (const char* item : kItems) list_->addItem(item);
  QFont mono("DejaVu Sans Mono");
  mono.setStyleHint(QFont::Monospace);
  list_->setFont(mono);
  Place(new QLabel(this), "LabelFrames", QRect(10, 246, 620, 22));
  auto* note = Place(new QLabel(kNote, this), "LabelNote", QRect(10, 272, 620, 170));
  note->setFrameShape(QFrame::StyledPanel);
  note->setMargin(6);
  note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* exec = Place(new QPushButton("E&xecute function", this), "ButtonExec", QRect(10, 456, 150, 40));
  exec->setDefault(true);
  Place(new QPushButton("&Stop function", this), "ButtonStop", QRect(170, 456, 150, 40));
  Place(new QPushButton("&Return to program", this), "ButtonReturn", QRect(330, 456, 150, 40));
  Place(new QPushButton("Tune THT", this), "Button1", QRect(490, 456, 140, 40));
  connect(exec, &QPushButton::clicked, this, [this] { ButtonExecClick(); });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { ButtonExecClick(); });
  connect(findChild<QPushButton*>("ButtonStop"), &QPushButton::clicked, this, [this] { ButtonStopClick(); });
  connect(findChild<QPushButton*>("ButtonReturn"), &QPushButton::clicked, this, &QDialog::reject);
  connect(findChild<QPushButton*>("Button1"), &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TMILTest::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TMILTest::FormShow() {
  stopFlag_ = 0;
  list_->setCurrentRow(5);
  findChild<QPushButton*>("ButtonStop")->setEnabled(false);
  findChild<QPushButton*>("ButtonExec")->setEnabled(true);
  findChild<QPushButton*>("ButtonReturn")->setEnabled(true);
  int width = 0, height = 0;
  SingleFrameSize(shared_.parameters, width, height);
  findChild<QLabel*>("LabelLx")->setText(Q(Format("Size X = %d", width)));
  findChild<QLabel*>("LabelLy")->setText(Q(Format("Size Y = %d", height)));
  findChild<QLabel*>("LabelFrames")->clear();
}

void TMILTest::ButtonExecClick() {
  auto* exec = findChild<QPushButton*>("ButtonExec");
  if (!exec->isEnabled()) return;  // a double click while a test runs
  findChild<QPushButton*>("ButtonStop")->setEnabled(true);
  exec->setEnabled(false);
  findChild<QPushButton*>("ButtonReturn")->setEnabled(false);
  Execute(list_->currentRow());
  exec->setEnabled(true);
  findChild<QPushButton*>("ButtonStop")->setEnabled(false);
  findChild<QPushButton*>("ButtonReturn")->setEnabled(true);
  accept();
}

void TMILTest::Execute(int item) {
  switch (item) {
    case 0: WriteTestMessage(grabber_); break;
    case 1:
      findChild<QLabel*>("LabelFrames")->setText("Live TV on the control monitor: \"Stop function\" ends it");
      ShowLiveTv(
          grabber_,
          [] {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(10);
          },
          [this] { return stopFlag_ == 1; });
      break;
    case 2: SingleFrame(kFrameFull); break;
    case 3: SingleFrame(kFrameResampled512); break;
    case 4: SingleFrame(kFrameDalsa); break;
    case 5:
    case 6: testComptage_->exec(); break;
    case 7: framesCount_->Run(); break;
    default: break;
  }
}

void TMILTest::SingleFrame(int mode) {
  const std::string path = chooseFile_ ? chooseFile_() : std::string();
  if (path.empty()) return;  // cancelled: nothing written, nothing shown
  GrabSingleFrame(grabber_, shared_.parameters, mode, path);
  done_->exec();
}

std::string TMILTest::ChooseFileWithDialog() {
  QFileDialog dialog(this, "Save the TV image");
  dialog.setObjectName("SaveDialog1");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter("Velmar 2D files (*.VL2)");
  dialog.setDefaultSuffix("VL2");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdString();
}

void TMILTest::Button1Click() {
  if (services_.tuneTht) services_.tuneTht();
}

}  // namespace velmar
