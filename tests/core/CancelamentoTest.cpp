// A statement cancelled from another thread while it runs, on the embedded
// engine and through a Firebird server (when the test script started one:
// PDV_TEST_FB_SERVER). The cancelled statement fails as cancelled; the
// connection goes on with the next statements.
#include <gtest/gtest.h>

#include <QFile>
#include <chrono>
#include <future>
#include <optional>

#include "core/Database.h"
#include "lookup/DriveProprio.h"

namespace {

// Runs `leitura` on a worker and cancels it until it ends; returns its error.
std::optional<ErroBanco> cancelaDurante(ConexaoBanco &conexao, const std::function<void()> &leitura) {
  auto feito = std::async(std::launch::async, leitura);
  while (feito.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) conexao.cancelaOperacao();
  try {
    feito.get();
  } catch (const ErroBanco &e) {
    return e;
  }
  return std::nullopt;
}

// Seconds of work before the one row comes.
const QString kContagemLonga = "SELECT COUNT(*) AS N FROM RDB$FIELDS a, RDB$FIELDS b, RDB$FIELDS c";
// Every row takes a moment of its own; wide rows, so a client of the server
// does not fetch many of them ahead at once.
const QString kLinhasLentas =
    "SELECT CAST('' AS CHAR(8000)) AS LARGA, "
    "(SELECT COUNT(*) FROM RDB$FIELDS a, RDB$FIELDS b WHERE a.RDB$FIELD_NAME <> r.RDB$FIELD_NAME) AS N "
    "FROM RDB$FIELDS r";

class Cancelamento : public ::testing::TestWithParam<bool> {  // true: through the server
 protected:
  std::optional<testsupport::DriveProprio> drive_;
  ConexaoBanco conexao;

  void SetUp() override {
    const QString servidor = qEnvironmentVariable("PDV_TEST_FB_SERVER");
    if (GetParam() && servidor.isEmpty()) GTEST_SKIP() << "no Firebird server for this run";
    const testsupport::DriveProprio &drive = drive_.emplace();
    if (!GetParam()) {
      conexao.abre(drive.stringConexao());
      return;
    }
    // The server opens the file as its own user.
    const auto todos = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                       QFile::WriteOther | QFile::ExeOther;
    QFile::setPermissions(drive.raiz(), todos);
    QFile::setPermissions(drive.raiz() + "/kw-velt", todos);
    QFile::setPermissions(drive.banco(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
    conexao.abre("DBNAME=" + servidor + ":" + drive.banco() +
                 ";UID=SYSDBA;PWD=" + qEnvironmentVariable("PDV_TEST_FB_PASSWORD"));
  }

  // A read, a change and a transaction on the connection all work.
  void conexaoSegue() {
    Recordset rs;
    rs.abre("SELECT COUNT(*) AS N FROM TB_VDA_CADVEN", conexao);
    EXPECT_EQ(rs["N"].toInt(), 3);
    EXPECT_EQ(conexao.executa("UPDATE TB_VDA_CADEPN SET StaEpn = 7 WHERE CodEpn = 101"), 1);
    TransacaoBanco t(conexao);
    conexao.executa("UPDATE TB_VDA_CADEPN SET StaEpn = 0 WHERE CodEpn = 101");
    t.confirma();
    rs.abre("SELECT StaEpn FROM TB_VDA_CADEPN WHERE CodEpn = 101", conexao);
    EXPECT_EQ(rs["StaEpn"].toInt(), 0);
  }
};

}  // namespace

TEST_P(Cancelamento, AStatementStoppedWhileItRunsFailsAsCancelledAndTheConnectionGoesOn) {
  // Before its first row (the server still counting or sorting).
  Recordset rs;
  std::optional<ErroBanco> erro = cancelaDurante(conexao, [&] { rs.abrePaginado(kContagemLonga, conexao, 10); });
  ASSERT_TRUE(erro.has_value()) << "the statement ended on its own";
  EXPECT_TRUE(erro->cancelado()) << erro->descricao().toStdString();
  EXPECT_FALSE(erro->conexaoPerdida());
  EXPECT_EQ(rs.State(), 0);
  conexaoSegue();

  // Between rows: the rows read before the cancel stay, the reading ends.
  rs.abrePaginado(kLinhasLentas, conexao, 2);
  ASSERT_EQ(rs.RecordCount(), 2);
  erro = cancelaDurante(conexao, [&] { rs.leMais(); });
  ASSERT_TRUE(erro.has_value()) << "the reading ended on its own";
  EXPECT_TRUE(erro->cancelado()) << erro->descricao().toStdString();
  EXPECT_GE(rs.RecordCount(), 2);
  EXPECT_LT(rs.RecordCount(), 351);
  EXPECT_TRUE(rs.completo());
  conexaoSegue();
}

// A cancel that comes when the statement already ended (the cashier's Esc a
// moment late) must not stop the sale's next statement.
TEST_P(Cancelamento, ACancelWithNothingRunningLeavesTheNextStatementsAlone) {
  for (int i = 0; i < 3; ++i) conexao.cancelaOperacao();
  conexaoSegue();
  Recordset rs;
  rs.abrePaginado("SELECT CodPro FROM TB_EST_CADPRO ORDER BY CodPro", conexao, 10);
  conexao.cancelaOperacao();
  EXPECT_EQ(rs.leMais(), 290);  // between two reads: the next one is not stopped
}

INSTANTIATE_TEST_SUITE_P(Motor, Cancelamento, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Servidor" : "Embutido"; });
