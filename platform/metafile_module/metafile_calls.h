// The calls into the metafile libraries (librsvg, libemf2svg, libwmf, libuemf), built as a module
// of their own that the platform loads on the first metafile drawn or written: those libraries
// and what they pull in (glib, gio, pango, libxml2) are several megabytes that every program
// would otherwise map and relocate at its start. Plain C types only, so the two sides share no
// C++ library state.
#pragma once

#include <stddef.h>
#include <stdint.h>

extern "C" {

// Raised when a call's meaning changes: a module of another version is refused.
#define CORVINA_METAFILE_CALLS_VERSION 1
// The symbol the module exports; it returns the module's table of calls.
#define CORVINA_METAFILE_CALLS_ENTRY "corvina_metafile_calls"

struct CorvinaMetafileCalls {
  int version;
  // Draw the metafile's bytes on white into pixels: width x height ARGB words (alpha 0xFF), rows
  // from the top. 1 on success; 0 with a message in error (error_size bytes, ended by NUL).
  int (*draw_emf)(const char* bytes, size_t size, int width, int height, uint32_t* pixels,
                  char* error, size_t error_size);
  int (*draw_wmf)(const char* bytes, size_t size, int width, int height, uint32_t* pixels,
                  char* error, size_t error_size);
  // A metafile (emf when emf is 1, else wmf) that shows a device-independent bitmap of width x
  // height pixels (info: its 40-byte header; bits: its rows) at dpi. 1 on success with the
  // bytes in *out (*out_size long, released by free_bytes); 0 when out of memory.
  int (*metafile_from_dib)(int emf, const char* info, const char* bits, size_t bits_size, int width,
                           int height, int dpi, char** out, size_t* out_size);
  void (*free_bytes)(char* bytes);
};

typedef const CorvinaMetafileCalls* (*CorvinaMetafileCallsEntry)(void);

}  // extern "C"
