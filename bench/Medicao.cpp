#include "Medicao.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <fcntl.h>
#include <firebird/Interface.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <exception>

namespace {

void escreveTudo(int fd, const char *dados, size_t tamanho) {
  while (tamanho > 0) {
    const ssize_t n = write(fd, dados, tamanho);
    if (n <= 0) return;
    dados += n;
    tamanho -= static_cast<size_t>(n);
  }
}

QByteArray leTudo(int fd) {
  QByteArray tudo;
  char bloco[65536];
  for (ssize_t n; (n = read(fd, bloco, sizeof bloco)) > 0;) tudo.append(bloco, n);
  return tudo;
}

QByteArray paraBytes(const std::vector<double> &v) {
  return QByteArray(reinterpret_cast<const char *>(v.data()), static_cast<qsizetype>(v.size() * sizeof(double)));
}

std::vector<double> deBytes(const QByteArray &b) {
  std::vector<double> v(static_cast<size_t>(b.size()) / sizeof(double));
  std::memcpy(v.data(), b.constData(), v.size() * sizeof(double));
  return v;
}

}  // namespace

QByteArray EmFilhoBytes(const std::function<QByteArray()> &trabalho, bool *ok, long *memoriaKb) {
  int tubo[2];
  if (pipe(tubo) != 0) {
    if (ok) *ok = false;
    return {};
  }
  const pid_t filho = fork();
  if (filho == 0) {
    close(tubo[0]);
    // One status byte ('1' done, '0' failed), then what the work returned.
    QByteArray resposta = "0";
    try {
      resposta = "1" + trabalho();
    } catch (const Firebird::FbException &e) {
      char texto[512];
      Firebird::fb_get_master_interface()->getUtilInterface()->formatStatus(texto, sizeof texto, e.getStatus());
      fprintf(stderr, "erro: %s\n", texto);
    } catch (const std::exception &e) {
      fprintf(stderr, "erro: %s\n", e.what());
    }
    fflush(stderr);
    escreveTudo(tubo[1], resposta.constData(), static_cast<size_t>(resposta.size()));
    _exit(0);
  }
  close(tubo[1]);
  const QByteArray lido = leTudo(tubo[0]);
  close(tubo[0]);
  int status = 0;
  rusage uso{};
  wait4(filho, &status, 0, &uso);
  if (memoriaKb) *memoriaKb = uso.ru_maxrss;
  const bool feito = lido.startsWith('1');
  if (ok) *ok = feito;
  return feito ? lido.mid(1) : QByteArray();
}

double ExecutaMedindo(const QStringList &argumentos, const QStringList &ambiente, long *memoriaKb) {
  std::vector<QByteArray> args, env;
  for (const QString &a : argumentos) args.push_back(a.toLocal8Bit());
  for (const QString &a : ambiente) env.push_back(a.toLocal8Bit());
  std::vector<char *> argv, envp;
  for (QByteArray &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (QByteArray &a : env) envp.push_back(a.data());
  QElapsedTimer t;
  t.start();
  const pid_t filho = fork();
  if (filho == 0) {
    for (char *a : envp) putenv(a);
    const int nulo = open("/dev/null", O_WRONLY);
    if (nulo >= 0) dup2(nulo, 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (filho < 0) return -1;
  int status = 0;
  rusage uso{};
  wait4(filho, &status, 0, &uso);
  const double ms = t.nsecsElapsed() / 1e6;
  if (memoriaKb) *memoriaKb = uso.ru_maxrss;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

QString CargaDaMaquina() {
  QFile f("/proc/loadavg");
  if (!f.open(QIODevice::ReadOnly)) return "?";
  return QString::fromLatin1(f.readAll()).section(' ', 0, 2);
}

double Mediana(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

int Repeticoes() {
  const int pedidas = qEnvironmentVariableIntValue("PDV_BENCH_REPETICOES");
  return pedidas > 0 ? pedidas : 3;
}

std::pair<Medidas, Medidas> ComparaVarios(const std::function<std::vector<double>()> &programa,
                                          const std::function<std::vector<double>()> &nu) {
  struct Lado {
    std::vector<std::vector<double>> valores;  // by figure, one per run
    std::vector<double> memoria;
    void acrescenta(const std::function<std::vector<double>()> &trabalho) {
      bool ok = false;
      long kb = 0;
      std::vector<double> v = deBytes(EmFilhoBytes([&] { return paraBytes(trabalho()); }, &ok, &kb));
      if (!ok) v.assign(std::max<size_t>(1, valores.size()), -1);
      if (valores.size() < v.size()) valores.resize(v.size());
      for (size_t i = 0; i < v.size(); ++i) valores[i].push_back(v[i]);
      memoria.push_back(static_cast<double>(kb));
    }
    Medidas medianas() const {
      Medidas m;
      for (const auto &figura : valores) m.valores.push_back(Mediana(figura));
      m.memoriaKb = static_cast<long>(Mediana(memoria));
      return m;
    }
  } a, b;
  for (int i = 0; i < Repeticoes(); ++i) {
    // Each goes first every other time: neither always meets the other's leftovers.
    if (i % 2 == 0) {
      a.acrescenta(programa);
      b.acrescenta(nu);
    } else {
      b.acrescenta(nu);
      a.acrescenta(programa);
    }
  }
  return {a.medianas(), b.medianas()};
}

std::pair<Medida, Medida> Compara(const std::function<double()> &programa, const std::function<double()> &nu) {
  const auto [a, b] = ComparaVarios([&] { return std::vector<double>{programa()}; },
                                    [&] { return std::vector<double>{nu()}; });
  return {{a.valores.at(0), a.memoriaKb}, {b.valores.at(0), b.memoriaKb}};
}

void LinhaTabela(QTextStream &saida, const QString &trabalho, double programa, double nu, const QString &unidade) {
  const int casas = unidade == "MB" ? 0 : 2;
  saida << "| " << trabalho << " | " << QString::number(programa, 'f', casas) << ' ' << unidade << " | ";
  if (nu > 0)
    saida << QString::number(nu, 'f', casas) << ' ' << unidade << " | " << QString::number(programa / nu, 'f', 2)
          << "x |\n";
  else
    saida << "- | - |\n";
  saida.flush();
}

bool CriaDriveDemo(const QString &admin, const QString &raiz, QString *erro) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(admin, {"init-drive", raiz, "--demo"});
  if (p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) return true;
  if (erro) *erro = QString::fromLocal8Bit(p.readAll());
  return false;
}
