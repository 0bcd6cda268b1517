// The fiscal day at start-up and from the printer menu, over several runs of
// the program on one printer: the opening, the Z reduction of an earlier day,
// a coupon left open, and the day closed by today's reduction.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "replay/Roteiro.h"
#include "support/TestSupport.h"

namespace {

// Runs a script at a moment of the printer's and the system's clock.
QString corre(const QString &momento, const QString &linhas, Impressora impressora = Impressora::ComoEstava,
              int saida = 0) {
  QTemporaryDir dir;
  QString t;
  EXPECT_EQ(replay(scriptFile(dir, "clock " + momento + "\n" + linhas), t, impressora), saida) << t.toStdString();
  return t;
}

const QString Entra = "type 1\nkey Enter\ntype 1234\nkey Enter\n";

}  // namespace

TEST(DiaFiscal, AnEarlierDaysMovementOffersItsReductionAndACouponLeftOpenIsCancelled) {
  // Yesterday: the day opened at login, a coupon with one item left open
  // when the run ended.
  QString t = corre("2026-12-06T18:00:00", Login + "key F2\ntype 1.\nkey Enter\n", Impressora::Nova);
  ASSERT_GE(linhaCom(t, "ecf EcfAberturaDoDia(\"0,00\", \"Dinheiro\") = 1"), 0) << t.toStdString();
  ASSERT_GE(linhaCom(t, "ecf EcfVendeItem(\"1\""), 0) << t.toStdString();

  // Today: the reduction is offered with the printer's date and time, No by
  // default: nothing is sent; the coupon left open is cancelled.
  t = corre("2026-12-07T09:00:00", Entra);
  EXPECT_GE(linhaCom(t, "ecf EcfDataMovimento() = 1 -> \"061226\""), 0) << t.toStdString();
  EXPECT_GE(linhaCom(t, "message [critical] \"PDV-VELT\" \"07/12/26 09:00:00\\nTem certeza ? \" -> No (default)"), 0)
      << t.toStdString();
  EXPECT_LT(linhaCom(t, "EcfReducaoZ"), 0);
  const int cancelou = linhaCom(t, "ecf EcfCancelaCupom() = 1");
  EXPECT_GT(cancelou, linhaCom(t, "close Reducao_Z"));
  EXPECT_LT(cancelou, linhaCom(t, "open PForm"));

  // Answered Yes the printer reduces yesterday with its own clock; today's
  // first coupon then opens a new movement.
  t = corre("2026-12-07T09:05:00", "type 1\nkey Enter\nanswer Yes\ntype 1234\nkey Enter\nkey F2\n");
  const int reducao = linhaCom(t, "ecf EcfReducaoZ(\"\", \"\") = 1");
  EXPECT_GE(reducao, 0) << t.toStdString();
  EXPECT_GT(linhaCom(t, "ecf EcfAbreCupom(\"\") = 1"), reducao) << t.toStdString();
  EXPECT_LT(linhaCom(t, "message [exclamation]"), 0) << t.toStdString();
}

TEST(DiaFiscal, TodaysReductionFromTheMenuBlocksThePrinterUntilTomorrow) {
  // The menu's reduction asked and declined: nothing is sent, no message.
  QString t = corre("2026-12-07T19:00:00", Login + "answer No\nclick P0103\n", Impressora::Nova);
  EXPECT_GE(linhaCom(t, "open Reducao_Z"), 0) << t.toStdString();
  EXPECT_LT(linhaCom(t, "EcfReducaoZ"), 0) << t.toStdString();
  EXPECT_LT(linhaCom(t, "message [exclamation]"), 0) << t.toStdString();
  // Accepted: the day is reduced and the sale window stays usable.
  t = corre("2026-12-07T19:10:00", Entra + "answer Yes\nclick P0103\ndump\nkey F2\n");
  EXPECT_GE(linhaCom(t, "ecf EcfReducaoZ(\"\", \"\") = 1"), 0) << t.toStdString();
  // The message line says the day is closed.
  EXPECT_GE(linhaCom(t, QStringLiteral("  TxtMens \"Redução Z feita: dia fiscal encerrado, vendas só amanhã.\"")), 0)
      << t.toStdString();
  EXPECT_GE(linhaCom(t, QStringLiteral("\"REDUÇÃO Z JÁ FOI EXECUTADA !\"")), 0) << t.toStdString();
  // The next start the same day ends at the printer check.
  t = corre("2026-12-07T19:20:00", Entra);
  // ... and says what to do.
  EXPECT_GE(linhaCom(t, QStringLiteral("message [exclamation] \"PDV-VELT\" \"Impressora está BLOQUEADA !\\n\\nA "
                                       "redução Z de hoje já foi feita: as vendas voltam amanhã")),
            0)
      << t.toStdString();
  EXPECT_GE(linhaCom(t, "end: program ended (impressora bloqueada)"), 0) << t.toStdString();
  EXPECT_LT(linhaCom(t, "open PForm"), 0);
  EXPECT_LT(linhaCom(t, "open AbreDia"), 0);
  // Tomorrow the day opens again.
  t = corre("2026-12-08T08:00:00", Login);
  EXPECT_GE(linhaCom(t, "ecf EcfAberturaDoDia(\"0,00\", \"Dinheiro\") = 1"), 0) << t.toStdString();
}

TEST(DiaFiscal, TheOpeningLeftWithEscEndsTheRunAndARefusedOneIsToldAndAskedAgain) {
  // Esc: nothing reaches the printer and the run ends instead of asking forever.
  QString t = corre("2026-12-07T08:00:00", "type 1\nkey Enter\nanswer No\ntype 1234\nkey Enter\nkey Esc\n",
                    Impressora::Nova);
  EXPECT_LT(linhaCom(t, "EcfAberturaDoDia"), 0) << t.toStdString();
  // The cashier is warned before the program ends.
  const int aviso = linhaCom(t, QStringLiteral("\"Sem a abertura do dia não há vendas: o programa será encerrado.\""));
  EXPECT_GE(aviso, 0) << t.toStdString();
  EXPECT_GT(linhaCom(t, QStringLiteral("end: program ended (abertura do dia não feita)")), aviso) << t.toStdString();
  // A printer that refuses the opening: the cashier reads why and is asked again.
  qputenv("PDV_ECF_SIM_FALHAS", "retorno AberturaDoDia -2");
  t = corre("2026-12-07T08:05:00",
            "type 1\nkey Enter\nanswer No\ntype 1234\nkey Enter\nkey Enter\nanswer OK\nanswer No\nkey Enter\n"
            "key Enter\nkey Enter\n");
  qunsetenv("PDV_ECF_SIM_FALHAS");
  const int recusada = linhaCom(t, "ecf EcfAberturaDoDia(\"0,00\", \"Dinheiro\") = -2");
  ASSERT_GE(recusada, 0) << t.toStdString();
  EXPECT_GT(linhaCom(t, QStringLiteral("\"Erro de comunicação: -2\"")), recusada) << t.toStdString();
  const int segunda = linhaCom(t, "ecf EcfAberturaDoDia(\"0,00\", \"Dinheiro\") = 1");
  EXPECT_GT(segunda, recusada) << t.toStdString();
  EXPECT_GT(linhaCom(t, "open PForm"), segunda);
}

TEST(DiaFiscal, PaymentFormsAreProgrammedOnceCutToFifteenCharacters) {
  testsupport::executaNoDemo("INSERT INTO TB_VDA_FORMPGT (CodFpg, NomFpg) VALUES (90, 'Vale Presente Natal')");
  testsupport::executaNoDemo("INSERT INTO TB_VDA_FORMPGT (CodFpg, NomFpg) VALUES (91, 'DINHEIRO')");
  const QString programa = "type 1\nkey Enter\nanswer Yes\ntype 1234\nkey Enter\ndump\nkey Enter\nkey Esc\n";
  QString t = corre("2026-12-07T08:00:00", programa, Impressora::Nova, 0);
  EXPECT_GE(linhaCom(t, "ecf EcfProgramaFormaPagamentoMFD(\"Vale Presente N\", \"0\") = 1"), 0) << t.toStdString();
  // The printer's "Dinheiro" stands for "DINHEIRO": names compare in upper case.
  EXPECT_GE(linhaCom(t, QStringLiteral("\"Vale Presente N PROGRAMADA !\", \"DINHEIRO JÀ EXISTE !\"")), 0)
      << t.toStdString();
  // The next time every form is already there.
  t = corre("2026-12-07T08:10:00", programa);
  EXPECT_LT(linhaCom(t, "EcfProgramaFormaPagamentoMFD"), 0) << t.toStdString();
  EXPECT_GE(linhaCom(t, QStringLiteral("\"Vale Presente N JÀ EXISTE !\"")), 0) << t.toStdString();
  testsupport::executaNoDemo("DELETE FROM TB_VDA_FORMPGT WHERE CodFpg IN (90, 91)");
}
