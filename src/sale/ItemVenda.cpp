// Item entry on the sale screen: the product by bar code, in-store label or
// system code, its price and discounts, the printer item, the grid row, the
// coupon totals and the pending-sale stock.
#include <QThread>

#include "access/SenhaLib.h"
#include "core/Database.h"
#include "core/Documentos.h"
#include "core/Logs.h"
#include "core/Operator.h"
#include "core/Quantidade.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "lookup/FormPesq.h"
#include "sale/CodigoProduto.h"
#include "sale/PForm.h"
#include "core/Tributacao.h"

QString PForm::quantidadeMostrada(Quantidade q, bool inteira) {
  if (inteira) return q.formatada(0);
  // Up to three decimals, at least one ("1,5", "1,0", "1,235").
  QString t = q.formatada(3);
  while (t.endsWith('0') && !t.endsWith(",0")) t.chop(1);
  return t;
}

int PForm::linhaDoProximoItem() {
  // Row n holds item n: the next item's row is the empty one after them.
  Grade &g = grade("Grade");
  const int linha = venda_.proximoNumero();
  while (g.Rows() <= linha) g.AddItem(QString());
  return linha;
}

void PForm::esqueceValorLiberado() {
  venda_.valorLiberado.reset();
  grade("Grade").setTextMatrix(linhaDoProximoItem(), 4, QString());
}

void PForm::mostraItem(const ItemCupom &i) {
  Grade &g = grade("Grade");
  const int r = i.numero;
  while (g.Rows() <= r) g.AddItem(QString());
  g.setTextMatrix(r, 0, (i.cancelado ? "-" : "+") + QString::number(i.numero).rightJustified(3, '0'));
  g.setTextMatrix(r, 1, i.produto);
  g.setTextMatrix(r, 2, i.descricao);
  g.setTextMatrix(r, 3, quantidadeMostrada(i.quantidade, i.inteira));
  g.setTextMatrix(r, 4, i.unitario.formatada());
  g.setTextMatrix(r, 5, i.valor.formatada());
  if (i.cancelado) g.setCorLinha(r, 0xFFFFFF, 0x0000FF);
}

void PForm::teclaProduto(int &tecla, int) {
  if (tecla == tecla::F2) {
    tecla = 0;
    AbrePesquisa(app(), "Pro", &campo("Produto"));
  } else if (tecla == tecla::Enter) {
    tecla = 0;
    ExecutaComTratamento(estado(), "Produto_KeyDown", [this] { vendeItem(); });
  }
}

void PForm::vendeItem() {
  Campo &produto = campo("Produto");
  if (pagamentosAtribuidos()) {
    app().operador().avisa(MensagemPagamentosAtribuidos);
    focaCampo(produto, false);
    return;
  }
  const QString texto = produto.texto().trimmed();
  if (texto.isEmpty()) return;
  // An unknown code told on the message line is the last item's news only.
  if (const QString linha = campo("TxtMens").texto(); linha.startsWith(MensagemNaoCadastrado) ||
                                                       linha.startsWith(MensagemCodigoInvalido) ||
                                                       linha.startsWith(MensagemEtiquetaZerada))
    mostraLinhaItens();

  Recordset rs;
  std::optional<Moeda> valorEtiqueta;
  if (!procuraProduto(texto, rs, valorEtiqueta)) {
    // No message box: a scanner goes on scanning into the field, which keeps
    // the focus; the message line says which code was not found.
    produto.setTexto(QString());
    return;
  }
  const Moeda precoLista = ParaMoeda(rs["ValPre1"]);
  if (precoLista.ehZero()) {
    app().operador().avisa(QStringLiteral("Produto com preço ZERADO !"));
    return;
  }
  const DadosTributacao tributacao{SemNulo(rs["TribPro"]).toString().trimmed(), ParaMoeda(rs["Deb512Cto"]),
                                   ParaMoeda(rs["Deb612Cto"]), ParaMoeda(rs["RedCto"]), venda_.operacao};
  if (const QString recusa = RecusaTributacao(tributacao); !recusa.isEmpty()) {
    app().operador().avisa(recusa);
    return;
  }
  const QString codPro = SemNulo(rs["CodPro"]).toString().trimmed();

  // The printer takes the unit value with two decimals: the line is charged
  // on that, and the screen shows the same.
  Moeda unitario = precoComDescontos(codPro, precoLista).arredondada(2);
  const bool inteira = ParaNumero(rs["DecPro"]) == 1;
  const Quantidade quantidade = quantidadeDoItem(inteira, valorEtiqueta, precoLista);
  // A label's value at a very low price can weigh more than the printer's
  // quantity field holds.
  if (quantidade > Quantidade::deInteiro(MaiorQuantidade)) {
    app().operador().avisa(MensagemQuantidadeGrande());
    return;
  }

  // The next item's row shows from here on, whatever the printer says.
  linhaDoProximoItem();
  // A value released with F11 for this item.
  if (const std::optional<Moeda> liberado = venda_.valorLiberado) {
    if (liberado->vezes(2) <= unitario) {
      esqueceValorLiberado();
      app().operador().avisa(QStringLiteral("Venda abaixo do preço de custo !"));
      focaCampo(produto, false);
      return;
    }
    unitario = liberado->arredondada(2);
  }

  const QString descricao = SemNulo(rs["NomPro"]).toString().trimmed();
  if (!EnviaItem(codPro, descricao, tributacao, inteira, quantidade, unitario)) {
    esqueceValorLiberado();
    return;
  }
  mostraItemVendido(venda_.adiciona({0, codPro, descricao, quantidade, inteira, unitario, precoLista,
                                     ValorLinha(unitario, quantidade), tributacao, false}));
}

bool PForm::procuraProduto(const QString &texto, Recordset &rs, std::optional<Moeda> &valorEtiqueta) {
  TerminalState &e = estado();
  // What the cashier typed, as the message line names it when no product has it.
  const QString digitado = texto.section(SeparadorCodigo, 0, 0).trimmed().left(MaiorCodigoMostrado);
  const CodigoDigitado codigo = ClassificaCodigo(texto);
  if (!codigo.textoCampo.isEmpty()) campo("Produto").setTexto(codigo.textoCampo);
  switch (codigo.tipo) {
    case TipoCodigo::Invalido:
      // A misread bar code (or label) is told like an unknown one.
      campo("TxtMens").setTexto(MensagemCodigoInvalido + digitado);
      return false;
    case TipoCodigo::EtiquetaZerada:
      // Nothing weighed: no quantity to sell (it would sell one whole unit).
      campo("TxtMens").setTexto(MensagemEtiquetaZerada + digitado);
      return false;
    case TipoCodigo::Etiqueta:
      rs.abre(MontaSql("Select * From Tb_Est_CadPro Where CdiPro=?", {codigo.chave}), e.conexao());
      valorEtiqueta = codigo.valorEtiqueta;
      break;
    case TipoCodigo::Barras:
      rs.abre(MontaSql("Select * From Tb_Est_CadPro Where EanPro=?", {codigo.chave}), e.conexao());
      break;
    case TipoCodigo::Sistema:
      rs.abre("Select * From Tb_Est_CadPro Where CodPro=" + codigo.chave, e.conexao());
      break;
    case TipoCodigo::Nenhum:
      break;
  }
  if (rs.State() != 0 && !rs.EOF_()) return true;
  campo("TxtMens").setTexto(MensagemNaoCadastrado + digitado);
  return false;
}

void PForm::mostraItemVendido(const ItemCupom &novo) {
  TerminalState &e = estado();
  Grade &g = grade("Grade");
  venda_.valorLiberado.reset();
  const int item = novo.numero;
  mostraItem(novo);
  g.setPosicao(item, 0);
  if (g.TopRow() > item) g.setTopRow(item);
  campo("TxtTotVen").setTexto(venda_.total().formatada());
  campo("NitEpn").setTexto(QString::number(item));
  campo("Produto").setTexto(QString());
  venda_.quantidadePendente = Quantidade();
  // The quantity shown was this item's: the next one is 1 again.
  mostraLinhaItens();
  e.UltProduto = novo.produto;
  levantaEstoque(item, novo.produto, novo.quantidade);
}

Moeda PForm::precoComDescontos(const QString &codPro, Moeda precoLista) {
  TerminalState &e = estado();
  // By payment condition, then by customer group, each on the price the one
  // before left.
  Moeda preco = precoLista;
  const QString condicao = PegaCampo(campo("FormaPgto").texto(), "-", 1).trimmed();
  if (!condicao.isEmpty()) {
    Recordset dsc;
    dsc.abre(MontaSql("Select * From Tb_Est_DscFpg Where ProDFpg=? and ForDFpg=?", {codPro, condicao}), e.conexao());
    if (!dsc.EOF_()) preco = preco.menosPercentual(ParaMoeda(dsc["DscDFpg"]), 4);
  }
  Recordset dsc;
  dsc.abre(MontaSql("Select * From Tb_Est_DscGruCli Where ProGCli=? and GruGCli=?", {codPro, grupoCliente}),
           e.conexao());
  if (!dsc.EOF_()) preco = preco.menosPercentual(ParaMoeda(dsc["DscGCli"]), 4);
  return preco;
}

Quantidade PForm::quantidadeDoItem(bool inteira, const std::optional<Moeda> &valorEtiqueta, Moeda precoLista) const {
  Quantidade quantidade =
      venda_.quantidadePendente.ehZero() ? Quantidade::deInteiro(1) : venda_.quantidadePendente;
  if (valorEtiqueta) {
    // The label's value at the product's own price (before discounts).
    if (const auto q = Quantidade::deValor(*valorEtiqueta, precoLista.arredondada(2))) quantidade = *q;
  }
  if (inteira) quantidade = quantidade.arredondada(0);
  if (quantidade.ehZero()) quantidade = Quantidade::deInteiro(1);
  return quantidade;
}

void PForm::mostraLinhaItens() {
  campo("TxtMens").setTexto(venda_.quantidadePendente.ehZero()
                                ? QStringLiteral("Digitação de Itens.")
                                : QStringLiteral("Qtde: ") + quantidadeMostrada(venda_.quantidadePendente, false));
}

QString PForm::RecusaTributacao(const DadosTributacao &d) {
  const QChar segundo = d.tribPro.size() >= 2 ? d.tribPro[1] : QChar();
  if (d.aliquotaEstado.ehZero() && segundo == '0') return QStringLiteral("Debito 512 esta ZERADO !");
  if (d.aliquotaFora.ehZero() && segundo == '0') return QStringLiteral("Debito 612 esta ZERADO !");
  if (d.tribPro.isEmpty()) return QStringLiteral("Código de Tributação Invalido !");
  return {};
}

bool PForm::EnviaItem(const QString &codigo, const QString &descricao, const DadosTributacao &dados, bool inteira,
                      Quantidade quantidade, Moeda unitario) {
  TerminalState &e = estado();
  const Tributacao t = ClassificaTributacao(dados);
  const int16_t status = EcfVendeItem(e, codigo, descricao.left(29), t.aliquota, inteira ? "I" : "F",
                                     quantidade.paraImpressora(!inteira), 2, unitario.formatada(), "%", "0000");
  const AnaliseRetorno r = AnalisaRetornoEcf(e, status);
  if (!r.texto.isEmpty())
    app().operador().mensagem({r.texto, r.icone, Botoes::Ok, Resposta::Ok, QStringLiteral("Envia Item")});
  return r.aceito;
}

void PForm::DigitaQuantidade() {
  if (pagamentosAtribuidos()) {
    app().operador().avisa(MensagemPagamentosAtribuidos);
    return;
  }
  QString resposta;
  if (!app().operador().entrada({QStringLiteral("DIGITAÇÃO DE QTDE"), QStringLiteral("DIGITE A QTDE:"), QString()},
                                resposta))
    return;
  resposta = resposta.trimmed();
  if (resposta.isEmpty()) return;
  const auto q = resposta.contains('.') ? std::nullopt : Quantidade::deTexto(resposta);
  // Zero sells nothing; the printer's quantity field has four whole digits.
  if (!q || *q <= Quantidade()) {
    app().operador().avisa(QStringLiteral("QTDE INVALIDA. DIGITE VIRGULA PARA DECIMAL !"));
    return;
  }
  if (*q > Quantidade::deInteiro(MaiorQuantidade)) {
    app().operador().avisa(MensagemQuantidadeGrande());
    return;
  }
  venda_.quantidadePendente = *q;
  mostraLinhaItens();
  focaCampo("Produto", false);
}

void PForm::DigitaValor() {
  SenhaLib liberacao(app());
  app().mostra(liberacao, true);
  const auto valor = Moeda::deTexto(liberacao.valor());
  if (valor && !valor->ehZero()) {
    // Shown in the next item's row until an item takes it.
    venda_.valorLiberado = *valor;
    grade("Grade").setTextMatrix(linhaDoProximoItem(), 4, valor->formatada());
  }
  if (liberacao.carregada()) app().descarrega(liberacao, true);
  focaCampo("Produto", false);
}

void PForm::cancelaItem() {
  TerminalState &e = estado();
  if (pagamentosAtribuidos()) {
    app().operador().avisa(MensagemPagamentosAtribuidos);
    focaCampo("Produto", false);
    return;
  }
  Grade &g = grade("Grade");
  const QString titulo = QStringLiteral("CANCELAMENTO DE ITEM");
  int item = 0;
  for (;;) {
    QString resposta;
    if (!app().operador().entrada({titulo, QStringLiteral("DIGITE O NÚMERO DO ITEM A CANCELAR:"), QString()},
                                  resposta))
      return;
    item = resposta.trimmed().toInt();
    if (resposta.trimmed().isEmpty() || item == 0) return;
    QString recusa;
    const ItemCupom *i = venda_.item(item);
    if (item < 0 || item >= g.Rows()) recusa = QStringLiteral("ITEM INEXISTENTE !");
    else if (!i) recusa = QStringLiteral("ITEM EM BRANCO !");  // the next item's empty row
    else if (i->cancelado) recusa = QStringLiteral("JÁ FOI CANCELADO !");
    if (recusa.isEmpty()) break;
    app().operador().avisa(recusa);
  }
  // The item is shown while the cashier confirms it.
  g.setPosicao(item, 0);
  if (g.TopRow() > item) g.setTopRow(item);
  g.setCorLinha(item, 0xFF0000, 0xFFFFFF);
  QString confirmacao;
  const bool respondeu = app().operador().entrada(
      {titulo, QStringLiteral("CONFIRME O NÚMERO DO ITEM A CANCELAR:"), QString()}, confirmacao);
  g.setCorLinha(item, 0xFFFFFF, 0x000000);
  if (!respondeu || confirmacao.trimmed().toInt() != item) return;

  venda_.quantidadePendente = Quantidade();
  campo("TxtMens").setTexto(QStringLiteral("Digitação de Itens."));
  if (const QString erro = EstornaItem(item); !erro.isEmpty()) {
    app().operador().avisa(erro);
    return;
  }
  const ItemCupom &cancelado = *venda_.item(item);
  e.EtapaVenda = 1;
  devolveEstoqueDoItem(item, cancelado.produto, cancelado.quantidade);
  e.EtapaVenda = 0;
  mostraItem(cancelado);
  campo("TxtTotVen").setTexto(venda_.total().formatada());
  const int ultima = g.Rows() - 1;
  g.setPosicao(ultima, 0);
  g.setColSel(5);
}

QString PForm::EstornaItem(int item) {
  TerminalState &e = estado();
  const int16_t r = EcfCancelaItemGenerico(e, QString::number(item).rightJustified(3, '0'));
  if (r <= 0) return ErroComunicacao(r);
  // Taken off only once the printer cancelled it, with the same groups and
  // rates the entry used.
  venda_.cancela(item);
  return {};
}
