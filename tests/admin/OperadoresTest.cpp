// Operators and the password column, on a real embedded database.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "admin/BancoAdmin.h"
#include "admin/Operadores.h"
#include "core/Database.h"
#include "core/Senhap.h"

namespace {

class BancoOperadores : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pasta_ = new QTemporaryDir;
    PedidoBanco pedido;
    pedido.alvo.banco = pasta_->path() + "/op.fdb";
    erroCriacao_ = new QString;
    MontaBanco(pedido, [](const QString &) {}, erroCriacao_);
    conexao_ = new ConexaoBanco;
    if (erroCriacao_->isEmpty()) conexao_->abre(StringConexaoDe(pedido.alvo));
  }
  static void TearDownTestSuite() {
    delete conexao_;
    delete pasta_;
    delete erroCriacao_;
  }
  void SetUp() override { ASSERT_TRUE(erroCriacao_->isEmpty()) << erroCriacao_->toStdString(); }

  static ConexaoBanco &conexao() { return *conexao_; }
  static bool temDireito(int codigo) {
    Recordset rs;
    rs.abre(MontaSql("Select * From Tb_Ger_RotUsu Where SisRot='VDA' and UserRot=? And (CdgRot=? or Cdgrot=?) ",
                     {codigo, "R0407", QString::number(codigo)}),
            conexao());
    return !rs.EOF_();
  }
  static QString nome(int codigo) {
    Recordset rs;
    rs.abre(MontaSql("Select NomUsu From TB_GER_USUARIOS Where CodUsu=?", {codigo}), conexao());
    return rs.EOF_() ? QString() : rs.campo("NomUsu").toString();
  }

  static QTemporaryDir *pasta_;
  static QString *erroCriacao_;
  static ConexaoBanco *conexao_;
};
QTemporaryDir *BancoOperadores::pasta_ = nullptr;
QString *BancoOperadores::erroCriacao_ = nullptr;
ConexaoBanco *BancoOperadores::conexao_ = nullptr;

TEST_F(BancoOperadores, PasswordColumnKeepsEvery8BitCode) {
  // All 256 codes, NUL included, in one scrambled-looking value; written with
  // a bound parameter, read back through a result set as the login does.
  QByteArray todos;
  for (int c = 0; c < 256; ++c) todos.append(static_cast<char>(c));
  for (int inicio = 0; inicio < 256; inicio += 32) {
    const QByteArray pedaco = todos.mid(inicio, 32);
    conexao().executaComParametros("UPDATE OR INSERT INTO TB_GER_USUARIOS (CodUsu,NomUsu,SenUsu) "
                                   "VALUES (?,?,?) MATCHING (CodUsu)",
                                   {900, "BYTES", QString::fromLatin1(pedaco)});
    Recordset rs;
    rs.abre("Select SenUsu From TB_GER_USUARIOS Where CodUsu=900", conexao());
    EXPECT_EQ(rs.campo("SenUsu").toString().toLatin1(), pedaco) << "codes from " << inicio;
  }
}

TEST_F(BancoOperadores, NewOperatorIsStoredScrambledWithTheDeskRight) {
  QString erro;
  ASSERT_TRUE(GravaOperador(conexao(), {10, QString::fromUtf8("JOSÉ DA CONCEIÇÃO"), QString("s3nh@"), true}, &erro))
      << erro.toStdString();
  EXPECT_EQ(SenhaDoOperador(conexao(), 10), QString("s3nh@"));
  EXPECT_EQ(nome(10), QString::fromUtf8("JOSÉ DA CONCEIÇÃO"));
  EXPECT_TRUE(temDireito(10));
  Recordset rs;
  rs.abre("Select SenUsu From TB_GER_USUARIOS Where CodUsu=10", conexao());
  EXPECT_EQ(rs.campo("SenUsu").toString().toLatin1(), SenhapInversaTexto("s3nh@"));
}

TEST_F(BancoOperadores, ChangingOneFieldKeepsTheOthersAndTheRightCanBeTaken) {
  QString erro;
  ASSERT_TRUE(GravaOperador(conexao(), {11, QString("CAIXA ONZE"), QString("1111"), true}, &erro));
  ASSERT_TRUE(GravaOperador(conexao(), {11, std::nullopt, QString("nova"), true}, &erro));
  EXPECT_EQ(nome(11), "CAIXA ONZE");
  EXPECT_EQ(SenhaDoOperador(conexao(), 11), QString("nova"));
  ASSERT_TRUE(GravaOperador(conexao(), {11, QString("CAIXA 11"), std::nullopt, false}, &erro));
  EXPECT_EQ(nome(11), "CAIXA 11");
  EXPECT_EQ(SenhaDoOperador(conexao(), 11), QString("nova"));
  EXPECT_FALSE(temDireito(11));
  // Giving it twice leaves one row.
  ASSERT_TRUE(GravaOperador(conexao(), {11, std::nullopt, std::nullopt, true}, &erro));
  ASSERT_TRUE(GravaOperador(conexao(), {11, std::nullopt, std::nullopt, true}, &erro));
  Recordset rs;
  rs.abre("Select COUNT(*) AS N From Tb_Ger_RotUsu Where UserRot=11", conexao());
  EXPECT_EQ(rs.campo("N").toInt(), 1);
}

TEST_F(BancoOperadores, EmptyPasswordAndQuotesInTheName) {
  QString erro;
  ASSERT_TRUE(GravaOperador(conexao(), {12, QString("D'ÁVILA"), QString(""), true}, &erro));
  EXPECT_EQ(SenhaDoOperador(conexao(), 12), QString(""));
  EXPECT_EQ(nome(12), QString::fromUtf8("D'ÁVILA"));
  EXPECT_EQ(SenhaDoOperador(conexao(), 4321), std::nullopt);
}

TEST_F(BancoOperadores, BadInputIsRefusedWithoutWriting) {
  QString erro;
  EXPECT_FALSE(GravaOperador(conexao(), {13, std::nullopt, QString("x"), true}, &erro));
  EXPECT_FALSE(erro.isEmpty());
  EXPECT_FALSE(GravaOperador(conexao(), {13, QString("SEM SENHA"), std::nullopt, true}, &erro));
  EXPECT_FALSE(GravaOperador(conexao(), {13, QString("LONGA"), QString(33, 'x'), true}, &erro));
  EXPECT_FALSE(GravaOperador(conexao(), {40000, QString("X"), QString("x"), true}, &erro));
  EXPECT_EQ(nome(13), "");
  EXPECT_FALSE(temDireito(13));
}

}  // namespace
