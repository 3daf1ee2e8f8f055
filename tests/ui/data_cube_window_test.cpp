// The data-cube window following real observations: one the runner writes in real
// time in another process, and one the windowed program counts, opened from its
// main window while counting.
#include <gtest/gtest.h>

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QValueAxis>
#include <filesystem>
#include <map>
#include <set>

#include "export/cube_image.h"
#include "main_window_fixture.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "window_texts.h"
#include "windows/cube/TDataCube.h"

namespace velmar {
namespace {

namespace fs = std::filesystem;
using testing::WhenUp;

bool RunUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// Photons per channel and per address, decoded by hand from the 4-byte records.
struct Direct {
  std::map<int, std::int64_t> perChannel;
  std::map<std::tuple<int, int, int>, std::int64_t> perAddress;
};

Direct ReadDirect(const std::string& directory, const std::string& head) {
  Direct d;
  for (const auto& e : fs::directory_iterator(directory)) {
    const std::string name = e.path().filename().string();
    if (name.size() != head.size() + 8 || name.rfind(head, 0) != 0 || e.path().extension() != ".VLA") continue;
    const int channel = std::stoi(name.substr(head.size() + 2, 2));
    if (channel < 1) continue;
    const std::string bytes = testing::ReadFile(e.path().string());
    const auto b = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
      const int y = static_cast<std::int16_t>(b(i) | b(i + 1) << 8);
      const int x = static_cast<std::int16_t>(b(i + 2) | b(i + 3) << 8);
      ++d.perChannel[channel];
      ++d.perAddress[{channel, x, y}];
    }
  }
  return d;
}

std::vector<QPointF> SeriesPoints(TDataCube& w, const char* chart, int index) {
  auto* view = w.findChild<QChartView*>(chart);
  const auto series = view->chart()->series();
  const QList<QPointF> points = static_cast<QXYSeries*>(series[index])->points();
  return {points.begin(), points.end()};
}

std::set<std::string> Names(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(directory)) names.insert(e.path().filename().string());
  return names;
}

TEST(DataCubeWindow, FollowsAnObservationTheRunnerWritesAndEveryControlWorks) {
  testing::TempDir dir;
  fs::copy(VELMAR_PRESETS_DIR, dir.path(), fs::copy_options::recursive);
  const std::string data = dir.file("obs/G005");
  fs::create_directories(dir.file("obs"));
  // Real time: three channels of one second fill in while the window looks on.
  testing::ChildProcess runner(std::string(VELMAR_BIN_DIR) + "/vlmipcs-observe",
                               {"--system-dir", dir.file("system"), "--data", data, "--prefix", "G", "--number", "5",
                                "--type", "object", "--channels", "3", "--exposure", "1", "--cycles", "2",
                                "--preset", "kem512.def", "--cs100", "parallel", "--format", "0", "--source",
                                "simulation", "--random-points", "150"},
                               dir.path().string(), {"XDG_RUNTIME_DIR=" + dir.file("run")});
  ASSERT_TRUE(RunUntil([&] { return fs::exists(data + "/G005.VLT"); })) << runner.output();

  TDataCube w;
  std::string error;
  ASSERT_TRUE(w.Open(data, error)) << error;
  w.show();
  const std::string pictures = QCoreApplication::applicationDirPath().toStdString() + "/pictures";
  QDir().mkpath(QString::fromStdString(pictures));
  ASSERT_TRUE(RunUntil([&] { return w.follower()->Status().filesAdded >= 1; })) << runner.output();
  w.grab().save(QString::fromStdString(pictures + "/TDataCube-first-channel.png"));
  // While it counts, the channel being counted is said.
  EXPECT_TRUE(RunUntil([&] {
    return w.findChild<QLabel*>("LabelStatus")->text().contains("counting channel");
  })) << w.findChild<QLabel*>("LabelStatus")->text().toStdString();
  ASSERT_TRUE(RunUntil([&] { return w.follower()->Status().filesAdded == 6; }, 60000)) << runner.output();
  ASSERT_EQ(runner.Wait(30000), 0) << runner.output();
  const std::set<std::string> written = Names(data);
  w.Refresh();
  w.grab().save(QString::fromStdString(pictures + "/TDataCube-runner-done.png"));

  // What is shown is what the files hold.
  const Direct direct = ReadDirect(data, "G005");
  ASSERT_EQ(direct.perChannel.size(), 3u);
  const auto totals = SeriesPoints(w, "ChartTotals", 0);
  ASSERT_EQ(totals.size(), 3u);
  for (int c = 1; c <= 3; ++c) {
    EXPECT_EQ(totals[c - 1].x(), c);
    EXPECT_EQ(totals[c - 1].y(), direct.perChannel.at(c)) << "channel " << c;
  }
  auto* slider = w.findChild<QSlider*>("SliderChannel");
  slider->setValue(2);
  std::int64_t shown = 0;
  for (std::int64_t n : w.image().counts) shown += n;
  EXPECT_EQ(shown, direct.perChannel.at(2));
  EXPECT_TRUE(w.findChild<QLabel*>("LabelChannel")->text().startsWith("channel 2 of 3"));
  EXPECT_TRUE(w.findChild<QLabel*>("LabelStatus")->text().contains("6 channel files read"));
  EXPECT_TRUE(w.findChild<QLabel*>("LabelStatus")->text().contains("cycles done: 2"));
  EXPECT_TRUE(w.findChild<QLabel*>("LabelStatus")->text().contains("no channel being counted"));

  // The pixel under the mouse: its spectrum is its counts, channel by channel.
  const auto [channel, x, y] = direct.perAddress.begin()->first;
  static_cast<void>(channel);
  w.PointAt(x, y);
  const auto pixel = SeriesPoints(w, "ChartSpectrum", 0);
  ASSERT_EQ(pixel.size(), 3u);
  for (int c = 1; c <= 3; ++c) {
    const auto it = direct.perAddress.find({c, x, y});
    EXPECT_EQ(pixel[c - 1].y(), it == direct.perAddress.end() ? 0 : it->second) << "channel " << c;
  }
  EXPECT_TRUE(w.findChild<QLabel*>("LabelPointer")->text().startsWith(QString("X %1  Y %2: ").arg(x).arg(y)));
  // A box over the whole field holds every photon.
  w.SetBox(0, 0, 511, 511);
  const auto box = SeriesPoints(w, "ChartSpectrum", 1);
  ASSERT_EQ(box.size(), 3u);
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(box[c - 1].y(), direct.perChannel.at(c));

  // Binning, stretch and the spectrum's axis.
  auto* binning = w.findChild<QComboBox*>("ComboBoxBinning");
  binning->setCurrentIndex(2);
  EXPECT_EQ(w.image().width, 128);
  EXPECT_EQ(w.image().bin, 4);
  w.findChild<QComboBox*>("ComboBoxStretch")->setCurrentIndex(1);
  EXPECT_EQ(w.image().stretch, Stretch::Logarithmic);
  w.findChild<QComboBox*>("ComboBoxAxis")->setCurrentIndex(1);
  EXPECT_NEAR(SeriesPoints(w, "ChartTotals", 0)[0].x(), -0.5 * 6562.78 / 9.21, 1.0);
  w.findChild<QComboBox*>("ComboBoxAxis")->setCurrentIndex(2);
  EXPECT_EQ(SeriesPoints(w, "ChartTotals", 0)[0].x(), 1) << "no order: the channel stands in";
  w.findChild<QDoubleSpinBox*>("SpinBoxOrder")->setValue(800);
  EXPECT_NEAR(SeriesPoints(w, "ChartTotals", 0)[0].x(), 6562.78 * (1 - 0.5 / 800), 0.01);
  w.grab().save(QString::fromStdString(pictures + "/TDataCube-binned-log-wavelength.png"));

  // The save buttons, through their file dialogs.
  const QString png = QString::fromStdString(dir.file("channel2.png"));
  const QString fits = QString::fromStdString(dir.file("cube.fits"));
  for (const auto& [button, path] : {std::pair{"ButtonSavePng", png}, std::pair{"ButtonSaveFits", fits}}) {
    WhenUp("QFileDialog", [path](QWidget& dialog) {
      auto* d = static_cast<QFileDialog*>(&dialog);
      d->selectFile(path);
      static_cast<QDialog*>(d)->accept();
    });
    w.findChild<QPushButton*>(button)->click();
    EXPECT_TRUE(fs::exists(path.toStdString())) << button;
    EXPECT_EQ(w.findChild<QLabel*>("LabelSaved")->text(), "Saved " + path);
  }
  EXPECT_FALSE(QImage(png).isNull());
  QImage(png).save(QString::fromStdString(pictures + "/TDataCube-saved-image.png"));
  EXPECT_EQ(testing::ReadFile(fits.toStdString()).substr(0, 9), "SIMPLE  =");
  // Nothing was written where the observation lies.
  EXPECT_EQ(Names(data), written);

  // Escape, "Close" and the close box each close it; it follows nothing after.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&w, &escape);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.follower(), nullptr);
  ASSERT_TRUE(w.Open(data, error)) << error;
  w.show();
  w.findChild<QPushButton*>("ButtonClose")->click();
  EXPECT_FALSE(w.isVisible());
  ASSERT_TRUE(w.Open(data, error)) << error;
  w.show();
  EXPECT_TRUE(w.close());
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.follower(), nullptr);
}

class MainWindowDataCube : public MainWindowFixture {
 protected:
  MainWindowDataCube() { CreateProgram(); }
};

// "Data cube" in the main window: greyed until Start, then the window follows the
// counting; after the observation it still shows it.
TEST_F(MainWindowDataCube, OpensWhileCountingAndFollowsTheChannels) {
  ObserverAcceptsParameters([](TParameters& w) { w.findChild<QLineEdit*>("EditLz")->setText("3"); });
  general().show();
  controller_->StartUp();
  observer_.reset();
  AcquisitionParameters& p = shared_.parameters;
  AcquisitionState& s = shared_.acquisition;
  p.Tcan = 1;
  p.Maxcycles = 1;
  s.stopCycle = 1;
  s.stopChannel = 3;
  EXPECT_FALSE(Button("ButtonDataCube")->isEnabled());
  Button("ButtonStart")->click();
  ASSERT_TRUE(Button("ButtonDataCube")->isEnabled());
  ASSERT_TRUE(RunUntil([&] { return s.currentChannel >= 1 && s.channelSeconds > 0.0f; }));
  Button("ButtonDataCube")->click();
  TDataCube* cube = controller_->dataCube();
  ASSERT_NE(cube, nullptr);
  EXPECT_TRUE(cube->isVisible());
  EXPECT_EQ(cube->LogPath(), s.logPath);
  // The program's clock here is virtual: the channels may all be in by now.
  ASSERT_TRUE(RunUntil([&] { return cube->follower()->Status().filesAdded >= 2; }, 30000));
  cube->grab().save(QString::fromStdString(pictures_ + "/TDataCube-from-main-window.png"));
  Picture("TGeneral-with-data-cube");
  ASSERT_TRUE(RunUntil([&] { return s.endDialogState == 1; }));
  ASSERT_TRUE(RunUntil([&] { return cube->follower()->Status().filesAdded == 3; }));
  EXPECT_TRUE(Button("ButtonDataCube")->isEnabled());
  cube->Refresh();
  EXPECT_TRUE(cube->findChild<QLabel*>("LabelStatus")->text().startsWith("3 channel files read"));
  const auto totals = cube->follower()->ChannelTotals();
  const auto points = SeriesPoints(*cube, "ChartTotals", 0);
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(points[c - 1].y(), totals[c - 1]);
  EXPECT_GT(totals[0] + totals[1] + totals[2], 0);
  cube->close();
  controller_->AbortAndQuit(true);
  EXPECT_EQ(ended_, 1);
}

}  // namespace
}  // namespace velmar
