// Amount arithmetic, quantities, and a sale line's value against the
// simulated fiscal printer's own charge.
#include <gtest/gtest.h>

#include <QDateTime>
#include <memory>

#include "core/Moeda.h"
#include "core/Quantidade.h"
#include "fiscal/sim/Impressora.h"

namespace {

Moeda R(const char *texto) { return *Moeda::deTexto(QString::fromLatin1(texto)); }
Quantidade Q(const char *texto) { return *Quantidade::deTexto(QString::fromLatin1(texto)); }

}  // namespace

TEST(Moeda, PercentagesRoundHalfAwayToTheCentOrAsAsked) {
  EXPECT_EQ(R("10,00").percentual(R("2,5")), R("0,25"));
  EXPECT_EQ(R("3,33").percentual(R("17")), R("0,57"));  // 0,5661
  EXPECT_EQ(R("3,33").percentual(R("17"), 2, Arredondamento::Truncamento), R("0,56"));
  EXPECT_EQ(R("3,33").percentual(R("17"), 4), R("0,5661"));
  // Exactly half a cent goes away from zero on both sides.
  EXPECT_EQ(R("1,25").percentual(R("10")), R("0,13"));
  EXPECT_EQ(R("-1,25").percentual(R("10")), R("-0,13"));
  EXPECT_EQ(R("1,24").percentual(R("10")), R("0,12"));
  // A discounted price, at the decimals it is sent with.
  EXPECT_EQ(R("9,99").menosPercentual(R("10")), R("8,99"));
  EXPECT_EQ(R("9,99").menosPercentual(R("10"), 3), R("8,991"));
  EXPECT_EQ(R("9,95").menosPercentual(R("10")), R("8,96"));  // 8,955
  EXPECT_EQ(R("9,99").menosPercentual(R("0")), R("9,99"));
  EXPECT_EQ(R("9,99").menosPercentual(R("100")), Moeda());
  // A tax rate after a base reduction: 18% less 61,11% is 7,0002%.
  EXPECT_EQ(R("18").menosPercentual(R("61,11")), R("7,00"));
  EXPECT_EQ(R("18").menosPercentual(R("61,11"), 4), R("7,0002"));
  // Large amounts stay exact through the products.
  EXPECT_EQ(R("92233720368,54").percentual(R("99,99")), R("92224496996,50"));
}

TEST(Moeda, PercentageOfAnotherAmount) {
  EXPECT_EQ(Moeda::percentualDe(R("8,99"), R("9,99")), R("89,99"));  // 89,98998..
  EXPECT_EQ(Moeda::percentualDe(R("1"), R("3")), R("33,3333"));
  EXPECT_EQ(Moeda::percentualDe(R("2"), R("3")), R("66,6667"));
  EXPECT_EQ(Moeda::percentualDe(R("-1"), R("-4")), R("25"));
  EXPECT_FALSE(Moeda::percentualDe(R("1"), Moeda()).has_value());
}

TEST(Moeda, RoundingAndDecimalsUsed) {
  EXPECT_EQ(R("2,999").arredondada(2, Arredondamento::Truncamento), R("2,99"));
  EXPECT_EQ(R("-2,999").arredondada(2, Arredondamento::Truncamento), R("-2,99"));
  EXPECT_EQ(R("2,995").arredondada(), R("3,00"));
  EXPECT_EQ(R("-2,995").arredondada(), R("-3,00"));
  EXPECT_EQ(R("2,9949").arredondada(), R("2,99"));
  EXPECT_EQ(R("1234,5").arredondada(0), R("1235"));
  EXPECT_EQ(R("12").casasUsadas(), 0);
  EXPECT_EQ(R("1,5").casasUsadas(), 1);
  EXPECT_EQ(R("1,999").casasUsadas(), 3);
  EXPECT_EQ(R("-0,0001").casasUsadas(), 4);
  EXPECT_EQ(R("2,50").vezes(3), R("7,50"));
  EXPECT_EQ(R("1,99").vezes(Q("3")), R("5,97"));
  EXPECT_EQ(R("1,99").vezes(Q("0,333")), R("0,6627"));
  EXPECT_EQ(R("1,99").vezes(Q("0,333"), 2), R("0,66"));
}

TEST(Moeda, InstalmentsAddUpAndTheOddCentsGoFirst) {
  const auto tres = R("100,00").divideEm(3);
  ASSERT_TRUE(tres.has_value());
  EXPECT_EQ(tres->primeira, R("33,34"));
  EXPECT_EQ(tres->demais, R("33,33"));
  EXPECT_EQ(tres->lista(), (QList<Moeda>{R("33,34"), R("33,33"), R("33,33")}));
  EXPECT_EQ(R("0,05").divideEm(3)->lista(), (QList<Moeda>{R("0,03"), R("0,01"), R("0,01")}));
  EXPECT_EQ(R("90,00").divideEm(3)->primeira, R("30,00"));
  EXPECT_EQ(R("-0,05").divideEm(2)->lista(), (QList<Moeda>{R("-0,03"), R("-0,02")}));
  EXPECT_FALSE(R("10").divideEm(0).has_value());
  EXPECT_FALSE(R("10").divideEm(-2).has_value());
  for (const char *total : {"0,01", "0,99", "100,00", "1234,57", "99999,99"}) {
    for (int n = 1; n <= 60; ++n) {
      const DivisaoEmParcelas p = *R(total).divideEm(n);
      Moeda soma;
      for (const Moeda &parte : p.lista()) soma += parte;
      EXPECT_EQ(soma, R(total)) << total << " / " << n;
      EXPECT_GE(p.primeira, p.demais);
      EXPECT_LT(p.primeira - p.demais, Moeda::deCentavos(n));
    }
  }
  // An amount with a fraction of a cent is split as its value in cents.
  Moeda soma;
  for (const Moeda &parte : R("10,005").divideEm(3)->lista()) soma += parte;
  EXPECT_EQ(soma, R("10,01"));
}

TEST(Quantidade, ReadsRegionalTextAndRefusesTheRest) {
  EXPECT_EQ(Q("1,5").milesimos(), 1500);
  EXPECT_EQ(Q("0,001").milesimos(), 1);
  EXPECT_EQ(Q("12").milesimos(), 12000);
  EXPECT_EQ(Q(" 1.234,5 ").milesimos(), 1234500);
  EXPECT_EQ(Q("1,").milesimos(), 1000);
  EXPECT_EQ(Q(",25").milesimos(), 250);
  EXPECT_EQ(Q("-2,5").milesimos(), -2500);
  EXPECT_EQ(Q("1.500").milesimos(), 1500000);  // thousands, as the regional format reads it
  for (const char *ruim : {"", " ", ",", "1,2345", "1.5", "1.5,0", "12.34", "1,5kg", "abc", "1,5,0", "1 5",
                           "--1", "1e3", "0x10", "1234567890123456"})
    EXPECT_FALSE(Quantidade::deTexto(QString::fromLatin1(ruim)).has_value()) << ruim;
}

TEST(Quantidade, FormatsForTheScreenAndThePrinter) {
  EXPECT_EQ(Q("1,5").formatada(), "1,500");
  EXPECT_EQ(Q("1234,5").formatada(), "1.234,500");
  EXPECT_EQ(Q("0,001").formatada(), "0,001");
  EXPECT_EQ(Q("-0,25").formatada(), "-0,250");
  EXPECT_EQ(Q("2,5").formatada(0), "3");
  EXPECT_EQ(Q("1,255").formatada(2), "1,26");
  EXPECT_EQ(Q("1,004").formatada(2), "1,00");
  EXPECT_EQ(Q("1,5").paraImpressora(true), "0001500");
  EXPECT_EQ(Q("0,001").paraImpressora(true), "0000001");
  EXPECT_EQ(Q("99,999").paraImpressora(true), "0099999");
  EXPECT_EQ(Q("2").paraImpressora(false), "0002");
  EXPECT_EQ(Q("2,5").paraImpressora(false), "0003");
  EXPECT_TRUE(Q("3").ehInteira());
  EXPECT_FALSE(Q("3,001").ehInteira());
  EXPECT_EQ(Q("1,5") + Q("0,25") - Q("2"), Q("-0,25"));
}

TEST(Quantidade, QuantityThatAValueBuysNeverCostsMore) {
  // An in-store label worth 2,00 for a product at 0,30 a unit.
  const Quantidade q = *Quantidade::deValor(R("2,00"), R("0,30"));
  EXPECT_EQ(q, Q("6,666"));
  EXPECT_EQ(ValorLinha(R("0,30"), q), R("1,99"));
  EXPECT_EQ(*Quantidade::deValor(R("12,34"), R("12,34")), Q("1"));
  EXPECT_FALSE(Quantidade::deValor(R("1"), Moeda()).has_value());
  for (int centavos = 1; centavos <= 5000; centavos += 7) {
    const Moeda valor = Moeda::deCentavos(centavos), preco = R("3,99");
    EXPECT_LE(ValorLinha(preco, *Quantidade::deValor(valor, preco)), valor) << centavos;
  }
}

// The simulated printer charges each item quantity x unit price truncated to
// the cent; ValorLinha must agree for every three-decimal quantity a coupon
// can carry and unit prices with two and three decimals.
TEST(ValorLinha, ChargesWhatThePrinterCharges) {
  using namespace ecfsim;
  EXPECT_EQ(ValorLinha(R("1,999"), Q("0,999")), R("1,99"));  // 1,997001
  EXPECT_EQ(ValorLinha(R("0,01"), Q("0,999")), Moeda());
  EXPECT_EQ(ValorLinha(R("12345,67"), Q("99,999")), R("1234554,65"));
  EXPECT_EQ(ValorLinha(-R("3,33"), Q("1,5")), -R("4,99"));  // 4,995, toward zero

  MemoriaFiscal memoria = MemoriaNova("SIM0001");
  const QDateTime agora(QDate(2026, 3, 10), QTime(9, 0));
  {
    Bobina bobina;
    Impressora impressora(memoria, bobina, agora, QString());
    ASSERT_EQ(impressora.abreCupom(QString()), retorno::Aceito);
  }
  const char *precos[] = {"0,01", "0,99", "1,999", "12345,67", "0,333", "7,5", "2,49", "10,001", "0,009"};
  int diferentes = 0;
  for (const char *texto : precos) {
    const Moeda preco = R(texto);
    const int casas = preco.casasUsadas() == 3 ? 3 : 2;
    const QString precoImpresso = preco.textoVirgula(casas);
    for (int64_t inicio = 1; inicio <= 99999; inicio += 5000) {
      // A fresh tape for each run of items keeps the printed lines few.
      Bobina bobina;
      Impressora impressora(memoria, bobina, agora, QString());
      memoria.cupom.itens.clear();
      for (int64_t milesimos = inicio; milesimos < inicio + 5000 && milesimos <= 99999; ++milesimos) {
        const Quantidade q = Quantidade::deMilesimos(milesimos);
        const int r = impressora.vendeItem("1", "PRODUTO", "II", "F", q.paraImpressora(true), casas, precoImpresso,
                                           "%", "0000");
        const Moeda linha = ValorLinha(preco, q);
        if (r != retorno::Aceito) {
          // The printer refuses an item worth nothing; so must the line be.
          if (linha.ehZero()) continue;
          ADD_FAILURE() << "printer refused " << milesimos << " x " << texto;
          return;
        }
        const Centavos cobrado = memoria.cupom.itens.last().bruto;
        if (Moeda::deCentavos(cobrado) != linha && ++diferentes <= 5)
          ADD_FAILURE() << milesimos << " x " << texto << ": printer " << cobrado << ", line "
                        << linha.textoVirgula(4).toStdString();
      }
    }
  }
  EXPECT_EQ(diferentes, 0);
}
