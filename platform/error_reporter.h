#pragma once
// ShowError: the program's one error message, three lines. The GUI shows them in
// the window TError; the headless runner prints them; tests record them.
#include <mutex>
#include <string>
#include <vector>

namespace velmar {

struct ErrorLines {
  std::string line1, line2, line3;
  bool operator==(const ErrorLines&) const = default;
};

// Line 2 shortened to 70 characters from the left, as the error window shows it.
ErrorLines MakeErrorLines(const std::string& line1, const std::string& line2,
                          const std::string& line3);

class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void Report(const ErrorLines& lines) = 0;
};

class PrintingErrorReporter final : public ErrorReporter {
 public:
  void Report(const ErrorLines& lines) override;  // to stderr
};

class RecordingErrorReporter final : public ErrorReporter {
 public:
  void Report(const ErrorLines& lines) override;
  std::vector<ErrorLines> reported() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<ErrorLines> reported_;
};

void InstallErrorReporter(ErrorReporter* reporter);
ErrorReporter& CurrentErrorReporter();  // printing unless one is installed

void ShowError(const std::string& line1, const std::string& line2, const std::string& line3);

// Installs a reporter for the lifetime of this object.
class ScopedErrorReporter {
 public:
  explicit ScopedErrorReporter(ErrorReporter& reporter);
  ~ScopedErrorReporter();
  ScopedErrorReporter(const ScopedErrorReporter&) = delete;
  ScopedErrorReporter& operator=(const ScopedErrorReporter&) = delete;

 private:
  ErrorReporter* previous_;
};

}  // namespace velmar
