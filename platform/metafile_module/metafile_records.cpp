#include "platform/metafile_module/metafile_records.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include <uemf.h>
#include <uwmf.h>

namespace platform::metafile_module {

namespace {

constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kWmfHeaderSize = 18;
constexpr double kHundredthsMmPerInch = 2540.0;

std::uint32_t get32(const char* b) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[i]);
  return v;
}
void set32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void set16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}

// Appends a record that libuemf made and frees it; size is the record's length in bytes.
void append_record(std::string& out, char* record, std::size_t size) {
  out.append(record, size);
  std::free(record);
}
std::size_t emf_record_size(const char* record) { return get32(record + 4); }
std::size_t wmf_record_size(const char* record) {
  return static_cast<std::size_t>(get32(record)) * 2;
}

}  // namespace

std::string emf_from_dib(const char* info, const char* bits, std::size_t bitsSize, int width,
                         int height, int dpi) {
  const U_RECTL bounds{0, 0, width - 1, height - 1};
  const U_RECTL frame{0, 0,
                      static_cast<std::int32_t>(std::lround(width * kHundredthsMmPerInch / dpi)),
                      static_cast<std::int32_t>(std::lround(height * kHundredthsMmPerInch / dpi))};
  // A reference screen of 96 dpi: 1920 x 1440 pixels are 508 x 381 mm.
  std::string out;
  char* header = U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, sizel_set(1920, 1440),
                                 sizel_set(508, 381), 0);
  char* picture =
      U_EMRSTRETCHDIBITS_set(bounds, point32_set(0, 0), point32_set(width, height),
                             point32_set(0, 0), point32_set(width, height), U_DIB_RGB_COLORS,
                             U_SRCCOPY, reinterpret_cast<PU_BITMAPINFO>(const_cast<char*>(info)),
                             static_cast<std::uint32_t>(bitsSize), const_cast<char*>(bits));
  EMFTRACK track{};
  char* end = U_EMREOF_set(0, nullptr, &track);
  if (!header || !picture || !end) {
    std::free(header);
    std::free(picture);
    std::free(end);
    return {};
  }
  append_record(out, header, emf_record_size(header));
  append_record(out, picture, emf_record_size(picture));
  append_record(out, end, emf_record_size(end));
  // The counts a reader checks: bytes, records and object handles (only the default one).
  set32(out, 48, static_cast<std::uint32_t>(out.size()));
  set32(out, 52, 3);
  set16(out, 56, 1);
  return out;
}

std::string wmf_from_dib(const char* info, const char* bits, std::size_t bitsSize, int width,
                         int height, int dpi) {
  U_PAIRF inches{static_cast<float>(width) / dpi, static_cast<float>(height) / dpi};
  const auto w = static_cast<std::int16_t>(width), h = static_cast<std::int16_t>(height);
  char* records[] = {U_WMRSETWINDOWORG_set(point16_set(0, 0)),
                     U_WMRSETWINDOWEXT_set(point16_set(w, h)),
                     U_WMRSTRETCHDIB_set(point16_set(0, 0), point16_set(w, h), point16_set(0, 0),
                                         point16_set(w, h), U_DIB_RGB_COLORS, U_SRCCOPY,
                                         reinterpret_cast<const U_BITMAPINFO*>(info),
                                         static_cast<std::uint32_t>(bitsSize), bits),
                     U_WMREOF_set()};
  char* header = U_WMRHEADER_set(&inches, static_cast<unsigned>(dpi));
  bool complete = header != nullptr;
  for (char* r : records) complete = complete && r != nullptr;
  if (!complete) {
    std::free(header);
    for (char* r : records) std::free(r);
    return {};
  }
  std::string out(header, kPlaceableSize + kWmfHeaderSize);
  std::free(header);
  std::size_t largest = 0;
  for (char* r : records) {
    const std::size_t size = wmf_record_size(r);
    largest = std::max(largest, size);
    append_record(out, r, size);
  }
  // The header counts the file (without the placeable part) and its largest record in words.
  set32(out, kPlaceableSize + 6, static_cast<std::uint32_t>((out.size() - kPlaceableSize) / 2));
  set16(out, kPlaceableSize + 10, 0);
  set32(out, kPlaceableSize + 12, static_cast<std::uint32_t>(largest / 2));
  return out;
}

}  // namespace platform::metafile_module
