#include "ui/JanelasTelas.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QHash>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>
#include <stdexcept>

#include "core/Tela.h"
#include "core/Utilidades.h"
#include "ui/VisaoTela.h"

namespace {

QHash<QString, JanelasTelas::Fabrica> &fabricas() {
  static QHash<QString, JanelasTelas::Fabrica> f;
  return f;
}

// Closing a window asks its screen, which may refuse.
class FiltroFechar : public QObject {
 public:
  FiltroFechar(Aplicacao &app, Tela &tela, QObject *pai) : QObject(pai), app_(app), tela_(tela) {}
  bool eventFilter(QObject *, QEvent *e) override {
    if (e->type() != QEvent::Close) return false;
    if (!tela_.visivel()) return false;
    if (!app_.descarrega(tela_)) e->ignore();
    return true;
  }

 private:
  Aplicacao &app_;
  Tela &tela_;
};

}  // namespace

void JanelasTelas::registra(const QString &nomeTela, Fabrica fabrica) { fabricas().insert(nomeTela, std::move(fabrica)); }

QStringList JanelasTelas::registradas() {
  QStringList nomes = fabricas().keys();
  nomes.sort();
  return nomes;
}

QWidget *JanelasTelas::constroi(Tela &tela) {
  auto f = fabricas().find(tela.nomeTela());
  return f == fabricas().end() ? nullptr : (*f)(tela);
}

JanelasTelas::JanelasTelas(Aplicacao &app) : app_(app) {
  app_.aoMostrar = [this](Tela &t) { mostra(t); };
  app_.aoEsconder = [this](Tela &t) { esconde(t); };
  app_.aoDescarregar = [this](Tela &t) { descarrega(t); };
  app_.executaModal = [this](Tela &t) { executaModal(t); };
  app_.identificadorJanela = [this](Tela &t) { return static_cast<quint64>(garanteJanela(t)->winId()); };
  // Unloaded modeless screens are deleted once the handler that closed them returned.
  app_.aoAguardarRecolha = [this] { QTimer::singleShot(0, [&app = app_] { app.recolhe(); }); };
  app_.redesenha = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
  app_.atendeOperador = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
  app_.ocupado = [](bool sim) {
    if (sim) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
  };
  app_.aoAgendar = [this](const Aplicacao::TarefaPeriodica &t) { iniciaTemporizador(t); };
  for (const Aplicacao::TarefaPeriodica &t : app_.periodicas()) iniciaTemporizador(t);
}

void JanelasTelas::iniciaTemporizador(const Aplicacao::TarefaPeriodica &t) {
  temporizadores_.push_back(std::make_unique<QTimer>());
  QTimer *temporizador = temporizadores_.back().get();
  temporizador->setInterval(t.intervaloMs);
  QObject::connect(temporizador, &QTimer::timeout, temporizador, [tarefa = t.tarefa, temporizador] {
    // A task that opens a message box must not run again under it.
    temporizador->stop();
    tarefa();
    temporizador->start();
  });
  temporizador->start();
}

JanelasTelas::~JanelasTelas() {
  app_.aoMostrar = nullptr;
  app_.aoEsconder = nullptr;
  app_.aoDescarregar = nullptr;
  app_.executaModal = nullptr;
  app_.identificadorJanela = nullptr;
  app_.aoAguardarRecolha = nullptr;
  app_.redesenha = nullptr;
  app_.atendeOperador = nullptr;
  app_.ocupado = nullptr;
  app_.aoAgendar = nullptr;
  for (auto &[tela, visao] : visoes_) {
    QWidget *w = visao->janela();
    visao.reset();  // unbinds from the screen before its widgets go
    delete w;
  }
}

QWidget *JanelasTelas::janela(const Tela &tela) const {
  auto it = visoes_.find(&tela);
  return it == visoes_.end() ? nullptr : it->second->janela();
}

VisaoTela *JanelasTelas::visao(const Tela &tela) const {
  auto it = visoes_.find(&tela);
  return it == visoes_.end() ? nullptr : it->second.get();
}

QWidget *JanelasTelas::janelaFrente() const {
  Tela *t = app_.telaFrente();
  return t ? janela(*t) : nullptr;
}

void JanelasTelas::mostra(Tela &tela) {
  garanteJanela(tela);
  QWidget *w = janela(tela);
  if (!tela.modal()) w->show();
  w->raise();
  w->activateWindow();
  sincronizaTodas();
}

void JanelasTelas::sincronizaTodas() {
  // Which screen is in front decides which field shows the focus colour;
  // the front one last, so the keyboard focus ends in its window.
  Tela *frente = app_.telaFrente();
  for (auto &[tela, visao] : visoes_)
    if (tela != frente) visao->sincroniza();
  if (VisaoTela *v = frente ? visao(*frente) : nullptr) v->sincroniza();
}

QWidget *JanelasTelas::garanteJanela(Tela &tela) {
  if (!visoes_.count(&tela)) {
    QWidget *w = constroi(tela);
    // A screen shown on a display needs its window: a missing one is a fault
    // of the program, never a screen that silently does nothing.
    if (!w) throw std::logic_error(("screen without a window: " + tela.nomeTela()).toStdString());
    w->installEventFilter(new FiltroFechar(app_, tela, w));
    visoes_[&tela] = std::make_unique<VisaoTela>(tela, w);
    if (QScreen *s = QGuiApplication::primaryScreen()) {
      // The main window takes the whole screen; the others are centred.
      if (qobject_cast<QMainWindow *>(w)) w->setGeometry(s->availableGeometry());
      else w->move(CentraTela(w->size(), s->availableGeometry().size()));
    }
  }
  return janela(tela);
}

void JanelasTelas::executaModal(Tela &tela) {
  auto *dialogo = qobject_cast<QDialog *>(janela(tela));
  if (!dialogo)
    throw std::logic_error(("modal screen whose window is not a dialog: " + tela.nomeTela()).toStdString());
  dialogo->setModal(true);
  visao(tela)->sincroniza();
  dialogo->exec();
  // Back in the window below: it is the active one again, its focus where
  // the engine put it (the field that got its focus step again).
  if (Tela *frente = app_.telaFrente(); frente && frente != &tela)
    if (QWidget *w = janela(*frente); w && w->isVisible()) {
      w->activateWindow();
      visao(*frente)->sincroniza();
    }
}

void JanelasTelas::esconde(Tela &tela) {
  QWidget *w = janela(tela);
  if (!w) return;
  if (auto *d = qobject_cast<QDialog *>(w); d && d->isModal()) d->done(0);
  w->hide();
  sincronizaTodas();
}

void JanelasTelas::descarrega(Tela &tela) {
  auto it = visoes_.find(&tela);
  if (it == visoes_.end()) return;
  // This may run inside a handler of the view or of the window: both go later.
  VisaoTela *visao = it->second.release();
  visoes_.erase(it);
  visao->desliga();
  QWidget *w = visao->janela();
  visao->deleteLater();
  if (w) w->deleteLater();
  if (app_.telas().isEmpty()) QCoreApplication::quit();
}
