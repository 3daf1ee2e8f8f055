// The simulated camera looking at its rotating disc through the scanning etalon, run
// by the runner on the virtual clock: the cube built from the photon files shows the
// line at each pixel's own channel, and nothing off the disc.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <vector>

#include "export/observation_reader.h"
#include "export/photon_cube.h"
#include "runner_fixture.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

// A disc turning as a solid body, its receding side down the frame (toward +y, 90
// degrees from +x): the line moves by kRotation FSR from the centre to the edge, on a
// faint sky and no continuum.
constexpr double kCentreX = 256, kCentreY = 256, kRadius = 180, kLine = 0.5, kRotation = 0.375;
constexpr int kChannels = 8, kBin = 8;

std::string DiscCamera(const std::string& extra = "") {
  return "# a disc to test with\nkind = digitizer\nsize_x = 512\nsize_y = 512\nframe_rate = 80\n"
         "source = simulated\nphoton_rate = 1000\nobject = disc\ndisc_centre_x = 256\ndisc_centre_y = 256\n"
         "disc_radius = 180\ndisc_line = 0.5\ndisc_rotation = 0.375\ndisc_angle = 90\ndisc_turnover = 1\n"
         "disc_line_width = 0.05\ndisc_continuum = 0\ndisc_sky = 0.05\n" +
         extra;
}

class DiscRunner : public RunnerFixture {
 protected:
  DiscRunner() {
    std::string def = ReadFile(dir_.file("kem512.def"));
    def.replace(def.find("asga512.dcf"), 11, "disc.dcf");
    WriteFile(dir_.file("disc.def"), def);
  }
  int Observe(const std::string& name, const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {"--data", dir_.file("obs/" + name), "--prefix", "G", "--number", "1",
                                     "--channels", std::to_string(kChannels)};
    args.insert(args.end(), more.begin(), more.end());
    return RunWith({"--system-dir", dir_.file("system"), "--fast", "--preset", "disc.def", "--source", "tv",
                    "--type", "object", "--cs100", "parallel", "--exposure", "1", "--cycles", "1", "--format", "0",
                    "--see-saw", "off"},
                   args);
  }
  // The observation's photons, channel by channel, as the export reads them.
  PhotonCube Cube(const std::string& name) {
    std::string error;
    const auto observation = ReadObservation(dir_.file("obs/" + name), error);
    EXPECT_TRUE(observation) << error;
    PhotonCube cube(512, 512, kChannels, kBin);
    if (!observation) return cube;
    int channels = 0;  // the records of channels 1 to N (channel 0 is the exposure before the scan)
    for (const ChannelRecord& r : observation->records) {
      if (r.channel < 1) continue;
      ++channels;
      PhotonFileReader reader(r.file, 0);
      EXPECT_TRUE(reader.IsOpen()) << r.file;
      std::vector<PhotonRecord> records;
      while (reader.Next(records) && !records.empty()) cube.Add(r.channel, records);
    }
    EXPECT_EQ(channels, kChannels);
    return cube;
  }
  // Counts per channel in the box [x0, x1) x [y0, y1) (pixels, on the cube's bins).
  static std::vector<long> Spectrum(const PhotonCube& cube, int x0, int y0, int x1, int y1) {
    std::vector<long> counts(kChannels, 0);
    for (int c = 1; c <= kChannels; ++c)
      for (int y = y0 / kBin; y < y1 / kBin; ++y)
        for (int x = x0 / kBin; x < x1 / kBin; ++x) counts[c - 1] += cube.Plane(c)[y * cube.SizeX() + x];
    return counts;
  }
  static int PeakChannel(const std::vector<long>& s) {
    return static_cast<int>(std::max_element(s.begin(), s.end()) - s.begin()) + 1;
  }
  static double Contrast(const std::vector<long>& s) {  // peak over mean
    const double mean = std::accumulate(s.begin(), s.end(), 0.0) / static_cast<double>(s.size());
    return mean > 0 ? static_cast<double>(*std::max_element(s.begin(), s.end())) / mean : 0.0;
  }
};

TEST_F(DiscRunner, EachPixelSeesTheLineAtTheChannelOfItsRotationAndTheRunRepeats) {
  WriteFile(dir_.file("disc.dcf"), DiscCamera());
  ASSERT_EQ(Observe("a"), 0) << output_;
  const PhotonCube cube = Cube("a");

  // Along the rotation axis: the approaching side (y < centre), the centre, the
  // receding side; the line sits at channel 1 + N x (line + rotation x (y - cy) / R).
  for (const double offset : {-120.0, -60.0, 0.0, 60.0, 120.0}) {
    const int x = static_cast<int>(kCentreX), y = static_cast<int>(kCentreY + offset);
    const double phase = kLine + kRotation * offset / kRadius;
    const int expected = 1 + static_cast<int>(std::lround(phase * kChannels)) % kChannels;
    const auto s = Spectrum(cube, x - 4, y - 4, x + 4, y + 4);
    EXPECT_EQ(PeakChannel(s), expected) << "at y = " << y << ": " << ::testing::PrintToString(s);
    EXPECT_GT(Contrast(s), 4.0) << "at y = " << y << ": " << ::testing::PrintToString(s);
  }
  // Across the axis the line stays at the centre's channel.
  for (const int x : {140, 372}) {
    const auto s = Spectrum(cube, x - 4, 252, x + 4, 260);
    EXPECT_EQ(PeakChannel(s), 5) << "at x = " << x << ": " << ::testing::PrintToString(s);
  }
  // Off the disc, the sky alone: photons in every channel alike, no line.
  for (const auto& [x0, y0] : {std::pair{8, 8}, std::pair{440, 440}, std::pair{440, 8}}) {
    const auto s = Spectrum(cube, x0, y0, x0 + 64, y0 + 64);
    EXPECT_GT(*std::min_element(s.begin(), s.end()), 30) << ::testing::PrintToString(s);
    EXPECT_LT(Contrast(s), 1.5) << "off the disc at " << x0 << ", " << y0 << ": " << ::testing::PrintToString(s);
  }

  // The same plan on the virtual clock with the same seed gives the same photons.
  ASSERT_EQ(Observe("b"), 0) << output_;
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(dir_.file("obs/a"))) {
    if (entry.path().extension() != ".VLA") continue;
    EXPECT_EQ(ReadFile(entry.path()), ReadFile(dir_.file("obs/b/" + entry.path().filename().string())))
        << entry.path().filename();
    ++compared;
  }
  EXPECT_GE(compared, kChannels);
}

// A controller that takes no position leaves the etalon unmoved: the channels do
// not scan the disc, every one sees it alike.
TEST_F(DiscRunner, AnEtalonThatIsNeverDrivenShowsTheDiscAlikeInEveryChannel) {
  WriteFile(dir_.file("disc.dcf"), DiscCamera());
  ASSERT_EQ(Observe("still", {"--cs100", "file:" + dir_.file("absent/cs100.txt"), "--cs100-fault", "continue"}), 0)
      << output_;
  const PhotonCube cube = Cube("still");
  for (const double offset : {-120.0, 0.0, 120.0}) {
    const int x = static_cast<int>(kCentreX + offset), y = static_cast<int>(kCentreY);
    const auto s = Spectrum(cube, x - 8, y - 8, x + 8, y + 8);
    EXPECT_GT(*std::min_element(s.begin(), s.end()), 100) << ::testing::PrintToString(s);
    EXPECT_LT(Contrast(s), 1.3) << "at x = " << x << ": " << ::testing::PrintToString(s);
  }
}

TEST_F(DiscRunner, ABadDiscKnobIsNamedWithItsFileAndLine) {
  WriteFile(dir_.file("disc.dcf"), DiscCamera("disc_line_width = 0\n"));
  EXPECT_NE(Observe("w"), 0);
  EXPECT_NE(output_.find("comptage.dcf line 19: bad value \"0\" for disc_line_width"), std::string::npos) << output_;
  EXPECT_FALSE(fs::exists(dir_.file("obs/w/G001.VLT")));  // refused before anything is written

  WriteFile(dir_.file("disc.dcf"), DiscCamera("disc_centre_x = 600\n"));
  EXPECT_NE(Observe("x"), 0);
  EXPECT_NE(output_.find("comptage.dcf line 19: disc_centre_x = 600 lies off the frame, whose 512 columns are "
                         "numbered 0 to 511"),
            std::string::npos)
      << output_;
}

}  // namespace
}  // namespace velmar::testing
