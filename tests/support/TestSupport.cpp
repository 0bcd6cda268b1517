#include "support/TestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace testsupport {

TempDrive::TempDrive() {
  hadPrevious_ = qEnvironmentVariableIsSet("PDV_DRIVE");
  previous_ = qgetenv("PDV_DRIVE");
  qputenv("PDV_DRIVE", dir_.path().toUtf8());
}

TempDrive::~TempDrive() {
  if (hadPrevious_) qputenv("PDV_DRIVE", previous_);
  else qunsetenv("PDV_DRIVE");
}

QString buildDir() { return QStringLiteral(PDV_BINARY_DIR); }
QString sourceDir() { return QStringLiteral(PDV_SOURCE_DIR); }

int runBuilt(const QString &program, const QStringList &args, QString *out, const QStringList &extraEnv) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString &kv : extraEnv) env.insert(kv.section('=', 0, 0), kv.section('=', 1));
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(buildDir() + "/" + program, args);
  if (!p.waitForFinished(300000)) {
    p.kill();
    return -1;
  }
  if (out) *out = QString::fromUtf8(p.readAll());
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

}  // namespace testsupport
