#include <gtest/gtest.h>

#include "core/Tributacao.h"

namespace {

Tributacao classifica(const char *codigo, const char *operacao, const char *reducao = "0") {
  return ClassificaTributacao({codigo, *Moeda::deTexto("18,00"), *Moeda::deTexto("12,00"),
                               *Moeda::deTexto(reducao), operacao});
}

}  // namespace

TEST(Tributacao, AliquotaAndTotalByCodeAndFiscalOperation) {
  // Taxed: in-state rate, interstate rate, 6108 back to the in-state one.
  EXPECT_EQ(classifica("000", "5102").aliquota, "18,00");
  EXPECT_EQ(classifica("101", "6102").aliquota, "12,00");
  EXPECT_EQ(classifica("102", "6108").aliquota, "18,00");
  // Substitution: "FF" in-state and in 6108, the interstate rate otherwise.
  EXPECT_EQ(classifica("060", "5405").aliquota, "FF");
  EXPECT_EQ(classifica("260", "6404").aliquota, "12,00");
  EXPECT_EQ(classifica("070", "6108").aliquota, "FF");
  EXPECT_EQ(classifica("040", "6102").aliquota, "II");
  EXPECT_EQ(classifica("900", "5102").aliquota, "NN");
  EXPECT_EQ(classifica("051", "5102").grupo, GrupoTributacao::Diferido);
  EXPECT_EQ(classifica("051", "5102").aliquota, "NN");
  // Reduced base: the chosen rate less the reduction.
  EXPECT_EQ(classifica("020", "5102", "61,11").aliquota, "7,00");
  EXPECT_EQ(classifica("120", "6102", "33,33").aliquota, "8,00");
  // Any other code sends the rate and feeds no total ("60" is not "060").
  EXPECT_EQ(classifica("60", "5102").grupo, GrupoTributacao::Nenhum);
  EXPECT_EQ(classifica("60", "5102").aliquota, "18,00");
}

TEST(Tributacao, ALineFeedsItsTotalAndTheTaxOfTaxedLines) {
  const Moeda valor = *Moeda::deTexto("49,89");
  const TotaisLinha tributada = TotaisDaLinha(classifica("000", "5102"), valor);
  EXPECT_EQ(tributada.total, BaseTributada);
  EXPECT_EQ(tributada.totalImposto, ValorIcms);
  EXPECT_EQ(tributada.imposto, *Moeda::deTexto("8,98"));  // 8,9802
  EXPECT_EQ(TotaisDaLinha(classifica("060", "5102"), valor).total, BaseSubstituicao);
  EXPECT_EQ(TotaisDaLinha(classifica("900", "5102"), valor).total, IsentoNaoTributado);
  EXPECT_EQ(TotaisDaLinha(classifica("051", "5102"), valor).total, Diferido);
  EXPECT_EQ(TotaisDaLinha(classifica("020", "5102", "61,11"), valor).total, BaseReduzida);
  EXPECT_EQ(TotaisDaLinha(classifica("020", "5102", "61,11"), valor).totalImposto, -1);
  EXPECT_EQ(TotaisDaLinha(classifica("60", "5102"), valor).total, -1);
}

TEST(Tributacao, ThePrinterOfACatalogueGetsEveryRateItsProductsSend) {
  const QList<DadosTributacao> catalogo = {
      {"000", *Moeda::deTexto("18"), *Moeda::deTexto("12"), Moeda(), {}},
      {"020", *Moeda::deTexto("18"), *Moeda::deTexto("12"), *Moeda::deTexto("61,11"), {}},
      {"060", *Moeda::deTexto("17"), *Moeda::deTexto("7"), Moeda(), {}},
      {"040", *Moeda::deTexto("18"), *Moeda::deTexto("12"), Moeda(), {}}};
  // 18 and 12 taxed; 7,00 and 4,67 reduced; 7 for substitution out of state.
  EXPECT_EQ(AliquotasDoCatalogo(catalogo), (QList<int>{467, 700, 1200, 1800}));
}
