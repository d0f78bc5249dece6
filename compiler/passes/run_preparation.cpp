#include "compiler/passes/run_preparation.h"

#include "compiler/foundation/command_line.h"
#include "compiler/foundation/file_names.h"
#include "compiler/foundation/ini_values.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/passes/index_store.h"

namespace skeldon {

bool PrefixFromPattern(const std::string& value, std::string& prefix) {
  if (!value.empty() && value.back() == '*') {
    prefix = value.substr(0, value.size() - 1);
    return true;
  }
  prefix = value;
  return false;
}

void PrepareCompileRun(CompilerRun& run) {
  run.RunSuccess = true;
  run.IndexPages.IndexSorted = false;
  run.FileNames.IdMarkList.clear();
  run.FileNames.TopicNames = {};  // names of the pages of an earlier run
  run.SourceText.HtmlCodeOn = false;
  run.SourceText.InHtmlCode = false;
  // What a WordStar soft space becomes, and so the table-cell separator.
  run.Reader.SoftSpaceChar = run.Switches.WordStarInput ? 0x1C : ' ';
  if (run.Ini.SourceIsIso)
    BuildIsoLowerCaseTable(run.FileNames.LowerCaseTable);
  else
    BuildIbmLowerCaseTable(run.FileNames.LowerCaseTable);
  BuildWordCharTable(run);
  // The head-include extension follows the page extension in length and case.
  run.FileNames.PageExtension = ChoosePageExtension(run);
  const bool capitals = run.FileNames.PageExtension[1] == 'H';
  const bool shortExt = run.FileNames.PageExtension.size() == 4;
  run.HtmlPage.HeadIncludeExtension =
      shortExt ? (capitals ? ".HEA" : ".hea") : (capitals ? ".HEAD" : ".head");

  ClearFontDefs(run.IniValues);
  for (int letter = kFirstFontLetter; letter < kFirstFontLetter + kFontLetterCount; ++letter)
    ParseFontDefinition(run, static_cast<char>(letter));

  // At most 30 endings of at most 70 characters, as the word list holds them.
  std::vector<std::string> endings = SplitWords(run.Ini.EndingOfWords);
  if (endings.size() > 30) endings.resize(30);
  for (std::string& e : endings) e = CutText(e, 70);
  run.IndexStore.WordEndings = endings;

  run.IniValues.HomeButtonInFrame = false;
  ParseButtonFunctions(run, run.Ini.FunctionsFirstLine, 0);
  ParseButtonFunctions(run, run.Ini.FunctionsLastLine, 1);
  ParseButtonTexts(run, run.Ini.TextsFirstLine, 0);
  ParseButtonTexts(run, run.Ini.TextsLastLine, 1);

  run.Switches.NoFrames = run.Switches.NoFramesSwitch || run.Ini.FootnotesNoFrames;

  TSwitches& sw = run.Switches;
  if (sw.PrefixFromSource) {
    sw.PageNamePrefix = CutText(FileNamePart(sw.OutputDirectory), kPageNamePrefixMax);
  } else {
    const std::string& value =
        run.Project.PreFileName == "*" ? run.Ini.PreFileName : run.Project.PreFileName;
    std::string prefix;
    if (!PrefixFromPattern(value, prefix))
      run.Reporter.WriteLine(MessageText(run.Language, MessageId::WrongPreFileName), true);
    // A project file's prefix is checked here: one naming a folder is not used.
    if (!IsUsablePrefixPattern(prefix)) {
      run.Reporter.WriteLine(MessageText(run.Language, MessageId::PreFileNameWithPath), true);
      prefix.clear();
    }
    sw.PageNamePrefix = CutText(prefix, kPageNamePrefixMax);
  }
  run.Reader.DotLineMark = false;
}

}  // namespace skeldon
