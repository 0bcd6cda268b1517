#include "core/Moeda.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "core/Quantidade.h"

int64_t DivideInteiros(__int128 numerador, __int128 denominador, Arredondamento modo) {
  if (denominador < 0) {
    numerador = -numerador;
    denominador = -denominador;
  }
  __int128 q = numerador / denominador;  // toward zero
  const __int128 r = numerador % denominador;
  if (modo == Arredondamento::MeioParaLonge && 2 * (r < 0 ? -r : r) >= denominador)
    q += numerador < 0 ? -1 : 1;
  return static_cast<int64_t>(q);
}

int64_t PotenciaDe10(int expoente) {
  int64_t p = 1;
  for (int i = 0; i < expoente; ++i) p *= 10;
  return p;
}

namespace {

// numerador / denominador ten-thousandths, brought to `casas` decimals in one
// rounding step.
Moeda fracao(__int128 numerador, __int128 denominador, int casas, Arredondamento modo) {
  const int64_t passo = PotenciaDe10(4 - std::clamp(casas, 0, 4));
  return Moeda::deUnidades(DivideInteiros(numerador, denominador * passo, modo) * passo);
}

// `unidades` ten-thousandths with `casas` decimals (rounded half away from
// zero) after `separador`, the thousands marked with '.' when `milhares`,
// written into `saida`; returns the length (at most 31).
int escreveComCasas(Moeda::Buffer &saida, int64_t unidades, int casas, char separador, bool milhares) {
  casas = std::clamp(casas, 0, 4);
  const int64_t escalado = DivideInteiros(unidades, PotenciaDe10(4 - casas), Arredondamento::MeioParaLonge);
  const auto potencia = static_cast<uint64_t>(PotenciaDe10(casas));
  const bool negativo = escalado < 0;
  const uint64_t abs = negativo ? 0 - static_cast<uint64_t>(escalado) : static_cast<uint64_t>(escalado);
  // Right to left, then turned around.
  char invertido[sizeof(Moeda::Buffer)];
  int n = 0;
  uint64_t fracao = abs % potencia, inteiro = abs / potencia;
  for (int i = 0; i < casas; ++i, fracao /= 10) invertido[n++] = static_cast<char>('0' + fracao % 10);
  if (casas > 0) invertido[n++] = separador;
  for (int digitos = 0; digitos == 0 || inteiro > 0; ++digitos, inteiro /= 10) {
    if (milhares && digitos > 0 && digitos % 3 == 0) invertido[n++] = '.';
    invertido[n++] = static_cast<char>('0' + inteiro % 10);
  }
  if (negativo) invertido[n++] = '-';
  std::reverse_copy(invertido, invertido + n, saida);
  return n;
}

QString textoComCasas(int64_t unidades, int casas, char separador, bool milhares) {
  Moeda::Buffer b;
  return QString::fromLatin1(b, escreveComCasas(b, unidades, casas, separador, milhares));
}

}  // namespace

Moeda Moeda::deDouble(double valor) {
  return deUnidades(static_cast<int64_t>(std::llround(valor * kEscala)));
}

std::optional<Moeda> Moeda::deTexto(const QString &entrada) {
  QString t = entrada.trimmed();
  if (t.isEmpty()) return std::nullopt;
  bool negativo = false;
  if (t.startsWith('-') || t.startsWith('+')) {
    negativo = t.startsWith('-');
    t = t.mid(1).trimmed();
  }
  const qsizetype virgula = t.lastIndexOf(',');
  const qsizetype ponto = t.lastIndexOf('.');
  QChar decimal = ',';
  if (virgula < 0 && ponto >= 0) {
    // "1.5" or "12.34" is a decimal point; "1.234" and "1.234.567" are thousands.
    const bool milhares = t.count('.') > 1 || t.size() - ponto - 1 == 3;
    decimal = milhares ? QChar(',') : QChar('.');
  } else if (virgula >= 0 && ponto > virgula) {
    decimal = '.';
  }
  const QChar milhar = decimal == ',' ? QChar('.') : QChar(',');
  QString inteira, fracao;
  bool depois = false;
  for (QChar c : t) {
    if (c == milhar && !depois) continue;
    if (c == decimal && !depois) { depois = true; continue; }
    if (!c.isDigit() || c.unicode() > '9') return std::nullopt;
    (depois ? fracao : inteira) += c;
  }
  if (inteira.isEmpty() && fracao.isEmpty()) return std::nullopt;
  if (inteira.size() > 14) return std::nullopt;
  int64_t v = inteira.isEmpty() ? 0 : inteira.toLongLong() * kEscala;
  // Beyond four decimals the value is rounded at the fifth.
  QString f = fracao.left(5).leftJustified(5, '0');
  v += DivideInteiros(f.toLongLong(), 10, Arredondamento::MeioParaLonge);
  return deUnidades(negativo ? -v : v);
}

std::optional<Moeda> Moeda::deTextoPonto(const QString &texto) {
  static const QRegularExpression re(R"(^\s*([-+]?)(\d*)(?:\.(\d*))?\s*$)");
  const auto m = re.match(texto);
  if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty())) return std::nullopt;
  if (m.captured(2).size() > 14) return std::nullopt;
  int64_t v = m.captured(2).isEmpty() ? 0 : m.captured(2).toLongLong() * kEscala;
  v += DivideInteiros(m.captured(3).left(5).leftJustified(5, '0').toLongLong(), 10, Arredondamento::MeioParaLonge);
  return deUnidades(m.captured(1) == "-" ? -v : v);
}

Moeda Moeda::deVariant(const QVariant &valor) {
  if (valor.isNull()) return {};
  if (valor.metaType() == QMetaType::fromType<Moeda>()) return valor.value<Moeda>();
  switch (valor.metaType().id()) {
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::UInt:
    case QMetaType::ULongLong: case QMetaType::Short: case QMetaType::UShort:
      return deInteiro(valor.toLongLong());
    case QMetaType::Double: case QMetaType::Float:
      return deDouble(valor.toDouble());
    default: {
      const auto m = deTexto(valor.toString());
      return m ? *m : Moeda{};
    }
  }
}

int64_t Moeda::centavos() const { return DivideInteiros(v_, 100, Arredondamento::MeioParaLonge); }

QString Moeda::formatada(int casas) const { return textoComCasas(v_, casas, ',', true); }

QLatin1StringView Moeda::formatadaEm(Buffer &buffer, int casas) const {
  return QLatin1StringView(buffer, escreveComCasas(buffer, v_, casas, ',', true));
}

QString Moeda::textoPonto(int casas) const { return textoComCasas(v_, casas, '.', false); }

QString Moeda::textoVirgula(int casas) const { return textoComCasas(v_, casas, ',', false); }

int Moeda::casasUsadas() const {
  int casas = 4;
  for (int64_t v = v_; casas > 0 && v % 10 == 0; v /= 10) --casas;
  return casas;
}

Moeda Moeda::arredondada(int casas, Arredondamento modo) const { return fracao(v_, 1, casas, modo); }

Moeda Moeda::vezes(const Quantidade &quantidade, int casas, Arredondamento modo) const {
  return fracao(static_cast<__int128>(v_) * quantidade.milesimos(), Quantidade::kEscala, casas, modo);
}

Moeda Moeda::percentual(Moeda taxa, int casas, Arredondamento modo) const {
  return fracao(static_cast<__int128>(v_) * taxa.v_, 100 * kEscala, casas, modo);
}

Moeda Moeda::menosPercentual(Moeda taxa, int casas, Arredondamento modo) const {
  return fracao(static_cast<__int128>(v_) * (100 * kEscala - taxa.v_), 100 * kEscala, casas, modo);
}

std::optional<Moeda> Moeda::percentualDe(Moeda parte, Moeda todo) {
  if (todo.ehZero()) return std::nullopt;
  return fracao(static_cast<__int128>(parte.v_) * 100 * kEscala, todo.v_, 4, Arredondamento::MeioParaLonge);
}

QList<Moeda> DivisaoEmParcelas::lista() const {
  QList<Moeda> partes;
  for (int i = 0; i < quantidade; ++i) partes.append(i == 0 ? primeira : demais);
  return partes;
}

std::optional<DivisaoEmParcelas> Moeda::divideEm(int n) const {
  if (n < 1) return std::nullopt;
  const int64_t c = centavos();
  DivisaoEmParcelas p;
  p.quantidade = n;
  p.demais = deCentavos(c / n);  // toward zero
  p.primeira = deCentavos(c / n + c % n);
  return p;
}

// Lets a Moeda held in a QVariant read as text (regional, shortest) or as a
// double wherever the program asks a field for one.
static const bool conversoesRegistradas = [] {
  QMetaType::registerConverter<Moeda, QString>([](const Moeda &m) {
    QString t = m.textoVirgula(4);
    while (t.endsWith('0')) t.chop(1);
    if (t.endsWith(',')) t.chop(1);
    return t;
  });
  QMetaType::registerConverter<Moeda, double>(&Moeda::paraDouble);
  return true;
}();
