#pragma once
// Currency amounts: a 64-bit integer in ten-thousandths, the same scale as the
// currency type of the suite's other programs (four decimals), so sums and
// comparisons are exact. Amounts are shown and recorded with two decimals;
// unit prices may carry up to four.
//
// Every computation that leaves the ten-thousandths grid rounds once, at the
// end, to the decimals asked for:
//  - a sale line's value (quantity x unit price) is truncated to the cent,
//    because that is what the fiscal printer charges (ValorLinha, in
//    Quantidade.h); a line worth 3,3333 is charged 3,33 and 0,999 kg at
//    1,999 is 1,99;
//  - percentages (a discounted price, a reduced tax rate) are rounded half
//    away from zero to the cent unless the caller asks otherwise: these
//    amounts are printed and recorded with two decimals, and the regional
//    number format rounds half away; the tax on a sale line is kept at four
//    decimals, and the coupon's tax total made of them is rounded once, when
//    it is recorded;
//  - an amount split into instalments is split in whole cents, and the cents
//    that do not divide go to the first instalment;
//  - a quantity worked out from a value and a price is truncated to the
//    thousandth (Quantidade::deValor).
#include <QList>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>

class Quantidade;
struct DivisaoEmParcelas;

// How a result is brought to a number of decimals.
enum class Arredondamento {
  MeioParaLonge,  // half away from zero: 0,125 -> 0,13 and -0,125 -> -0,13
  Truncamento,    // toward zero: 0,129 -> 0,12 and -0,129 -> -0,12
};

// numerador / denominador (not zero) in whole units, rounded as asked; the
// 128-bit operands keep the product of two amounts, or of an amount and a
// quantity, exact.
int64_t DivideInteiros(__int128 numerador, __int128 denominador, Arredondamento modo);
// 10 to the power of expoente (0 to 18).
int64_t PotenciaDe10(int expoente);

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
  constexpr bool ehZero() const { return v_ == 0; }
  // The decimals the amount really uses (0 to 4): 1,50 uses 1, 1,999 uses 3.
  int casasUsadas() const;
  // Brought to `casas` decimals (0 to 4); by default to the cent, half away
  // from zero.
  Moeda arredondada(int casas = 2, Arredondamento modo = Arredondamento::MeioParaLonge) const;

  // "#,##0.00" in the regional format: "1.234,56", "-0,50"; with another
  // number of decimals (0 to 4, rounded half away from zero) "#,##0.000".
  QString formatada(int casas = 2) const;
  // formatada() written into `buffer` instead of a QString of its own (for a
  // grid made of many amounts): a view of the buffer.
  using Buffer = char[40];
  QLatin1StringView formatadaEm(Buffer &buffer, int casas = 2) const;
  // Decimal text with "." and the given number of decimals (rounded): for SQL.
  QString textoPonto(int casas = 2) const;
  // Decimal text with "," and the given number of decimals, no thousands.
  QString textoVirgula(int casas = 2) const;

  constexpr Moeda operator+(Moeda o) const { return deUnidades(v_ + o.v_); }
  constexpr Moeda operator-(Moeda o) const { return deUnidades(v_ - o.v_); }
  constexpr Moeda operator-() const { return deUnidades(-v_); }
  Moeda &operator+=(Moeda o) { v_ += o.v_; return *this; }
  Moeda &operator-=(Moeda o) { v_ -= o.v_; return *this; }
  constexpr Moeda vezes(int64_t n) const { return deUnidades(v_ * n); }
  // The amount times a quantity, at `casas` decimals. For a sale line use
  // ValorLinha, which charges as the printer does.
  Moeda vezes(const Quantidade &quantidade, int casas = 4,
              Arredondamento modo = Arredondamento::MeioParaLonge) const;
  // taxa percent of the amount (amount x taxa / 100); the rate may carry
  // decimals (2,5%). The tax on a line: valor.percentual(aliquota, 4).
  Moeda percentual(Moeda taxa, int casas = 2, Arredondamento modo = Arredondamento::MeioParaLonge) const;
  // The amount less taxa percent (amount x (100 - taxa) / 100): a price after
  // a percentage discount, a tax rate after a base reduction.
  Moeda menosPercentual(Moeda taxa, int casas = 2,
                        Arredondamento modo = Arredondamento::MeioParaLonge) const;
  // parte as a percentage of todo (parte / todo x 100), four decimals, half
  // away from zero; nullopt when todo is zero.
  static std::optional<Moeda> percentualDe(Moeda parte, Moeda todo);

  // The amount split into n instalments; nullopt when n < 1.
  std::optional<DivisaoEmParcelas> divideEm(int n) const;

  constexpr auto operator<=>(const Moeda &) const = default;

 private:
  int64_t v_ = 0;
};

// An amount split into instalments in whole cents: every instalment is
// `demais` except the first, which also takes the cents that do not divide,
// so the instalments add up to the amount (rounded to the cent).
struct DivisaoEmParcelas {
  int quantidade = 0;
  Moeda primeira, demais;
  QList<Moeda> lista() const;
};

Q_DECLARE_METATYPE(Moeda)
