// The printer menu on the sale window: off while a coupon is open (also when
// the printer would not cancel it), back once the coupon is gone; by replay on
// the demo drive.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "replay/Roteiro.h"
#include "support/TestSupport.h"

namespace {

const QString Aviso = QStringLiteral("message [exclamation] \"PDV-VELT\" ");

}  // namespace

TEST(MenuFiscal, IsOffWhileACouponIsOpenEvenWhenItsCancellationIsRefused) {
  QTemporaryDir dir;
  QString t;
  qputenv("PDV_ECF_SIM_FALHAS", "retorno CancelaCupom -2");
  const int rc = replay(scriptFile(dir, "clock 2026-12-07T10:00:00\n" + Login +
                                            "key F2\n"
                                            "click P010601\n"              // coupon open: nothing
                                            "answer Yes\nkey F8\n"         // refused by the printer
                                            "click P010601\n"              // still open: nothing
                                            "dump\n"
                                            "answer Yes\nkey F8\n"         // cancelled
                                            "click P010601\nkey Esc\n"),  // the menu is back
                       t);
  qunsetenv("PDV_ECF_SIM_FALHAS");
  ASSERT_EQ(rc, 0) << t.toStdString();
  const int recusado = linhaCom(t, "ecf EcfCancelaCupom() = -2");
  ASSERT_GE(recusado, 0) << t.toStdString();
  // The refusal is told once, in the printer's words; the coupon stays open
  // and the window's items, buttons and menus stay as they were.
  const QString erro = Aviso + QStringLiteral("\"Erro de Comunicação: -2\"");
  EXPECT_GT(linhaCom(t, erro, recusado), recusado) << t.toStdString();
  EXPECT_EQ(t.count(erro), 1) << t.toStdString();
  const QString tela = dumps(t, "PForm").value(0).join('\n');
  EXPECT_TRUE(tela.contains("  P01 \"&1 - Impressora Fiscal\" disabled")) << tela.toStdString();
  EXPECT_TRUE(tela.contains("  CmdAbreCP \"[F2] ABRE CUPOM\" disabled")) << tela.toStdString();
  EXPECT_TRUE(tela.contains("  Cancelado \"C A N C E L A D O  !\" hidden")) << tela.toStdString();
  EXPECT_TRUE(tela.contains("  Produto \"\"\n")) << tela.toStdString();
  // Only the last click, after the accepted cancellation, opened the
  // withdrawal.
  const int cancelado = linhaCom(t, "ecf EcfCancelaCupom() = 1", recusado);
  ASSERT_GT(cancelado, recusado) << t.toStdString();
  const int sangria = linhaCom(t, "open SangriaF");
  EXPECT_GT(sangria, cancelado) << t.toStdString();
  EXPECT_EQ(t.count("open SangriaF"), 1) << t.toStdString();
}
