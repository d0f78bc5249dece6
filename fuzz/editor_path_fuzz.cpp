// Arbitrary bytes as "dunname.tmp", the editor path the installer leaves in the current folder:
// the settings take at most its first line, cut to 200 characters, and the file is gone after.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/common/settings_record.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = fuzz_support::MakeTempFolder("tavrel-editor-fuzz");
  const std::string path = folder + "/dunname.tmp";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz_support::WriteBytes(path, bytes);
  tavrel::RecordingMessageBoxes boxes;
  tavrel::SettingsEnvironment env;
  env.ProgramDirectory = folder + "/program";
  env.SettingsDirectory = folder;
  env.CurrentDirectory = folder;
  env.Boxes = &boxes;
  tavrel::SettingsStore store;
  std::uint8_t first = 0;
  tavrel::LoadSettings(store, env, first);
  if (::access(path.c_str(), F_OK) == 0) std::abort();
  const std::string editor = store.Settings.EditorFileName.Str();
  if (editor.size() > 200) std::abort();
  if (editor.find('\r') != std::string::npos || editor.find('\n') != std::string::npos)
    std::abort();
  const std::size_t line_end = bytes.find_first_of("\r\n");
  const std::string first_line = bytes.substr(0, line_end).substr(0, 200);
  if (!first_line.empty() && first_line.find('\0') == std::string::npos && editor != first_line)
    std::abort();
  return 0;
}
