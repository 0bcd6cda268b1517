#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QThread>
#include <fcntl.h>
#include <unistd.h>

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

// A copy that died leaves its socket behind: the next copy is not refused
// for it and takes the name over; a copy that holds the name keeps it.
TEST(Host, AStaleAnnouncementIsTakenOverALiveOneIsNot) {
  testsupport::TempDrive drive;
  const QDir temporaria(QDir::tempPath());
  const QStringList antes = temporaria.entryList({"pdv-velt-*"}, QDir::System);
  QString socket;
  {
    platform::WindowAnnouncement primeira("PDV-VELT.EXE");
    ASSERT_TRUE(primeira.active());
    platform::WindowAnnouncement segunda("PDV-VELT.EXE");
    EXPECT_FALSE(segunda.active());
    EXPECT_TRUE(platform::findRunningWindow("PDV-VELT.EXE"));
    for (const QString &a : temporaria.entryList({"pdv-velt-*"}, QDir::System))
      if (!antes.contains(a)) socket = temporaria.filePath(a);
    ASSERT_FALSE(socket.isEmpty());
    // A second name for the socket's file, which outlives the copy as a
    // crash would leave it.
    ASSERT_EQ(::link(QFile::encodeName(socket).constData(), QFile::encodeName(socket + ".morta").constData()), 0);
  }
  EXPECT_FALSE(QFile::exists(socket));
  ASSERT_TRUE(QFile::rename(socket + ".morta", socket));
  EXPECT_FALSE(platform::findRunningWindow("PDV-VELT.EXE"));
  {
    platform::WindowAnnouncement nova("PDV-VELT.EXE");
    EXPECT_TRUE(nova.active());
    EXPECT_TRUE(platform::findRunningWindow("PDV-VELT.EXE"));
  }
  EXPECT_FALSE(QFile::exists(socket));
}

TEST(Host, StartProgramNeverWaitsAndReportsMissingPrograms) {
  testsupport::TempDrive drive;
  EXPECT_FALSE(platform::startProgram("c:\\kw-velt\\naoexiste.exe"));
  EXPECT_FALSE(platform::startProgram(""));
  // A program that would run for seconds: the call returns at once.
  EXPECT_TRUE(platform::startProgram("/bin/sleep 3", platform::WindowStyle::Hidden));
}

// A program the desk starts holds none of its open files: a suite program
// left open with an embedded database's file and lock files inherited
// would refuse the desk's next start.
TEST(Host, AStartedProgramInheritsNoOpenFile) {
  testsupport::TempDrive drive;
  // Opened as the database engine opens its files (Qt's own are closed on exec).
  const int aberto = ::open(drive.path("aberto.dat").toLocal8Bit().constData(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(aberto, 0);
  const QString lista = drive.path("fds.txt");
  QFile script(drive.path("lista.sh"));
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write("#!/bin/sh\nls -l /proc/$$/fd > \"$1.tmp\" && mv \"$1.tmp\" \"$1\"\n");
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  ASSERT_TRUE(platform::startProgram(script.fileName() + " " + lista, platform::WindowStyle::Hidden));
  for (int i = 0; i < 500 && !QFile::exists(lista); ++i) QThread::msleep(10);
  QFile f(lista);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString fds = QString::fromUtf8(f.readAll());
  EXPECT_FALSE(fds.contains("aberto.dat")) << fds.toStdString();
  ::close(aberto);
}
