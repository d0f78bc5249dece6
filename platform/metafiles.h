// Metafile pictures (EMF, WMF): drawings whose size is chosen when they are drawn. They are
// read, drawn into a bitmap of the size a document asks for, and written back as metafiles.
#pragma once

#include <string>

#include "platform/metafile_writer.h"
#include "platform/picture_encoders.h"
#include "platform/pictures.h"

namespace platform {

struct Metafile {
  PictureFormat format = PictureFormat::unknown;  // emf or wmf
  std::string bytes;
  int width = 0;  // the drawing's own size in pixels at kMetafileScreenDpi; 0 when it names none
  int height = 0;

  bool empty() const { return bytes.empty(); }
};

struct MetafileResult {
  Metafile metafile;
  std::string error;  // empty on success
  bool ok() const { return error.empty(); }
};

// Takes the bytes as a metafile when its header says it is one (an enhanced metafile, or a
// Windows metafile with the placeable header that gives its size). The header is checked
// against the bytes; a size of 0 is kept: drawing such a picture is refused.
MetafileResult read_metafile(std::string bytes);
MetafileResult load_metafile(const std::string& path);

// Draws the metafile on white into a bitmap of width x height pixels.
PictureResult render_metafile(const Metafile& metafile, int width, int height,
                              const PictureLimits& limits = {});

// The metafile's bytes in format (emf or wmf): its own bytes in its own format, else a
// metafile of the other kind that holds it drawn at its own size.
EncodeResult write_metafile(const Metafile& metafile, PictureFormat format);

}  // namespace platform
