// Item entry on the sale screen: the product by bar code, in-store label or
// system code, its price and discounts, the printer item, the grid row, the
// coupon totals and the pending-sale stock.
#include <QRegularExpression>
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
#include "sale/PForm.h"
#include "core/Tributacao.h"

namespace {

const QString Separador = QStringLiteral("»");

bool SoDigitosTamanho(const QString &t, std::initializer_list<int> tamanhos) {
  static const QRegularExpression digitos(QStringLiteral("^\\d+$"));
  if (!digitos.match(t).hasMatch()) return false;
  for (int n : tamanhos)
    if (t.size() == n) return true;
  return false;
}

}  // namespace

QString PForm::quantidadeMostrada(Quantidade q, bool inteira) {
  if (inteira) return q.formatada(0);
  // Up to three decimals, at least one ("1,5", "1,0", "1,235").
  QString t = q.formatada(3);
  while (t.endsWith('0') && !t.endsWith(",0")) t.chop(1);
  return t;
}

int PForm::linhaDoProximoItem() {
  Grade &g = grade("Grade");
  if (g.Rows() <= g.FixedRows || !g.TextMatrix(g.Rows() - 1, 0).isEmpty()) g.AddItem(QString());
  return g.Rows() - 1;
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
  TerminalState &e = estado();
  Campo &produto = campo("Produto");
  e.Mensagem.clear();
  if (pagamentosAtribuidos()) {
    app().operador().avisa(MensagemPagamentosAtribuidos);
    focaCampo(produto, false);
    return;
  }
  QString texto = produto.texto().trimmed();
  if (texto.isEmpty()) return;
  // What the cashier typed, as the message line names it when no product has it.
  const QString digitado = texto.section(Separador, 0, 0).trimmed();
  // An unknown code told on the message line is the last item's news only.
  if (const QString linha = campo("TxtMens").texto(); linha.startsWith(MensagemNaoCadastrado) ||
                                                       linha.startsWith(MensagemCodigoInvalido) ||
                                                       linha.startsWith(MensagemEtiquetaZerada))
    mostraLinhaItens();

  // The kind of code. A code typed with a trailing "." (or handed back by the
  // search, "code»description»...") is a system code whatever its length.
  bool codigoSistema = false;
  if (texto.endsWith('.') && SoDigitosTamanho(texto.chopped(1), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14})) {
    texto.chop(1);
    produto.setTexto(texto + Separador);
    codigoSistema = true;
  } else if (texto.contains(Separador)) {
    texto = texto.section(Separador, 0, 0).trimmed();
    codigoSistema = true;
  }
  Recordset rs;
  std::optional<Moeda> valorEtiqueta;
  if (!codigoSistema && SoDigitosTamanho(texto, {8, 12, 13})) {
    // A misread bar code (or a label) whose check digit does not hold is
    // told like an unknown one: the scanner goes on.
    if (!CodigoBarrasValido(texto)) {
      produto.setTexto(QString());
      campo("TxtMens").setTexto(MensagemCodigoInvalido + digitado.left(MaiorCodigoMostrado));
      return;
    }
    if (texto.size() == 13 && texto.startsWith(QLatin1String("200"))) {
      // In-store label: "200" + internal code, the value in hundredths, a check digit.
      rs.abre(MontaSql("Select * From Tb_Est_CadPro Where CdiPro=?", {texto.left(5)}), e.conexao());
      valorEtiqueta = Moeda::deCentavos(texto.mid(5, 7).toLongLong());
      // Nothing weighed: no quantity to sell (it would sell one whole unit).
      if (valorEtiqueta->ehZero()) {
        produto.setTexto(QString());
        campo("TxtMens").setTexto(MensagemEtiquetaZerada + digitado.left(MaiorCodigoMostrado));
        return;
      }
    } else {
      rs.abre(MontaSql("Select * From Tb_Est_CadPro Where EanPro=?", {texto}), e.conexao());
    }
  } else {
    bool numero = false;
    const qlonglong codigo = texto.toLongLong(&numero);
    if (numero) rs.abre("Select * From Tb_Est_CadPro Where CodPro=" + QString::number(codigo), e.conexao());
  }
  if (rs.State() == 0 || rs.EOF_()) {
    // No message box: a scanner goes on scanning into the field, which keeps
    // the focus; the message line says which code was not found.
    produto.setTexto(QString());
    campo("TxtMens").setTexto(MensagemNaoCadastrado + digitado.left(MaiorCodigoMostrado));
    return;
  }
  const Moeda precoLista = ParaMoeda(rs["ValPre1"]);
  if (precoLista.ehZero()) {
    app().operador().avisa(QStringLiteral("Produto com preço ZERADO !"));
    return;
  }
  const DadosTributacao tributacao{SemNulo(rs["TribPro"]).toString().trimmed(), ParaMoeda(rs["Deb512Cto"]),
                                   ParaMoeda(rs["Deb612Cto"]), ParaMoeda(rs["RedCto"]), campo("FisEpn").texto()};
  ValidaTributacao(tributacao);
  if (!e.Mensagem.isEmpty()) {
    app().operador().avisa(e.Mensagem);
    return;
  }
  const QString codPro = SemNulo(rs["CodPro"]).toString().trimmed();

  // Discounts: by payment condition, then by customer group, each on the
  // price the one before left.
  Moeda preco = precoLista;
  const QString condicao = PegaCampo(campo("FormaPgto").texto(), "-", 1).trimmed();
  if (!condicao.isEmpty()) {
    Recordset dsc;
    dsc.abre(MontaSql("Select * From Tb_Est_DscFpg Where ProDFpg=? and ForDFpg=?", {codPro, condicao}), e.conexao());
    if (!dsc.EOF_()) preco = preco.menosPercentual(ParaMoeda(dsc["DscDFpg"]), 4);
  }
  {
    Recordset dsc;
    dsc.abre(MontaSql("Select * From Tb_Est_DscGruCli Where ProGCli=? and GruGCli=?", {codPro, grupoCliente}),
             e.conexao());
    if (!dsc.EOF_()) preco = preco.menosPercentual(ParaMoeda(dsc["DscGCli"]), 4);
  }
  // The printer takes the unit value with two decimals: the line is charged
  // on that, and the screen shows the same.
  Moeda unitario = preco.arredondada(2);

  const bool inteira = ParaNumero(rs["DecPro"]) == 1;
  Quantidade quantidade = quantidadePendente_.ehZero() ? Quantidade::deInteiro(1) : quantidadePendente_;
  if (valorEtiqueta) {
    // The label's value at the product's own price (before discounts).
    if (const auto q = Quantidade::deValor(*valorEtiqueta, precoLista.arredondada(2))) quantidade = *q;
  }
  if (inteira) quantidade = quantidade.arredondada(0);
  if (quantidade.ehZero()) quantidade = Quantidade::deInteiro(1);
  // A label's value at a very low price can weigh more than the printer's
  // quantity field holds.
  if (quantidade > Quantidade::deInteiro(MaiorQuantidade)) {
    app().operador().avisa(MensagemQuantidadeGrande());
    return;
  }

  // A value released with F11 for this item.
  const int linha = linhaDoProximoItem();
  Grade &g = grade("Grade");
  if (const auto liberado = Moeda::deTexto(g.TextMatrix(linha, 4)); liberado && !liberado->ehZero()) {
    if (liberado->vezes(2) <= unitario) {
      g.setTextMatrix(linha, 4, QString());
      app().operador().avisa(QStringLiteral("Venda abaixo do preço de custo !"));
      focaCampo(produto, false);
      return;
    }
    unitario = liberado->arredondada(2);
  }

  const QString descricao = SemNulo(rs["NomPro"]).toString().trimmed();
  const Moeda valor = ValorLinha(unitario, quantidade);
  if (!EnviaItem(codPro, descricao, tributacao, inteira, quantidade, unitario)) {
    g.setTextMatrix(linha, 4, QString());
    return;
  }
  const int item = linha;  // its row number is its item number
  g.setTextMatrix(item, 0, "+" + QString::number(item).rightJustified(3, '0'));
  g.setTextMatrix(item, 1, codPro);
  g.setTextMatrix(item, 2, descricao);
  g.setTextMatrix(item, 3, quantidadeMostrada(quantidade, inteira));
  g.setTextMatrix(item, 4, unitario.formatada());
  g.setTextMatrix(item, 5, valor.formatada());
  if (itensCupom.size() <= item) itensCupom.resize(item + 1);
  itensCupom[item] = {precoLista, tributacao.tribPro, quantidade};
  g.setPosicao(item, 0);
  if (g.TopRow() > item) g.setTopRow(item);
  totalVenda_ += valor;
  campo("TxtTotVen").setTexto(totalVenda_.formatada());
  campo("NitEpn").setTexto(QString::number(item));
  produto.setTexto(QString());
  quantidadePendente_ = Quantidade();
  // The quantity shown was this item's: the next one is 1 again.
  mostraLinhaItens();
  e.UltProduto = codPro;
  levantaEstoque(item, codPro, quantidade);
}

void PForm::mostraLinhaItens() {
  campo("TxtMens").setTexto(quantidadePendente_.ehZero()
                                ? QStringLiteral("Digitação de Itens.")
                                : QStringLiteral("Qtde: ") + quantidadeMostrada(quantidadePendente_, false));
}

void PForm::ValidaTributacao(const DadosTributacao &d) {
  TerminalState &e = estado();
  e.Mensagem.clear();
  const QChar segundo = d.tribPro.size() >= 2 ? d.tribPro[1] : QChar();
  if (d.aliquotaEstado.ehZero() && segundo == '0') e.Mensagem = QStringLiteral("Debito 512 esta ZERADO !");
  else if (d.aliquotaFora.ehZero() && segundo == '0') e.Mensagem = QStringLiteral("Debito 612 esta ZERADO !");
  else if (d.tribPro.isEmpty()) e.Mensagem = QStringLiteral("Código de Tributação Invalido !");
}

bool PForm::EnviaItem(const QString &codigo, const QString &descricao, const DadosTributacao &dados, bool inteira,
                      Quantidade quantidade, Moeda unitario) {
  TerminalState &e = estado();
  const Tributacao t = ClassificaTributacao(dados);
  e.Retorno = EcfVendeItem(e, codigo, descricao.left(29), t.aliquota, inteira ? "I" : "F",
                           quantidade.paraImpressora(!inteira), 2, unitario.formatada(), "%", "0000");
  if (!AnalisaRetorno(e, QString(), QString(), QStringLiteral("Envia Item"))) {
    e.Mensagem = QStringLiteral("Envia Item");
    return false;
  }
  // Added only once the printer took the item, so a refusal changes nothing.
  const TotaisLinha l = TotaisDaLinha(t, ValorLinha(unitario, quantidade));
  if (l.total >= 0) totais[l.total] += l.valor;
  if (l.totalImposto >= 0) totais[l.totalImposto] += l.imposto;
  return true;
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
  quantidadePendente_ = *q;
  mostraLinhaItens();
  focaCampo("Produto", false);
}

void PForm::DigitaValor() {
  SenhaLib liberacao(app());
  app().mostra(liberacao, true);
  const auto valor = Moeda::deTexto(liberacao.valor());
  if (valor && !valor->ehZero()) {
    Grade &g = grade("Grade");
    g.setTextMatrix(linhaDoProximoItem(), 4, valor->formatada());
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
    if (item < 0 || item >= g.Rows()) recusa = QStringLiteral("ITEM INEXISTENTE !");
    else if (g.TextMatrix(item, 0).startsWith('-')) recusa = QStringLiteral("JÁ FOI CANCELADO !");
    else if (g.TextMatrix(item, 0).isEmpty()) recusa = QStringLiteral("ITEM EM BRANCO !");
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

  e.Mensagem.clear();
  const QString codPro = g.TextMatrix(item, 1);
  const auto quantidade = Quantidade::deTexto(g.TextMatrix(item, 3));
  const auto unitario = Moeda::deTexto(g.TextMatrix(item, 4));
  if (!quantidade || !unitario) {
    app().operador().avisa(QStringLiteral("Item com quantidade ou valor ilegível na grade: ") + g.linha(item).join(" | "));
    return;
  }
  Recordset rs;
  rs.abre("Select * From Tb_Est_CadPro Where CodPro=" + QString::number(codPro.toLongLong()), e.conexao());
  if (rs.EOF_()) {
    app().operador().avisa(QStringLiteral("Produto não encontrado: ") + codPro);
    return;
  }
  const DadosTributacao tributacao{SemNulo(rs["TribPro"]).toString().trimmed(), ParaMoeda(rs["Deb512Cto"]),
                                   ParaMoeda(rs["Deb612Cto"]), ParaMoeda(rs["RedCto"]), campo("FisEpn").texto()};
  quantidadePendente_ = Quantidade();
  campo("TxtMens").setTexto(QStringLiteral("Digitação de Itens."));
  if (!EstornaItem(item, tributacao, *quantidade, *unitario)) {
    app().operador().avisa(e.Mensagem);
    return;
  }
  e.EtapaVenda = 1;
  devolveEstoqueDoItem(item, codPro, *quantidade);
  e.EtapaVenda = 0;
  const Moeda valor = ValorLinha(*unitario, *quantidade);
  g.setTextMatrix(item, 0, "-" + QString::number(item).rightJustified(3, '0'));
  g.setCorLinha(item, 0xFFFFFF, 0x0000FF);
  totalVenda_ -= valor;
  campo("TxtTotVen").setTexto(totalVenda_.formatada());
  const int ultima = g.Rows() - 1;
  g.setPosicao(ultima, 0);
  g.setColSel(5);
}

bool PForm::EstornaItem(int item, const DadosTributacao &dados, Quantidade quantidade, Moeda unitario) {
  TerminalState &e = estado();
  const Tributacao t = ClassificaTributacao(dados);
  e.Retorno = EcfCancelaItemGenerico(e, QString::number(item).rightJustified(3, '0'));
  if (e.Retorno <= 0) {
    e.Mensagem = ErroComunicacao(e.Retorno);
    return false;
  }
  // Taken off only once the printer cancelled it, with the same groups and
  // rates the entry used.
  const TotaisLinha l = TotaisDaLinha(t, ValorLinha(unitario, quantidade));
  if (l.total >= 0) totais[l.total] -= l.valor;
  if (l.totalImposto >= 0) totais[l.totalImposto] -= l.imposto;
  return true;
}
