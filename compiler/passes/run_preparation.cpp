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
  run.indexPages.IndexSorted = false;
  run.fileNames.IdMarkList.clear();
  run.sourceText.HtmlCodeOn = false;
  run.sourceText.InHtmlCode = false;
  // What a WordStar soft space becomes, and so the table-cell separator.
  run.reader.SoftSpaceChar = run.switches.WordStarInput ? 0x1C : ' ';
  if (run.ini.SourceIsIso)
    BuildIsoLowerCaseTable(run.fileNames.LowerCaseTable);
  else
    BuildIbmLowerCaseTable(run.fileNames.LowerCaseTable);
  BuildWordCharTable(run);
  // The head-include extension follows the page extension in length and case.
  run.fileNames.PageExtension = ChoosePageExtension(run);
  const bool capitals = run.fileNames.PageExtension[1] == 'H';
  const bool shortExt = run.fileNames.PageExtension.size() == 4;
  run.htmlPage.HeadIncludeExtension =
      shortExt ? (capitals ? ".HEA" : ".hea") : (capitals ? ".HEAD" : ".head");

  ClearFontDefs(run.iniValues);
  for (int letter = kFirstFontLetter; letter < kFirstFontLetter + kFontLetterCount; ++letter)
    ParseFontDefinition(run, static_cast<char>(letter));

  // At most 30 endings of at most 70 characters, as the word list holds them.
  std::vector<std::string> endings = SplitWords(run.ini.EndingOfWords);
  if (endings.size() > 30) endings.resize(30);
  for (std::string& e : endings) e = CutText(e, 70);
  run.indexStore.WordEndings = endings;

  run.iniValues.HomeButtonInFrame = false;
  ParseButtonFunctions(run, run.ini.FunctionsFirstLine, 0);
  ParseButtonFunctions(run, run.ini.FunctionsLastLine, 1);
  ParseButtonTexts(run, run.ini.TextsFirstLine, 0);
  ParseButtonTexts(run, run.ini.TextsLastLine, 1);

  run.switches.NoFrames = run.switches.NoFramesSwitch || run.ini.FootnotesNoFrames;

  TSwitches& sw = run.switches;
  if (sw.PrefixFromSource) {
    sw.PageNamePrefix = CutText(FileNamePart(sw.OutputDirectory), kPageNamePrefixMax);
  } else {
    const std::string& value =
        run.project.PreFileName == "*" ? run.ini.PreFileName : run.project.PreFileName;
    std::string prefix;
    if (!PrefixFromPattern(value, prefix))
      run.reporter.WriteLine(MessageText(run.Language, MessageId::WrongPreFileName), true);
    sw.PageNamePrefix = CutText(prefix, kPageNamePrefixMax);
  }
  run.reader.DotLineMark = false;
}

}  // namespace skeldon
