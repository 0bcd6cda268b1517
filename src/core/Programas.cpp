#include "core/Programas.h"

QString NomeEstiloJanela(platform::WindowStyle estilo) {
  switch (estilo) {
    case platform::WindowStyle::Hidden: return QStringLiteral("hidden");
    case platform::WindowStyle::Maximized: return QStringLiteral("maximized");
    case platform::WindowStyle::Normal: break;
  }
  return QStringLiteral("normal");
}

bool ExecutorProgramas::inicia(const QString &linhaComando, platform::WindowStyle estilo) {
  const bool ok = iniciaDeFato(linhaComando, estilo);
  if (observador) observador({linhaComando, estilo, ok});
  return ok;
}

void AbreCalculadora(ExecutorProgramas &programas) {
  if (platform::activateWindow(QStringLiteral("Calculadora"), platform::WindowStyle::Normal)) return;
  programas.inicia(ProgramaCalculadora, platform::WindowStyle::Normal);
}
