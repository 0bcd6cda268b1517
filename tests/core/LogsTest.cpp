// The error and operation logs, written into a real embedded database.
#include <gtest/gtest.h>

#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/Logs.h"
#include "core/Operator.h"
#include "core/TerminalState.h"
#include "platform/Host.h"
#include "support/TestSupport.h"

namespace {

using testsupport::OperadorGravador;

class TelaFalsa : public TelaRegistrada {
 public:
  QString nomeTela() const override { return "PForm"; }
  QString legendaTela() const override { return legenda; }
  QString legenda = "PDV-VELT.EXE";
};

class Logs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { banco_ = std::make_unique<testsupport::BancoCriado>("logs.fdb"); }
  static void TearDownTestSuite() { banco_.reset(); }
  void SetUp() override {
    ASSERT_EQ(banco_->codigo, 0) << banco_->saida.toStdString();
    estado_.conexao().abre(banco_->stringConexao());
    estado_.usaOperador(operador_);
    estado_.usaRelogio(relogio_);
    estado_.NomeMaquina = "CAIXA-01";
    estado_.CodUsuario = 7;
  }

  // The newest error row.
  Recordset ultimoErro() {
    Recordset rs;
    rs.abre("SELECT FIRST 1 * FROM TB_GER_ERRVELT ORDER BY SEQUENCIA DESC", estado_.conexao());
    return rs;
  }

  TerminalState estado_;
  OperadorGravador operador_;
  platform::FakeClock relogio_{QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5))};
  static inline std::unique_ptr<testsupport::BancoCriado> banco_;
};

// The helpers record what the statement that failed on the connection was.
TEST_F(Logs, ErrorRowHoldsCleanedAndCutTexts) {
  const QString falhou = "Select * From X Where A='1' And B=\"2\" " + QString(300, 'z');
  EXPECT_THROW(Recordset().abre(falhou, estado_.conexao()), ErroBanco);
  ErroCapturado erro;
  erro.numero = 3021;
  erro.descricao = "linha 1 com 'aspas'\r\nlinha 2";
  erro.erroDll = 5;
  erro.passo = 12;
  GravaErro(estado_, "Produto_KeyDown", erro);

  Recordset rs = ultimoErro();
  ASSERT_FALSE(rs.EOF_());
  EXPECT_EQ(rs["DESCRICAO_DO_ERRO"].toString(), QString::fromUtf8("3021-linha 1 com ´aspas´.,linha 2"));
  const QString sql = rs["CODIGO_SQL"].toString();
  EXPECT_EQ(sql.size(), 250);
  EXPECT_TRUE(sql.startsWith(QString::fromUtf8("Select * From X Where A=´1´ And B=`2` zz")));
  EXPECT_EQ(rs["CODIGO_ROTINA"].toString(), "Modulo");
  EXPECT_EQ(rs["NOME_ROTINA"].toString(), "Modulo");
  EXPECT_EQ(rs["PROCEDIMENTO"].toString(), "Produto_KeyDown");
  EXPECT_EQ(rs["NUMERO_DA_LINHA"].toInt(), 12);
  EXPECT_EQ(rs["CODIGO_DO_USUARIO"].toInt(), 7);
  EXPECT_EQ(rs["SISTEMA"].toString(), "PDV");
  EXPECT_EQ(rs["NOME_DA_MAQUINA"].toString(), "CAIXA-01");
  EXPECT_EQ(rs["REFERENCIA_DLL"].toString(), "5");
  EXPECT_EQ(rs["DATA_HORA"].toDateTime(), relogio_.now());

  ASSERT_EQ(operador_.mensagens.size(), 1);
  EXPECT_EQ(operador_.mensagens[0].texto, MensagemErroSistema);
  EXPECT_EQ(operador_.mensagens[0].icone, Icone::Exclamacao);
}

TEST_F(Logs, TextTheDatabaseCannotStoreStillLeavesOneRowPerError) {
  // Emoji, CJK, NUL and a lone surrogate, in the statement and in the
  // provider's text: each error is logged, what cannot be stored as "?".
  const QList<QString> estranhos = {QString::fromUtf8("\xF0\x9F\x98\x80"), QString::fromUtf8("\xE4\xB8\xAD\xE6\x96\x87"),
                                    QString(QChar(0)) + "x", QString(QChar(0xD800)) + "y"};
  Recordset antes;
  antes.abre("SELECT COUNT(*) AS N FROM TB_GER_ERRVELT", estado_.conexao());
  const int inicio = antes["N"].toInt();
  int n = 0;
  for (const QString &t : estranhos)
    for (int onde = 0; onde < 3; ++onde) {
      const QString falhou = onde == 1 ? QString("Select 1") : "Select * From T Where N='" + t + "'";
      EXPECT_THROW(estado_.conexao().executa(falhou), ErroBanco);
      ErroCapturado erro;
      erro.numero = 100 + n++;
      erro.descricao = onde == 0 ? QString("falhou") : "falhou com " + t;
      GravaErro(estado_, onde == 2 ? "Rotina" + t : QString("Rotina"), erro);
    }
  Recordset depois;
  depois.abre("SELECT COUNT(*) AS N FROM TB_GER_ERRVELT", estado_.conexao());
  EXPECT_EQ(depois["N"].toInt() - inicio, 12);
  const Recordset rs = ultimoErro();
  EXPECT_EQ(rs["PROCEDIMENTO"].toString(), "Rotina?y");
  EXPECT_EQ(rs["DESCRICAO_DO_ERRO"].toString(), "111-falhou com ?y");
}

TEST_F(Logs, ErrorRowNamesTheCurrentScreenCutsLongNamesAndTakesTheNextSequence) {
  ErroCapturado erro;
  erro.descricao = "x";
  GravaErro(estado_, "Grava", erro);
  const int anterior = ultimoErro()["SEQUENCIA"].toInt();
  TelaFalsa tela;
  tela.legenda = QString(60, 'L');
  estado_.FormAtual = &tela;
  GravaErro(estado_, QString(40, 'r'), erro);
  Recordset rs = ultimoErro();
  EXPECT_EQ(rs["SEQUENCIA"].toInt(), anterior + 1);
  EXPECT_EQ(rs["CODIGO_ROTINA"].toString(), "PForm");
  EXPECT_EQ(rs["NOME_ROTINA"].toString(), QString(50, 'L'));
  EXPECT_EQ(rs["PROCEDIMENTO"].toString(), QString(30, 'r'));
}

TEST_F(Logs, WithoutADatabaseTheErrorPropagatesAndNothingIsShown) {
  estado_.conexao().fecha();
  ErroCapturado erro;
  erro.descricao = "x";
  EXPECT_THROW(GravaErro(estado_, "Grava", erro), ErroBanco);
  EXPECT_TRUE(operador_.mensagens.isEmpty());
}

TEST_F(Logs, OperationRowIsWrittenWithTheClockAndACutHostName) {
  estado_.NomeMaquina = "MAQUINA-COM-NOME-MUITO-COMPRIDO";
  GravaLog(estado_, 7, "PDV", "Imprime", "Cupom : 000123");
  Recordset rs;
  rs.abre("SELECT FIRST 1 * FROM TB_GER_LOGSYS ORDER BY SeqLog DESC", estado_.conexao());
  ASSERT_FALSE(rs.EOF_());
  EXPECT_EQ(rs["UsuLog"].toInt(), 7);
  EXPECT_EQ(rs["SisLog"].toString(), "PDV");
  EXPECT_EQ(rs["OpeLog"].toString(), "Imprime");
  EXPECT_EQ(rs["TabLog"].toString(), "Cupom : 000123");
  EXPECT_EQ(rs["DatLog"].toDateTime(), relogio_.now());
  EXPECT_EQ(rs["MaqLog"].toString(), "MAQUINA-COM-NOME-MUI");
}

}  // namespace

TEST(ExecutaComTratamento, AnErrorIsShownEvenWhenTheLogCannotBeWritten) {
  TerminalState estado;  // no connection: the log itself fails
  OperadorGravador operador;
  estado.usaOperador(operador);
  bool depois = false;
  ExecutaComTratamento(estado, "Grade_KeyDown", [&] {
    throw std::runtime_error("falhou no meio");
    depois = true;
  });
  EXPECT_FALSE(depois);
  ASSERT_EQ(operador.mensagens.size(), 1);
  EXPECT_TRUE(operador.mensagens[0].texto.startsWith(MensagemErroSistema));
  EXPECT_TRUE(operador.mensagens[0].texto.contains("falhou no meio"));
  EXPECT_THROW(ExecutaComTratamento(estado, "x", [] { throw ProgramaEncerrado("fim"); }), ProgramaEncerrado);
}
