#include "support/TestSupport.h"

#include <QThread>

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace testsupport {

TempDrive::TempDrive() {
  hadPrevious_ = qEnvironmentVariableIsSet("PDV_DRIVE");
  previous_ = qgetenv("PDV_DRIVE");
  qputenv("PDV_DRIVE", dir_.path().toUtf8());
}

TempDrive::~TempDrive() {
  if (hadPrevious_) qputenv("PDV_DRIVE", previous_);
  else qunsetenv("PDV_DRIVE");
}

QString buildDir() { return QStringLiteral(PDV_BINARY_DIR); }
QString sourceDir() { return QStringLiteral(PDV_SOURCE_DIR); }

int runBuilt(const QString &program, const QStringList &args, QString *out, const QStringList &extraEnv) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString &kv : extraEnv) env.insert(kv.section('=', 0, 0), kv.section('=', 1));
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(buildDir() + "/" + program, args);
  if (!p.waitForFinished(300000)) {
    p.kill();
    return -1;
  }
  if (out) *out = QString::fromUtf8(p.readAll());
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void iniciaPdv(QProcess &pdv, const QString &raiz, const QStringList &args) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PDV_DRIVE", raiz);
  env.insert("QT_QPA_PLATFORM", "offscreen");
  pdv.setProcessEnvironment(env);
  pdv.setProcessChannelMode(QProcess::MergedChannels);
  pdv.start(buildDir() + "/pdv", args);
}

BancoCriado::BancoCriado(const QString &nome) : arquivo(pasta.path() + "/" + nome) {
  codigo = runBuilt("pdv-admin", {"create-db", arquivo}, &saida);
}

FimLanca::FimLanca()
    : anterior_(InstalaTratadorEncerramento([](int, const QString &motivo) { throw ProgramaEncerrado(motivo); })) {}
FimLanca::~FimLanca() { InstalaTratadorEncerramento(anterior_); }

}  // namespace testsupport

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "platform/Paths.h"

namespace testsupport {

QString demoDrive() {
  static QTemporaryDir *pasta = nullptr;
  static QString raiz;
  if (pasta) return raiz;
  pasta = new QTemporaryDir();  // lives until the process ends
  raiz = pasta->path() + "/drive";
  QString saida;
  const int status = runBuilt("pdv-admin", {"init-drive", raiz, "--demo"}, &saida);
  if (status != 0) ADD_FAILURE() << "pdv-admin init-drive failed: " << saida.toStdString();
  QFile::copy(raiz + "/kw-velt/ecf-sim/memoria.json", pasta->path() + "/memoria-inicial.json");
  return raiz;
}

void reiniciaImpressoraDoDemo() {
  const QString raiz = demoDrive();
  const QString memoria = raiz + "/kw-velt/ecf-sim/memoria.json";
  QFile::remove(memoria);
  if (!QFile::copy(QFileInfo(raiz).path() + "/memoria-inicial.json", memoria))
    ADD_FAILURE() << "the demo printer's first memory could not be put back";
}

void abreDiaNoDemo() {
  static bool aberto = false;
  if (!aberto) aberto = true, abreDiaNoDrive(demoDrive());
}

bool abreDiaNoDrive(const QString &raiz) {
  QTemporaryDir pasta;
  QFile roteiro(pasta.path() + "/abre-dia.txt");
  roteiro.open(QIODevice::WriteOnly);
  // The demo operator logs in on the real clock and opens the day with an
  // empty drawer, without programming the payment forms.
  roteiro.write("type 1\nkey Enter\nanswer No\ntype 1234\nkey Enter\nkey Enter\nkey Enter\n");
  roteiro.close();
  QString saida;
  const int status = runBuilt("pdv", {"--replay", roteiro.fileName()}, &saida,
                              {"PDV_DRIVE=" + raiz, "QT_QPA_PLATFORM=offscreen"});
  if (status == 0 && saida.contains("EcfAberturaDoDia(\"0,00\", \"Dinheiro\") = 1")) return true;
  ADD_FAILURE() << "the printer's day did not open on " << raiz.toStdString() << ": " << saida.toStdString();
  return false;
}

UsaDrive::UsaDrive(const QString &raiz) {
  hadPrevious_ = qEnvironmentVariableIsSet("PDV_DRIVE");
  previous_ = qgetenv("PDV_DRIVE");
  qputenv("PDV_DRIVE", raiz.toUtf8());
}

UsaDrive::~UsaDrive() {
  if (hadPrevious_) qputenv("PDV_DRIVE", previous_);
  else qunsetenv("PDV_DRIVE");
}

static void conectaDemo(ConexaoBanco &c) {
  UsaDrive drive(demoDrive());
  TerminalState e;
  LeArquivoConfig(e);
  EscolheConexao(e, e.StrConexao);
  // The embedded database is one process's at a time: a program the last
  // run started (the release program's stand-in) may still hold it on a
  // loaded machine.
  for (int tentativa = 1;; ++tentativa) {
    try {
      c.abre(e.StrConexao + ";UID=" + e.UsuarioBanco + ";PWD=" + e.SenhaBanco);
      return;
    } catch (const ErroBanco &erro) {
      if (tentativa >= 100 || !erro.descricao().contains(QLatin1String("lock"))) throw;
      QThread::msleep(100);
    }
  }
}

void conectaAoDemo(TerminalState &estado) {
  UsaDrive drive(demoDrive());
  LeArquivoConfig(estado);
  EscolheConexao(estado, estado.StrConexao);
  AbreConexao(estado);
}

void executaNoDemo(const QString &sql) {
  ConexaoBanco c;
  conectaDemo(c);
  c.executa(sql);
}

QVariant consultaNoDemo(const QString &sql) {
  ConexaoBanco c;
  conectaDemo(c);
  Recordset rs;
  rs.abre(sql, c);
  return rs.EOF_() ? QVariant() : rs.campo(0);
}

}  // namespace testsupport
