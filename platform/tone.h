#pragma once
// A tone of given frequency and duration: the sound system where there is one
// (ALSA's aplay), else the terminal bell. Tests install a recorder.
#include <mutex>
#include <vector>

namespace velmar {

class ToneSink {
 public:
  virtual ~ToneSink() = default;
  virtual void Tone(int frequencyHz, int durationMs) = 0;
};

// Plays through aplay when a sound device is present, else rings the bell on the
// controlling terminal (never into the output, which may be a file or a pipe).
class SystemTone final : public ToneSink {
 public:
  void Tone(int frequencyHz, int durationMs) override;
};

class RecordingTone final : public ToneSink {
 public:
  struct Played {
    int frequencyHz;
    int durationMs;
  };
  void Tone(int frequencyHz, int durationMs) override;
  std::vector<Played> played() const;

 private:
  mutable std::mutex mutex_;
  std::vector<Played> played_;
};

ToneSink& CurrentToneSink();
void InstallToneSink(ToneSink* sink);
// The alarm tone: 3000 Hz for 100 ms.
void Beep();

}  // namespace velmar
