#include "payment/Parcelas.h"

#include <optional>

namespace {

const QString kInvalido = QStringLiteral("Parcelamento Invalido !");
const QString kDiaInvalido = QStringLiteral("Parcelamento Invalido (Dia>28 ou QtdParc=0) !");
const QString kIntervaloInvalido = QStringLiteral("Parcelamento Invalido (QtdParc=0 ou Qtdias=0)!");

// Bounds of what a cashier can mean: a term of more than 9999 days or more
// than 999 instalments is a typing slip, and past them the day counts would
// no longer fit the term list the payment row keeps.
constexpr int kMaiorPrazo = 9999;
constexpr int kMaisParcelas = 999;
// The last day every month has.
constexpr int kUltimoDiaComum = 28;

// A field as a whole number of days or instalments: digits only, blanks
// around allowed. Empty, signed, fractional or mixed text ("30x", "3-5") is
// not a number of days.
std::optional<int> Inteiro(const QString &campo) {
  const QString t = campo.trimmed();
  if (t.isEmpty() || t.size() > 9) return std::nullopt;
  for (QChar c : t)
    if (c < u'0' || c > u'9') return std::nullopt;
  return t.toInt();
}

PrazosDigitados Recusa(const QString &digitado, const QString &motivo, QStringList campos = {}) {
  return PrazosDigitados{digitado, std::move(campos), motivo};
}

PrazosDigitados Aceita(const QList<int> &dias) {
  PrazosDigitados p;
  for (int d : dias) p.prazos << QString::number(d);
  p.texto = p.prazos.join('/');
  return p;
}

// "30/60/90": every field a day count above zero.
PrazosDigitados ListaDeDias(const QString &digitado) {
  const QStringList campos = digitado.split('/');
  QList<int> dias;
  for (const QString &campo : campos) {
    const std::optional<int> d = Inteiro(campo);
    if (!d || *d == 0 || *d > kMaiorPrazo) return Recusa(digitado, kInvalido, campos);
    dias << *d;
  }
  return Aceita(dias);
}

// "10-3": day D of each of the next n months, counted in days from today.
PrazosDigitados DiaDoMes(const QString &digitado, qsizetype separador, const QDate &hoje) {
  const std::optional<int> dia = Inteiro(digitado.left(separador));
  const std::optional<int> parcelas = Inteiro(digitado.mid(separador + 1));
  if (!dia || !parcelas || *dia < 1 || *dia > kUltimoDiaComum || *parcelas == 0)
    return Recusa(digitado, kDiaInvalido);
  if (*parcelas > kMaisParcelas) return Recusa(digitado, kInvalido);
  const QDate inicioDoMes(hoje.year(), hoje.month(), 1);
  QList<int> dias;
  for (int i = 1; i <= *parcelas; ++i) {
    const QDate mes = inicioDoMes.addMonths(i);  // December rolls into January
    dias << static_cast<int>(hoje.daysTo(QDate(mes.year(), mes.month(), *dia)));
  }
  if (dias.last() > kMaiorPrazo) return Recusa(digitado, kInvalido);
  return Aceita(dias);
}

// "30+3": every k days, n times.
PrazosDigitados Intervalo(const QString &digitado, qsizetype separador) {
  const std::optional<int> intervalo = Inteiro(digitado.left(separador));
  const std::optional<int> parcelas = Inteiro(digitado.mid(separador + 1));
  if (!intervalo || !parcelas || *intervalo == 0 || *parcelas == 0)
    return Recusa(digitado, kIntervaloInvalido);
  if (*parcelas > kMaisParcelas || static_cast<int64_t>(*intervalo) * *parcelas > kMaiorPrazo)
    return Recusa(digitado, kInvalido);
  QList<int> dias;
  for (int i = 1; i <= *parcelas; ++i) dias << i * *intervalo;
  return Aceita(dias);
}

}  // namespace

PrazosDigitados InterpretaPrazos(const QString &digitado, const QDate &hoje) {
  // The separators are tried in this order: "30/60" is a list even when a
  // field holds a "-" or a "+".
  if (digitado.contains('/')) return ListaDeDias(digitado);
  if (const qsizetype traco = digitado.indexOf('-'); traco >= 0) return DiaDoMes(digitado, traco, hoje);
  if (const qsizetype mais = digitado.indexOf('+'); mais >= 0) return Intervalo(digitado, mais);
  return Recusa(digitado, kInvalido);
}

Parcelamento DivideParcelas(const Moeda &total, int parcelas) {
  const std::optional<DivisaoEmParcelas> divisao = total.divideEm(parcelas);
  if (!divisao) return {};
  return {divisao->primeira, divisao->demais};
}
