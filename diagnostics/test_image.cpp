#include "diagnostics/test_image.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>

namespace velmar {

namespace {

// libtiff reports through process-wide handlers; its messages are folded into the
// one text the caller shows, so nothing is printed behind the operator's back.
thread_local std::string* tiffMessage = nullptr;

void CollectTiffMessage(const char* module, const char* format, va_list args) {
  if (!tiffMessage) return;
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  if (!tiffMessage->empty()) return;  // the first says why
  *tiffMessage = module ? std::string(module) + ": " + text : std::string(text);
}

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

class TiffMessages {
 public:
  explicit TiffMessages(std::string& into) {
    tiffMessage = &into;
    previousError_ = TIFFSetErrorHandler(CollectTiffMessage);
    previousWarning_ = TIFFSetWarningHandler(nullptr);
  }
  ~TiffMessages() {
    TIFFSetErrorHandler(previousError_);
    TIFFSetWarningHandler(previousWarning_);
    tiffMessage = nullptr;
  }

 private:
  TIFFErrorHandler previousError_;
  TIFFErrorHandler previousWarning_;
};

std::string Because(const std::string& what, const std::string& path, const std::string& detail) {
  return what + " " + path + (detail.empty() ? "" : " (" + detail + ")");
}

}  // namespace

std::string SaveTestImage(const std::string& path, const GreyImage& image) {
  std::string detail;
  TiffMessages messages(detail);
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
    return Because("cannot write an empty image to", path, "");
  std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpen(path.c_str(), "w"));
  if (!tiff) return Because("cannot create", path, detail);
  TIFF* t = tiff.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height));
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
  std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width));
  for (int y = 0; y < image.height; ++y) {
    std::copy_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width, image.width, row.begin());
    if (TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) < 0)
      return Because("cannot write", path, detail);
  }
  if (!TIFFFlush(t)) return Because("cannot write", path, detail);
  tiff.reset();
  if (!detail.empty()) return Because("cannot write", path, detail);
  return {};
}

std::string LoadTestImage(const std::string& path, GreyImage& image) {
  std::string detail;
  TiffMessages messages(detail);
  std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpen(path.c_str(), "r"));
  if (!tiff) return Because("cannot read", path, detail);
  TIFF* t = tiff.get();
  std::uint32_t width = 0, height = 0;
  std::uint16_t bits = 0, samples = 1, planar = PLANARCONFIG_CONTIG;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  if (bits != 8 || samples != 1 || width == 0 || height == 0 || width > 4096 || height > 4096)
    return Because("not an 8-bit grey frame:", path, "");
  GreyImage read;
  read.width = static_cast<int>(width);
  read.height = static_cast<int>(height);
  read.pixels.resize(static_cast<std::size_t>(width) * height);
  if (TIFFScanlineSize(t) != static_cast<tmsize_t>(width)) return Because("not an 8-bit grey frame:", path, "");
  for (std::uint32_t y = 0; y < height; ++y)
    if (TIFFReadScanline(t, read.pixels.data() + static_cast<std::size_t>(y) * width, y, 0) < 0)
      return Because("cannot read", path, detail.empty() ? "truncated" : detail);
  image = std::move(read);
  return {};
}

}  // namespace velmar
