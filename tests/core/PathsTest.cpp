#include <gtest/gtest.h>

#include <QDir>

#include "platform/Host.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

TEST(Paths, WindowsPathsLandOnTheDriveInLowerCase) {
  testsupport::TempDrive drive;
  EXPECT_EQ(platform::hostPath("c:\\kw-velt\\Grade.Html"), drive.root() + "/kw-velt/grade.html");
  EXPECT_EQ(platform::hostPath("C:\\Retorno.txt"), drive.root() + "/retorno.txt");
  EXPECT_EQ(platform::hostPath("c:/KW-VELT/default.txt"), platform::hostPath("c:\\kw-velt\\DEFAULT.TXT"));
  EXPECT_EQ(platform::hostPath("/already/host/Path"), "/already/host/Path");
}

TEST(Paths, DefaultDriveWhenUnset) {
  const QByteArray saved = qgetenv("PDV_DRIVE");
  qunsetenv("PDV_DRIVE");
  EXPECT_EQ(platform::driveRoot(), QDir::homePath() + "/.pdv-velt/drive");
  if (!saved.isEmpty()) qputenv("PDV_DRIVE", saved);
}

TEST(Host, AnnouncedWindowIsFoundOnlyWhileItLives) {
  testsupport::TempDrive drive;
  EXPECT_FALSE(platform::findRunningWindow("PDV-VELT.EXE"));
  {
    platform::WindowAnnouncement sale("PDV-VELT.EXE");
    ASSERT_TRUE(sale.active());
    EXPECT_TRUE(platform::findRunningWindow("PDV-VELT.EXE"));
  }
  EXPECT_FALSE(platform::findRunningWindow("PDV-VELT.EXE"));
}

TEST(Host, StartProgramNeverWaitsAndReportsMissingPrograms) {
  testsupport::TempDrive drive;
  EXPECT_FALSE(platform::startProgram("c:\\kw-velt\\naoexiste.exe"));
  EXPECT_FALSE(platform::startProgram(""));
  // A program that would run for seconds: the call returns at once.
  EXPECT_TRUE(platform::startProgram("/bin/sleep 3", platform::WindowStyle::Hidden));
}
