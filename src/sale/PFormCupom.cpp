// The sale screen's coupon lifecycle: states, keys, opening and cancelling a
// coupon, the customer, the payment condition, drawer and authentication,
// and the outside programs the keyboard starts.
#include <QFile>
#include <QTime>

#include "access/Inicializacao.h"
#include "closing/MarcadorPosse.h"
#include "closing/ServicoFechamento.h"
#include "closing/VendaFechada.h"
#include "core/Cp1252.h"
#include "core/Database.h"
#include "core/Documentos.h"
#include "core/Logs.h"
#include "core/Operator.h"
#include "core/Programas.h"
#include "core/Senhap.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "fiscalday/AbreDia.h"
#include "fiscalday/MenuFiscal.h"
#include "fiscalday/Reducao_Z.h"
#include "lookup/FormPesq.h"
#include "payment/CondPgto.h"
#include "platform/Host.h"
#include "platform/Paths.h"
#include "sale/PForm.h"

namespace {

QString SoDigitos(const QString &texto) {
  QString r;
  for (const QChar c : texto)
    if (c.isDigit()) r += c;
  return r;
}

// The document digits shown with their mask: 11 digits a CPF, else a CNPJ.
QString DocumentoComMascara(const QString &digitos) {
  if (digitos.isEmpty()) return {};
  return Imprimep(digitos, digitos.size() == 11 ? QStringLiteral("###.###.###-##")
                                                : QStringLiteral("##.###.###/####-##"))
      .trimmed();
}

}  // namespace

void PForm::iniciaGrade() {
  Grade &g = grade("Grade");
  g.FormatString(QStringLiteral("^Item|<Código  |<Descrição             |>Qtde     |>Vlr Unit |>Vlr Total "));
  g.LimpaLinhas();
  g.AddItem(QString());
  g.setPosicao(1, 0);
}

void PForm::LimpaCupomMostrado() {
  campo("Cancelado").setVisible(false);
  iniciaGrade();
  for (const char *c : {"TxtTotVen", "Dinheiro", "Pago", "Troco"}) campo(c).setTexto("0,00");
}

void PForm::zeraCupom() {
  venda_.limpa();
  esqueceEstoqueCupom();
}

void PForm::habilitaMenus(bool sim) {
  menuFiscal_->habilita(sim);
  for (const char *m : {"P02", "P03"}) campo(m).setEnabled(sim);
}

void PForm::LiberaItens() {
  campo("TxtMens").setTexto(QStringLiteral("Digitação de Itens."));
  campo("Produto").setEnabled(true);
  campo("CmdAbreCP").setEnabled(false);
  focaCampo("Produto", false);
}

void PForm::BloqueiaItens() {
  campo("Produto").setEnabled(false);
  campo("CmdAbreCP").setEnabled(true);
}

void PForm::LimpaPagamentos() {
  if (limpaGradePagamentos) limpaGradePagamentos();
}

void PForm::LimpaVenda() {
  TerminalState &e = estado();
  BloqueiaItens();
  habilitaMenus(true);
  campo("CmdAbreCP").setEnabled(true);
  for (const char *b : {"CmdFormPG", "CmdCancelaItem", "CmdFinal"})
    if (Campo *c = procura(b)) c->setEnabled(false);
  zeraCupom();
  LimpaPagamentos();
  // With the database away (a sale just kept on the desk) the consumer's
  // group stays as it was until the next reset; the rest of the reset, the
  // printer freed above all, still happens.
  try {
    leGrupoCliente("0");
  } catch (const ErroBanco &) {
  }
  campo("TxtMens").setTexto(QStringLiteral("Impressora pronta p/ iniciar Cupom..."));
  campo("FormaPgto").setTexto(QString());
  defineVendedor(QString());
  e.EcfOcupada = false;
}

void PForm::leGrupoCliente(const QString &codigo) {
  TerminalState &e = estado();
  Recordset rs;
  rs.abre(MontaSql("Select * From Tb_Rec_CadCli Where CodCli=?", {codigo.toLongLong()}), e.conexao());
  grupoCliente = rs.EOF_() ? QString() : SemNulo(rs["GruCli"]).toString();
  if (codigo == QLatin1String("0") && !rs.EOF_()) {
    const QString operacao = SemNulo(rs["Opf1Cli"]).toString().trimmed();
    if (!operacao.isEmpty() && operacao != QLatin1String("0")) operacaoConsumidor_ = operacao;
  }
}

void PForm::VerificaImpressora() {
  TerminalState &e = estado();
  // No movement open: the day is opened here, or the run ends.
  for (;;) {
    EcfFlagsFiscais(e);
    EcfDataMovimento(e);
    if (e.DataMovimento != QLatin1String("000000")) break;
    if (e.FlagsFiscais & FlagFiscal::ReducaoZFeita) {
      app().operador().avisa(QStringLiteral("Impressora está BLOQUEADA !\n\nA redução Z de hoje já foi feita: "
                                            "as vendas voltam amanhã, com a abertura do novo dia."));
      FinalizaPdv(e, "impressora bloqueada");
    }
    AbreDia abertura(app());
    app().mostra(abertura, true);
    // Left with Esc the day stays closed: without a day there is no sale,
    // and asking again forever would leave the cashier no way out.
    if (!abertura.enviada()) {
      app().operador().avisa(QStringLiteral("Sem a abertura do dia não há vendas: o programa será encerrado."));
      FinalizaPdv(e, "abertura do dia não feita");
    }
    if (abertura.retorno() < 0) FinalizaPdv(e, "abertura do dia recusada");
  }
  // A movement of another day than the system's: its Z reduction is due.
  // A date the printer did not give (no answer) is no reason for one.
  const QDate movimento = QDate::fromString(e.DataMovimento.left(6), QStringLiteral("ddMMyy")).addYears(100);
  if (movimento.isValid() && movimento != e.DataSistema) {
    Reducao_Z reducao(app());
    app().mostra(reducao, true);
  }
  const int16_t flags = EcfFlagsFiscais(e);
  if (!(e.FlagsFiscais & FlagFiscal::CupomAberto)) {
    // Sales whose closing an earlier run left half-marked were closed.
    fechamento().resolveDiario(0, flags >= 1);
    campo("TxtMens").setTexto(QStringLiteral("Impressora pronta p/ iniciar Cupom..."));
    BloqueiaItens();
    return;
  }
  // A coupon left open by an earlier run is cancelled.
  const CancelamentoCupom cancelamento = CancelaCupom();
  fechamento().resolveDiario(venda_.cupom, cancelamento.concluido);
  if (!cancelamento.concluido) app().operador().avisa(cancelamento.porque);
  LimpaVenda();
}

void PForm::teclaForm(int &tecla, int shift) {
  auto aperta = [&](const char *botao) {
    Campo *b = procura(botao);
    tecla = 0;
    if (b && b->enabled() && b->visible()) clica(botao);
  };
  const bool altDireita = shift & tecla::MascaraAltDireita;
  Grade &g = grade("Grade");
  switch (tecla) {
    case tecla::Esc:
      if (campo("FrmCliente").visible()) {
        tecla = 0;
        campo("FrmCliente").setVisible(false);
      }
      return;
    case tecla::F2:
      // In the product field F2 is the product search (the field's own key).
      if (focado() == &campo("Produto") && campo("Produto").enabled()) return;
      // While a coupon is open the button is disabled, but the key still
      // tells the cashier why nothing opens.
      if (estado().EcfOcupada) {
        tecla = 0;
        abreCupom();
        return;
      }
      return aperta("CmdAbreCP");
    case tecla::F3: return aperta("CmdAbreGV");
    case tecla::F4: return aperta("CmdFormPG");
    case tecla::F5: return aperta("CmdAlteraCLI");
    case tecla::F6: return aperta("CmdCancelaItem");
    case tecla::F7: return aperta("CmdFinal");
    case tecla::F8: return aperta("CmdCancelCP");
    case tecla::F9: return aperta("CmdAutentica");
    case tecla::F10:
    case tecla::F11:
      // F10 in the payment-condition field is its search.
      if (campo("Produto").enabled() && !(tecla == tecla::F10 && focado() == &campo("FormaPgto"))) {
        const bool quantidade = tecla == tecla::F10;
        tecla = 0;
        quantidade ? DigitaQuantidade() : DigitaValor();
      }
      return;
    case tecla::F12:
      tecla = 0;
      AbreCalculadora(estado().programas());
      return;
    case tecla::Pausa:
      tecla = 0;
      mostraQuadroCliente();
      return;
    case tecla::Acima:
      if (campo("Produto").enabled() && focado() == &campo("Produto")) {
        tecla = 0;
        if (g.TopRow() != 1) g.setTopRow(g.TopRow() - 1);
      }
      return;
    case tecla::Abaixo:
      if (campo("Produto").enabled() && focado() == &campo("Produto")) {
        tecla = 0;
        if (g.TopRow() != g.Rows() - 1) g.setTopRow(g.TopRow() + 1);
      }
      return;
    default:
      break;
  }
  // Right Alt (AltGr) with 1..6 switches to one of the suite's programs;
  // the left Alt key does nothing.
  if (altDireita && tecla >= '1' && tecla <= '6') {
    const int n = tecla - '0';
    tecla = 0;
    ativaModulo(n);
  }
}

void PForm::abreCupom() {
  TerminalState &e = estado();
  if (e.EcfOcupada) {
    app().operador().avisa(QStringLiteral("Aguarde Impresora Ocupada !"));
    return;
  }
  campo("CmdAbreCP").setEnabled(false);
  EcfFlagsFiscais(e);
  EcfDataMovimento(e);
  if (e.DataMovimento == QLatin1String("000000") && (e.FlagsFiscais & FlagFiscal::ReducaoZFeita)) {
    app().operador().avisa(QStringLiteral("REDUÇÃO Z JÁ FOI EXECUTADA !"));
    campo("CmdAbreCP").setEnabled(true);
    return;
  }
  campo("TxtMens").setTexto(QStringLiteral("Digitação de Itens."));
  const QString documento = PegaCampo(venda_.cliente, "|", 2);
  if (const int16_t r = EcfAbreCupom(e, DocumentoComMascara(documento)); r <= 0) {
    app().operador().avisa(ErroComunicacao(r));
    campo("CmdAbreCP").setEnabled(true);
    return;
  }
  e.EcfOcupada = true;
  zeraCupom();
  LimpaCupomMostrado();
  LimpaPagamentos();
  habilitaMenus(false);
  LiberaItens();
  for (const char *b : {"CmdFormPG", "CmdCancelaItem", "CmdFinal"})
    if (Campo *c = procura(b)) c->setEnabled(true);
  EcfNumeroCupom(e);
  defineCupom(e.NumCupom.toLongLong());
}

void PForm::cancelaCupom() {
  TerminalState &e = estado();
  EcfFlagsFiscais(e);
  if (!(e.FlagsFiscais & (FlagFiscal::PodeCancelar | FlagFiscal::CupomAberto))) {
    app().operador().avisa(QStringLiteral("CANCELAMENTO NEGADO !"));
    return;
  }
  const Resposta r = app().operador().mensagem(
      {QStringLiteral("Confirma Cancelamento ?"), Icone::Critico, Botoes::SimNao, Resposta::Nao, QString()});
  if (r != Resposta::Sim) return;
  if (const CancelamentoCupom cancelamento = CancelaCupom(); !cancelamento.concluido) {
    app().operador().avisa(cancelamento.porque);
    return;
  }
  // Back to the consumer, with the consumer's fiscal operation: an
  // interstate customer's operation must not price the next coupon.
  voltaAoConsumidor();
  LimpaVenda();
}

PForm::CancelamentoCupom PForm::CancelaCupom() {
  TerminalState &e = estado();
  EcfNumeroCupom(e);
  const qlonglong numero = e.NumCupom.toLongLong();
  defineCupom(numero);
  CancelamentoCupom feito;
  if (const int16_t r = EcfCancelaCupom(e); r <= 0) {
    feito.porque = ErroComunicacao(r);
  } else {
    campo("Cancelado").setVisible(true);
    // Its items were not sold: their pending stock goes back.
    devolveEstoqueDoCupom(numero);
    feito = numero == 0 ? CancelamentoCupom{true, {}} : retiraVendaDoCupom(numero);
  }
  return feito;
}

PForm::CancelamentoCupom PForm::retiraVendaDoCupom(qlonglong numero) {
  TerminalState &e = estado();
  // A sale of this coupon kept on the desk and not recorded yet is gone
  // with the coupon.
  {
    VendaFechada cancelada;
    cancelada.caixa = e.NumCaixa;
    cancelada.cupom = numero;
    cancelada.data = e.DataSistema;
    fechamento().diario().descarta(cancelada);
  }
  // A sale already recorded for this coupon is claimed (only while it is in
  // status 1) and handed to the cancellation program.
  Recordset rs;
  rs.abre(MontaSql("Select CodEPn,StaEpn From Tb_Vda_Cadepn Where NfsEpn=? And NfiEpn=?", {e.NumCaixa, numero}),
          e.conexao());
  if (rs.EOF_()) return {true, {}};
  if (ParaNumero(rs["StaEpn"]) == 4) return {false, QStringLiteral("CUPOM JÁ FOI CANCELADO !!")};
  const qlonglong marcador = MarcadorPosse(e.relogio().now().time(), e.CodUsuario);
  const long mudadas = e.conexao().executa(MontaSql(
      "Update Tb_Vda_CadEpn Set StaEpn=? Where NfsEpn=? And NfiEpn=? And StaEpn=1", {marcador, e.NumCaixa, numero}));
  if (mudadas <= 0) return {true, {}};
  rs.abre(MontaSql("Select CodEpn From Tb_vda_cadEpn where StaEpn=?", {marcador}), e.conexao());
  const QString codigo = rs.EOF_() ? QString() : SemNulo(rs["CodEpn"]).toString();
  campo("CodEpn").setTexto(codigo);
  QFile pedido(platform::hostPath(ArquivoPedidoCancelamento));
  if (!pedido.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
    return {false, QStringLiteral("Não foi possível gravar o pedido de cancelamento ") + pedido.fileName() + ": " +
                       pedido.errorString()};
  pedido.write((e.DataSistema.toString("dd/MM/yyyy") + "|" + QString::number(marcador) + "|" + codigo + "|" +
                codigo + "|" + QString::number(e.CodUsuario) + "\n")
                   .toUtf8());
  pedido.close();
  app().deixaRedesenhar();
  e.programas().inicia(ProgramaCancelamento, platform::WindowStyle::Hidden);
  LimpaPagamentos();
  defineVendedor(QString());
  return {true, {}};
}

void PForm::abreGaveta() {
  if (const QString aviso = AcionaGavetaDoCaixa(estado()); !aviso.isEmpty()) app().operador().avisa(aviso);
}

void PForm::autentica() {
  const int16_t r = EcfAutenticacao(estado());
  if (r < 1) app().operador().avisa(ErroComunicacao(r, false));
}

void PForm::formasPagamento() {
  if (venda_.vazia()) {
    app().operador().avisa(QStringLiteral("Não Existem Itens a Serem Totalizados !"));
    focaCampo("Produto", false);
    return;
  }
  if (!condPgto_) return;
  condPgto_->campo("FisEpn").setTexto(venda_.operacao);
  campo("TxtMens").setTexto(QStringLiteral("Formas de Pagamentos..."));
  app().mostra(*condPgto_, true);
}

void PForm::mostraQuadroCliente() {
  campo("FrmCliente").setVisible(true);
  focaCampo("NomeDoCliente", false);
}

void PForm::gravaCliente() {
  if (const QString nome = campo("NomeDoCliente").texto(); !cp1252::ehArmazenavel(nome)) {
    app().operador().avisa(QStringLiteral("Nome do cliente: ") + cp1252::MensagemNaoArmazenavel);
    focaCampo("NomeDoCliente", false);
    return;
  }
  const QString documento = campo("DocumCliente").texto().trimmed();
  const QString recusa =
      documentos::Recusa(documento, QStringLiteral("Digite um numerio com 11 (cpf) ou 14 (cnpj) dígitos!"));
  if (!recusa.isEmpty()) {
    app().operador().avisa(recusa);
    focaCampo("DocumCliente", false);
    return;
  }
  defineCliente("0-" + campo("NomeDoCliente").texto().trimmed() + "|" + documento);
  campo("FrmCliente").setVisible(false);
  if (campo("Produto").enabled()) focaCampo("Produto", false);
}

void PForm::alteraCliente() {
  TerminalState &e = estado();
  if (pagamentosAtribuidos()) {
    app().operador().avisa(MensagemPagamentosAtribuidos);
    return;
  }
  e.CodCliPesq.clear();
  e.CodVenPesq.clear();
  e.DadosClientePesq.clear();
  AbrePesquisa(app(), "Cli");
  if (e.DadosClientePesq.isEmpty()) return;
  const QString codigo = PegaCampo(e.DadosClientePesq, "|", 1);
  const QString nome = PegaCampo(e.DadosClientePesq, "|", 2);
  const QString documento = PegaCampo(e.DadosClientePesq, "|", 3);
  const QString operacao = PegaCampo(e.DadosClientePesq, "|", 4);
  e.DadosClientePesq.clear();
  if (!venda_.total().ehZero() && operacao != venda_.operacao) {
    app().operador().avisa(QStringLiteral("As vendas foram efetuadas em outra Oper. Fiscal. Alteração Negada !"),
                           Icone::Nenhum);
    return;
  }
  defineCliente(codigo + "-" + nome + "|" + SoDigitos(documento));
  defineOperacao(operacao);
  e.CodPesquisa.clear();
  leGrupoCliente(codigo);
}

bool PForm::confereFormaPgto() {
  TerminalState &e = estado();
  Campo &forma = campo("FormaPgto");
  const QString codigo = PegaCampo(forma.texto(), "-", 1).trimmed();
  Recordset rs;
  bool achou = false;
  bool numero = false;
  const qlonglong n = codigo.toLongLong(&numero);
  if (numero) {
    rs.abre("Select CodCpG,NomCpg from Tb_Vda_CondPgt Where CodCpg=" + QString::number(n), e.conexao());
    achou = !rs.EOF_();
  }
  if (!achou) {
    app().operador().avisa(
        QStringLiteral("Código da Forma INVALIDO ! Digite código válido ou 'F2' para pesquisa"));
    return false;
  }
  forma.setTexto(SemNulo(rs["CodCpg"]).toString() + "-" + SemNulo(rs["NomCpg"]).toString().trimmed());
  return true;
}

void PForm::ativaModulo(int n) {
  TerminalState &e = estado();
  const QString programa = e.ProgramasSuite[n];
  if (programa.isEmpty()) return;
  if (platform::activateWindow(programa, platform::WindowStyle::Maximized)) return;
  e.programas().inicia("C:\\KW-VELT\\" + programa + " " + QString::number(e.CodUsuario) + " " +
                           SenhapTexto(e.SenhaUsuario.toLatin1()),
                       platform::WindowStyle::Maximized);
}
