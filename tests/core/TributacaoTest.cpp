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
  EXPECT_EQ(tributada.imposto, *Moeda::deTexto("8,9802"));  // not rounded to the cent yet
  EXPECT_EQ(TotaisDaLinha(classifica("060", "5102"), valor).total, BaseSubstituicao);
  EXPECT_EQ(TotaisDaLinha(classifica("900", "5102"), valor).total, IsentoNaoTributado);
  EXPECT_EQ(TotaisDaLinha(classifica("051", "5102"), valor).total, Diferido);
  EXPECT_EQ(TotaisDaLinha(classifica("020", "5102", "61,11"), valor).total, BaseReduzida);
  EXPECT_EQ(TotaisDaLinha(classifica("020", "5102", "61,11"), valor).totalImposto, -1);
  EXPECT_EQ(TotaisDaLinha(classifica("60", "5102"), valor).total, -1);
}

// Two lines at 18%: 5,022 + 12,1248 make 17,1468 of tax, 17,15 once rounded;
// each line rounded to the cent first would make 5,02 + 12,12 = 17,14.
TEST(Tributacao, TheCouponsTaxIsItsLinesTaxesRoundedOnce) {
  Moeda imposto;
  for (const char *linha : {"27,90", "67,36"})
    imposto += TotaisDaLinha(classifica("000", "5102"), *Moeda::deTexto(linha)).imposto;
  EXPECT_EQ(imposto, *Moeda::deTexto("17,1468"));
  EXPECT_EQ(imposto.arredondada(2), *Moeda::deTexto("17,15"));
}

TEST(Tributacao, ThePrinterOfACatalogueGetsEveryRateItsProductsSend) {
  const QList<DadosTributacao> catalogo = {
      {"000", *Moeda::deTexto("18"), *Moeda::deTexto("12"), Moeda(), {}},
      {"020", *Moeda::deTexto("18"), *Moeda::deTexto("12"), *Moeda::deTexto("61,11"), {}},
      {"060", *Moeda::deTexto("17"), *Moeda::deTexto("7"), Moeda(), {}},
      {"040", *Moeda::deTexto("18"), *Moeda::deTexto("12"), Moeda(), {}},
      // Exempt at item entry, but a pre-sale sends its rates.
      {"103", *Moeda::deTexto("17"), *Moeda::deTexto("7"), Moeda(), {}}};
  // 18 and 12 taxed; 7,00 and 4,67 reduced; 7 for substitution out of state; 17 of "103".
  EXPECT_EQ(AliquotasDoCatalogo(catalogo), (QList<int>{467, 700, 1200, 1700, 1800}));
}

namespace {

// In-state 18%, interstate 12%, half the base taken off.
Tributacao classificaEmpenho(const QString &codigo, const char *operacao) {
  return ClassificaTributacao({codigo, *Moeda::deTexto("18,00"), *Moeda::deTexto("12,00"),
                               *Moeda::deTexto("50,00"), operacao},
                              TabelaTributacao::Empenho);
}

}  // namespace

TEST(Tributacao, ThePreSaleTableForEveryCodeAndOperation) {
  struct Linha {
    QStringList codigos;
    GrupoTributacao grupo;
    const char *dentro;  // 5102
    const char *fora;    // 6102
    const char *em6108;
  };
  const QList<Linha> linhas = {
      {{"000"}, GrupoTributacao::Tributado, "18,00", "12,00", "18,00"},
      {{"060", "160", "260", "030", "130", "230", "061", "161", "261", "070", "170", "270"},
       GrupoTributacao::Substituicao, "FF", "12,00", "FF"},
      {{"040", "140", "240"}, GrupoTributacao::IsentoNaoTrib, "II", "II", "II"},
      {{"041", "141", "241", "050", "150", "250", "101", "102", "201", "202", "300", "400", "500", "900"},
       GrupoTributacao::IsentoNaoTrib, "NN", "NN", "NN"},
      {{"051", "151", "251"}, GrupoTributacao::Diferido, "NN", "NN", "NN"},
      {{"020", "120", "220"}, GrupoTributacao::BaseReduzida, "9,00", "6,00", "6,00"},
      // Not listed: "103" is exempt only at item entry, "60" is not "060".
      {{"103", "010", "090", "60", ""}, GrupoTributacao::Nenhum, "18,00", "12,00", "12,00"},
  };
  for (const Linha &l : linhas)
    for (const QString &codigo : l.codigos) {
      SCOPED_TRACE(codigo.toStdString());
      const Tributacao dentro = classificaEmpenho(codigo, "5102");
      const Tributacao fora = classificaEmpenho(codigo, "6102");
      const Tributacao em6108 = classificaEmpenho(codigo, "6108");
      EXPECT_EQ(dentro.grupo, l.grupo);
      EXPECT_EQ(fora.grupo, l.grupo);
      EXPECT_EQ(em6108.grupo, l.grupo);
      EXPECT_EQ(dentro.aliquota, l.dentro);
      EXPECT_EQ(fora.aliquota, l.fora);
      EXPECT_EQ(em6108.aliquota, l.em6108);
    }
  // The tax of a taxed line is figured on the rate sent.
  EXPECT_EQ(classificaEmpenho("000", "6108").taxa, *Moeda::deTexto("18,00"));
  EXPECT_EQ(classificaEmpenho("000", "6102").taxa, *Moeda::deTexto("12,00"));
}

TEST(Tributacao, TheCodesWhereItemEntryAndThePreSaleDiffer) {
  struct Caso {
    const char *codigo;
    const char *operacao;
    GrupoTributacao grupoItem;
    const char *aliquotaItem;
    GrupoTributacao grupoEmpenho;
    const char *aliquotaEmpenho;
  };
  const QList<Caso> casos = {
      {"101", "5102", GrupoTributacao::Tributado, "18,00", GrupoTributacao::IsentoNaoTrib, "NN"},
      {"102", "6102", GrupoTributacao::Tributado, "12,00", GrupoTributacao::IsentoNaoTrib, "NN"},
      {"201", "5102", GrupoTributacao::Substituicao, "FF", GrupoTributacao::IsentoNaoTrib, "NN"},
      {"202", "6102", GrupoTributacao::Substituicao, "12,00", GrupoTributacao::IsentoNaoTrib, "NN"},
      {"103", "5102", GrupoTributacao::IsentoNaoTrib, "II", GrupoTributacao::Nenhum, "18,00"},
      {"103", "6108", GrupoTributacao::IsentoNaoTrib, "II", GrupoTributacao::Nenhum, "12,00"},
      {"020", "6108", GrupoTributacao::BaseReduzida, "9,00", GrupoTributacao::BaseReduzida, "6,00"},
      {"220", "6108", GrupoTributacao::BaseReduzida, "9,00", GrupoTributacao::BaseReduzida, "6,00"},
      {"010", "6108", GrupoTributacao::Nenhum, "18,00", GrupoTributacao::Nenhum, "12,00"},
      // Alike in both: taxed and substitution keep the in-state side in 6108.
      {"000", "6108", GrupoTributacao::Tributado, "18,00", GrupoTributacao::Tributado, "18,00"},
      {"060", "6108", GrupoTributacao::Substituicao, "FF", GrupoTributacao::Substituicao, "FF"},
      {"020", "5102", GrupoTributacao::BaseReduzida, "9,00", GrupoTributacao::BaseReduzida, "9,00"},
  };
  for (const Caso &c : casos) {
    SCOPED_TRACE(std::string(c.codigo) + " " + c.operacao);
    const Tributacao item = classifica(c.codigo, c.operacao, "50");
    const Tributacao empenho = classificaEmpenho(QString::fromLatin1(c.codigo), c.operacao);
    EXPECT_EQ(item.grupo, c.grupoItem);
    EXPECT_EQ(item.aliquota, c.aliquotaItem);
    EXPECT_EQ(empenho.grupo, c.grupoEmpenho);
    EXPECT_EQ(empenho.aliquota, c.aliquotaEmpenho);
  }
}
