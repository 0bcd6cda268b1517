// The database layer against a bare client doing the same database work on
// the same database in the same run: item entry's four statements, the
// product search (first page and all rows, with peak memory), a 100-item sale
// recorded in one transaction, and catalogue generation. Figures, not
// pass/fail; prints a Markdown table.
//
//   db_bench [DRIVE [PARTS]]      PARTS: itens,busca,venda,catalogo (default all)
//
// DRIVE defaults to /tmp/pdv-db-bench/drive; when it has no database yet it is
// made with `pdv-admin init-drive DRIVE --demo --products 1000000`. Every
// measurement runs in a process of its own (so each has its own peak memory),
// the layer's and the bare client's alternating; the median of
// PDV_BENCH_REPETICOES (default 3) runs is shown.
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <algorithm>
#include <array>
#include <cstring>

#include "ClienteNu.h"
#include "Medicao.h"

#include <ibase.h>
#include "admin/BancoAdmin.h"
#include "admin/Catalogo.h"
#include "core/Database.h"
#include "core/Moeda.h"
#include "lookup/TiposPesquisa.h"

namespace {

QString banco;
const char *const kUsuario = "SYSDBA";
const char *const kSenha = "masterkey";

QString stringConexao(const QString &arquivo) {
  return "Data Source=" + arquivo + ";User=" + kUsuario + ";Password=" + kSenha;
}

double desde(const QElapsedTimer &t) { return t.nsecsElapsed() / 1e6; }

// ---------------------------------------------------------------- item entry

// The four statements of one item, as the sale screen completes them.
std::vector<std::array<QString, 4>> textosDosItens(int quantos, int deslocamento) {
  std::vector<std::array<QString, 4>> itens;
  for (int i = 0; i < quantos; ++i) {
    const qint64 codigo = 1255 + (static_cast<qint64>(i + deslocamento) * 7919 * 131) % 1000000;
    itens.push_back({MontaSql("Select * From Tb_Est_CadPro Where CodPro=?", {codigo}),
                     MontaSql("Select * From Tb_Est_DscFpg Where ProDFpg=? and ForDFpg=?", {codigo, 1}),
                     MontaSql("Select * From Tb_Est_DscGruCli Where ProGCli=? and GruGCli=?", {codigo, 1}),
                     // A whole quantity would go quoted ('1'), which Firebird refuses in a sum.
                     MontaSql("Update Tb_Est_CadPro Set PenVEst=PenvEst+(?) Where CodPro=?", {1.5, codigo})});
  }
  return itens;
}

constexpr int kItens = 1000;

// With `atualiza` false only the three look-ups: the reads without the
// commit that waits for the disk.
double itensCamada(bool atualiza) {
  ConexaoBanco c;
  c.abre(stringConexao(banco));
  const auto rodada = [&](const std::vector<std::array<QString, 4>> &itens) {
    for (const auto &t : itens) {
      Recordset produto, desconto1, desconto2;
      produto.abre(t[0], c);
      desconto1.abre(t[1], c);
      desconto2.abre(t[2], c);
      if (atualiza) c.executa(t[3]);
    }
  };
  rodada(textosDosItens(50, 500000));  // warm-up
  const auto itens = textosDosItens(kItens, 0);
  QElapsedTimer t;
  t.start();
  rodada(itens);
  return desde(t) / kItens;
}

double itensNu(bool atualiza) {
  ClienteNu c(banco.toStdString(), kUsuario, kSenha);
  const auto rodada = [&](const std::vector<std::array<QString, 4>> &itens) {
    for (const auto &t : itens) {
      c.consulta(t[0].toStdString());
      c.consulta(t[1].toStdString());
      c.consulta(t[2].toStdString());
      if (atualiza) c.executa(t[3].toStdString());
      c.linhas.clear();
    }
  };
  rodada(textosDosItens(50, 500000));
  const auto itens = textosDosItens(kItens, 0);
  QElapsedTimer t;
  t.start();
  rodada(itens);
  return desde(t) / kItens;
}

// ---------------------------------------------------------------- search

constexpr int kPagina = 1000;

double buscaCamada(const QString &sql, bool tudo) {
  ConexaoBanco c;
  c.abre(stringConexao(banco));
  QElapsedTimer t;
  t.start();
  Recordset rs;
  if (tudo) rs.abre(sql, c);
  else rs.abrePaginado(sql, c, kPagina);
  return desde(t);
}

double buscaNu(const QString &sql, bool tudo) {
  ClienteNu c(banco.toStdString(), kUsuario, kSenha);
  QElapsedTimer t;
  t.start();
  c.consulta(sql.toStdString(), tudo ? static_cast<size_t>(-1) : kPagina);
  return desde(t);
}

// ---------------------------------------------------------------- sale

constexpr int kVendas = 20, kItensVenda = 100;

// The statements that record one sale: header, items, payment, fiscal note.
std::vector<QString> textosDaVenda(qint64 codigo) {
  const QString agora = "12/07/2026 10:11:12";
  std::vector<QString> t;
  t.push_back(MontaSql(
      "Insert Into Tb_Vda_CadEpn (CodEpn,CliEpn,VenEpn,TpvEpn,TabEpn,DtcEpn,DtlEpn,StaEpn,NfsEpn,NfiEpn,NffEpn,LocEpn,"
      "TotEpn,DscEpn,AcrEpn,NitEpn,PrzEpn,TraEpn,VeiEpn,ReqEpn,FrtEpn,ComEpn,PesoEpn,FisEpn,UsuEpn,FatEpn,MesEpn) "
      "Values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
      {codigo, 0, 1, 1, 1, agora, agora, -1011, "CF", 123, 123, 1, 1234.5, 0, 0, kItensVenda, "A VISTA", 0, 0, "",
       0, 0, 0, 5102, 1, "", 12}));
  for (int i = 1; i <= kItensVenda; ++i)
    t.push_back(MontaSql("Insert Into Tb_Vda_CadEpnIt (CodEpnIt,IteEpnIt,ProEpnit,QtdEpnIt,ValEpnIt,PreEpnIt,"
                         "VarEpnit,CtoEpnIt,MovEpnIt,OpfEpnIt) Values (?,?,?,?,?,?,?,?,?,?)",
                         {codigo, i, 1255 + i * 977, 1.5, 12.34, 12.34, 0, 8.5, 0, 5102}));
  t.push_back(MontaSql("INSERT INTO TB_VDA_EPNPAG (EPNPAG,CPGPAG,CVNPAG,VALPAG,CHQPAG,BCOPAG,AGCPAG,EMIPAG,DTVPAG) "
                       "VALUES (?,?,?,?,?,?,?,?,?)",
                       {codigo, 1, 0, 1234.5, "", "", "", "", "07/12/2026"}));
  t.push_back(MontaSql("INSERT INTO TB_VDA_CADNOT (NumNot,SerNot,EpnNot,DatNot,ValNot,BasIcmNot,ValIcmNot,BasSubNot,"
                       "ValSubNot,BasIseNot,BasRedNot,BasDifNot,StaNot,UsuNot,DatHor) Values "
                       "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                       {123, "001", codigo, "07/12/2026", 1234.5, 1000.5, 180.09, 0, 0, 234, 0, 0, 1, 1, agora}));
  return t;
}

double vendaCamada() {
  ConexaoBanco c;
  c.abre(stringConexao(banco));
  std::vector<double> tempos;
  for (int v = 0; v < kVendas; ++v) {
    Recordset numero;
    numero.abre("SELECT Gen_Id(NUMEPN,1) as CodEpn FROM RDB$DATABASE", c);
    const std::vector<QString> textos = textosDaVenda(numero["CodEpn"].toLongLong() + 10000000);
    QElapsedTimer t;
    t.start();
    TransacaoBanco transacao(c);
    for (const QString &sql : textos) c.executa(sql);
    transacao.confirma();
    tempos.push_back(desde(t));
  }
  return Mediana(tempos);
}

double vendaNu() {
  ClienteNu c(banco.toStdString(), kUsuario, kSenha);
  std::vector<double> tempos;
  for (int v = 0; v < kVendas; ++v) {
    c.linhas.clear();
    c.consulta("SELECT Gen_Id(NUMEPN,1) as CodEpn FROM RDB$DATABASE");
    ISC_INT64 numero;
    std::memcpy(&numero, c.linhas.data(), sizeof numero);
    std::vector<std::string> textos;
    for (const QString &sql : textosDaVenda(numero + 10000000)) textos.push_back(sql.toStdString());
    QElapsedTimer t;
    t.start();
    c.inicia();
    for (const std::string &sql : textos) c.executaNaTransacao(sql);
    c.confirma();
    tempos.push_back(desde(t));
  }
  return Mediana(tempos);
}

// ---------------------------------------------------------------- catalogue

constexpr qint64 kProdutos = 100000;

// A fresh database with the schema, for one run.
QString bancoVazio() {
  const QString arquivo = QFileInfo(banco).absolutePath() + QString("/catalogo-%1.fdb").arg(getpid());
  QFile::remove(arquivo);
  QString erro;
  if (!CriaBancoVazio({arquivo, kUsuario, kSenha}, &erro)) throw ErroBanco(-1, erro);
  ConexaoBanco c;
  c.abre(stringConexao(arquivo));
  AplicaScript(c, TextoScript("schema.sql"));
  return arquivo;
}

double catalogoCamada() {
  const QString arquivo = bancoVazio();
  double ms;
  {
    ConexaoBanco c;
    c.abre(stringConexao(arquivo));
    QElapsedTimer t;
    t.start();
    InsereCatalogo(c, 1000, kProdutos);
    ms = desde(t);
  }
  QFile::remove(arquivo);
  return ms;
}

// The insert's parameters as one message: integers, scaled integers, UTF8 texts.
struct MensagemProduto {
  Firebird::IMessageMetadata *meta = nullptr;
  std::vector<unsigned char> dados;
  std::vector<unsigned> deslocamentos;

  MensagemProduto(Firebird::IStatement *stmt, Firebird::ThrowStatusWrapper &st) {
    Firebird::IMessageMetadata *descrita = stmt->getInputMetadata(&st);
    Firebird::IMetadataBuilder *b = descrita->getBuilder(&st);
    const unsigned tipos[] = {SQL_INT64, SQL_VARYING, SQL_VARYING, SQL_VARYING, SQL_LONG, SQL_VARYING,
                              SQL_INT64, SQL_INT64, SQL_INT64, SQL_INT64, SQL_INT64};
    const int escalas[] = {0, 0, 0, 0, 0, 0, -4, 0, -4, -4, -4};
    for (unsigned i = 0; i < 11; ++i) {
      b->setType(&st, i, tipos[i] | 1);
      b->setLength(&st, i, tipos[i] == SQL_VARYING ? 240 : tipos[i] == SQL_LONG ? 4 : 8);
      b->setScale(&st, i, escalas[i]);
      if (tipos[i] == SQL_VARYING) b->setCharSet(&st, i, 4);
    }
    meta = b->getMetadata(&st);
    b->release();
    descrita->release();
    dados.assign(meta->getMessageLength(&st), 0);
    for (unsigned i = 0; i < 11; ++i) deslocamentos.push_back(meta->getOffset(&st, i));
  }
  ~MensagemProduto() { meta->release(); }
  template <typename T>
  void numero(unsigned i, T v) { std::memcpy(dados.data() + deslocamentos[i], &v, sizeof v); }
  void texto(unsigned i, const QString &v) {
    const QByteArray b = v.toUtf8();
    const auto n = static_cast<ISC_USHORT>(b.size());
    std::memcpy(dados.data() + deslocamentos[i], &n, sizeof n);
    std::memcpy(dados.data() + deslocamentos[i] + sizeof n, b.constData(), n);
  }
};

double catalogoNu() {
  const QString arquivo = bancoVazio();
  double ms;
  {
    ClienteNu c(arquivo.toStdString(), kUsuario, kSenha);
    QElapsedTimer t;
    t.start();
    c.inicia();
    Firebird::IStatement *stmt = c.conexao()->prepare(
        &c.status(), c.transacao(), 0,
        "INSERT INTO TB_EST_CADPRO (CodPro,CdiPro,EanPro,NomPro,FabPro,DecPro,PesoPro,TribPro,"
        "ValPre1,AtuEst,PenVEst,RedCto,Deb512Cto,Deb612Cto,AtvPro,DscPro) "
        "VALUES (?,?,?,?,?,1,0.5,?,?,?,0,?,?,?,1,0)",
        SQL_DIALECT_V6, Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    {
      MensagemProduto m(stmt, c.status());  // null flags stay 0: no Nulls
      for (qint64 codigo = 1000; codigo < 1000 + kProdutos; ++codigo) {
        const ProdutoCatalogo p = ProdutoGerado(codigo);
        m.numero<ISC_INT64>(0, p.codigo);
        m.texto(1, p.cdi);
        m.texto(2, p.ean);
        m.texto(3, p.nome);
        m.numero<ISC_LONG>(4, p.fabricante);
        m.texto(5, p.tributacao);
        m.numero<ISC_INT64>(6, p.preco.unidades());
        m.numero<ISC_INT64>(7, p.estoque);
        m.numero<ISC_INT64>(8, p.reducao.unidades());
        m.numero<ISC_INT64>(9, p.aliquotaEstado.unidades());
        m.numero<ISC_INT64>(10, p.aliquotaInterestadual.unidades());
        stmt->execute(&c.status(), c.transacao(), m.meta, m.dados.data(), nullptr, nullptr);
      }
    }
    stmt->free(&c.status());
    c.confirma();
    ms = desde(t);
  }
  QFile::remove(arquivo);
  return ms;
}

// ---------------------------------------------------------------- table

QTextStream saida(stdout);

void linha(const QString &trabalho, double camada, double nu, const QString &unidade) {
  LinhaTabela(saida, trabalho, camada, nu, unidade);
}

}  // namespace

int main(int argc, char **argv) {
  const QString drive = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "/tmp/pdv-db-bench/drive";
  banco = drive + "/kw-velt/dados.fdb";
  if (!QFile::exists(banco)) {
    saida << "making " << drive << " with 1,000,000 products...\n";
    saida.flush();
    if (QProcess::execute(QStringLiteral(PDV_BENCH_ADMIN), {"init-drive", drive, "--demo", "--products", "1000000"}) != 0)
      return 1;
  }
  // Which parts run: all by default.
  const QStringList partes = argc > 2 ? QString::fromLocal8Bit(argv[2]).split(',')
                                      : QStringList{"itens", "busca", "venda", "catalogo"};
  saida << "| work | this program | bare client | ratio |\n|---|---|---|---|\n";
  if (partes.contains("itens")) {
    const auto [a, b] = Compara([] { return itensCamada(true); }, [] { return itensNu(true); });
    linha("item entry: look-up, 2 discount look-ups, stock update (per item, 1,000 items)", a.ms, b.ms, "ms");
    const auto [c, d] = Compara([] { return itensCamada(false); }, [] { return itensNu(false); });
    linha("item entry, the 3 look-ups only (per item, 1,000 items)", c.ms, d.ms, "ms");
  }
  const TipoPesquisa &produtos = *TipoPesquisaDe("Pro");
  for (const QString palavra : {"SHAMPOO", "ML", "SHAMPOO CACHOS"}) {
    if (!partes.contains("busca")) break;
    const QString sql = MontaSqlPesquisa(produtos, palavra);
    const auto [p1, p2] = Compara([&] { return buscaCamada(sql, false); }, [&] { return buscaNu(sql, false); });
    linha("search \"" + palavra + "\": first page of 1,000 rows", p1.ms, p2.ms, "ms");
    const auto [t1, t2] = Compara([&] { return buscaCamada(sql, true); }, [&] { return buscaNu(sql, true); });
    linha("search \"" + palavra + "\": all rows", t1.ms, t2.ms, "ms");
    linha("search \"" + palavra + "\": peak memory (all rows)", t1.memoriaKb / 1024.0, t2.memoriaKb / 1024.0, "MB");
  }
  if (partes.contains("venda")) {
    const auto [a, b] = Compara(vendaCamada, vendaNu);
    linha("100-item sale recorded in one transaction (103 statements)", a.ms, b.ms, "ms");
  }
  if (partes.contains("catalogo")) {
    const auto [a, b] = Compara(catalogoCamada, catalogoNu);
    linha("catalogue generation, 100,000 products", a.ms, b.ms, "ms");
  }
  return 0;
}
