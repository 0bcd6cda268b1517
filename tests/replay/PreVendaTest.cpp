// Pre-sales by replay, each script on a demo drive of its own: what the
// printer is sent and prints, the rows the database then holds, the release
// program's command lines; and a pre-sale whose run dies after the printer
// closed its coupon, recorded once at the next start.
#include <gtest/gtest.h>

#include "access/Execucao.h"
#include "closing/ServicoFechamento.h"
#include "core/Teclas.h"
#include "fiscal/Ecf.h"
#include "presale/Imprime_Cupom_PreVenda.h"
#include "sale/PForm.h"
#include "replay/Roteiro.h"

namespace {

const QString ColunasResumo =
    "NumNot,SerNot,EpnNot,DatNot,ValNot,BasIcmNot,ValIcmNot,BasSubNot,ValSubNot,BasIseNot,BasRedNot,BasDifNot,"
    "StaNot,UsuNot";

QString roteiro(const QString &nome) {
  QFile f(testsupport::sourceDir() + "/tests/replay/" + nome);
  f.open(QIODevice::ReadOnly);
  return QString::fromUtf8(f.readAll());
}

// Runs a script of this folder on the drive to its end.
QString corre(Drive &d, const QString &nome) {
  QString t;
  EXPECT_EQ(d.roda(roteiro(nome), t), 0) << t.toStdString();
  EXPECT_TRUE(t.contains("end: script finished")) << t.toStdString();
  return t;
}

QString bobina(const Drive &d) {
  QFile f(d.caminho("kw-velt/ecf-sim/bobina.txt"));
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The transcript's operator messages, in order.
QStringList mensagens(const QString &t) {
  QStringList r;
  for (const QString &l : t.split('\n'))
    if (l.startsWith("message ")) r << l.section('"', 3, 3);
  return r;
}

// The release program's runs, without the time its stand-in logged.
QStringList liberacoes(const Drive &d, int esperadas) {
  QStringList r;
  for (const QString &l : d.liberacoes(esperadas)) r << l.mid(l.indexOf("liberaprevenda", 0, Qt::CaseInsensitive));
  return r;
}

QString campo(const QStringList &dump, const QString &nome) {
  for (const QString &l : dump)
    if (l.startsWith("  " + nome + " ")) return l.mid(nome.size() + 3);
  return {};
}

QStringList cabecalho(const Drive &d, int empenho) {
  return d.linhas("StaEpn,NfsEpn,NfiEpn,NffEpn", QStringLiteral("FROM TB_VDA_CADEPN WHERE CodEpn = %1").arg(empenho));
}
QStringList resumos(const Drive &d, int empenho) {
  return d.linhas(ColunasResumo, QStringLiteral("FROM TB_VDA_CADNOT WHERE EpnNot = %1").arg(empenho));
}

}  // namespace

TEST(PreVenda, PrintsPendingPreSalesAndRefusesTheOthers) {
  Drive d;
  // Credit releases: this operator's for 101's customer (used up by the
  // coupon) and another operator's for the same customer (kept).
  d.executa("INSERT INTO TB_GER_LIBERA (USUARIO, INFO) VALUES (1, 5)");
  d.executa("INSERT INTO TB_GER_LIBERA (USUARIO, INFO) VALUES (2, 5)");
  const QString t = corre(d, "prevenda-imprime.txt");

  EXPECT_EQ(mensagens(t),
            (QStringList{"DESEJA PROGRAMAR AS FORMAS DE PAGAMENTOS ?", "Empenho não existe !", "Já foi impresso cupom com este empenho !",
                         "Este Empenho teve preço pré-fixado. Alteração Negada !",
                         "ATENÇÃO ! FOI IMPRESSA UMA NOTA 'M1' DESTE EMPENHO !",
                         "ATENÇÃO ! ESTE EMPENHO JÁ FOI LIBERADO !", "Empenho Liberado. Alteração Negada !",
                         "Impressão Concluída !", "Já foi impresso cupom com este empenho !",
                         "Digite um numerio com 11 (cpf) ou 14 (cnpj) dígitos!",
                         "Valor Pago menor que o Valor em Dinheiro !", "Impressão Concluída !",
                         "Erro de Comunicação: -27\\n\\nO cupom foi cancelado; o empenho pode ser impresso de novo.",
                         "O item 3 do empenho 112 não existe: o cupom não foi impresso."}));
  const QList<QStringList> telas = dumps(t, "Imprime_Cupom_PreVenda");
  ASSERT_EQ(telas.size(), 5);
  // 107 loaded (released, from another series): its items and payment.
  EXPECT_EQ(campo(telas[0], "Status"), "\"Liberado\"");
  EXPECT_EQ(campo(telas[0], "NfsEpn"), "\"1\"");
  // 101 loaded: the cash of its payment rows, the weight of its items.
  EXPECT_EQ(campo(telas[1], "TotDin"), "\"101,25\"");
  EXPECT_EQ(campo(telas[1], "PesoEpn"), "\"3,500\"");
  EXPECT_TRUE(telas[1].contains("    row 3: 003 | 6 | REFRIGERANTE COLA 2L | 236 | 9,99 | 0,00 | 2"));
  // 0 typed as the amount tendered is the cash total.
  EXPECT_EQ(campo(telas[2], "TxtValor"), "\"117,73\"");

  // 101: the coupon's items as recorded, the customer's document, the
  // footer naming the empenho; then recorded against the coupon.
  EXPECT_TRUE(t.contains("ecf EcfAbreCupom(\"390.533.447-05\") = 1"));
  EXPECT_TRUE(t.contains("ecf EcfVendeItem(\"2\", \"FEIJÃO CARIOCA TIPO 1 1KG\", \"18,00\", \"I\", \"0003\", \"2\", "
                         "\"8,49\", \"%\", \"0000\") = 1"));
  EXPECT_TRUE(t.contains("ecf EcfTerminaFechamentoCupom(\"TROCO  : 0-00\\nCLIEN  : ANTÔNIO CONCEIÇÃO RIBEIRO\\nEPN"
                         "    : 101\\nOPERAC : 5102 - SR: 001\\nOBRIGADO PELA PREFERENCIA !\") = 1"));
  EXPECT_EQ(cabecalho(d, 101), QStringList{"-901 | 001 | 2 | 2"});
  // The tax of its taxed lines (81,27 at 18%: 14,6286) rounded once.
  EXPECT_EQ(resumos(d, 101), QStringList{"2 | 001 | 101 | 2026-12-07 | 101.25 | 81.27 | 14.63 | 19.98 | "
                                         "0.00 | 0.00 | 0.00 | 0.00 | 1 | 1"});
  EXPECT_EQ(d.linhas("USUARIO,INFO", "FROM TB_GER_LIBERA ORDER BY USUARIO"), QStringList{"2 | 5"});
  EXPECT_EQ(d.linhas("UsuLog,SisLog,OpeLog", "FROM TB_GER_LOGSYS WHERE TabLog = 'Cupom : 2'"),
            QStringList{"1 | PDV | Imprime"});

  // 111: the weighed item sold as 1,5 kg; the coupon's total is the
  // pre-sale's; the consumer identified at the desk.
  EXPECT_TRUE(t.contains("ecf EcfAbreCupom(\"123.456.789-09\") = 1"));
  EXPECT_TRUE(t.contains("ecf EcfVendeItem(\"22\", \"QUEIJO MUSSARELA FATIADO KG\", \"18,00\", \"F\", \"0001500\", "
                         "\"2\", \"49,90\", \"%\", \"0000\") = 1"));
  EXPECT_TRUE(t.contains("\"TROCO  : 32-27\\nCLIEN  : MARIA-JOSE DA SILVA\\nEPN    : 111\\n"));
  const QString fita = bobina(d);
  EXPECT_TRUE(fita.contains("1,500 x 49,90")) << fita.toStdString();
  EXPECT_TRUE(fita.contains(QStringLiteral("TOTAL R$") + QString(34, ' ') + "117,73")) << fita.toStdString();
  EXPECT_EQ(cabecalho(d, 111), QStringList{"-901 | 001 | 3 | 3"});
  // Its taxed base (74,85 at 18%), reduced base (the sugar) and
  // substitution (the soft drinks) add up to the coupon.
  EXPECT_EQ(resumos(d, 111), QStringList{"3 | 001 | 111 | 2026-12-07 | 117.73 | 74.85 | 13.47 | 19.98 | "
                                         "0.00 | 0.00 | 22.90 | 0.00 | 1 | 1"});

  // 104: the printer refused its payment forms: the coupon cancelled,
  // nothing recorded, 104 given back as it was read, printable again by
  // any desk.
  EXPECT_TRUE(t.contains("ecf EcfIniciaFechamentoCupom(\"D\", \"$\", \"5,00\") = 1"));
  EXPECT_TRUE(t.contains("ecf EcfCancelaCupom() = 1"));
  EXPECT_EQ(cabecalho(d, 104), QStringList{"0 | <null> | <null> | <null>"});
  EXPECT_TRUE(resumos(d, 104).isEmpty());
  // 112: loading stops at the first missing item number; printing, which
  // sells NitEpn items, finds the third missing and prints nothing.
  EXPECT_EQ(campo(telas[4], "QtdIte"), "\"2\"");
  int quinta = -1;
  for (int i = 0; i < 5; ++i) quinta = linhaCom(t, "dump Imprime_Cupom_PreVenda", quinta);
  EXPECT_EQ(linhaCom(t, "ecf ", quinta), -1) << "nothing sent to the printer for 112";
  EXPECT_TRUE(d.pendentes().isEmpty());
  EXPECT_EQ(d.gravadas().size(), 2);

  EXPECT_EQ(liberacoes(d, 2), (QStringList{}
                                  << QStringLiteral("liberaprevenda.exe 07/12/2026 -901 101 1")
                                  << QStringLiteral("liberaprevenda.exe 07/12/2026 -901 111 1")))
      << "the release program runs once per coupon, with the claim marker written in the empenho";
  // The sale screen shows the last coupon recorded.
  const QStringList venda = dumps(t, "PForm").last();
  EXPECT_EQ(campo(venda, "CodEpn"), "\"111\" hidden");
  EXPECT_EQ(campo(venda, "Cliente"), "\"0-CONSUMIDOR\"");
  EXPECT_TRUE(campo(venda, "TxtMens").contains("| Empenho: 111 | Cupom: 3"));
}

TEST(PreVenda, PaymentChangedBeforePrintingIsRewrittenAndPrinted) {
  Drive d;
  // 104 keyed in the day before: printed today, it is today's sale.
  d.executa("UPDATE TB_VDA_CADEPN SET DtcEpn = DtcEpn - 1, DtlEpn = DtlEpn - 1 WHERE CodEpn = 104");
  const QString t = corre(d, "prevenda-forma.txt");
  // Esc with nothing paid left the payment-change screen open.
  const QList<QStringList> alt = dumps(t, "AltPgto");
  ASSERT_EQ(alt.size(), 2);
  EXPECT_EQ(campo(alt[0], "TotFor"), "\"0,00\"");
  EXPECT_EQ(campo(alt[1], "TotFor"), "\"68,26\"");

  // The rows rewritten as the grid held them; the header's dates renewed.
  EXPECT_EQ(d.linhas("CPGPAG,CVNPAG,VALPAG,CHQPAG,EMIPAG,DTVPAG", "FROM TB_VDA_EPNPAG WHERE EpnPag = 102 ORDER BY CPGPAG"),
            (QStringList{"1 | 0 | 50.00 |  | 1 | 2026-12-07", "2 | 0 | 18.26 |  | 1 | 2026-12-07"}));
  EXPECT_EQ(d.linhas("DtcEpn,DtlEpn,MesEpn", "FROM TB_VDA_CADEPN WHERE CodEpn = 102"),
            QStringList{"2026-12-07 09:30:00.0000 | 2026-12-07 09:30:00.0000 | 12"});
  EXPECT_EQ(d.linhas("UsuLog,SisLog,OpeLog", "FROM TB_GER_LOGSYS WHERE TabLog = 'Empenhos: 102'"),
            QStringList{"1 | PDV | Altera/Forma"});
  // And printed with them.
  EXPECT_TRUE(t.contains("ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Dinheiro\", \"50,00\", "));
  EXPECT_TRUE(t.contains("ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Cartao Debito\", \"18,26\", "));
  EXPECT_EQ(cabecalho(d, 102), QStringList{"-901 | 001 | 2 | 2"});

  // 104: its discount as an amount, its cheques with their due dates; the
  // coupon charges the pre-sale's total less the discount.
  EXPECT_TRUE(t.contains("ecf EcfIniciaFechamentoCupom(\"D\", \"$\", \"5,00\") = 1"));
  const QString fita = bobina(d);
  EXPECT_TRUE(fita.contains(QStringLiteral("DESCONTO R$") + QString(32, ' ') + "-5,00")) << fita.toStdString();
  EXPECT_TRUE(fita.contains(QStringLiteral("TOTAL R$") + QString(35, ' ') + "41,79")) << fita.toStdString();
  // The demo's cheques fall due 30 and 60 days after the drive was made.
  EXPECT_TRUE(fita.contains("Cheque                                     20,89\n  Vencimento em " +
                            QDate::currentDate().addDays(60).toString("dd/MM/yyyy")))
      << fita.toStdString();
  EXPECT_EQ(resumos(d, 104), QStringList{"3 | 001 | 104 | 2026-12-07 | 41.79 | 46.79 | 8.42 | 0.00 | "
                                         "0.00 | 0.00 | 0.00 | 0.00 | 1 | 1"});

  // 103: rows that no longer pay it are not written.
  EXPECT_TRUE(t.contains("Total das formas (37,48) diferente do total do empenho (57,48) !"));
  EXPECT_EQ(d.linhas("CPGPAG,VALPAG", "FROM TB_VDA_EPNPAG WHERE EpnPag = 103 ORDER BY CPGPAG"),
            (QStringList{"1 | 20.00", "2 | 37.48"}));
  EXPECT_EQ(campo(dumps(t, "Imprime_Cupom_PreVenda").last(), "TotDin"), "\"57,48\"");

  // The cash position: the database's coupons of the day agree with the
  // printer's forms, 104 included.
  const QStringList posicao = dumps(t, "VendasDia").value(0);
  EXPECT_TRUE(posicao.contains("    row 2: 2 | Cheque                                   | 41,79 | 41,79 | confere"))
      << posicao.join('\n').toStdString();
  EXPECT_EQ(campo(posicao, "LabConfere"), "\"Impressora e banco de dados conferem.\"");
}

// The payment-change screen checks the credit of the pre-sale's customer
// (blocked here), not the sale screen's consumer.
TEST(PreVenda, ThePaymentChangeChecksThePreSalesCustomersCredit) {
  Drive d;
  d.executa("UPDATE TB_VDA_CADEPN SET CliEpn = 4 WHERE CodEpn = 102");
  QString t;
  ASSERT_EQ(d.roda("clock 2026-12-07T09:30:00\n" + Login +
                       "click P0202\ntype 102\nkey Enter\nkey F4\nkey Delete\nkey Enter\ntype 6\nkey Enter\n",
                   t),
            0)
      << t.toStdString();
  EXPECT_TRUE(t.contains("\"Crédito Bloqueado !\\r\\n\"")) << t.toStdString();
}

TEST(PreVenda, TheViewerShowsAnySaleAndReleasesOnlyPendingOnes) {
  Drive d;
  const QString t = corre(d, "prevenda-visualiza.txt");
  const QList<QStringList> telas = dumps(t, "Visualiza_Venda");
  ASSERT_EQ(telas.size(), 3);
  // 112: all its items, though their numbers skip 3; its weight as recorded.
  EXPECT_TRUE(telas[0].contains("    row 3: 004 | 9 | LEITE UHT INTEGRAL 1L | 294 | 4,89 | 0,00 | 3"));
  EXPECT_EQ(campo(telas[0], "QtdIte"), "\"3\"");
  EXPECT_EQ(campo(telas[0], "PesoEpn"), "\"3,000\"");
  EXPECT_EQ(campo(telas[0], "Status"), "\"Cancelado\"");
  EXPECT_EQ(mensagens(t), (QStringList{"DESEJA PROGRAMAR AS FORMAS DE PAGAMENTOS ?", "Empenho não esta pendente !",
                                       "Empenho não esta pendente !"}));
  // Its payment changed all the same: the rows rewritten, the change logged.
  EXPECT_TRUE(t.contains("open AltPgto"));
  EXPECT_EQ(d.linhas("CPGPAG,VALPAG", "FROM TB_VDA_EPNPAG WHERE EpnPag = 112"), QStringList{"1 | 25.74"});
  EXPECT_EQ(d.numero("SELECT COUNT(*) FROM TB_GER_LOGSYS WHERE TabLog = 'Empenhos: 112'"), 1);
  // 103, pending, released; nothing printed; back to number entry.
  EXPECT_EQ(liberacoes(d, 1), QStringList{"liberaprevenda.exe 07/12/2026 -1001 103 1"});
  EXPECT_FALSE(t.contains("ecf EcfAbreCupom"));
  EXPECT_EQ(telas[2].first().section(' ', -1), "focus=NumEpn");
  EXPECT_EQ(campo(telas[2], "NumEpn"), "\"103\"");
}

// The run dies just after the printer closed the pre-sale's coupon (and,
// second case, just after the database committed it): the next start
// records it from the journal, once, and releases it once.
TEST(PreVenda, ACouponClosedBeforeAPowerCutIsRecordedOnceAtTheNextStart) {
  for (const char *ponto : {"impressora-fechou", "banco-gravou"}) {
    SCOPED_TRACE(ponto);
    Drive d;
    const QString imprime = "clock 2026-12-07T09:00:00\n" + Login + "click P0202\ntype 101\nkey Enter\nkey F5\n";
    QString t;
    EXPECT_NE(d.roda(imprime, t, ponto), 0) << t.toStdString();
    ASSERT_TRUE(t.contains("EcfTerminaFechamentoCupom(")) << t.toStdString();
    ASSERT_EQ(d.roda("type 1\nkey Enter\ntype 1234\nkey Enter\n", t), 0) << t.toStdString();
    EXPECT_EQ(cabecalho(d, 101), QStringList{"-901 | 001 | 2 | 2"});
    EXPECT_EQ(resumos(d, 101).size(), 1);
    EXPECT_EQ(d.numero("SELECT COUNT(*) FROM TB_GER_LOGSYS WHERE TabLog = 'Cupom : 2'"), 1);
    EXPECT_TRUE(d.pendentes().isEmpty());
    EXPECT_EQ(liberacoes(d, 1), QStringList{"liberaprevenda.exe 07/12/2026 -901 101 1"});
  }
}

// The sale screen hands a number over (NumEpnPesq): the screen prints it at
// once, the printer marked busy from the first call to the last and free
// afterwards. A printer already busy prints nothing, writes no claim marker
// and is left busy for whoever holds it.
TEST(PreVenda, ANumberHandedOverPrintsAtOnceWithThePrinterHeldBusy) {
  Drive d;
  QString t;
  ASSERT_EQ(d.roda("clock 2026-12-07T09:00:00\n" + Login, t), 0) << t.toStdString();
  Execucao x(d.raiz());
  ASSERT_TRUE(x.entraParado(QDateTime(QDate(2026, 12, 7), QTime(9, 5)))) << x.fim.toStdString();
  Tela &venda = x.frente();
  ASSERT_EQ(venda.nomeTela(), "PForm");
  x.programa->app().executaModal = [](Tela &) {};
  QStringList chamadas;
  QList<bool> ocupada;
  InstalaObservadorEcf([&](const ChamadaEcf &c) {
    chamadas << c.funcao;
    ocupada << x.estado.EcfOcupada;
  });

  x.estado.NumEpnPesq = "101";
  ASSERT_TRUE(x.passo([&] { venda.clica("P0202"); })) << x.fim.toStdString();
  EXPECT_EQ(chamadas.first(), "EcfAbreCupom");
  // The closing's end, then the printer asked whether it closed the coupon.
  EXPECT_EQ(chamadas.mid(chamadas.size() - 2), (QStringList{"EcfTerminaFechamentoCupom", "EcfFlagsFiscais"}));
  EXPECT_FALSE(ocupada.contains(false)) << chamadas.join(", ").toStdString();
  EXPECT_FALSE(x.estado.EcfOcupada);
  EXPECT_TRUE(x.estado.NumEpnPesq.isEmpty());
  EXPECT_EQ(x.operador.mensagens().last(), "Impressão Concluída !");
  EXPECT_EQ(cabecalho(d, 101).value(0).section(" | ", 1), "001 | 2 | 2");
  EXPECT_EQ(venda.campo("CodEpn").texto(), "101");

  // A coupon of 111 kept on the desk (printed, not recorded yet): 111 is
  // not printed again.
  PForm &pform = dynamic_cast<PForm &>(venda);
  VendaFechada guardada;
  guardada.caixa = "001";
  guardada.cupom = 7;
  guardada.data = QDate(2026, 12, 7);
  guardada.empenho = 111;
  ASSERT_TRUE(pform.fechamento().diario().grava(guardada, DiarioVendas::Situacao::Fechada));
  chamadas.clear();
  x.estado.NumEpnPesq = "111";
  ASSERT_TRUE(x.passo([&] { venda.clica("P0202"); })) << x.fim.toStdString();
  EXPECT_TRUE(x.operador.mensagens().last().startsWith("O cupom 7 deste empenho já foi impresso e está guardado"))
      << x.operador.mensagens().last().toStdString();
  EXPECT_TRUE(chamadas.isEmpty()) << chamadas.join(", ").toStdString();
  pform.fechamento().diario().descarta(guardada);

  chamadas.clear();
  x.estado.EcfOcupada = true;
  x.estado.NumEpnPesq = "111";
  ASSERT_TRUE(x.passo([&] { venda.clica("P0202"); })) << x.fim.toStdString();
  EXPECT_EQ(x.operador.mensagens().last(), "Aguarde Impressora Ocupada !");
  EXPECT_TRUE(chamadas.isEmpty()) << chamadas.join(", ").toStdString();
  EXPECT_TRUE(x.estado.EcfOcupada);
  EXPECT_EQ(cabecalho(d, 111), QStringList{"0 | <null> | <null> | <null>"});
  x.estado.EcfOcupada = false;

  // The database gone while the screen is open: the number cannot be read,
  // the operator is told, the screen stays in number entry.
  ImprimeCupomPreVenda tela(x.programa->app(), pform);
  x.programa->app().mostra(tela, true);
  ASSERT_TRUE(d.tiraBanco());
  const int antes = static_cast<int>(x.operador.mensagens().size());
  tela.campo("NumEpn").setTexto("111");
  ASSERT_TRUE(x.passo([&] { tela.teclaBaixo(tecla::Enter); })) << x.fim.toStdString();
  EXPECT_EQ(x.operador.mensagens().size(), antes + 1);
  EXPECT_TRUE(x.operador.mensagens().last().contains("dados.fdb")) << x.operador.mensagens().last().toStdString();
  EXPECT_TRUE(tela.campo("NumEpn").enabled());
  EXPECT_FALSE(tela.campo("FrmTot").enabled());
  chamadas.clear();
  ASSERT_TRUE(d.devolveBanco());
  InstalaObservadorEcf({});
}
