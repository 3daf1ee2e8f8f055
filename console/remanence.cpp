#include "console/remanence.h"

#include <vector>

#include "analogic/image_files.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "platform/system_dir.h"

namespace velmar {

void WriteRemanenceImages(Grabber& grabber, AcquisitionState& s, const AcquisitionParameters& p) {
  WaitSeconds(1.0);
  const GrabberObjects& o = s.grabber;
  const GrabberId ring[4] = {o.simulationInUse ? o.simulationGrab : o.displayBuffer, o.hiddenGrab[0], o.hiddenGrab[1],
                             o.hiddenGrab[2]};
  const int width = o.ccdXSize > 0 ? o.ccdXSize : p.CCDXSize;
  const int height = o.ccdYSize > 0 ? o.ccdYSize : p.CCDYSize;
  for (int k = 0; k < 4; ++k) {
    const std::string path = RemanenceFile(k + 1).string();
    if (!ring[k] || width <= 0 || height <= 0) continue;
    const int bufferX = grabber.Inquire(ring[k], Inquiry::SizeX);
    const int bufferY = grabber.Inquire(ring[k], Inquiry::SizeY);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(bufferX) * bufferY);
    grabber.GetPixels(ring[k], buffer.data());
    const auto source = [&](int r, int c) -> std::uint8_t {
      return (r < bufferY && c < bufferX) ? buffer[static_cast<std::size_t>(r) * bufferX + c] : 0;
    };
    const bool small = p.DataFormat == kFormatXY256_2Bytes;
    const int outX = small ? 256 : width, outY = small ? 256 : height;
    std::vector<float> image(static_cast<std::size_t>(outX) * outY, 0.0f);
    const int half = outX / 2;
    for (int r = 0; r < outY; ++r)
      for (int c = 0; c < outX; ++c) {
        const std::uint8_t value = small ? static_cast<std::uint8_t>(source(r, 3 * c) + source(r, 3 * c + 1) +
                                                                     source(r, 3 * c + 2))
                                         : source(r, c);
        // With the high-rate swap a column from half up is written at 2 half - c - 1;
        // the columns from half up then carry no image data and stay at zero.
        const int to = (p.DalsaSwap == 1 && c >= half) ? 2 * half - c - 1 : c;
        image[static_cast<std::size_t>(r) * outX + to] = value;
      }
    const ImageWriteResult written = WriteImage2D(path, outX, outY, image.data(), "Image from Matrox digitalization");
    if (written == ImageWriteResult::CannotCreate)
      ShowError("Impossible to create the DV2 output file", path, "Is the disk full or the file locked by another application ?");
    else if (written == ImageWriteResult::CannotWrite)
      ShowError("Impossible to write the DV2 output file", path, "Is the disk full or the file locked by another application ?");
  }
  s.remanenceRequested = 0;
}

}  // namespace velmar
