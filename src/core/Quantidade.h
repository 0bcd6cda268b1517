#pragma once
// Quantities sold: a 64-bit integer in thousandths, the three decimals the
// fiscal printer takes for fractional items ("1,5" kg is 1500).
#include <QString>
#include <cstdint>
#include <optional>

#include "core/Moeda.h"

class Quantidade {
 public:
  static constexpr int64_t kEscala = 1000;

  constexpr Quantidade() = default;
  static constexpr Quantidade deMilesimos(int64_t milesimos) { Quantidade q; q.v_ = milesimos; return q; }
  static constexpr Quantidade deInteiro(int64_t unidades) { return deMilesimos(unidades * kEscala); }
  // Regional text: digits with an optional sign, "," before at most three
  // decimals and "." between groups of three digits ("12", "1,5", "0,001",
  // "1.234,5"). nullopt for anything else: "1,2345", "1.5", "1,5kg", "".
  static std::optional<Quantidade> deTexto(const QString &texto);
  // The quantity that a value buys at a unit price, truncated to the
  // thousandth (2,00 at 0,30 is 6,666); nullopt when the price is zero.
  static std::optional<Quantidade> deValor(Moeda valor, Moeda unitario);

  constexpr int64_t milesimos() const { return v_; }
  constexpr bool ehInteira() const { return v_ % kEscala == 0; }
  constexpr bool ehZero() const { return v_ == 0; }
  // Brought to `casas` decimals (0 to 3), half away from zero.
  Quantidade arredondada(int casas) const;

  // "#,##0.000" in the regional format with `casas` decimals (0 to 3,
  // rounded half away from zero): "1.234,500", "0,001", "12".
  QString formatada(int casas = 3) const;
  // As the printer's item command takes it: a fractional quantity ("F") as
  // seven digits, the last three decimals ("0001500"); a whole one ("I") as
  // four digits, rounded to the unit ("0002"). For positive quantities.
  QString paraImpressora(bool fracionada) const;

  constexpr Quantidade operator+(Quantidade o) const { return deMilesimos(v_ + o.v_); }
  constexpr Quantidade operator-(Quantidade o) const { return deMilesimos(v_ - o.v_); }
  constexpr Quantidade operator-() const { return deMilesimos(-v_); }
  Quantidade &operator+=(Quantidade o) { v_ += o.v_; return *this; }
  Quantidade &operator-=(Quantidade o) { v_ -= o.v_; return *this; }
  constexpr auto operator<=>(const Quantidade &) const = default;

 private:
  int64_t v_ = 0;
};

// The value of a sale line as the fiscal printer charges it: quantity x unit
// price, truncated to the cent. The unit price is the one sent to the printer
// (two or three decimals); a fourth decimal is taken as it stands.
inline Moeda ValorLinha(Moeda unitario, Quantidade quantidade) {
  return unitario.vezes(quantidade, 2, Arredondamento::Truncamento);
}
