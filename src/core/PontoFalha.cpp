#include "core/PontoFalha.h"

#include <QByteArray>
#include <csignal>
#include <cstdlib>

void PontoDeFalha(const char *ponto) {
  static const QByteArray escolhido = qgetenv("PDV_FALHA_EM");
  if (escolhido.isEmpty() || escolhido != ponto) return;
#ifdef SIGKILL
  std::raise(SIGKILL);
#endif
  std::abort();
}
