// Only the printer says whether a coupon was closed, and one pre-sale is
// printed by one desk: a dialog that went away, a closing the printer
// accepted without doing, or a pre-sale another desk took meanwhile record
// nothing and open nothing. Nonsense typed at the till is refused where it
// is typed. Each on a demo drive of its own.
#include <gtest/gtest.h>

#include "access/Execucao.h"
#include "core/Teclas.h"
#include "fiscal/Ecf.h"
#include "presale/Imprime_Cupom_PreVenda.h"
#include "replay/Roteiro.h"
#include "sale/PForm.h"

namespace {

const QString Venda = "clock 2026-12-07T09:00:00\n" + Login + "key F2\ntype 1.\nkey Enter\n";
const QString Entra = "clock 2026-12-07T09:05:00\ntype 1\nkey Enter\ntype 1234\nkey Enter\n";

int vendasDoCupom(const Drive &d, int cupom) {
  return static_cast<int>(
      d.numero(QStringLiteral("SELECT COUNT(*) FROM TB_VDA_CADEPN WHERE NfsEpn = '001' AND NfiEpn = %1").arg(cupom)));
}

QStringList cabecalho(const Drive &d, int empenho) {
  return d.linhas("StaEpn,NfsEpn,NfiEpn", QStringLiteral("FROM TB_VDA_CADEPN WHERE CodEpn = %1").arg(empenho));
}

void falhasDaImpressora(const Drive &d, const QString &linhas) {
  QFile f(d.caminho("kw-velt/ecf-sim/falhas.txt"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(linhas.toUtf8());
}

// The day opened by replay at 09:00 (the demo operator, no movement yet).
bool diaAberto(Drive &d) {
  QString t;
  const bool abriu = d.roda("clock 2026-12-07T09:00:00\n" + Login, t) == 0;
  EXPECT_TRUE(abriu) << t.toStdString();
  return abriu;
}

}  // namespace

// The closing dialog ends with the script while it is open (as its close
// box would): nothing was sent, so nothing is recorded, the drawer stays
// shut and the release program does not run; the printer still holds the
// coupon, which the next start cancels.
TEST(CupomFechado, AClosingDialogThatSentNothingRecordsNothing) {
  Drive d;
  QString t;
  ASSERT_EQ(d.roda(Venda + "key F7\n", t), 0) << t.toStdString();
  const int dialogo = linhaCom(t, "open Fecha_Cupom_Resumo ");
  ASSERT_GT(dialogo, 0) << t.toStdString();
  EXPECT_FALSE(t.contains("EcfFechaCupomResumido")) << t.toStdString();
  EXPECT_LT(linhaCom(t, "EcfAcionaGaveta", dialogo), 0) << t.toStdString();
  EXPECT_FALSE(t.contains("run \"")) << t.toStdString();
  EXPECT_TRUE(t.contains("Desistencia de Fechamento !")) << t.toStdString();
  EXPECT_EQ(vendasDoCupom(d, 2), 0);
  EXPECT_TRUE(d.pendentes().isEmpty()) << d.pendentes().join(", ").toStdString();

  ASSERT_EQ(d.roda(Entra, t), 0) << t.toStdString();
  EXPECT_TRUE(t.contains("ecf EcfCancelaCupom() = 1")) << t.toStdString();
  EXPECT_EQ(vendasDoCupom(d, 2), 0);
  EXPECT_TRUE(d.pendentes().isEmpty()) << d.pendentes().join(", ").toStdString();
}

// The printer answers 1 to the closing without closing the coupon: the sale
// is not recorded, the drawer stays shut, the coupon stays on the screen;
// F7 again closes it and records it once.
TEST(CupomFechado, AClosingThePrinterAcceptedButDidNotDoIsNoSale) {
  Drive d;
  QString t;
  ASSERT_EQ(d.roda("clock 2026-12-07T09:00:00\n" + Login, t), 0) << t.toStdString();
  falhasDaImpressora(d, "retorno FechaCupomResumido 1\n");
  const QString script = Entra + "key F2\ntype 1.\nkey Enter\nkey F7\nkey F7\ndump\nkey F7\nkey F7\n";
  ASSERT_EQ(d.roda(script, t), 0) << t.toStdString();
  const int recusa = linhaCom(t, "A impressora não confirmou o fechamento do cupom.");
  ASSERT_GT(recusa, 0) << t.toStdString();
  EXPECT_GT(linhaCom(t, "EcfAcionaGaveta"), recusa) << t.toStdString();
  const QList<QStringList> telas = dumps(t, "PForm");
  ASSERT_FALSE(telas.isEmpty()) << t.toStdString();
  EXPECT_TRUE(telas.last().contains("  CmdFinal \"[F7] FINALIZA\"")) << telas.last().join('\n').toStdString();
  EXPECT_TRUE(telas.last().filter("  TxtTotVen ").value(0).contains("27,90")) << telas.last().join('\n').toStdString();
  EXPECT_EQ(vendasDoCupom(d, 2), 1);
  EXPECT_EQ(t.count("LiberaPreVenda.exe"), 1) << t.toStdString();
  EXPECT_TRUE(d.pendentes().isEmpty()) << d.pendentes().join(", ").toStdString();
}

// A pre-sale's closing accepted by the printer without closing the coupon:
// nothing is recorded, the coupon is cancelled and the pre-sale is free
// again as it was, printable at the next try.
TEST(CupomFechado, APreSaleCouponThePrinterDidNotCloseGivesThePreSaleBack) {
  Drive d;
  QString t;
  ASSERT_EQ(d.roda("clock 2026-12-07T09:00:00\n" + Login, t), 0) << t.toStdString();
  falhasDaImpressora(d, "retorno TerminaFechamentoCupom 1\n");
  ASSERT_EQ(d.roda(Entra + "click P0202\ntype 101\nkey Enter\nkey F5\n", t), 0) << t.toStdString();
  EXPECT_TRUE(t.contains("A impressora não confirmou o fechamento do cupom.")) << t.toStdString();
  EXPECT_TRUE(t.contains("ecf EcfCancelaCupom() = 1")) << t.toStdString();
  EXPECT_FALSE(t.contains("Impressão Concluída !")) << t.toStdString();
  EXPECT_EQ(cabecalho(d, 101), QStringList{"0 | <null> | <null>"});
  EXPECT_EQ(d.numero("SELECT COUNT(*) FROM TB_VDA_CADNOT WHERE EpnNot = 101"), 0);

  ASSERT_EQ(d.roda(Entra + "click P0202\ntype 101\nkey Enter\nkey F5\n", t), 0) << t.toStdString();
  EXPECT_TRUE(t.contains("Impressão Concluída !")) << t.toStdString();
  EXPECT_EQ(cabecalho(d, 101).value(0).section(" | ", 1), "001 | 3");
  EXPECT_EQ(d.numero("SELECT COUNT(*) FROM TB_VDA_CADNOT WHERE EpnNot = 101"), 1);
}

// Two desks on one pre-sale: desk 002 takes 101 while this desk has it on
// the screen. This desk's F5 prints nothing and names the other desk; once
// desk 002 printed it, calling it up names its coupon. After printing here
// the sale screen shows no coupon of its own (not the previous sale's).
TEST(CupomFechado, APreSaleAnotherDeskTookIsRefusedNamingThatDesk) {
  Drive d;
  ASSERT_TRUE(diaAberto(d));
  Execucao x(d.raiz());
  ASSERT_TRUE(x.entraParado(QDateTime(QDate(2026, 12, 7), QTime(9, 5)))) << x.fim.toStdString();
  PForm &venda = dynamic_cast<PForm &>(x.frente());
  x.programa->app().executaModal = [](Tela &) {};

  ImprimeCupomPreVenda tela(x.programa->app(), venda);
  x.programa->app().mostra(tela, true);
  tela.campo("NumEpn").setTexto("101");
  ASSERT_TRUE(x.passo([&] { tela.teclaBaixo(tecla::Enter); })) << x.fim.toStdString();
  ASSERT_TRUE(tela.campo("FrmTot").enabled());
  d.executa("UPDATE TB_VDA_CADEPN SET StaEpn = -1502, NfsEpn = '002' WHERE CodEpn = 101");
  x.chamadasEcf.clear();
  ASSERT_TRUE(x.passo([&] { tela.teclaBaixo(tecla::F5); })) << x.fim.toStdString();
  EXPECT_EQ(x.operador.mensagens().last(), "Este empenho está sendo impresso no caixa 002 !");
  EXPECT_TRUE(x.chamadasEcf.isEmpty()) << x.chamadasEcf.join(", ").toStdString();
  EXPECT_EQ(cabecalho(d, 101), QStringList{"-1502 | 002 | <null>"});
  EXPECT_TRUE(tela.campo("NumEpn").enabled());

  d.executa("UPDATE TB_VDA_CADEPN SET NfiEpn = 9, NffEpn = 9 WHERE CodEpn = 101");
  tela.campo("NumEpn").setTexto("101");
  ASSERT_TRUE(x.passo([&] { tela.teclaBaixo(tecla::Enter); })) << x.fim.toStdString();
  EXPECT_EQ(x.operador.mensagens().last(), "Este empenho já foi impresso no caixa 002 (cupom 9) !");
  EXPECT_FALSE(tela.campo("FrmTot").enabled());
  EXPECT_TRUE(x.chamadasEcf.isEmpty()) << x.chamadasEcf.join(", ").toStdString();

  // Given back by desk 002 and printed here: the sale screen's grid and
  // amounts are emptied.
  d.executa("UPDATE TB_VDA_CADEPN SET StaEpn = 0, NfsEpn = NULL, NfiEpn = NULL, NffEpn = NULL WHERE CodEpn = 101");
  venda.grade("Grade").setTextMatrix(1, 2, "ITEM DE UMA VENDA ANTERIOR");
  venda.campo("TxtTotVen").setTexto("27,90");
  tela.campo("NumEpn").setTexto("101");
  ASSERT_TRUE(x.passo([&] { tela.teclaBaixo(tecla::Enter); })) << x.fim.toStdString();
  ASSERT_TRUE(x.passo([&] { tela.teclaBaixo(tecla::F5); })) << x.fim.toStdString();
  EXPECT_EQ(x.operador.mensagens().last(), "Impressão Concluída !");
  EXPECT_EQ(venda.grade("Grade").Rows(), 2);
  EXPECT_TRUE(venda.grade("Grade").TextMatrix(1, 2).isEmpty());
  EXPECT_EQ(venda.campo("TxtTotVen").texto(), "0,00");
  x.programa->app().descarrega(tela, true);
}

// A name the database cannot keep, CPF and CNPJ whose check digits do not
// hold, a misread bar code, a label worth nothing and an amount handed over
// with a change beyond reason are refused where they are typed; the sale
// then goes on as usual.
TEST(Absurdos, NonsenseAtTheTillIsRefusedWhereItIsTyped) {
  Drive d;
  QString t;
  ASSERT_EQ(d.roda("clock 2026-12-07T09:00:00\n" + Login, t), 0) << t.toStdString();
  const QString consumidor = "key Pause\ntype %1\nkey Tab\ntype %2\nclick GravaCliente\ndump\n";
  struct Caso {
    QString nome, documento, mensagem;
  };
  for (const Caso &c : {Caso{"Иван", "52998224725", "Nome do cliente: O texto digitado tem caracteres"},
                        Caso{"ANA", "11111111111", "CPF inválido: 11111111111"},
                        Caso{"ANA", "11222333000182", "CNPJ inválido: 11222333000182"}}) {
    SCOPED_TRACE(c.documento.toStdString());
    ASSERT_EQ(d.roda(Entra + consumidor.arg(c.nome, c.documento), t), 0) << t.toStdString();
    EXPECT_TRUE(t.contains("message [exclamation] \"PDV-VELT\" \"" + c.mensagem)) << t.toStdString();
    const QList<QStringList> telas = dumps(t, "PForm");
    ASSERT_FALSE(telas.isEmpty());
    EXPECT_TRUE(telas.last().contains("  Cliente \"0-CONSUMIDOR\"")) << telas.last().join('\n').toStdString();
  }
  ASSERT_EQ(d.roda(Entra + consumidor.arg("ANA", "11222333000181"), t), 0) << t.toStdString();
  EXPECT_TRUE(dumps(t, "PForm").last().contains("  Cliente \"0-ANA|11222333000181\""))
      << dumps(t, "PForm").last().join('\n').toStdString();

  const QString venda = Entra +
                        "key F2\ntype 7891234000018\nkey Enter\ndump\ntype 2000100000007\nkey Enter\ndump\n"
                        "type 7891234000019\nkey Enter\nkey F7\ntype 9999999999999\nkey F7\ntype 50,00\nkey F7\n";
  ASSERT_EQ(d.roda(venda, t), 0) << t.toStdString();
  const QList<QStringList> telas = dumps(t, "PForm");
  ASSERT_GE(telas.size(), 2) << t.toStdString();
  EXPECT_TRUE(telas[0].contains(
      "  TxtMens \"Código de barras inválido (dígito verificador não confere): 7891234000018\""))
      << telas[0].join('\n').toStdString();
  EXPECT_TRUE(telas[1].contains("  TxtMens \"Etiqueta com valor ZERADO: 2000100000007\""))
      << telas[1].join('\n').toStdString();
  EXPECT_EQ(t.count("EcfVendeItem("), 1) << t.toStdString();
  EXPECT_TRUE(t.contains("Valor Pago alto demais: o troco seria de 9.999.999.999.971,10, mais que 1.000,00."))
      << t.toStdString();
  EXPECT_TRUE(t.contains("EcfFechaCupomResumido(\"Dinheiro\", \"TROCO  : 22-10\\n")) << t.toStdString();
  EXPECT_EQ(vendasDoCupom(d, 2), 1);

  // Terms of 700 instalments worth 0,02 and a term beyond the desk's
  // horizon (730 days) refused by F8; a cheque's issuer in Cyrillic and a
  // cheque due in 9999 refused where they are typed.
  const QString prazos = Entra +
                         "key F5\ntype MERCEARIA\nkey Enter\nkey Enter\nkey F2\ntype 1.\nkey Enter\nkey F4\nkey Enter\n"
                         "type 7\nkey Enter\ntype 8,78\nkey Enter\nkey Enter\nkey Enter\nkey Enter\n"
                         "input 1+700\nkey F8\ninput 30/900\nkey F8\n"
                         "key Insert\nkey Enter\ntype 5\nkey Enter\ntype 10,00\nkey Enter\ntype 1000\nkey Enter\n"
                         "type 001\nkey Enter\ntype 1234\nkey Enter\ntype Иван Петров\nkey Enter\ntype IVAN\nkey Enter\n"
                         "type 31129999\nkey Enter\n";
  ASSERT_EQ(d.roda(prazos, t), 0) << t.toStdString();
  EXPECT_TRUE(t.contains("Parcelas de 0,02 são pequenas demais (menos de 1,00): digite menos parcelas !"))
      << t.toStdString();
  EXPECT_TRUE(t.contains("Vencimento além de 730 dias (depois de 06/12/2028) não é aceito neste caixa !"))
      << t.toStdString();
  EXPECT_EQ(t.count("Vencimento além de 730 dias"), 2) << t.toStdString();
  EXPECT_EQ(t.count("Emitente: O texto digitado tem caracteres que o banco de dados não guarda"), 1) << t.toStdString();
}

// Desk 002 claims the pre-sale between the two reads of this desk's
// loading (the check that refuses another desk's claim, then the load): the
// screen holds what desk 002 left, and F5 must still not take it from that
// desk.
TEST(CupomFechado, APreSaleClaimedWhileItLoadsIsNotTakenFromTheOtherDesk) {
  Drive d;
  ASSERT_TRUE(diaAberto(d));
  Execucao x(d.raiz());
  ASSERT_TRUE(x.entraParado(QDateTime(QDate(2026, 12, 7), QTime(9, 5)))) << x.fim.toStdString();
  PForm &venda = dynamic_cast<PForm &>(x.frente());
  x.programa->app().executaModal = [](Tela &) {};

  struct EntreAsLeituras : ImprimeCupomPreVenda {
    using ImprimeCupomPreVenda::ImprimeCupomPreVenda;
    std::function<void()> outroCaixa;
    QString recusaEmpenho(qlonglong codigo) override {
      if (outroCaixa) outroCaixa();
      return ImprimeCupomPreVenda::recusaEmpenho(codigo);
    }
  };
  EntreAsLeituras tela(x.programa->app(), venda);
  tela.outroCaixa = [&] { d.executa("UPDATE TB_VDA_CADEPN SET StaEpn = -1502, NfsEpn = '002' WHERE CodEpn = 101"); };
  x.programa->app().mostra(tela, true);
  tela.campo("NumEpn").setTexto("101");
  ASSERT_TRUE(x.passo([&] { tela.teclaBaixo(tecla::Enter); })) << x.fim.toStdString();
  tela.outroCaixa = {};
  x.chamadasEcf.clear();
  ASSERT_TRUE(x.passo([&] { tela.teclaBaixo(tecla::F5); })) << x.fim.toStdString();
  EXPECT_EQ(x.operador.mensagens().last(), "Este empenho está sendo impresso no caixa 002 !");
  EXPECT_TRUE(x.chamadasEcf.isEmpty()) << x.chamadasEcf.join(", ").toStdString();
  EXPECT_EQ(cabecalho(d, 101), QStringList{"-1502 | 002 | <null>"});
  EXPECT_EQ(d.numero("SELECT COUNT(*) FROM TB_VDA_CADNOT WHERE EpnNot = 101"), 0);
  x.programa->app().descarrega(tela, true);
}
