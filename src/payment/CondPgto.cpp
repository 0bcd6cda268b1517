#include "payment/CondPgto.h"

#include <utility>

#include "core/Cp1252.h"
#include "core/Grade.h"
#include "core/Operator.h"
#include "core/Programas.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"
#include "lookup/FormPesq.h"
#include "payment/Credito.h"
#include "payment/LinhaPagamento.h"
#include "payment/Parcelas.h"
#include "platform/Host.h"

namespace {

const QString TituloEmitente = QStringLiteral("Digite o nome do Emitente (Cheque) ");
const QString TituloColuna6 = QStringLiteral("Emitente (Cheque) ou Prazo (Duplicata)");

QString textoData(const QDate &d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }

// A database error met while checking the customer's credit.
struct CreditoNaoVerificado : ErroBanco {
  using ErroBanco::ErroBanco;
};

}  // namespace

// The keys of the payment grid besides Enter, Insert and Delete.
static const QString TeclasPagamento =
    QStringLiteral("<F2> pesquisa condição   <F8> prazos dos cheques   <F6> copia o cheque   <F1> todas as teclas");

CondPgto::CondPgto(Aplicacao &app)
    : CondPgto(app, {"CondPgto", QStringLiteral("Clique Aqui ou Digite <F4> ou <Esc> para Sair"), true, true, true,
                     true, QStringLiteral("Prazo/Parcelas (dd1/...) ou digite Venc e volte")}) {}

AltPgto::AltPgto(Aplicacao &app)
    : CondPgto(app, {"AltPgto",
                     QStringLiteral("Digite <Esc> ou <F4> p/ sair, <F8> para prazo cheque ou <F6> para copia de cheque "),
                     false, false, false, false, QStringLiteral("Prazo (dd1/dd2/...) ou digite Venc e volte...")}) {}

CondPgto::CondPgto(Aplicacao &app, const Variante &variante)
    : Tela(app, variante.nome, QStringLiteral("Formas de Pagamento")), variante_(variante) {
  criaControles();
  keyPreview = true;
  aoTeclarForm = [this](int &t, int shift) { teclaTela(t, shift); };
  LimpaPagamentos();
}

void CondPgto::criaControles() {
  adiciona("Titulo", TipoCampo::Rotulo).setTexto(QStringLiteral("FORMA E CONDIÇÃO DE PAGAMENTOS"));
  Campo &grade = adiciona("Grade", TipoCampo::Grade);
  grade.aoTeclarBaixo = [this](int &t, int shift) { teclaGrade(t, shift); };
  for (const auto &[nome, legenda] : {std::pair{"LabTotVen", "| Total da Venda:"},
                                      std::pair{"LabTotFor", " | Total das Formas:"},
                                      std::pair{"LabTotDin", " | Total em Dinheiro:"}}) {
    adiciona(nome, TipoCampo::Rotulo).setTexto(legenda);
    adiciona(QString(nome).mid(3), TipoCampo::Rotulo).setTexto("0,00");
  }
  adiciona("FisEpn", TipoCampo::Rotulo);
  if (variante_.ajudaTeclas)
    adiciona("Label4", TipoCampo::Rotulo)
        .setTexto(QStringLiteral("<Enter> nova forma   <Insert> nova linha   <Delete> apaga a linha   ") +
                  TeclasPagamento);
  Campo &saida = adiciona("CmdSai", TipoCampo::Botao);
  saida.setTexto(variante_.legendaSaida);
  saida.tabStop = false;
  saida.aoClicar = [this] { sai(); };
  criaQuadro();
}

// The frame where a row is typed, over the grid's current row.
void CondPgto::criaQuadro() {
  Campo &quadro = adiciona("FrmIt", TipoCampo::Painel);
  auto doQuadro = [&](const char *nome, TipoCampo tipo) -> Campo & {
    Campo &c = adiciona(nome, tipo);
    c.painel = &quadro;
    return c;
  };
  Campo &codigo = doQuadro("CpgPag", TipoCampo::Texto);
  codigo.maxLength = 6;
  codigo.toolTip = QStringLiteral("Código da condição de pagamento; F2 pesquisa.");
  codigo.navega = false;
  codigo.aoTeclarCaractere = [](int &c) {
    if (c != tecla::Back && (c < '0' || c > '9')) c = 0;
  };
  codigo.aoTeclarBaixo = [this, &codigo](int &t, int) {
    if (t == tecla::F2) {
      t = 0;
      AbrePesquisa(app(), "Cpg", &codigo);
    } else if (t == tecla::Enter || t == tecla::Abaixo) {
      // Only a typed code moves on.
      const bool vazio = codigo.texto().trimmed().isEmpty();
      t = 0;
      if (!vazio) EnviaTab();
    } else if (t == tecla::Acima) {
      t = 0;
    }
  };
  codigo.aoGanharFoco = [&codigo] { TomaCodigoPesquisa(codigo, &TerminalState::CodCpgPesq); };
  codigo.aoValidar = [this] {
    try {
      return validaCodigo();
    } catch (const ErroBanco &erro) {
      // A failed read is a refusal: the cashier may try again or choose another.
      const bool credito = dynamic_cast<const CreditoNaoVerificado *>(&erro) != nullptr;
      app().operador().avisa((credito ? MensagemCreditoNaoVerificado + "\n" : QString()) +
                             QStringLiteral("Erro ao validar a condição de pagamento: ") + erro.descricao());
      return false;
    }
  };
  Campo &nome = doQuadro("NomPag", TipoCampo::Texto);
  nome.tabStop = false;
  nome.locked = true;
  Campo &valorPag = doQuadro("ValPag", TipoCampo::Moeda);
  valorPag.tag = "N";
  valorPag.aoGanharFoco = [this, &valorPag] {
    // The first cheque of a series takes its instalment.
    if (!PrazoCheque.isEmpty() && !ValorPrimeira.ehZero() && dupCpg_ == CondCheque)
      valorPag.setTexto(FormataValor(UsaValorDemais ? ValorDemais : ValorPrimeira));
  };
  valorPag.aoValidar = [this] { return validaValor(); };
  for (const char *n : {"ChqPag", "BcoPag", "AgcPag"}) doQuadro(n, TipoCampo::Texto).maxLength = 10;
  doQuadro("EmiPag", TipoCampo::Texto).maxLength = 60;
  // The cheque's texts go to the database: a character it cannot keep would
  // make the sale unrecordable after the coupon is printed.
  for (const auto &[n, rotulo] : {std::pair{"ChqPag", "Cheque"}, std::pair{"BcoPag", "Banco"},
                                   std::pair{"AgcPag", "Agência"}, std::pair{"EmiPag", "Emitente"}}) {
    Campo &c = campo(n);
    c.aoValidar = [this, &c, rotulo = QString::fromUtf8(rotulo)] {
      if (cp1252::ehArmazenavel(c.texto())) return true;
      app().operador().avisa(rotulo + ": " + cp1252::MensagemNaoArmazenavel);
      c.selecionaTudo();
      return false;
    };
  }
  Campo &vencimento = doQuadro("DtvPag", TipoCampo::Data);
  vencimento.aoValidar = [this] { return validaVencimento(); };
  Campo &botaoGrava = doQuadro("CmdGrava", TipoCampo::Botao);
  botaoGrava.setTexto("&Grava");
  botaoGrava.aoClicar = [this] { grava(); };
  quadro.setVisible(false);
}

int64_t CondPgto::clienteDaAbertura() const {
  return static_cast<int64_t>(ParaNumero(daAbertura(abertura_.cliente)));
}

void CondPgto::carrega() {
  CodCliente = clienteDaAbertura();
  abreCliente();
}

void CondPgto::abreCliente() {
  TerminalState &e = estado();
  FechaRs(RsCliente);
  RsCliente.abre(MontaSql("Select * from Tb_Rec_CadCli Where CodCli=?", {static_cast<qlonglong>(CodCliente)}),
                 e.conexao());
}

void CondPgto::ativa() {
  Grade &g = grade("Grade");
  if (variante_.totalDaAbertura && abertura_.totalVenda) modelo_.defineTotal(abertura_.totalVenda());
  mostraTotais();
  if (abertura_.operacaoFiscal) campo("FisEpn").setTexto(abertura_.operacaoFiscal());
  // The customer may have changed since the last time (F5 on the sale).
  CodCliente = clienteDaAbertura();
  try {
    abreCliente();
  } catch (const ErroBanco &erro) {
    app().operador().avisa(QStringLiteral("Erro ao ler o cliente: ") + erro.descricao());
  }
  if (modelo_.linhas() == 0) {
    modelo_.acrescentaLivre();
    g.AddItem(QString());
  }
  if (!campo("FrmIt").visible()) marcaLinha(std::max(g.Row(), g.FixedRows));
}

void CondPgto::LimpaPagamentos() {
  modelo_.limpa();
  modelo_.defineTotal(Moeda());
  IniciaGradePagamentos(grade("Grade"));
  mostraTotais();
  PrazoCheque.clear();
  Prazos.clear();
  QtdParcelas = 0;
  ValorPrimeira = ValorDemais = Moeda();
  UsaValorDemais = false;
  if (campo("FrmIt").visible()) {
    LimpaCampos();
    FechaQuadro();
  }
}

void CondPgto::carregaLinhas(const Moeda &totalVenda, const QList<LinhaPagamento> &linhas) {
  LimpaPagamentos();
  Grade &g = grade("Grade");
  modelo_.defineTotal(totalVenda);
  for (const LinhaPagamento &p : linhas) {
    // The free row the reset left is the first one filled.
    if (!modelo_.livre(modelo_.linhas() - 1)) {
      modelo_.acrescentaLivre();
      g.AddItem(QString());
    }
    modelo_.grava(modelo_.linhas() - 1, p);
    mostraLinha(modelo_.linhas() - 1);
  }
  mostraTotais();
  marcaLinha(g.FixedRows);
}

Moeda CondPgto::valorDigitado() { return ParaMoeda(campo("ValPag").texto()); }

int CondPgto::linhaDoModelo(int linhaDaGrade) { return linhaDaGrade - grade("Grade").FixedRows; }

void CondPgto::mostraLinha(int i) {
  Grade &g = grade("Grade");
  const std::optional<LinhaPagamento> p = modelo_.linha(i);
  const QStringList celulas = p ? p->celulas() : QStringList();
  for (int c = 0; c < ColunasPagamento; ++c) g.setTextMatrix(i + g.FixedRows, c, celulas.value(c));
}

void CondPgto::mostraTotais() {
  campo("TotVen").setTexto(FormataValor(modelo_.totalVenda()));
  campo("TotFor").setTexto(FormataValor(modelo_.total()));
  campo("TotDin").setTexto(FormataValor(modelo_.dinheiro()));
}

void CondPgto::marcaLinha(int linha) {
  Grade &g = grade("Grade");
  g.setPosicao(linha, 0);
  g.setRowSel(linha);
  g.setColSel(PagVencimento);
  focaCampo("Grade", false);
}

void CondPgto::teclaTela(int &tecla, int) {
  switch (tecla) {
    case tecla::F12:
      tecla = 0;
      AbreCalculadora(estado().programas());
      return;
    case tecla::F4:
    case tecla::Esc:
      if (campo("CmdSai").enabled()) {
        tecla = 0;
        // Where a recorded payment is changed, something must be paid first.
        if (variante_.saiSemPagamento || modelo_.total() > Moeda()) sai();
      } else if (tecla == tecla::Esc && campo("FrmIt").visible()) {
        tecla = 0;
        abandonaLinha();
      }
      return;
    case tecla::F8:
      tecla = 0;
      digitaPrazos();
      return;
    default:
      return;
  }
}

void CondPgto::teclaGrade(int &tecla, int) {
  Grade &g = grade("Grade");
  LinhaAtual = g.Row();
  switch (tecla) {
    case tecla::Delete:
      tecla = 0;
      apagaLinha();
      return;
    case tecla::Insert:
      tecla = 0;
      insereLinha();
      return;
    case tecla::F6:
      tecla = 0;
      if (const auto p = modelo_.linha(linhaDoModelo(LinhaAtual)); p && p->tipo == CondCheque) copiaCheques();
      return;
    case tecla::Enter:
      tecla = 0;
      if (modelo_.concluido()) {
        app().operador().avisa(MensagemConcluido);
      } else if (!modelo_.livre(linhaDoModelo(LinhaAtual))) {
        app().operador().avisa(QStringLiteral("Esta Forma já esta Cadastrada !"));
        // The key help says how to go on.
        if (Campo *ajuda = procura("Label4"))
          ajuda->setTexto(QStringLiteral("Linha já gravada: <Insert> abre uma linha nova; <Delete> apaga esta.   ") +
                          TeclasPagamento);
      } else {
        campo("FrmIt").setVisible(true);
        focaCampo("CpgPag", false);
        AbreQuadro();
      }
      return;
    default:
      return;
  }
}

void CondPgto::apagaLinha() {
  Grade &g = grade("Grade");
  const int r = LinhaAtual;
  const bool unica = modelo_.linhas() == 1;
  modelo_.apaga(linhaDoModelo(r));
  if (unica) {
    mostraLinha(0);
  } else {
    const bool ultima = r == g.Rows() - 1;
    g.RemoveItem(r);
    LinhaAtual = ultima ? r - 1 : r;
  }
  mostraTotais();
  marcaLinha(std::max(LinhaAtual, g.FixedRows));
}

void CondPgto::insereLinha() {
  Grade &g = grade("Grade");
  modelo_.acrescentaLivre();
  g.AddItem(QString());
  marcaLinha(std::min(g.Row() + 1, g.Rows() - 1));
}

void CondPgto::AbreQuadro() {
  Grade &g = grade("Grade");
  const int r = g.Row();
  Campo &quadro = campo("FrmIt");
  quadro.ancoraNaLinha(campo("Grade"), r);
  // The frame opens on a free row: nothing of a payment to show in it.
  for (const char *n : {"CpgPag", "NomPag", "ChqPag", "BcoPag", "AgcPag", "EmiPag", "DtvPag"}) campo(n).setTexto(QString());
  campo("CpgPag").aoValidar();
  campo("ValPag").setTexto(FormataValor(modelo_.emAberto()));
  Convenio = 0;
  campo("CmdSai").setEnabled(false);
  campo("Grade").setEnabled(false);
  focaCampo("CpgPag", false);
}

void CondPgto::FechaQuadro() {
  campo("CmdSai").setEnabled(true);
  campo("FrmIt").setVisible(false);
  campo("FrmIt").desancora();
  campo("Grade").setEnabled(true);
  grade("Grade").setTextMatrix(0, PagEmitente, TituloColuna6);
  marcaLinha(std::max(grade("Grade").Row(), grade("Grade").FixedRows));
}

void CondPgto::LimpaCampos() {
  for (const char *n : {"CpgPag", "NomPag", "ValPag", "ChqPag", "BcoPag", "AgcPag", "EmiPag", "DtvPag"})
    campo(n).setTexto(QString());
  Convenio = 0;
  dupCpg_ = -1;
}

void CondPgto::abandonaLinha() {
  LimpaCampos();
  FechaQuadro();
}

void CondPgto::HabilitaCheque() {
  for (const char *n : {"ChqPag", "BcoPag", "AgcPag", "DtvPag"}) campo(n).setEnabled(true);
}

void CondPgto::DesabilitaCheque() {
  for (const char *n : {"ChqPag", "BcoPag", "AgcPag", "DtvPag"}) campo(n).setEnabled(false);
}

bool CondPgto::validaCodigo() {
  CodigoValido = false;
  if (!campo("FrmIt").visible()) return true;
  TerminalState &e = estado();
  const QString codigo = campo("CpgPag").texto().trimmed();
  if (codigo.isEmpty()) return true;
  auto recusa = [&](const QString &mensagem) {
    app().operador().avisa(mensagem);
    campo("CpgPag").selecionaTudo();  // the next code typed replaces it
    return false;
  };
  const int64_t numero = static_cast<int64_t>(ParaNumero(codigo));
  FechaRs(RsCondicao);
  RsCondicao.abre(MontaSql("Select * From Tb_Vda_CondPgt Inner Join Tb_Vda_FormPgt on (FormCpg=CodFpg) Where CodCpg=? ",
                           {static_cast<qlonglong>(numero)}),
                  e.conexao());
  if (RsCondicao.EOF_()) return recusa(QStringLiteral("Forma de Pagamento Invalida !"));
  // The grid keeps one row per code in a table of 1000.
  if (numero > MaiorCodigo)
    return recusa(QStringLiteral("Código de condição acima de %1 não pode ser usado no caixa !").arg(MaiorCodigo));
  const QString fixada = variante_.conferePrefixada ? daAbertura(abertura_.condicaoFixada).trimmed() : QString();
  if (!fixada.isEmpty() && static_cast<int64_t>(ParaNumero(fixada)) != numero)
    return recusa(QStringLiteral("Houve uma pré-determinaçao de Forma de Pgto, para fixação de Preço !") + "\n" +
                  QStringLiteral("Forma de Pagamento Incompatível !"));
  const QString entSai = SemNulo(RsCondicao["EntSai"]).toString().trimmed();
  if (entSai != QLatin1String("1")) return recusa(QStringLiteral("Forma de Pgto Invalida p/ Venda !"));
  const QString fiscal = campo("FisEpn").texto().trimmed();
  const QChar operacao = fiscal.isEmpty() ? QChar() : fiscal.at(0);
  const bool entrada = QStringLiteral("135").contains(entSai), saida = QStringLiteral("246").contains(entSai);
  if ((entrada && !QStringLiteral("567").contains(operacao)) || (saida && !QStringLiteral("123").contains(operacao)) ||
      operacao.isNull())
    return recusa(QStringLiteral("Forma de Pgto Incompatível com a Operação Fiscal !"));
  const QString aceitas = RsCliente.EOF_() ? QString() : SemNulo(RsCliente["CpgCli"]).toString();
  if (!aceitas.contains("/" + codigo + "/"))
    return recusa(QStringLiteral("O cliente não admite esta condição de pagamento !"));
  const int dup = static_cast<int>(ParaNumero(RsCondicao["DupCpg"]));
  const int linha = linhaDoModelo(grade("Grade").Row());
  const int jaNaLinha = modelo_.linhaDaCondicao(static_cast<int>(numero), linha);
  if (dup != CondCheque && jaNaLinha >= 0)
    return recusa(QStringLiteral("Forma de Pgto já cadastrada na linha ") +
                  QString::number(jaNaLinha + grade("Grade").FixedRows));
  if (const QString credito = confereCredito(dup, numero); !credito.isEmpty()) return recusa(credito);
  // A term list from F8 becomes this row's terms; it must fit the field
  // the sale records it in.
  if (dup != CondPrazo && dup != CondCheque && PrazoCheque.size() > campo("EmiPag").maxLength)
    return recusa(QStringLiteral("Prazos longos demais para esta condição (no máximo %1 caracteres) !")
                      .arg(campo("EmiPag").maxLength));
  aceitaCodigo(dup);
  return true;
}

QString CondPgto::confereCredito(int dup, int64_t numero) {
  if (dup != CondPrazo && dup != CondCheque && dup != CondConvenio) return {};
  TerminalState &e = estado();
  // Without the server the customer's credit cannot be checked: the copy
  // lacks what the other desks sold meanwhile (and what this one kept), and
  // a release could be used twice.
  if (e.conexao().emReserva() &&
      (dup != CondConvenio || SemNulo(RsCondicao["FlgCpg"]).toString().trimmed() == QLatin1String("1")))
    return MensagemCreditoEmContingencia;
  CreditoCliente c;
  // The opener's customer as it is now; its limit and status are read
  // again with it, never another customer's.
  const int64_t atual = clienteDaAbertura();
  if (atual != CodCliente) {
    CodCliente = atual;
    abreCliente();
  }
  c.cliente = CodCliente;
  if (!RsCliente.EOF_()) {
    c.limite = ParaMoeda(RsCliente["LimCli"]);
    c.status = static_cast<int>(ParaNumero(RsCliente["CreCli"]));
  }
  c.totalVenda = modelo_.totalVenda();
  std::optional<QString> recusa;
  try {
    if (dup == CondConvenio) {
      if (SemNulo(RsCondicao["FlgCpg"]).toString().trimmed() == QLatin1String("1"))
        recusa = VerificaDebitoMensal(e, c, numero);
    } else {
      recusa = VerificaCredito(e, c);
    }
  } catch (const ErroBanco &erro) {
    // The code field's handler tells it: what could not be done first.
    throw CreditoNaoVerificado(erro.numero(), erro.descricao(), erro.codigos());
  }
  return recusa.value_or(QString());
}

void CondPgto::aceitaCodigo(int dup) {
  TerminalState &e = estado();
  Campo &emitente = campo("EmiPag");
  emitente.setTexto(SemNulo(RsCondicao["PrzCpg"]).toString().trimmed());
  Grade &g = grade("Grade");
  if (dup == CondPrazo) {
    g.setTextMatrix(0, PagEmitente, variante_.tituloPrazo);
    // The cashier types the terms or a due date.
    for (const char *n : {"ChqPag", "BcoPag", "AgcPag"}) campo(n).setEnabled(false);
    campo("DtvPag").setEnabled(true);
  } else if (dup == CondCheque) {
    HabilitaCheque();
    g.setTextMatrix(0, PagEmitente, TituloEmitente);
    emitente.setTexto(RsCliente.EOF_() ? QString() : SemNulo(RsCliente["NomCli"]).toString().trimmed());
  } else {
    if (!PrazoCheque.isEmpty()) {
      emitente.setTexto(PrazoCheque);
      PrazoCheque.clear();
    }
    campo("DtvPag").setTexto(textoData(e.DataSistema));
    DesabilitaCheque();
  }
  campo("NomPag").setTexto(SemNulo(RsCondicao["NomCpg"]).toString().trimmed());
  TipoCpg = dup;
  dupCpg_ = dup;
  Convenio = static_cast<int64_t>(ParaNumero(RsCondicao["CvnCpg"]));
  NomeForma = SemNulo(RsCondicao["NomFpg"]).toString().trimmed();
  CodigoValido = true;
}

bool CondPgto::validaValor() {
  if (!campo("FrmIt").visible()) return true;
  const Moeda v = valorDigitado();
  const QString recusa = v <= Moeda()   ? QStringLiteral("Valor Invalido !")
                         : v > modelo_.emAberto() ? QStringLiteral("Forma não pode ser maior que a venda !")
                                          : QString();
  if (recusa.isEmpty()) return true;
  app().operador().avisa(recusa);
  campo("ValPag").selecionaTudo();
  return false;
}

bool CondPgto::validaVencimento() {
  if (!campo("FrmIt").visible()) return true;
  TerminalState &e = estado();
  Campo &c = campo("DtvPag");
  if (c.textoSemMascara().isEmpty()) {
    // A sale on terms left without a due date is due by its terms: no date
    // is made up for it.
    if (dupCpg_ == CondPrazo) return true;
    if (PrazoCheque.isEmpty()) {
      c.setTexto(textoData(e.DataSistema));
      return true;
    }
    if (dupCpg_ == CondCheque) {
      c.setTexto(textoData(e.DataSistema.addDays(static_cast<int>(ParaNumero(PegaCampo(PrazoCheque, "/", 1))))));
      UsaValorDemais = true;
      return true;
    }
  }
  const QDate data = QDate::fromString(c.texto(), QStringLiteral("dd/MM/yyyy"));
  if (!data.isValid()) {
    app().operador().avisa(QStringLiteral("Data de vencimento inválida !"));
    return false;
  }
  if (data < e.DataSistema) {
    app().operador().avisa(QStringLiteral("Vencimento menor que Faturamento !"));
    c.selecionaTudo();
    return false;
  }
  if (data > e.DataSistema.addDays(e.DiasVencimento)) {
    app().operador().avisa(MensagemAlemDoHorizonte(e));
    c.selecionaTudo();
    return false;
  }
  return true;
}

QString CondPgto::MensagemAlemDoHorizonte(const TerminalState &e) {
  return QStringLiteral("Vencimento além de %1 dias (depois de %2) não é aceito neste caixa !")
      .arg(e.DiasVencimento)
      .arg(textoData(e.DataSistema.addDays(e.DiasVencimento)));
}

void CondPgto::grava() {
  if (campo("CpgPag").texto().trimmed().isEmpty()) {
    LimpaCampos();
    FechaQuadro();
    return;
  }
  // The fields' own checks, in case the cashier clicked past them. Checking
  // the code again puts the condition's own terms (or the customer's name)
  // in EmiPag: what the cashier typed there stays.
  const QString emitenteDigitado = campo("EmiPag").texto();
  for (const char *n : {"CpgPag", "ValPag", "DtvPag"}) {
    Campo &c = campo(n);
    if (c.enabled() && c.aoValidar && !c.aoValidar()) {
      focaCampo(c, false);
      return;
    }
  }
  if (!emitenteDigitado.trimmed().isEmpty()) campo("EmiPag").setTexto(emitenteDigitado);
  if (!CodigoValido) {
    focaCampo("CpgPag", false);
    return;
  }
  auto texto = [this](const char *n) { return campo(n).texto().trimmed(); };
  if (TipoCpg == CondCheque) {
    const bool falta = texto("ChqPag").isEmpty() || texto("BcoPag").isEmpty() || texto("AgcPag").isEmpty() ||
                       texto("EmiPag").isEmpty() || campo("DtvPag").textoSemMascara().isEmpty();
    if (falta) {
      app().operador().avisa(
          QStringLiteral("Esta forma de pgto exige os campos Cheque, Banco, Agencia, Emitente e Dt Venc !"));
      focaCampo("ChqPag", false);
      return;
    }
  } else {
    for (const char *n : {"ChqPag", "BcoPag", "AgcPag"}) campo(n).setTexto(QString());
    if (TipoCpg != CondPrazo && (texto("EmiPag").isEmpty() || ParaNumero(texto("EmiPag")) == 0))
      campo("EmiPag").setTexto("1");
  }
  if (modelo_.chequeRepetido(linhaDoModelo(grade("Grade").Row()), texto("ChqPag"), texto("BcoPag"),
                             texto("AgcPag"))) {
    app().operador().avisa(QStringLiteral("Cheque Repetido !"));
    focaCampo("ChqPag", false);
    campo("ChqPag").selecionaTudo();
    return;
  }
  GravaLinha();
  LimpaCampos();
  Grade &grade = this->grade("Grade");
  if (grade.Row() < grade.Rows() - 1) grade.setPosicao(grade.Row() + 1, 0);
  FechaQuadro();
}

void CondPgto::GravaLinha() {
  auto texto = [this](const char *n) { return campo(n).texto().trimmed(); };
  LinhaPagamento p;
  p.condicao = texto("CpgPag").toInt();
  p.descricao = texto("NomPag");
  p.valor = valorDigitado();
  p.cheque = texto("ChqPag");
  p.banco = texto("BcoPag");
  p.agencia = texto("AgcPag");
  p.emitente = texto("EmiPag");
  if (!campo("DtvPag").textoSemMascara().isEmpty())
    p.vencimento = QDate::fromString(campo("DtvPag").texto(), QStringLiteral("dd/MM/yyyy"));
  p.tipo = TipoCpg;
  p.convenio = Convenio;
  p.forma = NomeForma;
  const int i = linhaDoModelo(grade("Grade").Row());
  modelo_.grava(i, p);
  mostraLinha(i);
  mostraTotais();
}

void CondPgto::sai() {
  Grade &g = grade("Grade");
  for (int i = modelo_.linhas() - 1; i >= 0 && modelo_.linhas() > 1; --i) {
    if (!modelo_.livre(i)) continue;
    modelo_.apaga(i);
    g.RemoveItem(i + g.FixedRows);
  }
  if (g.Row() >= g.Rows()) g.setPosicao(g.Rows() - 1, 0);
  if (abertura_.recebeDinheiro) abertura_.recebeDinheiro(modelo_.dinheiro());
  app().esconde(*this);
}

void CondPgto::digitaPrazos() {
  TerminalState &e = estado();
  if (modelo_.concluido()) {
    app().operador().avisa(MensagemConcluido);
    return;
  }
  QString resposta;
  if (!app().operador().entrada({QStringLiteral("PRAZO PARA CHEQUE"),
                                 QStringLiteral("DIGITE: DD/DD/.., DD+QtPar OU Dia-QtPar"), QString()},
                                resposta) ||
      resposta.trimmed().isEmpty())
    return;
  const PrazosDigitados p = InterpretaPrazos(resposta.trimmed(), e.relogio().now().date());
  // A term beyond the desk's horizon, or instalments worth less than
  // MenorParcela, are slips of the finger (999 cheques of 0,03).
  const Parcelamento partes =
      p.aceitos() ? DivideParcelas(modelo_.emAberto(), static_cast<int>(p.prazos.size())) : Parcelamento{};
  QString recusa = p.recusa;
  if (recusa.isEmpty() && ParaNumero(p.prazos.last()) > e.DiasVencimento) recusa = MensagemAlemDoHorizonte(e);
  else if (recusa.isEmpty() && (partes.demais < MenorParcela || partes.primeira < MenorParcela))
    recusa = QStringLiteral("Parcelas de %1 são pequenas demais (menos de %2): digite menos parcelas !")
                 .arg(FormataValor(partes.demais), FormataValor(MenorParcela));
  if (!recusa.isEmpty()) {
    // Refused terms are no terms: nothing of them (nor of the list they
    // were to replace) is left for the cheque copy, the first cheque's
    // value and due date or a credit row's terms.
    PrazoCheque.clear();
    Prazos.clear();
    QtdParcelas = 0;
    ValorPrimeira = ValorDemais = Moeda();
    UsaValorDemais = false;
    app().operador().avisa(recusa);
    return;
  }
  PrazoCheque = p.texto;
  Prazos = p.prazos;
  QtdParcelas = static_cast<int>(p.prazos.size());
  // What is still open is split (above): rows already entered (cash first,
  // say) plus the whole total in cheques would pay more than the sale.
  ValorPrimeira = partes.primeira;
  ValorDemais = partes.demais;
  UsaValorDemais = false;
}

void CondPgto::copiaCheques() {
  TerminalState &e = estado();
  Grade &g = grade("Grade");
  if (modelo_.cheques() >= 2) {
    app().operador().avisa(QStringLiteral("Para recalcular cheques, Apague TODOS os itens da grade !"));
    return;
  }
  if (PrazoCheque.isEmpty()) {
    app().operador().avisa(QStringLiteral("Digite <F8> para inserir Prazo !"));
    return;
  }
  // Each copy follows the one before: the next cheque number, the next
  // term's due date, the other instalments' value. A copy has no payment
  // form of its own.
  std::optional<LinhaPagamento> origem = modelo_.linha(linhaDoModelo(LinhaAtual));
  for (int k = 1; k < QtdParcelas && origem; ++k) {
    LinhaPagamento copia = *origem;
    copia.forma.clear();
    copia.valor = ValorDemais;
    copia.cheque = QString::number(static_cast<qlonglong>(ParaNumero(origem->cheque)) + 1);
    copia.vencimento = e.DataSistema.addDays(static_cast<int>(ParaNumero(Prazos.value(k))));
    modelo_.acrescenta(copia);
    g.AddItem(QString());
    mostraLinha(modelo_.linhas() - 1);
    marcaLinha(g.Rows() - 1);
    origem = copia;
  }
  mostraTotais();
  PrazoCheque.clear();
  ValorPrimeira = ValorDemais = Moeda();
}
