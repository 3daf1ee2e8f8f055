#include "app/observe_options.h"

#include <map>

#include "platform/program_dir.h"

namespace velmar {

std::optional<ObserveOptions> ParseObserveOptions(const std::vector<std::string>& args, std::string& error) {
  ObserveOptions o;
  const std::map<std::string, std::string*> valued = {
      {"--program-dir", &o.programDir},
      {"--system-dir", &o.systemDir}, {"--data", &o.data},         {"--prefix", &o.prefix},
      {"--number", &o.number},        {"--type", &o.type},         {"--source", &o.source},
      {"--random-points", &o.randomPoints}, {"--channels", &o.channels}, {"--exposure", &o.exposure},
      {"--cycles", &o.cycles},        {"--see-saw", &o.seeSaw},    {"--format", &o.format},
      {"--names", &o.names},          {"--temp-mode", &o.tempMode}, {"--preset", &o.preset},
      {"--cs100", &o.cs100},          {"--lambda", &o.lambda},     {"--cqg", &o.cqg},
      {"--scanning", &o.scanning},    {"--end", &o.end},           {"--hold-limit", &o.holdLimit},
      {"--disk-error-grace", &o.diskErrorGrace}, {"--tht", &o.tht}, {"--close-loop-fault", &o.closeLoopFault},
      {"--cs100-fault", &o.cs100Fault}, {"--frames-per-channel", &o.framesPerChannel}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const std::map<std::string, std::vector<std::string>*> repeated = {
        {"--suspend", &o.suspensions}, {"--deferred-stop", &o.deferredStops}, {"--comment", &o.comments}};
    if (a == "--fast") o.fast = true;
    else if (a == "--full-silence") o.fullSilence = true;
    else if (a == "--slices") o.slices = true;
    else if (const auto r = repeated.find(a); r != repeated.end()) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return std::nullopt;
      }
      if (args[i + 1].empty()) {
        error = a + " needs a value, not an empty one";
        return std::nullopt;
      }
      r->second->push_back(args[++i]);
    }
    else if (a == "--overwrite") o.overwrite = true;
    else if (a == "--fits") o.fits = true;
    else if (a == "--help" || a == "-h") o.help = true;
    else if (a == "--list-cameras") o.listCameras = true;
    else if (const auto it = valued.find(a); it != valued.end()) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return std::nullopt;
      }
      // An empty value is a slip (an unset shell variable), never "not given".
      if (args[i + 1].empty()) {
        error = a + " needs a value, not an empty one";
        return std::nullopt;
      }
      *it->second = args[++i];
    } else {
      error = "unknown argument " + a + " (see --help)";
      return std::nullopt;
    }
  }
  return o;
}

ObserveOptions AnchoredObserveOptions(ObserveOptions o) {
  o.programDir = AnchoredPath(o.programDir);
  o.systemDir = AnchoredPath(o.systemDir);
  o.data = AnchoredPath(o.data);
  // A bare definition name is the program directory's; a path is the user's.
  if (o.preset.find('/') != std::string::npos) o.preset = AnchoredPath(o.preset);
  if (o.cs100.rfind("file:", 0) == 0) o.cs100 = "file:" + AnchoredPath(o.cs100.substr(5));
  return o;
}

const char* ObserveUsage() {
  static const std::string text = R"(vlmipcs-observe: a photon-counting observation without windows.

The parameters are prepared as the parameters window prepares them (defaults, then
the parameters file, the observation number moved on), then changed by the flags,
checked with the window's rules, and saved.

)" + std::string(kProgramDirHelp) + R"(
  --program-dir DIR     the program directory
  --system-dir DIR      where the program keeps its own files (vla.def, ...);
                        $VELMAR_SYSTEM_DIR, else ~/.local/share/velmar
  --data DIR            the data directory, used as given (created, one level)
  --prefix L            observation prefix, a letter
  --number N            observation number, 0 to 999
  --type 2d|calibration|object|analogic
  --source tv|simulation
  --random-points N     photons per simulated frame, 0 to 300
  --channels N          number of channels
  --exposure S          seconds per channel
  --cycles N            number of cycles
  --see-saw on|off
  --format 0|1|2        4-byte, 8-byte (with frame number), 2-byte records
  --names short|long    photon file names
  --temp-mode 0|1       0: final files announced in ipcschn.tmp; 1: renamed from ipcsdata.tmp
  --preset K|FILE       instrument definition: preset 1 to 8, or a .DEF file (a bare
                        name in the program directory, a path where it is)
  --cs100 parallel|serial:N|file:PATH
  --cs100-fault stop|continue
                        a CS100 that does not take its positions (line, board
                        or test file refusing them): stop the observation, keeping
                        the complete channels (default), or continue with the
                        interferometer where it is; either way it is said here
                        and as a !!! line in the log
  --lambda A            scanning wavelength (angstrom)
  --cqg C               Queensgate constant
  --scanning yes|no|pause
  --end stop|continue:N at the planned end: stop, or N more cycles (at most 9999)
                        then stop
  --hold-limit S        storing held by the instrument (close loop out) for more
                        than S seconds ends the observation (default 600)
  --disk-error-grace S  a photon file that cannot be written (disk full, data
                        directory removed) for S seconds ends the observation
                        as "Quit integration" does (default 60); meanwhile each
                        second lost is said, with its photons, here and in the log
  --tht V               set the intensifier's high voltage to V volts before Start,
                        as the THT tuning window does, and say what it reads back
  --full-silence        no alarm beeps (as the alarm panel's "full silence")

The operator's interventions, scripted; S is a whole number of seconds after Start,
each flag but --close-loop-fault may be given several times:
  --suspend S[+H]:WHAT  "Suspend" at S, answered H seconds later (default 0) with
                        WHAT: channel (redo the last channel), cycle (redo the
                        whole last cycle), K,C (redo channel K at cycle C), or
                        abort (abort definitively, then "Yes": the program ends,
                        keeping the complete channels)
  --deferred-stop S:WHEN
                        "Request deferred stop" at S, WHEN: channel (end of the
                        current channel), cycle (end of the current cycle), C
                        (end of cycle C), K,C (channel K of cycle C), or cancel;
                        a channel outside the plan, or a cycle the file names
                        cannot hold (99 short, 9999 long), is refused
  --comment S:TEXT      "Write on logbk" at S: "### Comment at ... : TEXT" in the
                        log (at most 70 characters)
  --close-loop-fault S:D
                        the simulated bench loses the interferometer's close loop
                        at S for D seconds: storing is held, the spoilt channel
                        exposed again
  --overwrite           replace an observation that exists: every photon file of its
                        prefix and number (any cycle, channel, name style) is removed
  --fits                when the observation ends, also write it as <prefix><nnn>.fits
                        beside the log (as vlmipcs-fits does), and after an analogic
                        calibration each of its images as a .fits file
  --fast                virtual clock: the same files, as fast as the machine allows
  --list-cameras        list the GenICam cameras (GigE Vision, USB3 Vision) Aravis
                        sees: id, vendor, model, serial number and protocol; the
                        id is what "camera =" of a description with
                        "source = genicam" takes
  --help

The analogic calibration (--type analogic) integrates frames instead of counting:
at each channel --frames-per-channel F frames (1 unless told) are grabbed and their
pixels added; the channels' planes go into one 3D file <prefix><nnn>.vl3, or with
--slices one 2D file <prefix><nnn><cccc>.vl2 per channel, beside the log
<prefix><nnn>.VLT. --tht gives the THT of the scan (else the last calibration's,
kept in vlm_ana.tmp of the system directory, else 0); the THT is set back to 0 at
the end. Files of that observation are kept unless --overwrite. A close loop out
before a channel ends the scan (exit 1): the slices written are kept, no 3D file
is written.
  --frames-per-channel F  frames summed at each channel, at least 1
  --slices              one 2D file per channel instead of the 3D file

Serial devices: COMn is /dev/ttyS<n-1> unless $VELMAR_COMn names another device.
With a temperature controller in the instrument definition, it is read on COM2
once a second and each channel's progress line carries its two values.

With the scanning mode "pause", every pause between channels is answered
"Continue scanning". Ctrl-C, SIGTERM or SIGHUP stops safely, as "Abort and Quit"
does: the shutter is closed, the channel in progress is dropped, every complete
channel is kept; a repeated signal hurries that stop and never skips it. During the
start-up a signal stops within a second or two, before the shutter is opened.
An empty flag value is refused. A data directory another copy writes into is refused.

Exit code 0 when the observation completed or a scripted suspension aborted it,
2 for a bad flag or parameter, 1 when the instrument or the disk ended it early
(a serial port that cannot be opened, a hold longer than --hold-limit, a disk
error longer than --disk-error-grace, a CS100 that cannot be driven, a camera
that went away),
128 + the signal's number after a signal (130 for Ctrl-C, 143 for SIGTERM).
)";
  return text.c_str();
}

}  // namespace velmar
