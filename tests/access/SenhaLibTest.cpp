#include <gtest/gtest.h>

#include "access/SenhaLib.h"
#include "core/OperadorRoteiro.h"
#include "core/Teclas.h"
#include "platform/Host.h"
#include "support/TestSupport.h"

namespace {

struct Liberacao : ::testing::Test {
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  platform::FakeClock relogio{QDateTime(QDate(2026, 3, 9), QTime(10, 59, 30))};
  SenhaLib tela{app};
  std::function<void(Tela &)> roteiro;

  void SetUp() override {
    estado.usaRelogio(relogio);
    app.executaModal = [this](Tela &t) { roteiro(t); };
  }
};

}  // namespace

TEST_F(Liberacao, PasswordIsMonthHourDayAndReleasesTheValue) {
  EXPECT_EQ(tela.senhaEsperada(), "031009");
  roteiro = [this](Tela &t) {
    EXPECT_EQ(t.focado()->nome(), "Valor");
    t.digita("12,5");
    t.teclaBaixo(tecla::Enter);
    t.digita("031009");
    t.teclaBaixo(tecla::Enter);  // on to the OK button
    t.teclaBaixo(tecla::Enter);  // OK
  };
  app.mostra(tela, true);
  EXPECT_FALSE(tela.visivel());
  EXPECT_EQ(tela.valor(), "12,50");
  EXPECT_TRUE(operador.mensagens().isEmpty());
}

TEST_F(Liberacao, PasswordTypedBeforeTheHourTurnsIsRefusedAfterIt) {
  roteiro = [this](Tela &t) {
    t.digita("5");
    t.teclaBaixo(tecla::Enter);
    t.digita("031009");
    t.teclaBaixo(tecla::Enter);  // accepted at 10:59
    relogio.advanceSecs(60);     // 11:00
    t.clica("cmdOK");
    EXPECT_TRUE(t.visivel());
    EXPECT_TRUE(tela.SenhaErrada);
    t.teclaBaixo(tecla::Esc);
  };
  app.mostra(tela, true);
  EXPECT_EQ(operador.mensagens(), QStringList({"Senha Invalida !"}));
  EXPECT_EQ(tela.valor(), "0,00");
}

// Esc returns zero without a message, whatever was typed; OK with an empty
// password does nothing.
TEST_F(Liberacao, EscAlwaysReturnsZeroAndOkWithAnEmptyPasswordDoesNothing) {
  roteiro = [this](Tela &t) {
    t.focaCampo("cmdOK", false);
    t.clica("cmdOK");
    EXPECT_TRUE(t.visivel());
    t.focaCampo("Valor");
    t.digita("999,99");
    t.teclaBaixo(tecla::Enter);
    t.digita("errada");
    t.teclaBaixo(tecla::Esc);
  };
  app.mostra(tela, true);
  EXPECT_EQ(tela.valor(), "0,00");
  EXPECT_TRUE(operador.mensagens().isEmpty());
}
