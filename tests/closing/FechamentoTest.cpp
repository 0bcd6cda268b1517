// Closing a sale with F7 and recording it, by replay on the demo drive: what
// the printer is sent and prints, and the rows the database then holds.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include "core/Database.h"
#include "core/TerminalState.h"
#include "platform/Host.h"
#include "replay/Roteiro.h"
#include "support/TestSupport.h"

namespace {

QString pastaImpressora() { return testsupport::demoDrive() + "/kw-velt/ecf-sim"; }
QString registroProgramas() { return testsupport::demoDrive() + "/kw-velt/programas.log"; }

QString leArquivo(const QString &caminho) {
  QFile f(caminho);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void escreveArquivo(const QString &caminho, const QString &texto) {
  QFile f(caminho);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << caminho.toStdString();
  f.write(texto.toUtf8());
}

// Every script here runs on 07/12/2026 at desk 001 on a fresh printer, so its
// coupons take the same numbers each time: the sales an earlier run recorded
// for them go first, or they would count as recorded already.
void apagaVendasDoDia() {
  const QString doDia = "(SELECT CodEpn FROM TB_VDA_CADEPN WHERE NfsEpn = '001' AND DtcEpn = '2026-12-07' "
                        "AND CodEpn > 200)";
  testsupport::executaNoDemo("DELETE FROM TB_VDA_CADEPNIT WHERE CodEpnIt IN " + doDia);
  testsupport::executaNoDemo("DELETE FROM TB_VDA_EPNPAG WHERE EpnPag IN " + doDia);
  testsupport::executaNoDemo("DELETE FROM TB_VDA_CADNOT WHERE EpnNot IN " + doDia);
  testsupport::executaNoDemo("DELETE FROM TB_VDA_CADEPN WHERE CodEpn IN " + doDia);
}

// Runs a script of this folder on a fresh printer with an empty paper tape.
QString corre(const QString &roteiro) {
  QFile::remove(pastaImpressora() + "/bobina.txt");
  QFile::remove(registroProgramas());
  QString t;
  EXPECT_EQ(replay(testsupport::sourceDir() + "/tests/replay/" + roteiro, t), 0) << t.toStdString();
  EXPECT_TRUE(t.contains("end: script finished")) << t.toStdString();
  return t;
}

// The rows of a query, each column cast to text by the server and joined
// with " | " ("<null>" for Null), so amounts and dates read as stored.
QStringList linhas(const QString &colunas, const QString &resto) {
  TerminalState e;
  testsupport::conectaAoDemo(e);
  return LinhasComoTexto(e.conexao(), colunas, resto);
}

const QString ColunasCabecalho =
    "CodEpn,CliEpn,VenEpn,TpvEpn,TabEpn,DtcEpn,DtlEpn,StaEpn,NfsEpn,NfiEpn,NffEpn,LocEpn,TotEpn,DscEpn,AcrEpn,NitEpn,"
    "PrzEpn,TraEpn,VeiEpn,ReqEpn,FrtEpn,ComEpn,PesoEpn,FisEpn,UsuEpn,FatEpn,MesEpn";
const QString ColunasItem = "CodEpnIt,IteEpnIt,ProEpnit,QtdEpnIt,ValEpnIt,PreEpnIt,VarEpnit,CtoEpnIt,MovEpnIt,OpfEpnIt";
const QString ColunasPagamento = "EPNPAG,CPGPAG,CVNPAG,VALPAG,CHQPAG,BCOPAG,AGCPAG,EMIPAG,DTVPAG";
const QString ColunasResumo =
    "NumNot,SerNot,EpnNot,DatNot,ValNot,BasIcmNot,ValIcmNot,BasSubNot,ValSubNot,BasIseNot,BasRedNot,BasDifNot,"
    "StaNot,UsuNot";

QStringList cabecalho(const QString &codigo) {
  return linhas(ColunasCabecalho, "FROM TB_VDA_CADEPN WHERE CodEpn = " + codigo);
}
QStringList itens(const QString &codigo) {
  return linhas(ColunasItem, "FROM TB_VDA_CADEPNIT WHERE CodEpnIt = " + codigo + " ORDER BY IteEpnIt");
}
QStringList pagamentos(const QString &codigo) {
  return linhas(ColunasPagamento, "FROM TB_VDA_EPNPAG WHERE EpnPag = " + codigo + " ORDER BY SeqPag");
}
QStringList resumos(const QString &codigo) {
  return linhas(ColunasResumo, "FROM TB_VDA_CADNOT WHERE EpnNot = " + codigo);
}
// The summary's time of record: the server's, for which a replay's clock
// stands (so a script records the same time on every run).
QStringList horaDosResumos(const QString &codigo) {
  return linhas("DatHor", "FROM TB_VDA_CADNOT WHERE EpnNot = " + codigo);
}

// The sale codes the sale screen announced ("| Empenho: 1234 | Cupom: 5").
QStringList codigosGravados(const QString &t) {
  QStringList r;
  static const QRegularExpression re(QStringLiteral("\\| Empenho: (\\d+) \\| Cupom: (\\d+)\""));
  for (auto m = re.globalMatch(t); m.hasNext();) {
    const QString c = m.next().captured(1);
    if (!r.contains(c)) r << c;
  }
  return r;
}

// The release program's stand-in writes its command line once it runs.
QStringList programasIniciados(int esperados) {
  QStringList l;
  for (int i = 0; i < 150 && l.size() < esperados; ++i) {
    QThread::msleep(20);
    l = leArquivo(registroProgramas()).split('\n', Qt::SkipEmptyParts);
  }
  return l;
}

// The header every sale of these scripts gets on coupon 2 with two items,
// recorded by operator 1 on 07/12/2026 at desk 001 (stock place 1):
// customer, no salesperson, kind and table 1, the working date twice, the
// claim marker, desk and coupon, the total, the fixed zeros and blanks, the
// fiscal operation, the operator, who closed it and when (operator, host
// name, time), the month.
QString cabecalhoEsperado(const QString &codigo, int cliente, int marcador, const QString &total, int operacao,
                          const QString &hora) {
  return QStringLiteral("%1 | %2 | 0 | 1 | 1 | 2026-12-07 00:00:00.0000 | 2026-12-07 00:00:00.0000 | %3 | 001 | 2 | 2 | "
                        "1 | %4 | 0.00 | 0.00 | 2 |  | 0 | 0 |   | 0.00 | 0.00 | 0.000 | %5 | 1 | 1%6%7 | 12")
      .arg(codigo)
      .arg(cliente)
      .arg(marcador)
      .arg(total)
      .arg(operacao)
      .arg(platform::hostName().left(20), hora);
}

QStringList linhasQueComecam(const QString &t, const QString &inicio) {
  QStringList r;
  for (const QString &l : t.split('\n'))
    if (l.startsWith(inicio)) r << l;
  return r;
}

}  // namespace

TEST(Fechamento, SummarisedClosingPrintsTheFooterAndRecordsTheSaleColumnByColumn) {
  apagaVendasDoDia();
  const QString t = corre("fechamento-resumo.txt");
  // No payment rows: the summarised dialog, payment form 1 for the whole
  // sale; the change with "-" for the comma, the name cut to 30.
  EXPECT_TRUE(t.contains("open Fecha_Cupom_Resumo ")) << t.toStdString();
  EXPECT_FALSE(t.contains("EcfIniciaFechamentoCupom") || t.contains("EcfEfetuaFormaPagamento")) << t.toStdString();
  const QString rodape = "TROCO  : 16-10\\nCLIENTE: DISTRIBUIDORA RIO DAS PEDRAS L\\nOPERAC : 6102 - SR: 001\\n"
                         "OBRIGADO PELA PREFERENCIA !";
  EXPECT_TRUE(t.contains("ecf EcfFechaCupomResumido(\"Dinheiro\", \"" + rodape + "\") = 1")) << t.toStdString();
  const QString fita = leArquivo(pastaImpressora() + "/bobina.txt");
  EXPECT_TRUE(fita.contains(QRegularExpression("\nTOTAL R\\$ +33,90\nDinheiro +33,90\n-+\n"
                                               "TROCO  : 16-10\nCLIENTE: DISTRIBUIDORA RIO DAS PEDRAS L\n"
                                               "OPERAC : 6102 - SR: 001\nOBRIGADO PELA PREFERENCIA !\n")))
      << fita.toStdString();

  const QStringList codigos = codigosGravados(t);
  ASSERT_EQ(codigos.size(), 1) << t.toStdString();
  const QString cod = codigos[0];
  EXPECT_TRUE(t.contains("TxtMens \"Cliente: 7-DISTRIBUIDORA RIO DAS PEDRAS LTDA|67890123000154 | Empenho: " + cod +
                         " | Cupom: 2\""))
      << t.toStdString();
  // Customer 7, the claim marker -(hhss 1007 + operator 1), two items (the
  // cancelled one is not counted), the customer's interstate operation.
  EXPECT_EQ(cabecalho(cod), QStringList{cabecalhoEsperado(cod, 7, -1008, "33.90", 6102, "10:23:07")});
  // Items 1 and 3 (2 was cancelled): the unit value charged, the list price,
  // the variation 100 - charged / list x 100 (4% and 6% off for the
  // customer's group, on values cut to the cent), the line value; the
  // product taxed "060" takes the substitute of operation 6102.
  EXPECT_EQ(itens(cod), (QStringList{cod + " | 1 | 1 | 1.000 | 26.7800 | 27.9000 | 4.0143 | 26.78 | 0 | 6102",
                                     cod + " | 3 | 7 | 2.000 | 3.5600 | 3.7900 | 6.0686 | 7.12 | 0 | 6404"}));
  EXPECT_TRUE(pagamentos(cod).isEmpty());
  // The summary: coupon, desk, sale, date, total and the seven totals
  // (12% of 26,78 in ICMS; the "060" line in the substitution base).
  EXPECT_EQ(resumos(cod), QStringList{"2 | 001 | " + cod +
                                      " | 2026-12-07 | 33.90 | 26.78 | 3.21 | 7.12 | 0.00 | 0.00 | 0.00 | 0.00 | 1 | 1"});
  EXPECT_EQ(horaDosResumos(cod), QStringList{"2026-12-07 10:23:07.0000"});
  // The release program: working date, marker, sale code, operator.
  EXPECT_TRUE(t.contains("run \"c:\\\\kw-velt\\\\LiberaPreVenda.exe 07/12/2026 -1008 " + cod +
                         " 1\" style=hidden -> started"))
      << t.toStdString();
  const QStringList iniciados = programasIniciados(1);
  ASSERT_EQ(iniciados.size(), 1);
  EXPECT_TRUE(iniciados[0].endsWith(" liberaprevenda.exe 07/12/2026 -1008 " + cod + " 1")) << iniciados[0].toStdString();
}

TEST(Fechamento, CompleteClosingSendsEachPaymentRowAndRecordsThemWithTheSale) {
  apagaVendasDoDia();
  // A credit condition with terms of its own on a payment form whose name
  // is longer than the printer keeps; releases of this operator for this
  // customer (to be used up) and for others (to stay); the customer's name
  // with a quote, for the footer and the cheques' issuer.
  testsupport::executaNoDemo("UPDATE TB_REC_CADCLI SET NomCli = 'MERCEARIA D''OESTE LTDA' WHERE CodCli = 1");
  testsupport::executaNoDemo("INSERT INTO TB_VDA_FORMPGT (CodFpg, NomFpg) VALUES (7, 'Crediario Proprio')");
  testsupport::executaNoDemo(
      "INSERT INTO TB_VDA_CONDPGT (CodCpg, NomCpg, PrzCpg, FormCpg, DupCpg, FlgCpg, CvnCpg, EntSai) "
      "VALUES (11, 'CREDIARIO 10/12/15', '10/12/15', 7, 1, '0', 0, 1)");
  testsupport::executaNoDemo("UPDATE TB_REC_CADCLI SET CpgCli = CpgCli || '11/' WHERE CodCli = 1");
  testsupport::executaNoDemo("DELETE FROM TB_GER_LIBERA");
  testsupport::executaNoDemo("INSERT INTO TB_GER_LIBERA (USUARIO, INFO) VALUES (1, 1)");
  testsupport::executaNoDemo("INSERT INTO TB_GER_LIBERA (USUARIO, INFO) VALUES (1, 5)");
  testsupport::executaNoDemo("INSERT INTO TB_GER_LIBERA (USUARIO, INFO) VALUES (2, 1)");
  const QString t = corre("fechamento-completo.txt");
  const QStringList liberacoes = linhas("USUARIO, INFO", "FROM TB_GER_LIBERA ORDER BY USUARIO, INFO");
  testsupport::executaNoDemo("DELETE FROM TB_GER_LIBERA");
  testsupport::executaNoDemo("UPDATE TB_REC_CADCLI SET CpgCli = REPLACE(CpgCli, '11/', ''), "
                             "NomCli = 'MERCEARIA BOA ESPERANÇA LTDA' WHERE CodCli = 1");
  testsupport::executaNoDemo("DELETE FROM TB_VDA_CONDPGT WHERE CodCpg = 11");
  testsupport::executaNoDemo("DELETE FROM TB_VDA_FORMPGT WHERE CodFpg = 7");

  // The printer: the closing opened with no discount, one payment form per
  // row (its name cut to 15; the copied cheque has the cheque's form), the
  // due date as description, then the footer with the change of the cash.
  EXPECT_TRUE(t.contains("open Fecha_Cupom_Completo ")) << t.toStdString();
  const QStringList fechamento = linhasQueComecam(t, "ecf EcfIniciaFechamentoCupom") +
                                 linhasQueComecam(t, "ecf EcfEfetuaFormaPagamentoDescricaoForma") +
                                 linhasQueComecam(t, "ecf EcfTerminaFechamentoCupom");
  const QStringList esperado = {
      "ecf EcfIniciaFechamentoCupom(\"D\", \"%\", \"0000\") = 1",
      "ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Dinheiro\", \"10,00\", \"Vencimento em 07/12/2026\") = 1",
      "ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Crediario Propr\", \"8,78\", \"Vencimento em 17/12/2026\") = 1",
      "ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Cheque\", \"5,00\", \"Vencimento em 06/01/2027\") = 1",
      "ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Cheque\", \"5,00\", \"Vencimento em 05/02/2027\") = 1",
      QStringLiteral("ecf EcfTerminaFechamentoCupom(\"TROCO  : 10-00\\nCLIENTE: MERCEARIA D'OESTE LTDA\\n"
                     "OPERAC : 5102 - SR: 001\\nOBRIGADO PELA PREFERENCIA !\") = 1")};
  EXPECT_EQ(fechamento, esperado) << t.toStdString();
  EXPECT_FALSE(t.contains("message [exclamation]")) << t.toStdString();
  const QString fita = leArquivo(pastaImpressora() + "/bobina.txt");
  EXPECT_TRUE(fita.contains(QRegularExpression("\nCrediario Propr +8,78\n  Vencimento em 17/12/2026\n"))) << fita.toStdString();
  EXPECT_TRUE(fita.contains(QStringLiteral("\nTROCO  : 10-00\nCLIENTE: MERCEARIA D'OESTE LTDA\n"))) << fita.toStdString();

  const QStringList codigos = codigosGravados(t);
  ASSERT_EQ(codigos.size(), 1) << t.toStdString();
  const QString cod = codigos[0];
  // Marker -(hhss 1109 + operator 1); in-state operation 5102.
  EXPECT_EQ(cabecalho(cod), QStringList{cabecalhoEsperado(cod, 1, -1110, "28.78", 5102, "11:40:09")});
  EXPECT_EQ(itens(cod), (QStringList{cod + " | 1 | 1 | 1.000 | 26.7800 | 27.9000 | 4.0143 | 26.78 | 0 | 5102",
                                     cod + " | 2 | 8 | 1.000 | 2.0000 | 2.0000 | 0.0000 | 2.00 | 0 | 5405"}));
  // One row per payment row: the credit terms stay the text "10/12/15",
  // the cheques keep number, bank, agency and issuer, each row its due date.
  EXPECT_EQ(pagamentos(cod),
            (QStringList{cod + " | 1 | 0 | 10.00 |  |  |  | 1 | 2026-12-07",
                         cod + " | 11 | 0 | 8.78 |  |  |  | 10/12/15 | 2026-12-17",
                         cod + QStringLiteral(" | 5 | 0 | 5.00 | 1000 | 001 | 1234 | MERCEARIA D'OESTE LTDA | 2027-01-06"),
                         cod + QStringLiteral(" | 5 | 0 | 5.00 | 1001 | 001 | 1234 | MERCEARIA D'OESTE LTDA | 2027-02-05")}));
  EXPECT_EQ(resumos(cod), QStringList{"2 | 001 | " + cod +
                                      " | 2026-12-07 | 28.78 | 26.78 | 4.82 | 2.00 | 0.00 | 0.00 | 0.00 | 0.00 | 1 | 1"});
  // The release of this operator for this customer is used up, no other.
  EXPECT_EQ(liberacoes, (QStringList{"1 | 5", "2 | 1"}));
  EXPECT_TRUE(t.contains("run \"c:\\\\kw-velt\\\\LiberaPreVenda.exe 07/12/2026 -1110 " + cod +
                         " 1\" style=hidden -> started"))
      << t.toStdString();
}

TEST(Fechamento, RefusalsAndPrinterFailuresKeepTheSaleUntilF7ClosesIt) {
  apagaVendasDoDia();
  // The printer refuses the end of the first complete closing and the first
  // summarised closing, once each.
  escreveArquivo(pastaImpressora() + "/falhas.txt",
                 "retorno TerminaFechamentoCupom 0\nretorno FechaCupomResumido 0\n");
  const QString t = corre("fechamento-recusas.txt");
  QFile::remove(pastaImpressora() + "/falhas.txt");

  QStringList mensagens;
  for (const QString &l : linhasQueComecam(t, "message ")) mensagens << l.section(" -> ", 0, 0);
  const QStringList esperadas = {
      QStringLiteral("message [critical] \"PDV-VELT\" \"DESEJA PROGRAMAR AS FORMAS DE PAGAMENTOS ?\""),
      QStringLiteral("message [critical] \"PDV-VELT\" \"O Total de Vendas é ZERO! Cancela o Cupom ?\""),
      QStringLiteral("message [critical] \"PDV-VELT\" \"O Total de Vendas é ZERO! Cancela o Cupom ?\""),
      "message [exclamation] \"PDV-VELT\" \"Total das formas diferente do total das vendas !\"",
      "message [exclamation] \"PDV-VELT\" \"Valor Pago menor que o valor em dinheiro !\"",
      "message [exclamation] \"PDV-VELT\" \"Valor Pago menor que o valor em dinheiro !\"",
      "message [exclamation] \"PDV-VELT\" \"Desistencia de Fechamento !\"",
      QStringLiteral("message [exclamation] \"PDV-VELT\" \"Erro de Comunicação: 0\""),
      "message [exclamation] \"PDV-VELT\" \"Valor Pago menor que a Venda !\"",
      "message [exclamation] \"PDV-VELT\" \"Valor Pago menor que a Venda !\"",
      "message [exclamation] \"PDV-VELT\" \"Desistencia de Fechamento !\"",
      QStringLiteral("message [critical] \"Emissão de Cupom Fiscal\" \"Erro de comunicação com a impressora.\""),
      QStringLiteral("message [exclamation] \"PDV-VELT\" \"Erro de Comunicação: 0\"")};
  EXPECT_EQ(mensagens, esperadas) << t.toStdString();

  // 1. The zero coupon: No changes nothing; Yes sells the placeholder of
  // 0,01 and cancels the coupon.
  const qsizetype marcador = t.indexOf("ecf EcfVendeItem(\"0\", \"Produto\", ");
  ASSERT_GE(marcador, 0) << t.toStdString();
  EXPECT_TRUE(t.mid(marcador, t.indexOf('\n', marcador) - marcador).contains("\"0,01\"")) << t.toStdString();
  EXPECT_GT(t.indexOf("ecf EcfCancelaCupom() = 1"), marcador);
  EXPECT_EQ(t.count("ecf EcfVendeItem(\"0\""), 1);

  // 2. Back to the payment screen when the forms fall short.
  EXPECT_TRUE(t.contains("\"Total das formas diferente do total das vendas !\" -> OK (default)\n"
                         "open CondPgto "))
      << t.toStdString();
  // Nothing reached the printer for the refusals or the Esc; after the
  // refused end the same closing goes on: each payment is sent once, the
  // coupon ends at the second F7 and no error is told for it.
  EXPECT_EQ(t.count("ecf EcfIniciaFechamentoCupom("), 1) << t.toStdString();
  EXPECT_EQ(t.count("ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Dinheiro\", \"10,00\""), 1) << t.toStdString();
  EXPECT_EQ(t.count("ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Cartao Debito\", \"19,90\""), 1) << t.toStdString();
  EXPECT_EQ(t.count("ecf EcfTerminaFechamentoCupom("), 2) << t.toStdString();
  // The sale stays on the screen after the Esc and after the failure; Esc
  // leaves no cash on the screen.
  const QStringList depoisDoEsc = t.split("\"Desistencia de Fechamento !\" -> OK (default)\ndump PForm ");
  ASSERT_EQ(depoisDoEsc.size(), 3) << t.toStdString();
  for (const QString &d : depoisDoEsc.mid(1)) {
    const QString tela = d.left(d.indexOf("\n  = totais"));
    EXPECT_TRUE(tela.contains("  Dinheiro \"0,00\"")) << tela.toStdString();
    EXPECT_TRUE(tela.contains("    row 1: +001 |")) << tela.toStdString();
  }
  const QStringList depoisDaFalha = t.split(QStringLiteral("\"Erro de Comunicação: 0\" -> OK (default)\ndump PForm "));
  ASSERT_EQ(depoisDaFalha.size(), 3) << t.toStdString();
  EXPECT_TRUE(depoisDaFalha[1].contains("  TxtTotVen \"29,90\"") && depoisDaFalha[1].contains("    row 2: +002 | 8 |"))
      << depoisDaFalha[1].toStdString();
  EXPECT_TRUE(depoisDaFalha[2].contains("  TxtTotVen \"4,89\"")) << depoisDaFalha[2].toStdString();
  // The tape of coupon 3: each form once, no change.
  const QString fita = leArquivo(pastaImpressora() + "/bobina.txt");
  const qsizetype c3 = fita.indexOf("COO:000003"), c4 = fita.indexOf("COO:000004");
  ASSERT_TRUE(c3 >= 0 && c4 > c3) << fita.toStdString();
  const QString cupom3 = fita.mid(c3, c4 - c3);
  EXPECT_EQ(cupom3.count(QRegularExpression("\nDinheiro +10,00\n")), 1) << cupom3.toStdString();
  EXPECT_EQ(cupom3.count(QRegularExpression("\nCartao Debito +19,90\n")), 1) << cupom3.toStdString();
  EXPECT_FALSE(cupom3.contains("TROCO R$")) << cupom3.toStdString();

  // 3. The summarised closing: sent twice, the refused one and the one that
  // closed.
  EXPECT_EQ(t.count("ecf EcfFechaCupomResumido("), 2) << t.toStdString();

  // Recorded: coupons 3 and 4, once each; the cancelled coupon 2 not at all.
  const QStringList codigos = codigosGravados(t);
  ASSERT_EQ(codigos.size(), 2) << t.toStdString();
  EXPECT_EQ(linhas("NfiEpn, TotEpn, NitEpn",
                   "FROM TB_VDA_CADEPN WHERE NfsEpn = '001' AND DtcEpn = '2026-12-07' AND CodEpn > 200 ORDER BY NfiEpn"),
            (QStringList{"3 | 29.90 | 2", "4 | 4.89 | 1"}));
  EXPECT_EQ(pagamentos(codigos[0]), (QStringList{codigos[0] + " | 1 | 0 | 10.00 |  |  |  | 1 | 2026-12-07",
                                                 codigos[0] + " | 2 | 0 | 19.90 |  |  |  | 1 | 2026-12-07"}));
  EXPECT_TRUE(pagamentos(codigos[1]).isEmpty());
  EXPECT_EQ(t.count("run \"c:\\\\kw-velt\\\\LiberaPreVenda.exe "), 2) << t.toStdString();
}

// A term list typed over the condition's own on a credit row is lost when
// the row is written: the payment screen validates the code again and puts
// the condition's terms back. Enable once the payment screen keeps it.
TEST(Fechamento, TermsTypedOnACreditRowAreTheOnesRecorded) {
  QTemporaryDir dir;
  QString t;
  const QString roteiro = "clock 2026-12-07T10:00:00\n" + Login +
                          "key F5\ntype MERCEARIA\nkey Enter\nkey Enter\nkey F2\ntype 1.\nkey Enter\n"
                          "key F4\nkey Enter\ntype 7\nkey Enter\nkey Enter\ntype 10/12/15\nkey Enter\nkey Enter\n"
                          "key Enter\ndump\n";
  ASSERT_EQ(replay(scriptFile(dir, roteiro), t), 0) << t.toStdString();
  EXPECT_TRUE(t.contains(QStringLiteral("    row 1: 7 | CREDIÁRIO 30/60/90 | 26,78 |  |  |  | 10/12/15 |"))) << t.toStdString();
}

// A credit row left without a due date is due by its terms: the coupon
// prints no due date for it and the sale records none (not the day of the
// sale). Terms refused by F8 are no terms: F6 asks for them instead of
// copying the cheque into cheques of 0,00.
TEST(Fechamento, ACreditRowWithoutDueDateAndRefusedTermsLeaveNothingMadeUp) {
  apagaVendasDoDia();
  const QString t = corre("fechamento-prazos.txt");
  QStringList mensagens;
  for (const QString &l : linhasQueComecam(t, "message [exclamation]")) mensagens << l.section(" -> ", 0, 0);
  EXPECT_EQ(mensagens, (QStringList{"message [exclamation] \"PDV-VELT\" \"Parcelamento Invalido !\"",
                                    "message [exclamation] \"PDV-VELT\" \"Digite <F8> para inserir Prazo !\""}))
      << t.toStdString();
  const QStringList formas = linhasQueComecam(t, "ecf EcfEfetuaFormaPagamentoDescricaoForma");
  EXPECT_EQ(formas,
            (QStringList{"ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Crediario\", \"8,78\", \"\") = 1",
                         "ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Cheque\", \"10,00\", \"Vencimento em 06/01/2027\") = 1",
                         "ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Dinheiro\", \"10,00\", \"Vencimento em 07/12/2026\") = 1"}))
      << t.toStdString();
  const QStringList codigos = codigosGravados(t);
  ASSERT_EQ(codigos.size(), 1) << t.toStdString();
  const QString cod = codigos[0];
  EXPECT_EQ(pagamentos(cod),
            (QStringList{cod + " | 7 | 0 | 8.78 |  |  |  | 30/60/90 | <null>",
                         cod + QStringLiteral(" | 5 | 0 | 10.00 | 1000 | 001 | 1234 | MERCEARIA BOA ESPERANÇA LTDA | 2027-01-06"),
                         cod + " | 1 | 0 | 10.00 |  |  |  | 1 | 2026-12-07"}));
}
