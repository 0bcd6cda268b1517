#pragma once
// The desk's index of product descriptions: every product's description, code,
// internal code, barcode and active mark, in the database's own description
// order (as `ORDER BY NomPro` returns them), kept in one file on the desk's
// drive. The product search reads it to find its first page's codes at once,
// while the server still sorts every match; the rows it shows are always
// read from the database, and the statement's own rows replace them.
//
// The file can be older than the catalogue: a product renamed, added or
// deactivated since it was written is placed where it was then, or missing.
// Nothing is ever taken from it but codes and their order.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class ConexaoBanco;

// The index's place on a drive ("c:\kw-velt\..." as the program names it).
inline constexpr const char *ArquivoIndiceProdutos = "c:\\kw-velt\\produtos.idx";

// Writes the index of the connection's catalogue to `arquivo` (replaced in one
// step: a reader never sees half a file). `lidos` is told the products
// written so far, every 100,000. False with the reason in `erro`.
bool GravaIndiceProdutos(ConexaoBanco &conexao, const QString &arquivo, QString *erro,
                         const std::function<void(qint64)> &lidos = {});

// What the search looks for, as its statement does: every word inside the
// description (LIKE '%word%', letter case as typed); with one word, also
// inside the internal code or the barcode.
struct BuscaIndice {
  QStringList palavras;
  bool somenteAtivos = false;
  int quantos = 1000;
};

// The codes of the first `quantos` matches in description order, read from the
// index file; nullopt when there is no usable index (no file, another format,
// a word holding a LIKE wildcard, a word the code page cannot hold).
std::optional<QList<int>> CodigosDoIndice(const QString &arquivo, const BuscaIndice &busca);
