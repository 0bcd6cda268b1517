// Every window file matches its screen: each control has its widget (or menu
// action) and each named widget its control, so a renamed widget fails here
// instead of going dead on the cash desk; a caption written in a window file
// is the screen's own, so captions have one source; and a panel floating over
// a window shows on top of what it covers.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "access/SenhaLib.h"
#include "access/SenhaPDV.h"
#include "fiscalday/VendasDia.h"
#include "sale/Vendedor.h"
#include "core/OperadorRoteiro.h"
#include "core/Tela.h"
#include "core/Teclas.h"
#include "core/TerminalState.h"
#include "platform/Host.h"
#include "presale/Imprime_Cupom_PreVenda.h"
#include "presale/Visualiza_Venda.h"
#include "lookup/FormPesq.h"
#include "core/AjudaTeclas.h"
#include "fiscalday/AbreDia.h"
#include "fiscalday/Leitura_X.h"
#include "fiscalday/MemoriaFiscal.h"
#include "fiscalday/MovimentoCaixa.h"
#include "closing/FechaCupom.h"
#include "payment/CondPgto.h"
#include "fiscalday/ProgramaFormas.h"
#include "fiscalday/Reducao_Z.h"
#include "sale/PForm.h"
#include "ui/JanelasTelas.h"
#include "ui/TelasQt.h"
#include "ui/VisaoTela.h"

namespace {

using Criador = std::function<std::unique_ptr<Tela>(Aplicacao &)>;

template <typename T>
Criador cria() {
  return [](Aplicacao &app) { return std::make_unique<T>(app); };
}

// Widgets that are only the window's frame or layout, not controls.
bool ehMoldura(const QObject *o) {
  const QString classe = o->metaObject()->className();
  return o->objectName().isEmpty() || o->objectName().startsWith("qt_") || classe == "QWidget" ||
         classe == "QMenuBar" || classe == "QStatusBar" || classe == "QDialogButtonBox";
}

QString legenda(const QObject *o) {
  if (auto *l = qobject_cast<const QLabel *>(o)) return l->text();
  if (auto *b = qobject_cast<const QAbstractButton *>(o)) return b->text();
  if (auto *a = qobject_cast<const QAction *>(o)) return a->text();
  if (auto *m = qobject_cast<const QMenu *>(o)) return m->title();
  return {};
}

// The printing writes back into a sale window: this one is built first and
// goes last.
struct ComVenda {
  explicit ComVenda(Aplicacao &app) : venda(app) {}
  PForm venda;
};
struct ImpressaoComVenda : ComVenda, ImprimeCupomPreVenda {
  explicit ImpressaoComVenda(Aplicacao &app) : ComVenda(app), ImprimeCupomPreVenda(app, venda) {}
};

// F1's list is made from the screen it lists.
struct ComLeitura {
  explicit ComLeitura(Aplicacao &app) : leitura(app) {}
  Leitura_X leitura;
};
struct AjudaComTela : ComLeitura, AjudaTeclas {
  explicit AjudaComTela(Aplicacao &app) : ComLeitura(app), AjudaTeclas(app, leitura) {}
};

// Every screen that has a window, by the window's name.
const std::map<QString, Criador> &telasComJanela() {
  static const std::map<QString, Criador> telas = {
      {"SenhaPDV", cria<SenhaPDV>()}, {"SenhaLib", cria<SenhaLib>()},
      {"FormPesq", cria<FormPesq>()}, {"PForm", cria<PForm>()},
      {"AbreDia", cria<AbreDia>()},   {"ProgramaFormas", cria<ProgramaFormas>()},
      {"Reducao_Z", cria<Reducao_Z>()}, {"CondPgto", cria<CondPgto>()}, {"AltPgto", cria<AltPgto>()},
      {"Leitura_X", cria<Leitura_X>()}, {"MemoriaFiscData", cria<MemoriaFiscData>()},
      {"MemoriaFiscReduc", cria<MemoriaFiscReduc>()}, {"SangriaF", cria<SangriaF>()},
      {"SuprimentoF", cria<SuprimentoF>()}, {"RecValores", cria<RecValores>()},
      {"PgtValores", cria<PgtValores>()}, {"VendasDia", cria<VendasDia>()},
      {"Vendedor", [](Aplicacao &app) { return std::make_unique<Vendedor>(app, nullptr); }},
      {"Fecha_Cupom_Completo",
       [](Aplicacao &app) { return std::make_unique<FechaCupom>(app, FechaCupom::Tipo::Completo, DadosFechamento{}); }},
      {"Fecha_Cupom_Resumo",
       [](Aplicacao &app) { return std::make_unique<FechaCupom>(app, FechaCupom::Tipo::Resumo, DadosFechamento{}); }},
      {"Imprime_Cupom_PreVenda", cria<ImpressaoComVenda>()}, {"Visualiza_Venda", cria<VisualizaVenda>()},
      {"AjudaTeclas", cria<AjudaComTela>()}};
  return telas;
}

}  // namespace

// A terminal with every window registered; its screens are made per check.
class Ligacoes : public ::testing::Test {
 protected:
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  // Windows registered and the operator set before the application starts.
  std::unique_ptr<Aplicacao> aplicacao = [this] {
    registraTelasQt();
    estado.usaOperador(operador);
    return std::make_unique<Aplicacao>(estado, operador, area);
  }();
  Aplicacao &app = *aplicacao;
};

TEST_F(Ligacoes, EveryWindowFileMatchesItsScreen) {
  const std::map<QString, Criador> &telas = telasComJanela();
  const QStringList registradas = JanelasTelas::registradas();
  ASSERT_FALSE(registradas.isEmpty());
  for (const QString &nome : registradas) {
    SCOPED_TRACE(nome.toStdString());
    auto criador = telas.find(nome);
    ASSERT_NE(criador, telas.end()) << "a window without a screen in this check: add it";
    std::unique_ptr<Tela> tela = criador->second(app);
    std::unique_ptr<QWidget> janela(JanelasTelas::constroi(*tela));
    ASSERT_TRUE(janela);

    std::map<QString, QObject *> widgets;
    for (QObject *o : janela->findChildren<QObject *>())
      if ((qobject_cast<QWidget *>(o) || qobject_cast<QAction *>(o)) && !ehMoldura(o))
        widgets[o->objectName().toLower()] = o;
    for (const auto &c : tela->campos()) {
      auto w = widgets.find(c->nome().toLower());
      EXPECT_NE(w, widgets.end()) << "control " << c->nome().toStdString() << " has no widget";
      if (w == widgets.end()) continue;
      const QString texto = legenda(w->second);
      EXPECT_TRUE(texto.isEmpty() || texto == c->texto())
          << c->nome().toStdString() << ": the window says \"" << texto.toStdString() << "\", the screen \""
          << c->texto().toStdString() << "\"";
      widgets.erase(w);
    }
    for (const auto &[n, o] : widgets)
      ADD_FAILURE() << "widget " << n.toStdString() << " (" << o->metaObject()->className() << ") has no control";
  }
}

// The consumer's panel floats over the grids: Pause shows it above them,
// each of its fields where the cashier sees and clicks it.
TEST_F(Ligacoes, TheConsumersPanelShowsAboveTheGrids) {
  ImpressaoComVenda tela(app);
  std::unique_ptr<QWidget> janela(JanelasTelas::constroi(tela));
  ASSERT_TRUE(janela);
  VisaoTela visao(tela, janela.get());
  janela->show();
  tela.teclaBaixo(tecla::Pausa);
  QApplication::processEvents();
  ASSERT_TRUE(janela->findChild<QWidget *>("FrmCliente")->isVisible());
  for (const char *nome : {"NomeDoCliente", "DocumCliente", "GravaCliente"}) {
    auto *w = janela->findChild<QWidget *>(nome);
    QWidget *visto = janela->childAt(w->mapTo(janela.get(), w->rect().center()));
    EXPECT_TRUE(visto == w || w->isAncestorOf(visto))
        << nome << " lies under " << (visto ? visto->objectName().toStdString() : "nothing");
  }
}
