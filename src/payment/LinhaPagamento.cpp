#include "payment/LinhaPagamento.h"

#include "core/Grade.h"

void IniciaGradePagamentos(Grade &g) {
  g.FormatString(LayoutPagamentos);
  g.setCols(ColunasPagamento);
  g.setColWidth(PagNomeForma, 0);  // kept for the recording, not shown
  g.LimpaLinhas();
  g.AddItem(QString());
  g.setPosicao(g.FixedRows, 0);
}

int LinhasComPagamento(const Grade &g) {
  int n = 0;
  for (int r = g.FixedRows; r < g.Rows(); ++r)
    if (!g.TextMatrix(r, PagCodigo).trimmed().isEmpty()) ++n;
  return n;
}

QList<QStringList> LinhasPreenchidas(const Grade &g) {
  QList<QStringList> linhas;
  for (int r = g.FixedRows; r < g.Rows(); ++r) {
    if (g.TextMatrix(r, PagCodigo).trimmed().isEmpty()) continue;
    QStringList celulas;
    for (int c = 0; c < ColunasPagamento; ++c) celulas << g.TextMatrix(r, c);
    linhas << celulas;
  }
  return linhas;
}

QVariant VencimentoGravado(const QStringList &linha, const QDate &diaDaVenda) {
  const QDate vencimento = QDate::fromString(linha.value(PagVencimento).trimmed(), QStringLiteral("dd/MM/yyyy"));
  if (vencimento.isValid()) return vencimento;
  if (linha.value(PagTipo).trimmed().toInt() == CondPrazo) return QVariant();
  return diaDaVenda;
}
