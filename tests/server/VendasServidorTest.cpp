// Sales recorded through a Firebird server on 127.0.0.1 (started by
// scripts/test.sh; skipped when PDV_TEST_FB_SERVER is unset): a desk whose
// server goes away after the printer closed the coupon keeps the sale and
// records it once the server is back, whichever way comes first; two desks
// recording at the same time lose and double nothing; two desks asking for
// one pre-sale at the same moment print it once.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <QTemporaryDir>

#include "app/Programa.h"
#include "admin/BancoAdmin.h"
#include "closing/DiarioVendas.h"
#include "contingency/Contingencia.h"
#include "contingency/CopiaLocal.h"
#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/OperadorRoteiro.h"
#include "core/PontoFalha.h"
#include "core/Teclas.h"
#include "core/TerminalState.h"
#include "fiscal/Ecf.h"
#include "sale/PForm.h"
#include "server/Rele.h"
#include "server/Servidor.h"
#include "support/TestSupport.h"

namespace {

const QString Login = "type 1\nkey Enter\nanswer No\ntype 1234\nkey Enter\nkey Enter\nkey Enter\n";

class VendasServidor : public Servidor {
 protected:
  // A desk's drive (its printer simulator and journal) whose configuration
  // points at the server's database through `endereco` ("host" or "host/port").
  static QString drive(QTemporaryDir &onde, const QString &numeroCaixa, const QString &endereco) {
    const QString raiz = onde.path() + "/drive" + numeroCaixa;
    QString saida;
    if (testsupport::runBuilt("pdv-admin", {"init-drive", raiz, "--demo", "--desk", numeroCaixa}, &saida) != 0) {
      ADD_FAILURE() << saida.toStdString();
      return raiz;
    }
    const QString arquivo = raiz + "/kw-velt/default.txt";
    QFile f(arquivo);
    f.open(QIODevice::ReadOnly);
    LinhasConfig c = InterpretaConfig(f.readAll());
    f.close();
    c.conexao = "TIPO=2;DBNAME=" + endereco + ":" + banco;
    c.usuario = "SYSDBA";
    c.senha = senhaSysdba();
    QString erro;
    if (!EscreveArquivoConfig(arquivo, c, &erro)) ADD_FAILURE() << erro.toStdString();
    return raiz;
  }

  static qlonglong numero(const QString &sql) {
    ConexaoBanco c;
    c.abre(caixa(servidor()));
    Recordset rs;
    rs.abre(sql, c);
    return rs.EOF_() ? 0 : rs.campo(0).toLongLong();
  }

  // A desk reaching the server through the relay, its printer's day open
  // (empty when that failed).
  // Without a local copy (`comCopia` false: a folder stands where the desk
  // would make it) the desk has nothing to sell from while the server is
  // away: it keeps each sale and tells the cashier.
  static QString caixaPeloRele(QTemporaryDir &onde, const QString &numeroCaixa, const Rele &rele,
                               bool comCopia = false) {
    const QString raiz = drive(onde, numeroCaixa, QString("127.0.0.1/%1").arg(rele.porta()));
    if (!comCopia) QDir().mkpath(ArquivoCopiaLocal(raiz));
    return testsupport::abreDiaNoDrive(raiz) ? raiz : QString();
  }

  // The desk's coupon is in the database once, with its one item and summary.
  static void gravadaUmaVezNoCaixa(const QString &caixa, qlonglong cupom) {
    const QString onde = QString(" Where NfsEpn='%1' And NfiEpn=%2").arg(caixa).arg(cupom);
    EXPECT_EQ(numero("Select Count(*) From Tb_Vda_CadEpn" + onde), 1) << "coupon " << cupom;
    const qlonglong codigo = numero("Select CodEpn From Tb_Vda_CadEpn" + onde);
    EXPECT_EQ(numero(QString("Select Count(*) From Tb_Vda_CadEpnIt Where CodEpnIt=%1").arg(codigo)), 1);
    EXPECT_EQ(numero(QString("Select Count(*) From TB_VDA_CADNOT Where EpnNot=%1").arg(codigo)), 1);
  }

  static void executa(const QString &sql) {
    ConexaoBanco c;
    c.abre(caixa(servidor()));
    c.executa(sql);
  }

  // A product's pending stock in thousandths.
  static qlonglong pendente(int produto) {
    return numero(QString("Select Cast(PenVEst * 1000 As BigInt) From Tb_Est_CadPro Where CodPro=%1").arg(produto));
  }

  // A desk through the relay whose local copy was filled from the server.
  static QString caixaComCopia(QTemporaryDir &onde, const QString &numeroCaixa, const Rele &rele) {
    const QString raiz = caixaPeloRele(onde, numeroCaixa, rele, true);
    if (raiz.isEmpty()) return raiz;
    ConexaoBanco c;
    c.abre(caixa(servidor()));
    const ResultadoCopia r = PreencheCopia(ArquivoCopiaLocal(raiz), c);
    if (!r.ok) {
      ADD_FAILURE() << r.erro.toStdString();
      return {};
    }
    return raiz;
  }

  static QStringList pendentes(const QString &raiz) {
    return QDir(raiz + "/kw-velt/vendas").entryList({"*.venda"}, QDir::Files);
  }
};

// A desk run in this process on a drive, with the scripted operator: the
// closing dialog is processed with F7 as soon as it opens.
struct CaixaAqui {
  testsupport::UsaDrive usa;
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  testsupport::FimLanca fimLanca;
  std::unique_ptr<Programa> programa;
  QString fim;

  explicit CaixaAqui(const QString &raiz) : usa(raiz) {
    programa = std::make_unique<Programa>(estado, operador, area);
    programa->app().executaModal = [this](Tela &t) {
      if (t.nomeTela().startsWith("Fecha_Cupom")) {
        t.teclaBaixo(tecla::F7);
      } else {
        ADD_FAILURE() << "unexpected screen " << t.nomeTela().toStdString();
        programa->app().descarrega(t, true);
      }
    };
  }
  ~CaixaAqui() {
    if (fim.isEmpty()) {
      try {
        EcfFechaPortaSerial(estado);
      } catch (...) {
      }
    }
    programa.reset();
  }
  // Runs the operator's step; false when the program ended during it.
  bool passo(const std::function<void()> &f) {
    try {
      f();
    } catch (const ProgramaEncerrado &e) {
      fim = e.motivo();
    }
    return fim.isEmpty();
  }
  bool entra() {
    return passo([this] {
      programa->inicia();
      Tela &login = *programa->app().telaFrente();
      login.digita("1");
      login.teclaBaixo(tecla::Enter);
      login.digita("1234");
      login.teclaBaixo(tecla::Enter);
    });
  }
  PForm &venda() { return *programa->telaVenda(); }
  // Opens a coupon, sells the product and closes with F7 (`antesDoF7` runs
  // just before): the coupon number.
  qlonglong vende(const QString &produto, const std::function<void()> &antesDoF7 = {}) {
    PForm &t = venda();
    qlonglong cupom = 0;
    passo([&] {
      t.teclaBaixo(tecla::F2);
      t.digita(produto + ".");
      t.teclaBaixo(tecla::Enter);
      cupom = t.campo("NoCupom").texto().toLongLong();
      if (antesDoF7) antesDoF7();
      t.teclaBaixo(tecla::F7);
    });
    return cupom;
  }
  QString guardadas() { return venda().campo("StBar1").texto(); }
  Contingencia &contingencia() { return *programa->contingencia(); }
  // The desk's next look finds the server back (or not): a try, then the
  // periodic look that acts on it.
  bool voltou() {
    contingencia().verifica(true);
    contingencia().esperaSonda(std::chrono::seconds(5));
    passo([this] { contingencia().verifica(); });
    return !contingencia().ativa();
  }
};

// A desk on `raiz` with the operator logged in and the sale screen open
// (nullptr, the failure told, otherwise).
std::unique_ptr<CaixaAqui> entraNoCaixa(const QString &raiz) {
  auto pdv = std::make_unique<CaixaAqui>(raiz);
  if (!pdv->entra() || !pdv->programa->telaVenda()) {
    ADD_FAILURE() << "no sale screen: " << pdv->fim.toStdString() << "\n"
                  << pdv->operador.mensagens().join('\n').toStdString();
    return nullptr;
  }
  return pdv;
}

}  // namespace

// The server goes away after the coupon was opened; F7 closes it on the
// printer and the sale is kept on the desk. It is recorded once the server is
// back: after the next sale, by the timer, or at the next start. (The sale
// window's activation, run again as the closing dialog closes, meets the
// dead server too: the desk goes on.)
TEST_F(VendasServidor, ASaleTheServerDidNotTakeIsRecordedOnceWhenItIsBack) {
  Rele rele;
  rele.liga();
  QTemporaryDir onde;
  const QString raiz = caixaPeloRele(onde, "007", rele);
  ASSERT_FALSE(raiz.isEmpty());
  const qlonglong ultimo = numero("Select Max(CodEpn) From Tb_Vda_CadEpn");
  auto gravadaUmaVez = [](qlonglong cupom) { gravadaUmaVezNoCaixa("007", cupom); };
  const QString guardada = QStringLiteral("GUARDADA NESTE CAIXA");

  auto pdv = entraNoCaixa(raiz);
  ASSERT_TRUE(pdv);

  // 1. Recorded after the next sale.
  const auto corta = [&rele] { rele.desliga(); };
  const qlonglong primeiro = pdv->vende("1", corta);
  ASSERT_GT(primeiro, 0);
  EXPECT_TRUE(pdv->operador.mensagens().join('\n').contains(guardada)) << pdv->operador.mensagens().join('\n').toStdString();
  EXPECT_EQ(pdv->guardadas(), "Vendas guardadas: 1 (a gravar)");
  EXPECT_EQ(pendentes(raiz).size(), 1);
  EXPECT_EQ(numero(QString("Select Count(*) From Tb_Vda_CadEpn Where CodEpn > %1").arg(ultimo)), 0);
  rele.liga();
  pdv->operador.limpa();
  const qlonglong segundo = pdv->vende("8");
  EXPECT_EQ(segundo, primeiro + 1);
  gravadaUmaVez(primeiro);
  gravadaUmaVez(segundo);
  EXPECT_EQ(pdv->guardadas(), "");
  EXPECT_TRUE(pendentes(raiz).isEmpty());

  // 2. Recorded by the timer, without another sale.
  pdv->operador.limpa();
  const qlonglong terceiro = pdv->vende("1", corta);
  EXPECT_TRUE(pdv->operador.mensagens().join('\n').contains(guardada));
  EXPECT_EQ(pdv->guardadas(), "Vendas guardadas: 1 (a gravar)");
  pdv->programa->app().executaPeriodicas();  // still away: nothing changes
  EXPECT_EQ(pdv->guardadas(), "Vendas guardadas: 1 (a gravar)");
  rele.liga();
  pdv->programa->app().executaPeriodicas();
  gravadaUmaVez(terceiro);
  EXPECT_EQ(pdv->guardadas(), "");
  EXPECT_TRUE(pendentes(raiz).isEmpty());

  // 3. Recorded at the next start.
  const qlonglong quarto = pdv->vende("8", corta);
  EXPECT_EQ(pdv->guardadas(), "Vendas guardadas: 1 (a gravar)");
  pdv.reset();
  rele.liga();
  pdv = std::make_unique<CaixaAqui>(raiz);
  ASSERT_TRUE(pdv->entra()) << pdv->fim.toStdString();
  gravadaUmaVez(quarto);
  EXPECT_TRUE(pendentes(raiz).isEmpty());
  EXPECT_EQ(pdv->guardadas(), "");
  EXPECT_EQ(numero(QString("Select Count(*) From Tb_Vda_CadEpn Where CodEpn > %1").arg(ultimo)), 4);
}

// Two desks, each with its printer, recording 100 sales at the same time on
// one server: every sale once, with its items and payments.
TEST_F(VendasServidor, TwoDesksRecordingAtOnceLoseAndDoubleNothing) {
  constexpr int Vendas = 100;
  QTemporaryDir onde;
  const qlonglong ultimo = numero("Select Max(CodEpn) From Tb_Vda_CadEpn");
  // Odd sales have two items and are closed in the summarised dialog; even
  // ones have one item and are paid in cash on the payment grid.
  QString roteiro = Login;
  for (int v = 1; v <= Vendas; ++v) {
    roteiro += "key F2\ntype 1.\nkey Enter\n";
    if (v % 2) roteiro += "type 8.\nkey Enter\nkey F7\nkey F7\n";
    else roteiro += "key F4\nkey Enter\ntype 1\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nkey Esc\nkey F7\nkey F7\n";
  }
  QFile arquivo(onde.path() + "/roteiro.txt");
  ASSERT_TRUE(arquivo.open(QIODevice::WriteOnly));
  arquivo.write(roteiro.toUtf8());
  arquivo.close();

  const QStringList caixas{"001", "002"};
  std::vector<std::unique_ptr<QProcess>> processos;
  QStringList drives;
  for (const QString &c : caixas) {
    drives << drive(onde, c, servidor());
    processos.push_back(std::make_unique<QProcess>());
    processos.back()->setStandardOutputFile(onde.path() + "/transcript" + c + ".txt");
  }
  for (size_t i = 0; i < processos.size(); ++i)
    testsupport::iniciaPdv(*processos[i], drives[int(i)], {"--replay", arquivo.fileName()});
  for (size_t i = 0; i < processos.size(); ++i) {
    QProcess &p = *processos[i];
    ASSERT_TRUE(p.waitForFinished(300000));
    QFile t(onde.path() + "/transcript" + caixas[int(i)] + ".txt");
    t.open(QIODevice::ReadOnly);
    const QString transcript = QString::fromUtf8(t.readAll());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << transcript.right(4000).toStdString();
    EXPECT_FALSE(transcript.contains(QStringLiteral("GUARDADA NESTE CAIXA"))) << transcript.toStdString();
  }

  const QString novas = QString(" From Tb_Vda_CadEpn Where CodEpn > %1").arg(ultimo);
  EXPECT_EQ(numero("Select Count(*)" + novas), 2 * Vendas);
  EXPECT_EQ(numero("Select Count(Distinct CodEpn)" + novas), 2 * Vendas);
  for (const QString &c : caixas) {
    const QString doCaixa = novas + " And NfsEpn='" + c + "'";
    EXPECT_EQ(numero("Select Count(*)" + doCaixa), Vendas) << c.toStdString();
    // Coupons follow one another on each printer: all there, each once.
    EXPECT_EQ(numero("Select Count(Distinct NfiEpn)" + doCaixa), Vendas) << c.toStdString();
    EXPECT_EQ(numero("Select Max(NfiEpn) - Min(NfiEpn) + 1" + doCaixa), Vendas) << c.toStdString();
    const QString codigos = "(Select CodEpn" + doCaixa + ")";
    EXPECT_EQ(numero("Select Count(*) From Tb_Vda_CadEpnIt Where CodEpnIt In " + codigos), Vendas / 2 * 3);
    EXPECT_EQ(numero("Select Count(*) From TB_VDA_EPNPAG Where EpnPag In " + codigos), Vendas / 2);
    EXPECT_EQ(numero("Select Count(*) From TB_VDA_CADNOT Where EpnNot In " + codigos), Vendas);
    // Each header's item count and total agree with its rows.
    EXPECT_EQ(numero("Select Count(*)" + doCaixa +
                     " And NitEpn <> (Select Count(*) From Tb_Vda_CadEpnIt Where CodEpnIt = CodEpn)"),
              0);
    EXPECT_EQ(numero("Select Count(*)" + doCaixa +
                     " And TotEpn <> (Select Sum(CtoEpnIt) From Tb_Vda_CadEpnIt Where CodEpnIt = CodEpn)"),
              0);
    EXPECT_TRUE(pendentes(onde.path() + "/drive" + c).isEmpty());
  }
}

// Two desks ask for the same pre-sale at the same moment, round after
// round: one prints it, the other is told which desk has it; never two
// coupons, never two summaries.
TEST_F(VendasServidor, TwoDesksOnOnePreSalePrintItOnce) {
  constexpr int Rodadas = 8;
  QTemporaryDir onde;
  const QStringList caixas{"001", "002"};
  for (const QString &c : caixas) ASSERT_TRUE(testsupport::abreDiaNoDrive(drive(onde, c, servidor()))) << c.toStdString();
  QFile arquivo(onde.path() + "/roteiro.txt");
  ASSERT_TRUE(arquivo.open(QIODevice::WriteOnly));
  arquivo.write("type 1\nkey Enter\ntype 1234\nkey Enter\nclick P0202\ntype 101\nkey Enter\nkey F5\n");
  arquivo.close();

  int impressos = 0, recusados = 0;
  for (int rodada = 1; rodada <= Rodadas; ++rodada) {
    SCOPED_TRACE(rodada);
    {
      ConexaoBanco c;
      c.abre(caixa(servidor()));
      c.executa("UPDATE TB_VDA_CADEPN SET StaEpn = 0, NfsEpn = NULL, NfiEpn = NULL, NffEpn = NULL WHERE CodEpn = 101");
      c.executa("DELETE FROM TB_VDA_CADNOT WHERE EpnNot = 101");
    }
    std::vector<std::unique_ptr<QProcess>> processos;
    for (qsizetype i = 0; i < caixas.size(); ++i) processos.push_back(std::make_unique<QProcess>());
    for (size_t i = 0; i < processos.size(); ++i)
      testsupport::iniciaPdv(*processos[i], onde.path() + "/drive" + caixas[int(i)], {"--replay", arquivo.fileName()});
    int coupons = 0;
    QStringList transcripts;
    for (size_t i = 0; i < processos.size(); ++i) {
      ASSERT_TRUE(processos[i]->waitForFinished(120000));
      const QString t = QString::fromUtf8(processos[i]->readAll());
      transcripts << t;
      // A coupon kept on a desk would be recorded at its next start, after
      // this round's reset: the rounds would no longer be independent.
      EXPECT_FALSE(t.contains(QStringLiteral("GUARDADA NESTE CAIXA"))) << t.toStdString();
      EXPECT_EQ(processos[i]->exitCode(), 0) << t.toStdString();
      if (t.contains("Impressão Concluída !")) ++coupons;
      const QString outro = caixas[1 - int(i)];
      if (t.contains("Este empenho está sendo impresso no caixa " + outro + " !") ||
          t.contains("Este empenho já foi impresso no caixa " + outro + " (cupom "))
        ++recusados;
    }
    EXPECT_EQ(coupons, 1) << transcripts.join("\n======\n").toStdString();
    impressos += coupons;
    EXPECT_EQ(numero("Select Count(*) From TB_VDA_CADNOT Where EpnNot = 101"), 1);
  }
  EXPECT_EQ(impressos, Rodadas);
  EXPECT_EQ(recusados, Rodadas);
}

// The network to the server freezes (packets dropped, nothing refused) after
// the coupon opened: F7 closes it on the printer and the cashier is told the
// sale is kept on the desk within the connection's bound, not after minutes;
// once the network is back the sale is recorded once. (A short bound keeps
// the test quick.)
TEST_F(VendasServidor, ASaleOnAFrozenNetworkIsKeptWithinTheBoundAndRecordedOnce) {
  using namespace std::chrono_literals;
  Rele rele;
  rele.liga();
  QTemporaryDir onde;
  const QString raiz = caixaPeloRele(onde, "008", rele);
  ASSERT_FALSE(raiz.isEmpty());
  auto pdv = entraNoCaixa(raiz);
  ASSERT_TRUE(pdv);
  pdv->estado.conexao().defineLimites(2000ms, 3000ms);

  QElapsedTimer relogio;
  const qlonglong cupom = pdv->vende("1", [&] {
    rele.congela();
    relogio.start();
  });
  ASSERT_GT(cupom, 0);
  // The recording's wait, the error row and the screen's refresh: one bound,
  // not one each.
  EXPECT_LT(relogio.elapsed(), 6000);
  EXPECT_TRUE(pdv->fim.isEmpty()) << pdv->fim.toStdString();
  const QString mensagens = pdv->operador.mensagens().join('\n');
  EXPECT_TRUE(mensagens.contains(QStringLiteral("GUARDADA NESTE CAIXA"))) << mensagens.toStdString();
  EXPECT_EQ(pdv->guardadas(), "Vendas guardadas: 1 (a gravar)");
  EXPECT_EQ(pendentes(raiz).size(), 1);

  rele.congela(false);
  // The timer tries again until the server answers (on a loaded machine the
  // first try after the thaw may still fall within the connection's bound).
  for (int tentativa = 0; tentativa < 15 && !pendentes(raiz).isEmpty(); ++tentativa) {
    std::this_thread::sleep_for(tentativa == 0 ? 2100ms : 1000ms);
    pdv->programa->app().executaPeriodicas();
  }
  gravadaUmaVezNoCaixa("008", cupom);
  EXPECT_EQ(pdv->guardadas(), "");
  EXPECT_TRUE(pendentes(raiz).isEmpty());
}

// SIGTERM ends a desk whose start-up waits on a server that stopped
// answering: the wait does not keep the program alive.
TEST_F(VendasServidor, SigtermEndsADeskWaitingOnAFrozenNetwork) {
  Rele rele;
  rele.liga();
  QTemporaryDir onde;
  const QString raiz = caixaPeloRele(onde, "009", rele);
  ASSERT_FALSE(raiz.isEmpty());
  rele.congela();
  QProcess pdv;
  testsupport::iniciaPdv(pdv, raiz);
  ASSERT_TRUE(pdv.waitForStarted());
  QThread::msleep(1500);  // the start-up is waiting on the database
  ASSERT_EQ(pdv.state(), QProcess::Running) << pdv.readAll().toStdString();
  QElapsedTimer fim;
  fim.start();
  ::kill(static_cast<pid_t>(pdv.processId()), SIGTERM);
  const bool terminou = pdv.waitForFinished(kPrazoEncerramentoMs + 3000);
  if (!terminou) {
    pdv.kill();
    pdv.waitForFinished();
  }
  EXPECT_TRUE(terminou) << "still running after SIGTERM";
  EXPECT_LT(fim.elapsed(), kPrazoEncerramentoMs + 2000);
}

// The server is stopped before the desk starts: the cashier logs in and sells
// two coupons from the desk's local copy, told by the status bar and the
// message line, without a box. Started again, the desk's next look records
// both once, with their stock, and sends the access row it kept.
TEST_F(VendasServidor, ADeskStartedWithTheServerAwaySellsFromItsCopyAndRecordsOnceWhenItIsBack) {
  Rele rele;
  rele.liga();
  QTemporaryDir onde;
  const QString raiz = caixaComCopia(onde, "011", rele);
  ASSERT_FALSE(raiz.isEmpty());
  const qlonglong estoque1 = pendente(1), estoque8 = pendente(8);
  const qlonglong acessos = numero("Select Count(*) From TB_GER_ACESSOS");
  rele.desliga();

  auto pdv = entraNoCaixa(raiz);
  ASSERT_TRUE(pdv);
  EXPECT_TRUE(pdv->contingencia().ativa());
  const qlonglong primeiro = pdv->vende("1");
  const qlonglong segundo = pdv->vende("8");
  EXPECT_EQ(segundo, primeiro + 1);
  EXPECT_TRUE(pdv->operador.mensagens().isEmpty()) << pdv->operador.mensagens().join('\n').toStdString();
  EXPECT_TRUE(pdv->guardadas().startsWith(QStringLiteral("CONTINGÊNCIA"))) << pdv->guardadas().toStdString();
  EXPECT_TRUE(pdv->guardadas().endsWith(QStringLiteral("Vendas guardadas: 2")))
      << pdv->guardadas().toStdString();
  EXPECT_EQ(pdv->venda().campo("TxtMens").texto(), pdv->guardadas());
  EXPECT_EQ(pendentes(raiz).size(), 2);

  // Still away: the look changes nothing.
  EXPECT_FALSE(pdv->voltou());
  rele.liga();
  EXPECT_TRUE(pdv->voltou());
  gravadaUmaVezNoCaixa("011", primeiro);
  gravadaUmaVezNoCaixa("011", segundo);
  EXPECT_EQ(pendente(1), estoque1 + 1000);
  EXPECT_EQ(pendente(8), estoque8 + 1000);
  EXPECT_EQ(pdv->guardadas(), "");
  EXPECT_EQ(pdv->venda().campo("TxtMens").texto(), "");
  EXPECT_TRUE(pendentes(raiz).isEmpty());
  EXPECT_EQ(numero("Select Count(*) From TB_GER_ACESSOS"), acessos + 1);
  EXPECT_FALSE(QFile::exists(raiz + "/kw-velt/registros-guardados.txt"));
  EXPECT_TRUE(pdv->operador.mensagens().isEmpty()) << pdv->operador.mensagens().join('\n').toStdString();
}

// The server goes away in the middle of an item (the look-up runs on the
// copy, the item's stock is owed), of a closing (the sale is kept), and in
// the middle of sending the kept sales back (after the first one's commit):
// every sale is recorded once, and the pending stock moves by exactly what
// was sold.
TEST_F(VendasServidor, CutsInAnItemAClosingAndTheSendingLoseAndDoubleNothing) {
  Rele rele;
  rele.liga();
  QTemporaryDir onde;
  const QString raiz = caixaComCopia(onde, "012", rele);
  ASSERT_FALSE(raiz.isEmpty());
  const qlonglong estoque1 = pendente(1), estoque8 = pendente(8);
  auto pdv = entraNoCaixa(raiz);
  ASSERT_TRUE(pdv);
  EXPECT_FALSE(pdv->contingencia().ativa());

  // In an item: typed, then the server goes before Enter.
  PForm &t = pdv->venda();
  qlonglong noItem = 0;
  pdv->passo([&] {
    t.teclaBaixo(tecla::F2);
    t.digita("1.");
    rele.desliga();
    t.teclaBaixo(tecla::Enter);
    noItem = t.campo("NoCupom").texto().toLongLong();
    t.teclaBaixo(tecla::F7);
  });
  EXPECT_TRUE(pdv->contingencia().ativa());
  EXPECT_EQ(pendentes(raiz).size(), 1);
  const qlonglong inteira = pdv->vende("8");
  EXPECT_EQ(pendentes(raiz).size(), 2);
  ASSERT_TRUE((rele.liga(), pdv->voltou()));
  gravadaUmaVezNoCaixa("012", noItem);
  gravadaUmaVezNoCaixa("012", inteira);

  // In a closing: the items went to the server, the recording does not;
  // before it, item 2 (its stock raised on the server) is cancelled with
  // the server away: its give-back goes with the sale.
  const qlonglong noFechamento = pdv->vende("1", [&] {
    t.digita("8.");
    t.teclaBaixo(tecla::Enter);
    rele.desliga();
    pdv->operador.respondeEntrada("2");
    pdv->operador.respondeEntrada("2");
    t.teclaBaixo(tecla::F6);
  });
  EXPECT_TRUE(pdv->contingencia().ativa());
  EXPECT_TRUE(pdv->operador.mensagens().isEmpty()) << pdv->operador.mensagens().join('\n').toStdString();
  const qlonglong depois = pdv->vende("8");
  EXPECT_EQ(pendentes(raiz).size(), 2);

  // In the sending: cut right after the first kept sale's commit.
  rele.liga();
  int commits = 0;
  DefineAcaoNoPontoDeFalha([&](const char *ponto) {
    if (QByteArray(ponto) == "banco-gravou" && commits++ == 0) rele.desliga();
  });
  EXPECT_FALSE(pdv->voltou());
  DefineAcaoNoPontoDeFalha({});
  EXPECT_EQ(pendentes(raiz).size(), 1);
  gravadaUmaVezNoCaixa("012", noFechamento);
  rele.liga();
  EXPECT_TRUE(pdv->voltou());
  gravadaUmaVezNoCaixa("012", noFechamento);
  gravadaUmaVezNoCaixa("012", depois);
  EXPECT_TRUE(pendentes(raiz).isEmpty());
  EXPECT_EQ(pendente(1), estoque1 + 2000);
  EXPECT_EQ(pendente(8), estoque8 + 2000);
  EXPECT_EQ(pdv->guardadas(), "");
  EXPECT_TRUE(pdv->fim.isEmpty()) << pdv->fim.toStdString();
}

// A price changed on the server reaches an open desk's copy within a minute
// (its refresh runs on the desk's timer), and the desk's next sale with the
// server away charges it.
TEST_F(VendasServidor, APriceChangedOnTheServerReachesAnOpenDeskWithinAMinute) {
  using namespace std::chrono_literals;
  Rele rele;
  rele.liga();
  QTemporaryDir onde;
  const QString raiz = caixaComCopia(onde, "013", rele);
  ASSERT_FALSE(raiz.isEmpty());
  auto pdv = entraNoCaixa(raiz);
  ASSERT_TRUE(pdv);
  const Moeda novo = *Moeda::deTexto("31,45");
  QString antigo;
  {
    ConexaoBanco c;
    c.abre(caixa(servidor()));
    Recordset rs;
    rs.abre("Select Cast(ValPre1 As VarChar(20)) From Tb_Est_CadPro Where CodPro = 8", c);
    antigo = rs.campo(0).toString();
  }
  executa("Update Tb_Est_CadPro Set ValPre1 = 31.45 Where CodPro = 8");
  const auto precoNaCopia = [&] {
    ConexaoBanco copia;
    copia.abre(StringConexaoDe({ArquivoCopiaLocal(raiz), "SYSDBA", "masterkey"}));
    Recordset rs;
    rs.abre("Select ValPre1 From Tb_Est_CadPro Where CodPro = 8", copia);
    return Moeda::deVariant(rs.campo(0));
  };
  QElapsedTimer minuto;
  minuto.start();
  while (precoNaCopia() != novo && minuto.elapsed() < 60000) {
    pdv->programa->app().executaPeriodicas();  // the desk's timers, the copy's among them
    std::this_thread::sleep_for(500ms);
  }
  EXPECT_EQ(precoNaCopia(), novo);

  rele.desliga();
  const qlonglong cupom = pdv->vende("8");
  const QList<DiarioVendas::Entrada> guardadas = DiarioVendas(raiz + "/kw-velt/vendas").pendentes();
  executa("Update Tb_Est_CadPro Set ValPre1 = " + antigo + " Where CodPro = 8");
  ASSERT_EQ(guardadas.size(), 1);
  EXPECT_EQ(guardadas[0].venda.cupom, cupom);
  ASSERT_EQ(guardadas[0].venda.itens.size(), 1);
  EXPECT_EQ(guardadas[0].venda.itens[0].unitario, novo);
  rele.liga();
  EXPECT_TRUE(pdv->voltou());
  gravadaUmaVezNoCaixa("013", cupom);
}
