#pragma once
// The operator port on real dialogs: QMessageBox and QInputDialog.
#include <QPointer>
#include <QWidget>

#include "core/Operator.h"

class QtOperador : public Operator {
 public:
  // Dialogs are centred on the window in front (or the screen).
  std::function<QWidget *()> janelaAtual;
  Resposta mensagem(const PedidoMensagem &pedido) override;
  bool entrada(const PedidoEntrada &pedido, QString &resposta) override;
};
