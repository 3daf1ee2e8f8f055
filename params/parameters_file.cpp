#include "params/parameters_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/number_text.h"
#include "platform/system_dir.h"
#include "platform/text_lines.h"

namespace velmar {

namespace {

using P = AcquisitionParameters;
using IntField = std::int32_t P::*;
using RealField = float P::*;

// Lines 3 to 14 and 20 to 44, in order, with the line that precedes each run.
constexpr IntField kPlanLines[] = {&P::Lz,         &P::Lz2D,        &P::Lz3Dcalib,        &P::Lz3Dobj,
                                   &P::Tcan,       &P::Tcan2D,      &P::Tcan3Dcalib,      &P::Tcan3Dobj,
                                   &P::Maxcycles,  &P::Maxcycles2D, &P::Maxcycles3Dcalib, &P::Maxcycles3Dobj};
constexpr RealField kRealLines[] = {&P::Lambda, &P::LambdaCalib, &P::LambdaObj, &P::Cqg};
constexpr IntField kSetUpLines[] = {&P::AcqType,   &P::FileType,   &P::DataFormat, &P::CS100Link,  &P::ComPort,
                                    &P::SeeSaw,    &P::THTLow,     &P::THTMedium,  &P::THTMax,     &P::Discri,
                                    &P::BlackLevel, &P::WhiteLevel, &P::ShutterSystem, &P::THTSystem, &P::CCDXSize,
                                    &P::CCDYSize,  &P::StoredXSize, &P::StoredYSize, &P::FramesPerSecond,
                                    &P::Vlm3DBinning, &P::DalsaSwap, &P::AxiomBoard, &P::LastTestNumobs,
                                    &P::THTLastStepWait, &P::TemperatureInterface, &P::FiltersMirrorSystem};

std::string TrimRight(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return std::string(text);
}

bool IsNullText(std::string_view text) {
  if (text.size() != 6) return false;
  const char* null = "(null)";
  for (std::size_t i = 0; i < 6; ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != null[i]) return false;
  return true;
}

// Where an empty data directory is saved: the user's home, the nearest thing to the
// root of the system drive that a user can write to. Its trailing separator makes
// the next observation's directory be built inside it, not beside it.
std::string DefaultDataDirectory() {
  const char* home = std::getenv("HOME");
  std::string dir = home && *home ? home : "/";
  if (dir.back() != '/') dir += '/';
  return dir;
}

class Writer {
 public:
  explicit Writer(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~Writer() {
    if (file_) std::fclose(file_);
  }
  bool opened() const { return file_ != nullptr; }
  void Int(std::int32_t v) { Put(Format("%6d\r\n", v)); }
  void Real(float v) { Put(Format("%12.7f\r\n", v)); }
  void Text(std::string_view v) { Put(std::string(v) + "\r\n"); }
  bool Close() {
    const bool closed = file_ && std::fclose(file_) == 0;
    file_ = nullptr;
    return ok_ && closed;
  }
  bool ok() const { return ok_; }

 private:
  void Put(const std::string& text) {
    if (ok_ && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) ok_ = false;
  }
  std::FILE* file_;
  bool ok_ = true;
};

// Reads one line after another; the first that is missing or does not convert
// stops every later read.
class Reader {
 public:
  explicit Reader(const std::string& path) : lines_(path) {}
  bool opened() const { return lines_.opened(); }
  bool ok() const { return ok_; }

  std::optional<std::string> Line() {
    if (!ok_) return std::nullopt;
    auto line = lines_.Next();
    if (!line) ok_ = false;
    return line;
  }
  void Int(std::int32_t& field) {
    const auto line = Line();
    if (!line) return;
    if (const auto v = LeadingInt(*line)) field = *v;
    else ok_ = false;
  }
  void Real(float& field) {
    const auto line = Line();
    if (!line) return;
    if (const auto v = LeadingReal(*line)) field = *v;
    else ok_ = false;
  }
  // A driver name: its first word; a blank line is a name not chosen yet (no
  // definition was loaded when the file was written), not a broken file.
  template <std::size_t N>
  void Word(char (&field)[N]) {
    const auto line = Line();
    if (!line) return;
    SetText(field, FirstWord(*line).value_or(std::string()));
  }
  template <std::size_t N>
  void WholeLine(char (&field)[N]) {
    if (const auto line = Line()) SetText(field, BeforeCarriageReturn(*line));
  }

 private:
  LineReader lines_;
  bool ok_ = true;
};

bool FileUsable(const std::string& path);  // the reader takes every line and every instrument value of it

// The lines of this file that hold the 19 numbers of an instrument definition, in
// the definition's order (the CS100 interface comes from the port of line 23).
constexpr int kInstrumentLines[19] = {25, 26, 27, 28, 29, 30, 23, 31, 32, 33, 34, 35, 36, 37, 38, 39, 42, 43, 44};

// The instrument values read are held to the ranges a definition file is held to;
// a block never loaded (a first start, CCD size 0) is no definition to check.
std::string InstrumentRangeFault(const AcquisitionParameters& p) {
  if (p.CCDXSize == 0) return {};
  return DefinitionRangeFault(InstrumentDefinitionOf(p), kInstrumentLines);
}

}  // namespace

std::string ParametersFilePath() { return SystemFile(kParametersFileName).string(); }

bool SaveParametersFile(AcquisitionParameters& p, const std::string& path) {
  // A file the reader cannot use is moved aside before it is replaced, never lost.
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec) && !FileUsable(path)) {
    std::filesystem::rename(path, BadParametersFilePath(path), ec);
    if (ec) {
      ShowError("Impossible to keep the unreadable parameters file aside", "File " + path,
                "It is left as it is: move it away, then save again");
      return false;
    }
  }
  Writer out(path);
  if (out.opened()) {
    if (TextOf(p.Prefix) != "T") {
      SetText(p.LastPrefix, TextOf(p.Prefix));
      p.LastNumobs = p.Numobs;
    } else {
      p.LastTestNumobs = p.Numobs;
    }
    SetText(p.LastPrefix, TrimRight(TextOf(p.LastPrefix)));
    out.Int(p.LastNumobs);
    out.Text(TextOf(p.LastPrefix));
    for (IntField f : kPlanLines) out.Int(p.*f);
    for (RealField f : kRealLines) out.Real(p.*f);
    if (p.AcqType == kAcqAnalogicCalibration) p.AcqType = kAcq2DImage;  // the analogic type is not kept
    for (IntField f : kSetUpLines) out.Int(p.*f);
    const std::string_view dataPath = TextOf(p.Path);
    out.Text(dataPath.empty() || IsNullText(dataPath) ? DefaultDataDirectory() : std::string(dataPath));
    out.Text(TextOf(p.DcfFile));
    out.Text(TextOf(p.VcfFile));
    out.Text(TextOf(p.PFIdent));
    out.Text(TextOf(p.FilterIdent));
    out.Text("");
    out.Text(TextOf(p.TestFileName));  // where the CS100 commands go with the test-file link
    if (out.Close()) return true;
  }
  ShowError("Impossible to write the parameters on disk for a next use", "File " + path,
            "Is the disk full or the file locked ?");
  return false;
}

namespace {

// Reads the file over the set; false when it cannot be opened, or a line is missing
// or does not convert (the set then holds what was read before).
bool ReadParametersFile(AcquisitionParameters& p, const std::string& path, const std::function<void()>& afterLine1) {
  Reader in(path);
  if (in.opened()) {
    std::int32_t last = 0;
    in.Int(last);
    if (in.ok()) {
      const std::int64_t next = static_cast<std::int64_t>(last) + 1;  // a line 1 at INT_MAX moves on too
      p.LastNumobs = static_cast<std::int32_t>(std::min<std::int64_t>(next, INT32_MAX));
      p.Numobs = next > 999 ? 1 : static_cast<std::int32_t>(next);
      if (afterLine1) afterLine1();
    }
    // Line 2 is empty while only test observations ("T") were saved: the prefix
    // then stays the default one, and no ordinary prefix is remembered yet.
    if (const auto line = in.Line()) {
      const std::string text = BeforeCarriageReturn(*line);
      if (!text.empty()) {
        const char first[2] = {text.front(), '\0'};
        SetText(p.Prefix, first);
        SetText(p.LastPrefix, first);
      }
    }
    for (IntField f : kPlanLines) in.Int(p.*f);
    if (in.ok()) p.Lz2D = 1;
    for (RealField f : kRealLines) in.Real(p.*f);
    for (IntField f : kSetUpLines) {
      in.Int(p.*f);
      if (f == &P::ComPort && in.ok()) p.CS100Interface = p.CS100Link != 0 ? p.ComPort : 0;
    }
    in.WholeLine(p.Path);
    in.Word(p.DcfFile);
    if (in.ok()) SetText(p.DcfFileAsRead, TextOf(p.DcfFile));
    in.Word(p.VcfFile);
    in.WholeLine(p.PFIdent);
    in.WholeLine(p.FilterIdent);
    if (in.ok()) {
      p.ComPort = p.CS100Interface;
      // Lines 50 (empty) and 51, the CS100 test file, which files written before it
      // was kept do not have.
      if (in.Line())
        if (const auto line = in.Line(); line && !BeforeCarriageReturn(*line).empty())
          SetText(p.TestFileName, BeforeCarriageReturn(*line));
      return true;
    }
  }
  return false;
}

bool FileUsable(const std::string& path) {
  AcquisitionParameters scratch;
  return ReadParametersFile(scratch, path, {}) && InstrumentRangeFault(scratch).empty();
}

}  // namespace

// "vla.def.bad", or "vla.def.bad2", "vla.def.bad3" when earlier ones are kept: an
// unusable file never replaces one kept before it.
std::string BadParametersFilePath(const std::string& path) {
  std::error_code ec;
  std::string bad = path + ".bad";
  for (int n = 2; std::filesystem::exists(bad, ec); ++n) bad = path + ".bad" + std::to_string(n);
  return bad;
}

bool ReadParametersFileQuietly(AcquisitionParameters& p, const std::string& path) {
  return ReadParametersFile(p, path, {});
}

void LoadParametersFile(AcquisitionParameters& p, const std::string& path, const std::function<void()>& afterLine1) {
  const std::string keptAs = std::filesystem::path(BadParametersFilePath(path)).filename().string();
  if (ReadParametersFile(p, path, afterLine1)) {
    // Out-of-range instrument values are never used: the block is left empty, as on
    // a first start, until a definition is loaded again.
    if (const std::string fault = InstrumentRangeFault(p); !fault.empty()) {
      ClearInstrumentDefinition(p);
      ShowError("A value of the parameters file is out of range: load an instrument definition", path,
                fault + " (the file is kept as " + keptAs + ")");
    }
    return;
  }
  SetDefaultParameterValues(p);  // the state was reset with the defaults just before loading
  // A first start has no file; a file that is there but unusable is said, and kept.
  std::error_code ec;
  if (std::filesystem::exists(path, ec))
    ShowError("The parameters file cannot be read whole: the default parameters are used", path,
              "It is kept as " + keptAs + " when the parameters are saved");
}

std::optional<std::string> RebuildDataPath(const std::string& path, const std::string& prefix,
                                           const std::string& numobsText) {
  const auto number = LeadingInt(numobsText);
  if (!number) return std::nullopt;
  const auto slash = path.find_last_of('/');
  const std::string rest = slash == std::string::npos ? std::string() : path.substr(0, slash);
  return Format("%s/%s%3.3d", rest.c_str(), prefix.c_str(), *number);
}

}  // namespace velmar
