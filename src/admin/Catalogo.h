#pragma once
// Product codes and the generated product catalogue.
#include <QString>
#include <QStringList>
#include <functional>

#include "core/Documentos.h"
#include "core/Moeda.h"

class ConexaoBanco;


// Every tax code the cash desk classifies, group by group (taxed, reduced
// base, substitution, exempt, not taxed, deferred), plus one outside them.
const QStringList &CodigosTributacao();

struct ProdutoCatalogo {
  qint64 codigo = 0;
  QString cdi;  // internal code: six digits or more
  QString ean;  // EAN-13 "789" + nine digits of the code + check digit
  QString nome;
  int fabricante = 0;
  QString tributacao;
  Moeda preco;
  qint64 estoque = 0;  // units
  Moeda reducao, aliquotaEstado, aliquotaInterestadual;
};

// The product the catalogue gives a code: the same code always gives the
// same product.
ProdutoCatalogo ProdutoGerado(qint64 codigo);

// The first code after the products already stored (never below 1000, where
// the generated catalogue starts).
qint64 ProximoCodigoProduto(ConexaoBanco &conexao);

// Inserts the generated products primeiro .. primeiro + quantidade - 1 in one
// transaction with one prepared statement. Throws ErroBanco (nothing is then
// stored).
void InsereCatalogo(ConexaoBanco &conexao, qint64 primeiro, qint64 quantidade);
