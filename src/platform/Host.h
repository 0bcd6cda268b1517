#pragma once
// The operating system beyond paths: host name, outside programs, the PC
// clock, and finding another running copy of the terminal.
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

namespace platform {

QString hostName();

enum class WindowStyle { Normal, Hidden, Maximized };

// Starts an outside program detached (never waits). The command line is the
// program's own: its first word is a program path (mapped onto the drive), the
// rest its arguments. Returns false when it could not be started.
bool startProgram(const QString &commandLine, WindowStyle style = WindowStyle::Normal);

// Brings another program's top-level window with this exact title to the
// front, shown in the given style. False when there is none (or the desktop
// offers no way to find it): the caller starts the program instead.
bool activateWindow(const QString &title, WindowStyle style);

// Setting the PC clock: tried, failure ignored. Tests install a fake.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime now() const = 0;
  // Returns whether the clock was set; callers ignore the answer.
  virtual bool setSystemTime(const QDateTime &when) = 0;
  // A stopped clock stands for every clock of the run, the server's too.
  virtual bool fixed() const { return false; }
};

// A stopped clock, for runs that must give the same result every time (a
// replay with a fixed clock): now() is the moment given, and setting it from
// the server's time is refused.
class FixedClock : public Clock {
 public:
  explicit FixedClock(QDateTime when) : when_(std::move(when)) {}
  QDateTime now() const override { return when_; }
  bool setSystemTime(const QDateTime &) override { return false; }
  bool fixed() const override { return true; }
  void set(const QDateTime &when) { when_ = when; }

 private:
  QDateTime when_;
};

// The real clock; setting it calls the OS (needs privileges, may fail).
class SystemClock : public Clock {
 public:
  QDateTime now() const override;
  bool setSystemTime(const QDateTime &when) override;
};

// A settable clock for tests: now() is what was last set.
class FakeClock : public Clock {
 public:
  explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 1, 2), QTime(10, 0, 0)))
      : current_(start) {}
  QDateTime now() const override { return current_; }
  bool setSystemTime(const QDateTime &when) override {
    current_ = when;
    ++setCalls;
    return true;
  }
  void advanceSecs(qint64 s) { current_ = current_.addSecs(s); }
  int setCalls = 0;

 private:
  QDateTime current_;
};

// Follows the machine's clock; "setting" it only moves this program's view
// of the time by an offset. For runs that must never touch the real clock
// (replay) and as the fallback where the OS refuses.
class OffsetClock : public Clock {
 public:
  QDateTime now() const override { return QDateTime::currentDateTime().addMSecs(offsetMs_); }
  bool setSystemTime(const QDateTime &when) override {
    offsetMs_ = QDateTime::currentDateTime().msecsTo(when);
    return true;
  }

 private:
  qint64 offsetMs_ = 0;
};

// Single copy: a running sale screen announces itself under a name; another
// copy asks whether that name is taken. On Linux the announcement is a local
// socket in the temporary folder, named after the drive and the title, so two
// drives never collide.
class WindowAnnouncement {
 public:
  explicit WindowAnnouncement(const QString &title);
  ~WindowAnnouncement();
  bool active() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// True when another copy holds a window announced with this title.
bool findRunningWindow(const QString &title);

}  // namespace platform
