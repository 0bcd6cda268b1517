#pragma once
// How the benchmarks measure: every measurement runs in a process of its own
// (its own peak memory, nothing left over from the run before), the
// program's and the bare client's alternating, and the median of
// PDV_BENCH_REPETICOES (default 3) runs is shown in a Markdown table row.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <utility>
#include <vector>

// Runs `trabalho` in a child process and returns the bytes it returned.
// A child that throws prints the reason on stderr, and `ok` (when given) is
// then false. `memoriaKb` (when given) receives the child's peak memory.
QByteArray EmFilhoBytes(const std::function<QByteArray()> &trabalho, bool *ok = nullptr, long *memoriaKb = nullptr);

// Runs a program (argv[0] is its path) in a child process with `ambiente`
// added to its environment and its standard output thrown away; returns its
// wall time in ms (-1 when it could not run or did not exit with 0) and, in
// `memoriaKb`, its peak memory.
double ExecutaMedindo(const QStringList &argumentos, const QStringList &ambiente, long *memoriaKb = nullptr);

// The machine's load averages (1, 5 and 15 minutes), as /proc/loadavg has them.
QString CargaDaMaquina();

double Mediana(std::vector<double> v);
int Repeticoes();

// Several figures of one run (e.g. milliseconds per item and a share of
// them) and the run's peak memory. A failed run gives -1 for every figure.
struct Medidas {
  std::vector<double> valores;
  long memoriaKb = 0;
};

// The program's runs and the bare client's, alternating; the median of each
// figure taken on its own.
std::pair<Medidas, Medidas> ComparaVarios(const std::function<std::vector<double>()> &programa,
                                          const std::function<std::vector<double>()> &nu);

// The same for a single figure (milliseconds).
struct Medida {
  double ms = 0;
  long memoriaKb = 0;
};
std::pair<Medida, Medida> Compara(const std::function<double()> &programa, const std::function<double()> &nu);

// Makes a demo drive at `raiz` with `admin init-drive raiz --demo`; false,
// with what the tool printed in `erro`, when it fails.
bool CriaDriveDemo(const QString &admin, const QString &raiz, QString *erro);

// "| work | 1.23 ms | 1.00 ms | 1.23x |"; `nu` of zero or less leaves the
// bare client's cell and the ratio empty ("-").
void LinhaTabela(QTextStream &saida, const QString &trabalho, double programa, double nu, const QString &unidade);
