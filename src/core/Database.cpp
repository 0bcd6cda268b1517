#include "core/Database.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include "core/Moeda.h"
#include "core/TerminalState.h"
#include "core/Utilidades.h"
#include "platform/Paths.h"

// ---------------------------------------------------------------- connection

DestinoConexao InterpretaStringConexao(const QString &texto) {
  DestinoConexao d;
  for (const QString &peca : texto.split(';', Qt::SkipEmptyParts)) {
    const qsizetype igual = peca.indexOf('=');
    if (igual < 0) {
      if (!peca.trimmed().isEmpty()) d.banco = peca.trimmed();
      continue;
    }
    const QString chave = peca.left(igual).trimmed().toUpper();
    const QString valor = peca.mid(igual + 1).trimmed();
    if (chave == "DATA SOURCE" || chave == "DBNAME" || chave == "DATABASE") d.banco = valor;
    else if (chave == "USER" || chave == "UID" || chave == "USER ID") d.usuario = valor;
    else if (chave == "PASSWORD" || chave == "PWD") d.senha = valor;
  }
  // A program path ("c:\kw-velt\dados.fdb") names a file on the drive.
  if (platform::isWindowsDrivePath(d.banco)) d.banco = platform::hostPath(d.banco);
  return d;
}

ConexaoBanco::ConexaoBanco() : nome_("pdv-" + QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

ConexaoBanco::~ConexaoBanco() {
  fecha();
}

static ErroBanco erroDe(const QSqlError &e) {
  QString texto = e.databaseText().trimmed();
  if (texto.isEmpty()) texto = e.driverText().trimmed();
  else if (!e.driverText().isEmpty()) texto = texto + " (" + e.driverText().trimmed() + ")";
  return ErroBanco(e.nativeErrorCode().toLong(), texto);
}

void ConexaoBanco::abre(const QString &stringConexao) {
  fecha();
  const DestinoConexao d = InterpretaStringConexao(stringConexao);
  db_ = QSqlDatabase::addDatabase("QIBASE", nome_);
  db_.setDatabaseName(d.banco);
  db_.setUserName(d.usuario);
  db_.setPassword(d.senha);
  db_.setNumericalPrecisionPolicy(QSql::HighPrecision);
  if (!db_.open()) {
    const ErroBanco erro = erroDe(db_.lastError());
    ultimoErro_ = erro.descricao();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(nome_);
    throw erro;
  }
}

void ConexaoBanco::fecha() {
  if (!db_.isValid()) return;
  db_.close();
  db_ = QSqlDatabase();
  QSqlDatabase::removeDatabase(nome_);
}

bool ConexaoBanco::aberta() const { return db_.isValid() && db_.isOpen(); }

void ConexaoBanco::exigeAberta() {
  if (!aberta()) {
    ultimoErro_ = QStringLiteral("Sem conexão com o banco de dados.");
    throw ErroBanco(-1, ultimoErro_);
  }
}

long ConexaoBanco::executa(const QString &sql) { return executaComParametros(sql, {}); }

long ConexaoBanco::executaComParametros(const QString &sql, const QVariantList &parametros) {
  exigeAberta();
  QSqlQuery q(db_);
  q.setForwardOnly(true);
  bool ok;
  if (parametros.isEmpty()) {
    ok = q.exec(sql);
  } else {
    ok = q.prepare(sql);
    for (const QVariant &p : parametros) q.addBindValue(p);
    ok = ok && q.exec();
  }
  if (!ok) {
    const ErroBanco erro = erroDe(q.lastError());
    ultimoErro_ = erro.descricao();
    throw erro;
  }
  const long linhas = q.numRowsAffected();
  q.finish();
  return linhas;
}

// ---------------------------------------------------------------- result sets

// "-1234.5600" as the driver gives scaled integers -> exact amount.
static QVariant decimalExato(const QString &texto, int escala) {
  const auto m = escala <= 4 ? Moeda::deTextoPonto(texto) : std::nullopt;
  return m ? QVariant::fromValue(*m) : QVariant(texto.toDouble());
}

static QVariant valorLido(const QVariant &bruto, const QSqlField &campo) {
  if (bruto.isNull()) return QVariant();
  if (campo.metaType().id() == QMetaType::Double && bruto.metaType().id() == QMetaType::QString)
    return decimalExato(bruto.toString(), campo.precision());
  return bruto;
}

void Recordset::abre(const QString &sql, ConexaoBanco &conexao, const std::function<void(int)> &lidas) {
  fecha();
  conexao.exigeAberta();
  QSqlQuery q(conexao.db_);
  q.setForwardOnly(true);
  if (!q.exec(sql)) {
    const ErroBanco erro = erroDe(q.lastError());
    conexao.ultimoErro_ = erro.descricao();
    throw erro;
  }
  const QSqlRecord registro = q.record();
  for (int i = 0; i < registro.count(); ++i) nomes_ << registro.fieldName(i).toUpper();
  while (q.next()) {
    QVariantList linha;
    linha.reserve(registro.count());
    for (int i = 0; i < registro.count(); ++i) linha << valorLido(q.value(i), registro.field(i));
    linhas_ << std::move(linha);
    if (lidas && linhas_.size() % 1000 == 0) lidas(static_cast<int>(linhas_.size()));
  }
  if (q.lastError().isValid()) {
    const ErroBanco erro = erroDe(q.lastError());
    conexao.ultimoErro_ = erro.descricao();
    nomes_.clear();
    linhas_.clear();
    throw erro;
  }
  // Ends the statement's transaction now that every row is in memory.
  q.finish();
  aberto_ = true;
  atual_ = 0;
}

void Recordset::fecha() {
  aberto_ = false;
  nomes_.clear();
  linhas_.clear();
  atual_ = 0;
}

int Recordset::indice(const QString &nome) const {
  return static_cast<int>(nomes_.indexOf(nome.trimmed().toUpper()));
}

QVariant Recordset::campo(const QString &nome) const {
  const int i = indice(nome);
  if (i < 0) throw std::out_of_range(("Item não encontrado: " + nome).toStdString());
  return campo(i);
}

QVariant Recordset::campo(int i) const {
  if (!aberto_ || atual_ < 0 || atual_ >= linhas_.size())
    throw std::out_of_range("Não há registro atual.");
  if (i < 0 || i >= nomes_.size()) throw std::out_of_range("Índice de campo inválido.");
  return linhas_[atual_][i];
}

// ---------------------------------------------------------------- routines

static QString valorAte(const QString &s, qsizetype inicio) {
  const qsizetype fim = s.indexOf(';', inicio);
  return fim < 0 ? s.mid(inicio) : s.mid(inicio, fim - inicio);
}

void EscolheConexao(TerminalState &estado, QString &s) {
  const QString odbc = "DRIVER=Firebird/InterBase(r) driver;UID=" + estado.UsuarioBanco +
                       ";PWD=" + estado.SenhaBanco + ";DBNAME=";
  const QString oledb = "Provider=ZStyle IBOLE Provider;User=" + estado.UsuarioBanco +
                        ";Password=" + estado.SenhaBanco + ";Data Source=";
  QString maiusculo = s.toUpper();
  if (maiusculo.contains("TIPO=1") || maiusculo.contains("ZSTYLE")) {
    const qsizetype p = maiusculo.indexOf("DATA SOURCE=");
    // Without "DATA SOURCE=" the value starts at the 12th character, as the
    // position arithmetic gives.
    s = oledb + valorAte(s, (p < 0 ? -1 : p) + 12);
    maiusculo = s.toUpper();
  }
  if (maiusculo.contains("TIPO=2") || maiusculo.contains("INTERBASE")) {
    const qsizetype p = maiusculo.indexOf("DBNAME=");
    s = odbc + valorAte(s, (p < 0 ? -1 : p) + 7);
  }
}

void AbreConexao(TerminalState &estado) {
  estado.StrConexao += ";UID=" + estado.UsuarioBanco + ";PWD=" + estado.SenhaBanco;
  estado.conexao().abre(estado.StrConexao);
  estado.Comando = std::make_unique<ComandoBanco>();
  estado.RsGeral = std::make_unique<Recordset>();
}

void FechaConexao(TerminalState &estado) {
  if (estado.Conexao) estado.Conexao->fecha();
}

void FechaRs(Recordset &rs) {
  if (rs.State() == 1) rs.fecha();
}

QVariant SemNulo(const QVariant &valor) { return valor.isNull() ? QVariant(QString()) : valor; }

namespace {

// The date shapes typed day-first, in the order they are tried.
bool formaDeData(const QString &t) {
  static const QRegularExpression re(
      R"(^(\d\d/\d\d/\d\d\d\d|\d/\d/\d\d\d\d|\d\d/\d/\d\d\d\d|\d/\d\d/\d\d\d\d|\d/\d/\d\d|\d\d/\d/\d\d|\d/\d\d/\d\d)$)");
  return re.match(t).hasMatch();
}

// A day-first text date; two-digit years 00-29 are 2000s, 30-99 1900s.
QDate dataDiaPrimeiro(const QString &t) {
  const QStringList p = t.split('/');
  int ano = p[2].toInt();
  if (p[2].size() == 2) ano += ano < 30 ? 2000 : 1900;
  return QDate(ano, p[1].toInt(), p[0].toInt());
}

bool ehNumeroNativo(const QVariant &v) {
  switch (v.metaType().id()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
    case QMetaType::ULongLong: case QMetaType::Double: case QMetaType::Float:
    case QMetaType::Short: case QMetaType::UShort:
      return true;
    default:
      return v.metaType() == QMetaType::fromType<Moeda>();
  }
}

// The value as the regional settings write it.
QString textoDoValor(const QVariant &v) {
  if (v.metaType() == QMetaType::fromType<Moeda>()) {
    QString t = v.value<Moeda>().textoVirgula(4);
    while (t.endsWith('0')) t.chop(1);
    if (t.endsWith(',')) t.chop(1);
    return t;
  }
  switch (v.metaType().id()) {
    case QMetaType::Double: case QMetaType::Float:
      return TextoNumero(v.toDouble());
    case QMetaType::QDate:
      return v.toDate().toString("dd/MM/yyyy");
    case QMetaType::QDateTime:
      return v.toDateTime().toString("dd/MM/yyyy hh:mm:ss");
    case QMetaType::Bool:
      return v.toBool() ? "Verdadeiro" : "Falso";
    default:
      return v.toString();
  }
}

// "1.234,5" -> "1234.5": the number with "." as decimal separator.
QString numeroComPonto(const QVariant &v, const QString &texto) {
  if (v.metaType() == QMetaType::fromType<Moeda>()) {
    QString t = v.value<Moeda>().textoPonto(4);
    while (t.endsWith('0')) t.chop(1);
    if (t.endsWith('.')) t.chop(1);
    return t;
  }
  QString t = texto;
  t.remove('.');
  t.replace(',', '.');
  t.remove(' ');
  if (t.startsWith('+')) t.remove(0, 1);
  return t;
}

}  // namespace

QString LiteralSql(const QVariant &valor) {
  if (valor.isNull() && valor.metaType().id() != QMetaType::QString) return "Null";
  if (valor.metaType().id() == QMetaType::QDateTime) {
    const QDateTime dt = valor.toDateTime();
    return "'" + dt.toString("MM/dd/yyyy hh:mm:ss") + "'";
  }
  if (valor.metaType().id() == QMetaType::QDate)
    return "'" + valor.toDate().toString("MM/dd/yyyy") + "'";
  const QString texto = textoDoValor(valor);
  if (formaDeData(texto)) {
    const QDate data = dataDiaPrimeiro(texto);
    // An impossible date goes as text, so the server refuses it loudly.
    if (data.isValid()) return "'" + data.toString("MM/dd/yyyy") + "'";
  }
  static const QRegularExpression virgulaDecimal(R"(\d,\d)");
  const bool numerico = ehNumeroNativo(valor) || EhNumerico(texto);
  if (numerico && virgulaDecimal.match(texto).hasMatch()) return numeroComPonto(valor, texto);
  // A quote inside the text is doubled so it stays part of the literal.
  return "'" + QString(texto).replace('\'', "''") + "'";
}

QString MontaSql(const QString &sql, const QVariantList &valores) {
  QString resultado = sql;
  qsizetype pos = 0;
  for (const QVariant &valor : valores) {
    const qsizetype marcador = resultado.indexOf('?', pos);
    if (marcador < 0) break;
    const QString literal = LiteralSql(valor);
    resultado = resultado.left(marcador) + literal + resultado.mid(marcador + 1, 5000);
    pos = marcador + literal.size();
  }
  return resultado;
}
