#pragma once
// The X reading the printer wrote to a file (a serial X reading), shown line
// by line.
#include <QByteArray>
#include <QStringList>

#include "core/Tela.h"

class Leitura_X : public Tela {
 public:
  explicit Leitura_X(Aplicacao &app);
  // Reads the file once, the first time the screen comes up.
  void ativa() override;

  // Where the printer library leaves the reading.
  static constexpr const char *ArquivoRetorno = "C:\\Retorno.txt";
  // The lines of the file, whatever its line ends: CR LF, LF alone or CR
  // alone. A line end closing the file adds no empty line; blank lines in
  // the middle stay.
  static QStringList Linhas(const QByteArray &conteudo);
  // Moves the reading's current line for a scrolling key; false for any
  // other key.
  static bool RolaLeitura(Campo &lista, int tecla);
  static constexpr int LinhasPorPagina = 15;

 private:
  bool lida_ = false;
};
