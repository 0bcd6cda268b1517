#pragma once
// Creates, shows and destroys the window of each screen as the application
// opens and closes screens.
#include <QPointer>
#include <QTimer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "core/Tela.h"

class VisaoTela;

class JanelasTelas {
 public:
  explicit JanelasTelas(Aplicacao &app);
  ~JanelasTelas();
  QWidget *janelaFrente() const;
  QWidget *janela(const Tela &tela) const;
  VisaoTela *visao(const Tela &tela) const;

  // Builds the widget tree of a screen by its name (from its .ui file).
  using Fabrica = std::function<QWidget *(Tela &)>;
  static void registra(const QString &nomeTela, Fabrica fabrica);
  // The screens that have a window, and a new window of one (nullptr when
  // none is registered): for the check that windows and screens agree.
  static QStringList registradas();
  static QWidget *constroi(Tela &tela);

 private:
  void mostra(Tela &tela);
  void esconde(Tela &tela);
  void descarrega(Tela &tela);
  void executaModal(Tela &tela);
  void sincronizaTodas();
  // The screen's window, made (not shown) when it has none yet.
  QWidget *garanteJanela(Tela &tela);
  void iniciaTemporizador(const Aplicacao::TarefaPeriodica &t);
  Aplicacao &app_;
  std::map<const Tela *, std::unique_ptr<VisaoTela>> visoes_;
  std::vector<std::unique_ptr<QTimer>> temporizadores_;
};
