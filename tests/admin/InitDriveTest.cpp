// A drive made by "pdv-admin init-drive DIR --demo", checked from outside:
// the configuration file as the terminal reads it and the database through
// isql-fb.
#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include "admin/Catalogo.h"
#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Senhap.h"
#include "core/TerminalState.h"
#include "support/TestSupport.h"

namespace {

class DriveDemo : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pasta_ = new QTemporaryDir;
    QString saida;
    codigoSaida_ = testsupport::runBuilt("pdv-admin", {"init-drive", pasta_->path(), "--demo"}, &saida);
    saidaAdmin_ = new QString(saida);
  }
  static void TearDownTestSuite() {
    delete pasta_;
    delete saidaAdmin_;
  }
  void SetUp() override { ASSERT_EQ(codigoSaida_, 0) << saidaAdmin_->toStdString(); }

  static QString caminho(const QString &relativo) { return pasta_->path() + "/" + relativo; }
  static QByteArray configuracao() {
    QFile f(caminho("kw-velt/default.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  // Runs the statements through isql-fb and returns the output lines that
  // carry the given tag ("T:NAME" -> "NAME"), in order.
  static QStringList consulta(const QString &sql, const QString &etiqueta) {
    QTemporaryDir dir;
    QFile script(dir.path() + "/q.sql");
    script.open(QIODevice::WriteOnly);
    script.write(("SET HEADING OFF;\n" + sql + "\n").toUtf8());
    script.close();
    QProcess isql;
    isql.setProcessChannelMode(QProcess::MergedChannels);
    isql.start("isql-fb", {"-q", "-ch", "UTF8", "-u", "SYSDBA", "-p", "masterkey", "-i",
                           script.fileName(), caminho("kw-velt/dados.fdb")});
    isql.waitForFinished(60000);
    QStringList achadas;
    const QString marca = etiqueta + ":";
    for (const QString &linha : QString::fromUtf8(isql.readAll()).split('\n')) {
      const QString t = linha.trimmed();
      if (t.startsWith(marca)) achadas << t.mid(marca.size()).trimmed();
    }
    return achadas;
  }
  static QString valor(const QString &expressao) {
    const QStringList v = consulta("SELECT 'V:' || (" + expressao + ") FROM RDB$DATABASE;", "V");
    return v.value(0);
  }

  static QTemporaryDir *pasta_;
  static QString *saidaAdmin_;
  static int codigoSaida_;
};
QTemporaryDir *DriveDemo::pasta_ = nullptr;
QString *DriveDemo::saidaAdmin_ = nullptr;
int DriveDemo::codigoSaida_ = -1;

// The configuration's seven lines, credentials scrambled, lead the terminal
// to the drive's database.
TEST_F(DriveDemo, ConfigurationLeadsTheTerminalToTheDriveDatabase) {
  const QByteArray texto = configuracao();
  EXPECT_EQ(texto.count("\r\n"), 7);
  EXPECT_TRUE(texto.endsWith("\r\n"));
  const QList<QByteArray> linhas = LinhasArquivoConfig(texto);
  ASSERT_EQ(linhas.size(), 7);
  EXPECT_EQ(Senhap(linhas[2]), "SYSDBA");
  EXPECT_EQ(Senhap(linhas[3]), "masterkey");
  EXPECT_NE(linhas[3], "masterkey");
  TerminalState estado;
  const LinhasConfig c = InterpretaConfig(texto);
  EXPECT_EQ(c.caixa, "001");
  EXPECT_EQ(c.identificacaoEcf, "SIM0000000000000001");
  EXPECT_EQ(c.marcaEcf, "BEMATECH");
  estado.UsuarioBanco = c.usuario;
  estado.SenhaBanco = c.senha;
  estado.StrConexao = c.conexao;
  EscolheConexao(estado, estado.StrConexao);
  EXPECT_EQ(InterpretaStringConexao(estado.StrConexao).banco, caminho("kw-velt/dados.fdb"));
  AbreConexao(estado);
  Recordset rs;
  rs.abre("Select * From TB_GER_PARAMETROS", estado.conexao());
  EXPECT_EQ(rs.campo("Nome_Da_Empresa").toString(), "SUPERMERCADO BOA VISTA LTDA");
  FechaConexao(estado);
}

TEST_F(DriveDemo, DatabaseHoldsEveryTableViewAndGenerator) {
  const QStringList relacoes = consulta(
      "SELECT 'T:' || TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0;", "T");
  for (const char *nome :
       {"TB_GER_PARAMETROS", "TB_GER_USUARIOS", "TB_GER_ROTUSU", "TB_GER_ACESSOS", "TB_GER_LOGSYS",
        "TB_GER_ERRVELT", "TB_GER_LIBERA", "BLOQUEIA_VENDA", "TB_CTG_CADEMP", "TB_EST_CADPRO",
        "TB_EST_DSCFPG", "TB_EST_DSCGRUCLI", "TB_REC_CADCLI", "TB_REC_CADDUP", "TB_VDA_CADEPN",
        "TB_VDA_CADEPNIT", "TB_VDA_EPNPAG", "TB_VDA_CADNOT", "TB_VDA_OBSEPN", "TB_VDA_CONDPGT",
        "TB_VDA_FORMPGT", "TB_VDA_CADVEN", "TB_VDA_CADTRAN", "TB_VDA_CADVEI", "TB_VDA_CADFIS",
        "TB_VDA_FISSUB", "PROFAB", "PROFAB_ATIVO", "CADASTRO_EPN", "EPNCLIPRO", "FORMAPGTO",
        "FORMAPGTO1", "EPNCPG"})
    EXPECT_TRUE(relacoes.contains(nome)) << nome;
  const QStringList geradores = consulta(
      "SELECT 'G:' || TRIM(RDB$GENERATOR_NAME) FROM RDB$GENERATORS WHERE RDB$SYSTEM_FLAG = 0;", "G");
  for (const char *nome : {"NUMEPN", "NUMACESSO", "NUMERRO"}) EXPECT_TRUE(geradores.contains(nome)) << nome;
  EXPECT_EQ(valor("SELECT RDB$CHARACTER_SET_NAME FROM RDB$DATABASE").trimmed(), "WIN1252");
}

TEST_F(DriveDemo, CompanyFiscalYearIsTheServersCurrentYear) {
  EXPECT_EQ(valor("SELECT COUNT(*) FROM TB_GER_PARAMETROS"), "1");
  EXPECT_EQ(valor("SELECT e.AnoEmp - EXTRACT(YEAR FROM CURRENT_DATE) FROM TB_CTG_CADEMP e "
                  "JOIN TB_GER_PARAMETROS p ON p.EmpCtg = e.CodEmp"),
            "0");
  EXPECT_EQ(valor("SELECT COUNT(*) FROM BLOQUEIA_VENDA"), "0");
}

TEST_F(DriveDemo, OperatorsHaveScrambledPasswordsAndOneLacksTheDeskRight) {
  const QStringList comDireito = consulta(
      "SELECT 'R:' || UserRot FROM Tb_Ger_RotUsu WHERE SisRot = 'VDA' AND CdgRot = 'R0407' "
      "ORDER BY UserRot;", "R");
  EXPECT_EQ(comDireito, QStringList({"1", "2", "5", "9"}));
  EXPECT_EQ(valor("SELECT COUNT(*) FROM TB_GER_USUARIOS WHERE CodUsu = 3"), "1");
  // Stored scrambled: operator 1's "1234" is not in the column as typed.
  EXPECT_EQ(valor("SELECT COUNT(*) FROM TB_GER_USUARIOS WHERE SenUsu = '1234'"), "0");
  EXPECT_EQ(valor("SELECT CHAR_LENGTH(SenUsu) FROM TB_GER_USUARIOS WHERE CodUsu = 1"), "4");
}

TEST_F(DriveDemo, CustomersCoverEveryCreditStatusWithTheirReceivables) {
  EXPECT_EQ(valor("SELECT NomCli FROM TB_REC_CADCLI WHERE CodCli = 0"), "CONSUMIDOR");
  for (int status = 1; status <= 4; ++status)
    EXPECT_NE(valor(QString("SELECT COUNT(*) FROM TB_REC_CADCLI WHERE CreCli = %1").arg(status)), "0")
        << status;
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_REC_CADDUP WHERE DatPgt IS NULL"), "0");
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_REC_CADDUP WHERE DatPgt IS NOT NULL AND CondChq <> 4"), "0");
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_REC_CADDUP WHERE CondChq = 4"), "0");
  // Customer 2 (overdue refused) has an open instalment already past due.
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_REC_CADDUP WHERE CliDup = 2 AND DatPgt IS NULL "
                  "AND DatVenc < CURRENT_DATE"),
            "0");
}

TEST_F(DriveDemo, ProductsHaveValidBarCodesAndEveryTaxCode) {
  EXPECT_EQ(valor("SELECT COUNT(*) FROM TB_EST_CADPRO"), "300");
  const QStringList codigos =
      consulta("SELECT 'E:' || EanPro FROM TB_EST_CADPRO WHERE EanPro IS NOT NULL;", "E");
  QMap<qsizetype, int> porTamanho;
  for (const QString &ean : codigos) {
    EXPECT_TRUE(CodigoBarrasValido(ean)) << ean.toStdString();
    ++porTamanho[ean.size()];
  }
  EXPECT_GT(porTamanho.value(13), 0);
  EXPECT_GT(porTamanho.value(8), 0);
  EXPECT_GT(porTamanho.value(12), 0);
  // Weighed products: five-digit internal codes starting "200", no bar code.
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_EST_CADPRO WHERE CdiPro LIKE '200__' AND "
                  "CHAR_LENGTH(CdiPro) = 5 AND EanPro IS NULL AND DecPro = 0"),
            "0");
  const QStringList tributacao =
      consulta("SELECT DISTINCT 'X:' || TribPro FROM TB_EST_CADPRO;", "X");
  for (const QString &codigo : CodigosTributacao())
    EXPECT_TRUE(tributacao.contains(codigo)) << codigo.toStdString();
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_EST_CADPRO WHERE ValPre1 = 0"), "0");
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_EST_CADPRO WHERE Deb512Cto = 0 AND TribPro = '000'"), "0");
  EXPECT_NE(valor("SELECT COUNT(*) FROM PROFAB WHERE NomFab IS NOT NULL"), "0");
  EXPECT_LT(valor("SELECT COUNT(*) FROM PROFAB_ATIVO").toInt(), 300);
}

TEST_F(DriveDemo, PaymentFormsConditionsAndFiscalOperations) {
  EXPECT_EQ(valor("SELECT NomFpg FROM TB_VDA_FORMPGT WHERE CodFpg = 1"), "Dinheiro");
  for (int tipo = 0; tipo <= 3; ++tipo)
    EXPECT_NE(valor(QString("SELECT COUNT(*) FROM TB_VDA_CONDPGT WHERE DupCpg = %1").arg(tipo)), "0");
  EXPECT_EQ(valor("SELECT COUNT(*) FROM TB_VDA_CONDPGT WHERE DupCpg = 2 AND FlgCpg = '1' AND CvnCpg > 0"), "1");
  EXPECT_EQ(valor("SELECT COUNT(*) FROM TB_VDA_CADFIS WHERE CodFis IN (5102, 6102, 6108)"), "3");
  EXPECT_EQ(valor("SELECT CodSubs FROM TB_VDA_FISSUB WHERE CodNorm = 5102"), "5405");
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_EST_DSCFPG"), "0");
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_EST_DSCGRUCLI"), "0");
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_VDA_CADVEN"), "0");
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_VDA_CADTRAN"), "0");
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_VDA_CADVEI"), "0");
}

TEST_F(DriveDemo, PendingPreSalesAreCompleteAndAddUp) {
  const QStringList pendentes = consulta(
      "SELECT 'P:' || CodEpn FROM TB_VDA_CADEPN WHERE StaEpn = 0 ORDER BY CodEpn;", "P");
  ASSERT_GE(pendentes.size(), 3);
  // Every pending empenho has its items (as many as NitEpn, summing to the
  // total) and payments summing to the net value.
  const QStringList incoerentes = consulta(
      "SELECT 'B:' || e.CodEpn FROM TB_VDA_CADEPN e WHERE e.StaEpn = 0 AND ("
      " e.NitEpn <> (SELECT COUNT(*) FROM TB_VDA_CADEPNIT i WHERE i.CodEpnIt = e.CodEpn)"
      " OR e.TotEpn <> (SELECT SUM(i.CtoEpnIt) FROM TB_VDA_CADEPNIT i WHERE i.CodEpnIt = e.CodEpn)"
      " OR e.TotEpn - e.DscEpn <> (SELECT SUM(p.ValPag) FROM TB_VDA_EPNPAG p WHERE p.EpnPag = e.CodEpn));",
      "B");
  EXPECT_TRUE(incoerentes.isEmpty()) << incoerentes.join(",").toStdString();
  EXPECT_NE(valor("SELECT COUNT(*) FROM TB_VDA_OBSEPN o JOIN TB_VDA_CADEPN e ON e.CodEpn = o.EpnObs "
                  "WHERE e.StaEpn = 0"),
            "0");
  EXPECT_EQ(valor("SELECT NomSta FROM CADASTRO_EPN WHERE StaEpn < 0"), "Processo...");
  // The next sale number is above every demo empenho.
  EXPECT_EQ(valor("SELECT IIF(GEN_ID(NUMEPN, 0) >= MAX(CodEpn), 'sim', 'nao') FROM TB_VDA_CADEPN"), "sim");
}

}  // namespace
