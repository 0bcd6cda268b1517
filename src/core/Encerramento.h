#pragma once
// Ending the program goes through one place, so that tests (and the replay
// transcript) can see it happen without the process ending.
#include <QString>
#include <functional>
#include <stdexcept>

// Thrown by the test/replay handler to unwind out of the screen that ended the run.
class ProgramaEncerrado : public std::runtime_error {
 public:
  explicit ProgramaEncerrado(const QString &motivo)
      : std::runtime_error(motivo.toStdString()), motivo_(motivo) {}
  const QString &motivo() const { return motivo_; }

 private:
  QString motivo_;
};

using TratadorEncerramento = std::function<void(int codigo, const QString &motivo)>;

// Ends the program at once (no unload steps). The default handler calls
// std::exit; an installed handler may throw ProgramaEncerrado instead.
[[noreturn]] void EncerraPrograma(int codigo, const QString &motivo);
// Installs a handler; returns the previous one. An empty handler restores the default.
TratadorEncerramento InstalaTratadorEncerramento(TratadorEncerramento tratador);

struct TerminalState;

// SIGTERM and SIGINT end the program cleanly: `aoSinal` runs in the main
// thread (through its event loop when there is one, which a blocked call
// delays until it returns), then the process exits with status 0. A second
// signal before that, or the main thread not getting to it within
// kPrazoEncerramentoMs, ends the process at once (status 128 + signal).
constexpr int kPrazoEncerramentoMs = 5000;
void InstalaEncerramentoPorSinal(std::function<void(int sinal)> aoSinal);
// Puts the handlers back when a library replaced them (the embedded
// database engine installs its own on attach); nothing before the install.
void ReinstalaSinais();
// The state whose printer port and connection a signal's end closes: set by
// the connection's opening, cleared by its closing.
void DefineEstadoEmUso(TerminalState *estado);
TerminalState *EstadoEmUso();
