#include "platform/metafile_loader.h"

#include <dlfcn.h>

#include "platform/files.h"

namespace platform {

std::vector<std::string> metafile_module_folders() {
  std::vector<std::string> folders{program_directory()};
#ifdef CORVINA_METAFILE_MODULE_DIR
  if (folders.front() != CORVINA_METAFILE_MODULE_DIR)
    folders.push_back(CORVINA_METAFILE_MODULE_DIR);
#endif
  return folders;
}

MetafileModule open_metafile_module(const std::vector<std::string>& folders) {
  std::string looked;
  for (const std::string& folder : folders) {
    const std::string path = folder + "/" + kMetafileModuleName;
    if (!file_exists(path)) {
      looked += (looked.empty() ? "" : ", ") + folder;
      continue;
    }
    // Never closed: see the header.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = ::dlerror();
      return {nullptr, "metafile module " + path + " cannot be loaded: " + (why ? why : "")};
    }
    auto entry =
        reinterpret_cast<CorvinaMetafileCallsEntry>(::dlsym(handle, CORVINA_METAFILE_CALLS_ENTRY));
    const CorvinaMetafileCalls* calls = entry ? entry() : nullptr;
    if (!calls || calls->version != CORVINA_METAFILE_CALLS_VERSION)
      return {nullptr, "metafile module " + path + " is of another version"};
    return {calls, {}};
  }
  return {nullptr, std::string("metafile module ") + kMetafileModuleName +
                       " not found (looked in " + looked + ")"};
}

const MetafileModule& metafile_module() {
  static const MetafileModule module = open_metafile_module(metafile_module_folders());
  return module;
}

}  // namespace platform
