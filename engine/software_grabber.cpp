#include "engine/software_grabber.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <thread>
#include <optional>
#include <variant>

#include "engine/bitmap_font.h"
#include "engine/blob_analysis.h"
#include "engine/genicam_camera.h"
#include "engine/grabber_files.h"
#include "engine/image_file.h"
#include "engine/simulated_camera.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "platform/format.h"

namespace velmar {

namespace {

struct ApplicationObject {};
struct SystemObject {};

struct DisplayObject {
  DisplayDescription description;
  GrabberId shown = 0;
};

struct BufferObject {
  int sizeX = 0, sizeY = 0, bands = 1, bits = 8;
  unsigned usage = 0;
  std::vector<std::uint8_t> grey;  // 8-bit buffers
  // A camera's frame of this buffer's very layout is lent rather than copied: its
  // pixels are read where the stream put them until the buffer is written otherwise.
  const std::uint8_t* lent = nullptr;
  std::shared_ptr<void> lease;
  BitImage binary;                 // 1-bit buffers
  // A 1-bit buffer remembers the blobs found while it was binarised, until it is
  // written otherwise: the blob calculation then only hands them out.
  BlobScratch scratch;
  BlobList blobs;
  bool blobsCurrent = false;
  // The simulated camera's last frame in an 8-bit buffer; any other write forgets it.
  PaintedFrame painted;
  // Held while a grab writes the pixels and while they are copied out, so a
  // continuous grab and the control monitor never meet half-way.
  std::unique_ptr<std::mutex> pixelsMutex = std::make_unique<std::mutex>();
  bool isBinary() const { return bits == 1; }
  const std::uint8_t* pixels() const { return lent ? lent : grey.data(); }
  // Before the buffer is written: a lent frame becomes its own pixels (copied when kept).
  std::uint8_t* Writable(bool keep) {
    if (lent) {
      if (keep) std::memcpy(grey.data(), lent, grey.size());
      lent = nullptr;
      lease.reset();
    }
    return grey.data();
  }
};

struct DigitizerObject {
  explicit DigitizerObject(const DigitizerDescription& d) : description(d), camera(d) {}
  DigitizerDescription description;
  SimulatedCamera camera;
  double grabMode = 0.0;
  int black = 0, white = 255;
  std::int64_t lastFrame = -1;  // index of the last frame delivered
  std::int64_t openedMs = ProcessClock().MonotonicMs();  // the stall knobs count from here
  std::thread continuous;
  std::mutex continuousMutex;
  std::condition_variable continuousWake;
  bool continuousStop = false;
  // source = genicam: the camera, driven by software trigger on the virtual clock
  // (one frame per grab, paced by that clock), streaming at its own rate in real time.
  std::unique_ptr<GenicamCamera> genicam;
  bool triggered = false;
  std::mutex readyMutex;  // the frame a pacing thread waited for, until a grab takes it
  std::optional<GenicamNext> ready;
  bool goneSaid = false;
  // Deeper pixels to 8 bits through the black and white references.
  std::vector<std::uint8_t> deepLevels;
  int deepBits = 0, deepBlack = -1, deepWhite = -1;
};

struct FeatureListObject {
  bool area = false, centerX = false, centerY = false;
};

struct BlobResultObject {
  BlobScratch scratch;
  BlobList blobs;
  FeatureListObject features;  // the features computed by the last calculation
  double identification = 0.0;
};

}  // namespace

struct SoftwareGrabber::Object {
  std::variant<ApplicationObject, SystemObject, DisplayObject, std::unique_ptr<DigitizerObject>,
               BufferObject, FeatureListObject, BlobResultObject>
      body;
};

namespace {
template <class T>
T* BodyAs(SoftwareGrabber::Object& object) {
  if constexpr (std::is_same_v<T, DigitizerObject>) {
    auto* holder = std::get_if<std::unique_ptr<DigitizerObject>>(&object.body);
    return holder ? holder->get() : nullptr;
  } else {
    return std::get_if<T>(&object.body);
  }
}

std::string ReadDescription(const std::string& path, std::string& text, std::int32_t& code) {
  std::string error = ReadTextFile(path, text);
  code = error.empty() ? kGrabberOk : kGrabberFileMissing;
  return error;
}

// Keeps a reference level on the digitizer's step, in 0..255.
int AdjustReference(int level, int step) { return std::clamp(level, 0, 255) / step * step; }

void StopContinuous(DigitizerObject& digitizer) {
  if (!digitizer.continuous.joinable()) return;
  {
    std::lock_guard lock(digitizer.continuousMutex);
    digitizer.continuousStop = true;
  }
  digitizer.continuousWake.notify_all();
  digitizer.continuous.join();
}
}  // namespace

SoftwareGrabber::SoftwareGrabber() = default;

SoftwareGrabber::~SoftwareGrabber() {
  for (auto& object : objects_)
    if (object)
      if (auto* digitizer = BodyAs<DigitizerObject>(*object)) StopContinuous(*digitizer);
}

void SoftwareGrabber::Fail(std::int32_t code, const std::string& text) {
  {
    std::lock_guard lock(errorMutex_);
    lastError_ = code;
    lastErrorText_ = text;
  }
  if (errorPrinting_.load()) ShowError("Frame grabber error", text, "");
}

template <class T>
T* SoftwareGrabber::Find(GrabberId id, const char* operation) {
  {
    std::shared_lock lock(tableMutex_);
    if (id > 0 && static_cast<std::size_t>(id) <= objects_.size() && objects_[id - 1])
      if (T* body = BodyAs<T>(*objects_[id - 1])) return body;
  }
  Fail(kGrabberBadIdentifier, Format("%s: identifier %d is not an object of the right kind", operation, id));
  return nullptr;
}

GrabberId SoftwareGrabber::Add(std::unique_ptr<Object> object) {
  std::unique_lock lock(tableMutex_);
  for (std::size_t i = 0; i < objects_.size(); ++i)
    if (!objects_[i]) {
      objects_[i] = std::move(object);
      return static_cast<GrabberId>(i + 1);
    }
  objects_.push_back(std::move(object));
  return static_cast<GrabberId>(objects_.size());
}

GrabberId SoftwareGrabber::AllocApplication() {
  // A new application context starts clear: an error met by an earlier context (the
  // start banner before the monitor file was laid out) is not this one's.
  {
    std::lock_guard lock(errorMutex_);
    lastError_ = kGrabberOk;
    lastErrorText_.clear();
  }
  auto object = std::make_unique<Object>();
  object->body = ApplicationObject{};
  return Add(std::move(object));
}

GrabberId SoftwareGrabber::AllocSystem(GrabberId application, const std::string& descriptor) {
  if (!Find<ApplicationObject>(application, "system allocation")) return 0;
  if (!descriptor.empty() && descriptor != "default" && descriptor != "software") {
    Fail(kGrabberBadArgument, "system allocation: unknown system \"" + descriptor + "\"");
    return 0;
  }
  auto object = std::make_unique<Object>();
  object->body = SystemObject{};
  return Add(std::move(object));
}

GrabberId SoftwareGrabber::AllocDisplay(GrabberId system, const std::string& displayFile) {
  if (!Find<SystemObject>(system, "display allocation")) return 0;
  std::string text;
  std::int32_t code = kGrabberOk;
  std::string error = ReadDescription(displayFile, text, code);
  DisplayObject display;
  if (error.empty()) {
    error = ParseDisplayDescription(text, displayFile, display.description);
    if (!error.empty()) code = kGrabberFileMalformed;
  }
  if (!error.empty()) {
    Fail(code, "display allocation: " + error);
    return 0;
  }
  auto object = std::make_unique<Object>();
  object->body = std::move(display);
  return Add(std::move(object));
}

namespace {
// Opens the description's camera; its frames then give the digitizer's size and rate.
std::string OpenGenicam(DigitizerObject& digitizer, const std::string& cameraFile) {
  DigitizerDescription& d = digitizer.description;
  digitizer.genicam = std::make_unique<GenicamCamera>();
  GenicamCamera& camera = *digitizer.genicam;
  if (std::string error = camera.Open(d.genicam); !error.empty()) return cameraFile + ": " + error;
  if (d.sizeXLine && d.sizeX != camera.width())
    return Format("%s line %d: size_x = %d, but the camera %s sends lines of %d pixels", cameraFile.c_str(),
                  d.sizeXLine, d.sizeX, camera.id().c_str(), camera.width());
  if (d.sizeYLine && d.sizeY != camera.height())
    return Format("%s line %d: size_y = %d, but the camera %s sends frames of %d lines", cameraFile.c_str(),
                  d.sizeYLine, d.sizeY, camera.id().c_str(), camera.height());
  d.sizeX = camera.width();
  d.sizeY = camera.height();
  d.frameRate = camera.frameRate();
  d.bits = 8;  // what the digitizer gives the counting, whatever the camera's depth
  digitizer.triggered = dynamic_cast<VirtualClock*>(&ProcessClock()) != nullptr;
  return {};
}
}  // namespace

GrabberId SoftwareGrabber::AllocDigitizer(GrabberId system, const std::string& cameraFile) {
  if (!Find<SystemObject>(system, "digitizer allocation")) return 0;
  std::string text;
  std::int32_t code = kGrabberOk;
  std::string error = ReadDescription(cameraFile, text, code);
  DigitizerDescription description;
  if (error.empty()) {
    error = ParseDigitizerDescription(text, cameraFile, description);
    if (!error.empty()) code = kGrabberFileMalformed;
  }
  auto digitizer = std::make_unique<DigitizerObject>(description);
  digitizer->camera.FollowEtalon(etalon_);
  if (error.empty() && description.source == CameraSource::Genicam) {
    error = OpenGenicam(*digitizer, cameraFile);
    if (!error.empty()) code = kGrabberCamera;
  } else if (error.empty()) {
    error = digitizer->camera.Open();
    if (!error.empty()) code = kGrabberFileMissing;
  }
  if (!error.empty()) {
    Fail(code, "digitizer allocation: " + error);
    return 0;
  }
  digitizer->white = AdjustReference(255, description.referenceStep);
  auto object = std::make_unique<Object>();
  object->body = std::move(digitizer);
  return Add(std::move(object));
}

std::int32_t SoftwareGrabber::Inquire(GrabberId id, Inquiry what) {
  std::shared_lock lock(tableMutex_);
  if (id <= 0 || static_cast<std::size_t>(id) > objects_.size() || !objects_[id - 1]) {
    lock.unlock();
    Fail(kGrabberBadIdentifier, Format("inquire: no object %d", id));
    return 0;
  }
  Object& object = *objects_[id - 1];
  if (auto* display = BodyAs<DisplayObject>(object)) {
    switch (what) {
      case Inquiry::SizeX: return display->description.sizeX;
      case Inquiry::SizeY: return display->description.sizeY;
      case Inquiry::PixelBits: return 8;
      case Inquiry::Bands: return 1;
      case Inquiry::DisplayIsDesktopWindow: return display->description.desktopWindow ? 1 : 0;
      default: return 0;
    }
  }
  if (auto* digitizer = BodyAs<DigitizerObject>(object)) {
    const auto& d = digitizer->description;
    switch (what) {
      case Inquiry::SizeX: return d.sizeX;
      case Inquiry::SizeY: return d.sizeY;
      case Inquiry::PixelBits: return d.bits;
      case Inquiry::Bands: return d.bands;
      case Inquiry::FrameRate: return RoundHalfTowardZero(d.frameRate);
      case Inquiry::SizeFromCamera: return digitizer->genicam ? 1 : 0;
      default: return 0;
    }
  }
  if (auto* buffer = BodyAs<BufferObject>(object)) {
    switch (what) {
      case Inquiry::SizeX: return buffer->sizeX;
      case Inquiry::SizeY: return buffer->sizeY;
      case Inquiry::PixelBits: return buffer->bits;
      case Inquiry::Bands: return buffer->bands;
      default: return 0;
    }
  }
  return 0;
}

GrabberId SoftwareGrabber::AllocBuffer(GrabberId system, int bands, int sizeX, int sizeY, int bits,
                                       unsigned usage) {
  if (!Find<SystemObject>(system, "buffer allocation")) return 0;
  if (bands != 1 || sizeX <= 0 || sizeY <= 0 || sizeX > 8192 || sizeY > 8192 ||
      (bits != 8 && bits != 1)) {
    Fail(kGrabberBadArgument, Format("buffer allocation: %d band(s) of %d by %d at %d bits is not possible",
                                     bands, sizeX, sizeY, bits));
    return 0;
  }
  BufferObject buffer;
  buffer.sizeX = sizeX;
  buffer.sizeY = sizeY;
  buffer.bands = bands;
  buffer.bits = bits;
  buffer.usage = usage;
  if (bits == 1) buffer.binary.Resize(sizeX, sizeY);
  else buffer.grey.assign(static_cast<std::size_t>(sizeX) * sizeY, 0);
  auto object = std::make_unique<Object>();
  object->body = std::move(buffer);
  return Add(std::move(object));
}

void SoftwareGrabber::Clear(GrabberId id, int value) {
  auto* buffer = Find<BufferObject>(id, "clear");
  if (!buffer) return;
  buffer->blobsCurrent = false;
  if (buffer->isBinary()) {
    const std::uint64_t fill = value ? ~std::uint64_t{0} : 0;
    std::fill(buffer->binary.words.begin(), buffer->binary.words.end(), fill);
    if (value && buffer->sizeX % 64)
      for (int y = 0; y < buffer->sizeY; ++y)
        buffer->binary.Row(y)[buffer->binary.wordsPerRow - 1] = (std::uint64_t{1} << (buffer->sizeX % 64)) - 1;
  } else {
    buffer->painted.Forget();
    buffer->Writable(false);
    std::fill(buffer->grey.begin(), buffer->grey.end(), static_cast<std::uint8_t>(std::clamp(value, 0, 255)));
  }
}

void SoftwareGrabber::ShowOnDisplay(GrabberId displayId, GrabberId bufferId) {
  auto* display = Find<DisplayObject>(displayId, "display select");
  if (!display) return;
  if (bufferId != 0 && !Find<BufferObject>(bufferId, "display select")) return;
  display->shown = bufferId;
  std::lock_guard lock(monitorMutex_);
  monitorDisplay_ = displayId;
}

namespace {
void CopyPicture(BufferObject& buffer, GreyImage& picture) {
  std::lock_guard pixels(*buffer.pixelsMutex);
  picture.width = buffer.sizeX;
  picture.height = buffer.sizeY;
  if (!buffer.isBinary()) {
    picture.pixels.assign(buffer.pixels(), buffer.pixels() + buffer.grey.size());
    return;
  }
  picture.pixels.resize(static_cast<std::size_t>(buffer.sizeX) * buffer.sizeY);
  for (int y = 0; y < buffer.sizeY; ++y)
    for (int x = 0; x < buffer.sizeX; ++x)
      picture.pixels[static_cast<std::size_t>(y) * buffer.sizeX + x] = buffer.binary.Get(x, y) ? 255 : 0;
}
}  // namespace

bool SoftwareGrabber::ControlMonitorPicture(GreyImage& picture) {
  std::shared_lock table(tableMutex_);
  std::lock_guard lock(monitorMutex_);
  const auto live = [&](GrabberId id) -> Object* {
    return (id > 0 && static_cast<std::size_t>(id) <= objects_.size()) ? objects_[id - 1].get() : nullptr;
  };
  if (Object* displayObject = live(monitorDisplay_))
    if (auto* display = BodyAs<DisplayObject>(*displayObject))
      if (Object* bufferObject = live(display->shown))
        if (auto* buffer = BodyAs<BufferObject>(*bufferObject)) {
          CopyPicture(*buffer, picture);
          return true;
        }
  if (frozenPicture_.pixels.empty()) return false;
  picture = frozenPicture_;
  return true;
}

GrabberId SoftwareGrabber::DisplayedBuffer(GrabberId displayId) {
  auto* display = Find<DisplayObject>(displayId, "displayed buffer");
  return display ? display->shown : 0;
}

void SoftwareGrabber::DrawText(GrabberId id, int x, int y, const std::string& text, int scale, int colour) {
  auto* buffer = Find<BufferObject>(id, "text");
  if (!buffer) return;
  if (buffer->isBinary()) {
    Fail(kGrabberBadArgument, "text: text is drawn into 8-bit buffers only");
    return;
  }
  buffer->painted.Forget();
  velmar::DrawText(buffer->Writable(true), buffer->sizeX, buffer->sizeY, buffer->sizeX, x, y, text,
                   static_cast<std::uint8_t>(std::clamp(colour, 0, 255)), 0, std::max(scale, 1));
}

void SoftwareGrabber::PutPixels(GrabberId id, int x, int y, int sizeX, int sizeY,
                                const std::uint8_t* bytes) {
  auto* buffer = Find<BufferObject>(id, "put");
  if (!buffer) return;
  if (x < 0 || y < 0 || sizeX < 0 || sizeY < 0) {
    Fail(kGrabberBadArgument, "put: negative position or size");
    return;
  }
  buffer->blobsCurrent = false;
  buffer->painted.Forget();
  std::uint8_t* grey = buffer->isBinary() ? nullptr : buffer->Writable(true);
  // The part that falls outside the buffer is dropped.
  const int width = std::min(sizeX, buffer->sizeX - x);
  const int height = std::min(sizeY, buffer->sizeY - y);
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* src = bytes + static_cast<std::size_t>(row) * sizeX;
    if (buffer->isBinary()) {
      for (int col = 0; col < width; ++col) buffer->binary.Set(x + col, y + row, src[col] != 0);
    } else {
      std::memcpy(grey + static_cast<std::size_t>(y + row) * buffer->sizeX + x, src,
                  static_cast<std::size_t>(std::max(width, 0)));
    }
  }
}

void SoftwareGrabber::GetPixels(GrabberId id, std::uint8_t* bytes) {
  auto* buffer = Find<BufferObject>(id, "get");
  if (!buffer) return;
  std::lock_guard pixels(*buffer->pixelsMutex);
  if (!buffer->isBinary()) {
    std::memcpy(bytes, buffer->pixels(), buffer->grey.size());
    return;
  }
  for (int y = 0; y < buffer->sizeY; ++y)
    for (int x = 0; x < buffer->sizeX; ++x)
      bytes[static_cast<std::size_t>(y) * buffer->sizeX + x] = buffer->binary.Get(x, y) ? 1 : 0;
}

void SoftwareGrabber::SetDigitizerControl(GrabberId id, int code, double value) {
  auto* digitizer = Find<DigitizerObject>(id, "digitizer control");
  if (!digitizer) return;
  const int step = digitizer->description.referenceStep;
  switch (code) {
    case kControlGrabMode: digitizer->grabMode = value; break;
    case kControlBlackReference:
      digitizer->black = AdjustReference(static_cast<int>(value), step);
      break;
    case kControlWhiteReference:
      digitizer->white = AdjustReference(static_cast<int>(value), step);
      break;
    case 4180: case 4160: case 1019: case 4200: case 4053:
      return;  // timing controls of a real board, set before a frame-rate measurement: nothing to do here
    default:
      Fail(kGrabberBadArgument, Format("digitizer control: unknown control code %d", code));
      return;
  }
  // The digitizer keeps white above black.
  if (digitizer->white <= digitizer->black)
    digitizer->white = std::min(255, digitizer->black + step);
}

double SoftwareGrabber::DigitizerControl(GrabberId id, int code) {
  auto* digitizer = Find<DigitizerObject>(id, "digitizer inquire");
  if (!digitizer) return 0.0;
  switch (code) {
    case kControlGrabMode: return digitizer->grabMode;
    case kControlBlackReference: return digitizer->black;
    case kControlWhiteReference: return digitizer->white;
    default:
      Fail(kGrabberBadArgument, Format("digitizer inquire: unknown control code %d", code));
      return 0.0;
  }
}

// Frames come at fixed times k * period. A grab takes the next frame after the
// last one delivered, or, when it comes late, the frame whose time is nearest (a
// frame that began less than half a period ago is still caught). A fast camera's
// frames of the last few milliseconds wait in the grabber's queue, as a real
// high-rate grabber keeps them: a grab that late takes the oldest frame still kept.
// The queue fills only once grabbing has begun.
namespace {
constexpr double kFramesKeptMs = 10.0;

std::int64_t NextFrameIndex(const DigitizerObject& digitizer, double period, double now) {
  const auto kept = static_cast<std::int64_t>(kFramesKeptMs / period);
  const auto due = kept < 2 || digitizer.lastFrame < 0
                       ? static_cast<std::int64_t>(std::ceil(now / period - 0.5))
                       : static_cast<std::int64_t>(std::floor(now / period)) - kept + 1;
  const std::int64_t frame = std::max(digitizer.lastFrame + 1, due);
  // A stalled camera sends nothing: the next frame is the first after the stall.
  const DigitizerDescription& d = digitizer.description;
  if (d.stallFrom < 0 || d.stallFor <= 0) return frame;
  const double from = static_cast<double>(digitizer.openedMs) + d.stallFrom * 1000.0;
  const double end = from + d.stallFor * 1000.0;
  const double at = static_cast<double>(frame) * period;
  if (at < from || at >= end) return frame;
  return static_cast<std::int64_t>(std::ceil(end / period));
}
}  // namespace

std::int64_t SoftwareGrabber::FrameTimeMs(void* body) {
  auto& digitizer = *static_cast<DigitizerObject*>(body);
  const double period = 1000.0 / digitizer.description.frameRate;
  const auto now = static_cast<double>(ProcessClock().MonotonicMs());
  return static_cast<std::int64_t>(std::ceil(NextFrameIndex(digitizer, period, now) * period));
}

void SoftwareGrabber::WaitNextFrame(void* body, bool deliver) {
  auto& digitizer = *static_cast<DigitizerObject*>(body);
  Clock& clock = ProcessClock();
  const double period = 1000.0 / digitizer.description.frameRate;
  const std::int64_t frame = NextFrameIndex(digitizer, period, static_cast<double>(clock.MonotonicMs()));
  clock.SleepUntilMs(static_cast<std::int64_t>(std::ceil(frame * period)));
  if (deliver) digitizer.lastFrame = frame;
}

void SoftwareGrabber::GrabInto(Object& digitizerObject, Object& bufferObject) {
  auto& digitizer = *BodyAs<DigitizerObject>(digitizerObject);
  auto& buffer = *BodyAs<BufferObject>(bufferObject);
  WaitNextFrame(&digitizer, true);
  std::lock_guard pixels(*buffer.pixelsMutex);
  buffer.blobsCurrent = false;
  digitizer.camera.Render(buffer.Writable(false), buffer.sizeX, buffer.sizeY, buffer.sizeX,
                          digitizer.black, digitizer.white, &buffer.painted);
}

namespace {

// Deeper pixels (10, 12 or 16 bits) to the digitised 8 bits: the black and white
// references are levels of the camera's whole scale counted in 8-bit steps, so
// the discriminator means what it means for an 8-bit camera.
void BuildDeepLevels(DigitizerObject& d, int bits) {
  if (d.deepBits == bits && d.deepBlack == d.black && d.deepWhite == d.white) return;
  const int shift = bits - 8;
  const long black = static_cast<long>(d.black) << shift;
  const long span = std::max<long>(1, static_cast<long>(d.white - d.black) << shift);
  d.deepLevels.resize(std::size_t{1} << bits);
  for (long v = 0; v < (1L << bits); ++v) {
    const long level = v < black ? 0 : ((v - black) * 255 + span / 2) / span;
    d.deepLevels[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(std::min<long>(level, 255));
  }
  d.deepBits = bits;
  d.deepBlack = d.black;
  d.deepWhite = d.white;
}

// A camera frame into a buffer: lent as it is when the layouts agree (8 bits, the
// buffer's size, no padding), else copied into the buffer's top left, deeper
// pixels through the references.
void Deliver(DigitizerObject& d, BufferObject& buffer, GenicamFrame& frame) {
  std::lock_guard pixels(*buffer.pixelsMutex);
  buffer.blobsCurrent = false;
  if (frame.bits == 8 && frame.width == buffer.sizeX && frame.height == buffer.sizeY && frame.stride == frame.width) {
    buffer.lent = frame.pixels;
    buffer.lease = std::move(frame.lease);
    return;
  }
  buffer.painted.Forget();  // the camera's pixels replace whatever the simulation painted
  std::uint8_t* out = buffer.Writable(false);
  const int width = std::min(frame.width, buffer.sizeX), height = std::min(frame.height, buffer.sizeY);
  if (frame.bits == 8) {
    for (int y = 0; y < height; ++y)
      std::memcpy(out + static_cast<std::size_t>(y) * buffer.sizeX,
                  frame.pixels + static_cast<std::size_t>(y) * frame.stride, static_cast<std::size_t>(width));
    return;
  }
  BuildDeepLevels(d, frame.bits);
  const std::uint32_t top = (1u << frame.bits) - 1;
  const std::uint8_t* levels = d.deepLevels.data();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = frame.pixels + static_cast<std::size_t>(y) * frame.stride;
    std::uint8_t* line = out + static_cast<std::size_t>(y) * buffer.sizeX;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = row[2 * x] | static_cast<std::uint32_t>(row[2 * x + 1]) << 8;
      line[x] = levels[std::min(v, top)];
    }
  }
}

// Real time: how long a grab waits for a frame the pacing thread did not wait for.
int FrameWaitMs(const DigitizerObject& d) {
  return std::clamp(static_cast<int>(2000.0 / d.description.frameRate) + 20, 20, 250);
}
constexpr int kTriggeredWaitMs = 2000;  // a triggered frame that takes longer is lost
constexpr int kPacingWaitMs = 250;      // a silent camera holds the pacing thread this long at a time

}  // namespace

GrabResult SoftwareGrabber::GrabFromCamera(Object& digitizerObject, Object* bufferObject) {
  DigitizerObject& d = *BodyAs<DigitizerObject>(digitizerObject);
  GenicamCamera& camera = *d.genicam;
  GrabResult result;
  result.frame = false;
  std::string gone;
  if (d.triggered) WaitNextFrame(&d, true);  // the virtual clock paces the camera's frames
  if (!camera.started()) gone = camera.Start(d.triggered);
  std::optional<GenicamNext> next;
  if (gone.empty()) {
    if (d.triggered) {
      camera.Trigger();
      next = camera.Next(kTriggeredWaitMs);
    } else {
      {
        std::lock_guard lock(d.readyMutex);
        next.swap(d.ready);
      }
      if (!next) next = camera.Next(FrameWaitMs(d));
      // The stall knobs rehearse a camera that sends nothing for a while: its frames
      // are let go as if they had never come.
      if (next->outcome == GenicamOutcome::Frame && d.description.stallFrom >= 0 && d.description.stallFor > 0) {
        const double since = static_cast<double>(ProcessClock().MonotonicMs() - d.openedMs) / 1000.0;
        if (since >= d.description.stallFrom && since < d.description.stallFrom + d.description.stallFor) {
          next->frame = {};
          next->outcome = GenicamOutcome::NoFrame;
        }
      }
    }
    result.framesLost = static_cast<std::int32_t>(next->missed) + (next->outcome == GenicamOutcome::Lost ? 1 : 0);
    if (next->outcome == GenicamOutcome::Gone) gone = camera.goneReason();
  }
  if (!gone.empty()) {
    result.cameraGone = true;
    if (!d.goneSaid) Fail(kGrabberCamera, "grab: " + gone);  // said once; each grab after returns at once
    d.goneSaid = true;
    return result;
  }
  if (next->outcome != GenicamOutcome::Frame) return result;
  if (bufferObject) Deliver(d, *BodyAs<BufferObject>(*bufferObject), next->frame);
  result.frame = true;
  return result;
}

GrabResult SoftwareGrabber::Grab(GrabberId digitizerId, GrabberId bufferId) {
  auto* digitizer = Find<DigitizerObject>(digitizerId, "grab");
  auto* buffer = Find<BufferObject>(bufferId, "grab");
  if (!digitizer || !buffer) return {false, 0, false};
  if (buffer->isBinary() || !(buffer->usage & kGrabbable)) {
    Fail(kGrabberBadArgument, Format("grab: buffer %d is not a grabbable 8-bit buffer", bufferId));
    return {false, 0, false};
  }
  std::shared_lock lock(tableMutex_);
  if (digitizer->genicam) return GrabFromCamera(*objects_[digitizerId - 1], objects_[bufferId - 1].get());
  GrabInto(*objects_[digitizerId - 1], *objects_[bufferId - 1]);
  return {};
}

GrabResult SoftwareGrabber::SkipFrame(GrabberId digitizerId) {
  auto* digitizer = Find<DigitizerObject>(digitizerId, "skip frame");
  if (!digitizer) return {false, 0, false};
  std::shared_lock lock(tableMutex_);
  if (digitizer->genicam) return GrabFromCamera(*objects_[digitizerId - 1], nullptr);  // the frame goes back at once
  WaitNextFrame(digitizer, true);
  return {};
}

std::int64_t SoftwareGrabber::NextFrameTimeMs(GrabberId digitizerId) {
  auto* digitizer = Find<DigitizerObject>(digitizerId, "next frame time");
  return digitizer ? FrameTimeMs(digitizer) : ProcessClock().MonotonicMs();
}

void SoftwareGrabber::WaitGrabReady(GrabberId digitizerId) {
  // Called by a pacing thread, which may find the digitizer freed: then it just returns.
  std::shared_lock lock(tableMutex_);
  if (digitizerId <= 0 || static_cast<std::size_t>(digitizerId) > objects_.size() || !objects_[digitizerId - 1])
    return;
  auto* digitizer = BodyAs<DigitizerObject>(*objects_[digitizerId - 1]);
  if (!digitizer) return;
  if (!digitizer->genicam || digitizer->triggered) {
    WaitNextFrame(digitizer, false);
    return;
  }
  // A streaming camera: the frame is taken here, off the window thread, and kept for
  // the grab (so is a wait that brought none: the grab then does not wait again).
  if (!digitizer->genicam->started()) return;  // the first grab starts the stream
  {
    std::lock_guard ready(digitizer->readyMutex);
    if (digitizer->ready) return;
  }
  GenicamNext next = digitizer->genicam->Next(kPacingWaitMs);
  std::lock_guard ready(digitizer->readyMutex);
  digitizer->ready = std::move(next);
}

void SoftwareGrabber::GrabContinuous(GrabberId digitizerId, GrabberId bufferId) {
  auto* digitizer = Find<DigitizerObject>(digitizerId, "continuous grab");
  auto* buffer = Find<BufferObject>(bufferId, "continuous grab");
  if (!digitizer || !buffer) return;
  if (buffer->isBinary() || !(buffer->usage & kGrabbable)) {
    Fail(kGrabberBadArgument, Format("continuous grab: buffer %d is not grabbable", bufferId));
    return;
  }
  StopContinuous(*digitizer);
  digitizer->continuousStop = false;
  digitizer->continuous = std::thread([this, digitizer, digitizerId, bufferId] {
    for (;;) {
      {
        std::lock_guard lock(digitizer->continuousMutex);
        if (digitizer->continuousStop) return;
      }
      Grab(digitizerId, bufferId);
      // Real time only: give the other threads a turn between frames.
      std::unique_lock lock(digitizer->continuousMutex);
      digitizer->continuousWake.wait_for(lock, std::chrono::milliseconds(1),
                                         [&] { return digitizer->continuousStop; });
    }
  });
}

void SoftwareGrabber::Halt(GrabberId digitizerId) {
  if (auto* digitizer = Find<DigitizerObject>(digitizerId, "halt")) StopContinuous(*digitizer);
}

void SoftwareGrabber::BinarizeGreaterOrEqual(GrabberId sourceId, GrabberId destinationId, int bound) {
  auto* source = Find<BufferObject>(sourceId, "binarize");
  auto* destination = Find<BufferObject>(destinationId, "binarize");
  if (!source || !destination) return;
  if (source->isBinary() || !destination->isBinary()) {
    Fail(kGrabberBadArgument, "binarize: the source must be 8-bit and the destination 1-bit");
    return;
  }
  BitImage& out = destination->binary;
  if (source->sizeX >= out.width && source->sizeY >= out.height) {
    // The destination's size of the source's top-left part (a display-sized grab
    // buffer holds the camera frame there).
    destination->scratch.Detect(source->pixels(), out.width, out.height, source->sizeX, bound, out,
                                destination->blobs);
    destination->blobsCurrent = true;
    return;
  }
  destination->blobsCurrent = false;
  // A smaller source: its part is binarised, the rest of the destination cleared.
  const int width = std::min(source->sizeX, out.width);
  const int height = std::min(source->sizeY, out.height);
  std::fill(out.words.begin(), out.words.end(), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (source->pixels()[static_cast<std::size_t>(y) * source->sizeX + x] >= bound) out.Set(x, y, true);
}

GrabberId SoftwareGrabber::AllocFeatureList(GrabberId system) {
  if (!Find<SystemObject>(system, "feature list allocation")) return 0;
  auto object = std::make_unique<Object>();
  object->body = FeatureListObject{};
  return Add(std::move(object));
}

void SoftwareGrabber::SelectFeature(GrabberId id, BlobFeature feature) {
  auto* list = Find<FeatureListObject>(id, "select feature");
  if (!list) return;
  switch (feature) {
    case BlobFeature::Area: list->area = true; break;
    case BlobFeature::CenterOfGravityX: list->centerX = true; break;
    case BlobFeature::CenterOfGravityY: list->centerY = true; break;
  }
}

GrabberId SoftwareGrabber::AllocBlobResult(GrabberId system) {
  if (!Find<SystemObject>(system, "blob result allocation")) return 0;
  auto object = std::make_unique<Object>();
  object->body = BlobResultObject{};
  return Add(std::move(object));
}

void SoftwareGrabber::SetBlobControl(GrabberId id, int code, double value) {
  auto* result = Find<BlobResultObject>(id, "blob control");
  if (!result) return;
  if (code != kBlobControlIdentification) {
    Fail(kGrabberBadArgument, Format("blob control: unknown control code %d", code));
    return;
  }
  result->identification = value;
}

void SoftwareGrabber::CalculateBlobs(GrabberId binaryId, GrabberId greyId, GrabberId featureListId,
                                     GrabberId resultId) {
  auto* binary = Find<BufferObject>(binaryId, "blob calculation");
  auto* list = Find<FeatureListObject>(featureListId, "blob calculation");
  auto* result = Find<BlobResultObject>(resultId, "blob calculation");
  if (!binary || !list || !result) return;
  if (!binary->isBinary()) {
    Fail(kGrabberBadArgument, "blob calculation: a 1-bit image is expected");
    return;
  }
  if (greyId != 0) {
    // Measurement on the grey image too: centres of gravity weighted by the grey levels.
    auto* grey = Find<BufferObject>(greyId, "blob calculation");
    if (!grey) return;
    if (grey->isBinary() || grey->sizeX < binary->sizeX || grey->sizeY < binary->sizeY) {
      Fail(kGrabberBadArgument, "blob calculation: the grey image must be 8-bit and cover the 1-bit image");
      return;
    }
    std::lock_guard pixels(*grey->pixelsMutex);
    GreyWeightedBlobs(binary->binary, grey->pixels(), grey->sizeX, result->blobs);
    result->features = *list;
    return;
  }
  if (binary->blobsCurrent) {
    result->blobs.area.assign(binary->blobs.area.begin(), binary->blobs.area.end());
    result->blobs.centerX.assign(binary->blobs.centerX.begin(), binary->blobs.centerX.end());
    result->blobs.centerY.assign(binary->blobs.centerY.begin(), binary->blobs.centerY.end());
  } else {
    result->scratch.Analyse(binary->binary, result->blobs);
  }
  result->features = *list;
}

std::int32_t SoftwareGrabber::BlobCount(GrabberId id) {
  auto* result = Find<BlobResultObject>(id, "blob count");
  return result ? static_cast<std::int32_t>(result->blobs.count()) : 0;
}

std::int32_t SoftwareGrabber::BlobResults(GrabberId id, BlobFeature feature, float* destination,
                                          std::int32_t capacity) {
  auto* result = Find<BlobResultObject>(id, "blob results");
  if (!result) return 0;
  const std::vector<float>* values = nullptr;
  bool selected = false;
  switch (feature) {
    case BlobFeature::Area: values = &result->blobs.area; selected = result->features.area; break;
    case BlobFeature::CenterOfGravityX: values = &result->blobs.centerX; selected = result->features.centerX; break;
    case BlobFeature::CenterOfGravityY: values = &result->blobs.centerY; selected = result->features.centerY; break;
  }
  if (!selected) {
    Fail(kGrabberBadArgument, "blob results: the feature was not selected in the list used");
    return 0;
  }
  const auto count = static_cast<std::int32_t>(std::min<std::size_t>(values->size(), std::max(capacity, 0)));
  std::copy_n(values->begin(), count, destination);
  return count;
}

bool SoftwareGrabber::Save(GrabberId id, const std::string& path) {
  auto* buffer = Find<BufferObject>(id, "save");
  if (!buffer) return false;
  GreyImage image{buffer->sizeX, buffer->sizeY, {}};
  image.pixels.resize(static_cast<std::size_t>(buffer->sizeX) * buffer->sizeY);
  GetPixels(id, image.pixels.data());
  if (buffer->isBinary())
    for (auto& p : image.pixels) p = p ? 255 : 0;
  const std::string error = SaveGreyImage(path, image);
  if (!error.empty()) Fail(kGrabberInputOutput, "save: " + error);
  return error.empty();
}

bool SoftwareGrabber::Load(const std::string& path, GrabberId id) {
  auto* buffer = Find<BufferObject>(id, "load");
  if (!buffer) return false;
  GreyImage image;
  std::string error = LoadGreyImage(path, image);
  if (error.empty() && (image.width != buffer->sizeX || image.height != buffer->sizeY))
    error = Format("%s is %d by %d, the buffer %d by %d", path.c_str(), image.width, image.height,
                   buffer->sizeX, buffer->sizeY);
  if (!error.empty()) {
    Fail(kGrabberInputOutput, "load: " + error);
    return false;
  }
  PutPixels(id, 0, 0, image.width, image.height, image.pixels.data());
  return true;
}

std::int32_t SoftwareGrabber::LastError() {
  std::lock_guard lock(errorMutex_);
  return lastError_;
}

std::string SoftwareGrabber::LastErrorText() {
  std::lock_guard lock(errorMutex_);
  return lastErrorText_;
}

void SoftwareGrabber::SetErrorPrinting(bool on) { errorPrinting_.store(on); }

void SoftwareGrabber::Free(GrabberId id) {
  // A continuous grab stops before its digitizer leaves the table.
  DigitizerObject* grabbing = nullptr;
  {
    std::shared_lock lock(tableMutex_);
    if (id > 0 && static_cast<std::size_t>(id) <= objects_.size() && objects_[id - 1])
      grabbing = BodyAs<DigitizerObject>(*objects_[id - 1]);
  }
  if (grabbing) StopContinuous(*grabbing);
  std::unique_ptr<Object> freed;
  {
    std::unique_lock lock(tableMutex_);
    if (id > 0 && static_cast<std::size_t>(id) <= objects_.size()) freed = std::move(objects_[id - 1]);
    if (freed)
      for (auto& object : objects_)  // a display no longer shows a freed buffer
        if (object)
          if (auto* display = BodyAs<DisplayObject>(*object); display && display->shown == id) {
            std::lock_guard monitor(monitorMutex_);
            if (auto* buffer = BodyAs<BufferObject>(*freed)) CopyPicture(*buffer, frozenPicture_);
            display->shown = 0;
          }
  }
  if (!freed) {
    Fail(kGrabberBadIdentifier, Format("free: no object %d", id));
  }
}

int SoftwareGrabber::LiveObjects() const {
  std::shared_lock lock(tableMutex_);
  return static_cast<int>(std::count_if(objects_.begin(), objects_.end(), [](const auto& o) { return o != nullptr; }));
}

int SoftwareGrabber::LastPhotonCount(GrabberId id) {
  auto* digitizer = Find<DigitizerObject>(id, "photon count");
  return digitizer ? digitizer->camera.lastPhotonCount() : 0;
}

}  // namespace velmar
