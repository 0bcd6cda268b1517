// Several desks on one database through a Firebird server on 127.0.0.1,
// started by the test script (scripts/test.sh). Skipped when no server was
// started for the run (PDV_TEST_FB_SERVER unset).
#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include "app/Programa.h"
#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/OperadorRoteiro.h"
#include "core/Teclas.h"
#include "core/TerminalState.h"
#include "core/Utilidades.h"
#include "lookup/FormPesq.h"
#include "sale/PForm.h"
#include "support/TestSupport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

QString servidor() { return qEnvironmentVariable("PDV_TEST_FB_SERVER"); }
QString senhaSysdba() { return qEnvironmentVariable("PDV_TEST_FB_PASSWORD"); }

class Servidor : public ::testing::Test {
 protected:
  static QTemporaryDir *pasta;
  static QString banco;  // the path on the server's side

  static void SetUpTestSuite() {
    if (servidor().isEmpty()) return;
    pasta = new QTemporaryDir();
    QFile::setPermissions(pasta->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    banco = pasta->path() + "/velt.fdb";
    QString saida;
    const int status = testsupport::runBuilt(
        "pdv-admin", {"create-db", servidor() + ":" + banco, "--demo", "--user", "SYSDBA", "--password", senhaSysdba()},
        &saida);
    ASSERT_EQ(status, 0) << saida.toStdString();
  }
  static void TearDownTestSuite() {
    delete pasta;
    pasta = nullptr;
  }
  void SetUp() override {
    if (servidor().isEmpty()) GTEST_SKIP() << "no Firebird server for this run";
  }
  // A desk's connection string, as the configuration gives it after EscolheConexao.
  static QString caixa(const QString &endereco) {
    return "DRIVER=Firebird/InterBase(r) driver;UID=SYSDBA;PWD=" + senhaSysdba() + ";DBNAME=" + endereco + ":" + banco;
  }
};

QTemporaryDir *Servidor::pasta = nullptr;
QString Servidor::banco;

// A relay from a local port to the server's 3050: "stopping the server" cuts
// every connection through it and refuses new ones; "starting" it again
// listens on the same port.
class Rele {
 public:
  Rele() : thread_([this] { roda(); }) {}
  ~Rele() {
    fim_ = true;
    thread_.join();
    desliga();
  }
  int porta() const { return porta_; }
  void liga() {
    std::lock_guard trava(mutex_);
    escuta_ = socket(AF_INET, SOCK_STREAM, 0);
    const int sim = 1;
    setsockopt(escuta_, SOL_SOCKET, SO_REUSEADDR, &sim, sizeof sim);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(porta_));
    // The old socket lingers until the relay thread's poll lets it go.
    for (int i = 0; i < 200 && bind(escuta_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    listen(escuta_, 16);
    fcntl(escuta_, F_SETFL, O_NONBLOCK);
    socklen_t n = sizeof a;
    getsockname(escuta_, reinterpret_cast<sockaddr *>(&a), &n);
    porta_ = ntohs(a.sin_port);
  }
  void desliga() {
    std::lock_guard trava(mutex_);
    if (escuta_ >= 0) close(escuta_);
    escuta_ = -1;
    for (auto [a, b] : pares_) {
      close(a);
      close(b);
    }
    pares_.clear();
  }

 private:
  void roda() {
    while (!fim_) {
      std::vector<pollfd> fds;
      {
        std::lock_guard trava(mutex_);
        if (escuta_ >= 0) fds.push_back({escuta_, POLLIN, 0});
        for (auto [a, b] : pares_) {
          fds.push_back({a, POLLIN, 0});
          fds.push_back({b, POLLIN, 0});
        }
      }
      if (poll(fds.data(), fds.size(), 20) <= 0) continue;
      std::lock_guard trava(mutex_);
      for (const pollfd &f : fds) {
        if (!(f.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        if (f.fd == escuta_) {
          const int cliente = accept(escuta_, nullptr, nullptr);
          if (cliente < 0) continue;
          const int servidor = socket(AF_INET, SOCK_STREAM, 0);
          sockaddr_in a{};
          a.sin_family = AF_INET;
          a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
          a.sin_port = htons(3050);
          if (connect(servidor, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) {
            pares_.push_back({cliente, servidor});
          } else {
            close(cliente);
            close(servidor);
          }
          continue;
        }
        for (size_t i = 0; i < pares_.size(); ++i) {
          auto [a, b] = pares_[i];
          if (f.fd != a && f.fd != b) continue;
          char buffer[65536];
          const ssize_t n = read(f.fd, buffer, sizeof buffer);
          if (n <= 0 || write(f.fd == a ? b : a, buffer, static_cast<size_t>(n)) != n) {
            close(a);
            close(b);
            pares_.erase(pares_.begin() + static_cast<std::ptrdiff_t>(i));
          }
          break;
        }
      }
    }
  }

  std::mutex mutex_;
  int escuta_ = -1;
  int porta_ = 0;
  std::vector<std::pair<int, int>> pares_;
  std::atomic<bool> fim_{false};
  std::thread thread_;
};

}  // namespace

TEST_F(Servidor, TwoDesksNeverDrawTheSameSaleNumber) {
  ConexaoBanco caixa1, caixa2;
  caixa1.abre(caixa(servidor()));
  caixa2.abre(caixa(servidor() + "/3050"));  // host/port form
  QSet<qint64> numeros;
  for (int i = 0; i < 40; ++i) {
    for (ConexaoBanco *c : {&caixa1, &caixa2}) {
      Recordset rs;
      rs.abre("SELECT CURRENT_TIMESTAMP AS DATHOR, Gen_Id(NUMEPN,1) as CodEpn FROM RDB$DATABASE", *c);
      numeros.insert(rs["CodEpn"].toLongLong());
    }
  }
  EXPECT_EQ(numeros.size(), 80);
}

TEST_F(Servidor, ADeskSeesAnotherDesksChangeOnItsNextRead) {
  ConexaoBanco caixa1, caixa2;
  caixa1.abre(caixa(servidor()));
  caixa2.abre(caixa(servidor()));
  const QString consulta = "Select StaEpn From Tb_Vda_CadEpn Where CodEpn=101";
  Recordset antes;
  antes.abre(consulta, caixa1);
  ASSERT_EQ(antes["StaEpn"].toInt(), 0);
  EXPECT_EQ(caixa2.executa(MontaSql("UPDATE TB_VDA_CADEPN SET STAEPN=? WHERE CODEPN=?", {-1234, 101})), 1);
  Recordset depois;
  depois.abre(consulta, caixa1);
  EXPECT_EQ(depois["StaEpn"].toInt(), -1234);
  caixa1.executa("UPDATE TB_VDA_CADEPN SET STAEPN=0 WHERE CODEPN=101");
  Recordset outra;
  outra.abre(consulta, caixa2);
  EXPECT_EQ(outra["StaEpn"].toInt(), 0);
  // Nothing of either desk stays open once its rows are read.
  Recordset abertas;
  abertas.abre("SELECT COUNT(*) AS N FROM MON$TRANSACTIONS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION", caixa1);
  EXPECT_EQ(abertas["N"].toInt(), 1);
}

TEST_F(Servidor, DeskLogsInThroughTheServer) {
  testsupport::TempDrive drive;
  QDir().mkpath(drive.path("kw-velt"));
  LinhasConfig c;
  c.linha1 = "VELT";
  c.conexao = "TIPO=2;DBNAME=" + servidor() + ":" + banco;
  c.usuario = "SYSDBA";
  c.senha = senhaSysdba();
  c.caixa = "002";
  QString erro;
  ASSERT_TRUE(EscreveArquivoConfig(drive.path("kw-velt/default.txt"), c, &erro)) << erro.toStdString();
  TerminalState estado;
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Programa programa(estado, operador, area);
  const auto anterior = InstalaTratadorEncerramento([](int, const QString &m) { throw ProgramaEncerrado(m); });
  QString fim;
  try {
    programa.inicia();
    Tela &login = *programa.app().telaFrente();
    login.digita("2");
    login.teclaBaixo(tecla::Enter);
    login.digita("2222");
    login.teclaBaixo(tecla::Enter);
  } catch (const ProgramaEncerrado &e) {
    fim = e.motivo();
  }
  InstalaTratadorEncerramento(anterior);
  EXPECT_TRUE(fim.isEmpty()) << fim.toStdString() << " " << operador.mensagens().join(" / ").toStdString();
  ASSERT_NE(programa.telaVenda(), nullptr);
  EXPECT_EQ(programa.telaVenda()->campo("Caixa").texto(), "002");
  EXPECT_EQ(estado.NomUsuario, QStringLiteral("JOÃO CARLOS PEREIRA"));
}

TEST_F(Servidor, ADeskReconnectsWhenTheServerComesBack) {
  Rele rele;
  rele.liga();
  ConexaoBanco c;
  c.abre(caixa(QString("127.0.0.1/%1").arg(rele.porta())));
  const QString consulta = "SELECT StaEpn FROM Tb_Vda_CadEpn WHERE CodEpn=101";
  Recordset rs;
  rs.abre(consulta, c);
  ASSERT_EQ(rs.RecordCount(), 1);

  // Cut while idle, up again at once: the next statement just goes on.
  rele.desliga();
  rele.liga();
  rs.abre(consulta, c);
  EXPECT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(c.executa("UPDATE TB_VDA_CADEPN SET NitEpn = NitEpn WHERE CodEpn = 101"), 1);

  // Down: a search says why and the connection waits to be reopened.
  rele.desliga();
  try {
    rs.abre(consulta, c);
    ADD_FAILURE() << "read from a stopped server";
  } catch (const ErroBanco &e) {
    EXPECT_TRUE(e.conexaoPerdida()) << e.descricao().toStdString();
    EXPECT_TRUE(e.descricao().contains("perdida")) << e.descricao().toStdString();
  }
  EXPECT_EQ(rs.State(), 0);
  EXPECT_TRUE(c.aberta());
  EXPECT_THROW(c.executa("UPDATE TB_VDA_CADEPN SET NitEpn = NitEpn WHERE CodEpn = 101"), ErroBanco);

  // Back: the next statement reconnects.
  rele.liga();
  EXPECT_EQ(c.executa("UPDATE TB_VDA_CADEPN SET NitEpn = NitEpn WHERE CodEpn = 101"), 1);
  rs.abre(consulta, c);
  EXPECT_EQ(rs.RecordCount(), 1);
}

// The search dialog of a desk whose server went away: the cashier reads why,
// the words stay, the program goes on; back, the same search finds the customer.
TEST_F(Servidor, ASearchWhileTheServerIsDownSaysWhyAndWorksWhenItIsBack) {
  Rele rele;
  rele.liga();
  TerminalState estado;
  estado.Conexao->abre(caixa(QString("127.0.0.1/%1").arg(rele.porta())));
  OperadorRoteiro operador;
  estado.usaOperador(operador);
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  app.atendeOperador = [] {};  // a cashier at the window: the reads run on the worker
  std::function<void(Tela &)> roteiro;
  app.executaModal = [&](Tela &t) { roteiro(t); };
  roteiro = [&](Tela &t) {
    t.digita("SILVA");
    rele.desliga();
    t.teclaBaixo(tecla::Enter);
    EXPECT_TRUE(t.carregada());
    EXPECT_EQ(t.campo("Pergunta").texto(), "SILVA");
    EXPECT_EQ(t.campo("Result").texto(), "Pesquisa não concluída! 0 registros foram carregados.");
    t.teclaBaixo(tecla::Esc);
  };
  AbrePesquisa(app, "Cli");
  const QString mensagens = operador.mensagens().join(" / ");
  EXPECT_TRUE(mensagens.contains("perdida")) << mensagens.toStdString();

  rele.liga();
  QString resultado;
  roteiro = [&](Tela &t) {
    t.digita("SILVA");
    t.teclaBaixo(tecla::Enter);
    resultado = t.campo("Result").texto();
    t.teclaBaixo(tecla::Enter);
  };
  AbrePesquisa(app, "Cli");
  EXPECT_EQ(resultado, "Concluido! 1 registros foram encontrados.");
  EXPECT_EQ(estado.CodPesquisa, "2");
}

// Eight desks selling the same product at random moments: every sale's stock
// update lands (a conflicting one is tried again), none is lost.
TEST_F(Servidor, EightDesksSellingOneProductLoseNoStockUpdate) {
  auto pendente = [&] {
    ConexaoBanco c;
    c.abre(caixa(servidor()));
    Recordset rs;
    rs.abre("Select PenVEst From Tb_Est_CadPro Where CodPro=1", c);
    return ParaQuantidade(rs["PenVEst"]);
  };
  const Quantidade antes = pendente();
  constexpr int Caixas = 8, Vendas = 150;
  std::atomic<int> falhas{0};
  std::vector<std::thread> caixas;
  for (int n = 0; n < Caixas; ++n)
    caixas.emplace_back([&, n] {
      TerminalState estado;
      estado.Conexao->abre(caixa(servidor()));
      std::srand(unsigned(n * 7919 + 1));
      for (int v = 0; v < Vendas; ++v) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::rand() % 1001));
        try {
          AtualizaEstoquePendente(estado, "1", Quantidade::deInteiro(1));
        } catch (const ErroBanco &) {
          ++falhas;
        }
      }
    });
  for (auto &t : caixas) t.join();
  EXPECT_EQ(falhas.load(), 0);
  EXPECT_EQ(pendente() - antes, Quantidade::deInteiro(Caixas * Vendas));
}
