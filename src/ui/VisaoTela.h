#pragma once
class QKeyEvent;
// Binds a screen to its widget tree by objectName: engine changes repaint the
// widgets; keys, clicks and focus from the widgets go to the screen. It holds
// no business rule.
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>

class Campo;
class Tela;
class QAbstractTableModel;

class VisaoTela : public QObject {
  Q_OBJECT
 public:
  VisaoTela(Tela &tela, QWidget *janela);
  ~VisaoTela() override;
  QWidget *janela() const { return janela_; }
  Tela &tela() const { return tela_; }
  QWidget *widget(const QString &nome) const { return widgets_.value(nome.toLower()); }
  // Repaints every control and puts the keyboard focus where the engine has it.
  void sincroniza();
  // The screen is going away: stop talking to it (the view itself may still be
  // inside one of its own event handlers, so it is deleted later).
  void desliga();

 protected:
  bool eventFilter(QObject *objeto, QEvent *evento) override;

 private:
  void liga(Campo &campo, QWidget *w);
  void ligaGrade(Campo &campo, class QTableView *v);
  void atualiza(Campo &campo);
  void atualizaGrade(Campo &campo, class QTableView *v);
  // Places a panel anchored to a grid row over that row.
  void posicionaAncorado(Campo &painel);
  void posicionaAncoradosDe(const Campo &grade);
  // Status-bar panels live in the window's status bar.
  void montaBarraDeStatus();
  void sincronizaFoco();
  Campo *campoDe(QObject *objeto) const;
  // An Alt key combination that is the mnemonic of a menu of the window's
  // menu bar (the menu opens; the screen does not take the key).
  bool abreMenu(const QKeyEvent &k) const;
  Tela &tela_;
  QPointer<QWidget> janela_;
  QHash<QString, QWidget *> widgets_;  // by lower-cased control name
  QHash<QObject *, Campo *> campos_;
  bool ligada_ = true;
  bool aplicando_ = false;
  bool trocandoFoco_ = false;  // a focus change is being handled (message boxes re-focus)
  // The field a mouse press just brought the focus to, and the selection its
  // got-focus step made (start, length).
  QObject *cliqueDeFoco_ = nullptr;
  QObject *soltoComMouse_ = nullptr;  // the button a mouse button was released on
  std::pair<int, int> selecaoDoFoco_{0, 0};
};

// Converts a Qt key event into the screens' key code and shift mask; false
// for keys the screens do not see (printable text goes through typing).
bool teclaDaTela(const class QKeyEvent &evento, int &tecla, int &shift);
