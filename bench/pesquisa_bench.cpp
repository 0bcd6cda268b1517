// A product search over a large catalogue against a bare client fetching
// every row of the same statement. Figures, not pass/fail; prints a Markdown
// table, with the machine's load before and after.
//
//   pesquisa_bench [DRIVE] [WORD ...]     default words: ML, SHAMPOO, "SHAMPOO CACHOS"
//
// DRIVE defaults to /tmp/pdv-bench-drive; when it has no database yet it is
// made with `pdv-admin init-drive DRIVE --demo --products 1000000`.
//
// For each word, every measurement in a process of its own, the program's and
// the bare client's alternating, median of PDV_BENCH_REPETICOES (default 3):
//
// - the search dialog itself, headless as the replay mode runs it (the reads
//   in line): the words typed, Enter, and the time until the first page is in
//   the grid and until every row is; the bare client's times to its 1,000th
//   row and to its last; the peak memory of both processes;
// - the grid fill alone: every row read first, then made into grid rows
//   block by block as the dialog does (no bare counterpart);
// - the whole program: `pdv --replay` logging in, opening the product search
//   (P0203), searching and loading every row, as a process of its own, against
//   a process of the bare client's that attaches, reads every row and ends;
//   wall time and peak memory.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "ClienteNu.h"
#include "Medicao.h"

#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Grade.h"
#include "core/OperadorRoteiro.h"
#include "core/Teclas.h"
#include "lookup/FormPesq.h"
#include "lookup/TiposPesquisa.h"

namespace {

const char *const kUsuario = "SYSDBA";
const char *const kSenha = "masterkey";
constexpr size_t kPagina = FormPesq::PrimeiraPagina;

QString drive;

double msDesde(const QElapsedTimer &t) { return t.nsecsElapsed() / 1e6; }

void conecta(TerminalState &estado) {
  qputenv("PDV_DRIVE", drive.toUtf8());
  LeArquivoConfig(estado);
  EscolheConexao(estado, estado.StrConexao);
  AbreConexao(estado);
}

// The dialog: first page in the grid (ms after Enter), every row (ms), rows.
std::vector<double> dialogo(const QString &palavra) {
  TerminalState estado;
  conecta(estado);
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  estado.usaOperador(operador);
  double primeira = -1, todas = -1, linhas = 0;
  app.executaModal = [&](Tela &t) {
    Grade &g = static_cast<FormPesq &>(t).grade("Grade");
    t.digita(palavra);
    QElapsedTimer relogio;
    auto antes = g.aoMudar;
    g.aoMudar = [&] {
      if (primeira < 0 && relogio.isValid() && g.Rows() > g.FixedRows) primeira = msDesde(relogio);
      if (antes) antes();
    };
    relogio.start();
    t.teclaBaixo(tecla::Enter);
    todas = msDesde(relogio);
    linhas = g.Rows() - g.FixedRows;
    g.aoMudar = antes;
    if (t.carregada()) t.teclaBaixo(tecla::Esc), t.teclaBaixo(tecla::Esc);
  };
  AbrePesquisa(app, "Pro");
  return {primeira, todas, linhas};
}

// The bare client: its 1,000th row (ms after it began), its last (ms), rows.
std::vector<double> clienteNu(const QString &sql) {
  ClienteNu c((drive + "/kw-velt/dados.fdb").toStdString(), kUsuario, kSenha);
  // The yardstick keeps no row: any memory the program holds for its rows counts against it.
  c.guardaLinhas = false;
  QElapsedTimer t;
  t.start();
  double primeira = -1;
  const size_t n = c.consulta(sql.toStdString(), static_cast<size_t>(-1), [&](size_t lidas) {
    if (lidas == kPagina) primeira = msDesde(t);
  });
  const double todas = msDesde(t);
  return {primeira < 0 ? todas : primeira, todas, static_cast<double>(n)};
}

// Every row read, then made into grid rows as the dialog does: ms of the fill.
double preenchimento(const QString &sql) {
  TerminalState estado;
  conecta(estado);
  Recordset rs;
  rs.abre(sql, estado.conexao());
  Grade g;
  const TipoPesquisa &produtos = *TipoPesquisaDe("Pro");
  QStringList layout;
  for (const ColunaPesquisa &c : produtos.colunas) layout << c.cabecalho;
  g.FormatString(layout.join('|'));
  QElapsedTimer t;
  t.start();
  PreencheGradePesquisa(g, produtos, rs.linhas());
  return msDesde(t);
}

// The replay script of the whole program: log in, open the product search,
// search, every row loaded (the replay reads in line), close.
QString roteiro(const QString &palavra) {
  return "type 1\nkey Enter\nanswer No\ntype 1234\nkey Enter\nkey Enter\nkey Enter\nclick P0203\ntype " + palavra +
         "\nkey Enter\nkey Esc\nkey Esc\n";
}

QTextStream saida(stdout);

void linha(const QString &trabalho, double programa, double nu, const QString &unidade) {
  LinhaTabela(saida, trabalho, programa, nu, unidade);
}

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication aplicacao(argc, argv);
  QStringList args = aplicacao.arguments().mid(1);
  drive = args.isEmpty() ? "/tmp/pdv-bench-drive" : args.takeFirst();
  if (args.isEmpty()) args = {"ML", "SHAMPOO", "SHAMPOO CACHOS"};
  if (!QFile::exists(drive + "/kw-velt/dados.fdb")) {
    saida << "making " << drive << " with 1,000,000 products...\n";
    saida.flush();
    if (QProcess::execute(QStringLiteral(PDV_BENCH_ADMIN), {"init-drive", drive, "--demo", "--products", "1000000"}) != 0)
      return 1;
  }
  QTemporaryDir pasta;
  saida << "load average before: " << CargaDaMaquina() << "\n\n";
  saida << "| work | this program | bare client | ratio |\n|---|---|---|---|\n";
  saida.flush();
  const TipoPesquisa &produtos = *TipoPesquisaDe("Pro");
  for (const QString &palavra : args) {
    const QString sql = MontaSqlPesquisa(produtos, palavra);
    const QString nome = "search \"" + palavra + "\"";

    const auto [d, n] = ComparaVarios([&] { return dialogo(palavra); }, [&] { return clienteNu(sql); });
    if (d.valores.size() < 3 || n.valores.size() < 3 || d.valores[2] != n.valores[2])
      saida << "(" << nome << ": the dialog and the bare client disagree on the rows: "
            << (d.valores.size() > 2 ? d.valores[2] : -1) << " against " << (n.valores.size() > 2 ? n.valores[2] : -1)
            << ")\n";
    const QString rows = QString::number(d.valores.size() > 2 ? d.valores[2] : 0, 'f', 0);
    linha(nome + ": first page (1,000 rows) in the grid, after Enter", d.valores.at(0), n.valores.at(0), "ms");
    linha(nome + ": all " + rows + " rows in the grid, after Enter", d.valores.at(1), n.valores.at(1), "ms");
    linha(nome + ": peak memory, search with all rows", d.memoriaKb / 1024.0, n.memoriaKb / 1024.0, "MB");

    std::vector<double> enchimentos;
    for (int i = 0; i < Repeticoes(); ++i) {
      bool ok = false;
      const QByteArray b = EmFilhoBytes([&] { return QByteArray::number(preenchimento(sql)); }, &ok);
      enchimentos.push_back(ok ? b.toDouble() : -1);
    }
    linha(nome + ": grid fill alone, all rows", Mediana(enchimentos), 0, "ms");

    // The whole program as a process against the bare client's process.
    const QString script = pasta.filePath("pesquisa.txt");
    QFile f(script);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(roteiro(palavra).toUtf8()) < 0) return 1;
    f.close();
    std::vector<double> tp, tn, mp, mn;
    auto programa = [&] {
      long kb = 0;
      tp.push_back(ExecutaMedindo({QStringLiteral(PDV_BENCH_PDV), "--replay", script}, {"PDV_DRIVE=" + drive}, &kb));
      mp.push_back(kb);
    };
    auto nu = [&] {
      long kb = 0;
      bool ok = false;
      QElapsedTimer t;
      t.start();
      EmFilhoBytes([&] { return QByteArray::number(clienteNu(sql)[2]); }, &ok, &kb);
      tn.push_back(ok ? msDesde(t) : -1);
      mn.push_back(kb);
    };
    for (int i = 0; i < Repeticoes(); ++i) {
      if (i % 2 == 0) programa(), nu();
      else nu(), programa();
    }
    linha(nome + ": whole program (login, P0203, all rows) against a whole bare process, wall time", Mediana(tp),
          Mediana(tn), "ms");
    linha(nome + ": whole program against a whole bare process, peak memory", Mediana(mp) / 1024.0,
          Mediana(mn) / 1024.0, "MB");
  }
  saida << "\nload average after: " << CargaDaMaquina() << "\n";
  return 0;
}
