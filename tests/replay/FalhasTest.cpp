// The power going off while a sale is being closed, at each step of the
// closing: a first run sells and closes with F7 and dies at that step; a
// second run on the same drive and printer only logs in. Afterwards the sale
// is in the database exactly once (or not at all when the printer never
// closed its coupon), the journal holds nothing pending and the release
// program ran once for it. Each test has a drive of its own, so coupon
// numbers and the database start alike.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QThread>

#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/TerminalState.h"
#include "replay/Roteiro.h"
#include "support/TestSupport.h"

namespace {

// The login on a printer the previous run left with its day open.
const QString LoginDiaAberto = "type 1\nkey Enter\ntype 1234\nkey Enter\n";

// Two items (rice and mineral water), closed in the summarised dialog.
const QString VendaResumida = "key F2\ntype 1.\nkey Enter\ntype 8.\nkey Enter\nkey F7\nkey F7\n";
// The same items paid on the payment grid (cash for the whole), closed in
// the complete dialog.
const QString VendaCompleta = "key F2\ntype 1.\nkey Enter\ntype 8.\nkey Enter\nkey F4\nkey Enter\ntype 1\nkey Enter\n"
                              "key Enter\nkey Enter\nkey Enter\nkey Esc\nkey F7\nkey F7\n";

struct Corte {
  const char *ponto;
  bool completo;
  bool impressoraFechou;  // the printer closed the coupon before the cut
};

void PrintTo(const Corte &c, std::ostream *os) { *os << c.ponto << (c.completo ? " (complete)" : " (summarised)"); }

std::string nome(const ::testing::TestParamInfo<Corte> &i) {
  std::string n = i.param.ponto;
  for (char &c : n)
    if (c == '-') c = '_';
  return n + (i.param.completo ? "_Completo" : "_Resumido");
}

class CorteDeEnergia : public ::testing::TestWithParam<Corte> {};

}  // namespace

TEST_P(CorteDeEnergia, TheNextStartLeavesTheSaleRecordedOnceOrCancelled) {
  const Corte corte = GetParam();
  Drive drive;
  const qlonglong ultimo = drive.numero("Select Max(CodEpn) From Tb_Vda_CadEpn");
  const QString novas = QString(" From Tb_Vda_CadEpn Where CodEpn > %1").arg(ultimo);

  QString primeira;
  const int saida =
      drive.roda("# cut at " + QString(corte.ponto) + "\n" + Login + (corte.completo ? VendaCompleta : VendaResumida),
                 primeira, corte.ponto);
  ASSERT_NE(saida, 0) << "the run was to die at " << corte.ponto << "\n" << primeira.toStdString();
  ASSERT_TRUE(primeira.contains(corte.completo ? "open Fecha_Cupom_Completo" : "open Fecha_Cupom_Resumo"))
      << primeira.toStdString();
  const bool gravouAntes = QString(corte.ponto) == "banco-gravou";
  EXPECT_EQ(drive.numero("Select Count(*)" + novas), gravouAntes ? 1 : 0);

  QString segunda;
  ASSERT_EQ(drive.roda(LoginDiaAberto + "dump\n", segunda), 0) << segunda.toStdString();
  EXPECT_TRUE(segunda.contains("dump PForm ")) << segunda.toStdString();
  EXPECT_TRUE(drive.pendentes().isEmpty()) << drive.pendentes().join(' ').toStdString();
  EXPECT_FALSE(segunda.contains("message [exclamation]")) << segunda.toStdString();

  if (!corte.impressoraFechou) {
    // The coupon left open is cancelled at start-up and nothing is recorded.
    EXPECT_TRUE(segunda.contains("ecf EcfCancelaCupom(")) << segunda.toStdString();
    EXPECT_EQ(drive.numero("Select Count(*)" + novas), 0);
    EXPECT_TRUE(drive.gravadas().isEmpty());
    EXPECT_TRUE(drive.liberacoes(0).isEmpty());
    return;
  }
  EXPECT_FALSE(segunda.contains("ecf EcfCancelaCupom(")) << segunda.toStdString();
  ASSERT_EQ(drive.numero("Select Count(*)" + novas), 1);
  const qlonglong codigo = drive.numero("Select CodEpn" + novas);
  const qlonglong cupom = drive.numero(QString("Select NfiEpn From Tb_Vda_CadEpn Where CodEpn=%1").arg(codigo));
  EXPECT_GT(cupom, 0);
  EXPECT_EQ(drive.numero(QString("Select Count(*) From Tb_Vda_CadEpn Where NfsEpn='001' And NfiEpn=%1").arg(cupom)), 1);
  EXPECT_EQ(drive.numero(QString("Select Count(*) From Tb_Vda_CadEpnIt Where CodEpnIt=%1").arg(codigo)), 2);
  EXPECT_EQ(drive.numero(QString("Select Count(*) From TB_VDA_CADNOT Where EpnNot=%1").arg(codigo)), 1);
  EXPECT_EQ(drive.numero(QString("Select Count(*) From TB_VDA_EPNPAG Where EpnPag=%1").arg(codigo)),
            corte.completo ? 1 : 0);
  EXPECT_EQ(drive.gravadas().size(), 1);
  const QStringList liberacoes = drive.liberacoes(1);
  ASSERT_EQ(liberacoes.size(), 1) << liberacoes.join('\n').toStdString();
  EXPECT_TRUE(liberacoes[0].contains(QString(" %1 1").arg(codigo))) << liberacoes[0].toStdString();
  // The marker handed over is the one the header holds.
  const qlonglong marcador = drive.numero(QString("Select StaEpn From Tb_Vda_CadEpn Where CodEpn=%1").arg(codigo));
  EXPECT_TRUE(liberacoes[0].contains(QString(" %1 %2 ").arg(marcador).arg(codigo))) << liberacoes[0].toStdString();

  // The desk goes on: the next coupon is sold and recorded once.
  QString terceira;
  ASSERT_EQ(drive.roda(LoginDiaAberto + VendaResumida, terceira), 0) << terceira.toStdString();
  EXPECT_EQ(drive.numero("Select Count(*)" + novas), 2) << terceira.toStdString();
  EXPECT_EQ(drive.numero(QString("Select Count(*) From Tb_Vda_CadEpn Where NfsEpn='001' And NfiEpn=%1").arg(cupom)), 1);
  EXPECT_TRUE(drive.pendentes().isEmpty());
  EXPECT_EQ(drive.liberacoes(2).size(), 2);
}

INSTANTIATE_TEST_SUITE_P(Fechamento, CorteDeEnergia,
                         ::testing::Values(Corte{"diario-fechando", false, false},
                                           Corte{"diario-fechando", true, false},
                                           Corte{"impressora-fechou", false, true},
                                           Corte{"impressora-fechou", true, true},
                                           Corte{"diario-fechada", false, true},
                                           Corte{"diario-fechada", true, true},
                                           Corte{"banco-gravou", false, true},
                                           Corte{"banco-gravou", true, true}),
                         nome);

// A journal file cut short (the disk filled, a copy broke off) is told at
// start-up with its path and left where it is; the desk starts and sells.
TEST(Diario, AFileThatIsNotJsonIsToldAtStartAndLeftInPlace) {
  Drive drive;
  QDir().mkpath(drive.caminho("kw-velt/vendas"));
  const QString quebrado = drive.caminho("kw-velt/vendas/001-000900-20261206.venda");
  const QByteArray conteudo = "{\n  \"situacao\": \"fechada\",\n  \"venda\": {\n    \"caixa\": \"001\",\n    \"cup";
  {
    QFile f(quebrado);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(conteudo);
  }
  const qlonglong ultimo = drive.numero("Select Max(CodEpn) From Tb_Vda_CadEpn");
  QString t;
  ASSERT_EQ(drive.roda(Login + VendaResumida + "timers\n", t), 0) << t.toStdString();
  const QStringList avisos = t.split('\n').filter("message [");
  ASSERT_FALSE(avisos.filter("001-000900-20261206.venda").isEmpty()) << t.toStdString();
  EXPECT_TRUE(avisos.filter("001-000900-20261206.venda")[0].contains(quebrado)) << avisos.join('\n').toStdString();
  // Told once, at start-up, not again after each sale or on the timer.
  EXPECT_EQ(avisos.filter("001-000900-20261206.venda").size(), 1) << avisos.join('\n').toStdString();
  QFile f(quebrado);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), conteudo);
  EXPECT_EQ(drive.numero(QString("Select Count(*) From Tb_Vda_CadEpn Where CodEpn > %1").arg(ultimo)), 1);
  EXPECT_EQ(drive.pendentes(), QStringList{"001-000900-20261206.venda"});
}

// The journal cannot take the recorded mark (its folder for recorded sales is
// blocked by a file of that name): the sale is in the database once, its entry
// stays pending and the release program waits; the next start, with the
// folder free, marks it and releases it, once.
TEST(Diario, AMarkThatDoesNotReachTheDiskReleasesTheSaleOnceLater) {
  Drive drive;
  QDir().mkpath(drive.caminho("kw-velt/vendas"));
  const QString bloqueio = drive.caminho("kw-velt/vendas/gravadas");
  {
    QFile f(bloqueio);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  const qlonglong ultimo = drive.numero("Select Max(CodEpn) From Tb_Vda_CadEpn");
  const QString novas = QString(" From Tb_Vda_CadEpn Where CodEpn > %1").arg(ultimo);
  QString t;
  ASSERT_EQ(drive.roda(Login + VendaResumida + "timers\n", t), 0) << t.toStdString();
  EXPECT_EQ(drive.numero("Select Count(*)" + novas), 1);
  EXPECT_EQ(drive.pendentes().size(), 1);
  EXPECT_TRUE(drive.liberacoes(0).isEmpty()) << drive.liberacoes(0).join('\n').toStdString();

  ASSERT_TRUE(QFile::remove(bloqueio));
  ASSERT_EQ(drive.roda(LoginDiaAberto, t), 0) << t.toStdString();
  EXPECT_EQ(drive.numero("Select Count(*)" + novas), 1);
  EXPECT_TRUE(drive.pendentes().isEmpty());
  EXPECT_EQ(drive.gravadas().size(), 1);
  const qlonglong codigo = drive.numero("Select CodEpn" + novas);
  const QStringList liberacoes = drive.liberacoes(1);
  ASSERT_EQ(liberacoes.size(), 1) << liberacoes.join('\n').toStdString();
  EXPECT_TRUE(liberacoes[0].contains(QString(" %1 1").arg(codigo))) << liberacoes[0].toStdString();
}
