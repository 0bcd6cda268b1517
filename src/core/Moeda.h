#pragma once
// Currency amounts: a 64-bit integer in ten-thousandths, the same scale as the
// currency type of the suite's other programs (four decimals), so sums and
// comparisons are exact. Amounts are shown and recorded with two decimals;
// unit prices may carry up to four.
#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>

class Moeda {
 public:
  static constexpr int64_t kEscala = 10000;

  constexpr Moeda() = default;
  static constexpr Moeda deUnidades(int64_t decimosMilesimos) { Moeda m; m.v_ = decimosMilesimos; return m; }
  static constexpr Moeda deCentavos(int64_t centavos) { return deUnidades(centavos * 100); }
  static constexpr Moeda deInteiro(int64_t reais) { return deUnidades(reais * kEscala); }
  // Nearest ten-thousandth of a double (for values that arrive as doubles).
  static Moeda deDouble(double valor);
  // Decimal text with "," or "." as the decimal separator and optional
  // thousands separators of the other kind ("1.234,56", "1234.56", "-0,5").
  // Regional (decimal-comma) reading when both or only "," appear; a lone "."
  // followed by exactly three digits is read as thousands, as the regional
  // settings do. Returns nullopt when the text is not a number.
  static std::optional<Moeda> deTexto(const QString &texto);
  // Strict decimal text with "." as the separator ("-1234.5678"), as SQL and
  // the driver write numbers.
  static std::optional<Moeda> deTextoPonto(const QString &texto);
  // A database value: numeric text, integer or double.
  static Moeda deVariant(const QVariant &valor);

  constexpr int64_t unidades() const { return v_; }
  // Cents, rounded half away from zero.
  int64_t centavos() const;
  double paraDouble() const { return static_cast<double>(v_) / kEscala; }
  // Rounded to two decimals, half away from zero.
  Moeda arredondada() const { return deCentavos(centavos()); }

  // "#,##0.00" in the regional format: "1.234,56", "-0,50".
  QString formatada() const;
  // Decimal text with "." and the given number of decimals (rounded): for SQL.
  QString textoPonto(int casas = 2) const;
  // Decimal text with "," and the given number of decimals, no thousands.
  QString textoVirgula(int casas = 2) const;

  constexpr Moeda operator+(Moeda o) const { return deUnidades(v_ + o.v_); }
  constexpr Moeda operator-(Moeda o) const { return deUnidades(v_ - o.v_); }
  constexpr Moeda operator-() const { return deUnidades(-v_); }
  Moeda &operator+=(Moeda o) { v_ += o.v_; return *this; }
  Moeda &operator-=(Moeda o) { v_ -= o.v_; return *this; }
  // Multiplication by a quantity given in thousandths (3-decimal quantities),
  // rounded to the ten-thousandth.
  Moeda vezesMilesimos(int64_t milesimos) const;
  constexpr auto operator<=>(const Moeda &) const = default;

 private:
  int64_t v_ = 0;
};

Q_DECLARE_METATYPE(Moeda)
