#include <gtest/gtest.h>

#include <QDateTime>

#include "core/Database.h"
#include "core/Utilidades.h"
#include "payment/Credito.h"
#include "platform/Host.h"
#include "support/TestSupport.h"

// The demo customers: 1 status 1 (limit 1.500,00), 2 status 2 (500,00), 3
// status 3 (800,00), 4 blocked (3.000,00), 6 status 1 (600,00) on the
// agreement condition 8. Their receivables and sales are dated from the
// day the demo database was made, so the working date is the server's.
namespace {

const QString kAtraso = "Cliente Com Duplicatas em Atraso !\r\n\n"
                        "  Duplicata   - Par|          Valor| Dt Venc |Cond\r\n\n";
const QString kBloqueado = "Crédito Bloqueado !\r\n";
constexpr int kOperador = 7;
constexpr int kConvenio = 8;

QString AcimaDoLimite(const QString &debito, const QString &compra, const QString &credito) {
  return "\nAcima do Limite !\r\n\n"
         "Débito..:\t" + debito + "\r\n"
         "Compra..:\t" + compra + "\r\n"
         "Crédito.:\t" + credito + "\r\n";
}

struct Credito : ::testing::Test {
  TerminalState estado;
  platform::FixedClock relogio{QDateTime()};
  QDate hoje;
  QStringList desfazer;  // statements that remove what a test added

  void SetUp() override {
    testsupport::conectaAoDemo(estado);
    const QDateTime agora =
        testsupport::consultaNoDemo("SELECT CURRENT_TIMESTAMP FROM RDB$DATABASE").toDateTime();
    relogio.set(agora);
    estado.usaRelogio(relogio);
    hoje = agora.date();
    estado.DataSistema = hoje;
    estado.CodUsuario = kOperador;
  }
  void TearDown() override {
    for (const QString &sql : desfazer) testsupport::executaNoDemo(sql);
  }
  void acrescenta(const QString &sql, const QString &remocao) {
    desfazer.prepend(remocao);
    testsupport::executaNoDemo(sql);
  }
  void acrescentaDuplicata(int cliente, const QString &codigo, const QString &valor, int diasVenc,
                           const QString &pagamento, int condChq) {
    acrescenta(QString("INSERT INTO TB_REC_CADDUP (CliDup, CodDup, NUMPAR, ValDup, DatVenc, DatPgt, CondChq) "
                       "VALUES (%1, '%2', 1, %3, DATEADD(%4 DAY TO CURRENT_DATE), %5, %6)")
                   .arg(cliente).arg(codigo, valor).arg(diasVenc).arg(pagamento).arg(condChq),
               QString("DELETE FROM TB_REC_CADDUP WHERE CliDup=%1 AND CodDup='%2'").arg(cliente).arg(codigo));
  }
  void libera(int operador, int cliente) {
    acrescenta(QString("INSERT INTO TB_GER_LIBERA (USUARIO, INFO) VALUES (%1, %2)").arg(operador).arg(cliente),
               QString("DELETE FROM TB_GER_LIBERA WHERE USUARIO=%1 AND INFO=%2").arg(operador).arg(cliente));
  }

  // The customer's row as the payment screen reads it.
  CreditoCliente cliente(int codigo, const QString &totalVenda) {
    Recordset rs;
    rs.abre(QString("SELECT LimCli, CreCli FROM TB_REC_CADCLI WHERE CodCli=%1").arg(codigo), estado.conexao());
    const std::optional<Moeda> total = Moeda::deTexto(totalVenda);
    EXPECT_TRUE(total) << totalVenda.toStdString();
    return CreditoCliente{codigo, ParaMoeda(rs["LimCli"]), static_cast<int>(ParaNumero(rs["CreCli"])),
                          total.value_or(Moeda())};
  }
  // The refusal, or "aceito".
  static QString veredito(const std::optional<QString> &recusa) {
    if (recusa) {
      EXPECT_FALSE(recusa->isEmpty());
    }
    return recusa.value_or(QStringLiteral("aceito"));
  }
  QString credito(int codigo, const QString &totalVenda) {
    return veredito(VerificaCredito(estado, cliente(codigo, totalVenda)));
  }
  QString debitoMensal(int codigo, const QString &totalVenda) {
    return veredito(VerificaDebitoMensal(estado, cliente(codigo, totalVenda), kConvenio));
  }
  QString data(int dias) const { return hoje.addDays(dias).toString("dd/MM/yy"); }
};

}  // namespace

// Customer 1 owes 600,00 + 400,00 open and 250,00 paid with a cheque not yet
// settled (CondChq 1): 1.250,00. The settled 300,00 (CondChq 4) is not debit.
TEST_F(Credito, LimitStatusRefusesOnlyAboveTheLimitAndNeverForOverdue) {
  // 1.250,00 + 250,00 is the limit exactly; the 250,00 due 20 days ago is not listed.
  EXPECT_EQ(credito(1, "250,00"), "aceito");
  EXPECT_EQ(credito(1, "250,01"), AcimaDoLimite("____1.250,00", "______250,01", "____1.500,00"));
}

TEST_F(Credito, WhichReceivablesCount) {
  // A settled cheque still unpaid is open debit; a settled paid one is not.
  acrescentaDuplicata(1, "T00001", "0.01", 60, "NULL", 4);
  acrescentaDuplicata(1, "T00002", "99.00", 60, "CURRENT_DATE", 4);
  EXPECT_EQ(credito(1, "250,00"), AcimaDoLimite("____1.250,01", "______250,00", "____1.500,00"));
  EXPECT_EQ(credito(1, "249,99"), "aceito");
}

TEST_F(Credito, OverdueStatusListsWhatIsDueBeforeFiveDaysAheadAndIgnoresTheLimit) {
  // 361,00 owed against a 500,00 limit, with a sale far above it.
  EXPECT_EQ(credito(2, "9.999,99"),
            kAtraso + QString("         000402- 1 |       180,50 | %1|0\r\n"
                              "         000402- 2 |       180,50 | %2|0\r\n")
                          .arg(data(-10), data(3)));
}

TEST_F(Credito, BothStatusListsOverdueAndChecksTheLimit) {
  // Due on the working date + 4 is overdue, + 5 is not.
  acrescentaDuplicata(3, "T00003", "100.00", 4, "NULL", 0);
  acrescentaDuplicata(3, "T00004", "100.00", 5, "NULL", 0);
  const QString lista = kAtraso + QString("         T00003- 1 |       100,00 | %1|0\r\n").arg(data(4));
  // 350,00 + 100,00 + 100,00 owed, 800,00 limit.
  EXPECT_EQ(credito(3, "250,00"), lista);
  EXPECT_EQ(credito(3, "250,01"), lista + AcimaDoLimite("______550,00", "______250,01", "______800,00"));
}

TEST_F(Credito, OnlyTheLimitWhenNothingIsOverdue) {
  // Customer 3's own receivables: 350,00 due in 30 days.
  EXPECT_EQ(credito(3, "450,00"), "aceito");
  EXPECT_EQ(credito(3, "1.450,00"), AcimaDoLimite("______350,00", "____1.450,00", "______800,00"));
}

TEST_F(Credito, BlockedIsRefusedWhateverItOwesUnlessReleasedForThisOperator) {
  // 2.400,00 overdue and above the 3.000,00 limit: only the block is shown.
  EXPECT_EQ(credito(4, "700,01"), kBloqueado);
  EXPECT_EQ(debitoMensal(4, "700,01"), kBloqueado);

  libera(kOperador + 1, 4);
  EXPECT_EQ(credito(4, "700,01"), kBloqueado);

  libera(kOperador, 4);
  EXPECT_EQ(credito(4, "700,01"), "aceito");
  EXPECT_EQ(debitoMensal(4, "700,01"), "aceito");
  // The release is for that customer only.
  EXPECT_EQ(credito(1, "250,01"), AcimaDoLimite("____1.250,00", "______250,01", "____1.500,00"));
}

// Customer 6 bought 41,24 + 450,00 with condition 8 this month; limit 600,00.
TEST_F(Credito, MonthlyLimitCountsThisMonthOfThisYearOnly) {
  EXPECT_EQ(debitoMensal(6, "108,76"), "aceito");
  EXPECT_EQ(debitoMensal(6, "108,77"), AcimaDoLimite("______491,24", "______108,77", "______600,00"));

  // The same month a year ago (month 'MesEpn' alike) is not this month's debit.
  acrescenta("INSERT INTO TB_VDA_CADEPN (CodEpn, CliEpn, DtcEpn, DtlEpn, StaEpn, TotEpn, MesEpn) "
             "VALUES (900001, 6, DATEADD(-1 YEAR TO CURRENT_TIMESTAMP), DATEADD(-1 YEAR TO CURRENT_TIMESTAMP), "
             "1, 500.00, EXTRACT(MONTH FROM DATEADD(-1 YEAR TO CURRENT_DATE)))",
             "DELETE FROM TB_VDA_CADEPN WHERE CodEpn=900001");
  acrescenta("INSERT INTO TB_VDA_EPNPAG (EPNPAG, CPGPAG, CVNPAG, VALPAG, EMIPAG, DTVPAG) "
             "VALUES (900001, 8, 1, 500.00, '30', DATEADD(-1 YEAR TO CURRENT_DATE))",
             "DELETE FROM TB_VDA_EPNPAG WHERE EPNPAG=900001");
  ASSERT_EQ(testsupport::consultaNoDemo("SELECT COUNT(*) FROM EPNCPG WHERE EpnPag=900001").toInt(), 1);
  EXPECT_EQ(debitoMensal(6, "108,76"), "aceito");

  // This year's sales in that month do count.
  acrescenta("INSERT INTO TB_VDA_CADEPN (CodEpn, CliEpn, DtcEpn, DtlEpn, StaEpn, TotEpn, MesEpn) "
             "VALUES (900002, 6, CURRENT_TIMESTAMP, CURRENT_TIMESTAMP, 1, 0.01, EXTRACT(MONTH FROM CURRENT_DATE))",
             "DELETE FROM TB_VDA_CADEPN WHERE CodEpn=900002");
  acrescenta("INSERT INTO TB_VDA_EPNPAG (EPNPAG, CPGPAG, CVNPAG, VALPAG, EMIPAG, DTVPAG) "
             "VALUES (900002, 8, 1, 0.01, '30', CURRENT_DATE)",
             "DELETE FROM TB_VDA_EPNPAG WHERE EPNPAG=900002");
  EXPECT_EQ(debitoMensal(6, "108,76"), AcimaDoLimite("______491,25", "______108,76", "______600,00"));
}

TEST(CreditoSemBanco, ADatabaseFailureIsNeverAnAcceptance) {
  TerminalState estado;  // never connected
  const CreditoCliente bloqueado{4, Moeda::deInteiro(3000), 4, Moeda::deInteiro(1)};
  EXPECT_THROW((void)VerificaCredito(estado, bloqueado), ErroBanco);
  EXPECT_THROW((void)VerificaDebitoMensal(estado, bloqueado, kConvenio), ErroBanco);
}
