#include <gtest/gtest.h>

#include "core/Database.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QMainWindow>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "access/SenhaPDV.h"
#include "app/Programa.h"
#include "core/Encerramento.h"
#include "fiscal/Ecf.h"
#include "platform/Host.h"
#include "sale/PForm.h"
#include "support/TestSupport.h"
#include "ui/JanelasTelas.h"
#include "ui/QtOperador.h"
#include "ui/TelasQt.h"

namespace {

// Any message box that appears is recorded and closed, so a failing test
// reports it instead of waiting for a click.
QStringList fechaCaixasDeMensagem(QTimer &timer) {
  static QStringList vistas;
  QObject::connect(&timer, &QTimer::timeout, [] {
    for (QWidget *w : QApplication::topLevelWidgets())
      if (auto *caixa = qobject_cast<QMessageBox *>(w); caixa && caixa->isVisible()) {
        vistas << caixa->text();
        caixa->done(QMessageBox::Ok);
      }
  });
  timer.start(20);
  return vistas;
}

}  // namespace

TEST(GuiLogin, KeystrokesOnTheRealWidgetsOpenTheSaleWindow) {
  testsupport::UsaDrive drive(testsupport::demoDrive());
  testsupport::abreDiaNoDemo();
  TerminalState estado;
  platform::FakeClock relogio(QDateTime::currentDateTime());
  estado.usaRelogio(relogio);
  QtOperador operador;
  AreaTransferenciaMemoria area;
  Programa programa(estado, operador, area);
  registraTelasQt();
  JanelasTelas janelas(programa.app());
  operador.janelaAtual = [&] { return janelas.janelaFrente(); };
  QTimer vigia;
  fechaCaixasDeMensagem(vigia);

  programa.inicia();
  QWidget *login = janelas.janela(programa.login());
  ASSERT_NE(login, nullptr);
  ASSERT_TRUE(login->isVisible());
  EXPECT_EQ(login->windowTitle(), "PDV:Senha");
  auto *codigo = login->findChild<QLineEdit *>("Xcodigo");
  auto *senha = login->findChild<QLineEdit *>("Xsenha");
  ASSERT_TRUE(codigo && senha);
  EXPECT_EQ(senha->echoMode(), QLineEdit::Password);

  QTest::keyClicks(codigo, "1");
  EXPECT_EQ(codigo->text(), "1");
  EXPECT_EQ(codigo->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0x80));  // current field
  QTest::keyClick(codigo, Qt::Key_Return);
  EXPECT_EQ(programa.login().focado()->nome(), "Xsenha");
  QTest::keyClicks(senha, "1234");
  QTest::keyClick(senha, Qt::Key_Return);

  ASSERT_NE(programa.telaVenda(), nullptr);
  QWidget *venda = janelas.janela(*programa.telaVenda());
  ASSERT_NE(venda, nullptr);
  EXPECT_TRUE(venda->isVisible());
  EXPECT_EQ(venda->windowTitle(), "PDV-VELT.EXE");
  EXPECT_TRUE(qobject_cast<QMainWindow *>(venda));
  // The access row holds the sale window's handle, not the process id.
  {
    Recordset acesso;
    acesso.abre("SELECT FIRST 1 NUMJAN FROM TB_GER_ACESSOS ORDER BY NUMACESSO DESC", estado.conexao());
    ASSERT_FALSE(acesso.EOF_());
    EXPECT_EQ(acesso["NUMJAN"].toULongLong(), static_cast<qulonglong>(venda->winId()));
    EXPECT_NE(acesso["NUMJAN"].toLongLong(), QCoreApplication::applicationPid());
  }
  // The status bar holds its panels; Alt and the menu's underlined digit
  // open the menu from the keyboard (the screen does not swallow it).
  auto *principal = qobject_cast<QMainWindow *>(venda);
  ASSERT_TRUE(principal);
  EXPECT_EQ(principal->findChild<QLabel *>("StBar2")->parentWidget(), principal->statusBar());
  EXPECT_TRUE(principal->findChild<QLabel *>("StBar2")->text().startsWith("User.: "));
  auto *gerencia = principal->findChild<QMenu *>("P02");
  ASSERT_TRUE(gerencia);
  QApplication::setActiveWindow(venda);
  QTest::keyClick(venda, Qt::Key_2, Qt::AltModifier);
  EXPECT_TRUE(gerencia->isVisible());
  gerencia->close();
  // With a coupon open the close box does nothing and the menus are off.
  QTest::keyClick(venda, Qt::Key_F2);
  ASSERT_TRUE(estado.EcfOcupada);
  EXPECT_FALSE(principal->findChild<QMenu *>("P03")->menuAction()->isEnabled());
  EXPECT_TRUE(principal->findChild<QLineEdit *>("Produto")->isEnabled());
  venda->close();
  EXPECT_TRUE(venda->isVisible());
  programa.telaVenda()->CancelaCupom();
  programa.telaVenda()->LimpaVenda();
  EXPECT_TRUE(principal->findChild<QMenu *>("P03")->menuAction()->isEnabled());
  EcfFechaPortaSerial(estado);
}
