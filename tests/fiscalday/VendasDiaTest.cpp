// The cash position of the day (menu 2-6) and the salesperson screen (menu
// 2-7), by replay on the demo drive: the printer's payment forms, totalisers
// and balance, the printed report line by line, the database's sales beside
// the printer's forms, and the salesperson handed to the sale.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "lookup/DriveProprio.h"
#include "replay/Roteiro.h"
#include "support/TestSupport.h"

namespace {

// Runs a script on a drive (the demo drive unless told), with faults of the
// simulated printer when given; a new printer unless told otherwise.
struct Execucao {
  Impressora impressora = Impressora::Nova;
  QString falhas;
  QString drive;
};
QString corre(const QString &linhas, const Execucao &como = {}) {
  const QString drive = como.drive.isEmpty() ? testsupport::demoDrive() : como.drive;
  if (como.impressora == Impressora::Nova && como.drive.isEmpty()) testsupport::reiniciaImpressoraDoDemo();
  QTemporaryDir dir;
  QString t;
  const int status = testsupport::runBuilt("pdv", {"--replay", scriptFile(dir, linhas)}, &t,
                                           {"PDV_DRIVE=" + drive, "QT_QPA_PLATFORM=offscreen",
                                            "PDV_ECF_SIM_FALHAS=" + como.falhas});
  EXPECT_EQ(status, 0) << t.toStdString();
  return t;
}

bool tem(const QString &t, const QString &texto) { return t.contains(texto); }

// The rows of the cash position's grid in a dump, from row 1 on.
QStringList linhasDaGrade(const QStringList &dump) {
  QStringList linhas;
  for (const QString &l : dump)
    if (l.startsWith("    row ") && !l.startsWith("    row 0:")) linhas << l.mid(4);
  return linhas;
}

QString controle(const QStringList &dump, const QString &nome) {
  for (const QString &l : dump)
    if (l.startsWith("  " + nome + " ")) return l.mid(3 + nome.size());
  return {};
}

QString nome40(const QString &nome) { return nome.leftJustified(40); }

const QString Aviso = QStringLiteral("message [exclamation] \"PDV-VELT\" ");
const QString Vermelho =
    QStringLiteral("  colours 0:FFFFFF/0000C0 1:FFFFFF/0000C0 2:FFFFFF/0000C0 3:FFFFFF/0000C0 4:FFFFFF/0000C0");

// Login on a printer without movement, the day opened with 500,00.
const QString Login500 =
    "clock 2026-11-21T08:00:00\ntype 1\nkey Enter\nanswer No\ntype 1234\nkey Enter\ntype 500,00\nkey Enter\nkey Enter\n";

// The printer's payment forms and their day amounts (in cents), written into
// the simulated printer's memory as its own coupons would have left them.
void formasNaImpressora(const QList<std::pair<QString, qint64>> &formas) {
  QFile f(testsupport::demoDrive() + "/kw-velt/ecf-sim/memoria.json");
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QJsonObject memoria = QJsonDocument::fromJson(f.readAll()).object();
  f.close();
  QJsonArray lista;
  for (const auto &[nome, centavos] : formas)
    lista.append(QJsonObject{{"nome", nome}, {"tef", false}, {"acumulado", QString::number(centavos)},
                             {"ultimoCupom", "0"}});
  memoria["formas"] = lista;
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(QJsonDocument(memoria).toJson());
}

// Sales recorded the way the sale recorder writes them (header, summary,
// payment rows), removed again with the test's own forms and conditions.
struct VendasGravadas {
  VendasGravadas() {
    remove();
    testsupport::executaNoDemo("INSERT INTO TB_VDA_FORMPGT (CodFpg, NomFpg) VALUES (77, 'Vale Alimentacao')");
    testsupport::executaNoDemo(
        "INSERT INTO TB_VDA_CONDPGT (CodCpg, NomCpg, PrzCpg, FormCpg, DupCpg, FlgCpg, CvnCpg, EntSai) "
        "VALUES (77, 'VALE ALIMENTAÇÃO', '', 77, 0, '0', 0, 1)");
  }
  ~VendasGravadas() { remove(); }
  static void venda(int codigo, const char *caixa, const char *dia, int status, const char *total,
                    const QList<std::pair<int, const char *>> &pagamentos = {}) {
    testsupport::executaNoDemo(
        QString("INSERT INTO TB_VDA_CADEPN (CodEpn, CliEpn, VenEpn, TpvEpn, TabEpn, DtcEpn, DtlEpn, StaEpn, NfsEpn, "
                "NfiEpn, NffEpn, TotEpn, UsuEpn) VALUES (%1, 0, 0, 1, 1, '%2', '%2', %3, '%4', %5, %5, %6, 1)")
            .arg(codigo)
            .arg(dia)
            .arg(status)
            .arg(caixa)
            .arg(codigo - 980000)
            .arg(total));
    testsupport::executaNoDemo(QString("INSERT INTO TB_VDA_CADNOT (NumNot, SerNot, EpnNot, DatNot, ValNot, StaNot, "
                                       "UsuNot) VALUES (%1, '%2', %3, '%4', %5, 1, 1)")
                                   .arg(codigo - 980000)
                                   .arg(caixa)
                                   .arg(codigo)
                                   .arg(QString(dia).left(10))
                                   .arg(total));
    for (const auto &[condicao, valor] : pagamentos)
      testsupport::executaNoDemo(QString("INSERT INTO TB_VDA_EPNPAG (EPNPAG, CPGPAG, CVNPAG, VALPAG, DTVPAG) "
                                         "VALUES (%1, %2, 0, %3, '%4')")
                                     .arg(codigo)
                                     .arg(condicao)
                                     .arg(valor)
                                     .arg(dia));
  }
  static void remove() {
    testsupport::executaNoDemo("DELETE FROM TB_VDA_EPNPAG WHERE EPNPAG BETWEEN 990000 AND 990999");
    testsupport::executaNoDemo("DELETE FROM TB_VDA_CADNOT WHERE EpnNot BETWEEN 990000 AND 990999");
    testsupport::executaNoDemo("DELETE FROM TB_VDA_CADEPN WHERE CodEpn BETWEEN 990000 AND 990999");
    testsupport::executaNoDemo("DELETE FROM TB_VDA_CONDPGT WHERE CodCpg = 77");
    testsupport::executaNoDemo("DELETE FROM TB_VDA_FORMPGT WHERE CodFpg = 77");
  }
};

}  // namespace

// A day on desk 001: the printer holds cash, cheque, credit card and a form
// named with all of its 15 characters; the day opens with 500,00, then a
// supply, a withdrawal and an account receipt. The database holds the same
// sales (one closed wholly in cash, without payment rows) and some that must
// not count: cancelled, another desk's, yesterday's.
TEST(VendasDia, TheDaysReportIsThePrintersAndTheDatabaseAgreesThenDiffers) {
  VendasGravadas gravadas;
  const char *dia = "11/20/2026";
  VendasGravadas::venda(990001, "001", dia, 1, "30.00");
  // Still held by the terminal that recorded it (negative status): it counts.
  VendasGravadas::venda(990002, "001", dia, -1235, "203.45", {{4, "123.45"}, {3, "80.00"}});
  VendasGravadas::venda(990003, "001", dia, 4, "99.00", {{1, "99.00"}});
  VendasGravadas::venda(990004, "002", dia, 1, "77.00");
  VendasGravadas::venda(990005, "001", "11/19/2026", 1, "55.00", {{4, "55.00"}});
  VendasGravadas::venda(990006, "001", dia, 1, "50.00", {{77, "50.00"}});

  testsupport::reiniciaImpressoraDoDemo();
  formasNaImpressora({{"Dinheiro", 3000}, {"Cheque", 12345}, {"Cartao Credito", 8000}, {"Cartao Debito", 0},
                      {"VALE ALIMENTACA", 5000}});
  QString t;
  ASSERT_EQ(replay(testsupport::sourceDir() + "/tests/replay/vendasdia.txt", t, Impressora::ComoEstava), 0)
      << t.toStdString();
  const QList<QStringList> telas = dumps(t, "VendasDia");
  ASSERT_EQ(telas.size(), 1) << t.toStdString();
  const QStringList &tela = telas[0];
  // Cash is the 30,00 of sales plus the opening 500,00, the supply 200,00 and
  // the receipt 45,90; the forms without an amount are left out.
  EXPECT_EQ(linhasDaGrade(tela),
            (QStringList{"row 1: 1 | " + nome40("Dinheiro") + " | 775,90 | 30,00 | confere",
                         "row 2: 2 | " + nome40("Cheque") + " | 123,45 | 123,45 | confere",
                         "row 3: 3 | " + nome40("Cartao Credito") + " | 80,00 | 80,00 | confere",
                         "row 4: 5 | VALE ALIMENTACA" + QString(25, ' ') + " | 50,00 | 50,00 | confere",
                         "row 5: 999 | TOTAL DAS FORMAS | 1.029,35 | 283,45 | confere"}))
      << tela.join('\n').toStdString();
  EXPECT_EQ(controle(tela, "LabData"), "\"EM 20/11/2026\"");
  // The totalisers: opening and supply, the withdrawal, the receipt; the
  // balance is cash less the withdrawal.
  EXPECT_EQ(controle(tela, "Msupr"), "\"700,00\"");
  EXPECT_EQ(controle(tela, "Msang"), "\"150,00\"");
  EXPECT_EQ(controle(tela, "MReceb"), "\"45,90\"");
  EXPECT_EQ(controle(tela, "MSaldo"), "\"625,90\"");
  EXPECT_EQ(controle(tela, "LabConfere"), "\"Impressora e banco de dados conferem.\"");

  // F5 prints the report as laid out, every line ending in CR LF, and closes it.
  const QStringList impresso{"FECHAMENTO DO CAIXA EM 20/11/2026",
                             "",
                             "  1 - Dinheiro            :      775,90",
                             "  2 - Cheque              :      123,45",
                             "  3 - Cartao Credito      :       80,00",
                             "  5 - VALE ALIMENTACA     :       50,00",
                             "999 - TOTAL DAS FORMAS    :    1.029,35",
                             "",
                             "Suprimentos:      700,00",
                             "Sangrias   :      150,00",
                             "Total      :      625,90",
                             ""};
  const QString chamada = "ecf EcfRelatorioGerencial(\"" + impresso.join("\\r\\n") + "\") = 1\n" +
                          "ecf EcfFechaRelatorioGerencial() = 1\nhide VendasDia\nclose VendasDia\n";
  EXPECT_TRUE(tem(t, chamada)) << t.toStdString();
  // The sale window's message line says it was printed.
  EXPECT_TRUE(tem(t, QStringLiteral("  TxtMens \"Relatório das formas de pagamento impresso (saldo 625,90).\"")))
      << t.toStdString();
  // Nothing went wrong, so nothing was told; the printer is free afterwards.
  EXPECT_FALSE(tem(t, "message [exclamation]")) << t.toStdString();
  EXPECT_TRUE(tem(t, "ecf EcfAbreCupom(")) << t.toStdString();

  // A payment row changed behind the terminal's back, a sale in a form the
  // printer never counted and a payment whose condition is unknown.
  testsupport::executaNoDemo("UPDATE TB_VDA_EPNPAG SET VALPAG = 113.45 WHERE EPNPAG = 990002 AND CPGPAG = 4");
  VendasGravadas::venda(990007, "001", dia, 1, "20.00", {{2, "20.00"}});
  VendasGravadas::venda(990008, "001", dia, 1, "5.00", {{9999, "5.00"}});
  t = corre("clock 2026-11-20T12:00:00\ntype 1\nkey Enter\ntype 1234\nkey Enter\n"
            "click P0206\ndump\nkey Esc\n",
            {.impressora = Impressora::ComoEstava, .falhas = {}, .drive = {}});
  const QList<QStringList> depois = dumps(t, "VendasDia");
  ASSERT_EQ(depois.size(), 1) << t.toStdString();
  EXPECT_EQ(linhasDaGrade(depois[0]),
            (QStringList{"row 1: 1 | " + nome40("Dinheiro") + " | 775,90 | 30,00 | confere",
                         "row 2: 2 | " + nome40("Cheque") + " | 123,45 | 113,45 | 10,00" + Vermelho,
                         "row 3: 3 | " + nome40("Cartao Credito") + " | 80,00 | 80,00 | confere",
                         "row 4: 5 | VALE ALIMENTACA" + QString(25, ' ') + " | 50,00 | 50,00 | confere",
                         "row 5:  | " + nome40("Cartao Debito") + " | 0,00 | 20,00 | -20,00" + Vermelho,
                         "row 6:  | " + nome40(QStringLiteral("(forma não cadastrada)")) + " | 0,00 | 5,00 | -5,00" +
                             Vermelho,
                         "row 7: 999 | TOTAL DAS FORMAS | 1.029,35 | 298,45 | -15,00" + Vermelho}))
      << depois[0].join('\n').toStdString();
  EXPECT_EQ(controle(depois[0], "LabConfere"), QStringLiteral("\"DIFERENÇA ENTRE A IMPRESSORA E O BANCO EM 3 FORMA(S) !\""));
}

TEST(VendasDia, AnEmptyDayHasOnlyTheTotalRowAndABusyPrinterIsNotRead) {
  // Only form 1, nothing in it: the total row alone, at zero.
  QString t = corre("clock 2026-11-21T08:00:00\n" + Login + "click P0206\ndump\nkey Esc\n");
  QList<QStringList> telas = dumps(t, "VendasDia");
  ASSERT_EQ(telas.size(), 1) << t.toStdString();
  EXPECT_EQ(linhasDaGrade(telas[0]), QStringList{"row 1: 999 | TOTAL DAS FORMAS | 0,00 | 0,00 | confere"});
  EXPECT_EQ(controle(telas[0], "MSaldo"), "\"0,00\"");

  // The screen left open while a coupon is opened: brought to the front, it
  // does not ask the busy printer and goes away.
  t = corre(Login500 + "click P0206\nfront PForm\nkey F2\nfront VendasDia\n");
  const int ocupada = t.indexOf(Aviso + QStringLiteral("\"Aguarde Impressora Ocupada !\""));
  ASSERT_GT(ocupada, t.indexOf("ecf EcfAbreCupom(")) << t.toStdString();
  EXPECT_TRUE(t.mid(ocupada).contains("close VendasDia")) << t.toStdString();
  EXPECT_EQ(t.count("ecf EcfVerificaTotalizadoresParciais("), 1) << t.toStdString();
}

TEST(VendasDia, PrinterFailuresAreToldAndFreeThePrinter) {
  // The totalisers refused: told, the four boxes stay at zero, the forms shown.
  QString t = corre(Login500 + "click P0206\ndump\n",
                    {.impressora = Impressora::Nova, .falhas = "retorno VerificaTotalizadoresParciais -1", .drive = {}});
  EXPECT_TRUE(tem(t, Aviso + "\"Erro Totais Parciais\"")) << t.toStdString();
  QList<QStringList> telas = dumps(t, "VendasDia");
  ASSERT_EQ(telas.size(), 1) << t.toStdString();
  for (const char *caixa : {"Msupr", "Msang", "MSaldo", "MReceb"}) EXPECT_EQ(controle(telas[0], caixa), "\"0,00\"") << caixa;
  EXPECT_EQ(linhasDaGrade(telas[0]).value(0), "row 1: 1 | " + nome40("Dinheiro") + " | 500,00 | 0,00 | sem totais" + Vermelho);

  // No table from the printer: nothing shown as if the day were empty, and a
  // coupon can be opened afterwards.
  t = corre(Login500 + "click P0206\nkey F2\n",
            {.impressora = Impressora::Nova, .falhas = "retorno VerificaFormasPagamento 0", .drive = {}});
  EXPECT_TRUE(tem(t, Aviso + QStringLiteral("\"Erro de Comunicação: 0\""))) << t.toStdString();
  EXPECT_TRUE(tem(t, "close VendasDia")) << t.toStdString();
  EXPECT_TRUE(dumps(t, "VendasDia").isEmpty());
  EXPECT_TRUE(tem(t, "ecf EcfAbreCupom(")) << t.toStdString();

  // A report the printer refused is told; it is closed all the same.
  t = corre(Login500 + "click P0206\nkey F5\nkey Esc\nkey F2\n",
            {.impressora = Impressora::Nova, .falhas = "retorno RelatorioGerencial -2", .drive = {}});
  EXPECT_TRUE(tem(t, "ecf EcfRelatorioGerencial(\"FECHAMENTO DO CAIXA EM 21/11/2026")) << t.toStdString();
  EXPECT_TRUE(tem(t, "ecf EcfFechaRelatorioGerencial()")) << t.toStdString();
  EXPECT_TRUE(tem(t, Aviso + QStringLiteral("\"Erro de Comunicação: -2\""))) << t.toStdString();
  EXPECT_TRUE(tem(t, "ecf EcfAbreCupom(")) << t.toStdString();
}

// The sales tables cannot be read: the printer's figures are shown all the
// same and the database column says it is unavailable.
TEST(VendasDia, WithoutTheDatabasesSalesThePrinterFiguresStay) {
  testsupport::DriveProprio drive;
  for (const char *sql : {"DROP VIEW FORMAPGTO", "DROP VIEW FORMAPGTO1", "DROP VIEW EPNCPG", "DROP TABLE TB_VDA_EPNPAG"})
    drive.executa(sql);
  const QString t = corre(Login500 + "click P0206\ndump\nkey Esc\n",
                          {.impressora = Impressora::Nova, .falhas = {}, .drive = drive.raiz()});
  const QList<QStringList> telas = dumps(t, "VendasDia");
  ASSERT_EQ(telas.size(), 1) << t.toStdString();
  EXPECT_EQ(linhasDaGrade(telas[0]), (QStringList{"row 1: 1 | " + nome40("Dinheiro") + " | 500,00 |  | ",
                                                  "row 2: 999 | TOTAL DAS FORMAS | 500,00 |  | "}));
  EXPECT_TRUE(controle(telas[0], "LabBanco").startsWith(QStringLiteral("\"Coluna Banco indisponível")))
      << telas[0].join('\n').toStdString();
  EXPECT_EQ(controle(telas[0], "MSaldo"), "\"500,00\"");
  EXPECT_FALSE(tem(t, "message [exclamation]")) << t.toStdString();
}

// Refusals keep the focus in the code; the search hands its code back; OK
// sets the sale's salesperson, shown beside "Vendedor:"; Esc changes nothing.
TEST(Vendedor, OnlyAKnownCodeReachesTheSale) {
  QString t;
  ASSERT_EQ(replay(testsupport::sourceDir() + "/tests/replay/vendedor.txt", t), 0) << t.toStdString();
  const QList<QStringList> telas = dumps(t, "Vendedor");
  ASSERT_EQ(telas.size(), 3) << t.toStdString();
  // The empty field was left silently: the first message is the first bad code's.
  EXPECT_EQ(t.count(Aviso + QStringLiteral("\"Digite um código válido ou 'F2' para pesquisa !\"")), 4)
      << t.toStdString();
  EXPECT_EQ(t.count("message [exclamation]"), 4) << t.toStdString();
  // "1 or 1=1", "'", "abc" and the unknown 99: the focus never left the code.
  EXPECT_TRUE(telas[1][0].endsWith("focus=CodVen")) << telas[1].join('\n').toStdString();
  EXPECT_EQ(controle(telas[1], "CodVen"), "\"99\"");
  EXPECT_EQ(controle(telas[2], "CodVen"), "\"2\"");

  const QList<QStringList> venda = dumps(t, "PForm");
  ASSERT_EQ(venda.size(), 2) << t.toStdString();
  for (const QStringList &d : venda) {
    EXPECT_EQ(controle(d, "VenEpn"), "\"2\" hidden");
    EXPECT_EQ(controle(d, "LabVend"), "\"Vendedor: 2 - FERNANDA ALVES COSTA\"");
  }
  // The search was opened for salespeople.
  EXPECT_TRUE(tem(t, "open FormPesq \"PESQUISA VENDEDORES\" modal")) << t.toStdString();
}

// A whole day through the menus and the sale keys (tests/replay/dia-completo.txt):
// two sales closed with F7 and recorded, the cash movements, the X reading,
// the cash position printed, the Z reduction. The recorded sales agree with
// the printer form by form: the first (no payment rows) in cash, the second
// split between cash and the debit card.
TEST(VendasDia, ADayOfTwoRecordedSalesAgreesWithThePrinter) {
  const QString doDia = "(SELECT CodEpn FROM TB_VDA_CADEPN WHERE NfsEpn = '001' AND DtcEpn = '11/23/2026')";
  for (const char *tabela : {"TB_VDA_EPNPAG WHERE EPNPAG", "TB_VDA_CADEPNIT WHERE CodEpnIt", "TB_VDA_CADNOT WHERE EpnNot",
                             "TB_VDA_CADEPN WHERE CodEpn"})
    testsupport::executaNoDemo(QStringLiteral("DELETE FROM ") + tabela + " IN " + doDia);
  QString t;
  ASSERT_EQ(replay(testsupport::sourceDir() + "/tests/replay/dia-completo.txt", t), 0) << t.toStdString();
  EXPECT_TRUE(tem(t, "ecf EcfFechaCupomResumido(\"Dinheiro\"")) << t.toStdString();
  EXPECT_TRUE(tem(t, "ecf EcfEfetuaFormaPagamentoDescricaoForma(\"Cartao Debito\", \"21,80\"")) << t.toStdString();
  EXPECT_EQ(testsupport::consultaNoDemo("SELECT COUNT(*) FROM TB_VDA_CADEPN WHERE CodEpn IN " + doDia).toInt(), 2);
  // The salesperson chosen went with the first sale only.
  EXPECT_EQ(testsupport::consultaNoDemo("SELECT LIST(VenEpn) FROM (SELECT VenEpn FROM TB_VDA_CADEPN WHERE CodEpn IN " +
                                        doDia + " ORDER BY CodEpn)")
                .toString(),
            "2,0");
  EXPECT_TRUE(tem(t, "open Leitura_X")) << t.toStdString();

  const QList<QStringList> telas = dumps(t, "VendasDia");
  ASSERT_EQ(telas.size(), 1) << t.toStdString();
  // Cash: 27,90 and 20,00 of sales, 300,00 opening, 50,00 supply, 12,34 receipt.
  EXPECT_EQ(linhasDaGrade(telas[0]),
            (QStringList{"row 1: 1 | " + nome40("Dinheiro") + " | 410,24 | 47,90 | confere",
                         "row 2: 4 | " + nome40("Cartao Debito") + " | 21,80 | 21,80 | confere",
                         "row 3: 999 | TOTAL DAS FORMAS | 432,04 | 69,70 | confere"}))
      << telas[0].join('\n').toStdString();
  EXPECT_EQ(controle(telas[0], "LabConfere"), "\"Impressora e banco de dados conferem.\"");
  EXPECT_EQ(controle(telas[0], "Msupr"), "\"350,00\"");
  EXPECT_EQ(controle(telas[0], "Msang"), "\"100,00\"");
  EXPECT_EQ(controle(telas[0], "MSaldo"), "\"310,24\"");
  EXPECT_EQ(controle(telas[0], "MReceb"), "\"12,34\"");
  const int relatorio = t.indexOf("ecf EcfRelatorioGerencial(\"FECHAMENTO DO CAIXA EM 23/11/2026\\r\\n\\r\\n"
                                  "  1 - Dinheiro            :      410,24\\r\\n");
  ASSERT_GE(relatorio, 0) << t.toStdString();
  EXPECT_GT(t.indexOf("ecf EcfReducaoZ(\"\", \"\") = 1"), relatorio) << t.toStdString();
  EXPECT_FALSE(tem(t, "message [exclamation]")) << t.toStdString();
}
