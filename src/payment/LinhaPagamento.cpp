#include "payment/LinhaPagamento.h"

#include "core/Grade.h"
#include "core/Utilidades.h"

void IniciaGradePagamentos(Grade &g) {
  g.FormatString(LayoutPagamentos);
  g.setCols(ColunasPagamento);
  g.setColWidth(PagNomeForma, 0);  // kept for the recording, not shown
  g.LimpaLinhas();
  g.AddItem(QString());
  g.setPosicao(g.FixedRows, 0);
}

namespace {
const QString FormatoData = QStringLiteral("dd/MM/yyyy");
}

LinhaPagamento LinhaPagamento::deCelulas(const QStringList &c) {
  LinhaPagamento p;
  p.condicao = c.value(PagCodigo).trimmed().toInt();
  p.descricao = c.value(PagDescricao);
  p.valor = ParaMoeda(c.value(PagValor));
  p.cheque = c.value(PagCheque);
  p.banco = c.value(PagBanco);
  p.agencia = c.value(PagAgencia);
  p.emitente = c.value(PagEmitente);
  p.vencimento = QDate::fromString(c.value(PagVencimento).trimmed(), FormatoData);
  p.tipo = c.value(PagTipo).trimmed().toInt();
  p.convenio = c.value(PagConvenio).trimmed().toLongLong();
  p.forma = c.value(PagNomeForma);
  return p;
}

QStringList LinhaPagamento::celulas() const {
  return {QString::number(condicao), descricao, FormataValor(valor), cheque, banco, agencia, emitente,
          vencimento.isValid() ? vencimento.toString(FormatoData) : QString(), QString::number(tipo),
          QString::number(convenio), forma};
}

QVariant LinhaPagamento::vencimentoGravado(const QDate &diaDaVenda) const {
  if (vencimento.isValid()) return vencimento;
  if (tipo == CondPrazo) return QVariant();
  return diaDaVenda;
}

Moeda SomaPagamentos(const QList<LinhaPagamento> &pagamentos) {
  Moeda soma;
  for (const LinhaPagamento &p : pagamentos) soma += p.valor;
  return soma;
}
