// The store step's writing: AppendPhotons for a full photon buffer (500000 events
// for a camera of up to 166 frames a second, more for a faster one) in each record
// format, against writing the same bytes with one fwrite.
//
//   ./build/bench/store [--fps F]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/photon_file.h"
#include "engine/photon_records.h"
#include "params/fixed_text.h"
#include "platform/system_dir.h"

using namespace velmar;

namespace {

class QuietWindow : public DiskErrorWindow {
 public:
  DiskErrorChoice ShowDiskError(const DiskErrorReport& r) override {
    std::fprintf(stderr, "disk error: %s %s\n", r.kind.c_str(), r.errnoText.c_str());
    return DiskErrorChoice::Ignore;
  }
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <class F>
double Millis(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  double fps = 80;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--fps") fps = std::atof(argv[++i]);
  const auto dir = std::filesystem::temp_directory_path() / "velmar-store-bench";
  std::filesystem::create_directories(dir);
  const PhotonBuffer::Capacity room = PhotonBuffer::CapacityFor(fps);
  const int kEvents = room.events;
  std::vector<float> x(kEvents), y(kEvents);
  std::vector<std::int32_t> tag(kEvents);
  std::mt19937 random(3);
  std::uniform_real_distribution<float> position(0.0f, 511.9f);
  for (int i = 0; i < kEvents; ++i) {
    x[i] = position(random);
    y[i] = position(random);
    tag[i] = (i / 300) * 4 + (i / 300) % 4;
  }
  std::vector<std::int32_t> perFrame(room.frames, kEvents / room.frames);
  const PhotonBuffer::Snapshot events{x.data(), y.data(), tag.data(), perFrame.data(), kEvents, room.frames,
                                      room.frames, 0};
  QuietWindow window;
  for (int format : {0, 1, 2}) {
    AcquisitionParameters p;
    p.DataFormat = format;
    p.CCDXSize = p.CCDYSize = 512;
    p.StoredXSize = p.StoredYSize = format == 2 ? 256 : 512;
    SetText(p.Path, dir.string());
    AcquisitionState s;
    std::vector<std::uint8_t> bytes;
    EncodeRecords(x.data(), y.data(), tag.data(), kEvents, GeometryOf(p), bytes);
    const std::string plain = (dir / "plain.bin").string();
    std::vector<double> ours, fwrite;
    for (int r = 0; r < 15; ++r) {  // interleaved
      OpenChannelFile(s, p);
      ours.push_back(Millis([&] { AppendPhotons(s, p, events, window); }));
      fwrite.push_back(Millis([&] {
        std::FILE* f = std::fopen(plain.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
      }));
    }
    const double o = Median(ours), w = Median(fwrite);
    std::printf("case=format%d events=%d bytes=%zu append_ms=%.2f fwrite_ms=%.2f ratio=%.2f\n", format, kEvents,
                bytes.size(), o, w, o / w);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
