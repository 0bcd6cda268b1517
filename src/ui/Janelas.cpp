// The program on a real display: one window per screen, built from its .ui
// file and bound to the screen; modal screens run with exec().
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QMainWindow>
#include <QScreen>
#include <cstring>
#include <map>
#include <memory>

#include "app/Programa.h"
#include "core/Encerramento.h"
#include "core/TerminalState.h"
#include "platform/Host.h"
#include "sale/PForm.h"
#include "ui/JanelasTelas.h"
#include "ui/TelasQt.h"
#include "ui/QtOperador.h"
#include "ui/VisaoTela.h"

namespace {

class AreaTransferenciaQt : public AreaTransferencia {
 public:
  QString texto() const override { return QGuiApplication::clipboard()->text(); }
  void setTexto(const QString &t) override { QGuiApplication::clipboard()->setText(t); }
};

}  // namespace

// The module's entry: the program finds it by this name (see app/main.cpp).
extern "C" Q_DECL_EXPORT int pdvExecutaJanelas(int argc, char **argv) {
  QApplication qt(argc, argv);
  qt.setApplicationName("PDV-VELT");
  AplicaAparencia(qt);
  TerminalState estado;
  // --keep-clock: the server's time moves only this program's view of the
  // time; the machine's clock is never set (screenshots, demonstrations).
  bool mantemRelogio = false;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--keep-clock") == 0) mantemRelogio = true;
  platform::SystemClock relogioDoSistema;
  platform::OffsetClock relogioProprio;
  estado.usaRelogio(mantemRelogio ? static_cast<platform::Clock &>(relogioProprio) : relogioDoSistema);
  QtOperador operador;
  AreaTransferenciaQt area;
  Programa programa(estado, operador, area);
  registraTelasQt();
  JanelasTelas janelas(programa.app());
  operador.janelaAtual = [&janelas] { return janelas.janelaFrente(); };
  // The run ends through std::exit, which skips the event loop; windows
  // close with the process.
  programa.inicia();
  if (!programa.app().telaFrente()) return 0;
  return qt.exec();
}
