#include "payment/Credito.h"

#include <QDate>
#include <QDateTime>

#include "core/Database.h"
#include "core/Utilidades.h"
#include "platform/Host.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kLf = QStringLiteral("\n");

// The verdict while the database is being asked.
const QString kNaoVerificado = QStringLiteral("Não foi possível verificar o crédito do cliente !");

// Overdue receivables are those due before the working date plus this many days.
constexpr int kDiasDeTolerancia = 5;

bool ConfereLimite(int status) { return status == 1 || status == 3; }
bool ConfereAtraso(int status) { return status == 2 || status == 3; }
bool Bloqueado(int status) { return status == 4; }

// A supervisor's release row for this operator and this customer accepts at
// once (Mensagem emptied). Otherwise Mensagem holds a refusal until the
// check writes its verdict, so that one cut short by a database error never
// reads as an acceptance.
bool Liberado(TerminalState &e, int64_t cliente) {
  e.Mensagem = kNaoVerificado;
  Recordset &rs = *e.RsGeral;
  FechaRs(rs);
  e.StrSql = "SELECT * FROM TB_GER_LIBERA WHERE USUARIO=" + QString::number(e.CodUsuario) +
             " AND INFO=" + QString::number(cliente);
  rs.abre(e.StrSql, e.conexao());
  const bool liberado = !rs.EOF_() && static_cast<int64_t>(ParaNumero(rs["Info"])) == cliente;
  FechaRs(rs);
  if (liberado) e.Mensagem.clear();
  return liberado;
}

// An amount of the limit block: right-aligned in 12, blanks shown as "_" so
// the columns line up in the message box.
QString Coluna(const QString &texto) { return Alinha(2, 12, texto).replace(' ', '_'); }

QString AcimaDoLimite(const Moeda &debito, const CreditoCliente &c) {
  return kLf + "Acima do Limite !" + kCrLf + kLf +
         "Débito..:\t" + Coluna(debito.formatada()) + kCrLf +
         "Compra..:\t" + Coluna(c.totalVenda) + kCrLf +
         "Crédito.:\t" + Coluna(c.limite.formatada()) + kCrLf;
}

// The limit and the blocked status, once the customer's debit is known.
QString Restricoes(const Moeda &debito, const CreditoCliente &c) {
  QString texto;
  if (ConfereLimite(c.status) && debito + ParaMoeda(c.totalVenda) > c.limite)
    texto += AcimaDoLimite(debito, c);
  if (Bloqueado(c.status)) texto += "Crédito Bloqueado !" + kCrLf;
  return texto;
}

QString LinhaEmAtraso(const Recordset &rs) {
  return Alinha(2, 15, SemNulo(rs["CodDup"]).toString()) + "-" +
         Alinha(2, 2, SemNulo(rs["NUMPAR"]).toString()) + " | " +
         FormataValor(Moeda::deVariant(rs["ValDup"]), 12) + " | " +
         rs["DatVenc"].toDate().toString("dd/MM/yy") + "|" + SemNulo(rs["CondChq"]).toString() + kCrLf;
}

}  // namespace

void VerificaCredito(TerminalState &e, const CreditoCliente &c) {
  const QDate referencia = e.DataSistema.addDays(kDiasDeTolerancia);
  if (Liberado(e, c.cliente)) return;

  Recordset &rs = *e.RsGeral;
  e.StrSql = MontaSql(QStringLiteral("SELECT * FROM Tb_Rec_CadDup WHERE CliDup=?") +
                          " AND (DatPgt Is Null or CondChq<>4) " + " ORDER BY DatVenc",
                      {QVariant::fromValue<qlonglong>(c.cliente)});
  rs.abre(e.StrSql, e.conexao());

  // Every selected receivable is debit; those due before the reference date
  // are listed as well when the status refuses overdue customers.
  QString atrasadas;
  Moeda debito;
  for (; !rs.EOF_(); rs.MoveNext()) {
    const QDate vencimento = rs["DatVenc"].toDate();
    if (ConfereAtraso(c.status) && vencimento.isValid() && vencimento < referencia) {
      if (atrasadas.isEmpty())
        atrasadas = "Cliente Com Duplicatas em Atraso !" + kCrLf + kLf +
                    "  Duplicata   - Par|          Valor| Dt Venc |Cond" + kCrLf + kLf;
      atrasadas += LinhaEmAtraso(rs);
    }
    debito += Moeda::deVariant(rs["ValDup"]);
  }
  FechaRs(rs);
  e.Mensagem = atrasadas + Restricoes(debito, c);
}

void VerificaDebitoMensal(TerminalState &e, const CreditoCliente &c, int64_t condicao) {
  // The month of the current year only: the same month of an earlier year is
  // not this month's debit.
  const QDate hoje = e.relogio().now().date();
  if (Liberado(e, c.cliente)) return;

  Recordset &rs = *e.RsGeral;
  e.StrSql = MontaSql(QStringLiteral(" SELECT Sum(ValPag) as Debito FROM EpnCpg ") +
                          " WHERE CliEpn=? And CpgPag=? AND MesEpn=? AND AnoEpn=? ",
                      {QVariant::fromValue<qlonglong>(c.cliente), QVariant::fromValue<qlonglong>(condicao),
                       hoje.month(), hoje.year()});
  rs.abre(e.StrSql, e.conexao());
  if (rs.EOF_()) {
    FechaRs(rs);
    e.Mensagem.clear();
    return;
  }
  const Moeda debito = Moeda::deVariant(rs["Debito"]);
  FechaRs(rs);
  e.Mensagem = Restricoes(debito, c);
}
