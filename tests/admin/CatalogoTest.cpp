#include <gtest/gtest.h>

#include <QSet>

#include "admin/Catalogo.h"

TEST(CodigoBarras, CheckDigitsOfKnownCodesAndValidation) {
  // Published examples: EAN-13, EAN-8 and a 12-digit UPC.
  EXPECT_EQ(ComDigitoVerificador("400638133393"), "4006381333931");
  EXPECT_EQ(ComDigitoVerificador("9638507"), "96385074");
  EXPECT_EQ(ComDigitoVerificador("03600029145"), "036000291452");
  EXPECT_EQ(ComDigitoVerificador("789100000000"), "7891000000007");
  // Validation rejects a wrong digit or non-digits.
  EXPECT_TRUE(CodigoBarrasValido("4006381333931"));
  EXPECT_FALSE(CodigoBarrasValido("4006381333932"));
  EXPECT_FALSE(CodigoBarrasValido("40063813339X1"));
  EXPECT_FALSE(CodigoBarrasValido("4"));
  EXPECT_FALSE(CodigoBarrasValido(""));
}

TEST(ProdutoGerado, IsDeterministicWithUniqueValidCodes) {
  QSet<QString> eans, internos;
  for (qint64 codigo = 1000; codigo < 6000; ++codigo) {
    const ProdutoCatalogo p = ProdutoGerado(codigo);
    EXPECT_EQ(p.ean.size(), 13);
    EXPECT_TRUE(p.ean.startsWith("789"));
    EXPECT_TRUE(CodigoBarrasValido(p.ean)) << p.ean.toStdString();
    // Never mistaken for an in-store label ("200...") or its 5-digit code.
    EXPECT_FALSE(p.ean.startsWith("200"));
    EXPECT_GE(p.cdi.size(), 6);
    EXPECT_GT(p.preco, Moeda());
    EXPECT_FALSE(p.nome.isEmpty());
    eans.insert(p.ean);
    internos.insert(p.cdi);
  }
  EXPECT_EQ(eans.size(), 5000);
  EXPECT_EQ(internos.size(), 5000);
  EXPECT_EQ(ProdutoGerado(123456).nome, ProdutoGerado(123456).nome);
  EXPECT_EQ(ProdutoGerado(123456).preco, ProdutoGerado(123456).preco);
}

TEST(ProdutoGerado, EveryTaxCodeAppearsWithRatesThatFitItsGroup) {
  QSet<QString> vistos;
  for (qint64 codigo = 1000; codigo < 1000 + CodigosTributacao().size(); ++codigo) {
    const ProdutoCatalogo p = ProdutoGerado(codigo);
    vistos.insert(p.tributacao);
    if (p.tributacao == "040" || p.tributacao == "051") {
      EXPECT_EQ(p.aliquotaEstado, Moeda());
    }
    if (p.tributacao == "000") {
      EXPECT_EQ(p.aliquotaEstado, Moeda::deInteiro(18));
    }
    if (p.tributacao == "020") {
      EXPECT_GT(p.reducao, Moeda());
    }
  }
  EXPECT_EQ(vistos.size(), CodigosTributacao().size());
}
