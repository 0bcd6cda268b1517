#pragma once
// The payment row: one payment of a sale, as the payment screen's model holds
// it and the closing, the journal and the recording take it. The payment
// grid shows it in eleven cells (column 10 has no title and holds the
// payment form's name).
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>
#include <QStringList>

#include "core/Moeda.h"

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

// A payment of a sale: what the printer is told and the database records.
struct LinhaPagamento {
  int condicao = 0;       // payment-condition code (CpgPag)
  QString descricao;      // condition name
  Moeda valor;
  QString cheque, banco, agencia;
  QString emitente;       // cheque issuer, or the term list "d1/d2/..." ("1" for cash)
  QDate vencimento;       // null: none given
  int tipo = CondDinheiro;
  qlonglong convenio = 0;  // agreement number
  QString forma;          // payment form (NomFpg); a copied cheque row may lack it
  bool operator==(const LinhaPagamento &) const = default;

  // A row of the grid (ColunasPagamento cells) and back; the cells of a
  // row written by this program come back as they were.
  static LinhaPagamento deCelulas(const QStringList &celulas);
  QStringList celulas() const;
  // The due date a payment row records (DTVPAG): its date; none (Null) for
  // a sale on terms left without one, which is due by its terms; the day of
  // the sale for any other row without one (cash has no due date of its own).
  QVariant vencimentoGravado(const QDate &diaDaVenda) const;
};

// A payment row of an empenho: empenho, condition, agreement, value, cheque,
// bank, branch, issuer or terms, due date.
inline const QString SqlInserePagamento = QStringLiteral(
    "INSERT INTO TB_VDA_EPNPAG (EPNPAG,CPGPAG,CVNPAG,VALPAG,CHQPAG,BCOPAG,AGCPAG,EMIPAG,DTVPAG) VALUES "
    "(?,?,?,?,?,?,?,?,?)");

// The grid back to its header and one free row, eleven columns.
void IniciaGradePagamentos(Grade &g);
// What the payments add up to.
Moeda SomaPagamentos(const QList<LinhaPagamento> &pagamentos);
