// pdv: the cash-desk terminal. Without arguments it opens its windows; with
// --replay SCRIPT it runs headlessly from a script and prints a transcript.
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstring>

#include "app/Programa.h"
#include "app/Replay.h"
#include "fiscal/AnalisaRetorno.h"
#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/OperadorRoteiro.h"
#include "core/Tela.h"
#include "core/TerminalState.h"
#include "platform/Host.h"

int executaJanelas(int argc, char **argv);

static int executaRoteiro(int argc, char **argv, const char *caminho) {
  QCoreApplication qt(argc, argv);
  QFile arquivo(QString::fromLocal8Bit(caminho));
  QTextStream saida(stdout);
  if (!arquivo.open(QIODevice::ReadOnly | QIODevice::Text)) {
    QTextStream(stderr) << "pdv: cannot read the script " << arquivo.fileName() << ": " << arquivo.errorString() << '\n';
    return 2;
  }
  const QStringList linhas = QString::fromUtf8(arquivo.readAll()).split('\n');
  TerminalState estado;
  // A replay never sets the machine's clock.
  platform::OffsetClock relogio;
  estado.relogio = &relogio;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Programa programa(estado, operador, area);
  Replay replay(programa, operador, saida);
  return replay.executa(linhas);
}

// SIGTERM / SIGINT: the printer port and the database close, then the run ends.
static void encerraPorSinal(int) {
  TerminalState *estado = EstadoEmUso();
  if (!estado) return;
  try {
    FechaPorta(*estado);
  } catch (...) {
    // a printer library that fails changes nothing: the run ends either way
  }
  FechaConexao(*estado);
}

int main(int argc, char **argv) {
  InstalaEncerramentoPorSinal(encerraPorSinal);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--replay") == 0) {
      if (i + 1 >= argc) {
        QTextStream(stderr) << "usage: pdv --replay SCRIPT\n";
        return 2;
      }
      return executaRoteiro(argc, argv, argv[i + 1]);
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      QTextStream(stdout) << "usage: pdv            run the terminal\n"
                             "       pdv --replay SCRIPT   run a script headlessly, print a transcript\n";
      return 0;
    }
  }
  // Without a display Qt would abort with its own message; say what to do.
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    QTextStream(stderr) << "pdv: no display. Run it on a desktop, under xvfb-run, or headlessly with "
                           "pdv --replay SCRIPT.\n";
    return 2;
  }
  return executaJanelas(argc, argv);
}
