#include "platform/metafiles.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "platform/files.h"
#include "platform/metafile_loader.h"
#include "platform/metafile_writer.h"

namespace platform {

namespace {

constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kEmfHeaderSize = 88;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kWmfHeaderSize = 18;
constexpr double kHundredthsMmPerInch = 2540.0;

int to_pixels(double units, double unitsPerInch) {
  if (unitsPerInch <= 0 || units <= 0) return 0;
  const double px = std::round(units * kMetafileScreenDpi / unitsPerInch);
  return px > 1e6 ? 0 : static_cast<int>(px);
}

MetafileResult metafile_error(std::string text) { return {{}, std::move(text)}; }

MetafileResult read_emf(std::string bytes) {
  if (bytes.size() < kEmfHeaderSize || read_u32(bytes, 0) != 1 ||
      read_u32(bytes, 40) != kEmfSignature)
    return metafile_error("not an enhanced metafile");
  const std::uint32_t headerSize = read_u32(bytes, 4), total = read_u32(bytes, 48);
  if (headerSize < kEmfHeaderSize || headerSize > bytes.size() || total > bytes.size())
    return metafile_error("enhanced metafile is cut short");
  // The frame (hundredths of a millimetre) is the size the drawing was made for.
  const auto left = static_cast<std::int32_t>(read_u32(bytes, 24));
  const auto top = static_cast<std::int32_t>(read_u32(bytes, 28));
  const auto right = static_cast<std::int32_t>(read_u32(bytes, 32));
  const auto bottom = static_cast<std::int32_t>(read_u32(bytes, 36));
  Metafile m;
  m.format = PictureFormat::emf;
  m.width = to_pixels(static_cast<double>(right) - left, kHundredthsMmPerInch);
  m.height = to_pixels(static_cast<double>(bottom) - top, kHundredthsMmPerInch);
  m.bytes = std::move(bytes);
  return {std::move(m), {}};
}

MetafileResult read_wmf(std::string bytes) {
  if (bytes.size() < kPlaceableSize + kWmfHeaderSize || read_u32(bytes, 0) != kPlaceableKey)
    return metafile_error("not a Windows metafile with a placeable header");
  const std::uint16_t type = read_u16(bytes, kPlaceableSize);
  if ((type != 1 && type != 2) || read_u16(bytes, kPlaceableSize + 2) != 9)
    return metafile_error("damaged Windows metafile header");
  const auto left = static_cast<std::int16_t>(read_u16(bytes, 6));
  const auto top = static_cast<std::int16_t>(read_u16(bytes, 8));
  const auto right = static_cast<std::int16_t>(read_u16(bytes, 10));
  const auto bottom = static_cast<std::int16_t>(read_u16(bytes, 12));
  const std::uint16_t inch = read_u16(bytes, 14);
  Metafile m;
  m.format = PictureFormat::wmf;
  m.width = to_pixels(static_cast<double>(right) - left, inch);
  m.height = to_pixels(static_cast<double>(bottom) - top, inch);
  m.bytes = std::move(bytes);
  return {std::move(m), {}};
}

// Draws through the metafile module; without it the picture cannot be drawn, as a damaged one.
PictureResult draw_with_module(const Metafile& m, int width, int height) {
  const MetafileModule& module = metafile_module();
  if (!module.ok()) return {{}, module.error};
  const auto draw =
      m.format == PictureFormat::emf ? module.calls->draw_emf : module.calls->draw_wmf;
  Bitmap bm;
  bm.width = width;
  bm.height = height;
  bm.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  char error[512] = "";
  if (!draw(m.bytes.data(), m.bytes.size(), width, height, bm.pixels.data(), error, sizeof error))
    return {{}, error[0] ? error : "metafile cannot be drawn"};
  return {std::move(bm), {}};
}

}  // namespace

MetafileResult read_metafile(std::string bytes) {
  switch (sniff_picture_format(bytes)) {
    case PictureFormat::emf:
      return read_emf(std::move(bytes));
    case PictureFormat::wmf:
      return read_wmf(std::move(bytes));
    default:
      return metafile_error("not a metafile");
  }
}

MetafileResult load_metafile(const std::string& path) {
  ReadResult read = read_file(path);
  if (!read.ok()) return metafile_error(path + ": cannot be read");
  MetafileResult result = read_metafile(std::string(read.bytes.begin(), read.bytes.end()));
  if (!result.ok()) result.error = path + ": " + result.error;
  return result;
}

PictureResult render_metafile(const Metafile& metafile, int width, int height,
                              const PictureLimits& limits) {
  if (width <= 0 || height <= 0) return {{}, "metafile: no size to draw at"};
  if (width > limits.max_side || height > limits.max_side ||
      static_cast<std::int64_t>(width) * height > limits.max_pixels)
    return {{}, "metafile: size to draw at is too large"};
  switch (metafile.format) {
    case PictureFormat::emf:
    case PictureFormat::wmf:
      return draw_with_module(metafile, width, height);
    default:
      return {{}, "not a metafile"};
  }
}

EncodeResult write_metafile(const Metafile& metafile, PictureFormat format) {
  if (format != PictureFormat::emf && format != PictureFormat::wmf)
    return {{}, "no metafile format to write"};
  if (metafile.format == format) return {metafile.bytes, {}};
  PictureResult drawn = render_metafile(metafile, metafile.width, metafile.height);
  if (!drawn.ok()) return {{}, drawn.error};
  return metafile_from_bitmap(drawn.bitmap, format);
}

}  // namespace platform
