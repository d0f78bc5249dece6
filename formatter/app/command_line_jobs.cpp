#include "formatter/app/command_line_jobs.h"

#include <QApplication>
#include <QEventLoop>
#include <memory>

#include "formatter/app/main_window.h"
#include "formatter/common/messages.h"

namespace tavrel {

std::string TavrelUsageText(std::uint8_t language) {
  return std::string("Tavrel 0.99a\n") + MessageText(language, MessageId::kUsage);
}

TavrelRunResult RunTavrelCommandLine(const std::vector<std::string>& args,
                                     const TavrelEnvironment& env) {
  // The command line takes the one road of the program: the main window, on whatever
  // platform the application runs (offscreen without a screen), with the console beside it.
  std::unique_ptr<platform::Console> ownConsole;
  TavrelEnvironment windowEnv = env;
  if (!windowEnv.Console) {
    ownConsole = std::make_unique<platform::Console>(platform::CodePage::cp1252);
    windowEnv.Console = ownConsole.get();
  }
  TavrelRunResult result;
  {
    MainWindow window(args, windowEnv);
    QEventLoop loop;
    window.OnClosed = [&loop] { loop.quit(); };
    window.show();
    loop.exec();
    result = window.Jobs().Result();
    result.ExitCode = window.ExitCode();
  }
  windowEnv.Console->flush();
  return result;
}

}  // namespace tavrel
