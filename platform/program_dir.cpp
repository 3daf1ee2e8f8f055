#include "platform/program_dir.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <system_error>

#include "platform/format.h"
#include "platform/system_dir.h"

#ifndef VELMAR_INSTALL_BINDIR
#define VELMAR_INSTALL_BINDIR "bin"
#endif
#ifndef VELMAR_INSTALL_DATADIR
#define VELMAR_INSTALL_DATADIR "share"
#endif

namespace velmar {

namespace fs = std::filesystem;

namespace {

// ProgramDir is a text of 256 characters: a longer path would be cut, and the
// program would look for its files somewhere else without saying so.
constexpr std::size_t kLongestProgramDir = 255;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

fs::path Absolute(const fs::path& path, const fs::path& base) {
  fs::path absolute = (path.is_absolute() ? path : base / path).lexically_normal();
  if (!absolute.has_filename() && absolute.has_relative_path()) absolute = absolute.parent_path();
  return absolute;
}

bool FitsProgramDir(ProgramDirChoice& c) {
  if (c.directory.string().size() <= kLongestProgramDir) return true;
  c.error = Format("its path is longer than %zu characters: %s", kLongestProgramDir, c.directory.c_str());
  return false;
}

ProgramDirChoice Named(const std::string& text, ProgramDirOrigin origin, const fs::path& current,
                       const char* namedBy) {
  ProgramDirChoice c;
  c.origin = origin;
  c.directory = Absolute(text, current);
  std::error_code ec;
  if (!fs::is_directory(c.directory, ec))
    c.error = Format("%s names %s, which is not a directory", namedBy, c.directory.c_str());
  else if (FitsProgramDir(c))
    c.holdsDefinitions = HoldsInstrumentDefinitions(c.directory);
  return c;
}

ProgramDirChoice PerUser(const ProgramDirRequest& r) {
  ProgramDirChoice c;
  c.origin = ProgramDirOrigin::PerUser;
  c.directory = Absolute(r.perUser, r.current);
  if (!FitsProgramDir(c)) return c;
  std::error_code ec;
  const auto presets = std::find_if(r.presetSources.begin(), r.presetSources.end(),
                                    [&](const fs::path& p) { return fs::is_directory(p, ec); });
  if (presets == r.presetSources.end()) {
    if (HoldsInstrumentDefinitions(c.directory)) return c;
    std::string looked;
    for (const auto& p : r.presetSources) looked += (looked.empty() ? "" : ", ") + p.string();
    c.error = Format("%s holds no instrument definition and no presets were found to lay it out from (looked in %s)",
                     c.directory.c_str(), looked.empty() ? "nowhere" : looked.c_str());
    return c;
  }
  const int copied = LayOutProgramDirectory(c.directory, *presets, c.error);
  if (copied > 0) {
    c.laidOutFrom = *presets;
    c.filesLaidOut = copied;
  }
  return c;
}

// Copies one preset beside its final name first: a start cut short never leaves
// a half-written definition under a name the program would read.
std::string CopyPreset(const fs::path& source, const fs::path& target) {
  std::string partName = target.filename().string();
  partName.insert(0, 1, '.');
  partName += ".part";
  const fs::path part = target.parent_path() / partName;
  std::error_code ec;
  fs::copy_file(source, part, fs::copy_options::overwrite_existing, ec);
  // Installed presets are read-only; the observer's copy is theirs to edit.
  if (!ec) fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  if (!ec) fs::rename(part, target, ec);
  if (!ec) return "";
  std::error_code ignored;
  fs::remove(part, ignored);
  return Format("cannot copy %s to %s: %s", source.c_str(), target.c_str(), ec.message().c_str());
}

}  // namespace

bool HoldsInstrumentDefinitions(const fs::path& dir) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = Lower(it->path().filename().string());
    if (it->is_regular_file(ec) && Lower(it->path().extension().string()) == ".def" && name != kParametersFileName)
      return true;
  }
  return false;
}

int LayOutProgramDirectory(const fs::path& dir, const fs::path& presets, std::string& error) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir, ec)) {
    error = Format("cannot create %s: %s", dir.c_str(), ec ? ec.message().c_str() : "a file has that name");
    return -1;
  }
  int copied = 0;
  for (fs::directory_iterator it(presets, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const fs::path target = dir / it->path().filename();
    // Whatever has the name already (an edited file, even a dangling link) is the observer's.
    if (fs::symlink_status(target, ec).type() != fs::file_type::not_found) continue;
    if (error = CopyPreset(it->path(), target); !error.empty()) return -1;
    ++copied;
  }
  if (ec) {
    error = Format("cannot read the presets in %s: %s", presets.c_str(), ec.message().c_str());
    return -1;
  }
  return copied;
}

ProgramDirChoice ChooseProgramDirectory(const ProgramDirRequest& r) {
  if (!r.flag.empty()) return Named(r.flag, ProgramDirOrigin::Flag, r.current, "--program-dir");
  if (!r.environment.empty())
    return Named(r.environment, ProgramDirOrigin::Environment, r.current, "$VELMAR_PROGRAM_DIR");
  if (!r.current.empty() && HoldsInstrumentDefinitions(r.current)) {
    ProgramDirChoice c;
    c.origin = ProgramDirOrigin::CurrentDirectory;
    c.directory = Absolute(r.current, r.current);
    FitsProgramDir(c);
    return c;
  }
  return PerUser(r);
}

fs::path PerUserProgramDirectory() {
  fs::path system = Absolute(SystemDirectoryLocation(), fs::current_path());
  return system.parent_path() / (system.filename().string() + "-program");
}

std::vector<fs::path> PresetSources() {
  std::vector<fs::path> sources;
  std::error_code ec;
  const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path bin = VELMAR_INSTALL_BINDIR, data = VELMAR_INSTALL_DATADIR;
    fs::path prefix = executable.parent_path();
    if (!bin.is_absolute())
      for (const auto& part : bin)
        if (!part.empty() && part != ".") prefix = prefix.parent_path();
    sources.push_back((data.is_absolute() ? data : prefix / data) / "velmar" / "presets");
  }
#ifdef VELMAR_SOURCE_PRESETS_DIR
  sources.push_back(VELMAR_SOURCE_PRESETS_DIR);
#endif
  return sources;
}

ProgramDirChoice EnterProgramDirectory(const std::string& flag) {
  ProgramDirRequest r;
  r.flag = flag;
  if (const char* named = std::getenv("VELMAR_PROGRAM_DIR")) r.environment = named;
  std::error_code ec;
  r.current = fs::current_path(ec);
  r.perUser = PerUserProgramDirectory();
  r.presetSources = PresetSources();
  ProgramDirChoice c = ChooseProgramDirectory(r);
  if (c.error.empty()) {
    fs::current_path(c.directory, ec);
    if (ec) c.error = Format("cannot enter %s: %s", c.directory.c_str(), ec.message().c_str());
  }
  return c;
}

std::string ProgramDirLine(const ProgramDirChoice& c) {
  if (!c.error.empty()) return "program directory: " + c.error;
  std::string why;
  switch (c.origin) {
    case ProgramDirOrigin::Flag: why = "given by --program-dir"; break;
    case ProgramDirOrigin::Environment: why = "given by $VELMAR_PROGRAM_DIR"; break;
    case ProgramDirOrigin::CurrentDirectory: why = "the current directory"; break;
    case ProgramDirOrigin::PerUser: why = "per user"; break;
  }
  if (c.filesLaidOut > 0)
    why += Format(", %d file%s laid out from %s", c.filesLaidOut, c.filesLaidOut == 1 ? "" : "s", c.laidOutFrom.c_str());
  if (!c.holdsDefinitions) why += "; it holds no instrument definition";
  return Format("program directory: %s (%s)", c.directory.c_str(), why.c_str());
}

std::string AnchoredPath(const std::string& path) {
  if (path.empty() || fs::path(path).is_absolute()) return path;
  std::error_code ec;
  const fs::path current = fs::current_path(ec);
  return ec ? path : Absolute(path, current).string();
}

void AnchorPathEnvironment() {
  for (const char* name : {"VELMAR_SYSTEM_DIR", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "VELMAR_COM1", "VELMAR_COM2",
                           "VELMAR_COM3", "VELMAR_COM4"})
    if (const char* value = std::getenv(name); value && *value && value[0] != '/')
      setenv(name, AnchoredPath(value).c_str(), 1);
}

const char* const kProgramDirHelp =
    R"(The program directory holds the instrument definitions, the camera and monitor
files and axdrv.ini. It is --program-dir DIR, else $VELMAR_PROGRAM_DIR, else the
current directory when it holds instrument definitions (.def files), else a
directory of one's own beside the system directory (~/.local/share/velmar-program),
laid out from the installed presets on first use; files already there are never
replaced. The program says which one it uses ("program directory: ...").
)";

}  // namespace velmar
