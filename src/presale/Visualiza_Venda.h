#pragma once
// A recorded empenho looked at without printing anything: header, items
// (every one, gaps in their numbers too) and payment forms; F4 changes the
// payment forms, F5 hands a pending empenho to the suite's release program.
#include "presale/TelaEmpenho.h"

class VisualizaVenda : public TelaEmpenho {
 public:
  explicit VisualizaVenda(Aplicacao &app);
  void ativa() override;

  static inline const QString MensagemNaoPendente = QStringLiteral("Empenho não esta pendente !");

 protected:
  void teclaCarregado(int &tecla) override;
};
