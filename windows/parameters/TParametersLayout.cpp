// The parameters window's controls and where they sit; the handlers are wired at
// the end. Sizes follow the window's 1021 by 746 frame.
#include <algorithm>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableWidget>

#include "windows/parameters/THelpDEF.h"
#include "windows/parameters/TParameters.h"
#include "params/instrument_definition.h"

namespace velmar {

namespace {

template <typename W>
W* Named(W* w, const char* name, QRect where) {
  w->setObjectName(name);
  w->setGeometry(where);
  return w;
}

QLabel* Text(QWidget* parent, const char* name, const QString& text, QRect where,
             Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* l = Named(new QLabel(text, parent), name, where);
  l->setAlignment(align);
  return l;
}

QLineEdit* Edit(QWidget* parent, const char* name, QRect where) { return Named(new QLineEdit(parent), name, where); }

QPushButton* Button(QWidget* parent, const char* name, const QString& text, QRect where) {
  return Named(new QPushButton(text, parent), name, where);
}

QRadioButton* Radio(QWidget* parent, const char* name, const QString& text, QRect where) {
  return Named(new QRadioButton(text, parent), name, where);
}

QGroupBox* Group(QWidget* parent, const char* name, const QString& title, QRect where) {
  return Named(new QGroupBox(title, parent), name, where);
}

// The arrow beside an edit or a grid row: arrows only, the number is the edit's (or
// the grid's), so the two never show different values. Up (or right) raises it.
QScrollBar* Arrow(QWidget* parent, const char* name, int low, int high, QRect where) {
  const auto orientation = where.width() > where.height() ? Qt::Horizontal : Qt::Vertical;
  auto* s = Named(new QScrollBar(orientation, parent), name, where);
  s->setRange(low, high);
  s->setPageStep(10);
  if (orientation == Qt::Vertical) {
    s->setInvertedAppearance(true);
    s->setInvertedControls(false);
  }
  return s;
}

}  // namespace

void TParameters::BuildTitleAndIdentification() {
  auto* title = Text(this, "LabelTitle", "Velmar photon counting acquisition parameters", QRect(176, 2, 500, 24));
  QFont big = title->font();
  big.setPointSize(big.pointSize() + 3);
  big.setBold(true);
  title->setFont(big);

  auto* id = Group(this, "GroupBoxIdentification", " Identification", QRect(8, 28, 500, 124));
  Text(id, "", "# of the observation", QRect(8, 18, 126, 22));
  Edit(id, "EditNumobs", QRect(136, 18, 46, 22));
  Arrow(id, "UpDown3", 1, 999, QRect(184, 18, 16, 22));
  Text(id, "", "Prefix", QRect(250, 18, 40, 22));
  auto* prefix = Named(new QComboBox(id), "ComboBoxPrefix", QRect(292, 18, 56, 22));
  prefix->setEditable(true);  // a prefix from the file that is no letter shows as it is
  for (char c = 'A'; c <= 'Z'; ++c) prefix->addItem(QString(QChar(c)));
  Button(id, "ButtonPrefixT", "T(est)", QRect(356, 18, 60, 22));
  Text(id, "", "Comment", QRect(8, 44, 100, 22));
  Edit(id, "EditComment", QRect(110, 44, 382, 22));
  Text(id, "", "Interferometer", QRect(8, 70, 100, 22));
  Edit(id, "EditPF", QRect(110, 70, 382, 22));
  Text(id, "", "Filter", QRect(8, 96, 100, 22));
  Edit(id, "EditFI", QRect(110, 96, 382, 22));
}

void TParameters::BuildTypeAndSource() {
  auto* type = Group(this, "GroupBoxType", " Type of acquisition ", QRect(8, 156, 245, 108));
  Radio(type, "RadioButton2D", "2D image (counting)", QRect(10, 18, 230, 20));
  Radio(type, "RadioButtonCalib", "3D calibration (counting)", QRect(10, 40, 230, 20));
  Radio(type, "RadioButtonObj", "3D object (counting)", QRect(10, 62, 230, 20));
  Radio(type, "RadioButtonAnalogic", "3D calibration (analogic)", QRect(10, 84, 230, 20));
  auto* source = Group(this, "GroupBoxSource", " Type of source ", QRect(258, 156, 250, 108));
  Radio(source, "RadioButtonTV", "TV IPCS", QRect(10, 18, 230, 20));
  Radio(source, "RadioButtonSimul", "Random simulation", QRect(10, 40, 230, 20));
  Text(source, "LabelRandom", "Random nbpts/frame", QRect(10, 70, 120, 22));
  Edit(source, "EditSimul", QRect(134, 70, 50, 22));
  Arrow(source, "UpDownSimul", 0, 300, QRect(186, 70, 16, 22));
}

void TParameters::BuildScanning() {
  auto* g = Group(this, "GroupBoxScanning", " Scanning parameters ", QRect(8, 268, 500, 254));
  const int x[4] = {232, 298, 364, 430};  // columns just wide enough for "%10.3f"
  const char* heads[4] = {"LabelHeadCurrent", "LabelHead2D", "LabelHead3Dcalib", "LabelHead3Dobj"};
  const char* headTexts[4] = {"Current", "2D", "3D calib", "3D object"};
  for (int i = 0; i < 4; ++i) Text(g, heads[i], headTexts[i], QRect(x[i], 16, 65, 18), Qt::AlignCenter);
  struct Row {
    const char* caption;
    const char* edits[4];
  } rows[] = {
      {"nb of channels", {"EditLz", "EditLz2D", "EditLz3Dcalib", "EditLz3Dobj"}},
      {"exposure time per channel (seconds)", {"EditTcan", "EditTcan2D", "EditTcan3Dcalib", "EditTcan3Dobj"}},
      {"maximum number of cycles",
       {"EditMaxcycles", "EditMaxcycles2D", "EditMaxcycles3Dcalib", "EditMaxcycles3Dobj"}},
      {"starting channel number", {"EditStartcan", nullptr, nullptr, nullptr}},
      {"starting cycle number", {"EditStartcycle", nullptr, nullptr, nullptr}},
      {"scanning wavelength (\u00c5)", {"EditLambda", nullptr, "EditLambda3Dcalib", "EditLambda3Dobj"}},
      {"Queensgate constant", {"EditCqg", nullptr, nullptr, nullptr}},
  };
  int y = 36;
  for (const Row& row : rows) {
    Text(g, "", row.caption, QRect(8, y, 224, 22));
    for (int i = 0; i < 4; ++i)
      if (row.edits[i]) Edit(g, row.edits[i], QRect(x[i], y, 65, 22));
    y += 25;
  }
  edit("EditLz2D")->setReadOnly(true);  // a 2D image has one channel
  auto* type = Text(g, "LabelType", "", QRect(8, y + 2, 177, 22), Qt::AlignCenter);
  QFont bold = type->font();
  bold.setBold(true);
  type->setFont(bold);
  Named(new QCheckBox("\"see-saw\" scanning (recommended)", g), "CheckBoxSeeSaw", QRect(232, y + 2, 262, 22));
}

void TParameters::BuildDiskStorage() {
  auto* g = Group(this, "GroupBoxDisk", " Disk storage ", QRect(8, 526, 500, 104));
  Text(g, "", "Directory", QRect(8, 18, 60, 22));
  // The directory has the whole row: its button goes beside the log file's line.
  Edit(g, "EditPath", QRect(70, 18, 424, 22))->setReadOnly(true);
  Text(g, "LabelNameVLA", "", QRect(8, 46, 486, 20));
  Text(g, "LabelNameVLT", "", QRect(8, 70, 300, 20));
  Button(g, "ButtonChangeDir", "Define another directory", QRect(318, 68, 176, 24));
}

void TParameters::BuildRemoteControls() {
  auto* g = Group(this, "GroupBoxRemote", " Remote Controls  (permanently updated) ", QRect(516, 28, 497, 130));
  Text(g, "", "Shutter", QRect(8, 18, 60, 22));
  Text(g, "LabelShutter", "?", QRect(70, 18, 70, 22));
  Button(g, "ButtonCloseShutter", "Close", QRect(142, 18, 56, 22));
  Button(g, "ButtonOpenShutter", "Open", QRect(200, 18, 56, 22));
  Text(g, "", "Close loop", QRect(270, 18, 70, 22));
  Text(g, "LabelCloseLoop", "?", QRect(342, 18, 146, 22));
  Text(g, "", "THT sent", QRect(8, 44, 60, 22));
  Text(g, "THTSent", "0", QRect(70, 44, 60, 22), Qt::AlignRight | Qt::AlignVCenter);
  Text(g, "", "V   read", QRect(134, 44, 60, 22));
  Text(g, "THTRead", "0", QRect(190, 44, 60, 22), Qt::AlignRight | Qt::AlignVCenter);
  Text(g, "", "V", QRect(254, 44, 16, 22));
  Button(g, "ButtonTHT", "Tune THT", QRect(310, 44, 180, 22));
  Text(g, "", "Temperature", QRect(8, 70, 80, 22));
  Text(g, "LabelTemperature", "", QRect(90, 70, 70, 22));
  Text(g, "LabelTemperatureCommand", "", QRect(162, 70, 92, 22));
  Text(g, "", "Lamps", QRect(256, 70, 40, 22));
  Text(g, "LabelLamp1", "", QRect(296, 70, 28, 22));
  Text(g, "LabelLamp2", "", QRect(324, 70, 28, 22));
  Text(g, "", "Filter", QRect(8, 96, 34, 22));
  Text(g, "LabelFilterNum", "#?", QRect(42, 96, 24, 22));
  Text(g, "LabelFilter", "", QRect(68, 96, 132, 22));
  Text(g, "", "Mirror", QRect(202, 96, 40, 22));
  Text(g, "LabelMirror", "", QRect(242, 96, 64, 22));
  Button(g, "ButtonFilters", "Select filters / mirror / lamp", QRect(310, 96, 180, 22));
  auto* memo = Named(new QLabel("In analogic mode the THT is tuned automatically", g), "MemoAnalogic",
                     QRect(356, 66, 134, 28));
  memo->setWordWrap(true);
  memo->hide();

  auto* solve = Group(this, "GroupBoxSolve", " To solve before acquisition ", QRect(516, 160, 497, 42));
  const char* names[3] = {"LabelShutterClosed", "LabelTHTNoResponse", "Label1can"};
  const char* texts[3] = {"Shutter closed !", "No THT !", "Scan 1 channel ?"};
  for (int i = 0; i < 3; ++i) {
    auto* l = Text(solve, names[i], texts[i], QRect(10 + 160 * i, 16, 150, 20), Qt::AlignCenter);
    l->setStyleSheet("color: red; font-weight: bold");
    l->hide();
  }
}

void TParameters::BuildBottom() {
  auto* ok = Button(this, "ButtonOK", "&OK (acquire)", QRect(8, 636, 150, 40));
  QFont bold = ok->font();
  bold.setBold(true);
  ok->setFont(bold);
  Button(this, "ButtonCancel", "&Quit", QRect(164, 636, 86, 40));
  Button(this, "ButtonPrint", "&Print this window", QRect(256, 636, 124, 40));
  auto* mil = Button(this, "ButtonMIL", "&Tests Matrox + PF", QRect(386, 636, 122, 40));
  mil->setToolTip("The frame-grabber test window is not available yet");
  auto* wait = Text(this, "LabelWaitAcquisition", " Wait ... initializing", QRect(8, 682, 240, 24));
  wait->setStyleSheet("color: red; font-weight: bold");
  wait->hide();
  for (const auto& [name, text, y] : {std::tuple{"LabelLocked1", "Parameters edition is locked", 682},
                                      std::tuple{"LabelLocked2", "because acquisition is running...", 704}}) {
    auto* l = Text(this, name, text, QRect(260, y, 248, 20));
    l->setStyleSheet("color: red; font-weight: bold");
    l->hide();
  }
}

void TParameters::BuildStartUpBlock() {
  auto* block = Named(new QFrame(this), "PanelStart", QRect(516, 206, 497, 534));
  block->setFrameShape(QFrame::Box);
  block->setAutoFillBackground(true);
  auto* memo = Named(new QPlainTextEdit(block), "MemoWarning", QRect(6, 6, 485, 236));
  memo->setReadOnly(true);
  memo->setPlainText(
      "IT IS STRONGLY RECOMMENDED TO SET THT HIGH VOLTAGE TO  ZERO VOLTS BEFORE\n"
      "CONTINUATION\n\n\n"
      "WARNING for THT :\n"
      "There is a REAL DANGER for the AsGa tube which has no permanent TV control of the\n"
      "image : the user cannot see immadiately over-illuminations.\n"
      "If THT is set to maximum when calibration lamp for analogic calibration  is on, the AsGa\n"
      "tube could be destroyed !\n"
      "It is strongly recommended to set systematically THT to zero now.");
  memo->setStyleSheet("color: darkred");
  // Each line of the warning is one line on the screen: the font is made as small
  // as the widest one needs, rather than have a sentence broken in two.
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QFont font = memo->font();
  const int room = memo->width() - 2 * memo->frameWidth() - 2 * static_cast<int>(memo->document()->documentMargin()) - 4;
  for (double size = font.pointSizeF(); size > 6.0; size -= 0.5) {
    font.setPointSizeF(size);
    int widest = 0;
    for (const QString& line : memo->toPlainText().split('\n'))
      widest = std::max(widest, QFontMetrics(font).horizontalAdvance(line));
    if (widest <= room) break;
  }
  memo->setFont(font);
  auto* zero = Button(block, "BitBtnStart1", "&Set THT to zero and start acquisition program", QRect(6, 250, 485, 40));
  QFont bold = zero->font();
  bold.setBold(true);
  zero->setFont(bold);
  Button(block, "ButtonStart2", "Let THT as now and start", QRect(6, 298, 300, 30));
  Named(new QCheckBox("Enable this button", block), "CheckBoxStart", QRect(316, 298, 170, 30));
  Button(block, "BitBtnQuit1", "&Quit program", QRect(6, 336, 300, 30));
  auto* figure = Named(new QFrame(block), "Figure", QRect(6, 376, 485, 150));
  figure->setStyleSheet("background: #102040");
  auto* torvel = Text(figure, "LabelTorvel", "TORVEL", QRect(0, 30, 485, 50), Qt::AlignCenter);
  torvel->setStyleSheet("color: #f0d060; font-size: 30pt; font-weight: bold");
  auto* conceptLabel = Text(figure, "LabelConcept", "concept", QRect(0, 86, 485, 30), Qt::AlignCenter);
  conceptLabel->setStyleSheet("color: #c0c8ff; font-size: 14pt; font-style: italic");
}

void TParameters::BuildHelpPanel() {
  auto* help = Named(new QFrame(this), "PanelHelp", QRect(516, 206, 497, 534));
  auto* memo = Named(new QPlainTextEdit(help), "MemoHelp", QRect(0, 0, 497, 496));
  memo->setReadOnly(true);
  memo->setPlainText(
      "Preparing an acquisition\n\n"
      "Identification: the observation number and prefix name the data directory "
      "(prefix G, number 42: G042), the photon files and the log file. \"T(est)\" takes the "
      "next test number without using up an ordinary one. The comment, interferometer and "
      "filter lines go into the observation log; they must be filled for 3D acquisitions.\n\n"
      "Type of acquisition: choosing a type copies its column (2D, 3D calib, 3D object) into "
      "the current values; the current column is the one acquired.\n\n"
      "Scanning: channels, exposure per channel in seconds, maximum number of cycles, the "
      "channel and cycle to start from, the wavelength and the Queensgate constant. See-saw "
      "scanning runs the cycles alternately up and down.\n\n"
      "More than 99 channels or cycles need the long file names; OK switches to them.\n\n"
      "Disk storage: the photon files of each channel and the log file go into the directory "
      "shown; \"Define another directory\" chooses or creates it.\n\n"
      "\"Detailed instrument parameters\" shows the instrument definition: load a .DEF "
      "configuration there before the first acquisition with a new instrument.");
  Button(help, "Button3", "Detailed instrument parameters", QRect(0, 502, 240, 30));
}

void TParameters::BuildDetailPanel() {
  auto* detail = Named(new QFrame(this), "Detail", QRect(516, 206, 497, 534));
  detail->setAutoFillBackground(true);
  BuildInstrumentGroup(detail);
  BuildDetailGroups(detail);
  detail->hide();
}

void TParameters::BuildInstrumentGroup(QWidget* detail) {
  auto* g = Group(detail, "GroupBoxInstrument", " Base default instrument parameters : PRECEDENT VALUES ",
                  QRect(0, 0, 497, 326));
  grid_ = Named(new QTableWidget(23, 2, g), "StringGrid1", QRect(6, 18, 268, 303));
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setMinimumSectionSize(10);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setDefaultSectionSize(13);
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setColumnWidth(0, 158);
  grid_->setColumnWidth(1, 106);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QFont small = grid_->font();
  small.setPointSize(7);
  grid_->setFont(small);
  // The arrows beside the discriminator and TV level rows (rows 2 to 4).
  const char* arrows[3] = {"UpDownDiscri", "UpDownBL", "UpDownWL"};
  for (int i = 0; i < 3; ++i) Arrow(g, arrows[i], 0, 255, QRect(276, 18 + 13 * (i + 2), 46, 13));
  auto* list = Named(new QComboBox(g), "ComboBoxDef", QRect(326, 18, 166, 22));
  list->addItem("Select configuration");
  for (const Preset& preset : Presets()) list->addItem(preset.listEntry);
  Button(g, "ButtonDef", "<-- &Load .DEF to current", QRect(326, 44, 166, 24));
  Button(g, "Button1", "Help on .DEF config files", QRect(326, 72, 166, 22));
  Button(g, "Button2", "THTin=THTout", QRect(326, 98, 166, 22));
  auto* squeeze = Text(g, "LabelSqueezeTHT", "Return THT squeezed", QRect(326, 122, 166, 18));
  squeeze->setStyleSheet("color: red");
  squeeze->hide();
  Text(g, "LabelAxiom", "", QRect(326, 142, 166, 18));
  const struct {
    const char *name, *text;
  } inhibit[5] = {{"ButtonInhibShutter", "Inhib shutter"},
                  {"ButtonTemp0", "Inhib temp"},
                  {"ButtonMirror0", "Inhib mirror"},
                  {"ButtonInhibCL", "Inhib closeloop"},
                  {"ButtonTHT0", "Inhib THT"}};
  for (int i = 0; i < 5; ++i) Button(g, inhibit[i].name, inhibit[i].text, QRect(326, 164 + 25 * i, 166, 22));
  auto* wait = Text(g, "LabelWait", "Wait : reconfiguring acquisition parameters... ", QRect(6, 312, 268, 18));
  wait->setStyleSheet("color: red; background: yellow");
  wait->hide();
}

void TParameters::BuildDetailGroups(QWidget* detail) {
  // Each list under its caption: the entries are wider than a caption beside them allows.
  auto* format = Group(detail, "GroupBoxFormat", " Data format disk storage ", QRect(0, 328, 300, 96));
  Text(format, "", "Data format", QRect(6, 14, 150, 16));
  auto* data = Named(new QComboBox(format), "ComboBoxDataFormat", QRect(6, 30, 288, 22));
  data->addItems({"X and Y coordinates [4 bytes] ", "XY + frame number [8 bytes] ", "X and Y 256 x 256 [2 bytes]"});
  Text(format, "", "Data file names", QRect(6, 52, 150, 16));
  auto* names = Named(new QComboBox(format), "ComboBoxFileType", QRect(6, 68, 288, 22));
  names->addItems({"Miiicckk.VLA (short file name)", "Miiicccckkkk.VLA (long file names)"});

  auto* mil = Group(detail, "GroupBoxMIL", "Matrox board error control ", QRect(304, 328, 193, 96));
  Radio(mil, "RadioButtonMILNorm", "normal MIL errors", QRect(6, 18, 184, 18));
  Text(mil, "", "(recommended)", QRect(26, 36, 160, 14));
  Radio(mil, "RadioButtonMILTest", "full MIL errors (tests only)", QRect(6, 58, 184, 18));

  auto* cs100 = Group(detail, "GroupBoxCS100", " Scanning controler CS100 interface ", QRect(0, 426, 300, 82));
  Radio(cs100, "RadioButtonSerial", "Serial RS232 (PELNO)", QRect(6, 14, 164, 20));
  auto* ports = Named(new QComboBox(cs100), "ComboBoxSerial", QRect(174, 14, 80, 22));
  ports->addItems({"COM1:", "COM2:", "COM3:", "COM4:"});
  Radio(cs100, "RadioButtonParallel", "Parallel (Varsa)", QRect(6, 36, 150, 20));
  Radio(cs100, "RadioButtonTestFile", "Test file", QRect(6, 58, 80, 20));
  auto* testFile = Edit(cs100, "EditTestFile", QRect(90, 56, 204, 22));
  testFile->setReadOnly(true);
  testFile->installEventFilter(this);

  auto* scanning = Group(detail, "GroupBoxScanningMode", " Perot-Fabry scanning mode ", QRect(304, 426, 193, 82));
  Radio(scanning, "RadioButtonScanningYes", "Scanning performed", QRect(6, 14, 180, 18));
  Radio(scanning, "RadioButtonScanningNo", "Scanning NOT performed", QRect(6, 32, 180, 18));
  Radio(scanning, "RadioButtonScanningPause", "Scanning with PAUSE ", QRect(6, 50, 184, 18));
  Text(scanning, "", "before channels", QRect(26, 66, 150, 14));

  Button(detail, "ButtonCommand", "(show command)", QRect(0, 510, 124, 24));
  // The command with its eleven arguments needs more than a line: it shows under
  // the OK row, where nothing else stands while it is shown.
  auto* command = Text(this, "LabelCommand", "", QRect(8, 680, 500, 60), Qt::AlignLeft | Qt::AlignTop);
  command->setWordWrap(true);
  command->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* mode = Named(new QComboBox(detail), "ComboBoxMode", QRect(377, 510, 120, 24));
  mode->addItems({"0 avec flag", "1 avec rename"});
}

void TParameters::ConnectHandlers() {
  const auto click = [this](const char* name, auto handler) {
    connect(findChild<QAbstractButton*>(name), &QAbstractButton::clicked, this, handler);
  };
  click("RadioButton2D", [this] { TypeClick(kAcq2DImage); });
  click("RadioButtonCalib", [this] { TypeClick(kAcq3DCalibration); });
  click("RadioButtonObj", [this] { TypeClick(kAcq3DObject); });
  click("RadioButtonAnalogic", [this] { TypeClick(kAcqAnalogicCalibration); });
  click("RadioButtonTV", [this] { SourceClick(kSourceTvIpcs); });
  click("RadioButtonSimul", [this] { SourceClick(kSourceSimulation); });
  click("RadioButtonScanningYes", [this] { ScanningModeClick(kScanningPerformed); });
  click("RadioButtonScanningNo", [this] { ScanningModeClick(kScanningNotPerformed); });
  click("RadioButtonScanningPause", [this] { ScanningModeClick(kScanningWithPause); });
  click("RadioButtonParallel", [this] { ParallelClick(); });
  click("RadioButtonSerial", [this] { SerialClick(); });
  click("RadioButtonTestFile", [this] { TestFileClick(); });
  click("ButtonPrefixT", [this] { PrefixTestClick(); });
  click("ButtonChangeDir", [this] { ChangeDirClick(); });
  click("ButtonOK", [this] { ButtonOKClick(); });
  click("ButtonCancel", [this] { ButtonCancelClick(); });
  click("ButtonPrint", [this] { ButtonPrintClick(); });
  click("ButtonCommand", [this] { ButtonCommandClick(); });
  click("BitBtnStart1", [this] { StartChoice(true); });
  click("ButtonStart2", [this] { StartChoice(false); });
  click("BitBtnQuit1", [this] { ButtonCancelClick(); });
  click("Button3", [this] {
    widget("PanelHelp")->hide();
    widget("Detail")->show();
  });
  connect(findChild<QCheckBox*>("CheckBoxStart"), &QCheckBox::toggled, button("ButtonStart2"), &QPushButton::setEnabled);
  click("ButtonCloseShutter", [this] {
    if (services_.commandShutter) services_.commandShutter(1);
  });
  click("ButtonOpenShutter", [this] {
    if (services_.commandShutter) services_.commandShutter(0);
    s_.operatorAnswer = 0;
  });
  const auto edited = [this](const char* name, void (TParameters::*handler)()) {
    connect(edit(name), &QLineEdit::textChanged, this, [this, handler] {
      if (!filling_) (this->*handler)();
    });
  };
  edited("EditNumobs", &TParameters::IdentificationChange);
  for (const char* name : {"EditLz", "EditMaxcycles", "EditStartcan", "EditStartcycle"}) edited(name, &TParameters::PlanChange);
  connect(combo("ComboBoxPrefix"), &QComboBox::currentTextChanged, this, [this] {
    if (!filling_) IdentificationChange();
  });
  connect(combo("ComboBoxFileType"), &QComboBox::currentIndexChanged, this, [this] {
    if (!filling_) PlanChange();
  });
  connect(combo("ComboBoxSerial"), &QComboBox::currentIndexChanged, this, [this](int entry) {
    if (!filling_ && entry >= 0) SerialPortChange(entry);
  });
  connect(combo("ComboBoxMode"), &QComboBox::currentIndexChanged, this, [this](int entry) {
    if (!filling_ && entry >= 0) ModeChange(entry);
  });
  connect(findChild<QScrollBar*>("UpDown3"), &QScrollBar::valueChanged, this, [this](int value) {
    if (!filling_) edit("EditNumobs")->setText(QString::asprintf("%3.3d", value));
  });
  // A number typed in the edit is where its arrow goes on from.
  for (const auto& [editName, arrowName] : {std::pair{"EditNumobs", "UpDown3"}, std::pair{"EditSimul", "UpDownSimul"}})
    connect(edit(editName), &QLineEdit::textChanged, this, [this, arrowName](const QString& text) {
      bool number = false;
      const int value = text.trimmed().toInt(&number);
      if (!number) return;
      auto* arrow = findChild<QScrollBar*>(arrowName);
      const QSignalBlocker quiet(arrow);
      arrow->setValue(value);
    });
  connect(findChild<QScrollBar*>("UpDownSimul"), &QScrollBar::valueChanged, this, [this](int value) {
    if (!filling_) edit("EditSimul")->setText(QString::number(value));
  });
}

void TParameters::ConnectInstrumentHandlers() {
  const auto click = [this](const char* name, auto handler) {
    connect(findChild<QAbstractButton*>(name), &QAbstractButton::clicked, this, handler);
  };
  connect(combo("ComboBoxDef"), &QComboBox::currentIndexChanged, this,
          [this](int entry) { button("ButtonDef")->setEnabled(entry > 0 && p_.RunState != 1); });
  click("ButtonDef", [this] { LoadDefinitionClick(); });
  click("Button1", [this] { helpDef_->exec(); });
  click("Button2", [this] {
    p_.THTSqueeze -= 1;
    label("LabelSqueezeTHT")->setVisible(p_.THTSqueeze != 0);
  });
  click("ButtonInhibShutter", [this] {
    InhibitShutter(p_);
    ShowInstrumentGrid();
    if (services_.refreshShutter) services_.refreshShutter();
  });
  click("ButtonTemp0", [this] {
    InhibitTemperature(p_);
    ShowInstrumentGrid();
    if (services_.openTemperaturePort) services_.openTemperaturePort();
    RefreshRemoteControls();
  });
  click("ButtonMirror0", [this] {
    InhibitMirror(p_);
    ShowInstrumentGrid();
    RefreshRemoteControls();
  });
  click("ButtonInhibCL", [this] {
    button("ButtonInhibCL")->setText(QString::fromStdString(ToggleCloseLoopWatch(s_.closeLoopWatch)));
    ShowInstrumentGrid();
    RefreshRemoteControls();
  });
  click("ButtonTHT0", [this] {
    InhibitTHT(p_);
    ShowInstrumentGrid();
  });
  const struct {
    const char* name;
    std::int32_t AcquisitionParameters::*field;
  } arrows[3] = {{"UpDownDiscri", &AcquisitionParameters::Discri},
                 {"UpDownBL", &AcquisitionParameters::BlackLevel},
                 {"UpDownWL", &AcquisitionParameters::WhiteLevel}};
  for (const auto& arrow : arrows)
    connect(findChild<QScrollBar*>(arrow.name), &QScrollBar::valueChanged, this, [this, field = arrow.field](int value) {
      if (filling_) return;
      p_.*field = value;
      ShowInstrumentGrid();
    });
}

}  // namespace velmar
