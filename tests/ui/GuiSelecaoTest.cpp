#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "closing/Vendedor.h"
#include "core/Database.h"
#include "support/TestSupport.h"
#include "ui/JanelasTelas.h"
#include "ui/QtOperador.h"
#include "ui/TelasQt.h"

// A screen that refuses an entry warns in a message box and selects the
// field's text: once the cashier closes the box, the window shows that
// selection and the next digits replace the refused ones.
TEST(GuiSelecao, RefusedCodeStaysSelectedAfterTheMessageBoxAndTypingReplacesIt) {
  testsupport::UsaDrive drive(testsupport::demoDrive());
  TerminalState estado;
  testsupport::conectaAoDemo(estado);
  QtOperador operador;
  estado.usaOperador(operador);
  AreaTransferenciaMemoria area;
  Aplicacao app(estado, operador, area);
  registraTelasQt();
  JanelasTelas janelas(app);
  operador.janelaAtual = [&] { return janelas.janelaFrente(); };
  // The cashier closes each warning as it appears.
  QStringList avisos;
  QTimer vigia;
  QObject::connect(&vigia, &QTimer::timeout, [&] {
    for (QWidget *w : QApplication::topLevelWidgets())
      if (auto *caixa = qobject_cast<QMessageBox *>(w); caixa && caixa->isVisible()) {
        avisos << caixa->text();
        caixa->done(QMessageBox::Ok);
      }
  });
  vigia.start(20);

  Tela &tela = app.abreModeless(std::make_unique<Vendedor>(app, [](const QString &, const QString &) {}));
  QWidget *janela = janelas.janela(tela);
  ASSERT_NE(janela, nullptr);
  auto *codigo = janela->findChild<QLineEdit *>("CodVen");
  ASSERT_NE(codigo, nullptr);
  Campo &campo = tela.campo("CodVen");

  QTest::keyClicks(codigo, "99");  // no such salesperson
  QTest::keyClick(codigo, Qt::Key_Return);
  ASSERT_EQ(avisos.size(), 1);
  EXPECT_EQ(tela.focado(), &campo);
  EXPECT_EQ(codigo->selectedText(), "99");  // what the cashier sees
  EXPECT_EQ(campo.selStart, 0);
  EXPECT_EQ(campo.selLength, 2);
  QTest::keyClicks(codigo, "3");
  EXPECT_EQ(codigo->text(), "3");
  EXPECT_EQ(campo.texto(), "3");

  // A text the cashier cannot type as a code is refused the same way.
  QTest::keyClicks(codigo, "x");
  QTest::keyClick(codigo, Qt::Key_Return);
  ASSERT_EQ(avisos.size(), 2);
  EXPECT_EQ(codigo->selectedText(), "3x");
  QTest::keyClicks(codigo, "1");
  EXPECT_EQ(codigo->text(), "1");
  QTest::keyClick(codigo, Qt::Key_Return);  // salesperson 1 exists
  EXPECT_EQ(avisos.size(), 2);
  EXPECT_FALSE(tela.campo("NomVen").texto().isEmpty());
  vigia.stop();
  app.descarrega(tela, true);
}
