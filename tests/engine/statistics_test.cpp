#include <gtest/gtest.h>

#include "engine/photon_records.h"
#include "engine/statistics.h"

namespace velmar {
namespace {

TEST(Statistics, InstantRatesAndEfficiency) {
  SecondFigures f;
  f.frames = 77;  // 38.5 frames/s over two seconds at 40 frames/s: 96.25 % shows 100 %
  f.photons = 5;
  f.sinceEnd = 2.0;
  auto v = InstantFiguresOf(f, 40);
  EXPECT_EQ(v.frames, "38");  // 38.5: the half goes toward zero
  EXPECT_EQ(v.photons, "2");
  EXPECT_EQ(v.efficiency, "100 %");
  f.frames = 60;
  EXPECT_EQ(InstantFiguresOf(f, 40).efficiency, "75 %");
  f.sinceEnd = 0.0;  // no time elapsed: rates of 0
  v = InstantFiguresOf(f, 40);
  EXPECT_EQ(v.photons, "0");
  EXPECT_EQ(v.frames, "0");
  EXPECT_EQ(v.efficiency, "0 %");
}

TEST(Statistics, FramesTheBufferDroppedLowerTheEfficiency) {
  // A 1000 frames/s camera behind a definition of 80: 500 counted, 500 dropped.
  SecondFigures f{500, 2500, 2500, 1.0, 1.0};
  f.dropped = 500;
  EXPECT_EQ(InstantFiguresOf(f, 80).efficiency, "50 %");
  AcquisitionState s;
  AcquisitionParameters p;
  p.FramesPerSecond = 80;
  EXPECT_EQ(UpdateStatistics(s, p, f).efficiency, "50 %");
  EXPECT_EQ(s.cumulatedEfficiencyText, "050 %");
  // One frame lost in a second is shown, not rounded up to 100 %.
  f = SecondFigures{79, 0, 0, 1.0, 1.0};
  f.dropped = 1;
  EXPECT_EQ(InstantFiguresOf(f, 80).efficiency, "99 %");
  f.dropped = 0;
  EXPECT_EQ(InstantFiguresOf(f, 80).efficiency, "100 %");
}

TEST(Statistics, ExposureIsShownInWholeSeconds) {
  EXPECT_EQ(ExposureText(3599.5), "00:59:59");
  EXPECT_EQ(ExposureText(3600.0), "01:00:00");
  EXPECT_EQ(ExposureText(36061.9), "10:01:01");
  EXPECT_EQ(ExposureText(4294967294.0), "1193046:28:14");
  EXPECT_EQ(ExposureText(-5.0), "00:00:00");
  // Billions of channels of billions of seconds: bounded, not an overflow.
  EXPECT_EQ(ExposureText(2147483647.0 * 2147483647.0 * 2147483647.0), "277777777777:46:40");
}

TEST(Statistics, CumulatedCountersCarryMillionsAndBytes) {
  AcquisitionState s;
  AcquisitionParameters p;
  p.FramesPerSecond = 80;
  p.DataFormat = kFormatXYFrame8Bytes;
  SecondFigures f{80, 1250000, 1250000, 1.0, 1.0};
  UpdateStatistics(s, p, f);
  const auto v = UpdateStatistics(s, p, f);
  EXPECT_EQ(v.photonsMillions, "000002");
  EXPECT_EQ(v.photonsUnits, "500000");
  EXPECT_EQ(v.exposure, "00:00:02");
  EXPECT_EQ(v.efficiency, "100 %");
  EXPECT_EQ(s.cumulatedEfficiencyText, "100 %");
  EXPECT_EQ(v.system, "0 %");
  EXPECT_EQ(s.bytesWritten, 2LL * 1250000 * 8);
  EXPECT_EQ(v.disk, "   19.073 Mb");
  EXPECT_EQ(s.channelPhotons, 2500000);
  EXPECT_EQ(s.channelFrames, 160);
  // A second that counted half its frames: the system label shows the loss.
  const auto half = UpdateStatistics(s, p, SecondFigures{40, 0, 0, 1.0, 1.0});
  EXPECT_EQ(half.system, "50 %");
  EXPECT_EQ(half.efficiency, "83 %");  // 200 frames in 3 s at 80/s
  EXPECT_EQ(s.cumulatedEfficiencyText, "083 %");
  EXPECT_EQ(UpdateStatistics(s, p, SecondFigures{0, 0, 0, 1.0, 0.0}).system, "99 %");
}

TEST(PhotonRecords, TheExampleEventInEachFormat) {
  const float x[] = {100.7f}, y[] = {200.2f};
  const std::int32_t tag[] = {9};
  RecordGeometry g;
  std::vector<std::uint8_t> out;
  g.format = kFormatXY4Bytes;
  EncodeRecords(x, y, tag, 1, g, out);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{0xC8, 0x00, 0x64, 0x00}));
  out.clear();
  g.format = kFormatXYFrame8Bytes;
  EncodeRecords(x, y, tag, 1, g, out);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{0xC8, 0x00, 0x64, 0x00, 0x09, 0x00, 0x00, 0x00}));
  out.clear();
  g.format = kFormatXY256_2Bytes;
  EncodeRecords(x, y, tag, 1, g, out);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{0x64, 0xC8}));
}

// Read back from the bytes of each format; negative addresses and tags keep their
// sign, and a part record at the end is left for the next read.
TEST(PhotonRecords, DecodingReadsTheBytesOfEachFormatBack) {
  std::vector<PhotonRecord> out;
  const std::vector<std::uint8_t> four = {0xC8, 0x00, 0x64, 0x00, 0xFF, 0xFF, 0xFE, 0xFF, 0x01};
  EXPECT_EQ(DecodeRecords(kFormatXY4Bytes, four.data(), four.size(), out), 8u);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ((std::vector<std::int32_t>{out[0].x, out[0].y, out[1].x, out[1].y}),
            (std::vector<std::int32_t>{100, 200, -2, -1}));
  out.clear();
  const std::vector<std::uint8_t> eight = {0xC8, 0x00, 0x64, 0x00, 0x09, 0x00, 0x00, 0x80};
  EXPECT_EQ(DecodeRecords(kFormatXYFrame8Bytes, eight.data(), eight.size(), out), 8u);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ((std::vector<std::int32_t>{out[0].x, out[0].y, out[0].tag}),
            (std::vector<std::int32_t>{100, 200, static_cast<std::int32_t>(0x80000009u)}));
  out.clear();
  const std::vector<std::uint8_t> two = {0x64, 0xC8, 0xFF};
  EXPECT_EQ(DecodeRecords(kFormatXY256_2Bytes, two.data(), two.size(), out), 2u);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ((std::vector<std::int32_t>{out[0].x, out[0].y}), (std::vector<std::int32_t>{100, 200}));
}

TEST(PhotonRecords, ScalingClampingAndTheY511Filter) {
  AcquisitionParameters p;
  p.CCDXSize = 768;  // the Thomson camera stored on 256 addresses
  p.CCDYSize = 288;
  p.StoredXSize = p.StoredYSize = 256;
  p.DataFormat = kFormatXY256_2Bytes;
  auto g = GeometryOf(p);
  EXPECT_EQ(g.scaleX, 0.33333334f);
  EXPECT_EQ(g.scaleY, 1.0f);
  const float x[] = {767.9f, 300.0f}, y[] = {287.0f, -3.0f};
  const std::int32_t tags[] = {0, 0};
  std::vector<std::uint8_t> out;
  EncodeRecords(x, y, tags, 2, g, out);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{255, 255, 100, 0}));

  p.CCDXSize = p.CCDYSize = 512;
  p.StoredXSize = p.StoredYSize = 512;
  p.DataFormat = kFormatXYFrame8Bytes;
  g = GeometryOf(p);
  const float fx[] = {10.0f, 11.0f}, fy[] = {511.0f, 510.9f};
  out.clear();
  EXPECT_EQ(EncodeRecords(fx, fy, tags, 2, g, out), 1);  // the event at Y 511.0 leaves no byte
  EXPECT_EQ(out.size(), 8u);
  EXPECT_EQ(out[0], 0xFE);  // Y 510
  EXPECT_EQ(out[1], 0x01);

  p.CCDXSize = p.CCDYSize = 1024;  // an AsGa camera on 256 addresses: a quarter each way
  p.StoredXSize = p.StoredYSize = 256;
  p.DataFormat = kFormatXY4Bytes;
  g = GeometryOf(p);
  EXPECT_EQ(g.scaleX, 0.25f);
  EXPECT_EQ(g.scaleY, 0.25f);
}

TEST(PhotonRecords, TheHighRateSwapMirrorsTheRightHalfWithinItself) {
  RecordGeometry g;
  g.storedXSize = 256;
  g.dalsaSwap = true;
  const float x[] = {127.5f, 128.0f, 255.9f}, y[] = {0, 0, 0};
  const std::int32_t tags[] = {0, 0, 0};
  std::vector<std::uint8_t> out;
  EncodeRecords(x, y, tags, 3, g, out);
  EXPECT_EQ(out[2], 127);  // left half unchanged
  EXPECT_EQ(out[6], 255);  // 128 <-> 255
  EXPECT_EQ(out[10], 128);
}

TEST(PhotonRecords, ShortWritesKeepWholeFields) {
  EXPECT_EQ(WholeFieldBytes(kFormatXY4Bytes, 9), 8);
  EXPECT_EQ(WholeFieldBytes(kFormatXY4Bytes, 11), 10);
  EXPECT_EQ(WholeFieldBytes(kFormatXYFrame8Bytes, 8 + 7), 8 + 4);
  EXPECT_EQ(WholeFieldBytes(kFormatXYFrame8Bytes, 8 + 3), 8 + 2);
  EXPECT_EQ(WholeFieldBytes(kFormatXY256_2Bytes, 5), 5);
}

}  // namespace
}  // namespace velmar
