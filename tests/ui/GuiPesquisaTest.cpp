#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "lookup/DriveProprio.h"
#include "lookup/FormPesq.h"
#include "support/TestSupport.h"
#include "ui/JanelasTelas.h"
#include "ui/QtOperador.h"
#include "ui/TelasQt.h"

namespace {

// The real windows over a state connected by `conecta`.
struct Janelas {
  TerminalState estado;
  QtOperador operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  std::optional<JanelasTelas> janelas;

  explicit Janelas(const std::function<void(TerminalState &)> &conecta) {
    conecta(estado);
    estado.usaOperador(operador);
    registraTelasQt();
    janelas.emplace(app);
  }
  // Opens the search dialog of `tipo` and runs `caixa` inside the dialog's own
  // event loop, as the cashier would; a failed check still closes the
  // dialog, so the test fails instead of waiting.
  void pesquisa(const QString &tipo,
                const std::function<void(FormPesq &, QLineEdit &, QTableView &, QLabel &)> &caixa) {
    auto *dialogo = static_cast<QDialog *>(nullptr);
    auto passos = [&] {
      dialogo = qobject_cast<QDialog *>(janelas->janelaFrente());
      ASSERT_NE(dialogo, nullptr);
      auto *pergunta = dialogo->findChild<QLineEdit *>("Pergunta");
      auto *grade = dialogo->findChild<QTableView *>("Grade");
      auto *resultado = dialogo->findChild<QLabel *>("Result");
      ASSERT_TRUE(pergunta && grade && resultado);
      caixa(static_cast<FormPesq &>(*app.telaFrente()), *pergunta, *grade, *resultado);
    };
    QTimer::singleShot(0, [&] {
      passos();
      if (dialogo && dialogo->isVisible()) dialogo->done(0);
    });
    AbrePesquisa(app, tipo);
  }
};

}  // namespace

TEST(GuiPesquisa, RealDialogShowsRowsForATypedWordAndReturnsTheChosenCode) {
  testsupport::UsaDrive drive(testsupport::demoDrive());
  Janelas j(testsupport::conectaAoDemo);
  int linhasVistas = -1;
  QString titulo;
  j.pesquisa("Cli", [&](FormPesq &p, QLineEdit &pergunta, QTableView &grade, QLabel &) {
    titulo = j.janelas->janela(p)->windowTitle();
    QTest::keyClicks(&pergunta, "OLIVEIRA");
    QTest::keyClick(&pergunta, Qt::Key_Return);
    linhasVistas = grade.model()->rowCount();
    QTest::keyClick(&grade, Qt::Key_Return);
  });
  EXPECT_EQ(titulo, "PESQUISA CLIENTES");
  EXPECT_EQ(linhasVistas, 1);
  EXPECT_EQ(j.estado.CodPesquisa, "3");
  EXPECT_TRUE(j.estado.DadosClientePesq.startsWith(QStringLiteral("3|MARIA DAS GRAÇAS OLIVEIRA|")));
}

// The server works for seconds on the first page of a search; the real Esc
// key reaches the dialog meanwhile and cancels the statement on the server:
// the dialog answers at once, stays open with nothing shown, and the next
// search runs on the same connection.
TEST(GuiPesquisa, EscWhileTheServerWorksOnTheFirstPageCancelsTheStatement) {
  testsupport::DriveProprio drive;
  drive.produtosAtivosLentos();
  Janelas j([&](TerminalState &e) { drive.conecta(e); });
  QString interrompida, erroDaBusca, concluida;
  bool abertaDepois = false;
  int linhasDepois = -1;
  j.pesquisa("Pro", [&](FormPesq &p, QLineEdit &pergunta, QTableView &grade, QLabel &resultado) {
    // The cashier presses Esc once the search is under way.
    QTimer esc;
    esc.setInterval(5);
    QObject::connect(&esc, &QTimer::timeout, [&] {
      if (!p.buscando()) return;
      esc.stop();
      QTest::keyClick(&pergunta, Qt::Key_Escape);
    });
    esc.start();
    QTest::keyClick(&pergunta, Qt::Key_F9);  // active products only: the slow search
    QTest::keyClick(&pergunta, Qt::Key_Return);
    esc.stop();
    interrompida = resultado.text();
    erroDaBusca = j.estado.conexao().ultimoErro();
    abertaDepois = j.janelas->janela(p)->isVisible();

    QTest::keyClick(&pergunta, Qt::Key_F9);  // all products again
    QTest::keyClick(&pergunta, Qt::Key_Return);
    concluida = resultado.text();
    linhasDepois = grade.model()->rowCount();
    QTest::keyClick(&grade, Qt::Key_Return);
  });
  EXPECT_EQ(interrompida, "Pesquisa interrompida! 0 registros foram carregados.");
  EXPECT_TRUE(erroDaBusca.contains("cancelled")) << erroDaBusca.toStdString();  // stopped on the server
  EXPECT_TRUE(abertaDepois);
  EXPECT_EQ(concluida, "Concluido! 300 registros foram encontrados.");
  EXPECT_EQ(linhasDepois, 300);
  EXPECT_FALSE(j.estado.CodPesquisa.isEmpty());
}
