// Arbitrary parameters for Tavrel's command line (split at NUL bytes; a parameter whose first
// byte is odd stands for an existing file): the condition text never exceeds its room, the
// document is one of the parameters, and no parameter is lost or taken twice.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formatter/app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  std::string current;
  for (std::size_t i = 0; i < size && args.size() < 64; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty()) args.push_back(current);

  const auto exists = [](const std::string& name) {
    return !name.empty() && (static_cast<unsigned char>(name[0]) & 1) != 0;
  };
  const tavrel::TavrelCommandLine line = tavrel::ParseTavrelCommandLine(args, exists);
  if (line.Conditions.size() > tavrel::kConditionTextRoom) std::abort();
  if (line.Empty != args.empty()) std::abort();
  if (!line.Document.empty()) {
    bool found = false;
    for (const std::string& a : args) found = found || a == line.Document;
    if (!found) std::abort();
  }
  if (line.Ignored.size() + (line.Document.empty() ? 0 : 1) > args.size()) std::abort();
  return 0;
}
