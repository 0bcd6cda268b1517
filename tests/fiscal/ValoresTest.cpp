// The simulator's reading of the texts the program sends: amounts in the
// three ways the screens write them, quantities of both kinds, dates.
#include <gtest/gtest.h>

#include "fiscal/sim/Valores.h"

using namespace ecfsim;

TEST(ValoresDoSimulador, AmountsReadExactlyInCents) {
  EXPECT_EQ(LeCentavos("1.234,56"), 123456);
  EXPECT_EQ(LeCentavos("1234,5"), 123450);
  EXPECT_EQ(LeCentavos("12.50"), 1250);
  EXPECT_EQ(LeCentavos(" 0150 "), 150);  // digits carry two implied decimals
  EXPECT_EQ(LeCentavos("0,00"), 0);
  EXPECT_EQ(LeCentavos(",5"), 50);
  for (const char *ruim : {"", "-1,00", "1,234", "abc", "1,2,3", "1.2.3", "12a"})
    EXPECT_FALSE(LeCentavos(ruim).has_value()) << ruim;
}

TEST(ValoresDoSimulador, QuantitiesByKind) {
  EXPECT_EQ(LeQuantidade("I", "0002"), 2000);
  EXPECT_EQ(LeQuantidade("F", "0001500"), 1500);
  EXPECT_EQ(LeQuantidade("f", "1,5"), 1500);
  EXPECT_FALSE(LeQuantidade("I", "1,5").has_value());
  EXPECT_FALSE(LeQuantidade("X", "1").has_value());
  EXPECT_FALSE(LeQuantidade("F", "1,0001").has_value());
}

TEST(ValoresDoSimulador, DatesAndFormatting) {
  EXPECT_EQ(LeData("10/03/26"), QDate(2026, 3, 10));
  EXPECT_EQ(LeData("10032026"), QDate(2026, 3, 10));
  EXPECT_FALSE(LeData("31/02/26").isValid());
  EXPECT_FALSE(LeData("1/3/26").isValid());
  EXPECT_EQ(FormataCentavos(123456789), "1.234.567,89");
  EXPECT_EQ(FormataCentavos(-5), "-0,05");
  EXPECT_EQ(FormataMilesimos(1500), "1,500");
  EXPECT_EQ(Digitos(42, 6), "000042");
}
