// A product search over a large catalogue against a bare client fetching
// every row of the same statement. Figures, not pass/fail; prints a Markdown
// table, with the machine's load before and after.
//
//   pesquisa_bench [DRIVE] [WORD ...]     default words: ML, SHAMPOO, "SHAMPOO CACHOS"
//
// DRIVE defaults to /tmp/pdv-bench-drive; when it has no database yet it is
// made with `pdv-admin init-drive DRIVE --demo --products 1000000` (which
// writes the desk's index of descriptions too; without kw-velt/produtos.idx
// the dialog shows no preview, as before the index).
//
// For each word, every measurement in a process of its own, the program's and
// the bare client's alternating, median of PDV_BENCH_REPETICOES (default 3):
//
// - the search dialog itself, headless as the replay mode runs it: the words
//   typed, Enter, and the time until the first rows are in the grid (the
//   preview from the desk's index of descriptions when the drive has one),
//   until the statement's own first page is and until every row is; how many
//   of the preview's rows the statement's page has in the same places; the
//   bare client's times to its 1,000th row and to its last; the peak memory
//   of both processes;
// - the grid fill alone: every row read first and kept as the server sent
//   it, then made into grid rows block by block as the dialog does (no bare
//   counterpart);
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
#include <vector>

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

// The dialog: rows first in the grid (the index's preview when there is one,
// ms after Enter), the statement's own first page (ms), every row (ms), rows,
// and how many of the preview's rows are the statement's first page's rows
// in their places (by code, then by description: among products of one
// description the statement's order is the server's sort's own; -1 without a
// preview).
std::vector<double> dialogo(const QString &palavra) {
  TerminalState estado;
  conecta(estado);
  OperadorRoteiro operador;
  AreaTransferenciaMemoria area;
  Aplicacao app{estado, operador, area};
  estado.usaOperador(operador);
  double primeira = -1, propria = -1, todas = -1, linhas = 0, iguais = -1, mesmaDescricao = -1;
  app.executaModal = [&](Tela &t) {
    auto &form = static_cast<FormPesq &>(t);
    Grade &g = form.grade("Grade");
    t.digita(palavra);
    QElapsedTimer relogio;
    QStringList codigosPrevia, descricoesPrevia;
    auto antes = g.aoMudar;
    g.aoMudar = [&] {
      if (relogio.isValid() && g.Rows() > g.FixedRows) {
        if (primeira < 0) primeira = msDesde(relogio);
        if (form.previa() && codigosPrevia.isEmpty())
          for (int r = g.FixedRows; r < g.Rows(); ++r)
            codigosPrevia << g.TextMatrix(r, 0), descricoesPrevia << g.TextMatrix(r, 3);
        if (!form.previa() && propria < 0) {
          propria = msDesde(relogio);
          if (!codigosPrevia.isEmpty()) {
            iguais = mesmaDescricao = 0;
            for (int i = 0; i < codigosPrevia.size() && g.FixedRows + i < g.Rows(); ++i) {
              iguais += codigosPrevia[i] == g.TextMatrix(g.FixedRows + i, 0);
              mesmaDescricao += descricoesPrevia[i] == g.TextMatrix(g.FixedRows + i, 3);
            }
          }
        }
      }
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
  return {primeira, propria, todas, linhas, iguais, mesmaDescricao};
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

// Every row read and kept in blocks as the server sent them, then made into
// grid rows block by block as the dialog does: ms of the fill.
double preenchimento(const QString &sql) {
  TerminalState estado;
  conecta(estado);
  Recordset rs;
  rs.abrePaginado(sql, estado.conexao(), 0);
  std::vector<LinhasGuardadas> blocos;
  while (!rs.completo()) rs.leMais(FormPesq::LinhasPorPasso, blocos.emplace_back());
  Grade g;
  const TipoPesquisa &produtos = *TipoPesquisaDe("Pro");
  QStringList layout;
  for (const ColunaPesquisa &c : produtos.colunas) layout << c.cabecalho;
  g.FormatString(layout.join('|'));
  QElapsedTimer t;
  t.start();
  for (const LinhasGuardadas &bloco : blocos) g.acrescentaLinhas(LinhasPesquisa(produtos, bloco));
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
    if (d.valores.size() < 5 || n.valores.size() < 3 || d.valores[3] != n.valores[2])
      saida << "(" << nome << ": the dialog and the bare client disagree on the rows: "
            << (d.valores.size() > 3 ? d.valores[3] : -1) << " against " << (n.valores.size() > 2 ? n.valores[2] : -1)
            << ")\n";
    const QString rows = QString::number(d.valores.size() > 3 ? d.valores[3] : 0, 'f', 0);
    const bool comPrevia = d.valores.size() > 4 && d.valores[4] >= 0;
    if (comPrevia) {
      linha(nome + ": first page on screen (the desk index's preview), after Enter", d.valores.at(0), n.valores.at(0),
            "ms");
      saida << "| " << nome << ": preview rows with the statement's first page's description in place, and its code "
            << "(median) | " << QString::number(d.valores[5], 'f', 0) << ", " << QString::number(d.valores[4], 'f', 0)
            << " | - | - |\n";
    }
    linha(nome + ": the statement's first page (1,000 rows) in the grid, after Enter", d.valores.at(1),
          n.valores.at(0), "ms");
    linha(nome + ": all " + rows + " rows in the grid, after Enter", d.valores.at(2), n.valores.at(1), "ms");
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
