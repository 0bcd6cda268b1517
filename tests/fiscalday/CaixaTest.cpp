// The cash desk's printer menu outside a sale: cash movements, the X reading
// shown on screen, the fiscal-memory readings; by replay on the demo drive.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "fiscalday/Leitura_X.h"
#include "replay/Roteiro.h"
#include "support/TestSupport.h"

namespace {

QString corre(const QString &linhas, Impressora impressora = Impressora::Nova) {
  QTemporaryDir dir;
  QString t;
  EXPECT_EQ(replay(scriptFile(dir, linhas), t, impressora), 0) << t.toStdString();
  return t;
}

// Runs a script with faults of the simulated printer.
QString correComFalhas(const QByteArray &falhas, const QString &linhas) {
  qputenv("PDV_ECF_SIM_FALHAS", falhas);
  const QString t = corre(linhas);
  qunsetenv("PDV_ECF_SIM_FALHAS");
  return t;
}

// The first dump of a screen, its lines joined.
QString dump(const QString &t, const QString &tela) { return dumps(t, tela).value(0).join('\n'); }

const QString Aviso = QStringLiteral("message [exclamation] \"PDV-VELT\" ");

// The day opened at login with an empty drawer (see Roteiro.h).
const QString Dia = "clock 2026-12-07T10:00:00\n" + Login;

void escreveRetorno(const QByteArray &conteudo) {
  QFile f(testsupport::demoDrive() + "/retorno.txt");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(conteudo);
}

}  // namespace

TEST(Caixa, ADayOfWithdrawalSupplyReceiptAndXReadings) {
  QString t;
  ASSERT_EQ(replay(testsupport::sourceDir() + "/tests/replay/caixa.txt", t), 0) << t.toStdString();
  // Each movement reaches the printer in the form its call takes ("1.234,56"
  // is a thousand and more, never 1,23), and the drawer opens after it.
  int i = linhaCom(t, "ecf EcfAberturaDoDia(\"500,00\", \"Dinheiro\") = 1");
  ASSERT_GE(i, 0) << t.toStdString();
  for (const QString &chamada : {QStringLiteral("ecf EcfSangria(\"150,00\") = 1"),
                                 QStringLiteral("ecf EcfSuprimento(\"1.234,56\", \"Dinheiro\") = 1"),
                                 QStringLiteral("ecf EcfRecebimentoNaoFiscal(\"01\", \"45,90\", \"Dinheiro\") = 1")}) {
    SCOPED_TRACE(chamada.toStdString());
    i = linhaCom(t, chamada, i);
    ASSERT_GE(i, 0) << t.toStdString();
    i = linhaCom(t, "ecf EcfAcionaGaveta() = 1", i);
    ASSERT_GE(i, 0) << t.toStdString();
  }
  // The serial X reading, then the file it wrote shown line by line under
  // its title; then the printed one.
  const int serial = linhaCom(t, "ecf EcfLeituraXSerial() = 1", i);
  ASSERT_GE(serial, 0) << t.toStdString();
  EXPECT_GT(linhaCom(t, "open Leitura_X \"Leitura X pela Serial\"", serial), serial) << t.toStdString();
  const QString leitura = dump(t, "Leitura_X");
  EXPECT_TRUE(leitura.contains("items [\"LEITURA X\", \"PDV-VELT")) << leitura.toStdString();
  // The opening's 500,00 and the supply's 1.234,56 counted whole.
  EXPECT_TRUE(leitura.contains("\"Suprimentos                             1.734,56\"")) << leitura.toStdString();
  EXPECT_FALSE(leitura.contains("\\r")) << leitura.toStdString();
  EXPECT_GT(linhaCom(t, "ecf EcfLeituraX() = 1", serial), serial) << t.toStdString();
  // Each movement done is told on the message line with its amount, in order,
  // and so is the printed reading.
  int dita = -1;
  for (const char *linha : {"  TxtMens \"Sangria de 150,00 feita.\"", "  TxtMens \"Suprimento de 1.234,56 feito.\"",
                            "  TxtMens \"Recebimento de conta de 45,90 feito.\"", "  TxtMens \"Leitura X impressa.\""}) {
    const int agora = linhaCom(t, QString::fromUtf8(linha), dita);
    EXPECT_GT(agora, dita) << linha << "\n" << t.toStdString();
    dita = std::max(dita, agora);
  }
  // The reading scrolls with the keys: End to its last line, PageUp a page
  // back, Home to its first.
  const QStringList indices = [&t] {
    QStringList achados;
    for (const QString &l : t.split('\n'))
      if (l.startsWith("    items [\"LEITURA X\"")) achados << l.section("index=", 1);
    return achados;
  }();
  ASSERT_EQ(indices.size(), 4) << t.toStdString();
  const int ultima = indices[1].toInt();
  EXPECT_EQ(indices[0], "-1");
  EXPECT_GT(ultima, Leitura_X::LinhasPorPagina);
  EXPECT_EQ(indices[2].toInt(), ultima - Leitura_X::LinhasPorPagina);
  EXPECT_EQ(indices[3], "0");
  // F1 lists the reading's keys; Esc closes the list, the reading stays.
  const int ajuda = linhaCom(t, "open AjudaTeclas \"Teclas - Leitura X pela Serial\" modal");
  EXPECT_GE(ajuda, 0) << t.toStdString();
  EXPECT_GT(linhaCom(t, "\"PageUp / PageDown       Uma página\"", ajuda), ajuda) << t.toStdString();
  EXPECT_LT(linhaCom(t, "close AjudaTeclas", ajuda), linhaCom(t, "close Leitura_X", ajuda)) << t.toStdString();
  // Nothing went wrong, so nothing was told.
  EXPECT_LT(linhaCom(t, "message [exclamation]"), 0) << t.toStdString();
}

TEST(Caixa, TheXReadingFileIsShownLineByLineWhateverItsLineEnds) {
  // The printer's answer is forced, so the file below is what it "wrote".
  const QString naTela = Dia + "click P010201\ndump\nclick OK\n";
  const QString linhas = QStringLiteral("items [\"LEITURA X\", \"\", \"REDUÇÃO 0001\", \"TOTAL 1.234,56\"]");
  const struct {
    const char *caso;
    QByteArray conteudo;
  } casos[] = {
      {"CR LF", "LEITURA X\r\n\r\nREDU\xC7\xC3O 0001\r\nTOTAL 1.234,56\r\n"},
      {"LF only", "LEITURA X\n\nREDU\xC7\xC3O 0001\nTOTAL 1.234,56\n"},
      {"CR only", "LEITURA X\r\rREDU\xC7\xC3O 0001\rTOTAL 1.234,56"},
  };
  for (const auto &c : casos) {
    SCOPED_TRACE(c.caso);
    escreveRetorno(c.conteudo);
    const QString t = correComFalhas("retorno LeituraXSerial 1", naTela);
    EXPECT_TRUE(dump(t, "Leitura_X").contains(linhas)) << t.toStdString();
  }
  // One line with no line end at all.
  escreveRetorno("LEITURA X SEM MOVIMENTO");
  QString t = correComFalhas("retorno LeituraXSerial 1", naTela);
  EXPECT_TRUE(dump(t, "Leitura_X").contains("items [\"LEITURA X SEM MOVIMENTO\"]")) << t.toStdString();

  // No file: the cashier is told, and can still leave.
  QFile::remove(testsupport::demoDrive() + "/retorno.txt");
  t = correComFalhas("retorno LeituraXSerial 1", naTela);
  EXPECT_GE(linhaCom(t, Aviso + QStringLiteral("\"Não foi possível ler a Leitura X em C:\\\\Retorno.txt")), 0)
      << t.toStdString();
  EXPECT_GE(linhaCom(t, "close Leitura_X"), 0) << t.toStdString();

  // A reading the printer refused: the file left by an earlier one is not
  // shown as today's.
  escreveRetorno("LEITURA X DE ONTEM\r\n");
  t = correComFalhas("retorno LeituraXSerial -2", Dia + "click P010201\n");
  EXPECT_GE(linhaCom(t, Aviso + QStringLiteral("\"Erro de Comunicação: -2\"")), 0) << t.toStdString();
  EXPECT_LT(linhaCom(t, "open Leitura_X"), 0) << t.toStdString();
}

TEST(Caixa, AFiscalMemoryReadingRefusedKeepsItsScreenAndAcceptedClosesIt) {
  // A new printer has no reduction in its memory: the reading is refused,
  // told under its title, and the dates typed stay for another try.
  QString t = corre(Dia + "click P010501\ntype 01122026\nkey Enter\ntype 07122026\nclick cmdOK\ndump\nkey Esc\n");
  const int recusada = linhaCom(t, "ecf EcfLeituraMemoriaFiscalData(\"01/12/26\", \"07/12/26\") = -");
  ASSERT_GE(recusada, 0) << t.toStdString();
  EXPECT_GT(linhaCom(t, QStringLiteral("\"Leitura da Memória Fiscal por Data\""), recusada), recusada)
      << t.toStdString();
  const QString tela = dump(t, "MemoriaFiscData");
  EXPECT_TRUE(tela.contains("txtDataInicial \"01/12/2026\"") && tela.contains("TxtDataFinal \"07/12/2026\""))
      << tela.toStdString();

  // Yesterday's day reduced; today both readings find it and close.
  corre("clock 2026-12-06T18:00:00\n" + Login + "answer Yes\nclick P0103\n");
  t = corre("clock 2026-12-07T09:00:00\n" + Login +
                "click P010502\ntype 1\nkey Enter\ntype 1\nclick cmdOK\n"
                "click P010501\ntype 06122026\nkey Enter\ntype 06122026\nclick cmdOK\n",
            Impressora::ComoEstava);
  const int porReducao = linhaCom(t, "ecf EcfLeituraMemoriaFiscalReducao(\"1\", \"1\") = 1");
  ASSERT_GE(porReducao, 0) << t.toStdString();
  EXPECT_GT(linhaCom(t, "close MemoriaFiscReduc", porReducao), porReducao) << t.toStdString();
  const int porData = linhaCom(t, "ecf EcfLeituraMemoriaFiscalData(\"06/12/26\", \"06/12/26\") = 1");
  ASSERT_GE(porData, 0) << t.toStdString();
  EXPECT_GT(linhaCom(t, "close MemoriaFiscData", porData), porData) << t.toStdString();
  EXPECT_LT(linhaCom(t, "message [exclamation]"), 0) << t.toStdString();
}

TEST(Caixa, RefusedMovementsAreToldTheDrawerStillOpensAndEscSendsNothing) {
  const QString t = correComFalhas(
      "retorno Sangria -2;retorno Suprimento 0",
      Dia + "click P010601\ntype 10,00\nclick cmdOK\n"   // refused
            "click P010602\nkey Esc\n"                   // left: nothing sent, nothing told
            "click P010602\ntype 5,00\nclick cmdOK\n"    // the printer did not answer
            "click P010402\ntype 7,50\nclick cmdOK\n");  // a payment of an account
  // The withdrawal's refusal is told by its screen and again by the sale
  // window; the drawer is driven all the same.
  const int sangria = linhaCom(t, "ecf EcfSangria(\"10,00\") = -2");
  ASSERT_GE(sangria, 0) << t.toStdString();
  const int gaveta = linhaCom(t, "ecf EcfAcionaGaveta() = 1", sangria);
  EXPECT_GT(gaveta, sangria) << t.toStdString();
  const QString erro = Aviso + QStringLiteral("\"Erro de comunicação: -2\"");
  const int primeira = linhaCom(t, erro, gaveta);
  EXPECT_GT(primeira, gaveta) << t.toStdString();
  EXPECT_GT(linhaCom(t, erro, primeira), linhaCom(t, "close SangriaF")) << t.toStdString();
  EXPECT_EQ(t.count(erro), 2) << t.toStdString();
  // Esc: the earlier refusal is not told again as this supply's.
  EXPECT_EQ(t.count("ecf EcfSuprimento("), 1) << t.toStdString();
  // A printer that did not answer is a failure too, never a done supply.
  const int suprimento = linhaCom(t, "ecf EcfSuprimento(\"5,00\", \"Dinheiro\") = 0");
  ASSERT_GE(suprimento, 0) << t.toStdString();
  EXPECT_GT(linhaCom(t, Aviso + QStringLiteral("\"Erro de comunicação: 0\""), suprimento), suprimento)
      << t.toStdString();
  // The payment goes to totaliser 29 and opens the drawer.
  const int pagamento = linhaCom(t, "ecf EcfRecebimentoNaoFiscal(\"29\", \"7,50\", \"Dinheiro\") = 1");
  ASSERT_GE(pagamento, 0) << t.toStdString();
  EXPECT_GT(linhaCom(t, "ecf EcfAcionaGaveta() = 1", pagamento), pagamento) << t.toStdString();
  EXPECT_EQ(t.count("message [exclamation]"), 4) << t.toStdString();
}

TEST(Caixa, ThePrinterIsBusyWhileAMenuScreenIsOpenAndFreeAfterwards) {
  // F2 on the sale window while the screen is up only waits; after it the
  // coupon opens.
  const struct {
    const char *menu, *tela;
  } entradas[] = {{"P010201", "Leitura_X"},       {"P010401", "RecValores"},  {"P010501", "MemoriaFiscData"},
                  {"P010502", "MemoriaFiscReduc"}, {"P010601", "SangriaF"},   {"P010602", "SuprimentoF"}};
  for (const auto &e : entradas) {
    SCOPED_TRACE(e.menu);
    const QString tela = e.tela;
    const QString t =
        corre(Dia + "click " + e.menu + "\nfront PForm\nkey F2\nfront " + tela + "\nkey Esc\nkey F2\n");
    const int fechou = linhaCom(t, "close " + tela);
    const int ocupada = linhaCom(t, Aviso + QStringLiteral("\"Aguarde Impresora Ocupada !\""));
    ASSERT_GE(ocupada, 0) << t.toStdString();
    EXPECT_LT(ocupada, fechou) << t.toStdString();
    EXPECT_EQ(t.count("Aguarde Impresora Ocupada"), 1) << t.toStdString();
    EXPECT_GT(linhaCom(t, "ecf EcfAbreCupom(\"\") = 1"), fechou) << t.toStdString();
  }
}

TEST(Caixa, EscLeavesEveryAmountAndMemoryScreenWithoutCallingThePrinter) {
  const QString t = corre(Dia + "click P010401\ntype 1,00\nkey Esc\nclick P010402\ntype 1,00\nkey Esc\n"
                                "click P010501\nkey Esc\nclick P010502\nkey Esc\n"
                                "click P010601\ntype 1,00\nkey Esc\nclick P010602\ntype 1,00\nkey Esc\n");
  for (const char *tela :
       {"RecValores", "PgtValores", "MemoriaFiscData", "MemoriaFiscReduc", "SangriaF", "SuprimentoF"})
    EXPECT_GE(linhaCom(t, QStringLiteral("close ") + tela), 0) << tela << t.toStdString();
  // Nothing reached the printer once the sale window was up.
  const int venda = linhaCom(t, "open PForm");
  ASSERT_GE(venda, 0) << t.toStdString();
  EXPECT_LT(linhaCom(t, "ecf ", venda), 0) << t.toStdString();
  EXPECT_LT(linhaCom(t, "message [exclamation]"), 0) << t.toStdString();
}
