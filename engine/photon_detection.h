#pragma once
// Photon finding on one grabbed frame, the one routine behind both the acquisition's
// detection workers and the counting test window, so a discriminator tuned on the
// test frames means the same during the night: binarise, count the blobs (20000 or
// more means an overexposed frame: no photon), then read their centres of gravity.
#include <cstdint>

#include "engine/grabber.h"

namespace velmar {

inline constexpr std::int32_t kMaxBlobsPerFrame = 20000;

struct DetectionObjects {
  GrabberId binary = 0;        // 1 bit, the frame's size
  GrabberId areaList = 0;      // feature: area
  GrabberId centroidList = 0;  // features: centre of gravity X and Y
  GrabberId blobResult = 0;
};

struct DetectionResult {
  std::int32_t photons = 0;  // 0 for an empty or an overexposed frame
  bool overexposed = false;  // 20000 blobs or more
};

// Binarises source (pixel 1 where grey >= discriminator) into objects.binary.
void BinarizeFrame(Grabber& grabber, GrabberId source, const DetectionObjects& objects, std::int32_t discriminator);
// The blob analysis of objects.binary: the count, then (when not 0) the centres of
// gravity into x and y, which hold kMaxBlobsPerFrame values each. With a grey image
// (the counting test's "relief") the centres are weighted by its grey levels; the
// acquisition gives none.
DetectionResult FindPhotons(Grabber& grabber, const DetectionObjects& objects, float* x, float* y,
                            GrabberId grey = 0);
// Both, in that order.
DetectionResult DetectPhotons(Grabber& grabber, GrabberId source, const DetectionObjects& objects,
                              std::int32_t discriminator, float* x, float* y);

}  // namespace velmar
