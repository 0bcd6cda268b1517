#include "fiscalday/VendasDia.h"

#include <algorithm>

#include "core/Database.h"
#include "core/Operator.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "fiscalday/ProgramaFormas.h"
#include "platform/Host.h"

namespace {

const QString Ocupada = QStringLiteral("Aguarde Impressora Ocupada !");
const QString CodigoTotal = QStringLiteral("999");
const QString NomeTotal = QStringLiteral("TOTAL DAS FORMAS");
constexpr int LarguraNomeGrade = 40;

enum Coluna { ColCodigo = 0, ColNome, ColValor, ColBanco, ColDiferenca };
constexpr uint32_t CorDiferenca = 0x0000C0;  // dark red (0xBBGGRR)

// An amount in cents written as digits only; nothing when it is not.
std::optional<Moeda> LeCentavos(const QString &texto) {
  const QString t = texto.trimmed();
  if (t.isEmpty()) return Moeda();
  for (QChar c : t)
    if (!c.isDigit()) return std::nullopt;
  bool ok = false;
  const qlonglong centavos = t.toLongLong(&ok);
  // Beyond what an amount holds exactly: not a real figure.
  if (!ok || centavos > INT64_MAX / 100) return std::nullopt;
  return Moeda::deCentavos(centavos);
}

QString dataTexto(const QDate &d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }

}  // namespace

// Lower case: never the key of a form name.
const QString VendasDia::SemForma = QStringLiteral("(sem forma)");

VendasDia::VendasDia(Aplicacao &app)
    : Tela(app, "VendasDia", QStringLiteral("Relatorio Gerencial das Formas de Pagamentos Fiscais")) {
  adiciona("LabTitulo", TipoCampo::Rotulo).setTexto(QStringLiteral("POSIÇÃO DO CAIXA"));
  adiciona("LabData", TipoCampo::Rotulo);
  Campo &grade = adiciona("Grade", TipoCampo::Grade);
  grade.toolTip = QStringLiteral("F5 imprime o relatório; Esc fecha.");
  Grade &g = *grade.grade();
  g.FormatString(QStringLiteral("^Cód |<Forma de Pagamento  |>Valor ECF     |>Banco         |>Diferença     "));
  g.setRows(1);
  for (const auto &[nome, legenda] : {std::pair{"Msupr", "Suprimentos"}, std::pair{"Msang", "Sangrias"},
                                      std::pair{"MSaldo", "Saldo em Dinheiro"}, std::pair{"MReceb", "Recebimentos"}}) {
    adiciona(QStringLiteral("Lab") + nome, TipoCampo::Rotulo).setTexto(QString::fromUtf8(legenda));
    Campo &caixa = adiciona(nome, TipoCampo::Moeda);
    caixa.setTexto("0,00");
    caixa.locked = true;  // figures of the printer, not typed
    caixa.tabStop = false;
  }
  adiciona("LabBanco", TipoCampo::Rotulo);
  adiciona("LabConfere", TipoCampo::Rotulo);
  Campo &botao = adiciona("CmdImp", TipoCampo::Botao);
  botao.setTexto(QStringLiteral("&Imprime (F5)"));
  botao.aoClicar = [this] { imprime(); };
  keyPreview = true;
  aoTeclarForm = [this](int &tecla, int) {
    if (tecla == tecla::Esc) {
      tecla = 0;
      this->app().descarrega(*this, true);
    } else if (tecla == tecla::F5) {
      tecla = 0;
      this->imprime();
    }
  };
}

QList<VendasDia::FormaImpressora> VendasDia::LeFormas(const QString &tabela) {
  QList<FormaImpressora> formas;
  for (int i = 1; i <= QuantidadeFormas; ++i) {
    const QString registro = tabela.mid(TamanhoRegistro * (i - 1), TamanhoRegistro);
    FormaImpressora f;
    f.indice = i;
    QString nome = registro.left(15);
    while (!nome.isEmpty() && nome.back().isSpace()) nome.chop(1);
    f.nome = nome;
    const std::optional<Moeda> valor = LeCentavos(registro.mid(16, 20));
    f.legivel = valor.has_value();
    f.valor = valor.value_or(Moeda());
    formas << f;
  }
  return formas;
}

std::optional<VendasDia::TotaisParciais> VendasDia::LeTotais(const QString &texto) {
  const QStringList campos = texto.split(',');
  if (campos.size() < 7) return std::nullopt;
  const auto recebimentos = LeCentavos(campos[4].left(14));
  const auto sangrias = LeCentavos(campos[5]);
  const auto suprimentos = LeCentavos(campos[6]);
  if (!recebimentos || !sangrias || !suprimentos) return std::nullopt;
  return TotaisParciais{*recebimentos, *sangrias, *suprimentos};
}

QString VendasDia::TextoRelatorio(const QDate &data, const QList<LinhaRelatorio> &linhas, const Moeda &suprimentos,
                                  const Moeda &sangrias, const Moeda &saldo) {
  const QString fim = QStringLiteral("\r\n");
  QString texto = QStringLiteral("FECHAMENTO DO CAIXA EM ") + dataTexto(data) + fim + fim;
  for (const LinhaRelatorio &l : linhas)
    texto += Alinha(2, 3, l.codigo) + " - " + Alinha(0, 20, l.nome.trimmed()) + ":" + FormataValor(l.valor, 12) + fim;
  texto += fim;
  texto += QStringLiteral("Suprimentos:") + FormataValor(suprimentos, 12) + fim;
  texto += QStringLiteral("Sangrias   :") + FormataValor(sangrias, 12) + fim;
  texto += QStringLiteral("Total      :") + FormataValor(saldo, 12) + fim;
  return texto;
}

QString VendasDia::ChaveForma(const QString &nome) {
  return nome.left(ProgramaFormas::TamanhoNome).trimmed().toUpper();
}

VendasDia::VendasBanco VendasDia::LeVendasBanco(TerminalState &e, const QDate &dia) {
  VendasBanco vendas;
  if (!e.Conexao) {
    vendas.erro = QStringLiteral("sem conexão");
    return vendas;
  }
  // The coupons this desk printed that day are the fiscal-note summaries of
  // its series dated that day (a pre-sale keyed days before is printed
  // today). Each payment row counts in its condition's payment form; a sale
  // recorded without payment rows was closed wholly in form 1 at the
  // coupon's value. Cancelled sales do not count.
  const QString cupons = QStringLiteral(" From Tb_Vda_CadNot n Join Tb_Vda_CadEpn e On e.CodEpn = n.EpnNot");
  const QString doDia = QStringLiteral(
      " Where n.SerNot = ? And n.DatNot = ? And e.NfsEpn = n.SerNot And e.NfiEpn = n.NumNot And e.StaEpn <> 4 ");
  const QString sql = MontaSql(
      "Select v.NomFpg, Sum(v.Valor) As Valor From ("
      " Select f.NomFpg As NomFpg, p.ValPag As Valor" +
          cupons +
          " Join TB_VDA_EPNPAG p On p.EpnPag = e.CodEpn"
          " Left Join Tb_Vda_CondPgt c On c.CodCpg = p.CpgPag"
          " Left Join Tb_Vda_FormPgt f On f.CodFpg = c.FormCpg" +
          doDia +
          " Union All"
          " Select (Select NomFpg From Tb_Vda_FormPgt Where CodFpg = 1), n.ValNot" +
          cupons + doDia + " And Not Exists (Select 1 From TB_VDA_EPNPAG p Where p.EpnPag = e.CodEpn)"
          ") v Group By v.NomFpg",
      {e.NumCaixa, dia, e.NumCaixa, dia});
  try {
    Recordset rs;
    rs.abre(sql, e.conexao());
    for (; !rs.EOF_(); rs.MoveNext()) {
      const QVariant nome = rs["NomFpg"];
      const QString chave = nome.isNull() ? SemForma : ChaveForma(nome.toString());
      if (!vendas.porForma.contains(chave)) {
        vendas.ordem << chave;
        vendas.nomes[chave] = nome.isNull() ? QStringLiteral("(forma não cadastrada)") : nome.toString().trimmed();
      }
      vendas.porForma[chave] += Moeda::deVariant(SemNulo(rs["Valor"]));
    }
    vendas.disponivel = true;
  } catch (const ErroBanco &erro) {
    vendas.erro = erro.descricao();
    vendas.porForma.clear();
    vendas.nomes.clear();
    vendas.ordem.clear();
  }
  return vendas;
}

void VendasDia::ativa() {
  TerminalState &e = estado();
  if (e.EcfOcupada) {
    app().operador().avisa(Ocupada);
    app().descarrega(*this, true);
    return;
  }
  bool lido = false;
  {
    const ImpressoraOcupada ocupada(e);
    const Ampulheta ampulheta(app());
    lido = leImpressora();
  }
  if (!lido) {
    app().descarrega(*this, true);
    return;
  }
  {
    // The printer is free again while the database answers.
    const Ampulheta ampulheta(app());
    confereComBanco();
  }
  if (!focado()) focaCampo("Grade", false);
}

bool VendasDia::leImpressora() {
  TerminalState &e = estado();
  e.Retorno = EcfVerificaFormasPagamento(e);
  if (e.Retorno < 1) {
    // Without the table every form would read zero: nothing is shown as the
    // day's figures.
    app().operador().avisa(ErroComunicacao(e.Retorno));
    return false;
  }
  const QList<FormaImpressora> formas = LeFormas(e.FormasPgtoEcf);
  chaveDinheiro_ = ChaveForma(formas.value(0).nome);

  Grade &g = grade("Grade");
  g.setRows(1);
  campo("LabData").setTexto("EM " + dataTexto(e.relogio().now().date()));
  linhas_.clear();
  Moeda total;
  QStringList ilegiveis;
  for (const FormaImpressora &f : formas) {
    if (!f.legivel && !f.nome.isEmpty()) ilegiveis << f.nome;
    if (f.nome.isEmpty() || f.valor.ehZero()) continue;
    linhas_ << LinhaRelatorio{QString::number(f.indice), Alinha(0, LarguraNomeGrade, f.nome), f.valor};
    total += f.valor;
  }
  linhas_ << LinhaRelatorio{CodigoTotal, NomeTotal, total};
  for (const LinhaRelatorio &l : linhas_) g.AddItem(l.codigo + '\t' + l.nome + '\t' + FormataValor(l.valor));
  if (!ilegiveis.isEmpty())
    app().operador().avisa(QStringLiteral("Valor ilegível na impressora para a forma: ") + ilegiveis.join(", "));

  // Cash is the first form listed.
  const Moeda dinheiro = linhas_.first().valor;
  e.Retorno = EcfVerificaTotalizadoresParciais(e);
  std::optional<TotaisParciais> totais;
  if (e.Retorno >= 1) totais = LeTotais(e.FormasPgtoEcf);
  totaisLidos_ = totais.has_value();
  if (!totais) {
    app().operador().avisa(QStringLiteral("Erro Totais Parciais"));
    sangrias_ = suprimentos_ = recebimentos_ = saldo_ = Moeda();
  } else {
    sangrias_ = totais->sangrias;
    suprimentos_ = totais->suprimentos;
    recebimentos_ = totais->recebimentos;
    saldo_ = dinheiro - sangrias_;
  }
  campo("Msupr").setTexto(FormataValor(suprimentos_));
  campo("Msang").setTexto(FormataValor(sangrias_));
  campo("MSaldo").setTexto(FormataValor(saldo_));
  campo("MReceb").setTexto(FormataValor(recebimentos_));
  return true;
}

void VendasDia::pintaDiferenca(int linha, const std::optional<Moeda> &diferenca) {
  Grade &g = grade("Grade");
  if (!diferenca) {
    g.setTextMatrix(linha, ColDiferenca, QStringLiteral("sem totais"));
    g.setCorLinha(linha, CorFundoGrade, CorDiferenca);
  } else if (diferenca->ehZero()) {
    g.setTextMatrix(linha, ColDiferenca, QStringLiteral("confere"));
  } else {
    g.setTextMatrix(linha, ColDiferenca, FormataValor(*diferenca));
    g.setCorLinha(linha, CorFundoGrade, CorDiferenca);
  }
}

void VendasDia::confereComBanco() {
  TerminalState &e = estado();
  const VendasBanco banco = LeVendasBanco(e, e.DataSistema);
  Grade &g = grade("Grade");
  if (!banco.disponivel) {
    campo("LabBanco").setTexto(QStringLiteral("Coluna Banco indisponível: o banco de dados não respondeu (") +
                               banco.erro.section('\n', 0, 0) + ")");
    campo("LabConfere").setTexto(QString());
    return;
  }
  // The printer's cash form also holds the supplies and receipts of the day
  // (the cash movements go through it); they are no sales of the database.
  const Moeda naoVendas = suprimentos_ + recebimentos_;
  int diferentes = 0;
  Moeda totalBanco;
  QStringList vistas;
  const int ultimaForma = g.Rows() - 2;  // the total row is the last
  for (int r = 1; r <= ultimaForma; ++r) {
    const QString chave = ChaveForma(g.TextMatrix(r, ColNome));
    vistas << chave;
    const Moeda gravado = banco.porForma.value(chave);
    totalBanco += gravado;
    g.setTextMatrix(r, ColBanco, FormataValor(gravado));
    std::optional<Moeda> diferenca = linhas_[r - 1].valor - gravado;
    if (chave == chaveDinheiro_) diferenca = totaisLidos_ ? std::optional(*diferenca - naoVendas) : std::nullopt;
    pintaDiferenca(r, diferenca);
    if (!diferenca || !diferenca->ehZero()) ++diferentes;
  }
  // Forms the database recorded and the printer did not count, before the
  // total, by name; payments of no known form last.
  QStringList outras = banco.ordem;
  std::sort(outras.begin(), outras.end(), [](const QString &a, const QString &b) {
    return (a == SemForma) != (b == SemForma) ? b == SemForma : a < b;
  });
  for (const QString &chave : outras) {
    if (vistas.contains(chave)) continue;
    const Moeda gravado = banco.porForma.value(chave);
    if (gravado.ehZero()) continue;
    const int r = g.Rows() - 1;
    g.AddItem(QString() + '\t' + Alinha(0, LarguraNomeGrade, banco.nomes.value(chave)) + '\t' +
                  FormataValor(Moeda()) + '\t' + FormataValor(gravado),
              r);
    totalBanco += gravado;
    std::optional<Moeda> diferenca = -gravado;
    if (chave == chaveDinheiro_) diferenca = totaisLidos_ ? std::optional(*diferenca - naoVendas) : std::nullopt;
    pintaDiferenca(r, diferenca);
    ++diferentes;
  }
  const int total = g.Rows() - 1;
  g.setTextMatrix(total, ColBanco, FormataValor(totalBanco));
  pintaDiferenca(total, totaisLidos_ ? std::optional(linhas_.last().valor - naoVendas - totalBanco) : std::nullopt);
  campo("LabBanco").setTexto(QStringLiteral("Coluna Banco: vendas gravadas no caixa ") + e.NumCaixa + " em " +
                             dataTexto(e.DataSistema) +
                             QStringLiteral(" (no Dinheiro, a diferença desconta suprimentos e recebimentos)"));
  campo("LabConfere").setTexto(diferentes == 0
                                   ? QStringLiteral("Impressora e banco de dados conferem.")
                                   : QStringLiteral("DIFERENÇA ENTRE A IMPRESSORA E O BANCO EM %1 FORMA(S) !")
                                         .arg(diferentes));
}

void VendasDia::imprime() {
  TerminalState &e = estado();
  if (e.EcfOcupada) {
    app().operador().avisa(Ocupada);
    return;
  }
  if (linhas_.isEmpty()) return;
  const QString texto = TextoRelatorio(e.relogio().now().date(), linhas_, suprimentos_, sangrias_, saldo_);
  int16_t relatorio = 0;
  {
    const ImpressoraOcupada ocupada(e);
    const Ampulheta ampulheta(app());
    relatorio = e.Retorno = EcfRelatorioGerencial(e, texto);
    // Closed in any case: a report left open would hold the printer.
    e.Retorno = EcfFechaRelatorioGerencial(e);
  }
  // A report the printer did not print is not passed over in silence.
  if (relatorio < 1) app().operador().avisa(ErroComunicacao(relatorio));
  else if (e.Retorno < 1) app().operador().avisa(ErroComunicacao(e.Retorno));
  else app().mostraMensagem(QStringLiteral("Relatório das formas de pagamento impresso (saldo %1).").arg(FormataValor(saldo_)));
}
