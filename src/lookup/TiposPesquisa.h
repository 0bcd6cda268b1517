#pragma once
// The five search kinds of the search dialog and the statement it builds
// from the typed words.
#include <QList>
#include <QString>
#include <QStringList>

enum class TipoCelula { Numero, Texto, Data, Percentual };
enum class AlinhaCelula { Esquerda, Direita, Centro };

struct ColunaPesquisa {
  QString campo;
  QString cabecalho;
  int largura;  // characters
  TipoCelula tipo;
  AlinhaCelula alinhamento;
};

struct TipoPesquisa {
  QString codigo;  // "Cli", "Ven", "Cpg", "Pro", "Epn"
  QString titulo;
  QList<ColunaPesquisa> colunas;
  QString campos;
  QString tabela;
  QString colunaBusca;
};

// The kind for a TipoPesq value; nullptr for any other text.
const TipoPesquisa *TipoPesquisaDe(const QString &codigo);

// The product views: every product, or the active ones only.
inline constexpr const char *TabelaProdutos = " PROFAB ";
inline constexpr const char *TabelaProdutosAtivos = " PROFAB_ATIVO ";

// The complete SELECT for the typed question. Every typed word reaches the
// statement as a quoted literal, so a quote is searched for, never run.
QString MontaSqlPesquisa(const TipoPesquisa &tipo, const QString &pergunta, bool somenteAtivos = false);

// The typed words, as the statement takes them (split at every blank).
QStringList PalavrasPesquisa(const QString &pergunta);

// The statement's rows among `codigos` codes bound as parameters (at most
// 1,500, the server's bound on a list), in no order: the same columns, view
// and condition as MontaSqlPesquisa, restricted to those codes. For the kinds
// searched by words (not "Epn").
QString MontaSqlPorCodigos(const TipoPesquisa &tipo, const QString &pergunta, bool somenteAtivos, int codigos);
