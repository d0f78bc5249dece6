// Loads whatever bytes stand in Tavrel.dta: the record must load or fall back to its defaults,
// and a save must write exactly one whole record.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/common/settings_record.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = fuzz_support::MakeTempFolder("tavrel-settings-fuzz");
  const std::string path = folder + "/Tavrel.dta";
  const std::string bytes = fuzz_support::RecordSizedBytes(data, size, tavrel::kSettingsRecordSize);
  size = bytes.size();
  fuzz_support::WriteBytes(path, bytes);
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
  if (store.Settings.EditorFileName.Str().size() > 200 ||
      store.Settings.PdfProgram.Str().size() > 199)
    std::abort();
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
