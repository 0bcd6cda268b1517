#pragma once
// The demo shop: db/demo.sql, its operators and the generated part of its
// catalogue.
#include <QList>
#include <QString>

class ConexaoBanco;

struct OperadorDemo {
  int codigo;
  const char *nome;
  const char *senha;
  bool direitoCaixa;
};

// Operators of the demo shop and their plain passwords.
const QList<OperadorDemo> &OperadoresDemo();

// Products of the demo: the hand-picked ones of demo.sql and generated ones
// from code 1000 up to this total.
inline constexpr int ProdutosDemo = 300;

// Loads the demo into a database that holds the schema. Throws ErroBanco.
void CarregaDemo(ConexaoBanco &conexao);
