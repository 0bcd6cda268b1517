#include "ui/TelasQt.h"

#include <QApplication>
#include <QFont>
#include <QDialog>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QMainWindow>
#include <QRegularExpression>
#include <QTimer>

#include "ui/JanelasTelas.h"
#include "ui_AbreDia.h"
#include "ui_CondPgto.h"
#include "ui_Empenho.h"
#include "ui_FechaCupom.h"
#include "ui_FormPesq.h"
#include "ui_Leitura_X.h"
#include "ui_MemoriaFiscData.h"
#include "ui_MemoriaFiscReduc.h"
#include "ui_MovimentoCaixa.h"
#include "ui_PForm.h"
#include "ui_ProgramaFormas.h"
#include "ui_Reducao_Z.h"
#include "ui_SenhaLib.h"
#include "ui_SenhaPDV.h"
#include "ui_VendasDia.h"
#include "ui_Vendedor.h"

namespace {

template <typename Ui, typename Janela>
QWidget *constroi() {
  auto *janela = new Janela();
  auto *ui = new Ui();
  ui->setupUi(janela);
  // The generated class only wires the widgets; the window owns them.
  QObject::connect(janela, &QObject::destroyed, [ui] { delete ui; });
  return janela;
}

// A window of its own beside the sale window (modeless): when it goes, the
// window behind it takes the keyboard back, Alt and the function keys
// included, even where no window manager hands the activation on.
class DevolveAtivacao : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject *objeto, QEvent *evento) override {
    if (evento->type() == QEvent::Hide && objeto == parent())
      QTimer::singleShot(0, [] {
        if (QApplication::activeWindow()) return;
        for (QWidget *w : QApplication::topLevelWidgets())
          if (qobject_cast<QMainWindow *>(w) && w->isVisible()) {
            w->activateWindow();
            return;
          }
      });
    return false;
  }
};

template <typename Ui>
QWidget *constroiModeless() {
  QWidget *janela = constroi<Ui, QDialog>();
  janela->installEventFilter(new DevolveAtivacao(janela));
  return janela;
}

// The pre-sale printing and the sale viewer share one window, less the
// widgets a screen does not have. The totals frame's caption heads its three
// amounts (columns set apart by runs of spaces): one heading over each.
QWidget *constroiEmpenho(Tela &tela, std::initializer_list<const char *> semWidgets) {
  QWidget *janela = constroi<Ui::Empenho, QDialog>();
  for (const char *nome : semWidgets) delete janela->findChild<QWidget *>(nome);
  // The consumer's panel floats over the grids, so it must be above them.
  if (auto *quadro = janela->findChild<QWidget *>("FrmCliente")) quadro->raise();
  auto *totais = janela->findChild<QWidget *>("FrmTot");
  auto *grade = totais ? qobject_cast<QGridLayout *>(totais->layout()) : nullptr;
  if (Campo *frame = tela.procura("FrmTot"); frame && grade) {
    const QStringList titulos = frame->texto().split(QRegularExpression("\\s{2,}"), Qt::SkipEmptyParts);
    for (int coluna = 0; coluna < titulos.size(); ++coluna) {
      auto *titulo = new QLabel(titulos[coluna].trimmed(), totais);
      titulo->setAlignment(Qt::AlignCenter);
      titulo->setStyleSheet("font-weight: bold; color: #000080;");
      grade->addWidget(titulo, 0, coluna);
    }
  }
  return janela;
}

// F1's list of keys: a title, the list (fixed-width, so the actions line
// up) and OK.
QWidget *constroiAjudaTeclas() {
  auto *janela = new QDialog();
  janela->setObjectName("AjudaTeclas");
  janela->resize(960, 620);
  auto *colunas = new QVBoxLayout(janela);
  auto *titulo = new QLabel(janela);
  titulo->setObjectName("Titulo");
  titulo->setStyleSheet("font-size: 14pt; font-weight: bold;");
  auto *lista = new QListWidget(janela);
  lista->setObjectName("Teclas");
  lista->setStyleSheet("font-family: monospace; font-size: 12pt;");
  auto *ok = new QPushButton(janela);
  ok->setObjectName("OK");
  colunas->addWidget(titulo);
  colunas->addWidget(lista);
  colunas->addWidget(ok);
  return janela;
}

}  // namespace

void registraTelasQt() {
  JanelasTelas::registra("AjudaTeclas", [](Tela &) { return constroiAjudaTeclas(); });
  JanelasTelas::registra("SenhaPDV", [](Tela &) { return constroi<Ui::SenhaPDV, QDialog>(); });
  JanelasTelas::registra("FormPesq", [](Tela &) { return constroi<Ui::FormPesq, QDialog>(); });
  JanelasTelas::registra("SenhaLib", [](Tela &) { return constroi<Ui::SenhaLib, QDialog>(); });
  JanelasTelas::registra("AbreDia", [](Tela &) { return constroi<Ui::AbreDia, QDialog>(); });
  JanelasTelas::registra("ProgramaFormas", [](Tela &) { return constroi<Ui::ProgramaFormas, QDialog>(); });
  JanelasTelas::registra("Reducao_Z", [](Tela &) { return constroi<Ui::Reducao_Z, QDialog>(); });
  JanelasTelas::registra("Leitura_X", [](Tela &) { return constroi<Ui::Leitura_X, QDialog>(); });
  JanelasTelas::registra("MemoriaFiscData", [](Tela &) { return constroi<Ui::MemoriaFiscData, QDialog>(); });
  JanelasTelas::registra("MemoriaFiscReduc", [](Tela &) { return constroi<Ui::MemoriaFiscReduc, QDialog>(); });
  // The four amount screens share one window; each takes its caption from its screen.
  for (const char *nome : {"SangriaF", "SuprimentoF", "RecValores", "PgtValores"})
    JanelasTelas::registra(nome, [](Tela &) { return constroi<Ui::MovimentoCaixa, QDialog>(); });
  // The two closing dialogs share one window.
  for (const char *nome : {"Fecha_Cupom_Completo", "Fecha_Cupom_Resumo"})
    JanelasTelas::registra(nome, [](Tela &) { return constroi<Ui::FechaCupom, QDialog>(); });
  JanelasTelas::registra("CondPgto", [](Tela &) { return constroi<Ui::CondPgto, QDialog>(); });
  // The payment-change screen is the payment window without its key help.
  JanelasTelas::registra("AltPgto", [](Tela &) {
    QWidget *janela = constroi<Ui::CondPgto, QDialog>();
    delete janela->findChild<QWidget *>("Label4");
    return janela;
  });
  JanelasTelas::registra("Imprime_Cupom_PreVenda",
                          [](Tela &tela) { return constroiEmpenho(tela, {"LabTeclas"}); });
  // The viewer's actions are keys only, and it prints for no consumer.
  JanelasTelas::registra("Visualiza_Venda", [](Tela &tela) {
    return constroiEmpenho(tela, {"CmdForma", "CmdImprime", "LabCliente", "Cliente", "FrmCliente"});
  });
  JanelasTelas::registra("VendasDia", [](Tela &) { return constroiModeless<Ui::VendasDia>(); });
  JanelasTelas::registra("Vendedor", [](Tela &) { return constroiModeless<Ui::Vendedor>(); });
  JanelasTelas::registra("PForm", [](Tela &) { return constroi<Ui::PForm, QMainWindow>(); });
}

void AplicaAparencia(QApplication &qt) {
  // Read from a step away: no text under 12 points.
  QFont fonte = QApplication::font();
  fonte.setPointSize(12);
  QApplication::setFont(fonte);
  // A focused button, grid or list has a clear frame (an edit field shows
  // the engine's focus colour, painted by the view).
  qt.setStyleSheet(QStringLiteral(
      "QPushButton:focus { border: 3px solid #0047BB; border-radius: 4px; background: #D6E4FF;"
      " padding: 4px 10px; font-weight: bold; }"
      "QTableView:focus, QListWidget:focus { border: 2px solid #0047BB; }"
));
}
