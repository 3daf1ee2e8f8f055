#include "export/observation_reader.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "engine/photon_file.h"
#include "params/acquisition_parameters.h"
#include "platform/format.h"
#include "platform/system_dir.h"

namespace velmar {

namespace fs = std::filesystem;

namespace {

bool StartsWith(const std::string& s, const char* head) { return s.rfind(head, 0) == 0; }
std::string After(const std::string& s, const char* head) { return s.substr(std::strlen(head)); }

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}

// "DD/MM/YYYY     HH:MM:SS" to ISO 8601; the days after it are counted from it.
struct Day {
  int year = 0, month = 0, day = 0;
};

int DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

Day CivilFromDays(int z) {
  z += 719468;
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = z - era * 146097;
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  const int d = doy - (153 * mp + 2) / 5 + 1;
  const int m = mp + (mp < 10 ? 3 : -9);
  return {yoe + era * 400 + (m <= 2), m, d};
}

std::string Iso(int days, int seconds) {
  const Day d = CivilFromDays(days);
  return Format("%4.4d-%2.2d-%2.2dT%2.2d:%2.2d:%2.2d", d.year, d.month, d.day, seconds / 3600, seconds / 60 % 60,
                seconds % 60);
}

}  // namespace

double ScanStep(const ObservationHeader& h) {
  const double cqg = h.cqg == 0.0 ? 1.0 : h.cqg;
  return h.channels > 0 ? h.lambda / cqg / h.channels : 0.0;
}

double ScanBase(const ObservationHeader& h) {
  const double cqg = h.cqg == 0.0 ? 1.0 : h.cqg;
  return -0.5 * h.lambda / cqg;
}

std::optional<Observation> ReadObservation(const std::string& directoryOrLog, std::string& error) {
  Observation o;
  std::error_code ec;
  if (fs::is_directory(directoryOrLog, ec)) {
    std::vector<fs::path> logs;
    for (const auto& entry : fs::directory_iterator(directoryOrLog, ec)) {
      std::string ext = entry.path().extension().string();
      for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (ext == ".VLT" && entry.is_regular_file()) logs.push_back(entry.path());
    }
    if (logs.empty()) {
      error = "no observation log (.VLT) in " + directoryOrLog;
      return std::nullopt;
    }
    if (logs.size() > 1) {
      error = "more than one observation log in " + directoryOrLog + ": name the .VLT file";
      return std::nullopt;
    }
    o.logPath = logs.front().string();
  } else {
    o.logPath = directoryOrLog;
  }
  if (!fs::exists(o.logPath, ec)) {
    error = "no such observation directory or log: " + o.logPath;
    return std::nullopt;
  }
  std::ifstream in(o.logPath, std::ios::binary);
  if (!in) {
    error = "cannot read the observation log " + o.logPath;
    return std::nullopt;
  }
  o.directory = fs::path(o.logPath).parent_path().string();
  if (o.directory.empty()) o.directory = ".";

  ObservationHeader& h = o.header;
  std::string line;
  int lineNumber = 0;
  int day0 = 0, lastSeconds = 0, dayOffset = 0;
  bool inHeader = true, sawType = false, sawFormat = false, sawDate = false;
  std::string pendingStart;
  double lastCumulated = 0.0;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lineNumber == 1 && !StartsWith(line, "Velmar Photon Counting")) {
      error = o.logPath + " is not an observation log";
      return std::nullopt;
    }
    if (inHeader) {
      int d, mo, y, hh, mi, ss;
      char letters[32];
      int num;
      if (lineNumber == 2 && std::sscanf(line.c_str(), "Observation %31[A-Za-z]%d", letters, &num) == 2) {
        h.observation = After(line, "Observation ");
        h.prefix = letters;
        h.number = num;
      } else if (lineNumber == 3 &&
                 std::sscanf(line.c_str(), "%d/%d/%d %d:%d:%d", &d, &mo, &y, &hh, &mi, &ss) == 6) {
        day0 = DaysFromCivil(y, mo, d);
        lastSeconds = hh * 3600 + mi * 60 + ss;
        h.dateObs = Iso(day0, lastSeconds);
        sawDate = true;
      } else if (StartsWith(line, "Identification = ")) h.identification = After(line, "Identification = ");
      else if (StartsWith(line, "Interferometer = ")) h.interferometer = After(line, "Interferometer = ");
      else if (StartsWith(line, "Filter         = ")) h.filter = After(line, "Filter         = ");
      else if (line == "2D image" || line == "3D calibration" || line == "3D object" || line == "3D analogic calibration") {
        h.type = line;
        sawType = true;
      } else if (std::sscanf(line.c_str(), "Nb of frames per channel = %d", &num) == 1) h.analogicFrames = num;
      else if (std::sscanf(line.c_str(), "THT = %d volts", &num) == 1) h.analogicTht = num;
      else if (std::sscanf(line.c_str(), "X and Y dimensions : %d %d", &d, &mo) == 2) {
        h.storedXSize = d;
        h.storedYSize = mo;
      } else if (std::sscanf(line.c_str(), "Number of channels = %d", &num) == 1) h.channels = num;
      else if (StartsWith(line, "TV source")) h.tvSource = Trimmed(line.substr(line.find('=') + 1));
      else if (std::sscanf(line.c_str(), "Exposure time per channel = %d", &num) == 1) h.exposure = num;
      else if (StartsWith(line, "Scanning wavelength=")) h.lambda = std::atof(After(line, "Scanning wavelength=").c_str());
      else if (StartsWith(line, "Queensgate constant=")) h.cqg = std::atof(After(line, "Queensgate constant=").c_str());
      else if (line == "Perot-Fabry scanning" || line == "NO Perot-Fabry scanning" || line == "Perot-Fabry scanning with PAUSE")
        h.scanning = line;
      else if (StartsWith(line, "CS100 interface = ")) h.cs100 = After(line, "CS100 interface = ");
      else if (StartsWith(line, "Scanning mode = ")) {
        h.scanningMode = After(line, "Scanning mode = ");
        h.seeSaw = StartsWith(h.scanningMode, "see-saw");
      } else if (StartsWith(line, "IPCS type = ")) h.camera = After(line, "IPCS type = ");
      else if (std::sscanf(line.c_str(), "IPCS frames per second = %d", &num) == 1) h.framesPerSecond = num;
      else if (StartsWith(line, "MATROX driver = ")) h.driver = After(line, "MATROX driver = ");
      else if (StartsWith(line, "Data format = ")) {
        const std::string f = After(line, "Data format = ");
        h.dataFormat = StartsWith(f, "2 bytes") ? kFormatXY256_2Bytes : StartsWith(f, "8 bytes") ? kFormatXYFrame8Bytes
                                                                                                : kFormatXY4Bytes;
        sawFormat = true;
      } else if (StartsWith(line, "File names = ")) {
        h.fileNames = After(line, "File names = ");
        h.longNames = h.fileNames.find("cccckkkk") != std::string::npos;
      } else if (StartsWith(line, "MIL errors = ")) h.milErrors = After(line, "MIL errors = ");
      else if (StartsWith(line, "Data files path = ")) h.dataPath = After(line, "Data files path = ");
      else if (line.size() == 77 && line.find_first_not_of('=') == std::string::npos) inHeader = false;
      continue;
    }
    int hh, mi, ss, channel, cycle, qg, frames;
    long long photons;
    auto advance = [&](int seconds) {
      // The log holds times of day only: a time earlier than the last one is the next day.
      if (seconds < lastSeconds) ++dayOffset;
      lastSeconds = seconds;
      return Iso(day0 + dayOffset, seconds);
    };
    if (std::sscanf(line.c_str(), "==> Beginning channel=%d at %d:%d:%d", &channel, &hh, &mi, &ss) == 4) {
      pendingStart = advance(hh * 3600 + mi * 60 + ss);
    } else if (std::sscanf(line.c_str(), "Was acquired at %d:%d:%d: ch=%d  cy=%d  QGval=%d  ph=%lld  fr=%d", &hh,
                           &mi, &ss, &channel, &cycle, &qg, &photons, &frames) == 8) {
      advance(hh * 3600 + mi * 60 + ss);
      ChannelRecord r;
      r.channel = channel;
      r.cycle = cycle;
      r.qgValue = qg;
      r.photons = photons;
      r.frames = frames;
      r.start = pendingStart;
      r.exposure = h.exposure;
      AcquisitionParameters p;
      std::snprintf(p.Prefix, sizeof p.Prefix, "%s", h.prefix.c_str());
      p.Numobs = h.number;
      p.FileType = h.longNames ? 1 : 0;
      r.file = JoinPath(o.directory, ChannelFileName(p, cycle, channel));
      o.records.push_back(r);
    } else if (std::sscanf(line.c_str(), "Cumulated exp=%d:%d:%d", &hh, &mi, &ss) == 3 && !o.records.empty()) {
      const double cumulated = hh * 3600.0 + mi * 60.0 + ss;
      o.records.back().exposure = cumulated - lastCumulated;
      lastCumulated = cumulated;
    }
  }
  if (h.prefix.empty() || !sawDate || !sawType || !sawFormat || inHeader) {
    error = "the header of the observation log " + o.logPath + " is incomplete";
    return std::nullopt;
  }
  return o;
}

}  // namespace velmar
