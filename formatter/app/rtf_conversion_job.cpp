#include "formatter/app/rtf_conversion_job.h"

#include <string_view>

#include "compiler/reverse/from_rtf.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/messages.h"
#include "formatter/common/run_messages.h"
#include "formatter/formatting/wordstar_writer.h"
#include "platform/files.h"

namespace tavrel {

namespace {

// The WordStar print controls ^A, ^Y (italic), ^B (bold), ^S (underline), ^V, ^T in toggle order.
constexpr char kWordStarToggles[] = "\x01\x19\x02\x13\x16\x14";

// The conversion's messages as lines of the message list, in the settings' language.
class MessageListSink : public skeldon::RtfConversionSink {
 public:
  explicit MessageListSink(RunMessages& messages) : messages_(messages) {}
  void ReportConversionMessage(std::string_view german, std::string_view english,
                               bool error) override {
    const std::string text = messages_.Show({std::string(german), std::string(english)});
    if (error)
      messages_.ReportFormatError(text);
    else
      messages_.ReportFormatInfo(text);
  }
  bool StopRequested() override { return messages_.PollStop(); }

 private:
  RunMessages& messages_;
};

skeldon::TRtfConversionSettings FormatterSettings() {
  skeldon::TRtfConversionSettings settings;
  settings.FormatterVariant = true;
  settings.ToggleChars = kWordStarToggles;
  // Names are compared as they stand: two names that differ in case are two pictures.
  settings.NormalizeName = [](std::string_view name) {
    return std::string(name.substr(0, skeldon::kShortTextMax));
  };
  settings.OutputName = "";
  return settings;
}

}  // namespace

std::string RtfConversionTargetName(const std::string& rtfName) {
  return skeldon::WithFileExtension(rtfName, "ws");
}

bool RunRtfConversionJob(const std::string& rtfName, RunMessages& messages, MessageBoxes& boxes) {
  const std::string target = RtfConversionTargetName(rtfName);
  if (platform::file_exists(target) &&
      boxes.AskMessageBox(messages.Text(MessageId::kOverwriteFile, {target}), kBoxConfirmation,
                          BoxButtons::YesNo) != kAnswerYes) {
    // A refused replacement ends the job as a failed conversion does.
    messages.ReportFormatInfo(messages.Text(MessageId::kRtfConversionFailed));
    return false;
  }
  messages.ClearMessageList();
  MessageListSink sink(messages);
  skeldon::TRtfConversionSettings settings = FormatterSettings();
  settings.OutputName = target;
  const skeldon::TRtfConversionResult result =
      skeldon::ConvertRtfHelpToSource(rtfName, settings, sink);
  bool written = false;
  if (result.Succeeded) {
    written = WriteWordStarDocument(target, result.Output, false, 0, messages.Language(), boxes);
    if (!written) messages.ReportFormatError(messages.Text(MessageId::kCouldNotWriteWsFile));
  }
  messages.ReportFormatInfo(messages.Text(written ? MessageId::kRtfConversionSucceeded
                                                  : MessageId::kRtfConversionFailed));
  return written;
}

}  // namespace tavrel
