// The data cube's follower adding channel files as they take their final names:
// the time of each update that adds one file of 500 000 events (directory listing,
// mark, read, add), against the 50 ms it may take, and the memory of the cube.
//
//   bench/cube_follower [--files N] [--events E] [--size S] [--channels C] [--bin B] [--format F]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/photon_records.h"
#include "export/cube_follower.h"
#include "export/cube_image.h"
#include "platform/format.h"

using namespace velmar;
namespace fs = std::filesystem;

namespace {

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int files = 24, events = 500000, size = 1024, channels = 48, bin = 2, format = kFormatXY4Bytes;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    const int v = std::atoi(argv[i + 1]);
    if (a == "--files") files = v;
    else if (a == "--events") events = v;
    else if (a == "--size") size = v;
    else if (a == "--channels") channels = v;
    else if (a == "--bin") bin = v;
    else if (a == "--format") format = v;
    else {
      std::fprintf(stderr, "unknown argument %s\n", a.c_str());
      return 2;
    }
  }
  const fs::path dir = fs::temp_directory_path() / Format("velmar-cube-bench-%d", static_cast<int>(getpid()));
  fs::create_directories(dir);

  // One second of a bright night: events spread over the field, as the store step encodes them.
  RecordGeometry g;
  g.format = format;
  g.storedXSize = g.storedYSize = size;
  std::mt19937 random(1947);
  std::uniform_real_distribution<float> address(0.0f, static_cast<float>(size - 1));
  std::vector<float> x(events), y(events);
  std::vector<std::int32_t> tag(events, 0);
  for (int i = 0; i < events; ++i) x[i] = address(random), y[i] = address(random);
  std::vector<std::uint8_t> bytes;
  EncodeRecords(x.data(), y.data(), tag.data(), events, g, bytes);
  const fs::path model = dir / "model.bin";
  {
    std::ofstream out(model, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  const long before = ResidentKb();
  CubeLayout layout;
  layout.directory = dir.string();
  layout.prefix = "G";
  layout.number = 1;
  layout.format = format;
  layout.sizeX = layout.sizeY = size;
  layout.channels = channels;
  layout.bin = bin;
  CubeFollower follower(layout);
  follower.Update();
  std::vector<double> ms;
  for (int f = 0; f < files; ++f) {
    const int channel = f % channels + 1, cycle = f / channels + 1;
    // Written under the temporary name and renamed, as the store step does.
    fs::copy_file(model, dir / "ipcsdata.tmp", fs::copy_options::overwrite_existing);
    fs::rename(dir / "ipcsdata.tmp", dir / Format("G001%2.2d%2.2d.VLA", cycle, channel));
    const auto t0 = std::chrono::steady_clock::now();
    const int read = follower.Update();
    const auto t1 = std::chrono::steady_clock::now();
    if (read != 1) {
      std::fprintf(stderr, "file %d: %d files read, not 1\n", f, read);
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  const long after = ResidentKb();
  // What the window thread does for each picture: copy a plane and stretch it.
  std::vector<std::int32_t> plane;
  std::vector<double> draw;
  for (int i = 0; i < 10; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    follower.CopyPlane(1, plane);
    const StretchedImage image = StretchPlane(plane, (size + bin - 1) / bin, (size + bin - 1) / bin, bin, bin,
                                              i % 2 ? Stretch::Logarithmic : Stretch::Linear);
    draw.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    if (image.counts.empty()) return 1;
  }
  std::sort(draw.begin(), draw.end());
  std::sort(ms.begin(), ms.end());
  const double median = ms[ms.size() / 2], worst = ms.back();
  const std::int64_t cubeBytes = static_cast<std::int64_t>((size + bin - 1) / bin) * ((size + bin - 1) / bin) * channels * 4;
  std::printf("files=%d events_per_file=%d size=%dx%d channels=%d bin=%d format=%d\n", files, events, size, size,
              channels, bin, format);
  std::printf("per_file_median_ms=%.2f per_file_worst_ms=%.2f ratio_to_50ms_median=%.3f ratio_to_50ms_worst=%.3f\n",
              median, worst, median / 50.0, worst / 50.0);
  std::printf("cube_mb=%.1f rss_growth_mb=%.1f photons=%lld\n", cubeBytes / 1048576.0, (after - before) / 1024.0,
              static_cast<long long>(follower.Status().photons));
  std::printf("plane_draw_median_ms=%.2f plane_draw_worst_ms=%.2f (copy and stretch of one plane, window thread)\n",
              draw[draw.size() / 2], draw.back());
  fs::remove_all(dir);
  return worst <= 50.0 ? 0 : 1;
}
