#include "fiscal/AnalisaRetorno.h"

#include <array>
#include <utility>

#include "core/Encerramento.h"
#include "core/Operator.h"
#include "fiscal/Ecf.h"

namespace {

const QString CR = QStringLiteral("\r");
const QString CRLF = QStringLiteral("\r\n");

void mostra(TerminalState &estado, const QString &texto, Icone icone, const QString &titulo) {
  estado.operador().mensagem({texto, icone, Botoes::Ok, Resposta::Ok, titulo});
}

// Bit texts, index 0 for bit value 128 down to index 7 for bit value 1.
const std::array<const char *, 8> kBitsSt1 = {
    "Fim de Papel", "Pouco Papel", "Erro no relógio", "Impressora em erro",
    "Primeiro dado do comando não foi Esc", "Comando inexistente", "Cupom fiscal aberto",
    "Número de parâmetros inválido no comando"};
const std::array<const char *, 8> kBitsSt2 = {
    "Tipo de Parâmetro de comando inválido", "Memória fiscal lotada", "Erro na CMOS",
    "Alíquota não programada", "Capacidade de alíquota programáveis lotada", "Cancelamento não permitido",
    "CGC/IE do proprietário não programados", "Comando não executado"};

int indiceDoBit(int bit) {
  for (int i = 0; i < 8; ++i)
    if ((128 >> i) == bit) return i;
  return -1;
}

QString listaDeBits(int st1, int st2) {
  QString lista;
  for (int bit = 128; bit >= 1; bit >>= 1)
    if (st1 & bit) lista += TextoBitStatus(1, bit) + CR;
  for (int bit = 128; bit >= 1; bit >>= 1)
    if (st2 & bit) lista += TextoBitStatus(2, bit) + CR;
  return lista;
}

}  // namespace

QString TextoBitStatus(int byteStatus, int bit) {
  const int i = indiceDoBit(bit);
  if (i < 0 || (byteStatus != 1 && byteStatus != 2)) return {};
  return QString::fromUtf8(byteStatus == 1 ? kBitsSt1[i] : kBitsSt2[i]);
}

QString MensagemRetornoEcf(int16_t retorno) {
  switch (retorno) {
    case -1: return QStringLiteral("Erro de execução da função.");
    case -2: return QStringLiteral("Parâmetro inválido na função.");
    case -3: return QStringLiteral("Alíquota não programada.");
    case -4:
      return QStringLiteral("O arquivo de inicialização BemaFI32.ini não foi encontrado no diretório default. ") + CR +
             QStringLiteral("Por favor, copie esse arquivo para o diretório de sistema do Windows.") + CR +
             QStringLiteral("Se for o Windows 95 ou 98 é o diretório 'System' se for o Windows NT é o diretório "
                            "'System32'.");
    case -5: return QStringLiteral("Erro ao abrir a porta de comunicação.");
    case -6: return QStringLiteral("Impressora desligada ou cabo de comunicação desconectado.");
    case -7: return QStringLiteral("Banco não encontrado no arquivo BemaFI32.ini.");
    case -8: return QStringLiteral("Erro ao criar ou gravar no arquivo status.txt ou retorno.txt.");
    case -18: return QStringLiteral("Não foi possível abrir arquivo INTPOS.001 !");
    case -19: return QStringLiteral("Parâmetro diferentes !");
    case -20: return QStringLiteral("Transação cancelada pelo Operador !");
    case -21: return QStringLiteral("A Transação não foi aprovada !");
    case -22: return QStringLiteral("Não foi possível terminal a Impressão !");
    case -23: return QStringLiteral("Não foi possível terminal a Operação !");
    case -24: return QStringLiteral("Forma de pagamento não programada.");
    case -25: return QStringLiteral("Totalizador não fiscal não programado.");
    case -26: return QStringLiteral("Transação já realizada.");
    case -28: return QStringLiteral("Não há dados para serem impressos.");
    default: return {};
  }
}

AnaliseRetorno AnalisaRetornoEcf(TerminalState &estado, int16_t retorno, const QString &a, const QString &b) {
  if (retorno == 0) return {false, QStringLiteral("Erro de comunicação com a impressora."), Icone::Critico};
  if (retorno != 1 && retorno != -27)
    return {false, MensagemRetornoEcf(retorno), retorno == -1 ? Icone::Critico : Icone::Exclamacao};
  int16_t ack = 0, st1 = 0, st2 = 0;
  EcfRetornoImpressora(estado, ack, st1, st2);
  const QString codigos = QStringLiteral("%1,%2,%3").arg(ack).arg(st1).arg(st2);
  const bool textoExtra = !a.isEmpty() && !b.isEmpty();
  if (ack == 21)
    return {false, QStringLiteral("Status da Impressora: 21") + CRLF + QStringLiteral("Comando não executado"),
            Icone::Informacao};
  if (st1 == 0 && st2 == 0) return {true, textoExtra ? a + b : QString(), Icone::Informacao};
  QString texto = QStringLiteral("Status da Impressora: ") + codigos + CRLF + listaDeBits(st1, st2);
  if (textoExtra) texto += CRLF + a + b;
  return {false, texto, Icone::Informacao};
}

bool AnalisaRetorno(TerminalState &estado, const QString &a, const QString &b, const QString &titulo) {
  const AnaliseRetorno r = AnalisaRetornoEcf(estado, estado.Retorno, a, b);
  if (!r.texto.isEmpty()) mostra(estado, r.texto, r.icone, titulo);
  return r.aceito;
}

bool AnalisaRetorno(TerminalState &estado, QString &a, QString &b, QString &titulo) {
  return AnalisaRetorno(estado, std::as_const(a), std::as_const(b), std::as_const(titulo));
}

QString FlagsBinario(int16_t valor) {
  const QString hex = (QStringLiteral("00") + QString::number(static_cast<uint16_t>(valor), 16)).right(2);
  QString bits;
  for (int i = 0; i < hex.size(); ++i)
    bits += QStringLiteral("%1").arg(hex.mid(i, 1).toInt(nullptr, 16), 4, 2, QLatin1Char('0'));
  return bits;
}

QString ErroComunicacao(int codigo, bool maiuscula) {
  return (maiuscula ? QStringLiteral("Erro de Comunicação: ") : QStringLiteral("Erro de comunicação: ")) +
         QString::number(codigo);
}

QString AcionaGavetaDoCaixa(TerminalState &estado) {
  QString aviso;
  int16_t estadoGaveta = 0;
  const int16_t r = EcfVerificaEstadoGaveta(estado, estadoGaveta);
  if (r == 0) aviso = QStringLiteral("Gaveta já esta ABERTA !") + QString::number(r);
  else if (r < 0) aviso = ErroComunicacao(r, false);
  const int16_t acionou = EcfAcionaGaveta(estado);
  if (acionou < 1) aviso = ErroComunicacao(acionou, false);
  return aviso;
}

int16_t FechaPorta(TerminalState &estado) {
  estado.Retorno = EcfFechaPortaSerial(estado);
  return estado.Retorno;
}

void VerificaComunicacao(TerminalState &estado) {
  if (estado.Retorno != 0 && estado.Retorno != -27) return;
  const QString texto = QStringLiteral("Erro de comunicação !");
  mostra(estado, texto, Icone::Exclamacao, {});
  try {
    FechaPorta(estado);
  } catch (const ErroBibliotecaEcf &) {
    // The run ends either way; a port that cannot be closed changes nothing.
  }
  EncerraPrograma(1, texto);
}
