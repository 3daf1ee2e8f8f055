#pragma once
// The photon cube of an observation followed as it grows: each channel file that
// has taken its final name is read once and added to the plane of its channel
// (summed over cycles). A file is complete when it carries a channel file name of
// the observation and is not the one the channel-in-progress mark names; the mark
// is read after the directory listing, so that a file listed while it was written
// is always seen with its mark. Files are only read: "ipcsdata.tmp", ".partial"
// names and the marked file are never opened, and nothing is written in the
// directory. A complete file that changes or goes (a redone channel, an
// overwritten observation) has its channel rebuilt from that channel's files.
//
// One thread calls Update; any thread reads the cube, under the same lock, which
// Update holds only while it adds one block of records.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "export/observation_reader.h"
#include "export/photon_cube.h"

namespace velmar {

// Where the channel files are and how they are named and read.
struct CubeLayout {
  std::string directory;
  std::string prefix;
  std::int32_t number = 0;
  bool longNames = false;
  std::int32_t format = 0;
  std::int32_t sizeX = 0, sizeY = 0;  // address ranges of the records
  std::int32_t channels = 0;
  std::int32_t bin = 1;  // addresses per side of a cube bin
};

// The smallest bin of 1, 2, 4 and 8 that keeps the cube within 64 MiB.
std::int32_t DefaultCubeBin(std::int32_t sizeX, std::int32_t sizeY, std::int32_t channels);
// bin 0: DefaultCubeBin.
CubeLayout LayoutOf(const Observation& o, std::int32_t bin = 0);

struct ChannelFileId {
  std::int32_t cycle = 0, channel = 0;
};
// The cycle and channel of one of the observation's channel file names.
std::optional<ChannelFileId> ParseChannelFileName(const CubeLayout& layout, const std::string& name);

struct CubeStatus {
  std::int64_t filesAdded = 0;   // complete channel files in the cube
  std::int64_t photons = 0;      // events in the cube
  std::int32_t cyclesDone = 0;   // cycles whose every channel is in
  std::int32_t lastCycle = 0;    // highest cycle of a file in the cube
  // The channel being counted, from the channel-in-progress mark (0: none).
  std::int32_t countingChannel = 0, countingCycle = 0;
  std::string problem;           // the last file that could not be read whole
  std::vector<std::int32_t> filesPerChannel;  // channel files in each channel's plane (index 0: channel 1)
};

class CubeFollower {
 public:
  explicit CubeFollower(CubeLayout layout);

  const CubeLayout& layout() const { return layout_; }

  // Lists the directory and adds what became complete since; returns the number
  // of files read. One thread at a time.
  int Update();
  // Makes a running Update return after the block it is adding, and every later
  // one at once: for a follower about to go.
  void Interrupt() { interrupted_ = true; }

  // Readers, from any thread.
  std::uint64_t Generation() const;  // moves on whenever the cube changes
  void CopyPlane(std::int32_t channel, std::vector<std::int32_t>& out) const;
  std::vector<std::int64_t> ChannelTotals() const;
  // Photons per channel in the box of stored addresses [x0, x1] x [y0, y1], taken
  // whole bins at a time.
  std::vector<std::int64_t> Spectrum(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) const;
  CubeStatus Status() const;
  std::vector<std::string> FilesAdded() const;  // names, in the order of the listing
  std::int64_t FileReads() const;                // every read of a file, rereads included
  void WithCube(const std::function<void(const PhotonCube&)>& use) const;

 private:
  struct Identity {
    std::int64_t size = -1, mtime = 0;
    std::uint64_t inode = 0;
    bool operator==(const Identity&) const = default;
  };
  struct Added {
    ChannelFileId id;
    Identity identity;
  };
  // Reads one file into its channel; its identity as it was before the read, or
  // an unknown one when it changed meanwhile (so the next update rebuilds it).
  Identity Read(const std::string& name, const ChannelFileId& id);
  void Rebuild(std::int32_t channel);

  CubeLayout layout_;
  mutable std::mutex mutex_;
  PhotonCube cube_;
  std::vector<std::int64_t> totals_;
  std::map<std::string, Added> added_;
  std::vector<std::string> order_;
  CubeStatus status_;
  std::uint64_t generation_ = 0;
  std::int64_t reads_ = 0;
  std::vector<PhotonRecord> records_;
  std::atomic<bool> interrupted_{false};
};

// Runs a follower's updates on a thread of its own, at the lowest priority, so
// that reading never takes the processor from counting: at each Poke and every
// pollSeconds (a directory change a watcher missed is still found).
class CubeFollowerThread {
 public:
  CubeFollowerThread(CubeFollower& follower, double pollSeconds = 1.0);
  ~CubeFollowerThread();
  CubeFollowerThread(const CubeFollowerThread&) = delete;
  CubeFollowerThread& operator=(const CubeFollowerThread&) = delete;
  void Poke();

 private:
  void Run();
  CubeFollower& follower_;
  double pollSeconds_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool poked_ = true, stop_ = false;
  std::thread thread_;
};

}  // namespace velmar
