// Recording a closed sale, as F7 does once the printer has closed the
// coupon, against a bare client inserting the same rows. Figures, not
// pass/fail; prints a Markdown table.
//
//   grava_bench [DRIVE]     default: demo (a demo drive made for the run)
//
// Any other DRIVE is used as it is (its database must exist). The database is
// embedded with forced writes on (checked and shown).
//
// The program's side, per sale: the journal entry written "closing", then
// "closed" (each a whole file flushed to disk, renamed, the folder synced),
// the recording (GravaVendaNoBanco: the check that the coupon is not
// recorded yet, the code drawn, header, 3 payment rows, 100 items, fiscal
// summary and the release row's removal in one transaction), then the entry
// moved to "recorded". Each step is timed apart.
//
// The bare client (bench/ClienteNu.*, libfbclient straight) does the same
// database work on the same database: the same check and code draw, each in
// a read-only transaction of its own, then the same rows in one transaction,
// every statement prepared once for all the sales and its parameters written
// straight into the message. Each side records kAquecimento sales to warm up,
// then kVendas timed ones; median and 95th percentile per sale.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <fcntl.h>
#include <ibase.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "ClienteNu.h"
#include "Medicao.h"

#include "closing/DiarioVendas.h"
#include "closing/GravacaoVenda.h"
#include "closing/VendaFechada.h"
#include "core/Database.h"
#include "core/TerminalState.h"
#include "core/Tributacao.h"
#include "core/Utilidades.h"

namespace {

const char *const kUsuario = "SYSDBA";
const char *const kSenha = "masterkey";
constexpr int kItensVenda = 100, kVendas = 50, kAquecimento = 5;
// Coupon numbers of the run's sales: far from any the demo or a desk uses,
// and apart for the two sides and every run (see numeroBase).
constexpr qlonglong kCupomBase = 700000;

QString stringConexao(const QString &banco) {
  return "Data Source=" + banco + ";User=" + kUsuario + ";Password=" + kSenha;
}

double ms(qint64 ns) { return ns / 1e6; }

// The CPU time of the whole process (the embedded engine's threads included).
qint64 cpuAgora() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double percentil95(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  if (v.empty()) return 0;
  const size_t i = static_cast<size_t>(std::ceil(0.95 * static_cast<double>(v.size()))) - 1;
  return v[std::min(i, v.size() - 1)];
}

// ---------------------------------------------------------------- the sale

// A 100-item sale of the catalogue's first sellable products, quantities of
// 1, 2 and some weighed ones (1,235), paid with cash and two cheques; the
// coupon number is set per sale.
VendaFechada vendaModelo(ConexaoBanco &c) {
  Recordset rs;
  rs.abre("Select First 300 CodPro, ValPre1, TribPro From Tb_Est_CadPro Where ValPre1 > 0 And TribPro <> '' "
          "And AtvPro = 1 Order By CodPro",
          c);
  VendaFechada v;
  v.caixa = "001";
  v.data = QDate::currentDate();
  v.usuario = 1;
  v.cliente = "0-CONSUMIDOR|";
  v.operacao = 5102;
  v.local = 1;
  v.faturamento = VendaFechada::TextoFaturamento(1, "grava_bench", QTime::currentTime());
  v.fechadaEm = QDateTime::currentDateTime();
  for (int i = 1; !rs.EOF_() && i <= kItensVenda; rs.MoveNext(), ++i) {
    ItemVendido it;
    it.item = i;
    it.produto = SemNulo(rs["CodPro"]).toLongLong();
    it.quantidade = i % 7 == 0 ? Quantidade::deMilesimos(1235) : Quantidade::deInteiro(1 + i % 2);
    it.precoLista = ParaMoeda(rs["ValPre1"]);
    it.unitario = it.precoLista;
    it.valor = it.unitario.vezes(it.quantidade, 2);
    it.tributacao = SemNulo(rs["TribPro"]).toString().trimmed();
    v.total += it.valor;
    v.itens << it;
  }
  if (v.itens.size() != kItensVenda) throw std::runtime_error("the catalogue has fewer than 100 products to sell");
  v.totais[BaseTributada] = v.total;
  // Cash, then the rest over two post-dated cheques.
  const Moeda dinheiro = Moeda::deInteiro(50), cheque1 = Moeda::deInteiro(20);
  const Moeda cheque2 = v.total - dinheiro - cheque1;
  const QString hoje = v.data.toString("dd/MM/yyyy"), depois = v.data.addDays(30).toString("dd/MM/yyyy");
  for (const QStringList &celulas :
       QList<QStringList>{{"1", "DINHEIRO", dinheiro.formatada(), "", "", "", "1", hoje, "0", "0", "Dinheiro"},
                          {"5", "CHEQUE PRE-DATADO", cheque1.formatada(), "1000", "001", "1234", "CONSUMIDOR", depois,
                           "3", "0", "Cheque"},
                          {"5", "CHEQUE PRE-DATADO", cheque2.formatada(), "1001", "001", "1234", "CONSUMIDOR", depois,
                           "3", "0", ""}})
    v.pagamentos << LinhaPagamento::deCelulas(celulas);
  return v;
}

// Coupon numbers unused in the database: past every coupon of the desk.
qlonglong numeroBase(ConexaoBanco &c) {
  Recordset rs;
  rs.abre("Select Max(NfiEpn) As Ultimo From Tb_Vda_CadEpn Where NfsEpn = '001'", c);
  return std::max(kCupomBase, SemNulo(rs["Ultimo"]).toLongLong() + 1);
}

bool substituicao(const QString &tributacao) {
  const int t = tributacao.trimmed().toInt();
  return t == 60 || t == 70;
}

// ---------------------------------------------------------------- the program

// The steps of a recorded sale, in the order they are timed.
enum Passo { Inteira, Fechando, Fechada, Banco, Gravada, Passos };

// Per sale (ms), for each step: the median and the 95th percentile in wall
// time, then the same in CPU time. Without `comDiario` only the recording
// runs (the journal's steps are zero).
std::vector<double> gravaPrograma(const QString &banco, const QString &pastaDiario, bool comDiario) {
  TerminalState estado;
  estado.conexao().abre(stringConexao(banco));
  DiarioVendas diario(pastaDiario);
  VendaFechada venda = vendaModelo(estado.conexao());
  const qlonglong base = numeroBase(estado.conexao());
  std::vector<std::vector<double>> parede(Passos), cpu(Passos);
  const auto diarioOk = [](bool ok, const QString &erro) {
    if (!ok) throw std::runtime_error(erro.toStdString());
  };
  for (int i = 0; i < kAquecimento + kVendas; ++i) {
    venda.cupom = base + i;
    QString erro;
    EmpenhoGravado g;
    std::array<qint64, Passos> ns{}, cpuNs{};
    const auto passo = [&](Passo p, const std::function<void()> &trabalho) {
      QElapsedTimer t;
      t.start();
      const qint64 c = cpuAgora();
      trabalho();
      ns[p] = t.nsecsElapsed();
      cpuNs[p] = cpuAgora() - c;
      ns[Inteira] += ns[p];
      cpuNs[Inteira] += cpuNs[p];
    };
    const auto entrada = [&](DiarioVendas::Situacao situacao) {
      diarioOk(diario.grava(venda, situacao, &erro), erro);
    };
    if (comDiario) passo(Fechando, [&] { entrada(DiarioVendas::Situacao::Fechando); });
    if (comDiario) passo(Fechada, [&] { entrada(DiarioVendas::Situacao::Fechada); });
    passo(Banco, [&] { g = GravaVendaNoBanco(estado, venda); });
    if (comDiario) passo(Gravada, [&] { diarioOk(diario.marcaGravada(venda, g.codigo, &erro), erro); });
    if (g.jaGravado) throw std::runtime_error("coupon " + std::to_string(venda.cupom) + " was recorded already");
    if (i < kAquecimento) continue;
    for (int p = 0; p < Passos; ++p) {
      parede[p].push_back(ms(ns[p]));
      cpu[p].push_back(ms(cpuNs[p]));
    }
  }
  FechaConexao(estado);
  std::vector<double> r;
  for (const auto *v : {&parede, &cpu})
    for (const auto &p : *v) r.insert(r.end(), {Mediana(p), percentil95(p)});
  return r;
}

// ---------------------------------------------------------------- bare client

// A statement prepared once with its input message, filled field by field in
// the column's own type.
class Preparada {
 public:
  Preparada(ClienteNu &c, Firebird::ITransaction *tra, const char *sql) : c_(c) {
    stmt_ = c.conexao()->prepare(&c.status(), tra, 0, sql, SQL_DIALECT_V6,
                                 Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    entrada_ = stmt_->getInputMetadata(&c.status());
    dados_.assign(entrada_->getMessageLength(&c.status()), 0);  // null flags 0: no Nulls
    saida_ = stmt_->getOutputMetadata(&c.status());
    linha_.assign(saida_->getMessageLength(&c.status()), 0);
  }
  ~Preparada() {
    entrada_->release();
    saida_->release();
    stmt_->free(&c_.status());
  }

  // An exact number with `escala` decimals (a Moeda's units: 4).
  Preparada &numero(unsigned i, int64_t valor, int escala = 0) {
    const int coluna = -entrada_->getScale(&c_.status(), i);
    for (; escala > coluna; --escala) valor /= 10;
    for (; escala < coluna; ++escala) valor *= 10;
    char *p = campo(i);
    switch (entrada_->getType(&c_.status(), i) & ~1u) {
      case SQL_SHORT: { const auto v = static_cast<ISC_SHORT>(valor); std::memcpy(p, &v, sizeof v); break; }
      case SQL_LONG: { const auto v = static_cast<ISC_LONG>(valor); std::memcpy(p, &v, sizeof v); break; }
      default: { const ISC_INT64 v = valor; std::memcpy(p, &v, sizeof v); break; }
    }
    return *this;
  }
  Preparada &texto(unsigned i, const QString &valor) {
    const QByteArray b = valor.toUtf8();
    char *p = campo(i);
    if ((entrada_->getType(&c_.status(), i) & ~1u) == SQL_VARYING) {
      const auto n = static_cast<ISC_USHORT>(b.size());
      std::memcpy(p, &n, sizeof n);
      std::memcpy(p + sizeof n, b.constData(), n);
    } else {
      const unsigned largura = entrada_->getLength(&c_.status(), i);
      std::memset(p, ' ', largura);
      std::memcpy(p, b.constData(), std::min<size_t>(largura, static_cast<size_t>(b.size())));
    }
    return *this;
  }
  // A date, or a timestamp at midnight.
  Preparada &data(unsigned i, const QDate &d) {
    const ISC_DATE dia =
        c_.util()->encodeDate(static_cast<unsigned>(d.year()), static_cast<unsigned>(d.month()),
                              static_cast<unsigned>(d.day()));
    char *p = campo(i);
    if ((entrada_->getType(&c_.status(), i) & ~1u) == SQL_TIMESTAMP) {
      const ISC_TIMESTAMP ts{dia, 0};
      std::memcpy(p, &ts, sizeof ts);
    } else {
      std::memcpy(p, &dia, sizeof dia);
    }
    return *this;
  }
  Preparada &momento(unsigned i, const ISC_TIMESTAMP &ts) {
    std::memcpy(campo(i), &ts, sizeof ts);
    return *this;
  }

  void executa(Firebird::ITransaction *tra) {
    stmt_->execute(&c_.status(), tra, entrada_, dados_.data(), nullptr, nullptr);
  }
  // The first row, if any, in a read-only transaction of its own.
  bool consulta() {
    Firebird::ITransaction *tra = c_.transacaoLeitura();
    Firebird::IResultSet *rs = stmt_->openCursor(&c_.status(), tra, entrada_, dados_.data(), saida_, 0);
    const bool achou = rs->fetchNext(&c_.status(), linha_.data()) == Firebird::IStatus::RESULT_OK;
    rs->close(&c_.status());
    tra->commit(&c_.status());
    return achou;
  }
  template <typename T>
  T coluna(unsigned i) {
    T v;
    std::memcpy(&v, linha_.data() + saida_->getOffset(&c_.status(), i), sizeof v);
    return v;
  }

 private:
  char *campo(unsigned i) { return reinterpret_cast<char *>(dados_.data()) + entrada_->getOffset(&c_.status(), i); }
  ClienteNu &c_;
  Firebird::IStatement *stmt_ = nullptr;
  Firebird::IMessageMetadata *entrada_ = nullptr, *saida_ = nullptr;
  std::vector<unsigned char> dados_, linha_;
};

// Per sale (ms): the whole recording, median and 95th percentile; then the
// same in CPU time.
std::vector<double> gravaNu(const QString &banco) {
  VendaFechada venda;
  qlonglong base = 0;
  {
    // The sale is built through the layer, the same as the program's side;
    // the connection is closed before the bare client attaches.
    ConexaoBanco c;
    c.abre(stringConexao(banco));
    venda = vendaModelo(c);
    base = numeroBase(c);
  }
  ClienteNu c(banco.toStdString(), kUsuario, kSenha);
  const bool temSubstituicao = std::any_of(venda.itens.begin(), venda.itens.end(),
                                           [](const ItemVendido &i) { return substituicao(i.tributacao); });
  Firebird::ITransaction *preparo = c.transacaoLeitura();
  Preparada existe(c, preparo, "Select CodEpn From Tb_Vda_CadEpn Where NfsEpn=? And NfiEpn=? And DtcEpn=?");
  Preparada numero(c, preparo, "SELECT CURRENT_TIMESTAMP AS DATHOR, Gen_Id(NUMEPN,1) as CodEpn FROM RDB$DATABASE");
  Preparada fisSub(c, preparo, "Select CodSubs From Tb_Vda_FisSub Where CodNorm=?");
  Preparada cabecalho(c, preparo,
                      "Insert Into Tb_Vda_CadEpn (CodEpn,CliEpn,VenEpn,TpvEpn,TabEpn,DtcEpn,DtlEpn,StaEpn,NfsEpn,"
                      "NfiEpn,NffEpn,LocEpn,TotEpn,DscEpn,AcrEpn,NitEpn,PrzEpn,TraEpn,VeiEpn,ReqEpn,FrtEpn,ComEpn,"
                      "PesoEpn,FisEpn,UsuEpn,FatEpn,MesEpn) "
                      "Values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  Preparada pagamento(c, preparo,
                      "INSERT INTO TB_VDA_EPNPAG (EPNPAG,CPGPAG,CVNPAG,VALPAG,CHQPAG,BCOPAG,AGCPAG,EMIPAG,DTVPAG) "
                      "VALUES (?,?,?,?,?,?,?,?,?)");
  Preparada item(c, preparo,
                 "Insert Into Tb_Vda_CadEpnIt (CodEpnIt,IteEpnIt,ProEpnit,QtdEpnIt,ValEpnIt,PreEpnIt,VarEpnit,"
                 "CtoEpnIt,MovEpnIt,OpfEpnIt) Values (?,?,?,?,?,?,?,?,?,?)");
  Preparada resumo(c, preparo,
                   "INSERT INTO TB_VDA_CADNOT (NumNot,SerNot,EpnNot,DatNot,ValNot,BasIcmNot,ValIcmNot,BasSubNot,"
                   "ValSubNot,BasIseNot,BasRedNot,BasDifNot,StaNot,UsuNot,DatHor) Values "
                   "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  Preparada libera(c, preparo, "DELETE FROM TB_GER_LIBERA WHERE USUARIO=? AND INFO=?");
  preparo->commit(&c.status());

  std::vector<double> tempos, cpus;
  for (int i = 0; i < kAquecimento + kVendas; ++i) {
    venda.cupom = base + i;
    QElapsedTimer t;
    t.start();
    const qint64 cpu = cpuAgora();
    existe.texto(0, venda.caixa).numero(1, venda.cupom).data(2, venda.data);
    if (existe.consulta()) throw std::runtime_error("coupon " + std::to_string(venda.cupom) + " was recorded already");
    numero.consulta();
    const ISC_TIMESTAMP datHor = numero.coluna<ISC_TIMESTAMP>(0);
    const int64_t codigo = numero.coluna<ISC_INT64>(1);
    int64_t operacaoSubstituta = 0;
    if (temSubstituicao && fisSub.numero(0, venda.operacao).consulta())
      operacaoSubstituta = fisSub.coluna<ISC_SHORT>(0);
    c.inicia();
    Firebird::ITransaction *tra = c.transacao();
    cabecalho.numero(0, codigo).numero(1, 0).numero(2, venda.vendedor).numero(3, 1).numero(4, 1);
    cabecalho.data(5, venda.data).data(6, venda.data).numero(7, -1011).texto(8, venda.caixa).numero(9, venda.cupom);
    cabecalho.numero(10, venda.cupom).numero(11, venda.local).numero(12, venda.total.unidades(), 4);
    cabecalho.numero(13, 0).numero(14, 0).numero(15, venda.itens.size()).texto(16, "").numero(17, 0).numero(18, 0);
    cabecalho.texto(19, " ").numero(20, 0).numero(21, 0).numero(22, 0).numero(23, venda.operacao);
    cabecalho.numero(24, venda.usuario).texto(25, venda.faturamento).numero(26, venda.data.month());
    cabecalho.executa(tra);
    for (const LinhaPagamento &p : venda.pagamentos) {
      pagamento.numero(0, codigo).numero(1, p.condicao).numero(2, p.convenio);
      pagamento.numero(3, p.valor.unidades(), 4).texto(4, p.cheque).texto(5, p.banco).texto(6, p.agencia);
      pagamento.texto(7, p.emitente).data(8, p.vencimento);
      pagamento.executa(tra);
    }
    for (const ItemVendido &it : venda.itens) {
      const int64_t operacao = substituicao(it.tributacao) && operacaoSubstituta ? operacaoSubstituta : venda.operacao;
      item.numero(0, codigo).numero(1, it.item).numero(2, it.produto).numero(3, it.quantidade.milesimos(), 3);
      item.numero(4, it.unitario.unidades(), 4).numero(5, it.precoLista.unidades(), 4);
      item.numero(6, VariacaoPreco(it.unitario, it.precoLista).unidades(), 4).numero(7, it.valor.unidades(), 4);
      item.numero(8, 0).numero(9, operacao);
      item.executa(tra);
    }
    resumo.numero(0, venda.cupom).texto(1, venda.caixa).numero(2, codigo).data(3, venda.data);
    resumo.numero(4, venda.total.unidades(), 4);
    for (unsigned k = 0; k < QuantidadeTotaisCupom; ++k) resumo.numero(5 + k, venda.totais[k].unidades(), 4);
    resumo.numero(12, 1).numero(13, venda.usuario).momento(14, datHor);
    resumo.executa(tra);
    libera.numero(0, venda.usuario).numero(1, 0).executa(tra);
    c.confirma();
    if (i >= kAquecimento) {
      tempos.push_back(ms(t.nsecsElapsed()));
      cpus.push_back(ms(cpuAgora() - cpu));
    }
  }
  return {Mediana(tempos), percentil95(tempos), Mediana(cpus), percentil95(cpus)};
}

// The disk's own price: a 4 KB file written and flushed (fsync), kVendas
// times in the journal's folder; median and 95th percentile.
std::vector<double> fsyncs(const QString &pasta) {
  QDir().mkpath(pasta);
  const QByteArray arquivo = QFile::encodeName(pasta + "/fsync.tmp");
  const std::vector<char> bloco(4096, 'x');
  std::vector<double> tempos;
  for (int i = 0; i < kAquecimento + kVendas; ++i) {
    QElapsedTimer t;
    t.start();
    const int fd = ::open(arquivo.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bloco.data(), bloco.size()) != static_cast<ssize_t>(bloco.size()) || ::fsync(fd) != 0)
      throw std::runtime_error("cannot write " + arquivo.toStdString());
    ::close(fd);
    if (i >= kAquecimento) tempos.push_back(ms(t.nsecsElapsed()));
  }
  ::unlink(arquivo.constData());
  return {Mediana(tempos), percentil95(tempos)};
}

// ---------------------------------------------------------------- the drive

QTextStream saida(stdout);

// Forced writes as the engine reports them (MON$FORCED_WRITES), in a child:
// the parent never loads the client library.
bool escritaForcada(const QString &banco) {
  bool ok = false;
  const QByteArray r = EmFilhoBytes(
      [&] {
        ConexaoBanco c;
        c.abre(stringConexao(banco));
        Recordset rs;
        rs.abre("Select MON$FORCED_WRITES As Forcada From MON$DATABASE", c);
        return QByteArray::number(SemNulo(rs["Forcada"]).toInt());
      },
      &ok);
  return ok && r == "1";
}

}  // namespace

int main(int argc, char **argv) {
  const QString drive = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("demo");
  QTemporaryDir pasta;
  if (!pasta.isValid()) return 1;
  QString banco;
  if (drive == QLatin1String("demo")) {
    const QString raiz = pasta.path() + "/demo";
    QString erro;
    if (!CriaDriveDemo(QStringLiteral(PDV_BENCH_ADMIN), raiz, &erro)) {
      saida << "pdv-admin init-drive " << raiz << " --demo failed:\n" << erro << '\n';
      return 1;
    }
    banco = raiz + "/kw-velt/dados.fdb";
  } else {
    banco = QDir(drive).absolutePath() + "/kw-velt/dados.fdb";
    if (!QFile::exists(banco)) {
      saida << "no database at " << banco << '\n';
      return 1;
    }
  }
  if (!escritaForcada(banco)) {
    saida << banco << ": forced writes are off (or the database did not answer); the figures would not be a desk's\n";
    return 1;
  }
  // The journal on the same disk as the database.
  const QString diario = pasta.path() + "/vendas";
  const auto [p, nu] =
      ComparaVarios([&] { return gravaPrograma(banco, diario, true); }, [&] { return gravaNu(banco); });
  // The recording without the journal, alternating with the bare client
  // again: the disk's mood changes within a minute.
  const auto [so, nu2] =
      ComparaVarios([&] { return gravaPrograma(banco, diario, false); }, [&] { return gravaNu(banco); });
  const Medidas disco =
      ComparaVarios([&] { return fsyncs(diario); }, [] { return std::vector<double>{0, 0}; }).first;
  if (p.valores.size() < 4 * Passos || so.valores.size() < 4 * Passos || nu.valores.size() < 4 ||
      nu2.valores.size() < 4 || p.valores[0] < 0 || so.valores[0] < 0 || nu.valores[0] < 0 || nu2.valores[0] < 0) {
    saida << "| recording a 100-item sale: failed (see above) | - | - | - |\n";
    return 1;
  }
  saida << "| work (per sale, " << kVendas << " sales of " << kItensVenda
        << " items and 3 payment rows) | this program | bare client | ratio |\n"
           "|---|---|---|---|\n";
  // The program's figure of step k (CPU time: `cpu`) against the bare
  // client's whole recording `n` (none: alone).
  const auto linha = [&](const QString &trabalho, const std::vector<double> &v, int k, bool cpu, const Medidas *n) {
    const size_t a = (cpu ? 2 * Passos : 0) + 2 * static_cast<size_t>(k), b = cpu ? 2 : 0;
    const QString tempo = cpu ? ", CPU time" : ", wall time";
    LinhaTabela(saida, trabalho + tempo + ", median", v[a], n ? n->valores[b] : 0, "ms");
    LinhaTabela(saida, trabalho + tempo + ", 95th percentile", v[a + 1], n ? n->valores[b + 1] : 0, "ms");
  };
  for (const bool cpu : {false, true}) {
    linha("**closed sale recorded: journal and database**", p.valores, Inteira, cpu, &nu);
    linha("its recording in the database (GravaVendaNoBanco)", p.valores, Banco, cpu, &nu);
    linha("the recording alone, no journal around it (its own bare runs)", so.valores, Banco, cpu, &nu2);
    linha("journal: entry written \"closing\"", p.valores, Fechando, cpu, nullptr);
    linha("journal: entry written \"closed\"", p.valores, Fechada, cpu, nullptr);
    linha("journal: entry moved to \"recorded\"", p.valores, Gravada, cpu, nullptr);
  }
  if (disco.valores.size() >= 2 && disco.valores[0] >= 0) {
    LinhaTabela(saida, "the disk: a 4 KB file written and flushed (fsync), median", disco.valores[0], 0, "ms");
    LinhaTabela(saida, "the disk: a 4 KB file written and flushed (fsync), 95th percentile", disco.valores[1], 0, "ms");
  }
  return 0;
}
