// The end of a sale: F7 closes the coupon on the printer and records it.
// A closed sale is written to the desk's journal before the printer closes
// its coupon; the database recording then runs in one transaction. When the
// database does not take it, the sale stays kept on the desk and is recorded
// later (after the next sale recorded, on a timer, at start-up).
#include <QFile>
#include <QRegularExpression>
#include <QTime>
#include <algorithm>
#include <optional>

#include "closing/DiarioVendas.h"
#include "closing/FechaCupom.h"
#include "closing/GravacaoVenda.h"
#include "closing/VendaFechada.h"
#include "core/Database.h"
#include "core/Logs.h"
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

// The printer's serial, coupon counter and whether its last coupon can
// still be cancelled; `respondeu` false when any of it did not come.
ContadoresImpressora LeContadores(TerminalState &e) {
  ContadoresImpressora c;
  const MarcaImpressora marca = MarcaDe(e.MarcaEcf);
  if (marca != MarcaImpressora::Bematech && marca != MarcaImpressora::Sweda) {
    c.semContadores = true;
    return c;
  }
  QString serie = e.NumSerieEcf.trimmed();
  if (serie.isEmpty() && EcfNumeroSerie(e) >= 1) serie = e.NumSerieEcf.trimmed();
  if (serie.isEmpty() || EcfNumeroCupom(e) < 1) return c;
  bool ok = false;
  c.coo = e.NumCupom.trimmed().toLongLong(&ok);
  if (!ok || EcfFlagsFiscais(e) < 1) return c;
  c.podeCancelar = e.FlagsFiscais & FlagFiscal::PodeCancelar;
  c.serie = serie;
  c.respondeu = true;
  return c;
}

// What the printer's detail tape says of a coupon.
enum class CupomNaFita { Desconhecido, Fechado, Cancelado };

// The detail tape of the documents from the coupon to the printer's last
// one: the coupon itself, and a cancellation of it printed after it.
CupomNaFita LeCupomNaFita(TerminalState &e, qlonglong cupom, qlonglong ultimo) {
  const QString arquivo = QStringLiteral("c:\\kw-velt\\fita-detalhe.txt");
  const QString local = platform::hostPath(arquivo);
  QFile::remove(local);
  int16_t r = 0;
  try {
    r = EcfDownloadMFD(e, arquivo, QStringLiteral("2"), QString::number(cupom).rightJustified(6, '0'),
                       QString::number(std::max(cupom, ultimo)).rightJustified(6, '0'));
  } catch (const ErroBibliotecaEcf &) {
    return CupomNaFita::Desconhecido;  // a library without it
  }
  QFile f(local);
  if (r < 1 || !f.open(QIODevice::ReadOnly)) return CupomNaFita::Desconhecido;
  const QStringList linhas = QString::fromUtf8(f.readAll()).split('\n');
  f.close();
  QFile::remove(local);
  static const QRegularExpression numero(QStringLiteral("COO:(\\d{6})\\s*$"));
  static const QRegularExpression cancelado(QStringLiteral("COO do cupom cancelado:\\s*(\\d+)"));
  qlonglong coo = 0;
  QString titulo;
  bool achou = false;
  for (int i = 0; i < linhas.size(); ++i) {
    if (const auto m = numero.match(linhas[i]); m.hasMatch()) {
      coo = m.captured(1).toLongLong();
      titulo = linhas.value(i + 1).trimmed();
      if (coo == cupom) achou = titulo == QLatin1String("CUPOM FISCAL");
      continue;
    }
    if (coo == cupom && linhas[i].contains(QLatin1String("CUPOM FISCAL CANCELADO"))) return CupomNaFita::Cancelado;
    if (coo > cupom && titulo.contains(QLatin1String("CANCELADO")))
      if (const auto m = cancelado.match(linhas[i]); m.hasMatch() && m.captured(1).toLongLong() == cupom)
        return CupomNaFita::Cancelado;
  }
  return achou ? CupomNaFita::Fechado : CupomNaFita::Desconhecido;
}

// The journal files moved aside, for the cashier.
QString TextoSeparadas(const QList<DiarioVendas::Separada> &separadas) {
  QStringList linhas;
  for (const DiarioVendas::Separada &s : separadas) linhas << s.arquivo + ": " + s.motivo;
  return QStringLiteral("%1 venda(s) guardada(s) neste caixa foram SEPARADAS e não serão gravadas sozinhas; chame o "
                        "suporte. Cada arquivo tem ao lado um texto (.motivo.txt) que diz por quê:\n")
             .arg(separadas.size()) +
         linhas.join('\n');
}

}  // namespace

DiarioVendas &PForm::diario() {
  // Its entries name the printer that printed them (read at login).
  if (!diario_)
    diario_ = std::make_unique<DiarioVendas>(platform::hostPath(DiarioVendas::PastaPadrao), estado().NumSerieEcf);
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
  if (QString erroDiario; !diario().grava(venda, DiarioVendas::Situacao::Fechada, &erroDiario))
    avisaDiarioNaoGravou(erroDiario);
  else
    diarioFalhou_ = false;
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

bool PForm::registraVenda(const VendaFechada &venda, qlonglong &codigo, QString &porque, const QString &arquivo,
                          bool *recusadaPeloConteudo) {
  TerminalState &e = estado();
  EmpenhoGravado g;
  bool peloConteudo = false;
  QString textoBanco;  // the database's own words, for the file and the error log
  try {
    g = GravaVendaNoBanco(e, venda);
  } catch (const VendaRecusada &recusa) {
    peloConteudo = true;
    porque = textoBanco = recusa.motivo();
  } catch (const ErroBanco &erro) {
    peloConteudo = RecusadaPeloConteudo(erro);
    porque = MotivoParaOOperador(erro);
    textoBanco = erro.descricao();
  } catch (const std::exception &erro) {
    porque = QStringLiteral("erro inesperado ao gravar a venda");
    textoBanco = QString::fromLocal8Bit(erro.what());
  }
  // Found recorded by an earlier try: that run stopped between the commit
  // and the journal's mark, before it started the release program. A header
  // still holding its claim marker was never released: it is released now.
  if (porque.isEmpty() && g.jaGravado) {
    try {
      g.marcador = MarcadorAindaPosto(e, g.codigo);
    } catch (const ErroBanco &erro) {
      porque = MotivoParaOOperador(erro);
      textoBanco = erro.descricao();
    }
  }
  if (recusadaPeloConteudo) *recusadaPeloConteudo = peloConteudo;
  if (!porque.isEmpty()) {
    const QString etapa = QStringLiteral("etapa %1: %2").arg(e.EtapaVenda).arg(textoBanco);
    diario().anotaErro(venda, etapa, arquivo);
    // The database answers: its reason goes to the error log too.
    if (peloConteudo) {
      try {
        ErroCapturado c;
        c.descricao = "Cupom " + QString::number(venda.cupom) + " " + etapa;
        c.passo = e.EtapaVenda;
        RegistraErro(e, QStringLiteral("GravaVenda"), c);
      } catch (const std::exception &) {
      }
    }
    return false;
  }
  codigo = g.codigo;
  PontoDeFalha("banco-gravou");
  // Released only once the journal knows the sale is recorded: a mark that
  // did not reach the disk leaves the entry pending, its next try finds the
  // sale recorded and still claimed, and releases it then (once).
  // The entry keeps the marker until the release program is confirmed
  // started, so a cut in between (or a start that fails) is started again
  // at the next start or by the timer.
  const qlonglong liberar = !g.jaGravado || g.marcador < 0 ? g.marcador : 0;
  QString gravadaEm, erroDiario;
  const bool marcada = diario().marcaGravada(venda, g.codigo, &erroDiario, arquivo, liberar, &gravadaEm);
  if (!marcada) avisaDiarioNaoGravou(erroDiario);
  if (marcada && liberar != 0) {
    PontoDeFalha("liberacao-pendente");
    if (LiberaEmpenho(e, venda.data, g.marcador, g.codigo)) diario().marcaLiberada(gravadaEm);
    else ++liberacoesFalhas_;
  }
  // Nothing of the screen is touched here: a kept sale recorded by the timer
  // must leave the sale in progress as it is (F7 resets the screen itself).
  return true;
}

void PForm::LiberaPendentes() {
  TerminalState &e = estado();
  liberacoesFalhas_ = 0;
  for (const DiarioVendas::Entrada &g : diario().liberacoesPendentes()) {
    // The release program may have taken it already (its marker is gone
    // from the header): nothing to start again.
    qlonglong marcador = g.liberacaoPendente;
    try {
      marcador = MarcadorAindaPosto(e, g.codigoEmpenho);
    } catch (const ErroBanco &) {
      // The database is away: started again as the journal says.
    }
    if (marcador != 0 && !LiberaEmpenho(e, g.venda.data, marcador, g.codigoEmpenho)) {
      ++liberacoesFalhas_;
      continue;
    }
    diario().marcaLiberada(g.arquivo);
  }
}

void PForm::avisaDiarioNaoGravou(const QString &erro) {
  // Told once until the journal takes a write again: the sale itself is in
  // the database or still on the printer's tape, but the desk cannot keep
  // what it does on its disk.
  if (diarioFalhou_) return;
  diarioFalhou_ = true;
  app().operador().avisa(QStringLiteral("O disco deste caixa não aceitou o registro da venda (%1).\n\n"
                                        "Confira se o disco está cheio ou protegido e chame o suporte: enquanto isso "
                                        "as vendas seguem, mas uma queda de energia pode exigir conferência.")
                             .arg(erro));
}

int PForm::GravaVendasGuardadas(bool avisa) {
  TerminalState &e = estado();
  // Copies of sales (recorded or pending) go aside first: a sale is recorded
  // once, from one file.
  QList<DiarioVendas::Separada> separadas = diario().organiza();
  QStringList ilegiveis;
  QList<DiarioVendas::Entrada> pendentes = diario().pendentes(&ilegiveis);
  std::optional<ContadoresImpressora> impressora;  // asked once, when a sale needs it
  int gravadas = 0;
  QString ultimoErro;
  for (const DiarioVendas::Entrada &p : pendentes) {
    // A coupon the printer may still be closing is not a sale yet.
    if (p.situacao != DiarioVendas::Situacao::Fechada) continue;
    QString motivo = ConfereConteudo(p.venda, e.NumCaixa, e.DataSistema);
    if (motivo.isEmpty() && !p.venda.serie.isEmpty()) {
      if (!impressora) impressora = LeContadores(e);
      // Without the printer's word the sale waits for the next try (a
      // printer that never gives it is not asked).
      if (!impressora->respondeu && !impressora->semContadores) continue;
      motivo = ConfereNaImpressora(p.venda, *impressora);
    }
    if (motivo.isEmpty()) {
      qlonglong codigo = 0;
      QString porque;
      bool peloConteudo = false;
      if (registraVenda(p.venda, codigo, porque, p.arquivo, &peloConteudo)) {
        ++gravadas;
        continue;
      }
      if (!peloConteudo) {
        ultimoErro = porque;
        break;  // the database is away: the others wait for the next try
      }
      motivo = QStringLiteral("o banco de dados não aceitou a venda: ") + porque;
    }
    // A sale that does not hold never holds up the ones after it.
    const QString texto = QStringLiteral("cupom %1: %2").arg(p.venda.cupom).arg(motivo);
    const QString destino = diario().separa(p.arquivo, texto + ".");
    if (!destino.isEmpty()) separadas << DiarioVendas::Separada{destino, texto};
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
  // Told when it happens, whoever asked for the recording.
  if (!separadas.isEmpty()) app().operador().avisa(TextoSeparadas(separadas));
  return restam;
}

void PForm::mostraGuardadas(int quantas) {
  const int separadas = diario().quantasSeparadas();
  QStringList partes;
  if (quantas > 0) partes << QStringLiteral("Vendas guardadas: %1 (a gravar)").arg(quantas);
  if (separadas > 0) partes << QStringLiteral("Vendas separadas: %1 (chame o suporte)").arg(separadas);
  campo("StBar1").setTexto(partes.join(QStringLiteral(" | ")));
}

void PForm::resolveDiario(qlonglong cancelado, bool impressoraRespondeu) {
  if (!impressoraRespondeu) return;
  TerminalState &e = estado();
  std::optional<ContadoresImpressora> impressora;
  QList<DiarioVendas::Separada> separadas;
  QStringList canceladas;
  for (const DiarioVendas::Entrada &p : diario().pendentes()) {
    if (p.situacao != DiarioVendas::Situacao::Fechando) continue;
    // Entries of older versions do not name their printer: what the
    // start-up check did to the open coupon is all there is to go by.
    if (!p.venda.serie.isEmpty()) {
      if (!impressora) impressora = LeContadores(e);
      if (!impressora->respondeu && !impressora->semContadores) continue;
      const QString motivo = ConfereNaImpressora(p.venda, *impressora);
      if (!motivo.isEmpty()) {
        const QString texto = QStringLiteral("cupom %1: %2").arg(p.venda.cupom).arg(motivo);
        const QString destino = diario().separa(p.arquivo, texto + ".");
        if (!destino.isEmpty()) separadas << DiarioVendas::Separada{destino, texto};
        continue;
      }
    }
    // The coupon left open was cancelled: that sale never happened.
    if (p.venda.cupom == cancelado) {
      diario().descarta(
          p, QStringLiteral("O cupom %1 ficou aberto e foi cancelado ao iniciar o caixa.").arg(p.venda.cupom));
      continue;
    }
    // Cancelled on the printer while this desk was off, as its detail tape
    // tells; or, without the tape, the printer's last coupon, which it no
    // longer lets cancel with no document after it: cancelled, not closed.
    // (Only for entries that name this printer: the coupon of the same
    // number of a replaced one is another coupon.)
    const bool destaImpressora = !p.venda.serie.isEmpty() && impressora && impressora->respondeu;
    const CupomNaFita naFita =
        destaImpressora ? LeCupomNaFita(e, p.venda.cupom, impressora->coo) : CupomNaFita::Desconhecido;
    if (naFita == CupomNaFita::Cancelado || (naFita == CupomNaFita::Desconhecido && destaImpressora &&
                                             p.venda.cupom == impressora->coo && !impressora->podeCancelar)) {
      const QString motivo =
          QStringLiteral("O cupom %1 foi cancelado na impressora; a venda não aconteceu.").arg(p.venda.cupom);
      diario().descarta(p, motivo);
      canceladas << motivo;
      continue;
    }
    // Any other coupon being closed is closed now: the printer finished it.
    diario().marca(p, DiarioVendas::Situacao::Fechada);
  }
  if (!canceladas.isEmpty())
    app().operador().avisa(canceladas.join('\n') + QStringLiteral("\nO arquivo da venda foi movido para ") +
                           diario().pasta() + "/" + DiarioVendas::SubpastaCanceladas + ".");
  if (!separadas.isEmpty()) app().operador().avisa(TextoSeparadas(separadas));
}
