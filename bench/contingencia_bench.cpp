// A desk losing its server and getting it back: figures, not pass/fail;
// prints a Markdown table.
//
//   contingencia_bench [SALES]      default 100
//
// Needs a Firebird server on PDV_TEST_FB_SERVER (e.g. 127.0.0.1) with the
// SYSDBA password in PDV_TEST_FB_PASSWORD, as the server tests do. A demo
// database is made on it for the run; one desk (its drive made by pdv-admin,
// its printer simulated, its local copy filled) runs in this process with
// the real sale screen and reaches the server through a relay that can stop
// (connections cut, new ones refused) or freeze (packets dropped).
//
// Measured:
// - the server stopped, then freezing, right before a coupon: from the
//   moment it went to the first item in the grid (the look-up found the
//   server away, the copy answered);
// - SALES coupons sold and kept in contingency; the server back: from the
//   desk's look after a sale (its try, then the recording of every kept
//   sale) to the last one recorded, every one checked recorded once.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>
#include <memory>

#include "server/Rele.h"

#include "admin/BancoAdmin.h"
#include "app/Programa.h"
#include "closing/DiarioVendas.h"
#include "contingency/Contingencia.h"
#include "contingency/CopiaLocal.h"
#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/OperadorRoteiro.h"
#include "core/Teclas.h"
#include "core/TerminalState.h"
#include "fiscal/Ecf.h"
#include "sale/PForm.h"

namespace {

QTextStream saida(stdout);

int roda(const QString &programa, const QStringList &args, const QStringList &ambiente = {}) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString &kv : ambiente) env.insert(kv.section('=', 0, 0), kv.section('=', 1));
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(programa, args);
  p.waitForFinished(600000);
  const QString texto = QString::fromUtf8(p.readAll());
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    throw std::runtime_error((programa + " " + args.join(' ') + ": " + texto).toStdString());
  return 0;
}

struct ProgramaEncerradoBench {
  QString motivo;
};

// The desk in this process, the closing dialog processed with F7 as it opens.
struct Caixa {
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  std::unique_ptr<Programa> programa;

  Caixa() {
    programa = std::make_unique<Programa>(estado, operador, area);
    programa->app().executaModal = [this](Tela &t) {
      if (t.nomeTela().startsWith("Fecha_Cupom")) t.teclaBaixo(tecla::F7);
      else programa->app().descarrega(t, true);
    };
  }
  ~Caixa() {
    try {
      EcfFechaPortaSerial(estado);
    } catch (...) {
    }
    programa.reset();
  }
  PForm &venda() { return *programa->telaVenda(); }
  Contingencia &contingencia() { return *programa->contingencia(); }
  void entra() {
    programa->inicia();
    Tela &login = *programa->app().telaFrente();
    login.digita("1");
    login.teclaBaixo(tecla::Enter);
    login.digita("1234");
    login.teclaBaixo(tecla::Enter);
    if (!programa->telaVenda()) throw std::runtime_error("login failed: " + operador.mensagens().join('\n').toStdString());
  }
  // F2 and one item: the item is in the grid when this returns.
  void abreEVende(const QString &produto) {
    venda().teclaBaixo(tecla::F2);
    venda().digita(produto + ".");
    venda().teclaBaixo(tecla::Enter);
  }
  void fecha() { venda().teclaBaixo(tecla::F7); }
};

qlonglong conta(const QString &stringServidor, const QString &sql) {
  ConexaoBanco c;
  c.abre(stringServidor);
  Recordset rs;
  rs.abre(sql, c);
  return rs.campo(0).toLongLong();
}

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  const int vendas = argc > 1 ? QString(argv[1]).toInt() : 100;
  const QString host = qEnvironmentVariable("PDV_TEST_FB_SERVER");
  const QString senha = qEnvironmentVariable("PDV_TEST_FB_PASSWORD");
  if (host.isEmpty() || senha.isEmpty()) {
    saida << "contingencia_bench: set PDV_TEST_FB_SERVER and PDV_TEST_FB_PASSWORD (a Firebird server's SYSDBA)\n";
    return 2;
  }
  InstalaTratadorEncerramento([](int, const QString &motivo) { throw ProgramaEncerradoBench{motivo}; });
  try {
    QTemporaryDir pasta;
    QFile::setPermissions(pasta.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                            QFile::WriteOther | QFile::ExeOther);
    const QString banco = pasta.path() + "/loja.fdb";
    roda(PDV_BENCH_ADMIN, {"create-db", host + ":" + banco, "--demo", "--user", "SYSDBA", "--password", senha});
    const QString direto = StringConexaoDe({host + ":" + banco, "SYSDBA", senha});

    Rele rele;
    rele.liga();
    const QString raiz = pasta.path() + "/drive";
    roda(PDV_BENCH_ADMIN, {"init-drive", raiz, "--demo", "--desk", "901"});
    const QString config = raiz + "/kw-velt/default.txt";
    QFile f(config);
    f.open(QIODevice::ReadOnly);
    LinhasConfig c = InterpretaConfig(f.readAll());
    f.close();
    c.conexao = QString("TIPO=2;DBNAME=127.0.0.1/%1:%2").arg(rele.porta()).arg(banco);
    c.usuario = "SYSDBA";
    c.senha = senha;
    QString erro;
    if (!EscreveArquivoConfig(config, c, &erro)) throw std::runtime_error(erro.toStdString());
    // The printer's day opened by a replay run.
    QFile roteiro(pasta.path() + "/abre-dia.txt");
    roteiro.open(QIODevice::WriteOnly);
    roteiro.write("type 1\nkey Enter\nanswer No\ntype 1234\nkey Enter\nkey Enter\nkey Enter\n");
    roteiro.close();
    roda(PDV_BENCH_PDV, {"--replay", roteiro.fileName()}, {"PDV_DRIVE=" + raiz, "QT_QPA_PLATFORM=offscreen"});
    {
      ConexaoBanco servidor;
      servidor.abre(direto);
      const ResultadoCopia r = PreencheCopia(ArquivoCopiaLocal(raiz), servidor);
      if (!r.ok) throw std::runtime_error(r.erro.toStdString());
    }
    qputenv("PDV_DRIVE", raiz.toUtf8());
    Caixa caixa;
    caixa.entra();
    caixa.abreEVende("1");
    caixa.fecha();

    // The server stops right before a coupon.
    QElapsedTimer t;
    rele.desliga();
    t.start();
    caixa.abreEVende("1");
    const qint64 paradoMs = t.elapsed();
    caixa.fecha();
    if (!caixa.contingencia().ativa()) throw std::runtime_error("the desk did not go into contingency");
    for (int v = 1; v < vendas; ++v) {
      caixa.abreEVende(v % 2 ? "8" : "1");
      caixa.fecha();
    }
    const qsizetype guardadas = DiarioVendas(raiz + "/kw-velt/vendas").pendentes().size();

    // Back: the desk's look after a sale (a try, waited for briefly; the
    // timer's look when it took longer) records everything kept.
    rele.liga();
    t.restart();
    caixa.contingencia().verifica(true);
    caixa.contingencia().esperaSonda(std::chrono::seconds(10));
    caixa.contingencia().verifica();
    const qint64 gravacaoMs = t.elapsed();
    const qsizetype restam = DiarioVendas(raiz + "/kw-velt/vendas").pendentes().size();
    const qlonglong gravadas = conta(direto, "Select Count(*) From Tb_Vda_CadEpn Where NfsEpn='901'");
    const qlonglong distintas =
        conta(direto, "Select Count(Distinct NfiEpn) From Tb_Vda_CadEpn Where NfsEpn='901'");

    // The network freezes right before a coupon: the call's bound decides.
    rele.congela();
    t.restart();
    caixa.abreEVende("8");
    const qint64 congeladoMs = t.elapsed();
    caixa.fecha();
    rele.congela(false);

    saida << "| measure | result |\n|---|---|\n";
    saida << "| server stopped -> first item sold from the copy | " << paradoMs << " ms |\n";
    saida << "| network frozen -> first item sold from the copy | " << congeladoMs << " ms (the call's bound is "
          << ConexaoBanco::kLimiteRespostaSegundos << " s) |\n";
    saida << "| sales kept in contingency | " << guardadas << " |\n";
    saida << "| server back -> last kept sale recorded (the desk's look after a sale) | " << gravacaoMs
          << " ms for " << guardadas << " sales (" << (guardadas ? gravacaoMs / guardadas : 0)
          << " ms each; without a sale the timer's try comes within " << Contingencia::IntervaloSondaMs / 1000
          << " s) |\n";
    saida << "| left kept / recorded / distinct coupons | " << restam << " / " << gravadas << " / " << distintas
          << " (" << vendas + 1 << " sold) |\n";
    saida.flush();
    return restam == 0 && gravadas == distintas && gravadas == vendas + 1 ? 0 : 1;
  } catch (const ProgramaEncerradoBench &e) {
    saida << "contingencia_bench: the program ended: " << e.motivo << "\n";
  } catch (const std::exception &e) {
    saida << "contingencia_bench: " << e.what() << "\n";
  }
  return 2;
}
