// Reads arbitrary bytes as a contents-format template: it must stop within its text store and
// every part must lie inside it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/formatting/contents_template.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tavrel::TSettingsRecord settings{};
  tavrel::RecordingMessageList list;
  tavrel::RecordingMessageBoxes boxes;
  tavrel::NullNotifier notifier;
  tavrel::RunMessages messages{settings, list, boxes, notifier};
  tavrel::HeadingsTemplate tpl;
  tavrel::ParseHeadingsTemplate(tpl, "fuzz.ws",
                                std::string(reinterpret_cast<const char*>(data), size), messages);
  if (tpl.Position < 0 || tpl.Position > static_cast<std::int32_t>(tavrel::kTemplateTextSize))
    std::abort();
  const std::int32_t numbers[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  for (int level = 1; level <= 10; ++level) {
    for (int part = 0; part < 3; ++part)
      if (tavrel::TemplatePartText(tpl, level, part).size() > tavrel::kTemplateTextSize)
        std::abort();
    if (level <= 9) (void)tavrel::FormatHeadingNumber(tpl, level, numbers);
  }
  return 0;
}
