// Item entry on the demo drive, end to end: what reaches the printer (each
// item's aliquota, quantity and unit price after discounts or a released
// value), what the grid and the total show, what the printer's memory holds
// for the open coupon, and the pending-sale stock of every product touched.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>

#include "core/Moeda.h"
#include "core/Quantidade.h"
#include "core/Utilidades.h"
#include "replay/Roteiro.h"
#include "support/TestSupport.h"

namespace {

// The printer line of a sold item (two decimals for the unit price, no
// discount on the printer).
QString vendido(const QString &codigo, const QString &descricao, const QString &aliquota, const QString &tipo,
                const QString &quantidade, const QString &unitario) {
  return QStringLiteral("ecf EcfVendeItem(\"%1\", \"%2\", \"%3\", \"%4\", \"%5\", \"2\", \"%6\", \"%\", \"0000\") = 1")
      .arg(codigo, descricao, aliquota, tipo, quantidade, unitario);
}

QString aviso(const QString &texto) {
  return QStringLiteral("message [exclamation] \"PDV-VELT\" \"%1\" -> OK (default)").arg(texto);
}

// From the coupon's opening on: what the printer was sent and what the
// cashier was told, in order.
QStringList eventos(const QString &t) {
  QStringList r;
  bool aberto = false;
  for (const QString &l : t.split('\n')) {
    if (l.startsWith("ecf EcfAbreCupom(")) aberto = true;
    if (aberto && (l.startsWith("ecf EcfVendeItem(") || l.startsWith("ecf EcfCancelaItemGenerico(") ||
                   l.startsWith("message [")))
      r << l;
  }
  return r;
}

QMap<int, Quantidade> pendentes(const QList<int> &codigos) {
  QMap<int, Quantidade> r;
  for (int c : codigos)
    r[c] = ParaQuantidade(
        testsupport::consultaNoDemo("Select PenVEst From Tb_Est_CadPro Where CodPro=" + QString::number(c)));
  return r;
}

Quantidade q(const char *texto) { return *Quantidade::deTexto(QString::fromLatin1(texto)); }

// The coupon still open on the demo printer, as its memory holds it.
QJsonObject cupomNaImpressora() {
  QFile f(testsupport::demoDrive() + "/kw-velt/ecf-sim/memoria.json");
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QJsonDocument::fromJson(f.readAll()).object()["cupom"].toObject();
}

}  // namespace

// The acceptance record of item entry: one in-state coupon of the anonymous
// consumer with every refusal, both discounts, released values, a product of
// each tax group, weighed items whose values fall between cents, and a
// discounted item cancelled.
TEST(ItemVenda, AnInStateCouponWithRefusalsDiscountsReleasedValuesAndEveryTaxGroup) {
  const QList<int> produtos{1, 3, 5, 6, 9, 16, 20, 21, 22, 23, 24, 25, 26, 28, 30, 31, 32};
  const QMap<int, Quantidade> antes = pendentes(produtos);
  QString t;
  ASSERT_EQ(replay(testsupport::sourceDir() + "/tests/replay/itens.txt", t), 0) << t.toStdString();

  // Each refusal is told and sends nothing: the next printer line is the next
  // good item. The discounts: 21,90 less 4,5% and then 2% (20,49621), 18,90
  // less 5% (17,955); a released value of half the price (13,53 of 27,06) is
  // refused, a cent more is the price; a wrong password releases nothing.
  const QStringList esperados{
      vendido("16", QStringLiteral("PAPEL HIGIÊNICO FOLHA DUPLA 1"), "18,00", "I", "0001", "20,50"),
      aviso(QStringLiteral("Produto com preço ZERADO !")),
      aviso("Debito 512 esta ZERADO !"),
      aviso("Debito 612 esta ZERADO !"),
      aviso(QStringLiteral("Código de Tributação Invalido !")),
      aviso("QTDE INVALIDA. DIGITE VIRGULA PARA DECIMAL !"),
      vendido("5", QStringLiteral("CAFÉ TORRADO E MOÍDO 500G"), "18,00", "I", "0002", "17,96"),
      aviso("Senha Invalida !"),
      aviso(QStringLiteral("Venda abaixo do preço de custo !")),
      vendido("1", "ARROZ BRANCO TIPO 1 5KG", "18,00", "I", "0001", "13,54"),
      // Substitution, exempt, not taxed, deferred, reduced base (18% on 38,89%).
      vendido("6", "REFRIGERANTE COLA 2L", "FF", "I", "0001", "9,99"),
      vendido("9", "LEITE UHT INTEGRAL 1L", "II", "I", "0001", "4,89"),
      vendido("20", "FARINHA DE TRIGO ESPECIAL 1KG", "NN", "I", "0001", "5,49"),
      vendido("21", "FARINHA DE MANDIOCA TORRADA 1", "NN", "I", "0001", "6,90"),
      vendido("3", QStringLiteral("AÇÚCAR CRISTAL 5KG"), "7,00", "I", "0001", "22,90"),
      // Weighed: a released 9,99; group 1's 10% on 49,90; a third of the base
      // off 18%; a label of 123,45 at 39,90 (3,093 kg).
      vendido("24", "BANANA PRATA KG", "II", "F", "0001235", "9,99"),
      vendido("22", "QUEIJO MUSSARELA FATIADO KG", "18,00", "F", "0000777", "44,91"),
      vendido("25", "TOMATE ITALIANO KG", "II", "F", "0002333", "8,49"),
      vendido("26", QStringLiteral("CARNE MOÍDA PATINHO KG"), "12,00", "F", "0001111", "44,90"),
      vendido("23", "PRESUNTO COZIDO FATIADO KG", "18,00", "F", "0003093", "39,90"),
      "ecf EcfCancelaItemGenerico(\"001\") = 1",
  };
  const QStringList vistos = eventos(t);
  EXPECT_EQ(vistos, esperados) << vistos.join("\n").toStdString();

  // The grid: item numbers follow the items sold, not the attempts; each line
  // is quantity x unit price truncated to the cent.
  for (const QString &linha : {
           QStringLiteral("    row 1: +001 | 16 | PAPEL HIGIÊNICO FOLHA DUPLA 12 ROLOS | 1 | 20,50 | 20,50\n"),
           QStringLiteral("    row 2: +002 | 5 | CAFÉ TORRADO E MOÍDO 500G | 2 | 17,96 | 35,92\n"),
           QStringLiteral("    row 3: +003 | 1 | ARROZ BRANCO TIPO 1 5KG | 1 | 13,54 | 13,54\n"),
           QStringLiteral("    row 8: +008 | 3 | AÇÚCAR CRISTAL 5KG | 1 | 22,90 | 22,90\n"),
           QStringLiteral("    row 9: +009 | 24 | BANANA PRATA KG | 1,235 | 9,99 | 12,33\n"),
           QStringLiteral("    row 10: +010 | 22 | QUEIJO MUSSARELA FATIADO KG | 0,777 | 44,91 | 34,89\n"),
           QStringLiteral("    row 11: +011 | 25 | TOMATE ITALIANO KG | 2,333 | 8,49 | 19,80\n"),
           QStringLiteral("    row 12: +012 | 26 | CARNE MOÍDA PATINHO KG | 1,111 | 44,90 | 49,88\n"),
           QStringLiteral("    row 13: +013 | 23 | PRESUNTO COZIDO FATIADO KG | 3,093 | 39,90 | 123,41\n"),
           QStringLiteral("    row 1: -001 | 16 | PAPEL HIGIÊNICO FOLHA DUPLA 12 ROLOS | 1 | 20,50 | 20,50  colours"),
       })
    EXPECT_TRUE(t.contains(linha)) << linha.toStdString() << t.toStdString();
  EXPECT_FALSE(t.contains("    row 14:")) << t.toStdString();
  // The quantity typed with F10 is the next item's only: once sold, the help
  // line no longer shows it.
  EXPECT_EQ(t.count(QStringLiteral("  TxtMens \"Digitação de Itens.\"\n")), 2) << t.toStdString();
  // F6 takes exactly the discounted item's value off the total.
  const qsizetype cheio = t.indexOf("  TxtTotVen \"360,44\"\n");
  ASSERT_GE(cheio, 0) << t.toStdString();
  EXPECT_GT(t.indexOf("  TxtTotVen \"339,94\"\n"), cheio) << t.toStdString();
  // The seven coupon totals as the tax table gives them, before and after:
  // the cancelled item was taxed at 18% (20,50 and 3,69 of tax).
  EXPECT_TRUE(t.contains("  = totais BaseTributada=228,26 ValorIcms=41,09 BaseSubstituicao=9,99 ValorSubstituicao=0,00 "
                         "IsentoNaoTributado=42,51 BaseReduzida=72,78 Diferido=6,90\n"))
      << t.toStdString();
  EXPECT_TRUE(t.contains("  = totais BaseTributada=207,76 ValorIcms=37,40 BaseSubstituicao=9,99 ValorSubstituicao=0,00 "
                         "IsentoNaoTributado=42,51 BaseReduzida=72,78 Diferido=6,90\n"))
      << t.toStdString();

  // The printer's own charge of the open coupon: every line as the grid
  // shows it, the subtotal equal to the screen's total, and each tax
  // group in the printer total its aliquota names.
  const QJsonObject cupom = cupomNaImpressora();
  ASSERT_EQ(cupom["itens"].toArray().size(), 13) << QJsonDocument(cupom).toJson().toStdString();
  Moeda subtotal;
  QMap<QString, Moeda> porTotalizador;
  for (const QJsonValue &v : cupom["itens"].toArray()) {
    const QJsonObject item = v.toObject();
    if (item["cancelado"].toBool()) {
      EXPECT_EQ(item["codigo"].toString(), "16");
      continue;
    }
    const Moeda bruto = Moeda::deCentavos(item["bruto"].toString().toLongLong());
    subtotal += bruto;
    porTotalizador[item["totalizador"].toString()] += bruto;
  }
  EXPECT_EQ(subtotal.formatada(), "339,94");
  const QMap<QString, QString> grupos{{"T1800", "207,76"}, {"F", "9,99"},     {"I", "37,02"},
                                      {"N", "12,39"},      {"T0700", "22,90"}, {"T1200", "49,88"}};
  QMap<QString, QString> vistosPorTotalizador;
  for (auto i = porTotalizador.cbegin(); i != porTotalizador.cend(); ++i) vistosPorTotalizador[i.key()] = i->formatada();
  EXPECT_EQ(vistosPorTotalizador, grupos);

  // The stock: refused products untouched, the cancelled item given back,
  // fractional quantities to the thousandth.
  const QMap<int, Quantidade> depois = pendentes(produtos);
  const QMap<int, Quantidade> vendidos{{1, q("1")},     {3, q("1")},     {5, q("2")},     {6, q("1")},
                                       {9, q("1")},     {16, q("0")},    {20, q("1")},    {21, q("1")},
                                       {22, q("0,777")}, {23, q("3,093")}, {24, q("1,235")}, {25, q("2,333")},
                                       {26, q("1,111")}, {28, q("0")},    {30, q("0")},    {31, q("0")},
                                       {32, q("0")}};
  for (int c : produtos)
    EXPECT_EQ(depois[c] - antes[c], vendidos[c]) << "product " << c << ": " << depois[c].formatada().toStdString()
                                                 << " after " << antes[c].formatada().toStdString();
}

// The interstate customer (6102, group 2) and the out-of-state consumer
// (6108, group 1) chosen with F5 on an open coupon: the printer is sent the
// interstate rate, or the in-state one for 6108, with "FF" kept only in-state
// and for 6108. An item the printer refuses adds no row and no stock.
TEST(ItemVenda, InterstateAndOutOfStateConsumerSalesAndAnItemThePrinterRefuses) {
  const QList<int> produtos{1, 3, 6, 7, 9, 22, 26};
  const QMap<int, Quantidade> antes = pendentes(produtos);
  const QString escolhe = "key F5\ntype %1\nkey Enter\nkey Enter\n";
  const QString script = Login + "key F2\n" + escolhe.arg("RIO DAS PEDRAS") +
                         "key Tab\ntype 1\nkey Enter\n"
                         "type 1.\nkey Enter\nkey Backspace Backspace\n"
                         "type 1.\nkey Enter\ntype 7.\nkey Enter\ntype 6.\nkey Enter\ntype 3.\nkey Enter\n"
                         "type 26.\nkey Enter\n"
                         // A quantity typed before F6 is dropped by it.
                         "input 3\nkey F10\ninput 1\ninput 1\nkey F6\ndump\ntype 9.\nkey Enter\n"
                         "answer Yes\nkey F8\n"
                         // The desk is the consumer's again, with his operation.
                         "key F2\ntype 1.\nkey Enter\nanswer Yes\nkey F8\n"
                         "key F2\n" + escolhe.arg("FAGUNDES") +
                         "type 1.\nkey Enter\ntype 6.\nkey Enter\ntype 3.\nkey Enter\ntype 26.\nkey Enter\n"
                         "type 22.\nkey Enter\ndump\n";
  QTemporaryDir dir;
  QString t;
  qputenv("PDV_ECF_SIM_FALHAS", "retorno VendeItem 0");
  const int saida = replay(scriptFile(dir, "clock 2026-12-07T09:30:00\n" + script), t);
  qunsetenv("PDV_ECF_SIM_FALHAS");
  ASSERT_EQ(saida, 0) << t.toStdString();

  const QString arroz = "ARROZ BRANCO TIPO 1 5KG", cola = "REFRIGERANTE COLA 2L";
  const QString acucar = QStringLiteral("AÇÚCAR CRISTAL 5KG"), carne = QStringLiteral("CARNE MOÍDA PATINHO KG");
  QString recusado = vendido("1", arroz, "12,00", "I", "0001", "25,98");
  recusado.replace(") = 1", ") = 0");
  const QStringList esperados{
      // 6102 with condition 1 and group 2: 27,90 less 3% and then 4%.
      recusado,
      QStringLiteral("message [critical] \"Envia Item\" \"Erro de comunicação com a impressora.\" -> OK (default)"),
      vendido("1", arroz, "12,00", "I", "0001", "25,98"),
      vendido("7", "CERVEJA PILSEN LATA 350ML", "12,00", "I", "0001", "3,56"),
      vendido("6", cola, "12,00", "I", "0001", "9,99"),
      vendido("3", acucar, "4,67", "I", "0001", "22,90"),
      vendido("26", carne, "8,00", "F", "0001000", "44,90"),
      "ecf EcfCancelaItemGenerico(\"001\") = 1",
      vendido("9", "LEITE UHT INTEGRAL 1L", "II", "I", "0001", "4,89"),
      QStringLiteral("message [critical] \"PDV-VELT\" \"Confirma Cancelamento ?\" -> Yes"),
      vendido("1", arroz, "18,00", "I", "0001", "27,90"),
      QStringLiteral("message [critical] \"PDV-VELT\" \"Confirma Cancelamento ?\" -> Yes"),
      // 6108, no condition, group 1.
      vendido("1", arroz, "18,00", "I", "0001", "27,90"),
      vendido("6", cola, "FF", "I", "0001", "9,99"),
      vendido("3", acucar, "7,00", "I", "0001", "22,90"),
      vendido("26", carne, "12,00", "F", "0001000", "44,90"),
      vendido("22", "QUEIJO MUSSARELA FATIADO KG", "18,00", "F", "0001000", "44,91"),
  };
  const QStringList vistos = eventos(t);
  EXPECT_EQ(vistos, esperados) << vistos.join("\n").toStdString();
  // The refused attempt took no row: the first sold item is item 1.
  EXPECT_TRUE(t.contains("    row 1: -001 | 1 | ARROZ BRANCO TIPO 1 5KG | 1 | 25,98 | 25,98  colours")) << t.toStdString();
  EXPECT_TRUE(t.contains("  TxtTotVen \"81,35\"\n")) << t.toStdString();
  EXPECT_EQ(t.count(QStringLiteral("  TxtMens \"Digitação de Itens.\"\n")), 2) << t.toStdString();
  EXPECT_TRUE(t.contains("  FisEpn \"6108\" hidden\n"));
  EXPECT_TRUE(t.contains("  TxtTotVen \"150,60\"\n")) << t.toStdString();

  // A cancelled coupon gives back the pending stock of its items: only the
  // coupon still open keeps its own; the refused item raised none.
  const QMap<int, Quantidade> depois = pendentes(produtos);
  const QMap<int, Quantidade> vendidos{{1, q("1")}, {3, q("1")}, {6, q("1")}, {7, q("0")},
                                       {9, q("0")}, {22, q("1")}, {26, q("1")}};
  for (int c : produtos)
    EXPECT_EQ(depois[c] - antes[c], vendidos[c]) << "product " << c << ": " << depois[c].formatada().toStdString()
                                                 << " after " << antes[c].formatada().toStdString();
}

TEST(ItemVenda, AQuantityOfZeroOrPastThePrintersFieldIsRefused) {
  QTemporaryDir dir;
  QString t;
  ASSERT_EQ(replay(scriptFile(dir, "clock 2026-12-07T09:30:00\n" + Login +
                                       "key F2\ninput 0\nkey F10\ninput 10000\nkey F10\ninput 9999\nkey F10\n"
                                       "type 8.\nkey Enter\n"),
                   t),
            0)
      << t.toStdString();
  const QStringList mensagens = t.split('\n').filter("message [exclamation]");
  ASSERT_EQ(mensagens.size(), 2) << t.toStdString();
  EXPECT_TRUE(mensagens[0].contains("QTDE INVALIDA")) << mensagens[0].toStdString();
  EXPECT_TRUE(mensagens[1].contains(QStringLiteral("QTDE MAIOR QUE 9999 NÃO CABE NA IMPRESSORA !")))
      << mensagens[1].toStdString();
  // The largest that fits is sold as typed.
  EXPECT_EQ(t.count("ecf EcfVendeItem("), 1);
  EXPECT_TRUE(t.contains("\"I\", \"9999\", \"2\", \"2,00\"")) << t.toStdString();

  // A weighed label of 999,99 at 0,05 a kilo would weigh 19.999,8 kg.
  const QVariant preco = testsupport::consultaNoDemo("SELECT ValPre1 FROM TB_EST_CADPRO WHERE CodPro = 22");
  testsupport::executaNoDemo("UPDATE TB_EST_CADPRO SET ValPre1 = 0.05 WHERE CodPro = 22");
  QString etiqueta;
  const int saida = replay(scriptFile(dir, "clock 2026-12-07T09:30:00\n" + Login + "key F2\ntype 2000100999998\nkey Enter\n"),
                           etiqueta);
  testsupport::executaNoDemo("UPDATE TB_EST_CADPRO SET ValPre1 = " + ParaMoeda(preco).textoPonto() + " WHERE CodPro = 22");
  ASSERT_EQ(saida, 0) << etiqueta.toStdString();
  EXPECT_TRUE(etiqueta.contains(QStringLiteral("\"QTDE MAIOR QUE 9999 NÃO CABE NA IMPRESSORA !\""))) << etiqueta.toStdString();
  EXPECT_EQ(etiqueta.count("ecf EcfVendeItem("), 0);
}

// What a search hands back is taken only by the field that opened it: F2 in
// the product field brings the product chosen back there, ready for Enter;
// the menu's product search and the customer choice leave the product field
// alone. An unknown code, typed or scanned, is named on the message line
// without a message box. The summarised closing takes a new amount typed
// after refusing one below the sale.
TEST(ItemVenda, SearchesHandTheirCodeOnlyToTheFieldThatAskedAndUnknownCodesAreNamed) {
  Drive drive;
  QFile roteiro(testsupport::sourceDir() + "/tests/replay/pesquisa-venda.txt");
  ASSERT_TRUE(roteiro.open(QIODevice::ReadOnly));
  QString t;
  ASSERT_EQ(drive.roda(QString::fromUtf8(roteiro.readAll()), t), 0) << t.toStdString();
  const QList<QStringList> venda = dumps(t, "PForm");
  ASSERT_EQ(venda.size(), 8) << t.toStdString();
  auto campo = [](const QStringList &dump, const QString &nome) {
    for (const QString &l : dump)
      if (l.startsWith("  " + nome + " ")) return l.mid(nome.size() + 3);
    return QString();
  };

  // The menu's product search, before any coupon: the coupon opened next
  // starts with an empty product field.
  EXPECT_EQ(venda[0][0], "dump PForm \"PDV-VELT.EXE\" focus=Produto");
  EXPECT_EQ(campo(venda[0], "Produto"), "\"\"");
  // F5: the customer is set, the product field keeps nothing of it and the
  // Enter after it sells nothing.
  EXPECT_EQ(campo(venda[1], "Cliente"), QStringLiteral("\"3-MARIA DAS GRAÇAS OLIVEIRA|16899535009\""));
  EXPECT_EQ(campo(venda[1], "Produto"), "\"\"");
  // F2 in the product field: the product chosen comes back, Enter sells it.
  EXPECT_EQ(campo(venda[2], "Produto"), QStringLiteral("\"1»ARROZ BRANCO TIPO 1 5KG» $ 27,90\""));
  const QString arroz = vendido("1", "ARROZ BRANCO TIPO 1 5KG", "18,00", "I", "0001", "27,90");
  EXPECT_EQ(t.count(arroz), 2) << t.toStdString();
  EXPECT_GT(linhaCom(t, arroz), linhaCom(t, "  Produto \"1»ARROZ")) << t.toStdString();
  // Esc in the search brings nothing back.
  EXPECT_EQ(venda[3][0], "dump PForm \"PDV-VELT.EXE\" focus=Produto");
  EXPECT_EQ(campo(venda[3], "Produto"), "\"\"");
  EXPECT_EQ(campo(venda[3], "TxtTotVen"), "\"27,90\"");
  // Unknown codes: the field emptied and focused, the code on the message
  // line, no message box; the next item sold clears the line.
  EXPECT_EQ(venda[4][0], "dump PForm \"PDV-VELT.EXE\" focus=Produto");
  EXPECT_EQ(campo(venda[4], "TxtMens"), QStringLiteral("\"Produto não cadastrado: 99999.\""));
  EXPECT_EQ(campo(venda[4], "Produto"), "\"\"");
  EXPECT_EQ(venda[5][0], "dump PForm \"PDV-VELT.EXE\" focus=Produto");
  EXPECT_EQ(campo(venda[5], "TxtMens"), QStringLiteral("\"Produto não cadastrado: 7890000000000\""));
  EXPECT_EQ(campo(venda[5], "TxtTotVen"), "\"27,90\"");
  EXPECT_EQ(campo(venda[6], "TxtMens"), QStringLiteral("\"Digitação de Itens.\""));
  EXPECT_EQ(campo(venda[6], "TxtTotVen"), "\"55,80\"");
  // The only message boxes of the coupon: F2 in another field only waits,
  // and the closing refuses the amount below the sale.
  EXPECT_EQ(eventos(t).filter("message [").join('\n'),
            aviso("Aguarde Impresora Ocupada !") + "\n" + aviso("Valor Pago menor que a Venda !"));
  EXPECT_GT(linhaCom(t, "Aguarde Impresora Ocupada !"), linhaCom(t, "TxtTotVen \"27,90\""));

  // The amount typed after the refusal replaced the refused one.
  const QList<QStringList> fechamento = dumps(t, "Fecha_Cupom_Resumo");
  ASSERT_EQ(fechamento.size(), 2) << t.toStdString();
  EXPECT_EQ(fechamento[0][0], "dump Fecha_Cupom_Resumo \"Fechamento do Cupom\" focus=TxtValor");
  EXPECT_EQ(campo(fechamento[0], "TxtValor"), "\"100,00\"");
  EXPECT_EQ(campo(fechamento[1], "Troco"), "\"44,20\"");
  EXPECT_TRUE(t.contains("ecf EcfFechaCupomResumido(\"Dinheiro\", \"TROCO  : 44-20\\n")) << t.toStdString();
  EXPECT_EQ(campo(venda[7], "Pago"), "\"100,00\"");
}
