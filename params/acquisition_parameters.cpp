#include "params/acquisition_parameters.h"

#include "params/fixed_text.h"

namespace velmar {

void SetDefaultParameterValues(AcquisitionParameters& p) {
  const AcquisitionParameters defaults;
  p.Numobs = defaults.Numobs;
  SetText(p.Prefix, "G");
  SetText(p.Comment, TextOf(defaults.Comment));
  SetText(p.PFIdent, TextOf(defaults.PFIdent));
  SetText(p.FilterIdent, TextOf(defaults.FilterIdent));

  p.AcqType = defaults.AcqType;
  p.Source = defaults.Source;
  p.RandomPoints = defaults.RandomPoints;
  p.MILErrors = defaults.MILErrors;

  p.Lz = defaults.Lz;
  p.Lz2D = defaults.Lz2D;
  p.Lz3Dcalib = defaults.Lz3Dcalib;
  p.Lz3Dobj = defaults.Lz3Dobj;
  p.Tcan = defaults.Tcan;
  p.Tcan2D = defaults.Tcan2D;
  p.Tcan3Dcalib = defaults.Tcan3Dcalib;
  p.Tcan3Dobj = defaults.Tcan3Dobj;
  p.Maxcycles = defaults.Maxcycles;
  p.Maxcycles2D = defaults.Maxcycles2D;
  p.Maxcycles3Dcalib = defaults.Maxcycles3Dcalib;
  p.Maxcycles3Dobj = defaults.Maxcycles3Dobj;
  p.LambdaCalib = defaults.LambdaCalib;
  p.LambdaObj = defaults.LambdaObj;
  p.Startcan = defaults.Startcan;
  p.Startcycle = defaults.Startcycle;
  p.Cqg = defaults.Cqg;
  p.ScanningMode = defaults.ScanningMode;
  p.SeeSaw = defaults.SeeSaw;
  p.CS100Link = defaults.CS100Link;
  p.ComPort = defaults.ComPort;
  SetText(p.TestFileName, TextOf(defaults.TestFileName));

  SetText(p.Path, "");
  p.DataFormat = defaults.DataFormat;
  p.CoordinateBytes = defaults.CoordinateBytes;
  p.FileType = defaults.FileType;

  p.StoredXSize = 256;
  p.StoredYSize = 256;
}

void SelectAcquisitionType(AcquisitionParameters& p, std::int32_t acqType) {
  p.AcqType = acqType;
  switch (acqType) {
    case kAcq2DImage:
      p.Lz = p.Lz2D;
      p.Tcan = p.Tcan2D;
      p.Maxcycles = p.Maxcycles2D;
      break;
    case kAcq3DCalibration:
      p.Lz = p.Lz3Dcalib;
      p.Tcan = p.Tcan3Dcalib;
      p.Maxcycles = p.Maxcycles3Dcalib;
      p.Lambda = p.LambdaCalib;
      break;
    case kAcq3DObject:
      p.Lz = p.Lz3Dobj;
      p.Tcan = p.Tcan3Dobj;
      p.Maxcycles = p.Maxcycles3Dobj;
      p.Lambda = p.LambdaObj;
      break;
    case kAcqAnalogicCalibration:
      p.Lz = p.Lz3Dcalib;
      p.Lambda = p.LambdaCalib;
      p.Tcan = 1;
      p.Maxcycles = 1;
      break;
    default:
      break;
  }
}

std::int32_t CoordinateBytes(std::int32_t storedXSize) { return storedXSize < 257 ? 1 : 2; }

std::int32_t ThomsonCamera(std::int32_t ccdXSize, std::int32_t ccdYSize) {
  return (ccdXSize == 768 && ccdYSize == 288) ? 1 : 0;
}

std::int32_t StopChannel(std::int32_t lz, std::int32_t maxcycles, std::int32_t seeSaw) {
  return (seeSaw == 1 && maxcycles % 2 == 0) ? 1 : lz;
}

}  // namespace velmar
