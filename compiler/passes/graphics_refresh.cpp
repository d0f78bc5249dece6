#include "compiler/passes/graphics_refresh.h"

#include "compiler/foundation/file_names.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/pass_services.h"
#include "platform/files.h"

namespace skeldon {

namespace {

std::uint32_t DosTime(const std::string& path) {
  const auto t = platform::get_file_time(path);
  return t ? platform::pack_dos_date_time(*t).combined() : 0;
}

std::int32_t SizeOf(const std::string& path) {
  const auto size = platform::file_size(path);
  if (!size) return -1;
  return *size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(*size);
}

}  // namespace

void RefreshGraphicsFileName(CompilerRun& run, std::string& name) {
  // "https://" names a web picture as much as "http://" does.
  if (name.rfind("ftp://", 0) == 0 || name.rfind("http://", 0) == 0 ||
      name.rfind("https://", 0) == 0) {
    RecordExternalReference(run, name);
    return;
  }
  TSummaryPageState& sp = run.SummaryPage;
  if (!run.Graphics.SearchGraphicFiles || sp.BitmapDirectoryUsed) return;
  name = NormalizeFileName(run, name);
  // Both separators count, so that "../x.gif" becomes "x.gif" inside the output directory.
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  if (name.empty() || name == "." || name == "..") return;
  for (const TGraphicFileInfo& g : sp.GraphicFiles)
    if (g.Name == name) return;
  if (sp.UsedGraphicFileCount < 0xFFFF) ++sp.UsedGraphicFileCount;
  const std::string destination =
      run.Ini.TargetFlags.Html ? run.Switches.OutputDirectory + "\\" + name : name;
  TGraphicFileInfo info;
  info.Name = name;
  info.Found = platform::file_exists(destination);
  std::int32_t size = info.Found ? SizeOf(destination) : -1;
  const auto& dirs = run.Graphics.GraphicDirectoryList;
  if (info.Found) {
    for (const std::string& dir : dirs) {
      const std::string source = dir + "\\" + name;
      if (!platform::file_exists(source)) continue;
      // A copy left empty (as a crash of the system can leave one that was never flushed to
      // disk) is out of date whatever its time says.
      if (DosTime(source) > DosTime(destination) || (size == 0 && SizeOf(source) > 0)) {
        info.Found = false;
        WriteMessage(run, {MessageId::UpdatingGraphicsFile, name}, false);
      }
      break;
    }
  }
  if (!info.Found) {
    for (const std::string& dir : dirs) {
      const std::string source = dir + "\\" + name;
      if (!platform::file_exists(source)) continue;
      if (run.Ini.TargetFlags.Html && !platform::directory_exists(run.Switches.OutputDirectory))
        platform::create_directory(run.Switches.OutputDirectory);
      // The copy replaces the picture only once it is complete: a read error keeps the old one.
      // Like the pages it is made again when missing or out of date, so it is not flushed to
      // disk: a flush waits for everything the file system still has to write.
      const platform::CopyResult copy =
          platform::copy_file_keeping_time(source, destination, {.flush = false});
      if (copy.kind == platform::CopyResult::unreadable) {
        WriteMessage(run, {MessageId::GraphicsFileUnreadable, name, copy.reason}, true);
        continue;
      }
      if (copy.kind == platform::CopyResult::unwritable) {
        WriteMessage(run, {MessageId::GraphicsFileNotCreated, destination}, true);
        run.Reporter.Terminate(CompletedOrFailed(run, ExitCode::OutputFileFailed));
      }
      info.Found = true;
      size = SizeOf(destination);
      break;
    }
    // A picture no directory gave is still there when an older copy was in place.
    if (!info.Found && platform::file_exists(destination)) {
      info.Found = true;
      size = SizeOf(destination);
    }
  }
  info.Size = info.Found ? size : -1;
  sp.GraphicFiles.push_back(info);
  if (!info.Found) run.HelpProject.GraphicsMissing = true;
}

void InstallGraphicsRefresh(CompilerRun& run) {
  run.Passes.RefreshGraphicsFile = [](CompilerRun& r, std::string_view name) {
    std::string n(name);
    RefreshGraphicsFileName(r, n);
  };
}

void RefreshBackgroundGraphic(CompilerRun& run, std::string_view tags) {
  std::string lower = LowerCaseText(run.FileNames.LowerCaseTable, tags.substr(0, 255));
  const std::size_t at = lower.find("background");
  if (at == std::string::npos) return;
  std::string piece = at + 12 <= lower.size() ? lower.substr(at + 12, 199) : std::string();
  const std::size_t quote = piece.find('"');
  if (quote != std::string::npos) piece.erase(quote);
  if (piece.empty()) return;
  RefreshGraphicsFileName(run, piece);
}

std::uint16_t GetGraphicSizeKb(CompilerRun& run, std::string_view name) {
  if (!run.Graphics.SearchGraphicFiles) return 0xFFFF;
  const std::string n = NormalizeFileName(run, name);
  for (const TGraphicFileInfo& g : run.SummaryPage.GraphicFiles) {
    if (g.Name != n) continue;
    if (g.Size < 0) return 0;
    const std::int64_t kb = (static_cast<std::int64_t>(g.Size) + 500) / 1000;
    return static_cast<std::uint16_t>(kb > 0xFFFE ? 0xFFFE : kb);
  }
  return 0xFFFF;
}

}  // namespace skeldon
