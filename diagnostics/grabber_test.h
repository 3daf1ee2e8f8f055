#pragma once
// The frame-grabber tests: a message on the control monitor, live TV, one frame
// saved as a 2D image (full size, resampled to 512 by 512, or with the DALSA
// high-rate swap) and the frame rate over 100 grabs. Each test opens a grabber
// context of its own and frees it before it returns; the acquisition's objects are
// never touched.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/grabber.h"
#include "params/acquisition_parameters.h"

namespace velmar {

inline constexpr const char* kGrabbedImageText = "Image from Matrox digitalization";
inline constexpr int kResampledSize = 512;
inline constexpr int kFrameRateGrabs = 100;

enum SingleFrameMode : int { kFrameFull = 1, kFrameResampled512 = 2, kFrameDalsa = 3 };

// The single-frame size: 768 by 288 for the Thomson camera, else the camera's.
void SingleFrameSize(const AcquisitionParameters& p, int& width, int& height);

// The rows written for a frame of width by height bytes, as floats: mode 1 as is;
// mode 2 resampled to 512 by 512 (each output pixel the mean of the 2 by 2 block at
// the nearest source row and column, clamped to 0 .. size - 2); mode 3 as mode 1,
// the right half mirrored from the source when swap is on. outWidth and outHeight
// receive the size written.
std::vector<float> SingleFrameRows(int mode, const std::vector<std::uint8_t>& frame, int width, int height, bool swap,
                                   int& outWidth, int& outHeight);

void WriteTestMessage(Grabber& grabber);
// Live TV until stopRequested says so; processMessages runs between looks.
void ShowLiveTv(Grabber& grabber, const std::function<void()>& processMessages,
                const std::function<bool()>& stopRequested);
// Grabs one frame and writes it to path; errors are shown (and end the writing).
// False when the file could not be written whole.
bool GrabSingleFrame(Grabber& grabber, const AcquisitionParameters& p, int mode, const std::string& path);
// Frames per second over 100 grabs (0 when nothing could be grabbed).
double MeasureFrameRate(Grabber& grabber);

}  // namespace velmar
