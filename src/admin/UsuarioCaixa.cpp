#include "admin/UsuarioCaixa.h"

#include <QRegularExpression>

#include "core/Database.h"

const QList<PermissaoCaixa> &PermissoesCaixa() {
  static const QList<PermissaoCaixa> lista = {
      // Start-up, login and the sale screen's load: parameters, operators
      // and their rights, the company, the sales block.
      {"SELECT", "TB_GER_PARAMETROS", true},
      {"SELECT", "TB_GER_USUARIOS", true},
      {"SELECT", "TB_GER_ROTUSU", true},
      {"SELECT", "TB_CTG_CADEMP", true},
      {"SELECT", "BLOQUEIA_VENDA", true},
      // The catalogue: read; only the stock committed to sales is written.
      {"SELECT", "TB_EST_CADPRO", true},
      {"UPDATE (PenVEst)", "TB_EST_CADPRO"},
      // The makers, behind the search's views; read by the local copy.
      {"SELECT", "TB_EST_CADFAB", true},
      {"SELECT", "TB_EST_DSCFPG", true},
      {"SELECT", "TB_EST_DSCGRUCLI", true},
      // Customers, their instalments (credit check), conditions, payment
      // forms, salespeople, carriers, vehicles, fiscal substitutions.
      {"SELECT", "TB_REC_CADCLI", true},
      {"SELECT", "TB_REC_CADDUP", true},
      {"SELECT", "TB_VDA_CONDPGT", true},
      {"SELECT", "TB_VDA_FORMPGT", true},
      {"SELECT", "TB_VDA_CADVEN", true},
      {"SELECT", "TB_VDA_CADTRAN", true},
      {"SELECT", "TB_VDA_CADVEI", true},
      {"SELECT", "TB_VDA_FISSUB", true},
      // The sales a desk records, the pre-sales it prints (claim marker,
      // coupon numbers, the dates of a payment change) and their payments,
      // which a payment change replaces.
      {"SELECT, INSERT, UPDATE", "TB_VDA_CADEPN"},
      {"SELECT, INSERT", "TB_VDA_CADEPNIT"},
      {"SELECT, INSERT, DELETE", "TB_VDA_EPNPAG"},
      {"SELECT, INSERT", "TB_VDA_CADNOT"},
      {"SELECT", "TB_VDA_OBSEPN"},
      // A credit release is read and consumed by the sale it was given for.
      {"SELECT, DELETE", "TB_GER_LIBERA"},
      // Logs: written, never read back by a desk.
      {"INSERT", "TB_GER_ACESSOS"},
      {"INSERT", "TB_GER_LOGSYS"},
      {"INSERT", "TB_GER_ERRVELT"},
      // Views of the search dialog, the pre-sale screens and the credit check.
      {"SELECT", "PROFAB"},
      {"SELECT", "PROFAB_ATIVO"},
      {"SELECT", "CADASTRO_EPN"},
      {"SELECT", "EPNCLIPRO"},
      {"SELECT", "FORMAPGTO"},
      {"SELECT", "FORMAPGTO1"},
      {"SELECT", "EPNCPG"},
      // The change log the desk's local copy is refreshed from
      // (pdv-admin create-db and prepare-copy make it).
      {"SELECT", "TB_PDV_MUDANCAS"},
      {"USAGE", "SEQUENCE GEN_PDV_MUDANCAS"},
      // Sale numbers, access numbers, error-log numbers.
      {"USAGE", "SEQUENCE NUMEPN"},
      {"USAGE", "SEQUENCE NUMACESSO"},
      {"USAGE", "SEQUENCE NUMERRO"},
  };
  return lista;
}

QString NomeUsuarioCaixaInvalido(const QString &nome, const QString &dono) {
  static const QRegularExpression forma(QStringLiteral("^[A-Za-z][A-Za-z0-9_]{0,30}$"));
  if (!forma.match(nome).hasMatch())
    return QStringLiteral("o usuário dos caixas \"%1\" precisa começar por uma letra e ter só letras, "
                          "algarismos e \"_\" (até 31).")
        .arg(nome);
  const QString maiusculo = nome.toUpper();
  if (maiusculo == "SYSDBA")
    return QStringLiteral("os caixas não usam o SYSDBA: dê um usuário próprio (ex.: CAIXAS).");
  if (maiusculo == "PUBLIC") return QStringLiteral("PUBLIC não é um usuário (são todos).");
  if (maiusculo == dono.trimmed().toUpper())
    return QStringLiteral("o usuário dos caixas não pode ser o dono do banco (%1).").arg(dono);
  return {};
}

QString SenhaUsuarioCaixaInvalida(const QString &senha) {
  if (senha.isEmpty()) return QStringLiteral("a senha do usuário dos caixas não pode ficar vazia.");
  if (senha.contains(';'))
    return QStringLiteral("a senha do usuário dos caixas não pode conter \";\" (o separador da conexão com "
                          "o banco de dados).");
  for (const QChar ch : senha)
    if (ch.unicode() < 0x20 || ch.unicode() == 0x7f)
      return QStringLiteral("a senha do usuário dos caixas não pode conter caracteres de controle.");
  return {};
}

void PreparaUsuarioCaixa(ConexaoBanco &conexao, const QString &nome, const QString &senha, bool *jaExistia) {
  // The name was checked to be a plain identifier: unquoted, the server
  // keeps it in capitals.
  const QString usuario = nome.toUpper();
  Recordset rs;
  rs.abre("SELECT COUNT(*) FROM SEC$USERS WHERE SEC$USER_NAME = '" + usuario + "'", conexao);
  *jaExistia = !rs.EOF_() && rs.campo(0).toLongLong() > 0;
  rs.fecha();
  const QString literal = "'" + QString(senha).replace('\'', "''") + "'";
  conexao.executa((*jaExistia ? "ALTER USER " : "CREATE USER ") + usuario + " PASSWORD " + literal);
  for (const PermissaoCaixa &p : PermissoesCaixa())
    conexao.executa("GRANT " + p.direitos + " ON " + p.objeto + " TO USER " + usuario);
}
