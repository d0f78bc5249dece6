// The HTML directory compare: which pages of a new compile (NewDir) differ from the state last
// put on the server (OldDir, normally NewDir + "_uploaded"), listed on the console and, for an
// upload, written into the ftp upload batch.
#pragma once

#include <string_view>

namespace skeldon {

struct CompilerRun;

// Two pages of equal length differ, unless the only differences are the version in the
// generator line ("CONTENT=\"Skeldon 4.22\""): its first, third or fourth character.
bool PagesDiffer(std::string_view oldPage, std::string_view newPage);

// True when a file can be created in the directory; the probe has a name no user file has.
bool TestDirectoryWritable(std::string_view directory);

void CompareHtmlDirectories(CompilerRun& run, std::string_view oldDir, std::string_view newDir,
                            bool upload);

}  // namespace skeldon
