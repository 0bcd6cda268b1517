#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "closing/DiarioVendas.h"
#include "contingency/CopiaLocal.h"
#include "core/Database.h"
#include "core/TerminalState.h"
#include "core/Utilidades.h"
#include "replay/Roteiro.h"
#include "support/TestSupport.h"

TEST(Replay, LoginScriptOpensTheSaleWindow) {
  QString t;
  ASSERT_EQ(replay(testsupport::sourceDir() + "/tests/replay/login.txt", t), 0) << t.toStdString();
  const QStringList l = t.split('\n');
  auto index = [&](const QString &prefix, int from = 0) {
    for (int i = from; i < l.size(); ++i)
      if (l[i].startsWith(prefix)) return i;
    return -1;
  };
  EXPECT_EQ(index("open SenhaPDV \"PDV:Senha\""), 2) << t.toStdString();  // after the port and serial
  EXPECT_GE(index("ecf EcfAbrePortaSerial() = 1"), 0);
  EXPECT_GE(index("ecf EcfNumeroSerie() = 1 -> \"SIM"), 0);
  EXPECT_GE(index("dump SenhaPDV \"PDV:Senha\" focus=Xcodigo"), 0);
  // A demo drive's login says how to log in.
  EXPECT_GT(index(QStringLiteral("  LabDemo \"Demonstração: operador 1, senha 1234\"")), index("dump SenhaPDV"))
      << t.toStdString();
  EXPECT_LT(index("dump SenhaPDV"), index("open PForm \"PDV-VELT.EXE\""));
  EXPECT_LT(index("open PForm"), index("close SenhaPDV"));
  EXPECT_GE(index("  Caixa \"001\""), 0) << t.toStdString();
  // The day's opening before the sale window: the payment forms the printer
  // lacks are programmed ("Dinheiro" it has), then the supply and the drawer.
  const int formas = index("message [critical] \"PDV-VELT\" \"DESEJA PROGRAMAR AS FORMAS DE PAGAMENTOS ?\" -> Yes");
  EXPECT_GT(formas, index("dump SenhaPDV"));
  EXPECT_EQ(l.filter("ecf EcfProgramaFormaPagamentoMFD(").size(), 5) << t.toStdString();
  EXPECT_GE(index(QStringLiteral("    items [\"Dinheiro JÀ EXISTE !\", \"Cheque PROGRAMADA !\"")), 0);
  const int abertura = index("ecf EcfAberturaDoDia(\"100,00\", \"Dinheiro\") = 1");
  EXPECT_GT(abertura, formas);
  EXPECT_GT(index("ecf EcfAcionaGaveta() = 1", abertura), abertura);
  EXPECT_LT(abertura, index("open PForm"));
  EXPECT_GE(index("  TxtMens \"Impressora pronta p/ iniciar Cupom...\""), 0) << t.toStdString();
  EXPECT_EQ(l.filter("message").size(), 1);
  EXPECT_EQ(index("end: script finished"), l.size() - 2);
}

TEST(Replay, MessagesWithNothingQueuedTakeTheDefaultButton) {
  QTemporaryDir dir;
  QString t;
  ASSERT_EQ(replay(scriptFile(dir, "type 999\nkey Enter\nkey Esc\n"), t), 0) << t.toStdString();
  EXPECT_TRUE(t.contains("message [exclamation] \"PDV-VELT\" \"Usuário Invalido !!\" -> OK (default)")) << t.toStdString();
  EXPECT_TRUE(t.contains("end: program ended (")) << t.toStdString();
}

TEST(Replay, SpaceTypesABlankLongTextsAreTypedAndControlCharactersAreEscaped) {
  QTemporaryDir dir;
  QString t;
  const QString longo(300000, 'a');
  ASSERT_EQ(replay(scriptFile(dir, "type " + longo + "\nkey Space\ntype b\x1b[2Jc\tú\ndump\n"), t), 0);
  EXPECT_TRUE(t.contains("  Xcodigo \"" + longo + " b\\x1b[2Jc\\tú\"")) << t.right(400).toStdString();
  EXPECT_FALSE(t.contains(QChar(0x1b)));
}

TEST(Replay, AScriptErrorInsideTheSearchDialogStillClosesIt) {
  QTemporaryDir dir;
  QString t;
  EXPECT_EQ(replay(scriptFile(dir, Login + "click P0203\nclick Nada\n"), t), 2);
  const qsizetype fechou = t.indexOf("close FormPesq"), erro = t.indexOf("error: script line 9: unknown control Nada");
  EXPECT_GE(fechou, 0) << t.toStdString();
  EXPECT_GT(erro, fechou) << t.toStdString();
}

TEST(Replay, APrinterLibraryThatCannotBeLoadedShowsInTheTranscript) {
  testsupport::TempDrive drive;
  QDir().mkpath(drive.path("kw-velt"));
  QFile config(drive.path("kw-velt/default.txt"));
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write("VELT\r\nnowhere.fdb\r\n\r\n\r\n001\r\n\r\nSWEDA\r\n");
  config.close();
  QTemporaryDir dir;
  QString t;
  const int status = testsupport::runBuilt("pdv", {"--replay", scriptFile(dir, "dump\n")}, &t,
                                           {"PDV_DRIVE=" + drive.root(), "LD_LIBRARY_PATH=" + drive.root()});
  EXPECT_EQ(status, 0) << t.toStdString();
  EXPECT_TRUE(t.contains("ecf EcfAbrePortaSerial() = 0 -> \"error: ")) << t.toStdString();
  EXPECT_TRUE(t.contains("open SenhaPDV")) << t.toStdString();  // the start-up goes on
}

TEST(Replay, ScriptErrorsNameTheirLine) {
  QTemporaryDir dir;
  QString t;
  EXPECT_EQ(replay(scriptFile(dir, "# comment\nclick NoSuchButton\n"), t), 2);
  EXPECT_TRUE(t.contains("error: script line 2:")) << t.toStdString();
  EXPECT_TRUE(t.contains("NoSuchButton"));
  EXPECT_EQ(replay(scriptFile(dir, "key Hyper+Q\n"), t), 2);
  EXPECT_TRUE(t.contains("error: script line 1: unknown key Hyper+Q")) << t.toStdString();
  EXPECT_EQ(replay(dir.path() + "/missing.txt", t), 2);
}

TEST(Replay, AFixedClockGivesTheSameTranscriptEveryRun) {
  const QString script = testsupport::sourceDir() + "/tests/replay/pesquisa.txt";
  QString primeira, segunda;
  ASSERT_EQ(replay(script, primeira), 0) << primeira.toStdString();
  ASSERT_EQ(replay(script, segunda), 0) << segunda.toStdString();
  EXPECT_EQ(primeira, segunda);
  // The grid's position, the program the export started, and the help line
  // of the search gone with its dialog: the sale window's focused field shows
  // its own again.
  EXPECT_TRUE(primeira.contains("    grid row=1 col=0 top=1 selection=1,0-1,0\n")) << primeira.toStdString();
  EXPECT_TRUE(primeira.contains("run \"c:\\\\kw-velt\\\\theworld.exe c:\\\\kw-velt\\\\grade.html\" style=normal -> "))
      << primeira.toStdString();
  EXPECT_TRUE(primeira.contains(QStringLiteral("  LbMens \"Código da condição de pagamento da venda; F10 pesquisa.\"\n")))
      << primeira.toStdString();
  EXPECT_TRUE(primeira.endsWith("end: script finished\n"));
}

TEST(Replay, TheClockOptionAndLineAreCheckedAndFrontNeedsAnOpenScreen) {
  QTemporaryDir dir;
  QString t;
  EXPECT_EQ(testsupport::runBuilt("pdv", {"--replay", scriptFile(dir, "dump\n"), "--clock", "ontem"}, &t,
                                  {"PDV_DRIVE=" + testsupport::demoDrive()}),
            2);
  EXPECT_EQ(replay(scriptFile(dir, "dump\nclock 2026-12-07T09:30:00\n"), t), 2);
  EXPECT_TRUE(t.contains("error: script line 2: clock must come before the first action")) << t.toStdString();
  EXPECT_EQ(replay(scriptFile(dir, "front Nenhuma\n"), t), 2);
  EXPECT_TRUE(t.contains("error: script line 1: no open screen Nenhuma")) << t.toStdString();
  EXPECT_EQ(replay(scriptFile(dir, Login + "front PForm\ndump\n"), t), 0);
  EXPECT_TRUE(t.contains("dump PForm")) << t.toStdString();
}

TEST(Replay, ACouponOpenedAndCancelledWithTheConsumersDocument) {
  QString t;
  ASSERT_EQ(replay(testsupport::sourceDir() + "/tests/replay/cupom.txt", t), 0) << t.toStdString();
  const QStringList l = t.split('\n');
  auto index = [&](const QString &prefixo, int de = 0) {
    for (int i = de; i < l.size(); ++i)
      if (l[i].startsWith(prefixo)) return i;
    return -1;
  };
  const int aberto = index("ecf EcfAbreCupom(\"\") = 1");
  ASSERT_GE(aberto, 0) << t.toStdString();
  EXPECT_GT(index("dump PForm \"PDV-VELT.EXE\" focus=Produto", aberto), aberto);
  // F2 again only waits: no second coupon, menus off meanwhile.
  const int espera = index("message [exclamation] \"PDV-VELT\" \"Aguarde Impresora Ocupada !\"");
  EXPECT_GT(espera, aberto);
  EXPECT_EQ(index("ecf EcfAbreCupom(", aberto + 1), index("ecf EcfAbreCupom(\"529.982.247-25\") = 1"));
  EXPECT_GE(index("message [exclamation] \"PDV-VELT\" \"Não Existem Itens a Serem Totalizados !\""), 0);
  // "No" is the default and keeps the coupon; "Yes" cancels it.
  const int nao = index("message [critical] \"PDV-VELT\" \"Confirma Cancelamento ?\" -> No");
  ASSERT_GT(nao, espera);
  EXPECT_EQ(index("ecf EcfCancelaCupom() = 1"), index("message [critical] \"PDV-VELT\" \"Confirma Cancelamento ?\" -> Yes") + 2);
  EXPECT_TRUE(t.contains("  Cancelado \"C A N C E L A D O  !\"\n")) << t.toStdString();
  EXPECT_TRUE(t.contains("  TxtMens \"Impressora pronta p/ iniciar Cupom...\"\n"));
  // A 12-digit document is refused; the CPF goes to the printer with its mask.
  EXPECT_EQ(l.filter("Digite um numerio com 11 (cpf) ou 14 (cnpj) dígitos!").size(), 1);
  EXPECT_TRUE(t.contains("  Cliente \"0-CONSUMIDOR\"\n"));  // back to the consumer after the cancellation
  EXPECT_TRUE(t.endsWith("end: script finished\n"));
}

TEST(Replay, ItemsOfEveryCodeKindReachThePrinterTheGridAndTheStock) {
  auto pendente = [](int codigo) {
    testsupport::UsaDrive drive(testsupport::demoDrive());
    TerminalState estado;
    testsupport::conectaAoDemo(estado);
    Recordset rs;
    rs.abre("Select PenVEst From Tb_Est_CadPro Where CodPro=" + QString::number(codigo), estado.conexao());
    return ParaQuantidade(rs["PenVEst"]);
  };
  const Quantidade arroz = pendente(1), agua = pendente(8), queijo = pendente(22);
  QString t;
  ASSERT_EQ(replay(testsupport::sourceDir() + "/tests/replay/venda.txt", t), 0) << t.toStdString();
  // EAN-13, EAN-8, 12 digits, system code, weighed label: one printer item each,
  // with the aliquota of its tax group (18% taxed, "FF" substitution in-state).
  const QStringList itens = t.split('\n').filter("ecf EcfVendeItem(");
  ASSERT_EQ(itens.size(), 6) << t.toStdString();
  EXPECT_TRUE(itens[0].startsWith("ecf EcfVendeItem(\"1\", \"ARROZ BRANCO TIPO 1 5KG\", \"18,00\", \"I\", \"0001\", \"2\", \"27,90\""));
  EXPECT_TRUE(itens[1].contains("\"FF\", \"I\", \"0001\""));
  EXPECT_TRUE(itens[2].startsWith("ecf EcfVendeItem(\"13\""));
  EXPECT_TRUE(itens[3].startsWith("ecf EcfVendeItem(\"5\""));
  // The label: 49,90 at the product's price is one kilo; the group discount
  // then gives 44,91.
  EXPECT_TRUE(itens[4].contains("\"F\", \"0001000\", \"2\", \"44,91\"")) << itens[4].toStdString();
  EXPECT_TRUE(itens[5].contains("\"F\", \"0001500\", \"2\", \"44,91\"")) << itens[5].toStdString();
  EXPECT_TRUE(t.contains("\"QTDE INVALIDA. DIGITE VIRGULA PARA DECIMAL !\""));
  EXPECT_TRUE(t.contains("\"Produto com preço ZERADO !\""));
  // 1,5 x 44,91 = 67,365: the printer truncates, and so does the screen.
  EXPECT_TRUE(t.contains("    row 6: +006 | 22 | QUEIJO MUSSARELA FATIADO KG | 1,5 | 44,91 | 67,36\n")) << t.toStdString();
  // F6: item 2 cancelled once on the printer, marked and painted red, the
  // total down by exactly its value; refused the second time; a different
  // confirmation changes nothing.
  EXPECT_EQ(t.split('\n').filter("ecf EcfCancelaItemGenerico(").size(), 1);
  EXPECT_TRUE(t.contains("ecf EcfCancelaItemGenerico(\"002\") = 1"));
  EXPECT_TRUE(t.contains("\"JÁ FOI CANCELADO !\""));
  EXPECT_TRUE(t.contains("    row 2: -002 | 8 | ÁGUA MINERAL SEM GÁS 500ML | 1 | 2,00 | 2,00  colours 0:FFFFFF/0000FF"));
  EXPECT_TRUE(t.contains("    row 3: +003 | 13 | CREME DENTAL MENTA 90G | 1 | 4,99 | 4,99\n"));
  EXPECT_TRUE(t.contains("  TxtTotVen \"164,06\"\n"));
  // The coupon cancelled at the end (F8) gives back the pending stock its
  // items took, whole and fractional, and the item cancelled before gave
  // back its own: every product is where it was.
  EXPECT_EQ(pendente(1), arroz);
  EXPECT_EQ(pendente(8), agua);
  EXPECT_EQ(pendente(22), queijo);
}

TEST(Replay, F12AndRightAltDigitsStartTheSuiteProgramsLeftAltStartsNothing) {
  QTemporaryDir dir;
  QString t;
  const QString log = testsupport::demoDrive() + "/kw-velt/programas.log";
  QFile::remove(log);
  ASSERT_EQ(replay(scriptFile(dir, Login + "key F12\nkey AltGr+4\nkey Alt+5\n"), t), 0)
      << t.toStdString();
  const QStringList iniciados = t.split('\n').filter("run ");
  ASSERT_EQ(iniciados.size(), 2) << t.toStdString();
  EXPECT_EQ(iniciados[0], "run \"c:\\\\kw-velt\\\\Calculadora.exe\" style=normal -> started");
  // The stock module with the operator's code and credential.
  EXPECT_TRUE(iniciados[1].startsWith("run \"C:\\\\KW-VELT\\\\Estoque.exe 1 ")) << iniciados[1].toStdString();
  EXPECT_TRUE(iniciados[1].endsWith("style=maximized -> started"));
  // The stand-ins on the demo drive record how they were started.
  QStringList linhas;
  for (int i = 0; i < 100 && linhas.size() < 2; ++i) {
    QThread::msleep(20);
    QFile f(log);
    if (f.open(QIODevice::ReadOnly)) linhas = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
  }
  ASSERT_EQ(linhas.size(), 2);
  EXPECT_TRUE(linhas.filter(" calculadora.exe").size() == 1) << linhas.join("\n").toStdString();
  EXPECT_TRUE(linhas.filter(" estoque.exe 1 ").size() == 1) << linhas.join("\n").toStdString();
}

// Every product of the demo catalogue with a price and a usable taxation sells
// on the demo drive's printer, in-state and to the interstate customer.
TEST(Replay, EveryDemoProductSellsInStateAndInterstate) {
  QStringList codigos;
  {
    testsupport::UsaDrive drive(testsupport::demoDrive());
    TerminalState estado;
    testsupport::conectaAoDemo(estado);
    Recordset rs;
    rs.abre("Select CodPro, TribPro, Deb512Cto, Deb612Cto From Tb_Est_CadPro Where ValPre1 > 0 Order By CodPro",
            estado.conexao());
    for (; !rs.EOF_(); rs.MoveNext()) {
      const QString trib = SemNulo(rs["TribPro"]).toString().trimmed();
      const bool zerada = trib.size() >= 2 && trib[1] == '0' &&
                          (ParaMoeda(rs["Deb512Cto"]).ehZero() || ParaMoeda(rs["Deb612Cto"]).ehZero());
      if (!trib.isEmpty() && !zerada) codigos << SemNulo(rs["CodPro"]).toString().trimmed();
    }
  }
  ASSERT_GT(codigos.size(), 250);
  const QString itens = "type " + codigos.join(".\nkey Enter\ntype ") + ".\nkey Enter\n";
  const QString fim = "answer Yes\nkey F8\n";
  // The interstate customer is chosen through F5's search before the coupon.
  const QString cliente = "key F5\ntype RIO DAS PEDRAS\nkey Enter\nkey Enter\n";
  for (const QString &antes : {QString(), cliente}) {
    QTemporaryDir dir;
    QString t;
    ASSERT_EQ(replay(scriptFile(dir, Login + antes + "key F2\n" + itens + fim), t), 0) << t.right(3000).toStdString();
    const QStringList linhas = t.split('\n');
    const QStringList vendidos = linhas.filter("ecf EcfVendeItem(");
    EXPECT_EQ(vendidos.size(), codigos.size());
    QStringList recusados;
    for (const QString &v : vendidos)
      if (!v.endsWith(") = 1")) recusados << v;
    EXPECT_TRUE(recusados.isEmpty()) << recusados.join("\n").toStdString();
    // No refusal between the opening and the cancellation's question.
    EXPECT_EQ(linhas.filter("message [exclamation]").size(), 0) << linhas.filter("message").join("\n").toStdString();
    if (!antes.isEmpty()) {
      EXPECT_TRUE(t.contains("ecf EcfAbreCupom(\"67.890.123/0001-54\") = 1")) << t.left(3000).toStdString();
      EXPECT_GT(vendidos.filter("\"12,00\"").size(), 0);  // the interstate rate
    }
  }
}

// The contingency replay: a demo drive with its local copy whose
// configuration names a server that refuses (nothing listens on port 1).
TEST(Replay, AServerAwayAtTheStartSellsFromTheCopyAndKeepsTheSale) {
  QTemporaryDir pasta;
  const QString raiz = pasta.path() + "/drive";
  QString saida;
  ASSERT_EQ(testsupport::runBuilt("pdv-admin", {"init-drive", raiz, "--demo"}, &saida), 0) << saida.toStdString();
  {
    ConexaoBanco demo;
    demo.abre(raiz + "/kw-velt/dados.fdb");
    const ResultadoCopia r = PreencheCopia(ArquivoCopiaLocal(raiz), demo);
    ASSERT_TRUE(r.ok) << r.erro.toStdString();
  }
  const QString config = raiz + "/kw-velt/default.txt";
  QFile f(config);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  LinhasConfig c = InterpretaConfig(f.readAll());
  f.close();
  c.conexao = "TIPO=2;DBNAME=127.0.0.1/1:/srv/loja/loja.fdb";
  QString erro;
  ASSERT_TRUE(EscreveArquivoConfig(config, c, &erro)) << erro.toStdString();

  QString t;
  ASSERT_EQ(testsupport::runBuilt("pdv", {"--replay", testsupport::sourceDir() + "/tests/replay/contingencia.txt"}, &t,
                                  {"PDV_DRIVE=" + raiz, "QT_QPA_PLATFORM=offscreen"}),
            0)
      << t.toStdString();
  // The credit refusal is the one message box; the kept sale shows none.
  const QStringList mensagens = t.split('\n').filter("message [exclamation]");
  ASSERT_EQ(mensagens.size(), 1) << t.toStdString();
  EXPECT_TRUE(mensagens[0].contains(QStringLiteral("o crédito do cliente não pode ser conferido"))) << t.toStdString();
  EXPECT_TRUE(t.contains("ecf EcfCancelaItemGenerico(\"002\") = 1")) << t.toStdString();
  EXPECT_TRUE(t.contains("ecf EcfFechaCupomResumido(")) << t.toStdString();
  const QStringList tela = dumps(t, "PForm").value(0);
  const QString status = tela.filter("  StBar1 ").value(0);
  EXPECT_TRUE(status.contains(QStringLiteral("CONTINGÊNCIA desde")) && status.contains("Vendas guardadas: 1"))
      << tela.join('\n').toStdString();
  EXPECT_EQ(tela.filter("  TxtMens ").value(0).mid(QStringLiteral("  TxtMens ").size()),
            status.mid(QStringLiteral("  StBar1 ").size()));
  // The sale waits in the journal with item 1 only and item 2's give-back.
  const QList<DiarioVendas::Entrada> guardadas = DiarioVendas(raiz + "/kw-velt/vendas").pendentes();
  ASSERT_EQ(guardadas.size(), 1);
  EXPECT_EQ(guardadas[0].situacao, DiarioVendas::Situacao::Fechada);
  ASSERT_EQ(guardadas[0].venda.itens.size(), 1);
  EXPECT_TRUE(guardadas[0].venda.itens[0].estoqueDevido);
  ASSERT_EQ(guardadas[0].venda.estoqueADevolver.size(), 0);  // item 2's raise never reached a server
  // The access row waits on the drive.
  EXPECT_TRUE(QFile::exists(raiz + "/kw-velt/registros-guardados.txt"));
}
