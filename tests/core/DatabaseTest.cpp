// The connection, result sets and statement completion against a real
// embedded database made by pdv-admin.
#include <gtest/gtest.h>

#include <QDate>
#include <QTemporaryDir>
#include <chrono>
#include <thread>

#include "core/Database.h"
#include "core/Moeda.h"
#include "support/TestSupport.h"

namespace {

class BancoReal : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pasta_ = new QTemporaryDir;
    saida_ = new QString;
    codigo_ = testsupport::runBuilt("pdv-admin", {"create-db", arquivo()}, saida_);
  }
  static void TearDownTestSuite() {
    delete pasta_;
    delete saida_;
  }
  void SetUp() override {
    ASSERT_EQ(codigo_, 0) << saida_->toStdString();
    conexao_.abre(stringConexao());
  }

  static QString arquivo() { return pasta_->path() + "/banco.fdb"; }
  static QString stringConexao() {
    return "Data Source=" + arquivo() + ";User=SYSDBA;Password=masterkey";
  }
  QVariant um(const QString &sql) {
    Recordset rs;
    rs.abre(sql, conexao_);
    return rs.campo(0);
  }
  // A pending empenho with the given code.
  void empenho(int codigo, int status = 0) {
    conexao_.executa(MontaSql("INSERT INTO TB_VDA_CADEPN (CodEpn, CliEpn, StaEpn, TotEpn) VALUES (?,?,?,?)",
                              {codigo, 0, status, QString("10,50")}));
  }

  ConexaoBanco conexao_;
  static QTemporaryDir *pasta_;
  static QString *saida_;
  static int codigo_;
};
QTemporaryDir *BancoReal::pasta_ = nullptr;
QString *BancoReal::saida_ = nullptr;
int BancoReal::codigo_ = -1;

TEST_F(BancoReal, TextsWithQuotesAndAccentsRoundTrip) {
  const QString nomes[] = {"O'Brien", QString::fromUtf8("ÇÃÉ açúcar"), "a?b'c''d"};
  int codigo = 100;
  for (const QString &nome : nomes) {
    conexao_.executa(MontaSql("INSERT INTO TB_REC_CADCLI (CodCli, NomCli) VALUES (?,?)", {codigo, nome}));
    EXPECT_EQ(um(MontaSql("SELECT NomCli FROM TB_REC_CADCLI WHERE CodCli=?", {codigo})).toString(), nome);
    EXPECT_EQ(um(MontaSql("SELECT COUNT(*) FROM TB_REC_CADCLI WHERE NomCli=?", {nome})).toInt(), 1);
    ++codigo;
  }
  // One byte per accented capital: the column really is WIN1252.
  EXPECT_EQ(um("SELECT OCTET_LENGTH(NomCli) FROM TB_REC_CADCLI WHERE CodCli=101").toInt(), 10);
}

TEST_F(BancoReal, DayFirstDatesLandOnTheRightDay) {
  conexao_.executa(MontaSql("INSERT INTO TB_REC_CADDUP (CliDup, CodDup, NUMPAR, DatVenc) VALUES (?,?,?,?)",
                            {1, "D1", 1, QString("25/12/2023")}));
  conexao_.executa(MontaSql("INSERT INTO TB_REC_CADDUP (CliDup, CodDup, NUMPAR, DatVenc) VALUES (?,?,?,?)",
                            {1, "D2", 1, QString("5/1/24")}));
  EXPECT_EQ(um("SELECT DatVenc FROM TB_REC_CADDUP WHERE CodDup='D1'").toDate(), QDate(2023, 12, 25));
  EXPECT_EQ(um("SELECT DatVenc FROM TB_REC_CADDUP WHERE CodDup='D2'").toDate(), QDate(2024, 1, 5));
  // A moment text as the payment change writes it into the empenho dates.
  empenho(500);
  conexao_.executa(MontaSql("Update Tb_Vda_CadEpn Set DtcEpn=?,DtlEpn=?,MesEpn=? Where CodEpn=?",
                            {QString("12/25/2023 10:11:12"), QString("12/25/2023 10:11:12"), 12, 500}));
  EXPECT_EQ(um("SELECT DtcEpn FROM TB_VDA_CADEPN WHERE CodEpn=500").toDateTime(),
            QDateTime(QDate(2023, 12, 25), QTime(10, 11, 12)));
}

TEST_F(BancoReal, NamesInAnyLetterCaseReachTheSameTable) {
  empenho(600);
  const long alteradas =
      conexao_.executa(MontaSql("UPDATE TB_VDA_CADEPN SET STAEPN=? WHERE CODEPN=?", {-1205, 600}));
  EXPECT_EQ(alteradas, 1);
  Recordset rs;
  rs.abre(MontaSql("Select CodEpn From Tb_vda_cadEpn where StaEpn=?", {-1205}), conexao_);
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs["codepn"].toInt(), 600);
}

TEST_F(BancoReal, ExecuteCountsTheRowsChanged) {
  for (int c = 700; c < 703; ++c) empenho(c);
  EXPECT_EQ(conexao_.executa("UPDATE TB_VDA_CADEPN SET NitEpn = 1 WHERE CodEpn BETWEEN 700 AND 702"), 3);
  EXPECT_EQ(conexao_.executa("UPDATE TB_VDA_CADEPN SET NitEpn = 1 WHERE CodEpn = -1"), 0);
  EXPECT_EQ(conexao_.executaComParametros("DELETE FROM TB_VDA_CADEPN WHERE CodEpn >= ? AND CodEpn <= ?",
                                          {700, 702}),
            3);
}

TEST_F(BancoReal, TwoConnectionsNeverDrawTheSameSaleNumber) {
  ConexaoBanco outra;
  outra.abre(stringConexao());
  QSet<qint64> vistos;
  for (int i = 0; i < 20; ++i) {
    ConexaoBanco &c = (i % 2) ? outra : conexao_;
    Recordset rs;
    rs.abre("SELECT CURRENT_TIMESTAMP AS DATHOR, Gen_Id(NUMEPN,1) as CodEpn FROM RDB$DATABASE", c);
    const qint64 numero = rs["CodEpn"].toLongLong();
    EXPECT_FALSE(vistos.contains(numero)) << numero;
    vistos.insert(numero);
  }
}

TEST_F(BancoReal, DecimalColumnsReadBackExactlyAsMoeda) {
  conexao_.executa(
      "INSERT INTO TB_EST_CADPRO (CodPro, NomPro, ValPre1, AtuEst, PenVEst, Deb512Cto) "
      "VALUES (1, 'X', 1234.5678, 98765.432, -0.001, 18.00)");
  conexao_.executa("INSERT INTO TB_VDA_CADEPN (CodEpn, StaEpn, TotEpn, DscEpn) VALUES (800, 0, 9999999999999.99, 0.01)");
  conexao_.executa("INSERT INTO TB_VDA_CADEPN (CodEpn, StaEpn, TotEpn, DscEpn) VALUES (801, 0, -0.10, 0)");
  Recordset rs;
  rs.abre("SELECT ValPre1, AtuEst, PenVEst, Deb512Cto FROM TB_EST_CADPRO WHERE CodPro = 1", conexao_);
  const auto moeda = [&](const char *campo) {
    const QVariant v = rs[campo];
    EXPECT_EQ(v.metaType(), QMetaType::fromType<Moeda>()) << campo << " " << v.typeName();
    return v.value<Moeda>().unidades();
  };
  EXPECT_EQ(moeda("ValPre1"), 12345678);
  EXPECT_EQ(moeda("AtuEst"), 987654320);
  EXPECT_EQ(moeda("PenVEst"), -10);
  EXPECT_EQ(moeda("Deb512Cto"), 180000);
  rs.abre("SELECT TotEpn, DscEpn, TotEpn - DscEpn AS LiqEpn FROM TB_VDA_CADEPN WHERE CodEpn = 800", conexao_);
  EXPECT_EQ(moeda("TotEpn"), 99999999999999900);
  EXPECT_EQ(moeda("LiqEpn"), 99999999999999800);
  rs.abre("SELECT SUM(TotEpn) AS Total FROM TB_VDA_CADEPN WHERE CodEpn IN (801)", conexao_);
  EXPECT_EQ(moeda("Total"), -1000);
}

TEST_F(BancoReal, AReadResultSetLeavesNoTransactionOpen) {
  Recordset rs;
  rs.abre("SELECT * FROM TB_VDA_CADEPN", conexao_);
  rs.abre("SELECT * FROM RDB$DATABASE", conexao_);
  Recordset guardado;
  guardado.abre("SELECT CodCli FROM TB_REC_CADCLI", conexao_);
  // Only the transaction of this very query belongs to the attachment.
  EXPECT_EQ(um("SELECT COUNT(*) FROM MON$TRANSACTIONS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION").toInt(), 1);
}

TEST_F(BancoReal, AnUpdateConflictIsADeadlockError) {
  empenho(900);
  ConexaoBanco outra;
  outra.abre(stringConexao());
  // The other desk changes the row and commits while this desk waits on it.
  auto transacao = std::make_unique<TransacaoBanco>(outra);
  outra.executa("UPDATE TB_VDA_CADEPN SET StaEpn = -2002 WHERE CodEpn = 900");
  std::thread confirma([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    transacao->confirma();
  });
  try {
    conexao_.executa("UPDATE TB_VDA_CADEPN SET StaEpn = -1001 WHERE CodEpn = 900");
    ADD_FAILURE() << "no conflict";
  } catch (const ErroBanco &e) {
    EXPECT_TRUE(e.ehDeadlock()) << e.descricao().toStdString();
    EXPECT_TRUE(e.ehConflito()) << e.descricao().toStdString();
  }
  confirma.join();
  EXPECT_EQ(um("SELECT StaEpn FROM TB_VDA_CADEPN WHERE CodEpn = 900").toInt(), -2002);
}

TEST_F(BancoReal, ErrorsOfTheServerSurfaceAsErroBanco) {
  EXPECT_THROW(conexao_.executa("INSERT INTO TABELA_QUE_NAO_EXISTE VALUES (1)"), ErroBanco);
  Recordset rs;
  EXPECT_THROW(rs.abre("SELECT NADA FROM TB_VDA_CADEPN", conexao_), ErroBanco);
  EXPECT_EQ(rs.State(), 0);
  ConexaoBanco fechada;
  EXPECT_THROW(fechada.executa("SELECT 1 FROM RDB$DATABASE"), ErroBanco);
  EXPECT_THROW(fechada.abre("Data Source=" + pasta_->path() + "/nao-existe.fdb"), ErroBanco);
}

}  // namespace
