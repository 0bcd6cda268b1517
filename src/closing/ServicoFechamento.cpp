#include "closing/ServicoFechamento.h"

#include <QFile>
#include <QRegularExpression>
#include <QTime>
#include <algorithm>
#include <optional>

#include "closing/GravacaoVenda.h"
#include "closing/VendaFechada.h"
#include "core/Database.h"
#include "core/Logs.h"
#include "core/Operator.h"
#include "core/PontoFalha.h"
#include "core/TerminalState.h"
#include "core/Utilidades.h"
#include "fiscal/Ecf.h"
#include "platform/Host.h"
#include "platform/Paths.h"

namespace {

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

bool ServicoFechamento::registraVenda(const VendaFechada &venda, qlonglong &codigo, QString &porque, const QString &arquivo,
                          bool *recusadaPeloConteudo) {
  TerminalState &e = estado_;
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

void ServicoFechamento::LiberaPendentes() {
  TerminalState &e = estado_;
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

void ServicoFechamento::avisaDiarioNaoGravou(const QString &erro) {
  // Told once until the journal takes a write again: the sale itself is in
  // the database or still on the printer's tape, but the desk cannot keep
  // what it does on its disk.
  if (diarioFalhou_) return;
  diarioFalhou_ = true;
  operador_.avisa(QStringLiteral("O disco deste caixa não aceitou o registro da venda (%1).\n\n"
                                        "Confira se o disco está cheio ou protegido e chame o suporte: enquanto isso "
                                        "as vendas seguem, mas uma queda de energia pode exigir conferência.")
                             .arg(erro));
}

int ServicoFechamento::GravaVendasGuardadas(bool avisa) {
  TerminalState &e = estado_;
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
    operador_.avisa(QStringLiteral("%1 venda(s) guardada(s) neste caixa foram gravadas no banco de dados.")
                               .arg(gravadas),
                           Icone::Informacao);
  if (avisa && restam > 0 && !ultimoErro.isEmpty())
    operador_.avisa(QStringLiteral("%1 venda(s) continuam guardadas neste caixa: o banco de dados não as "
                                          "aceitou (%2). Serão gravadas assim que ele responder.")
                               .arg(restam)
                               .arg(ultimoErro));
  if (avisa && !ilegiveis.isEmpty())
    operador_.avisa(QStringLiteral("Há vendas guardadas que não puderam ser lidas; chame o suporte. "
                                          "Os arquivos ficam onde estão:\n") +
                           ilegiveis.join('\n'));
  // Told when it happens, whoever asked for the recording.
  if (!separadas.isEmpty()) operador_.avisa(TextoSeparadas(separadas));
  return restam;
}

void ServicoFechamento::mostraGuardadas(int quantas) {
  const int separadas = diario().quantasSeparadas();
  QStringList partes;
  const QString contingencia = textoContingencia ? textoContingencia(quantas) : QString();
  if (!contingencia.isEmpty()) partes << contingencia;
  else if (quantas > 0) partes << QStringLiteral("Vendas guardadas: %1 (a gravar)").arg(quantas);
  if (separadas > 0) partes << QStringLiteral("Vendas separadas: %1 (chame o suporte)").arg(separadas);
  if (mostraSituacao) mostraSituacao(partes.join(QStringLiteral(" | ")));
  if (mostraContingencia) mostraContingencia(contingencia);
}

void ServicoFechamento::resolveDiario(qlonglong cancelado, bool impressoraRespondeu) {
  if (!impressoraRespondeu) return;
  TerminalState &e = estado_;
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
    operador_.avisa(canceladas.join('\n') + QStringLiteral("\nO arquivo da venda foi movido para ") +
                           diario().pasta() + "/" + DiarioVendas::SubpastaCanceladas + ".");
  if (!separadas.isEmpty()) operador_.avisa(TextoSeparadas(separadas));
}


ServicoFechamento::ServicoFechamento(TerminalState &estado, Operator &operador) : estado_(estado), operador_(operador) {}
ServicoFechamento::~ServicoFechamento() = default;

DiarioVendas &ServicoFechamento::diario() {
  // Its entries name the printer that printed them (read at login).
  if (!diario_)
    diario_ = std::make_unique<DiarioVendas>(platform::hostPath(DiarioVendas::PastaPadrao), estado_.NumSerieEcf);
  return *diario_;
}

ServicoFechamento::Resultado ServicoFechamento::fecha(const VendaFechada &venda, const Envio &envia) {
  Resultado r;
  // On disk before the printer is told anything: a sale whose coupon the
  // printer closes is never only in memory.
  const Guarda guarda = [this, &venda](QString &erro) {
    if (!diario().grava(venda, DiarioVendas::Situacao::Fechando, &erro)) return false;
    PontoDeFalha("diario-fechando");
    return true;
  };
  r.enviado = envia(guarda, r.porque);
  if (!r.enviado) return r;
  // Whatever the sending said, only the printer says whether the coupon
  // was closed.
  switch (PerguntaSituacaoCupom(estado_)) {
    case SituacaoCupom::Aberto:
      diario().descarta(venda);
      return r;
    case SituacaoCupom::SemResposta:
      // The entry stays "closing": the start-up check decides (cancels an
      // open coupon, records a closed one).
      r.desfecho = Desfecho::Incerto;
      return r;
    case SituacaoCupom::Fechado:
      break;
  }
  r.desfecho = Desfecho::Fechado;
  PontoDeFalha("impressora-fechou");
  if (QString erroDiario; !diario().grava(venda, DiarioVendas::Situacao::Fechada, &erroDiario))
    avisaDiarioNaoGravou(erroDiario);
  else
    diarioFalhou_ = false;
  PontoDeFalha("diario-fechada");
  return r;
}

ServicoFechamento::Resultado ServicoFechamento::registra(const VendaFechada &venda,
                                                         const std::function<void(const Resultado &)> &mostra) {
  Resultado r;
  r.enviado = true;
  if (registraVenda(venda, r.empenho, r.porque)) {
    r.desfecho = Desfecho::Gravado;
    if (mostra) mostra(r);
    // The database answers: what was kept goes now.
    GravaVendasGuardadas(false);
    return r;
  }
  r.desfecho = Desfecho::Guardado;
  if (mostra) mostra(r);
  mostraGuardadas();
  // Working from the local copy the desk says so in its status bar and its
  // message line: no box in the cashier's way at each sale.
  if (!estado_.conexao().emReserva()) operador_.avisa(MensagemVendaGuardada.arg(r.porque));
  return r;
}

void ServicoFechamento::mostraGuardadas() { mostraGuardadas(static_cast<int>(diario().pendentes().size())); }
