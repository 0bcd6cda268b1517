#pragma once
// Running replay scripts through the pdv executable on the demo drive.
#include <QDir>
#include <QFile>
#include <QList>
#include <QThread>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/TerminalState.h"
#include "support/TestSupport.h"

// The demo operator's login on a printer with no movement yet: the payment
// forms are not programmed and the day opens with an empty drawer.
inline const QString Login = "type 1\nkey Enter\nanswer No\ntype 1234\nkey Enter\nkey Enter\nkey Enter\n";

enum class Impressora { Nova, ComoEstava };

// Each script starts on the printer init-drive made unless told otherwise.
inline int replay(const QString &script, QString &transcript, Impressora impressora = Impressora::Nova) {
  if (impressora == Impressora::Nova) testsupport::reiniciaImpressoraDoDemo();
  return testsupport::runBuilt("pdv", {"--replay", script}, &transcript,
                               {"PDV_DRIVE=" + testsupport::demoDrive(), "QT_QPA_PLATFORM=offscreen"});
}

inline QString scriptFile(QTemporaryDir &dir, const QString &text) {
  const QString path = dir.path() + "/script.txt";
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(text.toUtf8());
  return path;
}

// Every dump of a screen in a transcript, in order, each as its lines.
inline QList<QStringList> dumps(const QString &t, const QString &tela) {
  QList<QStringList> todos;
  bool dentro = false;
  for (const QString &linha : t.split('\n')) {
    if (linha.startsWith("dump " + tela + " ")) {
      todos.append(QStringList{linha});
      dentro = true;
    } else if (dentro && linha.startsWith("  ")) {
      todos.last() << linha;
    } else {
      dentro = false;
    }
  }
  return todos;
}

// The index of the first transcript line after `depois` holding the text (-1: none).
inline int linhaCom(const QString &t, const QString &texto, int depois = -1) {
  const QStringList l = t.split('\n');
  for (int i = depois + 1; i < l.size(); ++i)
    if (l[i].contains(texto)) return i;
  return -1;
}

// The rows of a query, each column cast to text by the server and joined
// with " | " ("<null>" for Null), so amounts and dates read as stored.
inline QStringList LinhasComoTexto(ConexaoBanco &c, const QString &colunas, const QString &resto) {
  QStringList textos;
  for (const QString &col : colunas.split(',')) textos << "CAST(" + col.trimmed() + " AS VARCHAR(80))";
  Recordset rs;
  rs.abre("SELECT " + textos.join(", ") + " " + resto, c);
  QStringList r;
  for (const QVariantList &l : rs.linhas()) {
    QStringList t;
    for (const QVariant &v : l) t << (v.isNull() ? QStringLiteral("<null>") : v.toString());
    r << t.join(" | ");
  }
  return r;
}

// A demo drive of one test's own, run by the pdv executable: its database
// and printer start as init-drive made them and may be changed at will.
class Drive {
 public:
  Drive() : raiz_(pasta_.path() + "/drive") {
    QString saida;
    if (testsupport::runBuilt("pdv-admin", {"init-drive", raiz_, "--demo"}, &saida) != 0)
      ADD_FAILURE() << "init-drive: " << saida.toStdString();
  }
  const QString &raiz() const { return raiz_; }
  QString caminho(const QString &relativo) const { return raiz_ + "/" + relativo; }

  // One run of the program on this drive; `falha` names the step where the
  // process kills itself (empty: none). The exit code; the transcript in t.
  int roda(const QString &roteiro, QString &t, const QString &falha = {}) {
    const QString arquivo = pasta_.path() + "/roteiro.txt";
    QFile f(arquivo);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(roteiro.toUtf8());
    f.close();
    return testsupport::runBuilt("pdv", {"--replay", arquivo}, &t,
                                 {"PDV_DRIVE=" + raiz_, "QT_QPA_PLATFORM=offscreen", "PDV_FALHA_EM=" + falha});
  }

  // A connection on this drive's database.
  void abre(ConexaoBanco &c) const {
    testsupport::UsaDrive usa(raiz_);
    TerminalState e;
    LeArquivoConfig(e);
    EscolheConexao(e, e.StrConexao);
    c.abre(e.StrConexao + ";UID=" + e.UsuarioBanco + ";PWD=" + e.SenhaBanco);
  }
  // The first column of the first row of a query on this drive's database.
  // The release program's stand-in, started by the run, may still hold the
  // database file it inherited for a moment: the query is tried again then.
  QVariant consulta(const QString &sql) const {
    testsupport::UsaDrive usa(raiz_);
    TerminalState e;
    LeArquivoConfig(e);
    EscolheConexao(e, e.StrConexao);
    for (int tentativa = 1;; ++tentativa) {
      try {
        ConexaoBanco c;
        c.abre(e.StrConexao + ";UID=" + e.UsuarioBanco + ";PWD=" + e.SenhaBanco);
        Recordset rs;
        rs.abre(sql, c);
        return rs.EOF_() ? QVariant() : rs.campo(0);
      } catch (const ErroBanco &) {
        if (tentativa == 60) throw;
        QThread::msleep(50);
      }
    }
  }
  qlonglong numero(const QString &sql) const { return consulta(sql).toLongLong(); }
  QStringList linhas(const QString &colunas, const QString &resto) const {
    ConexaoBanco c;
    abre(c);
    return LinhasComoTexto(c, colunas, resto);
  }
  void executa(const QString &sql) const {
    ConexaoBanco c;
    abre(c);
    c.executa(sql);
  }

  // The database taken away, as a server shut down or a file moved off
  // would: every attachment ended and the file renamed; false when the
  // rename failed. `devolveBanco` puts it back.
  bool tiraBanco() const {
    executa("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
    const QString banco = caminho("kw-velt/dados.fdb");
    if (!QFile::rename(banco, banco + ".fora")) return false;
    // The engine lets go of the file once its last attachment is gone: until
    // then the old name still opens it.
    for (int i = 0; i < 100; ++i) {
      try {
        ConexaoBanco c;
        abre(c);
      } catch (const ErroBanco &) {
        break;
      }
      QThread::msleep(50);
    }
    return true;
  }
  bool devolveBanco() const {
    const QString banco = caminho("kw-velt/dados.fdb");
    return QFile::rename(banco + ".fora", banco);
  }

  // Pending journal files (closing or closed, not recorded).
  QStringList pendentes() const {
    return QDir(caminho("kw-velt/vendas")).entryList({"*.venda"}, QDir::Files);
  }
  QStringList gravadas() const {
    return QDir(caminho("kw-velt/vendas/gravadas")).entryList({"*.venda"}, QDir::Files);
  }
  // The release program's runs, as its stand-in logged them. It runs
  // detached: the log is read until `esperadas` lines are there (or a while).
  QStringList liberacoes(int esperadas) const {
    QStringList linhas;
    for (int i = 0; i < 250; ++i) {
      QFile f(caminho("kw-velt/programas.log"));
      linhas.clear();
      if (f.open(QIODevice::ReadOnly))
        linhas = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts).filter("LiberaPreVenda", Qt::CaseInsensitive);
      if (linhas.size() >= esperadas && (esperadas > 0 || i >= 10)) break;
      QThread::msleep(20);
    }
    return linhas;
  }

 private:
  QTemporaryDir pasta_;
  QString raiz_;
};
