#include "core/Encerramento.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <poll.h>
#include <unistd.h>

namespace {
TratadorEncerramento &tratadorAtual() {
  static TratadorEncerramento t;
  return t;
}
}  // namespace

void EncerraPrograma(int codigo, const QString &motivo) {
  if (tratadorAtual()) tratadorAtual()(codigo, motivo);
  // A handler that returns still ends the run: nothing after this may run.
  if (tratadorAtual()) throw ProgramaEncerrado(motivo);
  std::exit(codigo);
}

TratadorEncerramento InstalaTratadorEncerramento(TratadorEncerramento tratador) {
  TratadorEncerramento anterior = tratadorAtual();
  tratadorAtual() = std::move(tratador);
  return anterior;
}

// ---------------------------------------------------------------- signals

namespace {

int tuboSinais[2] = {-1, -1};  // the handler writes the signal, a thread reads it
std::atomic<TerminalState *> estadoEmUso{nullptr};

extern "C" void aoReceberSinal(int sinal) {
  const unsigned char byte = static_cast<unsigned char>(sinal);
  // Only async-signal-safe work here: one write.
  [[maybe_unused]] const ssize_t n = ::write(tuboSinais[1], &byte, 1);
}

void instalaTratadores() {
  struct sigaction acao {};
  acao.sa_handler = aoReceberSinal;
  sigemptyset(&acao.sa_mask);
  acao.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &acao, nullptr);
  sigaction(SIGINT, &acao, nullptr);
}

}  // namespace

void InstalaEncerramentoPorSinal(std::function<void(int)> aoSinal) {
  if (tuboSinais[0] >= 0 || ::pipe(tuboSinais) != 0) return;
  instalaTratadores();
  std::thread([aoSinal = std::move(aoSinal)] {
    unsigned char byte = 0;
    while (::read(tuboSinais[0], &byte, 1) != 1) {
    }
    const int sinal = byte;
    const auto encerra = [aoSinal, sinal] {
      aoSinal(sinal);
      std::exit(0);
    };
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) encerra();
    QMetaObject::invokeMethod(app, encerra, Qt::QueuedConnection);
    // A second signal, or the main thread still busy after
    // kPrazoEncerramentoMs (a call that does not return, a loop that does
    // not run queued work), ends the process without the closing steps: the
    // system releases the port's lock and the database's socket.
    pollfd espera{tuboSinais[0], POLLIN, 0};
    if (::poll(&espera, 1, kPrazoEncerramentoMs) == 1 && ::read(tuboSinais[0], &byte, 1) == 1)
      std::_Exit(128 + byte);
    std::_Exit(128 + sinal);
  }).detach();
}

void ReinstalaSinais() {
  if (tuboSinais[0] >= 0) instalaTratadores();
}

void DefineEstadoEmUso(TerminalState *estado) { estadoEmUso = estado; }
TerminalState *EstadoEmUso() { return estadoEmUso.load(); }
