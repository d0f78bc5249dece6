#include "platform/printers.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/cairo_canvas.h"
#include "platform/postscript_canvas.h"

extern char** environ;

namespace platform {

namespace {

std::string temp_directory() {
  for (const char* var : {"TMPDIR", "TEMP", "TMP"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return "/tmp";
}

void set_error(std::string* error, const std::string& text) {
  if (error) *error = text;
}

}  // namespace

int run_program(const std::vector<std::string>& argv, std::string* output) {
  if (argv.empty()) return -1;
  int pipe_fd[2] = {-1, -1};
  if (output && pipe(pipe_fd) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (output) {
    posix_spawn_file_actions_adddup2(&actions, pipe_fd[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipe_fd[0]);
    posix_spawn_file_actions_addclose(&actions, pipe_fd[1]);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (output) {
    close(pipe_fd[1]);
    if (rc == 0) {
      char buf[4096];
      ssize_t n;
      while ((n = read(pipe_fd[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) output->append(buf, static_cast<std::size_t>(n));
    }
    close(pipe_fd[0]);
  }
  if (rc != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> list_cups_queues() {
  std::string out;
  if (run_program({"lpstat", "-e"}, &out) != 0) return {};
  return parse_cups_queue_listing(out);
}

std::vector<std::string> parse_cups_queue_listing(std::string_view out) {
  std::vector<std::string> queues;
  std::size_t start = 0;
  while (start < out.size()) {
    std::size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    std::string line(out.substr(start, end - start));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) queues.push_back(line);
    start = end + 1;
  }
  return queues;
}

// ---- Printer ----------------------------------------------------------------------------

Printer::Printer(std::string name, PrinterKind kind, int dpi)
    : name_(std::move(name)), kind_(kind), dpi_(dpi) {}

Printer::~Printer() { abort_document(); }

void Printer::set_paper(double width_inches, double height_inches) {
  if (width_inches > 0 && height_inches > 0 && std::isfinite(width_inches) &&
      std::isfinite(height_inches)) {
    paper_width_ = width_inches;
    paper_height_ = height_inches;
  }
}

int Printer::page_width() const {
  const double w = orientation_ == Orientation::portrait ? paper_width_ : paper_height_;
  return static_cast<int>(std::lround(w * dpi_));
}

int Printer::page_height() const {
  const double h = orientation_ == Orientation::portrait ? paper_height_ : paper_width_;
  return static_cast<int>(std::lround(h * dpi_));
}

Canvas& Printer::canvas() {
  if (!canvas_) throw std::logic_error("printer canvas used outside a document");
  return *canvas_;
}

std::string Printer::png_page_name(int page) const {
  char buf[32];
  std::snprintf(buf, sizeof buf, "page%04d.png", page);
  return (std::filesystem::path(output_) / buf).string();
}

bool Printer::begin_document(std::string* error) {
  abort_document();
  written_.clear();
  page_error_.clear();
  if (dpi_ <= 0) {
    set_error(error, "printer " + name_ + " has no resolution");
    return false;
  }
  page_ = 1;
  switch (kind_) {
    case PrinterKind::png_folder: {
      if (output_.empty()) output_ = temp_directory() + "/corvina-pages";
      std::error_code ec;
      std::filesystem::create_directories(output_, ec);
      if (!std::filesystem::is_directory(output_)) {
        set_error(error, "folder " + output_ + " cannot be created");
        return false;
      }
      canvas_ = std::make_unique<ImageCanvas>(dpi_, page_width(), page_height());
      return true;
    }
    case PrinterKind::postscript_file:
    case PrinterKind::cups: {
      std::string path;
      if (kind_ == PrinterKind::cups && output_.empty()) {
        std::string templ = temp_directory() + "/corvina-print-XXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        const int fd = mkstemp(buf.data());
        if (fd < 0) {
          set_error(error, "temporary file for printer " + name_ + " cannot be created");
          return false;
        }
        close(fd);
        temp_file_ = buf.data();
        path = temp_file_;
      } else {
        if (output_.empty()) output_ = temp_directory() + "/corvina-print.ps";
        path = output_;
      }
      auto ps = std::make_unique<PostScriptCanvas>(path, dpi_, page_width(), page_height(),
                                                   title_.empty() ? name_ : title_);
      if (!ps->ok()) {
        set_error(error, ps->error());
        if (!temp_file_.empty()) std::remove(temp_file_.c_str());
        temp_file_.clear();
        return false;
      }
      canvas_ = std::move(ps);
      return true;
    }
  }
  return false;
}

bool Printer::flush_png_page(std::string* error) {
  auto* image = static_cast<ImageCanvas*>(canvas_.get());
  const std::string path = png_page_name(page_);
  std::string e;
  if (!image->write_png(path, &e)) {
    set_error(error, e);
    return false;
  }
  written_.push_back(path);
  return true;
}

void Printer::new_page() {
  if (!canvas_) return;
  if (kind_ == PrinterKind::png_folder) {
    // A failed page is reported by end_document; printing goes on as a driver would.
    if (!flush_png_page(&page_error_) && page_error_.empty())
      page_error_ = "PNG page cannot be written";
    static_cast<ImageCanvas*>(canvas_.get())->clear(page_width(), page_height());
  } else {
    static_cast<PostScriptCanvas*>(canvas_.get())->new_page(page_width(), page_height());
  }
  ++page_;
}

bool Printer::end_document(std::string* error) {
  if (!canvas_) {
    set_error(error, "no document was begun on printer " + name_);
    return false;
  }
  bool ok = true;
  if (kind_ == PrinterKind::png_folder) {
    ok = flush_png_page(error);
    if (ok && !page_error_.empty()) {
      set_error(error, page_error_);
      ok = false;
    }
    canvas_.reset();
    return ok;
  }
  auto* ps = static_cast<PostScriptCanvas*>(canvas_.get());
  if (!ps->finish()) {
    set_error(error, ps->error());
    ok = false;
  }
  canvas_.reset();
  if (kind_ == PrinterKind::cups && !temp_file_.empty()) {
    if (ok) {
      const int rc =
          run_program({"lp", "-d", name_, "-t", title_.empty() ? std::string("Corvina") : title_,
                       "--", temp_file_});
      if (rc != 0) {
        set_error(error, rc < 0 ? "lp cannot be started" : "lp refused the document for " + name_);
        ok = false;
      }
    }
    std::remove(temp_file_.c_str());
    temp_file_.clear();
  } else if (ok) {
    written_.push_back(output_);
  }
  return ok;
}

void Printer::abort_document() {
  canvas_.reset();
  if (!temp_file_.empty()) {
    std::remove(temp_file_.c_str());
    temp_file_.clear();
  }
}

// ---- PrinterList ------------------------------------------------------------------------

PrinterList PrinterList::virtual_only() {
  PrinterList list;
  list.printers_.push_back(
      std::make_unique<Printer>(kPostScriptPrinterName, PrinterKind::postscript_file, 300));
  list.printers_.push_back(
      std::make_unique<Printer>(kPngPrinterName, PrinterKind::png_folder, 300));
  return list;
}

PrinterList PrinterList::from_machine() {
  PrinterList list = virtual_only();
  for (const auto& q : list_cups_queues())
    if (list.index_of(q) < 0)
      list.printers_.push_back(std::make_unique<Printer>(q, PrinterKind::cups, 300));
  return list;
}

std::vector<std::string> PrinterList::names() const {
  std::vector<std::string> r;
  for (const auto& p : printers_) r.push_back(p->name());
  return r;
}

int PrinterList::index_of(const std::string& name) const {
  for (std::size_t i = 0; i < printers_.size(); ++i)
    if (printers_[i]->name() == name) return static_cast<int>(i);
  return -1;
}

void PrinterList::select(int index) {
  if (index >= 0 && static_cast<std::size_t>(index) < printers_.size()) selected_ = index;
}

void PrinterList::add(std::unique_ptr<Printer> printer) {
  if (printer) printers_.push_back(std::move(printer));
}

}  // namespace platform
