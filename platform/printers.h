// The printers a program can choose from, as Windows' printer list offers them. Two virtual
// printers are always there: one writes a PostScript file, one writes a PNG file per page
// into a folder, both at 300 dpi. The machine's CUPS queues follow when it has any; their
// documents go to `lp` as PostScript.
//
// A document is begin_document, drawing on canvas(), new_page between pages, end_document.
// A caller that prints several copies runs one document per copy.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/canvas.h"

namespace platform {

enum class Orientation { portrait, landscape };

enum class PrinterKind {
  postscript_file,  // PostScript into output() (a file)
  png_folder,       // page0001.png, page0002.png, ... into output() (a folder)
  cups,             // PostScript sent to the queue with lp, or into output() when set
};

class Printer {
 public:
  Printer(std::string name, PrinterKind kind, int dpi = 300);
  ~Printer();
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;

  const std::string& name() const { return name_; }
  PrinterKind kind() const { return kind_; }
  // Horizontal and vertical resolution (GetDeviceCaps LOGPIXELSX).
  int dpi() const { return dpi_; }

  // Paper in inches, as portrait (A4 unless set). Takes effect at the next page.
  void set_paper(double width_inches, double height_inches);
  double paper_width() const { return paper_width_; }
  double paper_height() const { return paper_height_; }
  // Takes effect at the next page, so a document can change it between pages.
  void set_orientation(Orientation o) { orientation_ = o; }
  Orientation orientation() const { return orientation_; }
  // The printable page in dots, for the current orientation.
  int page_width() const;
  int page_height() const;
  // Distance of the printable area from the paper's edge (virtual printers: none).
  int offset_left() const { return 0; }
  int offset_top() const { return 0; }

  // Where the output goes: the PostScript file, the PNG folder, or for a CUPS queue a
  // file that receives the PostScript instead of the queue (Windows' "print to file").
  void set_output(const std::string& path) { output_ = path; }
  const std::string& output() const { return output_; }
  // The job's title (the document name in the queue and the PostScript header).
  void set_title(const std::string& title) { title_ = title; }

  // Starts a document on page 1. False with *error when the output cannot be made.
  bool begin_document(std::string* error = nullptr);
  bool printing() const { return canvas_ != nullptr; }
  // The canvas of the current page; only while printing.
  Canvas& canvas();
  void new_page();
  int page_number() const { return page_; }
  // Ends the document and delivers it (writes the last PNG, closes the PostScript file,
  // hands it to lp). False with *error when that fails.
  bool end_document(std::string* error = nullptr);
  // Drops the document: nothing more is written or sent.
  void abort_document();

  // Files written by the last document (PNG pages, or the PostScript file).
  const std::vector<std::string>& written_files() const { return written_; }

 private:
  std::string png_page_name(int page) const;
  bool flush_png_page(std::string* error);

  std::string name_;
  PrinterKind kind_;
  int dpi_;
  double paper_width_ = 8.27;
  double paper_height_ = 11.69;
  Orientation orientation_ = Orientation::portrait;
  std::string output_;
  std::string title_;
  std::unique_ptr<Canvas> canvas_;
  std::string temp_file_;  // the PostScript handed to lp
  int page_ = 0;
  std::vector<std::string> written_;
  std::string page_error_;
};

inline constexpr const char* kPostScriptPrinterName = "PostScript File";
inline constexpr const char* kPngPrinterName = "PNG Pages";

class PrinterList {
 public:
  // No printer at all (tests; printers are then added one by one).
  static PrinterList empty() { return PrinterList(); }
  // The two virtual printers only (tests, machines without CUPS).
  static PrinterList virtual_only();
  // The virtual printers followed by the queues that `lpstat -e` names.
  static PrinterList from_machine();

  PrinterList(PrinterList&&) noexcept = default;
  PrinterList& operator=(PrinterList&&) noexcept = default;

  std::size_t count() const { return printers_.size(); }
  std::vector<std::string> names() const;
  Printer& at(std::size_t i) { return *printers_.at(i); }
  // The index of the printer with exactly this name, or -1.
  int index_of(const std::string& name) const;

  int selected_index() const { return selected_; }
  // Out-of-range indexes are ignored.
  void select(int index);
  Printer& selected() { return *printers_.at(static_cast<std::size_t>(selected_)); }

  // Adds a printer (for tests and for queues found later).
  void add(std::unique_ptr<Printer> printer);

 private:
  PrinterList() = default;
  std::vector<std::unique_ptr<Printer>> printers_;
  int selected_ = 0;
};

// Names of the CUPS queues as `lpstat -e` lists them; empty when there is no CUPS.
std::vector<std::string> list_cups_queues();
// The queue names of such a listing: one a line, trailing blanks and CR dropped, empty lines
// skipped.
std::vector<std::string> parse_cups_queue_listing(std::string_view listing);

// Runs a program (looked up on PATH) with the arguments, never through a shell; returns its
// exit status, or -1 when it could not be started. Its standard output is collected into
// *output when given.
int run_program(const std::vector<std::string>& argv, std::string* output = nullptr);

}  // namespace platform
