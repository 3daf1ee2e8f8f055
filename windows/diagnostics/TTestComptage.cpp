#include "windows/diagnostics/TTestComptage.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>

#include "windows/common/widget_placing.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/number_text.h"
#include "windows/diagnostics/TTestPF.h"

namespace velmar {

namespace {

QScrollBar* UpDown(QWidget* parent, const char* name, int maximum, QRect where) {
  auto* upDown = Place(new QScrollBar(Qt::Vertical, parent), name, where);
  upDown->setRange(0, maximum);
  upDown->setInvertedAppearance(true);
  return upDown;
}

struct LevelRow {
  const char *caption, *edit, *upDown, *current;
};
constexpr LevelRow kLevels[3] = {{"Discriminator", "EditSeuil", "UpDownSeuil", "LabelDiscri"},
                                 {"Black level", "EditBL", "UpDownBL", "LabelBL"},
                                 {"White level", "EditWL", "UpDownWL", "LabelWL"}};

// The buttons that start frame-grabber work: locked while crosses are drawn.
constexpr const char* kWorkButtons[] = {"ButtonAcquire", "ButtonDetailTV", "ButtonDetailBin", "ButtonDetailCross",
                                        "ButtonPF",      "ButtonStore",    "ButtonTestPF"};

}  // namespace

TTestComptage::TTestComptage(SharedState& shared, Grabber& grabber, InstrumentBoard& board, QWidget* parent)
    : QDialog(parent), shared_(shared), board_(board), test_(grabber, shared.parameters, *this) {
  setObjectName("TTestComptage");
  setWindowTitle("Velmar Test grabing photon counting");
  setModal(true);
  setFixedSize(700, 560);
  Build();
  Connect();
}

TTestComptage::~TTestComptage() = default;

void TTestComptage::Build() {
  auto* title = Place(new QLabel("Velmar Test grabing photon counting", this), "LabelTitle", QRect(10, 6, 680, 28));
  QFont big = title->font();
  big.setPointSize(14);
  big.setBold(true);
  title->setFont(big);
  title->setAlignment(Qt::AlignCenter);

  auto* note = Place(new QLabel("Warning !\nYou need an auxilliary TV monitor connected to the VGA \n"
                                "plug of the MATROX board for these tests...",
                                this),
                     "LabelWarning", QRect(10, 38, 680, 52));
  note->setAlignment(Qt::AlignCenter);
  note->setStyleSheet("color: maroon;");

  auto* levels = Place(new QGroupBox(" TV levels ", this), "GroupBoxLevels", QRect(10, 94, 330, 124));
  for (int i = 0; i < 3; ++i) {
    const int y = 22 + 32 * i;
    Place(new QLabel(kLevels[i].caption, levels), "", QRect(10, y, 100, 24));
    Place(new QLineEdit(levels), kLevels[i].edit, QRect(112, y, 56, 24));
    UpDown(levels, kLevels[i].upDown, 255, QRect(168, y, 16, 24));
    Place(new QLabel(levels), kLevels[i].current, QRect(194, y, 130, 24));
  }

  auto* source = Place(new QGroupBox(" Source ", this), "GroupBoxSource", QRect(350, 94, 340, 124));
  Place(new QRadioButton("TV IPCS", source), "RadioButtonTV", QRect(10, 20, 150, 22));
  Place(new QRadioButton("Random simulation", source), "RadioButtonSimul", QRect(10, 44, 160, 22));
  Place(new QLabel("Random nbpts/frame", source), "LabelRandom", QRect(176, 20, 150, 22));
  Place(new QLineEdit(source), "EditSimul", QRect(176, 44, 70, 24));
  UpDown(source, "UpDownSimul", 20000, QRect(246, 44, 16, 24));
  auto* array = Place(new QGroupBox(source), "GroupBoxArray", QRect(170, 70, 164, 50));
  array->setFlat(true);
  Place(new QRadioButton("random array", array), "RadioButtonRandomArray", QRect(6, 2, 150, 22));
  Place(new QRadioButton("regular array", array), "RadioButtonRegularArray", QRect(6, 24, 150, 22));
  Place(new QCheckBox("relief (unusual)", source), "CheckBoxRelief", QRect(10, 84, 150, 22));

  auto* frame = Place(new QGroupBox(" Photon counting test ", this), "GroupBoxFrame", QRect(10, 224, 680, 110));
  Place(new QPushButton("Acquire 1 frame", frame), "ButtonAcquire", QRect(10, 24, 150, 32));
  Place(new QPushButton("display source", frame), "ButtonDetailTV", QRect(172, 24, 150, 32));
  Place(new QPushButton("display binarization", frame), "ButtonDetailBin", QRect(334, 24, 160, 32));
  Place(new QPushButton("display positions", frame), "ButtonDetailCross", QRect(506, 24, 160, 32));
  Place(new QPushButton("Abort crosses display", frame), "ButtonAbortCross", QRect(10, 66, 180, 32));
  auto* done = Place(new QLabel(frame), "LabelDone", QRect(200, 66, 470, 32));
  QFont bold = done->font();
  bold.setBold(true);
  done->setFont(bold);

  auto* pf = Place(new QGroupBox(" Perot-Fabry interferometer ", this), "GroupBoxPF", QRect(10, 340, 680, 150));
  Place(new QLabel(pf), "LabelPF1", QRect(10, 20, 420, 22));
  Place(new QLabel(pf), "LabelPF2", QRect(10, 42, 420, 22));
  Place(new QLabel(pf), "LabelPF3", QRect(10, 64, 420, 22));
  Place(new QLabel("Channel", pf), "LabelN", QRect(440, 20, 100, 22));
  Place(new QLineEdit(pf), "EditN", QRect(550, 20, 110, 24));
  Place(new QLabel("CS100 value", pf), "LabelV", QRect(440, 50, 100, 22));
  Place(new QLineEdit(pf), "EditV", QRect(550, 50, 110, 24));
  Place(new QPushButton("Move PF", pf), "ButtonPF", QRect(550, 80, 110, 30));
  Place(new QPushButton("Test parallel signals with the special electronic testing device", pf), "ButtonTestPF",
        QRect(10, 112, 520, 30));

  Place(new QPushButton("&Store TV levels as \"custom\" values for acquisition", this), "ButtonStore",
        QRect(10, 500, 380, 44));
  Place(new QPushButton("Quit this window to tune THT ", this), "Button1", QRect(400, 500, 180, 44));
  Place(new QPushButton("Quit", this), "ButtonQuit", QRect(590, 500, 100, 44));
}

void TTestComptage::Connect() {
  for (const LevelRow& row : kLevels) {
    QLineEdit* e = edit(row.edit);
    auto* upDown = findChild<QScrollBar*>(row.upDown);
    connect(upDown, &QScrollBar::valueChanged, this, [e](int v) { e->setText(QString::number(v)); });
    connect(e, &QLineEdit::textEdited, this, [e, upDown] {
      if (const auto v = WholeInt(e->text().toStdString()); v && *v >= 0 && *v <= 255) {
        const QSignalBlocker quiet(upDown);
        upDown->setValue(*v);
      }
    });
  }
  QLineEdit* simul = edit("EditSimul");
  auto* simulUpDown = findChild<QScrollBar*>("UpDownSimul");
  connect(simulUpDown, &QScrollBar::valueChanged, this, [simul](int v) { simul->setText(QString::number(v)); });
  connect(radio("RadioButtonTV"), &QRadioButton::toggled, this, [this](bool tv) { ShowSimulationControls(!tv); });
  connect(button("ButtonAcquire"), &QPushButton::clicked, this, [this] { ButtonAcquireClick(); });
  connect(button("ButtonDetailTV"), &QPushButton::clicked, this, [this] { ButtonDetailTVClick(); });
  connect(button("ButtonDetailBin"), &QPushButton::clicked, this, [this] { ButtonDetailBinClick(); });
  connect(button("ButtonDetailCross"), &QPushButton::clicked, this, [this] { ButtonDetailCrossClick(); });
  connect(button("ButtonAbortCross"), &QPushButton::clicked, this, [this] { ButtonAbortCrossClick(); });
  connect(edit("EditN"), &QLineEdit::textEdited, this, [this] { EditNChange(); });
  connect(edit("EditV"), &QLineEdit::textEdited, this, [this] { EditVChange(); });
  connect(edit("EditN"), &QLineEdit::editingFinished, this, [this] {
    if (const auto n = LeadingReal(edit("EditN")->text().toStdString())) edit("EditN")->setText(Q(Format("%8.3f", *n)));
  });
  connect(button("ButtonPF"), &QPushButton::clicked, this, [this] { ButtonPFClick(); });
  connect(button("ButtonStore"), &QPushButton::clicked, this, [this] { ButtonStoreClick(); });
  connect(button("ButtonQuit"), &QPushButton::clicked, this, [this] { ButtonQuitClick(); });
  connect(button("Button1"), &QPushButton::clicked, this, [this] { ButtonQuitClick(); });
  connect(button("ButtonTestPF"), &QPushButton::clicked, this, [this] { ButtonTestPFClick(); });
}

void TTestComptage::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TTestComptage::FormShow() {
  if (showing_) return;
  showing_ = true;
  closing_ = false;
  AcquisitionParameters& p = shared_.parameters;
  AcquisitionState& s = shared_.acquisition;
  test_.settings = CountingTestSettings{};
  test_.TestFrame(kTestOpen);

  const CountingTestSettings& t = test_.settings;
  const std::int32_t levels[3] = {t.discriminator, t.blackLevel, t.whiteLevel};
  const std::int32_t current[3] = {p.Discri, p.BlackLevel, p.WhiteLevel};
  for (int i = 0; i < 3; ++i) {
    findChild<QScrollBar*>(kLevels[i].upDown)->setValue(levels[i]);
    edit(kLevels[i].edit)->setText(QString::number(levels[i]));
    label(kLevels[i].current)->setText(Q(Format("[current %d]", current[i])));
  }
  findChild<QScrollBar*>("UpDownSimul")->setValue(t.randomPoints);
  edit("EditSimul")->setText(QString::number(t.randomPoints));
  findChild<QCheckBox*>("CheckBoxRelief")->setChecked(false);
  radio("RadioButtonRandomArray")->setChecked(true);
  const bool simulation = p.Source == kSourceSimulation;
  radio(simulation ? "RadioButtonSimul" : "RadioButtonTV")->setChecked(true);
  ShowSimulationControls(simulation);
  EnableDetails(false);
  label("LabelDone")->clear();

  if (services_.readScanEdits) services_.readScanEdits();
  if (services_.link) services_.link->ComputeScanGeometry();
  label("LabelPF1")->setText(Q(Format("QGcst=%6.3f  lmbd=%9.2f  nbc=%d", p.Cqg, p.Lambda, p.Lz)));
  label("LabelPF2")->setText(Q(Format("==> PFstep=%9.3f  PFbase=%9.3f", s.PFstep, s.PFbase)));
  std::string link = "no CS100 (file test)";
  if (p.CS100Link == 0) link = "CS100 // interface";
  if (p.CS100Link == 1) link = Format("CS100 serial interface COM%d:", p.ComPort);
  label("LabelPF3")->setText(Q(link));

  edit("EditN")->setText("1.");
  controllerValue_ = PositionOfChannel(1, s.PFstep, s.PFbase);
  edit("EditV")->setText(QString::number(controllerValue_));
  button("ButtonPF")->setEnabled(services_.link != nullptr);
  if (services_.link) services_.link->InitialiseController();
  button("ButtonAbortCross")->setEnabled(false);
  button("ButtonTestPF")->setVisible(p.CS100Link == 0);
}

void TTestComptage::ShowSimulationControls(bool shown) {
  for (const char* name : {"LabelRandom", "EditSimul", "UpDownSimul", "GroupBoxArray"})
    findChild<QWidget*>(name)->setVisible(shown);
}

void TTestComptage::EnableDetails(bool on) {
  for (const char* name : {"ButtonDetailTV", "ButtonDetailBin", "ButtonDetailCross"}) button(name)->setEnabled(on);
}

void TTestComptage::ReadSettings() {
  // A text that does not read as a number leaves the value in force; the levels are
  // kept within 0..255 as their arrows keep them.
  CountingTestSettings& t = test_.settings;
  std::int32_t* levels[3] = {&t.discriminator, &t.blackLevel, &t.whiteLevel};
  for (int i = 0; i < 3; ++i)
    if (const auto v = LeadingInt(edit(kLevels[i].edit)->text().toStdString())) *levels[i] = std::clamp(*v, 0, 255);
  if (const auto v = LeadingInt(edit("EditSimul")->text().toStdString())) t.randomPoints = std::max(*v, 0);
  t.simulation = radio("RadioButtonSimul")->isChecked() ? 1 : 0;
  t.relief = findChild<QCheckBox*>("CheckBoxRelief")->isChecked() ? 1 : 0;
  t.regularArray = radio("RadioButtonRegularArray")->isChecked() ? 1 : 0;
}

void TTestComptage::ButtonAcquireClick() {
  ReadSettings();
  test_.TestFrame(kTestAcquire);
  EnableDetails(true);
}

void TTestComptage::ButtonDetailTVClick() { test_.TestFrame(kTestShowSource); }

void TTestComptage::ButtonDetailBinClick() {
  ReadSettings();
  test_.TestFrame(kTestShowBinarization);
}

void TTestComptage::ButtonDetailCrossClick() {
  ReadSettings();
  test_.TestFrame(kTestShowPositions);
}

void TTestComptage::ButtonAbortCrossClick() { test_.crossesAbort = 1; }

void TTestComptage::EditNChange() {
  const auto n = LeadingReal(edit("EditN")->text().toStdString());
  if (!n) return;
  const AcquisitionState& s = shared_.acquisition;
  controllerValue_ = RoundHalfTowardZero((static_cast<double>(*n) - 1.0) * s.PFstep + s.PFbase);
  edit("EditV")->setText(QString::number(controllerValue_));
  button("ButtonPF")->setEnabled(services_.link != nullptr);
}

void TTestComptage::EditVChange() {
  const auto v = LeadingInt(edit("EditV")->text().toStdString());
  if (!v) return;
  const AcquisitionState& s = shared_.acquisition;
  controllerValue_ = *v;
  if (s.PFstep != 0.0f)
    edit("EditN")->setText(Q(Format("%8.3f", (static_cast<double>(*v) - s.PFbase) / s.PFstep + 1.0)));
  button("ButtonPF")->setEnabled(services_.link != nullptr);
}

void TTestComptage::ButtonPFClick() {
  if (!services_.link) return;
  services_.link->SendPosition(controllerValue_);
  button("ButtonPF")->setEnabled(false);
  ButtonAcquireClick();
}

void TTestComptage::ButtonStoreClick() {
  // Only levels that read as whole numbers from 0 to 255 reach the acquisition.
  std::int32_t values[3] = {};
  for (int i = 0; i < 3; ++i) {
    const auto v = WholeInt(edit(kLevels[i].edit)->text().toStdString());
    if (!v || *v < 0 || *v > 255) {
      ShowError("The TV levels must be whole numbers from 0 to 255",
                Format("%s: \"%s\"", kLevels[i].caption, edit(kLevels[i].edit)->text().toStdString().c_str()),
                "Nothing was stored.");
      return;
    }
    values[i] = *v;
  }
  AcquisitionParameters& p = shared_.parameters;
  p.Discri = values[0];
  p.BlackLevel = values[1];
  p.WhiteLevel = values[2];
  for (int i = 0; i < 3; ++i) label(kLevels[i].current)->setText(Q(Format("[current %d]", values[i])));
}

void TTestComptage::ButtonTestPFClick() {
  if (!services_.link) return;
  if (!testPF_) testPF_ = new TTestPF(*services_.link, board_, this);
  testPF_->exec();
}

void TTestComptage::ButtonQuitClick() {
  if (!button("ButtonAbortCross")->isEnabled()) {
    closing_ = true;
  } else {
    // Crosses are being drawn: they stop, and the window closes once the frame is done.
    test_.crossesAbort = 1;
    closing_ = true;
    return;
  }
  if (services_.saveParameters) services_.saveParameters();
  test_.TestFrame(kTestClose);
  showing_ = false;
  accept();
}

void TTestComptage::reject() { ButtonQuitClick(); }

void TTestComptage::ShowDone(const std::string& text) {
  label("LabelDone")->setText(Q(text));
  label("LabelDone")->repaint();
}

void TTestComptage::CrossesDrawing(bool drawing) {
  button("ButtonAbortCross")->setEnabled(drawing);
  constexpr std::size_t count = std::size(kWorkButtons);
  for (std::size_t i = 0; i < count; ++i) {
    QPushButton* b = button(kWorkButtons[i]);
    if (drawing) {
      enabledBeforeCrosses_[i] = b->isEnabled();
      b->setEnabled(false);
    } else {
      b->setEnabled(enabledBeforeCrosses_[i]);
    }
  }
  if (!drawing && closing_) QMetaObject::invokeMethod(this, [this] { ButtonQuitClick(); }, Qt::QueuedConnection);
}

void TTestComptage::ProcessMessages() { QApplication::processEvents(); }

QLineEdit* TTestComptage::edit(const char* name) const { return findChild<QLineEdit*>(name); }
QPushButton* TTestComptage::button(const char* name) const { return findChild<QPushButton*>(name); }
QLabel* TTestComptage::label(const char* name) const { return findChild<QLabel*>(name); }
QRadioButton* TTestComptage::radio(const char* name) const { return findChild<QRadioButton*>(name); }

}  // namespace velmar
