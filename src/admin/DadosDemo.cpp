#include "admin/DadosDemo.h"

#include "admin/BancoAdmin.h"
#include "admin/Catalogo.h"
#include "admin/Operadores.h"
#include "core/Database.h"

const QList<OperadorDemo> &OperadoresDemo() {
  static const QList<OperadorDemo> operadores = {
      {1, "MARIA APARECIDA SOUZA", "1234", true},
      {2, "JOÃO CARLOS PEREIRA", "2222", true},
      {3, "ANA BEATRIZ LIMA", "3333", false},
      {4, "PEDRO HENRIQUE ALVES", "4444", false},
      {5, "CAIXA TREINAMENTO", "", true},
      {9, "ROSÂNGELA CRUZ (GERÊNCIA)", "Gerente9", true},
  };
  return operadores;
}

static void gravaOperadoresDemo(ConexaoBanco &conexao) {
  for (const OperadorDemo &o : OperadoresDemo()) {
    Operador op;
    op.codigo = o.codigo;
    op.nome = QString::fromUtf8(o.nome);
    op.senha = QString::fromUtf8(o.senha);
    op.direitoCaixa = o.direitoCaixa;
    QString erro;
    if (!GravaOperador(conexao, op, &erro)) throw ErroBanco(-1, erro);
  }
  // Operator 3 works in stock only; operator 4 holds a right named by his own
  // code, which the login takes as the cash-desk right too.
  conexao.executa("INSERT INTO Tb_Ger_RotUsu (SisRot,UserRot,CdgRot) VALUES ('EST',3,'R0101')");
  conexao.executa("INSERT INTO Tb_Ger_RotUsu (SisRot,UserRot,CdgRot) VALUES ('VDA',4,'4')");
  conexao.executa("INSERT INTO Tb_Ger_RotUsu (SisRot,UserRot,CdgRot) VALUES ('VDA',9,'R0408')");
}

void CarregaDemo(ConexaoBanco &conexao) {
  AplicaScript(conexao, TextoScript("demo.sql"));
  gravaOperadoresDemo(conexao);
  Recordset rs;
  rs.abre("SELECT COUNT(*) AS Total FROM TB_EST_CADPRO", conexao);
  const qint64 escolhidos = rs.campo("Total").toLongLong();
  if (escolhidos < ProdutosDemo)
    InsereCatalogo(conexao, ProximoCodigoProduto(conexao), ProdutosDemo - escolhidos);
}
