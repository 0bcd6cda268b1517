#include "contingency/CopiaLocal.h"

#include <algorithm>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include "admin/BancoAdmin.h"
#include "admin/UsuarioCaixa.h"
#include "core/Database.h"
#include "platform/Paths.h"

namespace {

constexpr const char *TabelaMudancas = "TB_PDV_MUDANCAS";
constexpr const char *GeradorMudancas = "GEN_PDV_MUDANCAS";
// The table name of the row that marks where the log was cut.
constexpr const char *MarcaPoda = "*PODA*";
// The copy's own record of itself: one row.
constexpr const char *TabelaSituacao = "TB_PDV_COPIA";
// Rows read from the server per fetch round while a table is copied whole.
constexpr int LinhasPorPagina = 2000;
// More changed keys than this in one table: the table is copied whole
// (a price list changed at once reads faster as one pass than row by row).
constexpr int ChavesParaTabelaInteira = 5000;
// A number missing from the change log (a transaction that rolled back, or
// one still open) holds the last number read back until the changes after it
// are this old: an open transaction's changes are then read when it commits.
constexpr int MinutosParaLacuna = 10;
// Separates the values of a composite key in the log's key text.
constexpr char SeparadorChave = '\x1f';

// Quoted as the catalogue stores it (upper case, plain names).
QString nomeSql(const QString &nome) { return '"' + QString(nome).replace('"', "\"\"") + '"'; }
QString literal(const QString &texto) { return "'" + QString(texto).replace('\'', "''") + "'"; }

// The first column of every row of a query, as texts.
QStringList primeiraColuna(ConexaoBanco &conexao, const QString &sql) {
  Recordset rs;
  rs.abre(sql, conexao);
  QStringList valores;
  for (; !rs.EOF_(); rs.MoveNext()) valores << rs.campo(0).toString();
  return valores;
}

QStringList colunasDe(ConexaoBanco &conexao, const QString &tabela) {
  return primeiraColuna(conexao, "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = " +
                                     literal(tabela) + " ORDER BY RDB$FIELD_POSITION");
}

QStringList chavePrimaria(ConexaoBanco &conexao, const QString &tabela) {
  return primeiraColuna(conexao,
                        "SELECT TRIM(s.RDB$FIELD_NAME) FROM RDB$RELATION_CONSTRAINTS c "
                        "JOIN RDB$INDEX_SEGMENTS s ON s.RDB$INDEX_NAME = c.RDB$INDEX_NAME "
                        "WHERE c.RDB$RELATION_NAME = " + literal(tabela) +
                            " AND c.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' ORDER BY s.RDB$FIELD_POSITION");
}

bool existe(ConexaoBanco &conexao, const QString &sqlContagem) {
  Recordset rs;
  rs.abre(sqlContagem, conexao);
  return !rs.EOF_() && rs.campo(0).toLongLong() > 0;
}

// The columns of `tabela` a desk itself writes ("UPDATE (PenVEst)"): a
// change of only these is not the copy's business.
QSet<QString> colunasGravadasPeloCaixa(const QString &tabela) {
  static const QRegularExpression update(QStringLiteral(R"(UPDATE\s*\(([^)]*)\))"),
                                         QRegularExpression::CaseInsensitiveOption);
  QSet<QString> colunas;
  for (const PermissaoCaixa &p : PermissoesCaixa()) {
    if (p.objeto.compare(tabela, Qt::CaseInsensitive) != 0) continue;
    const auto m = update.match(p.direitos);
    if (!m.hasMatch()) continue;
    for (const QString &c : m.captured(1).split(',', Qt::SkipEmptyParts)) colunas << c.trimmed().toUpper();
  }
  return colunas;
}

// The copy, opened on the embedded engine; its calls have no bound (a
// local file, and a whole table's commit is long).
void abreCopia(ConexaoBanco &copia, const QString &arquivo) {
  copia.defineLimites(std::chrono::milliseconds(0),
                      std::chrono::seconds(ConexaoBanco::kLimiteAberturaSegundos));
  copia.abre(StringConexaoDe({arquivo, "SYSDBA", "masterkey"}));
}

// A new, empty copy at `arquivo`: the schema, then the record of itself.
// Made beside it and moved into place, so a copy that exists was made whole.
void criaCopia(const QString &arquivo) {
  const QString obra = arquivo + ".nova";
  QFile::remove(obra);
  QString erro;
  if (!CriaBancoVazio({obra, "SYSDBA", "masterkey"}, &erro)) throw ErroBanco(0, erro);
  try {
    ConexaoBanco copia;
    abreCopia(copia, obra);
    AplicaScript(copia, TextoScript("schema.sql"));
    copia.executa(QStringLiteral("CREATE TABLE %1 (ID SMALLINT NOT NULL PRIMARY KEY, ULTIMA_MUDANCA BIGINT, "
                                 "ATUALIZADA TIMESTAMP, COMPLETA TIMESTAMP)")
                      .arg(TabelaSituacao));
    copia.executa(QStringLiteral("INSERT INTO %1 (ID, ULTIMA_MUDANCA) VALUES (1, 0)").arg(TabelaSituacao));
    copia.fecha();
  } catch (const ErroBanco &) {
    QFile::remove(obra);
    throw;
  }
  QFile::remove(arquivo);
  if (!QFile::rename(obra, arquivo)) {
    QFile::remove(obra);
    throw ErroBanco(0, "não foi possível pôr a cópia local em " + arquivo);
  }
}

// The user the running desk reads the copy as while the server is away: it
// may read the copied tables, the copy's record of itself and the views over
// copied tables only. Whatever else a desk would read there (sales,
// pre-sales) or write (anything) is refused by the engine, never answered
// with the copy's empty tables. Granted where missing.
void concedeLeituraContingencia(ConexaoBanco &copia) {
  QSet<QString> legiveis;
  for (const QString &t : TabelasCopiadas()) legiveis << t.toUpper();
  legiveis << TabelaSituacao;
  // Views whose tables are all copied.
  Recordset rs;
  rs.abre("SELECT TRIM(v.RDB$VIEW_NAME), TRIM(v.RDB$RELATION_NAME) FROM RDB$VIEW_RELATIONS v", copia);
  QHash<QString, bool> visoes;
  for (; !rs.EOF_(); rs.MoveNext()) {
    const QString visao = rs.campo(0).toString().toUpper(), base = rs.campo(1).toString().toUpper();
    visoes[visao] = visoes.value(visao, true) && legiveis.contains(base);
  }
  for (auto v = visoes.cbegin(); v != visoes.cend(); ++v)
    if (v.value()) legiveis << v.key();
  const QStringList concedidas =
      primeiraColuna(copia, QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$USER_PRIVILEGES WHERE "
                                           "RDB$USER = '%1' AND RDB$PRIVILEGE = 'S'")
                                .arg(UsuarioContingencia));
  QStringList faltam(legiveis.cbegin(), legiveis.cend());
  faltam.sort();
  for (const QString &objeto : faltam)
    if (!concedidas.contains(objeto, Qt::CaseInsensitive))
      copia.executa(QStringLiteral("GRANT SELECT ON %1 TO USER %2").arg(nomeSql(objeto), UsuarioContingencia));
}

// The copy's columns of each table, read once per fill or refresh.
class ColunasCopia {
 public:
  explicit ColunasCopia(ConexaoBanco &copia) : copia_(copia) {}
  const QStringList &de(const QString &tabela) {
    auto it = colunas_.find(tabela);
    if (it == colunas_.end()) it = colunas_.insert(tabela, colunasDe(copia_, tabela));
    return *it;
  }

 private:
  ConexaoBanco &copia_;
  QHash<QString, QStringList> colunas_;
};

// The columns of a result the copy also has: their positions in the result
// and the column list of the statement that writes them.
struct Correspondencia {
  QList<int> indices;
  QStringList nomes;
};
Correspondencia corresponde(const Recordset &rs, const QStringList &colunasCopia) {
  Correspondencia c;
  for (int i = 0; i < rs.FieldCount(); ++i) {
    const QString nome = rs.nomeCampo(i);
    if (!colunasCopia.contains(nome)) continue;  // a column the suite added on the server only
    c.indices << i;
    c.nomes << nomeSql(nome);
  }
  return c;
}
QVariantList valores(const QVariantList &linha, const Correspondencia &c) {
  QVariantList v;
  v.reserve(c.indices.size());
  for (int i : c.indices) v << linha.value(i);
  return v;
}
QString marcadores(int n) {
  QStringList m;
  for (int i = 0; i < n; ++i) m << "?";
  return m.join(", ");
}

// Replaces the copy's rows of `tabela` by the server's, in the copy's open
// transaction. Returns the rows written.
qint64 substituiTabela(ConexaoBanco &servidor, ConexaoBanco &copia, ColunasCopia &colunas, const QString &tabela) {
  copia.executa("DELETE FROM " + nomeSql(tabela));
  Recordset rs;
  rs.abrePaginado("SELECT * FROM " + nomeSql(tabela), servidor, LinhasPorPagina);
  const Correspondencia c = corresponde(rs, colunas.de(tabela));
  if (c.nomes.isEmpty()) return 0;
  ComandoPreparado insere(copia, "INSERT INTO " + nomeSql(tabela) + " (" + c.nomes.join(", ") + ") VALUES (" +
                                     marcadores(static_cast<int>(c.nomes.size())) + ")");
  qint64 linhas = 0;
  for (;;) {
    for (const QVariantList &linha : rs.tomaLinhas()) {
      insere.executa(valores(linha, c));
      ++linhas;
    }
    if (rs.completo()) break;
    rs.leMais(LinhasPorPagina);
  }
  return linhas;
}

qint64 numeroAtualDoServidor(ConexaoBanco &servidor) {
  Recordset rs;
  rs.abre(QStringLiteral("SELECT GEN_ID(%1, 0) FROM RDB$DATABASE").arg(GeradorMudancas), servidor);
  return rs.EOF_() ? 0 : rs.campo(0).toLongLong();
}

void registraSituacao(ConexaoBanco &copia, qint64 ultima, bool completa) {
  copia.executaComParametros(
      QStringLiteral("UPDATE %1 SET ULTIMA_MUDANCA = ?, ATUALIZADA = CURRENT_TIMESTAMP%2 WHERE ID = 1")
          .arg(TabelaSituacao, completa ? QStringLiteral(", COMPLETA = CURRENT_TIMESTAMP") : QString()),
      {ultima});
}

template <typename Passo>
ResultadoCopia cronometra(Passo &&passo) {
  QElapsedTimer relogio;
  relogio.start();
  ResultadoCopia r;
  try {
    passo(r);
    r.ok = true;
  } catch (const ErroBanco &e) {
    r.ok = false;
    r.erro = e.descricao();
  } catch (const std::exception &e) {
    r.ok = false;
    r.erro = QString::fromLocal8Bit(e.what());
  }
  r.duracao = std::chrono::milliseconds(relogio.elapsed());
  return r;
}

void preencheTudo(const QString &arquivo, ConexaoBanco &servidor, ResultadoCopia &r) {
  r.completa = true;
  if (!QFileInfo::exists(arquivo)) criaCopia(arquivo);
  // Noted before the tables are read: what changes while they are read is
  // read again by the next refresh.
  const bool comMudancas = ServidorTemMudancas(servidor);
  const qint64 ultima = comMudancas ? numeroAtualDoServidor(servidor) : 0;
  ConexaoBanco copia;
  abreCopia(copia, arquivo);
  concedeLeituraContingencia(copia);
  ColunasCopia colunas(copia);
  for (const QString &tabela : TabelasCopiadas()) {
    TransacaoBanco t(copia);
    r.linhas += substituiTabela(servidor, copia, colunas, tabela);
    t.confirma();
  }
  registraSituacao(copia, ultima, true);
}

// One change row of the server's log.
struct Mudanca {
  qint64 seq = 0;
  QString tabela;
  QString chave;
  bool antiga = false;  // older than MinutosParaLacuna
};

// The number up to which every change was read: a missing number stops it
// unless the changes after it are old (see MinutosParaLacuna).
qint64 ultimaSemLacuna(qint64 anterior, const QList<Mudanca> &mudancas) {
  qint64 ultima = anterior;
  for (const Mudanca &m : mudancas) {
    if (m.seq != ultima + 1 && !m.antiga) break;
    ultima = m.seq;
  }
  return ultima;
}

// Writes the server's row of `tabela` whose key is `chave` into the copy, or
// deletes the copy's row when the server has none. Returns the rows changed.
qint64 copiaLinha(ConexaoBanco &servidor, ConexaoBanco &copia, ColunasCopia &colunas, const QString &tabela,
                  const QStringList &chave, const QString &textoChave) {
  const QStringList valoresChave = textoChave.split(QChar(SeparadorChave));
  if (valoresChave.size() != chave.size())
    throw ErroBanco(0, "chave \"" + textoChave + "\" de " + tabela + " não corresponde à chave primária (" +
                           chave.join(", ") + ")");
  QStringList condicoes;
  for (int i = 0; i < chave.size(); ++i) condicoes << nomeSql(chave[i]) + " = " + literal(valoresChave[i]);
  const QString onde = " WHERE " + condicoes.join(" AND ");
  Recordset rs;
  rs.abre("SELECT * FROM " + nomeSql(tabela) + onde, servidor);
  if (rs.EOF_()) return copia.executa("DELETE FROM " + nomeSql(tabela) + onde);
  const Correspondencia c = corresponde(rs, colunas.de(tabela));
  QStringList chaveSql;
  for (const QString &k : chave) chaveSql << nomeSql(k);
  ComandoPreparado grava(copia, "UPDATE OR INSERT INTO " + nomeSql(tabela) + " (" + c.nomes.join(", ") +
                                    ") VALUES (" + marcadores(static_cast<int>(c.nomes.size())) + ") MATCHING (" +
                                    chaveSql.join(", ") + ")");
  return grava.executa(valores(rs.linhas().first(), c));
}

void atualizaPorMudancas(const QString &arquivo, ConexaoBanco &servidor, CopiaInteira copiaInteira,
                         ResultadoCopia &r) {
  const auto situacao = LeSituacaoCopia(arquivo);
  QString motivo;
  if (!QFileInfo::exists(arquivo)) motivo = QStringLiteral("não havia cópia local");
  else if (!situacao || !situacao->atualizada.isValid())
    motivo = QStringLiteral("a cópia local nunca foi preenchida por inteiro");
  else if (!ServidorTemMudancas(servidor))
    motivo = QStringLiteral("o banco do servidor não tem o registro de mudanças (pdv-admin prepare-copy)");
  if (!motivo.isEmpty()) {
    if (copiaInteira == CopiaInteira::Recusada)
      throw ErroBanco(0, motivo + "; a cópia inteira fica para o início do programa");
    r.motivoCompleta = motivo;
    if (!situacao) QFile::remove(arquivo);  // none, or not a copy this program can read: made again
    preencheTudo(arquivo, servidor, r);
    return;
  }
  QList<Mudanca> mudancas;
  {
    Recordset rs;
    rs.abre(QStringLiteral("SELECT SEQ, TRIM(TABELA), CHAVE, IIF(QUANDO < DATEADD(-%1 MINUTE TO CURRENT_TIMESTAMP), "
                           "1, 0) FROM %2 WHERE SEQ > %3 ORDER BY SEQ")
                .arg(MinutosParaLacuna)
                .arg(TabelaMudancas)
                .arg(situacao->ultimaMudanca),
            servidor);
    for (; !rs.EOF_(); rs.MoveNext())
      mudancas.append({rs.campo(0).toLongLong(), rs.campo(1).toString().toUpper(), SemNulo(rs.campo(2)).toString(),
                       rs.campo(3).toInt() == 1});
  }
  r.mudancasLidas = mudancas.size();
  // The log was cut after the last change this copy read: what it missed is
  // gone, so the copy is made whole again.
  if (std::any_of(mudancas.begin(), mudancas.end(), [](const Mudanca &m) { return m.tabela == MarcaPoda; })) {
    const QString podado =
        QStringLiteral("o registro de mudanças do servidor foi podado além da última mudança que a cópia leu");
    if (copiaInteira == CopiaInteira::Recusada)
      throw ErroBanco(0, podado + "; a cópia inteira fica para o início do programa");
    r.motivoCompleta = podado;
    preencheTudo(arquivo, servidor, r);
    return;
  }
  // Each table's keys once, in the order they changed.
  QHash<QString, QStringList> chaves;
  QHash<QString, QSet<QString>> vistas;
  for (const Mudanca &m : mudancas) {
    if (!TabelasCopiadas().contains(m.tabela)) continue;
    if (vistas[m.tabela].contains(m.chave)) continue;
    vistas[m.tabela].insert(m.chave);
    chaves[m.tabela] << m.chave;
  }
  ConexaoBanco copia;
  abreCopia(copia, arquivo);
  ColunasCopia colunas(copia);
  TransacaoBanco t(copia);
  for (const QString &tabela : TabelasCopiadas()) {
    const QStringList &alteradas = chaves.value(tabela);
    if (alteradas.isEmpty()) continue;
    const QStringList chave = chavePrimaria(servidor, tabela);
    if (chave.isEmpty() || alteradas.size() > ChavesParaTabelaInteira) {
      r.linhas += substituiTabela(servidor, copia, colunas, tabela);
      continue;
    }
    for (const QString &k : alteradas) r.linhas += copiaLinha(servidor, copia, colunas, tabela, chave, k);
  }
  registraSituacao(copia, ultimaSemLacuna(situacao->ultimaMudanca, mudancas), false);
  t.confirma();
}

}  // namespace

const QStringList &TabelasCopiadas() {
  static const QStringList tabelas = [] {
    QStringList t;
    for (const PermissaoCaixa &p : PermissoesCaixa())
      if (p.copiada && !t.contains(p.objeto)) t << p.objeto;
    return t;
  }();
  return tabelas;
}

QString ArquivoCopiaLocal(const QString &raizDrive) { return QDir::cleanPath(raizDrive) + "/kw-velt/copia.fdb"; }

QString ArquivoCopiaLocalDoPrograma() { return platform::hostPath(QStringLiteral("c:\\kw-velt\\copia.fdb")); }

QString ResultadoCopia::resumo() const {
  const QString tempo = QString::number(duracao.count() / 1000.0, 'f', 1) + " s";
  if (!ok) return "Cópia local não atualizada (" + tempo + "): " + erro;
  if (completa)
    return QStringLiteral("Cópia local preenchida por inteiro: %1 linhas em %2%3.")
        .arg(linhas)
        .arg(tempo, motivoCompleta.isEmpty() ? QString() : " (" + motivoCompleta + ")");
  return QStringLiteral("Cópia local atualizada: %1 mudanças lidas, %2 linhas gravadas em %3.")
      .arg(mudancasLidas)
      .arg(linhas)
      .arg(tempo);
}

ResultadoCopia PreencheCopia(const QString &arquivo, ConexaoBanco &servidor) {
  return cronometra([&](ResultadoCopia &r) { preencheTudo(arquivo, servidor, r); });
}

ResultadoCopia AtualizaCopia(const QString &arquivo, ConexaoBanco &servidor, CopiaInteira copiaInteira) {
  return cronometra([&](ResultadoCopia &r) { atualizaPorMudancas(arquivo, servidor, copiaInteira, r); });
}

CopiaDoCaixa::CopiaDoCaixa(QString arquivo, QString stringServidor, QString arquivoRegistro)
    : arquivo_(std::move(arquivo)), stringServidor_(std::move(stringServidor)),
      arquivoRegistro_(std::move(arquivoRegistro)) {}

CopiaDoCaixa::~CopiaDoCaixa() {
  parando_ = true;
  // The worker may be between two calls to the server when a cancel comes:
  // asked again until it stops (a page of rows is a call every few
  // milliseconds).
  while (andando_) {
    {
      const std::lock_guard t(trava_);
      if (conexao_) conexao_->cancelaOperacao();
    }
    espera(std::chrono::milliseconds(50));
  }
  if (trabalho_.joinable()) trabalho_.join();
}

bool CopiaDoCaixa::inicia(CopiaInteira copiaInteira) {
  if (andando_ || parando_) return false;
  if (trabalho_.joinable()) trabalho_.join();
  andando_ = true;
  trabalho_ = std::thread([this, copiaInteira] { executa(copiaInteira); });
  return true;
}

bool CopiaDoCaixa::espera(std::chrono::milliseconds limite) {
  const auto fim = std::chrono::steady_clock::now() + limite;
  while (andando_ && std::chrono::steady_clock::now() < fim) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return !andando_;
}

std::optional<ResultadoCopia> CopiaDoCaixa::ultimo() const {
  const std::lock_guard t(trava_);
  return ultimo_;
}

void CopiaDoCaixa::executa(CopiaInteira copiaInteira) {
  ResultadoCopia r;
  try {
    if (!conexao_ || !conexao_->aberta()) {
      auto nova = std::make_unique<ConexaoBanco>();
      // Short bounds: a server that went away is told in seconds.
      nova->defineLimites(std::chrono::seconds(5), std::chrono::seconds(3));
      nova->abre(stringServidor_);
      const std::lock_guard t(trava_);
      conexao_ = std::move(nova);
    }
    r = AtualizaCopia(arquivo_, *conexao_, copiaInteira);
  } catch (const ErroBanco &e) {
    const std::lock_guard t(trava_);
    conexao_.reset();
    r.erro = e.descricao();
  } catch (const std::exception &e) {
    r.erro = QString::fromUtf8(e.what());
  }
  if (parando_ && !r.ok) r.erro = QStringLiteral("interrompida ao terminar o programa: ") + r.erro;
  registra(r);
  {
    const std::lock_guard t(trava_);
    ultimo_ = r;
  }
  andando_ = false;
}

void CopiaDoCaixa::registra(const ResultadoCopia &r) {
  const bool digno = r.ok ? (r.completa || !ultimoErro_.isEmpty()) : r.erro != ultimoErro_;
  ultimoErro_ = r.ok ? QString() : r.erro;
  if (!digno) return;
  QFile f(arquivoRegistro_);
  if (!f.open(QIODevice::Append | QIODevice::Text)) return;  // nowhere to tell it; the next refresh tries again
  f.write((QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss ") + r.resumo() + "\n").toUtf8());
}

bool PreparaLeituraContingencia(const QString &arquivo) {
  if (!QFileInfo::exists(arquivo)) return false;
  try {
    ConexaoBanco copia;
    abreCopia(copia, arquivo);
    concedeLeituraContingencia(copia);
    return true;
  } catch (const ErroBanco &) {
    return false;
  }
}

QString StringConexaoContingencia(const QString &arquivo) {
  return StringConexaoDe({arquivo, UsuarioContingencia, QString()});
}

std::optional<SituacaoCopia> LeSituacaoCopia(const QString &arquivo) {
  if (!QFileInfo::exists(arquivo)) return std::nullopt;
  try {
    ConexaoBanco copia;
    abreCopia(copia, arquivo);
    Recordset rs;
    rs.abre(QStringLiteral("SELECT ATUALIZADA, ULTIMA_MUDANCA FROM %1 WHERE ID = 1").arg(TabelaSituacao), copia);
    if (rs.EOF_()) return std::nullopt;
    return SituacaoCopia{rs.campo(0).toDateTime(), rs.campo(1).toLongLong()};
  } catch (const ErroBanco &) {
    return std::nullopt;
  }
}

bool ServidorTemMudancas(ConexaoBanco &servidor) {
  return existe(servidor, QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = '%1'")
                              .arg(TabelaMudancas));
}

ResultadoPoda PodaMudancas(ConexaoBanco &conexao, int dias) {
  ResultadoPoda r;
  Recordset rs;
  rs.abre(QStringLiteral("SELECT MAX(SEQ) FROM %1 WHERE QUANDO < DATEADD(-%2 DAY TO CURRENT_TIMESTAMP)")
              .arg(TabelaMudancas)
              .arg(std::max(dias, 0)),
          conexao);
  if (rs.EOF_() || rs.campo(0).isNull()) return r;
  r.ate = rs.campo(0).toLongLong();
  TransacaoBanco t(conexao);
  r.apagadas = conexao.executa(QStringLiteral("DELETE FROM %1 WHERE SEQ < %2").arg(TabelaMudancas).arg(r.ate));
  conexao.executa(QStringLiteral("UPDATE %1 SET TABELA = '%2', CHAVE = NULL WHERE SEQ = %3")
                      .arg(TabelaMudancas, MarcaPoda)
                      .arg(r.ate));
  t.confirma();
  return r;
}

int PreparaMudancasServidor(ConexaoBanco &conexao, const QString &usuarioCaixas) {
  if (!ServidorTemMudancas(conexao))
    conexao.executa(QStringLiteral("CREATE TABLE %1 (SEQ BIGINT NOT NULL PRIMARY KEY, TABELA VARCHAR(31), "
                                   "CHAVE VARCHAR(200), QUANDO TIMESTAMP)")
                        .arg(TabelaMudancas));
  if (!existe(conexao, QStringLiteral("SELECT COUNT(*) FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME = '%1'")
                           .arg(GeradorMudancas)))
    conexao.executa(QStringLiteral("CREATE SEQUENCE %1").arg(GeradorMudancas));
  int gatilhos = 0;
  for (const QString &tabela : TabelasCopiadas()) {
    const QStringList colunas = colunasDe(conexao, tabela);
    if (colunas.isEmpty()) continue;  // not in this database
    const QStringList chave = chavePrimaria(conexao, tabela);
    const QSet<QString> doCaixa = colunasGravadasPeloCaixa(tabela);
    QStringList diferentes;
    for (const QString &c : colunas)
      if (!doCaixa.contains(c.toUpper())) diferentes << "OLD." + nomeSql(c) + " IS DISTINCT FROM NEW." + nomeSql(c);
    auto textoChave = [&](const QString &linha) {
      if (chave.isEmpty()) return QStringLiteral("''");  // no key: the whole table is copied again
      QStringList partes;
      for (const QString &k : chave) partes << "CAST(" + linha + "." + nomeSql(k) + " AS VARCHAR(60))";
      return partes.join(QStringLiteral(" || ASCII_CHAR(%1) || ").arg(int(SeparadorChave)));
    };
    QStringList chaveMudou;
    for (const QString &k : chave) chaveMudou << "OLD." + nomeSql(k) + " IS DISTINCT FROM NEW." + nomeSql(k);
    const QString insere = QStringLiteral("INSERT INTO %1 (SEQ, TABELA, CHAVE, QUANDO) VALUES (NEXT VALUE FOR %2, %3, ")
                               .arg(TabelaMudancas, GeradorMudancas, literal(tabela));
    const QString gatilho = ("TR_PDV_MUD_" + tabela).left(31);
    QString corpo = "CREATE OR ALTER TRIGGER " + nomeSql(gatilho) + " FOR " + nomeSql(tabela) +
                    " ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 32000 AS\nBEGIN\n";
    if (!diferentes.isEmpty())
      corpo += "  IF (UPDATING AND NOT (" + diferentes.join("\n      OR ") + ")) THEN EXIT;\n";
    corpo += "  IF (NOT DELETING) THEN\n    " + insere + textoChave("NEW") + ", CURRENT_TIMESTAMP);\n";
    corpo += "  IF (DELETING" +
             (chaveMudou.isEmpty() ? QString() : " OR (UPDATING AND (" + chaveMudou.join(" OR ") + "))") +
             ") THEN\n    " + insere + textoChave("OLD") + ", CURRENT_TIMESTAMP);\nEND";
    conexao.executa(corpo);
    conexao.executa(QStringLiteral("GRANT INSERT ON %1 TO TRIGGER %2").arg(TabelaMudancas, nomeSql(gatilho)));
    conexao.executa(QStringLiteral("GRANT USAGE ON SEQUENCE %1 TO TRIGGER %2").arg(GeradorMudancas, nomeSql(gatilho)));
    ++gatilhos;
  }
  if (!usuarioCaixas.isEmpty()) {
    // The reads the copy adds to a desk's (made before the copy existed).
    const QString usuario = usuarioCaixas.toUpper();
    for (const PermissaoCaixa &p : PermissoesCaixa())
      if (p.copiada || p.objeto == TabelaMudancas || p.objeto.endsWith(GeradorMudancas))
        conexao.executa("GRANT " + p.direitos + " ON " + p.objeto + " TO USER " + usuario);
  }
  return gatilhos;
}
