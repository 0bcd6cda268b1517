// What item entry refuses of a product's taxation, from a table of cases.
#include <gtest/gtest.h>

#include "sale/PForm.h"

namespace {

struct Caso {
  const char *tributacao;
  const char *estado;  // Deb512Cto
  const char *fora;    // Deb612Cto
  const char *recusa;  // "" : sold
};

const Caso Casos[] = {
    // A code whose second digit is 0 ("000", "101"...) needs both rates.
    {"000", "18,00", "12,00", ""},
    {"000", "0,00", "12,00", "Debito 512 esta ZERADO !"},
    {"000", "18,00", "0,00", "Debito 612 esta ZERADO !"},
    {"000", "0,00", "0,00", "Debito 512 esta ZERADO !"},
    {"020", "18,00", "0,00", ""},
    {"101", "0,00", "12,00", "Debito 512 esta ZERADO !"},
    // Other codes sell without rates (substitution, exempt, not taxed).
    {"060", "0,00", "0,00", ""},
    {"040", "0,00", "0,00", ""},
    {"41", "0,00", "0,00", ""},
    // One character: no second digit to look at.
    {"0", "0,00", "0,00", ""},
    // No code at all.
    {"", "18,00", "12,00", "Código de Tributação Invalido !"},
};

}  // namespace

TEST(RecusasItem, TaxationByTable) {
  for (const Caso &c : Casos) {
    SCOPED_TRACE(std::string(c.tributacao) + " " + c.estado + " " + c.fora);
    const DadosTributacao d{QString::fromUtf8(c.tributacao), *Moeda::deTexto(c.estado), *Moeda::deTexto(c.fora),
                            Moeda(), QStringLiteral("5102")};
    EXPECT_EQ(PForm::RecusaTributacao(d), QString::fromUtf8(c.recusa));
  }
}
