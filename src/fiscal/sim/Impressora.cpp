#include "fiscal/sim/Impressora.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "fiscal/sim/Valores.h"

namespace ecfsim {

namespace {

const QString Titulo = QStringLiteral("PDV-VELT  IMPRESSORA FISCAL SIMULADA");

QString ddmmaa(const QDate &d) { return d.toString(QStringLiteral("ddMMyy")); }
QString dataHoraTexto(const QDateTime &t) { return t.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")); }

QString nomeTotalizador(const QString &codigo) {
  if (codigo == QLatin1String("F")) return QStringLiteral("F  Substituicao tributaria");
  if (codigo == QLatin1String("I")) return QStringLiteral("I  Isento");
  if (codigo == QLatin1String("N")) return QStringLiteral("N  Nao incidencia");
  return codigo.left(1) + QStringLiteral("%1,%2%").arg(codigo.mid(1, 2), codigo.mid(3, 2));
}

std::optional<bool> leTef(const QString &tef) {
  const QString t = tef.trimmed();
  if (t == QLatin1String("0") || t.isEmpty()) return false;
  if (t == QLatin1String("1")) return true;
  return std::nullopt;
}

bool documentoValido(const QString &documento) {
  QString digitos = documento;
  digitos.remove(QRegularExpression(QStringLiteral("[^0-9]")));
  return digitos.isEmpty() || digitos.size() == 11 || digitos.size() == 14;
}

}  // namespace

Impressora::Impressora(MemoriaFiscal &memoria, Bobina &bobina, QDateTime agora, QString arquivoRetorno)
    : m_(memoria), bobina_(bobina), agora_(std::move(agora)), arquivoRetorno_(std::move(arquivoRetorno)) {}

// ---- state checks and refusals ----

bool Impressora::diaBloqueado() const { return !m_.movimentoAberto() && m_.dataUltimaReducao == hoje(); }

bool Impressora::reducaoPendente() const { return m_.movimentoAberto() && m_.dataMovimento < hoje(); }

int Impressora::recusa(int bitsSt1, int bitsSt2) {
  m_.status.st1 |= bitsSt1;
  m_.status.st2 |= bitsSt2;
  return retorno::StatusAnormal;
}

int Impressora::recusaComando() {
  m_.status.ack = 21;
  m_.status.st2 |= st2::ComandoNaoExecutado;
  return retorno::StatusAnormal;
}

int Impressora::invalido() {
  m_.status.st2 |= st2::ParametroInvalido;
  return retorno::ParametroInvalido;
}

int Impressora::exigeSemDocumentoAberto() {
  if (m_.cupom.aberto()) return recusa(st1::CupomAberto, st2::ComandoNaoExecutado);
  if (m_.relatorioAberto) return recusa(0, st2::ComandoNaoExecutado);
  return retorno::Aceito;
}

// A new fiscal or non-fiscal document needs a day that is neither closed by
// today's Z reduction nor left over from an earlier date.
int Impressora::exigeDiaParaDocumento() {
  const int livre = exigeSemDocumentoAberto();
  if (livre != retorno::Aceito) return livre;
  if (diaBloqueado() || reducaoPendente()) return recusaComando();
  if (!m_.movimentoAberto()) abreMovimento();
  return retorno::Aceito;
}

void Impressora::abreMovimento() {
  m_.dataMovimento = hoje();
  m_.dia = TotaisDia{};
}

// ---- printing ----

void Impressora::cabecalho(const QString &titulo) {
  bobina_.traco('=');
  bobina_.centro(Titulo);
  bobina_.centro(QStringLiteral("CNPJ 00.000.000/0001-00   IE ISENTO"));
  bobina_.traco();
  bobina_.duas(dataHoraTexto(agora_), QStringLiteral("COO:") + Digitos(m_.coo, 6));
  bobina_.centro(titulo);
  bobina_.traco();
}

void Impressora::rodape() {
  bobina_.traco();
  bobina_.duas(QStringLiteral("ECF-SIM  FAB:") + m_.numeroSerie, dataHoraTexto(agora_).left(10));
  bobina_.traco('=');
  bobina_.linha();
}

void Impressora::novoDocumento(const QString &titulo) {
  ++m_.coo;
  m_.gavetaAberta = false;  // the cashier closed it before the next document
  m_.ultimo.cancelavel = false;
  m_.autenticacoesRestantes = 0;
  cabecalho(titulo);
}

// ---- the coupon ----

int Impressora::abreCupom(const QString &documento) {
  if (!documentoValido(documento)) return invalido();
  const int dia = exigeDiaParaDocumento();
  if (dia != retorno::Aceito) return dia;
  novoDocumento(QStringLiteral("CUPOM FISCAL"));
  m_.cupom = Cupom{};
  m_.cupom.estado = EstadoCupom::Vendendo;
  m_.cupom.coo = m_.coo;
  m_.cupom.documento = documento.trimmed();
  m_.cupom.abertoEm = agora_;
  if (!m_.cupom.documento.isEmpty()) bobina_.linha(QStringLiteral("CPF/CNPJ consumidor: ") + m_.cupom.documento);
  bobina_.linha(QStringLiteral("ITEM CÓDIGO         DESCRIÇÃO"));
  bobina_.duas(QStringLiteral("     QTD. x VL.UNIT.(R$)   ST"), QStringLiteral("VL.ITEM(R$)"));
  bobina_.traco();
  return retorno::Aceito;
}

std::optional<QString> Impressora::totalizadorDaAliquota(const QString &aliquota) const {
  const QString t = aliquota.trimmed().toUpper();
  if (t == QLatin1String("FF") || t == QLatin1String("F")) return QStringLiteral("F");
  if (t == QLatin1String("II") || t == QLatin1String("I")) return QStringLiteral("I");
  if (t == QLatin1String("NN") || t == QLatin1String("N")) return QStringLiteral("N");
  if (t.size() == 2 && t[0].isDigit() && t[1].isDigit()) {  // index of a programmed rate
    const int i = t.toInt();
    if (i >= 1 && i <= m_.aliquotas.size()) return m_.aliquotas[i - 1].codigo();
    return std::nullopt;
  }
  if (t.size() == 5 && (t[0] == 'T' || t[0] == 'S')) {
    if (m_.aliquota(t)) return t;
    return std::nullopt;
  }
  const auto valor = LePercentual(t);
  if (!valor) return std::nullopt;
  for (const Aliquota &a : m_.aliquotas)
    if (a.valor == *valor) return a.codigo();
  return std::nullopt;
}

int Impressora::vendeItem(const QString &codigo, const QString &descricao, const QString &aliquota,
                          const QString &tipoQuantidade, const QString &quantidade, int casas,
                          const QString &valorUnitario, const QString &tipoDesconto, const QString &desconto) {
  const QString cod = codigo.trimmed(), desc = descricao.trimmed();
  if (cod.isEmpty() || cod.size() > 14 || desc.isEmpty() || desc.size() > 29) return invalido();
  if (casas != 2 && casas != 3) return invalido();
  const auto qtd = LeQuantidade(tipoQuantidade, quantidade);
  const auto unitario = LeDecimal(valorUnitario, casas, casas);
  if (!qtd || *qtd <= 0 || !unitario || *unitario <= 0) return invalido();
  const QString tipoDsc = tipoDesconto.trimmed();
  if (tipoDsc != QLatin1String("%") && tipoDsc != QLatin1String("$")) return invalido();
  const auto dsc = tipoDsc == QLatin1String("%") ? LePercentual(desconto) : LeCentavos(desconto);
  if (!dsc || (tipoDsc == QLatin1String("%") && *dsc > 10000)) return invalido();
  if (!m_.cupom.aberto() || m_.cupom.estado != EstadoCupom::Vendendo) return recusa(0, st2::ComandoNaoExecutado);
  const auto totalizador = totalizadorDaAliquota(aliquota);
  if (!totalizador) {
    m_.status.st2 |= st2::AliquotaNaoProgramada;
    return retorno::AliquotaNaoProgramada;
  }
  ItemCupom item;
  item.numero = int(m_.cupom.itens.size()) + 1;
  item.codigo = cod;
  item.descricao = desc;
  item.totalizador = *totalizador;
  item.quantidadeMilesimos = *qtd;
  item.valorUnitario = *unitario;
  item.casas = casas;
  // Truncated to the cent, as the printer's truncation mode does.
  item.bruto = *qtd * *unitario / (casas == 3 ? 10000 : 1000);
  item.desconto = tipoDsc == QLatin1String("%") ? item.bruto * *dsc / 10000 : *dsc;
  if (item.bruto <= 0 || item.desconto > item.bruto) return invalido();
  m_.cupom.itens.append(item);
  m_.dia.vendaBruta += item.bruto;
  m_.grandeTotal += item.bruto;

  const QString unit = casas == 3 ? QStringLiteral("%1,%2").arg(*unitario / 1000).arg(Digitos(*unitario % 1000, 3))
                                  : FormataCentavos(*unitario);
  bobina_.linha(QStringLiteral("%1 %2 %3").arg(Digitos(item.numero, 3), cod.leftJustified(13), desc));
  bobina_.duas(QStringLiteral("     %1 x %2   %3").arg(FormataMilesimos(*qtd), unit, item.totalizador),
               FormataCentavos(item.bruto));
  if (item.desconto > 0) bobina_.duas(QStringLiteral("     desconto item"), QStringLiteral("-") + FormataCentavos(item.desconto));
  return retorno::Aceito;
}

int Impressora::cancelaItem(const QString &item) {
  bool ok = false;
  const int numero = item.trimmed().toInt(&ok);
  if (!ok) return invalido();
  if (m_.cupom.estado != EstadoCupom::Vendendo) return recusa(0, st2::ComandoNaoExecutado);
  if (numero < 1 || numero > m_.cupom.itens.size() || m_.cupom.itens[numero - 1].cancelado)
    return recusa(0, st2::CancelamentoNaoPermitido);
  ItemCupom &i = m_.cupom.itens[numero - 1];
  i.cancelado = true;
  m_.dia.cancelamentos += i.liquido();
  bobina_.duas(QStringLiteral("CANCELAMENTO ITEM %1 %2").arg(Digitos(numero, 3), i.codigo),
               QStringLiteral("-") + FormataCentavos(i.liquido()));
  return retorno::Aceito;
}

int Impressora::cancelaCupom() {
  if (m_.relatorioAberto) return recusa(0, st2::ComandoNaoExecutado);
  if (m_.cupom.aberto()) {
    m_.dia.cancelamentos += m_.cupom.subtotal();
    ++m_.dia.cuponsCancelados;
    bobina_.traco();
    bobina_.centro(QStringLiteral("*** CUPOM FISCAL CANCELADO ***"));
    bobina_.duas(QStringLiteral("CANCELAMENTO"), QStringLiteral("R$ ") + FormataCentavos(m_.cupom.subtotal()));
    rodape();
    m_.ultimo = UltimoCupom{};
    m_.ultimo.coo = m_.cupom.coo;
    m_.cupom = Cupom{};
    return retorno::Aceito;
  }
  if (!m_.ultimo.cancelavel) return recusa(0, st2::CancelamentoNaoPermitido);
  const UltimoCupom cancelado = m_.ultimo;
  novoDocumento(QStringLiteral("CUPOM FISCAL CANCELADO"));
  bobina_.duas(QStringLiteral("COO do cupom cancelado:"), Digitos(cancelado.coo, 6));
  bobina_.duas(QStringLiteral("Valor cancelado R$"), FormataCentavos(cancelado.total));
  rodape();
  for (const Pagamento &p : cancelado.pagamentos) acumulaForma(p.forma, -p.valor);
  if (cancelado.troco > 0) acumulaForma(formaDoTroco(cancelado.pagamentos), cancelado.troco);
  m_.dia.cancelamentos += cancelado.total;
  ++m_.dia.cuponsCancelados;
  m_.ultimo = UltimoCupom{};
  m_.ultimo.coo = cancelado.coo;
  return retorno::Aceito;
}

int Impressora::iniciaFechamento(const QString &acrescimoDesconto, const QString &tipo, const QString &valor) {
  const QString ad = acrescimoDesconto.trimmed().toUpper(), t = tipo.trimmed();
  if ((ad != QLatin1String("A") && ad != QLatin1String("D")) || (t != QLatin1String("%") && t != QLatin1String("$")))
    return invalido();
  const auto v = t == QLatin1String("%") ? LePercentual(valor) : LeCentavos(valor);
  if (!v) return invalido();
  if (m_.cupom.estado != EstadoCupom::Vendendo || m_.cupom.subtotal() <= 0)
    return recusa(0, st2::ComandoNaoExecutado);
  const Centavos subtotal = m_.cupom.subtotal();
  const Centavos ajuste = t == QLatin1String("%") ? subtotal * *v / 10000 : *v;
  if (ad == QLatin1String("D") && ajuste >= subtotal) return invalido();
  m_.cupom.ajuste = ad == QLatin1String("D") ? -ajuste : ajuste;
  m_.cupom.estado = EstadoCupom::Totalizado;
  bobina_.traco();
  bobina_.duas(QStringLiteral("SUBTOTAL R$"), FormataCentavos(subtotal));
  if (ajuste > 0)
    bobina_.duas(ad == QLatin1String("D") ? QStringLiteral("DESCONTO R$") : QStringLiteral("ACRÉSCIMO R$"),
                 FormataCentavos(m_.cupom.ajuste));
  bobina_.duas(QStringLiteral("TOTAL R$"), FormataCentavos(m_.cupom.total()));
  return retorno::Aceito;
}

int Impressora::efetuaPagamento(const QString &forma, const QString &valor, const QString &descricao) {
  const auto v = LeCentavos(valor);
  if (!v || *v <= 0 || forma.trimmed().isEmpty()) return invalido();
  if (m_.cupom.estado != EstadoCupom::Totalizado) return recusa(0, st2::ComandoNaoExecutado);
  const int indice = m_.indiceForma(forma);
  if (indice < 0) {
    m_.status.st2 |= st2::ComandoNaoExecutado;
    return retorno::FormaNaoProgramada;
  }
  m_.cupom.pagamentos.append({m_.formas[indice].nome, *v, descricao.trimmed()});
  bobina_.duas(m_.formas[indice].nome, FormataCentavos(*v));
  if (!descricao.trimmed().isEmpty()) bobina_.linha(QStringLiteral("  ") + descricao.trimmed());
  if (m_.cupom.pago() >= m_.cupom.total()) m_.cupom.estado = EstadoCupom::Pago;
  return retorno::Aceito;
}

// Change is given in cash (form 1) when the coupon was paid partly in cash,
// otherwise through the last form paid.
QString Impressora::formaDoTroco(const QList<Pagamento> &pagamentos) const {
  for (const Pagamento &p : pagamentos)
    if (m_.indiceForma(p.forma) == 0) return p.forma;
  return pagamentos.isEmpty() ? QString() : pagamentos.last().forma;
}

void Impressora::acumulaForma(const QString &forma, Centavos valor) {
  const int i = m_.indiceForma(forma);
  if (i >= 0) m_.formas[i].acumulado += valor;
}

void Impressora::fechaCupom(const QString &mensagem) {
  Cupom &c = m_.cupom;
  const Centavos troco = c.pago() - c.total();
  if (troco > 0) bobina_.duas(QStringLiteral("TROCO R$"), FormataCentavos(troco));
  bobina_.traco();
  Bobina rodapeCliente;
  rodapeCliente.linha(mensagem);
  const QStringList linhasMensagem = rodapeCliente.linhas().mid(0, 8);  // eight lines of footer at most
  for (const QString &l : linhasMensagem) bobina_.linha(l);
  rodape();

  for (FormaPagamento &f : m_.formas) f.ultimoCupom = 0;
  for (const Pagamento &p : c.pagamentos) {
    acumulaForma(p.forma, p.valor);
    m_.formas[m_.indiceForma(p.forma)].ultimoCupom += p.valor;
  }
  if (troco > 0) acumulaForma(formaDoTroco(c.pagamentos), -troco);
  for (const ItemCupom &i : c.itens) {
    if (i.cancelado) continue;
    m_.dia.porTotalizador[i.totalizador] += i.liquido();
    m_.dia.descontos += i.desconto;
  }
  if (c.ajuste < 0) m_.dia.descontos -= c.ajuste;
  else m_.dia.acrescimos += c.ajuste;
  ++m_.dia.cuponsEmitidos;

  m_.ultimo = UltimoCupom{c.coo, true, c.total(), c.pagamentos, troco > 0 ? troco : 0};
  m_.autenticacoesRestantes = 4;
  m_.cupom = Cupom{};
}

int Impressora::terminaFechamento(const QString &mensagem) {
  if (m_.cupom.estado != EstadoCupom::Pago) return recusa(0, st2::ComandoNaoExecutado);
  fechaCupom(mensagem);
  return retorno::Aceito;
}

int Impressora::fechaCupomResumido(const QString &forma, const QString &mensagem) {
  if (m_.cupom.estado != EstadoCupom::Vendendo || m_.cupom.subtotal() <= 0)
    return recusa(0, st2::ComandoNaoExecutado);
  const int indice = m_.indiceForma(forma);
  if (indice < 0) {
    m_.status.st2 |= st2::ComandoNaoExecutado;
    return retorno::FormaNaoProgramada;
  }
  iniciaFechamento(QStringLiteral("A"), QStringLiteral("%"), QStringLiteral("0000"));
  efetuaPagamento(m_.formas[indice].nome, FormataCentavos(m_.cupom.total()), {});
  fechaCupom(mensagem);
  return retorno::Aceito;
}

// ---- readings of the printer's state ----

int Impressora::numeroCupom(QString &numero) const {
  numero = Digitos(m_.coo, 6);
  return retorno::Aceito;
}

int Impressora::numeroSerie(QString &serie) const {
  serie = m_.numeroSerie.leftJustified(20, ' ', true);
  return retorno::Aceito;
}

int Impressora::dataMovimento(QString &data) const {
  data = m_.movimentoAberto() ? ddmmaa(m_.dataMovimento) : QStringLiteral("000000");
  return retorno::Aceito;
}

int Impressora::dataHora(QString &data, QString &hora) const {
  data = ddmmaa(hoje());
  hora = agora_.time().toString(QStringLiteral("hhmmss"));
  return retorno::Aceito;
}

int Impressora::flags(short &valor) const {
  int f = 0;
  if (m_.cupom.aberto()) f |= FlagFiscal::CupomAberto | FlagFiscal::PodeCancelar;
  if (m_.cupom.estado == EstadoCupom::Totalizado || m_.cupom.estado == EstadoCupom::Pago)
    f |= FlagFiscal::FechamentoIniciado;
  if (diaBloqueado()) f |= FlagFiscal::ReducaoZFeita;
  if (m_.ultimo.cancelavel) f |= FlagFiscal::PodeCancelar;
  valor = static_cast<short>(f);
  return retorno::Aceito;
}

// 50 records of 58: name (15), ",", the day's amount in cents (20), ",",
// the last coupon's amount (20), "S"/"N" for electronic payment. Two blank
// records complete the 3016 characters.
int Impressora::formasPagamento(QString &tabela) const {
  tabela.clear();
  for (int i = 0; i < MaximoFormas; ++i) {
    if (i < m_.formas.size()) {
      const FormaPagamento &f = m_.formas[i];
      tabela += f.nome.leftJustified(15, ' ', true) + ',' + Digitos(f.acumulado < 0 ? 0 : f.acumulado, 20) + ',' +
                Digitos(f.ultimoCupom, 20) + (f.tef ? 'S' : 'N');
    } else {
      tabela += QString(15, ' ') + ',' + Digitos(0, 20) + ',' + Digitos(0, 20) + 'N';
    }
  }
  tabela += QString(2 * 58, ' ');
  return retorno::Aceito;
}

// Fields separated by ",", amounts in cents: 1 grand total (18), 2 gross
// sales (14), 3 cancellations (14), 4 discounts (14), 5 non-fiscal receipts
// (14) and their count (4), 6 withdrawals (14), 7 supplies (14), 8 surcharges
// (14), 9 the sixteen programmed rates (16 x 14), 10 substitution "F" (14),
// 11 exempt "I" (14), 12 not taxed "N" (14), 13 COO (6), 14 CRZ (4).
int Impressora::totalizadoresParciais(QString &totais) const {
  const TotaisDia &d = m_.dia;
  QString aliquotas;
  for (int i = 0; i < MaximoAliquotas; ++i)
    aliquotas += Digitos(i < m_.aliquotas.size() ? d.porTotalizador.value(m_.aliquotas[i].codigo()) : 0, 14);
  const QStringList campos = {Digitos(m_.grandeTotal, 18),
                              Digitos(d.vendaBruta, 14),
                              Digitos(d.cancelamentos, 14),
                              Digitos(d.descontos, 14),
                              Digitos(d.recebimentos, 14) + Digitos(d.quantidadeRecebimentos, 4),
                              Digitos(d.sangrias, 14),
                              Digitos(d.suprimentos, 14),
                              Digitos(d.acrescimos, 14),
                              aliquotas,
                              Digitos(d.porTotalizador.value(QStringLiteral("F")), 14),
                              Digitos(d.porTotalizador.value(QStringLiteral("I")), 14),
                              Digitos(d.porTotalizador.value(QStringLiteral("N")), 14),
                              Digitos(m_.coo, 6),
                              Digitos(m_.crz, 4)};
  totais = campos.join(',');
  return retorno::Aceito;
}

int Impressora::dadosEpson(QString &dados) const {
  dados = m_.numeroSerie.leftJustified(20, ' ', true) + QStringLiteral("ECF-SIM").leftJustified(20) +
          QStringLiteral("01.00.00").leftJustified(10) + Digitos(m_.coo, 6) + Digitos(m_.crz, 4);
  dados = dados.leftJustified(108, ' ', true);
  return retorno::Aceito;
}

// ---- programming ----

int Impressora::programaForma(const QString &nome, const QString &tef) {
  const QString n = nome.trimmed();
  const auto eletronico = leTef(tef);
  if (n.isEmpty() || n.size() > 15 || !eletronico) return invalido();
  const int livre = exigeSemDocumentoAberto();
  if (livre != retorno::Aceito) return livre;
  if (m_.indiceForma(n) >= 0) return retorno::Aceito;
  if (m_.formas.size() >= MaximoFormas) return recusa(0, st2::ComandoNaoExecutado);
  m_.formas.append({n, *eletronico, 0, 0});
  return retorno::Aceito;
}

int Impressora::nomeiaTotalizador(int indice, const QString &nome) {
  const QString n = nome.trimmed();
  if (indice < 1 || indice > MaximoNaoFiscais || n.isEmpty() || n.size() > 19) return invalido();
  const int livre = exigeSemDocumentoAberto();
  if (livre != retorno::Aceito) return livre;
  m_.naoFiscais[indice] = n;
  return retorno::Aceito;
}

// ---- the fiscal day ----

QStringList Impressora::linhasLeituraX() const {
  Bobina b;
  const TotaisDia &d = m_.dia;
  const Centavos liquida = d.vendaBruta - d.cancelamentos - d.descontos + d.acrescimos;
  b.duas(QStringLiteral("Movimento de"),
         m_.movimentoAberto() ? m_.dataMovimento.toString(QStringLiteral("dd/MM/yyyy")) : QStringLiteral("sem movimento"));
  b.duas(QStringLiteral("COO"), Digitos(m_.coo, 6));
  b.duas(QStringLiteral("CRZ"), Digitos(m_.crz, 4));
  b.duas(QStringLiteral("CRO"), Digitos(m_.cro, 4));
  b.duas(QStringLiteral("Grande total"), FormataCentavos(m_.grandeTotal));
  b.duas(QStringLiteral("Venda bruta"), FormataCentavos(d.vendaBruta));
  b.duas(QStringLiteral("Cancelamentos"), FormataCentavos(d.cancelamentos));
  b.duas(QStringLiteral("Descontos"), FormataCentavos(d.descontos));
  b.duas(QStringLiteral("Acrescimos"), FormataCentavos(d.acrescimos));
  b.duas(QStringLiteral("Venda liquida"), FormataCentavos(liquida));
  b.linha(QStringLiteral("Totalizadores:"));
  for (const Aliquota &a : m_.aliquotas)
    b.duas(QStringLiteral("  ") + nomeTotalizador(a.codigo()), FormataCentavos(d.porTotalizador.value(a.codigo())));
  for (const char *c : {"F", "I", "N"})
    b.duas(QStringLiteral("  ") + nomeTotalizador(QLatin1String(c)),
           FormataCentavos(d.porTotalizador.value(QLatin1String(c))));
  b.duas(QStringLiteral("Suprimentos"), FormataCentavos(d.suprimentos));
  b.duas(QStringLiteral("Sangrias"), FormataCentavos(d.sangrias));
  b.duas(QStringLiteral("Recebimentos nao fiscais"), FormataCentavos(d.recebimentos));
  b.linha(QStringLiteral("Meios de pagamento:"));
  for (const FormaPagamento &f : m_.formas) b.duas(QStringLiteral("  ") + f.nome, FormataCentavos(f.acumulado));
  b.duas(QStringLiteral("Cupons emitidos"), QString::number(d.cuponsEmitidos));
  b.duas(QStringLiteral("Cupons cancelados"), QString::number(d.cuponsCancelados));
  return b.linhas();
}

void Impressora::imprimeLeituraX() {
  novoDocumento(QStringLiteral("LEITURA X"));
  for (const QString &l : linhasLeituraX()) bobina_.linha(l);
  rodape();
}

int Impressora::leituraX() {
  const int livre = exigeSemDocumentoAberto();
  if (livre != retorno::Aceito) return livre;
  if (diaBloqueado()) return recusaComando();
  if (!m_.movimentoAberto()) abreMovimento();
  imprimeLeituraX();
  return retorno::Aceito;
}

int Impressora::leituraXSerial() {
  const int livre = exigeSemDocumentoAberto();
  if (livre != retorno::Aceito) return livre;
  QDir().mkpath(QFileInfo(arquivoRetorno_).absolutePath());
  QFile f(arquivoRetorno_);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return retorno::ErroArquivo;
  QStringList linhas = {QStringLiteral("LEITURA X"), Titulo,
                        QStringLiteral("FAB: ") + m_.numeroSerie, dataHoraTexto(agora_)};
  linhas += linhasLeituraX();
  f.write((linhas.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
  return retorno::Aceito;
}

int Impressora::aberturaDoDia(const QString &valor, const QString &forma) {
  const auto v = valor.trimmed().isEmpty() ? std::optional<int64_t>(0) : LeCentavos(valor);
  if (!v) return invalido();
  const QString nomeForma = forma.trimmed().isEmpty() ? m_.formas.value(0).nome : forma;
  if (m_.indiceForma(nomeForma) < 0) {
    m_.status.st2 |= st2::ComandoNaoExecutado;
    return retorno::FormaNaoProgramada;
  }
  const int dia = exigeDiaParaDocumento();
  if (dia != retorno::Aceito) return dia;
  imprimeLeituraX();
  if (*v > 0) return suprimento(valor, nomeForma);
  return retorno::Aceito;
}

void Impressora::imprimeReducao(const Reducao &r) {
  bobina_.duas(QStringLiteral("Movimento de"), r.dataMovimento.toString(QStringLiteral("dd/MM/yyyy")));
  bobina_.duas(QStringLiteral("CRZ"), Digitos(r.crz, 4));
  bobina_.duas(QStringLiteral("COO"), Digitos(r.coo, 6));
  bobina_.duas(QStringLiteral("Grande total"), FormataCentavos(r.grandeTotal));
  bobina_.duas(QStringLiteral("Venda bruta"), FormataCentavos(r.vendaBruta));
  bobina_.duas(QStringLiteral("Cancelamentos"), FormataCentavos(r.cancelamentos));
  bobina_.duas(QStringLiteral("Descontos"), FormataCentavos(r.descontos));
  bobina_.duas(QStringLiteral("Venda líquida"), FormataCentavos(r.vendaLiquida));
  for (auto i = r.porTotalizador.begin(); i != r.porTotalizador.end(); ++i)
    bobina_.duas(QStringLiteral("  ") + nomeTotalizador(i.key()), FormataCentavos(i.value()));
}

int Impressora::reducaoZ(const QString &data, const QString &hora) {
  static const QRegularExpression formaHora(R"(^\d\d:?\d\d:?\d\d$)");
  if ((!data.trimmed().isEmpty() && !LeData(data).isValid()) ||
      (!hora.trimmed().isEmpty() && !formaHora.match(hora.trimmed()).hasMatch()))
    return invalido();
  const int livre = exigeSemDocumentoAberto();
  if (livre != retorno::Aceito) return livre;
  if (diaBloqueado()) return recusaComando();
  const TotaisDia &d = m_.dia;
  Reducao r;
  r.crz = m_.crz + 1;
  r.dataMovimento = m_.movimentoAberto() ? m_.dataMovimento : hoje();
  r.emitidaEm = agora_;
  r.vendaBruta = d.vendaBruta;
  r.cancelamentos = d.cancelamentos;
  r.descontos = d.descontos;
  r.vendaLiquida = d.vendaBruta - d.cancelamentos - d.descontos + d.acrescimos;
  r.grandeTotal = m_.grandeTotal;
  r.porTotalizador = d.porTotalizador;
  novoDocumento(QStringLiteral("REDUÇÃO Z"));
  m_.crz = r.crz;
  r.coo = m_.coo;
  imprimeReducao(r);
  bobina_.linha(QStringLiteral("Meios de pagamento:"));
  for (const FormaPagamento &f : m_.formas) bobina_.duas(QStringLiteral("  ") + f.nome, FormataCentavos(f.acumulado));
  rodape();
  m_.reducoes.append(r);
  m_.dataUltimaReducao = r.dataMovimento;
  m_.dataMovimento = QDate();
  m_.dia = TotaisDia{};
  for (FormaPagamento &f : m_.formas) f.acumulado = f.ultimoCupom = 0;
  return retorno::Aceito;
}

int Impressora::memoriaFiscalData(const QString &inicial, const QString &final) {
  const QDate de = LeData(inicial), ate = LeData(final);
  if (!de.isValid() || !ate.isValid() || de > ate) return invalido();
  const int livre = exigeSemDocumentoAberto();
  if (livre != retorno::Aceito) return livre;
  QList<Reducao> achadas;
  for (const Reducao &r : m_.reducoes)
    if (r.dataMovimento >= de && r.dataMovimento <= ate) achadas << r;
  if (achadas.isEmpty()) return retorno::SemDados;
  novoDocumento(QStringLiteral("LEITURA DA MEMÓRIA FISCAL"));
  bobina_.linha(QStringLiteral("Período: %1 a %2").arg(de.toString(QStringLiteral("dd/MM/yyyy")),
                                                      ate.toString(QStringLiteral("dd/MM/yyyy"))));
  for (const Reducao &r : achadas) {
    bobina_.traco();
    imprimeReducao(r);
  }
  rodape();
  return retorno::Aceito;
}

int Impressora::memoriaFiscalReducao(const QString &inicial, const QString &final) {
  bool ok1 = false, ok2 = false;
  const int de = inicial.trimmed().toInt(&ok1), ate = final.trimmed().toInt(&ok2);
  if (!ok1 || !ok2 || de < 1 || ate < de || ate > 9999) return invalido();
  const int livre = exigeSemDocumentoAberto();
  if (livre != retorno::Aceito) return livre;
  QList<Reducao> achadas;
  for (const Reducao &r : m_.reducoes)
    if (r.crz >= de && r.crz <= ate) achadas << r;
  if (achadas.isEmpty()) return retorno::SemDados;
  novoDocumento(QStringLiteral("LEITURA DA MEMÓRIA FISCAL"));
  bobina_.linha(QStringLiteral("Reduções %1 a %2").arg(Digitos(de, 4), Digitos(ate, 4)));
  for (const Reducao &r : achadas) {
    bobina_.traco();
    imprimeReducao(r);
  }
  rodape();
  return retorno::Aceito;
}

// ---- non-fiscal documents ----

int Impressora::relatorioGerencial(const QString &texto) {
  if (m_.cupom.aberto()) return recusa(st1::CupomAberto, st2::ComandoNaoExecutado);
  if (!m_.relatorioAberto) {
    const int dia = exigeDiaParaDocumento();
    if (dia != retorno::Aceito) return dia;
    novoDocumento(QStringLiteral("RELATÓRIO GERENCIAL"));
    ++m_.gnf;
    m_.relatorioAberto = true;
  }
  bobina_.linha(texto);
  return retorno::Aceito;
}

int Impressora::fechaRelatorio() {
  if (!m_.relatorioAberto) return recusa(0, st2::ComandoNaoExecutado);
  rodape();
  m_.relatorioAberto = false;
  return retorno::Aceito;
}

int Impressora::recebimentoNaoFiscal(const QString &indice, const QString &valor, const QString &forma) {
  bool ok = false;
  const int i = indice.trimmed().toInt(&ok);
  const auto v = LeCentavos(valor);
  if (!ok || i < 1 || i > MaximoNaoFiscais || !v || *v <= 0) return invalido();
  if (!m_.naoFiscais.contains(i)) {
    m_.status.st2 |= st2::ComandoNaoExecutado;
    return retorno::TotalizadorNaoProgramado;
  }
  const int f = m_.indiceForma(forma);
  if (f < 0) {
    m_.status.st2 |= st2::ComandoNaoExecutado;
    return retorno::FormaNaoProgramada;
  }
  const int dia = exigeDiaParaDocumento();
  if (dia != retorno::Aceito) return dia;
  novoDocumento(QStringLiteral("COMPROVANTE NÃO FISCAL"));
  ++m_.gnf;
  bobina_.duas(Digitos(i, 2) + ' ' + m_.naoFiscais.value(i), FormataCentavos(*v));
  bobina_.duas(m_.formas[f].nome, FormataCentavos(*v));
  rodape();
  m_.dia.recebimentos += *v;
  ++m_.dia.quantidadeRecebimentos;
  m_.dia.naoFiscais[i] += *v;
  m_.formas[f].acumulado += *v;
  m_.autenticacoesRestantes = 4;
  return retorno::Aceito;
}

int Impressora::sangria(const QString &valor) {
  const auto v = LeCentavos(valor);
  if (!v || *v <= 0) return invalido();
  const int dia = exigeDiaParaDocumento();
  if (dia != retorno::Aceito) return dia;
  novoDocumento(QStringLiteral("COMPROVANTE NÃO FISCAL"));
  ++m_.gnf;
  bobina_.duas(QStringLiteral("SANGRIA"), FormataCentavos(*v));
  rodape();
  m_.dia.sangrias += *v;
  return retorno::Aceito;
}

int Impressora::suprimento(const QString &valor, const QString &forma) {
  const auto v = LeCentavos(valor);
  if (!v || *v <= 0) return invalido();
  const int f = m_.indiceForma(forma.trimmed().isEmpty() ? m_.formas.value(0).nome : forma);
  if (f < 0) {
    m_.status.st2 |= st2::ComandoNaoExecutado;
    return retorno::FormaNaoProgramada;
  }
  const int dia = exigeDiaParaDocumento();
  if (dia != retorno::Aceito) return dia;
  novoDocumento(QStringLiteral("COMPROVANTE NÃO FISCAL"));
  ++m_.gnf;
  bobina_.duas(QStringLiteral("SUPRIMENTO"), FormataCentavos(*v));
  bobina_.duas(m_.formas[f].nome, FormataCentavos(*v));
  rodape();
  m_.dia.suprimentos += *v;
  m_.formas[f].acumulado += *v;
  return retorno::Aceito;
}

// ---- drawer and authentication ----

int Impressora::estadoGaveta(short &estado) const {
  estado = m_.gavetaAberta ? 1 : 0;
  return retorno::Aceito;
}

int Impressora::acionaGaveta() {
  m_.gavetaAberta = true;
  return retorno::Aceito;
}

int Impressora::autenticacao() {
  if (m_.autenticacoesRestantes <= 0) return recusa(0, st2::ComandoNaoExecutado);
  --m_.autenticacoesRestantes;
  bobina_.linha(QStringLiteral("AUTENTICAÇÃO  COO:%1  %2  FAB:%3")
                    .arg(Digitos(m_.coo, 6), dataHoraTexto(agora_).left(16), m_.numeroSerie.right(6)));
  return retorno::Aceito;
}

}  // namespace ecfsim
