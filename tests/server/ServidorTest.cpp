// Several desks on one database through a Firebird server on 127.0.0.1,
// started by the test script (scripts/test.sh). Skipped when no server was
// started for the run (PDV_TEST_FB_SERVER unset).
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QSet>
#include <QTemporaryDir>

#include "app/Programa.h"
#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/Logs.h"
#include "core/OperadorRoteiro.h"
#include "core/Teclas.h"
#include "core/TerminalState.h"
#include "core/Utilidades.h"
#include "lookup/FormPesq.h"
#include "sale/PForm.h"
#include "server/Rele.h"
#include "server/Servidor.h"
#include "support/TestSupport.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

TEST_F(Servidor, TwoDesksNeverDrawTheSameSaleNumber) {
  ConexaoBanco caixa1, caixa2;
  caixa1.abre(caixa(servidor()));
  caixa2.abre(caixa(servidor() + "/3050"));  // host/port form
  QSet<qint64> numeros;
  for (int i = 0; i < 40; ++i) {
    for (ConexaoBanco *c : {&caixa1, &caixa2}) {
      Recordset rs;
      rs.abre("SELECT CURRENT_TIMESTAMP AS DATHOR, Gen_Id(NUMEPN,1) as CodEpn FROM RDB$DATABASE", *c);
      numeros.insert(rs["CodEpn"].toLongLong());
    }
  }
  EXPECT_EQ(numeros.size(), 80);
}

TEST_F(Servidor, ADeskSeesAnotherDesksChangeOnItsNextRead) {
  ConexaoBanco caixa1, caixa2;
  caixa1.abre(caixa(servidor()));
  caixa2.abre(caixa(servidor()));
  const QString consulta = "Select StaEpn From Tb_Vda_CadEpn Where CodEpn=101";
  Recordset antes;
  antes.abre(consulta, caixa1);
  ASSERT_EQ(antes["StaEpn"].toInt(), 0);
  EXPECT_EQ(caixa2.executa(MontaSql("UPDATE TB_VDA_CADEPN SET STAEPN=? WHERE CODEPN=?", {-1234, 101})), 1);
  Recordset depois;
  depois.abre(consulta, caixa1);
  EXPECT_EQ(depois["StaEpn"].toInt(), -1234);
  caixa1.executa("UPDATE TB_VDA_CADEPN SET STAEPN=0 WHERE CODEPN=101");
  Recordset outra;
  outra.abre(consulta, caixa2);
  EXPECT_EQ(outra["StaEpn"].toInt(), 0);
  // Nothing of either desk stays open once its rows are read.
  Recordset abertas;
  abertas.abre("SELECT COUNT(*) AS N FROM MON$TRANSACTIONS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION", caixa1);
  EXPECT_EQ(abertas["N"].toInt(), 1);
}

TEST_F(Servidor, DeskLogsInThroughTheServer) {
  testsupport::TempDrive drive;
  QDir().mkpath(drive.path("kw-velt"));
  LinhasConfig c;
  c.linha1 = "VELT";
  c.conexao = "TIPO=2;DBNAME=" + servidor() + ":" + banco;
  c.usuario = "SYSDBA";
  c.senha = senhaSysdba();
  c.caixa = "002";
  QString erro;
  ASSERT_TRUE(EscreveArquivoConfig(drive.path("kw-velt/default.txt"), c, &erro)) << erro.toStdString();
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Programa programa(estado, operador, area);
  testsupport::FimLanca fimLanca;
  QString fim;
  try {
    programa.inicia();
    Tela &login = *programa.app().telaFrente();
    login.digita("2");
    login.teclaBaixo(tecla::Enter);
    login.digita("2222");
    login.teclaBaixo(tecla::Enter);
  } catch (const ProgramaEncerrado &e) {
    fim = e.motivo();
  }
  EXPECT_TRUE(fim.isEmpty()) << fim.toStdString() << " " << operador.mensagens().join(" / ").toStdString();
  ASSERT_NE(programa.telaVenda(), nullptr);
  EXPECT_EQ(programa.telaVenda()->campo("Caixa").texto(), "002");
  EXPECT_EQ(estado.NomUsuario, QStringLiteral("JOÃO CARLOS PEREIRA"));
}

TEST_F(Servidor, ADeskReconnectsWhenTheServerComesBack) {
  Rele rele;
  rele.liga();
  ConexaoBanco c;
  c.abre(caixa(QString("127.0.0.1/%1").arg(rele.porta())));
  const QString consulta = "SELECT StaEpn FROM Tb_Vda_CadEpn WHERE CodEpn=101";
  Recordset rs;
  rs.abre(consulta, c);
  ASSERT_EQ(rs.RecordCount(), 1);

  // Cut while idle, up again at once: the next statement just goes on.
  rele.desliga();
  rele.liga();
  rs.abre(consulta, c);
  EXPECT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(c.executa("UPDATE TB_VDA_CADEPN SET NitEpn = NitEpn WHERE CodEpn = 101"), 1);

  // Down: a search says why and the connection waits to be reopened.
  rele.desliga();
  try {
    rs.abre(consulta, c);
    ADD_FAILURE() << "read from a stopped server";
  } catch (const ErroBanco &e) {
    EXPECT_TRUE(e.conexaoPerdida()) << e.descricao().toStdString();
    EXPECT_TRUE(e.descricao().contains("perdida")) << e.descricao().toStdString();
  }
  EXPECT_EQ(rs.State(), 0);
  EXPECT_TRUE(c.aberta());
  EXPECT_THROW(c.executa("UPDATE TB_VDA_CADEPN SET NitEpn = NitEpn WHERE CodEpn = 101"), ErroBanco);

  // Back: the next statement reconnects.
  rele.liga();
  EXPECT_EQ(c.executa("UPDATE TB_VDA_CADEPN SET NitEpn = NitEpn WHERE CodEpn = 101"), 1);
  rs.abre(consulta, c);
  EXPECT_EQ(rs.RecordCount(), 1);
}

// The search dialog of a desk whose server went away: the cashier reads why,
// the words stay, the program goes on; back, the same search finds the customer.
TEST_F(Servidor, ASearchWhileTheServerIsDownSaysWhyAndWorksWhenItIsBack) {
  Rele rele;
  rele.liga();
  TerminalState estado;
  estado.Conexao->abre(caixa(QString("127.0.0.1/%1").arg(rele.porta())));
  OperadorRoteiro operador;
  estado.usaOperador(operador);
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  app.atendeOperador = [] {};  // a cashier at the window: the reads run on the worker
  std::function<void(Tela &)> roteiro;
  app.executaModal = [&](Tela &t) { roteiro(t); };
  roteiro = [&](Tela &t) {
    t.digita("SILVA");
    rele.desliga();
    t.teclaBaixo(tecla::Enter);
    EXPECT_TRUE(t.carregada());
    EXPECT_EQ(t.campo("Pergunta").texto(), "SILVA");
    EXPECT_EQ(t.campo("Result").texto(), "Pesquisa não concluída! 0 registros foram carregados.");
    EXPECT_EQ(t.focado()->nome(), "Pergunta");
    t.teclaBaixo(tecla::Esc);
  };
  AbrePesquisa(app, "Cli");
  const QString mensagens = operador.mensagens().join(" / ");
  EXPECT_TRUE(mensagens.contains(MensagemErroSistema)) << mensagens.toStdString();
  EXPECT_TRUE(mensagens.contains("conexão com o banco de dados foi perdida")) << mensagens.toStdString();
  EXPECT_TRUE(estado.CodPesquisa.isEmpty());

  rele.liga();
  QString resultado;
  roteiro = [&](Tela &t) {
    t.digita("SILVA");
    t.teclaBaixo(tecla::Enter);
    resultado = t.campo("Result").texto();
    t.teclaBaixo(tecla::Enter);
  };
  AbrePesquisa(app, "Cli");
  EXPECT_EQ(resultado, "Concluido! 1 registros foram encontrados.");
  EXPECT_EQ(estado.CodPesquisa, "2");
}

// Eight desks selling the same product at random moments: every sale's stock
// update lands (a conflicting one is tried again), none is lost.
TEST_F(Servidor, EightDesksSellingOneProductLoseNoStockUpdate) {
  auto pendente = [&] {
    ConexaoBanco c;
    c.abre(caixa(servidor()));
    Recordset rs;
    rs.abre("Select PenVEst From Tb_Est_CadPro Where CodPro=1", c);
    return ParaQuantidade(rs["PenVEst"]);
  };
  const Quantidade antes = pendente();
  constexpr int Caixas = 8, Vendas = 150;
  std::atomic<int> falhas{0};
  std::vector<std::thread> caixas;
  for (int n = 0; n < Caixas; ++n)
    caixas.emplace_back([&, n] {
      TerminalState estado;
      estado.Conexao->abre(caixa(servidor()));
      std::srand(unsigned(n * 7919 + 1));
      for (int v = 0; v < Vendas; ++v) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::rand() % 1001));
        try {
          AtualizaEstoquePendente(estado, "1", Quantidade::deInteiro(1));
        } catch (const ErroBanco &) {
          ++falhas;
        }
      }
    });
  for (auto &t : caixas) t.join();
  EXPECT_EQ(falhas.load(), 0);
  EXPECT_EQ(pendente() - antes, Quantidade::deInteiro(Caixas * Vendas));
}

// A network that froze (packets dropped, nothing refused): a call waiting on
// the server fails within the connection's bound as a lost connection, the
// statements right after it are told at once, and once the network is back
// the next statement reconnects. An attach that gets no answer gives up
// within its own bound. (Short bounds keep the test quick.)
TEST_F(Servidor, AServerThatStopsAnsweringIsGivenUpWithinTheBound) {
  using namespace std::chrono_literals;
  Rele rele;
  rele.liga();
  const QString endereco = caixa(QString("127.0.0.1/%1").arg(rele.porta()));
  ConexaoBanco c;
  c.defineLimites(2000ms, 3000ms);
  c.abre(endereco);
  const QString consulta = "SELECT StaEpn FROM Tb_Vda_CadEpn WHERE CodEpn=101";
  Recordset rs;
  rs.abre(consulta, c);
  ASSERT_EQ(rs.RecordCount(), 1);

  rele.congela();
  QElapsedTimer relogio;
  relogio.start();
  try {
    c.executa("UPDATE TB_VDA_CADEPN SET NitEpn = NitEpn WHERE CodEpn = 101");
    ADD_FAILURE() << "a statement went through a frozen network";
  } catch (const ErroBanco &e) {
    EXPECT_TRUE(e.conexaoPerdida()) << e.descricao().toStdString();
    EXPECT_TRUE(e.descricao().contains("não respondeu em 2 segundos")) << e.descricao().toStdString();
  }
  EXPECT_GE(relogio.elapsed(), 1900);
  EXPECT_LT(relogio.elapsed(), 4000);
  EXPECT_TRUE(c.aberta());
  // Right after: told at once, no second wait.
  relogio.restart();
  EXPECT_THROW(rs.abre(consulta, c), ErroBanco);
  EXPECT_LT(relogio.elapsed(), 500);

  // Still frozen a little later: the reopening itself gives up within the bound.
  std::this_thread::sleep_for(2100ms);
  relogio.restart();
  try {
    rs.abre(consulta, c);
    ADD_FAILURE() << "read through a frozen network";
  } catch (const ErroBanco &e) {
    EXPECT_TRUE(e.conexaoPerdida()) << e.descricao().toStdString();
  }
  EXPECT_LT(relogio.elapsed(), 4000);

  // A new connection through the frozen network: its attach gives up.
  ConexaoBanco outra;
  outra.defineLimites(2000ms, 3000ms);
  relogio.restart();
  try {
    outra.abre(endereco);
    ADD_FAILURE() << "attached through a frozen network";
  } catch (const ErroBanco &e) {
    EXPECT_TRUE(e.conexaoPerdida()) << e.descricao().toStdString();
    EXPECT_TRUE(e.descricao().contains("não respondeu em 3 segundos")) << e.descricao().toStdString();
  }
  EXPECT_GE(relogio.elapsed(), 2900);
  EXPECT_LT(relogio.elapsed(), 5000);

  // Back: after the short pause the next statement reconnects.
  rele.congela(false);
  std::this_thread::sleep_for(2100ms);
  EXPECT_EQ(c.executa("UPDATE TB_VDA_CADEPN SET NitEpn = NitEpn WHERE CodEpn = 101"), 1);
  rs.abre(consulta, c);
  EXPECT_EQ(rs.RecordCount(), 1);
  outra.abre(endereco);
  rs.abre(consulta, outra);
  EXPECT_EQ(rs.RecordCount(), 1);
}

// A long read is bounded call by call, not as a whole: reading many rows
// that take longer than the bound altogether is not cut.
TEST_F(Servidor, AReadLongerThanTheBoundAltogetherIsNotCut) {
  using namespace std::chrono_literals;
  ConexaoBanco c;
  c.defineLimites(1000ms, 3000ms);
  c.abre(caixa(servidor()));
  Recordset rs;
  rs.abrePaginado("SELECT r.RDB$RELATION_NAME FROM RDB$RELATIONS r CROSS JOIN RDB$RELATIONS s", c, 10);
  int lidas = rs.RecordCount();
  QElapsedTimer relogio;
  relogio.start();
  while (!rs.completo() && relogio.elapsed() < 2500) {
    std::this_thread::sleep_for(50ms);
    lidas += rs.leMais(10);
  }
  EXPECT_GT(relogio.elapsed(), 2000);
  EXPECT_GT(lidas, 100);
  EXPECT_EQ(c.executa("UPDATE TB_VDA_CADEPN SET NitEpn = NitEpn WHERE CodEpn = 101"), 1);
}
