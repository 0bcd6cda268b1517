#pragma once
// The payment row: one row of the payment grid, read by the payment screen,
// the closing of the sale and the change of a recorded sale's payment. All
// cells are text; column 10 has no title and holds the payment form's name.
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>
#include <QStringList>

class Grade;

enum ColunaPagamento : int {
  PagCodigo = 0,      // payment-condition code; empty: a free row
  PagDescricao = 1,   // condition name
  PagValor = 2,       // amount, "#,##0.00"
  PagCheque = 3,      // cheque number (cheque rows only)
  PagBanco = 4,
  PagAgencia = 5,
  PagEmitente = 6,    // cheque issuer, or the term list "d1/d2/..." ("1" for cash)
  PagVencimento = 7,  // due date dd/mm/yyyy
  PagTipo = 8,        // kind of condition: 0 cash, 1 terms, 2 agreement, 3 cheque
  PagConvenio = 9,    // agreement number
  PagNomeForma = 10,  // payment form (Tb_Vda_FormPgt.NomFpg)
  ColunasPagamento = 11
};

// Kinds of condition (DupCpg).
enum TipoCondicao : int { CondDinheiro = 0, CondPrazo = 1, CondConvenio = 2, CondCheque = 3 };

inline const QString LayoutPagamentos = QStringLiteral(
    ">Código|<Descrição                  |>Valor do Pgto|>Cheque|>Banco|>Agência|"
    "<Emitente (Cheque) ou Prazo (Duplicata)                     |^Dt Vencimento|TP|Conv");

// The grid back to its header and one free row, eleven columns.
void IniciaGradePagamentos(Grade &g);
// The rows of the grid that hold a payment (column 0 not empty).
int LinhasComPagamento(const Grade &g);
// Those rows' cells (ColunasPagamento each), in grid order.
QList<QStringList> LinhasPreenchidas(const Grade &g);
// The due date a payment row records (DTVPAG): its date cell; none (Null)
// for a sale on terms left without one, which is due by its terms; the day
// of the sale for any other row without one (cash has no due date of its own).
QVariant VencimentoGravado(const QStringList &linha, const QDate &diaDaVenda);
