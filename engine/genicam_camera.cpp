#include "engine/genicam_camera.h"

#include <atomic>
#include <mutex>

#include "platform/clock.h"
#include "platform/format.h"

#ifdef VELMAR_HAVE_ARAVIS
#include <arv.h>

#include <cstdlib>
#endif

namespace velmar {

#ifndef VELMAR_HAVE_ARAVIS

namespace {
const char* const kNotBuiltIn =
    "this build has no GenICam support (it was built without Aravis: install libaravis-dev and build again)";
}  // namespace

bool GenicamBuiltIn() { return false; }
std::string ListGenicamCameras(std::vector<GenicamListing>&) { return kNotBuiltIn; }

struct GenicamCamera::Impl {
  std::string id, pixelFormat;
};
GenicamCamera::GenicamCamera() : impl_(std::make_unique<Impl>()) {}
GenicamCamera::~GenicamCamera() = default;
std::string GenicamCamera::Open(const GenicamSettings&) { return kNotBuiltIn; }
const std::string& GenicamCamera::id() const { return impl_->id; }
int GenicamCamera::width() const { return 0; }
int GenicamCamera::height() const { return 0; }
int GenicamCamera::bits() const { return 8; }
double GenicamCamera::frameRate() const { return 0.0; }
const std::string& GenicamCamera::pixelFormat() const { return impl_->pixelFormat; }
std::string GenicamCamera::Start(bool) { return kNotBuiltIn; }
bool GenicamCamera::started() const { return false; }
void GenicamCamera::Trigger() {}
GenicamNext GenicamCamera::Next(int) { return {GenicamOutcome::Gone, {}, 0}; }
std::string GenicamCamera::goneReason() const { return kNotBuiltIn; }

#else

namespace {

// Aravis's in-process fake camera is there only when asked for: by its id, or by
// VELMAR_GENICAM_FAKE=1 for a listing or a first-found camera.
void EnableInterfacesFor(const std::string& id) {
  const char* fake = std::getenv("VELMAR_GENICAM_FAKE");
  if (id.rfind("Fake", 0) == 0 || (fake && std::string(fake) == "1")) arv_enable_interface("Fake");
}

std::string Say(GError*& error) {
  std::string text = error && error->message ? error->message : "unknown fault";
  g_clear_error(&error);
  return text;
}

struct Pool {
  ArvCamera* camera = nullptr;
  ArvStream* stream = nullptr;
  ~Pool() {
    if (stream) g_object_unref(stream);
    if (camera) g_object_unref(camera);
  }
};

}  // namespace

bool GenicamBuiltIn() { return true; }

std::string ListGenicamCameras(std::vector<GenicamListing>& cameras) {
  EnableInterfacesFor("");
  arv_update_device_list();
  const unsigned n = arv_get_n_devices();
  const auto text = [](const char* s) { return std::string(s ? s : ""); };
  for (unsigned i = 0; i < n; ++i)
    cameras.push_back({text(arv_get_device_id(i)), text(arv_get_device_vendor(i)), text(arv_get_device_model(i)),
                       text(arv_get_device_serial_nbr(i)), text(arv_get_device_protocol(i))});
  return {};
}

struct GenicamCamera::Impl {
  GenicamSettings settings;
  std::string id, pixelFormat;
  int width = 0, height = 0, bits = 8;
  double frameRate = 0.0;
  std::shared_ptr<Pool> pool = std::make_shared<Pool>();
  bool started = false, triggered = false;
  guint64 underruns = 0;
  std::int64_t openedMs = 0, lastFrameMs = 0;
  gulong lostHandler = 0;
  std::atomic<bool> controlLost{false};
  mutable std::mutex goneMutex;
  std::string gone;

  void SetGone(const std::string& why) {
    std::lock_guard lock(goneMutex);
    if (gone.empty()) gone = "the camera " + id + " is gone: " + why;
  }
  bool IsGone() const {
    std::lock_guard lock(goneMutex);
    return !gone.empty();
  }
  // The rehearsed fault: from its second on, the camera is taken for unplugged: its
  // stream is no longer read, it is told nothing more, not even to stop.
  void VanishWhenDue() {
    if (settings.vanishFrom < 0 || IsGone()) return;
    if (ProcessClock().MonotonicMs() - openedMs < static_cast<std::int64_t>(settings.vanishFrom * 1000.0)) return;
    SetGone(Format("it no longer answers (vanish_from = %g, a rehearsed fault)", settings.vanishFrom));
  }
  // A camera that sends nothing is asked a value: one that cannot answer is gone.
  void Probe() {
    GError* error = nullptr;
    arv_camera_get_payload(pool->camera, &error);
    if (error) SetGone("it no longer answers (" + Say(error) + ")");
  }
};

namespace {
void OnControlLost(ArvDevice*, gpointer data) {
  auto* impl = static_cast<GenicamCamera::Impl*>(data);
  impl->controlLost.store(true);
}
}  // namespace

GenicamCamera::GenicamCamera() : impl_(std::make_unique<Impl>()) {}

GenicamCamera::~GenicamCamera() {
  Impl& m = *impl_;
  if (m.pool->camera) {
    if (m.lostHandler) g_signal_handler_disconnect(arv_camera_get_device(m.pool->camera), m.lostHandler);
    if (m.started && !m.IsGone()) arv_camera_stop_acquisition(m.pool->camera, nullptr);
  }
  // Frames still lent keep the pool (stream and camera) until they come back.
}

std::string GenicamCamera::Open(const GenicamSettings& s) {
  Impl& m = *impl_;
  m.settings = s;
  EnableInterfacesFor(s.camera);
  GError* error = nullptr;
  m.pool->camera = arv_camera_new(s.camera.empty() ? nullptr : s.camera.c_str(), &error);
  const std::string named = s.camera.empty() ? "no GenICam camera was found" : "no camera " + s.camera;
  if (!m.pool->camera) return named + " (" + Say(error) + "); vlmipcs-observe --list-cameras lists those there are";
  m.id = s.camera;
  if (m.id.empty()) {
    const char* found = arv_camera_get_device_id(m.pool->camera, nullptr);
    m.id = found ? found : "";
  }
  ArvCamera* c = m.pool->camera;
  const auto fault = [&](const char* key) { return Format("camera %s: %s: %s", m.id.c_str(), key, Say(error).c_str()); };
  if (s.binning > 0) {
    arv_camera_set_binning(c, s.binning, s.binning, &error);
    if (error) return fault("binning");
  }
  if (!s.pixelFormat.empty()) {
    arv_camera_set_pixel_format_from_string(c, s.pixelFormat.c_str(), &error);
    if (error) return fault("pixel_format");
  }
  if (s.hasRegion) {
    arv_camera_set_region(c, s.regionX, s.regionY, s.regionWidth, s.regionHeight, &error);
    if (error) return fault("region");
  }
  if (s.exposureUs >= 0) {
    arv_camera_set_exposure_time(c, s.exposureUs, &error);
    if (error) return fault("exposure_us");
  }
  if (s.frameRate > 0) {
    arv_camera_set_frame_rate(c, s.frameRate, &error);
    if (error) return fault("frame_rate");
  }
  if (s.gain >= 0) {
    arv_camera_set_gain(c, s.gain, &error);
    if (error) return fault("gain");
  }
  int x = 0, y = 0;
  arv_camera_get_region(c, &x, &y, &m.width, &m.height, &error);
  if (error) return fault("region");
  const ArvPixelFormat format = arv_camera_get_pixel_format(c, &error);
  if (error) return fault("pixel_format");
  const char* formatName = arv_camera_get_pixel_format_as_string(c, nullptr);
  m.pixelFormat = formatName ? formatName : Format("0x%08x", static_cast<unsigned>(format));
  switch (format) {
    case ARV_PIXEL_FORMAT_MONO_8: m.bits = 8; break;
    case ARV_PIXEL_FORMAT_MONO_10: m.bits = 10; break;
    case ARV_PIXEL_FORMAT_MONO_12: m.bits = 12; break;
    case ARV_PIXEL_FORMAT_MONO_16: m.bits = 16; break;
    default:
      return Format("camera %s: pixel format %s cannot be counted: set pixel_format to Mono8, Mono10, Mono12 or "
                    "Mono16",
                    m.id.c_str(), m.pixelFormat.c_str());
  }
  m.frameRate = arv_camera_get_frame_rate(c, &error);
  if (error || m.frameRate <= 0) {
    g_clear_error(&error);
    if (s.frameRate <= 0)
      return Format("camera %s does not tell its frame rate: give frame_rate in the description", m.id.c_str());
    m.frameRate = s.frameRate;
  }
  m.lostHandler = g_signal_connect(arv_camera_get_device(c), "control-lost", G_CALLBACK(OnControlLost), &m);
  m.openedMs = ProcessClock().MonotonicMs();
  return {};
}

const std::string& GenicamCamera::id() const { return impl_->id; }
int GenicamCamera::width() const { return impl_->width; }
int GenicamCamera::height() const { return impl_->height; }
int GenicamCamera::bits() const { return impl_->bits; }
double GenicamCamera::frameRate() const { return impl_->frameRate; }
const std::string& GenicamCamera::pixelFormat() const { return impl_->pixelFormat; }
bool GenicamCamera::started() const { return impl_->started; }

std::string GenicamCamera::Start(bool triggered) {
  Impl& m = *impl_;
  if (m.started) return {};
  ArvCamera* c = m.pool->camera;
  if (!c) return "the camera is not open";
  GError* error = nullptr;
  const auto fault = [&](const char* what) { return Format("camera %s: %s: %s", m.id.c_str(), what, Say(error).c_str()); };
  arv_camera_set_acquisition_mode(c, ARV_ACQUISITION_MODE_CONTINUOUS, &error);
  if (error) return fault("acquisition mode");
  if (triggered) {
    arv_camera_set_trigger(c, "Software", &error);
    if (error) return fault("software trigger");
    // The fake camera looks for a trigger only 25 times a second: it answers each at once.
    ArvDevice* device = arv_camera_get_device(c);
    if (ARV_IS_FAKE_DEVICE(device))
      arv_fake_camera_set_trigger_frequency(arv_fake_device_get_fake_camera(ARV_FAKE_DEVICE(device)), 10000.0);
  } else {
    arv_camera_clear_triggers(c, nullptr);
  }
  m.pool->stream = arv_camera_create_stream(c, nullptr, nullptr, &error);
  if (!m.pool->stream) return fault("stream");
  const guint payload = arv_camera_get_payload(c, &error);
  if (error) return fault("payload");
  for (int i = 0; i < 4 + m.settings.buffers; ++i) arv_stream_push_buffer(m.pool->stream, arv_buffer_new_allocate(payload));
  arv_camera_start_acquisition(c, &error);
  if (error) return fault("start");
  m.triggered = triggered;
  m.started = true;
  m.lastFrameMs = ProcessClock().MonotonicMs();
  return {};
}

void GenicamCamera::Trigger() {
  Impl& m = *impl_;
  m.VanishWhenDue();
  if (!m.started || m.IsGone()) return;
  // A frame that came after its wait was given up, or one the camera sent unasked (the
  // fake camera now and then does), is not taken for this trigger's.
  while (ArvBuffer* late = arv_stream_try_pop_buffer(m.pool->stream)) arv_stream_push_buffer(m.pool->stream, late);
  GError* error = nullptr;
  arv_camera_software_trigger(m.pool->camera, &error);
  if (error) m.SetGone("it does not take the trigger (" + Say(error) + ")");
}

GenicamNext GenicamCamera::Next(int timeoutMs) {
  Impl& m = *impl_;
  GenicamNext next;
  m.VanishWhenDue();
  if (m.controlLost.load()) m.SetGone("its control was lost");
  if (!m.started || m.IsGone()) {
    next.outcome = GenicamOutcome::Gone;
    return next;
  }
  ArvBuffer* buffer = arv_stream_timeout_pop_buffer(m.pool->stream, static_cast<guint64>(timeoutMs) * 1000);
  guint64 completed = 0, failures = 0, underruns = 0;
  arv_stream_get_statistics(m.pool->stream, &completed, &failures, &underruns);
  next.missed = static_cast<std::int64_t>(underruns - m.underruns);
  m.underruns = underruns;
  const std::int64_t now = ProcessClock().MonotonicMs();
  if (!buffer) {
    // In real time a camera silent for a second is asked whether it is still there.
    if (m.triggered || now - m.lastFrameMs >= 1000) m.Probe();
    if (m.controlLost.load()) m.SetGone("its control was lost");
    next.outcome = m.IsGone() ? GenicamOutcome::Gone : m.triggered ? GenicamOutcome::Lost : GenicamOutcome::NoFrame;
    return next;
  }
  m.lastFrameMs = now;
  if (arv_buffer_get_status(buffer) != ARV_BUFFER_STATUS_SUCCESS ||
      arv_buffer_get_payload_type(buffer) != ARV_BUFFER_PAYLOAD_TYPE_IMAGE) {
    arv_stream_push_buffer(m.pool->stream, buffer);
    next.outcome = GenicamOutcome::Lost;
    return next;
  }
  size_t size = 0;
  const auto* data = static_cast<const std::uint8_t*>(arv_buffer_get_image_data(buffer, &size));
  GenicamFrame& f = next.frame;
  f.width = arv_buffer_get_image_width(buffer);
  f.height = arv_buffer_get_image_height(buffer);
  f.bits = m.bits;
  gint paddingX = 0, paddingY = 0;
  arv_buffer_get_image_padding(buffer, &paddingX, &paddingY);
  f.stride = f.width * (m.bits > 8 ? 2 : 1) + paddingX;
  if (!data || f.width <= 0 || f.height <= 0 ||
      size < static_cast<size_t>(f.stride) * static_cast<size_t>(f.height - 1) + static_cast<size_t>(f.width)) {
    arv_stream_push_buffer(m.pool->stream, buffer);
    next.outcome = GenicamOutcome::Lost;
    return next;
  }
  f.pixels = data;
  // The lease gives the buffer back to its stream; the pool outlives the camera object.
  std::shared_ptr<Pool> pool = m.pool;
  f.lease = std::shared_ptr<void>(buffer, [pool](void* b) { arv_stream_push_buffer(pool->stream, static_cast<ArvBuffer*>(b)); });
  next.outcome = GenicamOutcome::Frame;
  return next;
}

std::string GenicamCamera::goneReason() const {
  std::lock_guard lock(impl_->goneMutex);
  return impl_->gone;
}

#endif

}  // namespace velmar
