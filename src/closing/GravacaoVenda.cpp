#include "closing/GravacaoVenda.h"
#include "closing/MarcadorPosse.h"

#include <QTime>
#include <algorithm>

#include <ibase.h>

#include "core/Database.h"
#include "core/EstoquePendente.h"
#include "core/Logs.h"
#include "core/Programas.h"
#include "core/TerminalState.h"
#include "core/Utilidades.h"
#include "payment/LinhaPagamento.h"
#include "platform/Host.h"

Moeda VariacaoPreco(Moeda unitario, Moeda precoLista) {
  const auto p = Moeda::percentualDe(unitario, precoLista);
  return p ? Moeda::deInteiro(100) - *p : Moeda();
}

namespace {

// The statements take their values as bound parameters: a term list such as
// "10/12/15" stays text and a cheque number keeps its zeros, whatever they
// look like.
const QString InsereCabecalho = QStringLiteral(
    "Insert Into Tb_Vda_CadEpn "
    "(CodEpn,CliEpn,VenEpn,TpvEpn,TabEpn,DtcEpn,DtlEpn,StaEpn,NfsEpn,NfiEpn"
    ",NffEpn,LocEpn,TotEpn,DscEpn,AcrEpn,NitEpn,PrzEpn,TraEpn,VeiEpn,ReqEpn,FrtEpn"
    ",ComEpn,PesoEpn,FisEpn,UsuEpn,FatEpn,MesEpn) Values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
const QString InsereItem = QStringLiteral(
    "Insert Into Tb_Vda_CadEpnIt "
    "(CodEpnIt,IteEpnIt,ProEpnit,QtdEpnIt,ValEpnIt,PreEpnIt,VarEpnit,CtoEpnIt,MovEpnIt,OpfEpnIt) Values "
    "(?,?,?,?,?,?,?,?,?,?)");
const QString InsereResumo = QStringLiteral(
    "INSERT INTO TB_VDA_CADNOT "
    "(NumNot,SerNot,EpnNot,DatNot,ValNot,BasIcmNot,ValIcmNot,BasSubNot,ValSubNot,BasIseNot,BasRedNot,BasDifNot,"
    "StaNot,UsuNot,DatHor) Values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");

// The column widths of the payment texts: a longer text is cut rather than
// leaving a sale the database can never take.
QString corta(const QString &texto, int largura) { return texto.left(largura); }

// Quantities go with their three decimals, exact.
QVariant quantidade(const Quantidade &q) { return QVariant::fromValue(Moeda::deUnidades(q.milesimos() * 10)); }

// Tax situation 60 or 70 ("060", "60", "070"), read as a number.
bool substituiOperacao(const QString &tributacao) {
  bool ok = false;
  const int t = tributacao.trimmed().toInt(&ok);
  return ok && (t == 60 || t == 70);
}

// The coupon's fiscal-note summary for the empenho, and the operator's credit
// release for the customer used up (inside the caller's transaction). The
// coupon totals come at four decimals (the sum of their lines) and are
// rounded once, here, to the cent the summary keeps.
void GravaResumoEUsaLiberacao(ConexaoBanco &c, const VendaFechada &v, qlonglong empenho, const QDateTime &datHor) {
  QVariantList resumo{v.cupom, v.caixa, empenho, v.data, QVariant::fromValue(v.total)};
  for (const Moeda &m : v.totais) resumo << QVariant::fromValue(m.arredondada(2));
  resumo << 1 << v.usuario << datHor;
  c.executaComParametros(InsereResumo, resumo);
  c.executa(MontaSql("DELETE FROM TB_GER_LIBERA WHERE USUARIO=? AND INFO=?", {v.usuario, v.codigoCliente()}));
}

// Every product of the sale is in the catalogue: a product code that is not
// would be recorded as an item of nothing.
void ConfereProdutos(ConexaoBanco &c, const VendaFechada &v) {
  QList<qlonglong> codigos;
  for (const ItemVendido &i : v.itens)
    if (!codigos.contains(i.produto)) codigos << i.produto;
  if (codigos.isEmpty()) return;
  QStringList lista;
  for (qlonglong codigo : codigos) lista << QString::number(codigo);
  Recordset rs;
  rs.abre("Select CodPro From Tb_Est_CadPro Where CodPro In (" + lista.join(',') + ")", c);
  for (const QVariantList &linha : rs.linhas()) codigos.removeAll(linha.value(0).toLongLong());
  if (!codigos.isEmpty())
    throw VendaRecusada(QStringLiteral("o produto %1 não existe no cadastro de produtos").arg(codigos.first()));
}

}  // namespace

bool RecusadaPeloConteudo(const ErroBanco &erro) {
  for (long codigo : {isc_transliteration_failed, isc_arith_except, isc_string_truncation, isc_numeric_out_of_range,
                      isc_convert_error, isc_date_range_exceeded, isc_malformed_string, isc_not_valid,
                      isc_not_valid_for_var, isc_check_constraint, isc_foreign_key, isc_unique_key_violation,
                      isc_no_dup})
    if (erro.temCodigo(codigo)) return true;
  return false;
}

QString MotivoParaOOperador(const ErroBanco &erro) {
  if (erro.temCodigo(isc_transliteration_failed) || erro.temCodigo(isc_malformed_string))
    return QStringLiteral("um texto da venda tem caracteres que o banco de dados não aceita, como o nome de um "
                          "cliente ou do emitente de um cheque");
  if (erro.temCodigo(isc_string_truncation))
    return QStringLiteral("um texto da venda é mais longo do que o banco de dados aceita");
  if (erro.temCodigo(isc_arith_except) || erro.temCodigo(isc_numeric_out_of_range) ||
      erro.temCodigo(isc_date_range_exceeded) || erro.temCodigo(isc_convert_error))
    return QStringLiteral("um valor da venda está fora do que o banco de dados aceita");
  if (RecusadaPeloConteudo(erro)) return QStringLiteral("a venda não passa nas regras do banco de dados");
  if (erro.conexaoPerdida()) return QStringLiteral("o banco de dados não responde");
  if (erro.ehDeadlock()) return QStringLiteral("o banco de dados estava ocupado com outro caixa");
  return QStringLiteral("o banco de dados não pôde ser usado agora");
}

QString ConfereConteudo(const VendaFechada &v, const QString &caixa, const QDate &hoje) {
  if (v.caixa.trimmed().compare(caixa.trimmed(), Qt::CaseInsensitive) != 0)
    return QStringLiteral("a venda é do caixa \"%1\", não deste (%2)").arg(v.caixa.trimmed(), caixa.trimmed());
  if (!v.data.isValid() || (hoje.isValid() && v.data > hoje))
    return QStringLiteral("a data da venda (%1) é posterior a hoje").arg(v.data.toString("dd/MM/yyyy"));
  if (v.cupom <= 0 || v.cupom > 999999) return QStringLiteral("o número do cupom (%1) é inválido").arg(v.cupom);
  if (v.total <= Moeda()) return QStringLiteral("o total da venda (%1) não é positivo").arg(v.total.formatada());
  if (v.itens.isEmpty()) return QStringLiteral("a venda não tem itens");
  Moeda itens;
  QList<int> numeros;
  for (const ItemVendido &i : v.itens) {
    if (i.item <= 0 || numeros.contains(i.item))
      return QStringLiteral("o item %1 está repetido ou inválido").arg(i.item);
    numeros << i.item;
    if (i.produto <= 0) return QStringLiteral("o item %1 não tem produto").arg(i.item);
    if (i.quantidade <= Quantidade() || i.unitario < Moeda() || i.precoLista < Moeda())
      return QStringLiteral("o item %1 tem quantidade ou preço inválido").arg(i.item);
    if (i.valor != ValorLinha(i.unitario, i.quantidade))
      return QStringLiteral("o valor do item %1 (%2) não é a quantidade vezes o preço")
          .arg(i.item)
          .arg(i.valor.formatada());
    itens += i.valor;
  }
  // A pre-sale's coupon subtracts its discount from the items.
  if (v.empenho == 0 ? itens != v.total : itens < v.total)
    return QStringLiteral("os itens (%1) não somam o total da venda (%2)").arg(itens.formatada(), v.total.formatada());
  Moeda pagos;
  for (const LinhaPagamento &p : v.pagamentos) {
    if (p.valor < Moeda()) return QStringLiteral("um pagamento da venda é negativo");
    pagos += p.valor;
  }
  if (!pagos.ehZero() && pagos != v.total)
    return QStringLiteral("os pagamentos (%1) não somam o total da venda (%2)")
        .arg(pagos.formatada(), v.total.formatada());
  Moeda bases;
  for (int t = 0; t < QuantidadeTotaisCupom; ++t) {
    const Moeda valor = v.totais[static_cast<size_t>(t)];
    if (valor < Moeda()) return QStringLiteral("um total fiscal do cupom é negativo");
    if (t != ValorIcms && t != ValorSubstituicao) bases += valor;
  }
  if (bases > itens) return QStringLiteral("os totais fiscais do cupom passam do valor dos itens");
  return {};
}

QString ConfereNaImpressora(const VendaFechada &v, const ContadoresImpressora &impressora) {
  if (v.serie.trimmed().isEmpty() || !impressora.respondeu) return {};
  if (v.serie.trimmed() != impressora.serie.trimmed())
    return QStringLiteral("o cupom %1 foi impresso por outra impressora (série %2); a deste caixa é a %3")
        .arg(v.cupom)
        .arg(v.serie.trimmed(), impressora.serie.trimmed());
  if (v.cupom > impressora.coo)
    return QStringLiteral("a impressora deste caixa não emitiu o cupom %1: o último documento dela é o %2")
        .arg(v.cupom)
        .arg(impressora.coo);
  return {};
}

qlonglong EmpenhoDoCupom(TerminalState &e, const VendaFechada &v) {
  Recordset rs;
  // The desk and coupon of that date, closed at that moment by that operator
  // on that machine (FatEpn): a printer replaced during the day starts its
  // coupon numbers again, and its sales are other sales.
  rs.abre(MontaSql("Select CodEpn From Tb_Vda_CadEpn Where NfsEpn=? And NfiEpn=? And DtcEpn=? And FatEpn=?",
                   {v.caixa, v.cupom, v.data, corta(v.faturamento, 60)}),
          e.conexao());
  return rs.EOF_() ? 0 : SemNulo(rs["CodEpn"]).toLongLong();
}

// A pre-sale printed on a coupon: the empenho exists already; its coupon's
// summary row, the coupon number written back, the operator's credit release
// for the customer used up and the operation-log row, in one transaction. An
// empenho that already names this desk and coupon was recorded by an
// earlier try.
EmpenhoGravado GravaCupomDoEmpenho(TerminalState &e, const VendaFechada &v) {
  ConexaoBanco &c = e.conexao();
  EmpenhoGravado r;
  r.codigo = v.empenho;
  r.marcador = v.marcador;
  Recordset rs;
  rs.abre(MontaSql("Select NfsEpn,NfiEpn From Tb_Vda_CadEpn Where CodEpn=?", {v.empenho}), c);
  if (rs.EOF_()) throw VendaRecusada(QStringLiteral("o empenho %1 não está mais no banco de dados").arg(v.empenho));
  if (SemNulo(rs["NfsEpn"]).toString().trimmed() == v.caixa.trimmed() &&
      SemNulo(rs["NfiEpn"]).toLongLong() == v.cupom) {
    r.jaGravado = true;
    e.EtapaVenda = 7;
    return r;
  }
  TransacaoBanco t(c);
  GravaResumoEUsaLiberacao(c, v, v.empenho, v.horaServidor);
  GravaLog(e, v.usuario, QStringLiteral("PDV"), QStringLiteral("Imprime"), "Cupom : " + QString::number(v.cupom));
  c.executaComParametros("UPDATE TB_VDA_CADEPN SET NFSEPN=?,NFIEPN=?,NFFEPN=? WHERE CODEPN=?",
                         {v.caixa, v.cupom, v.cupom, v.empenho});
  t.confirma();
  e.EtapaVenda = 7;
  return r;
}

EmpenhoGravado GravaVendaNoBanco(TerminalState &e, const VendaFechada &v) {
  if (v.empenho != 0) return GravaCupomDoEmpenho(e, v);
  ConexaoBanco &c = e.conexao();
  EmpenhoGravado r;
  e.EtapaVenda = 0;
  if (const qlonglong ja = EmpenhoDoCupom(e, v)) {
    r.codigo = ja;
    r.jaGravado = true;
    e.EtapaVenda = 7;
    return r;
  }
  ConfereProdutos(c, v);
  Recordset rs;
  rs.abre("SELECT CURRENT_TIMESTAMP AS DATHOR, Gen_Id(NUMEPN,1) as CodEpn FROM RDB$DATABASE", c);
  const QDateTime datHor = e.horaServidor(rs["DATHOR"].toDateTime());
  r.codigo = SemNulo(rs["CodEpn"]).toLongLong();
  e.EtapaVenda = 1;

  // Substitution of the fiscal operation for items taxed "60"/"70".
  qlonglong operacaoSubstituta = 0;
  const bool temSubstituicao =
      std::any_of(v.itens.begin(), v.itens.end(), [](const ItemVendido &i) { return substituiOperacao(i.tributacao); });
  if (temSubstituicao) {
    rs.abre(MontaSql("Select * From Tb_Vda_FisSub Where CodNorm=?", {v.operacao}), c);
    if (!rs.EOF_()) operacaoSubstituta = SemNulo(rs["CodSubs"]).toLongLong();
  }

  const QTime agora = e.relogio().now().time();
  r.marcador = MarcadorPosse(agora, v.usuario);
  const qlonglong cliente = v.codigoCliente();

  TransacaoBanco t(c);
  c.executaComParametros(
      InsereCabecalho,
      {r.codigo, cliente, v.vendedor, 1, 1, v.data, v.data, r.marcador, v.caixa, v.cupom, v.cupom, v.local,
       QVariant::fromValue(v.total), QVariant::fromValue(Moeda()), QVariant::fromValue(Moeda()),
       static_cast<int>(v.itens.size()), QString(""), 0, 0, QStringLiteral(" "), QVariant::fromValue(Moeda()),
       QVariant::fromValue(Moeda()), QVariant::fromValue(Moeda()), v.operacao, v.usuario, corta(v.faturamento, 60),
       v.data.month()});
  e.EtapaVenda = 4;

  for (const LinhaPagamento &p : v.pagamentos) {
    c.executaComParametros(SqlInserePagamento,
                           {r.codigo, p.condicao, p.convenio, QVariant::fromValue(p.valor), corta(p.cheque, 15),
                            corta(p.banco, 10), corta(p.agencia, 10), corta(p.emitente, 60),
                            p.vencimentoGravado(v.data)});
  }
  e.EtapaVenda = 5;

  for (const ItemVendido &i : v.itens) {
    const qlonglong operacao = substituiOperacao(i.tributacao) && operacaoSubstituta ? operacaoSubstituta : v.operacao;
    c.executaComParametros(InsereItem, {r.codigo, i.item, i.produto, quantidade(i.quantidade),
                                        QVariant::fromValue(i.unitario), QVariant::fromValue(i.precoLista),
                                        QVariant::fromValue(VariacaoPreco(i.unitario, i.precoLista)),
                                        QVariant::fromValue(i.valor), 0, operacao});
  }
  // Pending stock the sale owes (items whose raise did not reach the
  // database when they were sold): applied with the sale, so once.
  for (const ItemVendido &i : v.itens)
    if (i.estoqueDevido) AtualizaEstoquePendente(e, QString::number(i.produto), i.quantidade);
  // and what items cancelled on the coupon could not give back then.
  for (const EstoqueADevolver &d : v.estoqueADevolver)
    AtualizaEstoquePendente(e, QString::number(d.produto), -d.quantidade);
  e.EtapaVenda = 6;

  GravaResumoEUsaLiberacao(c, v, r.codigo, datHor);
  t.confirma();
  e.EtapaVenda = 7;
  return r;
}

bool LiberaEmpenho(TerminalState &e, const QDate &data, qlonglong marcador, qlonglong codigo) {
  return e.programas().inicia(QString(ProgramaLiberacao) + " " + data.toString("dd/MM/yyyy") + " " +
                                  QString::number(marcador) + " " + QString::number(codigo) + " " +
                                  QString::number(e.CodUsuario),
                              platform::WindowStyle::Hidden);
}
