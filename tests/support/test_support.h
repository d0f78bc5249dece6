// Support the test binaries share: a fresh temporary directory, whole-file reads and writes,
// and counting dark pixels of a PNG page.
#pragma once

#include <cairo.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace corvina_test {

// A fresh directory below the system's temporary folder, removed with everything in it when
// the object goes; with `enter` it is also the current directory while the object lives. Its
// name is lower case: several names pass through lower-case tables on their way.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "corvina-test", bool enter = false) {
    std::random_device random;
    std::error_code ec;
    do {
      path_ = std::filesystem::temp_directory_path() /
              (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_, ec) && !ec);
    if (ec) throw std::runtime_error("cannot create a temporary directory: " + ec.message());
    if (enter) {
      previous_ = std::filesystem::current_path();
      std::filesystem::current_path(path_);
    }
  }
  ~TempDir() {
    std::error_code ec;
    if (!previous_.empty()) std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

// What a shell command writes to its standard output: another program's reading of a file.
inline std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Writes a fixture file, creating the folders on its way.
inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

// Pixels darker than the limit (sum of red, green and blue) inside a box of a PNG page;
// -1 when the file is no PNG.
inline int DarkPixels(const std::string& png, int x0, int y0, int x1, int y1, int limit = 3 * 128) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(png.c_str());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return -1;
  }
  cairo_surface_flush(s);
  const int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  int dark = 0;
  for (int y = y0; y < y1 && y < cairo_image_surface_get_height(s); ++y)
    for (int x = x0; x < x1 && x < cairo_image_surface_get_width(s); ++x) {
      const auto* p = reinterpret_cast<const std::uint32_t*>(data + y * stride) + x;
      const int sum = static_cast<int>(((*p >> 16) & 0xFF) + ((*p >> 8) & 0xFF) + (*p & 0xFF));
      if (sum < limit) ++dark;
    }
  cairo_surface_destroy(s);
  return dark;
}

}  // namespace corvina_test
