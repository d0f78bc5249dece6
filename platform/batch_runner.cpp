#include "platform/batch_runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/files.h"
#include "platform/process.h"

namespace platform {

namespace {

std::string Upper(std::string_view text) {
  std::string u(text);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::string BareProgramName(std::string_view name) {
  const std::size_t sep = name.find_last_of("/\\");
  return std::string(sep == std::string_view::npos ? name : name.substr(sep + 1));
}

std::string Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// A failure of a line: the runner stops there.
struct LineError {
  std::string reason;
};

// The words of a command line as the interpreter splits them: blanks separate, double quotes
// group, "^" outside quotes takes the next character as it is, "%%" is one "%". Characters
// that would make the interpreter run or redirect something else are refused.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%') {
      if (i + 1 >= text.size() || text[i + 1] != '%')
        throw LineError{"a single \"%\" (write \"%%\")"};
      word += '%';
      ++i;
      inWord = true;
    } else if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (quoted) {
      word += c;
    } else if (c == '^') {
      if (i + 1 >= text.size()) throw LineError{"\"^\" at the end of the line"};
      word += text[++i];
      inWord = true;
    } else if (c == '&' || c == '|' || c == '<' || c == '>') {
      throw LineError{std::string("\"") + c + "\" outside quotes"};
    } else if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted) throw LineError{"a quote is not closed"};
  if (inWord) words.push_back(std::move(word));
  return words;
}

struct EchoLine {
  std::string text;
  std::string file;  // empty: to the console
  bool append = false;
};

// An echo line: the text as the interpreter prints it (quotes stay), and its redirection.
EchoLine ParseEcho(std::string_view rest) {
  EchoLine echo;
  bool quoted = false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const char c = rest[i];
    if (c == '%') {
      if (i + 1 >= rest.size() || rest[i + 1] != '%')
        throw LineError{"a single \"%\" (write \"%%\")"};
      echo.text += '%';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
      echo.text += c;
    } else if (quoted) {
      echo.text += c;
    } else if (c == '^') {
      if (i + 1 >= rest.size()) throw LineError{"\"^\" at the end of the line"};
      echo.text += rest[++i];
    } else if (c == '&' || c == '|' || c == '<') {
      throw LineError{std::string("\"") + c + "\" outside quotes"};
    } else if (c == '>') {
      echo.append = i + 1 < rest.size() && rest[i + 1] == '>';
      const std::vector<std::string> target = Words(rest.substr(i + (echo.append ? 2 : 1)));
      if (target.size() != 1) throw LineError{"one file name must follow \">\""};
      echo.file = target.front();
      return echo;
    } else {
      echo.text += c;
    }
  }
  if (quoted) throw LineError{"a quote is not closed"};
  return echo;
}

struct Program {
  std::string path;
  std::vector<std::string> leading;  // arguments the tool map puts before the batch's own
};

class Runner {
 public:
  Runner(const ToolMap& tools, const BatchConsole& console)
      : tools_(tools), console_(console), directory_(current_directory()) {}

  BatchResult Run(std::string_view path) {
    BatchResult result;
    const ReadTextResult file = read_text_file(path);
    if (!file.ok()) {
      result.error = "cannot read " + std::string(path) + ": " + file_error_text(file.error);
      result.exit_code = 1;
      return result;
    }
    std::size_t number = 0;
    std::size_t start = 0;
    const std::string& text = file.text;
    while (start < text.size() && !ended_) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      start = end + 1;
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      try {
        RunLine(line);
      } catch (const LineError& e) {
        result.error = "line " + std::to_string(number) + " \"" + line + "\": " + e.reason;
        result.line = number;
        result.exit_code = 1;
        return result;
      }
    }
    result.stopped = stopped_;
    result.exit_code = stopped_ && exitCode_ == 0 ? 1 : exitCode_;
    return result;
  }

 private:
  using Handler = void (Runner::*)(const std::string& rest);
  struct Command {
    const char* name;
    Handler handler;
  };

  void RunLine(const std::string& raw) {
    const std::string line = Trim(raw);
    if (line.empty()) return;
    if (Upper(line) == "@ECHO OFF") return;
    if (line.size() == 2 && line[1] == ':' && std::isalpha(static_cast<unsigned char>(line[0])))
      return;  // a drive change: the "cd" line that follows names the whole path
    const std::size_t blank = line.find_first_of(" \t");
    const std::string word = Upper(line.substr(0, blank));
    const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    static const Command kCommands[] = {
        {"REM", &Runner::Remark}, {"MODE", &Runner::Ignored},       {"CLS", &Runner::Ignored},
        {"ECHO", &Runner::Echo},  {"CD", &Runner::ChangeDirectory}, {"PAUSE", &Runner::Pause},
        {"EXIT", &Runner::Exit},  {"DEL", &Runner::Delete},         {"MD", &Runner::MakeDirectory},
        {"COPY", &Runner::Copy},  {"START", &Runner::Start},        {"FTP", &Runner::Ftp},
    };
    for (const Command& command : kCommands)
      if (word == command.name) return (this->*command.handler)(rest);
    throw LineError{"not a line this runner knows"};
  }

  std::string Local(const std::string& name) const {
    if (name.empty()) return directory_;
    const bool absolute = is_path_separator(name[0]) || (name.size() >= 2 && name[1] == ':');
    return absolute ? resolve_path(name) : resolve_path(directory_ + "/" + name);
  }

  void Say(std::string_view text) {
    if (console_.write) console_.write(std::string(text) + "\n");
  }
  void Fail(std::string_view text, int code = 1) {
    Say(text);
    if (exitCode_ == 0) exitCode_ = code;
  }

  void Remark(const std::string&) {}
  void Ignored(const std::string& rest) { Words(rest); }

  void Echo(const std::string& rest) {
    const EchoLine echo = ParseEcho(rest);
    if (echo.text.empty() && echo.file.empty()) throw LineError{"echo without text"};
    if (echo.file.empty()) return Say(echo.text);
    const std::string target = Local(echo.file);
    // Echo files here are ftp scripts, which hold a password: only the owner reads them.
    const int fd = ::open(
        target.c_str(),
        O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (echo.append ? O_APPEND : O_TRUNC), 0600);
    if (fd < 0) throw LineError{"cannot write " + target + ": " + std::strerror(errno)};
    // A file left from before keeps no wider mode than a new one gets.
    ::fchmod(fd, 0600);
    const std::string bytes = echo.text + "\r\n";
    const bool written =
        ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    if (!written) throw LineError{"cannot write " + target};
  }

  void ChangeDirectory(const std::string& rest) {
    const std::vector<std::string> words = Words(rest);
    if (words.size() != 1) throw LineError{"cd wants one folder"};
    const std::string folder = Local(words.front());
    // Going on in another folder would delete or copy the wrong files.
    if (!directory_exists(folder)) throw LineError{"no folder " + words.front()};
    directory_ = folder;
  }

  void Pause(const std::string& rest) {
    if (!Trim(rest).empty()) throw LineError{"pause takes nothing"};
    if (console_.write) console_.write("Press any key to continue . . .\n");
    if (console_.pause && !console_.pause()) {
      stopped_ = true;
      ended_ = true;
    }
  }

  void Exit(const std::string& rest) {
    if (!Trim(rest).empty()) throw LineError{"exit takes nothing"};
    ended_ = true;
  }

  void Delete(const std::string& rest) {
    const std::vector<std::string> words = Words(rest);
    if (words.size() != 1) throw LineError{"del wants one file"};
    if (words.front().find_first_of("*?") != std::string::npos)
      throw LineError{"del takes no wildcards"};
    const std::string file = Local(words.front());
    if (!file_exists(file)) return Say("Could Not Find " + file);
    if (!erase_file(file)) Fail("cannot delete " + file);
  }

  void MakeDirectory(const std::string& rest) {
    const std::vector<std::string> words = Words(rest);
    if (words.size() != 1) throw LineError{"md wants one folder"};
    const std::string folder = Local(words.front());
    if (directory_exists(folder))
      return Say("A subdirectory or file " + words.front() + " already exists.");
    if (!create_directory(folder)) Fail("cannot create the folder " + folder);
  }

  void Copy(const std::string& rest) {
    const std::vector<std::string> words = Words(rest);
    if (words.size() != 2) throw LineError{"copy wants a source and a destination"};
    const CopyResult copy = copy_file_keeping_time(Local(words[0]), Local(words[1]));
    if (!copy.ok()) Fail(copy.reason);
  }

  // The program for a name of a batch line: the tool map, then the suite's defaults, then PATH.
  std::optional<Program> FindProgram(const std::string& name) const {
    Program program;
    std::vector<std::string> words;
    if (const std::string* mapped = tools_.find(name)) {
      words = split_command_line(*mapped);
    } else {
      const std::string bare = Upper(BareProgramName(name));
      std::vector<const char*> defaults;
      if (bare == "HHC.EXE" || bare == "HHW.EXE") defaults = {"chmcmd"};
      if (bare == "HH.EXE") defaults = {"xchm", "kchmviewer", "xdg-open"};
      for (const char* d : defaults)
        if (!find_on_path(d).empty()) {
          words = {d};
          break;
        }
      if (words.empty()) words = {name};
    }
    if (words.empty()) return std::nullopt;
    const bool windowsName =
        words[0].find('\\') != std::string::npos || (words[0].size() >= 2 && words[0][1] == ':');
    program.path = find_on_path(windowsName ? Local(words[0]) : words[0]);
    if (program.path.empty()) return std::nullopt;
    program.leading.assign(words.begin() + 1, words.end());
    return program;
  }

  // chmcmd reads "/" separators only and names files relative to the project: it gets a copy
  // of the project with "/" and runs in the project's folder.
  void RunChmcmd(const Program& program, std::vector<std::string> args) {
    std::string folder, copy;
    for (std::string& arg : args) {
      if (arg.size() < 4 || Upper(arg.substr(arg.size() - 4)) != ".HHP") continue;
      const std::string project = Local(arg);
      const ReadTextResult text = read_text_file(project);
      if (!text.ok()) return Fail("cannot read the help project " + project);
      std::string slashed = text.text;
      for (char& c : slashed)
        if (c == '\\') c = '/';
      const std::size_t sep = project.find_last_of('/');
      folder = sep == std::string::npos ? directory_ : project.substr(0, sep);
      const std::string bare = project.substr(sep + 1);
      const std::string linuxName = bare.substr(0, bare.size() - 4) + "-linux.hhp";
      copy = folder + "/" + linuxName;
      if (write_file(copy, slashed) != FileError::none) return Fail("cannot write " + copy);
      arg = linuxName;
    }
    std::vector<std::string> all = program.leading;
    all.insert(all.end(), args.begin(), args.end());
    SpawnOptions options;
    options.working_directory = folder.empty() ? directory_ : folder;
    const SpawnResult started = start_program(program.path, all, options, true);
    const int code = started.ok() ? wait_program(started.pid) : -1;
    if (!copy.empty()) erase_file(copy);
    if (!started.ok()) return Fail(started.error);
    if (code != 0)
      Fail(BareProgramName(program.path) + " ended with code " + std::to_string(code),
           code < 0 ? 1 : code);
  }

  void Start(const std::string& rest) {
    std::vector<std::string> words = Words(rest);
    if (words.size() < 2 || Upper(words[0]) != "/W")
      throw LineError{"START /W and a program wanted"};
    const std::string name = words[1];
    std::vector<std::string> args(words.begin() + 2, words.end());
    // The batch names files as Windows does ("book\BOOK.CHM"); the program gets the file's own
    // path on this disk.
    for (std::string& arg : args)
      if (file_exists(Local(arg))) arg = Local(arg);
    const std::optional<Program> program = FindProgram(name);
    if (!program) return Fail("program not found: " + name + " (name it in tools.conf)", 9009);
    if (BareProgramName(program->path) == "chmcmd") return RunChmcmd(*program, args);
    std::vector<std::string> all = program->leading;
    all.insert(all.end(), args.begin(), args.end());
    SpawnOptions options;
    options.working_directory = directory_;
    const SpawnResult started = start_program(program->path, all, options, true);
    if (!started.ok()) return Fail(started.error, 9009);
    const int code = wait_program(started.pid);
    if (code != 0) Fail(name + " ended with code " + std::to_string(code), code < 0 ? 1 : code);
  }

  std::string FtpClient() const {
    if (const std::string* mapped = tools_.find("FTP")) {
      const std::vector<std::string> words = split_command_line(*mapped);
      return words.empty() ? std::string() : find_on_path(words[0]);
    }
    std::string client = find_on_path("tnftp");
    if (!client.empty()) return client;
    // Debian's "ftp" is tnftp when the alternative points there.
    client = find_on_path("ftp");
    char real[4096];
    if (!client.empty() && ::realpath(client.c_str(), real) &&
        std::string_view(real).find("tnftp") != std::string_view::npos)
      return client;
    return {};
  }

  // One word for the client's command parser: a backslash takes the next character as it is.
  static std::string FtpWord(std::string_view text) {
    if (text.empty()) return "\"\"";
    std::string word;
    for (const char c : text) {
      if (c == ' ' || c == '\t' || c == '"' || c == '\'' || c == '\\') word += '\\';
      word += c;
    }
    return word;
  }

  // The script as the Windows client takes it (user and password on the two lines after
  // "open") turned into the client's own: "user NAME PASSWORD", local folders resolved.
  std::string ClientScript(const std::string& script) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < script.size()) {
      std::size_t end = script.find('\n', start);
      if (end == std::string::npos) end = script.size();
      std::string line = script.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      start = end + 1;
    }
    if (lines.size() < 3 || Upper(lines[0].substr(0, 5)) != "OPEN ")
      throw LineError{"the ftp script must start with open, user and password"};
    std::string out =
        lines[0] + "\n" + "user " + FtpWord(lines[1]) + " " + FtpWord(lines[2]) + "\n";
    for (std::size_t i = 3; i < lines.size(); ++i) {
      if (Upper(lines[i].substr(0, 4)) == "LCD ") {
        std::string folder = Trim(lines[i].substr(4));
        if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"')
          folder = folder.substr(1, folder.size() - 2);
        out += "lcd " + FtpWord(Local(folder)) + "\n";
      } else {
        out += lines[i] + "\n";
      }
    }
    return out;
  }

  // The client's output says whether the server took every command: a refused login, a lost
  // connection or a refused transfer or deletion.
  static bool FtpFailed(const std::string& output) {
    bool afterTransfer = false;
    std::size_t start = 0;
    while (start < output.size()) {
      std::size_t end = output.find('\n', start);
      if (end == std::string::npos) end = output.size();
      const std::string line = output.substr(start, end - start);
      start = end + 1;
      if (line.rfind("530", 0) == 0 || line.rfind("Not connected", 0) == 0 ||
          line.rfind("Login failed", 0) == 0 || line.find("ftp: ") != std::string::npos ||
          line.rfind("421", 0) == 0)
        return true;
      if (line.rfind("local: ", 0) == 0) afterTransfer = true;
      // Only a transfer's refusal counts; a "mkdir" of an existing folder is refused harmlessly.
      if (afterTransfer && (line.rfind("55", 0) == 0 || line.rfind("45", 0) == 0)) return true;
      if (line.rfind("226", 0) == 0) afterTransfer = false;
    }
    return false;
  }

  void Ftp(const std::string& rest) {
    const std::vector<std::string> words = Words(rest);
    if (words.size() != 1 || Upper(words[0].substr(0, 3)) != "-S:")
      throw LineError{"ftp wants -s: and a script"};
    const std::string scriptName = Local(words[0].substr(3));
    const ReadTextResult script = read_text_file(scriptName);
    if (!script.ok()) throw LineError{"cannot read the ftp script " + scriptName};
    const std::string client = FtpClient();
    // Without a client nothing reached the server, and the lines after this must not record
    // an upload: the batch stops here.
    if (client.empty())
      throw LineError{"no ftp client found (install tnftp or name one in tools.conf)"};
    const std::string input =
        temp_directory() + "/corvina-ftp-" + std::to_string(::getpid()) + ".in";
    const std::string output =
        temp_directory() + "/corvina-ftp-" + std::to_string(::getpid()) + ".out";
    ReplaceOptions secret;
    secret.private_file = true;
    secret.flush = false;
    if (replace_file_atomic(input, ClientScript(script.text), no_drives(), secret) !=
        FileError::none)
      throw LineError{"cannot write " + input};
    SpawnOptions options;
    options.working_directory = directory_;
    options.stdin_file = input;
    options.output_file = output;
    const SpawnResult started = start_program(client, {"-n", "-i", "-v"}, options, true);
    const int code = started.ok() ? wait_program(started.pid) : -1;
    erase_file(input);
    const ReadTextResult said = read_text_file(output);
    erase_file(output);
    if (said.ok()) {
      if (console_.write) console_.write(said.text);
    }
    if (!started.ok()) throw LineError{started.error};
    if (code != 0 || !said.ok() || FtpFailed(said.text))
      throw LineError{"the ftp transfer failed; nothing after it was done"};
  }

  const ToolMap& tools_;
  const BatchConsole& console_;
  std::string directory_;
  int exitCode_ = 0;
  bool ended_ = false;
  bool stopped_ = false;
};

}  // namespace

ToolMap ToolMap::parse(std::string_view text, std::vector<std::string>* errors) {
  ToolMap map;
  std::size_t start = 0, number = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    ++number;
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      if (errors) errors->push_back("tools.conf line " + std::to_string(number) + ": " + line);
      continue;
    }
    map.set(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
  }
  return map;
}

ToolMap ToolMap::from_config(std::vector<std::string>* errors) {
  std::string folder;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    folder = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    folder = std::string(home) + "/.config";
  if (folder.empty()) return {};
  const ReadTextResult file = read_text_file(folder + "/corvina/tools.conf");
  if (!file.ok()) return {};
  return parse(file.text, errors);
}

void ToolMap::set(std::string_view name, std::string_view command) {
  entries_[Upper(BareProgramName(name))] = std::string(command);
}

const std::string* ToolMap::find(std::string_view name) const {
  const auto it = entries_.find(Upper(BareProgramName(name)));
  return it == entries_.end() ? nullptr : &it->second;
}

BatchResult run_batch(std::string_view path, const ToolMap& tools, const BatchConsole& console) {
  Runner runner(tools, console);
  return runner.Run(path);
}

std::string escape_batch_text(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '%') {
      out += "%%";
      continue;
    }
    if (c == '^' || c == '&' || c == '|' || c == '<' || c == '>' || c == '"') out += '^';
    out += c;
  }
  return out;
}

std::string quote_batch_path(std::string_view name) {
  bool quote = false;
  std::string out;
  for (const char c : name) {
    if (c == '"' || static_cast<unsigned char>(c) < 0x20) return {};
    if (c == ' ' || c == '&' || c == '|' || c == '<' || c == '>' || c == '^' || c == '(' ||
        c == ')' || c == ',' || c == ';' || c == '=')
      quote = true;
    out += c;
    if (c == '%') out += '%';
  }
  return quote ? "\"" + out + "\"" : out;
}

}  // namespace platform
