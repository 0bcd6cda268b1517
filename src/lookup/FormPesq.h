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
  // Rows are copied into the grid in blocks of this size between repaints.
  static constexpr int LinhasPorPasso = 2000;

 private:
  void teclaPergunta(int &tecla, int shift);
  void teclaGrade(int &tecla, int shift);
  void preparaColunas();
  void preencheGrade();
  void devolveLinha();
  void limpaGrade();
  void comTratamento(const char *rotina, const std::function<void()> &passo);

  const TipoPesquisa *tipo_ = nullptr;
  std::unique_ptr<ClGrade1> ajudante_;
  Recordset rsPesquisa_;
  TelaRegistrada *formAnterior_ = nullptr;
  QString primeiroPadrao_;
};

// Copies result rows into the grid as cell texts of the kind's columns,
// telling the progress (rows copied, total) every LinhasPorPasso rows.
void PreencheGradePesquisa(Grade &grade, const TipoPesquisa &tipo, const QList<QVariantList> &linhas,
                           const std::function<void(int, int)> &progresso = {});
// A cell's text as the grid shows it.
QString TextoCelulaPesquisa(const QVariant &valor, TipoCelula tipo);

// Opens the search dialog modally for a kind ("Cli", "Pro", ...).
void AbrePesquisa(Aplicacao &app, const QString &tipoPesq);
