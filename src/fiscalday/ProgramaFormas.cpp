#include "fiscalday/ProgramaFormas.h"

#include "core/Database.h"
#include "core/Operator.h"
#include "core/Teclas.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"

ProgramaFormas::ProgramaFormas(Aplicacao &app)
    : Tela(app, "ProgramaFormas", QStringLiteral("PROGRAMA FORMAS DE PAGAMENTO")) {
  adiciona("Label1", TipoCampo::Rotulo).setTexto("PROGRAMA FORMAS PGTO");
  Campo &lista = adiciona("ListFormas", TipoCampo::Lista);
  lista.tabStop = false;
  Campo &ok = adiciona("OK", TipoCampo::Botao);
  ok.setTexto("OK");
  ok.setEnabled(false);
  ok.aoClicar = [this] { this->app().descarrega(*this, true); };
}

void ProgramaFormas::ativa() {
  if (feito_) return;
  feito_ = true;
  try {
    const Ampulheta ampulheta(app());
    programa();
  } catch (const ErroBanco &erro) {
    app().operador().avisa(QStringLiteral("Erro ao ler as formas de pagamento: ") + erro.descricao());
  }
  campo("OK").setEnabled(true);
  focaCampo("OK", false);
}

void ProgramaFormas::programa() {
  TerminalState &e = estado();
  e.Retorno = EcfVerificaFormasPagamento(e);
  const QString tabela = e.FormasPgtoEcf.toUpper();
  EcfNomeiaTotalizadorNaoSujeitoIcms(e, 1, QStringLiteral("Receb de Contas"));
  FechaRs(*e.RsGeral);
  e.StrSql = "Select * From Tb_Vda_FormPgt Order by CodFpg";
  e.RsGeral->abre(e.StrSql, e.conexao());
  // The names first: the statement is closed before the printer is talked to.
  QStringList nomes;
  for (; !e.RsGeral->EOF_(); e.RsGeral->MoveNext())
    nomes << SemNulo((*e.RsGeral)["NomFpg"]).toString().left(TamanhoNome);
  FechaRs(*e.RsGeral);
  Campo &lista = campo("ListFormas");
  for (const QString &nome : nomes) {
    if (tabela.contains(nome.toUpper())) {
      lista.adicionaItem(nome + QStringLiteral(" JÀ EXISTE !"));
    } else {
      e.Retorno = EcfProgramaFormaPagamentoMFD(e, nome, QStringLiteral("0"));
      lista.adicionaItem(nome + QStringLiteral(" PROGRAMADA !"));
    }
    app().deixaRedesenhar();
    VerificaComunicacao(e);
  }
}
