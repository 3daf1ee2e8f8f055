#pragma once
// FITS files for the reduction tools: an observation (its log header, every photon
// event, every channel record and, on request, the photon cube), and the analogic
// calibration's 2D and 3D images. Each is written under a temporary name and
// renamed at the end, so a refused or failed export leaves nothing under its name.
#include <cstdint>
#include <string>
#include <vector>

#include "export/observation_reader.h"
#include "export/photon_cube.h"

namespace velmar {

struct FitsExportOptions {
  bool cube = false;
  std::int32_t bin = 1;
  std::string output;  // empty: <prefix><number>.fits beside the log
};

std::string DefaultFitsPath(const Observation& o);
std::string DefaultImageFitsPath(const std::string& imagePath);
// The name a FITS file is written under until it is complete.
std::string FitsTemporaryPath(const std::string& output);

// Each channel file against its log record, one text per mismatch (none: all agree).
std::vector<std::string> CheckObservation(const Observation& o);

// Writes the observation's FITS file; false with the reason in error. written
// receives the file's path.
bool ExportObservation(const Observation& o, const FitsExportOptions& options, std::string& written,
                       std::string& error);

// Writes the observation's header and a cube as it stands (an observation still
// running: the channel files read so far, files of them).
bool ExportCube(const Observation& o, const PhotonCube& cube, std::int64_t files, const std::string& output,
                std::string& error);

// Writes a .VL2 image as a 2D and a .VL3 cube as a 3D FITS image (output empty:
// the image's name with .fits).
bool ExportImage(const std::string& imagePath, const std::string& output, std::string& written, std::string& error);

}  // namespace velmar
