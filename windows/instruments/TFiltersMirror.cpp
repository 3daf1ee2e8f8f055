#include "windows/instruments/TFiltersMirror.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "windows/common/widget_placing.h"

namespace velmar {

namespace {
const char* Colour(PanelColour colour) {
  switch (colour) {
    case PanelColour::Yellow: return "rgb(255, 255, 0)";
    case PanelColour::Silver: return "rgb(192, 192, 192)";
    case PanelColour::Pink: return "rgb(255, 128, 192)";
    default: return "rgb(0, 0, 0)";
  }
}

void Paint(QWidget* w, PanelColour colour) {
  const char* text = colour == PanelColour::Black ? "white" : "black";
  w->setStyleSheet(QString("background-color: %1; color: %2; border: 1px solid gray;").arg(Colour(colour), text));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect where) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setGeometry(where);
  return l;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect where) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setGeometry(where);
  return b;
}

QLabel* MakePanel(QWidget* parent, const char* name, const QString& text, QRect where) {
  QLabel* panel = MakeLabel(parent, name, text, where);
  panel->setAlignment(Qt::AlignCenter);
  Paint(panel, PanelColour::Black);
  return panel;
}
}  // namespace

TFiltersMirror::TFiltersMirror(SharedState& shared, InstrumentBoard& board, QWidget* parent)
    : QDialog(parent), shared_(shared), board_(board), filters_(shared.parameters, shared.acquisition) {
  setObjectName("TFiltersMirror");
  setWindowTitle("Velmar filters & mirror panel");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setFixedSize(420, 330);
  Build();
  Connect();
  filters_.SetPanel(this);
  ident_ = new TFIIdent(filters_, shared.acquisition, this);
  // A move waits on the process clock; the window looks for its end while it is
  // shown or a move it started is still under way.
  steps_ = new QTimer(this);
  steps_->setInterval(50);
  connect(steps_, &QTimer::timeout, this, [this] {
    filters_.Poll();
    if (!isVisible() && !filters_.filterMoving() && !filters_.mirrorMoving()) steps_->stop();
  });
}

void TFiltersMirror::Build() {
  auto* heading = MakeLabel(this, "LabelHeading", "Instrument handset", QRect(8, 4, 404, 24));
  heading->setAlignment(Qt::AlignCenter);
  QFont bold = heading->font();
  bold.setPointSize(12);
  bold.setBold(true);
  heading->setFont(bold);
  MakeLabel(this, "LabelHint", "Click on pink buttons to change", QRect(8, 28, 404, 18))->setAlignment(Qt::AlignCenter);

  auto* filters = new QGroupBox(" Filters ", this);
  filters->setGeometry(8, 50, 200, 170);
  Paint(MakeButton(filters, "ShapeFilters", "Next filter", QRect(10, 20, 90, 26)), PanelColour::Pink);
  MakeLabel(filters, "LabelMovingFilters", "Moving...", QRect(110, 20, 80, 26))->hide();
  for (int i = 0; i < 4; ++i) {
    const QByteArray panel = QString("PanelFI%1").arg(i + 1).toLatin1();
    const QByteArray name = QString("LabelFI1%1").arg(i + 1).toLatin1();
    MakePanel(filters, panel.constData(), QString::number(i + 1), QRect(10, 56 + 27 * i, 24, 22));
    MakeLabel(filters, name.constData(), "Filtre ??", QRect(40, 56 + 27 * i, 154, 22));
  }

  auto* mirror = new QGroupBox(" Mirror ", this);
  mirror->setGeometry(214, 50, 198, 100);
  MakePanel(mirror, "PanelEta", "Calib", QRect(10, 20, 80, 22));
  MakePanel(mirror, "PanelCiel", "Sky", QRect(106, 20, 80, 22));
  MakeButton(mirror, "ShapeCalib", "Calib", QRect(10, 46, 80, 26));
  MakeButton(mirror, "ShapeSky", "Sky", QRect(106, 46, 80, 26));
  MakeLabel(mirror, "LabelMovingMirror", "Moving...", QRect(10, 74, 176, 20))->hide();

  auto* lamps = new QGroupBox(" Lamps ", this);
  lamps->setGeometry(214, 154, 198, 66);
  Paint(MakeButton(lamps, "ShapeLamp1", "Neon", QRect(10, 20, 56, 26)), PanelColour::Pink);
  MakePanel(lamps, "PanelLamp1", "", QRect(70, 22, 20, 22));
  Paint(MakeButton(lamps, "ShapeLamp2", "Other", QRect(106, 20, 56, 26)), PanelColour::Pink);
  MakePanel(lamps, "PanelLamp2", "", QRect(166, 22, 20, 22));

  MakeButton(this, "Button1", "Close shutter", QRect(8, 228, 96, 28));
  MakeButton(this, "Button2", "Open shutter", QRect(108, 228, 96, 28));
  MakeLabel(this, "LabelShutter", "", QRect(214, 228, 198, 28))->setAlignment(Qt::AlignCenter);
  MakeButton(this, "ButtonIdentFI", "Change filters identification", QRect(8, 262, 196, 28));
  MakeLabel(this, "LabelTemps", "????", QRect(214, 262, 198, 28));
  MakeButton(this, "BitBtn1", "&Return", QRect(316, 296, 96, 28));
}

void TFiltersMirror::Connect() {
  const auto on = [this](const char* name, auto action) { connect(button(name), &QPushButton::clicked, this, action); };
  on("ShapeFilters", [this] { filters_.NextFilter(); });
  on("ShapeCalib", [this] { filters_.MoveMirror(1); });
  on("ShapeSky", [this] { filters_.MoveMirror(2); });
  on("ShapeLamp1", [this] { filters_.ToggleLamp(1); });
  on("ShapeLamp2", [this] { filters_.ToggleLamp(2); });
  on("Button1", [this] {
    board_.CommandShutter(1);
    board_.RefreshShutterStatus(*this);
  });
  on("Button2", [this] {
    board_.CommandShutter(0);
    board_.RefreshShutterStatus(*this);
  });
  on("ButtonIdentFI", [this] { ident_->exec(); });
  on("BitBtn1", [this] { accept(); });
}

void TFiltersMirror::ParametersShown() {
  const FilterNames names = filters_.ParametersShown();
  ident_->SetNames(names);
}

void TFiltersMirror::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  steps_->start();
  filters_.ShowFiltersPanel();
  label("LabelShutter")->setText(Q(shared_.acquisition.shutterStateText));
}

void TFiltersMirror::ShowFiltersPanel(const FiltersPanelView& v) {
  for (int i = 0; i < 4; ++i) Paint(widget(QString("PanelFI%1").arg(i + 1).toLatin1().constData()), v.filters[i]);
  Paint(widget("PanelEta"), v.calib);
  Paint(widget("PanelCiel"), v.sky);
  Paint(button("ShapeCalib"), v.calibButton);
  Paint(button("ShapeSky"), v.skyButton);
  Paint(widget("PanelLamp1"), v.lamp1);
  Paint(widget("PanelLamp2"), v.lamp2);
}

void TFiltersMirror::ShowFilterMoving(bool moving) {
  label("LabelMovingFilters")->setVisible(moving);
  Paint(button("ShapeFilters"), moving ? PanelColour::Silver : PanelColour::Pink);
  button("ShapeFilters")->setEnabled(!moving);
}

void TFiltersMirror::ShowMirrorMoving(bool moving) {
  label("LabelMovingMirror")->setVisible(moving);
  if (moving) {
    Paint(button("ShapeCalib"), PanelColour::Silver);
    Paint(button("ShapeSky"), PanelColour::Silver);
  }
  button("ShapeCalib")->setEnabled(!moving);
  button("ShapeSky")->setEnabled(!moving);
}

void TFiltersMirror::ShowFilterLabels(const FilterNames& names) {
  for (int i = 0; i < 4; ++i) label(QString("LabelFI1%1").arg(i + 1).toLatin1().constData())->setText(Q(names[i]));
}

void TFiltersMirror::ShowLastChange(const std::string& text) {
  label("LabelTemps")->setText(Q(text));
  ident_->ShowLastChange(Q(text));
}

void TFiltersMirror::ShowShutterStatus(const std::string& text, std::int32_t code, std::int32_t) {
  label("LabelShutter")->setText(Q(text));
  label("LabelShutter")->setStyleSheet(code == 0 ? "color: rgb(0, 0, 255); font-weight: bold;"
                                                 : "color: rgb(255, 0, 0); font-weight: bold;");
}

QPushButton* TFiltersMirror::button(const char* name) const { return findChild<QPushButton*>(name); }
QLabel* TFiltersMirror::label(const char* name) const { return findChild<QLabel*>(name); }
QWidget* TFiltersMirror::widget(const char* name) const { return findChild<QWidget*>(name); }

}  // namespace velmar
