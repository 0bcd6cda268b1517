#include "fiscal/sim/EcfSim.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <chrono>
#include <cstring>
#include <thread>

#include <QSet>
#include <cstdio>

#include "core/Cp1252.h"
#include "fiscal/InstalaSimulador.h"
#include "fiscal/sim/Bobina.h"
#include "fiscal/sim/Controle.h"
#include "fiscal/sim/Impressora.h"
#include "fiscal/sim/Memoria.h"
#include "platform/Paths.h"

#ifdef Q_OS_WIN
#include <QLockFile>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace ecfsim {

QString PastaSimulador() {
  const QString definida = qEnvironmentVariable("PDV_ECF_SIM_DIR");
  if (!definida.isEmpty()) return QDir::cleanPath(QDir(definida).absolutePath());
  return platform::hostPath(QStringLiteral("c:\\kw-velt\\ecf-sim"));
}

bool CriaMemoriaSimulador(const QString &pasta, const QString &numeroSerie, QString *erro,
                          const QList<int> &aliquotas) {
  if (!QDir().mkpath(pasta)) {
    if (erro) *erro = QStringLiteral("não foi possível criar a pasta %1").arg(pasta);
    return false;
  }
  const QString arquivo = pasta + '/' + ArquivoMemoria;
  MemoriaFiscal existente;
  if (QFile::exists(arquivo) && LeMemoria(arquivo, existente, nullptr) && existente.numeroSerie == numeroSerie)
    return true;
  MemoriaFiscal nova = MemoriaNova(numeroSerie);
  if (!aliquotas.isEmpty()) {
    if (aliquotas.size() > MaximoAliquotas) {
      if (erro) *erro = QStringLiteral("a impressora aceita no máximo %1 alíquotas, pedidas %2").arg(MaximoAliquotas).arg(aliquotas.size());
      return false;
    }
    nova.aliquotas.clear();
    for (int valor : aliquotas) nova.aliquotas.append({'T', valor});
  }
  return GravaMemoria(arquivo, nova, erro);
}

namespace {

// The port: an exclusive lock on the folder's lock file.
class Trava {
 public:
  bool adquire(const QString &pasta) {
#ifdef Q_OS_WIN
    trava_ = std::make_unique<QLockFile>(pasta + '/' + ArquivoTrava);
    trava_->setStaleLockTime(0);
    if (trava_->tryLock(0)) return true;
    trava_.reset();
    return false;
#else
    const QByteArray caminho = QFile::encodeName(pasta + '/' + ArquivoTrava);
    fd_ = ::open(caminho.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
    libera();
    return false;
#endif
  }
  void libera() {
#ifdef Q_OS_WIN
    trava_.reset();
#else
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
#endif
  }
  ~Trava() { libera(); }

 private:
#ifdef Q_OS_WIN
  std::unique_ptr<QLockFile> trava_;
#else
  int fd_ = -1;
#endif
};

// What stays between commands of one loaded library: the open port and the
// memory read when it was opened.
struct Sessao {
  Trava trava;
  QString pastaAberta;  // empty: the port is closed
  MemoriaFiscal memoria;
};

Sessao &sessao() {
  static Sessao s;
  return s;
}

enum class Porta { Usa, Abre, Fecha };
constexpr bool Imprime = true, Consulta = false;

QString texto(const char *c) { return c ? cp1252::decode(QByteArray(c)) : QString(); }

void escreve(char *destino, const QString &valor, int tamanho) {
  if (!destino) return;
  const int capacidade = qMin<int>(tamanho, int(std::strlen(destino)));
  const QByteArray bytes = cp1252::encode(valor).leftJustified(capacidade, ' ', true);
  std::memcpy(destino, bytes.constData(), size_t(capacidade));
}

void esperaLinhaSerial(int baud, int linhasImpressas) {
  if (baud <= 0) return;
  const int64_t bytes = 64 + 49 * int64_t(linhasImpressas);
  std::this_thread::sleep_for(std::chrono::microseconds(bytes * 10 * 1000000 / baud));
}

bool carregaMemoria(const QString &pasta, MemoriaFiscal &m) {
  const QString arquivo = pasta + '/' + ArquivoMemoria;
  if (!QFile::exists(arquivo)) {
    m = MemoriaNova(QString::fromLatin1(SerieSimuladorPadrao));
    return GravaMemoria(arquivo, m, nullptr);
  }
  return LeMemoria(arquivo, m, nullptr);
}

void aplicaFalhasDeStatus(const Controle &c, StatusImpressora &s, int &r) {
  const int st1 = c.st1 | (c.papel == Papel::Pouco ? st1::PoucoPapel : 0);
  if (st1 == 0 && c.st2 == 0 && c.ack == 0) return;
  s.st1 |= st1;
  s.st2 |= c.st2;
  if (c.ack) s.ack = c.ack;
  if (r == retorno::Aceito) r = retorno::StatusAnormal;
}

// Fault lines the simulator does not understand are told once per run, on
// standard error and in a file beside the tape, never dropped in silence.
void relataNaoEntendidas(const QString &pasta, const QStringList &linhas) {
  static QSet<QString> relatadas;
  for (const QString &linha : linhas) {
    if (relatadas.contains(linha)) continue;
    relatadas.insert(linha);
    const QString texto = QStringLiteral("simulador: linha de falha não entendida (ignorada): \"%1\"").arg(linha);
    std::fprintf(stderr, "%s\n", texto.toLocal8Bit().constData());
    QFile f(pasta + '/' + ArquivoFalhasNaoEntendidas);
    if (f.open(QIODevice::Append | QIODevice::Text)) f.write((texto + '\n').toUtf8());
  }
}

template <class Corpo>
int executa(const char *funcao, bool imprime, Porta porta, Corpo &&corpo) {
  const QString pasta = PastaSimulador();
  Controle controle = LeControle(pasta);
  if (!controle.naoEntendidas.isEmpty()) relataNaoEntendidas(pasta, controle.naoEntendidas);
  if (controle.desligada) return 0;
  if (!QDir().mkpath(pasta)) return -5;

  Sessao &s = sessao();
  if (!s.pastaAberta.isEmpty() && s.pastaAberta != pasta) {  // the drive changed under an open port
    s.trava.libera();
    s.pastaAberta.clear();
  }
  const bool jaAberta = !s.pastaAberta.isEmpty();
  if (!jaAberta) {
    if (!s.trava.adquire(pasta)) return -5;  // another program drives this printer
    if (!carregaMemoria(pasta, s.memoria)) {
      s.trava.libera();
      return -1;  // a memory that cannot be read is never overwritten
    }
  }

  MemoriaFiscal &m = s.memoria;
  // What the memory held before the command: one that changed nothing (a
  // status read, a refused command) is not written again.
  const QJsonObject antes = ParaJson(m);
  const bool leStatus = std::strcmp(funcao, "RetornoImpressora") == 0;
  if (!leStatus) m.status = StatusImpressora{};
  Bobina bobina;
  int r = 0;
  if (const auto forcado = ConsomeRetorno(controle, pasta, QLatin1String(funcao))) {
    r = *forcado;
  } else if (imprime && controle.papel == Papel::Fim) {
    m.status.st1 |= st1::FimPapel;
    m.status.st2 |= st2::ComandoNaoExecutado;
    r = retorno::StatusAnormal;
  } else {
    Impressora impressora(m, bobina, controle.agora(),
                          platform::hostPath(QStringLiteral("C:\\Retorno.txt")));
    r = corpo(impressora);
  }
  if (!leStatus) aplicaFalhasDeStatus(controle, m.status, r);

  if (ParaJson(m) != antes && !GravaMemoria(pasta + '/' + ArquivoMemoria, m, nullptr)) r = retorno::ErroArquivo;
  AcrescentaBobina(pasta + '/' + ArquivoBobina, bobina.linhas());
  esperaLinhaSerial(controle.baud, int(bobina.linhas().size()));

  // An abnormal status (-27) on opening still leaves the port open, as the
  // vendors' libraries do: the printer answered.
  const bool abriu = r == retorno::Aceito || r == retorno::StatusAnormal;
  const bool mantemAberta = (jaAberta && porta != Porta::Fecha) || (porta == Porta::Abre && abriu);
  if (mantemAberta) {
    s.pastaAberta = pasta;
  } else {
    s.trava.libera();
    s.pastaAberta.clear();
  }
  return r;
}

}  // namespace

int AbrePortaSerial() {
  return executa("AbrePortaSerial", Consulta, Porta::Abre, [](Impressora &) { return retorno::Aceito; });
}

int FechaPortaSerial() {
  return executa("FechaPortaSerial", Consulta, Porta::Fecha, [](Impressora &) { return retorno::Aceito; });
}

int AbreCupom(char *cpf) {
  return executa("AbreCupom", Imprime, Porta::Usa, [&](Impressora &p) { return p.abreCupom(texto(cpf)); });
}

int VendeItem(char *codigo, char *descricao, char *aliquota, char *tipoQuantidade, char *quantidade,
              short casasDecimais, char *valorUnitario, char *tipoDesconto, char *desconto) {
  return executa("VendeItem", Imprime, Porta::Usa, [&](Impressora &p) {
    return p.vendeItem(texto(codigo), texto(descricao), texto(aliquota), texto(tipoQuantidade), texto(quantidade),
                       casasDecimais, texto(valorUnitario), texto(tipoDesconto), texto(desconto));
  });
}

int CancelaItemGenerico(char *item) {
  return executa("CancelaItemGenerico", Imprime, Porta::Usa, [&](Impressora &p) { return p.cancelaItem(texto(item)); });
}

// The detail tape of the documents numbered (COO) inicial..final, as they
// were printed (the tape file holds them), written into the file. Only the
// download by COO (tipo "2").
int DownloadMFD(char *arquivo, char *tipo, char *inicial, char *final, char *usuario) {
  Q_UNUSED(usuario);
  return executa("DownloadMFD", Consulta, Porta::Usa, [&](Impressora &) {
    bool ok1 = false, ok2 = false;
    const int de = texto(inicial).trimmed().toInt(&ok1), ate = texto(final).trimmed().toInt(&ok2);
    const QString destino = platform::hostPath(texto(arquivo).trimmed());
    if (texto(tipo).trimmed() != QLatin1String("2") || !ok1 || !ok2 || de < 1 || ate < de || destino.isEmpty())
      return retorno::ParametroInvalido;
    QFile bobina(PastaSimulador() + '/' + ArquivoBobina);
    QStringList linhas;
    if (bobina.open(QIODevice::ReadOnly)) {
      static const QRegularExpression numero(QStringLiteral("COO:(\\d{6})\\s*$"));
      int coo = 0;
      for (const QString &linha : QString::fromUtf8(bobina.readAll()).split('\n')) {
        if (const auto m = numero.match(linha); m.hasMatch()) coo = m.captured(1).toInt();
        if (coo >= de && coo <= ate) linhas << linha;
      }
    }
    QDir().mkpath(QFileInfo(destino).absolutePath());
    QFile f(destino);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return retorno::ErroArquivo;
    f.write((linhas.join('\n') + '\n').toUtf8());
    return retorno::Aceito;
  });
}

int CancelaCupom() {
  return executa("CancelaCupom", Imprime, Porta::Usa, [](Impressora &p) { return p.cancelaCupom(); });
}

int IniciaFechamentoCupom(char *acrescimoDesconto, char *tipo, char *valor) {
  return executa("IniciaFechamentoCupom", Imprime, Porta::Usa, [&](Impressora &p) {
    return p.iniciaFechamento(texto(acrescimoDesconto), texto(tipo), texto(valor));
  });
}

int EfetuaFormaPagamentoDescricaoForma(char *forma, char *valor, char *descricao) {
  return executa("EfetuaFormaPagamentoDescricaoForma", Imprime, Porta::Usa, [&](Impressora &p) {
    return p.efetuaPagamento(texto(forma), texto(valor), texto(descricao));
  });
}

int TerminaFechamentoCupom(char *mensagem) {
  return executa("TerminaFechamentoCupom", Imprime, Porta::Usa,
                 [&](Impressora &p) { return p.terminaFechamento(texto(mensagem)); });
}

int FechaCupomResumido(char *forma, char *mensagem) {
  return executa("FechaCupomResumido", Imprime, Porta::Usa,
                 [&](Impressora &p) { return p.fechaCupomResumido(texto(forma), texto(mensagem)); });
}

int NumeroCupom(char *numero) {
  return executa("NumeroCupom", Consulta, Porta::Usa, [&](Impressora &p) {
    QString v;
    const int r = p.numeroCupom(v);
    escreve(numero, v, ecf::TamNumCupom);
    return r;
  });
}

int NumeroSerie(char *serie) {
  return executa("NumeroSerie", Consulta, Porta::Usa, [&](Impressora &p) {
    QString v;
    const int r = p.numeroSerie(v);
    escreve(serie, v, ecf::TamNumSerie);
    return r;
  });
}

int DataMovimento(char *data) {
  return executa("DataMovimento", Consulta, Porta::Usa, [&](Impressora &p) {
    QString v;
    const int r = p.dataMovimento(v);
    escreve(data, v, ecf::TamDataMovimento);
    return r;
  });
}

int DataHoraImpressora(char *data, char *hora) {
  return executa("DataHoraImpressora", Consulta, Porta::Usa, [&](Impressora &p) {
    QString d, h;
    const int r = p.dataHora(d, h);
    escreve(data, d, ecf::TamDataImpressora);
    escreve(hora, h, ecf::TamHoraImpressora);
    return r;
  });
}

int FlagsFiscais(short *flags) {
  return executa("FlagsFiscais", Consulta, Porta::Usa, [&](Impressora &p) {
    short v = 0;
    const int r = p.flags(v);
    if (flags) *flags = v;
    return r;
  });
}

int RetornoImpressora(short *ack, short *st1, short *st2) {
  // Reports the status of the previous command.
  return executa("RetornoImpressora", Consulta, Porta::Usa, [&](Impressora &) {
    const StatusImpressora &s = sessao().memoria.status;
    if (ack) *ack = static_cast<short>(s.ack);
    if (st1) *st1 = static_cast<short>(s.st1);
    if (st2) *st2 = static_cast<short>(s.st2);
    return retorno::Aceito;
  });
}

int VerificaFormasPagamento(char *formas) {
  return executa("VerificaFormasPagamento", Consulta, Porta::Usa, [&](Impressora &p) {
    QString v;
    const int r = p.formasPagamento(v);
    escreve(formas, v, ecf::TamFormasPagamento);
    return r;
  });
}

int VerificaTotalizadoresParciais(char *totais) {
  return executa("VerificaTotalizadoresParciais", Consulta, Porta::Usa, [&](Impressora &p) {
    QString v;
    const int r = p.totalizadoresParciais(v);
    escreve(totais, v, ecf::TamTotalizadoresParciais);
    return r;
  });
}

int ProgramaFormaPagamentoMFD(char *forma, char *tef) {
  return executa("ProgramaFormaPagamentoMFD", Consulta, Porta::Usa,
                 [&](Impressora &p) { return p.programaForma(texto(forma), texto(tef)); });
}

int NomeiaTotalizadorNaoSujeitoIcms(short indice, char *nome) {
  return executa("NomeiaTotalizadorNaoSujeitoIcms", Consulta, Porta::Usa,
                 [&](Impressora &p) { return p.nomeiaTotalizador(indice, texto(nome)); });
}

int AberturaDoDia(char *valor, char *forma) {
  return executa("AberturaDoDia", Imprime, Porta::Usa,
                 [&](Impressora &p) { return p.aberturaDoDia(texto(valor), texto(forma)); });
}

int LeituraX() { return executa("LeituraX", Imprime, Porta::Usa, [](Impressora &p) { return p.leituraX(); }); }

int LeituraXSerial() {
  return executa("LeituraXSerial", Consulta, Porta::Usa, [](Impressora &p) { return p.leituraXSerial(); });
}

int ReducaoZ(char *data, char *hora) {
  return executa("ReducaoZ", Imprime, Porta::Usa, [&](Impressora &p) { return p.reducaoZ(texto(data), texto(hora)); });
}

int LeituraMemoriaFiscalData(char *dataInicial, char *dataFinal) {
  return executa("LeituraMemoriaFiscalData", Imprime, Porta::Usa,
                 [&](Impressora &p) { return p.memoriaFiscalData(texto(dataInicial), texto(dataFinal)); });
}

int LeituraMemoriaFiscalReducao(char *reducaoInicial, char *reducaoFinal) {
  return executa("LeituraMemoriaFiscalReducao", Imprime, Porta::Usa,
                 [&](Impressora &p) { return p.memoriaFiscalReducao(texto(reducaoInicial), texto(reducaoFinal)); });
}

int RelatorioGerencial(char *texto_) {
  return executa("RelatorioGerencial", Imprime, Porta::Usa,
                 [&](Impressora &p) { return p.relatorioGerencial(texto(texto_)); });
}

int FechaRelatorioGerencial() {
  return executa("FechaRelatorioGerencial", Imprime, Porta::Usa, [](Impressora &p) { return p.fechaRelatorio(); });
}

int RecebimentoNaoFiscal(char *indice, char *valor, char *forma) {
  return executa("RecebimentoNaoFiscal", Imprime, Porta::Usa,
                 [&](Impressora &p) { return p.recebimentoNaoFiscal(texto(indice), texto(valor), texto(forma)); });
}

int Sangria(char *valor) {
  return executa("Sangria", Imprime, Porta::Usa, [&](Impressora &p) { return p.sangria(texto(valor)); });
}

int Suprimento(char *valor, char *forma) {
  return executa("Suprimento", Imprime, Porta::Usa,
                 [&](Impressora &p) { return p.suprimento(texto(valor), texto(forma)); });
}

int VerificaEstadoGaveta(short *estado) {
  return executa("VerificaEstadoGaveta", Consulta, Porta::Usa, [&](Impressora &p) {
    short v = 0;
    const int r = p.estadoGaveta(v);
    if (estado) *estado = v;
    return r;
  });
}

int AcionaGaveta() {
  return executa("AcionaGaveta", Consulta, Porta::Usa, [](Impressora &p) { return p.acionaGaveta(); });
}

int Autenticacao() {
  return executa("Autenticacao", Imprime, Porta::Usa, [](Impressora &p) { return p.autenticacao(); });
}

int EPSON_Serial_Abrir_PortaEx() { return AbrePortaSerial(); }

int EPSON_Serial_Fechar_Porta() { return FechaPortaSerial(); }

int EPSON_Obter_Dados_Impressora(char *dados) {
  return executa("EPSON_Obter_Dados_Impressora", Consulta, Porta::Usa, [&](Impressora &p) {
    QString v;
    const int r = p.dadosEpson(v);
    escreve(dados, v, ecf::TamDadosEpson);
    return r;
  });
}

}  // namespace ecfsim
