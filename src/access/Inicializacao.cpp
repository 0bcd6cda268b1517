#include "access/Inicializacao.h"

#include <QDateTime>

#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/Operator.h"
#include "core/TerminalState.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "platform/Host.h"

void FinalizaPdv(TerminalState &estado, const QString &motivo) {
  try {
    estado.Retorno = EcfFechaPortaSerial(estado);
  } catch (const std::exception &) {
    // The port cannot be closed when its library never loaded.
  }
  EncerraPrograma(0, motivo);
}

QString LeIdentificacaoEcf(TerminalState &estado) {
  try {
    estado.Retorno = EcfNumeroSerie(estado);
  } catch (const std::exception &) {
    estado.Retorno = 0;
  }
  // -27 answered, with a status to tell (little paper): the serial is good.
  if (estado.Retorno > 0 || estado.Retorno == -27) return estado.NumSerieEcf.trimmed();
  return "Erro-Leitura:" + QString::number(estado.Retorno);
}

QDateTime LeDataServidor(TerminalState &estado) {
  FechaRs(*estado.RsGeral);
  estado.RsGeral->abre("SELECT CURRENT_TIMESTAMP AS DATASIS FROM RDB$DATABASE", estado.conexao());
  const QDateTime momento = estado.horaServidor(estado.RsGeral->campo("DataSis").toDateTime());
  estado.DataSistema = momento.date();
  FechaRs(*estado.RsGeral);
  return momento;
}

namespace {

void recusa(TerminalState &estado, const QString &mensagem, const QString &motivo) {
  estado.operador().avisa(mensagem, Icone::Exclamacao);
  FinalizaPdv(estado, motivo);
}

void abrePortaImpressora(TerminalState &estado) {
  try {
    estado.Retorno = EcfAbrePortaSerial(estado);
  } catch (const std::exception &) {
    estado.Retorno = 0;  // a library that cannot be loaded leaves the port status 0
  }
  // -27: the port is open and the printer reports a status worth telling
  // (little paper...): examined like an accepted call, the start goes on.
  if (estado.Retorno == -27) {
    AnalisaRetorno(estado, QString(), QString(), QStringLiteral("Impressora Fiscal"));
    estado.Retorno = 1;
    return;
  }
  if (estado.Retorno < 0)
    recusa(estado, QStringLiteral("ERRO NA PORTA DE COMUNICAÇÃO OU CONFIGURAÇÂO DE DLL !"), "porta");
}

void confereIdentificacao(TerminalState &estado) {
  const QString esperada = estado.IdentificacaoEcf;
  const QString lida = LeIdentificacaoEcf(estado);
  if (esperada.trimmed() == lida.left(esperada.size()).trimmed()) return;
  estado.Mensagem = QStringLiteral("Identificação da Impressora Invalida/Desligada ( -> ") + esperada +
                    ")." + "\n" + QStringLiteral("Altere configuração (") + lida +
                    QStringLiteral(") e verifique Número do caixa.");
  recusa(estado, estado.Mensagem, "identificacao");
}

void conecta(TerminalState &estado) {
  try {
    EscolheConexao(estado, estado.StrConexao);
    AbreConexao(estado);
  } catch (const ErroBanco &e) {
    // A database that does not answer at all is told and the run ends,
    // rather than every later statement waiting on it again.
    if (e.semResposta())
      recusa(estado, QStringLiteral("O BANCO DE DADOS NÃO RESPONDEU !\n") + e.descricao() +
                         QStringLiteral("\nVerifique a rede e o servidor do banco de dados."),
             "banco sem resposta");
    // Otherwise left without a connection; every later statement reports it.
  } catch (const std::exception &) {
    // Left without a connection; every later statement reports it.
  }
}

void leParametrosEmpresa(TerminalState &estado) {
  try {
    Recordset parametros;
    parametros.abre("Select * From TB_GER_PARAMETROS", estado.conexao());
    if (!parametros.EOF_()) {
      estado.NomeEmpresa = SemNulo(parametros["Nome_Da_Empresa"]).toString();
      estado.EnderecoEmpresa = SemNulo(parametros["Endereco_da_Empresa"]).toString();
    }
  } catch (const std::exception &) {
  }
}

void acertaRelogio(TerminalState &estado) {
  // Working from the desk's own copy there is no server's time to take.
  if (estado.conexao().emReserva()) return;
  try {
    const QDateTime momento = LeDataServidor(estado);
    if (momento.isValid()) estado.relogio().setSystemTime(momento);
  } catch (const std::exception &) {
  }
}

}  // namespace

void InicializaTerminal(TerminalState &estado) {
  const bool outraCopia = platform::findRunningWindow(TituloTelaVenda);
  LeArquivoConfig(estado);
  if (outraCopia)
    recusa(estado, QStringLiteral("PDV EM EXECUÇÂO. VERIFIQUE NO GERENCIADOR DE TAREFAS !"), "segunda copia");
  abrePortaImpressora(estado);
  confereIdentificacao(estado);
  conecta(estado);
  leParametrosEmpresa(estado);
  acertaRelogio(estado);
}
