#include <gtest/gtest.h>

#include "payment/Parcelas.h"
#include "support/TestSupport.h"

namespace {

const QString kInvalido = "Parcelamento Invalido !";
const QString kDia = "Parcelamento Invalido (Dia>28 ou QtdParc=0) !";
const QString kIntervalo = "Parcelamento Invalido (QtdParc=0 ou Qtdias=0)!";
const QDate kQualquerDia(2025, 6, 18);

// Each text is refused with the message and stays pending as typed.
void EsperaRecusa(std::initializer_list<const char *> digitados, const QString &mensagem) {
  for (const char *d : digitados) {
    const QString typed = QString::fromUtf8(d);
    const PrazosDigitados p = InterpretaPrazos(typed, kQualquerDia);
    EXPECT_EQ(p.recusa, mensagem) << d;
    EXPECT_EQ(p.texto, typed) << d;
  }
}

// The text is accepted as the day list `dias`, its fields one by one.
void EsperaAceito(const QString &digitado, const QString &dias) {
  const PrazosDigitados p = InterpretaPrazos(digitado, kQualquerDia);
  EXPECT_TRUE(p.aceitos()) << p.recusa.toStdString();
  EXPECT_EQ(p.texto, dias);
  EXPECT_EQ(p.prazos, dias.split('/'));
}

// The due dates the terms give from `hoje`.
QList<QDate> Vencimentos(const PrazosDigitados &p, const QDate &hoje) {
  QList<QDate> datas;
  for (const QString &d : p.prazos) datas << hoje.addDays(d.toInt());
  return datas;
}

}  // namespace

TEST(DivideParcelas, OddCentsGoToTheFirstAndTheInstalmentsAddUpToTheTotal) {
  const Parcelamento cem = DivideParcelas(Moeda::deInteiro(100), 3);
  EXPECT_EQ(cem.primeira, Moeda::deCentavos(3334));
  EXPECT_EQ(cem.demais, Moeda::deCentavos(3333));

  const Parcelamento exato = DivideParcelas(Moeda::deInteiro(100), 4);
  EXPECT_EQ(exato.primeira, Moeda::deInteiro(25));
  EXPECT_EQ(exato.demais, Moeda::deInteiro(25));

  // Fewer cents than instalments: the first takes them all.
  const Parcelamento poucos = DivideParcelas(Moeda::deCentavos(2), 3);
  EXPECT_EQ(poucos.primeira, Moeda::deCentavos(2));
  EXPECT_EQ(poucos.demais, Moeda{});

  for (int64_t centavos : {1LL, 99LL, 10001LL, 123457LL, 99999999LL})
    for (int n = 1; n <= 13; ++n) {
      const Moeda total = Moeda::deCentavos(centavos);
      const Parcelamento p = DivideParcelas(total, n);
      EXPECT_EQ(p.primeira + p.demais.vezes(n - 1), total) << centavos << " in " << n;
      EXPECT_GE(p.primeira, p.demais);
    }
}

TEST(DivideParcelas, NoInstalmentsGivesNothingInsteadOfDividingByZero) {
  const Parcelamento p = DivideParcelas(Moeda::deInteiro(100), 0);
  EXPECT_EQ(p.primeira, Moeda{});
  EXPECT_EQ(p.demais, Moeda{});
}

TEST(InterpretaPrazos, ListOfDays) {
  EsperaAceito("30/60/90", "30/60/90");
  // Blanks around a field and leading zeros are not part of the number.
  EsperaAceito(" 30 / 045", "30/45");
}

TEST(InterpretaPrazos, ListWithAZeroEmptyOrGarbageFieldIsRefusedAsTyped) {
  const auto listas = {"30/0/60", "30/60/", "/30", "30//60", "30x/60", "-30/60", "30/60-90", "30/+60", "30/6,5"};
  EsperaRecusa(listas, kInvalido);
  // A refused list keeps its fields.
  EXPECT_EQ(InterpretaPrazos("30/0/60", kQualquerDia).prazos, QStringList({"30", "0", "60"}));
  EXPECT_EQ(InterpretaPrazos("30/60/", kQualquerDia).prazos, QStringList({"30", "60", ""}));
}

TEST(InterpretaPrazos, TextWithoutSeparatorIsRefused) {
  EsperaRecusa({"30", "", "   ", "trinta"}, kInvalido);
  EXPECT_TRUE(InterpretaPrazos("30", kQualquerDia).prazos.isEmpty());
}

TEST(InterpretaPrazos, DayOfTheFollowingMonths) {
  const QDate marco(2025, 3, 15);
  const PrazosDigitados p = InterpretaPrazos("10-3", marco);
  ASSERT_TRUE(p.aceitos());
  EXPECT_EQ(p.texto, "26/56/87");
  EXPECT_EQ(Vencimentos(p, marco), QList<QDate>({{2025, 4, 10}, {2025, 5, 10}, {2025, 6, 10}}));

  // Typed in November, the second and third fall in the next year.
  const QDate novembro(2025, 11, 20);
  const PrazosDigitados n = InterpretaPrazos("10-3", novembro);
  ASSERT_TRUE(n.aceitos());
  EXPECT_EQ(Vencimentos(n, novembro), QList<QDate>({{2025, 12, 10}, {2026, 1, 10}, {2026, 2, 10}}));

  // From the last day of January to the 28th of February (and of a leap one).
  EXPECT_EQ(Vencimentos(InterpretaPrazos("28-1", QDate(2025, 1, 31)), QDate(2025, 1, 31)),
            QList<QDate>({{2025, 2, 28}}));
  const QDate dezembro(2023, 12, 31);
  EXPECT_EQ(Vencimentos(InterpretaPrazos("28-3", dezembro), dezembro),
            QList<QDate>({{2024, 1, 28}, {2024, 2, 28}, {2024, 3, 28}}));
  // A day earlier in the month than today still means next month's.
  EXPECT_EQ(InterpretaPrazos("1-1", QDate(2025, 6, 30)).texto, "1");
}

TEST(InterpretaPrazos, DayOfMonthRefusals) {
  EsperaRecusa({"29-2", "10-0", "0-3", "-3", "10-", "10-3-5", "10-x"}, kDia);
  EsperaRecusa({"10-5000"}, kInvalido);
}

TEST(InterpretaPrazos, EveryKDaysNTimes) {
  EsperaAceito("30+3", "30/60/90");
  EsperaAceito("30+1", "30");

  EsperaRecusa({"0+3", "30+0", "+3", "30+", "30+3+1"}, kIntervalo);
  // Absurd counts are refused instead of building thousands of cheques.
  EsperaRecusa({"1+100000", "999999999+999"}, kInvalido);
}
