// The coupon in progress: what the totals hold through entries and
// cancellations, and what the closing takes from it.
#include <gtest/gtest.h>

#include "closing/VendaFechada.h"
#include "sale/VendaEmCurso.h"

namespace {

Moeda m(const char *t) { return *Moeda::deTexto(t); }

ItemCupom item(const char *produto, const char *tributacao, const char *unitario, int milesimos = 1000) {
  ItemCupom i;
  i.produto = produto;
  i.descricao = QStringLiteral("PRODUTO ") + produto;
  i.quantidade = Quantidade::deMilesimos(milesimos);
  i.inteira = milesimos % 1000 == 0;
  i.unitario = m(unitario);
  i.precoLista = m(unitario);
  i.valor = ValorLinha(i.unitario, i.quantidade);
  i.tributacao = {tributacao, m("18,00"), m("12,00"), Moeda(), QStringLiteral("5102")};
  return i;
}

}  // namespace

TEST(VendaEmCurso, EntriesAndCancellationsKeepTotalsExact) {
  VendaEmCurso v;
  EXPECT_EQ(v.adiciona(item("1", "000", "49,89")).numero, 1);
  EXPECT_EQ(v.adiciona(item("2", "060", "3,33", 1235)).numero, 2);  // 4,11255 charged 4,11
  EXPECT_EQ(v.adiciona(item("3", "040", "0,01")).numero, 3);
  EXPECT_EQ(v.total(), m("49,89") + m("4,11") + m("0,01"));
  EXPECT_EQ(v.totais()[BaseTributada], m("49,89"));
  EXPECT_EQ(v.totais()[ValorIcms], m("8,9802"));  // four decimals while the coupon is open
  EXPECT_EQ(v.totais()[BaseSubstituicao], m("4,11"));
  EXPECT_EQ(v.totais()[IsentoNaoTributado], m("0,01"));

  // A cancelled item takes back exactly what it added, once.
  v.cancela(1);
  v.cancela(1);
  EXPECT_TRUE(v.item(1)->cancelado);
  EXPECT_EQ(v.total(), m("4,12"));
  EXPECT_EQ(v.totais()[BaseTributada], Moeda());
  EXPECT_EQ(v.totais()[ValorIcms], Moeda());
  // Numbers go on after a cancelled item; unknown numbers change nothing.
  EXPECT_EQ(v.adiciona(item("4", "000", "1,00")).numero, 4);
  v.cancela(0);
  v.cancela(9);
  EXPECT_EQ(v.total(), m("5,12"));
  EXPECT_EQ(v.item(5), nullptr);

  // The closing takes the items not cancelled, as the printer charged them.
  const QList<ItemVendido> vendidos = v.vendidos();
  ASSERT_EQ(vendidos.size(), 3);
  EXPECT_EQ(vendidos[0].item, 2);
  EXPECT_EQ(vendidos[0].produto, 2);
  EXPECT_EQ(vendidos[0].quantidade, Quantidade::deMilesimos(1235));
  EXPECT_EQ(vendidos[0].valor, m("4,11"));
  EXPECT_EQ(vendidos[0].tributacao, "060");

  v.limpa();
  EXPECT_TRUE(v.vazia());
  EXPECT_EQ(v.total(), Moeda());
  EXPECT_EQ(v.proximoNumero(), 1);
}

TEST(VendaEmCurso, ACancellationUsesTheClassificationOfItsEntry) {
  // The catalogue may change the product's taxes while the coupon is open:
  // the item carries the data it was sold with.
  VendaEmCurso v;
  ItemCupom i = item("7", "000", "10,00");
  v.adiciona(i);
  EXPECT_EQ(v.totais()[ValorIcms], m("1,80"));
  v.cancela(1);
  for (const Moeda &t : v.totais()) EXPECT_EQ(t, Moeda());
}
