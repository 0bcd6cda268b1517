#pragma once
// Esc on the small fiscal-day screens: the screen unloads and nothing is sent.
#include "core/Tela.h"
#include "core/Teclas.h"

inline void SaiComEsc(Tela &tela) {
  tela.keyPreview = true;
  tela.aoTeclarForm = [&tela](int &tecla, int) {
    if (tecla != tecla::Esc) return;
    tecla = 0;
    tela.app().descarrega(tela, true);
  };
}
