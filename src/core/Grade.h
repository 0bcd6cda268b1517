#pragma once
// A text grid: cells as text, fixed header rows, current row and column, the
// selected range, the top visible row, cell colours that belong to their row,
// and the column layout string (">Código|<Descrição      |^Dt Vencimento":
// alignment mark, header, and the run of blanks after it setting the width).
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

enum class AlinhamentoColuna { Esquerda, Direita, Centro };

inline constexpr uint32_t CorFundoGrade = 0xFFFFFF;
inline constexpr uint32_t CorFrenteGrade = 0x000000;

// What a view of the grid is told, before and after each change, so it can
// follow row inserts and removals instead of rebuilding its picture.
// Row numbers are the grid's (header rows included).
class ObservadorGrade {
 public:
  virtual ~ObservadorGrade() = default;
  virtual void celulasMudaram(int primeiraLinha, int ultimaLinha) = 0;
  virtual void antesDeInserir(int primeira, int ultima) = 0;
  virtual void inseriu() = 0;
  virtual void antesDeRemover(int primeira, int ultima) = 0;
  virtual void removeu() = 0;
  // Columns, header rows or everything changed at once.
  virtual void antesDeRefazer() = 0;
  virtual void refez() = 0;
};

class Grade {
 public:
  int Rows() const { return static_cast<int>(linhas_.size()); }
  int Cols() const { return cols_; }
  void setRows(int n);
  void setCols(int n);
  int FixedRows = 1;

  // Current cell. Setting the row (column) also makes it the whole selection
  // in that direction; the selection end extends it.
  int Row() const { return row_; }
  int Col() const { return col_; }
  int RowSel() const { return rowSel_; }
  int ColSel() const { return colSel_; }
  void setRow(int r);
  void setCol(int c);
  void setRowSel(int r);
  void setColSel(int c);
  // Row and column at once, one change for the view.
  void setPosicao(int r, int c);
  // The selection shows whole rows (the usual) or only the selected cells.
  bool selecaoPorLinha = true;
  int TopRow() const { return topRow_; }
  void setTopRow(int r);

  QString TextMatrix(int r, int c) const;
  void setTextMatrix(int r, int c, const QString &texto);
  // Adds a row (cells separated by tabs) at the end or before a row.
  void AddItem(const QString &linha, int antes = -1);
  void RemoveItem(int linha);
  // Removes every row but the header rows.
  void LimpaLinhas();
  // Rows added at the end, told to the view as one insertion (a search
  // filling its grid page by page).
  void acrescentaLinhas(QList<QStringList> linhas);
  // Replaces every row after the headers at once (for large result sets).
  void substituiLinhas(QList<QStringList> linhas);
  // Blanks every cell below the headers (one change for the view).
  void limpaCelulas();
  // Keeps the rows below the headers for which `fica` is true, in one change;
  // `examinada` is told each row number as it is examined. Returns how many
  // rows were removed. The last remaining row is never removed.
  int mantemLinhas(const std::function<bool(const QStringList &)> &fica,
                   const std::function<void(int)> &examinada = {});

  // Columns from a layout string; sets the header row, the alignments and the
  // widths (a column's text, title and trailing blanks, counted in characters).
  void FormatString(const QString &layout);
  AlinhamentoColuna alinhamento(int c) const { return alinhamentos_.value(c, AlinhamentoColuna::Esquerda); }
  // Column widths in characters (0 hides the column).
  int ColWidth(int c) const { return larguras_.value(c, 10); }
  void setColWidth(int c, int largura);

  uint32_t corFundoCelula(int r, int c) const { return cor(r, c, &Linha::fundo, CorFundoGrade); }
  void setCorFundoCelula(int r, int c, uint32_t cor);
  uint32_t corFrenteCelula(int r, int c) const { return cor(r, c, &Linha::frente, CorFrenteGrade); }
  void setCorFrenteCelula(int r, int c, uint32_t cor);
  // Every cell of a row at once.
  void setCorLinha(int r, uint32_t fundo, uint32_t frente);

  const QStringList &linha(int r) const { return linhas_[r].celulas; }
  // Told after every change (the screen repaints the control).
  std::function<void()> aoMudar;
  // The view that follows the grid change by change (the skin's model).
  void setObservador(ObservadorGrade *o) { observador_ = o; }
  ObservadorGrade *observador() const { return observador_; }

 private:
  struct Linha {
    QStringList celulas;
    QList<uint32_t> fundo, frente;  // empty: every cell in the default colour
  };
  uint32_t cor(int r, int c, QList<uint32_t> Linha::*lista, uint32_t padrao) const;
  void pintaCelula(int r, int c, QList<uint32_t> Linha::*lista, uint32_t padrao, uint32_t cor);
  Linha linhaVazia() const;
  void ajustaLinha(Linha &l) const;
  // Appends the rows, fitted to the columns, without telling anyone.
  void anexaLinhas(QList<QStringList> novas);
  void corrigePosicao();
  void avisa() { if (aoMudar) aoMudar(); }
  // Runs a change that the view can only follow by rebuilding its picture.
  void refaz(const std::function<void()> &mudanca);
  QList<Linha> linhas_;
  int cols_ = 0;
  int row_ = 0, col_ = 0, rowSel_ = 0, colSel_ = 0;
  int topRow_ = 1;
  QList<AlinhamentoColuna> alinhamentos_;
  QHash<int, int> larguras_;
  ObservadorGrade *observador_ = nullptr;
};
