#pragma once
// The search dialog: the kind comes in TipoPesq; the typed words become one
// statement; Enter in the grid hands the chosen row back through the state.
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>

#include "core/Database.h"
#include "core/Tela.h"
#include "core/Trabalhador.h"
#include "lookup/ClGrade1.h"
#include "lookup/TiposPesquisa.h"

class FormPesq : public Tela {
 public:
  explicit FormPesq(Aplicacao &app);
  ~FormPesq() override;
  void carrega() override;
  void ativa() override;
  void descarrega() override;

  // Runs the search for the words in Pergunta (Enter in Pergunta).
  void pesquisa();
  const TipoPesquisa *tipo() const { return tipo_; }
  ClGrade1 &ajudante() { return *ajudante_; }
  // The first rows shown at once; the rest are read and added behind them
  // in blocks, while the cashier can already move in the grid (Esc stops
  // the reading, Enter takes the row at once).
  //
  // With a cashier at the window (the skin lets the operator act), every
  // read runs on a worker thread while the window keeps answering: Esc
  // cancels the statement on the server, even while the server is still
  // sorting for the first page. Without one (replay) the reads run in line.
  static constexpr int PrimeiraPagina = 1000;
  // A block read is held as values while the block before it goes into the
  // grid: two blocks of values at a time, about 0.6 KB a row. Blocks of the
  // first page's size keep that under 1.5 MB at no cost in time.
  static constexpr int LinhasPorPasso = 1000;
  int primeiraPagina = PrimeiraPagina, linhasPorLeitura = LinhasPorPasso;
  // Waiting for the first page.
  bool buscando() const { return buscando_; }
  // The first page is shown and the rest is being read.
  bool lendo() const { return lendo_; }
  // The grid shows the preview of the first page (see mostraPrevia), not yet
  // the statement's own rows.
  bool previa() const { return previa_; }

 private:
  void teclaPergunta(int &tecla, int shift);
  void teclaGrade(int &tecla, int shift);
  void preparaColunas();
  // Puts rows read into the grid (`completo`: the last of them); returns how many.
  int transfereLinhas(LinhasCompactas linhas, bool primeiraPagina, bool completo);
  void devolveLinha();
  void limpaGrade();
  void comTratamento(const char *rotina, const std::function<void()> &passo);
  // Runs one read of the search's result set (see above); rethrows its error.
  // `enquanto` (when given) runs meanwhile, on this thread, while the read
  // runs on the worker (in a replay too): it must not touch the result set.
  // `aCadaVolta` (when given) runs on this thread every few milliseconds
  // while the window answers (with a cashier at it).
  void le(const std::function<void()> &leitura, const std::function<void()> &enquanto = {},
          const std::function<void()> &aCadaVolta = {});
  // Esc (or Enter in the grid) while a search runs: the running statement is
  // cancelled; `devolver` takes the current row once the reading stopped.
  void interrompe(bool devolver);
  // Cancels a read still running on the worker and waits for its end (the
  // result set is then free); `descarta` forgets its outcome.
  void aguardaLeitura(bool descarta);
  // A product search's first page at once, while the server still sorts
  // every match for its statement: the desk's index of descriptions
  // (IndiceProdutos) gives the codes of its first matches in description
  // order, and their rows are read by code with the statement's own
  // condition, on a thread and a connection of the preview's own (`lePrevia`,
  // which touches nothing of the dialog's); the rows are put in the
  // statement's order and shown (`mostraPrevia`). The preview stays only
  // until the statement's first page replaces it; while it shows, the dialog
  // is still searching (Enter waits, Esc stops and puts back what was shown
  // before, kept in `antes`), so no row of it can be chosen. No index, or any
  // failure: no preview, the search goes on as without one.
  QList<QVariantList> lePrevia(const QString &pergunta, bool somenteAtivos);
  void mostraPrevia(QList<QVariantList> linhas, std::optional<Grade::Guardadas> &antes);
  // Stops a preview still being read and waits for its thread.
  void aguardaPrevia();

  const TipoPesquisa *tipo_ = nullptr;
  std::unique_ptr<ClGrade1> ajudante_;
  Recordset rsPesquisa_;
  TelaRegistrada *formAnterior_ = nullptr;
  QString primeiroPadrao_;
  bool buscando_ = false, lendo_ = false, interrompida_ = false, devolveAoFim_ = false, previa_ = false;
  // The preview's connection, opened by its thread at its first use and
  // reopened after a failure; its read running, and its stop.
  std::unique_ptr<ConexaoBanco> conexaoPrevia_;
  std::future<QList<QVariantList>> previaLida_;
  std::atomic<bool> paraPrevia_ = false;
  std::future<void> leitura_;  // the read running on the worker
  // The worker: one thread for every read of the dialog's life (the rest of
  // a search comes in many blocks, each read while the last is shown).
  // Declared last, so its thread ends before the members its reads use go.
  Trabalhador leitor_;
};

// Result rows as grid rows in the kind's columns (cell texts as the grid shows them).
LinhasCompactas LinhasPesquisa(const TipoPesquisa &tipo, const QList<QVariantList> &linhas);
// Rows kept as the server sent them as grid rows, the same texts as the
// above makes of their values.
LinhasCompactas LinhasPesquisa(const TipoPesquisa &tipo, const LinhasGuardadas &linhas);
// A cell's text as the grid shows it.
QString TextoCelulaPesquisa(const QVariant &valor, TipoCelula tipo);

// Opens the search dialog modally for a kind ("Cli", "Pro", ...). `destino`
// is the field that asked for it: the only one that takes the code handed
// back, in its got-focus step as the dialog closes (TomaCodigoPesquisa).
// Without one (a menu's search, the customer choice, which reads its result
// itself) no field takes it. Codes an earlier search left are dropped.
void AbrePesquisa(Aplicacao &app, const QString &tipoPesq, const Campo *destino = nullptr);
// For a field's got-focus step: the code the search this field opened
// handed back in `codigo` (CodPesquisa, CodCpgPesq, ...) is put in the field
// and the hand-over emptied, so it is taken once. False when the field did
// not open the search that is closing, or nothing was chosen.
bool TomaCodigoPesquisa(Campo &campo, QString TerminalState::*codigo);
