// The connection, result sets and statement completion against a real
// embedded database made by pdv-admin.
#include <gtest/gtest.h>

#include <QDate>
#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <ibase.h>
#if defined(__x86_64__)
#include <cpuid.h>
#endif
#include <optional>
#include <random>
#include <thread>

#include "core/Database.h"
#include "core/FirebirdCliente.h"
#include "core/Moeda.h"
#include "support/TestSupport.h"

namespace {

class BancoReal : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { banco_ = std::make_unique<testsupport::BancoCriado>(); }
  static void TearDownTestSuite() { banco_.reset(); }
  void SetUp() override {
    ASSERT_EQ(banco_->codigo, 0) << banco_->saida.toStdString();
    conexao_.abre(stringConexao());
  }

  static QString stringConexao() { return banco_->stringConexao(); }
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
  static inline std::unique_ptr<testsupport::BancoCriado> banco_;
};

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

TEST_F(BancoReal, NamesInAnyLetterCaseReachTheSameTableAndExecuteCountsTheRowsChanged) {
  empenho(600);
  EXPECT_EQ(conexao_.executa(MontaSql("UPDATE TB_VDA_CADEPN SET STAEPN=? WHERE CODEPN=?", {-1205, 600})), 1);
  Recordset rs;
  rs.abre(MontaSql("Select CodEpn From Tb_vda_cadEpn where StaEpn=?", {-1205}), conexao_);
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs["codepn"].toInt(), 600);
  for (int c = 700; c < 703; ++c) empenho(c);
  EXPECT_EQ(conexao_.executa("UPDATE TB_VDA_CADEPN SET NitEpn = 1 WHERE CodEpn BETWEEN 700 AND 702"), 3);
  EXPECT_EQ(conexao_.executa("UPDATE TB_VDA_CADEPN SET NitEpn = 1 WHERE CodEpn = -1"), 0);
  EXPECT_EQ(conexao_.executaComParametros("DELETE FROM TB_VDA_CADEPN WHERE CodEpn >= ? AND CodEpn <= ?",
                                          {700, 702}),
            3);
}

TEST_F(BancoReal, OpeningAResultSetAgainInsideALoopOverItIsRefused) {
  for (int c = 710; c < 713; ++c) empenho(c);
  Recordset rs;
  rs.abre("SELECT CodEpn FROM TB_VDA_CADEPN WHERE CodEpn BETWEEN 710 AND 712 ORDER BY CodEpn", conexao_);
  rs.MoveNext();
  // Half-way through the rows: the loop would silently walk other rows.
  EXPECT_THROW(rs.abre("SELECT CodEpn FROM TB_VDA_CADEPN WHERE CodEpn = 710", conexao_), std::logic_error);
  EXPECT_EQ(rs["CodEpn"].toInt(), 711);  // the rows being read are untouched
  // Walked to the end, or moved to a row (not walking), it opens again.
  rs.MoveNext();
  rs.MoveNext();
  rs.abre("SELECT CodEpn FROM TB_VDA_CADEPN WHERE CodEpn BETWEEN 710 AND 712", conexao_);
  EXPECT_EQ(rs.RecordCount(), 3);
  rs.MoveNext();
  rs.MoveLast();
  rs.abre("SELECT CodEpn FROM TB_VDA_CADEPN WHERE CodEpn = 711", conexao_);
  EXPECT_EQ(rs["CodEpn"].toInt(), 711);
  conexao_.executa("DELETE FROM TB_VDA_CADEPN WHERE CodEpn BETWEEN 710 AND 712");
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

// What the error log records of a failure: the statement that failed, its
// parameters in place (as MontaSql writes them), whichever way it was run
// (a query, a change, a prepared statement, a connection that is closed).
TEST_F(BancoReal, TheStatementThatFailedIsKeptWithItsParameters) {
  EXPECT_EQ(ConexaoBanco().ultimaInstrucao(), QString());
  Recordset rs;
  EXPECT_THROW(rs.abre("SELECT NADA FROM TB_VDA_CADEPN", conexao_), ErroBanco);
  EXPECT_EQ(conexao_.ultimaInstrucao(), "SELECT NADA FROM TB_VDA_CADEPN");
  EXPECT_THROW(conexao_.executaComParametros("UPDATE TABELA_QUE_NAO_EXISTE SET A=? WHERE B=?", {QString("x'y"), 7}),
               ErroBanco);
  EXPECT_EQ(conexao_.ultimaInstrucao(), "UPDATE TABELA_QUE_NAO_EXISTE SET A='x''y' WHERE B='7'");
  // A later statement that succeeds is the last one then.
  rs.abre("SELECT 1 AS N FROM RDB$DATABASE", conexao_);
  EXPECT_EQ(conexao_.ultimaInstrucao(), "SELECT 1 AS N FROM RDB$DATABASE");
  {
    ComandoPreparado insere(conexao_, "INSERT INTO TB_VDA_CADEPN (CodEpn, CliEpn, StaEpn, TotEpn) VALUES (?,0,0,0)");
    insere.executa({4101});
    EXPECT_THROW(insere.executa({4101}), ErroBanco);  // the same key twice
    EXPECT_EQ(conexao_.ultimaInstrucao(),
              "INSERT INTO TB_VDA_CADEPN (CodEpn, CliEpn, StaEpn, TotEpn) VALUES ('4101',0,0,0)");
  }
  EXPECT_THROW(ComandoPreparado(conexao_, "DELETE FROM NADA"), ErroBanco);
  EXPECT_EQ(conexao_.ultimaInstrucao(), "DELETE FROM NADA");
  ConexaoBanco fechada;
  EXPECT_THROW(fechada.executa("SELECT 2 FROM RDB$DATABASE"), ErroBanco);
  EXPECT_EQ(fechada.ultimaInstrucao(), "SELECT 2 FROM RDB$DATABASE");
  EXPECT_EQ(conexao_.ultimaInstrucao(), "DELETE FROM NADA");  // each connection its own
}

Moeda moedaDe(const QVariant &v) {
  EXPECT_EQ(v.metaType(), QMetaType::fromType<Moeda>()) << v.typeName();
  return v.value<Moeda>();
}

TEST_F(BancoReal, ExtremeDecimalsGoInAndComeBackDigitForDigit) {
  struct Caso {
    const char *coluna;
    const char *texto;
    int casas;
  };
  // NUMERIC(15,2), NUMERIC(15,4), NUMERIC(15,3) of the product table.
  const Caso casos[] = {{"RedCto", "9999999999999.99", 2}, {"RedCto", "-0.01", 2},
                        {"ValPre1", "99999999999.9999", 4}, {"AtuEst", "123456789012.345", 3},
                        {"AtuEst", "-123456789012.345", 3}};
  int codigo = 2000;
  for (const Caso &c : casos) {
    const Moeda valor = *Moeda::deTextoPonto(c.texto);
    // Once as the statement text carries it, once as a bound parameter.
    conexao_.executa(QString("INSERT INTO TB_EST_CADPRO (CodPro, NomPro, %1) VALUES (%2, 'X', %3)")
                         .arg(c.coluna).arg(codigo).arg(c.texto));
    conexao_.executaComParametros(QString("INSERT INTO TB_EST_CADPRO (CodPro, NomPro, %1) VALUES (?, 'X', ?)").arg(c.coluna),
                                  {codigo + 1, QVariant::fromValue(valor)});
    for (int k : {codigo, codigo + 1}) {
      const Moeda lido = moedaDe(um(QString("SELECT %1 FROM TB_EST_CADPRO WHERE CodPro = %2").arg(c.coluna).arg(k)));
      EXPECT_EQ(lido, valor) << c.texto;
      EXPECT_EQ(lido.textoPonto(c.casas), c.texto);
    }
    // Compared on the server against the parameter: exact both ways.
    EXPECT_EQ(um(MontaSql(QString("SELECT COUNT(*) FROM TB_EST_CADPRO WHERE %1 = ").arg(c.coluna) + c.texto, {})).toInt(), 2);
    codigo += 2;
  }
  // More decimals than a Moeda holds: exact text, never a double.
  const QVariant longo = um("SELECT CAST(123456789012.3456789 AS NUMERIC(18,7)) FROM RDB$DATABASE");
  EXPECT_EQ(longo.metaType().id(), QMetaType::QString);
  EXPECT_EQ(longo.toString(), "123456789012.3456789");
  EXPECT_EQ(um("SELECT CAST(-0.0000001 AS NUMERIC(18,7)) FROM RDB$DATABASE").toString(), "-0.0000001");
}

TEST_F(BancoReal, TheSumOfTenThousandAmountsIsExact) {
  Moeda esperado;
  {
    TransacaoBanco transacao(conexao_);
    ComandoPreparado insere(conexao_, "INSERT INTO TB_VDA_CADEPN (CodEpn, StaEpn, TotEpn) VALUES (?, 77, ?)");
    for (int i = 0; i < 10000; ++i) {
      // Cents that no binary fraction holds: 0.01, 0.07, 0.10, ... up to 1234567.89.
      const Moeda valor = Moeda::deCentavos((i * 7919LL) % 123456789 + 1);
      esperado += valor;
      insere.executa({100000 + i, QVariant::fromValue(valor)});
    }
    transacao.confirma();
  }
  EXPECT_EQ(moedaDe(um("SELECT SUM(TotEpn) FROM TB_VDA_CADEPN WHERE StaEpn = 77")), esperado);
  // An expression of decimal columns is read as exactly.
  EXPECT_EQ(moedaDe(um("SELECT SUM(TotEpn - 0.01) FROM TB_VDA_CADEPN WHERE StaEpn = 77")),
            esperado - Moeda::deCentavos(10000));
  Recordset rs;
  rs.abre("SELECT TotEpn FROM TB_VDA_CADEPN WHERE StaEpn = 77", conexao_);
  Moeda lido;
  for (const QVariantList &linha : rs.linhas()) lido += moedaDe(linha[0]);
  EXPECT_EQ(rs.RecordCount(), 10000);
  EXPECT_EQ(lido, esperado);
  conexao_.executa("DELETE FROM TB_VDA_CADEPN WHERE StaEpn = 77");
}

TEST_F(BancoReal, DatesTimesAndTextsCrossUnchanged) {
  const QDateTime momento(QDate(2038, 1, 19), QTime(3, 14, 7, 999));
  const QDate antiga(1858, 11, 17), distante(2999, 12, 31);
  conexao_.executaComParametros(
      "INSERT INTO TB_VDA_CADEPN (CodEpn, StaEpn, DtcEpn, DtlEpn, PrzEpn) VALUES (?,?,?,?,?)",
      {950, 0, momento, QDateTime(antiga, QTime(0, 0)), QString::fromUtf8("ação 'x' ?")});
  Recordset rs;
  rs.abre(MontaSql("SELECT DtcEpn, CAST(DtlEpn AS DATE) AS Dia, PrzEpn, CAST(? AS DATE) FROM TB_VDA_CADEPN "
                   "WHERE CodEpn = 950",
                   {distante}),
          conexao_);
  EXPECT_EQ(rs["DtcEpn"].toDateTime(), momento);
  EXPECT_EQ(rs["Dia"].toDate(), antiga);
  EXPECT_EQ(rs["PrzEpn"].toString(), QString::fromUtf8("ação 'x' ?"));
  EXPECT_EQ(rs.campo(3).toDate(), distante);
  // A literal CHAR comes back with its own characters, not its byte padding.
  EXPECT_EQ(um(QString::fromUtf8("SELECT 'ÇÃ' FROM RDB$DATABASE")).toString(), QString::fromUtf8("ÇÃ"));
}

TEST_F(BancoReal, AnExplicitTransactionCommitsAllOrNone) {
  ConexaoBanco outra;
  outra.abre(stringConexao());
  try {
    TransacaoBanco transacao(conexao_);
    conexao_.executa("INSERT INTO TB_VDA_CADEPN (CodEpn, StaEpn) VALUES (960, 0)");
    conexao_.executaComParametros("INSERT INTO TB_VDA_CADEPN (CodEpn, StaEpn) VALUES (?, 0)", {961});
    // This connection reads its own pending rows; the other desk does not.
    EXPECT_EQ(um("SELECT COUNT(*) FROM TB_VDA_CADEPN WHERE CodEpn IN (960, 961)").toInt(), 2);
    Recordset deOutra;
    deOutra.abre("SELECT COUNT(*) FROM TB_VDA_CADEPN WHERE CodEpn IN (960, 961)", outra);
    EXPECT_EQ(deOutra.campo(0).toInt(), 0);
    conexao_.executa("INSERT INTO TB_VDA_CADEPN (CodEpn, StaEpn) VALUES (960, 0)");  // duplicate key
    transacao.confirma();
    ADD_FAILURE() << "the duplicate went in";
  } catch (const ErroBanco &) {
  }
  EXPECT_FALSE(conexao_.emTransacao());
  EXPECT_EQ(um("SELECT COUNT(*) FROM TB_VDA_CADEPN WHERE CodEpn IN (960, 961)").toInt(), 0);

  {
    TransacaoBanco transacao(conexao_);
    EXPECT_THROW(TransacaoBanco{conexao_}, ErroBanco);  // one at a time
    conexao_.executa("INSERT INTO TB_VDA_CADEPN (CodEpn, StaEpn) VALUES (962, 0)");
    conexao_.executa("INSERT INTO TB_VDA_CADEPN (CodEpn, StaEpn) VALUES (963, 0)");
    transacao.confirma();
    EXPECT_THROW(transacao.confirma(), ErroBanco);
  }
  Recordset rs;
  rs.abre("SELECT COUNT(*) FROM TB_VDA_CADEPN WHERE CodEpn IN (962, 963)", outra);
  EXPECT_EQ(rs.campo(0).toInt(), 2);
}

TEST_F(BancoReal, AWaitBehindAnotherTransactionEndsWithinTheLockTimeout) {
  empenho(970);
  ConexaoBanco outra;
  outra.abre(stringConexao());
  TransacaoBanco segura(outra);
  outra.executa("UPDATE TB_VDA_CADEPN SET NitEpn = 5 WHERE CodEpn = 970");
  // A read does not wait on the lock and sees the committed value.
  EXPECT_EQ(um("SELECT NitEpn FROM TB_VDA_CADEPN WHERE CodEpn = 970").toInt(), 0);
  QElapsedTimer relogio;
  relogio.start();
  try {
    conexao_.executa("UPDATE TB_VDA_CADEPN SET NitEpn = 6 WHERE CodEpn = 970");
    ADD_FAILURE() << "no lock error";
  } catch (const ErroBanco &e) {
    EXPECT_TRUE(e.ehDeadlock()) << e.descricao().toStdString();
    EXPECT_FALSE(e.conexaoPerdida());
  }
  EXPECT_GE(relogio.elapsed(), (ConexaoBanco::kEsperaBloqueioSegundos - 1) * 1000);
  EXPECT_LT(relogio.elapsed(), (ConexaoBanco::kEsperaBloqueioSegundos + 3) * 1000);
  segura.desfaz();
  EXPECT_EQ(conexao_.executa("UPDATE TB_VDA_CADEPN SET NitEpn = 6 WHERE CodEpn = 970"), 1);
}

TEST_F(BancoReal, EightDesksUpdatingOneRowLoseNoUpdate) {
  empenho(980);
  constexpr int kDesks = 8, kVezes = 15;
  std::atomic<int> conflitos{0}, outrosErros{0};
  std::vector<std::thread> caixas;
  for (int d = 0; d < kDesks; ++d) {
    caixas.emplace_back([&, d] {
      ConexaoBanco c;
      c.abre(stringConexao());
      std::mt19937 sorte(d);
      for (int i = 0; i < kVezes; ++i) {
        for (;;) {
          try {
            TransacaoBanco t(c);
            c.executa("UPDATE TB_VDA_CADEPN SET TotEpn = TotEpn + 0.01 WHERE CodEpn = 980");
            std::this_thread::sleep_for(std::chrono::milliseconds(sorte() % 4));
            t.confirma();
            break;
          } catch (const ErroBanco &e) {
            if (e.ehConflito() || e.ehDeadlock()) ++conflitos;
            else {
              ++outrosErros;
              break;
            }
          }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(sorte() % 3));
      }
    });
  }
  for (std::thread &t : caixas) t.join();
  EXPECT_EQ(outrosErros.load(), 0);
  EXPECT_GT(conflitos.load(), 0);
  // 10,50 to start with, and one cent per update that landed.
  EXPECT_EQ(moedaDe(um("SELECT TotEpn FROM TB_VDA_CADEPN WHERE CodEpn = 980")),
            Moeda::deCentavos(1050 + kDesks * kVezes));
}

TEST_F(BancoReal, PreparedStatementsAreKeptByTextAndDroppedOnAStructureChange) {
  conexao_.executa("CREATE TABLE T_CACHE (A INTEGER)");
  conexao_.executa("INSERT INTO T_CACHE VALUES (1)");
  const int antes = conexao_.instrucoesGuardadas();
  for (int i = 0; i < 3; ++i) um("SELECT * FROM T_CACHE");
  EXPECT_EQ(conexao_.instrucoesGuardadas(), antes + 1);
  // The table changes: the same text now sees the new column.
  conexao_.executa("ALTER TABLE T_CACHE ADD B VARCHAR(5)");
  Recordset rs;
  rs.abre("SELECT * FROM T_CACHE", conexao_);
  EXPECT_EQ(rs.FieldCount(), 2);
  EXPECT_EQ(rs.tipoCampo(1), "VARCHAR(5)");
  // One-off texts are not kept; repeated ones do not pile up past the limit.
  const int depois = conexao_.instrucoesGuardadas();
  for (int i = 0; i < 200; ++i) um(QString("SELECT %1 FROM RDB$DATABASE").arg(i));
  EXPECT_EQ(conexao_.instrucoesGuardadas(), depois);
  for (int vez = 0; vez < 2; ++vez)
    for (int i = 0; i < 100; ++i) um(QString("SELECT %1 FROM RDB$DATABASE").arg(i));
  EXPECT_EQ(conexao_.instrucoesGuardadas(), 64);
  conexao_.executa("DROP TABLE T_CACHE");
}

TEST_F(BancoReal, AResultSetReadsPageByPage) {
  {
    TransacaoBanco t(conexao_);
    ComandoPreparado insere(conexao_, "INSERT INTO TB_VDA_CADEPN (CodEpn, StaEpn) VALUES (?, 88)");
    for (int i = 0; i < 2500; ++i) insere.executa({200000 + i});
    t.confirma();
  }
  const QString transacoes =
      "SELECT COUNT(*) FROM MON$TRANSACTIONS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION";
  Recordset rs;
  rs.abrePaginado("SELECT CodEpn FROM TB_VDA_CADEPN WHERE StaEpn = 88 ORDER BY CodEpn", conexao_, 1000);
  EXPECT_EQ(rs.RecordCount(), 1000);
  EXPECT_FALSE(rs.completo());
  EXPECT_EQ(rs["CodEpn"].toInt(), 200000);
  // Reads, an open cursor's included, share the connection's one read
  // transaction.
  EXPECT_EQ(um(transacoes).toInt(), 1);
  EXPECT_EQ(rs.leMais(1000), 1000);
  EXPECT_EQ(rs.leMais(), 500);
  EXPECT_TRUE(rs.completo());
  EXPECT_EQ(rs.RecordCount(), 2500);
  EXPECT_EQ(um(transacoes).toInt(), 1);
  rs.MoveLast();
  EXPECT_EQ(rs["CodEpn"].toInt(), 202499);

  // Stopped early: the rows read stay, the cursor goes.
  rs.abrePaginado("SELECT CodEpn FROM TB_VDA_CADEPN WHERE StaEpn = 88", conexao_, 10);
  rs.paraLeitura();
  EXPECT_TRUE(rs.completo());
  EXPECT_EQ(rs.RecordCount(), 10);
  EXPECT_EQ(um(transacoes).toInt(), 1);
  // A cursor left open does not keep the connection from closing.
  rs.abrePaginado("SELECT CodEpn FROM TB_VDA_CADEPN WHERE StaEpn = 88", conexao_, 10);
  conexao_.fecha();
  EXPECT_TRUE(rs.completo());
  EXPECT_EQ(rs.RecordCount(), 10);
  conexao_.abre(stringConexao());
  conexao_.executa("DELETE FROM TB_VDA_CADEPN WHERE StaEpn = 88");
}

// Rows kept as the server sent them give the values the result set gives,
// whatever the type, Nulls among them; a BLOB column cannot be kept so.
TEST_F(BancoReal, RowsKeptAsTheServerSentThemGiveTheSameValues) {
  const QString sql =
      "SELECT CAST(r AS INTEGER), CAST(r * 1000000000 AS BIGINT), CAST(r * -12.345 AS NUMERIC(15,3)), "
      "CAST(r / 7.0 AS NUMERIC(18,6)), CAST(r AS DOUBLE PRECISION) / 3, DATEADD(r DAY TO DATE '2026-12-08'), "
      "TIME '13:45:10', TIMESTAMP '2026-12-08 09:30:00', r > 1, CAST('ÁÉ ' || r AS CHAR(6)), "
      "'AÇÚCAR €' || r, IIF(r = 2, NULL, 'x'), IIF(r = 1, NULL, r), CAST('' AS VARCHAR(5)) "
      "FROM (SELECT 1 AS r FROM RDB$DATABASE UNION ALL SELECT 2 FROM RDB$DATABASE UNION ALL "
      "SELECT 3 FROM RDB$DATABASE) ORDER BY 1";
  Recordset todas;
  todas.abre(sql, conexao_);
  ASSERT_EQ(todas.RecordCount(), 3);
  Recordset rs;
  rs.abrePaginado(sql, conexao_, 0);
  LinhasGuardadas primeira, resto;
  EXPECT_EQ(rs.leMais(1, primeira), 1);
  EXPECT_EQ(rs.leMais(-1, resto), 2);
  EXPECT_TRUE(rs.completo());
  ASSERT_EQ(primeira.linhas(), 1);
  ASSERT_EQ(resto.linhas(), 2);
  for (int r = 0; r < 3; ++r) {
    const LinhaLida linha = r == 0 ? primeira.linha(0) : resto.linha(r - 1);
    ASSERT_EQ(linha.colunas(), todas.linhas()[r].size());
    for (int c = 0; c < linha.colunas(); ++c) {
      EXPECT_EQ(linha.valor(c), todas.linhas()[r][c]) << "row " << r << ", column " << c;
      TextoLido texto;
      if (linha.texto(c, texto) && !todas.linhas()[r][c].isNull()) {
        EXPECT_EQ(QString::fromUtf8(texto.bytes.data(), texto.bytes.size()).left(todas.linhas()[r][c].toString().size()),
                  todas.linhas()[r][c].toString());
      }
    }
  }
  rs.abrePaginado("SELECT CAST('x' AS BLOB SUB_TYPE TEXT) FROM RDB$DATABASE", conexao_, 0);
  LinhasGuardadas comBlob;
  EXPECT_THROW(rs.leMais(1, comBlob), std::logic_error);
}

TEST_F(BancoReal, ARunningQueryCanBeCancelled) {
  std::thread cancela([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    conexao_.cancelaOperacao();
  });
  QElapsedTimer relogio;
  relogio.start();
  Recordset rs;
  try {
    rs.abre("SELECT COUNT(*) FROM RDB$FIELDS a, RDB$FIELDS b, RDB$FIELDS c, RDB$FIELDS d", conexao_);
    ADD_FAILURE() << "the query ran to its end";
  } catch (const ErroBanco &e) {
    EXPECT_TRUE(e.cancelado()) << e.descricao().toStdString();
    EXPECT_FALSE(e.conexaoPerdida());
  }
  cancela.join();
  EXPECT_LT(relogio.elapsed(), 5000);
  EXPECT_EQ(rs.State(), 0);
  EXPECT_EQ(um("SELECT 1 FROM RDB$DATABASE").toInt(), 1);
}

TEST_F(BancoReal, AConnectionKilledOnTheServerIsReopenedByTheNextStatement) {
  ConexaoBanco admin;
  admin.abre(stringConexao());
  const auto derruba = [&] {
    const int id = um("SELECT CURRENT_CONNECTION FROM RDB$DATABASE").toInt();
    admin.executa(QString("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = %1").arg(id));
  };
  derruba();
  EXPECT_EQ(um("SELECT COUNT(*) FROM RDB$DATABASE").toInt(), 1);  // a read
  derruba();
  EXPECT_EQ(conexao_.executa("UPDATE TB_VDA_CADEPN SET NitEpn = 1 WHERE CodEpn = -5"), 0);  // a change
  derruba();
  {
    TransacaoBanco t(conexao_);  // a transaction begun after the loss
    empenho(990);
    t.confirma();
  }
  EXPECT_EQ(um("SELECT COUNT(*) FROM TB_VDA_CADEPN WHERE CodEpn = 990").toInt(), 1);
  // Lost inside a transaction: an error that says so, and nothing stored.
  try {
    TransacaoBanco t(conexao_);
    empenho(991);
    derruba();
    empenho(992);
    t.confirma();
    ADD_FAILURE() << "the transaction went on";
  } catch (const ErroBanco &e) {
    EXPECT_TRUE(e.conexaoPerdida()) << e.descricao().toStdString();
  }
  EXPECT_EQ(um("SELECT COUNT(*) FROM TB_VDA_CADEPN WHERE CodEpn IN (991, 992)").toInt(), 0);
}

TEST_F(BancoReal, ErrorsOfTheServerAndFailedConnectionsSayWhy) {
  EXPECT_THROW(conexao_.executa("INSERT INTO TABELA_QUE_NAO_EXISTE VALUES (1)"), ErroBanco);
  Recordset rs;
  EXPECT_THROW(rs.abre("SELECT NADA FROM TB_VDA_CADEPN", conexao_), ErroBanco);
  EXPECT_EQ(rs.State(), 0);
  ConexaoBanco c;
  EXPECT_THROW(c.executa("SELECT 1 FROM RDB$DATABASE"), ErroBanco);
  const QString caminho = banco_->pasta.path() + "/nao-existe.fdb";
  try {
    c.abre("Data Source=" + caminho + ";User=SYSDBA;Password=masterkey");
    ADD_FAILURE();
  } catch (const ErroBanco &e) {
    EXPECT_TRUE(e.descricao().contains(caminho)) << e.descricao().toStdString();
    EXPECT_TRUE(e.temCodigo(isc_io_error)) << e.descricao().toStdString();
    EXPECT_EQ(c.ultimoErro(), e.descricao());
  }
  EXPECT_FALSE(c.aberta());
  try {
    c.abre("Data Source=127.0.0.1/1:" + caminho);  // no server on port 1
    ADD_FAILURE();
  } catch (const ErroBanco &e) {
    EXPECT_TRUE(e.descricao().contains("127.0.0.1")) << e.descricao().toStdString();
    EXPECT_TRUE(e.conexaoPerdida() || e.temCodigo(isc_net_connect_err)) << e.descricao().toStdString();
  }
}

#if defined(__x86_64__)
// The processor's record of which register states are in use (XGETBV with
// ECX=1), where it has AVX and reports it.
std::optional<uint64_t> estadosEmUso() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__builtin_cpu_supports("avx") || !__get_cpuid_count(0xD, 1, &a, &b, &c, &d) || !(a & (1u << 2)))
    return std::nullopt;
  uint32_t baixo = 0, alto = 0;
  asm volatile("xgetbv" : "=a"(baixo), "=d"(alto) : "c"(1));
  return (uint64_t{alto} << 32) | baixo;
}

// A thread started while the wide registers' upper halves are marked in use
// inherits the mark; every call into the client library on it starts with
// them clear (the engine's own code pays for every instruction otherwise).
TEST(RegistrosVetoriais, AReadingThreadCallsTheClientLibraryWithTheUpperHalvesClear) {
  constexpr uint64_t kMetadesSuperiores = 1u << 2;
  if (!estadosEmUso()) GTEST_SKIP() << "this processor does not report its registers' state";
  uint64_t herdados = 0, numaChamada = ~uint64_t{0};
  asm volatile("vpcmpeqd %%ymm0, %%ymm0, %%ymm0" ::: "xmm0");  // marks them in use
  std::thread([&] {
    herdados = estadosEmUso().value_or(0);
    const fb::Status status;
    numaChamada = estadosEmUso().value_or(~uint64_t{0});
  }).join();
  if ((herdados & kMetadesSuperiores) == 0) GTEST_SKIP() << "the new thread did not inherit the mark here";
  EXPECT_EQ(numaChamada & kMetadesSuperiores, 0u);
}
#endif

}  // namespace
