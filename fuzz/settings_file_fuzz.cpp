// Loads whatever bytes stand in Tavrel.dta: the record must load or fall back to its defaults,
// and a save must write exactly one whole record.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formatter/engine/message_boxes.h"
#include "formatter/engine/settings_record.h"

namespace {

std::string MakeFolder() {
  char pattern[] = "/tmp/tavrel-settings-fuzz-XXXXXX";
  const char* dir = ::mkdtemp(pattern);
  if (!dir) std::abort();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = MakeFolder();
  const std::string path = folder + "/Tavrel.dta";
  // An odd first byte repeats the rest up to a whole record (and a few bytes more), so that
  // damaged whole records are tried as well as short files.
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 1 && (data[0] & 1)) {
    const std::string pattern = bytes.substr(1);
    bytes.clear();
    while (bytes.size() < tavrel::kSettingsRecordSize + (data[0] >> 1)) bytes += pattern;
  }
  size = bytes.size();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  tavrel::RecordingMessageBoxes boxes;
  tavrel::SettingsEnvironment env;
  env.ProgramDirectory = folder;
  env.CurrentDirectory = folder;
  env.Boxes = &boxes;
  tavrel::SettingsStore store;
  std::uint8_t first = 0;
  const bool whole = tavrel::LoadSettings(store, env, first);
  if (whole != (size >= tavrel::kSettingsRecordSize)) std::abort();
  // Strings of a damaged record never read beyond their field.
  if (store.Settings.EditorFileName.Str().size() > 200 || store.Settings.PdfProgram.Str().size() > 199) std::abort();
  (void)tavrel::CurrentPageTemplate(store.Settings).RM;
  store.Settings.ContentsCtOnly ^= 1;
  if (!tavrel::SaveSettings(store, env)) std::abort();
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    std::fseek(f, 0, SEEK_END);
    const long written = std::ftell(f);
    std::fclose(f);
    if (written != static_cast<long>(tavrel::kSettingsRecordSize)) std::abort();
  }
  return 0;
}
