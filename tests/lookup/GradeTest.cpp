#include <gtest/gtest.h>

#include <QFile>
#include <QXmlStreamReader>

#include "core/OperadorRoteiro.h"
#include "core/Tela.h"
#include "core/Teclas.h"
#include "lookup/ClGrade1.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

namespace {

const QStringList kLinhas = {"1\tArroz Tipo 1\tCampinas", "2\tFeijão Carioca\tValinhos", "3\tARROZ INTEGRAL\tCampinas",
                             "4\tAçúcar <Cristal> & Cia\tCampinas", "5\tarroz parboilizado\tSumaré"};

struct TelaGrade : Tela {
  explicit TelaGrade(Aplicacao &app) : Tela(app, "TelaGrade", "Grade & <Teste>") {
    adiciona("Pergunta", TipoCampo::Texto);
    Campo &g = adiciona("Grade", TipoCampo::Grade);
    adiciona("Barra", TipoCampo::Progresso);
    adiciona("Anda", TipoCampo::Rotulo);
    Grade &grade = *g.grade();
    grade.FormatString(">Codigo|<Nome|<Cidade");
    for (const QString &l : kLinhas) grade.AddItem(l);
  }
};

struct Ajudante : ::testing::Test {
  testsupport::TempDrive drive;
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  TelaGrade tela{app};
  ClGrade1 ajudante{tela, tela.campo("Grade")};
  Grade &g = tela.grade("Grade");

  void SetUp() override {
    estado.usaOperador(operador);
    ClGrade1::TextoBusca.clear();
    ClGrade1::LinhaAchada = 0;
    app.mostra(tela);
    tela.focaCampo("Grade");
    g.setRow(1);
    g.setCol(1);
  }
  void tecla(int t) { tela.teclaBaixo(t); }
};

}  // namespace

TEST_F(Ajudante, F2FindsAPartOfACellAndF3WrapsToTheTopOnce) {
  tecla(tecla::F3);  // before any F2: nothing
  EXPECT_EQ(g.Row(), 1);
  EXPECT_TRUE(operador.eventos().isEmpty());
  operador.respondeEntrada("arroz");
  tecla(tecla::F2);
  ASSERT_EQ(operador.eventos().size(), 1);
  EXPECT_EQ(operador.eventos()[0].entrada.titulo, "PESQUISA COLUNA: Nome");
  EXPECT_EQ(operador.eventos()[0].entrada.pergunta, "DIGITE UMA PARTE DO DADO A SER PESQUISADO");
  EXPECT_EQ(operador.eventos()[0].entrada.x, 100);
  EXPECT_EQ(g.Row(), 1);
  tecla(tecla::F3);
  EXPECT_EQ(g.Row(), 3);
  tecla(tecla::F3);
  EXPECT_EQ(g.Row(), 5);
  tecla(tecla::F3);  // past the last match: from the top again
  EXPECT_EQ(g.Row(), 1);
  operador.respondeEntrada("nada disso");
  tecla(tecla::F2);
  tecla(tecla::F3);
  EXPECT_EQ(g.Row(), 1);  // nothing found: nothing moves
}

// F4 keeps the rows whose column holds every word typed, in any case; the
// last row always stays; an empty answer changes nothing.
TEST_F(Ajudante, MinimizeKeepsTheRowsHoldingEveryWord) {
  const struct {
    const char *palavras;
    QStringList codigos;
    const char *aviso;
  } casos[] = {
      {"arroz", {"1", "3", "5"}, "Foram excluidas 2 Linhas da grade !"},
      {"ARROZ integral", {"3"}, "Foram excluidas 4 Linhas da grade !"},
      {"inexistente", {}, "Foram excluidas 4 Linhas da grade !"},  // one row stays
      {"", {"1", "2", "3", "4", "5"}, nullptr},
  };
  for (const auto &c : casos) {
    SCOPED_TRACE(c.palavras);
    g.LimpaLinhas();
    for (const QString &l : kLinhas) g.AddItem(l);
    operador.respondeEntrada(c.palavras);
    tecla(tecla::F4);
    QStringList codigos;
    for (int r = 1; r < g.Rows(); ++r) codigos << g.TextMatrix(r, 0);
    EXPECT_EQ(codigos.size(), c.codigos.isEmpty() ? 1 : c.codigos.size());
    if (!c.codigos.isEmpty()) {
      EXPECT_EQ(codigos, c.codigos);
    }
    if (c.aviso) {
      EXPECT_EQ(tela.campo("Anda").texto(), c.aviso);
    }
  }
  EXPECT_EQ(operador.eventos()[0].entrada.titulo, "MINIMIZA PESQUISA POR : Nome");
  EXPECT_EQ(operador.eventos()[0].entrada.pergunta, QStringLiteral("DIGITE ATÉ 3 PALAVRAS DA COLUNA 2"));
}

TEST_F(Ajudante, RepeatCopiesTheTaggedColumnsDownwards) {
  tela.campo("Grade").tag = "1-2|1-2";
  g.setRow(2);
  tecla(tecla::F8);
  EXPECT_EQ(g.TextMatrix(3, 1), QStringLiteral("Feijão Carioca"));
  EXPECT_EQ(g.TextMatrix(5, 2), "Valinhos");
  EXPECT_EQ(g.TextMatrix(1, 1), "Arroz Tipo 1");  // rows above stay
  EXPECT_EQ(g.TextMatrix(3, 0), "3");             // columns outside the range stay
}

TEST_F(Ajudante, HtmlExportIsAWellFormedTableOfTheGrid) {
  QDir().mkpath(drive.path("kw-velt"));
  operador.respondeMensagem(Resposta::Cancelar);
  tecla(tecla::F11);
  ASSERT_EQ(operador.mensagens().size(), 1);
  EXPECT_EQ(operador.eventos()[0].mensagem.botoes, Botoes::SimNaoCancelar);
  EXPECT_EQ(operador.eventos()[0].mensagem.icone, Icone::Critico);
  EXPECT_TRUE(operador.mensagens()[0].startsWith(QStringLiteral("Foi criado o seguinte Documento C:\\KW-VELT\\GRADE.HTML\n")));
  // Written as "Grade.Html", opened as "grade.html": one file.
  QFile arquivo(platform::hostPath("c:\\kw-velt\\grade.html"));
  ASSERT_TRUE(arquivo.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&arquivo);
  QList<QStringList> linhas;
  QString celula;
  bool emCelula = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == QStringLiteral("tr")) linhas.append(QStringList());
    if (xml.isStartElement() && (xml.name() == QStringLiteral("td") || xml.name() == QStringLiteral("th"))) {
      emCelula = true;
      celula.clear();
    }
    if (xml.isCharacters() && emCelula) celula += xml.text();
    if (xml.isEndElement() && (xml.name() == QStringLiteral("td") || xml.name() == QStringLiteral("th"))) {
      emCelula = false;
      linhas.last() << celula;
    }
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  ASSERT_EQ(linhas.size(), g.Rows());
  for (int r = 0; r < g.Rows(); ++r) EXPECT_EQ(linhas[r], g.linha(r)) << r;
  EXPECT_EQ(tela.focado()->nome(), "Grade");
}

TEST_F(Ajudante, HtmlExportOpensTheSpreadsheetOrTellsItIsMissing) {
  QDir().mkpath(drive.path("kw-velt"));
  operador.respondeMensagem(Resposta::Sim);
  tecla(tecla::F11);
  ASSERT_EQ(operador.mensagens().size(), 2);
  EXPECT_EQ(operador.mensagens()[1], QStringLiteral("Não foi possível abrir c:\\kw-velt\\excel.exe."));
  const QString navegador = drive.path("kw-velt/theworld.exe");
  QFile script(navegador);
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write("#!/bin/sh\nexit 0\n");
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  operador.respondeMensagem(Resposta::Nao);
  tecla(tecla::F11);
  EXPECT_EQ(operador.mensagens().size(), 3);  // the export message only
}

TEST_F(Ajudante, GridFocusShowsTheHelpLine) {
  tela.focaCampo("Pergunta");
  tela.focaCampo("Grade");
  EXPECT_EQ(estado.LbMens, ClGrade1::TextoAjudaGrade);
}

// Rows kept in blocks (a search's result) behave as rows of their own: read,
// edited, coloured, moved, removed and filtered cell by cell, and blocks
// appended one after another keep their order.
TEST(GradeCompacta, BlockRowsReadEditColourAndFilterLikeRowsOfTheirOwn) {
  Grade g;
  g.FormatString(">Codigo|<Nome|<Cidade");
  std::vector<QStringList> esperadas;  // what every data row must read
  auto bloco = [&](int primeiro, int n) {
    LinhasCompactas b(g.Cols());
    for (int i = primeiro; i < primeiro + n; ++i) {
      // Row 31 holds a character beyond Latin-1: its block goes on in UTF-16.
      const QStringList l{QString::number(i),
                          i % 3 ? QStringLiteral("Feijão %1%2").arg(i).arg(i == 31 ? QStringLiteral(" €") : QString())
                                : QStringLiteral("ARROZ %1").arg(i),
                          i % 2 ? "" : "Campinas"};
      b.acrescentaLinha(l);
      esperadas.push_back(l);
    }
    return b;
  };
  g.substituiLinhas(bloco(0, 7));
  for (int k = 1; k < 60; ++k) g.acrescentaLinhas(bloco(k * 7, 7));
  // Long cells (a cell's length is kept in one byte up to 254).
  g.acrescentaLinhas(QList<QStringList>{{"999", "avulsa"}, {QString(254, 'a'), QString(255, 'b'), QString(300, 'c')}});
  esperadas.push_back({"999", "avulsa", ""});
  esperadas.push_back({QString(254, 'a'), QString(255, 'b'), QString(300, 'c')});
  auto confere = [&](int linha) {
    ASSERT_EQ(g.Rows(), static_cast<int>(esperadas.size()) + 1) << linha;
    for (int r = 1; r < g.Rows(); ++r) {
      ASSERT_EQ(g.linha(r), esperadas[r - 1]) << "row " << r << " (line " << linha << ")";
      ASSERT_EQ(g.celula(r, 1).toString(), esperadas[r - 1][1]) << "row " << r << " (line " << linha << ")";
    }
    EXPECT_EQ(g.TextMatrix(0, 1), "Nome");
    EXPECT_EQ(g.TextMatrix(1, 3), "");  // outside the columns
  };
  confere(__LINE__);

  // An edited cell changes alone: its neighbours in the block keep theirs.
  g.setTextMatrix(9, 1, QStringLiteral("Açúcar"));
  esperadas[8][1] = QStringLiteral("Açúcar");
  confere(__LINE__);
  // A colour on a block row, and rows inserted and removed above it: it
  // follows its row, and the text stays.
  g.setCorFundoCelula(20, 2, 0x0000FF);
  g.AddItem("a\tb\tc", 3);
  esperadas.insert(esperadas.begin() + 2, {"a", "b", "c"});
  g.RemoveItem(1);
  esperadas.erase(esperadas.begin());
  confere(__LINE__);
  EXPECT_EQ(g.corFundoCelula(20, 2), 0x0000FFu);
  EXPECT_EQ(g.corFundoCelula(20, 1), CorFundoGrade);
  EXPECT_EQ(g.corFundoCelula(19, 2), CorFundoGrade);

  // Filtering by one column's cell and by whole rows keeps the same rows.
  Grade copia = g;
  const int removidas = g.mantemLinhas(1, [](QAnyStringView c) { return c.toString().startsWith("ARROZ"); });
  const int removidasCopia = copia.mantemLinhas([](const QStringList &l) { return l[1].startsWith("ARROZ"); });
  EXPECT_EQ(removidas, removidasCopia);
  ASSERT_EQ(g.Rows(), copia.Rows());
  for (int r = 0; r < g.Rows(); ++r) EXPECT_EQ(g.linha(r), copia.linha(r)) << r;
  std::vector<QStringList> arroz;
  for (const QStringList &l : esperadas)
    if (l[1].startsWith("ARROZ")) arroz.push_back(l);
  esperadas = arroz;
  confere(__LINE__);

  // Fewer columns cut the cells; more columns come back blank.
  g.setCols(2);
  g.setCols(3);
  for (QStringList &l : esperadas) l[2].clear();
  confere(__LINE__);

  // Cleared cells are blank and colourless; the rows stay.
  g.setCorLinha(2, 0x0000FF, 0x00FF00);
  g.limpaCelulas();
  for (QStringList &l : esperadas) l = QStringList{"", "", ""};
  confere(__LINE__);
  EXPECT_EQ(g.corFundoCelula(2, 0), CorFundoGrade);

  // A new search's rows replace everything but the headers.
  esperadas.clear();
  g.substituiLinhas(bloco(5, 3));
  confere(__LINE__);
  g.LimpaLinhas();
  EXPECT_EQ(g.Rows(), 1);
  EXPECT_EQ(g.TextMatrix(0, 1), "Nome");
}

// A large block whose columns repeat a few texts (a maker, a state) keeps
// them once: every cell still reads back as it went in, next to columns of
// distinct texts, in Latin-1 and in UTF-16 blocks, at the edge of 256
// distinct texts, with long cells, and after edits, filters and column cuts.
TEST(GradeCompacta, ColumnsOfFewTextsReadBackCellByCell) {
  Grade g;
  g.FormatString(">Codigo|<Fabrica|<Estado|<Descricao|<Lote|<Longa");
  std::vector<QStringList> esperadas;
  auto bloco = [&](int primeiro, int n, bool largo) {
    LinhasCompactas b(g.Cols());
    for (int i = primeiro; i < primeiro + n; ++i) {
      const QStringList l{QString::number(i),
                          QStringLiteral("FÁBRICA %1%2").arg(i % 7).arg(largo && i % 7 == 3 ? QStringLiteral(" €") : QString()),
                          i % 5 ? QStringLiteral("ATIVO") : QString(),
                          QStringLiteral("PRODUTO NÚMERO %1").arg(i * 7919 % 100003),
                          // 256 distinct in the first block (the most a column by value holds), 257 in the second.
                          QStringLiteral("LOTE DE FABRICAÇÃO %1").arg((i - primeiro) % (primeiro ? 257 : 256)),
                          i % 400 == 17 ? QString(300, QLatin1Char('x')) : QStringLiteral("curta")};
      b.acrescentaLinha(l);
      esperadas.push_back(l);
    }
    return b;
  };
  g.substituiLinhas(bloco(0, 3000, false));
  g.acrescentaLinhas(bloco(3000, 3000, true));
  g.acrescentaLinhas(bloco(6000, 40, false));
  auto confere = [&](int linha) {
    ASSERT_EQ(g.Rows(), static_cast<int>(esperadas.size()) + 1) << linha;
    for (int r = 1; r < g.Rows(); ++r) {
      ASSERT_EQ(g.linha(r), esperadas[r - 1]) << "row " << r << " (line " << linha << ")";
      for (int c = 0; c < g.Cols(); ++c)
        ASSERT_EQ(g.celula(r, c).toString(), esperadas[r - 1][c]) << "row " << r << " col " << c << " (line " << linha << ")";
    }
  };
  confere(__LINE__);

  // An edited cell of a column by value changes alone.
  g.setTextMatrix(10, 1, QStringLiteral("OUTRA"));
  esperadas[9][1] = QStringLiteral("OUTRA");
  g.setTextMatrix(3500, 2, QStringLiteral("INATIVO"));
  esperadas[3499][2] = QStringLiteral("INATIVO");
  confere(__LINE__);

  // Filtering on a column by value keeps the same rows as filtering whole rows.
  Grade copia = g;
  auto fica = [](const QString &fabrica) { return fabrica.startsWith(QStringLiteral("FÁBRICA 3")); };
  g.mantemLinhas(1, [&](QAnyStringView c) { return fica(c.toString()); });
  copia.mantemLinhas([&](const QStringList &l) { return fica(l[1]); });
  std::vector<QStringList> ficaram;
  for (const QStringList &l : esperadas)
    if (fica(l[1])) ficaram.push_back(l);
  esperadas = ficaram;
  confere(__LINE__);
  ASSERT_EQ(copia.Rows(), g.Rows());
  for (int r = 0; r < g.Rows(); ++r) EXPECT_EQ(copia.linha(r), g.linha(r)) << r;

  // Fewer columns cut the cells, more come back blank.
  g.setCols(2);
  g.setCols(6);
  for (QStringList &l : esperadas)
    for (int c = 2; c < 6; ++c) l[c].clear();
  confere(__LINE__);
}

// Rows of a block made header rows (a larger FixedRows) keep their texts when
// the rows below are taken out, replaced by a preview and put back.
TEST(GradeCompacta, HeaderRowsFromABlockOutliveTheBlocksTakenOut) {
  Grade g;
  g.FormatString("<A|<B");
  g.substituiLinhas(QList<QStringList>{{"a1", "b1"}, {"a2", "b2"}, {"a3", "b3"}});
  g.FixedRows = 2;
  {
    Grade::Guardadas antes = g.guardaLinhas();
    g.acrescentaLinhas(QList<QStringList>{{"previa", "x"}});
    g.devolveLinhas(std::move(antes));
  }
  ASSERT_EQ(g.Rows(), 4);
  EXPECT_EQ(g.linha(1), (QStringList{"a1", "b1"}));
  EXPECT_EQ(g.linha(3), (QStringList{"a3", "b3"}));
  Grade::Guardadas fora = g.guardaLinhas();
  g.substituiLinhas(QList<QStringList>{{"n1", "m1"}});
  { Grade::Guardadas descartada = std::move(fora); }
  EXPECT_EQ(g.linha(1), (QStringList{"a1", "b1"}));
  EXPECT_EQ(g.linha(2), (QStringList{"n1", "m1"}));
}
