#include "platform/Paths.h"

#include <QDir>
#include <QRegularExpression>

namespace platform {

QString driveRoot() {
  QString root = qEnvironmentVariable("PDV_DRIVE");
  if (root.isEmpty()) root = QDir::homePath() + "/.pdv-velt/drive";
  root = QDir::cleanPath(QDir(root).absolutePath());
  return root;
}

bool isWindowsDrivePath(const QString &path) {
  static const QRegularExpression drive(R"(^[A-Za-z]:[\\/])");
  return drive.match(path).hasMatch();
}

QString hostPath(const QString &programPath) {
#ifdef Q_OS_WIN
  return programPath;
#else
  if (!isWindowsDrivePath(programPath)) return programPath;
  QString rest = programPath.mid(3);
  rest.replace('\\', '/');
  const QStringList parts = rest.split('/', Qt::SkipEmptyParts);
  QString out = driveRoot();
  for (const QString &p : parts) out += '/' + p.toLower();
  return out;
#endif
}

}  // namespace platform
