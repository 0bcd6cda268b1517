// Paying a sale on the payment grid, by replay on the demo drive.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "replay/Roteiro.h"
#include "support/TestSupport.h"

namespace {

QString corre(const QString &roteiro) {
  QString t;
  EXPECT_EQ(replay(testsupport::sourceDir() + "/tests/replay/" + roteiro, t), 0) << t.toStdString();
  return t;
}

// The lines of the n-th dump of a screen (1 = first).
QStringList dump(const QString &t, const QString &tela, int n) { return dumps(t, tela).value(n - 1); }

}  // namespace

TEST(Pagamento, CashAndThreePostDatedChequesPayTheSaleToTheCent) {
  const QString t = corre("pagamento.txt");
  const QStringList grade = dump(t, "CondPgto", 1);
  ASSERT_FALSE(grade.isEmpty()) << t.toStdString();
  const QString g = grade.join('\n');
  // 28,78 on the coupon: 20,00 in cash, 8,78 over three cheques, the odd
  // cents on the first; numbers and due dates follow the terms.
  EXPECT_TRUE(g.contains("    row 1: 1 | DINHEIRO | 20,00 |  |  |  | 1 | 07/12/2026 | 0 | 0 | Dinheiro")) << g.toStdString();
  EXPECT_TRUE(g.contains(QStringLiteral("    row 2: 5 | CHEQUE PRÉ-DATADO | 2,94 | 1000 | 001 | 1234 | MERCEARIA BOA "
                                        "ESPERANÇA LTDA | 06/01/2027 | 3 | 0 | Cheque")))
      << g.toStdString();
  EXPECT_TRUE(g.contains(QStringLiteral("    row 3: 5 | CHEQUE PRÉ-DATADO | 2,92 | 1001 |"))) << g.toStdString();
  EXPECT_TRUE(g.contains(QStringLiteral("| 05/02/2027 | 3 | 0 | \n"))) << g.toStdString();
  EXPECT_TRUE(g.contains(QStringLiteral("    row 4: 5 | CHEQUE PRÉ-DATADO | 2,92 | 1002 |"))) << g.toStdString();
  EXPECT_TRUE(g.contains("  TotVen \"28,78\"") && g.contains("  TotFor \"28,78\"") && g.contains("  TotDin \"20,00\"")) << g.toStdString();
  // Back on the sale: the cash shown, and no more items once paid.
  const QString venda = dump(t, "PForm", 1).join('\n');
  EXPECT_TRUE(venda.contains("  Dinheiro \"20,00\"")) << venda.toStdString();
  EXPECT_EQ(t.count(QStringLiteral("\"FORMAS DE PGTO JÁ FORAM ATRIBUIDAS. ALTERAÇÃO NEGADA !\"")), 4) << t.toStdString();
  EXPECT_EQ(t.count("input "), 1);  // only the terms were asked: F10 and F6 asked nothing
  EXPECT_EQ(t.count("open FormPesq"), 1);
  EXPECT_EQ(t.count("ecf EcfVendeItem("), 2);
}

TEST(Pagamento, RefusalsLeaveTheGridAndTheTotalsAsTheyWere) {
  const QString t = corre("pagamento-recusas.txt");
  // Every refusal of the script, in its order, and nothing else.
  QStringList mensagens = t.split('\n').filter("message [exclamation]");
  const QStringList esperadas = {QStringLiteral("Forma não pode ser maior que a venda !"),
                                 QStringLiteral("Forma de Pgto já cadastrada na linha 1"),
                                 QStringLiteral("Vencimento menor que Faturamento !"),
                                 QStringLiteral("Cheque Repetido !"), QStringLiteral("Total da venda CONCLUIDO !")};
  ASSERT_EQ(mensagens.size(), esperadas.size()) << mensagens.join('\n').toStdString();
  for (int i = 0; i < esperadas.size(); ++i)
    EXPECT_TRUE(mensagens[i].contains("\"" + esperadas[i] + "\"")) << mensagens[i].toStdString();
  // Paid in full: 10,00 cash, 5,00 and 12,90 in cheques (the same cheque
  // again was refused, the next number taken); the value equal to the open
  // amount and the due date on the working day accepted.
  const QString pago = dump(t, "CondPgto", 1).join('\n');
  EXPECT_TRUE(pago.contains("| 12,90 | 501 | 001 | 0001 | CONSUMIDOR | 07/12/2026 | 3 |")) << pago.toStdString();
  EXPECT_TRUE(pago.contains("  TotFor \"27,90\"") && pago.contains("  TotDin \"10,00\"")) << pago.toStdString();
  // Delete takes the last row off and its amount out of the totals.
  const QString apagada = dump(t, "CondPgto", 2).join('\n');
  EXPECT_FALSE(apagada.contains("    row 3:")) << apagada.toStdString();
  EXPECT_TRUE(apagada.contains("  TotFor \"15,00\"") && apagada.contains("  TotDin \"10,00\"")) << apagada.toStdString();
  EXPECT_TRUE(dump(t, "PForm", 1).join('\n').contains("  Dinheiro \"10,00\""));
  // The only row left is emptied, not removed, its kind, agreement and
  // form too; the totals go to zero.
  const QString vazia = dump(t, "CondPgto", 3).join('\n');
  EXPECT_TRUE(vazia.contains("    row 1:  |  |  |  |  |  |  |  |  |  | \n")) << vazia.toStdString();
  EXPECT_FALSE(vazia.contains("    row 2:")) << vazia.toStdString();
  EXPECT_TRUE(vazia.contains("  TotFor \"0,00\"") && vazia.contains("  TotDin \"0,00\"")) << vazia.toStdString();
}

TEST(Pagamento, TheCreditCheckAndTheGridsCodeRangeRefuseOnTheScreen) {
  // A condition numbered past what the grid keeps (its row table has 1000
  // entries), admitted by the customer.
  testsupport::executaNoDemo(
      "INSERT INTO TB_VDA_CONDPGT (CodCpg, NomCpg, PrzCpg, FormCpg, DupCpg, FlgCpg, CvnCpg, EntSai) "
      "VALUES (1000, 'DINHEIRO MIL', '', 1, 0, '0', 0, 1)");
  testsupport::executaNoDemo("UPDATE TB_REC_CADCLI SET CpgCli = CpgCli || '1000/' WHERE CodCli = 4");
  QTemporaryDir dir;
  QString t;
  const QString roteiro = Login + "key F5\ntype SABOR CAIPIRA\nkey Enter\nkey Enter\nkey F2\ntype 1.\nkey Enter\n"
                                  "key F4\nkey Enter\ntype 6\nkey Enter\ntype 1000\nkey Enter\nkey Esc\nkey Esc\ndump\n";
  const int saida = replay(scriptFile(dir, "clock 2026-12-07T10:00:00\n" + roteiro), t);
  testsupport::executaNoDemo("DELETE FROM TB_VDA_CONDPGT WHERE CodCpg = 1000");
  testsupport::executaNoDemo("UPDATE TB_REC_CADCLI SET CpgCli = REPLACE(CpgCli, '1000/', '') WHERE CodCli = 4");
  ASSERT_EQ(saida, 0) << t.toStdString();
  const QStringList mensagens = t.split('\n').filter("message [exclamation]");
  ASSERT_EQ(mensagens.size(), 2) << t.toStdString();
  // The blocked customer: credit on terms refused with the check's verdict.
  EXPECT_TRUE(mensagens[0].contains(QStringLiteral("Crédito Bloqueado !"))) << mensagens[0].toStdString();
  EXPECT_TRUE(mensagens[1].contains(QStringLiteral("Código de condição acima de 999"))) << mensagens[1].toStdString();
  // Nothing was written: the sale screen's cash is still zero.
  EXPECT_TRUE(t.contains("  Dinheiro \"0,00\"")) << t.toStdString();
  EXPECT_TRUE(t.contains("  TotFor \"0,00\"") || !t.contains("  TotFor ")) << t.toStdString();
}

TEST(Pagamento, ACodeFailingSeveralChecksShowsTheFirstInTheirOrder) {
  // Code 9 is a return condition the consumer does not admit either; code 5
  // is a sale condition he does not admit; with condition 1 fixed on the
  // sale, code 9 meets the fixed condition first.
  const QString entra = "key F2\ntype 1.\nkey Enter\nkey F4\nkey Enter\ntype 9\nkey Enter\ntype 5\nkey Enter\n";
  QTemporaryDir dir;
  QString livre, fixada;
  ASSERT_EQ(replay(scriptFile(dir, "clock 2026-12-07T10:00:00\n" + Login + entra), livre), 0) << livre.toStdString();
  ASSERT_EQ(replay(scriptFile(dir, "clock 2026-12-07T10:00:00\n" + Login + "type 1\nkey Enter\n" + entra), fixada), 0)
      << fixada.toStdString();
  const QStringList l = livre.split('\n').filter("message [exclamation]");
  ASSERT_EQ(l.size(), 2) << livre.toStdString();
  EXPECT_TRUE(l[0].contains("\"Forma de Pgto Invalida p/ Venda !\"")) << l[0].toStdString();
  EXPECT_TRUE(l[1].contains(QStringLiteral("\"O cliente não admite esta condição de pagamento !\"")))
      << l[1].toStdString();
  const QStringList f = fixada.split('\n').filter("message [exclamation]");
  ASSERT_EQ(f.size(), 2) << fixada.toStdString();
  for (const QString &m : f)
    EXPECT_TRUE(m.contains(QStringLiteral("Houve uma pré-determinaçao de Forma de Pgto"))) << m.toStdString();
}

TEST(Pagamento, EnterOnASavedRowIsRefusedAndTheKeyHelpNamesInsert) {
  QTemporaryDir dir;
  QString t;
  // 10,00 in cash saved on row 1 of a sale of 27,90; Enter again on that row.
  const QString roteiro = "clock 2026-12-07T10:00:00\n" + Login +
                          "key F2\ntype 1.\nkey Enter\nkey F4\nkey Enter\ntype 1\nkey Enter\ntype 10,00\n"
                          "key Enter\nkey Enter\nkey Enter\nkey Enter\ndump\n";
  ASSERT_EQ(replay(scriptFile(dir, roteiro), t), 0) << t.toStdString();
  EXPECT_GE(linhaCom(t, QStringLiteral("\"Esta Forma já esta Cadastrada !\"")), 0) << t.toStdString();
  const QString tela = dump(t, "CondPgto", 1).join('\n');
  EXPECT_TRUE(tela.contains(QStringLiteral("  Label4 \"Linha já gravada: <Insert> abre uma linha nova;")))
      << tela.toStdString();
}
