#pragma once
// The one parameter set of the next acquisition: identification, type and source,
// scanning plan, disk storage, the instrument definition block, and the state of
// the parameters window. Plain fields: 32-bit integers, floats, fixed-size texts.
#include <cstdint>

namespace velmar {


enum AcquisitionType : std::int32_t {
  kAcq2DImage = 0,
  kAcq3DCalibration = 1,
  kAcq3DObject = 2,
  kAcqAnalogicCalibration = 3,
};

enum SourceKind : std::int32_t { kSourceTvIpcs = 0, kSourceSimulation = 1 };

enum ScanningModeKind : std::int32_t {
  kScanningPerformed = 0,
  kScanningNotPerformed = 1,
  kScanningWithPause = 2,
};

enum DataFormatKind : std::int32_t {
  kFormatXY4Bytes = 0,
  kFormatXYFrame8Bytes = 1,
  kFormatXY256_2Bytes = 2,
};

struct AcquisitionParameters {
  // Identification
  std::int32_t Numobs = 999;
  char Prefix[20] = "G";
  char Comment[200] = "please type here the object identification";
  char PFIdent[100] = "PF identification ?";
  char FilterIdent[100] = "Filter number ?";
  std::int32_t LastNumobs = 0;
  char LastPrefix[20] = "";
  std::int32_t LastTestNumobs = 0;

  // Type and source
  std::int32_t AcqType = kAcq3DObject;
  std::int32_t Source = kSourceTvIpcs;
  std::int32_t RandomPoints = 30;
  std::int32_t MILErrors = 0;

  // Scanning plan: the current values and the three per-type columns
  std::int32_t Lz = 32, Lz2D = 1, Lz3Dcalib = 32, Lz3Dobj = 32;
  std::int32_t Tcan = 15, Tcan2D = 10, Tcan3Dcalib = 10, Tcan3Dobj = 15;
  std::int32_t Maxcycles = 99, Maxcycles2D = 99, Maxcycles3Dcalib = 2, Maxcycles3Dobj = 99;
  float Lambda = 0.0f;
  float LambdaCalib = 6598.953f;
  float LambdaObj = 6562.78f;
  std::int32_t Startcan = 1;
  std::int32_t Startcycle = 1;
  float Cqg = 9.21f;
  std::int32_t ScanningMode = kScanningPerformed;
  std::int32_t SeeSaw = 1;
  std::int32_t CS100Link = 0;
  std::int32_t ComPort = 2;
  char TestFileName[256] = "click here to choose file";

  // Disk storage
  char Path[256] = "";
  char ProgramDir[256] = "";
  std::int32_t DataFormat = kFormatXY4Bytes;
  std::int32_t CoordinateBytes = 1;
  std::int32_t FileType = 0;

  // Instrument definition (from a .DEF file or the parameters file only; empty until
  // one is read, but for the stored sizes).
  std::int32_t THTLow = 0, THTMedium = 0, THTMax = 0;
  std::int32_t Discri = 0, BlackLevel = 0, WhiteLevel = 0;
  std::int32_t CS100Interface = 0;
  std::int32_t ShutterSystem = 0;
  std::int32_t THTSystem = 0;
  std::int32_t CCDXSize = 0, CCDYSize = 0;
  std::int32_t StoredXSize = 256, StoredYSize = 256;
  std::int32_t FramesPerSecond = 0;
  std::int32_t Vlm3DBinning = 0;
  std::int32_t DalsaSwap = 0;
  std::int32_t THTLastStepWait = 0;
  std::int32_t TemperatureInterface = 0;
  std::int32_t FiltersMirrorSystem = 0;
  char DcfFile[50] = "";
  char VcfFile[50] = "";
  char DcfFileAsRead[50] = "";
  std::int32_t AxiomBoard = 0;
  std::int32_t ThomsonCamera = 0;

  // Window and run state (never stored in a file)
  std::int32_t RunState = 0;
  std::int32_t ViewOnly = 0;
  std::int32_t RefreshMode = 0;
  std::int32_t WindowReady = 0;
  std::int32_t SavedAcqType = 0;
  std::int32_t ShowCommandOnly = 0;
  // 1 until the start-up choice is answered: nothing probes the supply before the
  // operator has said what to do with its voltage.
  std::int32_t StartWithTHT = 1;
  std::int32_t MonitorWarning = 0;
  std::int32_t THTSqueeze = 0;
  std::int32_t AnotherInstance = 0;
  std::int32_t DisplayRunning = 0;
};

inline constexpr std::int32_t kOpenedMarker = 1947;  // marker of a one-time opening

// The defaults of the set; the instrument block is left alone except the stored sizes.
// (SetDefaultParameters, beside the acquisition state, resets the state's share too.)
void SetDefaultParameterValues(AcquisitionParameters& p);

// Choosing an acquisition type copies its column into the current values; the
// analogic type takes the calibration column, then exposure 1 s and 1 cycle.
void SelectAcquisitionType(AcquisitionParameters& p, std::int32_t acqType);

// 1 when the stored X size is below 257, else 2.
std::int32_t CoordinateBytes(std::int32_t storedXSize);

// 1 for the 768 by 288 camera, else 0.
std::int32_t ThomsonCamera(std::int32_t ccdXSize, std::int32_t ccdYSize);

// The last channel of the last cycle: channel 1 when a see-saw scan has an even
// number of cycles (the last cycle runs downward), else the last channel.
std::int32_t StopChannel(std::int32_t lz, std::int32_t maxcycles, std::int32_t seeSaw);

}  // namespace velmar
