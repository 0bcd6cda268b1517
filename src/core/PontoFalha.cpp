#include "core/PontoFalha.h"

#include <QByteArray>
#include <csignal>
#include <cstdlib>

namespace {
std::function<void(const char *)> &acaoNoPonto() {
  static std::function<void(const char *)> acao;
  return acao;
}
}  // namespace

void DefineAcaoNoPontoDeFalha(std::function<void(const char *)> acao) { acaoNoPonto() = std::move(acao); }

void PontoDeFalha(const char *ponto) {
  if (acaoNoPonto()) acaoNoPonto()(ponto);
  static const QByteArray escolhido = qgetenv("PDV_FALHA_EM");
  if (escolhido.isEmpty() || escolhido != ponto) return;
#ifdef SIGKILL
  std::raise(SIGKILL);
#endif
  std::abort();
}
