#pragma once
// The sale screen, main window of the run. This holds its start-up (the
// global state it completes, the access record, its captions) and the
// activation lock; its sale controls live beside it.
#include <cstdint>
#include <functional>

#include "core/Tela.h"

class PForm : public Tela {
 public:
  explicit PForm(Aplicacao &app);
  void carrega() override;
  void ativa() override;
  bool podeFechar() override;
  void descarrega() override;

  // The window handle recorded with the access (the skin sets the real one).
  quint64 handleJanela = 0;
  QString textoUsuario() const { return textoUsuario_; }
  // Unloads the login screen once the sale screen is active.
  std::function<void()> descarregaLogin;

 private:
  // The management menu's two search entries.
  void criaMenuPesquisas();
  void preencheProgramasSuite();
  void leEmpresa();
  void confereEmpresaEExercicio();
  void registraAcesso(const QString &entrada);
  void mostraLegendas();
  QString textoUsuario_;
};
