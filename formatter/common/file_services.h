#pragma once
// File-name helpers and the searches the formatter uses to find documents, graphics and
// companion files. Names may use "\" or "/" as separators.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace tavrel {

struct TSettingsRecord;
struct HelpFiles;

// What the searches need: the document in work, the program directory and the settings.
struct FileContext {
  std::string CurrentDocument;
  std::string ProgramDirectory;
  const TSettingsRecord* Settings = nullptr;
};

inline constexpr const char* kGraphicsExtensions[5] = {"BMP", "EMF", "WMF", "GIF", "JPG"};

// Names from the system (the command line, the current folder) come in UTF-8, while the suite
// keeps names in the Windows character set: a UTF-8 name that fits that set is converted once,
// here, and any other is kept as it is (the file layer opens both; it converts back to UTF-8).
std::string NameFromSystem(const std::string& name);

// Directory and name joined with one separator, in the suite's character set when both fit it
// (NameFromSystem), else both in UTF-8: never a mix, which no file and no console could read.
std::string JoinPath(const std::string& directory, const std::string& name);

// The part after the last separator (at most 199 characters); the whole path without one.
std::string ExtractFileNamePart(const std::string& path);
// The part before the last separator; empty without one.
std::string ExtractDirectoryPart(const std::string& path);
// The name up to and including its last "." followed by ext; without ".", name + "." + ext.
std::string ChangeFileExtension(const std::string& name, const std::string& ext);
// Case-insensitive: the first occurrence of "." + ext stands at the end of the name.
bool HasExtension(const std::string& name, const std::string& ext);
bool IsGraphicsFileName(const std::string& name);
bool GraphicsFileExists(const std::string& name);
// A file exists when it can be opened for reading.
bool FileExistsByOpen(const std::string& name);
// Searches the document's directory, SearchDirectories and the program directory; name holds
// the path found, or the last path tried.
bool LocateFile(std::string& name, const FileContext& ctx);
// Modification time in seconds since the epoch; nullopt when the file cannot be read.
std::optional<std::int64_t> GetFileDate(const std::string& name);
// Sets the modification time; nothing when the file cannot be opened.
void SetFileDate(const std::string& name, std::int64_t secondsSinceEpoch);
std::string GetEnvironmentText(const std::string& name);
std::string MakePostScriptFileName(const std::string& name, const FileContext& ctx);
// Kind "taf,fmt", "ws" or a single extension.
std::string ChooseFileExtension(const std::string& name, const std::string& kind,
                                const FileContext& ctx);
// The first free "<document>_graNN.<ext>" (or "GraNN.<ext>" without a document); nothing when
// all 499 are taken: the caller then shows kGraphicsNamesExhausted as a message, never as a name.
std::optional<std::string> MakeGraphicsFileName(const std::string& ext,
                                                const std::string& currentDocument);
inline constexpr const char* kGraphicsNamesExhausted = "ERROR! (too much files)";

// Starts Program with Parameters (split as a command line: blanks separate, double quotes
// group) without a shell and without waiting; false when it could not be started, for
// example when no such program exists.
bool StartProgram(const std::string& program, const std::string& parameters);

// Opens the topic's help page (help_viewer.h) when a desktop can show it and returns an empty
// text. Otherwise, or when the page is missing or cannot be opened, writes the line
// "Help topic <number>: <name>" with the topic's name from the panel table ("?" when the
// table has no such number) to out, and returns that line.
std::string ShowHelpTopic(HelpFiles& help, int number, std::ostream& out);

}  // namespace tavrel
