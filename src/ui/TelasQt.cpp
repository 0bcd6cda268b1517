#include "ui/TelasQt.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include "ui/JanelasTelas.h"
#include "ui_AbreDia.h"
#include "ui_CondPgto.h"
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

}  // namespace

void registraTelasQt() {
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
  JanelasTelas::registra("VendasDia", [](Tela &) { return constroiModeless<Ui::VendasDia>(); });
  JanelasTelas::registra("Vendedor", [](Tela &) { return constroiModeless<Ui::Vendedor>(); });
  JanelasTelas::registra("PForm", [](Tela &) { return constroi<Ui::PForm, QMainWindow>(); });
}
