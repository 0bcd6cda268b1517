#pragma once
// F1 on any screen: the list of that screen's keys and what each does, in a
// small modal screen that Esc (or Enter on OK) closes.
#include <QList>
#include <QString>

#include "core/Tela.h"

struct TeclaAjuda {
  QString tecla, acao;
};

// The keys of a screen by its name (the keys every screen shares, for a
// screen with no list of its own).
QList<TeclaAjuda> TeclasDaTela(const QString &nomeTela);

class AjudaTeclas : public Tela {
 public:
  AjudaTeclas(Aplicacao &app, const Tela &de);
};
