#include "core/Utilidades.h"
#include <algorithm>

#include <QRegularExpression>
#include <cmath>

bool EhNumeroNativo(const QVariant &v) {
  switch (v.metaType().id()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
    case QMetaType::ULongLong: case QMetaType::Double: case QMetaType::Float:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Bool:
      return true;
    default:
      return v.metaType() == QMetaType::fromType<Moeda>();
  }
}

namespace {

double numeroNativo(const QVariant &v) {
  if (v.metaType() == QMetaType::fromType<Moeda>()) return v.value<Moeda>().paraDouble();
  return v.toDouble();
}

// The leading number of a text written with "." as decimal separator.
QString numeroInicial(const QString &t) {
  static const QRegularExpression re(R"(^\s*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?)");
  const auto m = re.match(t);
  return m.hasMatch() ? m.captured(0).trimmed() : QString();
}

QString textoRegionalParaPonto(QString t) {
  t.remove('.');
  t.replace(',', '.');
  return t;
}

}  // namespace

bool EhNumerico(const QString &texto) {
  static const QRegularExpression re(
      R"(^\s*[-+]?\s*(\d{1,3}(\.\d{3})+|\d+)?(,\d*)?([eE][-+]?\d+)?\s*$)");
  const QString t = texto.trimmed();
  if (t.isEmpty() || std::none_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); })) return false;
  return re.match(t).hasMatch();
}

QString TextoNumero(double valor) {
  if (valor == 0) return "0";
  QString t = QString::number(valor, 'g', 15);
  if (t.contains('e')) {
    // Keep plain digits for the magnitudes money and quantities reach.
    const int inteiros = static_cast<int>(std::floor(std::log10(std::fabs(valor)))) + 1;
    t = QString::number(valor, 'f', std::max(0, 15 - inteiros));
    if (t.contains('.')) {
      while (t.endsWith('0')) t.chop(1);
      if (t.endsWith('.')) t.chop(1);
    }
  }
  t.replace('.', ',');
  return t;
}

double ParaNumero(const QVariant &valor) {
  if (valor.isNull()) return 0;
  if (EhNumeroNativo(valor)) return numeroNativo(valor);
  const QString t = valor.toString();
  if (t.isEmpty()) return 0;
  const QString inicial = numeroInicial(textoRegionalParaPonto(t));
  return inicial.isEmpty() ? 0 : inicial.toDouble();
}

Moeda ParaMoeda(const QVariant &valor) {
  if (valor.isNull()) return {};
  if (EhNumeroNativo(valor)) return Moeda::deVariant(valor);
  const QString inicial = numeroInicial(textoRegionalParaPonto(valor.toString()));
  if (inicial.isEmpty()) return {};
  if (inicial.contains('e') || inicial.contains('E')) return Moeda::deDouble(inicial.toDouble());
  const auto m = Moeda::deTextoPonto(inicial);
  return m ? *m : Moeda{};
}

Quantidade ParaQuantidade(const QVariant &valor) {
  return Quantidade::deMilesimos(DivideInteiros(ParaMoeda(valor).unidades(), Moeda::kEscala / Quantidade::kEscala,
                                                Arredondamento::MeioParaLonge));
}

QString FormataValor(const Moeda &valor, int16_t largura) {
  const QString texto = valor.formatada();
  return largura != 0 ? Alinha(2, largura, texto) : texto;
}

QString FormataValor(QVariant &valor, int16_t largura) {
  if (!valor.isNull() && !EhNumeroNativo(valor) && valor.toString().isEmpty()) valor = 0;
  if (valor.isNull()) valor = 0;  // Null formats as 0 as well
  QString texto;
  if (EhNumeroNativo(valor)) {
    texto = Moeda::deVariant(valor).formatada();
  } else if (EhNumerico(valor.toString())) {
    texto = ParaMoeda(valor).formatada();
  } else {
    texto = valor.toString();
  }
  return largura != 0 ? Alinha(2, largura, texto) : texto;
}

QString FormataQuantidade(const QVariant &valor, int16_t largura, int16_t decimais) {
  // Exact to the fourth decimal, the most a quantity or amount carries; any
  // further decimals asked for are zeros.
  const int casas = std::max<int>(0, decimais);
  const QString texto = ParaMoeda(valor).formatada(std::min(casas, 4)) + QString(std::max(0, casas - 4), '0');
  return largura != 0 ? Alinha(2, largura, texto) : texto;
}

QString Alinha(int modo, int16_t &largura, const QString &entrada) {
  const QString texto = entrada.isEmpty() ? QStringLiteral(" ") : entrada;
  const auto comprimento = static_cast<int16_t>(std::min<qsizetype>(texto.size(), INT16_MAX));
  if (comprimento > largura) largura = comprimento;
  int inicio = 1;  // 1-based, as the layout rule is written
  if (modo == 1) inicio = (largura / 2) - (comprimento / 2) + 1;
  else if (modo == 2) inicio = largura - comprimento + 1;
  QString linha(std::max<int>(largura, 0), ' ');
  linha.replace(inicio - 1, comprimento, texto.left(comprimento));
  return linha;
}

QString Alinha(int modo, int16_t &&largura, const QString &texto) {
  int16_t l = largura;
  return Alinha(modo, l, texto);
}

double TruncaDecimais(double valor, int casas) {
  const QString texto = TextoNumero(valor);
  const QString inteira = texto.section(',', 0, 0);
  const QString fracao = texto.section(',', 1, 1).left(std::max(0, casas));
  const QString junto = fracao.isEmpty() ? inteira : inteira + '.' + fracao;
  return junto.toDouble();
}

Moeda Centavos(int64_t centavos) { return Moeda::deCentavos(centavos); }

Moeda Centavos(const QVariant &centavos) {
  // value / 100 exactly: scale the amount read from the text by 100.
  return Moeda::deUnidades(ParaMoeda(centavos).unidades() / 100);
}

void SoNumeros(QString &texto) {
  QString out;
  for (QChar c : texto)
    if (c >= '0' && c <= '9') out += c;
  texto = out;
}

QString PegaCampo(const QString &texto, const QString &separador, int n) {
  if (n < 1 || separador.isEmpty()) return n == 1 ? texto : QString();
  const QStringList partes = texto.split(separador);
  return n <= partes.size() ? partes[n - 1] : QString();
}

int16_t ContaCampos(const QString &texto, QChar caractere) {
  return static_cast<int16_t>(texto.count(caractere) + 1);
}

QString SubstituiTexto(const QString &texto, const QString &busca, const QString &troca) {
  if (busca.isEmpty()) return texto;
  return QString(texto).replace(busca, troca);
}

QString Aspas(const QString &valor) { return "'" + valor + "'"; }

QString Imprimep(const QString &valor, const QString &mascara) {
  QString out(mascara.size(), ' ');
  qsizetype proximo = 0;
  for (qsizetype i = 0; i < mascara.size() && proximo < valor.size(); ++i) {
    if (mascara[i] == '#') out[i] = valor[proximo++];
    else out[i] = mascara[i];
  }
  return out;
}

QPoint CentraTela(const QSize &tela, const QSize &display) {
  return {(display.width() - tela.width()) / 2, (display.height() - tela.height()) / 2};
}
