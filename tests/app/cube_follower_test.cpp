// The data cube followed as an observation grows: observations of the runner on the
// virtual clock, their channel files laid into a directory one at a time as the
// store step lays them, against the counts read directly from the files.
#include <fitsio.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>

#include <signal.h>
#include <unistd.h>

#include "engine/channel_in_progress.h"
#include "export/cube_follower.h"
#include "export/cube_image.h"
#include "export/fits_export.h"
#include "runner_fixture.h"
#include "support/child_process.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

// Events per (channel, x, y), decoded here by hand from the 4-byte records.
using Counts = std::map<std::tuple<int, int, int>, std::int64_t>;

void CountFile(const std::string& path, int channel, Counts& counts) {
  const std::string bytes = ReadFile(path);
  const auto b = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    const int y = static_cast<std::int16_t>(b(i) | b(i + 1) << 8), x = static_cast<std::int16_t>(b(i + 2) | b(i + 3) << 8);
    ++counts[{channel, x, y}];
  }
}

class CubeFollowing : public RunnerFixture {
 protected:
  // Three channels, two see-saw cycles, 4-byte records, on the 512 x 512 camera.
  std::string Observe(const std::string& name, int number, const std::string& tempMode = "1") {
    EXPECT_EQ(RunWith({"--system-dir", dir_.file("system"), "--fast", "--source", "simulation", "--random-points",
                       "60", "--exposure", "1", "--type", "object", "--see-saw", "on"},
                      {"--data", dir_.file("obs/" + name), "--prefix", "G", "--number", std::to_string(number),
                       "--channels", "3", "--cycles", "2", "--format", "0", "--preset", "kem512.def", "--cs100",
                       "parallel", "--temp-mode", tempMode}),
              0)
        << output_;
    return dir_.file("obs/" + name);
  }
  static std::vector<std::string> ChannelFiles(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(directory))
      if (e.path().extension() == ".VLA") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::vector<std::int32_t> Plane(const CubeFollower& f, int channel) {
    std::vector<std::int32_t> plane;
    f.CopyPlane(channel, plane);
    return plane;
  }
};

TEST_F(CubeFollowing, TheCubeBuiltFileByFileEqualsTheCubeFromScratchAndTheFiles) {
  const std::string source = Observe("G001", 1);
  const std::vector<std::string> files = ChannelFiles(source);
  ASSERT_EQ(files.size(), 7u);  // the settling channel 0, then 3 channels twice
  std::string error;
  const auto observation = ReadObservation(source, error);
  ASSERT_TRUE(observation) << error;

  // A directory that receives the log first, then the files one by one, as a night does.
  const std::string live = dir_.file("live");
  fs::create_directory(live);
  fs::copy_file(source + "/G001.VLT", live + "/G001.VLT");
  CubeLayout layout = LayoutOf(*observation, 1);
  layout.directory = live;
  CubeFollower follower(layout);
  EXPECT_EQ(follower.Update(), 0);
  Counts direct;
  std::int64_t reads = 0;
  for (const std::string& name : files) {
    // Written under the temporary name, then given its final name.
    fs::copy_file(source + "/" + name, live + "/ipcsdata.tmp");
    EXPECT_EQ(follower.Update(), 0) << name;
    fs::rename(live + "/ipcsdata.tmp", live + "/" + name);
    const int channel = ParseChannelFileName(layout, name)->channel;
    reads += channel >= 1 ? 1 : 0;
    EXPECT_EQ(follower.Update(), channel >= 1 ? 1 : 0) << name;
    EXPECT_EQ(follower.Update(), 0) << name << " is read once";
    if (channel >= 1) CountFile(live + "/" + name, channel, direct);
  }
  EXPECT_EQ(follower.FileReads(), reads);
  EXPECT_EQ(follower.FilesAdded(), files);

  CubeFollower scratch(LayoutOf(*observation, 1));
  scratch.Update();
  std::int64_t all = 0;
  for (int c = 1; c <= 3; ++c) {
    SCOPED_TRACE("channel " + std::to_string(c));
    EXPECT_EQ(Plane(follower, c), Plane(scratch, c));
    std::int64_t total = 0;
    for (const auto& [key, n] : direct)
      if (std::get<0>(key) == c) total += n;
    EXPECT_EQ(follower.ChannelTotals()[c - 1], total);
    all += total;
  }
  EXPECT_GT(all, 300);
  // Every address that holds photons, channel by channel: the pixel's spectrum.
  int checked = 0;
  for (const auto& [key, n] : direct) {
    const auto [channel, x, y] = key;
    if (++checked > 200) break;
    const std::vector<std::int64_t> spectrum = follower.Spectrum(x, y, x, y);
    ASSERT_EQ(spectrum.size(), 3u);
    for (int c = 1; c <= 3; ++c) {
      const auto it = direct.find({c, x, y});
      EXPECT_EQ(spectrum[c - 1], it == direct.end() ? 0 : it->second) << x << "," << y << " channel " << c;
    }
  }
  const CubeStatus status = follower.Status();
  EXPECT_EQ(status.filesAdded, 6);
  EXPECT_EQ(status.cyclesDone, 2);
  EXPECT_EQ(status.photons, all);
  EXPECT_EQ(status.countingChannel, 0);
  EXPECT_TRUE(status.problem.empty()) << status.problem;

  // Saved as FITS: the header of the observation and the cube as it stands.
  const std::string fits = dir_.file("cube.fits");
  bool saved = false;
  follower.WithCube([&](const PhotonCube& cube) { saved = ExportCube(*observation, cube, 6, fits, error); });
  ASSERT_TRUE(saved) << error;
  fitsfile* f = nullptr;
  int fitsStatus = 0;
  fits_open_file(&f, fits.c_str(), READONLY, &fitsStatus);
  fits_movnam_hdu(f, IMAGE_HDU, const_cast<char*>("CUBE"), 0, &fitsStatus);
  std::vector<std::int32_t> saved2(512 * 512);
  fits_read_img(f, TINT, 1 + 512 * 512, 512 * 512, nullptr, saved2.data(), nullptr, &fitsStatus);
  long nfiles = 0;
  fits_movabs_hdu(f, 1, nullptr, &fitsStatus);
  fits_read_key(f, TLONG, "NFILES", &nfiles, nullptr, &fitsStatus);
  fits_close_file(f, &fitsStatus);
  ASSERT_EQ(fitsStatus, 0);
  EXPECT_EQ(saved2, Plane(follower, 2));
  EXPECT_EQ(nfiles, 6);

  // Binned by 4, the same photons, and the shown image sums the cube's bins.
  CubeFollower binned(LayoutOf(*observation, 4));
  binned.Update();
  EXPECT_EQ(binned.ChannelTotals(), follower.ChannelTotals());
  const StretchedImage image = StretchPlane(Plane(follower, 2), 512, 512, 1, 4, Stretch::Logarithmic);
  EXPECT_EQ(image.width, 128);
  const std::vector<std::int32_t> binnedPlane = Plane(binned, 2);
  const std::vector<std::int64_t> fromBinned(binnedPlane.begin(), binnedPlane.end());
  EXPECT_EQ(image.counts, fromBinned);
  EXPECT_EQ(image.levels[std::max_element(image.counts.begin(), image.counts.end()) - image.counts.begin()], 255);
}

// Files being written are never read: the temporary name, a moved-aside ".partial"
// and, when final names are written directly, the file the mark names; a redone
// channel replaces its file and the channel is rebuilt from what is there now.
TEST_F(CubeFollowing, AFileBeingWrittenIsNeverReadAndARedoneChannelIsRebuilt) {
  const std::string source = Observe("G002", 2, "0");
  std::string error;
  const auto observation = ReadObservation(source, error);
  ASSERT_TRUE(observation) << error;
  const std::string live = dir_.file("live");
  fs::create_directory(live);
  fs::copy_file(source + "/G002.VLT", live + "/G002.VLT");
  CubeLayout layout = LayoutOf(*observation, 1);
  layout.directory = live;
  CubeFollower follower(layout);
  // Cut records in each: read, they would leave a problem and odd counts.
  WriteFile(live + "/ipcsdata.tmp", "abcdefg");
  WriteFile(live + "/G0020101.VLA.partial", "abcdefg");
  // Channel 2 of cycle 1 being written under its final name, as the mark says.
  MarkChannelInProgress(live, {"G0020102.VLA", "G0020102.VLA", "G002.VLT"});
  WriteFile(live + "/G0020102.VLA", "abcdefg");
  EXPECT_EQ(follower.Update(), 0);
  EXPECT_EQ(follower.Status().countingChannel, 2);
  EXPECT_EQ(follower.Status().countingCycle, 1);
  EXPECT_EQ(follower.FileReads(), 0);
  EXPECT_EQ(follower.Status().photons, 0);

  // Complete: the mark goes, the file is read once.
  fs::copy_file(source + "/G0020102.VLA", live + "/G0020102.VLA", fs::copy_options::overwrite_existing);
  ClearChannelInProgress(live);
  EXPECT_EQ(follower.Update(), 1);
  EXPECT_EQ(follower.Status().countingChannel, 0);
  Counts direct;
  CountFile(live + "/G0020102.VLA", 2, direct);
  std::int64_t first = 0;
  for (const auto& [key, n] : direct) first += n;
  EXPECT_EQ(follower.ChannelTotals()[1], first);
  EXPECT_TRUE(follower.Status().problem.empty()) << follower.Status().problem;

  // The channel redone: written again under the mark, then complete with other photons.
  const auto before = Plane(follower, 2);
  MarkChannelInProgress(live, {"G0020102.VLA", "G0020102.VLA", "G002.VLT"});
  WriteFile(live + "/G0020102.VLA", "");
  follower.Update();
  EXPECT_EQ(follower.ChannelTotals()[1], 0) << "the file being written again leaves the cube";
  // The simulated camera sends the same photons every second: the redone channel
  // keeps the first half of the records.
  std::string redoneRecords = ReadFile(source + "/G0020202.VLA");
  redoneRecords.resize(redoneRecords.size() / 8 * 4);
  WriteFile(live + "/G0020102.VLA", redoneRecords);
  ClearChannelInProgress(live);
  follower.Update();
  Counts redone;
  CountFile(live + "/G0020102.VLA", 2, redone);
  std::int64_t second = 0;
  for (const auto& [key, n] : redone) second += n;
  EXPECT_NE(second, first);
  EXPECT_EQ(follower.ChannelTotals()[1], second);
  EXPECT_NE(Plane(follower, 2), before);
  EXPECT_TRUE(follower.Status().problem.empty()) << follower.Status().problem;
}

// vlmipcs-cube says what is wrong with its arguments and ends with 2, before any window.
TEST_F(CubeFollowing, TheCubeProgramRefusesABadObservation) {
  const auto run = [&](const std::vector<std::string>& args) {
    ChildProcess child(std::string(VELMAR_BIN_DIR) + "/vlmipcs-cube", args, dir_.path().string());
    const auto code = child.Wait(20000);
    return std::make_pair(code ? *code : -1, child.output());
  };
  auto [code, out] = run({dir_.file("nowhere")});
  EXPECT_EQ(code, 2);
  EXPECT_NE(out.find("vlmipcs-cube: no such observation directory or log: " + dir_.file("nowhere")), std::string::npos)
      << out;
  std::tie(code, out) = run({dir_.file("obs")});
  EXPECT_EQ(code, 2);
  EXPECT_NE(out.find("no observation log (.VLT) in"), std::string::npos) << out;
  std::tie(code, out) = run({"--bin", "3", dir_.file("obs")});
  EXPECT_EQ(code, 2);
  EXPECT_NE(out.find("--bin takes 1, 2, 4 or 8, not 3"), std::string::npos) << out;
  std::tie(code, out) = run({});
  EXPECT_EQ(code, 2);
  EXPECT_NE(out.find("name an observation"), std::string::npos) << out;
}

// SIGTERM to vlmipcs-cube following an observation closes its window, stops its reader
// and ends it with 143, the observation untouched.
TEST_F(CubeFollowing, TheCubeProgramEndsOnASignalThroughItsWindow) {
  const std::string source = Observe("G003", 3);
  const auto before = ChannelFiles(source);
  ChildProcess cube(std::string(VELMAR_BIN_DIR) + "/vlmipcs-cube", {"--snapshots", dir_.path().string(), source},
                    dir_.path().string(), {"QT_QPA_PLATFORM=offscreen"});
  // Its first picture says the window is up and the files are read.
  for (int i = 0; i < 200 && !fs::exists(dir_.file("cube-0006.png")); ++i) usleep(50000);
  ASSERT_TRUE(fs::exists(dir_.file("cube-0006.png"))) << cube.output();
  cube.Signal(SIGTERM);
  EXPECT_EQ(cube.Wait(10000), 143) << cube.output();
  EXPECT_NE(cube.output().find("vlmipcs-cube: closed on SIGTERM"), std::string::npos) << cube.output();
  EXPECT_EQ(ChannelFiles(source), before);
}

}  // namespace
}  // namespace velmar::testing
