#pragma once
// Money in or out of the drawer outside a sale: withdrawal, supply, receipt
// and payment of accounts. One screen asks the amount, sends the printer
// operation of its kind and opens the drawer; a failure is told in Mensagem
// (the drawer is driven all the same).
#include <QString>
#include <cstdint>

#include "core/Tela.h"

class MovimentoCaixa : public Tela {
 public:
  // True once the printer accepted the operation.
  bool aceito() const { return aceito_; }

  // The amount typed, as the printer's calls take it ("1.234,56"); an empty
  // field goes as zero, for the printer to refuse.
  static QString ValorParaImpressora(const QString &digitado);

 protected:
  using Operacao = int16_t (*)(TerminalState &, const QString &valor);
  // feito: the message line's text once the printer accepted ("%1": the amount).
  MovimentoCaixa(Aplicacao &app, const char *nome, const QString &legenda, Operacao operacao, QString feito);
  void ativa() override;

 private:
  void confirma();
  Operacao operacao_;
  QString feito_;
  bool enviado_ = false, aceito_ = false;
};

// EcfSangria(value).
class SangriaF : public MovimentoCaixa {
 public:
  explicit SangriaF(Aplicacao &app);
};

// EcfSuprimento(value, "Dinheiro").
class SuprimentoF : public MovimentoCaixa {
 public:
  explicit SuprimentoF(Aplicacao &app);
};

// EcfRecebimentoNaoFiscal("01", value, "Dinheiro").
class RecValores : public MovimentoCaixa {
 public:
  explicit RecValores(Aplicacao &app);
};

// EcfRecebimentoNaoFiscal("29", value, "Dinheiro").
class PgtValores : public MovimentoCaixa {
 public:
  explicit PgtValores(Aplicacao &app);
};
