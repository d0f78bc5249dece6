// The settings notebook tied to Tavrel's jobs: its hooks reach the job control (printers,
// help, dot-command help, font samples, the preview), and the job control reads it before a
// job starts while it is open.
#pragma once

#include <functional>

namespace tavrel {

class JobControl;
class MessageBoxes;
class SettingsNotebook;

// selectPrinter: the main window's printer choice (its list follows the notebook's).
void ConnectNotebook(SettingsNotebook& book, JobControl& jobs, MessageBoxes& boxes,
                     std::function<void(int index)> selectPrinter);

}  // namespace tavrel
