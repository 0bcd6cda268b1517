#include "payment/Credito.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>

#include "core/Database.h"
#include "core/Utilidades.h"
#include "platform/Host.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kLf = QStringLiteral("\n");

// Overdue receivables are those due before the working date plus this many days.
constexpr int kDiasDeTolerancia = 5;

bool ConfereLimite(int status) { return status == 1 || status == 3; }
bool ConfereAtraso(int status) { return status == 2 || status == 3; }
bool Bloqueado(int status) { return status == 4; }

// A supervisor's release row for this operator and this customer accepts at
// once.
bool Liberado(TerminalState &e, int64_t cliente) {
  Recordset rs;
  rs.abre("SELECT * FROM TB_GER_LIBERA WHERE USUARIO=" + QString::number(e.CodUsuario) +
              " AND INFO=" + QString::number(cliente),
          e.conexao());
  return !rs.EOF_() && static_cast<int64_t>(ParaNumero(rs["Info"])) == cliente;
}

// An amount of the limit block: right-aligned in 12, blanks shown as "_" so
// the columns line up in the message box.
QString Coluna(const QString &texto) { return Alinha(2, 12, texto).replace(' ', '_'); }

QString AcimaDoLimite(const Moeda &debito, const CreditoCliente &c) {
  return kLf + "Acima do Limite !" + kCrLf + kLf +
         "Débito..:\t" + Coluna(debito.formatada()) + kCrLf +
         "Compra..:\t" + Coluna(c.totalVenda.formatada()) + kCrLf +
         "Crédito.:\t" + Coluna(c.limite.formatada()) + kCrLf;
}

QString LinhaEmAtraso(const Recordset &rs) {
  return Alinha(2, 15, SemNulo(rs["CodDup"]).toString()) + "-" +
         Alinha(2, 2, SemNulo(rs["NUMPAR"]).toString()) + " | " +
         FormataValor(Moeda::deVariant(rs["ValDup"]), 12) + " | " +
         rs["DatVenc"].toDate().toString("dd/MM/yy") + "|" + SemNulo(rs["CondChq"]).toString() + kCrLf;
}

// The verdict once the customer's debit is known: the overdue receivables
// listed (status 2 and 3), the limit (1 and 3), the block (4).
std::optional<QString> Veredito(const QStringList &atrasadas, const Moeda &debito, const CreditoCliente &c) {
  const bool acimaDoLimite = ConfereLimite(c.status) && debito + c.totalVenda > c.limite;
  if (atrasadas.isEmpty() && !acimaDoLimite && !Bloqueado(c.status)) return std::nullopt;
  QString texto;
  if (!atrasadas.isEmpty())
    texto = "Cliente Com Duplicatas em Atraso !" + kCrLf + kLf + "  Duplicata   - Par|          Valor| Dt Venc |Cond" +
            kCrLf + kLf + atrasadas.join(QString());
  if (acimaDoLimite) texto += AcimaDoLimite(debito, c);
  if (Bloqueado(c.status)) texto += "Crédito Bloqueado !" + kCrLf;
  return texto;
}

}  // namespace

std::optional<QString> VerificaCredito(TerminalState &e, const CreditoCliente &c) {
  const QDate referencia = e.DataSistema.addDays(kDiasDeTolerancia);
  if (Liberado(e, c.cliente)) return std::nullopt;

  Recordset rs;
  rs.abre(MontaSql(QStringLiteral("SELECT * FROM Tb_Rec_CadDup WHERE CliDup=?") +
                       " AND (DatPgt Is Null or CondChq<>4) " + " ORDER BY DatVenc",
                   {QVariant::fromValue<qlonglong>(c.cliente)}),
          e.conexao());

  // Every selected receivable is debit; those due before the reference date
  // are listed as well when the status refuses overdue customers.
  QStringList atrasadas;
  Moeda debito;
  for (; !rs.EOF_(); rs.MoveNext()) {
    const QDate vencimento = rs["DatVenc"].toDate();
    if (ConfereAtraso(c.status) && vencimento.isValid() && vencimento < referencia) atrasadas << LinhaEmAtraso(rs);
    debito += Moeda::deVariant(rs["ValDup"]);
  }
  return Veredito(atrasadas, debito, c);
}

std::optional<QString> VerificaDebitoMensal(TerminalState &e, const CreditoCliente &c, int64_t condicao) {
  // The month of the current year only: the same month of an earlier year is
  // not this month's debit.
  const QDate hoje = e.relogio().now().date();
  if (Liberado(e, c.cliente)) return std::nullopt;

  Recordset rs;
  rs.abre(MontaSql(QStringLiteral(" SELECT Sum(ValPag) as Debito FROM EpnCpg ") +
                       " WHERE CliEpn=? And CpgPag=? AND MesEpn=? AND AnoEpn=? ",
                   {QVariant::fromValue<qlonglong>(c.cliente), QVariant::fromValue<qlonglong>(condicao),
                    hoje.month(), hoje.year()}),
          e.conexao());
  if (rs.EOF_()) return std::nullopt;
  return Veredito({}, Moeda::deVariant(rs["Debito"]), c);
}
