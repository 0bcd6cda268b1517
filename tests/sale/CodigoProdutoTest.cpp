// The kind of code typed in the product field, from a table of cases.
#include <gtest/gtest.h>

#include "sale/CodigoProduto.h"

namespace {

struct Caso {
  const char *digitado;
  TipoCodigo tipo;
  const char *chave;
  const char *valorEtiqueta;  // "" : none
  const char *textoCampo;
};

// EAN-13, EAN-8 and UPC-A codes with their check digits.
const Caso Casos[] = {
    // A trailing "." makes any 1..14 digits a system code (leading zeros go).
    {"16.", TipoCodigo::Sistema, "16", "", "16»"},
    {"016.", TipoCodigo::Sistema, "16", "", "016»"},
    {"7891000315507.", TipoCodigo::Sistema, "7891000315507", "", "7891000315507»"},
    {" 42. ", TipoCodigo::Sistema, "42", "", "42»"},
    // Fifteen digits and a dot: not a code with a dot, and not a number.
    {"123456789012345.", TipoCodigo::Nenhum, "", "", ""},
    // The search's hand-over.
    {"77»SABONETE»UN", TipoCodigo::Sistema, "77", "", ""},
    // Bar codes of 8, 12 and 13 digits, check digit holding.
    {"7891000315507", TipoCodigo::Barras, "7891000315507", "", ""},
    {"96385074", TipoCodigo::Barras, "96385074", "", ""},
    {"036000291452", TipoCodigo::Barras, "036000291452", "", ""},
    // ...and not holding: told, never looked up.
    {"7891000315508", TipoCodigo::Invalido, "7891000315508", "", ""},
    {"96385075", TipoCodigo::Invalido, "96385075", "", ""},
    // In-store label: "200" + internal code (2 more digits), value in
    // hundredths (7 digits), check digit; worth nothing: refused.
    {"2001200012341", TipoCodigo::Etiqueta, "20012", "12,34", ""},
    {"2001200000003", TipoCodigo::EtiquetaZerada, "20012", "0,00", ""},
    // Other numbers are system codes; anything else has no product.
    {"5", TipoCodigo::Sistema, "5", "", ""},
    {"1234567", TipoCodigo::Sistema, "1234567", "", ""},
    {"12345678901234", TipoCodigo::Sistema, "12345678901234", "", ""},
    {"ABC", TipoCodigo::Nenhum, "", "", ""},
    {"12,5", TipoCodigo::Nenhum, "", "", ""},
    {"'; drop table x", TipoCodigo::Nenhum, "", "", ""},
};

}  // namespace

TEST(CodigoProduto, KindOfCodeByTable) {
  for (const Caso &c : Casos) {
    SCOPED_TRACE(c.digitado);
    const CodigoDigitado r = ClassificaCodigo(QString::fromUtf8(c.digitado));
    EXPECT_EQ(r.tipo, c.tipo);
    if (c.tipo != TipoCodigo::Nenhum) EXPECT_EQ(r.chave, QString::fromUtf8(c.chave));
    if (*c.valorEtiqueta) EXPECT_EQ(r.valorEtiqueta, *Moeda::deTexto(c.valorEtiqueta));
    EXPECT_EQ(r.textoCampo, QString::fromUtf8(c.textoCampo));
  }
}
