// Metafiles that hold a bitmap, written with libuemf's records.
#pragma once

#include <cstddef>
#include <string>

namespace platform::metafile_module {

// An enhanced or Windows metafile that shows the device-independent bitmap (info: its 40-byte
// header; bits: its rows) of width x height pixels at dpi; empty when libuemf runs out of memory.
std::string emf_from_dib(const char* info, const char* bits, std::size_t bitsSize, int width,
                         int height, int dpi);
std::string wmf_from_dib(const char* info, const char* bits, std::size_t bitsSize, int width,
                         int height, int dpi);

}  // namespace platform::metafile_module
