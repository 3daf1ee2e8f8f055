// vlmipcs-fits: an observation, or an analogic calibration's image, as a FITS file.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "export/fits_export.h"

using namespace velmar;

namespace {

const char* kUsage = R"(vlmipcs-fits: an observation or a calibration image as a FITS file.

  vlmipcs-fits [--check] [--cube [--bin B]] [-o OUT.fits] OBSERVATION
  vlmipcs-fits [-o OUT.fits] IMAGE.vl2|IMAGE.vl3

OBSERVATION is the data directory (holding one .VLT log) or the log itself. It
becomes one FITS file, by default <prefix><number>.fits beside the log: the log's
header in the primary header, every photon event in the table EVENTS (X, Y, FRAME
in the 8-byte format, CHANNEL, CYCLE, TIME where the frame tag allows), every
channel record of the log in the table CHANNELS, and with --cube the photon counts
per (X, Y, channel) in the image CUBE.

A .VL2 image becomes a 2D, a .VL3 cube a 3D FITS image (by default the image's
name with .fits); its text goes to a COMMENT card.

  --check               first compare each photon file with its log record and
                        name every mismatch (exit code 3, nothing written)
  --cube                add the photon cube, summed over cycles
  --bin B               bin the cube B by B addresses (default 1)
  -o, --output FILE     the FITS file to write (replaced if it exists)
  --help                this text

The file is written under a temporary name and renamed when complete: a failed
or interrupted (Ctrl-C, SIGTERM, SIGHUP) export leaves nothing under the output
name, and its unfinished file is removed.

Exit code 0 when written, 1 when the input cannot be read or the output cannot be
written, 2 for a bad argument, 3 when --check finds a mismatch.
)";

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i]) return false;
  return true;
}

// Ctrl-C, SIGTERM or SIGHUP during an export removes the unfinished file.
char temporaryPath[4096] = "";

extern "C" void RemoveUnfinished(int signal) {
  if (temporaryPath[0]) unlink(temporaryPath);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void RemoveUnfinishedOnSignals(const std::string& output) {
  std::snprintf(temporaryPath, sizeof temporaryPath, "%s", FitsTemporaryPath(output).c_str());
  for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, RemoveUnfinished);
}

int Usage(const std::string& why) {
  std::fprintf(stderr, "vlmipcs-fits: %s (see --help)\n", why.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  FitsExportOptions options;
  bool check = false, binGiven = false;
  std::string input;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--check") check = true;
    else if (a == "--cube") options.cube = true;
    else if (a == "--bin" || a == "-o" || a == "--output") {
      if (i + 1 >= argc) return Usage(a + " needs a value");
      const std::string value = argv[++i];
      if (a == "--bin") {
        char* end = nullptr;
        const long bin = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || bin < 1 || bin > 512) return Usage("--bin takes a whole number from 1 to 512");
        options.bin = static_cast<std::int32_t>(bin);
        binGiven = true;
      } else {
        options.output = value;
      }
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown argument " + a);
    } else if (input.empty()) {
      input = a;
    } else {
      return Usage("one observation or image at a time");
    }
  }
  if (input.empty()) return Usage("name an observation (its data directory or .VLT log) or a .vl2/.vl3 image");
  if (binGiven && !options.cube) return Usage("--bin goes with --cube");

  std::string written, error;
  if (EndsWithNoCase(input, ".vl2") || EndsWithNoCase(input, ".vl3")) {
    if (check || options.cube) return Usage("--check and --cube are for observations, not images");
    RemoveUnfinishedOnSignals(options.output.empty() ? DefaultImageFitsPath(input) : options.output);
    if (!ExportImage(input, options.output, written, error)) {
      std::fprintf(stderr, "vlmipcs-fits: %s; nothing written\n", error.c_str());
      return 1;
    }
    std::printf("written %s\n", written.c_str());
    return 0;
  }
  const std::optional<Observation> observation = ReadObservation(input, error);
  if (!observation) {
    std::fprintf(stderr, "vlmipcs-fits: %s; nothing written\n", error.c_str());
    return 1;
  }
  if (check) {
    const std::vector<std::string> problems = CheckObservation(*observation);
    for (const std::string& p : problems) std::fprintf(stderr, "vlmipcs-fits: mismatch: %s\n", p.c_str());
    if (!problems.empty()) {
      std::fprintf(stderr, "vlmipcs-fits: %zu of %zu channel files do not match the log; nothing written\n",
                   problems.size(), observation->records.size());
      return 3;
    }
    std::printf("all %zu channel files match the log\n", observation->records.size());
  }
  if (options.output.empty()) options.output = DefaultFitsPath(*observation);
  RemoveUnfinishedOnSignals(options.output);
  if (!ExportObservation(*observation, options, written, error)) {
    std::fprintf(stderr, "vlmipcs-fits: %s; nothing written\n", error.c_str());
    return 1;
  }
  std::printf("written %s\n", written.c_str());
  return 0;
}
