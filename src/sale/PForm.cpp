#include "sale/PForm.h"

#include <QCoreApplication>
#include <QDateTime>

#include "access/Inicializacao.h"
#include "core/Database.h"
#include "core/Logs.h"
#include "core/Operator.h"
#include "core/Utilidades.h"
#include "lookup/FormPesq.h"
#include "platform/Host.h"

PForm::PForm(Aplicacao &app) : Tela(app, "PForm", TituloTelaVenda) {
  adiciona("Empresa", TipoCampo::Rotulo);
  adiciona("Versao", TipoCampo::Rotulo);
  adiciona("Caixa", TipoCampo::Rotulo);
  adiciona("TxtMens", TipoCampo::Rotulo).setTexto("Mensagens");
  adiciona("StBar1", TipoCampo::Rotulo);
  adiciona("StBar2", TipoCampo::Rotulo);
  // The help line: the tool-tip of the field in focus.
  adiciona("LbMens", TipoCampo::Rotulo).setTexto(app.estado().LbMens);
  handleJanela = static_cast<quint64>(QCoreApplication::applicationPid());
  criaMenuPesquisas();
}

void PForm::criaMenuPesquisas() {
  Campo &gerencia = adiciona("P02", TipoCampo::Menu);
  gerencia.setTexto(QStringLiteral("&2 - Gerência"));
  auto entrada = [&](const char *nome, const QString &legenda, const char *tipo, QString TerminalState::*limpa) {
    Campo &item = adiciona(nome, TipoCampo::Menu);
    item.setTexto(legenda);
    item.painel = &gerencia;
    item.aoClicar = [this, tipo, limpa] {
      AbrePesquisa(app(), tipo);
      estado().*limpa = QString();
    };
  };
  entrada("P0203", QStringLiteral("&3 - Pesquisa Produtos (Descrição,Cod Resumo, Barras)"), "Pro", &TerminalState::CodProPesq);
  entrada("P0204", QStringLiteral("&4 - Consulta Clientes (Razão, Fantazia)"), "Cli", &TerminalState::CodCliPesq);
}

void PForm::preencheProgramasSuite() {
  // Accounting, receivables, payables, stock, sales and purchases.
  estado().ProgramasSuite = {QString(), "Contabil.exe", "Receber.exe", "Pagar.exe",
                             "Estoque.exe", "Vendas.exe", "Compras.exe"};
}

void PForm::leEmpresa() {
  TerminalState &e = estado();
  FechaRs(*e.RsGeral);
  e.StrSql = "Select * From TB_GER_PARAMETROS";
  e.RsGeral->abre(e.StrSql, e.conexao());
  if (e.RsGeral->EOF_()) return;
  Recordset &rs = *e.RsGeral;
  e.NomeEmpresa = SemNulo(rs["Nome_Da_Empresa"]).toString();
  e.EnderecoEmpresa = SemNulo(rs["Endereco_da_Empresa"]).toString();
  e.CodEmpresa = static_cast<int32_t>(ParaNumero(rs["EmpCtg"]));
  e.CtaVdaVis = SemNulo(rs["CtaVdaVis"]).toString();
  e.CtaVdaPrz = SemNulo(rs["CtaVdaPrz"]).toString();
  e.LocCxaMat = static_cast<int32_t>(ParaNumero(rs["LocCxaMat"]));
  e.LocCxaFil = static_cast<int32_t>(ParaNumero(rs["LocCxaFil"]));
  e.CtaCtoVda = SemNulo(rs["CtaCtoVda"]).toString();
  e.CtaEstBai = SemNulo(rs["CtaEstBai"]).toString();
  e.CtaVarEst = SemNulo(rs["CtaVarEst"]).toString();
  FechaRs(rs);
}

void PForm::confereEmpresaEExercicio() {
  TerminalState &e = estado();
  e.StrSql = "SELECT CodEmp,MasEmp,AnoEmp FROM TB_CTG_CADEMP WHERE CodEmp=" + QString::number(e.CodEmpresa);
  e.RsGeral->abre(e.StrSql, e.conexao());
  if (e.RsGeral->EOF_()) {
    app().operador().avisa(QStringLiteral("Empresa de Trabalho não existe !!"));
    FinalizaPdv(e, "empresa de trabalho inexistente");
  }
  e.MasEmp = SemNulo((*e.RsGeral)["MasEmp"]).toString();
  e.AnoExercicio = static_cast<int16_t>(ParaNumero((*e.RsGeral)["AnoEmp"]));
  FechaRs(*e.RsGeral);
  if (e.DataSistema.year() != e.AnoExercicio) {
    app().operador().avisa(QStringLiteral("Exercício invalido. Encerre exercício da empresa  !! (") +
                           QString::number(e.AnoExercicio) + " <> " + QString::number(e.DataSistema.year()) + ")");
    FinalizaPdv(e, "exercício inválido");
  }
}

void PForm::registraAcesso(const QString &entrada) {
  TerminalState &e = estado();
  e.StrSql = "Select GEN_ID(NUMACESSO,1) AS NUMACESSO FROM TB_GER_PARAMETROS";
  e.RsGeral->abre(e.StrSql, e.conexao());
  const QVariant numero = (*e.RsGeral)["NumAcesso"];
  FechaRs(*e.RsGeral);
  e.StrSql = MontaSql("INSERT INTO TB_GER_ACESSOS (NUMACESSO,SISTEMA,MAQUINA,USUARIO,ENTRADA,NUMJAN) VALUES (?,?,?,?,?,?)",
                      {numero, QStringLiteral("PDV"), e.NomeMaquina, e.NomUsuario, entrada,
                       static_cast<qulonglong>(handleJanela)});
  e.conexao().executa(e.StrSql);
}

void PForm::mostraLegendas() {
  TerminalState &e = estado();
  campo("Versao").setTexto(QStringLiteral("Versão: %1.%2.%3").arg(PDV_VERSION_MAJOR).arg(PDV_VERSION_MINOR).arg(PDV_VERSION_PATCH));
  campo("Empresa").setTexto(" .: " + e.NomeEmpresa + " :. ");
  campo("StBar2").setTexto("User.: " + textoUsuario_);
  campo("Caixa").setTexto(e.NumCaixa);
}

void PForm::carrega() {
  TerminalState &e = estado();
  e.FormVenda = this;
  e.FormAtual = this;
  preencheProgramasSuite();
  try {
    LeDataServidor(e);
    const QDateTime agora = e.relogio().now();
    const QString entrada = agora.toString("MM/dd/yyyy hh:mm:ss");
    e.NomeMaquina = platform::hostName();
    leEmpresa();
    confereEmpresaEExercicio();
    textoUsuario_ = e.NomUsuario.left(40) + "-" + QString::number(e.CodUsuario);
    registraAcesso(entrada);
  } catch (const ErroBanco &erro) {
    app().operador().avisa(QStringLiteral("Erro ao preparar a tela de venda: ") + erro.descricao());
    FinalizaPdv(e, "banco de dados indisponível");
  }
  e.FormPrincipal = this;
  mostraLegendas();
}

void PForm::ativa() {
  TerminalState &e = estado();
  try {
    FechaRs(*e.RsGeral);
    e.StrSql = "Select * From Bloqueia_Venda";
    e.RsGeral->abre(e.StrSql, e.conexao());
    if (e.RsGeral->EOF_()) {
      FechaRs(*e.RsGeral);
      if (descarregaLogin) descarregaLogin();
      return;
    }
    const QString usuario = SemNulo((*e.RsGeral)["Usuario"]).toString();
    const QString maquina = SemNulo((*e.RsGeral)["MAQUINA"]).toString();
    FechaRs(*e.RsGeral);
    app().operador().avisa("Processamento Bloqueado por " + usuario + " - " + maquina);
  } catch (const ErroBanco &erro) {
    app().operador().avisa(QStringLiteral("Erro ao consultar o bloqueio de vendas: ") + erro.descricao());
  }
  app().descarrega(*this, true);
}

bool PForm::podeFechar() { return !estado().EcfOcupada; }

void PForm::descarrega() {
  // Closing the sale screen ends the run: the connection first, then the port.
  FechaConexao(estado());
  FinalizaPdv(estado(), "tela de venda fechada");
}
