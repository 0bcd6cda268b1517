#include "core/FirebirdCliente.h"

#include <ibase.h>

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cstring>
#include <unistd.h>

#include "core/Database.h"
#include "core/Moeda.h"

using namespace Firebird;

namespace fb {

IMaster *mestre() {
  static IMaster *const m = fb_get_master_interface();
  return m;
}

// A routine built for the wide (AVX) registers that returns without
// clearing their upper halves leaves them marked in use (Qt 6.4's hash of a
// text with a seed does, so every QHash keyed by texts), and a thread
// started afterwards inherits the mark. On such a thread every instruction
// of the engine's own code, built for the older (SSE) registers, waits on
// those upper halves: a search's ORDER BY over 1,000,000 products took
// 0.65-0.75 s instead of 0.51-0.56 s on a reading thread started after the
// replay had looked up its first key name in a QHash.
void limpaRegistrosVetoriais() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool temAvx = __builtin_cpu_supports("avx");
  if (temAvx) asm volatile("vzeroupper");
#endif
}

// Not on the main thread: there the calls are the sale's short look-ups,
// which gained nothing, while the screens' own work between them took a
// third longer with the registers cleared before every call (0.46-0.55 ms
// an item against 0.31-0.45, the sale screen's benchmark). The long reads run on
// threads of their own (a search's on its worker).
void limpaRegistrosForaDaPrincipal() {
  thread_local const bool principal = gettid() == getpid();
  if (!principal) limpaRegistrosVetoriais();
}

// ---------------------------------------------------------------- errors

ErroBanco erroDe(const IStatus *status, const QString &prefixo) {
  QList<long> codigos;
  const ISC_STATUS *v = status->getErrors();
  // The vector is (argument kind, value) pairs; isc_arg_gds pairs carry the codes.
  for (const ISC_STATUS *p = v; *p != isc_arg_end;) {
    const ISC_STATUS tipo = *p++;
    if (tipo == isc_arg_cstring) { p += 2; continue; }
    if (tipo == isc_arg_gds) codigos << static_cast<long>(*p);
    ++p;
  }
  QStringList partes;
  char texto[1024];
  const ISC_STATUS *p = v;
  while (fb_interpret(texto, sizeof texto, &p) > 0) partes << QString::fromLocal8Bit(texto);
  QString descricao = partes.join("\n");
  if (!prefixo.isEmpty()) descricao = prefixo + descricao;
  return ErroBanco(codigos.value(0, -1), descricao, codigos);
}

ErroBanco erroDe(const FbException &e, const QString &prefixo) { return erroDe(e.getStatus(), prefixo); }

// ---------------------------------------------------------------- transactions

static QByteArray tpb(Modo modo, int esperaSegundos) {
  QByteArray b;
  b += char(isc_tpb_version3);
  b += char(modo == Modo::Leitura ? isc_tpb_read : isc_tpb_write);
  b += char(isc_tpb_read_committed);
  b += char(isc_tpb_rec_version);
  if (modo == Modo::Leitura) {
    b += char(isc_tpb_nowait);
  } else {
    b += char(isc_tpb_wait);
    b += char(isc_tpb_lock_timeout);
    b += char(4);
    for (int i = 0; i < 4; ++i) b += char((esperaSegundos >> (8 * i)) & 0xff);
  }
  return b;
}

ITransaction *iniciaTransacao(IAttachment *att, Modo modo, int esperaSegundos) {
  static const QByteArray leitura = tpb(Modo::Leitura, 0);
  const QByteArray escrita = tpb(Modo::Escrita, esperaSegundos);
  const QByteArray &b = modo == Modo::Leitura ? leitura : escrita;
  Status st;
  return att->startTransaction(&st, static_cast<unsigned>(b.size()),
                               reinterpret_cast<const unsigned char *>(b.constData()));
}

bool confirma(ITransaction *&t, ErroBanco *erro) {
  if (!t) return true;
  Status st;
  try {
    t->commit(&st);
    t = nullptr;
    return true;
  } catch (const FbException &e) {
    if (erro) *erro = erroDe(e);
    desfaz(t);
    return false;
  }
}

void desfaz(ITransaction *&t) {
  if (!t) return;
  Status st;
  try {
    t->rollback(&st);
  } catch (const FbException &) {
    t->release();  // a dead connection: only the handle goes
  }
  t = nullptr;
}

// ---------------------------------------------------------------- values

namespace {

constexpr int64_t kPotencias[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000,
                                  100000000, 1000000000, 10000000000LL, 100000000000LL,
                                  1000000000000LL, 10000000000000LL, 100000000000000LL,
                                  1000000000000000LL, 10000000000000000LL,
                                  100000000000000000LL, 1000000000000000000LL};

// A scaled integer: Moeda when it has up to four decimals and fits, exact
// decimal text otherwise.
QVariant decimalExato(int64_t v, int escala) {
  const int casas = -escala;
  if (casas <= 4) {
    int64_t unidades;
    if (!__builtin_mul_overflow(v, kPotencias[4 - casas], &unidades))
      return QVariant::fromValue(Moeda::deUnidades(unidades));
  }
  const bool negativo = v < 0;
  QString digitos = QString::number(v).remove('-');
  if (digitos.size() <= casas) digitos = QString(casas + 1 - digitos.size(), '0') + digitos;
  digitos.insert(digitos.size() - casas, '.');
  return QString(negativo ? "-" : "") + digitos;
}

constexpr int kDiaJulianoBase = 2400001;  // Firebird counts days from 17 Nov 1858

QDate dataDe(ISC_DATE d) { return QDate::fromJulianDay(d + kDiaJulianoBase); }
QTime horaDe(ISC_TIME t) { return QTime::fromMSecsSinceStartOfDay(static_cast<int>(t / 10)); }
ISC_DATE paraData(const QDate &d) { return static_cast<ISC_DATE>(d.toJulianDay() - kDiaJulianoBase); }
ISC_TIME paraHora(const QTime &t) { return static_cast<ISC_TIME>(t.msecsSinceStartOfDay()) * 10; }

int bytesPorCaractere(unsigned charset) {
  switch (charset) {
    case 4: return 4;  // UTF8
    case 3: return 3;  // UNICODE_FSS
    default: return 1;
  }
}

QString textoDe(const char *p, unsigned bytes, unsigned charset) {
  return charset == 0 ? QString::fromLatin1(p, bytes) : QString::fromUtf8(p, bytes);
}

QString nomeDoTipo(unsigned tipo, int escala, unsigned tamanho, unsigned charset) {
  const auto numerico = [&](int precisao, const char *inteiro) {
    return escala < 0 ? QString("NUMERIC(%1,%2)").arg(precisao).arg(-escala) : QString(inteiro);
  };
  switch (tipo) {
    case SQL_SHORT: return numerico(4, "SMALLINT");
    case SQL_LONG: return numerico(9, "INTEGER");
    case SQL_INT64: return numerico(18, "BIGINT");
    case SQL_TEXT: return QString("CHAR(%1)").arg(tamanho / bytesPorCaractere(charset));
    case SQL_VARYING: return QString("VARCHAR(%1)").arg(tamanho / bytesPorCaractere(charset));
    case SQL_FLOAT: return "FLOAT";
    case SQL_DOUBLE: case SQL_D_FLOAT: return "DOUBLE PRECISION";
    case SQL_TIMESTAMP: return "TIMESTAMP";
    case SQL_TYPE_DATE: return "DATE";
    case SQL_TYPE_TIME: return "TIME";
    case SQL_BLOB: return "BLOB";
    case SQL_BOOLEAN: return "BOOLEAN";
    default: return "NULL";
  }
}

template <typename T>
T le(const unsigned char *p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void grava(unsigned char *p, T v) {
  std::memcpy(p, &v, sizeof v);
}

bool ehInteiro(const QVariant &v) {
  switch (v.metaType().id()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
    case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar:
      return true;
    default:
      return false;
  }
}

bool ehNulo(const QVariant &v) { return !v.isValid() || (v.isNull() && v.metaType().id() != QMetaType::QString); }

constexpr unsigned kTextoMaximo = 32765;

// The type and length a parameter is sent with, chosen from its own value.
std::pair<unsigned, unsigned> tipoDoParametro(const QVariant &v, unsigned descrito) {
  if (ehNulo(v)) return {0, 0};
  if (v.metaType() == QMetaType::fromType<Moeda>()) return {SQL_INT64, 8};
  if (v.metaType().id() == QMetaType::Bool) return descrito == SQL_BOOLEAN ? std::pair{SQL_BOOLEAN, 1u} : std::pair{SQL_INT64, 8u};
  if (ehInteiro(v)) return {SQL_INT64, 8};
  switch (v.metaType().id()) {
    case QMetaType::Double: case QMetaType::Float: return {SQL_DOUBLE, 8};
    case QMetaType::QDate: return {SQL_TYPE_DATE, 4};
    case QMetaType::QDateTime: return {SQL_TIMESTAMP, 8};
    case QMetaType::QTime: return {SQL_TYPE_TIME, 4};
    default: break;
  }
  const qsizetype bytes =
      v.metaType().id() == QMetaType::QByteArray ? v.toByteArray().size() : v.toString().toUtf8().size();
  // Rounded up, so texts of similar length share one message layout.
  const unsigned tamanho = std::min<unsigned>(kTextoMaximo, (static_cast<unsigned>(bytes) / 64 + 1) * 64);
  return {SQL_VARYING, tamanho};
}

}  // namespace

// ---------------------------------------------------------------- statement

Instrucao::Instrucao(IAttachment *att, ITransaction *tra, const QByteArray &sql) {
  Status st;
  stmt_ = att->prepare(&st, tra, static_cast<unsigned>(sql.size()), sql.constData(), SQL_DIALECT_V6,
                       IStatement::PREPARE_PREFETCH_METADATA);
  try {
    tipo_ = stmt_->getType(&st);
    metaSaida_ = stmt_->getOutputMetadata(&st);
    saidas_->campos = camposDe(metaSaida_);
    saida_.assign(metaSaida_->getMessageLength(&st), 0);
    for (unsigned i = 0; i < saidas_->campos.size(); ++i) nomes_ << QString::fromUtf8(metaSaida_->getAlias(&st, i)).toUpper();
    metaEntradaDescrita_ = stmt_->getInputMetadata(&st);
    entradas_ = camposDe(metaEntradaDescrita_);
  } catch (...) {
    libera();
    throw;
  }
}

Instrucao::~Instrucao() { libera(); }

void Instrucao::libera() {
  for (IReferenceCounted *r : std::initializer_list<IReferenceCounted *>{metaEntrada_, metaEntradaDescrita_, metaSaida_})
    if (r) r->release();
  metaEntrada_ = metaEntradaDescrita_ = metaSaida_ = nullptr;
  if (stmt_) stmt_->release();
  stmt_ = nullptr;
}

std::vector<Campo> Instrucao::camposDe(IMessageMetadata *meta) {
  Status st;
  std::vector<Campo> campos(meta->getCount(&st));
  for (unsigned i = 0; i < campos.size(); ++i) {
    campos[i] = Campo{meta->getType(&st, i) & ~1u, meta->getSubType(&st, i), meta->getScale(&st, i),
                      meta->getLength(&st, i), meta->getCharSet(&st, i), meta->getOffset(&st, i),
                      meta->getNullOffset(&st, i)};
  }
  return campos;
}

QString Colunas::tipo(int coluna) const {
  if (coluna < 0 || static_cast<size_t>(coluna) >= campos.size()) return {};
  const Campo &c = campos[static_cast<size_t>(coluna)];
  return nomeDoTipo(c.tipo, c.escala, c.tamanho, c.charset);
}

bool Instrucao::ehSelect() const {
  return tipo_ == isc_info_sql_stmt_select || tipo_ == isc_info_sql_stmt_select_for_upd;
}
bool Instrucao::ehDdl() const { return tipo_ == isc_info_sql_stmt_ddl; }
bool Instrucao::soLeitura() const { return tipo_ == isc_info_sql_stmt_select; }

void Instrucao::refazEntrada(const QVariantList &parametros) {
  Status st;
  IMetadataBuilder *b = metaEntradaDescrita_->getBuilder(&st);
  try {
    for (unsigned i = 0; i < entradas_.size(); ++i) {
      const auto [tipo, tamanho] = tipoDoParametro(parametros[i], 0);
      if (tipo == 0) continue;  // Null: the described type stays
      b->setType(&st, i, tipo | 1);
      b->setSubType(&st, i, 0);
      b->setLength(&st, i, tamanho);
      b->setScale(&st, i, parametros[i].metaType() == QMetaType::fromType<Moeda>() ? -4 : 0);
      if (tipo == SQL_VARYING)
        b->setCharSet(&st, i, parametros[i].metaType().id() == QMetaType::QByteArray ? 1 : 4);
    }
    IMessageMetadata *novo = b->getMetadata(&st);
    b->release();
    if (metaEntrada_) metaEntrada_->release();
    metaEntrada_ = novo;
  } catch (...) {
    b->release();
    throw;
  }
  const std::vector<Campo> campos = camposDe(metaEntrada_);
  entrada_.assign(metaEntrada_->getMessageLength(&st), 0);
  entradas_ = campos;
}

void Instrucao::liga(const QVariantList &parametros) {
  if (static_cast<size_t>(parametros.size()) != entradas_.size())
    throw ErroBanco(-1, QString("A instrução espera %1 parâmetro(s); recebeu %2.")
                            .arg(entradas_.size())
                            .arg(parametros.size()));
  if (entradas_.empty()) return;
  std::vector<unsigned> assinatura;
  assinatura.reserve(entradas_.size() * 2);
  for (qsizetype i = 0; i < parametros.size(); ++i) {
    const auto [tipo, tamanho] = tipoDoParametro(parametros[i], entradas_[i].tipo);
    // A Null fits any layout; a text fits one at least as long.
    const bool cabe = metaEntrada_ && (tipo == 0 || (entradas_[i].tipo == tipo &&
                                                     (tipo != SQL_VARYING || entradas_[i].tamanho >= tamanho)));
    assinatura.push_back(cabe ? entradas_[i].tipo : tipo);
    assinatura.push_back(cabe ? entradas_[i].tamanho : tamanho);
  }
  if (!metaEntrada_ || assinatura != assinatura_) {
    refazEntrada(parametros);
    assinatura_.clear();
    for (const Campo &c : entradas_) {
      assinatura_.push_back(c.tipo);
      assinatura_.push_back(c.tamanho);
    }
  }
  for (size_t i = 0; i < entradas_.size(); ++i) {
    const Campo &c = entradas_[i];
    const QVariant &v = parametros[static_cast<qsizetype>(i)];
    unsigned char *p = entrada_.data() + c.deslocamento;
    const bool nulo = ehNulo(v);
    grava<ISC_SHORT>(entrada_.data() + c.deslocamentoNulo, nulo ? -1 : 0);
    if (nulo) continue;
    switch (c.tipo) {
      case SQL_INT64:
        grava<ISC_INT64>(p, v.metaType() == QMetaType::fromType<Moeda>() ? v.value<Moeda>().unidades()
                                                                          : v.toLongLong());
        break;
      case SQL_DOUBLE: grava<double>(p, v.toDouble()); break;
      case SQL_BOOLEAN: *p = v.toBool() ? 1 : 0; break;
      case SQL_TYPE_DATE: grava<ISC_DATE>(p, paraData(v.toDate())); break;
      case SQL_TYPE_TIME: grava<ISC_TIME>(p, paraHora(v.toTime())); break;
      case SQL_TIMESTAMP: {
        const QDateTime dt = v.toDateTime();
        grava<ISC_DATE>(p, paraData(dt.date()));
        grava<ISC_TIME>(p + sizeof(ISC_DATE), paraHora(dt.time()));
        break;
      }
      default: {  // SQL_VARYING
        const QByteArray bytes = v.metaType().id() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
        const auto n = static_cast<ISC_USHORT>(std::min<qsizetype>(bytes.size(), c.tamanho));
        grava<ISC_USHORT>(p, n);
        std::memcpy(p + sizeof(ISC_USHORT), bytes.constData(), n);
      }
    }
  }
}

IResultSet *Instrucao::abreCursor(ITransaction *tra) {
  Status st;
  return stmt_->openCursor(&st, tra, entradas_.empty() ? nullptr : metaEntrada_,
                           entradas_.empty() ? nullptr : entrada_.data(), metaSaida_, 0);
}

void Instrucao::executa(ITransaction *tra) {
  Status st;
  stmt_->execute(&st, tra, entradas_.empty() ? nullptr : metaEntrada_, entradas_.empty() ? nullptr : entrada_.data(),
                 saidas_->campos.empty() ? nullptr : metaSaida_, saidas_->campos.empty() ? nullptr : saida_.data());
}

long Instrucao::afetadas() {
  if (tipo_ != isc_info_sql_stmt_insert && tipo_ != isc_info_sql_stmt_update &&
      tipo_ != isc_info_sql_stmt_delete && tipo_ != isc_info_sql_stmt_exec_procedure)
    return 0;
  Status st;
  return static_cast<long>(stmt_->getAffectedRecords(&st));
}

QVariantList Instrucao::linha(IAttachment *att, ITransaction *tra) const {
  QVariantList valores;
  valores.reserve(static_cast<qsizetype>(saidas_->campos.size()));
  for (const Campo &c : saidas_->campos) {
    const unsigned char *p = valorBruto(c);
    valores << (p ? valorEm(c, p, att, tra) : QVariant());
  }
  return valores;
}

const unsigned char *Instrucao::valorBruto(const Campo &c) const {
  if (le<ISC_SHORT>(saida_.data() + c.deslocamentoNulo) != 0) return nullptr;
  return saida_.data() + c.deslocamento;
}

bool textoEm(const Campo &c, const unsigned char *p, TextoLido &texto) {
  if ((c.tipo != SQL_TEXT && c.tipo != SQL_VARYING) || c.charset == 1) return false;
  texto.latin1 = c.charset == 0;  // as textoDe reads it
  if (!p) texto.bytes = {};
  else if (c.tipo == SQL_TEXT) texto.bytes = QByteArrayView(p, c.tamanho);
  else texto.bytes = QByteArrayView(p + sizeof(ISC_USHORT), le<ISC_USHORT>(p));
  return true;
}

unsigned tamanhoEm(const Campo &c, const unsigned char *p) {
  return c.tipo == SQL_VARYING ? static_cast<unsigned>(sizeof(ISC_USHORT)) + le<ISC_USHORT>(p) : c.tamanho;
}

QVariant valorEm(const Campo &c, const unsigned char *p, IAttachment *att, ITransaction *tra) {
  switch (c.tipo) {
    case SQL_TEXT: {
      if (c.charset == 1) return QByteArray(reinterpret_cast<const char *>(p), c.tamanho);
      QString t = textoDe(reinterpret_cast<const char *>(p), c.tamanho, c.charset);
      // A multi-byte CHAR(n) arrives padded to its byte length: n characters.
      const qsizetype caracteres = c.tamanho / bytesPorCaractere(c.charset);
      if (t.size() > caracteres) t.truncate(caracteres);
      return t;
    }
    case SQL_VARYING: {
      const ISC_USHORT n = le<ISC_USHORT>(p);
      const char *dados = reinterpret_cast<const char *>(p + sizeof(ISC_USHORT));
      if (c.charset == 1) return QByteArray(dados, n);
      return textoDe(dados, n, c.charset);
    }
    case SQL_SHORT: {
      const auto v = le<ISC_SHORT>(p);
      return c.escala < 0 ? decimalExato(v, c.escala) : QVariant(int(v));
    }
    case SQL_LONG: {
      const auto v = le<ISC_LONG>(p);
      return c.escala < 0 ? decimalExato(v, c.escala) : QVariant(int(v));
    }
    case SQL_INT64: {
      const auto v = le<ISC_INT64>(p);
      return c.escala < 0 ? decimalExato(v, c.escala) : QVariant(qlonglong(v));
    }
    case SQL_FLOAT: return double(le<float>(p));
    case SQL_DOUBLE: case SQL_D_FLOAT: return le<double>(p);
    case SQL_TYPE_DATE: return dataDe(le<ISC_DATE>(p));
    case SQL_TYPE_TIME: return horaDe(le<ISC_TIME>(p));
    case SQL_TIMESTAMP:
      return QDateTime(dataDe(le<ISC_DATE>(p)), horaDe(le<ISC_TIME>(p + sizeof(ISC_DATE))));
    case SQL_BOOLEAN: return bool(*p);
    case SQL_BLOB: {
      ISC_QUAD id = le<ISC_QUAD>(p);
      Status st;
      IBlob *blob = att->openBlob(&st, tra, &id, 0, nullptr);
      QByteArray dados;
      char pedaco[16384];
      unsigned lidos = 0;
      try {
        for (;;) {
          const int r = blob->getSegment(&st, sizeof pedaco, pedaco, &lidos);
          if (r != IStatus::RESULT_OK && r != IStatus::RESULT_SEGMENT) break;
          dados.append(pedaco, lidos);
        }
        blob->close(&st);
      } catch (...) {
        blob->release();
        throw;
      }
      if (c.subtipo == 1) return textoDe(dados.constData(), static_cast<unsigned>(dados.size()), c.charset);
      return dados;
    }
    default:
      return QVariant();
  }
}

}  // namespace fb
