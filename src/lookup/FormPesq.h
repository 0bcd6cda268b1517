#pragma once
// The search dialog: the kind comes in TipoPesq; the typed words become one
// statement; Enter in the grid hands the chosen row back through the state.
#include <memory>

#include "core/Database.h"
#include "core/Tela.h"
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
  static constexpr int PrimeiraPagina = 1000;
  static constexpr int LinhasPorPasso = 2000;
  int primeiraPagina = PrimeiraPagina, linhasPorLeitura = LinhasPorPasso;
  bool lendo() const { return lendo_; }

 private:
  void teclaPergunta(int &tecla, int shift);
  void teclaGrade(int &tecla, int shift);
  void preparaColunas();
  // Moves the rows read so far out of the result set into the grid.
  int transfereLinhas(bool primeiraPagina);
  void devolveLinha();
  void limpaGrade();
  void comTratamento(const char *rotina, const std::function<void()> &passo);

  const TipoPesquisa *tipo_ = nullptr;
  std::unique_ptr<ClGrade1> ajudante_;
  Recordset rsPesquisa_;
  TelaRegistrada *formAnterior_ = nullptr;
  QString primeiroPadrao_;
  bool lendo_ = false, interrompida_ = false, devolveAoFim_ = false;
};

// The cell texts of result rows in the kind's columns.
QList<QStringList> CelulasPesquisa(const TipoPesquisa &tipo, const QList<QVariantList> &linhas);
// Copies result rows into the grid as cell texts of the kind's columns,
// telling the progress (rows copied, total) every LinhasPorPasso rows.
void PreencheGradePesquisa(Grade &grade, const TipoPesquisa &tipo, const QList<QVariantList> &linhas,
                           const std::function<void(int, int)> &progresso = {});
// A cell's text as the grid shows it.
QString TextoCelulaPesquisa(const QVariant &valor, TipoCelula tipo);

// Opens the search dialog modally for a kind ("Cli", "Pro", ...).
void AbrePesquisa(Aplicacao &app, const QString &tipoPesq);
