// The grid, its anchored frame and window activation on the real widgets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QVBoxLayout>

#include "core/OperadorRoteiro.h"
#include "core/Tela.h"
#include "core/TerminalState.h"
#include "platform/Host.h"
#include "ui/JanelasTelas.h"
#include "ui/ModeloGrade.h"

namespace {

class TelaGrade : public Tela {
 public:
  TelaGrade(Aplicacao &app, const QString &nome) : Tela(app, nome, nome) {
    adiciona("Grade", TipoCampo::Grade);
    Campo &frame = adiciona("FrmIt", TipoCampo::Painel);
    adiciona("Valor", TipoCampo::Moeda).painel = &frame;
  }
};

QWidget *janelaGrade() {
  auto *d = new QDialog;
  d->resize(600, 300);
  auto *l = new QVBoxLayout(d);
  auto *v = new QTableView(d);
  v->setObjectName("Grade");
  l->addWidget(v);
  auto *f = new QFrame(d);
  f->setObjectName("FrmIt");
  auto *lf = new QVBoxLayout(f);
  auto *e = new QLineEdit(f);
  e->setObjectName("Valor");
  lf->addWidget(e);
  return d;
}

struct GuiGrade : ::testing::Test {
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  void SetUp() override {
    estado.usaOperador(operador);
    JanelasTelas::registra("Grades", [](Tela &) { return janelaGrade(); });
    JanelasTelas::registra("Outra", [](Tela &) { return janelaGrade(); });
  }
};

}  // namespace

TEST_F(GuiGrade, TenThousandRowsChangeByChangeAndTheViewFollowsTheGrid) {
  // The screen outlives its window (declared first, destroyed last), as in
  // the program: a window deleted after its screen would read a freed grid.
  TelaGrade tela(app, "Grades");
  JanelasTelas janelas(app);
  Grade &g = tela.grade("Grade");
  g.FormatString(">Código|<Descrição                  |>Valor");
  app.mostra(tela);
  auto *v = janelas.janela(tela)->findChild<QTableView *>("Grade");
  ASSERT_TRUE(v);
  auto *modelo = dynamic_cast<ModeloGrade *>(v->model());
  ASSERT_TRUE(modelo);
  for (int i = 1; i <= 10000; ++i) g.AddItem(QString("%1\tproduto %1\t1,00").arg(i));
  EXPECT_EQ(modelo->rowCount(), 10000);

  // One cell changed is one row told, never the whole grid again.
  QSignalSpy mudou(modelo, &QAbstractItemModel::dataChanged);
  g.setTextMatrix(5000, 1, "trocado");
  g.setCorLinha(5000, 0x0000FF, 0xFFFFFF);
  ASSERT_GE(mudou.count(), 1);
  for (const auto &sinal : mudou) {
    EXPECT_EQ(sinal[0].toModelIndex().row(), 4999);
    EXPECT_EQ(sinal[1].toModelIndex().row(), 4999);
  }
  EXPECT_EQ(modelo->data(modelo->index(4999, 1), Qt::DisplayRole).toString(), "trocado");
  EXPECT_EQ(modelo->data(modelo->index(4999, 1), Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
  QSignalSpy removidas(modelo, &QAbstractItemModel::rowsRemoved);
  g.RemoveItem(5000);
  ASSERT_EQ(removidas.count(), 1);
  EXPECT_EQ(removidas[0][1].toInt(), 4999);
  EXPECT_NE(modelo->data(modelo->index(4999, 1), Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
  EXPECT_EQ(modelo->recomposicoes(), 0);
  EXPECT_EQ(modelo->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Descrição");
  EXPECT_EQ(modelo->data(modelo->index(0, 0), Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
            int(Qt::AlignRight));

  // Current cell, top row and selection set in the grid reach the view...
  g.setPosicao(50, 1);
  g.setTopRow(40);
  EXPECT_EQ(v->currentIndex().row(), 49);
  EXPECT_EQ(v->currentIndex().column(), 1);
  EXPECT_EQ(v->verticalScrollBar()->value(), 39);
  // ...and what the cashier selects in the view reaches the grid.
  g.selecaoPorLinha = false;
  v->selectionModel()->setCurrentIndex(modelo->index(9, 0), QItemSelectionModel::NoUpdate);
  v->selectionModel()->select(QItemSelection(modelo->index(9, 0), modelo->index(11, 2)),
                              QItemSelectionModel::ClearAndSelect);
  EXPECT_EQ(g.Row(), 10);
  EXPECT_EQ(g.RowSel(), 12);
  EXPECT_EQ(g.ColSel(), 2);
  v->verticalScrollBar()->setValue(100);
  EXPECT_EQ(g.TopRow(), 101);

  // The frame sits over the current row and follows it as the grid scrolls.
  g.setPosicao(105, 0);
  Campo &frame = tela.campo("FrmIt");
  frame.ancoraNaLinha(tela.campo("Grade"));
  auto *f = janelas.janela(tela)->findChild<QFrame *>("FrmIt");
  auto topoDaLinha = [&](int linha) {
    return v->viewport()->mapTo(f->parentWidget(), v->visualRect(modelo->index(linha - 1, 0)).topLeft()).y();
  };
  EXPECT_EQ(f->y(), topoDaLinha(105));
  v->verticalScrollBar()->setValue(102);
  EXPECT_EQ(f->y(), topoDaLinha(105));

  // A current row moved below the rows shown (Down past the last one, End)
  // comes into sight, and the grid's top row follows the view; a top row
  // set on its own is left where it was put.
  auto vista = [&](int linha) {
    return v->viewport()->rect().contains(v->visualRect(modelo->index(linha - 1, 0)));
  };
  for (const int linha : {130, 9999}) {
    g.setPosicao(linha, 0);
    EXPECT_TRUE(vista(linha)) << linha;
    EXPECT_EQ(g.TopRow(), v->verticalScrollBar()->value() + 1);
  }
  g.setTopRow(20);
  EXPECT_EQ(v->verticalScrollBar()->value(), 19);
  EXPECT_FALSE(vista(9999));
}

TEST_F(GuiGrade, TheWindowTheCashierActivatesBecomesTheFrontScreen) {
  TelaGrade primeira(app, "Grades"), segunda(app, "Outra");
  JanelasTelas janelas(app);
  app.mostra(primeira);
  app.mostra(segunda);
  ASSERT_EQ(app.telaFrente(), &segunda);
  QApplication::setActiveWindow(janelas.janela(primeira));
  EXPECT_EQ(app.telaFrente(), &primeira);
  EXPECT_EQ(estado.FormAtual, &primeira);
  app.descarrega(segunda, true);
  app.descarrega(primeira, true);
}
