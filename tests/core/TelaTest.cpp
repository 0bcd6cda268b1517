#include <gtest/gtest.h>

#include "core/OperadorRoteiro.h"
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

TEST(GradeTest, LayoutStringRowsAndColours) {
  Grade g;
  g.FormatString(">Código|<Descrição|^Dt Vencimento");
  ASSERT_EQ(g.Cols(), 3);
  EXPECT_EQ(g.TextMatrix(0, 1), "Descrição");
  EXPECT_EQ(g.alinhamento(0), AlinhamentoColuna::Direita);
  EXPECT_EQ(g.alinhamento(2), AlinhamentoColuna::Centro);
  g.AddItem("1\tArroz\t01/01/2027");
  g.AddItem("2\tFeijão");
  g.AddItem("0\tPrimeiro", 1);
  EXPECT_EQ(g.Rows(), 4);
  EXPECT_EQ(g.TextMatrix(1, 1), "Primeiro");
  EXPECT_EQ(g.TextMatrix(3, 2), "");
  g.RemoveItem(1);
  EXPECT_EQ(g.TextMatrix(1, 1), "Arroz");
  g.setCorFundoCelula(1, 1, 0x0000FF);
  EXPECT_EQ(g.corFundoCelula(1, 1), 0x0000FFu);
  EXPECT_EQ(g.corFundoCelula(2, 1), 0xFFFFFFu);
  g.LimpaLinhas();
  EXPECT_EQ(g.Rows(), 1);
  EXPECT_EQ(g.TextMatrix(0, 0), "Código");
}
