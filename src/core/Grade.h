#pragma once
// A text grid: cells as text, fixed header rows, current row and column,
// selection, top visible row, cell colours, and the column layout string
// (">Código|<Descrição|^Dt Vencimento": alignment mark then header).
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

enum class AlinhamentoColuna { Esquerda, Direita, Centro };

class Grade {
 public:
  int Rows() const { return static_cast<int>(celulas_.size()); }
  int Cols() const { return cols_; }
  void setRows(int n);
  void setCols(int n);
  int FixedRows = 1;
  int Row = 0, Col = 0, RowSel = 0, ColSel = 0;
  int TopRow() const { return topRow_; }
  void setTopRow(int r);

  QString TextMatrix(int r, int c) const;
  void setTextMatrix(int r, int c, const QString &texto);
  // Adds a row (cells separated by tabs) at the end or before a row.
  void AddItem(const QString &linha, int antes = -1);
  void RemoveItem(int linha);
  // Removes every row but the header rows.
  void LimpaLinhas();
  // Replaces every row after the headers at once (for large result sets).
  void substituiLinhas(QList<QStringList> linhas);
  // Blanks every cell below the headers (one change for the view).
  void limpaCelulas();
  // Keeps the rows below the headers for which `fica` is true, in one change;
  // `examinada` is told each row number as it is examined. Returns how many
  // rows were removed. The last remaining row is never removed.
  int mantemLinhas(const std::function<bool(const QStringList &)> &fica,
                   const std::function<void(int)> &examinada = {});

  // Columns from a layout string; sets the header row and the alignments.
  void FormatString(const QString &layout);
  AlinhamentoColuna alinhamento(int c) const { return alinhamentos_.value(c, AlinhamentoColuna::Esquerda); }
  // Column widths in characters.
  int ColWidth(int c) const { return larguras_.value(c, 10); }
  void setColWidth(int c, int largura);

  uint32_t corFundoCelula(int r, int c) const { return coresFundo_.value(chave(r, c), 0xFFFFFF); }
  void setCorFundoCelula(int r, int c, uint32_t cor);
  uint32_t corFrenteCelula(int r, int c) const { return coresFrente_.value(chave(r, c), 0x000000); }
  void setCorFrenteCelula(int r, int c, uint32_t cor);

  const QStringList &linha(int r) const { return celulas_[r]; }
  // Told after every change (the skin repaints the view).
  std::function<void()> aoMudar;

 private:
  static qint64 chave(int r, int c) { return (static_cast<qint64>(r) << 20) | c; }
  void avisa() { if (aoMudar) aoMudar(); }
  QList<QStringList> celulas_;
  int cols_ = 0;
  int topRow_ = 1;
  QList<AlinhamentoColuna> alinhamentos_;
  QHash<int, int> larguras_;
  QHash<qint64, uint32_t> coresFundo_, coresFrente_;
};
