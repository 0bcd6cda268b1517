#include "fiscal/sim/Valores.h"

#include <QRegularExpression>

namespace ecfsim {

namespace {

bool soDigitos(const QString &t) {
  if (t.isEmpty()) return false;
  for (QChar c : t)
    if (!c.isDigit() || c.unicode() > 127) return false;
  return true;
}

int64_t potencia10(int n) {
  int64_t p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

}  // namespace

std::optional<int64_t> LeDecimal(const QString &texto, int casas, int implicitas) {
  QString t = texto.trimmed();
  if (t.isEmpty() || t.size() > 18) return std::nullopt;
  QString inteira, fracao;
  if (t.contains(',')) {
    t.remove('.');
    inteira = t.section(',', 0, 0);
    fracao = t.section(',', 1);
  } else if (t.contains('.')) {
    inteira = t.section('.', 0, 0);
    fracao = t.section('.', 1);
  } else {
    if (!soDigitos(t) || implicitas > casas) return std::nullopt;
    const int corte = qMax(0, int(t.size()) - implicitas);
    inteira = t.left(corte);
    fracao = t.mid(corte);
  }
  if (inteira.isEmpty()) inteira = QStringLiteral("0");
  if (!soDigitos(inteira) || (!fracao.isEmpty() && !soDigitos(fracao)) || fracao.size() > casas)
    return std::nullopt;
  return inteira.toLongLong() * potencia10(casas) + fracao.leftJustified(casas, '0').toLongLong();
}

std::optional<int64_t> LeCentavos(const QString &texto) { return LeDecimal(texto, 2, 2); }

std::optional<int64_t> LePercentual(const QString &texto) { return LeDecimal(texto, 2, 2); }

std::optional<int64_t> LeQuantidade(const QString &tipo, const QString &texto) {
  const QString t = tipo.trimmed().toUpper();
  if (t == QLatin1String("I")) {
    const auto inteira = LeDecimal(texto, 0, 0);
    return inteira ? std::optional<int64_t>(*inteira * 1000) : std::nullopt;
  }
  if (t == QLatin1String("F")) return LeDecimal(texto, 3, 3);
  return std::nullopt;
}

QDate LeData(const QString &texto) {
  static const QRegularExpression forma(R"(^(\d\d)/?(\d\d)/?(\d\d|\d\d\d\d)$)");
  const auto m = forma.match(texto.trimmed());
  if (!m.hasMatch()) return {};
  int ano = m.captured(3).toInt();
  if (m.captured(3).size() == 2) ano += 2000;
  return QDate(ano, m.captured(2).toInt(), m.captured(1).toInt());
}

QString FormataCentavos(int64_t centavos) {
  const bool negativo = centavos < 0;
  const int64_t v = negativo ? -centavos : centavos;
  QString inteira = QString::number(v / 100);
  for (int i = int(inteira.size()) - 3; i > 0; i -= 3) inteira.insert(i, '.');
  return (negativo ? QStringLiteral("-") : QString()) + inteira + ',' + Digitos(v % 100, 2);
}

QString FormataMilesimos(int64_t milesimos) {
  return QString::number(milesimos / 1000) + ',' + Digitos(milesimos % 1000, 3);
}

QString Digitos(int64_t valor, int largura) {
  return QStringLiteral("%1").arg(valor, largura, 10, QLatin1Char('0')).right(largura);
}

}  // namespace ecfsim
