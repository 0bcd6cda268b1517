#include <gtest/gtest.h>

#include "core/OperadorRoteiro.h"
#include "core/Programas.h"
#include "core/Tela.h"
#include "core/Teclas.h"
#include "support/TestSupport.h"

namespace {

// A small screen with three text fields, a button and a grid.
struct TelaExemplo : Tela {
  explicit TelaExemplo(Aplicacao &app) : Tela(app, "Exemplo", "Exemplo de Tela") {
    adiciona("A", TipoCampo::Texto).toolTip = "Ajuda de A";
    adiciona("Rotulo", TipoCampo::Rotulo);
    adiciona("B", TipoCampo::Texto);
    adiciona("C", TipoCampo::Texto).tag = "N";
    adiciona("Ok", TipoCampo::Botao);
    adiciona("Grade", TipoCampo::Grade);
  }
};

struct Engine : ::testing::Test {
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  TelaExemplo tela{app};
  QStringList eventos;

  void SetUp() override {
    for (const char *nome : {"A", "B", "C"}) {
      Campo &c = tela.campo(nome);
      c.aoGanharFoco = [this, nome] { eventos << QString("got ") + nome; };
      c.aoPerderFoco = [this, nome] { eventos << QString("lost ") + nome; };
    }
    app.mostra(tela);
  }
};

}  // namespace

TEST_F(Engine, FirstFieldTakesTheFocusWithTheCurrentFieldColours) {
  ASSERT_EQ(tela.focado(), &tela.campo("A"));
  EXPECT_EQ(tela.campo("A").corFundo(), CorCampoAtual);
  EXPECT_EQ(estado.LbMens, "Ajuda de A");
  tela.teclaBaixo(tecla::Enter);
  EXPECT_EQ(tela.focado(), &tela.campo("B"));
  EXPECT_EQ(tela.campo("A").corFundo(), CorJanela);  // restored
  EXPECT_EQ(tela.campo("B").corFundo(), CorCampoAtual);
  EXPECT_TRUE(estado.LbMens.isEmpty());
}

TEST_F(Engine, EnterDownAndUpNavigateSkippingLabelsAndDisabledFields) {
  tela.campo("B").setEnabled(false);
  tela.teclaBaixo(tecla::Abaixo);
  EXPECT_EQ(tela.focado()->nome(), "C");
  tela.teclaBaixo(tecla::Acima);
  EXPECT_EQ(tela.focado()->nome(), "A");
  tela.teclaBaixo(tecla::Acima);  // wraps to the last control that takes the focus
  EXPECT_EQ(tela.focado()->nome(), "Grade");
  tela.teclaBaixo(tecla::Tab, tecla::MascaraShift);
  EXPECT_EQ(tela.focado()->nome(), "Ok");
}

TEST_F(Engine, RefusedValidationKeepsTheFocusAndChangesNothing) {
  tela.digita("x");
  tela.campo("A").aoValidar = [this] { return tela.campo("A").texto() == "ok"; };
  eventos.clear();
  tela.teclaBaixo(tecla::Enter);
  EXPECT_EQ(tela.focado()->nome(), "A");
  EXPECT_TRUE(eventos.isEmpty());  // no lost or got focus
  EXPECT_EQ(tela.campo("A").corFundo(), CorCampoAtual);
  EXPECT_EQ(tela.campo("A").texto(), "x");
  tela.campo("A").setTexto("ok");
  tela.teclaBaixo(tecla::Enter);
  EXPECT_EQ(eventos, QStringList({"lost A", "got B"}));
}

TEST_F(Engine, ValidationMayMoveTheFocusElsewhere) {
  tela.focaCampo("B");
  tela.campo("B").aoValidar = [this] {
    tela.focaCampo("A");  // e.g. back to the first field after a refusal
    return false;
  };
  tela.teclaBaixo(tecla::Enter);
  EXPECT_EQ(tela.focado()->nome(), "A");
}

TEST_F(Engine, AValidationThatThrowsLeavesLaterValidationsWorking) {
  tela.campo("A").aoValidar = [] () -> bool { throw std::runtime_error("program ended"); };
  EXPECT_THROW(tela.teclaBaixo(tecla::Enter), std::runtime_error);
  int validacoes = 0;
  tela.campo("A").aoValidar = [&] { ++validacoes; return false; };
  tela.teclaBaixo(tecla::Enter);
  EXPECT_EQ(validacoes, 1);
  EXPECT_EQ(tela.focado()->nome(), "A");
}

TEST_F(Engine, KeyPreviewSeesKeysFirstAndMaySwallowThem) {
  QStringList vistos;
  tela.keyPreview = true;
  tela.aoTeclarForm = [&](int &t, int) {
    vistos << "form " + QString::number(t);
    if (t == tecla::F2) t = 0;
  };
  tela.campo("A").aoTeclarBaixo = [&](int &t, int) { vistos << "field " + QString::number(t); };
  tela.teclaBaixo(tecla::F2);
  tela.teclaBaixo(tecla::F3);
  EXPECT_EQ(vistos, QStringList({"form 113", "form 114", "field 114"}));
}

TEST_F(Engine, TypingReplacesTheSelectionAndHonoursKeyPressHandlers) {
  tela.campo("A").setTexto("antigo");
  tela.focaCampo("B");
  tela.focaCampo("A");  // whole text selected on entry
  tela.digita("12a3");
  tela.campo("A").aoTeclarCaractere = [](int &c) { if (c < '0' || c > '9') c = 0; };
  tela.digita("x4");
  EXPECT_EQ(tela.campo("A").texto(), "12a34");
  tela.teclaBaixo(tecla::Back);
  EXPECT_EQ(tela.campo("A").texto(), "12a3");
}

TEST_F(Engine, TypedCharactersRaiseKeyDownFirst) {
  QList<int> teclas;
  tela.campo("A").aoTeclarBaixo = [&](int &t, int) {
    teclas << t;
    t = 0;  // does not stop the character
  };
  tela.digita("a1 ,");
  EXPECT_EQ(teclas, QList<int>({'A', '1', ' '}));
  EXPECT_EQ(tela.campo("A").texto(), "a1 ,");
}

TEST_F(Engine, AmountFieldIsReformattedOnLeaving) {
  tela.focaCampo("C");
  tela.digita("1234,5");
  tela.teclaBaixo(tecla::Enter);
  EXPECT_EQ(tela.campo("C").texto(), "1.234,50");
}

TEST_F(Engine, CalculatorResultArrivesThroughTheClipboard) {
  area.setTexto("#Calc#12,75#");
  tela.focaCampo("B");
  EXPECT_EQ(tela.campo("B").texto(), "12,75");
  EXPECT_TRUE(area.texto().isEmpty());
  area.setTexto("plain text");
  tela.focaCampo("C");
  EXPECT_TRUE(tela.campo("C").texto().isEmpty());
  EXPECT_EQ(area.texto(), "plain text");
}

TEST_F(Engine, ClicksReachOnlyEnabledVisibleControls) {
  int cliques = 0;
  tela.campo("Ok").aoClicar = [&] { ++cliques; };
  tela.clica("Ok");
  tela.campo("Ok").setEnabled(false);
  tela.clica("Ok");
  EXPECT_EQ(cliques, 1);
  EXPECT_THROW(tela.clica("Inexistente"), std::out_of_range);
}

TEST_F(Engine, ModalScreenReturnsWhenHiddenAndTheOpenerIsActivatedAgain) {
  struct Dialogo : Tela {
    using Tela::Tela;
    int ativacoes = 0;
    void ativa() override { ++ativacoes; }
  } dialogo(app, "Dlg", "Dialogo");
  dialogo.adiciona("Valor", TipoCampo::Texto);
  bool rodou = false;
  app.executaModal = [&](Tela &t) {
    rodou = true;
    EXPECT_EQ(app.telaFrente(), &t);
    t.digita("9");
    app.esconde(t);
  };
  app.mostra(dialogo, true);
  EXPECT_TRUE(rodou);
  EXPECT_EQ(dialogo.campo("Valor").texto(), "9");
  EXPECT_EQ(app.telaFrente(), &tela);
}

TEST_F(Engine, AnUnloadStepThatEndsTheProgramStillTakesTheScreenOff) {
  struct Final : Tela {
    using Tela::Tela;
    void descarrega() override { throw std::runtime_error("program ended"); }
  } final(app, "Final", "Final");
  final.adiciona("X", TipoCampo::Texto);
  QStringList fechadas;
  app.aoDescarregar = [&](Tela &t) { fechadas << t.nomeTela(); };
  app.mostra(final);
  EXPECT_THROW(app.descarrega(final, true), std::runtime_error);
  EXPECT_FALSE(final.carregada());
  EXPECT_FALSE(app.telas().contains(&final));
  EXPECT_EQ(fechadas, QStringList({"Final"}));
  EXPECT_EQ(app.telaFrente(), &tela);
}

TEST_F(Engine, ArrowKeysMoveTheGridRowAndColumn) {
  Grade &g = tela.grade("Grade");
  g.FormatString("A|B|C");
  for (int i = 0; i < 5; ++i) g.AddItem("x\ty\tz");
  g.setRow(1);
  tela.focaCampo("Grade");
  tela.teclaBaixo(tecla::Abaixo);
  tela.teclaBaixo(tecla::Direita);
  tela.teclaBaixo(tecla::Direita);
  tela.teclaBaixo(tecla::Direita);  // stops at the last column
  EXPECT_EQ(g.Row(), 2);
  EXPECT_EQ(g.Col(), 2);
  tela.teclaBaixo(tecla::End);
  EXPECT_EQ(g.Row(), 5);
  tela.teclaBaixo(tecla::Home);
  tela.teclaBaixo(tecla::Acima);  // never onto the header
  EXPECT_EQ(g.Row(), 1);
}

TEST(GradeTest, ClearingAndFilteringAreOneChangeEach) {
  Grade g;
  g.FormatString("Codigo|Nome");
  QList<QStringList> linhas;
  for (int i = 0; i < 1000; ++i) linhas << QStringList{QString::number(i), i % 3 ? "outro" : "ARROZ"};
  g.substituiLinhas(linhas);
  int mudancas = 0;
  g.aoMudar = [&] { ++mudancas; };
  g.limpaCelulas();
  EXPECT_EQ(mudancas, 1);
  EXPECT_TRUE(g.TextMatrix(500, 1).isEmpty());
  EXPECT_EQ(g.TextMatrix(0, 1), "Nome");
  g.substituiLinhas(linhas);
  mudancas = 0;
  const int removidas = g.mantemLinhas([](const QStringList &l) { return l[1] == "ARROZ"; });
  EXPECT_EQ(mudancas, 1);
  EXPECT_EQ(removidas, 666);
  EXPECT_EQ(g.Rows(), 1 + 334);
  EXPECT_EQ(g.mantemLinhas([](const QStringList &) { return false; }), 333);
  EXPECT_EQ(g.Rows(), 2);  // the last row stays
}

TEST(GradeTest, PaymentLayoutGivesTenColumnsAndColoursBelongToTheirRow) {
  Grade g;
  g.FormatString(">Código|<Descrição                  |>Valor do Pgto|>Cheque|>Banco|>Agência|"
                 "<Emitente (Cheque) ou Prazo (Duplicata)                     |^Dt Vencimento|TP|Conv");
  ASSERT_EQ(g.Cols(), 10);
  const QStringList titulos{"Código", "Descrição", "Valor do Pgto", "Cheque", "Banco", "Agência",
                            "Emitente (Cheque) ou Prazo (Duplicata)", "Dt Vencimento", "TP", "Conv"};
  const QList<AlinhamentoColuna> alinhamentos{
      AlinhamentoColuna::Direita, AlinhamentoColuna::Esquerda, AlinhamentoColuna::Direita,
      AlinhamentoColuna::Direita, AlinhamentoColuna::Direita, AlinhamentoColuna::Direita,
      AlinhamentoColuna::Esquerda, AlinhamentoColuna::Centro, AlinhamentoColuna::Esquerda,
      AlinhamentoColuna::Esquerda};
  // The width is the column's text with its run of blanks.
  const QList<int> larguras{6, 27, 13, 6, 5, 7, 59, 13, 2, 4};
  for (int c = 0; c < 10; ++c) {
    EXPECT_EQ(g.TextMatrix(0, c), titulos[c]) << c;
    EXPECT_EQ(g.alinhamento(c), alinhamentos[c]) << c;
    EXPECT_EQ(g.ColWidth(c), larguras[c]) << c;
  }

  // A red row deleted takes its colour with it; the row that moves up keeps its own.
  for (int i = 1; i <= 3; ++i) g.AddItem(QString::number(i) + "\tforma");
  g.setCorLinha(2, 0x0000FF, 0xFFFFFF);
  g.setCorFundoCelula(3, 2, 0x00FF00);
  g.RemoveItem(2);
  EXPECT_EQ(g.TextMatrix(2, 0), "3");
  for (int c = 0; c < 10; ++c) {
    EXPECT_EQ(g.corFundoCelula(1, c), CorFundoGrade) << c;
    EXPECT_EQ(g.corFundoCelula(2, c), c == 2 ? 0x00FF00u : CorFundoGrade) << c;
    EXPECT_EQ(g.corFrenteCelula(2, c), CorFrenteGrade) << c;
  }
  // A row inserted above shifts the colours down with their row.
  g.AddItem("0\tnova", 1);
  EXPECT_EQ(g.TextMatrix(1, 1), "nova");
  EXPECT_EQ(g.TextMatrix(1, 2), "");  // a cell the row did not give
  EXPECT_EQ(g.corFundoCelula(3, 2), 0x00FF00u);
  EXPECT_EQ(g.corFundoCelula(1, 2), CorFundoGrade);
  // Cleared, no colour is left for the rows added after.
  g.setCorLinha(1, 0x0000FF, 0xFFFFFF);
  g.LimpaLinhas();
  EXPECT_EQ(g.Rows(), 1);
  EXPECT_EQ(g.TextMatrix(0, 0), "Código");
  for (int i = 1; i <= 3; ++i) g.AddItem("x");
  for (int r = 1; r <= 3; ++r)
    for (int c = 0; c < 10; ++c) {
      EXPECT_EQ(g.corFundoCelula(r, c), CorFundoGrade);
      EXPECT_EQ(g.corFrenteCelula(r, c), CorFrenteGrade);
    }
}

TEST(GradeTest, CurrentCellAndSelectionStayInsideTheGrid) {
  Grade g;
  g.FormatString("A|B|C");
  for (int i = 0; i < 5; ++i) g.AddItem("x\ty\tz");
  g.setPosicao(4, 2);
  g.setRowSel(5);
  g.setColSel(1);
  EXPECT_EQ(g.Row(), 4);
  EXPECT_EQ(g.Col(), 2);
  EXPECT_EQ(g.RowSel(), 5);
  g.RemoveItem(5);
  g.RemoveItem(4);
  // Rows gone under the current cell and selection bring them back inside.
  EXPECT_LE(g.Row(), g.Rows() - 1);
  EXPECT_LE(g.RowSel(), g.Rows() - 1);
  g.setTopRow(100);
  EXPECT_LE(g.TopRow(), g.Rows() - 1);
}

TEST_F(Engine, MaskedDateAndAmountFieldsTakeOnlyWhatTheyHold) {
  struct Campos : Tela {
    explicit Campos(Aplicacao &app) : Tela(app, "Campos", "Campos") {
      adiciona("Cpf", TipoCampo::Texto).setMascara("###.###.###-##");
      adiciona("Data", TipoCampo::Data);
      adiciona("Valor", TipoCampo::Moeda);
    }
  } t(app);
  app.mostra(t);
  Campo &cpf = t.campo("Cpf");
  EXPECT_EQ(cpf.texto(), "___.___.___-__");
  t.digita("123a.45");  // the letter is refused; a typed "." over the mask's own moves on
  EXPECT_EQ(cpf.texto(), "123.45_.___-__");
  t.digita("678901234");  // more than the mask holds is dropped
  EXPECT_EQ(cpf.texto(), "123.456.789-01");
  EXPECT_EQ(cpf.textoSemMascara(), "12345678901");
  t.teclaBaixo(tecla::Back);
  EXPECT_EQ(cpf.texto(), "123.456.789-0_");  // a position emptied, never removed

  t.focaCampo("Data");
  t.digita("07122026");
  EXPECT_EQ(t.campo("Data").texto(), "07/12/2026");

  t.focaCampo("Valor");
  Campo &valor = t.campo("Valor");
  valor.setTexto("");
  t.digita("-1.234,5x67");  // a letter and a third decimal are refused
  EXPECT_EQ(valor.texto(), "-1.234,56");
  valor.setTexto("");
  valor.selStart = 0;
  t.digita("12345678901234");  // fourteen integer digits do not fit an amount
  EXPECT_EQ(valor.texto(), "1234567890123");
  t.digita(",1,2");  // one decimal comma only
  EXPECT_EQ(valor.texto(), "1234567890123,12");
}

TEST_F(Engine, ListBoxSelectionAndAnchoredPanel) {
  struct Lista : Tela {
    explicit Lista(Aplicacao &app) : Tela(app, "Lista", "Lista") {
      adiciona("LX", TipoCampo::Lista);
      adiciona("Grade", TipoCampo::Grade);
      adiciona("FrmIt", TipoCampo::Painel);
    }
  } t(app);
  app.mostra(t);
  Campo &lx = t.campo("LX");
  QStringList mudancas;
  lx.aoMudar = [&] { mudancas << lx.texto(); };
  for (const char *i : {"DINHEIRO", "CHEQUE", "CARTAO"}) lx.adicionaItem(i);
  EXPECT_EQ(lx.ListIndex(), -1);
  t.focaCampo(lx);
  ASSERT_EQ(t.focado(), &lx) << (t.focado() ? t.focado()->nome().toStdString() : "none");
  t.teclaBaixo(tecla::Abaixo);
  t.teclaBaixo(tecla::Abaixo);
  t.teclaBaixo(tecla::Acima);
  EXPECT_EQ(lx.ListIndex(), 0);
  EXPECT_EQ(lx.texto(), "DINHEIRO");
  EXPECT_EQ(mudancas.size(), 3);
  lx.removeItem(0);
  EXPECT_EQ(lx.ListIndex(), -1);
  EXPECT_EQ(lx.texto(), "");

  Grade &g = t.grade("Grade");
  g.FormatString("A|B");
  for (int i = 0; i < 4; ++i) g.AddItem("x\ty");
  Campo &frame = t.campo("FrmIt");
  frame.ancoraNaLinha(t.campo("Grade"));
  g.setRow(3);
  EXPECT_EQ(frame.linhaAncorada(), 3);  // follows the current row
  frame.ancoraNaLinha(t.campo("Grade"), 2);
  g.setRow(1);
  EXPECT_EQ(frame.linhaAncorada(), 2);
  frame.desancora();
  EXPECT_EQ(frame.linhaAncorada(), -1);
}

TEST_F(Engine, ModelessScreensAreOwnedAndAModalNeedsARunner) {
  bool destruida = false;
  struct Solta : Tela {
    bool &d;
    Solta(Aplicacao &app, bool &destruida) : Tela(app, "Solta", "Solta"), d(destruida) {
      adiciona("A", TipoCampo::Texto);
    }
    ~Solta() override { d = true; }
  };
  Tela &solta = app.abreModeless(std::make_unique<Solta>(app, destruida));
  EXPECT_EQ(app.telaFrente(), &solta);
  app.trazFrente(tela);
  EXPECT_EQ(app.telaFrente(), &tela);
  EXPECT_EQ(estado.FormAtual, &tela);
  app.descarrega(solta);
  EXPECT_FALSE(destruida);  // its handler may still be running
  app.recolhe();
  EXPECT_TRUE(destruida);
  EXPECT_FALSE(app.telas().contains(static_cast<Tela *>(&solta)));

  // Without a runner a modal call would return at once, as if answered.
  TelaExemplo dialogo(app);
  app.executaModal = nullptr;
  EXPECT_THROW(app.mostra(dialogo, true), std::logic_error);
}

TEST(Programas, EveryStartIsToldWithItsCommandAndStyle) {
  struct Falso : ExecutorProgramas {
    bool iniciaDeFato(const QString &cmd, platform::WindowStyle) override { return !cmd.contains("nada"); }
  } executor;
  QStringList vistos;
  executor.observador = [&](const ProgramaIniciado &p) {
    vistos << p.linhaComando + " " + NomeEstiloJanela(p.estilo) + (p.iniciado ? " ok" : " failed");
  };
  EXPECT_TRUE(executor.inicia("calc.exe"));
  EXPECT_FALSE(executor.inicia("nada.exe", platform::WindowStyle::Maximized));
  EXPECT_EQ(vistos, (QStringList{"calc.exe normal ok", "nada.exe maximized failed"}));
}
