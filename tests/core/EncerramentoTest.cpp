// The terminal ends on SIGTERM / SIGINT, closing the printer port and the
// database, even though the embedded engine puts its own handlers in.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "support/TestSupport.h"

namespace {

// True while another process holds the simulated printer's port.
bool portaPresa(const QString &trava) {
  const int fd = ::open(QFile::encodeName(trava).constData(), O_RDWR);
  if (fd < 0) return false;
  const bool presa = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return presa;
}

class Sinal : public ::testing::TestWithParam<int> {};

TEST_P(Sinal, AnIdleTerminalEndsAtOnceWithThePortClosed) {
  const QString drive = testsupport::demoDrive();
  const QString trava = drive + "/kw-velt/ecf-sim/porta.lock";
  QProcess pdv;
  testsupport::iniciaPdv(pdv, drive);
  ASSERT_TRUE(pdv.waitForStarted());
  // The start-up has opened the port and the database: the login waits.
  QElapsedTimer espera;
  espera.start();
  while (!portaPresa(trava) && espera.elapsed() < 20000) QThread::msleep(20);
  ASSERT_TRUE(portaPresa(trava)) << pdv.readAll().toStdString();
  QThread::msleep(300);
  ASSERT_EQ(pdv.state(), QProcess::Running) << pdv.readAll().toStdString();

  QElapsedTimer fim;
  fim.start();
  ::kill(static_cast<pid_t>(pdv.processId()), GetParam());
  ASSERT_TRUE(pdv.waitForFinished(5000)) << "still running";
  EXPECT_LT(fim.elapsed(), 1000);
  EXPECT_EQ(pdv.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(pdv.exitCode(), 0) << pdv.readAll().toStdString();
  EXPECT_FALSE(portaPresa(trava));
}

INSTANTIATE_TEST_SUITE_P(TermEInt, Sinal, ::testing::Values(SIGTERM, SIGINT));

}  // namespace
