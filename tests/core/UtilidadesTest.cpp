#include <gtest/gtest.h>

#include "support/TestSupport.h"

#include "core/Utilidades.h"

TEST(ParaNumero, RegionalTextsNullsAndGarbage) {
  EXPECT_DOUBLE_EQ(ParaNumero(QVariant()), 0);
  EXPECT_DOUBLE_EQ(ParaNumero(QString()), 0);
  EXPECT_DOUBLE_EQ(ParaNumero("abc"), 0);
  EXPECT_DOUBLE_EQ(ParaNumero("1.234,56"), 1234.56);
  EXPECT_DOUBLE_EQ(ParaNumero("12abc"), 12);
  EXPECT_DOUBLE_EQ(ParaNumero("-3,5 kg"), -3.5);
  EXPECT_DOUBLE_EQ(ParaNumero(2.5), 2.5);
  // A dot is a thousands separator in the regional format: it is removed.
  EXPECT_DOUBLE_EQ(ParaNumero("1.5"), 15);
}

TEST(ParaMoeda, ExactAmountsFromText) {
  EXPECT_EQ(ParaMoeda("1.234,56"), Moeda::deCentavos(123456));
  EXPECT_EQ(ParaMoeda("0,1") + ParaMoeda("0,2"), ParaMoeda("0,3"));
  EXPECT_EQ(ParaMoeda("xyz"), Moeda());
  EXPECT_EQ(ParaMoeda(QVariant::fromValue(Moeda::deUnidades(12345))), Moeda::deUnidades(12345));
  EXPECT_EQ(ParaMoeda(QVariant(qint64(7))), Moeda::deInteiro(7));
  EXPECT_EQ(ParaMoeda(QVariant(0.1)), Moeda::deUnidades(1000));
  EXPECT_EQ(ParaMoeda("1,00005"), Moeda::deUnidades(10001));  // the fifth decimal rounds
}

// Money read with ParaMoeda is read as ParaNumero reads it, only exactly.
TEST(ParaMoeda, ReadsEveryTextAsParaNumeroDoes) {
  for (const char *texto : {"", " ", "abc", "12abc", "-3,5 kg", "1.5", "12.50", "1.234.567,891", ",5", "-,25",
                            "+7", "0,0001", "99999999,99", "1,5e2", "  42  ", "- 3", "1,2,3", "R$ 5"}) {
    const QVariant v = QString::fromLatin1(texto);
    EXPECT_EQ(ParaMoeda(v), Moeda::deDouble(ParaNumero(v))) << texto;
  }
}

// Amounts typed as text and summed: the exact sum is the sum of their cents;
// a double sum of the same texts drifts away from it.
TEST(ParaMoeda, SumsOfManyTypedAmountsAreExact) {
  constexpr int kQuantos = 64287;
  Moeda soma;
  double somaDouble = 0;
  int64_t centavos = 0;
  uint32_t semente = 12345;
  for (int i = 0; i < kQuantos; ++i) {
    semente = semente * 1103515245u + 12345u;
    const int64_t c = (semente >> 8) % 1000000;  // 0,00 .. 9.999,99
    centavos += c;
    const QString texto = Moeda::deCentavos(c).formatada();
    soma += ParaMoeda(texto);
    somaDouble += ParaNumero(texto);
  }
  EXPECT_EQ(soma, Moeda::deCentavos(centavos));
  EXPECT_EQ(soma.formatada(), Moeda::deCentavos(centavos).formatada());
  EXPECT_NE(somaDouble, static_cast<double>(centavos) / 100);
}

TEST(ParaQuantidade, GridTextsAndNumbersToTheThousandth) {
  EXPECT_EQ(ParaQuantidade("1,500").milesimos(), 1500);
  EXPECT_EQ(ParaQuantidade("1.234,5").milesimos(), 1234500);
  EXPECT_EQ(ParaQuantidade("3").milesimos(), 3000);
  EXPECT_EQ(ParaQuantidade("0,0005").milesimos(), 1);
  EXPECT_EQ(ParaQuantidade("-0,0005").milesimos(), -1);
  EXPECT_EQ(ParaQuantidade(QVariant(0.1)).milesimos(), 100);
  EXPECT_EQ(ParaQuantidade("abc").milesimos(), 0);
  EXPECT_EQ(ParaQuantidade(QVariant()).milesimos(), 0);
  // Quantities read back from their texts add up exactly: a thousand items of 0,001.
  Quantidade soma;
  for (int i = 0; i < 1000; ++i) soma += ParaQuantidade("0,001");
  EXPECT_EQ(soma, Quantidade::deInteiro(1));
}

TEST(EhNumeroNativo, NumbersNotTexts) {
  EXPECT_TRUE(EhNumeroNativo(QVariant(1)));
  EXPECT_TRUE(EhNumeroNativo(QVariant(qint64(1))));
  EXPECT_TRUE(EhNumeroNativo(QVariant(1.5)));
  EXPECT_TRUE(EhNumeroNativo(QVariant(true)));
  EXPECT_TRUE(EhNumeroNativo(QVariant::fromValue(Moeda::deCentavos(1))));
  EXPECT_FALSE(EhNumeroNativo(QVariant(QString("12"))));
  EXPECT_FALSE(EhNumeroNativo(QVariant()));
  EXPECT_FALSE(EhNumeroNativo(QVariant(QDate(2026, 1, 1))));
}

TEST(FormataValor, RegionalFormatWidthsAndEmptyText) {
  QVariant vazio = QString();
  EXPECT_EQ(FormataValor(vazio, 10), "      0,00");
  EXPECT_EQ(vazio.toInt(), 0);  // the caller's variable became 0
  QVariant v = 1234.5;
  EXPECT_EQ(FormataValor(v), "1.234,50");
  QVariant texto = QString("1234567,891");
  EXPECT_EQ(FormataValor(texto), "1.234.567,89");
  QVariant negativo = -0.5;
  EXPECT_EQ(FormataValor(negativo, 8), "   -0,50");
  // Rounding to two places, half away from zero.
  EXPECT_EQ(FormataValor(Moeda::deUnidades(12345)), "1,23");
  EXPECT_EQ(FormataValor(Moeda::deUnidades(12350)), "1,24");
  // A text too long for the width widens the field instead of being cut.
  QVariant grande = 1234567.0;
  EXPECT_EQ(FormataValor(grande, 4), "1.234.567,00");
}

TEST(FormataQuantidade, DecimalsAndThousands) {
  EXPECT_EQ(FormataQuantidade(1.5, 0, 3), "1,500");
  EXPECT_EQ(FormataQuantidade(1234.0, 0, 0), "1.234");
  EXPECT_EQ(FormataQuantidade(2.0, 6, 2), "  2,00");
  // Rounded half away from zero on the decimal text, not on a binary fraction.
  EXPECT_EQ(FormataQuantidade("2,675", 0, 2), "2,68");
  EXPECT_EQ(FormataQuantidade("1.234.567,0005", 0, 3), "1.234.567,001");
  EXPECT_EQ(FormataQuantidade(-0.0004, 0, 3), "0,000");
  EXPECT_EQ(FormataQuantidade("-1,5", 0, 1), "-1,5");
  EXPECT_EQ(FormataQuantidade("1,5", 0, 6), "1,500000");
  EXPECT_EQ(FormataQuantidade(QVariant(), 5, 1), "  0,0");
}

TEST(Alinha, ModesAndGrowingWidth) {
  int16_t largura = 10;
  EXPECT_EQ(Alinha(1, largura, "abc"), "    abc   ");  // starts at position 5
  EXPECT_EQ(Alinha(0, largura, "abc"), "abc       ");
  EXPECT_EQ(Alinha(2, largura, "abc"), "       abc");
  EXPECT_EQ(Alinha(0, largura, QString()), "          ");
  int16_t curta = 3;
  EXPECT_EQ(Alinha(2, curta, "abcdef"), "abcdef");
  EXPECT_EQ(curta, 6);  // the caller's width grew
}

TEST(TruncaDecimais, TruncatesNeverRounds) {
  EXPECT_DOUBLE_EQ(TruncaDecimais(2.999, 2), 2.99);
  EXPECT_DOUBLE_EQ(TruncaDecimais(-1.239, 2), -1.23);
  EXPECT_DOUBLE_EQ(TruncaDecimais(5, 2), 5);
  EXPECT_DOUBLE_EQ(TruncaDecimais(0.1 + 0.2, 1), 0.3);
}

TEST(TextUtilities, FieldsCountsAndCleaning) {
  EXPECT_EQ(PegaCampo("a|b|c", "|", 2), "b");
  EXPECT_EQ(PegaCampo("a|b|c", "|", 4), "");
  EXPECT_EQ(PegaCampo("#Calc#12,5#", "#", 3), "12,5");
  EXPECT_EQ(ContaCampos("a,b,c", ','), 3);
  EXPECT_EQ(ContaCampos("", ','), 1);
  QString t = "123.456.789-09";
  SoNumeros(t);
  EXPECT_EQ(t, "12345678909");
  EXPECT_EQ(SubstituiTexto("a-b-c", "-", "--"), "a--b--c");
  EXPECT_EQ(Aspas("x"), "'x'");
  EXPECT_EQ(Centavos(12345), Moeda::deCentavos(12345));
  EXPECT_EQ(Centavos(QVariant("150")), Moeda::deCentavos(150));
  EXPECT_EQ(Centavos(QVariant("000000012345")), ParaMoeda("123,45"));
}

TEST(Imprimep, MasksStopWhenTheValueRunsOut) {
  EXPECT_EQ(Imprimep("12345678909", "###.###.###-##"), "123.456.789-09");
  EXPECT_EQ(Imprimep("12345678000190", "##.###.###/####-##"), "12.345.678/0001-90");
  EXPECT_EQ(Imprimep("123", "###.###.###-##"), "123           ");
  EXPECT_EQ(Imprimep("", "##.###-###"), "          ");
}

TEST(CentraTela, CentresOnTheDisplay) {
  EXPECT_EQ(CentraTela(QSize(200, 100), QSize(1024, 768)), QPoint(412, 334));
}

TEST(Moeda, ArithmeticStaysExact) {
  Moeda soma;
  for (int i = 0; i < 1000; ++i) soma += ParaMoeda("0,01");
  EXPECT_EQ(soma, Moeda::deInteiro(10));
  EXPECT_EQ(Moeda::deCentavos(-150).formatada(), "-1,50");
  EXPECT_EQ(Moeda::deTexto("1.234"), Moeda::deInteiro(1234));
  EXPECT_EQ(Moeda::deTexto("12.34"), Moeda::deCentavos(1234));
  EXPECT_FALSE(Moeda::deTexto("12a").has_value());
  EXPECT_EQ(QVariant::fromValue(Moeda::deCentavos(150)).toString(), "1,5");
}
