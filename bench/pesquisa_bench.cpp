// Times a product search over a large catalogue in three parts: building the
// statement, fetching the rows, filling the grid. Figures, not pass/fail.
//
//   pesquisa_bench [DRIVE] [WORD ...]
//
// DRIVE defaults to /tmp/pdv-bench-drive; when it has no database yet it is
// made with `pdv-admin init-drive DRIVE --demo --products 1000000`.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>
#include <sys/resource.h>

#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Grade.h"
#include "lookup/FormPesq.h"
#include "lookup/TiposPesquisa.h"

static long picoMemoriaKb() {
  rusage uso{};
  getrusage(RUSAGE_SELF, &uso);
  return uso.ru_maxrss;
}

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  QStringList args = app.arguments().mid(1);
  const QString drive = args.isEmpty() ? "/tmp/pdv-bench-drive" : args.takeFirst();
  if (args.isEmpty()) args = {"SHAMPOO", "ML"};
  if (!QFile::exists(drive + "/kw-velt/dados.fdb")) {
    out << "making " << drive << " with 1,000,000 products...\n";
    out.flush();
    const int status = QProcess::execute(QStringLiteral(PDV_BENCH_ADMIN),
                                         {"init-drive", drive, "--demo", "--products", "1000000"});
    if (status != 0) return 1;
  }
  qputenv("PDV_DRIVE", drive.toUtf8());
  TerminalState estado;
  LeArquivoConfig(estado);
  EscolheConexao(estado, estado.StrConexao);
  AbreConexao(estado);
  const TipoPesquisa &produtos = *TipoPesquisaDe("Pro");
  for (const QString &palavra : args) {
    QElapsedTimer t;
    t.start();
    QString sql;
    for (int i = 0; i < 1000; ++i) sql = MontaSqlPesquisa(produtos, palavra);
    const double montagemUs = t.nsecsElapsed() / 1000.0 / 1000;
    t.restart();
    Recordset rs;
    rs.abre(sql, estado.conexao());
    const qint64 buscaMs = t.elapsed();
    t.restart();
    Grade grade;
    grade.FormatString(">Cod Sis|^Cod Int|^Cod Barras|<Descricao Produto|<Fabrica|>Estoque|>Preco|^Estado|>% Desc");
    int avisos = 0;
    PreencheGradePesquisa(grade, produtos, rs.linhas(), [&](int, int) { ++avisos; });
    const qint64 gradeMs = t.elapsed();
    out << QString("%1: %2 rows | statement %3 us | fetch %4 ms | grid fill %5 ms (%6 progress steps) | peak RSS %7 MB\n")
               .arg(palavra)
               .arg(rs.RecordCount())
               .arg(montagemUs, 0, 'f', 1)
               .arg(buscaMs)
               .arg(gradeMs)
               .arg(avisos)
               .arg(picoMemoriaKb() / 1024);
    out.flush();
  }
  return 0;
}
