#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <optional>

#include "closing/FechaCupom.h"
#include "sale/Vendedor.h"
#include "core/Database.h"
#include "support/TestSupport.h"
#include "ui/JanelasTelas.h"
#include "ui/QtOperador.h"
#include "ui/TelasQt.h"

namespace {

// Records each warning that appears in `avisos` and closes it as the cashier
// would, once started.
struct VigiaAvisos {
  QTimer timer;
  explicit VigiaAvisos(QStringList &avisos) {
    QObject::connect(&timer, &QTimer::timeout, [&avisos] {
      for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *caixa = qobject_cast<QMessageBox *>(w); caixa && caixa->isVisible()) {
          avisos << caixa->text();
          caixa->done(QMessageBox::Ok);
        }
    });
  }
  void comeca() { timer.start(20); }
  void para() { timer.stop(); }
};

// The salesperson window over the demo database; each warning that appears
// is recorded and closed as the cashier would.
struct JanelaVendedor {
  testsupport::UsaDrive drive{testsupport::demoDrive()};
  TerminalState estado;
  QtOperador operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  std::optional<JanelasTelas> janelas;
  QStringList avisos;
  VigiaAvisos vigia{avisos};
  Tela *tela = nullptr;
  QLineEdit *codigo = nullptr;
  QPushButton *ok = nullptr;

  JanelaVendedor() {
    testsupport::conectaAoDemo(estado);
    estado.usaOperador(operador);
    registraTelasQt();
    janelas.emplace(app);
    operador.janelaAtual = [this] { return janelas->janelaFrente(); };
    vigia.comeca();
    tela = &app.abreModeless(std::make_unique<Vendedor>(app, [](const QString &, const QString &) {}));
    if (QWidget *janela = janelas->janela(*tela)) {
      codigo = janela->findChild<QLineEdit *>("CodVen");
      ok = janela->findChild<QPushButton *>("cmdOK");
      // The window in front, as the cashier's is: a click never lands on a
      // window that is not active.
      janela->activateWindow();
      if (!QTest::qWaitForWindowActive(janela)) codigo = nullptr;
    }
  }
  ~JanelaVendedor() {
    vigia.para();
    app.descarrega(*tela, true);
  }
  Campo &campo() const { return tela->campo("CodVen"); }
};

}  // namespace

// A screen that refuses an entry warns in a message box and selects the
// field's text: once the cashier closes the box, the window shows that
// selection and the next digits replace the refused ones.
TEST(GuiSelecao, RefusedCodeStaysSelectedAfterTheMessageBoxAndTypingReplacesIt) {
  JanelaVendedor j;
  ASSERT_TRUE(j.codigo && j.ok);

  QTest::keyClicks(j.codigo, "99");  // no such salesperson
  QTest::keyClick(j.codigo, Qt::Key_Return);
  ASSERT_EQ(j.avisos.size(), 1);
  EXPECT_EQ(j.tela->focado(), &j.campo());
  EXPECT_EQ(j.codigo->selectedText(), "99");  // what the cashier sees
  EXPECT_EQ(j.campo().selStart, 0);
  EXPECT_EQ(j.campo().selLength, 2);
  QTest::keyClicks(j.codigo, "3");
  EXPECT_EQ(j.codigo->text(), "3");
  EXPECT_EQ(j.campo().texto(), "3");

  // A text the cashier cannot type as a code is refused the same way.
  QTest::keyClicks(j.codigo, "x");
  QTest::keyClick(j.codigo, Qt::Key_Return);
  ASSERT_EQ(j.avisos.size(), 2);
  EXPECT_EQ(j.codigo->selectedText(), "3x");
  QTest::keyClicks(j.codigo, "1");
  EXPECT_EQ(j.codigo->text(), "1");
  QTest::keyClick(j.codigo, Qt::Key_Return);  // salesperson 1 exists
  EXPECT_EQ(j.avisos.size(), 2);
  EXPECT_FALSE(j.tela->campo("NomVen").texto().isEmpty());
}

// Clicking OK with a code that does not exist: the window below the warning
// gets its focus back while the code is being refused, which must not carry
// the screen's focus onto the button past the refused field; the click
// itself, whose press was refused the focus, checks nothing again (one
// warning, not two).
TEST(GuiSelecao, ClickingOkOnARefusedCodeKeepsTheFieldFocusedAndSelected) {
  JanelaVendedor j;
  ASSERT_TRUE(j.codigo && j.ok);

  QTest::keyClicks(j.codigo, "39");
  QTest::mouseClick(j.ok, Qt::LeftButton);
  QTest::qWait(50);  // any late activation of the window
  ASSERT_EQ(j.avisos.size(), 1);
  EXPECT_EQ(j.tela->focado(), &j.campo());
  EXPECT_EQ(j.codigo->selectedText(), "39");
  QTest::keyClicks(j.codigo, "2");
  EXPECT_EQ(j.codigo->text(), "2");
  QTest::keyClick(j.codigo, Qt::Key_Return);
  EXPECT_EQ(j.avisos.size(), 1);
  EXPECT_FALSE(j.tela->campo("NomVen").texto().isEmpty());
}

// Both closing dialogs, run modal in their real window: an amount below the
// cash due is refused in a message box, and what the cashier types next
// replaces the refused amount instead of being added to it; clicked back
// into, the amount is selected whole again.
TEST(GuiSelecao, ClosingDialogsTakeTheAmountTypedAfterARefusal) {
  for (const auto tipo : {FechaCupom::Tipo::Completo, FechaCupom::Tipo::Resumo}) {
    SCOPED_TRACE(tipo == FechaCupom::Tipo::Completo ? "completo" : "resumo");
    TerminalState estado;
    QtOperador operador;
    AreaTransferenciaMemoria area;
    Aplicacao app{estado, operador, area};
    estado.usaOperador(operador);
    registraTelasQt();
    JanelasTelas janelas(app);
    operador.janelaAtual = [&janelas] { return janelas.janelaFrente(); };
    QStringList avisos;
    VigiaAvisos vigia(avisos);
    vigia.comeca();
    DadosFechamento dados;
    dados.totalDinheiro = *Moeda::deTexto("10,00");
    FechaCupom tela(app, tipo, dados);

    QString recusadoF7, recusadoSelecionado, depois, troco, cliqueSelecionado, aposClique;
    bool rodou = false;
    QTimer::singleShot(0, [&] {
      rodou = true;
      QWidget *janela = janelas.janela(tela);
      auto *valor = janela ? janela->findChild<QLineEdit *>("TxtValor") : nullptr;
      if (!valor) return;
      // F7 straight from the field is refused as leaving it is.
      QTest::keyClicks(valor, "5");
      QTest::keyClick(valor, Qt::Key_F7);
      QTest::qWait(50);
      recusadoF7 = valor->selectedText();
      QTest::keyClicks(valor, "1,00");
      QTest::keyClick(valor, Qt::Key_Return);
      QTest::qWait(50);  // any late activation of the window
      recusadoSelecionado = valor->selectedText();
      QTest::keyClicks(valor, "100,00");
      depois = valor->text();
      QTest::keyClick(valor, Qt::Key_Return);
      troco = tela.campo("Troco").texto();
      // Clicked back into, the amount is selected whole as the focus arrives
      // (the window active again, as the window manager leaves it).
      janela->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(janela));
      QTest::mouseClick(valor, Qt::LeftButton, {}, QPoint(valor->width() / 2, valor->height() / 2));
      QTest::qWait(20);
      cliqueSelecionado = valor->selectedText();
      QTest::keyClicks(valor, "20");
      aposClique = valor->text();
      QTest::keyClick(valor, Qt::Key_Escape);  // gives up: nothing goes to the printer
    });
    app.mostra(tela, true);
    vigia.para();
    ASSERT_TRUE(rodou);
    const QString recusa = tipo == FechaCupom::Tipo::Completo
                               ? QStringLiteral("Valor Pago menor que o valor em dinheiro !")
                               : QStringLiteral("Valor Pago menor que a Venda !");
    EXPECT_EQ(avisos, QStringList({recusa, recusa}));
    EXPECT_EQ(recusadoF7, "5");
    EXPECT_EQ(recusadoSelecionado, "1,00");
    EXPECT_EQ(depois, "100,00");
    EXPECT_EQ(troco, "90,00");
    EXPECT_EQ(cliqueSelecionado, "100,00");
    EXPECT_EQ(aposClique, "20");
    EXPECT_FALSE(tela.enviado());
    EXPECT_EQ(tela.falha(), std::optional<QString>(FechaCupom::MensagemDesistencia));
    if (tela.carregada()) app.descarrega(tela, true);
  }
}
