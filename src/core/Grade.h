#pragma once
// A text grid: cells as text, fixed header rows, current row and column, the
// selected range, the top visible row, cell colours that belong to their row,
// and the column layout string (">Código|<Descrição      |^Dt Vencimento":
// alignment mark, header, and the run of blanks after it setting the width).
#include <QAnyStringView>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

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

// Rows built for a grid in one block: every cell's text in one buffer (one
// byte a character while every character fits Latin-1), the cells as ranges
// of it. A search's result of a hundred thousand rows costs a few bytes a
// cell more than its text, and no allocation per cell.
class LinhasCompactas {
 public:
  explicit LinhasCompactas(int colunas) : b_(std::make_shared<Bloco>()) { b_->colunas = std::max(0, colunas); }
  int colunas() const { return b_->colunas; }
  // The rows completed so far.
  int linhas() const { return b_->colunas ? static_cast<int>(b_->tamanhos.size() / b_->colunas) : 0; }
  // The next cell, row after row (a row has `colunas` cells).
  void acrescenta(QStringView texto);
  void acrescenta(QLatin1StringView texto);
  // A row's cells; missing cells are blank, extra ones dropped.
  void acrescentaLinha(const QStringList &celulas);

 private:
  friend class Grade;
  struct Bloco {
    QByteArray latin1;  // the text while all of it fits Latin-1
    QString largo;      // the text once a character did not
    bool ehLargo = false;
    std::vector<uint32_t> inicios;  // where each row's text starts
    // Each cell's length, its cells one after another; kLongo: the length is in `longos`.
    static constexpr uint8_t kLongo = 255;
    std::vector<uint8_t> tamanhos;
    std::unordered_map<size_t, uint32_t> longos;  // by cell number
    int colunas = 0;
    // A column of few distinct texts (a maker, a state, a rate) keeps each
    // text once: its cells are not in the rows' text, and a cell's byte in
    // `tamanhos` is the number of its text in `valores` (decided as the
    // block is kept, see fecha).
    std::vector<bool> porValor;
    std::vector<QStringList> valores;  // by column
    bool codificada(int c) const { return !porValor.empty() && porValor[c]; }
    uint32_t tamanho(size_t k) const { return tamanhos[k] == kLongo ? longos.at(k) : tamanhos[k]; }
    QAnyStringView celula(int linha, int c) const {
      const size_t primeira = static_cast<size_t>(linha) * colunas;
      if (codificada(c)) return QStringView(valores[c][tamanhos[primeira + c]]);
      uint32_t inicio = inicios[linha];
      for (int i = 0; i < c; ++i)
        if (!codificada(i)) inicio += tamanho(primeira + i);
      const uint32_t n = tamanho(primeira + c);
      if (ehLargo) return QStringView(largo).mid(inicio, n);
      return QLatin1StringView(latin1.constData() + inicio, n);
    }
    // The block complete: columns worth it go by value, spare capacity goes.
    void fecha();
    bool fechado = false;
    // A cell's place and length; the text itself is the caller's.
    void inicia(qsizetype tamanho);
  };
  std::shared_ptr<Bloco> b_;
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
  // The same text without a copy, valid until the grid changes.
  QAnyStringView celula(int r, int c) const;
  void setTextMatrix(int r, int c, const QString &texto);
  // Adds a row (cells separated by tabs) at the end or before a row.
  void AddItem(const QString &linha, int antes = -1);
  void RemoveItem(int linha);
  // Removes every row but the header rows.
  void LimpaLinhas();
  // Rows added at the end, told to the view as one insertion (a search
  // filling its grid page by page). Adding blocks costs time in proportion to
  // the rows added: the rows are kept in chunks, never copied whole.
  void acrescentaLinhas(QList<QStringList> linhas);
  void acrescentaLinhas(LinhasCompactas linhas);
  // Replaces every row after the headers at once (for large result sets).
  void substituiLinhas(QList<QStringList> linhas);
  void substituiLinhas(LinhasCompactas linhas);
  // Blanks every cell below the headers (one change for the view).
  void limpaCelulas();
  // Keeps the rows below the headers for which `fica` is true, in one change;
  // `examinada` is told each row number as it is examined. Returns how many
  // rows were removed. The last remaining row is never removed.
  int mantemLinhas(const std::function<bool(const QStringList &)> &fica,
                   const std::function<void(int)> &examinada = {});
  // The same, deciding on one column's cell (no copy of the rows' texts).
  int mantemLinhas(int coluna, const std::function<bool(QAnyStringView)> &fica,
                   const std::function<void(int)> &examinada = {});

  // Columns from a layout string; sets the header row, the alignments and the
  // widths (a column's text, title and trailing blanks, counted in characters).
  void FormatString(const QString &layout);
  AlinhamentoColuna alinhamento(int c) const { return alinhamentos_.value(c, AlinhamentoColuna::Esquerda); }
  // Column widths in characters (0 hides the column).
  int ColWidth(int c) const { return larguras_.value(c, 10); }
  void setColWidth(int c, int largura);

  uint32_t corFundoCelula(int r, int c) const { return cor(r, c, &Proprias::fundo, CorFundoGrade); }
  void setCorFundoCelula(int r, int c, uint32_t cor);
  uint32_t corFrenteCelula(int r, int c) const { return cor(r, c, &Proprias::frente, CorFrenteGrade); }
  void setCorFrenteCelula(int r, int c, uint32_t cor);
  // Every cell of a row at once.
  void setCorLinha(int r, uint32_t fundo, uint32_t frente);

  // The cells of a row (a copy).
  QStringList linha(int r) const;
  // Told after every change (the screen repaints the control).
  std::function<void()> aoMudar;
  // The view that follows the grid change by change (the skin's model).
  void setObservador(ObservadorGrade *o) { observador_ = o; }
  ObservadorGrade *observador() const { return observador_; }

 private:
  // What a row holds of its own: its cells when they are not in a block
  // (headers, rows added or edited one by one), its colours when any is set.
  struct Proprias {
    QStringList celulas;
    QList<uint32_t> fundo, frente;  // empty: every cell in the default colour
    uint64_t lugar = 0;             // the row's place in a block, as Linha keeps it
  };
  // A row in eight bytes (a search keeps hundreds of thousands): the place
  // of a block's row (the block's number in blocos_ plus one, and the row
  // in it), or, with the lowest bit set, the address of what the row holds
  // of its own, which then keeps the place. Neither: every cell blank.
  class Linha {
   public:
    Linha() = default;
    Linha(uint32_t bloco, uint32_t indice) : v_((uint64_t(bloco) + 1) << 33 | uint64_t(indice) << 1) {}
    ~Linha() { delete proprias(); }
    Linha(Linha &&o) noexcept : v_(std::exchange(o.v_, 0)) {}
    Linha &operator=(Linha &&o) noexcept {
      if (this != &o) {
        delete proprias();
        v_ = std::exchange(o.v_, 0);
      }
      return *this;
    }
    Linha(const Linha &o) : v_(o.v_) {
      if (const Proprias *p = o.proprias()) v_ = marca(new Proprias(*p));
    }
    Linha &operator=(const Linha &o) {
      if (this != &o) *this = Linha(o);
      return *this;
    }
    Proprias *proprias() const { return v_ & 1 ? reinterpret_cast<Proprias *>(static_cast<uintptr_t>(v_ & ~uint64_t(1))) : nullptr; }
    Proprias &fazProprias() {
      if (!proprias()) {
        auto *p = new Proprias;
        p->lugar = v_;
        v_ = marca(p);
      }
      return *proprias();
    }
    bool noBloco() const { return lugar() != 0; }
    uint32_t bloco() const { return static_cast<uint32_t>((lugar() >> 33) - 1); }
    uint32_t indice() const { return static_cast<uint32_t>(lugar() >> 1); }
    void saiDoBloco() {
      if (Proprias *p = proprias()) p->lugar = 0;
      else v_ = 0;
    }

   private:
    uint64_t lugar() const { return v_ & 1 ? proprias()->lugar : v_; }
    static uint64_t marca(Proprias *p) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)) | 1; }
    uint64_t v_ = 0;
  };
  static_assert(alignof(Proprias) > 1);

 public:
  // The rows below the headers taken out whole (no copy), with the place in
  // them, to be put back later: what a search showed before another one
  // replaces it with a preview that may come to nothing.
  class Guardadas {
   private:
    friend class Grade;
    std::deque<Linha> linhas;
    std::vector<std::shared_ptr<const LinhasCompactas::Bloco>> blocos;
    int row = 0, col = 0, rowSel = 0, colSel = 0, topRow = 0;
  };
  // Takes the rows out (one change for the view); the grid keeps its headers.
  Guardadas guardaLinhas();
  // Puts rows taken out back in place of the current ones (one change).
  void devolveLinhas(Guardadas guardadas);

 private:
  // The block a row is in (none: nullptr).
  const LinhasCompactas::Bloco *blocoDe(const Linha &l) const { return l.noBloco() ? blocos_[l.bloco()].get() : nullptr; }
  uint32_t cor(int r, int c, QList<uint32_t> Proprias::*lista, uint32_t padrao) const;
  void pintaCelula(int r, int c, QList<uint32_t> Proprias::*lista, uint32_t padrao, uint32_t cor);
  // The row's cells made its own (before one of them changes).
  QStringList &celulasProprias(Linha &l) const;
  Proprias &proprias(Linha &l) const;
  void ajustaLinha(Linha &l) const;
  // Appends the rows, fitted to the columns, without telling anyone.
  void anexaLinhas(LinhasCompactas novas);
  // Header rows that are a block's (rows made headers by a larger FixedRows)
  // take their cells as their own: the blocks are about to change hands.
  void cabecalhosProprios();
  // Blocks no row uses any more are let go.
  void soltaBlocos();
  void corrigePosicao();
  void avisa() { if (aoMudar) aoMudar(); }
  // Runs a change that the view can only follow by rebuilding its picture.
  void refaz(const std::function<void()> &mudanca);
  int mantemLinhasSe(const std::function<bool(int)> &fica, const std::function<void(int)> &examinada);
  // In chunks: a grid of many rows grows without ever being copied whole.
  std::deque<Linha> linhas_;
  std::vector<std::shared_ptr<const LinhasCompactas::Bloco>> blocos_;
  int cols_ = 0;
  int row_ = 0, col_ = 0, rowSel_ = 0, colSel_ = 0;
  int topRow_ = 1;
  QList<AlinhamentoColuna> alinhamentos_;
  QHash<int, int> larguras_;
  ObservadorGrade *observador_ = nullptr;
};
