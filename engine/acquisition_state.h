#pragma once
// The shared acquisition state, held for the process by the main window and read
// and written by the counting, storing and alarm steps (all on the window thread).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/etalon_feed.h"
#include "engine/grabber_objects.h"
#include "params/acquisition_parameters.h"
#include "params/collect_parameters.h"

namespace velmar {

inline constexpr std::int32_t kUnknownLength = -1947;
inline constexpr float kEndChannelNow = 3e38f;  // channelSeconds that ends the channel at the next step

struct AcquisitionState {
  // Handed over by each collection of the parameters.
  std::int32_t Lz = 32;
  std::int32_t stopCycle = 99;
  std::int32_t stopChannel = 32;

  // Answer of the last operator window or panel: 0 go on / yes / OK, 1 no / stop /
  // cancel, 2 new acquisition (or a window's third choice), -1 quit.
  std::int32_t operatorAnswer = 0;

  // Frame grabber and TV levels.
  GrabberObjects grabber;
  TvLevels levels;
  TuningContext tuning;
  std::int32_t startUpInProgress = 0;
  std::int32_t frameSizeX = 512, frameSizeY = 512;  // frame geometry written in the log header

  // Channel and cycle sequencing.
  std::int32_t currentChannel = 0;
  std::int32_t currentCycle = 1;
  std::int32_t scanDirection = 1;
  float channelSeconds = 0.0f;
  float channelTimeOverCycles = 0.0f;
  std::int32_t redoChannel = 0, redoCycle = 0;
  std::int32_t closeLoopRedoChannel = 0, closeLoopRedoCycle = 0, closeLoopRedoPending = 0;
  std::int32_t closeLoopWatch = 0, closeLoopActive = 0, closeLoopHeld = 0;
  std::int32_t deferredStopRequested = 0;
  std::int32_t storingHeld = 1;
  std::int32_t acquisitionEnded = 0;
  std::int32_t interferometerValue = 0;  // CS100 position of the current channel
  std::int32_t endDialogState = 0, abortDialogState = 0, pauseDialogState = 0;
  std::int32_t inlineDialogKind = 0;  // 0 none, 1 abort or pause panel, 2 end panel
  std::int32_t lastScannedChannel = 0, lastScannedCycle = 0;
  // The channel just finished, kept across a pause for its record and the end panel.
  std::int32_t finishedChannel = 0, finishedCycle = 0, finishedInterferometerValue = 0;
  std::int32_t finishedInterrupted = 0;  // 1: the channel that ended was cut short by a redo
  // The channel a redo interrupted (-1: none): its record names it, not the redo point.
  std::int32_t interruptedChannel = -1, interruptedCycle = 0;
  std::int64_t stepStartMs = 0, stepEndMs = 0;  // monotonic stamps of the previous store step

  // Photon files.
  std::int32_t tempFileMode = 1;
  std::string fileName;   // final name of the current channel's file
  std::string filePath;   // its full path
  std::string tempPath;   // "ipcsdata.tmp" of the data directory
  std::int32_t fileOpen = 0;
  std::int64_t bytesInFile = 0;

  // Observation log and statistics.
  std::string logPath;
  std::string pendingLogLine;
  std::int32_t pendingLogLineReady = 0;
  // Lines queued before pendingLogLine and not yet written, oldest first: an
  // observer's comment or command must not vanish because an alarm came in the
  // same second.
  std::vector<std::string> earlierLogLines;
  float cumulatedExposure = 0.0f;
  std::int32_t cumulatedFrames = 0;
  std::int64_t cumulatedFramesDropped = 0;  // frames the photon buffer had no room for
  std::int32_t photonsUnits = 0, photonsMillions = 0;
  std::int64_t bytesWritten = 0;
  std::int32_t channelPhotons = 0, channelFrames = 0;
  std::int64_t lastLogLength = kUnknownLength;
  std::string cumulatedExposureText = "00:00:00";
  std::string cumulatedEfficiencyText = "000 %";
  std::string megabytesText = "    0.000 Mb";

  // Operator switches of the main window.
  std::int32_t tvLevelsEditable = 0;
  std::int32_t autoShutter = 1, shutterMaxRate = 50000, shutterRateEdited = 0;
  std::int32_t beepActive = 1, fullSilence = 0;
  std::int32_t remanenceRequested = 0;
  std::int32_t alarmCode = 0;

  // Alarm supervisor: the code last written in the log, the panel's blink phase,
  // the close-loop faults counted, and the message window of the message file.
  std::int32_t lastLoggedAlarm = 0, alarmBlink = 0, closeLoopCount = 0;
  std::int32_t messageShown = 0, messageSeconds = 0, messageElapsed = 0;
  // The shutter state and close-loop fault the last alarm re-evaluation saw.
  std::int32_t alarmShutterSeen = 0, alarmFaultSeen = 0;
  // The logbook viewer asks the next store step to (re)load the log.
  std::int32_t logbookReload = 0;

  // Instrument readings shown and logged.
  std::int32_t thtSent = 0, thtRead = 0, thtReadAtLastStep = 0;
  std::int32_t shutterState = 0;      // 0 open; after a command 0/1; after a reading the status code
  std::string shutterStateText = "?"; // the status word last shown
  std::int32_t cs100Position = 0;     // the last position sent
  float PFstep = 0.0f, PFbase = 0.0f;
  // Where the etalon stands, as the controller last took it: the simulated camera
  // looks through it (read from the grab threads, hence its own lock).
  EtalonFeed etalon;
  float temperature = 999.0f, temperatureCommand = 999.0f;

  // Instrument monitor (the Controle thread) and what its tick last found.
  std::int32_t monitorEnabled = 0, monitorCreated = 0;
  std::string thtWarningText;         // "No THT ! (locked ?)", "THT too low !" or empty (hidden)
  std::int32_t scanOneChannelShown = 0;
  // Filters and mirror as the operator recorded them: filter 0 = moving or unknown,
  // 1..4; mirror 0 = moving or unknown, 1 Calib, 2 Sky; lamps 0 off, 1 on.
  std::int32_t filterPosition = 0, mirrorPosition = 0, lamp1 = 0, lamp2 = 0;
  std::string filterNames[4] = {"Filtre ??", "Filtre ??", "Filtre ??", "Filtre ??"};

  // Lifecycle.
  std::int32_t acquisitionStarted = 0;
  std::int32_t quitting = 0;
};

// Queues one line for the observation log. A waiting alarm line is replaced by a
// later alarm line (only the latest alarm state matters); any other waiting line
// is kept and written first.
void QueueLogLine(AcquisitionState& state, const std::string& line);
// Forgets every queued line (a new acquisition starts with an empty queue).
void ClearQueuedLogLines(AcquisitionState& state);

// Before a redo moves the current channel: the channel about to end is this one.
void NoteInterruptedChannel(AcquisitionState& state);

// The defaults of the parameter set, and with them the state's values that the
// instrument monitor and the alarms share: shutter status, close-loop and dialog
// flags, close-loop watch on, last log length unknown.
void SetDefaultParameters(AcquisitionParameters& p, AcquisitionState& s);

// What a collection of the parameters hands over: the number of channels and the
// stop point, as far as the collection read them.
void HandOverCollectedPlan(const AcquisitionParameters& p, const CollectOutcome& read, AcquisitionState& s);
// The last steps before the acquisition: the THT voltage 99999 when the THT is not
// controlled, the 2-byte format refused for images above 256, the frame geometry of
// the log header from the stored image size, the answer "go on".
void HandOverToAcquisition(AcquisitionParameters& p, AcquisitionState& s);

}  // namespace velmar
