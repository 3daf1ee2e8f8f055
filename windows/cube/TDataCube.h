#pragma once
// The data cube of an observation, live: the image of a channel (photons summed
// over cycles), the scan's integrated spectrum, the spectrum under the mouse and
// in a drawn box, the cycles done and the channel being counted. A follower reads
// each channel file once, on a thread of its own, when it takes its final name;
// this window only draws what the follower holds.
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "export/cube_follower.h"
#include "export/cube_image.h"
#include "export/observation_reader.h"

class QLabel;
class QSlider;
class QComboBox;
class QDoubleSpinBox;
class QPushButton;
class QTimer;
class QFileSystemWatcher;
class QLineSeries;
class QScatterSeries;
class QChart;
class QValueAxis;

namespace velmar {

class CubeImageView;

class TDataCube : public QWidget {
  Q_OBJECT
 public:
  explicit TDataCube(QWidget* parent = nullptr);
  ~TDataCube() override;

  // Follows the observation of a data directory or log; false with the reason
  // when it has no readable log. bin 0: the cube's bin is chosen by its size.
  bool Open(const std::string& observation, std::string& error, std::int32_t bin = 0);
  // The log followed ("" when none).
  const std::string& LogPath() const { return observation_ ? observation_->logPath : empty_; }
  CubeFollower* follower() const { return follower_.get(); }

  // What the buttons do, without their file dialogs; false with the reason.
  bool SaveImage(const QString& path, QString& error);
  bool SaveCube(const QString& path, QString& error);
  // Redraws at once from what the follower holds (the timer does it twice a second).
  void Refresh();
  // The box the observer drew, in stored addresses.
  void SetBox(int x0, int y0, int x1, int y1);
  // The spectrum under the pointer at a stored address.
  void PointAt(int x, int y);
  const StretchedImage& image() const { return image_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Build();
  void Redraw();
  void RedrawCurves();
  void ShowStatus();
  void SavePngClick();
  void SaveFitsClick();
  std::int32_t Channel() const;
  std::int32_t DisplayBin() const;
  SpectrumAxis Axis() const;
  void StopFollowing();
  QString DefaultName(const char* what) const;

  std::optional<Observation> observation_;
  std::unique_ptr<CubeFollower> follower_;
  std::unique_ptr<CubeFollowerThread> thread_;
  std::uint64_t shownGeneration_ = ~0ULL;
  std::vector<std::int32_t> plane_;
  StretchedImage image_;
  std::optional<std::vector<int>> pointer_;  // x, y of the last address under the mouse
  std::optional<std::vector<int>> box_;      // x0, y0, x1, y1
  std::vector<std::int64_t> boxSpectrum_;    // of the box, at boxGeneration_
  std::uint64_t boxGeneration_ = 0;
  std::string empty_;

  CubeImageView* view_ = nullptr;
  QLabel* colourBar_ = nullptr;
  QFileSystemWatcher* watcher_ = nullptr;
  QTimer* timer_ = nullptr;
  QChart* totalsChart_ = nullptr;
  QChart* spectrumChart_ = nullptr;
  QLineSeries* totals_ = nullptr;
  QScatterSeries* current_ = nullptr;
  QLineSeries* pointerSeries_ = nullptr;
  QLineSeries* boxSeries_ = nullptr;
};

}  // namespace velmar
