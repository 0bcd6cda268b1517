#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "access/SenhaLib.h"
#include "platform/Host.h"
#include "support/TestSupport.h"
#include "ui/JanelasTelas.h"
#include "ui/QtOperador.h"
#include "ui/TelasQt.h"

TEST(GuiSenhaLib, ValueAndReleasePasswordTypedOnTheRealDialog) {
  TerminalState estado;
  platform::FakeClock relogio(QDateTime(QDate(2026, 12, 7), QTime(14, 30)));
  estado.usaRelogio(relogio);
  QtOperador operador;
  AreaTransferenciaMemoria area;
  Aplicacao app(estado, operador, area);
  estado.usaOperador(operador);
  registraTelasQt();
  SenhaLib tela(app);  // outlives its window
  JanelasTelas janelas(app);
  QTimer::singleShot(0, [&] {
    auto *dialogo = qobject_cast<QDialog *>(janelas.janela(tela));
    ASSERT_NE(dialogo, nullptr);
    auto *valor = dialogo->findChild<QLineEdit *>("Valor");
    auto *senha = dialogo->findChild<QLineEdit *>("TxtSenha");
    ASSERT_TRUE(valor && senha);
    QTest::keyClicks(valor, "7,5");
    QTest::keyClick(valor, Qt::Key_Return);
    QTest::keyClicks(senha, "121407");
    QTest::keyClick(senha, Qt::Key_Return);
    QTest::keyClick(dialogo->findChild<QPushButton *>("cmdOK"), Qt::Key_Return);
  });
  app.mostra(tela, true);
  EXPECT_FALSE(tela.visivel());
  EXPECT_EQ(tela.valor(), "7,50");
}
