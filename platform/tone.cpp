#include "platform/tone.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/format.h"
#include "platform/processes.h"
#include "platform/system_dir.h"

namespace velmar {

namespace {
constexpr int kSampleRate = 8000;

void PutLe(std::ofstream& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Writes a mono 8-bit WAV file holding the tone; returns false when it cannot.
bool WriteToneFile(const std::filesystem::path& file, int frequencyHz, int durationMs) {
  const std::uint32_t samples = static_cast<std::uint32_t>(kSampleRate) * durationMs / 1000;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write("RIFF", 4);
  PutLe(out, 36 + samples, 4);
  out.write("WAVEfmt ", 8);
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);  // PCM
  PutLe(out, 1, 2);  // mono
  PutLe(out, kSampleRate, 4);
  PutLe(out, kSampleRate, 4);
  PutLe(out, 1, 2);
  PutLe(out, 8, 2);
  out.write("data", 4);
  PutLe(out, samples, 4);
  for (std::uint32_t i = 0; i < samples; ++i) {
    const double phase = 2.0 * M_PI * frequencyHz * i / kSampleRate;
    out.put(static_cast<char>(128 + static_cast<int>(100 * std::sin(phase))));
  }
  return static_cast<bool>(out);
}

bool SoundDevicePresent() { return std::filesystem::exists("/dev/snd") && std::filesystem::exists("/usr/bin/aplay"); }
}  // namespace

void SystemTone::Tone(int frequencyHz, int durationMs) {
  if (SoundDevicePresent()) {
    const auto file = SystemFile(Format("tone%d_%d.wav", frequencyHz, durationMs));
    std::error_code ec;
    if (std::filesystem::exists(file, ec) || WriteToneFile(file, frequencyHz, durationMs)) {
      if (StartProgram("/usr/bin/aplay", {"-q", file.string()}).started) return;
    }
  }
  // The bell goes to the terminal the program runs on, never into its output: an
  // output saved to a file or read through a pipe stays plain text. Without a
  // terminal (a robot, a service) there is nothing to ring.
  static const int terminal = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (terminal >= 0) {
    [[maybe_unused]] const auto written = ::write(terminal, "\a", 1);
  }
}

void RecordingTone::Tone(int frequencyHz, int durationMs) {
  std::lock_guard lock(mutex_);
  played_.push_back({frequencyHz, durationMs});
}

std::vector<RecordingTone::Played> RecordingTone::played() const {
  std::lock_guard lock(mutex_);
  return played_;
}

namespace {
std::atomic<ToneSink*> installedSink{nullptr};
}

ToneSink& CurrentToneSink() {
  static SystemTone systemTone;
  ToneSink* sink = installedSink.load();
  return sink ? *sink : systemTone;
}

void InstallToneSink(ToneSink* sink) { installedSink.store(sink); }

void Beep() { CurrentToneSink().Tone(3000, 100); }

}  // namespace velmar
