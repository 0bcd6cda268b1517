// The same keystrokes give the same result in the engine driven by replay and
// on the real widgets: the focus, the fields' texts and the order the
// handlers ran, for a screen whose focused field is disabled, whose focused
// field's panel is hidden, and which is left for a modal search that hands a
// code back through the got-focus step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "app/Replay.h"
#include "core/OperadorRoteiro.h"
#include "core/Tela.h"
#include "core/Teclas.h"
#include "core/TerminalState.h"
#include "platform/Host.h"
#include "ui/JanelasTelas.h"
#include "ui/QtOperador.h"

namespace {

// A search dialog: Enter hands the typed code over and closes it.
class TelaBusca : public Tela {
 public:
  TelaBusca(Aplicacao &app, QStringList &registro) : Tela(app, "Busca", "Busca") {
    Campo &codigo = adiciona("Codigo", TipoCampo::Texto);
    codigo.aoGanharFoco = [&registro] { registro << "got Codigo"; };
    codigo.aoTeclarBaixo = [this, &codigo, &registro](int &k, int) {
      if (k != tecla::Enter) return;
      k = 0;
      registro << "search returns " + codigo.texto();
      estado().CodCliPesq = codigo.texto();
      this->app().descarrega(*this);
    };
  }
};

// F2 disables A, F3 hides the panel P holding B, F4 opens the search; D takes
// a pending code when it gets the focus.
class TelaProva : public Tela {
 public:
  TelaProva(Aplicacao &app, QStringList &registro) : Tela(app, "Prova", "Prova"), registro_(registro) {
    Campo &painel = adiciona("P", TipoCampo::Painel);
    for (const char *nome : {"A", "B", "C", "D"}) {
      Campo &c = adiciona(nome, TipoCampo::Texto);
      const QString n = nome;
      c.aoGanharFoco = [this, n] { registro_ << "got " + n; };
      c.aoPerderFoco = [this, n] { registro_ << "lost " + n; };
      c.aoValidar = [this, n] { registro_ << "validate " + n; return true; };
    }
    campo("B").painel = &painel;
    campo("D").aoGanharFoco = [this] {
      registro_ << "got D";
      if (!estado().CodCliPesq.isEmpty()) {
        campo("D").setTexto(estado().CodCliPesq);
        estado().CodCliPesq.clear();
      }
    };
    keyPreview = true;
    aoTeclarForm = [this](int &k, int) {
      if (k == tecla::F2) campo("A").setEnabled(false);
      else if (k == tecla::F3) campo("P").setVisible(false);
      else if (k == tecla::F4) {
        TelaBusca busca(this->app(), registro_);
        this->app().mostra(busca, true);
      } else return;
      k = 0;
    };
  }

 private:
  QStringList &registro_;
};

const QStringList roteiro = {"type a1", "key F2", "type b1", "key F3", "type c1",
                             "key Tab", "type d", "key F4",  "type 77", "key Enter",
                             "type 8"};

struct Resultado {
  QStringList registro;
  QString foco;
  QStringList textos;
};

Resultado resultadoDe(Tela &t, const QStringList &registro) {
  Resultado r{registro, t.focado() ? t.focado()->nome() : QString(), {}};
  for (const auto &c : t.campos()) r.textos << c->nome() + "=" + c->texto();
  return r;
}

QDialog *janelaProva() {
  auto *d = new QDialog;
  auto *l = new QVBoxLayout(d);
  auto *a = new QLineEdit(d);
  a->setObjectName("A");
  auto *p = new QFrame(d);
  p->setObjectName("P");
  auto *lp = new QVBoxLayout(p);
  auto *b = new QLineEdit(p);
  b->setObjectName("B");
  lp->addWidget(b);
  l->addWidget(a);
  l->addWidget(p);
  for (const char *nome : {"C", "D"}) {
    auto *e = new QLineEdit(d);
    e->setObjectName(nome);
    l->addWidget(e);
  }
  return d;
}

QDialog *janelaBusca() {
  auto *d = new QDialog;
  auto *l = new QVBoxLayout(d);
  auto *e = new QLineEdit(d);
  e->setObjectName("Codigo");
  l->addWidget(e);
  return d;
}

}  // namespace

TEST(Concordancia, ReplayAndRealWidgetsAgreeOnFocusTextsAndHandlers) {
  JanelasTelas::registra("Prova", [](Tela &) { return janelaProva(); });
  JanelasTelas::registra("Busca", [](Tela &) { return janelaBusca(); });

  // The engine under replay.
  Resultado doRoteiro;
  {
    TerminalState estado;
    OperadorRoteiro operador;
    estado.usaOperador(operador);
    AreaTransferenciaMemoria area;
    Aplicacao app(estado, operador, area);
    QStringList registro;
    TelaProva prova(app, registro);
    QString transcricao;
    QTextStream saida(&transcricao);
    Replay replay(app, operador, saida, [&] { app.mostra(prova); });
    ASSERT_EQ(replay.executa(roteiro), 0) << transcricao.toStdString();
    doRoteiro = resultadoDe(prova, registro);
  }

  // The same keys on the real widgets, each one sent to the widget that has
  // Qt's focus (so a skin that let Qt's focus drift from the engine's fails).
  Resultado dasJanelas;
  QStringList falhas;
  {
    TerminalState estado;
    QtOperador operador;
    estado.usaOperador(operador);
    AreaTransferenciaMemoria area;
    Aplicacao app(estado, operador, area);
    QStringList registro;
    TelaProva prova(app, registro);  // outlives its window
    JanelasTelas janelas(app);
    app.mostra(prova);
    QApplication::setActiveWindow(janelas.janela(prova));
    QEventLoop fim;
    int proximo = 0;
    std::function<void()> passo = [&] {
      if (proximo >= roteiro.size()) {
        fim.quit();
        return;
      }
      const QString linha = roteiro[proximo++];
      // The next step is queued first: a modal dialog opened by this one
      // runs its own loop, which carries on with the script.
      QTimer::singleShot(10, passo);
      QWidget *alvo = QApplication::focusWidget();
      if (QWidget *modal = QApplication::activeModalWidget(); modal && (!alvo || alvo->window() != modal))
        alvo = modal->focusWidget();
      if (!alvo) {
        falhas << "no widget has the focus at: " + linha;
        return;
      }
      if (linha.startsWith("type ")) QTest::keyClicks(alvo, linha.mid(5));
      else if (linha == "key F2") QTest::keyClick(alvo, Qt::Key_F2);
      else if (linha == "key F3") QTest::keyClick(alvo, Qt::Key_F3);
      else if (linha == "key F4") QTest::keyClick(alvo, Qt::Key_F4);
      else if (linha == "key Tab") QTest::keyClick(alvo, Qt::Key_Tab);
      else if (linha == "key Enter") QTest::keyClick(alvo, Qt::Key_Return);
    };
    QTimer::singleShot(0, passo);
    QTimer guarda;
    QObject::connect(&guarda, &QTimer::timeout, [&] {
      falhas << "the script did not finish";
      if (auto *m = qobject_cast<QDialog *>(QApplication::activeModalWidget())) m->done(0);
      fim.quit();
    });
    guarda.start(30000);  // generous: a loaded machine (CI, parallel tests) is slow
    fim.exec();
    dasJanelas = resultadoDe(prova, registro);
    QWidget *qtFoco = QApplication::focusWidget();
    if (!qtFoco || qtFoco->objectName() != dasJanelas.foco)
      falhas << "Qt's focus is on " + (qtFoco ? qtFoco->objectName() : QString("nothing"));
    app.descarrega(prova, true);
  }

  EXPECT_TRUE(falhas.isEmpty()) << falhas.join("; ").toStdString();
  auto texto = [](const QStringList &l) { return l.join(", ").toStdString(); };
  EXPECT_EQ(texto(doRoteiro.registro), texto(dasJanelas.registro));
  EXPECT_EQ(doRoteiro.foco, dasJanelas.foco);
  EXPECT_EQ(texto(doRoteiro.textos), texto(dasJanelas.textos));
  // What the keys must have done: the code handed back is shown selected in
  // D, so the next digit replaces it, as after any focus step.
  EXPECT_EQ(doRoteiro.foco, "D");
  EXPECT_EQ(texto(doRoteiro.textos), "P=, A=a1, B=b1, C=c1, D=8");
  EXPECT_EQ(texto(doRoteiro.registro), "got A, lost A, got B, lost B, got C, validate C, lost C, got D, got Codigo, "
                                       "search returns 77, got D");
}
