// Tavrel, the formatter. This build has no windows yet: it runs the command-line jobs
// ("DOC /F" format, "DOC /P" print) and ends with their exit code.
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "formatter/app/command_line_jobs.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// File names inside the suite are in the Windows character set; a UTF-8 argument that fits
// it is taken over, any other is kept as it is (the file layer opens both).
std::string ArgumentText(const std::string& arg) {
  if (!platform::is_valid_utf8(arg)) return arg;
  const std::string converted = platform::utf8_to_code_page(arg, platform::CodePage::cp1252, '\0');
  return converted.find('\0') == std::string::npos ? converted : arg;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(ArgumentText(argv[i]));

  platform::Console console(platform::CodePage::cp1252);
  tavrel::TavrelEnvironment env;
  env.ProgramDirectory = Environment(tavrel::kProgramDirectoryVariable);
  if (env.ProgramDirectory.empty()) env.ProgramDirectory = platform::program_directory();
  env.DefaultPrinter = Environment("PRINTER");
  if (env.DefaultPrinter.empty()) env.DefaultPrinter = Environment("LPDEST");
  env.Console = &console;
  env.ShowProgress = ::isatty(1) != 0;
  try {
    const int code = tavrel::RunTavrelCommandLine(args, env).ExitCode;
    console.flush();
    return code;
  } catch (const std::exception& e) {
    console.write_line(std::string("Tavrel: ") + e.what(), platform::ConsoleStream::err);
    return tavrel::kExitNotStarted;
  }
}
