#pragma once
// Where printer mode draws: the printer's canvas, one page after the other. The engine
// starts a page only for the pages it draws; the caller ends the document (one per copy).

#include <memory>
#include <string>

#include "platform/canvas.h"
#include "platform/printers.h"
#include "platform/recording_canvas.h"

namespace tavrel {

class PrintSurface {
 public:
  virtual ~PrintSurface() = default;
  // The first call starts the document, every later call a new page. False with the reason
  // when the document cannot be started.
  virtual bool BeginPage(std::string* error) = 0;
  // Only after BeginPage.
  virtual platform::Canvas& Canvas() = 0;
  virtual bool Landscape() const = 0;
  // Takes effect at the next page.
  virtual void SetLandscape(bool landscape) = 0;
  // Distance of the printable area from the paper's top, in device units.
  virtual int OffsetTop() const = 0;
  virtual int Dpi() const = 0;
};

// A printer of the platform's printer list (PostScript file, PNG folder, CUPS queue).
class PrinterPrintSurface final : public PrintSurface {
 public:
  explicit PrinterPrintSurface(platform::Printer& printer) : printer_(printer) {}
  bool BeginPage(std::string* error) override;
  platform::Canvas& Canvas() override { return printer_.canvas(); }
  bool Landscape() const override {
    return printer_.orientation() == platform::Orientation::landscape;
  }
  void SetLandscape(bool landscape) override;
  int OffsetTop() const override { return printer_.offset_top(); }
  int Dpi() const override { return printer_.dpi(); }
  // Pages started by this surface.
  int Pages() const { return pages_; }

 private:
  platform::Printer& printer_;
  int pages_ = 0;
};

// Records every page's drawing as text lines, for tests and golden logs; each page starts
// with a line "page WIDTH HEIGHT" (a landscape page is wider than high).
class RecordingPrintSurface final : public PrintSurface {
 public:
  // An A4 page at dpi.
  explicit RecordingPrintSurface(int dpi = 300);
  bool BeginPage(std::string* error) override;
  platform::Canvas& Canvas() override { return *canvas_; }
  bool Landscape() const override { return landscape_; }
  void SetLandscape(bool landscape) override { landscape_ = landscape; }
  int OffsetTop() const override { return 0; }
  int Dpi() const override { return dpi_; }
  int Pages() const { return pages_; }
  platform::RecordingCanvas& Recording() { return *canvas_; }
  std::string Text() const { return canvas_->text(); }

 private:
  int dpi_;
  bool landscape_ = false;
  int pages_ = 0;
  std::unique_ptr<platform::RecordingCanvas> canvas_;
};

}  // namespace tavrel
