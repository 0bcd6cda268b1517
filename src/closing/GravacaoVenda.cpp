#include "closing/GravacaoVenda.h"

#include <QTime>
#include <algorithm>

#include "core/Database.h"
#include "core/Logs.h"
#include "core/Programas.h"
#include "core/TerminalState.h"
#include "core/Utilidades.h"
#include "payment/LinhaPagamento.h"
#include "platform/Host.h"
#include "sale/EstoqueCupom.h"

namespace {

// The statements take their values as bound parameters: a term list such as
// "10/12/15" stays text and a cheque number keeps its zeros, whatever they
// look like.
const QString InsereCabecalho = QStringLiteral(
    "Insert Into Tb_Vda_CadEpn "
    "(CodEpn,CliEpn,VenEpn,TpvEpn,TabEpn,DtcEpn,DtlEpn,StaEpn,NfsEpn,NfiEpn"
    ",NffEpn,LocEpn,TotEpn,DscEpn,AcrEpn,NitEpn,PrzEpn,TraEpn,VeiEpn,ReqEpn,FrtEpn"
    ",ComEpn,PesoEpn,FisEpn,UsuEpn,FatEpn,MesEpn) Values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
const QString InserePagamento = QStringLiteral(
    "INSERT INTO TB_VDA_EPNPAG "
    "(EPNPAG,CPGPAG,CVNPAG,VALPAG,CHQPAG,BCOPAG,AGCPAG,EMIPAG,DTVPAG) VALUES "
    "(?,?,?,?,?,?,?,?,?)");
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

QVariant inteiro(const QString &texto) { return texto.trimmed().toLongLong(); }

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

}  // namespace

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
  if (rs.EOF_()) throw ErroBanco(0, QStringLiteral("o empenho %1 não está mais no banco de dados").arg(v.empenho));
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

  for (const QStringList &p : v.pagamentosPreenchidos()) {
    c.executaComParametros(
        InserePagamento,
        {r.codigo, inteiro(p.value(0)), inteiro(p.value(9)), QVariant::fromValue(ParaMoeda(p.value(2))),
         corta(p.value(3), 15), corta(p.value(4), 10), corta(p.value(5), 10), corta(p.value(6), 60),
         VencimentoGravado(p, v.data)});
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
  e.EtapaVenda = 6;

  GravaResumoEUsaLiberacao(c, v, r.codigo, datHor);
  t.confirma();
  e.EtapaVenda = 7;
  return r;
}

void LiberaEmpenho(TerminalState &e, const QDate &data, qlonglong marcador, qlonglong codigo) {
  e.ValorCupomStr = QString::number(marcador);
  e.programas().inicia(QString(ProgramaLiberacao) + " " + data.toString("dd/MM/yyyy") + " " + e.ValorCupomStr + " " +
                           QString::number(codigo) + " " + QString::number(e.CodUsuario),
                       platform::WindowStyle::Hidden);
}
