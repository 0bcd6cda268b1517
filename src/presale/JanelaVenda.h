#pragma once
// What the pre-sale printing takes from, and shows on, the sale window it
// is opened over: the sale's consumer and the desk's caption, the coupon
// number and its cancelled mark, the pre-sale printed, and the closing
// service the sale window owns.
#include <QString>

class ServicoFechamento;

class JanelaVenda {
 public:
  virtual ~JanelaVenda() = default;
  // The consumer of the sale window ("code-name|document").
  virtual QString clienteDaVenda() = 0;
  // The desk as the coupon's footer names it.
  virtual QString caixaDaVenda() = 0;
  virtual ServicoFechamento &fechamento() = 0;
  // A coupon was opened on the printer with this number.
  virtual void mostraNumeroCupom(qlonglong cupom) = 0;
  // The coupon on the printer was cancelled.
  virtual void mostraCupomCancelado() = 0;
  // The pre-sale's coupon was closed: the window shows no coupon of its
  // own, names the sale printed and is back to the consumer.
  virtual void mostraCupomDeOutraTela(const QString &cliente, qlonglong empenho, qlonglong cupom) = 0;
  // The empenho recorded last.
  virtual void mostraEmpenho(qlonglong codigo) = 0;
};
