#pragma once
// The grid helper: column search (F2) and its repetition (F3), filtering the
// rows by up to three words (F4), repeating a row's data downwards (F8) and
// the HTML export (F11), for any grid of a screen that has the progress
// controls "Anda" and "Barra".
#include <QString>

class Campo;
class Grade;
class Tela;

class ClGrade1 {
 public:
  // Binds to the grid field of the screen; takes over its key and focus events
  // (a key the helper does not use goes on to the handler it had).
  ClGrade1(Tela &tela, Campo &grade);

  void FindGrade();
  void GradeNext();
  void MinimizaPesq();
  void RepeteDado();
  void ExportaHtml();

  // The last text searched, shared by every grid.
  static QString TextoBusca;
  static inline const QString TextoAjudaGrade = QStringLiteral(
      "Use as setas para navegar. Digite <F2> para pesquisar coluna, <F3> para repetir pesquisa, "
      "<F4> para minimizar pesquisa ou <F11> para criar docum HTML.");
  // The row of the last match (0: from the top), shared as a module value.
  static int LinhaAchada;

 private:
  bool procura();
  void trataTecla(int &tecla, int shift);
  QString cabecalhoColuna() const;
  Tela &tela_;
  Campo &campo_;
  Grade &grade_;
};

// The grid as an HTML document: one table, headers and cells escaped.
QString GradeParaHtml(const Grade &grade, const QString &titulo);

inline constexpr const char *ArquivoGradeHtml = "c:\\kw-velt\\Grade.Html";
