// Comments queued for the log, and the viewer's loading.
#include "console/logbook.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace velmar::testing {
namespace {

TEST(Logbook, ACommentIsQueuedWithItsTimeAndAnEmptyOneKeepsThePrefix) {
  AcquisitionState s;
  const LocalTime at{2026, 12, 8, 3, 4, 5, 600};
  QueueComment(s, "seeing 0.8 arcsec", at);
  EXPECT_EQ(s.pendingLogLine, "### Comment at 03:04:05 : seeing 0.8 arcsec");
  EXPECT_EQ(s.pendingLogLineReady, 1);
  QueueComment(s, "", at);
  EXPECT_EQ(s.pendingLogLine, "### Comment at 03:04:05 : ");
}

TEST(Logbook, TheViewerLoadsTheLogFollowsItWhileOpenAndKeepsItsTextWhenThereIsNone) {
  TempDir dir;
  AcquisitionState s;
  LogbookView view{true, 0};
  std::vector<std::string> shown;
  const auto show = [&](const std::string& text) { shown.push_back(text); };
  ReloadLogbook(s, view, show);  // not asked, no log
  s.logbookReload = 1;
  ReloadLogbook(s, view, show);  // asked before any acquisition: no log yet
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(s.logbookReload, 0);
  s.logPath = dir.file("G001.VLT");
  WriteFile(s.logPath, "Velmar Photon Counting\n==> Beginning channel=0000");
  s.logbookReload = 1;
  ReloadLogbook(s, view, show);
  ReloadLogbook(s, view, show);  // unchanged: not loaded again
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "Velmar Photon Counting\n==> Beginning channel=0000");
  WriteFile(s.logPath, "Velmar Photon Counting\n==> Beginning channel=0000\n==> Beginning channel=0001");
  ReloadLogbook(s, view, show);  // grown while open: followed
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[1].find("channel=0001"), std::string::npos);
  view.open = false;
  WriteFile(s.logPath, "Velmar Photon Counting\n==> Beginning channel=0002");
  ReloadLogbook(s, view, show);  // closed: nothing loaded
  EXPECT_EQ(shown.size(), 2u);
}

}  // namespace
}  // namespace velmar::testing
