#include "shell/error_display.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/memory/recorders.h"

namespace orv {
namespace {

TEST(ErrorDisplay, FullStopOnlyAfterTextsEndingAboveTheFullStop) {
  EXPECT_EQ(WithFullStop("Failed to get data for 'X'"), "Failed to get data for 'X'");
  EXPECT_EQ(WithFullStop("Unable to write to C:\\a.ini"), "Unable to write to C:\\a.ini.");
  EXPECT_EQ(WithFullStop("C:\\conf\\KillAD.ini didn't exists."), "C:\\conf\\KillAD.ini didn't exists.");
  EXPECT_EQ(WithFullStop("(x)"), "(x)");
  EXPECT_EQ(WithFullStop("wow!"), "wow!");
  EXPECT_EQ(WithFullStop("code 5"), "code 5.");
  EXPECT_EQ(WithFullStop("\xC0\xB9"), "\xC0\xB9.");
  EXPECT_EQ(WithFullStop(""), "");
}

TEST(ErrorDisplay, HandlerErrorShownOnceWithWorkBeforeItKept) {
  ScriptedMessageBoxes boxes;
  int done = 0;
  bool ok = RunEventHandler(boxes, [&] {
    ++done;
    throw RegistryError::InvalidType("NoticeDownloadTime");
    ++done;
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(done, 1);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Invalid data type for 'NoticeDownloadTime'");
  EXPECT_EQ(boxes.shown[0].caption, "Tavrosel Orvanel");
  EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::Ok);
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Error);
  EXPECT_TRUE(RunEventHandler(boxes, [] {}));
  EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace orv
