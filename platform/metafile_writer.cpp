#include "platform/metafile_writer.h"

#include <optional>
#include <string>
#include <utility>

#include "platform/metafile_loader.h"

namespace platform {

namespace {

// The bitmap as a device-independent bitmap: the header and rows of a BMP file without its
// file header.
struct Dib {
  std::string info;
  std::string bits;
};
std::optional<Dib> make_dib(const Bitmap& bitmap, std::string& error) {
  EncodeResult bmp = encode_bmp(bitmap);
  if (!bmp.ok()) {
    error = bmp.error;
    return std::nullopt;
  }
  return Dib{bmp.bytes.substr(14, 40), bmp.bytes.substr(54)};
}

// Writes through the metafile module; without it nothing can be written.
EncodeResult from_bitmap(const Bitmap& b, PictureFormat format) {
  const bool emf = format == PictureFormat::emf;
  if (!emf && (b.width > 0x7FFF || b.height > 0x7FFF))
    return {{}, "picture too large for a Windows metafile"};
  std::string error;
  std::optional<Dib> dib = make_dib(b, error);
  if (!dib) return {{}, error};
  const MetafileModule& module = metafile_module();
  if (!module.ok()) return {{}, module.error};
  char* bytes = nullptr;
  std::size_t size = 0;
  if (!module.calls->metafile_from_dib(emf ? 1 : 0, dib->info.data(), dib->bits.data(),
                                       dib->bits.size(), b.width, b.height, kMetafileScreenDpi,
                                       &bytes, &size))
    return {{}, emf ? "enhanced metafile: out of memory" : "Windows metafile: out of memory"};
  std::string out(bytes, size);
  module.calls->free_bytes(bytes);
  return {std::move(out), {}};
}

}  // namespace

EncodeResult metafile_from_bitmap(const Bitmap& bitmap, PictureFormat format) {
  if (format == PictureFormat::emf || format == PictureFormat::wmf)
    return from_bitmap(bitmap, format);
  return {{}, "no metafile format to write"};
}

}  // namespace platform
