#include "presale/Imprime_Cupom_PreVenda.h"

#include "closing/ServicoFechamento.h"
#include "closing/FechaCupom.h"
#include "closing/MarcadorPosse.h"
#include "closing/RodapeCupom.h"
#include "closing/VendaFechada.h"
#include "core/Cp1252.h"
#include "core/Database.h"
#include "core/Documentos.h"
#include "core/Operator.h"
#include "core/PontoFalha.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "lookup/FormPesq.h"
#include "payment/CondPgto.h"
#include "platform/Host.h"
#include "presale/JanelaVenda.h"

ImprimeCupomPreVenda::ImprimeCupomPreVenda(Aplicacao &app, JanelaVenda &venda)
    : TelaEmpenho(app, {"Imprime_Cupom_PreVenda", QStringLiteral("IMPRIME CUPOM DE PRÉ-VENDA - ( F7 - LIBERA EMPENHO )"),
                        true, false, true, true}),
      venda_(venda) {
  Campo &tot = campo("FrmTot");
  Campo &forma = adiciona("CmdForma", TipoCampo::Botao);
  forma.setTexto(QStringLiteral("Alt Forma (F4)"));
  forma.painel = &tot;
  forma.aoClicar = [this] { trata("CmdForma_Click", [this] { AlteraFormaEmpenho(); }); };
  Campo &imprimir = adiciona("CmdImprime", TipoCampo::Botao);
  imprimir.setTexto(QStringLiteral("Imprime   (F5)"));
  imprimir.painel = &tot;
  imprimir.aoClicar = [this] { trata("CmdImprime_Click", [this] { imprime(); }); };

  adiciona("LabCliente", TipoCampo::Rotulo).setTexto(QStringLiteral("Consumidor (Pause identifica):"));
  Campo &cliente = adiciona("Cliente", TipoCampo::Texto);
  cliente.setTexto(QStringLiteral("0-CONSUMIDOR"));
  cliente.locked = true;
  cliente.tabStop = false;
  Campo &quadro = adiciona("FrmCliente", TipoCampo::Painel);
  auto doQuadro = [&](const char *nome, TipoCampo tipo) -> Campo & {
    Campo &c = adiciona(nome, tipo);
    c.painel = &quadro;
    return c;
  };
  doQuadro("LabNomeDoCliente", TipoCampo::Rotulo).setTexto(QStringLiteral("Nome do Cliente....................:"));
  doQuadro("NomeDoCliente", TipoCampo::Texto).maxLength = 40;
  doQuadro("LabDocumCliente", TipoCampo::Rotulo).setTexto(QStringLiteral("Numero do  Cpf ou CGC..............:"));
  Campo &documento = doQuadro("DocumCliente", TipoCampo::Texto);
  documento.maxLength = 14;
  // Digits only: the document goes to the printer as typed.
  documento.aoTeclarCaractere = [](int &c) {
    if (c >= ' ' && (c < '0' || c > '9')) c = 0;
  };
  Campo &grava = doQuadro("GravaCliente", TipoCampo::Botao);
  grava.setTexto(QStringLiteral("&Grava"));
  grava.aoClicar = [this] { gravaCliente(); };
  quadro.setVisible(false);

  Campo &numero = campo("NumEpn");
  numero.aoGanharFoco = [&numero] {
    // An empenho chosen in the search comes back here.
    if (TomaCodigoPesquisa(numero, &TerminalState::CodPesquisa)) numero.selecionaTudo();
  };
  aoTeclarForm = [this](int &t, int shift) {
    if (t == tecla::Pausa) {
      t = 0;
      campo("FrmCliente").setVisible(true);
      focaCampo("NomeDoCliente", false);
    } else if (t == tecla::Esc && campo("FrmCliente").visible()) {
      t = 0;
      fechaQuadroCliente();
    } else if (t == tecla::F2 && focado() == &campo("NumEpn")) {
      t = 0;
      AbrePesquisa(this->app(), "Epn", &campo("NumEpn"));
    } else {
      teclaTela(t, shift);
    }
  };
}

void ImprimeCupomPreVenda::carrega() {
  TelaEmpenho::carrega();
  campo("Cliente").setTexto(venda_.clienteDaVenda());
}

void ImprimeCupomPreVenda::ativa() {
  TerminalState &e = estado();
  // Opened with a number: the coupon is printed without further input.
  if (!e.NumEpnPesq.isEmpty()) {
    const QString numero = e.NumEpnPesq;
    e.NumEpnPesq.clear();
    campo("NumEpn").setTexto(numero);
    trata("Form_Activate", [this] {
      if (abreEmpenho()) imprime();
    });
    return;
  }
  if (!focado()) focaCampo("NumEpn", false);
}

QString ImprimeCupomPreVenda::recusaEmpenho(qlonglong codigo) {
  // Its coupon printed here and kept on the desk, not recorded yet: printed
  // again it would be two coupons for one pre-sale.
  for (const DiarioVendas::Entrada &p : venda_.fechamento().diario().pendentes())
    if (p.venda.empenho == codigo)
      return QStringLiteral("O cupom %1 deste empenho já foi impresso e está guardado neste caixa; ele será gravado "
                            "assim que o banco de dados responder.")
          .arg(p.venda.cupom);
  return {};
}

void ImprimeCupomPreVenda::NovoEmpenho() {
  TelaEmpenho::NovoEmpenho();
  campo("Cliente").setTexto(venda_.clienteDaVenda());
  campo("NomeDoCliente").setTexto(QString());
  campo("DocumCliente").setTexto(QString());
}

void ImprimeCupomPreVenda::teclaCarregado(int &t) {
  if (t == tecla::F4) {
    t = 0;
    AlteraFormaEmpenho();
  } else if (t == tecla::F5) {
    t = 0;
    imprime();
  } else if (t == tecla::F7) {
    t = 0;
    LiberaEmpenho();
    app().operador().avisa(QStringLiteral("Liberação Concluida !"), Icone::Informacao);
  }
}

void ImprimeCupomPreVenda::gravaCliente() {
  const QString documento = campo("DocumCliente").texto().trimmed();
  if (const QString nome = campo("NomeDoCliente").texto(); !cp1252::ehArmazenavel(nome)) {
    app().operador().avisa(QStringLiteral("Nome do cliente: ") + cp1252::MensagemNaoArmazenavel);
    focaCampo("NomeDoCliente", false);
    return;
  }
  if (const QString recusa = documentos::Recusa(documento, MensagemDocumento); !recusa.isEmpty()) {
    app().operador().avisa(recusa);
    // Emptied, so the document typed again is not added to the wrong one.
    campo("DocumCliente").setTexto(QString());
    focaCampo("DocumCliente", false);
    return;
  }
  campo("Cliente").setTexto("0-" + campo("NomeDoCliente").texto().trimmed() + "|" + documento);
  fechaQuadroCliente();
}

void ImprimeCupomPreVenda::fechaQuadroCliente() {
  campo("FrmCliente").setVisible(false);
  // Back where the operator was: the amount of a loaded empenho, or the number.
  if (campo("FrmTot").enabled()) focaCampo("TxtValor", false);
  else focaCampo("NumEpn", false);
}

QString ImprimeCupomPreVenda::DocumentoFormatado(const QString &documento) {
  if (documento.isEmpty()) return {};
  return Imprimep(documento, documento.size() == 11 ? QStringLiteral("###.###.###-##")
                                                    : QStringLiteral("##.###.###/####-##"));
}

void ImprimeCupomPreVenda::imprime() {
  TerminalState &e = estado();
  if (const QString recusa = RecusaValorPago(totalDinheiro(), valorPago(), MensagemValorMenor); !recusa.isEmpty()) {
    app().operador().avisa(recusa);
    focaCampo("TxtValor", false);
    campo("TxtValor").selecionaTudo();
    return;
  }
  if (e.EcfOcupada) {
    app().operador().avisa(MensagemOcupada);
    return;
  }
  campo("TxtValor").setTexto(FormataValor(valorPago()));
  mostraTroco();
  const qlonglong marcador = MarcadorPosse(e.relogio().now().time(), e.CodUsuario);
  if (!tomaEmpenho(marcador)) {
    NovoEmpenho();
    return;
  }
  campo("NumEpn").setEnabled(false);
  const ResultadoImpressao r = ImprimeCupomEmpenho(marcador);
  if (r.impressao != Impressao::Impresso) {
    // Nothing printed: the empenho is free again for any desk. A coupon
    // the printer may have closed keeps it claimed until the start-up
    // check tells.
    if (r.impressao == Impressao::NaoImpresso) devolveEmpenho(marcador);
    app().operador().avisa(r.porque);
  } else {
    venda_.mostraEmpenho(codigo_);
    app().operador().avisa(MensagemConcluida, Icone::Informacao);
  }
  NovoEmpenho();
}

bool ImprimeCupomPreVenda::tomaEmpenho(qlonglong marcador) {
  TerminalState &e = estado();
  // Taken only as this screen read it: of two desks that read it free, one
  // takes it and the other is told which desk did. Never from another desk's
  // claim, even one this screen read (the empenho is read twice on loading:
  // another desk may claim it in between).
  long tomados = 0;
  try {
    tomados = e.conexao().executaComParametros(
        "UPDATE TB_VDA_CADEPN SET STAEPN=?, NFSEPN=? WHERE CODEPN=? AND STAEPN=? AND COALESCE(NFSEPN,'')=? "
        "AND (STAEPN >= 0 OR COALESCE(NFSEPN,'')=?)",
        {marcador, e.NumCaixa.trimmed(), codigo_, status_, serie_, e.NumCaixa.trimmed()});
  } catch (const ErroBanco &erro) {
    // Another desk's claim of the same row at the same moment.
    if (!erro.ehDeadlock()) throw;
  }
  if (tomados == 1) return true;
  Recordset cab;
  cab.abre(MontaSql("Select * From Tb_Vda_Cadepn Where Codepn=?", {codigo_}), e.conexao());
  QString porque = cab.EOF_() ? MensagemNaoExiste : EmOutroCaixa(cab, e.NumCaixa);
  if (porque.isEmpty()) porque = QStringLiteral("Este empenho foi alterado em outro caixa ou programa enquanto estava na tela: chame-o de novo.");
  app().operador().avisa(porque);
  return false;
}

void ImprimeCupomPreVenda::devolveEmpenho(qlonglong marcador) {
  TerminalState &e = estado();
  try {
    e.conexao().executaComParametros(
        "UPDATE TB_VDA_CADEPN SET STAEPN=?, NFSEPN=? WHERE CODEPN=? AND STAEPN=?",
        {status_, serie_.isEmpty() ? QVariant() : QVariant(serie_), codigo_, marcador});
  } catch (const ErroBanco &) {
    // The database is away: the empenho stays claimed by this desk, which
    // may still print it (another desk is told this one holds it).
  }
}

QString ImprimeCupomPreVenda::cancelaCupomAberto(const QString &falha) {
  TerminalState &e = estado();
  if (PerguntaSituacaoCupom(e) == SituacaoCupom::Fechado) return falha;
  const int16_t cancelado = EcfCancelaCupom(e);
  if (cancelado >= 1) {
    venda_.mostraCupomCancelado();
    return falha + QStringLiteral("\n\nO cupom foi cancelado; o empenho pode ser impresso de novo.");
  }
  return falha + QStringLiteral("\n\nO cupom não pôde ser cancelado (") + ErroComunicacao(cancelado) +
         QStringLiteral("): ele será cancelado ao iniciar o caixa.");
}

ImprimeCupomPreVenda::LeituraCupom ImprimeCupomPreVenda::leCupom() {
  TerminalState &e = estado();
  ConexaoBanco &c = e.conexao();
  Recordset cab;
  cab.abre(MontaSql("Select * From Tb_Vda_Cadepn Where Codepn=?", {codigo_}), c);
  if (cab.EOF_()) return {std::nullopt, QStringLiteral("Empenho Inexistente !")};
  CupomEmpenho cupom;
  cupom.codigoCliente = texto(cab, "CliEpn");
  cupom.operacao = texto(cab, "FisEpn");
  cupom.vendedor = texto(cab, "VenEpn").toLongLong();
  cupom.total = ParaMoeda(cab["TotEpn"]);
  cupom.desconto = ParaMoeda(cab["DscEpn"]);

  // The customer: the database's, or the one the operator identified.
  Recordset rs;
  rs.abre(MontaSql("Select * From Tb_Rec_CadCli Where CodCli=?", {cupom.codigoCliente.toLongLong()}), c);
  cupom.nome = rs.EOF_() ? QString() : texto(rs, "NomCli");
  cupom.documento = rs.EOF_() ? QString() : texto(rs, "CpfCli");
  const QString cliente = campo("Cliente").texto();
  const QString identificado = cliente.mid(cliente.indexOf('-') + 1);
  if (!PegaCampo(identificado, "|", 2).trimmed().isEmpty()) {
    cupom.nome = PegaCampo(identificado, "|", 1).trimmed();
    cupom.documento = PegaCampo(identificado, "|", 2).trimmed();
  }
  SoNumeros(cupom.documento);
  if (std::optional<QString> porque = leItens(cupom, SemNulo(cab["NitEpn"]).toInt())) return {std::nullopt, *porque};

  // The payment rows as recorded, into the payment-change grid and from it
  // to the printer.
  LimpaGradePgto();
  altPgto().carregaLinhas(cupom.liquido(), LinhasPagamento(c, "FORMAPGTO1", codigo_));
  cupom.pagamentos = altPgto().pagamentos();
  // A coupon whose payments do not pay its items less the discount could
  // never be closed.
  Moeda somaItens;
  for (const ItemEmpenho &item : cupom.itens) somaItens += ValorLinha(item.unitario, item.quantidade);
  if (somaItens != cupom.total)
    return {std::nullopt,
            QStringLiteral("Os itens (%1) não conferem com o total do empenho (%2): o cupom não foi impresso.")
                .arg(FormataValor(somaItens), FormataValor(cupom.total))};
  if (const Moeda formas = SomaPagamentos(cupom.pagamentos); formas != somaItens - cupom.desconto)
    return {std::nullopt,
            QStringLiteral("Os itens (%1) menos o desconto (%2) não conferem com as formas de pagamento (%3): o "
                           "cupom não foi impresso.")
                .arg(FormataValor(somaItens), FormataValor(cupom.desconto), FormataValor(formas))};
  return {std::move(cupom), {}};
}

std::optional<QString> ImprimeCupomPreVenda::leItens(CupomEmpenho &cupom, int quantos) {
  TerminalState &e = estado();
  ConexaoBanco &c = e.conexao();
  // Everything the coupon sells is read before it is opened: a missing item
  // or product prints nothing.
  Recordset it, rs;
  for (int i = 1; i <= quantos; ++i) {
    it.abre(MontaSql("Select * From Tb_Vda_CadEpnIt Where CodEpnIt=? And IteEpnIt=?", {codigo_, i}), c);
    if (it.EOF_())
      return QStringLiteral("O item %1 do empenho %2 não existe: o cupom não foi impresso.").arg(i).arg(codigo_);
    rs.abre(MontaSql("Select * From Tb_Est_CadPro Where CodPro=?", {SemNulo(it["ProEpnIt"]).toLongLong()}), c);
    if (rs.EOF_())
      return QStringLiteral("O produto %1 do item %2 não existe: o cupom não foi impresso.")
          .arg(texto(it, "ProEpnIt"))
          .arg(i);
    ItemEmpenho item;
    item.item = i;
    item.produto = texto(rs, "CodPro");
    item.descricao = texto(rs, "NomPro");
    item.tributacao = {texto(rs, "TribPro"), ParaMoeda(rs["Deb512Cto"]), ParaMoeda(rs["Deb612Cto"]),
                       ParaMoeda(rs["RedCto"]), cupom.operacao};
    item.quantidade = ParaQuantidade(it["QtdEpnIt"]);
    if (item.quantidade.ehZero()) item.quantidade = Quantidade::deInteiro(1);
    item.unitario = ParaMoeda(it["ValEpnIt"]).arredondada(2);
    cupom.itens << item;
  }
  return std::nullopt;
}

VendaFechada ImprimeCupomPreVenda::montaVenda(const CupomEmpenho &c, qlonglong cupom, const TotaisCupom &totais,
                                              qlonglong marcador) const {
  TerminalState &e = estado();
  VendaFechada venda;
  venda.caixa = e.NumCaixa;
  venda.cupom = cupom;
  venda.data = e.DataSistema;
  venda.usuario = e.CodUsuario;
  venda.cliente = c.codigoCliente + "-" + c.nome + (c.documento.isEmpty() ? QString() : "|" + c.documento);
  venda.vendedor = c.vendedor;
  venda.operacao = c.operacao.toInt();
  venda.total = c.liquido();
  venda.local = e.LocCxaMat;
  venda.fechadaEm = e.relogio().now();
  venda.faturamento = VendaFechada::TextoFaturamento(e.CodUsuario, e.NomeMaquina, venda.fechadaEm.time());
  for (const ItemEmpenho &item : c.itens)
    venda.itens << ItemVendido{item.item,          item.produto.toLongLong(), item.quantidade,
                               item.unitario,      item.unitario,             ValorLinha(item.unitario, item.quantidade),
                               item.tributacao.tribPro};
  venda.pagamentos = c.pagamentos;
  venda.totais = totais;
  venda.empenho = codigo_;
  venda.marcador = marcador;
  venda.horaServidor = horaServidor_;
  return venda;
}

ImprimeCupomPreVenda::ResultadoImpressao ImprimeCupomPreVenda::ImprimeCupomEmpenho(qlonglong marcador) {
  TerminalState &e = estado();
  const ImpressoraOcupada ocupada(e);
  const Ampulheta ampulheta(app());
  const LeituraCupom leitura = leCupom();
  if (!leitura.cupom) return {Impressao::NaoImpresso, leitura.porque};
  const CupomEmpenho &lido = *leitura.cupom;

  if (const int16_t aberto = EcfAbreCupom(e, DocumentoFormatado(lido.documento)); aberto < 1)
    return {Impressao::NaoImpresso, ErroComunicacao(aberto)};
  EcfNumeroCupom(e);
  const qlonglong cupom = e.NumCupom.toLongLong();
  venda_.mostraNumeroCupom(cupom);
  TotaisCupom totais{};
  for (const ItemEmpenho &item : lido.itens)
    if (const std::optional<QString> falha = VendeItemEmpenho(item, totais))
      return {Impressao::NaoImpresso, cancelaCupomAberto(*falha)};
  return fechaCupom(lido, montaVenda(lido, cupom, totais, marcador));
}

ImprimeCupomPreVenda::ResultadoImpressao ImprimeCupomPreVenda::fechaCupom(const CupomEmpenho &c, const VendaFechada &venda) {
  TerminalState &e = estado();
  const QString rodape = RodapeCupom(campo("Troco").texto(), "0-" + c.nome, c.operacao, venda_.caixaDaVenda(),
                                     campo("NumEpn").texto());
  const DescontoCupom subtotal =
      c.desconto.ehZero() ? DescontoCupom{"%", "0,00"} : DescontoCupom{"$", FormataValor(c.desconto)};
  ServicoFechamento &fechamento = venda_.fechamento();
  const ServicoFechamento::Resultado r =
      fechamento.fecha(venda, [&](const ServicoFechamento::Guarda &guarda, QString &falha) {
        // On disk before the printer closes the coupon.
        if (QString erro; !guarda(erro)) {
          falha = QStringLiteral("O cupom não pôde ser guardado no disco deste caixa (") + erro + ").";
          return false;
        }
        falha = EnviaFechamentoCompleto(e, subtotal, c.pagamentos, rodape).value_or(QString());
        return true;
      });
  switch (r.desfecho) {
    case ServicoFechamento::Desfecho::NaoFechado:
      return {Impressao::NaoImpresso,
              cancelaCupomAberto(r.porque.isEmpty() ? ServicoFechamento::MensagemCupomNaoFechado : r.porque)};
    case ServicoFechamento::Desfecho::Incerto:
      // The start-up check decides (cancels an open coupon, records a
      // closed one).
      return {Impressao::Incerto,
              (r.porque.isEmpty() ? ServicoFechamento::MensagemCupomNaoFechado : r.porque) +
                  QStringLiteral("\n\nA impressora não responde: o cupom será conferido ao iniciar o caixa.")};
    default:
      break;
  }
  venda_.mostraCupomDeOutraTela(venda.cliente, codigo_, venda.cupom);
  campo("Cliente").setTexto(QStringLiteral("0-CONSUMIDOR"));
  fechamento.registra(venda);
  return {Impressao::Impresso, {}};
}

std::optional<QString> ImprimeCupomPreVenda::VendeItemEmpenho(const ItemEmpenho &item, TotaisCupom &totais) {
  TerminalState &e = estado();
  const Tributacao t = ClassificaTributacao(item.tributacao, TabelaTributacao::Empenho);
  // A weighed quantity (1,5 kg) is sold as such, three decimals; a whole one
  // as units.
  const bool fracionada = !item.quantidade.ehInteira();
  const int16_t vendido =
      EcfVendeItem(e, item.produto, item.descricao.left(29), t.aliquota, fracionada ? "F" : "I",
                   item.quantidade.paraImpressora(fracionada), 2, item.unitario.formatada(), "%", "0000");
  if (vendido < 1) return ErroComunicacao(vendido, false);
  AcumulaLinha(totais, t, ValorLinha(item.unitario, item.quantidade));
  return std::nullopt;
}
