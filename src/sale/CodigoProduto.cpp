#include "sale/CodigoProduto.h"

#include <QRegularExpression>
#include <initializer_list>

#include "core/Documentos.h"

namespace {

bool SoDigitosTamanho(const QString &t, std::initializer_list<int> tamanhos) {
  static const QRegularExpression digitos(QStringLiteral("^\\d+$"));
  if (!digitos.match(t).hasMatch()) return false;
  for (int n : tamanhos)
    if (t.size() == n) return true;
  return false;
}

CodigoDigitado CodigoSistema(const QString &texto) {
  bool numero = false;
  const qlonglong codigo = texto.toLongLong(&numero);
  if (!numero) return {};
  return {TipoCodigo::Sistema, QString::number(codigo), Moeda(), QString()};
}

}  // namespace

CodigoDigitado ClassificaCodigo(const QString &digitado) {
  const QString texto = digitado.trimmed();
  if (texto.endsWith('.') && SoDigitosTamanho(texto.chopped(1), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14})) {
    CodigoDigitado c = CodigoSistema(texto.chopped(1));
    c.textoCampo = texto.chopped(1) + SeparadorCodigo;
    return c;
  }
  if (texto.contains(SeparadorCodigo)) return CodigoSistema(texto.section(SeparadorCodigo, 0, 0).trimmed());
  if (!SoDigitosTamanho(texto, {8, 12, 13})) return CodigoSistema(texto);
  if (!CodigoBarrasValido(texto)) return {TipoCodigo::Invalido, texto, Moeda(), QString()};
  if (texto.size() == 13 && texto.startsWith(QLatin1String("200"))) {
    const Moeda valor = Moeda::deCentavos(texto.mid(5, 7).toLongLong());
    return {valor.ehZero() ? TipoCodigo::EtiquetaZerada : TipoCodigo::Etiqueta, texto.left(5), valor, QString()};
  }
  return {TipoCodigo::Barras, texto, Moeda(), QString()};
}
