// Opens the module that holds the calls into the metafile libraries (corvina_metafiles.so) at the
// first metafile drawn or written, so that a program that draws none never maps those libraries.
#pragma once

#include <string>
#include <vector>

#include "platform/metafile_module/metafile_calls.h"

namespace platform {

inline constexpr const char* kMetafileModuleName = "corvina_metafiles.so";

struct MetafileModule {
  const CorvinaMetafileCalls* calls = nullptr;
  std::string error;  // why there are no calls
  bool ok() const { return calls != nullptr; }
};

// Where the module is looked for, in order: the program's own folder (where an installation and
// the build put it), then the folder the build wrote it to (for programs built elsewhere in the
// build, such as the tests).
std::vector<std::string> metafile_module_folders();

// The module in the first of the folders that holds one. An opened module stays loaded for the
// rest of the process: the libraries it pulls in keep state that must not be unloaded.
MetafileModule open_metafile_module(const std::vector<std::string>& folders);

// The module from metafile_module_folders(), opened once for the process on first use.
const MetafileModule& metafile_module();

}  // namespace platform
