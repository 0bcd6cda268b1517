#include "platform/Host.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>

#include "platform/Paths.h"

#ifdef Q_OS_WIN
#include <QLocalServer>
#include <QLocalSocket>
#else
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
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
#ifndef Q_OS_WIN
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

#ifdef Q_OS_WIN

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

#else

// A Unix socket in the temporary folder, at the path Qt's local sockets use
// for the name (a copy of an earlier version finds this one and the other
// way round), made with the system's calls: Qt's network library, and the
// Kerberos and proxy libraries it brings, stay out of the program.
namespace {

bool enderecoDe(const QString &title, sockaddr_un &endereco) {
  const QByteArray caminho = QFile::encodeName(QDir::tempPath() + '/' + announcementName(title));
  endereco = {};
  endereco.sun_family = AF_UNIX;
  if (caminho.size() >= static_cast<qsizetype>(sizeof endereco.sun_path)) return false;
  std::memcpy(endereco.sun_path, caminho.constData(), static_cast<size_t>(caminho.size()));
  return true;
}

}  // namespace

struct WindowAnnouncement::Impl {
  int fd = -1;
  sockaddr_un endereco{};
  std::unique_ptr<QSocketNotifier> avisos;
  bool escuta() {
    fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&endereco), sizeof endereco) == 0 && ::listen(fd, SOMAXCONN) == 0)
      return true;
    ::close(fd);
    fd = -1;
    return false;
  }
  ~Impl() {
    avisos.reset();
    if (fd < 0) return;
    ::close(fd);
    ::unlink(endereco.sun_path);
  }
};

WindowAnnouncement::WindowAnnouncement(const QString &title) : impl_(std::make_unique<Impl>()) {
  if (!enderecoDe(title, impl_->endereco)) return;
  if (!impl_->escuta()) {
    // A stale socket left by a copy that died: take it over unless it answers.
    if (findRunningWindow(title)) return;
    ::unlink(impl_->endereco.sun_path);
    if (!impl_->escuta()) return;
  }
  // A copy that asks is let in and let go at once (while the event loop
  // runs), so the queue of those waiting never fills.
  impl_->avisos = std::make_unique<QSocketNotifier>(impl_->fd, QSocketNotifier::Read);
  QObject::connect(impl_->avisos.get(), &QSocketNotifier::activated, [fd = impl_->fd] {
    for (int outra; (outra = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) ::close(outra);
  });
}

WindowAnnouncement::~WindowAnnouncement() = default;

bool WindowAnnouncement::active() const { return impl_->fd >= 0; }

bool findRunningWindow(const QString &title) {
  sockaddr_un endereco{};
  if (!enderecoDe(title, endereco)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  // A full queue (EAGAIN) is tried again for up to 200 ms; no socket, or
  // nobody listening on it, is an answer at once.
  QElapsedTimer espera;
  espera.start();
  bool achou = false;
  for (;;) {
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&endereco), sizeof endereco) == 0) {
      achou = true;
      break;
    }
    if (errno != EAGAIN || espera.elapsed() >= 200) break;
    QThread::msleep(10);
  }
  ::close(fd);
  return achou;
}

#endif

}  // namespace platform
