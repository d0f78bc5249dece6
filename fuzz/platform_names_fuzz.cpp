// File-name handling meets names from documents, project files and command lines: wildcard
// matching and the name helpers must cope with any bytes, and matching must stay fast.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  // Pattern and name are separated by the first NUL.
  std::size_t cut = in.find('\0');
  std::string_view pattern = in.substr(0, cut);
  std::string_view name = cut == std::string_view::npos ? std::string_view() : in.substr(cut + 1);
  bool m = platform::match_dos_wildcard(pattern, name);
  if (pattern == "*" && !m) __builtin_trap();
  (void)platform::native_path(in);
  std::string file = platform::extract_file_name(in);
  std::string path = platform::extract_file_path(in);
  if (path + file != in) __builtin_trap();
  (void)platform::extract_file_dir(in);
  (void)platform::change_file_ext(in, ".fmt");
  (void)platform::same_file_name(pattern, name);
  return 0;
}
