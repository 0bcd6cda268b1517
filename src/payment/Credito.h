#pragma once
// Whether a customer may buy on credit: the open receivables, the limit and
// the credit status of the customer's row (CreCli: 1 limit, 2 overdue, 3
// both, 4 blocked), and for agreement conditions the month's purchases. A
// supervisor's release row (TB_GER_LIBERA) for the operator and the customer
// accepts at once. Each check returns its verdict: nullopt when the customer
// may buy, otherwise the refusal shown to the cashier. A database error
// propagates (ErroBanco): the check gave no verdict, never an acceptance
// (MensagemCreditoNaoVerificado is what the cashier is told then).
#include <QString>
#include <cstdint>
#include <optional>

#include "core/Moeda.h"
#include "core/TerminalState.h"

struct CreditoCliente {
  int64_t cliente = 0;  // CodCli
  Moeda limite;         // LimCli
  int status = 0;       // CreCli
  Moeda totalVenda;     // the sale's total on the payment screen
};

inline const QString MensagemCreditoNaoVerificado = QStringLiteral("Não foi possível verificar o crédito do cliente !");

// Credit sales with terms and cheques: overdue receivables (due before the
// working date + 5 days) for status 2 and 3, the limit for 1 and 3, blocked
// for 4.
[[nodiscard]] std::optional<QString> VerificaCredito(TerminalState &e, const CreditoCliente &c);

// Agreement conditions with a monthly limit: what the customer bought with
// that condition in the current month of the current year, against the limit.
[[nodiscard]] std::optional<QString> VerificaDebitoMensal(TerminalState &e, const CreditoCliente &c,
                                                          int64_t condicao);
