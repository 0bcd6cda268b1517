#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "lookup/FormPesq.h"
#include "support/TestSupport.h"
#include "ui/JanelasTelas.h"
#include "ui/QtOperador.h"
#include "ui/TelasQt.h"

TEST(GuiPesquisa, RealDialogShowsRowsForATypedWordAndReturnsTheChosenCode) {
  testsupport::UsaDrive drive(testsupport::demoDrive());
  TerminalState estado;
  testsupport::conectaAoDemo(estado);
  QtOperador operador;
  AreaTransferenciaMemoria area;
  Aplicacao app(estado, operador, area);
  estado.usaOperador(operador);
  registraTelasQt();
  JanelasTelas janelas(app);

  int linhasVistas = -1;
  QString titulo;
  // Runs inside the dialog's own event loop, as the operator would; a failed
  // check still closes the dialog, so the test fails instead of waiting.
  auto *dialogo = static_cast<QDialog *>(nullptr);
  auto operador_ = [&] {
    dialogo = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!dialogo) dialogo = qobject_cast<QDialog *>(janelas.janelaFrente());
    ASSERT_NE(dialogo, nullptr);
    titulo = dialogo->windowTitle();
    auto *pergunta = dialogo->findChild<QLineEdit *>("Pergunta");
    auto *grade = dialogo->findChild<QTableView *>("Grade");
    ASSERT_TRUE(pergunta && grade);
    QTest::keyClicks(pergunta, "OLIVEIRA");
    QTest::keyClick(pergunta, Qt::Key_Return);
    linhasVistas = grade->model()->rowCount();
    QTest::keyClick(grade, Qt::Key_Return);
  };
  QTimer::singleShot(0, [&] {
    operador_();
    if (dialogo && dialogo->isVisible()) dialogo->done(0);
  });
  AbrePesquisa(app, "Cli");
  EXPECT_EQ(titulo, "PESQUISA CLIENTES");
  EXPECT_EQ(linhasVistas, 1);
  EXPECT_EQ(estado.CodPesquisa, "3");
  EXPECT_TRUE(estado.DadosClientePesq.startsWith(QStringLiteral("3|MARIA DAS GRAÇAS OLIVEIRA|")));
}
