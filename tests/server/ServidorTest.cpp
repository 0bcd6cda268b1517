// Several desks on one database through a Firebird server on 127.0.0.1,
// started by the test script (scripts/test.sh). Skipped when no server was
// started for the run (PDV_TEST_FB_SERVER unset).
#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include "app/Programa.h"
#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/OperadorRoteiro.h"
#include "core/Teclas.h"
#include "sale/PForm.h"
#include "support/TestSupport.h"

namespace {

QString servidor() { return qEnvironmentVariable("PDV_TEST_FB_SERVER"); }
QString senhaSysdba() { return qEnvironmentVariable("PDV_TEST_FB_PASSWORD"); }

class Servidor : public ::testing::Test {
 protected:
  static QTemporaryDir *pasta;
  static QString banco;  // the path on the server's side

  static void SetUpTestSuite() {
    if (servidor().isEmpty()) return;
    pasta = new QTemporaryDir();
    QFile::setPermissions(pasta->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    banco = pasta->path() + "/velt.fdb";
    QString saida;
    const int status = testsupport::runBuilt(
        "pdv-admin", {"create-db", servidor() + ":" + banco, "--demo", "--user", "SYSDBA", "--password", senhaSysdba()},
        &saida);
    ASSERT_EQ(status, 0) << saida.toStdString();
  }
  static void TearDownTestSuite() {
    delete pasta;
    pasta = nullptr;
  }
  void SetUp() override {
    if (servidor().isEmpty()) GTEST_SKIP() << "no Firebird server for this run";
  }
  // A desk's connection string, as the configuration gives it after EscolheConexao.
  static QString caixa(const QString &endereco) {
    return "DRIVER=Firebird/InterBase(r) driver;UID=SYSDBA;PWD=" + senhaSysdba() + ";DBNAME=" + endereco + ":" + banco;
  }
};

QTemporaryDir *Servidor::pasta = nullptr;
QString Servidor::banco;

}  // namespace

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
  const auto anterior = InstalaTratadorEncerramento([](int, const QString &m) { throw ProgramaEncerrado(m); });
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
  InstalaTratadorEncerramento(anterior);
  EXPECT_TRUE(fim.isEmpty()) << fim.toStdString() << " " << operador.mensagens().join(" / ").toStdString();
  ASSERT_NE(programa.telaVenda(), nullptr);
  EXPECT_EQ(programa.telaVenda()->campo("Caixa").texto(), "002");
  EXPECT_EQ(estado.NomUsuario, QStringLiteral("JOÃO CARLOS PEREIRA"));
}
