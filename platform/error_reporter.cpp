#include "platform/error_reporter.h"

#include <atomic>
#include <cstdio>

#include "platform/format.h"

namespace velmar {

ErrorLines MakeErrorLines(const std::string& line1, const std::string& line2,
                          const std::string& line3) {
  return {line1, ShortenLeft(line2, 70), line3};
}

void PrintingErrorReporter::Report(const ErrorLines& lines) {
  std::fprintf(stderr, "Velmar photon counting error: %s | %s | %s\n", lines.line1.c_str(),
               lines.line2.c_str(), lines.line3.c_str());
  std::fflush(stderr);
}

void RecordingErrorReporter::Report(const ErrorLines& lines) {
  std::lock_guard lock(mutex_);
  reported_.push_back(lines);
}

std::vector<ErrorLines> RecordingErrorReporter::reported() const {
  std::lock_guard lock(mutex_);
  return reported_;
}

void RecordingErrorReporter::Clear() {
  std::lock_guard lock(mutex_);
  reported_.clear();
}

namespace {
std::atomic<ErrorReporter*> installedReporter{nullptr};
}

void InstallErrorReporter(ErrorReporter* reporter) { installedReporter.store(reporter); }

ErrorReporter& CurrentErrorReporter() {
  static PrintingErrorReporter printing;
  ErrorReporter* reporter = installedReporter.load();
  return reporter ? *reporter : printing;
}

void ShowError(const std::string& line1, const std::string& line2, const std::string& line3) {
  CurrentErrorReporter().Report(MakeErrorLines(line1, line2, line3));
}

ScopedErrorReporter::ScopedErrorReporter(ErrorReporter& reporter)
    : previous_(installedReporter.exchange(&reporter)) {}
ScopedErrorReporter::~ScopedErrorReporter() { installedReporter.store(previous_); }

}  // namespace velmar
