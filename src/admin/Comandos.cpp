#include "admin/Comandos.h"

#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <csignal>
#include <functional>
#include <optional>

#include "admin/BancoAdmin.h"
#include "admin/DadosDemo.h"
#include "admin/Opcoes.h"
#include "admin/Operadores.h"
#include "admin/UsuarioCaixa.h"
#include "contingency/CopiaLocal.h"
#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/IndiceProdutos.h"
#include "core/TerminalState.h"
#include "core/Tributacao.h"
#include "core/Utilidades.h"
#include "fiscal/InstalaSimulador.h"

namespace {

// The folder and file names of a drive made by init-drive.
constexpr const char *PastaSistema = "kw-velt";
constexpr const char *ArquivoBanco = "dados.fdb";
constexpr const char *ArquivoConfig = "default.txt";

struct Contexto {
  QTextStream &saida;
  QTextStream &erros;
  int falha(const QString &mensagem) {
    erros << "pdv-admin: " << mensagem << "\n";
    erros.flush();
    return SaidaFalha;
  }
  int uso(const QString &mensagem) {
    erros << "pdv-admin: " << mensagem << "\n";
    erros.flush();
    return SaidaUso;
  }
  void relata(const QString &linha) {
    saida << linha << "\n";
    saida.flush();
  }
};

// "--products N": a whole number from 0 up.
std::optional<qint64> quantidadeProdutos(const LinhaComando &linha, QString *erro) {
  const QString texto = linha.valor("products", "0");
  bool ok = false;
  const qint64 n = texto.toLongLong(&ok);
  if (!ok || n < 0 || n > 100000000) {
    *erro = "--products precisa de um número inteiro entre 0 e 100000000 (recebido: " + texto + ").";
    return std::nullopt;
  }
  return n;
}

bool marcaConhecida(const QString &marca) {
  const QString m = marca.trimmed().toUpper();
  return m == "BEMATECH" || m == "SWEDA" || m == "EPSON";
}

// The suite's outside programs the terminal starts (calculator, the six
// modules, the pre-sale release and cancellation programs, the grid export's viewers) are
// not part of it: a demo drive gets stand-ins at their paths that append how
// they were started to kw-velt/programas.log, so a tester sees what ran.
const QStringList &programasSubstitutos() {
  static const QStringList nomes = {"calculadora.exe", "contabil.exe", "receber.exe", "pagar.exe",
                                    "estoque.exe",     "vendas.exe",   "compras.exe", "cancelaprevenda.exe", "liberaprevenda.exe",
                                    "excel.exe",       "theworld.exe"};
  return nomes;
}

bool instalaSubstitutos(const QString &pasta, QString *erro) {
  const QByteArray script =
      "#!/bin/sh\n"
      "# Stand-in for a program of the suite: records how the terminal started it.\n"
      "echo \"$(date '+%Y-%m-%d %H:%M:%S') $(basename \"$0\") $*\" >> \"$(dirname \"$0\")/programas.log\"\n";
  for (const QString &nome : programasSubstitutos()) {
    QFile f(pasta + "/" + nome);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(script) != script.size()) {
      *erro = "não foi possível gravar " + f.fileName() + ": " + f.errorString();
      return false;
    }
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther);
  }
  return true;
}

// The rates the catalogue sends to the printer, so the drive's simulated
// printer is programmed for every product it sells.
QList<int> aliquotasDoBanco(const AlvoBanco &alvo) {
  ConexaoBanco conexao;
  conexao.abre(StringConexaoDe(alvo));
  Recordset rs;
  rs.abre("Select Distinct TribPro, Deb512Cto, Deb612Cto, RedCto From Tb_Est_CadPro", conexao);
  QList<DadosTributacao> produtos;
  for (; !rs.EOF_(); rs.MoveNext())
    produtos.append({SemNulo(rs["TribPro"]).toString().trimmed(), ParaMoeda(rs["Deb512Cto"]),
                     ParaMoeda(rs["Deb612Cto"]), ParaMoeda(rs["RedCto"]), QString()});
  return AliquotasDoCatalogo(produtos);
}

// Texts that end up inside a connection string ("...;UID=user;PWD=password")
// cannot hold its separator: "x;DATA SOURCE=other.fdb" as a password would
// point the desk at another database. "" when all are clean.
QString semPontoEVirgula(const QList<std::pair<QString, QString>> &textos) {
  for (const auto &[opcao, texto] : textos)
    if (texto.contains(';'))
      return opcao + " não pode conter \";\" (o separador da conexão com o banco de dados).";
  return {};
}

// The configuration file is read line by line: a text holding a line break
// would write lines of its own (another connection, another desk). The desk
// identifier is recorded with every sale in columns ten characters wide
// (NfsEpn, SerNot): a longer one would make every sale of the desk one the
// database refuses. "" when all are clean.
constexpr int LarguraCaixa = 10;
QString textosDaConfiguracao(const QList<std::pair<QString, QString>> &textos, const QString &caixa) {
  for (const auto &[opcao, texto] : textos)
    for (const QChar ch : texto)
      if (ch.unicode() < 0x20 || ch.unicode() == 0x7f || ch == QChar::LineSeparator ||
          ch == QChar::ParagraphSeparator)
        return opcao + " não pode conter quebras de linha nem caracteres de controle.";
  const QString desk = caixa.trimmed();
  if (desk.isEmpty()) return QStringLiteral("--desk não pode ficar vazio.");
  if (desk.size() > LarguraCaixa)
    return QStringLiteral("--desk \"%1\" tem %2 caracteres; o caixa cabe em %3 (as vendas o gravam numa coluna "
                          "de %3 caracteres).")
        .arg(desk)
        .arg(desk.size())
        .arg(LarguraCaixa);
  return {};
}

// ------------------------------------------------------------------ product-index

// The desk's index of product descriptions (core/IndiceProdutos) for the
// database a connection string names, written into a drive's folder.
constexpr const char *ArquivoIndice = "produtos.idx";

bool gravaIndice(const QString &stringConexao, const QString &pasta, Contexto &c, QString *erro) {
  try {
    ConexaoBanco conexao;
    // Sorting a whole catalogue may take longer than a desk's bound on a call.
    conexao.defineLimites(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    conexao.abre(stringConexao);
    return GravaIndiceProdutos(conexao, pasta + "/" + ArquivoIndice, erro, [&](qint64 n) {
      if (n >= 100000) c.relata("Índice de produtos: " + QString::number(n) + " produtos.");
    });
  } catch (const ErroBanco &e) {
    *erro = "não foi possível ler os produtos: " + e.descricao();
    return false;
  }
}

int productIndex(const LinhaComando &linha, Contexto &c) {
  const QString raiz = QFileInfo(linha.posicionais[0]).absoluteFilePath();
  const QString pasta = raiz + "/" + PastaSistema;
  if (!QFile::exists(pasta + "/" + ArquivoConfig)) return c.falha("não há drive em " + raiz + " (falta " + pasta + "/" + ArquivoConfig + ").");
  qputenv("PDV_DRIVE", raiz.toUtf8());
  TerminalState estado;
  if (!LeArquivoConfig(estado)) return c.falha("não foi possível ler " + pasta + "/" + ArquivoConfig);
  EscolheConexao(estado, estado.StrConexao);
  QString erro;
  if (!gravaIndice(estado.StrConexao + ";UID=" + estado.UsuarioBanco + ";PWD=" + estado.SenhaBanco, pasta, c, &erro))
    return c.falha(erro);
  c.relata("Índice de produtos gravado: " + pasta + "/" + ArquivoIndice);
  return SaidaOk;
}

// ------------------------------------------------------------------ init-drive

// The drive is made in a hidden folder beside its place and moved there in
// one step at the end: a run that fails or is interrupted leaves nothing the
// next run would refuse (leftovers of killed runs are removed first).
// Interrupted (Ctrl+C, kill), the half-made folder is removed before the
// process ends: the handler may only fork and exec, so "rm -rf" does it.
char pastaParaRemover[4096];

extern "C" void removeObraEEncerra(int sinal) {
#ifdef Q_OS_UNIX
  // vfork, not fork: fork runs the atfork handlers the database engine's
  // threads registered, which may wait on a lock one of those threads holds
  // at the moment of the signal (an interrupted run then hung for good).
  const pid_t filho = vfork();
  if (filho == 0) {
    execl("/bin/rm", "rm", "-rf", pastaParaRemover, static_cast<char *>(nullptr));
    _exit(127);
  }
  if (filho > 0) waitpid(filho, nullptr, 0);
  signal(sinal, SIG_DFL);
  raise(sinal);
#else
  Q_UNUSED(sinal);
#endif
}

class DriveEmConstrucao {
 public:
  explicit DriveEmConstrucao(const QString &raiz)
      : raiz_(raiz), temporaria_(raiz + "/.init-drive-" + QString::number(QCoreApplication::applicationPid())) {
    QDir dir(raiz_);
    for (const QString &sobra : dir.entryList({".init-drive-*"}, QDir::Dirs | QDir::Hidden))
      QDir(dir.filePath(sobra)).removeRecursively();
    const QByteArray caminho = QFile::encodeName(temporaria_);
    qstrncpy(pastaParaRemover, caminho.constData(), sizeof pastaParaRemover);
#ifdef Q_OS_UNIX
    for (int s : {SIGINT, SIGTERM, SIGHUP}) signal(s, removeObraEEncerra);
#endif
  }
  ~DriveEmConstrucao() {
#ifdef Q_OS_UNIX
    for (int s : {SIGINT, SIGTERM, SIGHUP}) signal(s, SIG_DFL);
#endif
    QDir(temporaria_).removeRecursively();
  }
  const QString &raiz() const { return temporaria_; }
  // Moves the finished system folder into place.
  bool conclui(QString *erro) {
    const QString destino = raiz_ + "/" + PastaSistema;
    QDir().rmdir(destino);  // an empty folder made beforehand gives way
    if (!QDir().rename(temporaria_ + "/" + PastaSistema, destino)) {
      *erro = "não foi possível pôr o drive no lugar: " + destino;
      return false;
    }
    return true;
  }

 private:
  QString raiz_, temporaria_;
};

// Why no drive can be made in DIR ("" when one can): a system folder that
// already holds anything (a drive, a database, another desk's files).
QString pastaDoDriveOcupada(const QString &pastaFinal) {
  if (QFileInfo::exists(pastaFinal + "/" + ArquivoBanco))
    return "o drive já tem um banco de dados: " + pastaFinal + "/" + ArquivoBanco;
  if (QFileInfo::exists(pastaFinal) && !QDir(pastaFinal).isEmpty())
    return "a pasta " + pastaFinal + " já existe e não está vazia; escolha outro drive ou esvazie-a";
  return {};
}

// Installs the drive's simulated printer with the catalogue's rates; the
// line that tells how it went (a failure is a warning: the drive still
// works with a vendor's library put in its place).
QString instalaSimuladorRelatando(const QString &raizObra, const QString &serie, const QList<int> &aliquotas) {
  QString erro;
#ifdef PDV_COM_SIMULADOR
  if (InstalaSimuladorNoDrive(raizObra, serie, &erro, aliquotas)) {
    QStringList taxas;
    for (int a : aliquotas) taxas << Moeda::deCentavos(a).formatada();
    return "Simulador da impressora fiscal instalado" +
           (taxas.isEmpty() ? QString(".") : ", alíquotas " + taxas.join(" ") + ".");
  }
#else
  Q_UNUSED(raizObra);
  Q_UNUSED(serie);
  Q_UNUSED(aliquotas);
  erro = "esta versão do pdv-admin foi compilada sem o simulador da impressora fiscal.";
#endif
  return "Aviso: simulador não instalado: " + erro;
}

int initDrive(const LinhaComando &linha, Contexto &c) {
  QString erro;
  const auto produtos = quantidadeProdutos(linha, &erro);
  if (!produtos) return c.uso(erro);
  const QString raiz = QFileInfo(linha.posicionais[0]).absoluteFilePath();
  if (const QString porque = semPontoEVirgula({{"DIR", raiz},
                                               {"--user", linha.valor("user", "SYSDBA")},
                                               {"--password", linha.valor("password", "masterkey")}});
      !porque.isEmpty())
    return c.uso("init-drive: " + porque);
  if (const QString porque = textosDaConfiguracao({{"DIR", raiz},
                                                   {"--user", linha.valor("user", "SYSDBA")},
                                                   {"--password", linha.valor("password", "masterkey")},
                                                   {"--desk", linha.valor("desk", "001")}},
                                                  linha.valor("desk", "001"));
      !porque.isEmpty())
    return c.uso("init-drive: " + porque);
  const QString pastaFinal = raiz + "/" + PastaSistema;
  const QString bancoFinal = pastaFinal + "/" + ArquivoBanco;
  if (const QString porque = pastaDoDriveOcupada(pastaFinal); !porque.isEmpty()) return c.falha(porque);
  if (!QDir().mkpath(raiz)) return c.falha("não foi possível criar a pasta " + raiz);
  DriveEmConstrucao obra(raiz);
  const QString pasta = obra.raiz() + "/" + PastaSistema;
  const QString banco = pasta + "/" + ArquivoBanco;
  if (!QDir().mkpath(pasta)) return c.falha("não foi possível criar a pasta " + pasta);

  LinhasConfig config;
  config.linha1 = "PDV-VELT - drive criado pelo pdv-admin";
  config.conexao = "TIPO=1;DATA SOURCE=" + bancoFinal;
  config.usuario = linha.valor("user", "SYSDBA");
  config.senha = linha.valor("password", "masterkey");
  config.caixa = linha.valor("desk", "001");
  config.identificacaoEcf = SerieSimuladorPadrao;
  config.marcaEcf = "BEMATECH";
  if (!EscreveArquivoConfig(pasta + "/" + ArquivoConfig, config, &erro)) return c.falha(erro);

  PedidoBanco pedido;
  pedido.alvo = {banco, config.usuario, config.senha};
  pedido.demo = linha.tem("demo");
  pedido.produtosExtras = *produtos;
  if (!MontaBanco(pedido, [&](const QString &l) { c.relata(l); }, &erro)) return c.falha(erro);

  QList<int> aliquotas;
  try {
    aliquotas = aliquotasDoBanco(pedido.alvo);
  } catch (const ErroBanco &e) {
    return c.falha("não foi possível ler as alíquotas do catálogo: " + e.descricao());
  }
  if (!gravaIndice(StringConexaoDe(pedido.alvo), pasta, c, &erro)) return c.falha(erro);
  QStringList avisos{instalaSimuladorRelatando(obra.raiz(), SerieSimuladorPadrao, aliquotas)};
  if (pedido.demo) {
    if (!instalaSubstitutos(pasta, &erro)) return c.falha(erro);
    // The login screen of a demo drive tells how to log in.
    if (!OperadoresDemo().isEmpty()) {
      const OperadorDemo &o = OperadoresDemo().first();
      QFile nota(pasta + "/demo.txt");
      if (!nota.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
          nota.write(QStringLiteral("Demonstração: operador %1, senha %2").arg(o.codigo).arg(o.senha).toUtf8()) < 0)
        return c.falha("não foi possível gravar " + nota.fileName());
    }
    avisos << "Programas substitutos gravados em " + pastaFinal + " (registro: programas.log).";
  }
  if (!obra.conclui(&erro)) return c.falha(erro);
  c.relata("Configuração gravada: " + pastaFinal + "/" + ArquivoConfig);
  for (const QString &a : avisos) c.relata(a);
  c.relata("Drive pronto: " + raiz);
  return SaidaOk;
}

// ------------------------------------------------------------------ write-config

int writeConfig(const LinhaComando &linha, Contexto &c) {
  if (!linha.valores.contains("connection")) return c.uso("write-config: falta --connection.");
  LinhasConfig config;
  config.linha1 = linha.valor("line1", "PDV-VELT");
  config.conexao = linha.valor("connection");
  config.usuario = linha.valor("user", "SYSDBA");
  config.senha = linha.valor("password", "masterkey");
  config.caixa = linha.valor("desk", "001");
  config.identificacaoEcf = linha.valor("ecf-id");
  config.marcaEcf = linha.valor("brand", "BEMATECH").trimmed().toUpper();
  if (!marcaConhecida(config.marcaEcf))
    return c.uso("write-config: marca desconhecida \"" + config.marcaEcf +
                 "\" (use BEMATECH, SWEDA ou EPSON).");
  if (const QString porque = semPontoEVirgula({{"--user", config.usuario}, {"--password", config.senha}});
      !porque.isEmpty())
    return c.uso("write-config: " + porque);
  if (const QString porque = textosDaConfiguracao({{"--line1", config.linha1},
                                                   {"--connection", config.conexao},
                                                   {"--user", config.usuario},
                                                   {"--password", config.senha},
                                                   {"--desk", config.caixa},
                                                   {"--ecf-id", config.identificacaoEcf}},
                                                  config.caixa);
      !porque.isEmpty())
    return c.uso("write-config: " + porque);
  const QString arquivo = QFileInfo(linha.posicionais[0]).absoluteFilePath();
  QString erro;
  if (!QDir().mkpath(QFileInfo(arquivo).absolutePath()))
    return c.falha("não foi possível criar a pasta de " + arquivo);
  if (!EscreveArquivoConfig(arquivo, config, &erro)) return c.falha(erro);
  c.relata("Configuração gravada: " + arquivo);
  return SaidaOk;
}

// ------------------------------------------------------------------ user

std::optional<int> codigoOperador(const LinhaComando &linha) {
  bool ok = false;
  const int codigo = linha.valor("code").toInt(&ok);
  if (!ok || codigo < 0 || codigo > 32767) return std::nullopt;
  return codigo;
}

int user(const LinhaComando &linha, Contexto &c) {
  const auto codigo = codigoOperador(linha);
  if (!codigo) return c.uso("user: --code precisa de um número de 0 a 32767.");
  Operador op;
  op.codigo = *codigo;
  op.nome = linha.valorOpcional("name");
  op.senha = linha.valorOpcional("password");
  op.direitoCaixa = !linha.tem("no-desk-right");
  if (const QString porque = TextoNaoArmazenavel(op); !porque.isEmpty()) return c.falha("user: " + porque);
  AlvoBanco alvo{linha.posicionais[0], linha.valor("db-user", "SYSDBA"),
                 linha.valor("db-password", "masterkey")};
  if (const QString porque = semPontoEVirgula({{"--db-user", alvo.usuario}, {"--db-password", alvo.senha}});
      !porque.isEmpty())
    return c.uso("user: " + porque);
  if (!EhBancoEmServidor(alvo.banco)) {
    if (!QFileInfo::exists(alvo.banco)) return c.falha("banco de dados não encontrado: " + alvo.banco);
    alvo.banco = QFileInfo(alvo.banco).absoluteFilePath();
  }
  try {
    ConexaoBanco conexao;
    conexao.abre(StringConexaoDe(alvo));
    QString erro;
    if (!GravaOperador(conexao, op, &erro)) return c.uso("user: " + erro);
  } catch (const ErroBanco &e) {
    return c.falha(e.descricao());
  }
  c.relata(QString("Operador %1 gravado (%2 ao terminal de caixa).")
               .arg(op.codigo)
               .arg(op.direitoCaixa ? "com acesso" : "sem acesso"));
  return SaidaOk;
}

// ------------------------------------------------------------------ create-db

int createDb(const LinhaComando &linha, Contexto &c) {
  QString erro;
  const auto produtos = quantidadeProdutos(linha, &erro);
  if (!produtos) return c.uso(erro);
  PedidoBanco pedido;
  pedido.alvo = {linha.posicionais[0], linha.valor("user", "SYSDBA"),
                 linha.valor("password", "masterkey")};
  if (const QString porque = semPontoEVirgula(
          {{"TARGET", pedido.alvo.banco}, {"--user", pedido.alvo.usuario}, {"--password", pedido.alvo.senha}});
      !porque.isEmpty())
    return c.uso("create-db: " + porque);
  const auto usuarioCaixa = linha.valorOpcional("desk-user");
  const auto senhaCaixa = linha.valorOpcional("desk-password");
  if (usuarioCaixa.has_value() != senhaCaixa.has_value())
    return c.uso("create-db: --desk-user e --desk-password vão juntos.");
  if (usuarioCaixa) {
    if (!EhBancoEmServidor(pedido.alvo.banco))
      return c.uso("create-db: --desk-user só vale para um banco num servidor (host:caminho ou "
                   "host/porta:caminho); um arquivo local é aberto sem servidor e sem usuários.");
    if (const QString porque = NomeUsuarioCaixaInvalido(*usuarioCaixa, pedido.alvo.usuario); !porque.isEmpty())
      return c.uso("create-db: " + porque);
    if (const QString porque = SenhaUsuarioCaixaInvalida(*senhaCaixa); !porque.isEmpty())
      return c.uso("create-db: " + porque);
  }
  pedido.demo = linha.tem("demo");
  pedido.produtosExtras = *produtos;
  if (!MontaBanco(pedido, [&](const QString &l) { c.relata(l); }, &erro)) return c.falha(erro);

  // The change log the desks' local copies are refreshed from, then the
  // desks' user (whose rights include reading that log).
  const QString nome = usuarioCaixa.value_or(QString()).toUpper();
  bool jaExistia = false;
  int gatilhos = 0;
  bool usuarioEmPreparo = false;
  try {
    ConexaoBanco conexao;
    AlvoBanco alvo = pedido.alvo;
    if (!EhBancoEmServidor(alvo.banco)) alvo.banco = QFileInfo(alvo.banco).absoluteFilePath();
    conexao.abre(StringConexaoDe(alvo));
    gatilhos = PreparaMudancasServidor(conexao);
    usuarioEmPreparo = true;
    if (usuarioCaixa) PreparaUsuarioCaixa(conexao, nome, *senhaCaixa, &jaExistia);
  } catch (const ErroBanco &e) {
    // The connection is closed by now: the half-made database goes, so the
    // same command can be run again once the cause is fixed.
    QString erroApaga;
    const QString depois = ApagaBanco(pedido.alvo, &erroApaga)
                               ? "O banco criado foi apagado; corrija e execute o comando de novo."
                               : "O banco criado ficou sem " +
                                     QString(usuarioEmPreparo ? "o usuário dos caixas" : "o registro de mudanças") +
                                     ": " + erroApaga;
    return c.falha((usuarioEmPreparo ? "não foi possível preparar o usuário dos caixas " + nome
                                     : QStringLiteral("não foi possível criar o registro de mudanças")) +
                   ": " + e.descricao() + "\n" + depois);
  }
  c.relata(QString("Registro de mudanças para as cópias locais dos caixas: %1 tabelas acompanhadas.").arg(gatilhos));
  if (!usuarioCaixa) return SaidaOk;
  c.relata(jaExistia ? "O usuário " + nome + " já existia no servidor: a senha dele foi trocada pela informada."
                     : "Usuário dos caixas criado no servidor: " + nome + ".");
  c.relata(QString("Permissões de %1 no banco: %2 concessões (leitura dos cadastros; gravação das vendas, do "
                   "estoque pendente e dos registros).")
               .arg(nome)
               .arg(PermissoesCaixa().size()));
  return SaidaOk;
}

// ------------------------------------------------------------------ add-desk

// The serial of a desk's simulated printer: the desk's number at the end, so
// each desk of a shop has a printer of its own.
QString serieSimuladorDoCaixa(const QString &caixa) {
  const QString padrao = SerieSimuladorPadrao;
  return padrao.left(padrao.size() - caixa.size()) + caixa;
}

int addDesk(const LinhaComando &linha, Contexto &c) {
  for (const char *obrigatoria : {"server", "desk", "user", "password"})
    if (!linha.valores.contains(obrigatoria)) return c.uso(QString("add-desk: falta --%1.").arg(obrigatoria));
  const QString raiz = QFileInfo(linha.posicionais[0]).absoluteFilePath();
  const QString servidor = linha.valor("server").trimmed();
  const QString caixa = linha.valor("desk").trimmed();
  const QString usuario = linha.valor("user");
  const QString senha = linha.valor("password");
  if (!EhBancoEmServidor(servidor))
    return c.uso("add-desk: --server precisa do banco num servidor Firebird, host:caminho ou "
                 "host/porta:caminho (recebido: \"" + servidor + "\").");
  static const QRegularExpression tresAlgarismos(QStringLiteral("^[0-9]{3}$"));
  if (!tresAlgarismos.match(caixa).hasMatch())
    return c.uso("add-desk: --desk precisa de três algarismos, como 001 (recebido: \"" + caixa + "\").");
  if (const QString porque = NomeUsuarioCaixaInvalido(usuario, {}); !porque.isEmpty())
    return c.uso("add-desk: " + porque);
  const auto marca = linha.valorOpcional("brand");
  const auto serie = linha.valorOpcional("ecf-id");
  if (marca && !marcaConhecida(*marca))
    return c.uso("add-desk: marca desconhecida \"" + *marca + "\" (use BEMATECH, SWEDA ou EPSON).");
  if (marca && (!serie || serie->trimmed().isEmpty()))
    return c.uso("add-desk: com --brand, informe --ecf-id com o número de série da impressora do caixa.");
  if (!marca && serie)
    return c.uso("add-desk: --ecf-id só vale com --brand (sem ele o caixa recebe o simulador com série própria).");
  if (const QString porque = semPontoEVirgula(
          {{"DIR", raiz}, {"--server", servidor}, {"--user", usuario}, {"--password", senha}});
      !porque.isEmpty())
    return c.uso("add-desk: " + porque);
  if (const QString porque = textosDaConfiguracao({{"DIR", raiz},
                                                   {"--server", servidor},
                                                   {"--user", usuario},
                                                   {"--password", senha},
                                                   {"--desk", caixa},
                                                   {"--ecf-id", serie.value_or(QString())}},
                                                  caixa);
      !porque.isEmpty())
    return c.uso("add-desk: " + porque);
  const QString pastaFinal = raiz + "/" + PastaSistema;
  if (const QString porque = pastaDoDriveOcupada(pastaFinal); !porque.isEmpty()) return c.falha(porque);

  // The desk's own login is tried before anything is written: a drive that
  // cannot reach its database is not made. The simulated printer is
  // programmed with the catalogue's rates, read as the desk.
  const AlvoBanco alvo{servidor, usuario, senha};
  QList<int> aliquotas;
  try {
    if (marca) {
      ConexaoBanco conexao;
      conexao.abre(StringConexaoDe(alvo));
      Recordset rs;
      rs.abre("Select Count(*) From TB_GER_PARAMETROS", conexao);
    } else {
      aliquotas = aliquotasDoBanco(alvo);
    }
  } catch (const ErroBanco &e) {
    return c.falha("o caixa não conseguiu usar o banco " + servidor + " como " + usuario.toUpper() + ": " +
                   e.descricao());
  }

  if (!QDir().mkpath(raiz)) return c.falha("não foi possível criar a pasta " + raiz);
  DriveEmConstrucao obra(raiz);
  const QString pasta = obra.raiz() + "/" + PastaSistema;
  if (!QDir().mkpath(pasta)) return c.falha("não foi possível criar a pasta " + pasta);
  LinhasConfig config;
  config.linha1 = "PDV-VELT - caixa " + caixa + " criado pelo pdv-admin";
  config.conexao = "TIPO=1;DATA SOURCE=" + servidor;
  config.usuario = usuario;
  config.senha = senha;
  config.caixa = caixa;
  config.identificacaoEcf = marca ? serie->trimmed().toUpper() : serieSimuladorDoCaixa(caixa);
  config.marcaEcf = marca ? marca->trimmed().toUpper() : QStringLiteral("BEMATECH");
  QString erro;
  if (!EscreveArquivoConfig(pasta + "/" + ArquivoConfig, config, &erro)) return c.falha(erro);
  const QString impressora =
      marca ? "Impressora " + config.marcaEcf + " de série " + config.identificacaoEcf +
                  ": ponha a biblioteca do fabricante em " + pastaFinal +
                  " ou no caminho de bibliotecas do sistema."
            : instalaSimuladorRelatando(obra.raiz(), config.identificacaoEcf, aliquotas);
  if (!gravaIndice(StringConexaoDe(alvo), pasta, c, &erro)) return c.falha(erro);
  // The desk's local copy of what a sale reads, filled as the desk reads.
  // A copy that cannot be made is told; the desk's start-up tries again.
  ResultadoCopia copia;
  try {
    ConexaoBanco conexao;
    conexao.abre(StringConexaoDe(alvo));
    copia = PreencheCopia(ArquivoCopiaLocal(obra.raiz()), conexao);
  } catch (const ErroBanco &e) {
    copia.erro = e.descricao();
  }
  if (!obra.conclui(&erro)) return c.falha(erro);
  c.relata("Configuração gravada: " + pastaFinal + "/" + ArquivoConfig);
  c.relata(impressora);
  c.relata(copia.ok ? QStringLiteral("Cópia local gravada em %1: %2 linhas de %3 tabelas (%4 s).")
                          .arg(ArquivoCopiaLocal(raiz))
                          .arg(copia.linhas)
                          .arg(TabelasCopiadas().size())
                          .arg(QString::number(copia.duracao.count() / 1000.0, 'f', 1))
                    : "Aviso: cópia local não feita: " + copia.erro +
                          "\nSe faltar permissão, execute pdv-admin prepare-copy com --desk-user " + usuario.toUpper() +
                          "; o caixa tenta de novo ao iniciar.");
  c.relata("Caixa " + caixa + " pronto: " + raiz + " (banco " + servidor + ", usuário " + usuario.toUpper() + ").");
  return SaidaOk;
}

// ------------------------------------------------------------------ server targets

// The shop's database a server command works on, as SYSDBA by default; the
// refusal of a target that is not on a server or of credentials holding ";"
// (empty when it is fine).
AlvoBanco alvoNoServidor(const LinhaComando &linha) {
  return {linha.posicionais[0].trimmed(), linha.valor("user", "SYSDBA"), linha.valor("password", "masterkey")};
}
QString recusaAlvoNoServidor(const AlvoBanco &alvo) {
  if (!EhBancoEmServidor(alvo.banco))
    return "o banco precisa estar num servidor Firebird, host:caminho ou host/porta:caminho (recebido: \"" +
           alvo.banco + "\").";
  return semPontoEVirgula({{"--user", alvo.usuario}, {"--password", alvo.senha}});
}

// ------------------------------------------------------------------ prepare-copy

// An existing shop database gets the change log the desks' local copies are
// refreshed from (and, with --desk-user, the reads the copy adds to the
// desks' user). Run again, it rewrites the triggers and changes nothing else.
int prepareCopy(const LinhaComando &linha, Contexto &c) {
  const AlvoBanco alvo = alvoNoServidor(linha);
  if (const QString porque = recusaAlvoNoServidor(alvo); !porque.isEmpty()) return c.uso("prepare-copy: " + porque);
  const QString usuarioCaixa = linha.valor("desk-user");
  if (!usuarioCaixa.isEmpty())
    if (const QString porque = NomeUsuarioCaixaInvalido(usuarioCaixa, alvo.usuario); !porque.isEmpty())
      return c.uso("prepare-copy: " + porque);
  int gatilhos = 0;
  try {
    ConexaoBanco conexao;
    conexao.abre(StringConexaoDe(alvo));
    gatilhos = PreparaMudancasServidor(conexao, usuarioCaixa);
  } catch (const ErroBanco &e) {
    return c.falha("prepare-copy: " + e.descricao());
  }
  c.relata(QString("Registro de mudanças pronto em %1: %2 tabelas acompanhadas.").arg(alvo.banco).arg(gatilhos));
  if (!usuarioCaixa.isEmpty())
    c.relata("Leituras da cópia local concedidas a " + usuarioCaixa.toUpper() + ".");
  return SaidaOk;
}

// ------------------------------------------------------------------ prune-changes

// The change log's old rows deleted (a nightly job of the server's): the
// newest of them stays as the mark a copy that had not read that far finds.
int pruneChanges(const LinhaComando &linha, Contexto &c) {
  const AlvoBanco alvo = alvoNoServidor(linha);
  if (const QString porque = recusaAlvoNoServidor(alvo); !porque.isEmpty()) return c.uso("prune-changes: " + porque);
  bool ok = false;
  const int dias = linha.valor("days", "30").toInt(&ok);
  if (!ok || dias < 0 || dias > 36500)
    return c.uso("prune-changes: --days é um número de dias, 0 ou mais (recebido: \"" + linha.valor("days") + "\").");
  ResultadoPoda r;
  try {
    ConexaoBanco conexao;
    conexao.abre(StringConexaoDe(alvo));
    if (!ServidorTemMudancas(conexao))
      return c.falha("prune-changes: " + alvo.banco + " não tem o registro de mudanças (pdv-admin prepare-copy).");
    r = PodaMudancas(conexao, dias);
  } catch (const ErroBanco &e) {
    return c.falha("prune-changes: " + e.descricao());
  }
  if (r.ate == 0)
    c.relata(QString("Nenhuma mudança com mais de %1 dias em %2.").arg(dias).arg(alvo.banco));
  else
    c.relata(QString("Registro de mudanças podado em %1: %2 linhas apagadas, até a mudança %3.")
                 .arg(alvo.banco)
                 .arg(r.apagadas)
                 .arg(r.ate));
  return SaidaOk;
}

// ------------------------------------------------------------------ dispatch

struct DefinicaoComando {
  const char *nome;
  FormaComando forma;
  std::function<int(const LinhaComando &, Contexto &)> executa;
};

const QList<DefinicaoComando> &definicoes() {
  static const QList<DefinicaoComando> lista = {
      {"init-drive", {{"products", "desk", "user", "password"}, {"demo"}, 1, 1}, initDrive},
      {"write-config",
       {{"connection", "user", "password", "desk", "ecf-id", "brand", "line1"}, {}, 1, 1},
       writeConfig},
      {"user", {{"code", "name", "password", "db-user", "db-password"}, {"no-desk-right"}, 1, 1}, user},
      {"create-db", {{"products", "user", "password", "desk-user", "desk-password"}, {"demo"}, 1, 1}, createDb},
      {"add-desk", {{"server", "desk", "user", "password", "brand", "ecf-id"}, {}, 1, 1}, addDesk},
      {"prepare-copy", {{"user", "password", "desk-user"}, {}, 1, 1}, prepareCopy},
      {"prune-changes", {{"user", "password", "days"}, {}, 1, 1}, pruneChanges},
      {"product-index", {{}, {}, 1, 1}, productIndex},
  };
  return lista;
}

}  // namespace

QString TextoAjuda() {
  return QStringLiteral(
      "pdv-admin: drives, databases and operators of the PDV-VELT cash desks.\n"
      "\n"
      "  pdv-admin init-drive DIR [--demo] [--products N] [--desk 001]\n"
      "        [--user SYSDBA] [--password masterkey]\n"
      "      Makes a complete drive in DIR: DIR/kw-velt/default.txt (seven lines),\n"
      "      the embedded database DIR/kw-velt/dados.fdb and the simulated fiscal\n"
      "      printer. --demo loads the demo shop; --products adds N generated products.\n"
      "\n"
      "  pdv-admin write-config FILE --connection TEXT [--user U] [--password P]\n"
      "        [--desk 001] [--ecf-id SERIAL] [--brand BEMATECH|SWEDA|EPSON] [--line1 TEXT]\n"
      "      Writes a terminal configuration file (lines 3 and 4 scrambled).\n"
      "\n"
      "  pdv-admin user DB --code N [--name NAME] [--password P] [--no-desk-right]\n"
      "        [--db-user SYSDBA] [--db-password masterkey]\n"
      "      Adds or changes an operator (scrambled password) and gives or, with\n"
      "      --no-desk-right, takes the cash-desk right R0407.\n"
      "\n"
      "  pdv-admin create-db TARGET [--demo] [--products N] [--user SYSDBA] [--password masterkey]\n"
      "        [--desk-user NAME --desk-password P]\n"
      "      Creates a database with the schema (and the demo): a local file\n"
      "      (embedded, no server) or \"host:path\" / \"host/port:path\" on a server.\n"
      "      On a server, --desk-user creates the desks' own database user (or sets\n"
      "      the password of the existing one) with only the rights a desk needs.\n"
      "\n"
      "  pdv-admin add-desk DIR --server HOST[/PORT]:PATH --desk NNN --user NAME\n"
      "        --password P [--brand BEMATECH|SWEDA|EPSON --ecf-id SERIAL]\n"
      "      Makes a desk's drive in DIR using the database on the server as NAME\n"
      "      (never SYSDBA): DIR/kw-velt/default.txt and a simulated printer of its\n"
      "      own, or, with --brand, the vendor's printer of serial SERIAL, and the\n"
      "      desk's local copy DIR/kw-velt/copia.fdb of what a sale reads.\n"
      "\n"
      "  pdv-admin prepare-copy HOST[/PORT]:PATH [--user SYSDBA] --password P [--desk-user NAME]\n"
      "      Adds to an existing shop database the change log the desks' local\n"
      "      copies are refreshed from (create-db makes it for a new one); with\n"
      "      --desk-user, grants that user the reads the copy needs. Safe to repeat.\n"
      "\n"
      "  pdv-admin prune-changes HOST[/PORT]:PATH [--user SYSDBA] --password P [--days 30]\n"
      "      Deletes the change log's rows older than the days given (a nightly\n"
      "      job); a desk whose copy had not read that far copies it whole at its\n"
      "      next start.\n"
      "\n"
      "  pdv-admin product-index DIR\n"
      "      Rewrites the desk's index of product descriptions (DIR/kw-velt/produtos.idx)\n"
      "      from the drive's database; the product search shows its first page from it\n"
      "      while the server sorts. init-drive writes it; run it again as the catalogue\n"
      "      changes (nightly, say). An old index only makes that early page less complete.\n"
      "\n"
      "  pdv-admin --help\n"
      "\n"
      "DB and TARGET are a database file path or \"host[/port]:path\".\n"
      "Exit codes: 0 done, 1 failed, 2 bad command line.\n");
}

int ExecutaAdmin(const QStringList &argumentos, QTextStream &saida, QTextStream &erros) {
  Contexto c{saida, erros};
  if (argumentos.isEmpty()) return c.uso("falta o comando (veja pdv-admin --help).");
  const QString comando = argumentos.first();
  if (comando == "--help" || comando == "-h" || comando == "help") {
    saida << TextoAjuda();
    saida.flush();
    return SaidaOk;
  }
  for (const DefinicaoComando &d : definicoes()) {
    if (comando != d.nome) continue;
    QString erro;
    const auto linha = LeLinhaComando(comando, argumentos.mid(1), d.forma, &erro);
    if (!linha) return c.uso(erro);
    return d.executa(*linha, c);
  }
  return c.uso("comando desconhecido \"" + comando + "\" (veja pdv-admin --help).");
}
