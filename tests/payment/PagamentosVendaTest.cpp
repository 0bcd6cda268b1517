// The payments model: what the screen's totals and refusals are read from.
#include <gtest/gtest.h>

#include "payment/PagamentosVenda.h"

namespace {

LinhaPagamento linha(int condicao, int tipo, qlonglong centavos, const QString &cheque = {}) {
  LinhaPagamento p;
  p.condicao = condicao;
  p.tipo = tipo;
  p.valor = Moeda::deCentavos(centavos);
  p.cheque = cheque;
  p.banco = "001";
  p.agencia = "0001";
  return p;
}

}  // namespace

TEST(PagamentosVenda, TotalsRowsAndTheChecksTheScreenRefusesBy) {
  PagamentosVenda m;
  m.defineTotal(Moeda::deCentavos(2790));
  ASSERT_EQ(m.linhas(), 1);
  EXPECT_TRUE(m.livre(0));
  m.grava(0, linha(1, CondDinheiro, 1000));
  m.acrescenta(linha(5, CondCheque, 500, "500"));
  m.acrescentaLivre();
  m.acrescenta(linha(5, CondCheque, 1290, "501"));
  EXPECT_EQ(m.total(), Moeda::deCentavos(2790));
  EXPECT_EQ(m.dinheiro(), Moeda::deCentavos(1000));
  EXPECT_TRUE(m.concluido());
  EXPECT_EQ(m.pagamentos().size(), 3);
  EXPECT_EQ(m.cheques(), 2);
  // A condition on another row is found; the row being edited is not "another".
  EXPECT_EQ(m.linhaDaCondicao(1), 0);
  EXPECT_EQ(m.linhaDaCondicao(1, 0), -1);
  EXPECT_TRUE(m.chequeRepetido(2, "501", "001", "0001"));
  EXPECT_FALSE(m.chequeRepetido(3, "501", "001", "0001"));
  // Leaving drops free rows; deleting rows down to the last leaves it free.
  m.removeLivres();
  EXPECT_EQ(m.linhas(), 3);
  m.apaga(2);
  m.apaga(1);
  EXPECT_EQ(m.emAberto(), Moeda::deCentavos(1790));
  m.apaga(0);
  EXPECT_EQ(m.linhas(), 1);
  EXPECT_TRUE(m.livre(0));
  EXPECT_TRUE(m.total().ehZero());
  m.removeLivres();
  EXPECT_EQ(m.linhas(), 1);
}
