#include "fiscal/sim/Memoria.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace ecfsim {

QString Aliquota::codigo() const { return QString(tipo) + QStringLiteral("%1").arg(valor, 4, 10, QLatin1Char('0')); }

Centavos Cupom::subtotal() const {
  Centavos s = 0;
  for (const ItemCupom &i : itens)
    if (!i.cancelado) s += i.liquido();
  return s;
}

Centavos Cupom::pago() const {
  Centavos s = 0;
  for (const Pagamento &p : pagamentos) s += p.valor;
  return s;
}

int MemoriaFiscal::indiceForma(const QString &nome) const {
  const QString procurado = nome.trimmed();
  for (int i = 0; i < formas.size(); ++i)
    if (formas[i].nome.compare(procurado, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

const Aliquota *MemoriaFiscal::aliquota(const QString &codigo) const {
  for (const Aliquota &a : aliquotas)
    if (a.codigo() == codigo) return &a;
  return nullptr;
}

MemoriaFiscal MemoriaNova(const QString &numeroSerie) {
  MemoriaFiscal m;
  m.numeroSerie = numeroSerie;
  for (int valor : {1700, 1200, 700, 2500}) m.aliquotas.append({'T', valor});
  m.formas.append({QStringLiteral("Dinheiro"), false, 0, 0});
  m.naoFiscais.insert(1, QStringLiteral("Recebimentos"));
  m.naoFiscais.insert(29, QStringLiteral("Pagamentos"));
  return m;
}

namespace {

// Amounts and counters as digit strings: a JSON number is a double.
QString num(int64_t v) { return QString::number(v); }
int64_t num(const QJsonValue &v) { return v.toString().toLongLong(); }
QString data(const QDate &d) { return d.isValid() ? d.toString(Qt::ISODate) : QString(); }
QDate data(const QJsonValue &v) { return QDate::fromString(v.toString(), Qt::ISODate); }
QString momento(const QDateTime &d) { return d.isValid() ? d.toString(Qt::ISODate) : QString(); }
QDateTime momento(const QJsonValue &v) { return QDateTime::fromString(v.toString(), Qt::ISODate); }

template <class K>
QJsonObject mapa(const QMap<K, Centavos> &m) {
  QJsonObject o;
  for (auto i = m.begin(); i != m.end(); ++i) o.insert(QStringLiteral("%1").arg(i.key()), num(i.value()));
  return o;
}
QMap<QString, Centavos> mapaTexto(const QJsonValue &v) {
  QMap<QString, Centavos> m;
  const QJsonObject o = v.toObject();
  for (auto i = o.begin(); i != o.end(); ++i) m.insert(i.key(), num(i.value()));
  return m;
}
QMap<int, Centavos> mapaNumero(const QJsonValue &v) {
  QMap<int, Centavos> m;
  const QJsonObject o = v.toObject();
  for (auto i = o.begin(); i != o.end(); ++i) m.insert(i.key().toInt(), num(i.value()));
  return m;
}

QJsonArray pagamentos(const QList<Pagamento> &lista) {
  QJsonArray a;
  for (const Pagamento &p : lista)
    a.append(QJsonObject{{"forma", p.forma}, {"valor", num(p.valor)}, {"descricao", p.descricao}});
  return a;
}
QList<Pagamento> pagamentos(const QJsonValue &v) {
  QList<Pagamento> lista;
  for (const QJsonValue &p : v.toArray()) {
    const QJsonObject o = p.toObject();
    lista.append({o["forma"].toString(), num(o["valor"]), o["descricao"].toString()});
  }
  return lista;
}

QJsonObject item(const ItemCupom &i) {
  return {{"numero", i.numero},       {"codigo", i.codigo},
          {"descricao", i.descricao}, {"totalizador", i.totalizador},
          {"quantidadeMilesimos", num(i.quantidadeMilesimos)},
          {"valorUnitario", num(i.valorUnitario)},
          {"casas", i.casas},         {"bruto", num(i.bruto)},
          {"desconto", num(i.desconto)}, {"cancelado", i.cancelado}};
}
ItemCupom item(const QJsonObject &o) {
  ItemCupom i;
  i.numero = o["numero"].toInt();
  i.codigo = o["codigo"].toString();
  i.descricao = o["descricao"].toString();
  i.totalizador = o["totalizador"].toString();
  i.quantidadeMilesimos = num(o["quantidadeMilesimos"]);
  i.valorUnitario = num(o["valorUnitario"]);
  i.casas = o["casas"].toInt(2);
  i.bruto = num(o["bruto"]);
  i.desconto = num(o["desconto"]);
  i.cancelado = o["cancelado"].toBool();
  return i;
}

QJsonObject cupom(const Cupom &c) {
  QJsonArray itens;
  for (const ItemCupom &i : c.itens) itens.append(item(i));
  return {{"estado", static_cast<int>(c.estado)}, {"coo", c.coo}, {"documento", c.documento},
          {"abertoEm", momento(c.abertoEm)}, {"itens", itens}, {"ajuste", num(c.ajuste)},
          {"pagamentos", pagamentos(c.pagamentos)}};
}
Cupom cupom(const QJsonObject &o) {
  Cupom c;
  c.estado = static_cast<EstadoCupom>(o["estado"].toInt());
  c.coo = o["coo"].toInt();
  c.documento = o["documento"].toString();
  c.abertoEm = momento(o["abertoEm"]);
  for (const QJsonValue &i : o["itens"].toArray()) c.itens.append(item(i.toObject()));
  c.ajuste = num(o["ajuste"]);
  c.pagamentos = pagamentos(o["pagamentos"]);
  return c;
}

QJsonObject dia(const TotaisDia &d) {
  return {{"vendaBruta", num(d.vendaBruta)},   {"cancelamentos", num(d.cancelamentos)},
          {"descontos", num(d.descontos)},     {"acrescimos", num(d.acrescimos)},
          {"sangrias", num(d.sangrias)},       {"suprimentos", num(d.suprimentos)},
          {"recebimentos", num(d.recebimentos)}, {"quantidadeRecebimentos", d.quantidadeRecebimentos},
          {"cuponsEmitidos", d.cuponsEmitidos}, {"cuponsCancelados", d.cuponsCancelados},
          {"porTotalizador", mapa(d.porTotalizador)}, {"naoFiscais", mapa(d.naoFiscais)}};
}
TotaisDia dia(const QJsonObject &o) {
  TotaisDia d;
  d.vendaBruta = num(o["vendaBruta"]);
  d.cancelamentos = num(o["cancelamentos"]);
  d.descontos = num(o["descontos"]);
  d.acrescimos = num(o["acrescimos"]);
  d.sangrias = num(o["sangrias"]);
  d.suprimentos = num(o["suprimentos"]);
  d.recebimentos = num(o["recebimentos"]);
  d.quantidadeRecebimentos = o["quantidadeRecebimentos"].toInt();
  d.cuponsEmitidos = o["cuponsEmitidos"].toInt();
  d.cuponsCancelados = o["cuponsCancelados"].toInt();
  d.porTotalizador = mapaTexto(o["porTotalizador"]);
  d.naoFiscais = mapaNumero(o["naoFiscais"]);
  return d;
}

QJsonObject reducao(const Reducao &r) {
  return {{"crz", r.crz},
          {"dataMovimento", data(r.dataMovimento)},
          {"emitidaEm", momento(r.emitidaEm)},
          {"coo", r.coo},
          {"vendaBruta", num(r.vendaBruta)},
          {"vendaLiquida", num(r.vendaLiquida)},
          {"grandeTotal", num(r.grandeTotal)},
          {"cancelamentos", num(r.cancelamentos)},
          {"descontos", num(r.descontos)},
          {"porTotalizador", mapa(r.porTotalizador)}};
}
Reducao reducao(const QJsonObject &o) {
  Reducao r;
  r.crz = o["crz"].toInt();
  r.dataMovimento = data(o["dataMovimento"]);
  r.emitidaEm = momento(o["emitidaEm"]);
  r.coo = o["coo"].toInt();
  r.vendaBruta = num(o["vendaBruta"]);
  r.vendaLiquida = num(o["vendaLiquida"]);
  r.grandeTotal = num(o["grandeTotal"]);
  r.cancelamentos = num(o["cancelamentos"]);
  r.descontos = num(o["descontos"]);
  r.porTotalizador = mapaTexto(o["porTotalizador"]);
  return r;
}

}  // namespace

QJsonObject ParaJson(const MemoriaFiscal &m) {
  QJsonArray aliquotas, formas, reducoes;
  for (const Aliquota &a : m.aliquotas) aliquotas.append(a.codigo());
  for (const FormaPagamento &f : m.formas)
    formas.append(QJsonObject{{"nome", f.nome}, {"tef", f.tef}, {"acumulado", num(f.acumulado)},
                              {"ultimoCupom", num(f.ultimoCupom)}});
  for (const Reducao &r : m.reducoes) reducoes.append(reducao(r));
  QJsonObject naoFiscais;
  for (auto i = m.naoFiscais.begin(); i != m.naoFiscais.end(); ++i)
    naoFiscais.insert(QString::number(i.key()), i.value());
  const QJsonObject ultimo{{"coo", m.ultimo.coo},
                           {"cancelavel", m.ultimo.cancelavel},
                           {"total", num(m.ultimo.total)},
                           {"pagamentos", pagamentos(m.ultimo.pagamentos)},
                           {"troco", num(m.ultimo.troco)}};
  return {{"formato", 1},
          {"numeroSerie", m.numeroSerie},
          {"aliquotas", aliquotas},
          {"formas", formas},
          {"naoFiscais", naoFiscais},
          {"coo", m.coo},
          {"crz", m.crz},
          {"cro", m.cro},
          {"gnf", m.gnf},
          {"grandeTotal", num(m.grandeTotal)},
          {"dataMovimento", data(m.dataMovimento)},
          {"dataUltimaReducao", data(m.dataUltimaReducao)},
          {"dia", dia(m.dia)},
          {"cupom", cupom(m.cupom)},
          {"ultimoCupom", ultimo},
          {"relatorioAberto", m.relatorioAberto},
          {"gavetaAberta", m.gavetaAberta},
          {"autenticacoesRestantes", m.autenticacoesRestantes},
          {"status", QJsonArray{m.status.ack, m.status.st1, m.status.st2}},
          {"reducoes", reducoes}};
}

MemoriaFiscal DeJson(const QJsonObject &o) {
  MemoriaFiscal m;
  m.numeroSerie = o["numeroSerie"].toString();
  for (const QJsonValue &a : o["aliquotas"].toArray()) {
    const QString codigo = a.toString();
    if (codigo.size() == 5) m.aliquotas.append({codigo[0], codigo.mid(1).toInt()});
  }
  for (const QJsonValue &v : o["formas"].toArray()) {
    const QJsonObject f = v.toObject();
    m.formas.append({f["nome"].toString(), f["tef"].toBool(), num(f["acumulado"]), num(f["ultimoCupom"])});
  }
  const QJsonObject naoFiscais = o["naoFiscais"].toObject();
  for (auto i = naoFiscais.begin(); i != naoFiscais.end(); ++i) m.naoFiscais.insert(i.key().toInt(), i.value().toString());
  m.coo = o["coo"].toInt();
  m.crz = o["crz"].toInt();
  m.cro = o["cro"].toInt(1);
  m.gnf = o["gnf"].toInt();
  m.grandeTotal = num(o["grandeTotal"]);
  m.dataMovimento = data(o["dataMovimento"]);
  m.dataUltimaReducao = data(o["dataUltimaReducao"]);
  m.dia = dia(o["dia"].toObject());
  m.cupom = cupom(o["cupom"].toObject());
  const QJsonObject ultimo = o["ultimoCupom"].toObject();
  m.ultimo.coo = ultimo["coo"].toInt();
  m.ultimo.cancelavel = ultimo["cancelavel"].toBool();
  m.ultimo.total = num(ultimo["total"]);
  m.ultimo.pagamentos = pagamentos(ultimo["pagamentos"]);
  m.ultimo.troco = num(ultimo["troco"]);
  m.relatorioAberto = o["relatorioAberto"].toBool();
  m.gavetaAberta = o["gavetaAberta"].toBool();
  m.autenticacoesRestantes = o["autenticacoesRestantes"].toInt();
  const QJsonArray status = o["status"].toArray();
  if (status.size() == 3) m.status = {status[0].toInt(), status[1].toInt(), status[2].toInt()};
  for (const QJsonValue &r : o["reducoes"].toArray()) m.reducoes.append(reducao(r.toObject()));
  return m;
}

bool LeMemoria(const QString &arquivo, MemoriaFiscal &m, QString *erro) {
  QFile f(arquivo);
  if (!f.open(QIODevice::ReadOnly)) {
    if (erro) *erro = QStringLiteral("não foi possível ler %1: %2").arg(arquivo, f.errorString());
    return false;
  }
  QJsonParseError problema;
  const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &problema);
  if (!doc.isObject() || doc.object()["numeroSerie"].toString().isEmpty()) {
    if (erro) *erro = QStringLiteral("memória do simulador ilegível em %1: %2").arg(arquivo, problema.errorString());
    return false;
  }
  // A memory that parses but holds what this printer never writes (a number
  // where digits in a string belong, a list of the wrong shape, a negative
  // counter) is as unreadable as broken JSON: read back and written again it
  // would not be the same, and the grand total would be lost in silence.
  MemoriaFiscal lida = DeJson(doc.object());
  const bool negativo = lida.coo < 0 || lida.crz < 0 || lida.cro < 0 || lida.gnf < 0 || lida.grandeTotal < 0 ||
                        lida.autenticacoesRestantes < 0;
  if (negativo || ParaJson(lida) != doc.object()) {
    if (erro) *erro = QStringLiteral("memória do simulador com valores fora do formato em %1").arg(arquivo);
    return false;
  }
  m = std::move(lida);
  return true;
}

bool GravaMemoria(const QString &arquivo, const MemoriaFiscal &m, QString *erro) {
  QSaveFile f(arquivo);
  if (f.open(QIODevice::WriteOnly)) {
    f.write(QJsonDocument(ParaJson(m)).toJson(QJsonDocument::Indented));
    if (f.commit()) return true;
  }
  if (erro) *erro = QStringLiteral("não foi possível gravar %1: %2").arg(arquivo, f.errorString());
  return false;
}

}  // namespace ecfsim
