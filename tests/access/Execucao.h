#pragma once
// Runs the real program in the test process on the demo drive (or on a
// drive of the test's own, its day already opened), with the scripted
// operator and a fake clock; the end of the run is caught.
#include <QString>
#include <memory>
#include <optional>

#include "app/Programa.h"
#include "core/Encerramento.h"
#include "core/OperadorRoteiro.h"
#include "core/Tela.h"
#include "core/TerminalState.h"
#include "platform/Host.h"
#include "support/TestSupport.h"

struct Execucao {
  testsupport::UsaDrive drive;
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  platform::FakeClock relogio{QDateTime::currentDateTime()};
  platform::FixedClock parado{QDateTime()};
  std::unique_ptr<Programa> programa;
  TratadorEncerramento anterior;
  QString fim;  // why the run ended; empty while it goes on
  std::optional<QByteArray> falhasAntes;  // the printer's faults before paraRelogio
  QStringList chamadasEcf;  // printer wrappers called, in order

  explicit Execucao(const QString &raiz = {});
  ~Execucao();
  // Runs one step of the operator; false when the program ended during it.
  template <typename F>
  bool passo(F &&f) {
    try {
      f();
      return true;
    } catch (const ProgramaEncerrado &e) {
      fim = e.motivo();
      return false;
    }
  }
  bool inicia() { return passo([this] { programa->inicia(); }); }
  // Stops the run's clock, and the simulated printer's, at a moment that
  // stands for the server's too: a drive whose day a replay opened on that
  // date runs on that date, whatever day the test runs.
  void paraRelogio(const QDateTime &quando);
  // The demo operator logged in on a run whose clock is stopped at `quando`.
  bool entraParado(const QDateTime &quando) {
    paraRelogio(quando);
    return inicia() && entra("1", "1234");
  }
  Tela &frente() { return *programa->app().telaFrente(); }
  // Types a text over the focused field's text and presses Enter.
  bool preenche(const QString &texto);
  bool entra(const QString &codigo, const QString &senha) { return preenche(codigo) && preenche(senha); }
};
