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
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/TerminalState.h"
#include "fiscal/sim/EcfSim.h"
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

// A kept sale as a desk of an earlier version wrote it (no printer serial):
// one item of rice (product 1) at 27,90, closed by operator 1, today.
struct Guardada {
  QString caixa = "001";
  qlonglong cupom = 900;
  QString faturamento = "1demo10:00:00";
  qlonglong produto = 1;
  QString total = "27.9000";
  QString valorItem = "27.9000";
  QString serie;  // empty: an entry of an older version
  QString situacao = "fechada";
  QStringList pagamento;  // one payment row (11 cells), or none
  QDate data = QDate::currentDate();

  QByteArray json() const {
    QJsonArray totais;
    totais << "27.9000";
    for (int i = 1; i < 7; ++i) totais << "0.0000";
    QJsonArray pagamentos;
    if (!pagamento.isEmpty()) pagamentos << QJsonArray::fromStringList(pagamento);
    QJsonObject venda{{"caixa", caixa},
                      {"cupom", QString::number(cupom)},
                      {"data", data.toString(Qt::ISODate)},
                      {"usuario", 1},
                      {"cliente", "0-CONSUMIDOR"},
                      {"vendedor", "0"},
                      {"operacao", 5102},
                      {"total", total},
                      {"local", 1},
                      {"faturamento", faturamento},
                      {"itens", QJsonArray{QJsonObject{{"item", 1},
                                                       {"produto", QString::number(produto)},
                                                       {"quantidade", "1000"},
                                                       {"unitario", valorItem},
                                                       {"precoLista", valorItem},
                                                       {"valor", valorItem},
                                                       {"tributacao", "000"}}}},
                      {"pagamentos", pagamentos},
                      {"totais", totais},
                      {"fechadaEm", data.toString(Qt::ISODate) + "T10:00:00"}};
    if (!serie.isEmpty()) venda["serie"] = serie;
    return QJsonDocument(QJsonObject{{"situacao", situacao}, {"venda", venda}}).toJson();
  }
  // The name an older version gave it.
  QString nome() const {
    return QString("%1-%2-%3.venda").arg(caixa).arg(cupom, 6, 10, QChar('0')).arg(data.toString("yyyyMMdd"));
  }
  void grava(const Drive &drive, const QString &relativo) const {
    const QString arquivo = drive.caminho("kw-velt/vendas/" + relativo);
    QDir().mkpath(QFileInfo(arquivo).absolutePath());
    QFile f(arquivo);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(json());
  }
};

QStringList arquivos(const Drive &drive, const QString &pasta, const QString &filtro = "*.venda") {
  return QDir(drive.caminho("kw-velt/vendas/" + pasta)).entryList({filtro}, QDir::Files, QDir::Name);
}

qlonglong gravadasDoCupom(const Drive &drive, const QString &caixa, qlonglong cupom) {
  return drive.numero(
      QString("Select Count(*) From Tb_Vda_CadEpn Where NfsEpn='%1' And NfiEpn=%2").arg(caixa).arg(cupom));
}

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
  const bool gravouAntes = QString(corte.ponto) == "banco-gravou" || QString(corte.ponto) == "liberacao-pendente";
  EXPECT_EQ(drive.numero("Select Count(*)" + novas), gravouAntes ? 1 : 0);

  QString segunda;
  ASSERT_EQ(drive.roda(LoginDiaAberto + "dump\n", segunda), 0) << segunda.toStdString();
  EXPECT_TRUE(segunda.contains("dump PForm ")) << segunda.toStdString();
  EXPECT_TRUE(drive.pendentes().isEmpty()) << drive.pendentes().join(' ').toStdString();
  EXPECT_FALSE(segunda.contains("message [exclamation]")) << segunda.toStdString();

  if (!corte.impressoraFechou) {
    // The coupon left open is cancelled at start-up and nothing is recorded;
    // its entry is kept aside, not deleted.
    EXPECT_TRUE(segunda.contains("ecf EcfCancelaCupom(")) << segunda.toStdString();
    EXPECT_EQ(drive.numero("Select Count(*)" + novas), 0);
    EXPECT_TRUE(drive.gravadas().isEmpty());
    EXPECT_EQ(arquivos(drive, "canceladas").size(), 1);
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
                                           Corte{"banco-gravou", true, true},
                                           Corte{"liberacao-pendente", false, true},
                                           Corte{"liberacao-pendente", true, true}),
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

// Kept sales the database refuses for what they hold (a cheque issuer in
// Cyrillic, an emoji: characters its character set lacks) are set aside with
// their reason, counted on the status bar and told to the cashier in plain
// words; the kept sale after them is recorded. The files are of an older
// version (names and content without the printer's serial): still read and
// recorded once.
TEST(Diario, ASaleTheDatabaseRefusesForItsContentIsSetAsideAndTheOthersGoOn) {
  Drive drive;
  Guardada russo;
  russo.cupom = 901;
  const QString emitente = QString::fromUtf8("Иван Петров");
  russo.pagamento = QStringList{"1", "DINHEIRO", "27,90", "000123", "001", "0001", emitente, "", "0", "0", "Dinheiro"};
  russo.grava(drive, russo.nome());
  Guardada emoji = russo;
  emoji.cupom = 902;
  emoji.pagamento[6] = QString::fromUtf8("JOSE \xF0\x9F\x98\x80");
  emoji.grava(drive, emoji.nome());
  Guardada boa;
  boa.cupom = 903;
  boa.grava(drive, boa.nome());

  QString t;
  ASSERT_EQ(drive.roda(Login + "dump\n", t), 0) << t.toStdString();
  EXPECT_EQ(gravadasDoCupom(drive, "001", 903), 1) << t.toStdString();
  EXPECT_EQ(gravadasDoCupom(drive, "001", 901), 0);
  EXPECT_EQ(gravadasDoCupom(drive, "001", 902), 0);
  EXPECT_TRUE(drive.pendentes().isEmpty()) << drive.pendentes().join(' ').toStdString();
  EXPECT_EQ(arquivos(drive, "recusadas"), (QStringList{russo.nome(), emoji.nome()}));
  const QStringList motivos = arquivos(drive, "recusadas", "*.motivo.txt");
  ASSERT_EQ(motivos.size(), 2);
  QFile motivo(drive.caminho("kw-velt/vendas/recusadas/" + motivos[0]));
  ASSERT_TRUE(motivo.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QString::fromUtf8(motivo.readAll()).contains("caracteres que o banco de dados não aceita"));

  const QStringList avisos = t.split('\n').filter("message [");
  const QStringList separadas = avisos.filter("SEPARADAS");
  ASSERT_EQ(separadas.size(), 1) << avisos.join('\n').toStdString();
  EXPECT_TRUE(separadas[0].contains(russo.nome())) << separadas[0].toStdString();
  EXPECT_TRUE(separadas[0].contains(emoji.nome())) << separadas[0].toStdString();
  EXPECT_TRUE(separadas[0].contains("caracteres que o banco de dados não aceita")) << separadas[0].toStdString();
  // The database's own words stay out of what the cashier reads.
  EXPECT_FALSE(t.contains("transliterate", Qt::CaseInsensitive)) << t.toStdString();
  EXPECT_TRUE(t.contains("StBar1 \"Vendas separadas: 2 (chame o suporte)\"")) << t.toStdString();
  // They go to the error log, with the statement the database refused.
  EXPECT_EQ(drive.numero("Select Count(*) From TB_GER_ERRVELT Where PROCEDIMENTO='GravaVenda'"), 2);
  EXPECT_EQ(drive.numero("Select Count(*) From TB_GER_ERRVELT Where PROCEDIMENTO='GravaVenda' "
                         "And CODIGO_SQL Starting With 'INSERT INTO TB_VDA_EPNPAG' And CODIGO_SQL Containing '000123'"),
            2);
}

// A printer replaced during the day numbers its coupons from 1 again: a kept
// sale of the new printer may have the name of a recorded one of the old.
// The journal's names now carry the printer's serial; a pending file of an
// older version named like a recorded one of another sale is recorded, not
// deleted. A file copied from another desk's drive is moved aside.
TEST(Diario, NamesDoNotCollideAndAFileThatDoesNotBelongIsMovedAside) {
  Drive drive;
  QString t;
  ASSERT_EQ(drive.roda(Login + VendaResumida, t), 0) << t.toStdString();
  ASSERT_EQ(drive.gravadas().size(), 1);
  EXPECT_TRUE(drive.gravadas()[0].endsWith("-SIM0000000000000001.venda")) << drive.gravadas()[0].toStdString();

  Guardada antiga;  // recorded by the old printer
  antiga.cupom = 5;
  antiga.situacao = "gravada";
  antiga.faturamento = "1antiga09:00:00";
  antiga.grava(drive, "gravadas/" + antiga.nome());
  Guardada nova = antiga;  // kept by the new one, same coupon number
  nova.situacao = "fechada";
  nova.faturamento = "1nova11:00:00";
  nova.grava(drive, nova.nome());
  Guardada outroCaixa;
  outroCaixa.caixa = "002";
  outroCaixa.cupom = 6;
  outroCaixa.grava(drive, outroCaixa.nome());

  ASSERT_EQ(drive.roda(LoginDiaAberto + "dump\n", t), 0) << t.toStdString();
  EXPECT_EQ(drive.numero("Select Count(*) From Tb_Vda_CadEpn Where NfsEpn='001' And NfiEpn=5 And "
                         "FatEpn='1nova11:00:00'"),
            1);
  EXPECT_TRUE(drive.pendentes().isEmpty()) << drive.pendentes().join(' ').toStdString();
  EXPECT_TRUE(drive.gravadas().contains(antiga.nome()));
  EXPECT_TRUE(drive.gravadas().contains(QString(antiga.nome()).replace(".venda", "-2.venda")))
      << drive.gravadas().join(' ').toStdString();
  EXPECT_EQ(gravadasDoCupom(drive, "002", 6), 0);
  EXPECT_EQ(arquivos(drive, "recusadas"), QStringList{outroCaixa.nome()});
  const QStringList avisos = t.split('\n').filter("SEPARADAS");
  ASSERT_EQ(avisos.size(), 1) << t.toStdString();
  EXPECT_TRUE(avisos[0].contains(outroCaixa.nome()) && avisos[0].contains("caixa \\\"002\\\""))
      << avisos[0].toStdString();
}

// Journal files are checked before they are recorded: a coupon this printer
// never printed, a negative total, a product that does not exist are set
// aside; a copy of a kept sale is recorded once and its copy set aside, and
// the release program runs once for it however many times the desk starts.
TEST(Diario, FilesThatDoNotHoldAreSetAsideAndACopyIsRecordedOnce) {
  Drive drive;
  Guardada inventada;
  inventada.cupom = 777;
  inventada.serie = "SIM0000000000000001";
  inventada.grava(drive, "001-000777-" + inventada.data.toString("yyyyMMdd") + "-SIM0000000000000001.venda");
  Guardada negativa;
  negativa.cupom = 778;
  negativa.total = negativa.valorItem = "-27.9000";
  negativa.grava(drive, negativa.nome());
  Guardada semProduto;
  semProduto.cupom = 779;
  semProduto.produto = 999999;
  semProduto.grava(drive, semProduto.nome());
  Guardada boa;
  boa.cupom = 780;
  boa.grava(drive, boa.nome());
  boa.grava(drive, "copia de " + boa.nome());

  QString t;
  ASSERT_EQ(drive.roda(Login + "dump\n", t), 0) << t.toStdString();
  EXPECT_EQ(gravadasDoCupom(drive, "001", 780), 1);
  for (qlonglong cupom : {777, 778, 779}) EXPECT_EQ(gravadasDoCupom(drive, "001", cupom), 0) << cupom;
  EXPECT_TRUE(drive.pendentes().isEmpty()) << drive.pendentes().join(' ').toStdString();
  EXPECT_EQ(arquivos(drive, "recusadas").size(), 4) << arquivos(drive, "recusadas").join(' ').toStdString();
  EXPECT_TRUE(arquivos(drive, "recusadas").contains("copia de " + boa.nome()));
  const QString avisos = t.split('\n').filter("SEPARADAS").join('\n');
  EXPECT_TRUE(avisos.contains("não emitiu o cupom 777")) << avisos.toStdString();
  EXPECT_TRUE(avisos.contains("não é positivo")) << avisos.toStdString();
  EXPECT_TRUE(avisos.contains("o produto 999999 não existe")) << avisos.toStdString();
  EXPECT_TRUE(t.contains("StBar1 \"Vendas separadas: 4 (chame o suporte)\"")) << t.toStdString();

  ASSERT_EQ(drive.roda(LoginDiaAberto, t), 0) << t.toStdString();
  EXPECT_EQ(gravadasDoCupom(drive, "001", 780), 1);
  EXPECT_EQ(drive.liberacoes(1).size(), 1) << drive.liberacoes(1).join('\n').toStdString();
}

// The power goes while the coupon is being closed: before the printer was
// told (the coupon still open) or once it had closed it (the journal not
// told). While the desk is off the printer cancels the coupon (its own keys,
// another program). The next start finds no coupon open; the printer's
// detail tape (and its counters) say the coupon was cancelled, not closed:
// nothing is recorded, the entry is kept aside and the cashier is told.
TEST(Diario, ACouponCancelledOnThePrinterWhileTheDeskWasOffIsNotRecorded) {
  for (const char *corte : {"diario-fechando", "impressora-fechou"}) {
    SCOPED_TRACE(corte);
    Drive drive;
    const qlonglong ultimo = drive.numero("Select Max(CodEpn) From Tb_Vda_CadEpn");
    QString t;
    ASSERT_NE(drive.roda(Login + VendaResumida, t, corte), 0) << t.toStdString();
    ASSERT_EQ(drive.pendentes().size(), 1);
    {
      testsupport::UsaDrive usa(drive.raiz());
      ASSERT_EQ(ecfsim::AbrePortaSerial(), 1);
      EXPECT_EQ(ecfsim::CancelaCupom(), 1);
      ecfsim::FechaPortaSerial();
    }
    ASSERT_EQ(drive.roda(LoginDiaAberto, t), 0) << t.toStdString();
    EXPECT_EQ(drive.numero(QString("Select Count(*) From Tb_Vda_CadEpn Where CodEpn > %1").arg(ultimo)), 0);
    EXPECT_TRUE(drive.pendentes().isEmpty());
    EXPECT_EQ(arquivos(drive, "canceladas").size(), 1);
    EXPECT_FALSE(t.split('\n').filter("foi cancelado na impressora").isEmpty()) << t.toStdString();
    EXPECT_TRUE(drive.liberacoes(0).isEmpty());
  }
}
