#pragma once
// Reading the texts the program sends to the printer, and writing amounts on
// the tape. Numbers are exact integers throughout: amounts in cents,
// quantities in thousandths, percentages in hundredths of a percent.
#include <QDate>
#include <QString>
#include <cstdint>
#include <optional>

namespace ecfsim {

// A decimal text with up to `casas` decimals, as a count of 10^-casas:
// "1.234,56" and "1234,56" (comma decimals, full-stop thousands), "1234.56"
// (full-stop decimals), or digits only with `implicitas` implied decimals
// ("0150" with 2 implied is 1,50). Signs, letters and excess decimals: none.
std::optional<int64_t> LeDecimal(const QString &texto, int casas, int implicitas);

// An amount in cents; digits only carry two implied decimals.
std::optional<int64_t> LeCentavos(const QString &texto);
// A percentage in hundredths ("17,00", "1700", "10.5").
std::optional<int64_t> LePercentual(const QString &texto);
// A quantity in thousandths. Kind "I": whole units ("0002", "2"); kind "F":
// digits with three implied decimals ("0001500" is 1,5) or a decimal text.
std::optional<int64_t> LeQuantidade(const QString &tipo, const QString &texto);
// "dd/mm/yy", "dd/mm/yyyy", "ddmmyy", "ddmmyyyy".
QDate LeData(const QString &texto);

// "1.234,56"; negative amounts get a leading "-".
QString FormataCentavos(int64_t centavos);
// "2,000" thousandths as a quantity with three decimals.
QString FormataMilesimos(int64_t milesimos);
// Zero-padded digits of a non-negative count, e.g. Digitos(42, 6) = "000042".
QString Digitos(int64_t valor, int largura);

}  // namespace ecfsim
