#pragma once
// Outside programs (calculator, the suite's modules, the release and
// cancellation programs) start through this port, so a replay transcript and
// a test see every command line and window style.
#include <QString>
#include <functional>

#include "platform/Host.h"

struct ProgramaIniciado {
  QString linhaComando;
  platform::WindowStyle estilo = platform::WindowStyle::Normal;
  bool iniciado = false;
};

QString NomeEstiloJanela(platform::WindowStyle estilo);

class ExecutorProgramas {
 public:
  virtual ~ExecutorProgramas() = default;
  // Starts the program detached; false when it could not be started.
  bool inicia(const QString &linhaComando, platform::WindowStyle estilo = platform::WindowStyle::Normal);
  // Told of every start, started or not.
  std::function<void(const ProgramaIniciado &)> observador;

 protected:
  virtual bool iniciaDeFato(const QString &linhaComando, platform::WindowStyle estilo) {
    return platform::startProgram(linhaComando, estilo);
  }
};

// The calculator of the desk: brought to the front when it runs, started
// otherwise.
inline constexpr const char *ProgramaCalculadora = "c:\\kw-velt\\Calculadora.exe";
void AbreCalculadora(ExecutorProgramas &programas);
