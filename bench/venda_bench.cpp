// Item entry on the sale screen against a bare client sending the same
// statements to the same database. Figures, not pass/fail; prints a Markdown
// table.
//
//   venda_bench [DRIVE ...]     default: demo /tmp/pdv-db-bench/drive
//
// "demo" is a demo drive made for the run (`pdv-admin init-drive --demo`); any
// other DRIVE is used as it is, made with `pdv-admin init-drive DRIVE --demo
// --products 1000000` when it has no database yet.
//
// The terminal side is the program itself, headless: the login screen, the
// sale screen (loaded after the printer's day is open), coupons opened with
// F2 and the payment condition typed, then 1,000 items rung up by typing
// their code (EAN-13 or system code) and pressing Enter, each through the
// whole item entry: look-up, the two discount look-ups, tax classification,
// printer item, grid row, totals, pending-stock update. Only the Enter of
// each item is timed. The desk is a drive of the run's own: its configuration
// points at the drive's database and it has a fresh simulated printer
// programmed with the rates of the products sold, so a shared drive's printer
// is never touched.
//
// The printer is a shared library that rewrites its memory file on every
// call, so its calls are timed apart: in the same process, after the sale,
// the items are made again without the screen, in the sale's order: the
// look-ups through the program's database layer, the printer calls the sale
// made (the item and the status read after it), the stock update; then the
// statements once more, alone. Item entry less the printer calls is what is
// compared with the bare client (bench/ClienteNu.*), which sends each item's
// four statements: the same texts, each in a transaction of its own as the
// program does. Wall time and the process's CPU time (all threads: the
// embedded engine's and the printer library's included) are both shown.
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <time.h>

#include <array>
#include <stdexcept>

#include "ClienteNu.h"
#include "Medicao.h"

#include "app/Programa.h"
#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/OperadorRoteiro.h"
#include "core/Teclas.h"
#include "core/Tributacao.h"
#include "core/Utilidades.h"
#include "fiscal/Ecf.h"
#include "fiscal/InstalaSimulador.h"
#include "platform/Host.h"
#include "sale/PForm.h"

namespace {

const char *const kUsuario = "SYSDBA";
const char *const kSenha = "masterkey";
// The payment condition typed on every coupon (1-DINHEIRO: some demo products
// have a discount for it) and the group of the default customer (0-CONSUMIDOR).
const QString kCondicao = QStringLiteral("1");
const QString kGrupo = QStringLiteral("1");

constexpr int kItens = 1000, kItensPorCupom = 100, kAquecimento = 20;

// What the cashier types for each item, and the product's system code.
// The first kAquecimento items warm up; the next kItens are timed.
struct Roteiro {
  QStringList digitados, codigos;
};

QByteArray serializa(const Roteiro &r) {
  QByteArray b;
  QDataStream fluxo(&b, QIODevice::WriteOnly);
  fluxo << r.digitados << r.codigos;
  return b;
}

Roteiro desserializa(const QByteArray &b) {
  Roteiro r;
  QDataStream fluxo(b);
  fluxo >> r.digitados >> r.codigos;
  return r;
}

QString stringConexao(const QString &banco) {
  return "Data Source=" + banco + ";User=" + kUsuario + ";Password=" + kSenha;
}

// The statements item entry sends for one item, as the sale screen completes
// them: the product by bar code or by system code, the discount by payment
// condition, the discount by customer group, the pending-stock update of a
// quantity of 1.
std::array<QString, 4> TextosDoItem(const QString &digitado, const QString &codPro) {
  const QString numero = QString::number(codPro.toLongLong());
  return {digitado == codPro ? "Select * From Tb_Est_CadPro Where CodPro=" + numero
                             : MontaSql("Select * From Tb_Est_CadPro Where EanPro=?", {digitado}),
          MontaSql("Select * From Tb_Est_DscFpg Where ProDFpg=? and ForDFpg=?", {codPro, kCondicao}),
          MontaSql("Select * From Tb_Est_DscGruCli Where ProGCli=? and GruGCli=?", {codPro, kGrupo}),
          "Update Tb_Est_CadPro Set PenVEst=PenvEst+(1) Where CodPro=" + numero};
}

// Wall time and the CPU time of the whole process (every thread, the
// embedded database engine's and the printer library's included), in
// nanoseconds.
struct Tempo {
  qint64 parede = 0, cpu = 0;
  Tempo &operator+=(const Tempo &t) {
    parede += t.parede;
    cpu += t.cpu;
    return *this;
  }
};

class Cronometro {
 public:
  Cronometro() { parede_.start(), cpu_ = cpuAgora(); }
  Tempo decorrido() const { return {parede_.nsecsElapsed(), cpuAgora() - cpu_}; }

 private:
  static qint64 cpuAgora() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
  }
  QElapsedTimer parede_;
  qint64 cpu_ = 0;
};

double msPorItem(qint64 ns) { return ns / 1e6 / kItens; }

// ---------------------------------------------------------------- preparation

// A product the sale screen sells: a price, and a taxation it accepts (no
// zero rate where the code's second digit is 0, a code at all).
bool Vendavel(const Recordset &rs, const DadosTributacao &t) {
  if (ParaMoeda(rs["ValPre1"]).ehZero() || t.tribPro.isEmpty()) return false;
  const bool exigeAliquota = t.tribPro.size() >= 2 && t.tribPro[1] == '0';
  return !(exigeAliquota && (t.aliquotaEstado.ehZero() || t.aliquotaFora.ehZero()));
}

// Chooses the products (spread over the whole catalogue), makes the desk's
// drive (configuration, printer programmed with their rates) and returns the
// script of items. Runs in a child: the parent never loads the client library.
QByteArray preparaCaixa(const QString &banco, const QString &caixa) {
  ConexaoBanco c;
  c.abre(stringConexao(banco));
  Recordset rs;
  rs.abre("Select CodPro, EanPro, ValPre1, TribPro, Deb512Cto, Deb612Cto, RedCto From Tb_Est_CadPro "
          "Where CodPro < 1000 Or Mod(CodPro, 499) = 0 Order By CodPro",
          c);
  QStringList codigos, eans;
  QList<DadosTributacao> tributacoes;
  for (; !rs.EOF_(); rs.MoveNext()) {
    const DadosTributacao t{SemNulo(rs["TribPro"]).toString().trimmed(), ParaMoeda(rs["Deb512Cto"]),
                            ParaMoeda(rs["Deb612Cto"]), ParaMoeda(rs["RedCto"]), QStringLiteral("5102")};
    if (!Vendavel(rs, t)) continue;
    codigos << SemNulo(rs["CodPro"]).toString().trimmed();
    eans << SemNulo(rs["EanPro"]).toString().trimmed();
    tributacoes << t;
  }
  if (codigos.isEmpty()) throw std::runtime_error("no product to sell in " + banco.toStdString());

  QString erro;
  if (!QDir().mkpath(caixa + "/kw-velt") ||
      !EscreveArquivoConfig(caixa + "/kw-velt/default.txt",
                            {"PDV-VELT - caixa do venda_bench", "TIPO=1;DATA SOURCE=" + banco, kUsuario, kSenha,
                             "001", SerieSimuladorPadrao, "BEMATECH"},
                            &erro) ||
      !InstalaSimuladorNoDrive(caixa, SerieSimuladorPadrao, &erro, AliquotasDoCatalogo(tributacoes)))
    throw std::runtime_error("desk drive " + caixa.toStdString() + ": " + erro.toStdString());

  // Timed items go through the list from its start, the warm-up from its end;
  // every other item is typed as its EAN-13 when it has one.
  Roteiro r;
  const int n = static_cast<int>(codigos.size());
  for (int i = 0; i < kAquecimento + kItens; ++i) {
    const int p = i < kAquecimento ? (n - 1 - i % n) : (i - kAquecimento) % n;
    const QString &ean = eans[p];
    const bool porEan = i % 2 == 0 && ean.size() == 13 && !ean.startsWith(QLatin1String("200"));
    r.digitados << (porEan ? ean : codigos[p]);
    r.codigos << codigos[p];
  }
  return serializa(r);
}

// ---------------------------------------------------------------- terminal

[[noreturn]] void falha(const QString &o_que, const OperadorRoteiro &operador) {
  const QStringList vistas = operador.mensagens();
  throw std::runtime_error(
      (o_que + (vistas.isEmpty() ? QString() : " (messages: " + vistas.join(" / ") + ")")).toStdString());
}

void preenche(Tela &tela, const QString &texto) {
  if (tela.focado()) tela.focado()->selecionaTudo();
  tela.digita(texto);
  tela.teclaBaixo(tecla::Enter);
}

// F2, then the payment condition typed in its field; the focus goes back to
// the product code.
void abreCupom(PForm &venda, const OperadorRoteiro &operador) {
  venda.teclaBaixo(tecla::F2);
  if (!venda.campo("Produto").enabled()) falha("the coupon did not open", operador);
  venda.focaCampo("FormaPgto", false);
  preenche(venda, kCondicao);
  if (PegaCampo(venda.campo("FormaPgto").texto(), "-", 1).trimmed() != kCondicao || venda.grupoCliente != kGrupo)
    falha("payment condition \"" + venda.campo("FormaPgto").texto() + "\", customer group \"" +
              venda.grupoCliente + "\": not the ones the bare client's statements carry",
          operador);
  venda.focaCampo("Produto", false);
}

void cancelaCupom(PForm &venda, OperadorRoteiro &operador) {
  operador.respondeMensagem(Resposta::Sim);  // "Confirma Cancelamento ?"
  venda.teclaBaixo(tecla::F8);
  if (venda.campo("Produto").enabled()) falha("the coupon was not cancelled", operador);
  operador.limpa();
}

// Rings up items [primeiro, primeiro + quantos) of the script on the open
// coupon; returns the time of their Enter keys. Every item must be sold and
// send the bare client's stock update.
Tempo vendeItens(PForm &venda, TerminalState &estado, OperadorRoteiro &operador, const Roteiro &r, int primeiro,
                  int quantos) {
  Tempo tempo;
  Campo &produto = venda.campo("Produto");
  for (int k = 0; k < quantos; ++k) {
    const QString &digitado = r.digitados[primeiro + k];
    if (venda.focado() != &produto) falha("the focus left the product code before " + digitado, operador);
    const Cronometro t;
    venda.digita(digitado);
    venda.teclaBaixo(tecla::Enter);
    tempo += t.decorrido();
    if (!operador.eventos().isEmpty() || venda.campo("NitEpn").texto() != QString::number(k + 1))
      falha("item " + digitado + " was not sold", operador);
    if (estado.StrSql != TextosDoItem(digitado, r.codigos[primeiro + k])[3])
      falha("item " + digitado + " updated the stock with \"" + estado.StrSql + "\"", operador);
  }
  return tempo;
}

// The same items again without the screen, in the sale's order: the three
// look-ups through the program's database layer, the item's printer calls
// (the item and the status read after it) as they were made, the stock
// update; on coupons of the same size. The printer calls sit between the
// statements as in the sale, so each meets the caches the other left, as in
// the sale. Without `itens` the statements run alone.
struct SemTela {
  Tempo banco, impressora;
};

SemTela semTela(TerminalState &estado, const Roteiro &r, const QList<ChamadaEcf> &itens) {
  SemTela tempo;
  for (int i = 0; i < kItens; ++i) {
    const bool imprime = !itens.isEmpty();
    if (imprime && i % kItensPorCupom == 0 && EcfAbreCupom(estado, QString()) != 1)
      throw std::runtime_error("the printer did not open a coupon for the run without the screen");
    const QString &codPro = r.codigos[kAquecimento + i];
    const auto textos = TextosDoItem(r.digitados[kAquecimento + i], codPro);
    const QStringList a = imprime ? itens[i].argumentos : QStringList();
    int16_t ack = 0, st1 = 0, st2 = 0, status = 1;
    {
      const Cronometro t;
      Recordset produto, desconto1, desconto2;
      produto.abre(textos[0], estado.conexao());
      desconto1.abre(textos[1], estado.conexao());
      desconto2.abre(textos[2], estado.conexao());
      tempo.banco += t.decorrido();
    }
    if (imprime) {
      const Cronometro t;
      status = EcfVendeItem(estado, a[0], a[1], a[2], a[3], a[4], a[5].toShort(), a[6], a[7], a[8]);
      EcfRetornoImpressora(estado, ack, st1, st2);
      tempo.impressora += t.decorrido();
    }
    {
      const Cronometro t;
      AtualizaEstoquePendente(estado, codPro, Quantidade::deInteiro(1));
      tempo.banco += t.decorrido();
    }
    if (status != 1 || st1 != 0 || st2 != 0)
      throw std::runtime_error("the printer refused item " + a[0].toStdString() + " in the run without the screen");
    if (imprime && (i + 1) % kItensPorCupom == 0) EcfCancelaCupom(estado);
  }
  return tempo;
}

// Milliseconds per item, in wall time and then in CPU time: item entry on
// the screen; the printer's calls; item entry without them; the item's
// statements through the database layer with the printer calls between them,
// and alone; what is left, the screen's own.
std::vector<double> vendaNaTela(const Roteiro &r) {
  int argc = 1;
  char nome[] = "venda_bench";
  char *argv[] = {nome, nullptr};
  QCoreApplication aplicacao(argc, argv);
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  platform::OffsetClock relogio;
  estado.usaRelogio(relogio);
  InstalaTratadorEncerramento([](int, const QString &motivo) { throw ProgramaEncerrado(motivo); });
  Programa programa(estado, operador, area);
  programa.inicia();
  if (!operador.eventos().isEmpty()) falha("the start-up complained", operador);

  // The day is opened before the sale screen loads, so it finds a movement
  // open today and goes straight to the no-coupon state.
  EcfDataMovimento(estado);
  if (estado.DataMovimento == QLatin1String("000000") && EcfAberturaDoDia(estado, "0,00", "Dinheiro") != 1)
    falha("the printer did not open the day", operador);

  Tela &login = *programa.app().telaFrente();
  preenche(login, "1");
  preenche(login, "1234");
  PForm *venda = programa.telaVenda();
  if (!venda || programa.app().telaFrente() != venda || !operador.eventos().isEmpty())
    falha("the sale screen did not open ready to sell", operador);

  // The item calls the printer is sent while items are timed; any other
  // printer call there would be a share left uncounted.
  bool vendendo = false;
  QList<ChamadaEcf> chamadasItem;
  QStringList outras;
  InstalaObservadorEcf([&](const ChamadaEcf &c) {
    if (!vendendo) return;
    if (c.funcao == QLatin1String("EcfVendeItem")) chamadasItem << c;
    else if (c.funcao != QLatin1String("EcfRetornoImpressora")) outras << c.funcao;
  });

  abreCupom(*venda, operador);
  vendeItens(*venda, estado, operador, r, 0, kAquecimento);
  cancelaCupom(*venda, operador);

  Tempo tela;
  for (int primeiro = kAquecimento; primeiro < kAquecimento + kItens; primeiro += kItensPorCupom) {
    abreCupom(*venda, operador);
    vendendo = true;
    tela += vendeItens(*venda, estado, operador, r, primeiro, kItensPorCupom);
    vendendo = false;
    cancelaCupom(*venda, operador);
  }
  if (chamadasItem.size() != kItens || !outras.isEmpty())
    throw std::runtime_error(QString("%1 item calls for %2 items, other printer calls: %3")
                                 .arg(chamadasItem.size())
                                 .arg(kItens)
                                 .arg(outras.join(' '))
                                 .toStdString());
  const QList<ChamadaEcf> sequencia = chamadasItem;
  vendendo = true;  // the observer does the same work as during the sale
  const SemTela partes = semTela(estado, r, sequencia);
  const SemTela soBanco = semTela(estado, r, {});
  InstalaObservadorEcf({});
  EcfFechaPortaSerial(estado);
  FechaConexao(estado);
  std::vector<double> ms;
  for (const auto parte : {&Tempo::parede, &Tempo::cpu}) {
    const qint64 total = tela.*parte, impressora = partes.impressora.*parte, banco = partes.banco.*parte;
    for (const qint64 ns :
         {total, impressora, total - impressora, banco, soBanco.banco.*parte, total - impressora - banco})
      ms.push_back(msPorItem(ns));
  }
  return ms;
}

// ---------------------------------------------------------------- bare client

std::vector<double> vendaNu(const QString &banco, const Roteiro &r) {
  std::vector<std::array<std::string, 4>> textos;
  for (qsizetype i = 0; i < r.digitados.size(); ++i) {
    const auto t = TextosDoItem(r.digitados[i], r.codigos[i]);
    textos.push_back({t[0].toStdString(), t[1].toStdString(), t[2].toStdString(), t[3].toStdString()});
  }
  ClienteNu c(banco.toStdString(), kUsuario, kSenha);
  const auto rodada = [&](size_t primeiro, size_t quantos) {
    for (size_t i = primeiro; i < primeiro + quantos; ++i) {
      c.consulta(textos[i][0]);
      c.consulta(textos[i][1]);
      c.consulta(textos[i][2]);
      c.executa(textos[i][3]);
      c.linhas.clear();
    }
  };
  rodada(0, kAquecimento);
  const Cronometro t;
  rodada(kAquecimento, kItens);
  const Tempo tempo = t.decorrido();
  return {msPorItem(tempo.parede), msPorItem(tempo.cpu)};
}

// ---------------------------------------------------------------- table

struct Alvo {
  QString nome;   // as the table names it
  QString banco;  // the database file
  QString caixa;  // the desk's drive
  Roteiro roteiro;
};

QTextStream saida(stdout);

bool preparaBanco(const QString &drive, QTemporaryDir &pasta, Alvo &alvo) {
  if (drive == QLatin1String("demo")) {
    alvo.nome = "demo drive";
    const QString raiz = pasta.path() + "/demo";
    QString erro;
    if (!CriaDriveDemo(QStringLiteral(PDV_BENCH_ADMIN), raiz, &erro)) {
      saida << "pdv-admin init-drive " << raiz << " --demo failed:\n" << erro << '\n';
      return false;
    }
    alvo.banco = raiz + "/kw-velt/dados.fdb";
    return true;
  }
  alvo.banco = QDir(drive).absolutePath() + "/kw-velt/dados.fdb";
  alvo.nome = drive;
  if (!QFile::exists(alvo.banco)) {
    saida << "making " << drive << " with 1,000,000 products...\n";
    saida.flush();
    if (QProcess::execute(QStringLiteral(PDV_BENCH_ADMIN), {"init-drive", drive, "--demo", "--products", "1000000"}) !=
        0)
      return false;
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  QStringList drives;
  for (int i = 1; i < argc; ++i) drives << QString::fromLocal8Bit(argv[i]);
  if (drives.isEmpty()) drives = {"demo", "/tmp/pdv-db-bench/drive"};

  QTemporaryDir pasta;
  if (!pasta.isValid()) return 1;
  std::vector<Alvo> alvos;
  for (const QString &drive : drives) {
    Alvo alvo;
    if (!preparaBanco(drive, pasta, alvo)) return 1;
    alvo.caixa = pasta.path() + QString("/caixa%1").arg(alvos.size());
    bool ok = false;
    const QByteArray roteiro = EmFilhoBytes([&] { return preparaCaixa(alvo.banco, alvo.caixa); }, &ok);
    if (!ok) return 1;
    alvo.roteiro = desserializa(roteiro);
    alvos.push_back(alvo);
  }

  saida << "| work | this program | bare client | ratio |\n|---|---|---|---|\n";
  for (const Alvo &alvo : alvos) {
    qputenv("PDV_DRIVE", alvo.caixa.toUtf8());
    const auto [tela, nu] = ComparaVarios([&] { return vendaNaTela(alvo.roteiro); },
                                          [&] { return vendaNu(alvo.banco, alvo.roteiro); });
    if (tela.valores.size() < 12 || nu.valores.size() < 2 || tela.valores[0] < 0 || nu.valores[0] < 0) {
      saida << "| item entry on the sale screen, " << alvo.nome << ": failed (see above) | - | - | - |\n";
      saida.flush();
      continue;
    }
    for (const int cpu : {0, 1}) {
      const QString sufixo = ", " + alvo.nome + (cpu ? ", CPU time" : ", wall time");
      const double *t = tela.valores.data() + 6 * cpu;
      const double bare = nu.valores[cpu];
      LinhaTabela(saida, QString("item entry on the sale screen (per item, 1,000 items in coupons of %1)")
                             .arg(kItensPorCupom) + sufixo, t[0], bare, "ms");
      LinhaTabela(saida, "its 2 printer calls" + sufixo, t[1], 0, "ms");
      LinhaTabela(saida, "item entry without the printer calls" + sufixo, t[2], bare, "ms");
      LinhaTabela(saida, "its 4 statements through the database layer, the printer calls between" + sufixo, t[3],
                  bare, "ms");
      LinhaTabela(saida, "the same 4 statements through the database layer, alone" + sufixo, t[4], bare, "ms");
      // A difference of three wall times is mostly the disk's noise: shown in CPU time only.
      if (cpu)
        LinhaTabela(saida, "the screen's own work (item entry less the printer calls and statements)" + sufixo, t[5],
                    0, "ms");
    }
  }
  return 0;
}
