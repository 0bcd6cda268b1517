#include "closing/VendaFechada.h"

#include <QJsonArray>
#include <QTime>

#include "core/Utilidades.h"

namespace {

// Amounts travel as exact decimal text ("12.3400"), never as JSON numbers.
QJsonValue valor(const Moeda &m) { return m.textoPonto(4); }

bool leMoeda(const QJsonObject &o, const char *nome, Moeda &m, QString *erro) {
  const auto v = Moeda::deTextoPonto(o.value(nome).toString());
  if (!v) {
    if (erro) *erro = QStringLiteral("valor inválido em \"%1\"").arg(nome);
    return false;
  }
  m = *v;
  return true;
}

}  // namespace

qlonglong VendaFechada::codigoCliente() const { return PegaCampo(cliente, "-", 1).trimmed().toLongLong(); }

QString VendaFechada::chave() const {
  QString desk = caixa.trimmed();
  for (QChar &c : desk)
    if (!c.isLetterOrNumber()) c = '_';
  return QStringLiteral("%1-%2-%3").arg(desk, QString::number(cupom).rightJustified(6, '0'), data.toString("yyyyMMdd"));
}

QJsonObject VendaFechada::paraJson() const {
  QJsonArray its;
  for (const ItemVendido &i : itens) {
    QJsonObject item{{"item", i.item},
                     {"produto", QString::number(i.produto)},
                     {"quantidade", QString::number(i.quantidade.milesimos())},
                     {"unitario", valor(i.unitario)},
                     {"precoLista", valor(i.precoLista)},
                     {"valor", valor(i.valor)},
                     {"tributacao", i.tributacao}};
    // Only when owed: an entry without it owes nothing.
    if (i.estoqueDevido) item["estoqueDevido"] = true;
    its.append(item);
  }
  QJsonArray pags;
  // As the grid held them (eleven cells), as entries have always been kept.
  for (const LinhaPagamento &p : pagamentos) pags.append(QJsonArray::fromStringList(p.celulas()));
  QJsonArray tots;
  for (const Moeda &t : totais) tots.append(valor(t));
  QJsonObject o{{"caixa", caixa},
          {"cupom", QString::number(cupom)},
          {"data", data.toString(Qt::ISODate)},
          {"usuario", usuario},
          {"cliente", cliente},
          {"vendedor", QString::number(vendedor)},
          {"operacao", operacao},
          {"total", valor(total)},
          {"local", local},
          {"faturamento", faturamento},
          {"itens", its},
          {"pagamentos", pags},
          {"totais", tots},
          {"fechadaEm", fechadaEm.toString(Qt::ISODate)},
          {"empenho", QString::number(empenho)},
          {"marcador", QString::number(marcador)},
          {"horaServidor", horaServidor.toString(Qt::ISODateWithMs)},
          {"serie", serie}};
  // Only when something is owed: such entries read as before.
  QJsonArray devolver;
  for (const EstoqueADevolver &d : estoqueADevolver)
    devolver.append(QJsonObject{{"produto", QString::number(d.produto)},
                                {"quantidade", QString::number(d.quantidade.milesimos())}});
  if (!devolver.isEmpty()) o["estoqueADevolver"] = devolver;
  return o;
}

std::optional<VendaFechada> VendaFechada::deJson(const QJsonObject &o, QString *erro) {
  auto falha = [erro](const QString &porque) -> std::optional<VendaFechada> {
    if (erro) *erro = porque;
    return std::nullopt;
  };
  for (const char *c : {"caixa", "cupom", "data", "usuario", "cliente", "operacao", "total", "itens", "pagamentos",
                        "totais"})
    if (!o.contains(c)) return falha(QStringLiteral("falta \"%1\"").arg(c));
  VendaFechada v;
  bool ok = false;
  v.caixa = o.value("caixa").toString();
  v.cupom = o.value("cupom").toString().toLongLong(&ok);
  if (!ok || v.cupom <= 0) return falha(QStringLiteral("número de cupom inválido"));
  v.data = QDate::fromString(o.value("data").toString(), Qt::ISODate);
  if (!v.data.isValid()) return falha(QStringLiteral("data inválida"));
  v.usuario = static_cast<int16_t>(o.value("usuario").toInt());
  v.cliente = o.value("cliente").toString();
  v.vendedor = o.value("vendedor").toString().toLongLong();
  v.operacao = o.value("operacao").toInt();
  v.local = o.value("local").toInt();
  v.faturamento = o.value("faturamento").toString();
  v.fechadaEm = QDateTime::fromString(o.value("fechadaEm").toString(), Qt::ISODate);
  // Entries written before pre-sales went through the journal lack these.
  v.empenho = o.value("empenho").toString().toLongLong();
  v.marcador = o.value("marcador").toString().toLongLong();
  v.horaServidor = QDateTime::fromString(o.value("horaServidor").toString(), Qt::ISODateWithMs);
  v.serie = o.value("serie").toString().trimmed();  // absent in older entries
  for (const QJsonValue &x : o.value("estoqueADevolver").toArray()) {
    const QJsonObject d = x.toObject();
    EstoqueADevolver e;
    e.produto = d.value("produto").toString().toLongLong();
    e.quantidade = Quantidade::deMilesimos(d.value("quantidade").toString().toLongLong(&ok));
    if (!ok || e.produto <= 0 || e.quantidade <= Quantidade()) return falha(QStringLiteral("estoque a devolver inválido"));
    v.estoqueADevolver << e;
  }
  if (!leMoeda(o, "total", v.total, erro)) return std::nullopt;
  for (const QJsonValue &x : o.value("itens").toArray()) {
    const QJsonObject i = x.toObject();
    ItemVendido it;
    it.item = i.value("item").toInt();
    it.produto = i.value("produto").toString().toLongLong();
    it.quantidade = Quantidade::deMilesimos(i.value("quantidade").toString().toLongLong(&ok));
    if (!ok || it.item <= 0) return falha(QStringLiteral("item inválido"));
    it.tributacao = i.value("tributacao").toString();
    it.estoqueDevido = i.value("estoqueDevido").toBool();
    if (!leMoeda(i, "unitario", it.unitario, erro) || !leMoeda(i, "precoLista", it.precoLista, erro) ||
        !leMoeda(i, "valor", it.valor, erro))
      return std::nullopt;
    v.itens << it;
  }
  for (const QJsonValue &x : o.value("pagamentos").toArray()) {
    QStringList p;
    for (const QJsonValue &c : x.toArray()) p << c.toString();
    // Entries of older versions kept the grid's free rows too.
    if (p.value(PagCodigo).trimmed().isEmpty()) continue;
    v.pagamentos << LinhaPagamento::deCelulas(p);
  }
  const QJsonArray tots = o.value("totais").toArray();
  if (tots.size() != QuantidadeTotaisCupom) return falha(QStringLiteral("totais do cupom incompletos"));
  for (int i = 0; i < QuantidadeTotaisCupom; ++i) {
    const auto t = Moeda::deTextoPonto(tots[i].toString());
    if (!t) return falha(QStringLiteral("total do cupom inválido"));
    v.totais[static_cast<size_t>(i)] = *t;
  }
  return v;
}

QString VendaFechada::TextoFaturamento(int16_t usuario, const QString &maquina, const QTime &hora) {
  return QString::number(usuario) + maquina.left(20) + hora.toString("hh:mm:ss");
}
