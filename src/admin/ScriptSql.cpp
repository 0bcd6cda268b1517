#include "admin/ScriptSql.h"

#include <QRegularExpression>

namespace {

// "SET TERM ^ ;" at the start of a statement: returns the new terminator.
bool ehSetTerm(const QString &comando, QString *novo) {
  static const QRegularExpression re(R"(^\s*SET\s+TERM\s+(\S+)\s*$)",
                                     QRegularExpression::CaseInsensitiveOption);
  const auto m = re.match(comando);
  if (!m.hasMatch()) return false;
  *novo = m.captured(1);
  return true;
}

class Divisor {
 public:
  explicit Divisor(const QString &s) : s_(s) {}

  QStringList divide() {
    while (i_ < s_.size()) {
      if (comecaCom("--")) pulaAte("\n", false);
      else if (comecaCom("/*")) pulaAte("*/", false);
      else if (s_[i_] == '\'' || s_[i_] == '"') copiaCitacao(s_[i_]);
      else if (comecaCom(terminador_)) fechaComando();
      else atual_ += s_[i_++];
    }
    fechaComando();
    return comandos_;
  }

 private:
  bool comecaCom(const QString &t) const { return QStringView(s_).mid(i_).startsWith(t); }

  void pulaAte(const QString &fim, bool copiar) {
    const qsizetype p = s_.indexOf(fim, i_ + 1);
    const qsizetype ate = p < 0 ? s_.size() : p + fim.size();
    if (copiar) atual_ += s_.mid(i_, ate - i_);
    else atual_ += ' ';
    i_ = ate;
  }

  // A quoted text or name; a doubled quote stays inside it.
  void copiaCitacao(QChar aspa) {
    qsizetype j = i_ + 1;
    while (j < s_.size()) {
      if (s_[j] == aspa) {
        if (j + 1 < s_.size() && s_[j + 1] == aspa) { j += 2; continue; }
        ++j;
        break;
      }
      ++j;
    }
    atual_ += s_.mid(i_, j - i_);
    i_ = j;
  }

  void fechaComando() {
    if (i_ < s_.size()) i_ += terminador_.size();
    const QString comando = atual_.trimmed();
    atual_.clear();
    if (comando.isEmpty()) return;
    QString novo;
    if (ehSetTerm(comando, &novo)) terminador_ = novo;
    else comandos_ << comando;
  }

  const QString &s_;
  qsizetype i_ = 0;
  QString terminador_ = ";";
  QString atual_;
  QStringList comandos_;
};

}  // namespace

QStringList DivideScriptSql(const QString &script) { return Divisor(script).divide(); }
