// Pictures of the output pass: the picture directory (.BD, .GD), pictures and their alignment
// (.BM) and characters of the running text bound to a picture (.BT).
#pragma once

#include <string>
#include <string_view>

namespace skeldon {

struct CompilerRun;

// bd: the command was .BD (it may also begin a block of unformatted lines).
void HandlePictureDirectory(CompilerRun& run, std::string_view argument, bool bd);
void HandlePictureCommand(CompilerRun& run, std::string_view argument);
void HandleGraphicCharCommand(CompilerRun& run, std::string_view argument);
// The name with the run's default picture extension when it has none (".GIF" for HTML,
// ".BMP" otherwise); a dot in a directory part does not count.
std::string WithPictureExtension(const CompilerRun& run, std::string_view name);

}  // namespace skeldon
