// pdv-admin: the suite's side of the cash desks (drives, databases, operators).
#include <QCoreApplication>
#include <QTextStream>

#include "admin/Comandos.h"

// The SQL driver warns that it cannot count the rows of DDL statements; the
// schema is nothing but DDL, so those warnings are dropped.
static void filtraAvisos(QtMsgType tipo, const QMessageLogContext &contexto, const QString &texto) {
  if (tipo == QtWarningMsg && texto.startsWith("numRowsAffected: Unknown statement type")) return;
  QTextStream(stderr) << qFormatLogMessage(tipo, contexto, texto) << "\n";
}

int main(int argc, char **argv) {
  qInstallMessageHandler(filtraAvisos);
  QCoreApplication app(argc, argv);
  QTextStream saida(stdout);
  QTextStream erros(stderr);
  return ExecutaAdmin(app.arguments().mid(1), saida, erros);
}
