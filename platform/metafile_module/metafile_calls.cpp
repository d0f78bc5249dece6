#include "platform/metafile_module/metafile_calls.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "platform/metafile_module/metafile_drawing.h"
#include "platform/metafile_module/metafile_records.h"

namespace {

using platform::metafile_module::fail;

// No C++ exception may cross into the caller: out of memory is a failed call.
int guarded_draw(decltype(&platform::metafile_module::draw_emf) draw, const char* bytes,
                 std::size_t size, int width, int height, std::uint32_t* pixels, char* error,
                 std::size_t errorSize) {
  try {
    return draw(bytes, size, width, height, pixels, error, errorSize);
  } catch (const std::exception&) {
    return fail(error, errorSize, "metafile: out of memory");
  }
}

int metafile_from_dib(int emf, const char* info, const char* bits, std::size_t bitsSize, int width,
                      int height, int dpi, char** out, std::size_t* outSize) {
  try {
    const std::string bytes =
        emf ? platform::metafile_module::emf_from_dib(info, bits, bitsSize, width, height, dpi)
            : platform::metafile_module::wmf_from_dib(info, bits, bitsSize, width, height, dpi);
    if (bytes.empty()) return 0;
    *out = static_cast<char*>(std::malloc(bytes.size()));
    if (!*out) return 0;
    std::memcpy(*out, bytes.data(), bytes.size());
    *outSize = bytes.size();
    return 1;
  } catch (const std::exception&) {
    return 0;
  }
}

const CorvinaMetafileCalls kCalls{
    CORVINA_METAFILE_CALLS_VERSION,
    [](const char* b, std::size_t s, int w, int h, std::uint32_t* p, char* e, std::size_t es) {
      return guarded_draw(platform::metafile_module::draw_emf, b, s, w, h, p, e, es);
    },
    [](const char* b, std::size_t s, int w, int h, std::uint32_t* p, char* e, std::size_t es) {
      return guarded_draw(platform::metafile_module::draw_wmf, b, s, w, h, p, e, es);
    },
    metafile_from_dib,
    [](char* bytes) { std::free(bytes); },
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const CorvinaMetafileCalls*
corvina_metafile_calls(void) {
  return &kCalls;
}
