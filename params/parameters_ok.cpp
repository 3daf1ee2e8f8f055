#include "params/parameters_ok.h"

#include <strings.h>

#include "params/fixed_text.h"
#include "platform/format.h"
#include "platform/number_text.h"

namespace velmar {

FileNameLines FileNameLinesOf(const AcquisitionParameters& p) {
  const char* prefix = p.Prefix;
  FileNameLines lines;
  if (p.FileType == 1)
    lines.photons = Format("Photon files : %s%3.3d%4.4d%4.4d.VLA to %s%3.3d%4.4d%4.4d.VLA", prefix, p.Numobs,
                           p.Startcycle, p.Startcan, prefix, p.Numobs, p.Maxcycles, p.Lz);
  else
    lines.photons = Format("Photon data files : from %s%3.3d%2.2d%2.2d.VLA to %s%3.3d%2.2d%2.2d.VLA", prefix,
                           p.Numobs, p.Startcycle, p.Startcan, prefix, p.Numobs, p.Maxcycles, p.Lz);
  lines.log = Format("Observation log file : %s%3.3d.VLT", prefix, p.Numobs);
  return lines;
}

namespace {
bool StartsWithNoCase(const char* text, const char* start) { return strncasecmp(text, start, 11) == 0; }
}  // namespace

std::string MissingCommentLine(const AcquisitionParameters& p) {
  if (p.AcqType == kAcq2DImage || TextOf(p.Prefix) == "T") return {};
  if (StartsWithNoCase(p.Comment, "please type")) return "You didn't fill the COMMENT LINE of the observation...";
  if (StartsWithNoCase(p.PFIdent, "PF identifi")) return "You didn't fill the PF IDENTIFICATION comment line...";
  if (p.FilterIdent[0] == '\0' || strcasecmp(p.FilterIdent, "(null)") == 0)
    return "You didn't fill the FILTER IDENTIFICATION comment line...";
  return {};
}

bool InstrumentUndefined(const AcquisitionParameters& p) {
  return p.CCDXSize <= 0 || p.CCDYSize <= 0 || p.FramesPerSecond <= 0;
}

bool ShutterSeenOpen(std::optional<std::int32_t> status) { return status && (*status == 0 || *status == 6); }

void SwitchToLongNamesIfNeeded(AcquisitionParameters& p) {
  if ((p.Lz > 99 || p.Maxcycles > 99) && p.FileType != 1) p.FileType = 1;
}

std::int32_t DisplayTypeOf(std::int32_t acqType) {
  switch (acqType) {
    case kAcq2DImage:
      return 0;
    case kAcq3DObject:
      return 2;
    default:
      return 1;
  }
}

std::vector<std::string> DisplayArguments(AcquisitionParameters& p, const std::string& firstPhotonFile,
                                          std::int32_t displayType, std::int32_t tempFileMode) {
  p.CoordinateBytes = CoordinateBytes(p.StoredXSize);
  return {firstPhotonFile,
          Format("%d", p.FileType),
          Format("%d", p.DataFormat),
          Format("%d", p.CoordinateBytes),
          Format("%d", p.StoredXSize),
          Format("%d", p.StoredYSize),
          Format("%d", p.Lz),
          Format("%d", p.SeeSaw),
          Format("%9.3f", p.Lambda),
          Format("%d", displayType),
          Format("%d", p.Vlm3DBinning),
          Format("%d", tempFileMode)};
}

std::string DisplayCommandLine(const std::vector<std::string>& arguments) {
  std::string line = "Vlm3D";
  for (std::size_t i = 0; i < arguments.size() && i < 11; ++i) line += " " + arguments[i];
  return line;
}

std::string DisplayProgramPath(const AcquisitionParameters& p) { return Format("%s/Vlm3D", p.ProgramDir); }

std::int32_t TakeTestNumber(AcquisitionParameters& p) {
  SetText(p.Prefix, "T");
  p.LastTestNumobs += 1;
  p.LastNumobs -= 1;
  return p.LastTestNumobs;
}

std::string ShortTestFileName(const std::string& name) { return ShortenLeft(name, 25); }

std::string ReadPlanAgain(AcquisitionParameters& p, const std::string& lambda, const std::string& maxcycles,
                          const std::string& tcan) {
  const auto wavelength = LeadingReal(lambda);
  if (!wavelength || *wavelength < 0.0f) return "calibration scanning wavelength";
  p.Lambda = *wavelength;
  const auto cycles = LeadingInt(maxcycles);
  if (!cycles || *cycles < 0) return "current maximum number of cycles";
  p.Maxcycles = *cycles;
  const auto exposure = LeadingInt(tcan);
  if (!exposure || *exposure < 0) return "current exposure time per channel";
  p.Tcan = *exposure;
  return {};
}

}  // namespace velmar
