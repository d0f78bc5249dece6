#include "formatter/app/notebook_link.h"

#include <utility>

#include "formatter/app/job_control.h"
#include "formatter/app/preview_control.h"
#include "formatter/windows/settings_notebook.h"

namespace tavrel {

void ConnectNotebook(SettingsNotebook& book, JobControl& jobs, MessageBoxes& boxes,
                     std::function<void(int index)> selectPrinter) {
  book.Boxes = &boxes;
  book.PrinterNames = [&jobs] { return jobs.Printers().names(); };
  book.SelectPrinter = std::move(selectPrinter);
  book.ShowHelpTopic = [&jobs](int topic) { jobs.ShowHelpTopic(topic); };
  book.DotCommandHelp = [&jobs](const std::string& command) {
    return jobs.DotCommandHelp(command);
  };
  book.FontSample = [&jobs](std::uint8_t number, SettingsNotebook::FontSampleInfo& info) {
    return jobs.FormatFont(number, info.Family, info.Points);
  };
  PreviewSession& preview = *jobs.Preview();
  book.PreviewOpen = [&jobs] { return jobs.PreviewOpen.load() != 0; };
  book.PreviewStartSettings = &preview.ShownSettings();
  // Called when the record differs from what the preview shows: the preview takes it.
  book.ClearPreviewBusy = [&jobs, &preview] {
    preview.Flags.Busy = 0;
    preview.ApplySettings(jobs.Settings());
  };
  jobs.ReadOpenNotebook = [&book] {
    if (book.NotebookOpen()) book.EinstellungsbuchLesen();
  };
}

}  // namespace tavrel
