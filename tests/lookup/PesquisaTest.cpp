#include <gtest/gtest.h>

#include "core/Cp1252.h"

#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Logs.h"
#include "core/OperadorRoteiro.h"
#include "core/Teclas.h"
#include "lookup/FormPesq.h"
#include "lookup/TiposPesquisa.h"
#include "support/TestSupport.h"
#include "lookup/DriveProprio.h"

#include <QFile>

TEST(SqlPesquisa, OneWordTwoWordsAndTheKindAdditions) {
  const TipoPesquisa &cli = *TipoPesquisaDe("Cli");
  EXPECT_EQ(MontaSqlPesquisa(cli, "SILVA"),
            "SELECT  CodCli,NomCli,FanCli,EndCli,CidCli,FonCli,CelCli,CpgCli,CreCli,CpfCli,Opf1Cli  FROM  TB_REC_CADCLI "
            " WHERE  NOMCLI  like '%SILVA%'  Or CpfCli Like '%SILVA%' Or FanCli Like '%SILVA%' Or FonCli Like '%SILVA%'"
            " Or CelCli like '%SILVA%'  ORDER BY  NOMCLI ");
  EXPECT_EQ(MontaSqlPesquisa(cli, "JOSE SILVA"),
            "SELECT  CodCli,NomCli,FanCli,EndCli,CidCli,FonCli,CelCli,CpgCli,CreCli,CpfCli,Opf1Cli  FROM  TB_REC_CADCLI "
            " WHERE  NOMCLI  like '%JOSE%'  And  NOMCLI  Like '%SILVA%'  ORDER BY  NOMCLI ");
  const TipoPesquisa &pro = *TipoPesquisaDe("Pro");
  EXPECT_TRUE(MontaSqlPesquisa(pro, "ARROZ").contains(
      " FROM  PROFAB  WHERE  DESCRICAO  like '%ARROZ%'  Or CdiPro Like '%ARROZ%' Or EanPro like '%ARROZ%' "));
  EXPECT_TRUE(MontaSqlPesquisa(pro, "ARROZ").contains("AtuEst-PenVEst as Estoque"));
  EXPECT_TRUE(MontaSqlPesquisa(pro, "ARROZ", true).contains(" FROM  PROFAB_ATIVO  WHERE "));
  EXPECT_FALSE(MontaSqlPesquisa(pro, "ARROZ TIPO").contains("CdiPro Like"));
  EXPECT_EQ(MontaSqlPesquisa(*TipoPesquisaDe("Ven"), ""),
            "SELECT  CodVen,NomVen,SetVen,ComVen,CpfVen  FROM  TB_VDA_CADVEN  WHERE  NOMVEN  like '%%'  ORDER BY  NOMVEN ");
  EXPECT_EQ(TipoPesquisaDe("Xyz"), nullptr);
}

TEST(SqlPesquisa, EmpenhoPartsAreSeparatedByCommas) {
  const TipoPesquisa &epn = *TipoPesquisaDe("Epn");
  EXPECT_EQ(MontaSqlPesquisa(epn, ",ANA"),
            "SELECT  CodEpn,DtcEpn,DtlEpn,NomCli,LiqEpn,NomVen,NomSta  FROM  CADASTRO_EPN  WHERE STAEPN<9 "
            " And NomVen Like '%ANA%'  ORDER BY  DTCEPN ");
  EXPECT_TRUE(MontaSqlPesquisa(epn, "JOSE,,2026-12").contains(
      " WHERE STAEPN<9  And NomCli Like '%JOSE%'  And DtcEpn Like '%2026-12%'  ORDER BY"));
  EXPECT_TRUE(MontaSqlPesquisa(epn, "").contains(" WHERE STAEPN<9  ORDER BY"));
}

TEST(SqlPesquisa, TypedQuotesAndKeywordsStayInsideTheLiteral) {
  const QString sql = MontaSqlPesquisa(*TipoPesquisaDe("Cpg"), "X'; DELETE FROM TB_VDA_CONDPGT; --");
  EXPECT_TRUE(sql.contains("like '%X'';%'  And  NOMCPG  Like '%DELETE%'")) << sql.toStdString();
  EXPECT_EQ(sql.count('\'') % 2, 0);
}

namespace {

// The search dialog on the demo database, driven as a modal screen.
struct Pesquisa : ::testing::Test {
  testsupport::UsaDrive drive{testsupport::demoDrive()};
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  struct Anterior : TelaRegistrada {
    QString nomeTela() const override { return "PForm"; }
    QString legendaTela() const override { return "PDV-VELT.EXE"; }
  } anterior;
  std::function<void(Tela &)> roteiro;
  QStringList grade;  // the grid's rows when the script finished, cells joined by "|"
  QString resultado;

  void SetUp() override {
    testsupport::conectaAoDemo(estado);
    estado.usaOperador(operador);
    estado.FormAtual = &anterior;
    app.executaModal = [this](Tela &t) { roteiro(t); };
  }
  void guardaGrade(Tela &t) {
    Grade &g = static_cast<FormPesq &>(t).grade("Grade");
    for (int r = 1; r < g.Rows(); ++r) grade << g.linha(r).join('|');
    resultado = t.campo("Result").texto();
  }
  // Types the words, presses Enter, then runs what follows on the grid.
  void pesquisa(const QString &tipo, const QString &palavras, std::function<void(Tela &)> depois = {}) {
    roteiro = [=, this](Tela &t) {
      t.digita(palavras);
      t.teclaBaixo(tecla::Enter);
      guardaGrade(t);
      if (depois) depois(t);
      if (t.carregada()) t.teclaBaixo(tecla::Esc), t.teclaBaixo(tecla::Esc);
    };
    AbrePesquisa(app, tipo);
  }
};

}  // namespace

TEST_F(Pesquisa, CustomersByNameOrDocumentAndTheHandOver) {
  pesquisa("Cli", "SILVA", [](Tela &t) {
    EXPECT_EQ(t.legendaTela(), "PESQUISA CLIENTES");
    EXPECT_EQ(t.focado()->nome(), "Grade");
    t.teclaBaixo(tecla::Enter);
  });
  ASSERT_EQ(grade.size(), 1);
  EXPECT_EQ(resultado, "Concluido! 1 registros foram encontrados.");
  EXPECT_EQ(estado.CodPesquisa, "2");
  EXPECT_EQ(estado.DadosClientePesq, QStringLiteral("2|JOSÉ CARLOS DA SILVA|529.982.247-25|5102"));
  EXPECT_TRUE(estado.CodCliPesq.isEmpty());  // cleared when the dialog closes
  EXPECT_EQ(estado.FormAtual, &anterior);
}

// Which rows the words find: every word in the search column, in any order;
// one word also in the document; the parts of a pre-sale search by column;
// a quote and SQL keywords only inside the rows' texts.
TEST_F(Pesquisa, TheRowsTheWordsFind) {
  const struct {
    const char *tipo;
    QString palavras;
    int linhas;  // -1: some
    const char *cadaLinhaTem;
  } casos[] = {
      {"Cli", QStringLiteral("SILVA JOSÉ"), 1, "SILVA"},
      {"Cli", "SILVA CAMPINAS", 0, ""},  // the city is not the search column
      {"Cli", "529.982", 1, "529.982"},
      {"Epn", ",FERNANDA", -1, "FERNANDA"},
      {"Epn", "FERNANDA", 0, ""},  // the first part is the customer
      {"Ven", "' OR '1'='1", 0, ""},
  };
  for (const auto &c : casos) {
    SCOPED_TRACE(std::string(c.tipo) + " " + c.palavras.toStdString());
    grade.clear();
    pesquisa(c.tipo, c.palavras);
    EXPECT_EQ(grade.size(), c.linhas < 0 ? std::max<qsizetype>(grade.size(), 1) : c.linhas);
    for (const QString &linha : grade) EXPECT_TRUE(linha.contains(c.cadaLinhaTem)) << linha.toStdString();
    EXPECT_EQ(resultado == "SEM REGISTROS...", grade.isEmpty()) << resultado.toStdString();
  }
  EXPECT_TRUE(operador.mensagens().isEmpty());  // no SQL error either
}

TEST_F(Pesquisa, WordsTheDatabaseCannotHoldAreRefusedAtTheFieldAndLongOnesCut) {
  for (const QString &palavra : {QString::fromUtf8("SILVA \xF0\x9F\x98\x80"), QString::fromUtf8("\xE4\xB8\xAD")}) {
    pesquisa("Cli", palavra, [](Tela &t) { EXPECT_EQ(t.focado()->nome(), "Pergunta"); });
    EXPECT_TRUE(grade.isEmpty());
    EXPECT_FALSE(resultado.contains("Aguarde")) << resultado.toStdString();
  }
  EXPECT_EQ(operador.mensagens(), QStringList(2, cp1252::MensagemNaoArmazenavel));
  QString tamanho;
  pesquisa("Cli", QString(50, 'A'), [&](Tela &t) { tamanho = QString::number(t.campo("Pergunta").texto().size()); });
  EXPECT_EQ(tamanho, "40");
}

TEST_F(Pesquisa, TheHourglassShowsOnlyWhileSearching) {
  QList<bool> ampulheta;
  app.ocupado = [&](bool sim) { ampulheta << sim; };
  pesquisa("Cpg", "CHEQUE");
  EXPECT_EQ(ampulheta, QList<bool>({true, false}));
  ampulheta.clear();
  pesquisa("Cpg", "NADA ASSIM");  // no rows: the pointer comes back too
  EXPECT_EQ(ampulheta, QList<bool>({true, false}));
}

TEST_F(Pesquisa, EmptyQuestionListsEveryRowOfTheKind) {
  pesquisa("Ven", "", [](Tela &t) {
    t.teclaBaixo(tecla::Abaixo);
    t.teclaBaixo(tecla::Enter);
  });
  EXPECT_EQ(grade.size(), 3);
  EXPECT_EQ(estado.CodVenPesq, "2");  // second in name order: FERNANDA
  EXPECT_EQ(estado.CodPesquisa, "2");
}

TEST_F(Pesquisa, ConditionsAndProductsHandOverTheirCodes) {
  pesquisa("Cpg", "CHEQUE", [](Tela &t) { t.teclaBaixo(tecla::Enter); });
  EXPECT_EQ(estado.CodCpgPesq, "5");  // "CHEQUE PRÉ-DATADO" sorts before "CHEQUE À VISTA"
  pesquisa("Pro", "", [this](Tela &t) {
    Grade &g = static_cast<FormPesq &>(t).grade("Grade");
    const QString codigo = g.TextMatrix(1, 0), descricao = g.TextMatrix(1, 3), preco = g.TextMatrix(1, 6);
    t.teclaBaixo(tecla::Enter);
    EXPECT_EQ(estado.CodPesquisa, codigo + QStringLiteral("»") + descricao + QStringLiteral("» $ ") + preco);
  });
  EXPECT_GE(grade.size(), 300);
  EXPECT_TRUE(estado.CodProPesq.isEmpty());
}

TEST_F(Pesquisa, ActiveProductsOnlyWithF9) {
  pesquisa("Pro", "");
  const int todos = grade.size();
  grade.clear();
  roteiro = [this](Tela &t) {
    t.teclaBaixo(tecla::F9);
    EXPECT_TRUE(t.campo("Ativo").marcado());
    t.teclaBaixo(tecla::Enter);
    guardaGrade(t);
    t.teclaBaixo(tecla::Esc);
    t.teclaBaixo(tecla::Esc);
  };
  AbrePesquisa(app, "Pro");
  EXPECT_LT(grade.size(), todos);
  EXPECT_GT(grade.size(), 0) << operador.mensagens().join(" / ").toStdString() << estado.StrSql.toStdString();
}

TEST_F(Pesquisa, TypingAfterASearchShowsTheTypingStatus) {
  pesquisa("Cli", "SILVA", [](Tela &t) {
    t.teclaBaixo(tecla::Esc);  // back to the question
    t.digita("X");
    EXPECT_EQ(t.campo("Result").texto(), "Digitando pesquisa...");
  });
}

TEST_F(Pesquisa, EscGivesAnEmptyCodeAndRestoresTheCurrentScreen) {
  estado.CodPesquisa = "antigo";
  roteiro = [](Tela &t) { t.teclaBaixo(tecla::Esc); };
  AbrePesquisa(app, "Cli");
  EXPECT_TRUE(estado.CodPesquisa.isEmpty());
  EXPECT_EQ(estado.FormAtual, &anterior);
}

TEST_F(Pesquisa, EscInTheGridClearsItAndReturnsToTheQuestion) {
  pesquisa("Ven", "", [](Tela &t) {
    t.teclaBaixo(tecla::Esc);
    EXPECT_EQ(t.focado()->nome(), "Pergunta");
    EXPECT_TRUE(t.campo("Pergunta").tabStop);
    EXPECT_FALSE(t.campo("Grade").tabStop);
    EXPECT_TRUE(static_cast<FormPesq &>(t).grade("Grade").TextMatrix(1, 1).isEmpty());
  });
}

TEST_F(Pesquisa, QuoteAndSqlKeywordsFindOnlyRowsContainingThem) {
  testsupport::executaNoDemo(
      "INSERT INTO TB_VDA_CADVEN (CodVen, NomVen, SetVen, ComVen, CpfVen) VALUES (90, 'D''AVILA OR 1=1', 'LOJA', 1, '')");
  pesquisa("Ven", "D'AVILA OR");
  testsupport::executaNoDemo("DELETE FROM TB_VDA_CADVEN WHERE CodVen = 90");
  ASSERT_EQ(grade.size(), 1) << grade.join(" / ").toStdString();
  EXPECT_TRUE(grade[0].contains("D'AVILA OR 1=1"));
}

// The first rows show before the rest is read; the rest arrives behind them
// while the grid answers keys; Esc stops the reading, Enter takes a row.
// (The operator acts while each read runs on the worker.)
TEST_F(Pesquisa, RowsArriveBehindTheFirstPageAndEscOrEnterStopTheReading) {
  QStringList todas;
  pesquisa("Pro", "");  // read whole for comparison
  todas = grade;
  ASSERT_EQ(todas.size(), 300);
  EXPECT_EQ(resultado, "Concluido! 300 registros foram encontrados.");

  // `aCadaLeitura(dialog, rows shown)` runs while each block after the first page is read.
  auto lePorPaginas = [&](std::function<void(FormPesq &, int)> aCadaLeitura) {
    grade.clear();
    roteiro = [&](Tela &t) {
      auto &p = static_cast<FormPesq &>(t);
      p.primeiraPagina = 50;
      p.linhasPorLeitura = 100;
      app.atendeOperador = [&] {
        if (p.lendo()) aCadaLeitura(p, p.grade("Grade").Rows() - 1);
      };
      t.teclaBaixo(tecla::Enter);
      app.atendeOperador = nullptr;
      if (t.carregada()) guardaGrade(t), t.teclaBaixo(tecla::Esc), t.teclaBaixo(tecla::Esc);
    };
    AbrePesquisa(app, "Pro");
  };
  QList<int> linhasVistas;
  lePorPaginas([&](FormPesq &p, int linhas) {
    EXPECT_EQ(p.focado()->nome(), "Grade");  // the first page is already in the cashier's hands
    if (linhasVistas.isEmpty() || linhasVistas.last() != linhas) linhasVistas << linhas;
  });
  EXPECT_EQ(linhasVistas, (QList<int>{50, 150, 250}));
  EXPECT_EQ(grade, todas);  // the same rows in the same order
  EXPECT_EQ(resultado, "Concluido! 300 registros foram encontrados.");

  // Esc while the third block is read: the rows shown stay, that block does not come.
  lePorPaginas([&](FormPesq &p, int linhas) {
    if (linhas == 150) p.teclaBaixo(tecla::Esc);
  });
  EXPECT_EQ(grade, todas.mid(0, 150));
  EXPECT_EQ(resultado, "Pesquisa interrompida! 150 registros foram carregados.");

  estado.CodProPesq.clear();
  lePorPaginas([&](FormPesq &p, int linhas) {
    if (linhas != 50 || p.grade("Grade").Row() != 1) return;
    p.teclaBaixo(tecla::Abaixo);  // moving in the grid while rows keep coming
    p.teclaBaixo(tecla::Enter);
  });
  EXPECT_EQ(estado.CodPesquisa.section(QStringLiteral("»"), 0, 0), todas[1].section('|', 0, 0));
}

// Esc while the server still works on the first page stops that search only:
// the dialog stays, with the words typed, ready for the next search; Enter
// meanwhile starts no second one. Closing the window meanwhile waits for the
// read to stop. Either way the connection goes on.
TEST_F(Pesquisa, EscBeforeTheFirstPageStopsTheSearchAndTheDialogSearchesAgain) {
  int dentro = 0, maisFundo = 0;  // how deep searches ran inside one another
  roteiro = [&](Tela &t) {
    auto &p = static_cast<FormPesq &>(t);
    t.digita("ARROZ");
    app.atendeOperador = [&] {
      if (!p.buscando()) return;
      maisFundo = std::max(maisFundo, ++dentro);
      if (dentro == 1) p.teclaBaixo(tecla::Enter);
      p.teclaBaixo(tecla::Esc);
      --dentro;
    };
    t.teclaBaixo(tecla::Enter);
    EXPECT_EQ(maisFundo, 1);  // the Enter pressed meanwhile ran no search of its own
    EXPECT_TRUE(t.carregada());
    EXPECT_FALSE(p.buscando());
    EXPECT_EQ(t.campo("Result").texto(), "Pesquisa interrompida! 0 registros foram carregados.");
    EXPECT_EQ(t.campo("Pergunta").texto(), "ARROZ");
    EXPECT_EQ(t.focado()->nome(), "Pergunta");
    EXPECT_TRUE(p.grade("Grade").TextMatrix(1, 0).isEmpty());

    app.atendeOperador = [] {};
    t.teclaBaixo(tecla::Enter);
    guardaGrade(t);
    EXPECT_EQ(t.focado()->nome(), "Grade");
    t.teclaBaixo(tecla::Enter);
  };
  AbrePesquisa(app, "Pro");
  ASSERT_FALSE(grade.isEmpty());
  EXPECT_TRUE(resultado.startsWith("Concluido! "));
  EXPECT_EQ(estado.CodPesquisa.section(QStringLiteral("»"), 0, 0), grade[0].section('|', 0, 0));

  roteiro = [&](Tela &t) {
    app.atendeOperador = [&] {
      if (static_cast<FormPesq &>(t).buscando()) app.descarrega(t);
    };
    t.teclaBaixo(tecla::Enter);
  };
  AbrePesquisa(app, "Cli");
  app.atendeOperador = nullptr;
  EXPECT_TRUE(estado.CodPesquisa.isEmpty());
  EXPECT_EQ(estado.FormAtual, &anterior);

  Recordset rs;
  rs.abre("SELECT COUNT(*) AS N FROM TB_VDA_CADVEN", estado.conexao());
  EXPECT_EQ(rs["N"].toInt(), 3);
  EXPECT_TRUE(operador.mensagens().isEmpty()) << operador.mensagens().join(" / ").toStdString();
}

// With the desk's index of descriptions on the drive, the first page shows
// while the server still works on the statement: the rows of the catalogue as
// it is now (a product renamed since the index was written goes to its new
// place, one that no longer matches is left out), in the statement's order.
// None of them can be chosen: Enter meanwhile hands nothing back, and the
// statement's own rows replace them. Esc meanwhile stops the search and puts
// back the rows shown before it.
namespace {

// The search dialog's surroundings on a drive of the test's own.
struct DialogoNoDrive {
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  explicit DialogoNoDrive(const testsupport::DriveProprio &drive) {
    drive.conecta(estado);
    estado.usaOperador(operador);
  }
};

}  // namespace

TEST(PesquisaPrevia, TheIndexShowsTheFirstPageUntilTheStatementsRowsReplaceIt) {
  testsupport::DriveProprio drive;
  ASSERT_TRUE(QFile::exists(drive.raiz() + "/kw-velt/produtos.idx"));
  // The statement weighs every product, the preview only the few it reads:
  // the preview comes first.
  drive.produtosAtivosLentos("RDB$CHARACTER_SETS", " AND b.RDB$CHARACTER_SET_ID < 20");
  drive.executa("UPDATE TB_EST_CADPRO SET NomPro = 'ZZ CERVEJA RENOMEADA LATA' WHERE CodPro = 7");
  drive.executa("UPDATE TB_EST_CADPRO SET NomPro = 'SARDINHA EM OLEO 125G' WHERE CodPro = 44");
  DialogoNoDrive dialogo(drive);
  TerminalState &estado = dialogo.estado;
  Aplicacao &app = dialogo.app;

  auto linhas = [](Grade &g) {
    QList<QStringList> l;
    for (int r = g.FixedRows; r < g.Rows(); ++r) l << g.linha(r);
    return l;
  };
  QList<QStringList> previa, final, antesDaSegunda, depoisDoEsc;
  QString resultado, interrompida;
  app.executaModal = [&](Tela &t) {
    auto &p = static_cast<FormPesq &>(t);
    Grade &g = p.grade("Grade");
    t.teclaBaixo(tecla::F9);  // active products only: the slow statement
    t.digita("LATA");
    app.atendeOperador = [&] {
      if (!p.previa() || !previa.isEmpty()) return;
      EXPECT_TRUE(p.buscando());
      previa = linhas(g);
      p.teclaBaixo(tecla::Enter);  // waits: nothing is handed back
    };
    t.teclaBaixo(tecla::Enter);
    final = linhas(g);
    resultado = t.campo("Result").texto();
    EXPECT_TRUE(estado.CodPesquisa.isEmpty());

    // A second search, stopped while its preview shows.
    t.teclaBaixo(tecla::Esc);  // back to the question
    antesDaSegunda = linhas(g);
    t.campo("Pergunta").setTexto("1L");
    bool parou = false;
    app.atendeOperador = [&] {
      if (p.previa() && !parou) parou = true, p.teclaBaixo(tecla::Esc);
    };
    t.teclaBaixo(tecla::Enter);
    app.atendeOperador = nullptr;
    EXPECT_TRUE(parou);
    interrompida = t.campo("Result").texto();
    depoisDoEsc = linhas(g);
    t.teclaBaixo(tecla::Esc);
  };
  AbrePesquisa(app, "Pro");

  Recordset rs;
  rs.abre(MontaSqlPesquisa(*TipoPesquisaDe("Pro"), "LATA", true), estado.conexao());
  QStringList codigos;
  for (const QVariantList &l : rs.linhas()) codigos << l[0].toString();
  QStringList codigosFinal;
  for (const QStringList &l : final) codigosFinal << l.value(0);
  ASSERT_EQ(codigos, (QStringList{"34", "7"}));
  EXPECT_EQ(codigosFinal, codigos);  // the statement's rows, in its order
  EXPECT_EQ(resultado, "Concluido! " + QString::number(codigos.size()) + " registros foram encontrados.");
  // The preview had the same rows in the same order: the renamed one last,
  // the one that no longer matches left out.
  EXPECT_EQ(previa, final);

  EXPECT_EQ(interrompida, "Pesquisa interrompida! 0 registros foram carregados.");
  EXPECT_EQ(depoisDoEsc, antesDaSegunda);
}

// The rows behind the first page are made into grid cells straight from the
// server's rows: the same texts as the first page's, whatever the value
// (accents and a character beyond Latin-1, blanks around a text, a missing
// maker, negative and large amounts, decimals rounded to the cent).
TEST(PesquisaBlocos, CellsMadeFromTheServersRowsAreTheFirstPagesTexts) {
  testsupport::DriveProprio drive;
  drive.executa("UPDATE TB_EST_CADPRO SET NomPro = '  QZX AÇÚCAR CRISTAL ÚNICO ', FabPro = NULL, "
                "ValPre1 = 1234567.8951, AtuEst = 2.5, PenVEst = 6.125, DscPro = 12.5 WHERE CodPro = 1");
  drive.executa("UPDATE TB_EST_CADPRO SET NomPro = 'QZX PREÇO € ' || ASCII_CHAR(9), ValPre1 = 0.005, "
                "DscPro = 0 WHERE CodPro = 2");
  drive.executa("UPDATE TB_EST_CADPRO SET NomPro = ASCII_CHAR(9) || ' QZX SIMPLES  ', ValPre1 = -1000, CdiPro = NULL WHERE CodPro = 3");
  drive.executa("UPDATE TB_EST_CADPRO SET NomPro = 'QZX ' || NomPro WHERE CodPro BETWEEN 4 AND 12");
  DialogoNoDrive dialogo(drive);
  Aplicacao &app = dialogo.app;

  // `pagina` rows first, then blocks of one row.
  auto pesquisa = [&](int pagina) {
    QList<QStringList> linhas;
    app.executaModal = [&](Tela &t) {
      auto &p = static_cast<FormPesq &>(t);
      p.primeiraPagina = pagina;
      p.linhasPorLeitura = 1;
      t.digita("QZX");
      t.teclaBaixo(tecla::Enter);
      Grade &g = p.grade("Grade");
      for (int r = g.FixedRows; r < g.Rows(); ++r) linhas << g.linha(r);
      t.teclaBaixo(tecla::Esc), t.teclaBaixo(tecla::Esc);
    };
    AbrePesquisa(app, "Pro");
    return linhas;
  };
  const QList<QStringList> deUmaVez = pesquisa(1000), emBlocos = pesquisa(1);
  ASSERT_EQ(deUmaVez.size(), 12);
  EXPECT_EQ(emBlocos, deUmaVez);
  auto linhaDe = [&](const QString &codigo) {
    for (const QStringList &l : emBlocos)
      if (l.value(0) == codigo) return l;
    return QStringList();
  };
  // Code, internal code, barcode, description, maker, stock, price, state, discount.
  const QStringList acucar = linhaDe("1"), preco = linhaDe("2"), simples = linhaDe("3");
  EXPECT_EQ(acucar.value(3), "QZX AÇÚCAR CRISTAL ÚNICO");
  EXPECT_EQ(acucar.value(4), "");
  EXPECT_EQ(acucar.mid(5, 1) + acucar.mid(6, 1) + acucar.mid(8, 1), (QStringList{"-3,63", "1.234.567,90", "12,50"}));
  EXPECT_EQ(preco.value(3), QStringLiteral("QZX PREÇO €"));
  EXPECT_EQ(preco.value(6), "0,01");
  EXPECT_EQ(simples.value(3), "QZX SIMPLES");
  EXPECT_EQ(simples.value(1), "");
  EXPECT_EQ(simples.value(6), "-1.000,00");
}
