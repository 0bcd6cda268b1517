#pragma once
// Running replay scripts through the pdv executable on the demo drive.
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
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

// Every dump of a screen in a transcript, in order, each as its lines.
inline QList<QStringList> dumps(const QString &t, const QString &tela) {
  QList<QStringList> todos;
  bool dentro = false;
  for (const QString &linha : t.split('\n')) {
    if (linha.startsWith("dump " + tela + " ")) {
      todos.append(QStringList{linha});
      dentro = true;
    } else if (dentro && linha.startsWith("  ")) {
      todos.last() << linha;
    } else {
      dentro = false;
    }
  }
  return todos;
}

// The index of the first transcript line after `depois` holding the text (-1: none).
inline int linhaCom(const QString &t, const QString &texto, int depois = -1) {
  const QStringList l = t.split('\n');
  for (int i = depois + 1; i < l.size(); ++i)
    if (l[i].contains(texto)) return i;
  return -1;
}
