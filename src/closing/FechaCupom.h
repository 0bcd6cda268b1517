#pragma once
// Closing the coupon on the printer. Two dialogs, one implementation:
// "FECHAMENTO COMPLETO" sends each payment row as a payment form,
// "FECHAMENTO RESUMIDO" pays the whole sale with payment form 1. Both take
// the amount handed over, show the change and print the footer.
//
// The result: `enviado()` once the closing sequence went to the printer;
// `falha()` none when the printer took all of it, otherwise what went wrong
// ("Desistencia de Fechamento !" after Esc, nothing sent). A complete
// closing the printer left unfinished goes on, at the next F7 with the same
// payment rows, from where the printer stopped: no payment is sent twice.
#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

#include "core/Moeda.h"
#include "core/Tela.h"
#include "payment/LinhaPagamento.h"

struct DadosFechamento {
  Moeda totalDinheiro;            // the cash due (TotDin)
  QList<LinhaPagamento> pagamentos;  // complete closing: the payment rows
  QString cliente;                // "code-name|document"
  QString operacao;               // the sale's fiscal operation
  QString caixa;                  // the desk's identifier
  // Payment form 1's name when the database cannot tell it.
  QString formaUmConhecida;
  // Run just before the first printer call; false (with the reason) stops
  // the closing with nothing sent.
  std::function<bool(QString &erro)> antesDeEnviar;
};

// The subtotal's discount or increase as the printer takes it: "%" with a
// percentage or "$" with an amount.
struct DescontoCupom {
  QString tipo;
  QString valor;
};

// The closing sequence of a coupon paid by payment rows: the subtotal, one
// payment form per row, the footer. Every call is made even after a failure;
// the last one is returned ("Erro de Comunicação: " + result), none when the
// printer took every call. The same rows sent again while the printer still
// holds that closing go on where it stopped.
[[nodiscard]] std::optional<QString> EnviaFechamentoCompleto(TerminalState &estado, const DescontoCupom &desconto,
                                                             const QList<LinhaPagamento> &pagamentos,
                                                             const QString &rodape);

class FechaCupom : public Tela {
 public:
  enum class Tipo { Completo, Resumo };
  FechaCupom(Aplicacao &app, Tipo tipo, DadosFechamento dados);
  void carrega() override;
  void ativa() override;

  bool enviado() const { return enviado_; }
  // What went wrong: nothing while the dialog was only closed or once the
  // printer took the whole closing; otherwise Esc's MensagemDesistencia, why
  // nothing was sent (antesDeEnviar's reason) or the printer's last refusal.
  const std::optional<QString> &falha() const { return falha_; }
  // What the sale screen shows afterwards.
  QString pago() const { return pago_; }
  QString troco() const { return troco_; }
  QString dinheiro() const { return dinheiro_; }
  // The payment form 1 name used by the summarised closing.
  QString formaUm() const { return formaUm_; }

  static inline const QString MensagemDesistencia = QStringLiteral("Desistencia de Fechamento !");

  // "Vencimento em dd/mm/yyyy", or empty without a due date.
  static QString DescricaoVencimento(const QDate &vencimento);

 private:
  bool confereValor();
  void processa();
  void fechaCompleto(const QString &rodape);
  void fechaResumo(const QString &rodape);
  void desiste();
  Moeda valorPago();

  Tipo tipo_;
  DadosFechamento dados_;
  bool enviado_ = false;
  std::optional<QString> falha_;
  QString pago_, troco_, dinheiro_, formaUm_;
};

// The largest change a desk gives: an amount handed over beyond the cash due
// plus this is a slip of the finger, never printed on a coupon.
inline const Moeda TrocoMaximo = Moeda::deCentavos(100000);
// Why an amount handed over is refused ("" when it is taken): below the cash
// due (`mensagemMenor`, each screen's text) or a change above TrocoMaximo.
QString RecusaValorPago(const Moeda &devido, const Moeda &pago, const QString &mensagemMenor);

// Payment form 1's name (trimmed), read from the database. Throws ErroBanco.
QString NomeFormaUm(TerminalState &estado);
