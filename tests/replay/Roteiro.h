#pragma once
// Running replay scripts through the pdv executable on the demo drive.
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "support/TestSupport.h"

// The demo operator's login on a printer with no movement yet: the payment
// forms are not programmed and the day opens with an empty drawer.
inline const QString Login = "type 1\nkey Enter\nanswer No\ntype 1234\nkey Enter\nkey Enter\nkey Enter\n";

enum class Impressora { Nova, ComoEstava };

// Each script starts on the printer init-drive made unless told otherwise.
inline int replay(const QString &script, QString &transcript, Impressora impressora = Impressora::Nova) {
  if (impressora == Impressora::Nova) testsupport::reiniciaImpressoraDoDemo();
  return testsupport::runBuilt("pdv", {"--replay", script}, &transcript,
                               {"PDV_DRIVE=" + testsupport::demoDrive(), "QT_QPA_PLATFORM=offscreen"});
}

inline QString scriptFile(QTemporaryDir &dir, const QString &text) {
  const QString path = dir.path() + "/script.txt";
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(text.toUtf8());
  return path;
}
