#pragma once
// Reading the parameters window into the parameter set, with its validation rules
// in their order. The window hands over the texts and states of its controls; the
// logic here decides, so it is the same in the window, the runner and the tests.
#include <cstdint>
#include <string>

#include "params/acquisition_parameters.h"

namespace velmar {

struct ParameterControls {
  // Lists and buttons
  std::int32_t dataFormatEntry = 2;  // ComboBoxDataFormat
  std::int32_t fileTypeEntry = 0;    // ComboBoxFileType
  std::int32_t scanningMode = kScanningPerformed;
  std::int32_t source = kSourceTvIpcs;
  std::int32_t acqType = kAcq3DObject;
  bool seeSaw = true;               // CheckBoxSeeSaw
  std::int32_t serialEntry = 1;     // ComboBoxSerial: 0 = "COM1:"
  std::int32_t milErrors = 0;       // RadioButtonMILTest checked = 1

  // Edit texts
  std::string numobs, prefix, comment, pfIdent, filterIdent, randomPoints;
  std::string lz, lz2D, lz3Dcalib, lz3Dobj;
  std::string tcan, tcan2D, tcan3Dcalib, tcan3Dobj;
  std::string maxcycles, maxcycles2D, maxcycles3Dcalib, maxcycles3Dobj;
  std::string startcan, startcycle;
  std::string lambda, lambdaCalib, lambdaObj, cqg;
  std::string path;
};

// The controls as the window shows the set (a full refresh), for callers that
// start from a parameter set rather than from a window.
ParameterControls ControlsShowing(const AcquisitionParameters& p);

// The message heading and closing line of a failed rule.
inline constexpr const char* kParameterErrorLine1 = "Error in the definition of one parameter (at least)";
inline constexpr const char* kParameterErrorLine3 = "Correct it please";

// The rule that follows "Data storage directory is not defined": the data path must
// fit the parameter set's Path field whole.
inline constexpr const char* kPathTooLongRule = "Data storage directory is longer than 255 characters";

struct CollectOutcome {
  std::int32_t result = 0;    // 0 valid (or silent), 1 an error was shown
  std::string failedRule;     // the name of the first failing rule, empty when none
  bool channelsRead = false;  // the number of channels was read (Lz is the plan's)
  bool cyclesRead = false;    // the cycles were read too (the stop point follows the plan)
};

// Reads the controls into the set, rule by rule; values before the first failing
// rule stay in the set. Unless silent, a failing rule is shown with ShowError and
// the result is 1; silent collection always returns 0.
// The acquisition state takes the plan's share with HandOverCollectedPlan.
CollectOutcome CollectParameters(AcquisitionParameters& p, const ParameterControls& controls, bool silent);

}  // namespace velmar
