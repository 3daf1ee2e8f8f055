#include "params/collect_parameters.h"

#include <cctype>
#include <optional>

#include "params/fixed_text.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/number_text.h"

namespace velmar {

ParameterControls ControlsShowing(const AcquisitionParameters& p) {
  ParameterControls c;
  c.dataFormatEntry = p.DataFormat;
  c.fileTypeEntry = p.FileType;
  c.scanningMode = p.ScanningMode;
  c.source = p.Source;
  c.acqType = p.AcqType;
  c.seeSaw = p.SeeSaw == 1;
  // Only COM1: to COM4: are in the list; any other port shows COM2:.
  c.serialEntry = p.ComPort >= 1 && p.ComPort <= 4 ? p.ComPort - 1 : 1;
  c.milErrors = p.MILErrors;
  c.numobs = Format("%3.3d", p.Numobs);
  c.prefix = std::string(TextOf(p.Prefix));
  c.comment = std::string(TextOf(p.Comment));
  c.pfIdent = std::string(TextOf(p.PFIdent));
  c.filterIdent = std::string(TextOf(p.FilterIdent));
  c.randomPoints = Format("%d", p.RandomPoints);
  c.lz = Format("%d", p.Lz);
  c.lz2D = Format("%d", p.Lz2D);
  c.lz3Dcalib = Format("%d", p.Lz3Dcalib);
  c.lz3Dobj = Format("%d", p.Lz3Dobj);
  c.tcan = Format("%d", p.Tcan);
  c.tcan2D = Format("%d", p.Tcan2D);
  c.tcan3Dcalib = Format("%d", p.Tcan3Dcalib);
  c.tcan3Dobj = Format("%d", p.Tcan3Dobj);
  c.maxcycles = Format("%d", p.Maxcycles);
  c.maxcycles2D = Format("%d", p.Maxcycles2D);
  c.maxcycles3Dcalib = Format("%d", p.Maxcycles3Dcalib);
  c.maxcycles3Dobj = Format("%d", p.Maxcycles3Dobj);
  c.startcan = Format("%d", p.Startcan);
  c.startcycle = Format("%d", p.Startcycle);
  c.lambda = Format("%10.3f", p.Lambda);
  c.lambdaCalib = Format("%10.3f", p.LambdaCalib);
  c.lambdaObj = Format("%10.3f", p.LambdaObj);
  c.cqg = Format("%10.6f", p.Cqg);
  c.path = std::string(TextOf(p.Path));
  return c;
}

namespace {

// An integer in [low, high], or nothing.
std::optional<std::int32_t> IntIn(const std::string& text, std::int32_t low, std::int32_t high) {
  const auto value = LeadingInt(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return value;
}

constexpr std::int32_t kNoLimit = 2147483647;
// The window's up-down range for simulated photons per frame; every one is drawn
// at set-up, so an unbounded count would never end.
constexpr std::int32_t kRandomPointsMax = 300;

std::optional<float> NonNegativeReal(const std::string& text) {
  const auto value = LeadingReal(text);
  if (!value || *value < 0.0f) return std::nullopt;
  return value;
}

// Reads one rule after another, stopping at the first that fails.
class RuleReader {
 public:
  bool failed() const { return !failedRule_.empty(); }
  const std::string& failedRule() const { return failedRule_; }

  void Int(std::int32_t& field, const std::string& text, std::int32_t low, std::int32_t high,
           const char* rule) {
    if (failed()) return;
    if (const auto value = IntIn(text, low, high)) field = *value;
    else failedRule_ = rule;
  }

  void Real(float& field, const std::string& text, const char* rule) {
    if (failed()) return;
    if (const auto value = NonNegativeReal(text)) field = *value;
    else failedRule_ = rule;
  }

  void Check(bool ok, const char* rule) {
    if (!failed() && !ok) failedRule_ = rule;
  }

 private:
  std::string failedRule_;
};

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void ReadListsAndButtons(AcquisitionParameters& p, const ParameterControls& c) {
  p.DataFormat = c.dataFormatEntry;
  p.FileType = c.fileTypeEntry;
  p.ScanningMode = c.scanningMode;
  p.Source = c.source;
  p.AcqType = c.acqType;
  p.SeeSaw = c.seeSaw ? 1 : 0;
  p.ComPort = c.serialEntry >= 0 && c.serialEntry <= 3 ? c.serialEntry + 1 : 2;
  p.MILErrors = c.milErrors;
}

void ReadFields(AcquisitionParameters& p, const ParameterControls& c, RuleReader& r, CollectOutcome& read) {
  r.Int(p.Numobs, c.numobs, 0, 999, "number of the observation");
  if (!r.failed()) {
    const char letter = c.prefix.empty() ? '\0' : c.prefix.front();
    r.Check(IsAsciiLetter(letter), "Prefix must be a character A to Z");
    if (!r.failed()) {
      const char upper[2] = {static_cast<char>(std::toupper(static_cast<unsigned char>(letter))), '\0'};
      SetText(p.Prefix, upper);
      SetText(p.Comment, c.comment);
      SetText(p.PFIdent, c.pfIdent);
      SetText(p.FilterIdent, c.filterIdent);
    }
  }
  r.Int(p.RandomPoints, c.randomPoints, 0, kRandomPointsMax, "random nbpts (simulation)");
  r.Int(p.Lz, c.lz, 0, kNoLimit, "current number of channels");
  read.channelsRead = !r.failed();
  r.Int(p.Lz2D, c.lz2D, 0, kNoLimit, "number of channels 2D");
  r.Int(p.Lz3Dcalib, c.lz3Dcalib, 0, kNoLimit, "number of channels calibration");
  r.Int(p.Lz3Dobj, c.lz3Dobj, 0, kNoLimit, "number of channels object");
  r.Int(p.Tcan, c.tcan, 0, kNoLimit, "current exposure time per channel");
  r.Int(p.Tcan2D, c.tcan2D, 0, kNoLimit, "2D exposure time per channel");
  r.Int(p.Tcan3Dcalib, c.tcan3Dcalib, 0, kNoLimit, "calibration exposure time per channel");
  r.Int(p.Tcan3Dobj, c.tcan3Dobj, 0, kNoLimit, "object exposure time per channel");
  r.Int(p.Maxcycles, c.maxcycles, 0, kNoLimit, "current maximum number of cycles");
  read.cyclesRead = !r.failed();
  r.Int(p.Maxcycles2D, c.maxcycles2D, 0, kNoLimit, "2D maximum number of cycles");
  r.Int(p.Maxcycles3Dcalib, c.maxcycles3Dcalib, 0, kNoLimit, "calibration maximum number of cycles");
  r.Int(p.Maxcycles3Dobj, c.maxcycles3Dobj, 0, kNoLimit, "object maximum number of cycles");
  r.Int(p.Startcan, c.startcan, 1, p.Lz, "starting channel number");
  r.Int(p.Startcycle, c.startcycle, 0, p.Maxcycles, "starting cycle number");
  r.Real(p.Lambda, c.lambda, "calibration scanning wavelength");
  r.Real(p.LambdaCalib, c.lambdaCalib, "calibration scanning wavelength");
  r.Real(p.LambdaObj, c.lambdaObj, "object scanning wavelength");
  r.Real(p.Cqg, c.cqg, "Queensgate constant");
  r.Check(!c.path.empty() && c.path != "(null)", "Data storage directory is not defined");
  // A path cut to the field would send the files to another directory.
  r.Check(c.path.size() < sizeof(p.Path), kPathTooLongRule);
  if (!r.failed()) SetText(p.Path, c.path);
}

}  // namespace

CollectOutcome CollectParameters(AcquisitionParameters& p, const ParameterControls& controls, bool silent) {
  p.ThomsonCamera = ThomsonCamera(p.CCDXSize, p.CCDYSize);
  if (p.RefreshMode == 1) return {};

  ReadListsAndButtons(p, controls);
  RuleReader reader;
  CollectOutcome outcome;
  ReadFields(p, controls, reader, outcome);
  outcome.failedRule = reader.failedRule();
  if (reader.failed() && !silent) {
    ShowError(kParameterErrorLine1, reader.failedRule(), kParameterErrorLine3);
    outcome.result = 1;
  }
  return outcome;
}

}  // namespace velmar
