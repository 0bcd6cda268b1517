#include "platform/Host.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>

#include "platform/Paths.h"

#ifndef Q_OS_WIN
#include <sys/time.h>
#endif
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {

QString hostName() { return QSysInfo::machineHostName(); }

static QStringList splitCommandLine(const QString &commandLine) {
  return QProcess::splitCommand(commandLine);
}

bool startProgram(const QString &commandLine, WindowStyle style) {
  QStringList args = splitCommandLine(commandLine);
  if (args.isEmpty()) return false;
  const QString program = hostPath(args.takeFirst());
  QProcess process;
  process.setProgram(program);
  process.setArguments(args);
  // Window styles only mean something to a windowing host; a hidden program
  // gets no terminal output either.
  if (style == WindowStyle::Hidden) {
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
  }
#ifdef Q_OS_UNIX
  // The program gets none of this process's open files: an embedded
  // database's file and its engine's lock files held by a suite program
  // that stays open would refuse this desk's next start (and the other
  // programs of the drive) as "already opened with engine instance".
  // (Marked to close on exec: this Qt runs no code in a detached child.)
  const QDir abertos(QStringLiteral("/proc/self/fd"));
  for (const QString &nome : abertos.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
    const int fd = nome.toInt();
    if (fd > 2) ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
  }
#endif
  return process.startDetached();
}

bool activateWindow(const QString &title, WindowStyle style) {
  // On an X desktop the windows of other programs are found with xdotool
  // when it is installed; elsewhere nothing is found and the caller starts
  // the program.
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
  const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
  if (xdotool.isEmpty()) return false;
  QStringList args{QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                   '^' + QRegularExpression::escape(title) + '$', QStringLiteral("windowactivate")};
  if (style == WindowStyle::Maximized) args << QStringLiteral("windowsize") << QStringLiteral("100%") << QStringLiteral("100%");
  QProcess process;
  process.start(xdotool, args);
  if (!process.waitForFinished(2000)) {
    process.kill();
    return false;
  }
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }

bool SystemClock::setSystemTime(const QDateTime &when) {
#ifdef Q_OS_WIN
  Q_UNUSED(when);
  return false;
#else
  timeval tv{};
  tv.tv_sec = when.toSecsSinceEpoch();
  return settimeofday(&tv, nullptr) == 0;
#endif
}

static QString announcementName(const QString &title) {
  const QByteArray key = (driveRoot() + '|' + title).toUtf8();
  return "pdv-velt-" + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
}

struct WindowAnnouncement::Impl {
  QLocalServer server;
};

WindowAnnouncement::WindowAnnouncement(const QString &title) : impl_(std::make_unique<Impl>()) {
  const QString name = announcementName(title);
  if (!impl_->server.listen(name)) {
    // A stale socket left by a copy that died: take it over unless it answers.
    if (!findRunningWindow(title)) {
      QLocalServer::removeServer(name);
      impl_->server.listen(name);
    }
  }
}

WindowAnnouncement::~WindowAnnouncement() = default;

bool WindowAnnouncement::active() const { return impl_->server.isListening(); }

bool findRunningWindow(const QString &title) {
  QLocalSocket socket;
  socket.connectToServer(announcementName(title));
  const bool found = socket.waitForConnected(200);
  socket.abort();
  return found;
}

}  // namespace platform
