#include "core/Quantidade.h"

#include <QRegularExpression>
#include <algorithm>

std::optional<Quantidade> Quantidade::deTexto(const QString &texto) {
  static const QRegularExpression forma(R"(^\s*([-+]?)(\d{1,3}(?:\.\d{3})+|\d*)(?:,(\d*))?\s*$)");
  const auto m = forma.match(texto);
  if (!m.hasMatch()) return std::nullopt;
  const QString inteira = m.captured(2).remove('.');
  const QString decimais = m.captured(3);
  if ((inteira.isEmpty() && decimais.isEmpty()) || decimais.size() > 3 || inteira.size() > 15)
    return std::nullopt;
  const int64_t v = inteira.toLongLong() * kEscala + decimais.leftJustified(3, '0').toLongLong();
  return deMilesimos(m.captured(1) == "-" ? -v : v);
}

std::optional<Quantidade> Quantidade::deValor(Moeda valor, Moeda unitario) {
  if (unitario.ehZero()) return std::nullopt;
  // Toward zero: the quantity never costs more than the value.
  return deMilesimos(DivideInteiros(static_cast<__int128>(valor.unidades()) * kEscala, unitario.unidades(),
                                    Arredondamento::Truncamento));
}

Quantidade Quantidade::arredondada(int casas) const {
  const int64_t passo = PotenciaDe10(3 - std::clamp(casas, 0, 3));
  return deMilesimos(DivideInteiros(v_, passo, Arredondamento::MeioParaLonge) * passo);
}

QString Quantidade::formatada(int casas) const {
  return Moeda::deUnidades(v_ * (Moeda::kEscala / kEscala)).formatada(std::clamp(casas, 0, 3));
}

QString Quantidade::paraImpressora(bool fracionada) const {
  if (fracionada)
    return QString::number(v_ / kEscala).rightJustified(4, '0') +
           QString::number(v_ % kEscala).rightJustified(3, '0');
  return QString::number(arredondada(0).v_ / kEscala).rightJustified(4, '0');
}
