#pragma once
// The frame-grabber objects of the acquisition, the four detection workers'
// contexts, the TV levels and the tuning window's own grabber context.
#include <atomic>
#include <cstdint>

#include "engine/grabber.h"

namespace velmar {

inline constexpr int kWorkers = 4;

struct GrabberObjects {
  GrabberId application = 0, system = 0, display = 0, digitizer = 0;
  GrabberId displayBuffer = 0;        // also worker 0's grab buffer
  GrabberId hiddenGrab[3] = {};       // grab buffers of workers 1, 2, 3
  GrabberId binary[kWorkers] = {};    // worker 0's is displayable
  GrabberId areaList[kWorkers] = {};
  GrabberId centroidList[kWorkers] = {};
  GrabberId blobResult[kWorkers] = {};
  GrabberId simulationSource[kWorkers] = {};
  GrabberId simulationGrab = 0;
  std::int32_t setUpDone = 0;
  std::int32_t simulationBuffersAllocated = 0;
  std::int32_t simulationInUse = 0;
  std::int32_t ccdXSize = 0, ccdYSize = 0;  // the size the buffers were made with
};

struct WorkerContext {
  GrabberId simulationSource = 0, grab = 0, binary = 0;
  GrabberId areaList = 0, centroidList = 0, blobResult = 0;
  std::int32_t blobsFound = 0;
  // Changed by the window thread while workers run; a change counts from the next run.
  std::atomic<std::int32_t> discriminator{0};
  std::int32_t greyWeighting = 0;  // always 0: centroids of the binary blobs alone
};

struct TvLevels {
  std::int32_t discriminator = 0, blackLevel = 0, whiteLevel = 0;  // wanted
  std::int32_t appliedDiscriminator = 0, appliedBlack = 0, appliedWhite = 0;
};

// The high-voltage tuning window's grabber context (also used for the start banner).
struct TuningContext {
  GrabberId application = 0, system = 0, display = 0, digitizer = 0, displayBuffer = 0;
  std::atomic<std::int32_t> open{0};  // read by the TV display thread
};

}  // namespace velmar
