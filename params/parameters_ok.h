#pragma once
// What the parameters window decides around its OK action, apart from the window:
// the file-name summary lines, the comment checks, the shutter question, the
// switch to long names, the display program's arguments and the hand-over to the
// acquisition. The headless runner prepares its observation with the same steps.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "params/acquisition_parameters.h"

namespace velmar {

// LabelNameVLA and LabelNameVLT: the photon files from the starting cycle and channel
// to the last, and the observation log.
struct FileNameLines {
  std::string photons;
  std::string log;
};
FileNameLines FileNameLinesOf(const AcquisitionParameters& p);

// The message for a comment, interferometer or filter line left as it came; empty
// when all are filled, for the 2D type, and for a test observation (prefix "T").
std::string MissingCommentLine(const AcquisitionParameters& p);

// No instrument definition was ever loaded (a first start): the camera has no size
// and no frame rate to grab with.
bool InstrumentUndefined(const AcquisitionParameters& p);

// The shutter is seen open (status 0 or 6); a failed reading is not.
bool ShutterSeenOpen(std::optional<std::int32_t> status);

// More than 99 channels or cycles do not fit the short names: long names are taken.
void SwitchToLongNamesIfNeeded(AcquisitionParameters& p);

// The display program's type: 0 2D, 1 calibration (the analogic one too), 2 object.
std::int32_t DisplayTypeOf(std::int32_t acqType);

// The twelve arguments of the display program, in its order; CoordinateBytes is
// recomputed into the set first.
std::vector<std::string> DisplayArguments(AcquisitionParameters& p, const std::string& firstPhotonFile,
                                          std::int32_t displayType, std::int32_t tempFileMode);
// "Vlm3D" and arguments 1 to 11, as "(show command)" shows them.
std::string DisplayCommandLine(const std::vector<std::string>& arguments);
// The display program in the program directory.
std::string DisplayProgramPath(const AcquisitionParameters& p);


// "T(est)": the next test number (and the ordinary number given back); returns it.
std::int32_t TakeTestNumber(AcquisitionParameters& p);

// The test file name as its edit shows it: at most 25 characters.
std::string ShortTestFileName(const std::string& name);

// OK reads the wavelength, the cycles and the exposure from their edits once more;
// the name of the first that fails, or empty.
std::string ReadPlanAgain(AcquisitionParameters& p, const std::string& lambda, const std::string& maxcycles,
                          const std::string& tcan);

}  // namespace velmar
