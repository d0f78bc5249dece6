// Tavrel, the formatter: the main window and its jobs. "DOC /F" formats the document and
// ends, "DOC /P" prints it and ends; without a screen the window lives offscreen, its boxes
// and messages go to the console, and the exit code tells how the job went.
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "formatter/app/command_line.h"
#include "formatter/app/command_line_jobs.h"
#include "formatter/app/main_window.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/gui/display.h"

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// Without a screen the offscreen platform's notes about window hints mean nothing to the
// user; real faults still come through.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(tavrel::ArgumentText(argv[i]));

  const bool headless = platform::gui::prepare_display();
  if (headless) qInstallMessageHandler(QuietOffscreenNotes);
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  QApplication::setApplicationName("Tavrel");

  platform::Console console(platform::CodePage::cp1252);
  tavrel::TavrelEnvironment env;
  env.ProgramDirectory = Environment(tavrel::kProgramDirectoryVariable);
  if (env.ProgramDirectory.empty()) env.ProgramDirectory = platform::program_directory();
  env.DefaultPrinter = Environment("PRINTER");
  if (env.DefaultPrinter.empty()) env.DefaultPrinter = Environment("LPDEST");
  // Without a screen the console is where the user reads and answers.
  if (headless) env.Console = &console;
  env.ShowProgress = ::isatty(1) != 0;
  try {
    tavrel::MainWindow window(args, env);
    // A picture of the window as the job left it, for the demo and for bug reports.
    const std::string snapshot = Environment("TAVREL_SNAPSHOT");
    window.OnClosed = [&window, snapshot] {
      if (!snapshot.empty()) window.grab().save(QString::fromStdString(snapshot));
      QApplication::quit();
    };
    // Without a screen nobody sees the window: it is shown (its first show starts the job) but
    // not painted into an offscreen buffer, which would take memory and time for nothing. A
    // snapshot draws it as ever.
    if (headless && snapshot.empty()) window.setUpdatesEnabled(false);
    window.show();
    app.exec();
    const int code = window.ExitCode();
    console.flush();
    return code;
  } catch (const std::exception& e) {
    console.write_line(std::string("Tavrel: ") + e.what(), platform::ConsoleStream::err);
    return tavrel::kExitNotStarted;
  }
}
