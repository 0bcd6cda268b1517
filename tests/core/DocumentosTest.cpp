// CPF and CNPJ check digits as the consumer panels take them.
#include <gtest/gtest.h>

#include "core/Documentos.h"

TEST(Documentos, CpfAndCnpjCheckDigits) {
  // Valid ones, including check digits of 0 (a remainder below 2).
  for (const char *cpf : {"52998224725", "12345678909", "11144477735", "00000000191"})
    EXPECT_TRUE(documentos::CpfValido(cpf)) << cpf;
  // A wrong first or second check digit, one digit all through (whose check
  // digits do hold), wrong lengths, not digits.
  for (const char *cpf : {"52998224715", "52998224724", "11111111111", "00000000000", "5299822472", "529982247250",
                          "5299822472a", ""})
    EXPECT_FALSE(documentos::CpfValido(cpf)) << cpf;
  for (const char *cnpj : {"11222333000181", "11444777000161"}) EXPECT_TRUE(documentos::CnpjValido(cnpj)) << cnpj;
  for (const char *cnpj : {"11222333000182", "11222333000191", "11111111111111", "1122233300018", "1122233300018x"})
    EXPECT_FALSE(documentos::CnpjValido(cnpj)) << cnpj;

  const QString tamanho = "tamanho";
  EXPECT_EQ(documentos::Recusa("52998224725", tamanho), "");
  EXPECT_EQ(documentos::Recusa("11222333000181", tamanho), "");
  EXPECT_EQ(documentos::Recusa("123456789012", tamanho), tamanho);
  EXPECT_EQ(documentos::Recusa("11111111111", tamanho),
            "CPF inválido: 11111111111 (os dígitos verificadores não conferem) !");
  EXPECT_EQ(documentos::Recusa("11222333000182", tamanho),
            "CNPJ inválido: 11222333000182 (os dígitos verificadores não conferem) !");
}
