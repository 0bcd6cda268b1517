#include <gtest/gtest.h>

#include "core/Cp1252.h"

#include "access/Execucao.h"
#include "access/SenhaPDV.h"
#include "core/ConfigTerminal.h"
#include "core/Teclas.h"
#include "fiscal/Ecf.h"
#include "sale/PForm.h"

namespace {

bool telaVendaAberta(Execucao &x) {
  return x.programa->telaVenda() && x.programa->telaVenda()->visivel();
}

}  // namespace

TEST(Login, DemoOperatorLogsInAndTheSaleScreenCompletesTheState) {
  Execucao x;
  ASSERT_TRUE(x.inicia()) << x.fim.toStdString();
  EXPECT_EQ(x.frente().nomeTela(), "SenhaPDV");
  EXPECT_FALSE(x.estado.NomeEmpresa.isEmpty());
  const int acessos = testsupport::consultaNoDemo("SELECT COUNT(*) FROM TB_GER_ACESSOS").toInt();
  ASSERT_TRUE(x.entra("1", "1234")) << x.fim.toStdString();
  ASSERT_TRUE(telaVendaAberta(x)) << x.operador.mensagens().join(" / ").toStdString();
  EXPECT_EQ(x.frente().nomeTela(), "PForm");
  EXPECT_FALSE(x.programa->login().carregada());  // unloaded once the sale screen is active
  EXPECT_EQ(x.estado.CodUsuario, 1);
  EXPECT_EQ(x.estado.SenhaUsuario, "1234");
  EXPECT_EQ(x.estado.DataSistema.year(), x.estado.AnoExercicio);
  PForm &venda = *x.programa->telaVenda();
  EXPECT_EQ(venda.campo("Caixa").texto(), x.estado.NumCaixa);
  EXPECT_TRUE(venda.campo("StBar2").texto().startsWith("User.: "));
  EXPECT_TRUE(venda.campo("Versao").texto().startsWith(QStringLiteral("Versão: ")));
  EXPECT_EQ(testsupport::consultaNoDemo("SELECT COUNT(*) FROM TB_GER_ACESSOS").toInt(), acessos + 1);
  EXPECT_TRUE(x.operador.mensagens().isEmpty());
}

TEST(Login, FourFailuresThenSuccessLogsIn) {
  Execucao x;
  ASSERT_TRUE(x.inicia());
  ASSERT_TRUE(x.preenche("77"));  // unknown operator
  ASSERT_TRUE(x.preenche("3"));   // no cash-desk right
  ASSERT_TRUE(x.entra("1", "errada"));
  ASSERT_TRUE(x.entra("1", "4321"));
  EXPECT_EQ(x.operador.mensagens(),
            QStringList({QStringLiteral("Usuário Invalido !!"), QStringLiteral("Sem Acesso ao TERMINAL DE CAIXA !!"),
                         QStringLiteral("Senha Incorreta !!"), QStringLiteral("Senha Incorreta !!")}));
  EXPECT_EQ(x.frente().focado()->nome(), "Xcodigo");
  ASSERT_TRUE(x.entra("1", "1234"));
  EXPECT_TRUE(telaVendaAberta(x));
}

TEST(Login, TextTheDatabaseCannotHoldIsRefusedWithItsReason) {
  Execucao x;
  ASSERT_TRUE(x.inicia());
  ASSERT_TRUE(x.preenche(QString::fromUtf8("1\xF0\x9F\x98\x80")));
  ASSERT_TRUE(x.entra("1", QString::fromUtf8("12\xE4\xB8\xAD")));
  EXPECT_EQ(x.operador.mensagens(), QStringList(2, cp1252::MensagemNaoArmazenavel));
  EXPECT_FALSE(x.operador.mensagens().join('|').contains("Erro de Sistema"));
  // The password field is emptied and keeps the focus for the right one.
  EXPECT_EQ(x.frente().focado()->nome(), "Xsenha");
  ASSERT_TRUE(x.preenche("1234"));
  EXPECT_TRUE(telaVendaAberta(x));
}

TEST(Login, FiveFailuresOfAnyKindEndTheProgram) {
  Execucao x;
  ASSERT_TRUE(x.inicia());
  ASSERT_TRUE(x.preenche("abc"));  // not a number: looked up as 0
  ASSERT_TRUE(x.preenche("3"));
  ASSERT_TRUE(x.entra("1", "x"));
  ASSERT_TRUE(x.entra("2", "x"));
  EXPECT_FALSE(x.entra("1", "y"));
  EXPECT_EQ(x.fim, "cinco tentativas de acesso");
  EXPECT_EQ(x.chamadasEcf.last(), "EcfFechaPortaSerial");  // ended through FinalizaPdv
  EXPECT_EQ(x.operador.mensagens().size(), 5);
  EXPECT_FALSE(telaVendaAberta(x));
}

// Operator 4 holds the desk right under its own code; operator 5 has an
// empty password, which only an empty stored one takes.
TEST(Login, RightHeldUnderTheOperatorsOwnCodeAndAnEmptyPasswordPass) {
  for (const auto &[codigo, senha] : {std::pair{"4", "4444"}, std::pair{"5", ""}}) {
    Execucao x;
    ASSERT_TRUE(x.inicia());
    if (QString(senha).isEmpty()) {
      ASSERT_TRUE(x.entra("1", ""));
      EXPECT_EQ(x.operador.mensagens(), QStringList({QStringLiteral("Senha Incorreta !!")}));
    }
    ASSERT_TRUE(x.entra(codigo, senha));
    EXPECT_TRUE(telaVendaAberta(x)) << x.operador.mensagens().join(" / ").toStdString();
  }
}

TEST(Login, EscInThePasswordClearsBothFieldsAndEscInTheCodeEnds) {
  Execucao x;
  ASSERT_TRUE(x.inicia());
  ASSERT_TRUE(x.preenche("1"));
  Tela &login = x.frente();
  login.digita("12");
  ASSERT_TRUE(x.passo([&] { login.teclaBaixo(tecla::Esc); }));
  EXPECT_EQ(login.focado()->nome(), "Xcodigo");
  EXPECT_TRUE(login.campo("Xcodigo").texto().isEmpty());
  EXPECT_TRUE(login.campo("Xsenha").texto().isEmpty());
  EXPECT_TRUE(x.operador.mensagens().isEmpty());  // no password check on the way back
  EXPECT_FALSE(x.passo([&] { login.teclaBaixo(tecla::Esc); }));
  EXPECT_FALSE(x.fim.isEmpty());
  EXPECT_FALSE(x.chamadasEcf.contains("EcfFechaPortaSerial"));  // Esc leaves without the port
  EcfFechaPortaSerial(x.estado);
}
