#include "sale/PForm.h"

#include <QCoreApplication>
#include <QDateTime>

#include "access/Inicializacao.h"
#include "closing/ServicoFechamento.h"
#include "closing/FechaCupom.h"
#include "fiscalday/MenuFiscal.h"
#include "fiscalday/VendasDia.h"
#include "sale/Vendedor.h"
#include "core/Database.h"
#include "core/Logs.h"
#include "core/Operator.h"
#include "core/Utilidades.h"
#include "lookup/FormPesq.h"
#include "payment/CondPgto.h"
#include "presale/Imprime_Cupom_PreVenda.h"
#include "presale/Visualiza_Venda.h"
#include "core/Teclas.h"
#include "platform/Host.h"

PForm::PForm(Aplicacao &app) : Tela(app, "PForm", TituloTelaVenda) {
  criaControles();
  criaMenus();
  handleJanela = static_cast<quint64>(QCoreApplication::applicationPid());
  keyPreview = true;
  aoTeclarForm = [this](int &t, int shift) { teclaForm(t, shift); };
}

PForm::~PForm() {
  // The application must not keep a screen that goes with this one.
  if (condPgto_ && condPgto_->carregada()) app().descarrega(*condPgto_, true);
}

void PForm::carregaPagamentos() {
  condPgto_ = std::make_unique<CondPgto>(app());
  // The payment screen pays this sale: its total, customer, fiscal operation
  // and fixed condition; the cash total comes back to Dinheiro.
  AberturaPagamento abertura;
  abertura.totalVenda = [this] { return venda_.total(); };
  abertura.cliente = [this] { return venda_.cliente; };
  abertura.operacaoFiscal = [this] { return venda_.operacao; };
  abertura.condicaoFixada = [this] { return campo("FormaPgto").texto(); };
  abertura.recebeDinheiro = [this](const Moeda &dinheiro) { campo("Dinheiro").setTexto(FormataValor(dinheiro)); };
  condPgto_->defineAbertura(std::move(abertura));
  app().carrega(*condPgto_);
  CondPgto *pagamentos = condPgto_.get();
  limpaGradePagamentos = [pagamentos] { pagamentos->LimpaPagamentos(); };
  valorAtribuido = [pagamentos] { return pagamentos->totalFormas(); };
}

QStringList PForm::estadoInterno() const {
  static const char *nomes[QuantidadeTotaisCupom] = {"BaseTributada", "ValorIcms", "BaseSubstituicao",
                                                      "ValorSubstituicao", "IsentoNaoTributado", "BaseReduzida",
                                                      "Diferido"};
  QStringList totaisCupom;
  for (int i = 0; i < QuantidadeTotaisCupom; ++i)
    totaisCupom << QString("%1=%2").arg(nomes[i], venda_.totais()[static_cast<size_t>(i)].formatada());
  return {"totais " + totaisCupom.join(' ')};
}

void PForm::criaControles() {
  criaCampos();
  criaQuadroCliente();
  criaBotoes();
}

void PForm::criaCampos() {
  adiciona("Empresa", TipoCampo::Rotulo);
  adiciona("Versao", TipoCampo::Rotulo);
  adiciona("Caixa", TipoCampo::Rotulo);
  adiciona("TxtMens", TipoCampo::Rotulo).setTexto("Mensagens");
  adiciona("ClienteLabel", TipoCampo::Rotulo)
      .setTexto(QStringLiteral("CÓD - NOME DO CLIENTE | CPF/CGC            (Click aqui ou digite Break p/ gravar um cliente)"));
  Campo &cliente = adiciona("Cliente", TipoCampo::Rotulo);
  cliente.setTexto("0-CONSUMIDOR");
  cliente.aoClicar = [this] { mostraQuadroCliente(); };
  adiciona("TitPro", TipoCampo::Rotulo)
      .setTexto(QStringLiteral("CÓDIGO, DESCRIÇÃO E PREÇO DO PRODUTO (Digite código e \".\", F10 p/ Qtde e F11 p/ Valor)"));
  Campo &produto = adiciona("Produto", TipoCampo::Texto);
  produto.toolTip = QStringLiteral("Código de barras, código interno ou código do sistema do produto e <Enter>.");
  produto.navega = false;  // Enter sells the item
  produto.aoTeclarBaixo = [this](int &t, int shift) { teclaProduto(t, shift); };
  // A product chosen in the search F2 opened here comes back, ready for Enter.
  produto.aoGanharFoco = [&produto] { TomaCodigoPesquisa(produto, &TerminalState::CodPesquisa); };
  Campo &forma = adiciona("FormaPgto", TipoCampo::Texto);
  forma.toolTip = QStringLiteral("Código da condição de pagamento da venda; F10 pesquisa.");
  forma.navega = false;
  forma.aoTeclarBaixo = [this, &forma](int &t, int) {
    if (t == tecla::Enter) {
      t = 0;
      if (!forma.texto().trimmed().isEmpty() && confereFormaPgto()) EnviaTab();
    } else if (t == tecla::F10) {
      t = 0;
      AbrePesquisa(this->app(), "Cpg", &forma);
    } else if (t == tecla::Acima) {
      t = 0;
      EnviaShiftTab();
    } else if (t == tecla::Abaixo) {
      t = 0;
      EnviaTab();
    }
  };
  forma.aoValidar = [this, &forma] { return forma.texto().trimmed().isEmpty() || confereFormaPgto(); };
  forma.aoGanharFoco = [&forma] { TomaCodigoPesquisa(forma, &TerminalState::CodCpgPesq); };
  Campo &grade = adiciona("Grade", TipoCampo::Grade);
  grade.tabStop = false;
  adiciona("LabFormaPgto", TipoCampo::Rotulo).setTexto(QStringLiteral("COND. PAGAMENTO (F10 pesquisa)"));
  for (const auto &[nome, legenda] : {std::pair{"TxtTotVen", "TOTAL DA VENDA"}, std::pair{"Dinheiro", "DINHEIRO"},
                                      std::pair{"Pago", "PAGO"}, std::pair{"Troco", "TROCO"}}) {
    adiciona(QStringLiteral("Lab") + nome, TipoCampo::Rotulo).setTexto(legenda);
    adiciona(nome, TipoCampo::Rotulo).setTexto("0,00");
  }
  for (const char *nome : {"FisEpn", "NitEpn", "NoCupom", "CodEpn", "VenEpn"}) {
    Campo &c = adiciona(nome, TipoCampo::Texto);
    c.setVisible(false);
  }
  campo("FisEpn").setTexto("5102");
  Campo &cancelado = adiciona("Cancelado", TipoCampo::Rotulo);
  cancelado.setTexto("C A N C E L A D O  !");
  cancelado.setVisible(false);
  adiciona("LabVend", TipoCampo::Rotulo).setTexto("Vendedor:");
}

void PForm::criaQuadroCliente() {
  Campo &quadro = adiciona("FrmCliente", TipoCampo::Painel);
  auto doQuadro = [&](const char *nome, TipoCampo tipo) -> Campo & {
    Campo &c = adiciona(nome, tipo);
    c.painel = &quadro;
    return c;
  };
  doQuadro("LabNomeCliente", TipoCampo::Rotulo)
      .setTexto(QStringLiteral("Nome do Cliente.................................:"));
  doQuadro("NomeDoCliente", TipoCampo::Texto).maxLength = 40;
  doQuadro("LabDocumCliente", TipoCampo::Rotulo)
      .setTexto(QStringLiteral("Numero do  Cpf ou CGC...........................:"));
  Campo &documento = doQuadro("DocumCliente", TipoCampo::Texto);
  documento.maxLength = 14;
  documento.aoTeclarCaractere = [](int &c) {
    if (c != tecla::Back && (c < '0' || c > '9')) c = 0;  // digits only
  };
  Campo &grava = doQuadro("GravaCliente", TipoCampo::Botao);
  grava.setTexto("&Grava");
  grava.aoClicar = [this] { gravaCliente(); };
  quadro.setVisible(false);
}

void PForm::criaBotoes() {
  auto botao = [this](const char *nome, const QString &legenda, std::function<void()> acao) {
    Campo &b = adiciona(nome, TipoCampo::Botao);
    b.setTexto(legenda);
    b.tabStop = false;  // the keys F2..F9 reach them; Tab stays in the fields
    b.aoClicar = std::move(acao);
  };
  botao("CmdAbreCP", "[F2] ABRE CUPOM", [this] { abreCupom(); });
  botao("CmdAbreGV", "[F3] ABRE GAVETA", [this] { abreGaveta(); });
  botao("CmdFormPG", "[F4] FORMA DE PGTO", [this] { formasPagamento(); });
  botao("CmdAlteraCLI", "[F5] ALTERA CLIENTE", [this] { alteraCliente(); });
  botao("CmdCancelaItem", "[F6] CANCELA ITENS", [this] { cancelaItem(); });
  botao("CmdFinal", "[F7] FINALIZA", [this] { CmdFinal(); });
  botao("CmdCancelCP", "[F8] CANCELA CUPOM", [this] { cancelaCupom(); });
  botao("CmdAutentica", QStringLiteral("[F9] AUTENTICAÇÃO"), [this] { autentica(); });
  adiciona("StBar1", TipoCampo::Rotulo);
  adiciona("StBar2", TipoCampo::Rotulo);
  // The help line: the tool-tip of the field in focus.
  adiciona("LbMens", TipoCampo::Rotulo).setTexto(estado().LbMens);
  iniciaGrade();
}

void PForm::criaMenus() {
  menuFiscal_ = std::make_unique<MenuFiscal>(*this);
  criaMenuGerencia();
  Campo &sistema = adiciona("P03", TipoCampo::Menu);
  sistema.setTexto(QStringLiteral("&3 - Sistema"));
  Campo &sair = adiciona("P0301", TipoCampo::Menu);
  sair.setTexto(QStringLiteral("&1 - Sair"));
  sair.painel = &sistema;
  sair.aoClicar = [this] { FinalizaPdv(estado(), "Sair"); };
}

void PForm::criaMenuGerencia() {
  auto entrada = [this](const char *nome, const QString &legenda, Campo &pai, std::function<void()> acao) {
    Campo &m = adiciona(nome, TipoCampo::Menu);
    m.setTexto(legenda);
    m.painel = &pai;
    m.aoClicar = std::move(acao);
  };
  Campo &gerencia = adiciona("P02", TipoCampo::Menu);
  gerencia.setTexto(QStringLiteral("&2 - Gerência"));
  // Prices are kept by the suite's stock program, not at the desk: the entry
  // says where, rather than doing nothing.
  entrada("P0201", QStringLiteral("&1 - Altera preço do produto"), gerencia, [this] {
    app().operador().avisa(QStringLiteral("O preço do produto é alterado no módulo de Estoque (AltGr+4)."),
                           Icone::Informacao);
  });
  auto pesquisa = [&](const char *nome, const QString &legenda, const char *tipo, QString TerminalState::*limpa) {
    entrada(nome, legenda, gerencia, [this, tipo, limpa] {
      AbrePesquisa(app(), tipo);
      estado().*limpa = QString();
    });
  };
  entrada("P0202", QStringLiteral("&2 - Imprime cupom de pré-venda"), gerencia, [this] {
    ImprimeCupomPreVenda tela(app(), *this);
    app().mostra(tela, true);
    if (tela.carregada()) app().descarrega(tela, true);
  });
  pesquisa("P0203", QStringLiteral("&3 - Pesquisa Produtos (Descrição,Cod Resumo, Barras)"), "Pro", &TerminalState::CodProPesq);
  pesquisa("P0204", QStringLiteral("&4 - Consulta Clientes (Razão, Fantazia)"), "Cli", &TerminalState::CodCliPesq);
  entrada("P0205", QStringLiteral("&5 - Visualiza Vendas"), gerencia, [this] {
    VisualizaVenda tela(app());
    app().mostra(tela, true);
    if (tela.carregada()) app().descarrega(tela, true);
  });
  entrada("P0206", QStringLiteral("&6 - Posição do Caixa"), gerencia,
          [this] { app().abreModeless(std::make_unique<VendasDia>(app())); });
  // The salesperson set shows beside "Vendedor:" for as long as the sale
  // keeps that code (the sale's reset clears it).
  auto escolhido = std::make_shared<std::pair<QString, QString>>();  // code, name
  Campo &venEpn = campo("VenEpn");
  venEpn.aoMudar = [this, escolhido, &venEpn] {
    const QString codigo = venEpn.texto().trimmed();
    QString legenda = QStringLiteral("Vendedor:");
    if (!codigo.isEmpty() && codigo != QLatin1String("0")) {
      legenda += " " + codigo;
      if (escolhido->first == codigo && !escolhido->second.isEmpty()) legenda += " - " + escolhido->second;
    }
    campo("LabVend").setTexto(legenda);
  };
  entrada("P0207", QStringLiteral("&7 - Altera Vendedor"), gerencia, [this, escolhido, &venEpn] {
    app().abreModeless(std::make_unique<Vendedor>(app(), [this, escolhido, &venEpn](const QString &codigo, const QString &nome) {
      *escolhido = {codigo, nome};
      defineVendedor(codigo);
      if (venEpn.aoMudar) venEpn.aoMudar();  // the same code again: the name may be new
    }));
  });
}

void PForm::preencheProgramasSuite() {
  // Accounting, receivables, payables, stock, sales and purchases.
  estado().ProgramasSuite = {QString(), "Contabil.exe", "Receber.exe", "Pagar.exe",
                             "Estoque.exe", "Vendas.exe", "Compras.exe"};
}

void PForm::leEmpresa() {
  TerminalState &e = estado();
  Recordset rs;
  rs.abre("Select * From TB_GER_PARAMETROS", e.conexao());
  if (rs.EOF_()) return;
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
  // A database made before the column existed keeps the default.
  if (rs.temCampo("DiasVencPdv") && ParaNumero(rs["DiasVencPdv"]) > 0)
    e.DiasVencimento = static_cast<int>(ParaNumero(rs["DiasVencPdv"]));
}

void PForm::confereEmpresaEExercicio() {
  TerminalState &e = estado();
  Recordset rs;
  rs.abre("SELECT CodEmp,MasEmp,AnoEmp FROM TB_CTG_CADEMP WHERE CodEmp=" + QString::number(e.CodEmpresa), e.conexao());
  if (rs.EOF_()) {
    app().operador().avisa(QStringLiteral("Empresa de Trabalho não existe !!"));
    FinalizaPdv(e, "empresa de trabalho inexistente");
  }
  e.MasEmp = SemNulo(rs["MasEmp"]).toString();
  e.AnoExercicio = static_cast<int16_t>(ParaNumero(rs["AnoEmp"]));
  if (e.DataSistema.year() != e.AnoExercicio) {
    app().operador().avisa(QStringLiteral("Exercício invalido. Encerre exercício da empresa  !! (") +
                           QString::number(e.AnoExercicio) + " <> " + QString::number(e.DataSistema.year()) + ")");
    FinalizaPdv(e, "exercício inválido");
  }
}

void PForm::registraAcesso(const QString &entrada) {
  TerminalState &e = estado();
  // The sale window's own handle where there is a window (the process id
  // stands for it in a run without a display).
  if (app().identificadorJanela) handleJanela = app().identificadorJanela(*this);
  const QString insert =
      "INSERT INTO TB_GER_ACESSOS (NUMACESSO,SISTEMA,MAQUINA,USUARIO,ENTRADA,NUMJAN) VALUES (?,?,?,?,?,?)";
  QVariantList valores{QStringLiteral("PDV"), e.NomeMaquina, e.NomUsuario, entrada,
                       static_cast<qulonglong>(handleJanela)};
  if (!e.conexao().emReserva()) {
    try {
      Recordset rs;
      rs.abre("Select GEN_ID(NUMACESSO,1) AS NUMACESSO FROM TB_GER_PARAMETROS", e.conexao());
      e.conexao().executa(MontaSql(insert, QVariantList{rs["NumAcesso"]} + valores));
      return;
    } catch (const ErroBanco &erro) {
      if (!erro.servidorFora()) throw;
    }
  }
  // The server away: the row waits on the drive, numbered when it is sent.
  QString guardado = MontaSql(insert, QVariantList{QString()} + valores);
  guardado.replace(insert.indexOf('?'), 2, QStringLiteral("GEN_ID(NUMACESSO,1)"));
  GuardaRegistro(guardado);
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
  try {
    VerificaImpressora();
    carregaPagamentos();
    LimpaVenda();
    // Known before the database may go away: a summarised closing needs it.
    formaUm_ = NomeFormaUm(e);
  } catch (const ErroBanco &erro) {
    app().operador().avisa(QStringLiteral("Erro ao preparar a tela de venda: ") + erro.descricao());
  }
  // Sales an earlier run kept: recorded now, then tried again on a timer
  // while any is left (never under an open coupon or another screen).
  ServicoFechamento &f = fechamento();
  f.diario().limpaGravadas(e.DataSistema);
  f.GravaVendasGuardadas(!e.conexao().emReserva());
  // Log rows a run kept while its server was away.
  if (!e.conexao().emReserva()) EnviaRegistrosGuardados(e);
  // Recorded sales whose release program a cut (or a start that failed)
  // left unstarted.
  f.LiberaPendentes();
  app().agendaPeriodica(ServicoFechamento::IntervaloGuardadasMs, [this] {
    if (estado().EcfOcupada || app().telaFrente() != this || estado().conexao().emReserva()) return;
    ServicoFechamento &f = fechamento();
    if (f.liberacoesFalhas() > 0) f.LiberaPendentes();
    if (f.diario().pendentes().isEmpty()) return;
    f.GravaVendasGuardadas(false);
  });
}

void PForm::ativa() {
  TerminalState &e = estado();
  try {
    Recordset rs;
    rs.abre("Select * From Bloqueia_Venda", e.conexao());
    if (rs.EOF_()) {
      if (descarregaLogin) descarregaLogin();
      return;
    }
    const QString usuario = SemNulo(rs["Usuario"]).toString();
    const QString maquina = SemNulo(rs["MAQUINA"]).toString();
    app().operador().avisa("Processamento Bloqueado por " + usuario + " - " + maquina);
  } catch (const ErroBanco &erro) {
    // A database that does not answer for a moment does not end the run (a
    // coupon may be open): the block is checked again at the next activation.
    app().operador().avisa(QStringLiteral("Não foi possível consultar o bloqueio de vendas: ") + erro.descricao() +
                           QStringLiteral("\nO caixa continua; o bloqueio será consultado de novo."));
    if (descarregaLogin) descarregaLogin();
    return;
  }
  app().descarrega(*this, true);
}

// The window closes only while the printer menu is enabled (no coupon open).
bool PForm::podeFechar() { return menuFiscal_->habilitado(); }

void PForm::descarrega() {
  // Closing the sale screen ends the run: the payment screen and the
  // connection first, then the port.
  if (condPgto_) app().descarrega(*condPgto_, true);
  FechaConexao(estado());
  FinalizaPdv(estado(), "tela de venda fechada");
}
