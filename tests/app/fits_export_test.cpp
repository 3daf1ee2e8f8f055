// The FITS export through the real program: observations of the runner on the
// virtual clock in each record format, and an analogic cube, read back with CFITSIO.
#include <fitsio.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <filesystem>
#include <regex>

#include <signal.h>
#include <unistd.h>

#include "analogic/image_files.h"
#include "runner_fixture.h"
#include "support/child_process.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

struct Event {
  std::int64_t x, y, frame, channel, cycle;
  bool operator==(const Event&) const = default;
};

struct LogRecord {
  std::int64_t channel, cycle, qg, photons, frames;
};

class FitsExport : public RunnerFixture {
 protected:
  // The 2-byte format needs a camera stored on 256 addresses (the Thomson camera).
  int Observe(const std::string& name, int number, int format) {
    return RunWith({"--system-dir", dir_.file("system"), "--fast", "--source", "simulation", "--random-points", "40",
                    "--exposure", "1", "--type", "object", "--see-saw", "on", "--fits"},
                   {"--data", dir_.file("obs/" + name), "--prefix", "G", "--number", std::to_string(number),
                    "--channels", "3", "--cycles", "2", "--format", std::to_string(format), "--preset",
                    format == 2 ? "pelno.def" : "kem512.def", "--cs100", "parallel"});
  }
  // vlmipcs-fits as the observer runs it; its output kept in fitsOutput_.
  int Fits(const std::vector<std::string>& args) {
    ChildProcess child(std::string(VELMAR_BIN_DIR) + "/vlmipcs-fits", args, dir_.path().string());
    const auto code = child.Wait(60000);
    fitsOutput_ = child.output();
    return code ? *code : -1;
  }
  // fitsverify, where installed, finds no error in the file.
  void Verify(const std::string& path) {
    if (system("command -v fitsverify >/dev/null 2>&1") != 0) return;
    ChildProcess verify("/bin/sh", {"-c", "fitsverify -q -e '" + path + "'"}, dir_.path().string());
    const auto code = verify.Wait(60000);
    EXPECT_EQ(code, 0) << verify.output();
    EXPECT_NE(verify.output().find("OK"), std::string::npos) << verify.output();
  }
  // The events as the photon files hold them, decoded here by hand.
  static std::vector<Event> FileEvents(const std::string& path, int format, int channel, int cycle) {
    const std::string bytes = ReadFile(path);
    const auto b = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    const std::size_t size = format == 2 ? 2 : format == 1 ? 8 : 4;
    std::vector<Event> events;
    for (std::size_t i = 0; i + size <= bytes.size(); i += size) {
      Event e{0, 0, 0, channel, cycle};
      if (format == 2) {
        e.x = b(i), e.y = b(i + 1);
      } else {
        e.y = static_cast<std::int16_t>(b(i) | b(i + 1) << 8);
        e.x = static_cast<std::int16_t>(b(i + 2) | b(i + 3) << 8);
        if (format == 1)
          e.frame = static_cast<std::int32_t>(b(i + 4) | b(i + 5) << 8 | b(i + 6) << 16 |
                                              static_cast<std::uint32_t>(b(i + 7)) << 24);
      }
      events.push_back(e);
    }
    return events;
  }
  static std::vector<LogRecord> LogRecords(const std::string& log) {
    std::vector<LogRecord> records;
    const std::regex line(R"(Was acquired at ..:..:..: ch=(\d+)  cy=(\d+)  QGval=([+-]\d+)  ph=(\d+)  fr=(\d+))");
    for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it)
      records.push_back({std::stoll((*it)[1]), std::stoll((*it)[2]), std::stoll((*it)[3]), std::stoll((*it)[4]),
                         std::stoll((*it)[5])});
    return records;
  }
  std::string fitsOutput_;
};

// Reads a FITS file's HDUs by name; every failure fails the test with CFITSIO's status.
class FitsReader {
 public:
  explicit FitsReader(const std::string& path) { fits_open_file(&f_, path.c_str(), READONLY, &status_); }
  ~FitsReader() {
    int ignored = 0;
    if (f_) fits_close_file(f_, &ignored);
  }
  bool Ok() const { return status_ == 0; }
  int status() const { return status_; }
  void Hdu(const char* name) { fits_movnam_hdu(f_, ANY_HDU, const_cast<char*>(name), 0, &status_); }
  void Primary() { fits_movabs_hdu(f_, 1, nullptr, &status_); }
  long Rows() {
    long rows = 0;
    fits_get_num_rows(f_, &rows, &status_);
    return rows;
  }
  int Column(const char* name) {
    int column = 0;
    fits_get_colnum(f_, CASEINSEN, const_cast<char*>(name), &column, &status_);
    return column;
  }
  bool HasColumn(const char* name) {
    int column = 0, status = 0;
    return fits_get_colnum(f_, CASEINSEN, const_cast<char*>(name), &column, &status) == 0;
  }
  std::vector<long long> Longs(const char* name) {
    const long rows = Rows();
    std::vector<long long> values(rows);
    if (rows) fits_read_col(f_, TLONGLONG, Column(name), 1, 1, rows, nullptr, values.data(), nullptr, &status_);
    return values;
  }
  std::vector<double> Doubles(const char* name) {
    const long rows = Rows();
    std::vector<double> values(rows);
    if (rows) fits_read_col(f_, TDOUBLE, Column(name), 1, 1, rows, nullptr, values.data(), nullptr, &status_);
    return values;
  }
  std::string Key(const char* key) {
    char value[FLEN_VALUE] = "";
    fits_read_key(f_, TSTRING, key, value, nullptr, &status_);
    return value;
  }
  double KeyNumber(const char* key) {
    double value = 0;
    fits_read_key(f_, TDOUBLE, key, &value, nullptr, &status_);
    return value;
  }
  std::vector<long> Axes() {
    int n = 0;
    fits_get_img_dim(f_, &n, &status_);
    std::vector<long> axes(n);
    if (n) fits_get_img_size(f_, n, axes.data(), &status_);
    return axes;
  }
  std::vector<double> Pixels(long count) {
    std::vector<double> values(count);
    fits_read_img(f_, TDOUBLE, 1, count, nullptr, values.data(), nullptr, &status_);
    return values;
  }

 private:
  fitsfile* f_ = nullptr;
  int status_ = 0;
};

TEST_F(FitsExport, EveryEventAndChannelRecordOfEachFormatComesBackInOrder) {
  for (int format : {0, 1, 2}) {
    SCOPED_TRACE("format " + std::to_string(format));
    const std::string name = "G00" + std::to_string(format + 1);
    ASSERT_EQ(Observe(name, format + 1, format), 0) << output_;
    const std::string directory = dir_.file("obs/" + name);
    const std::string out = directory + "/" + name + ".fits";
    // The runner's --fits wrote it at the end; the program writes it again, with the cube.
    EXPECT_NE(output_.find("FITS file written: " + out), std::string::npos) << output_;
    Verify(out);
    ASSERT_EQ(Fits({"--check", "--cube", "--bin", "2", directory}), 0) << fitsOutput_;
    ASSERT_TRUE(fs::exists(out)) << fitsOutput_;
    Verify(out);

    const std::string log = ReadFile(directory + "/" + name + ".VLT");
    const std::vector<LogRecord> records = LogRecords(log);
    ASSERT_EQ(records.size(), 7u) << log;  // the settling channel 0, then 3 channels twice
    std::vector<Event> expected;
    std::map<std::int64_t, std::int64_t> perChannel;
    for (const LogRecord& r : records) {
      const auto events = FileEvents(directory + "/G00" + std::to_string(format + 1) + "0" + std::to_string(r.cycle) +
                                         "0" + std::to_string(r.channel) + ".VLA",
                                     format, static_cast<int>(r.channel), static_cast<int>(r.cycle));
      EXPECT_EQ(static_cast<std::int64_t>(events.size()), r.photons);
      perChannel[r.channel] += static_cast<std::int64_t>(events.size());
      expected.insert(expected.end(), events.begin(), events.end());
    }
    ASSERT_GT(expected.size(), 100u);

    FitsReader fits(out);
    fits.Primary();
    EXPECT_EQ(fits.Key("OBS_ID"), name);
    EXPECT_EQ(fits.KeyNumber("NCHANNEL"), 3);
    EXPECT_EQ(fits.KeyNumber("NCYCLES"), 2);
    EXPECT_EQ(fits.KeyNumber("DATAFMT"), format);
    EXPECT_EQ(fits.KeyNumber("CHANEXP"), 1);
    EXPECT_EQ(fits.KeyNumber("LAMBDA"), 6562.78);
    const long storedY = static_cast<long>(fits.KeyNumber("STOREDY"));
    EXPECT_TRUE(fits.Key("SCANMODE").rfind("see-saw", 0) == 0) << fits.Key("SCANMODE");
    EXPECT_TRUE(std::regex_match(fits.Key("DATE-OBS"), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)")));
    fits.Hdu("EVENTS");
    EXPECT_EQ(fits.Key("HDUCLAS1"), "EVENTS");
    EXPECT_EQ(fits.Rows(), static_cast<long>(expected.size()));
    const auto x = fits.Longs("X"), y = fits.Longs("Y"), channel = fits.Longs("CHANNEL"), cycle = fits.Longs("CYCLE");
    const auto frame = format == 1 ? fits.Longs("FRAME") : std::vector<long long>(expected.size(), 0);
    ASSERT_TRUE(fits.Ok()) << fits.status();
    std::size_t differing = 0;
    for (std::size_t i = 0; i < expected.size(); ++i)
      differing += !(Event{x[i], y[i], frame[i], channel[i], cycle[i]} == expected[i]);
    EXPECT_EQ(differing, 0u);
    if (format == 1) {
      const auto time = fits.Doubles("TIME");
      ASSERT_EQ(time.size(), expected.size());
      const double fps = FitsReader(out).KeyNumber("FRAMERAT");
      EXPECT_DOUBLE_EQ(time.back(), (expected.back().frame / 4) / fps);
    } else {
      EXPECT_FALSE(fits.HasColumn("TIME"));
      EXPECT_FALSE(fits.HasColumn("FRAME"));
    }

    fits.Hdu("CHANNELS");
    ASSERT_EQ(fits.Rows(), static_cast<long>(records.size()));
    const auto ch = fits.Longs("CHANNEL"), cy = fits.Longs("CYCLE"), qg = fits.Longs("QGVAL"),
               ph = fits.Longs("PHOTONS"), fr = fits.Longs("FRAMES");
    const auto exposure = fits.Doubles("EXPOSURE");
    for (std::size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(ch[i], records[i].channel);
      EXPECT_EQ(cy[i], records[i].cycle);
      EXPECT_EQ(qg[i], records[i].qg);
      EXPECT_EQ(ph[i], records[i].photons);
      EXPECT_EQ(fr[i], records[i].frames);
      EXPECT_NEAR(exposure[i], 1.0, 1.0);
    }

    fits.Hdu("CUBE");
    const auto axes = fits.Axes();
    const long storedX = static_cast<long>(FitsReader(out).KeyNumber("STOREDX"));
    ASSERT_EQ(axes, (std::vector<long>{(storedX + 1) / 2, (storedY + 1) / 2, 3}));  // binned 2 by 2
    EXPECT_EQ(fits.Key("CTYPE3"), "QGVAL");
    const long plane = axes[0] * axes[1];
    const auto pixels = fits.Pixels(plane * 3);
    ASSERT_TRUE(fits.Ok()) << fits.status();
    for (int c = 1; c <= 3; ++c) {
      double sum = 0;
      for (long i = 0; i < plane; ++i) sum += pixels[(c - 1) * plane + i];
      EXPECT_EQ(sum, perChannel[c]) << "channel " << c;
    }
  }
}

TEST_F(FitsExport, AnAnalogicCubeKeepsItsPixelsAndItsScanAxis) {
  ASSERT_EQ(RunWith({"--system-dir", dir_.file("system"), "--fast", "--type", "analogic", "--prefix", "T"},
                    {"--data", dir_.file("obs/T001"), "--number", "1", "--channels", "3", "--frames-per-channel", "2",
                     "--fits"}),
            0)
      << output_;
  EXPECT_NE(output_.find("FITS file written: " + dir_.file("obs/T001/T001.fits")), std::string::npos) << output_;
  Verify(dir_.file("obs/T001/T001.fits"));
  const std::string vl3 = dir_.file("obs/T001/T001.vl3"), out = dir_.file("cube.fits");
  ASSERT_EQ(Fits({"-o", out, vl3}), 0) << fitsOutput_;
  Verify(out);
  std::string error;
  const auto image = ReadImageFile(vl3, error);
  ASSERT_TRUE(image) << error;
  FitsReader fits(out);
  const auto axes = fits.Axes();
  ASSERT_EQ(axes, (std::vector<long>{image->sizeX, image->sizeY, 3}));
  EXPECT_EQ(fits.Key("CTYPE3"), "QGVAL");
  EXPECT_EQ(fits.Key("OBSTYPE"), "3D analogic calibration");
  const double step = fits.KeyNumber("CDELT3"), base = fits.KeyNumber("CRVAL3");
  const double lambda = fits.KeyNumber("LAMBDA"), cqg = fits.KeyNumber("QGCONST");
  EXPECT_NEAR(step, lambda / cqg / 3, 1e-9);
  EXPECT_NEAR(base, -0.5 * lambda / cqg, 1e-9);
  const long plane = axes[0] * axes[1];
  const auto pixels = fits.Pixels(plane * 3);
  ASSERT_TRUE(fits.Ok()) << fits.status();
  std::size_t differing = 0;
  double total = 0;
  for (int c = 0; c < 3; ++c)
    for (long y = 0; y < axes[1]; ++y)
      for (long x = 0; x < axes[0]; ++x) {
        const double v = pixels[c * plane + y * axes[0] + x];
        differing += v != image->Value(static_cast<int>(x), static_cast<int>(y), c);
        total += v;
      }
  EXPECT_EQ(differing, 0u);
  EXPECT_GT(total, 0);
}

TEST_F(FitsExport, BadInputIsNamedAndLeavesNoFile) {
  ASSERT_EQ(Observe("G004", 4, 2), 0) << output_;
  const std::string directory = dir_.file("obs/G004"), out = dir_.file("out.fits");
  const auto leftovers = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.path()))
      if (entry.path().filename().string().rfind("out.fits", 0) == 0) names.push_back(entry.path().string());
    return names;
  };
  // One record short: --check names the file and writes nothing; the export alone writes it.
  const std::string cut = directory + "/G0040102.VLA";
  std::string bytes = ReadFile(cut);
  ASSERT_GE(bytes.size(), 8u);
  WriteFile(cut, bytes.substr(0, bytes.size() - 2));
  EXPECT_EQ(Fits({"--check", "-o", out, directory}), 3) << fitsOutput_;
  EXPECT_NE(fitsOutput_.find("G0040102.VLA"), std::string::npos) << fitsOutput_;
  EXPECT_EQ(fitsOutput_.find("G0040101.VLA"), std::string::npos) << fitsOutput_;
  EXPECT_TRUE(leftovers().empty());
  // Cut inside a record: refused, nothing under the name nor a temporary left.
  WriteFile(cut, bytes.substr(0, bytes.size() - 1));
  EXPECT_EQ(Fits({"-o", out, directory}), 1) << fitsOutput_;
  EXPECT_NE(fitsOutput_.find("cut inside a record"), std::string::npos) << fitsOutput_;
  EXPECT_TRUE(leftovers().empty());
  // A record whose file is missing.
  fs::remove(cut);
  EXPECT_EQ(Fits({"-o", out, directory}), 1) << fitsOutput_;
  EXPECT_NE(fitsOutput_.find("G0040102.VLA is missing"), std::string::npos) << fitsOutput_;
  EXPECT_TRUE(leftovers().empty());
  // A directory without a log, an unreadable image, an output that cannot be written.
  fs::create_directory(dir_.file("empty"));
  EXPECT_EQ(Fits({"-o", out, dir_.file("empty")}), 1) << fitsOutput_;
  EXPECT_NE(fitsOutput_.find("no observation log"), std::string::npos) << fitsOutput_;
  WriteFile(dir_.file("broken.vl3"), "not an image");
  EXPECT_EQ(Fits({"-o", out, dir_.file("broken.vl3")}), 1) << fitsOutput_;
  EXPECT_NE(fitsOutput_.find("cannot read the image"), std::string::npos) << fitsOutput_;
  EXPECT_TRUE(leftovers().empty());
  WriteFile(cut, bytes);
  EXPECT_EQ(Fits({"-o", dir_.file("no/such/dir/out.fits"), directory}), 1) << fitsOutput_;
  EXPECT_NE(fitsOutput_.find("cannot create"), std::string::npos) << fitsOutput_;
  // A file of the name from before is replaced whole only by a complete export.
  WriteFile(out, "older");
  WriteFile(cut, bytes.substr(0, bytes.size() - 1));
  EXPECT_EQ(Fits({"-o", out, directory}), 1);
  EXPECT_EQ(ReadFile(out), "older");
  WriteFile(cut, bytes);
  EXPECT_EQ(Fits({"-o", out, directory}), 0) << fitsOutput_;
  Verify(out);
}

TEST_F(FitsExport, AnInterruptedExportLeavesNothing) {
  ASSERT_EQ(Observe("G005", 5, 0), 0) << output_;
  // A photon file of 100 million records, to be interrupted in.
  fs::resize_file(dir_.file("obs/G005/G0050101.VLA"), 400'000'000);
  const std::string out = dir_.file("big.fits");
  ChildProcess fits(std::string(VELMAR_BIN_DIR) + "/vlmipcs-fits", {"-o", out, dir_.file("obs/G005")},
                    dir_.path().string());
  const std::string part = out + ".part" + std::to_string(fits.pid());  // the name it is written under
  for (int i = 0; i < 2000 && !fs::exists(part); ++i) usleep(5000);
  ASSERT_TRUE(fs::exists(part));
  fits.Signal(SIGTERM);
  EXPECT_EQ(fits.Wait(20000), 128 + SIGTERM) << fits.output();
  EXPECT_FALSE(fs::exists(part));
  EXPECT_FALSE(fs::exists(out));
}

// The runner and the program in a test of their own, for the astropy check.
class FitsExportForAstropy : public FitsExport {
 public:
  void TestBody() override {}
  void Check(const std::string& python) {
    ASSERT_EQ(Observe("G001", 1, 1), 0) << output_;
    const std::string directory = dir_.file("obs/G001");
    ASSERT_EQ(Fits({"--cube", directory}), 0) << fitsOutput_;
    ChildProcess check(python, {std::string(VELMAR_SOURCE_DIR) + "/tests/app/fits_astropy_check.py",
                                directory + "/G001.fits", directory},
                       dir_.path().string());
    EXPECT_EQ(check.Wait(120000), 0) << check.output();
    EXPECT_NE(check.output().find("astropy: ok"), std::string::npos) << check.output();
  }
};

// astropy, where it is installed, accounts for every event, header value, channel
// record and cube plane of an observation's file.
TEST(FitsAstropy, AstropyFindsEveryEventHeaderValueRecordAndPlane) {
  std::string python;
  for (const std::string candidate : {"/usr/bin/python3", "python3"})
    if (python.empty() && system((candidate + " -c 'import astropy' >/dev/null 2>&1").c_str()) == 0) python = candidate;
  if (python.empty()) GTEST_SKIP() << "astropy is not installed (apt-get install python3-astropy): not checked";
  FitsExportForAstropy run;
  run.Check(python);
}

}  // namespace
}  // namespace velmar::testing
