// Metafiles drawn into pixels: EMF converted to SVG and drawn by librsvg, WMF drawn by libwmf.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::metafile_module {

// The calls of CorvinaMetafileCalls that draw (see metafile_calls.h).
int draw_emf(const char* bytes, std::size_t size, int width, int height, std::uint32_t* pixels,
             char* error, std::size_t errorSize);
int draw_wmf(const char* bytes, std::size_t size, int width, int height, std::uint32_t* pixels,
             char* error, std::size_t errorSize);

// Puts text into error (errorSize bytes, cut to fit) and returns 0, a failed call.
int fail(char* error, std::size_t errorSize, const std::string& text);

}  // namespace platform::metafile_module
