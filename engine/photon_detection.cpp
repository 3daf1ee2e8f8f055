#include "engine/photon_detection.h"

namespace velmar {

void BinarizeFrame(Grabber& grabber, GrabberId source, const DetectionObjects& objects, std::int32_t discriminator) {
  grabber.BinarizeGreaterOrEqual(source, objects.binary, discriminator);
}

DetectionResult FindPhotons(Grabber& grabber, const DetectionObjects& objects, float* x, float* y, GrabberId grey) {
  DetectionResult result;
  grabber.CalculateBlobs(objects.binary, grey, objects.areaList, objects.blobResult);
  std::int32_t n = grabber.BlobCount(objects.blobResult);
  if (n >= kMaxBlobsPerFrame) {
    result.overexposed = true;
    n = 0;
  }
  if (n > 0) {
    grabber.CalculateBlobs(objects.binary, grey, objects.centroidList, objects.blobResult);
    grabber.BlobResults(objects.blobResult, BlobFeature::CenterOfGravityX, x, kMaxBlobsPerFrame);
    grabber.BlobResults(objects.blobResult, BlobFeature::CenterOfGravityY, y, kMaxBlobsPerFrame);
  }
  result.photons = n < 0 ? 0 : n;
  return result;
}

DetectionResult DetectPhotons(Grabber& grabber, GrabberId source, const DetectionObjects& objects,
                              std::int32_t discriminator, float* x, float* y) {
  BinarizeFrame(grabber, source, objects, discriminator);
  return FindPhotons(grabber, objects, x, y);
}

}  // namespace velmar
