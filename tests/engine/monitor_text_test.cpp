// The banners written on the control monitor, on the 512-wide display buffer of a
// desktop-window monitor: every pixel of every text reaches the buffer.
#include "engine/monitor_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/bitmap_font.h"
#include "engine/frame_grabber_setup.h"
#include "engine/grabber_files.h"
#include "engine/software_grabber.h"
#include "instruments/high_voltage.h"
#include "support/temp_dir.h"

namespace velmar::testing {
namespace {

// The pixels a text lights when drawn on one line with room to spare.
long Ink(const std::string& text, int scale) {
  const int width = static_cast<int>(text.size()) * kGlyphWidth * scale, height = kGlyphHeight * scale;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height);
  DrawText(pixels.data(), width, height, width, 0, 0, text, 1, 0, scale);
  return std::count(pixels.begin(), pixels.end(), 1);
}

long Lit(SoftwareGrabber& grabber, int colour, int& width) {
  GreyImage picture;
  EXPECT_TRUE(grabber.ControlMonitorPicture(picture));
  width = picture.width;
  return std::count(picture.pixels.begin(), picture.pixels.end(), colour);
}

TEST(MonitorText, TheStartAndIdleBannersShowWholeOnANarrowMonitor) {
  TempDir dir;
  ScopedCurrentDir cwd(dir.path());
  WriteFile("ecran.vcf", DisplayDescriptionText(DisplayDescription{}, "monitor"));
  WriteFile("comptage.dcf", DigitizerDescriptionText(DigitizerDescription{}, "camera"));
  SoftwareGrabber grabber;
  int width = 0;

  ShowStartBanner(grabber);
  EXPECT_EQ(Lit(grabber, 255, width),
            Ink("VlmIPCS  VlmIPCS  VlmIPCS  VlmIPCS  VlmIPCS  VlmIPCS  VlmIPCS  VlmIPCS", 1) +
                Ink(kGrabbingInactiveText, 1));
  EXPECT_EQ(width, 512);

  ShowIdleBanner(grabber);
  EXPECT_EQ(Lit(grabber, 240, width), Ink("TORVEL", 5) + Ink("Warning : NO CONTINUOUS GRAB !", 2) +
                                          Ink("Warning : THT could be not zero !", 2) +
                                          Ink("Grabbing is only active when tuning THT or acquiring...", 1));
  EXPECT_EQ(grabber.LiveObjects(), 0);
}

TEST(MonitorText, AWordLongerThanTheBufferIsCutIntoLinesAndNothingIsLost) {
  TempDir dir;
  ScopedCurrentDir cwd(dir.path());
  SoftwareGrabber grabber;
  const GrabberId application = grabber.AllocApplication();
  const GrabberId system = grabber.AllocSystem(application, "default");
  const GrabberId buffer = grabber.AllocBuffer(system, 1, 40, 200, 8, kProcessable);  // five cells wide
  grabber.Clear(buffer, 0);
  const int below = DrawTextWhole(grabber, buffer, 30, 10, "abcdefghijkl mn", 1, 200);
  EXPECT_EQ(below, 10 + 3 * 16);  // moved to the left edge: "abcde", "fghij", "kl mn"
  std::vector<std::uint8_t> pixels(40 * 200);
  grabber.GetPixels(buffer, pixels.data());
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 200), Ink("abcdefghijkl mn", 1));
}

}  // namespace
}  // namespace velmar::testing
