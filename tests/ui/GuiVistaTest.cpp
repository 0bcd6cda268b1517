// What the cashier sees on real widgets: one field in the focus colour (the
// one of the window in front), a read-only field never in it, a frame on a
// focused button, the whole text selected on focus, and F1's list of keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <optional>

#include "core/Tela.h"
#include "fiscalday/MovimentoCaixa.h"
#include "ui/JanelasTelas.h"
#include "ui/ModeloGrade.h"
#include "ui/QtOperador.h"
#include "ui/TelasQt.h"

namespace {

struct Janelas {
  TerminalState estado;
  QtOperador operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  std::optional<JanelasTelas> janelas;

  Janelas() {
    estado.usaOperador(operador);
    registraTelasQt();
    AplicaAparencia(*qApp);
    janelas.emplace(app);
    operador.janelaAtual = [this] { return janelas->janelaFrente(); };
  }
  ~Janelas() {
    for (Tela *t : QList<Tela *>(app.telas())) app.descarrega(*t, true);
    app.recolhe();
    qApp->setStyleSheet(QString());
  }
  Tela &abre(std::unique_ptr<Tela> tela) {
    Tela &t = app.abreModeless(std::move(tela));
    QWidget *w = janelas->janela(t);
    w->activateWindow();
    QApplication::setActiveWindow(w);
    (void)QTest::qWaitForWindowExposed(w);
    return t;
  }
  template <typename W>
  W *widget(const Tela &t, const char *nome) const {
    return janelas->janela(t)->findChild<W *>(nome);
  }
};

QColor fundo(const QLineEdit *e) { return e->palette().color(QPalette::Base); }

}  // namespace

TEST(GuiVista, OneFieldInTheFocusColourReadOnlyNeverAndAFramedFocusedButton) {
  Janelas j;
  Tela &sangria = j.abre(std::make_unique<SangriaF>(j.app));
  auto *valor = j.widget<QLineEdit>(sangria, "TxtValor");
  auto *ok = j.widget<QPushButton>(sangria, "cmdOK");
  ASSERT_TRUE(valor && ok);
  ASSERT_EQ(sangria.focado(), &sangria.campo("TxtValor"));
  EXPECT_EQ(fundo(valor), CorQt(CorCampoAtual));

  // The whole text is selected when the field gets the focus back.
  sangria.campo("TxtValor").setTexto("12,34");
  sangria.focaCampo("cmdOK");
  QCoreApplication::processEvents();
  sangria.focaCampo("TxtValor");
  QCoreApplication::processEvents();
  EXPECT_EQ(valor->selectedText(), "12,34");
  ASSERT_FALSE(ok->hasFocus());
  const QImage semFoco = ok->grab().toImage();

  // A focused button is drawn otherwise than the same button unfocused.
  sangria.focaCampo("cmdOK");
  QCoreApplication::processEvents();
  ASSERT_TRUE(ok->hasFocus());
  EXPECT_NE(ok->grab().toImage(), semFoco);
  EXPECT_NE(fundo(valor), CorQt(CorCampoAtual));

  // A second window in front: only its field shows the focus colour.
  sangria.focaCampo("TxtValor");
  Tela &suprimento = j.abre(std::make_unique<SuprimentoF>(j.app));
  QCoreApplication::processEvents();
  auto *valor2 = j.widget<QLineEdit>(suprimento, "TxtValor");
  ASSERT_TRUE(valor2);
  EXPECT_EQ(fundo(valor2), CorQt(CorCampoAtual));
  EXPECT_NE(fundo(valor), CorQt(CorCampoAtual));

  // A read-only field keeps its own look, focused or not.
  suprimento.campo("TxtValor").locked = true;
  suprimento.focaCampo("cmdOK");
  suprimento.focaCampo("TxtValor");
  QCoreApplication::processEvents();
  EXPECT_TRUE(valor2->isReadOnly());
  EXPECT_NE(fundo(valor2), CorQt(CorCampoAtual));
  EXPECT_NE(fundo(valor2), CorQt(CorJanela));
}

TEST(GuiVista, F1ListsTheScreensKeysAndEscClosesTheList) {
  Janelas j;
  Tela &sangria = j.abre(std::make_unique<SangriaF>(j.app));
  auto *valor = j.widget<QLineEdit>(sangria, "TxtValor");
  ASSERT_TRUE(valor);
  QStringList vistas;
  bool fechou = true;
  // The list is modal: it is read and closed with Esc from the event loop.
  QTimer::singleShot(200, [&] {
    for (QWidget *w : QApplication::topLevelWidgets())
      if (w->objectName() == "AjudaTeclas" && w->isVisible())
        if (auto *lista = w->findChild<QListWidget *>("Teclas")) {
          for (int i = 0; i < lista->count(); ++i) vistas << lista->item(i)->text();
          QTest::keyClick(lista, Qt::Key_Escape);
        }
  });
  // Should Esc not close it, the test ends instead of waiting forever.
  QTimer::singleShot(5000, [&] {
    for (QWidget *w : QApplication::topLevelWidgets())
      if (auto *d = qobject_cast<QDialog *>(w); d && w->objectName() == "AjudaTeclas" && d->isVisible()) {
        fechou = false;
        d->reject();
      }
  });
  QTest::keyClick(valor, Qt::Key_F1);
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->objectName() == "AjudaTeclas" && w->isVisible()) fechou = false;
  EXPECT_TRUE(fechou);
  ASSERT_FALSE(vistas.isEmpty());
  EXPECT_TRUE(vistas.first().startsWith("Enter")) << vistas.join('\n').toStdString();
  EXPECT_TRUE(vistas.join('\n').contains("Esc")) << vistas.join('\n').toStdString();
  // Back on the screen it was opened from, with its focus.
  EXPECT_EQ(sangria.focado(), &sangria.campo("TxtValor"));
  EXPECT_TRUE(sangria.visivel());
}
