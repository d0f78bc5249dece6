#include "formatter/pages/print_surface.h"

#include <cmath>

namespace tavrel {

bool PrinterPrintSurface::BeginPage(std::string* error) {
  if (!printer_.printing()) {
    if (!printer_.begin_document(error)) return false;
  } else {
    printer_.new_page();
  }
  ++pages_;
  return true;
}

void PrinterPrintSurface::SetLandscape(bool landscape) {
  printer_.set_orientation(landscape ? platform::Orientation::landscape
                                     : platform::Orientation::portrait);
}

namespace {
constexpr double kA4Width = 8.27;
constexpr double kA4Height = 11.69;
}  // namespace

RecordingPrintSurface::RecordingPrintSurface(int dpi)
    : dpi_(dpi),
      canvas_(std::make_unique<platform::RecordingCanvas>(
          dpi, static_cast<int>(std::lround(kA4Width * dpi)),
          static_cast<int>(std::lround(kA4Height * dpi)))) {}

bool RecordingPrintSurface::BeginPage(std::string*) {
  ++pages_;
  int w = static_cast<int>(std::lround(kA4Width * dpi_));
  int h = static_cast<int>(std::lround(kA4Height * dpi_));
  if (landscape_) std::swap(w, h);
  canvas_->new_page(w, h);
  return true;
}

}  // namespace tavrel
