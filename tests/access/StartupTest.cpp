#include <gtest/gtest.h>

#include <QFile>

#include "access/Execucao.h"
#include "access/Inicializacao.h"
#include "core/ConfigTerminal.h"
#include "platform/Paths.h"
#include "sale/PForm.h"

namespace {

// Sets a simulator fault for the lifetime of the object.
struct Falha {
  explicit Falha(const QByteArray &linhas) { qputenv("PDV_ECF_SIM_FALHAS", linhas); }
  ~Falha() { qunsetenv("PDV_ECF_SIM_FALHAS"); }
};

// Replaces the configuration file's line 6 while the object lives.
struct Identificacao {
  QByteArray original;
  QString caminho;
  explicit Identificacao(const QString &linha6) {
    testsupport::UsaDrive d(testsupport::demoDrive());
    caminho = platform::hostPath(ArquivoConfigTerminal);
    QFile f(caminho);
    f.open(QIODevice::ReadOnly);
    original = f.readAll();
    QList<QByteArray> linhas = LinhasArquivoConfig(original);
    linhas[5] = linha6.toLatin1();
    QFile g(caminho);
    g.open(QIODevice::WriteOnly);
    g.write(linhas.join("\r\n") + "\r\n");
  }
  ~Identificacao() {
    QFile g(caminho);
    g.open(QIODevice::WriteOnly);
    g.write(original);
  }
};

// Puts the demo database back however the test leaves.
struct Restaura {
  QString sql;
  ~Restaura() { testsupport::executaNoDemo(sql); }
};

QString unicaMensagem(Execucao &x) {
  const QStringList m = x.operador.mensagens();
  return m.size() == 1 ? m[0] : "[" + m.join(" / ") + "]";
}

}  // namespace

TEST(Startup, SecondCopyIsRefused) {
  testsupport::UsaDrive d(testsupport::demoDrive());
  platform::WindowAnnouncement outra(TituloTelaVenda);
  Execucao x;
  EXPECT_FALSE(x.inicia());
  EXPECT_EQ(unicaMensagem(x), QStringLiteral("PDV EM EXECUÇÂO. VERIFIQUE NO GERENCIADOR DE TAREFAS !"));
}

// The printer's port or its serial number cannot be read: the start-up ends saying which.
TEST(Startup, PortOrSerialErrorsAreRefused) {
  const std::pair<QByteArray, QString> casos[] = {
      {"retorno AbrePortaSerial -5 sempre", QStringLiteral("ERRO NA PORTA DE COMUNICAÇÃO OU CONFIGURAÇÂO DE DLL !")},
      {"retorno NumeroSerie 0 sempre", QStringLiteral("Altere configuração (Erro-Leitura:0)")}};
  for (const auto &[falha, mensagem] : casos) {
    Falha f(falha);
    Execucao x;
    EXPECT_FALSE(x.inicia());
    EXPECT_TRUE(unicaMensagem(x).contains(mensagem)) << unicaMensagem(x).toStdString();
  }
}

TEST(Startup, LowPaperOnOpeningThePortIsShownAndTheStartGoesOn) {
  Falha f("papel pouco");
  Execucao x;
  EXPECT_TRUE(x.inicia()) << x.operador.mensagens().join(" / ").toStdString();
  EXPECT_TRUE(x.operador.mensagens().join("|").contains(QStringLiteral("Pouco papel"), Qt::CaseInsensitive))
      << x.operador.mensagens().join(" / ").toStdString();
}

TEST(Startup, WrongPrinterShowsBothIdentifications) {
  Identificacao outra("OUTRA123");
  Execucao x;
  EXPECT_FALSE(x.inicia());
  const QString m = unicaMensagem(x);
  EXPECT_TRUE(m.startsWith(QStringLiteral("Identificação da Impressora Invalida/Desligada ( -> OUTRA123).\n"
                                          "Altere configuração (")))
      << m.toStdString();
  EXPECT_TRUE(m.contains(x.estado.NumSerieEcf.trimmed())) << m.toStdString();
}

TEST(Startup, ConfiguredPrefixOfTheSerialPassesAndAnEmptyLinePasses) {
  {
    Identificacao prefixo("SIM");
    Execucao x;
    EXPECT_TRUE(x.inicia()) << unicaMensagem(x).toStdString();
  }
  Identificacao vazia("");
  Execucao x;
  EXPECT_TRUE(x.inicia()) << unicaMensagem(x).toStdString();
}

TEST(Startup, ServerDateSetsThePcClock) {
  Execucao x;
  x.relogio.setSystemTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)));
  x.relogio.setCalls = 0;
  ASSERT_TRUE(x.inicia());
  EXPECT_EQ(x.relogio.setCalls, 1);
  EXPECT_EQ(x.relogio.now().date(), QDate::currentDate());
  EXPECT_EQ(x.estado.DataSistema, QDate::currentDate());
}

// What the database says after the login ends the program, with the reason.
TEST(Startup, MissingCompanyFiscalYearOfAnotherYearOrASalesBlockEndAfterLogin) {
  const int ano = QDate::currentDate().year();
  const struct {
    QString muda, volta, mensagem;
  } casos[] = {
      {"UPDATE TB_GER_PARAMETROS SET EmpCtg = 999", "UPDATE TB_GER_PARAMETROS SET EmpCtg = 1",
       QStringLiteral("Empresa de Trabalho não existe !!")},
      {QString("UPDATE TB_CTG_CADEMP SET AnoEmp = %1").arg(ano - 1), QString("UPDATE TB_CTG_CADEMP SET AnoEmp = %1").arg(ano),
       QStringLiteral("Exercício invalido. Encerre exercício da empresa  !! (%1 <> %2)").arg(ano - 1).arg(ano)},
      {"INSERT INTO Bloqueia_Venda (Usuario, MAQUINA) VALUES ('GERENTE', 'ESCRITORIO')", "DELETE FROM Bloqueia_Venda",
       QStringLiteral("Processamento Bloqueado por GERENTE - ESCRITORIO")},
  };
  for (const auto &c : casos) {
    SCOPED_TRACE(c.mensagem.toStdString());
    testsupport::executaNoDemo(c.muda);
    Restaura volta{c.volta};
    Execucao x;
    ASSERT_TRUE(x.inicia());
    EXPECT_FALSE(x.entra("1", "1234"));
    EXPECT_EQ(x.operador.mensagens().value(0), c.mensagem);
    EXPECT_EQ(x.chamadasEcf.last(), "EcfFechaPortaSerial");
  }
}

TEST(Startup, AFailedReadOfTheSalesBlockKeepsTheSaleWindow) {
  // The read fails (here: the table is gone for a moment, as a server that
  // restarts makes it fail): the window stays, the block is read next time.
  testsupport::executaNoDemo("DROP TABLE Bloqueia_Venda");
  Restaura volta{"CREATE TABLE BLOQUEIA_VENDA (Usuario VARCHAR(40), MAQUINA VARCHAR(64))"};
  Execucao x;
  ASSERT_TRUE(x.inicia());
  EXPECT_TRUE(x.entra("1", "1234"));
  EXPECT_TRUE(x.fim.isEmpty()) << x.fim.toStdString();
  EXPECT_TRUE(x.operador.mensagens().join("|").contains(QStringLiteral("Não foi possível consultar o bloqueio")))
      << x.operador.mensagens().join(" / ").toStdString();
  ASSERT_NE(x.programa->telaVenda(), nullptr);
  EXPECT_TRUE(x.programa->telaVenda()->visivel());
}

TEST(Startup, DeadDatabaseIsReportedAtLoginInsteadOfCrashing) {
  testsupport::TempDrive vazio;
  QDir().mkpath(vazio.path("kw-velt"));
  LinhasConfig c;
  c.conexao = "TIPO=1;DATA SOURCE=" + vazio.path("kw-velt/naoexiste.fdb");
  c.usuario = "SYSDBA";
  c.senha = "masterkey";
  QString erro;
  ASSERT_TRUE(EscreveArquivoConfig(vazio.path("kw-velt/default.txt"), c, &erro));
  Execucao x(vazio.root());
  EXPECT_TRUE(x.inicia());  // no brand, no database: the login still shows
  Tela &login = x.frente();
  login.digita("1");
  login.teclaBaixo(13);
  const QStringList mensagens = x.operador.mensagens();
  ASSERT_EQ(mensagens.size(), 1);
  EXPECT_TRUE(mensagens[0].startsWith(QStringLiteral("Sem conexão com o banco de dados.")));
  EXPECT_EQ(login.focado()->nome(), "Xcodigo");
}
