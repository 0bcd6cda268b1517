// pdv: the cash-desk terminal. Without arguments it opens its windows; with
// --replay SCRIPT it runs headlessly from a script and prints a transcript.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTextStream>
#include <cstring>
#include <optional>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "app/Programa.h"
#include "app/Replay.h"
#include "fiscal/AnalisaRetorno.h"
#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/OperadorRoteiro.h"
#include "core/Tela.h"
#include "core/TerminalState.h"
#include "fiscal/Ecf.h"
#include "platform/Host.h"

// The windows live in a module of their own (pdv-janelas.so), loaded only
// here: a replay runs without Qt's widget and graphics libraries. It is looked
// for beside the program (the build folder) and where an installation puts
// it relative to the program (/usr/bin/pdv finds /usr/lib/pdv-velt), never
// on the library search path.
static int executaJanelas(int argc, char **argv) {
  const QString programa = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  const QString pasta = programa.isEmpty() ? QString() : QFileInfo(programa).absolutePath();
  QStringList tentativas;
  for (const QString &candidata : {pasta, QDir::cleanPath(pasta + '/' + QStringLiteral(PDV_JANELAS_FROM_BIN))}) {
    const QString caminho = candidata + QStringLiteral("/pdv-janelas.so");
    if (pasta.isEmpty() || !QFileInfo::exists(caminho)) continue;
    QLibrary modulo(caminho);
    // Every symbol resolved at once: a module that does not match this
    // program fails here, with the loader's reason, not in mid-sale.
    modulo.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    using Entrada = int (*)(int, char **);
    if (const auto entrada = reinterpret_cast<Entrada>(modulo.resolve("pdvExecutaJanelas")))
      return entrada(argc, argv);
    tentativas << modulo.errorString();
  }
  QTextStream(stderr) << "pdv: cannot load the windows' module pdv-janelas.so"
                      << (tentativas.isEmpty() ? QStringLiteral(" (not found beside the program nor in ") + PDV_JANELAS_FROM_BIN + ")"
                                               : ": " + tentativas.join("; "))
                      << ". pdv --replay SCRIPT runs without it.\n";
  return 2;
}

static int executaRoteiro(int argc, char **argv, const char *caminho, const char *relogioOpcao) {
  QCoreApplication qt(argc, argv);
  QFile arquivo(QString::fromLocal8Bit(caminho));
  QTextStream saida(stdout);
  if (!arquivo.open(QIODevice::ReadOnly | QIODevice::Text)) {
    QTextStream(stderr) << "pdv: cannot read the script " << arquivo.fileName() << ": " << arquivo.errorString() << '\n';
    return 2;
  }
  const QStringList linhas = QString::fromUtf8(arquivo.readAll()).split('\n');
  // The clock: --clock wins over the script's own "clock" line. Fixed, it
  // also stops the simulated printer's clock, so the transcript is the same
  // on every run.
  QString erro;
  std::optional<QDateTime> fixo = relogioOpcao ? Replay::leRelogio(QString::fromLocal8Bit(relogioOpcao), erro)
                                               : Replay::relogioDoRoteiro(linhas, erro);
  if (!erro.isEmpty()) {
    QTextStream(stderr) << "pdv: " << erro << '\n';
    return 2;
  }
  TerminalState estado;
  // A replay never sets the machine's clock.
  platform::OffsetClock relogioMovel;
  platform::FixedClock relogioFixo(fixo.value_or(QDateTime()));
  if (fixo) {
    estado.usaRelogio(relogioFixo);
    QByteArray falhas = qgetenv("PDV_ECF_SIM_FALHAS");
    if (!falhas.isEmpty()) falhas += ';';
    qputenv("PDV_ECF_SIM_FALHAS", falhas + "relogio " + fixo->toString(Qt::ISODate).toLatin1());
  } else {
    estado.usaRelogio(relogioMovel);
  }
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Programa programa(estado, operador, area);
  Replay replay(programa, operador, saida);
  const int status = replay.executa(linhas);
  // However the script ended, the printer port and the database are left
  // closed, as the program's own end leaves them.
  if (estado.Conexao && estado.Conexao->aberta()) {
    FechaRs(*estado.RsGeral);
    FechaConexao(estado);
  }
  if (estado.PortaEcfAberta) EcfFechaPortaSerial(estado);
  return status;
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
  // A search still reading on its worker thread is stopped on the server
  // before the connection goes.
  if (estado->Conexao) estado->Conexao->cancelaOperacao();
  FechaConexao(*estado);
}

int main(int argc, char **argv) {
#if defined(__GLIBC__)
  // One malloc arena for every thread. glibc gives each thread that
  // allocates an arena of its own (against lock contention between many
  // busy threads); this program's few threads (a search's reads, its
  // preview) allocate briefly and would each keep an arena's pages for the
  // rest of the run: 1.5 MB more at a search's peak. The database engine
  // allocates from its own pools.
  mallopt(M_ARENA_MAX, 1);
#endif
  InstalaEncerramentoPorSinal(encerraPorSinal);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--replay") == 0) {
      if (i + 1 >= argc) {
        QTextStream(stderr) << "usage: pdv --replay SCRIPT [--clock 2026-12-07T09:30:00]\n";
        return 2;
      }
      const char *relogio = nullptr;
      for (int j = 1; j + 1 < argc; ++j)
        if (std::strcmp(argv[j], "--clock") == 0) relogio = argv[j + 1];
      return executaRoteiro(argc, argv, argv[i + 1], relogio);
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      QTextStream(stdout) << "usage: pdv            run the terminal\n"
                             "       pdv --keep-clock   run it without ever setting the machine's clock\n"
                             "       pdv --replay SCRIPT [--clock ISO]   run a script headlessly, print a transcript\n"
                             "                             (--clock fixes the time, e.g. 2026-12-07T09:30:00)\n";
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
