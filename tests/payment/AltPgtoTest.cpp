// The payment-change screen on the demo database: the opener fills the grid
// and the total, the screen is shown modal and driven key by key.
#include <gtest/gtest.h>

#include <QDateTime>

#include "core/Database.h"
#include "core/Grade.h"
#include "core/OperadorRoteiro.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"
#include "payment/CondPgto.h"
#include "payment/LinhaPagamento.h"
#include "platform/Host.h"
#include "support/TestSupport.h"

namespace {

// A cash row, as a recorded pre-sale's payment comes back into the grid.
QStringList linhaDinheiro(const QString &valor) {
  return {"1", "DINHEIRO", valor, "", "", "", "1", "07/12/2026", "0", "0", "Dinheiro"};
}

struct TelaAltPgto : ::testing::Test {
  testsupport::UsaDrive drive{testsupport::demoDrive()};
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  platform::FixedClock relogio{QDateTime()};
  // What the pre-sale screen would hold.
  QString cliente = "0";
  Moeda totalDaVenda = Moeda::deCentavos(9999);  // only the sale's payment screen copies it
  QString fixada;
  QString dinheiroDevolvido;
  int devolucoes = 0;
  std::function<void(Tela &)> roteiro;

  void SetUp() override {
    testsupport::conectaAoDemo(estado);
    estado.usaOperador(operador);
    const QDateTime agora = testsupport::consultaNoDemo("SELECT CURRENT_TIMESTAMP FROM RDB$DATABASE").toDateTime();
    relogio.set(agora);
    estado.usaRelogio(relogio);
    estado.DataSistema = agora.date();
    app.executaModal = [this](Tela &t) {
      if (roteiro) roteiro(t);
    };
  }
  AberturaPagamento abertura() {
    AberturaPagamento a;
    a.totalVenda = [this] { return totalDaVenda; };
    a.cliente = [this] { return cliente; };
    a.operacaoFiscal = [] { return QStringLiteral("5102"); };
    a.condicaoFixada = [this] { return fixada; };
    a.recebeDinheiro = [this](const Moeda &d) {
      dinheiroDevolvido = FormataValor(d);
      ++devolucoes;
    };
    return a;
  }
  // Loads the screen with the opener's rows and shows it running the script.
  void abre(CondPgto &tela, const Moeda &total, const QList<QStringList> &linhas, std::function<void(Tela &)> r) {
    tela.defineAbertura(abertura());
    if (!tela.carregada()) app.carrega(tela);
    QList<LinhaPagamento> pagamentos;
    for (const QStringList &celulas : linhas) pagamentos << LinhaPagamento::deCelulas(celulas);
    tela.carregaLinhas(total, pagamentos);
    roteiro = std::move(r);
    app.mostra(tela, true);
  }
  // Enter on the current free row and the code typed: the code is checked
  // as it is left.
  static void digitaCodigo(Tela &t, const QString &codigo) {
    t.teclaBaixo(tecla::Enter);
    t.digita(codigo);
    t.teclaBaixo(tecla::Enter);
  }
  // The rest of the row taken as offered, until the frame closes.
  static void confirmaLinha(Tela &t) {
    for (int i = 0; i < 8 && t.campo("FrmIt").visible(); ++i) t.teclaBaixo(tecla::Enter);
  }
  static QStringList linhas(Tela &t) {
    Grade &g = *t.campo("Grade").grade();
    QStringList l;
    for (int r = g.FixedRows; r < g.Rows(); ++r) l << g.linha(r).join('|');
    return l;
  }
};

}  // namespace

TEST_F(TelaAltPgto, EscWithNothingPaidKeepsTheScreenOpenUntilARowIsWritten) {
  AltPgto alt(app);
  bool abertaSemPagamento = false, quadroAbandonado = false;
  abre(alt, ParaMoeda(QStringLiteral("25,00")), {}, [&](Tela &t) {
    t.teclaBaixo(tecla::Esc);
    t.teclaBaixo(tecla::F4);
    abertaSemPagamento = t.visivel();
    // Esc still abandons a row being entered, and the screen stays.
    digitaCodigo(t, "1");
    t.teclaBaixo(tecla::Esc);
    quadroAbandonado = !t.campo("FrmIt").visible() && t.visivel();
    digitaCodigo(t, "1");
    confirmaLinha(t);
    t.teclaBaixo(tecla::Esc);
  });
  EXPECT_TRUE(abertaSemPagamento);
  EXPECT_TRUE(quadroAbandonado);
  EXPECT_FALSE(alt.visivel());
  EXPECT_EQ(alt.campo("TotFor").texto(), "25,00");
  EXPECT_EQ(dinheiroDevolvido, "25,00");
  EXPECT_TRUE(operador.mensagens().isEmpty()) << operador.mensagens().join('\n').toStdString();
}

TEST_F(TelaAltPgto, TheOpenersRowsAreShownCountedAndTheCashHandedBack) {
  AltPgto alt(app);
  QStringList mostradas;
  QString totalVenda;
  abre(alt, ParaMoeda(QStringLiteral("30,00")),
       {linhaDinheiro("10,00"),
        {"6", QStringLiteral("CREDIÁRIO 30 DIAS"), "15,00", "", "", "", "30", "06/01/2027", "1", "0", "Crediario"}},
       [&](Tela &t) {
         mostradas = linhas(t);
         totalVenda = t.campo("TotVen").texto();  // not replaced on activation
         // The code already on row 1 is known to the grid.
         t.teclaBaixo(tecla::Insert);
         t.teclaBaixo(tecla::Insert);
         digitaCodigo(t, "1");
         t.teclaBaixo(tecla::Esc);
         t.teclaBaixo(tecla::Esc);
       });
  ASSERT_EQ(mostradas.size(), 2);
  EXPECT_EQ(mostradas[0], "1|DINHEIRO|10,00||||1|07/12/2026|0|0|Dinheiro");
  EXPECT_TRUE(mostradas[1].startsWith(QStringLiteral("6|CREDIÁRIO 30 DIAS|15,00|"))) << mostradas[1].toStdString();
  EXPECT_EQ(totalVenda, "30,00");
  EXPECT_EQ(alt.campo("TotFor").texto(), "25,00");
  EXPECT_EQ(alt.campo("TotDin").texto(), "10,00");
  EXPECT_EQ(operador.mensagens(), QStringList{"Forma de Pgto já cadastrada na linha 1"});
  // Leaving takes the free row inserted off and hands the cash back.
  EXPECT_FALSE(alt.visivel());
  EXPECT_EQ(linhas(alt).size(), 2);
  EXPECT_EQ(dinheiroDevolvido, "10,00");
  EXPECT_EQ(devolucoes, 1);

  // Refilled for the next pre-sale: the old rows are gone; an amount the
  // opener gave unformatted is shown as it is counted.
  abre(alt, ParaMoeda(QStringLiteral("8,00")), {linhaDinheiro("8")}, [](Tela &t) { t.teclaBaixo(tecla::Esc); });
  EXPECT_EQ(linhas(alt), QStringList{"1|DINHEIRO|8,00||||1|07/12/2026|0|0|Dinheiro"});
  EXPECT_EQ(alt.campo("TotFor").texto(), "8,00");
  EXPECT_EQ(dinheiroDevolvido, "8,00");
}

TEST_F(TelaAltPgto, ASalesFixedConditionDoesNotRestrictTheCodesHere) {
  fixada = "1";
  AltPgto alt(app);
  bool aceito = false;
  abre(alt, ParaMoeda(QStringLiteral("20,00")), {}, [&](Tela &t) {
    digitaCodigo(t, "2");
    aceito = t.focado() && t.focado()->nome() == "ValPag";
    t.teclaBaixo(tecla::Esc);
    app.esconde(t);  // nothing paid: only its opener closes it
  });
  EXPECT_TRUE(aceito);
  EXPECT_TRUE(operador.mensagens().isEmpty()) << operador.mensagens().join('\n').toStdString();

  // The sale's own payment screen keeps to it.
  CondPgto cond(app);
  totalDaVenda = Moeda::deCentavos(2000);
  abre(cond, ParaMoeda(QStringLiteral("20,00")), {}, [&](Tela &t) {
    digitaCodigo(t, "2");
    t.teclaBaixo(tecla::Esc);
    t.teclaBaixo(tecla::Esc);
  });
  ASSERT_EQ(operador.mensagens().size(), 1) << operador.mensagens().join('\n').toStdString();
  EXPECT_TRUE(operador.mensagens()[0].startsWith(QStringLiteral("Houve uma pré-determinaçao de Forma de Pgto")));
}

TEST_F(TelaAltPgto, TheCreditChecksRunForTheOpenersCustomer) {
  AltPgto alt(app);
  cliente = "4";  // blocked
  QString titulo;
  abre(alt, ParaMoeda(QStringLiteral("50,00")), {}, [&](Tela &t) {
    digitaCodigo(t, "6");
    t.teclaBaixo(tecla::Esc);
    app.esconde(t);
  });
  ASSERT_EQ(operador.mensagens().size(), 1);
  EXPECT_TRUE(operador.mensagens()[0].contains(QStringLiteral("Crédito Bloqueado !")))
      << operador.mensagens()[0].toStdString();

  // Another customer with credit: the terms condition is taken, its column
  // titled for this screen. Then the opener's customer changes while the
  // screen is open: the check is the new customer's, status included.
  operador.limpa();
  cliente = "5";
  abre(alt, ParaMoeda(QStringLiteral("50,00")), {}, [&](Tela &t) {
    digitaCodigo(t, "6");
    titulo = t.campo("Grade").grade()->TextMatrix(0, PagEmitente);
    t.teclaBaixo(tecla::Esc);
    EXPECT_TRUE(operador.mensagens().isEmpty()) << operador.mensagens().join('\n').toStdString();
    cliente = "4";
    digitaCodigo(t, "6");
    t.teclaBaixo(tecla::Esc);
    app.esconde(t);
  });
  EXPECT_EQ(titulo, "Prazo (dd1/dd2/...) ou digite Venc e volte...");
  ASSERT_EQ(operador.mensagens().size(), 1);
  EXPECT_TRUE(operador.mensagens()[0].contains(QStringLiteral("Crédito Bloqueado !")))
      << operador.mensagens()[0].toStdString();
}
