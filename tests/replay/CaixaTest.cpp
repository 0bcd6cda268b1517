// The cash desk's printer menu outside a sale: cash movements, the X reading
// shown on screen, the fiscal-memory readings; by replay on the demo drive.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

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

int linhaCom(const QString &t, const QString &texto, int depois = -1) {
  const QStringList l = t.split('\n');
  for (int i = depois + 1; i < l.size(); ++i)
    if (l[i].contains(texto)) return i;
  return -1;
}

// The first dump of a screen, its lines joined.
QString dump(const QString &t, const QString &tela) {
  const QStringList l = t.split('\n');
  QStringList saida;
  for (const QString &linha : l) {
    if (saida.isEmpty()) {
      if (linha.startsWith("dump " + tela + " ")) saida << linha;
    } else if (linha.startsWith("  ")) {
      saida << linha;
    } else {
      break;
    }
  }
  return saida.join('\n');
}

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
  // Nothing went wrong, so nothing was told.
  EXPECT_LT(linhaCom(t, "message [exclamation]"), 0) << t.toStdString();
}
