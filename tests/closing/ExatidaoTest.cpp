// A day of random sales on the demo drive, as one replay script (fixed seed):
// products of the whole catalogue, whole and weighed quantities (F10), items
// cancelled (F6), payment conditions fixed on the sale (their discounts), summarised
// closings and complete ones split into cash and a card. Afterwards every
// coupon must agree to the cent in four places: the total the printer
// printed, the sale's TotEpn, the sum of its payment rows and its fiscal
// summary (the coupon totals against the lines they are made of, and against
// the totals the sale screen kept, each rounded once when recorded).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <random>

#include "core/Database.h"
#include "core/Moeda.h"
#include "core/TerminalState.h"
#include "core/Tributacao.h"
#include "core/Utilidades.h"
#include "replay/Roteiro.h"
#include "support/TestSupport.h"

// Amounts in failure messages as the coupon shows them.
static void PrintTo(const Moeda &m, std::ostream *os) { *os << m.formatada().toStdString(); }

namespace {

// A day of its own, so no other test's sale shares its keys.
const QString Dia = QStringLiteral("2026-12-08");
constexpr int Vendas = 30;
constexpr unsigned Semente = 20261208;

struct Produto {
  QString codigo;
  bool inteiro = true;  // sold by the unit (DecPro 1), else weighed
  DadosTributacao tributacao;
};

// What the script did with a sale: the lines it left on the coupon.
struct VendaRoteiro {
  int itens = 0;
  bool completa = false;  // paid on the payment grid (cash + card)
};

// The products the sale screen sells: a price, a tax code, the rates a code
// whose second digit is 0 needs; not a label's code.
QList<Produto> vendaveis(ConexaoBanco &c) {
  Recordset rs;
  rs.abre("Select CodPro, DecPro, TribPro, ValPre1, Deb512Cto, Deb612Cto, RedCto From Tb_Est_CadPro "
          "Where AtvPro = 1 And ValPre1 > 0 Order By CodPro",
          c);
  QList<Produto> r;
  for (; !rs.EOF_(); rs.MoveNext()) {
    Produto p;
    p.codigo = SemNulo(rs["CodPro"]).toString().trimmed();
    p.inteiro = ParaNumero(rs["DecPro"]) == 1;
    p.tributacao = {SemNulo(rs["TribPro"]).toString().trimmed(), ParaMoeda(rs["Deb512Cto"]),
                    ParaMoeda(rs["Deb612Cto"]), ParaMoeda(rs["RedCto"]), QStringLiteral("5102")};
    const QString &t = p.tributacao.tribPro;
    if (t.isEmpty()) continue;
    if (t.size() >= 2 && t[1] == '0' && (p.tributacao.aliquotaEstado.ehZero() || p.tributacao.aliquotaFora.ehZero()))
      continue;
    r << p;
  }
  return r;
}

// The script of the day and what each sale should have left.
QString roteiroDoDia(const QList<Produto> &produtos, QList<VendaRoteiro> &vendas) {
  std::mt19937 gerador(Semente);
  const auto sorteia = [&](int n) { return static_cast<int>(gerador() % static_cast<unsigned>(n)); };
  // The day opens with the payment forms programmed: the card's too.
  QString s = "clock " + Dia +
              "T08:00:00\ntype 1\nkey Enter\nanswer Yes\ntype 1234\nkey Enter\nkey Enter\nkey Enter\nkey Enter\n";
  for (int v = 0; v < Vendas; ++v) {
    VendaRoteiro venda;
    // A third of the sales paid on the payment grid; the others closed
    // summarised, some with condition 1 (cash) or 2 (debit card) fixed on
    // the sale first, each with its own discounts. A fixed condition would
    // refuse the grid's other rows.
    venda.completa = sorteia(3) == 0;
    s += "key F2\n";
    if (const int condicao = sorteia(3); !venda.completa && condicao > 0)
      s += QStringLiteral("key Tab\ntype %1\nkey Enter\n").arg(condicao);
    const int itens = 2 + sorteia(7);
    for (int i = 0; i < itens; ++i) {
      const Produto &p = produtos[sorteia(static_cast<int>(produtos.size()))];
      if (!p.inteiro && sorteia(3) > 0)
        s += QStringLiteral("input %1,%2\nkey F10\n").arg(sorteia(3)).arg(100 + sorteia(900));
      else if (sorteia(4) == 0)
        s += QStringLiteral("input %1\nkey F10\n").arg(2 + sorteia(4));
      s += "type " + p.codigo + ".\nkey Enter\n";
    }
    venda.itens = itens;
    if (itens >= 3 && sorteia(3) == 0) {
      const int k = 1 + sorteia(itens);
      s += QStringLiteral("input %1\ninput %1\nkey F6\n").arg(k);
      --venda.itens;
    }
    if (venda.completa) {
      // One real in cash, the rest on the debit card (the amount the grid
      // offers: what is still open).
      s += "key F4\nkey Enter\ntype 1\nkey Enter\ntype 1,00\nkey Enter\nkey Enter\nkey Enter\n"
           "key Insert\nkey Enter\ntype 2\nkey Enter\nkey Enter\nkey Enter\nkey Enter\nkey Esc\n";
    }
    // The coupon totals the sale screen keeps, just before it closes.
    s += "dump\nkey F7\nkey F7\n";
    vendas << venda;
  }
  return s;
}

// Each coupon's total as printed on the tape, by COO.
QMap<int, Moeda> totaisDaBobina(const QString &arquivo) {
  QFile f(arquivo);
  if (!f.open(QIODevice::ReadOnly)) return {};
  static const QRegularExpression coo(QStringLiteral("COO:(\\d{6})$"));
  static const QRegularExpression total(QStringLiteral("^TOTAL R\\$ +([0-9.,]+)$"));
  QMap<int, Moeda> r;
  int atual = 0;
  for (const QString &linha : QString::fromUtf8(f.readAll()).split('\n')) {
    if (const auto m = coo.match(linha.trimmed()); m.hasMatch()) atual = m.captured(1).toInt();
    if (const auto m = total.match(linha.trimmed()); m.hasMatch()) {
      const auto valor = Moeda::deTexto(m.captured(1));
      EXPECT_TRUE(valor.has_value()) << linha.toStdString();
      r[atual] = valor.value_or(Moeda());
    }
  }
  return r;
}

Moeda soma(ConexaoBanco &c, const QString &sql) {
  Recordset rs;
  rs.abre(sql, c);
  return rs.EOF_() ? Moeda() : ParaMoeda(SemNulo(rs["Soma"]));
}

// The seven coupon totals of each dump of the sale screen, in order.
QList<std::array<Moeda, QuantidadeTotaisCupom>> totaisDaTela(const QString &t) {
  QList<std::array<Moeda, QuantidadeTotaisCupom>> r;
  for (const QStringList &dump : dumps(t, "PForm")) {
    const QStringList linha = dump.filter(QRegularExpression("^  = totais "));
    if (linha.isEmpty()) continue;
    std::array<Moeda, QuantidadeTotaisCupom> totais{};
    const QStringList campos = linha[0].mid(QStringLiteral("  = totais ").size()).split(' ');
    EXPECT_EQ(campos.size(), QuantidadeTotaisCupom) << linha[0].toStdString();
    for (int k = 0; k < QuantidadeTotaisCupom && k < campos.size(); ++k)
      totais[static_cast<size_t>(k)] = Moeda::deTexto(campos[k].section('=', 1)).value_or(Moeda::deInteiro(-1));
    r << totais;
  }
  return r;
}

// The tax of a line at four decimals: value x rate / 100, half away from zero.
Moeda impostoDaLinha(Moeda valor, Moeda taxa) {
  return Moeda::deUnidades(DivideInteiros(static_cast<__int128>(valor.unidades()) * taxa.unidades(),
                                          100 * Moeda::kEscala, Arredondamento::MeioParaLonge));
}

void apagaODia() {
  const QString doDia = "(Select CodEpn From Tb_Vda_CadEpn Where DtcEpn = '" + Dia + "')";
  testsupport::executaNoDemo("Delete From Tb_Vda_CadEpnIt Where CodEpnIt In " + doDia);
  testsupport::executaNoDemo("Delete From Tb_Vda_EpnPag Where EpnPag In " + doDia);
  testsupport::executaNoDemo("Delete From Tb_Vda_CadNot Where EpnNot In " + doDia);
  testsupport::executaNoDemo("Delete From Tb_Vda_CadEpn Where DtcEpn = '" + Dia + "'");
  const QString compacto = QString(Dia).remove('-');
  for (const QString &pasta : {QStringLiteral("/kw-velt/vendas"), QStringLiteral("/kw-velt/vendas/gravadas")}) {
    QDir d(testsupport::demoDrive() + pasta);
    for (const QString &nome : d.entryList({"*-" + compacto + "*.venda"}, QDir::Files)) d.remove(nome);
  }
}

}  // namespace

TEST(Exatidao, ADayOfRandomSalesAgreesToTheCentOnThePrinterTheSaleItsPaymentsAndItsTaxBases) {
  // The embedded database is one process's at a time: the connection is
  // closed while the program runs.
  QList<Produto> produtos;
  {
    TerminalState estado;
    testsupport::conectaAoDemo(estado);
    produtos = vendaveis(estado.conexao());
    FechaConexao(estado);
  }
  ASSERT_GT(produtos.size(), 100);
  QList<VendaRoteiro> vendas;
  const QString roteiro = roteiroDoDia(produtos, vendas);

  apagaODia();
  const QString bobina = testsupport::demoDrive() + "/kw-velt/ecf-sim/bobina.txt";
  QFile::remove(bobina);
  QTemporaryDir dir;
  QString t;
  ASSERT_EQ(replay(scriptFile(dir, roteiro), t), 0) << t.toStdString();
  // Nothing refused along the way: every key went where the script meant.
  EXPECT_EQ(t.count("message [exclamation]"), 0) << t.toStdString();

  const QMap<int, Moeda> impressos = totaisDaBobina(bobina);
  ASSERT_EQ(impressos.size(), Vendas) << t.toStdString();
  const QList<std::array<Moeda, QuantidadeTotaisCupom>> naTela = totaisDaTela(t);
  ASSERT_EQ(naTela.size(), Vendas) << t.toStdString();
  // Sales whose tax, rounded line by line, would be another cent: the day
  // must hold some, or it would not tell the two roundings apart.
  int arredondamentoImporta = 0;

  TerminalState estado;
  testsupport::conectaAoDemo(estado);
  ConexaoBanco &c = estado.conexao();

  Recordset rs;
  rs.abre("Select CodEpn, NfiEpn, TotEpn, NitEpn From Tb_Vda_CadEpn Where DtcEpn = '" + Dia + "' Order By NfiEpn", c);
  QList<int> gravados;
  int n = 0;
  for (; !rs.EOF_(); rs.MoveNext(), ++n) {
    const QString codigo = SemNulo(rs["CodEpn"]).toString();
    const int cupom = SemNulo(rs["NfiEpn"]).toInt();
    const Moeda total = ParaMoeda(rs["TotEpn"]);
    gravados << cupom;
    const std::string onde = "coupon " + std::to_string(cupom) + ", sale " + codigo.toStdString();
    ASSERT_LT(n, vendas.size()) << onde;
    const VendaRoteiro &v = vendas[n];

    EXPECT_EQ(total, impressos.value(cupom)) << onde << ": printed " << impressos.value(cupom).formatada().toStdString()
                                             << ", recorded " << total.formatada().toStdString();
    EXPECT_EQ(SemNulo(rs["NitEpn"]).toInt(), v.itens) << onde;

    // The lines, grouped as their products' tax codes put them on the coupon.
    Recordset itens;
    itens.abre("Select i.CtoEpnIt, p.TribPro, p.Deb512Cto, p.Deb612Cto, p.RedCto From Tb_Vda_CadEpnIt i "
               "Join Tb_Est_CadPro p On p.CodPro = i.ProEpnIt Where i.CodEpnIt = " + codigo,
               c);
    std::array<Moeda, QuantidadeTotaisCupom> esperados{};
    Moeda linhas, foraDosGrupos, impostoPorLinha;
    int quantas = 0;
    for (; !itens.EOF_(); itens.MoveNext(), ++quantas) {
      const Moeda valor = ParaMoeda(itens["CtoEpnIt"]);
      linhas += valor;
      const Tributacao trib = ClassificaTributacao({SemNulo(itens["TribPro"]).toString().trimmed(),
                                                    ParaMoeda(itens["Deb512Cto"]), ParaMoeda(itens["Deb612Cto"]),
                                                    ParaMoeda(itens["RedCto"]), QStringLiteral("5102")});
      const TotaisLinha l = TotaisDaLinha(trib, valor);
      if (l.total >= 0) esperados[static_cast<size_t>(l.total)] += l.valor;
      else foraDosGrupos += valor;
      // The tax total: each line's tax at four decimals, summed, and the sum
      // rounded once when recorded.
      if (l.totalImposto >= 0) {
        esperados[static_cast<size_t>(l.totalImposto)] += impostoDaLinha(valor, trib.taxa);
        impostoPorLinha += impostoDaLinha(valor, trib.taxa).arredondada(2);
      }
    }
    if (impostoPorLinha != esperados[ValorIcms].arredondada(2)) ++arredondamentoImporta;
    EXPECT_EQ(quantas, v.itens) << onde;
    EXPECT_EQ(linhas, total) << onde << ": lines " << linhas.formatada().toStdString();

    // Payments: a complete closing's rows add up to the sale; a summarised
    // one records none.
    const Moeda pagos = soma(c, "Select Sum(ValPag) As Soma From Tb_Vda_EpnPag Where EpnPag = " + codigo);
    Recordset contagem;
    contagem.abre("Select Count(*) As Linhas From Tb_Vda_EpnPag Where EpnPag = " + codigo, c);
    const int linhasPagas = SemNulo(contagem["Linhas"]).toInt();
    if (v.completa) {
      EXPECT_EQ(linhasPagas, 2) << onde;
      EXPECT_EQ(pagos, total) << onde << ": paid " << pagos.formatada().toStdString();
    } else {
      EXPECT_EQ(linhasPagas, 0) << onde;
    }

    // The fiscal summary: the sale's value, each coupon total as its lines
    // make it, and the bases adding up to the sale but for lines whose tax
    // code belongs to no total.
    Recordset nota;
    nota.abre("Select * From Tb_Vda_CadNot Where EpnNot = " + codigo, c);
    ASSERT_FALSE(nota.EOF_()) << onde;
    EXPECT_EQ(ParaMoeda(nota["ValNot"]), total) << onde;
    const char *colunas[] = {"BasIcmNot", "ValIcmNot", "BasSubNot", "ValSubNot", "BasIseNot", "BasRedNot", "BasDifNot"};
    Moeda bases;
    for (int k = 0; k < QuantidadeTotaisCupom; ++k) {
      const Moeda gravado = ParaMoeda(nota[colunas[k]]);
      const Moeda dasLinhas = esperados[static_cast<size_t>(k)];
      EXPECT_EQ(gravado, dasLinhas.arredondada(2))
          << onde << ": " << colunas[k] << " " << gravado.formatada().toStdString() << ", lines "
          << dasLinhas.textoVirgula(4).toStdString();
      EXPECT_EQ(gravado, naTela[n][static_cast<size_t>(k)])
          << onde << ": " << colunas[k] << " " << gravado.formatada().toStdString() << ", sale screen "
          << naTela[n][static_cast<size_t>(k)].formatada().toStdString();
      if (k != ValorIcms && k != ValorSubstituicao) bases += gravado;
    }
    EXPECT_EQ(bases, total - foraDosGrupos) << onde << ": bases " << bases.formatada().toStdString()
                                            << ", outside every total " << foraDosGrupos.formatada().toStdString();
  }
  EXPECT_EQ(n, Vendas) << t.toStdString();
  EXPECT_EQ(gravados, impressos.keys());
  EXPECT_GT(arredondamentoImporta, 0);

  // Every sale reached the database: nothing of the day waits in the journal.
  const QString compacto = QString(Dia).remove('-');
  EXPECT_TRUE(QDir(testsupport::demoDrive() + "/kw-velt/vendas").entryList({"*-" + compacto + "*.venda"}).isEmpty());
  FechaConexao(estado);
  apagaODia();
}
