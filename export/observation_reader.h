#pragma once
// An observation read back from its log: the header's values and the record of
// every acquired channel, with where each channel's photon file lies.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmar {

struct ChannelRecord {
  std::int32_t channel = 0, cycle = 0, qgValue = 0;
  std::int64_t photons = 0;
  std::int32_t frames = 0;
  std::string start;       // ISO 8601, local time of the channel's beginning
  double exposure = 0.0;   // seconds, from the cumulated exposure of the records
  std::string file;        // full path of its photon file
};

struct ObservationHeader {
  std::string observation;  // "G001"
  std::string prefix;
  std::int32_t number = 0;
  std::string dateObs;      // ISO 8601
  std::string identification, interferometer, filter, type;
  std::int32_t analogicFrames = -1, analogicTht = 0;  // analogic calibration only
  std::int32_t storedXSize = 0, storedYSize = 0;
  std::int32_t channels = 0;
  std::string tvSource;
  std::int32_t exposure = 0;  // seconds per channel
  double lambda = 0.0, cqg = 0.0;
  std::string scanning, cs100, scanningMode;
  bool seeSaw = false;
  std::string camera;
  std::int32_t framesPerSecond = 0;
  std::string driver;
  std::int32_t dataFormat = 0;
  bool longNames = false;
  std::string fileNames, milErrors, dataPath;
};

struct Observation {
  std::string logPath, directory;
  ObservationHeader header;
  std::vector<ChannelRecord> records;
};

// Reads the observation of a data directory (its one .VLT log) or of a log file;
// nothing, with the reason in error, when there is no readable log.
std::optional<Observation> ReadObservation(const std::string& directoryOrLog, std::string& error);

// The scan's controller position of a channel (1 = first) and its step.
double ScanStep(const ObservationHeader& h);
double ScanBase(const ObservationHeader& h);

}  // namespace velmar
