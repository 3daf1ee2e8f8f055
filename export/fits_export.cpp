#include "export/fits_export.h"

#include <fitsio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "analogic/image_files.h"
#include "engine/photon_records.h"
#include "export/photon_cube.h"
#include "platform/format.h"
#include "platform/system_dir.h"

namespace velmar {

namespace fs = std::filesystem;

namespace {

constexpr long kRowsPerWrite = 65536;

// A FITS file written under a temporary name beside its final one; removed unless Commit renames it.
class FitsOutput {
 public:
  explicit FitsOutput(const std::string& path)
      : path_(path), temporary_(FitsTemporaryPath(path)) {
    std::error_code ec;
    fs::remove(temporary_, ec);
    fits_create_diskfile(&file_, temporary_.c_str(), &status_);
    if (status_) file_ = nullptr;
  }
  ~FitsOutput() {
    if (file_) {
      int ignored = 0;
      fits_close_file(file_, &ignored);
    }
    if (!committed_) {
      std::error_code ec;
      fs::remove(temporary_, ec);
    }
  }
  FitsOutput(const FitsOutput&) = delete;
  FitsOutput& operator=(const FitsOutput&) = delete;

  fitsfile* get() const { return file_; }
  int& status() { return status_; }
  bool Ok() const { return file_ && status_ == 0; }

  // The reason of the first failure, for the message.
  std::string Failure() const {
    if (!file_ && status_) return "cannot create " + temporary_ + " (" + StatusText() + ")";
    return "cannot write " + path_ + " (" + StatusText() + ")";
  }
  // Closes the file and puts it under its name; a failure met on the way is said
  // instead, and the unfinished file goes with this object.
  bool Commit(std::string& error) {
    if (!Ok()) {
      error = Failure();
      return false;
    }
    fits_close_file(file_, &status_);
    file_ = nullptr;
    if (status_) {
      error = Failure();
      return false;
    }
    std::error_code ec;
    fs::rename(temporary_, path_, ec);
    if (ec) {
      error = "cannot rename " + temporary_ + " to " + path_ + ": " + ec.message();
      return false;
    }
    committed_ = true;
    return true;
  }

 private:
  std::string StatusText() const {
    char text[FLEN_STATUS] = "";
    fits_get_errstatus(status_, text);
    return text;
  }
  std::string path_, temporary_;
  fitsfile* file_ = nullptr;
  int status_ = 0;
  bool committed_ = false;
};

// Header texts keep to printable ASCII, as FITS asks.
std::string Printable(const std::string& s) {
  std::string out;
  for (char c : s) out += (c >= 32 && c < 127) ? c : '?';
  return out;
}

void KeyString(FitsOutput& f, const char* key, const std::string& value, const char* comment) {
  std::string v = Printable(value);
  if (v.size() > 68) {
    fits_write_key_longstr(f.get(), key, v.c_str(), comment, &f.status());
    return;
  }
  fits_write_key_str(f.get(), key, v.c_str(), comment, &f.status());
}

void KeyInt(FitsOutput& f, const char* key, long long value, const char* comment) {
  fits_write_key_lng(f.get(), key, static_cast<LONGLONG>(value), comment, &f.status());
}

// decimals > 0: fixed notation with that many decimals; otherwise the shortest exact form.
void KeyDouble(FitsOutput& f, const char* key, double value, const char* comment, int decimals = -15) {
  if (decimals > 0) fits_write_key_fixdbl(f.get(), key, value, decimals, comment, &f.status());
  else fits_write_key_dbl(f.get(), key, value, decimals, comment, &f.status());
}

void KeyBool(FitsOutput& f, const char* key, bool value, const char* comment) {
  fits_write_key_log(f.get(), key, value ? 1 : 0, comment, &f.status());
}

void Comment(FitsOutput& f, const std::string& text) { fits_write_comment(f.get(), Printable(text).c_str(), &f.status()); }

std::int32_t AddressRange(const ObservationHeader& h, bool xAxis) {
  if (h.dataFormat == kFormatXY256_2Bytes) return 256;
  return xAxis ? h.storedXSize : h.storedYSize;
}

void WriteObservationKeys(FitsOutput& f, const Observation& o) {
  const ObservationHeader& h = o.header;
  KeyString(f, "ORIGIN", "Velmar photon counting", "written by vlmipcs-fits");
  KeyString(f, "OBS_ID", h.observation, "observation prefix and number");
  KeyString(f, "DATE-OBS", h.dateObs, "start of the observation (observatory local time)");
  KeyString(f, "OBJECT", h.identification, "identification");
  KeyString(f, "INTERFER", h.interferometer, "interferometer");
  KeyString(f, "FILTER", h.filter, "filter");
  KeyString(f, "OBSTYPE", h.type, "type of the observation");
  if (h.analogicFrames >= 0) {
    KeyInt(f, "NFRAMES", h.analogicFrames, "frames per channel (analogic calibration)");
    KeyInt(f, "THT", h.analogicTht, "[V] high voltage (analogic calibration)");
  }
  KeyInt(f, "STOREDX", h.storedXSize, "stored X size (addresses)");
  KeyInt(f, "STOREDY", h.storedYSize, "stored Y size (addresses)");
  KeyInt(f, "NCHANNEL", h.channels, "number of channels");
  std::int32_t cycles = 0;
  for (const ChannelRecord& r : o.records) cycles = std::max(cycles, r.cycle);
  KeyInt(f, "NCYCLES", cycles, "cycles acquired (highest cycle of the records)");
  KeyInt(f, "NRECORDS", static_cast<long long>(o.records.size()), "channel records of the log");
  KeyString(f, "TVSOURCE", h.tvSource, "TV source");
  KeyInt(f, "CHANEXP", h.exposure, "[s] exposure time per channel");
  KeyDouble(f, "LAMBDA", h.lambda, "[Angstrom] scanning wavelength", 3);
  KeyDouble(f, "QGCONST", h.cqg, "Queensgate constant", 5);
  KeyDouble(f, "PFSTEP", ScanStep(h), "controller units per channel: LAMBDA/QGCONST/NCHANNEL");
  KeyDouble(f, "PFBASE", ScanBase(h), "controller base: -0.5*LAMBDA/QGCONST");
  KeyString(f, "SCANNING", h.scanning, "Perot-Fabry scanning");
  KeyString(f, "CS100", h.cs100, "CS100 interface");
  KeyBool(f, "SEESAW", h.seeSaw, "see-saw scanning (decreasing on even cycles)");
  KeyString(f, "SCANMODE", h.scanningMode, "scanning mode");
  KeyString(f, "CAMERA", h.camera, "IPCS type");
  KeyInt(f, "FRAMERAT", h.framesPerSecond, "[Hz] IPCS frames per second");
  KeyString(f, "DCFFILE", h.driver, "frame grabber camera file");
  KeyInt(f, "DATAFMT", h.dataFormat, "record format: 0 = 4 bytes, 1 = 8 bytes, 2 = 2 bytes");
  KeyInt(f, "RECSIZE", RecordSize(h.dataFormat), "[byte] photon record size");
  KeyString(f, "FILENAMS", h.fileNames, "photon file names");
  KeyString(f, "MILERROR", h.milErrors, "frame grabber errors");
  KeyString(f, "DATAPATH", h.dataPath, "data files path");
  KeyString(f, "LOGFILE", fs::path(o.logPath).filename().string(), "observation log");
}

void WriteCubeWcs(FitsOutput& f, const ObservationHeader& h, std::int32_t bin) {
  // Axes 1 and 2: the stored address of a bin's centre; axis 3: the interferometer's
  // controller position of the channel, channel 1 at the scan's base.
  const char* names[2] = {"X", "Y"};
  for (int axis = 1; axis <= 2; ++axis) {
    KeyString(f, Format("CTYPE%d", axis).c_str(), names[axis - 1], "stored address");
    KeyDouble(f, Format("CRPIX%d", axis).c_str(), 1.0, "reference pixel");
    KeyDouble(f, Format("CRVAL%d", axis).c_str(), (bin - 1) / 2.0, "address at the reference pixel");
    KeyDouble(f, Format("CDELT%d", axis).c_str(), bin, "addresses per pixel");
  }
  KeyString(f, "CTYPE3", "QGVAL", "interferometer controller position");
  KeyDouble(f, "CRPIX3", 1.0, "channel 1");
  KeyDouble(f, "CRVAL3", ScanBase(h), "position of channel 1: -0.5*LAMBDA/QGCONST");
  KeyDouble(f, "CDELT3", ScanStep(h), "per channel: LAMBDA/QGCONST/NCHANNEL");
  KeyDouble(f, "LAMBDA", h.lambda, "[Angstrom] scanning wavelength", 3);
  KeyDouble(f, "QGCONST", h.cqg, "Queensgate constant", 5);
}

// The image CUBE: plane c holds channel c, with the WCS of the scan.
void WriteCubeImage(FitsOutput& f, const ObservationHeader& h, const PhotonCube& cube) {
  long axes[3] = {cube.SizeX(), cube.SizeY(), std::max(cube.Channels(), 0)};
  fits_create_img(f.get(), LONG_IMG, 3, axes, &f.status());
  KeyString(f, "EXTNAME", "CUBE", "photon counts per bin and channel");
  KeyString(f, "BUNIT", "count", "photons summed over cycles");
  KeyInt(f, "BINNING", cube.Bin(), "stored addresses per bin side");
  KeyString(f, "OBS_ID", h.observation, "observation prefix and number");
  WriteCubeWcs(f, h, cube.Bin());
  const LONGLONG planeSize = static_cast<LONGLONG>(cube.SizeX()) * cube.SizeY();
  for (std::int32_t c = 1; c <= cube.Channels() && f.Ok(); ++c)
    fits_write_img(f.get(), TINT, 1 + (c - 1) * planeSize, planeSize, const_cast<std::int32_t*>(cube.Plane(c)),
                   &f.status());
}

std::string PhotonFileProblem(const ObservationHeader& h, const ChannelRecord& r) {
  std::error_code ec;
  const std::string name = fs::path(r.file).filename().string();
  if (!fs::is_regular_file(r.file, ec))
    return Format("channel %d cycle %d: its photon file %s is missing", r.channel, r.cycle, name.c_str());
  const auto bytes = static_cast<std::int64_t>(fs::file_size(r.file, ec));
  const std::int64_t size = RecordSize(h.dataFormat);
  const std::int64_t expected = r.photons * size;
  // Events on the last line of a 512-line image are counted but not written: a few
  // records fewer than counted, never more than that line's share of the events
  // (taken as twice 1/512), pass.
  const bool filtered = h.storedYSize == 512 && h.dataFormat != kFormatXY256_2Bytes;
  const std::int64_t allowedShort = filtered ? r.photons / 256 + 1 : 0;
  if (bytes % size != 0 || bytes > expected || expected - bytes > allowedShort * size)
    return Format("channel %d cycle %d: %s holds %lld bytes, the log counts %lld photons of %lld bytes (%lld bytes)",
                  r.channel, r.cycle, name.c_str(), static_cast<long long>(bytes), static_cast<long long>(r.photons),
                  static_cast<long long>(size), static_cast<long long>(expected));
  return {};
}

}  // namespace

std::string FitsTemporaryPath(const std::string& output) {
  return output + Format(".part%d", static_cast<int>(getpid()));
}

std::string DefaultImageFitsPath(const std::string& imagePath) {
  return fs::path(imagePath).replace_extension(".fits").string();
}

std::string DefaultFitsPath(const Observation& o) {
  return JoinPath(o.directory, Format("%s%3.3d.fits", o.header.prefix.c_str(), o.header.number));
}

std::vector<std::string> CheckObservation(const Observation& o) {
  std::vector<std::string> problems;
  for (const ChannelRecord& r : o.records) {
    std::string problem = PhotonFileProblem(o.header, r);
    if (!problem.empty()) problems.push_back(std::move(problem));
  }
  return problems;
}

bool ExportObservation(const Observation& o, const FitsExportOptions& options, std::string& written,
                       std::string& error) {
  const ObservationHeader& h = o.header;
  written = options.output.empty() ? DefaultFitsPath(o) : options.output;
  // A missing photon file is found before anything is written.
  for (const ChannelRecord& r : o.records) {
    std::error_code ec;
    if (!fs::is_regular_file(r.file, ec)) {
      error = PhotonFileProblem(h, r);
      return false;
    }
  }
  FitsOutput f(written);
  if (!f.Ok()) {
    error = f.Failure();
    return false;
  }
  fits_create_img(f.get(), BYTE_IMG, 0, nullptr, &f.status());
  WriteObservationKeys(f, o);

  const bool tagged = h.dataFormat == kFormatXYFrame8Bytes;
  const bool timed = tagged && h.framesPerSecond > 0;
  std::vector<const char*> types = {"X", "Y"}, forms = {"1I", "1I"}, units = {"pixel", "pixel"};
  if (tagged) types.push_back("FRAME"), forms.push_back("1J"), units.push_back("");
  types.push_back("CHANNEL"), forms.push_back("1I"), units.push_back("");
  types.push_back("CYCLE"), forms.push_back("1I"), units.push_back("");
  if (timed) types.push_back("TIME"), forms.push_back("1D"), units.push_back("s");
  fits_create_tbl(f.get(), BINARY_TBL, 0, static_cast<int>(types.size()), const_cast<char**>(types.data()),
                  const_cast<char**>(forms.data()), const_cast<char**>(units.data()), "EVENTS", &f.status());
  KeyString(f, "HDUCLAS1", "EVENTS", "photon event list");
  KeyString(f, "DATE-OBS", h.dateObs, "start of the observation (observatory local time)");
  KeyString(f, "OBS_ID", h.observation, "observation prefix and number");
  KeyInt(f, "TLMIN1", 0, "lowest X address");
  KeyInt(f, "TLMAX1", AddressRange(h, true) - 1, "highest X address");
  KeyInt(f, "TLMIN2", 0, "lowest Y address");
  KeyInt(f, "TLMAX2", AddressRange(h, false) - 1, "highest Y address");
  const int channelColumn = tagged ? 4 : 3;
  KeyInt(f, Format("TLMIN%d", channelColumn).c_str(), 0, "first channel (0: the settling channel before the scan)");
  KeyInt(f, Format("TLMAX%d", channelColumn).c_str(), std::max(h.channels, 1), "last channel");
  if (timed) {
    KeyString(f, "TIMEUNIT", "s", "unit of TIME");
    Comment(f, Format("TIME = (FRAME / 4) / %d s: frames counted since counting began", h.framesPerSecond));
  }
  Comment(f, "Events in the order of the log's channel records, each channel's in file order.");

  PhotonCube cube(AddressRange(h, true), AddressRange(h, false), h.channels, options.bin);
  std::vector<PhotonRecord> records;
  std::vector<short> xs, ys, channels, cycles;
  std::vector<int> frames;
  std::vector<double> times;
  LONGLONG row = 1;
  for (const ChannelRecord& r : o.records) {
    PhotonFileReader reader(r.file, h.dataFormat);
    if (!reader.IsOpen()) {
      error = "cannot read the photon file " + r.file;
      return false;
    }
    for (;;) {
      if (!reader.Next(records)) {
        error = "the photon file " + r.file + " is cut inside a record or cannot be read";
        return false;
      }
      if (records.empty()) break;
      if (options.cube) cube.Add(r.channel, records);
      const long n = static_cast<long>(records.size());
      xs.resize(n), ys.resize(n), channels.assign(n, static_cast<short>(r.channel));
      cycles.assign(n, static_cast<short>(r.cycle)), frames.resize(n), times.resize(n);
      for (long i = 0; i < n; ++i) {
        xs[i] = static_cast<short>(records[i].x);
        ys[i] = static_cast<short>(records[i].y);
        frames[i] = records[i].tag;
        times[i] = timed ? (records[i].tag / 4) / static_cast<double>(h.framesPerSecond) : 0.0;
      }
      for (long done = 0; done < n && f.Ok(); done += kRowsPerWrite) {
        const long count = std::min(kRowsPerWrite, n - done);
        int column = 1;
        fits_write_col(f.get(), TSHORT, column++, row + done, 1, count, xs.data() + done, &f.status());
        fits_write_col(f.get(), TSHORT, column++, row + done, 1, count, ys.data() + done, &f.status());
        if (tagged) fits_write_col(f.get(), TINT, column++, row + done, 1, count, frames.data() + done, &f.status());
        fits_write_col(f.get(), TSHORT, column++, row + done, 1, count, channels.data() + done, &f.status());
        fits_write_col(f.get(), TSHORT, column++, row + done, 1, count, cycles.data() + done, &f.status());
        if (timed) fits_write_col(f.get(), TDOUBLE, column++, row + done, 1, count, times.data() + done, &f.status());
      }
      row += n;
      if (!f.Ok()) {
        error = f.Failure();
        return false;
      }
    }
  }

  const char* ctypes[] = {"CHANNEL", "CYCLE", "QGVAL", "PHOTONS", "FRAMES", "START", "EXPOSURE"};
  const char* cforms[] = {"1I", "1I", "1J", "1K", "1J", "19A", "1E"};
  const char* cunits[] = {"", "", "", "count", "", "", "s"};
  fits_create_tbl(f.get(), BINARY_TBL, 0, 7, const_cast<char**>(ctypes), const_cast<char**>(cforms),
                  const_cast<char**>(cunits), "CHANNELS", &f.status());
  KeyString(f, "OBS_ID", h.observation, "observation prefix and number");
  Comment(f, "One row per channel record of the log; START in observatory local time.");
  LONGLONG crow = 1;
  for (const ChannelRecord& r : o.records) {
    short channel = static_cast<short>(r.channel), cycle = static_cast<short>(r.cycle);
    int qg = r.qgValue, frameCount = r.frames;
    LONGLONG photons = r.photons;
    float exposure = static_cast<float>(r.exposure);
    char start[20] = "";
    std::snprintf(start, sizeof start, "%s", r.start.c_str());
    char* startText = start;
    fits_write_col(f.get(), TSHORT, 1, crow, 1, 1, &channel, &f.status());
    fits_write_col(f.get(), TSHORT, 2, crow, 1, 1, &cycle, &f.status());
    fits_write_col(f.get(), TINT, 3, crow, 1, 1, &qg, &f.status());
    fits_write_col(f.get(), TLONGLONG, 4, crow, 1, 1, &photons, &f.status());
    fits_write_col(f.get(), TINT, 5, crow, 1, 1, &frameCount, &f.status());
    fits_write_col(f.get(), TSTRING, 6, crow, 1, 1, &startText, &f.status());
    fits_write_col(f.get(), TFLOAT, 7, crow, 1, 1, &exposure, &f.status());
    ++crow;
  }

  if (options.cube) WriteCubeImage(f, h, cube);
  return f.Commit(error);
}

bool ExportCube(const Observation& o, const PhotonCube& cube, std::int64_t files, const std::string& output,
                std::string& error) {
  FitsOutput f(output);
  if (!f.Ok()) {
    error = f.Failure();
    return false;
  }
  fits_create_img(f.get(), BYTE_IMG, 0, nullptr, &f.status());
  WriteObservationKeys(f, o);
  KeyInt(f, "NFILES", files, "channel files in the cube when it was saved");
  WriteCubeImage(f, o.header, cube);
  return f.Commit(error);
}

bool ExportImage(const std::string& imagePath, const std::string& output, std::string& written, std::string& error) {
  std::string reason;
  const std::optional<ImageFile> image = ReadImageFile(imagePath, reason);
  if (!image) {
    error = "cannot read the image " + imagePath + ": " + reason;
    return false;
  }
  written = output.empty() ? DefaultImageFitsPath(imagePath) : output;
  FitsOutput f(written);
  if (!f.Ok()) {
    error = f.Failure();
    return false;
  }
  const ImageFile& im = *image;
  const bool cube = im.dimensions == 3;
  long axes[3] = {im.sizeX, im.sizeY, im.sizeZ};
  fits_create_img(f.get(), FLOAT_IMG, cube ? 3 : 2, axes, &f.status());
  KeyString(f, "ORIGIN", "Velmar photon counting", "written by vlmipcs-fits");
  KeyString(f, "FILENAME", fs::path(imagePath).filename().string(), "image file");
  if (!im.text.empty()) Comment(f, im.text);

  // The calibration's log beside the image (same prefix and number) gives the scan of axis 3.
  const std::string stem = fs::path(imagePath).stem().string();
  std::optional<Observation> log;
  if (stem.size() >= 4) {
    std::string ignored;
    for (const char* ext : {".VLT", ".vlt"}) {
      const std::string candidate = JoinPath(fs::path(imagePath).parent_path().string().empty()
                                                 ? std::string(".")
                                                 : fs::path(imagePath).parent_path().string(),
                                             stem.substr(0, 4) + ext);
      std::error_code ec;
      if (fs::is_regular_file(candidate, ec) && (log = ReadObservation(candidate, ignored))) break;
    }
  }
  if (log) {
    KeyString(f, "OBS_ID", log->header.observation, "observation prefix and number");
    KeyString(f, "DATE-OBS", log->header.dateObs, "start of the observation (observatory local time)");
    KeyString(f, "OBSTYPE", log->header.type, "type of the observation");
  }
  if (cube) {
    if (log) {
      WriteCubeWcs(f, log->header, 1);
    } else {
      KeyString(f, "CTYPE3", "CHANNEL", "channel number (no log beside the image)");
      KeyDouble(f, "CRPIX3", 1.0, "channel 1");
      KeyDouble(f, "CRVAL3", 1.0, "channel 1");
      KeyDouble(f, "CDELT3", 1.0, "one channel per plane");
    }
    // Stored pixel after pixel with its channels together; FITS wants plane after plane.
    const std::size_t plane = static_cast<std::size_t>(im.sizeX) * im.sizeY;
    std::vector<float> values(plane);
    for (std::int32_t c = 0; c < im.sizeZ && f.Ok(); ++c) {
      for (std::size_t i = 0; i < plane; ++i) values[i] = im.values[i * im.sizeZ + c];
      fits_write_img(f.get(), TFLOAT, 1 + static_cast<LONGLONG>(c) * plane, static_cast<LONGLONG>(plane),
                     values.data(), &f.status());
    }
  } else {
    if (log) {
      // A slice file is named <prefix><number><channel>.
      int channel = 0;
      if (stem.size() == 8 && std::sscanf(stem.c_str() + 4, "%4d", &channel) == 1 && channel > 0) {
        KeyInt(f, "CHANNEL", channel, "channel of this slice");
        KeyDouble(f, "QGVAL", ScanBase(log->header) + (channel - 1) * ScanStep(log->header),
                  "interferometer controller position");
      }
    }
    if (!im.values.empty())
      fits_write_img(f.get(), TFLOAT, 1, static_cast<LONGLONG>(im.values.size()),
                     const_cast<float*>(im.values.data()), &f.status());
  }
  return f.Commit(error);
}

}  // namespace velmar
