// The end of a sale: F7 closes the coupon on the printer and records it.
// A closed sale is written to the desk's journal before the printer closes
// its coupon; the database recording then runs in one transaction. When the
// database does not take it, the sale stays kept on the desk and is recorded
// later (after the next sale recorded, on a timer, at start-up).
#include <QTime>

#include "closing/DiarioVendas.h"
#include "closing/FechaCupom.h"
#include "closing/GravacaoVenda.h"
#include "closing/VendaFechada.h"
#include "core/Database.h"
#include "core/Operator.h"
#include "core/PontoFalha.h"
#include "core/Utilidades.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "payment/CondPgto.h"
#include "payment/LinhaPagamento.h"
#include "platform/Host.h"
#include "platform/Paths.h"
#include "sale/PForm.h"

namespace {

const QString MensagemCupomNaoFechado = QStringLiteral("A impressora não confirmou o fechamento do cupom.");
const QString MensagemCupomSegueAberto =
    QStringLiteral("\n\nO cupom continua aberto e a venda não foi gravada: feche-o de novo (F7) ou cancele-o (F8).");
const QString MensagemImpressoraMuda = QStringLiteral(
    "\n\nA impressora não responde: a venda não foi gravada. Feche o cupom de novo (F7) quando ela responder; "
    "ao iniciar o caixa o cupom é conferido.");

// The claim marker a recorded header still holds; 0 when the release
// program has already taken it (or the header is gone).
qlonglong MarcadorAindaPosto(TerminalState &e, qlonglong codigo) {
  Recordset rs;
  rs.abre(MontaSql("Select StaEpn From Tb_Vda_CadEpn Where CodEpn=?", {codigo}), e.conexao());
  const qlonglong situacao = rs.EOF_() ? 0 : SemNulo(rs["StaEpn"]).toLongLong();
  return situacao < 0 ? situacao : 0;
}

}  // namespace

DiarioVendas &PForm::diario() {
  if (!diario_) diario_ = std::make_unique<DiarioVendas>(platform::hostPath(DiarioVendas::PastaPadrao));
  return *diario_;
}

void PForm::voltaAoConsumidor() {
  campo("Cliente").setTexto("0-CONSUMIDOR");
  campo("FisEpn").setTexto(operacaoConsumidor_);
}

VendaFechada PForm::montaVenda() const {
  TerminalState &e = estado();
  auto &tela = const_cast<PForm &>(*this);
  VendaFechada v;
  v.caixa = e.NumCaixa;
  v.cupom = tela.campo("NoCupom").texto().toLongLong();
  v.data = e.DataSistema;
  v.usuario = e.CodUsuario;
  v.cliente = tela.campo("Cliente").texto();
  v.vendedor = tela.campo("VenEpn").texto().trimmed().toLongLong();
  v.operacao = tela.campo("FisEpn").texto().trimmed().toInt();
  v.total = totalVenda_;
  v.local = e.LocCxaMat;
  v.fechadaEm = e.relogio().now();
  v.faturamento = TextoFaturamento(e.CodUsuario, e.NomeMaquina, v.fechadaEm.time());
  const Grade &g = tela.grade("Grade");
  for (int r = g.FixedRows; r < g.Rows(); ++r) {
    const QString numero = g.TextMatrix(r, 0);
    // Cancelled items ("-003") and the empty row are not part of the sale.
    if (!numero.startsWith('+')) continue;
    const int item = numero.mid(1).toInt();
    if (item <= 0) continue;
    ItemVendido i;
    i.item = item;
    i.produto = g.TextMatrix(r, 1).trimmed().toLongLong();
    i.unitario = ParaMoeda(g.TextMatrix(r, 4));
    i.valor = ParaMoeda(g.TextMatrix(r, 5));
    const DadosItemCupom dados = itensCupom.value(item);
    i.precoLista = dados.precoLista;
    i.tributacao = dados.tributacao;
    i.quantidade = dados.quantidade.ehZero() ? ParaQuantidade(g.TextMatrix(r, 3)) : dados.quantidade;
    if (const ItemEstoque *estoque = estoqueCupom_.item(item)) i.estoqueDevido = estoque->devido;
    v.itens << i;
  }
  if (condPgto_) v.pagamentos = condPgto_->linhasPreenchidas();
  v.totais = totais;
  return v;
}

void PForm::cancelaCupomZerado() {
  TerminalState &e = estado();
  const Resposta r = app().operador().mensagem({QStringLiteral("O Total de Vendas é ZERO! Cancela o Cupom ?"),
                                                Icone::Critico, Botoes::SimNao, Resposta::Nao, QString()});
  if (r != Resposta::Sim) return;
  e.Mensagem.clear();
  const DadosTributacao marcador{QStringLiteral("040"), Moeda(), Moeda(), Moeda(), campo("FisEpn").texto()};
  if (EnviaItem(QStringLiteral("0"), QStringLiteral("Produto"), marcador, true, Quantidade::deInteiro(1),
                Moeda::deCentavos(1))) {
    e.Mensagem.clear();
    CancelaCupom();
    if (e.Mensagem.isEmpty()) {
      voltaAoConsumidor();
      LimpaVenda();
    }
  }
  mostraMensagem();
}

void PForm::CmdFinal() {
  TerminalState &e = estado();
  desmarcaCampo();
  if (totalVenda_.ehZero()) {
    cancelaCupomZerado();
    return;
  }
  const bool completo = pagamentosAtribuidos();
  if (completo && valorAtribuido() != totalVenda_) {
    app().operador().avisa(QStringLiteral("Total das formas diferente do total das vendas !"));
    formasPagamento();
    return;
  }

  const VendaFechada venda = montaVenda();
  DadosFechamento dados;
  dados.totalDinheiro = completo && condPgto_ ? condPgto_->totalDinheiro() : totalVenda_;
  if (completo) dados.pagamentos = venda.pagamentos;
  dados.cliente = venda.cliente;
  dados.operacao = campo("FisEpn").texto();
  dados.caixa = campo("Caixa").texto();
  dados.formaUmConhecida = formaUm_;
  // On disk before the printer is told anything: a sale whose coupon the
  // printer closes is never only in memory.
  dados.antesDeEnviar = [this, &venda](QString &erro) {
    if (diario().grava(venda, DiarioVendas::Situacao::Fechando, &erro)) {
      PontoDeFalha("diario-fechando");
      return true;
    }
    erro = QStringLiteral("A venda não pôde ser guardada no disco deste caixa; o cupom não foi fechado.\n") + erro;
    return false;
  };
  FechaCupom fechamento(app(), completo ? FechaCupom::Tipo::Completo : FechaCupom::Tipo::Resumo, dados);
  if (!completo) campo("Dinheiro").setTexto(totalVenda_.formatada());
  app().mostra(fechamento, true);
  if (!fechamento.formaUm().isEmpty()) formaUm_ = fechamento.formaUm();

  // Whatever way the dialog went, only the printer says whether the coupon
  // was closed. A dialog that sent nothing (Esc, its close box, a journal
  // that could not be written) closed nothing.
  const QString falha = e.Mensagem;
  if (!fechamento.enviado()) {
    campo("Dinheiro").setTexto(QStringLiteral("0,00"));
    app().operador().avisa(falha.isEmpty() ? FechaCupom::MensagemDesistencia : falha);
    return;
  }
  campo("Dinheiro").setTexto(fechamento.dinheiro());
  switch (PerguntaSituacaoCupom(e)) {
    case SituacaoCupom::Fechado:
      // The printer said no somewhere in the sequence, yet closed it.
      if (!falha.isEmpty()) app().operador().avisa(falha);
      break;
    case SituacaoCupom::Aberto:
      diario().descarta(venda);
      app().operador().avisa(falha.isEmpty() ? MensagemCupomNaoFechado + MensagemCupomSegueAberto : falha);
      return;
    case SituacaoCupom::SemResposta:
      // The entry stays "closing": the start-up check decides (cancels an
      // open coupon, records a closed one); F7 again resends the closing.
      app().operador().avisa(falha.isEmpty() ? MensagemCupomNaoFechado + MensagemImpressoraMuda : falha);
      return;
  }

  PontoDeFalha("impressora-fechou");
  diario().grava(venda, DiarioVendas::Situacao::Fechada);
  PontoDeFalha("diario-fechada");
  campo("Pago").setTexto(fechamento.pago());
  campo("Troco").setTexto(fechamento.troco());
  e.Mensagem.clear();
  AcionaGavetaDoCaixa(e);
  mostraMensagem();

  qlonglong codigo = 0;
  QString porque;
  const bool gravada = registraVenda(venda, codigo, porque);
  voltaAoConsumidor();
  LimpaVenda();
  if (gravada) {
    campo("CodEpn").setTexto(QString::number(codigo));
    campo("TxtMens").setTexto("Cliente: " + venda.cliente + " | Empenho: " + QString::number(codigo) +
                              " | Cupom: " + QString::number(venda.cupom));
    // The database answers: what was kept goes now.
    GravaVendasGuardadas(false);
  } else {
    mostraGuardadas(static_cast<int>(diario().pendentes().size()));
    app().operador().avisa(MensagemVendaGuardada.arg(porque));
  }
}

bool PForm::registraVenda(const VendaFechada &venda, qlonglong &codigo, QString &porque) {
  TerminalState &e = estado();
  EmpenhoGravado g;
  try {
    g = GravaVendaNoBanco(e, venda);
  } catch (const ErroBanco &erro) {
    porque = erro.descricao();
  } catch (const std::exception &erro) {
    porque = QString::fromLocal8Bit(erro.what());
  }
  // Found recorded by an earlier try: that run stopped between the commit
  // and the journal's mark, before it started the release program. A header
  // still holding its claim marker was never released: it is released now.
  if (porque.isEmpty() && g.jaGravado) {
    try {
      g.marcador = MarcadorAindaPosto(e, g.codigo);
    } catch (const ErroBanco &erro) {
      porque = erro.descricao();
    }
  }
  if (!porque.isEmpty()) {
    diario().anotaErro(venda, QStringLiteral("etapa %1: %2").arg(e.EtapaVenda).arg(porque));
    return false;
  }
  codigo = g.codigo;
  PontoDeFalha("banco-gravou");
  // Released only once the journal knows the sale is recorded: a mark that
  // did not reach the disk leaves the entry pending, its next try finds the
  // sale recorded and still claimed, and releases it then (once).
  const bool marcada = diario().marcaGravada(venda, g.codigo);
  if (marcada && (!g.jaGravado || g.marcador < 0)) LiberaEmpenho(e, venda.data, g.marcador, g.codigo);
  // Nothing of the screen is touched here: a kept sale recorded by the timer
  // must leave the sale in progress as it is (F7 resets the screen itself).
  return true;
}

int PForm::GravaVendasGuardadas(bool avisa) {
  QStringList ilegiveis;
  QList<DiarioVendas::Entrada> pendentes = diario().pendentes(&ilegiveis);
  int gravadas = 0;
  QString ultimoErro;
  for (const DiarioVendas::Entrada &p : pendentes) {
    // A coupon the printer may still be closing is not a sale yet.
    if (p.situacao != DiarioVendas::Situacao::Fechada) continue;
    qlonglong codigo = 0;
    QString porque;
    if (!registraVenda(p.venda, codigo, porque)) {
      ultimoErro = porque;
      break;  // the database is away: the others wait for the next try
    }
    ++gravadas;
  }
  const int restam = static_cast<int>(diario().pendentes().size());
  mostraGuardadas(restam);
  if (avisa && gravadas > 0)
    app().operador().avisa(QStringLiteral("%1 venda(s) guardada(s) neste caixa foram gravadas no banco de dados.")
                               .arg(gravadas),
                           Icone::Informacao);
  if (avisa && restam > 0 && !ultimoErro.isEmpty())
    app().operador().avisa(QStringLiteral("%1 venda(s) continuam guardadas neste caixa: o banco de dados não as "
                                          "aceitou (%2). Serão gravadas assim que ele responder.")
                               .arg(restam)
                               .arg(ultimoErro));
  if (avisa && !ilegiveis.isEmpty())
    app().operador().avisa(QStringLiteral("Há vendas guardadas que não puderam ser lidas; chame o suporte. "
                                          "Os arquivos ficam onde estão:\n") +
                           ilegiveis.join('\n'));
  return restam;
}

void PForm::mostraGuardadas(int quantas) {
  campo("StBar1").setTexto(quantas > 0 ? QStringLiteral("Vendas guardadas: %1 (a gravar)").arg(quantas) : QString());
}

void PForm::resolveDiario(qlonglong cancelado, bool impressoraRespondeu) {
  for (const DiarioVendas::Entrada &p : diario().pendentes()) {
    if (p.situacao != DiarioVendas::Situacao::Fechando || !impressoraRespondeu) continue;
    // The coupon left open was cancelled: that sale never happened. Any
    // other coupon being closed is closed now: the printer finished it.
    if (p.venda.cupom == cancelado) diario().descarta(p.venda);
    else diario().grava(p.venda, DiarioVendas::Situacao::Fechada);
  }
}
