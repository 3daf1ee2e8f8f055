#include "windows/cube/TDataCube.h"

#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScatterSeries>
#include <QSlider>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "export/fits_export.h"
#include "platform/format.h"
#include "windows/common/widget_placing.h"

namespace velmar {

namespace {

// Black through red and yellow to white: faint channels stay readable.
QVector<QRgb> HeatColours() {
  QVector<QRgb> table(256);
  for (int i = 0; i < 256; ++i) {
    const double f = i / 255.0;
    const int r = static_cast<int>(std::clamp(3.0 * f, 0.0, 1.0) * 255);
    const int g = static_cast<int>(std::clamp(3.0 * f - 1.0, 0.0, 1.0) * 255);
    const int b = static_cast<int>(std::clamp(3.0 * f - 2.0, 0.0, 1.0) * 255);
    table[i] = qRgb(r, g, b);
  }
  return table;
}

QString CountText(double value) {
  if (std::fabs(value) >= 1e6) return QString::number(value, 'g', 4);
  return QString::number(std::llround(value));
}

}  // namespace

// The channel's image, scaled to the widget with its proportions kept; reports the
// stored address under the mouse and the box dragged with the left button.
class CubeImageView : public QWidget {
 public:
  explicit CubeImageView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(320, 320);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }
  std::function<void(int, int)> pointed;
  std::function<void(int, int, int, int)> boxed;

  void SetImage(const QImage& image, int bin) {
    image_ = image;
    // Row 0 of the cube at the bottom, as the reduction tools show it; converted
    // once here, so that a repaint only scales it.
    picture_ = QPixmap::fromImage(image.mirrored(false, true));
    bin_ = bin;
    update();
  }
  void SetBox(std::optional<QRect> box) {
    box_ = box;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::darkGray);
    if (image_.isNull()) return;
    p.drawPixmap(Target(), picture_);
    if (box_) {
      p.setPen(QPen(Qt::cyan, 1));
      p.drawRect(ToWidget(*box_));
    }
    if (dragging_) {
      p.setPen(QPen(Qt::cyan, 1, Qt::DashLine));
      p.drawRect(QRect(dragFrom_, dragTo_).normalized());
    }
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (dragging_) {
      dragTo_ = e->position().toPoint();
      update();
    }
    const auto a = ToAddress(e->position().toPoint());
    if (a && pointed) pointed(a->x(), a->y());
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return;
    dragging_ = true;
    dragFrom_ = dragTo_ = e->position().toPoint();
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (!dragging_ || e->button() != Qt::LeftButton) return;
    dragging_ = false;
    const auto a = ToAddress(dragFrom_, true), b = ToAddress(e->position().toPoint(), true);
    if (a && b && boxed) boxed(a->x(), a->y(), b->x(), b->y());
    update();
  }

 private:
  QRect Target() const {
    QSize size = image_.size();
    size.scale(this->size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
  }
  // The stored address under a point of the widget (clamped to the image when asked).
  std::optional<QPoint> ToAddress(QPoint p, bool clamp = false) const {
    if (image_.isNull()) return std::nullopt;
    const QRect t = Target();
    if (!clamp && !t.contains(p)) return std::nullopt;
    const double fx = std::clamp((p.x() - t.left()) / static_cast<double>(t.width()), 0.0, 0.999999);
    const double fy = std::clamp((t.bottom() + 1 - p.y()) / static_cast<double>(t.height()), 0.0, 0.999999);
    return QPoint(static_cast<int>(fx * image_.width()) * bin_, static_cast<int>(fy * image_.height()) * bin_);
  }
  QRect ToWidget(const QRect& addresses) const {
    const QRect t = Target();
    const double sx = t.width() / static_cast<double>(image_.width() * bin_);
    const double sy = t.height() / static_cast<double>(image_.height() * bin_);
    const int left = t.left() + static_cast<int>(addresses.left() * sx);
    const int right = t.left() + static_cast<int>((addresses.right() + 1) * sx);
    const int top = t.bottom() + 1 - static_cast<int>((addresses.bottom() + 1) * sy);
    const int bottom = t.bottom() + 1 - static_cast<int>(addresses.top() * sy);
    return QRect(QPoint(left, top), QPoint(right, bottom));
  }

  QImage image_;
  QPixmap picture_;
  int bin_ = 1;
  std::optional<QRect> box_;
  bool dragging_ = false;
  QPoint dragFrom_, dragTo_;
};

TDataCube::TDataCube(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("TDataCube");
  setWindowTitle("Data cube");
  resize(1100, 680);
  Build();
}

TDataCube::~TDataCube() { StopFollowing(); }

void TDataCube::Build() {
  auto* top = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  top->addLayout(left, 3);
  top->addLayout(right, 2);

  auto* heading = new QLabel(this);
  heading->setObjectName("LabelObservation");
  left->addWidget(heading);
  auto* imageRow = new QHBoxLayout;
  view_ = new CubeImageView(this);
  view_->setObjectName("ImageChannel");
  view_->pointed = [this](int x, int y) { PointAt(x, y); };
  view_->boxed = [this](int x0, int y0, int x1, int y1) { SetBox(x0, y0, x1, y1); };
  imageRow->addWidget(view_, 1);
  colourBar_ = new QLabel(this);
  colourBar_->setObjectName("LabelColourScale");
  colourBar_->setFixedWidth(96);
  imageRow->addWidget(colourBar_);
  left->addLayout(imageRow, 1);

  auto* channelRow = new QHBoxLayout;
  auto* slider = Place(new QSlider(Qt::Horizontal, this), "SliderChannel", {});
  slider->setRange(1, 1);
  slider->setPageStep(1);
  channelRow->addWidget(slider, 1);
  auto* channelLabel = Place(new QLabel(this), "LabelChannel", {});
  channelLabel->setMinimumWidth(260);
  channelRow->addWidget(channelLabel);
  left->addLayout(channelRow);

  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel("binning", this));
  auto* binning = Place(new QComboBox(this), "ComboBoxBinning", {});
  for (int b : {1, 2, 4, 8}) binning->addItem(QString("%1 x %1").arg(b), b);
  controls->addWidget(binning);
  controls->addWidget(new QLabel("stretch", this));
  auto* stretch = Place(new QComboBox(this), "ComboBoxStretch", {});
  stretch->addItems({"linear", "logarithmic"});
  controls->addWidget(stretch);
  controls->addStretch(1);
  auto* png = Place(new QPushButton("Save image (PNG)...", this), "ButtonSavePng", {});
  auto* fits = Place(new QPushButton("Save cube (FITS)...", this), "ButtonSaveFits", {});
  auto* close = Place(new QPushButton("Close", this), "ButtonClose", {});
  controls->addWidget(png);
  controls->addWidget(fits);
  controls->addWidget(close);
  left->addLayout(controls);
  auto* status = Place(new QLabel(this), "LabelStatus", {});
  status->setWordWrap(true);
  left->addWidget(status);
  left->addWidget(Place(new QLabel(this), "LabelSaved", {}));

  auto makeChart = [this](const char* name, const QString& title) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setVisible(false);
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto* view = new QChartView(chart, this);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(220);
    return chart;
  };
  totalsChart_ = makeChart("ChartTotals", "Photons per channel (the scan's integrated spectrum)");
  totals_ = new QLineSeries;
  totals_->setName("all photons");
  current_ = new QScatterSeries;
  current_->setName("channel shown");
  current_->setMarkerSize(9);
  totalsChart_->addSeries(totals_);
  totalsChart_->addSeries(current_);
  spectrumChart_ = makeChart("ChartSpectrum", "Spectrum under the mouse and in the drawn box");
  pointerSeries_ = new QLineSeries;
  pointerSeries_->setName("under the mouse");
  boxSeries_ = new QLineSeries;
  boxSeries_->setName("drawn box");
  spectrumChart_->addSeries(pointerSeries_);
  spectrumChart_->addSeries(boxSeries_);
  spectrumChart_->legend()->setVisible(true);
  for (QChart* chart : {totalsChart_, spectrumChart_}) {
    auto* x = new QValueAxis;
    auto* y = new QValueAxis;
    x->setObjectName("AxisX");
    y->setObjectName("AxisY");
    y->setLabelFormat("%.0f");
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
      s->attachAxis(x);
      s->attachAxis(y);
    }
  }
  right->addWidget(findChild<QChartView*>("ChartTotals"), 1);
  right->addWidget(findChild<QChartView*>("ChartSpectrum"), 1);
  auto* axisRow = new QHBoxLayout;
  axisRow->addWidget(new QLabel("against", this));
  auto* axis = Place(new QComboBox(this), "ComboBoxAxis", {});
  axis->addItems({"channel", "CS100 position", Q(AxisTitle(SpectrumAxis::Wavelength))});
  axisRow->addWidget(axis);
  axisRow->addWidget(new QLabel("interference order", this));
  auto* order = Place(new QDoubleSpinBox(this), "SpinBoxOrder", {});
  order->setRange(0, 100000);
  order->setDecimals(1);
  order->setSpecialValueText("unknown");
  order->setToolTip("The etalon's interference order at the scanning wavelength: with it the scan's free spectral "
                    "range, and so the wavelength of each channel, is known");
  axisRow->addWidget(order);
  axisRow->addStretch(1);
  right->addLayout(axisRow);
  auto* pointer = Place(new QLabel(this), "LabelPointer", {});
  right->addWidget(pointer);

  timer_ = new QTimer(this);
  timer_->setInterval(500);
  connect(timer_, &QTimer::timeout, this, [this] {
    if (follower_ && follower_->Generation() != shownGeneration_) Refresh();
  });
  watcher_ = new QFileSystemWatcher(this);
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
    if (thread_) thread_->Poke();
  });
  connect(slider, &QSlider::valueChanged, this, [this] { Redraw(); });
  connect(binning, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
  connect(stretch, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
  connect(axis, &QComboBox::currentIndexChanged, this, [this] { RedrawCurves(); });
  connect(order, &QDoubleSpinBox::valueChanged, this, [this] { RedrawCurves(); });
  connect(png, &QPushButton::clicked, this, [this] { SavePngClick(); });
  connect(fits, &QPushButton::clicked, this, [this] { SaveFitsClick(); });
  connect(close, &QPushButton::clicked, this, &QWidget::close);
}

bool TDataCube::Open(const std::string& observation, std::string& error, std::int32_t bin) {
  std::optional<Observation> o = ReadObservation(observation, error);
  if (!o) return false;
  StopFollowing();
  observation_ = std::move(o);
  follower_ = std::make_unique<CubeFollower>(LayoutOf(*observation_, bin));
  const CubeLayout& l = follower_->layout();
  const ObservationHeader& h = observation_->header;
  setWindowTitle(Q(Format("Data cube %s", h.observation.c_str())));
  findChild<QLabel*>("LabelObservation")
      ->setText(Q(Format("%s  %s  (%s, %d x %d addresses, %d channels, cube binned %d x %d)", h.observation.c_str(),
                         h.identification.c_str(), h.type.c_str(), l.sizeX, l.sizeY, l.channels, l.bin, l.bin)));
  auto* slider = findChild<QSlider*>("SliderChannel");
  slider->setRange(1, l.channels);
  // Display bins finer than the cube's are not there to show.
  auto* binning = findChild<QComboBox*>("ComboBoxBinning");
  for (int i = 0; i < binning->count(); ++i) {
    const bool usable = binning->itemData(i).toInt() >= l.bin;
    binning->setItemData(i, usable ? QVariant() : QVariant(0), Qt::UserRole - 1);
    if (!usable && binning->currentIndex() == i) binning->setCurrentIndex(i + 1);
  }
  pointer_.reset();
  box_.reset();
  view_->SetBox(std::nullopt);
  shownGeneration_ = ~0ULL;
  if (!watcher_->directories().isEmpty()) watcher_->removePaths(watcher_->directories());
  watcher_->addPath(Q(l.directory));
  thread_ = std::make_unique<CubeFollowerThread>(*follower_);
  timer_->start();
  Refresh();
  return true;
}

void TDataCube::StopFollowing() {
  if (timer_) timer_->stop();
  thread_.reset();  // joins the reader
}

std::int32_t TDataCube::Channel() const { return findChild<QSlider*>("SliderChannel")->value(); }

std::int32_t TDataCube::DisplayBin() const {
  const int bin = findChild<QComboBox*>("ComboBoxBinning")->currentData().toInt();
  return follower_ ? std::max(bin, follower_->layout().bin) : bin;
}

SpectrumAxis TDataCube::Axis() const {
  const int index = findChild<QComboBox*>("ComboBoxAxis")->currentIndex();
  return index == 1 ? SpectrumAxis::Position : index == 2 ? SpectrumAxis::Wavelength : SpectrumAxis::Channel;
}

void TDataCube::Refresh() {
  if (!follower_) return;
  shownGeneration_ = follower_->Generation();
  Redraw();
}

void TDataCube::Redraw() {
  if (!follower_) return;
  const CubeLayout& l = follower_->layout();
  follower_->CopyPlane(Channel(), plane_);
  const std::int32_t binnedX = (l.sizeX + l.bin - 1) / l.bin, binnedY = (l.sizeY + l.bin - 1) / l.bin;
  const bool logarithmic = findChild<QComboBox*>("ComboBoxStretch")->currentIndex() == 1;
  image_ = StretchPlane(plane_, binnedX, binnedY, l.bin, DisplayBin(), logarithmic ? Stretch::Logarithmic
                                                                                   : Stretch::Linear);
  QImage picture(image_.width, image_.height, QImage::Format_Indexed8);
  picture.setColorTable(HeatColours());
  for (int y = 0; y < image_.height; ++y)
    std::copy_n(image_.levels.data() + static_cast<std::size_t>(y) * image_.width, image_.width, picture.scanLine(y));
  view_->SetImage(picture, image_.bin);

  // The colour scale with the counts of five of its levels.
  QPixmap bar(colourBar_->width(), std::max(colourBar_->height(), 200));
  bar.fill(palette().color(QPalette::Window));
  {
    QPainter p(&bar);
    const QVector<QRgb> colours = HeatColours();
    const int top = 8, bottom = bar.height() - 8, h = bottom - top;
    for (int i = 0; i <= h; ++i) {
      p.setPen(QColor(colours[255 - i * 255 / std::max(h, 1)]));
      p.drawLine(0, top + i, 18, top + i);
    }
    p.setPen(palette().color(QPalette::WindowText));
    for (int k = 0; k <= 4; ++k) {
      const double level = 255.0 * k / 4.0;
      const int y = bottom - h * k / 4;
      p.drawLine(18, y, 24, y);
      p.drawText(QRect(27, y - 8, bar.width() - 27, 16), Qt::AlignLeft | Qt::AlignVCenter,
                 CountText(CountAtLevel(image_, level)));
    }
  }
  colourBar_->setPixmap(bar);
  const ObservationHeader& h = observation_->header;
  findChild<QLabel*>("LabelChannel")
      ->setText(Q(Format("channel %d of %d   CS100 position %.1f   %lld photons", Channel(), l.channels,
                         ScanBase(h) + (Channel() - 1) * ScanStep(h),
                         static_cast<long long>(std::accumulate(image_.counts.begin(), image_.counts.end(), 0LL)))));
  RedrawCurves();
  ShowStatus();
}

void TDataCube::RedrawCurves() {
  if (!follower_) return;
  const ObservationHeader& h = observation_->header;
  const SpectrumAxis axis = Axis();
  const double order = findChild<QDoubleSpinBox*>("SpinBoxOrder")->value();
  // Without the order the wavelength is not known: the channel stands in, and says so.
  const SpectrumAxis shown = axis == SpectrumAxis::Wavelength && order <= 0 ? SpectrumAxis::Channel : axis;
  QString title = Q(AxisTitle(shown));
  if (shown != axis) title += " (give the interference order for wavelengths)";
  const auto x = [&](int c) { return AxisValue(h, shown, order, c); };
  // A channel with no file read yet has no photons to show: it is left out, not drawn as 0.
  const std::vector<std::int32_t> files = follower_->Status().filesPerChannel;
  const auto points = [&](const std::vector<std::int64_t>& values) {
    QList<QPointF> list;
    for (std::size_t i = 0; i < values.size(); ++i)
      if (i < files.size() && files[i] > 0)
        list.append(QPointF(x(static_cast<int>(i) + 1), static_cast<double>(values[i])));
    return list;
  };
  const std::vector<std::int64_t> totals = follower_->ChannelTotals();
  totals_->replace(points(totals));
  const std::int32_t c = Channel();
  if (c >= 1 && c <= static_cast<int>(files.size()) && files[c - 1] > 0) current_->replace({QPointF(x(c), totals[c - 1])});
  else current_->clear();
  QList<QPointF> pointerPoints, boxPoints;
  if (pointer_) {
    const int b = DisplayBin();
    const int x0 = (*pointer_)[0] / b * b, y0 = (*pointer_)[1] / b * b;
    pointerPoints = points(follower_->Spectrum(x0, y0, x0 + b - 1, y0 + b - 1));
  }
  if (box_) {
    // A large box costs a pass over its bins in every channel: once per change of the cube.
    if (boxGeneration_ != shownGeneration_ || boxSpectrum_.empty())
      boxSpectrum_ = follower_->Spectrum((*box_)[0], (*box_)[1], (*box_)[2], (*box_)[3]);
    boxGeneration_ = shownGeneration_;
    boxPoints = points(boxSpectrum_);
  }
  pointerSeries_->replace(pointerPoints);
  boxSeries_->replace(boxPoints);

  const double first = x(1), last = x(std::max(h.channels, 1));
  for (QChart* chart : {totalsChart_, spectrumChart_}) {
    auto* xAxis = static_cast<QValueAxis*>(chart->axes(Qt::Horizontal).front());
    auto* yAxis = static_cast<QValueAxis*>(chart->axes(Qt::Vertical).front());
    xAxis->setTitleText(title);
    xAxis->setRange(std::min(first, last), std::max(first, last) + (first == last ? 1 : 0));
    // Channels on whole numbers, at most about eight labels.
    const int channels = std::max(h.channels, 1);
    xAxis->setTickType(QValueAxis::TicksDynamic);
    xAxis->setTickAnchor(std::min(first, last));
    xAxis->setTickInterval(channels > 1 ? std::fabs(last - first) / (channels - 1) * std::max(1, (channels + 7) / 8)
                                        : 1.0);
    xAxis->setLabelFormat(shown == SpectrumAxis::Wavelength ? "%.2f" : "%.0f");
    double top = 4;
    for (QAbstractSeries* s : chart->series())
      for (const QPointF& p : static_cast<QXYSeries*>(s)->points()) top = std::max(top, p.y());
    yAxis->setRange(0, top * 1.05);
    yAxis->applyNiceNumbers();
    yAxis->setTitleText("photons");
  }
}

void TDataCube::ShowStatus() {
  const CubeStatus s = follower_->Status();
  QString text = Q(Format("%lld channel files read (%lld photons); cycles done: %d", static_cast<long long>(s.filesAdded),
                          static_cast<long long>(s.photons), s.cyclesDone));
  if (s.lastCycle > s.cyclesDone) text += Q(Format("; cycle %d under way", s.lastCycle));
  if (s.countingChannel > 0)
    text += Q(Format("; counting channel %d of cycle %d", s.countingChannel, s.countingCycle));
  else
    text += "; no channel being counted";
  if (!s.problem.empty()) text += "\n" + Q(s.problem);
  findChild<QLabel*>("LabelStatus")->setText(text);
}

void TDataCube::PointAt(int x, int y) {
  if (!follower_) return;
  pointer_ = std::vector<int>{x, y};
  const int b = DisplayBin();
  const std::int32_t bx = x / image_.bin, by = y / image_.bin;
  long long count = 0;
  if (bx >= 0 && by >= 0 && bx < image_.width && by < image_.height)
    count = image_.counts[static_cast<std::size_t>(by) * image_.width + bx];
  findChild<QLabel*>("LabelPointer")
      ->setText(b > 1 ? Q(Format("X %d-%d  Y %d-%d: %lld photons in channel %d", x / b * b, x / b * b + b - 1, y / b * b,
                                 y / b * b + b - 1, count, Channel()))
                      : Q(Format("X %d  Y %d: %lld photons in channel %d", x, y, count, Channel())));
  RedrawCurves();
}

void TDataCube::SetBox(int x0, int y0, int x1, int y1) {
  if (!follower_) return;
  const int b = DisplayBin();
  // The box takes whole display bins.
  const int left = std::min(x0, x1) / b * b, bottom = std::min(y0, y1) / b * b;
  const int right = std::max(x0, x1) / b * b + b - 1, top = std::max(y0, y1) / b * b + b - 1;
  box_ = std::vector<int>{left, bottom, right, top};
  boxSpectrum_.clear();
  view_->SetBox(QRect(QPoint(left, bottom), QPoint(right, top)));
  boxSeries_->setName(Q(Format("box X %d-%d Y %d-%d", left, right, bottom, top)));
  RedrawCurves();
}

QString TDataCube::DefaultName(const char* what) const {
  const std::string observation = observation_ ? observation_->header.observation : "cube";
  return QFileInfo(QDir::currentPath(), Q(Format(what, observation.c_str(), Channel()))).absoluteFilePath();
}

bool TDataCube::SaveImage(const QString& path, QString& error) {
  if (!follower_) {
    error = "No observation is shown";
    return false;
  }
  // The picture as the observer sees it: the image, enlarged to be read, and its colour scale.
  QImage picture(image_.width, image_.height, QImage::Format_Indexed8);
  picture.setColorTable(HeatColours());
  for (int y = 0; y < image_.height; ++y)
    std::copy_n(image_.levels.data() + static_cast<std::size_t>(y) * image_.width, image_.width, picture.scanLine(y));
  const int zoom = std::max(1, 512 / std::max({image_.width, image_.height, 1}));
  const QImage shown = picture.mirrored(false, true).scaled(image_.width * zoom, image_.height * zoom);
  const QPixmap scale = colourBar_->pixmap();
  const int caption = 22;
  QImage sheet(shown.width() + scale.width() + 8, std::max(shown.height(), scale.height()) + caption,
               QImage::Format_RGB32);
  sheet.fill(palette().color(QPalette::Window));
  {
    QPainter p(&sheet);
    p.drawImage(0, 0, shown);
    p.drawPixmap(shown.width() + 8, 0, scale);
    // What the picture is, written under it.
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(4, sheet.height() - caption, sheet.width() - 8, caption), Qt::AlignLeft | Qt::AlignVCenter,
               Q(Format("%s  %s  binned %d x %d, %s", observation_->header.observation.c_str(),
                        findChild<QLabel*>("LabelChannel")->text().toStdString().c_str(), image_.bin, image_.bin,
                        image_.stretch == Stretch::Linear ? "linear" : "logarithmic")));
  }
  if (!sheet.save(path, "PNG")) {
    error = "Cannot write " + path;
    return false;
  }
  return true;
}

bool TDataCube::SaveCube(const QString& path, QString& error) {
  if (!follower_) {
    error = "No observation is shown";
    return false;
  }
  std::string reason;
  bool done = false;
  const std::int64_t files = follower_->Status().filesAdded;
  follower_->WithCube([&](const PhotonCube& cube) {
    done = ExportCube(*observation_, cube, files, path.toStdString(), reason);
  });
  if (!done) error = Q(reason);
  return done;
}

void TDataCube::SavePngClick() {
  const QString path = QFileDialog::getSaveFileName(this, "Save the image of the channel",
                                                    DefaultName("%s-channel%02d.png"), "PNG images (*.png)");
  if (path.isEmpty()) return;
  QString error;
  findChild<QLabel*>("LabelSaved")->setText(SaveImage(path, error) ? "Saved " + path : error);
}

void TDataCube::SaveFitsClick() {
  const QString path = QFileDialog::getSaveFileName(this, "Save the cube as a FITS file",
                                                    DefaultName("%s-cube.fits"), "FITS files (*.fits)");
  if (path.isEmpty()) return;
  QString error;
  findChild<QLabel*>("LabelSaved")->setText(SaveCube(path, error) ? "Saved " + path : error);
}

void TDataCube::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TDataCube::closeEvent(QCloseEvent* event) {
  // A closed view reads nothing more; its cube goes with it.
  StopFollowing();
  follower_.reset();
  observation_.reset();
  QWidget::closeEvent(event);
}

}  // namespace velmar
