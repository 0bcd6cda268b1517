#include "presale/TelaEmpenho.h"

#include "access/Inicializacao.h"
#include "closing/GravacaoVenda.h"
#include "closing/MarcadorPosse.h"
#include "core/Database.h"
#include "core/Logs.h"
#include "core/Operator.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"
#include "payment/CondPgto.h"
#include "payment/LinhaPagamento.h"
#include "platform/Host.h"

namespace {

const QString Zero = QStringLiteral("0,00");

// The header's display fields: name, caption.
const QList<std::pair<const char *, const char *>> CamposCabecalho = {
    {"CliEpn", "Cliente"},       {"VenEpn", "Vendedor"},       {"DtcEpn", "Data"},
    {"DtlEpn", "Faturamento"},   {"TabEpn", "Tabela"},         {"PrzEpn", "Prazo"},
    {"TraEpn", "Transportadora"}, {"VeiEpn", "Veículo"},        {"ReqEpn", "Requisição"},
    {"ComEpn", "Comissão %"},    {"FrtEpn", "Frete"},          {"DscEpn", "Desconto"},
    {"FisEpn", "Operação"},      {"NfsEpn", "Série NF"},       {"NfiEpn", "Número NF"},
    {"Obs1", "Observações"},     {"Obs2", ""},                 {"Obs3", ""}};
// The labels of totals and names: name, caption of the label before it ("" none).
const QList<std::pair<const char *, const char *>> RotulosCabecalho = {
    {"LbNomCli", ""}, {"LbNomVen", ""}, {"LbNomTran", ""}, {"LbNomVei", ""},
    {"TotEpn", "Sub-Total"}, {"LiqEpn", "Total"}, {"PesoEpn", "Peso Bruto (kg)"}, {"UsuEpn", "Usuário"},
    {"NomUsu", ""}, {"QtdIte", "Itens"}, {"Status", "Situação"}, {"MapEpn", "Mapa"}};

// The description takes the width, so each row's quantity stays near it.
const QString LayoutItens = QStringLiteral("^Item  |>Produto |<Descrição                                    |"
                                           ">Estoque   |>Valor Unit.|>Var. %  |>Qtde     ");
const QString LayoutPagamentosEmpenho = QStringLiteral(
    ">Código|<Descrição              |>Valor      |>Cheque  |>Banco|>Agência|<Emitente (Cheque) ou Prazo    |"
    "^Vencimento|^TP");

QString dinheiro(const Recordset &rs, const char *coluna) { return FormataValor(ParaMoeda(rs[coluna])); }

// How a quantity is shown: whole ones without decimals ("2"), others with three.
QString quantidadeMostrada(const Quantidade &q) { return q.ehInteira() ? q.formatada(0) : q.formatada(3); }

}  // namespace

TelaEmpenho::TelaEmpenho(Aplicacao &app, const Variante &variante)
    : Tela(app, variante.nome, variante.legenda), variante_(variante), altPgto_(std::make_unique<AltPgto>(app)) {
  criaControles();
  keyPreview = true;
}

TelaEmpenho::~TelaEmpenho() = default;

AltPgto &TelaEmpenho::altPgto() { return *altPgto_; }

QString TelaEmpenho::NomeStatus(qlonglong status) {
  if (status < 0) return QStringLiteral("Processo...");
  switch (status) {
    case 0: return QStringLiteral("Pendente");
    case 1: return QStringLiteral("Liberado");
    case 2: return QStringLiteral("Apagado");
    case 4: return QStringLiteral("Cancelado");
    case 9: return QStringLiteral("Em Edição");
    default: return QString();
  }
}

QString TelaEmpenho::NomeTabela(int tabela) {
  static const QStringList nomes = {QStringLiteral("0 - Preço Tranferencia"), QStringLiteral("1 - Preço 01 (A Vista)"),
                                    QStringLiteral("2 - Preço 02 (A Prazo)"), QStringLiteral("3 - Preço 03 (A Prazo)"),
                                    QStringLiteral("4 - Preço 04 (A Prazo)")};
  return nomes.value(tabela, QString::number(tabela));
}

void TelaEmpenho::criaControles() {
  adiciona("LabNumEpn", TipoCampo::Rotulo).setTexto(QStringLiteral("Empenho:"));
  Campo &numero = adiciona("NumEpn", TipoCampo::Texto);
  numero.maxLength = 10;
  numero.toolTip = QStringLiteral("  Digite o Número do empenho a ser pesquisado ou alterado.");
  numero.aoTeclarBaixo = [this](int &t, int) {
    if (t != tecla::Enter) return;
    t = 0;
    trata("NumEpn_KeyDown", [this] { abreEmpenho(); });
  };

  Campo &cab = adiciona("FrmCab", TipoCampo::Painel);
  for (const auto &[nome, legenda] : CamposCabecalho) {
    if (*legenda) adiciona(QStringLiteral("Lab") + nome, TipoCampo::Rotulo).setTexto(QString::fromUtf8(legenda));
    Campo &c = adiciona(nome, TipoCampo::Texto);
    c.locked = true;
    c.tabStop = false;
    c.painel = &cab;
  }
  for (const auto &[nome, legenda] : RotulosCabecalho) {
    if (*legenda) adiciona(QStringLiteral("Lab") + nome, TipoCampo::Rotulo).setTexto(QString::fromUtf8(legenda));
    adiciona(nome, TipoCampo::Rotulo).painel = &cab;
  }
  Campo &itens = adiciona("GridItens", TipoCampo::Grade);
  itens.grade()->FormatString(LayoutItens);
  itens.toolTip = QStringLiteral("Itens do empenho.");
  Campo &pagamentos = adiciona("GridPgto", TipoCampo::Grade);
  pagamentos.grade()->FormatString(LayoutPagamentosEmpenho);
  pagamentos.toolTip = QStringLiteral("Formas de pagamento do empenho.");

  Campo &tot = adiciona("FrmTot", TipoCampo::Painel);
  tot.setTexto(QStringLiteral("Total em Dinheiro      Valor Pago      Troco"));
  adiciona("TotDin", TipoCampo::Rotulo).painel = &tot;
  Campo &valor = adiciona("TxtValor", TipoCampo::Moeda);
  valor.painel = &tot;
  valor.toolTip = QStringLiteral("Valor entregue pelo cliente em dinheiro.");
  valor.aoMudar = [this] {
    if (!campo("FrmTot").enabled()) return;
    // "0" typed is the cash total; an empty field is the operator still typing.
    const QString t = campo("TxtValor").texto().trimmed();
    if (variante_.zeroEhDinheiro && !t.isEmpty() && ParaMoeda(t).ehZero() && !totalDinheiro().ehZero()) {
      campo("TxtValor").setTexto(FormataValor(totalDinheiro()));
      campo("TxtValor").selecionaTudo();
    }
    mostraTroco();
  };
  adiciona("Troco", TipoCampo::Rotulo).painel = &tot;
  LimpaTela();
  tot.setEnabled(false);
}

QString TelaEmpenho::texto(const Recordset &rs, const char *coluna) {
  return SemNulo(rs[coluna]).toString().trimmed();
}

void TelaEmpenho::trata(const QString &rotina, const std::function<void()> &passo) {
  ExecutaComTratamento(estado(), rotina, passo);
}

void TelaEmpenho::carrega() {
  TerminalState &e = estado();
  trata("Form_Load", [this, &e] { horaServidor_ = LeDataServidor(e); });
  campo("QtdIte").setTexto("0");
  AberturaPagamento abertura;
  // The credit checks are the pre-sale customer's, its operation the
  // empenho's; the condition fixed by a sale screen does not bind here.
  abertura.cliente = [this] { return campo("CliEpn").texto(); };
  abertura.operacaoFiscal = [this] { return campo("FisEpn").texto(); };
  abertura.recebeDinheiro = [this](const Moeda &dinheiro) {
    dinheiro_ = dinheiro;
    campo("TotDin").setTexto(FormataValor(dinheiro));
  };
  altPgto_->defineAbertura(std::move(abertura));
  // Its load reads the database too; failing, it is loaded again when F4
  // shows it.
  trata("Form_Load", [this] { app().carrega(*altPgto_); });
}

void TelaEmpenho::descarrega() {
  if (altPgto_->carregada()) app().descarrega(*altPgto_, true);
}

void TelaEmpenho::teclaTela(int &t, int) {
  if (t == tecla::Esc) {
    t = 0;
    if (campo("NumEpn").enabled()) app().descarrega(*this, true);
    else NovoEmpenho();
    return;
  }
  if (campo("FrmTot").enabled()) trata("Form_KeyDown", [this, &t] { teclaCarregado(t); });
}

void TelaEmpenho::LimpaTela() {
  for (const auto &[nome, legenda] : CamposCabecalho) campo(nome).setTexto(QString());
  for (const auto &[nome, legenda] : RotulosCabecalho) campo(nome).setTexto(QString());
  for (const char *n : {"TotDin", "TxtValor", "Troco"}) campo(n).setTexto(Zero);
  liquido_ = dinheiro_ = Moeda();
  grade("GridItens").LimpaLinhas();
  grade("GridPgto").LimpaLinhas();
}

void TelaEmpenho::NovoEmpenho() {
  campo("NumEpn").setEnabled(true);
  campo("FrmTot").setEnabled(false);
  focaCampo("NumEpn", false);
  LimpaTela();
  campo("NumEpn").selecionaTudo();
}

void TelaEmpenho::LimpaGradePgto() { altPgto_->LimpaPagamentos(); }

Moeda TelaEmpenho::totalDinheiro() { return dinheiro_; }

Moeda TelaEmpenho::valorPago() {
  const QString t = campo("TxtValor").texto().trimmed();
  return t.isEmpty() ? totalDinheiro() : ParaMoeda(t);
}

Moeda TelaEmpenho::liquido() { return liquido_; }

void TelaEmpenho::mostraTroco() { campo("Troco").setTexto(FormataValor(valorPago() - totalDinheiro())); }

QString TelaEmpenho::EmOutroCaixa(const Recordset &cab, const QString &caixa) {
  const QString serie = texto(cab, "NfsEpn");
  // A desk's claim holds a marker (negative) and names the desk in NfsEpn
  // until the release program takes the empenho.
  if (SemNulo(cab["StaEpn"]).toLongLong() >= 0 || serie.isEmpty() || serie == caixa.trimmed()) return {};
  const qlonglong cupom = SemNulo(cab["NfiEpn"]).toLongLong();
  if (cupom > 0) return QStringLiteral("Este empenho já foi impresso no caixa %1 (cupom %2) !").arg(serie).arg(cupom);
  return QStringLiteral("Este empenho está sendo impresso no caixa %1 !").arg(serie);
}

bool TelaEmpenho::abreEmpenho() {
  TerminalState &e = estado();
  Campo &numero = campo("NumEpn");
  auto recusa = [&](const QString &mensagem) {
    app().operador().avisa(mensagem);
    focaCampo(numero, false);
    numero.selecionaTudo();
    return false;
  };
  const QString digitado = numero.texto().trimmed();
  bool ok = false;
  const qlonglong codigo = digitado.toLongLong(&ok);
  // Only a number reaches the statement; anything else names no empenho.
  if (!ok || codigo <= 0 || codigo > 2147483647LL) return recusa(MensagemNaoExiste);
  Recordset rs;
  rs.abre(MontaSql("Select * From Tb_Vda_CadEpn Where CodEpn=?", {codigo}), e.conexao());
  if (rs.EOF_()) return recusa(MensagemNaoExiste);
  const QString serie = texto(rs, "NfsEpn");
  const bool cupomDoCaixa = !serie.isEmpty() && serie == e.NumCaixa.trimmed() && SemNulo(rs["NfiEpn"]).toLongLong() > 0;
  if (serie.startsWith('C') || (variante_.recusaCupomDoCaixa && cupomDoCaixa)) return recusa(MensagemJaImpresso);
  if (variante_.recusaCupomDoCaixa)
    if (const QString outro = EmOutroCaixa(rs, e.NumCaixa); !outro.isEmpty()) return recusa(outro);
  if (const QString porque = recusaEmpenho(codigo); !porque.isEmpty()) return recusa(porque);
  numero.setTexto(QString::number(codigo));
  if (!CarregaEmpenho()) return recusa(MensagemNaoExiste);
  numero.setEnabled(false);
  campo("FrmTot").setEnabled(true);
  focaCampo("TxtValor", false);
  campo("TxtValor").selecionaTudo();
  return true;
}

bool TelaEmpenho::CarregaEmpenho() {
  TerminalState &e = estado();
  LimpaTela();
  Recordset cab;
  cab.abre(MontaSql("Select * From Tb_Vda_CadEpn Where CodEpn=?", {campo("NumEpn").texto().toLongLong()}),
           e.conexao());
  if (cab.EOF_()) return false;
  codigo_ = SemNulo(cab["CodEpn"]).toLongLong();
  status_ = SemNulo(cab["StaEpn"]).toLongLong();
  serie_ = texto(cab, "NfsEpn");
  if (variante_.avisos && status_ == 1) app().operador().avisa(MensagemLiberado);

  for (const char *c : {"CliEpn", "VenEpn", "NfsEpn", "NfiEpn", "PrzEpn", "TraEpn", "VeiEpn", "ReqEpn", "ComEpn",
                        "FisEpn"})
    campo(c).setTexto(texto(cab, c));
  for (const char *c : {"DtcEpn", "DtlEpn"}) campo(c).setTexto(cab[c].toDate().toString("dd/MM/yyyy"));
  for (const char *c : {"TotEpn", "DscEpn", "FrtEpn"}) campo(c).setTexto(dinheiro(cab, c));
  campo("TabEpn").setTexto(NomeTabela(SemNulo(cab["TabEpn"]).toInt()));
  campo("MapEpn").setTexto(texto(cab, "MapEpn"));
  campo("UsuEpn").setTexto(texto(cab, "UsuEpn"));
  itensEmpenho_ = SemNulo(cab["NitEpn"]).toInt();
  formaFixada_ = texto(cab, "FpgEpn");
  if (variante_.avisos && texto(cab, "NfsEpn") == QLatin1String("M1"))
    app().operador().mensagem({MensagemM1, Icone::Nenhum, Botoes::Ok, Resposta::Ok, QString()});
  campo("Status").setTexto(NomeStatus(status_));
  liquido_ = ParaMoeda(cab["TotEpn"]) - ParaMoeda(cab["DscEpn"]);
  campo("LiqEpn").setTexto(FormataValor(liquido_));
  if (variante_.itensDaVisao) campo("PesoEpn").setTexto(ParaQuantidade(cab["PesoEpn"]).formatada(3));

  Recordset rs;
  rs.abre(MontaSql("Select * From Tb_Vda_ObsEpn Where EpnObs=?", {codigo_}), e.conexao());
  for (const char *o : {"Obs1", "Obs2", "Obs3"}) campo(o).setTexto(rs.EOF_() ? QString() : texto(rs, o));

  // The names of the codes; an empty name when there is none.
  auto nome = [&](const char *tabela, const char *chave, const char *coluna, const QString &codigo,
                  const char *rotulo) {
    rs.abre(MontaSql(QStringLiteral("SELECT * FROM %1 WHERE %2=?").arg(tabela, chave), {codigo.toLongLong()}),
            e.conexao());
    campo(rotulo).setTexto(rs.EOF_() ? QString() : texto(rs, coluna));
  };
  nome("TB_REC_CADCLI", "CODCLI", "NomCli", campo("CliEpn").texto(), "LbNomCli");
  nome("TB_VDA_CADVEN", "CODVEN", "NomVen", campo("VenEpn").texto(), "LbNomVen");
  nome("TB_VDA_CADTRAN", "CODTRAN", "NomTran", campo("TraEpn").texto(), "LbNomTran");
  nome("TB_VDA_CADVEI", "CODVEI", "NomVei", campo("VeiEpn").texto(), "LbNomVei");
  nome("TB_GER_USUARIOS", "CODUSU", "NomUsu", campo("UsuEpn").texto(), "NomUsu");

  carregaItens();
  carregaPagamentos();
  return true;
}

void TelaEmpenho::carregaItens() {
  TerminalState &e = estado();
  QList<QStringList> linhas;
  Quantidade peso;
  // One row from the item's columns and its product's (`pro` may be the
  // same row, as the view has both).
  auto linha = [&](const Recordset &it, const Recordset &pro) {
    const Quantidade q = ParaQuantidade(it["QtdEpnIt"]);
    const bool temProduto = !pro.EOF_();
    if (temProduto && !variante_.itensDaVisao)
      peso += Quantidade::deMilesimos(ParaMoeda(pro["PesoPro"]).vezes(q, 3).unidades() / 10);
    linhas << QStringList{QString::number(SemNulo(it["IteEpnIt"]).toInt()).rightJustified(3, '0'),
                          texto(it, "ProEpnIt"), temProduto ? texto(pro, "NomPro") : QString(),
                          temProduto ? quantidadeMostrada(ParaQuantidade(pro["AtuEst"]) - ParaQuantidade(pro["PenVEst"]))
                                     : QString(),
                          dinheiro(it, "ValEpnIt"), dinheiro(it, "VarEpnIt"), quantidadeMostrada(q)};
  };
  if (variante_.itensDaVisao) {
    // Every item of the empenho, in the view's order, numbers with gaps too.
    Recordset rs;
    rs.abre(MontaSql("SELECT * FROM EPNCLIPRO WHERE CODEPNIT=?", {codigo_}), e.conexao());
    for (; !rs.EOF_(); rs.MoveNext()) linha(rs, rs);
  } else {
    // Items 1, 2, ... up to the first number missing.
    Recordset it, pro;
    for (int i = 1; i <= 999; ++i) {
      it.abre(MontaSql("SELECT * FROM TB_VDA_CADEPNIT WHERE CODEPNIT=? AND ITEEPNIT=?", {codigo_, i}), e.conexao());
      if (it.EOF_()) break;
      pro.abre(MontaSql("SELECT * FROM TB_EST_CADPRO WHERE CODPRO=?", {SemNulo(it["ProEpnIt"]).toLongLong()}),
               e.conexao());
      linha(it, pro);
    }
    campo("PesoEpn").setTexto(peso.formatada(3));
  }
  grade("GridItens").acrescentaLinhas(linhas);
  campo("QtdIte").setTexto(QString::number(linhas.size()));
}

QList<LinhaPagamento> TelaEmpenho::LinhasPagamento(ConexaoBanco &c, const char *visao, qlonglong empenho) {
  Recordset rs;
  rs.abre(MontaSql(QStringLiteral("Select * From %1 Where EpnPag=? Order By CpgPag").arg(visao), {empenho}), c);
  QList<LinhaPagamento> linhas;
  for (; !rs.EOF_(); rs.MoveNext()) {
    LinhaPagamento p;
    p.condicao = SemNulo(rs["CpgPag"]).toInt();
    p.descricao = texto(rs, "NomCpg");
    p.valor = ParaMoeda(rs["ValPag"]);
    p.cheque = texto(rs, "ChqPag");
    p.banco = texto(rs, "BcoPag");
    p.agencia = texto(rs, "AgcPag");
    p.emitente = texto(rs, "EmiPag");
    // A due date only for a row with a cheque column.
    if (!rs["ChqPag"].isNull()) p.vencimento = rs["DtvPag"].toDate();
    p.tipo = SemNulo(rs["DupCpg"]).toInt();
    p.convenio = SemNulo(rs["CvnPag"]).toLongLong();
    p.forma = texto(rs, "NomFpg");
    linhas << p;
  }
  return linhas;
}

void TelaEmpenho::carregaPagamentos() {
  const QList<LinhaPagamento> linhas = LinhasPagamento(estado().conexao(), "FORMAPGTO", codigo_);
  QList<QStringList> mostradas;
  dinheiro_ = Moeda();
  for (const LinhaPagamento &p : linhas) {
    mostradas << p.celulas().mid(0, PagConvenio);
    if (p.tipo == CondDinheiro) dinheiro_ += p.valor;
  }
  grade("GridPgto").acrescentaLinhas(mostradas);
  campo("TotDin").setTexto(FormataValor(dinheiro_));
  campo("TxtValor").setTexto(FormataValor(dinheiro_));
  campo("Troco").setTexto(Zero);
  altPgto_->carregaLinhas(liquido(), linhas);
}

void TelaEmpenho::AlteraFormaEmpenho() {
  TerminalState &e = estado();
  if (!formaFixada_.isEmpty()) {
    app().operador().avisa(MensagemPrefixado);
    return;
  }
  if (status_ == 1) {
    app().operador().avisa(MensagemLiberadoNegado);
    return;
  }
  AltPgto &alt = *altPgto_;
  alt.carregaLinhas(liquido(), alt.pagamentos());
  app().mostra(alt, true);
  const QList<LinhaPagamento> linhas = alt.pagamentos();
  // Rows that do not pay the empenho's total would print a coupon whose
  // payments differ from its items: the recorded rows stay.
  if (alt.totalFormas() != liquido()) {
    app().operador().avisa(MensagemFormasDiferentes.arg(FormataValor(alt.totalFormas()), FormataValor(liquido())));
    alt.carregaLinhas(liquido(), {});
    CarregaEmpenho();
    focaCampo("TxtValor", false);
    return;
  }
  const QDateTime agora = LeDataServidor(e);
  {
    // The header's dates and the payment rows change together or not at all.
    TransacaoBanco t(e.conexao());
    e.conexao().executaComParametros("Update Tb_Vda_CadEpn Set DtcEpn=?,DtlEpn=?,MesEpn=? Where CodEpn=?",
                                     {agora, agora, agora.date().month(), codigo_});
    e.conexao().executaComParametros("DELETE FROM TB_VDA_EPNPAG WHERE EPNPAG=?", {codigo_});
    for (const LinhaPagamento &p : linhas) {
      e.conexao().executaComParametros(
          SqlInserePagamento,
          {codigo_, p.condicao, p.convenio, QVariant::fromValue(p.valor), p.cheque.trimmed().left(15),
           p.banco.trimmed().left(10), p.agencia.trimmed().left(10), p.emitente.trimmed().left(60),
           p.vencimentoGravado(agora.date())});
    }
    GravaLog(e, e.CodUsuario, QStringLiteral("PDV"), QStringLiteral("Altera/Forma"),
             "Empenhos: " + QString::number(codigo_));
    t.confirma();
  }
  LimpaGradePgto();
  CarregaEmpenho();
  campo("NumEpn").setEnabled(false);
  campo("FrmTot").setEnabled(true);
  campo("Troco").setTexto(Zero);
  campo("TxtValor").setTexto(FormataValor(dinheiro_));
  focaCampo("TxtValor", false);
  campo("TxtValor").selecionaTudo();
}

void TelaEmpenho::LiberaEmpenho(qlonglong marcador) {
  TerminalState &e = estado();
  horaServidor_ = LeDataServidor(e);
  if (marcador == 0) marcador = MarcadorPosse(e.relogio().now().time(), e.CodUsuario);
  ::LiberaEmpenho(e, e.DataSistema, marcador, codigo_);
}
