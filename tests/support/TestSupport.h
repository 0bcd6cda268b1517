#pragma once
// Shared test fixtures: a temporary drive per test, a fresh terminal state.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

#include "core/Encerramento.h"
#include "core/Operator.h"
#include "core/TerminalState.h"

namespace testsupport {

// A temporary folder that stands for "C:\" while the object lives (PDV_DRIVE).
class TempDrive {
 public:
  TempDrive();
  ~TempDrive();
  QString root() const { return dir_.path(); }
  QString path(const QString &relative) const { return dir_.path() + "/" + relative; }

 private:
  QTemporaryDir dir_;
  QByteArray previous_;
  bool hadPrevious_ = false;
};

// The build folder (where pdv, pdv-admin and the printer libraries are).
QString buildDir();
QString sourceDir();

// Runs a program of the build folder and returns its exit code; output in *out.
int runBuilt(const QString &program, const QStringList &args, QString *out = nullptr,
             const QStringList &extraEnv = {});

// Starts pdv of the build folder on a drive (offscreen), output merged, without waiting.
void iniciaPdv(QProcess &pdv, const QString &raiz, const QStringList &args = {});

// A database made by `pdv-admin create-db` in a folder of its own; a suite
// makes it once and each test checks `codigo` before using it.
struct BancoCriado {
  QTemporaryDir pasta;
  QString arquivo, saida;
  int codigo;
  explicit BancoCriado(const QString &nome = "banco.fdb");
  QString stringConexao() const { return "Data Source=" + arquivo + ";User=SYSDBA;Password=masterkey"; }
};

// Records every message and answers it with its default button; refuses every input.
class OperadorGravador : public Operator {
 public:
  Resposta mensagem(const PedidoMensagem &pedido) override {
    mensagens << pedido;
    return pedido.padrao;
  }
  bool entrada(const PedidoEntrada &, QString &resposta) override {
    resposta.clear();
    return false;
  }
  QList<PedidoMensagem> mensagens;
};

// While it lives, the end of the program throws ProgramaEncerrado instead of ending the process.
class FimLanca {
 public:
  FimLanca();
  ~FimLanca();

 private:
  TratadorEncerramento anterior_;
};

}  // namespace testsupport

// Readable QString values in assertion messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace testsupport {

// A demo drive made once per test process by `pdv-admin init-drive --demo`
// (database, configuration file, simulated printer). Returns its root.
QString demoDrive();

// Puts the demo printer back as init-drive made it: no movement, no coupon,
// nothing printed.
void reiniciaImpressoraDoDemo();

// Opens the fiscal day on the demo drive's printer with the real clock (once
// per process), so a run on the real clock goes straight to the sale screen.
void abreDiaNoDemo();
// The same on any drive, at each call: false (and a failure) when it did not open.
bool abreDiaNoDrive(const QString &raiz);

// Points PDV_DRIVE at a folder while the object lives.
class UsaDrive {
 public:
  explicit UsaDrive(const QString &raiz);
  ~UsaDrive();

 private:
  QByteArray previous_;
  bool hadPrevious_;
};

// Opens the state's connection on the demo database, as the start-up would.
void conectaAoDemo(TerminalState &estado);

// Runs statements on the demo database (test set-up and checks).
void executaNoDemo(const QString &sql);
QVariant consultaNoDemo(const QString &sql);

}  // namespace testsupport
