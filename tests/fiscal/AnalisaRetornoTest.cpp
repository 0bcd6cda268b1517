// Status decoding: the messages AnalisaRetorno shows for each status, the
// printer's status bytes, FlagsBinario and the end of the run on a lost printer.
#include <gtest/gtest.h>

#include "ApoioFiscal.h"
#include "core/Encerramento.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"

namespace {

class Analise : public ::testing::Test {
 protected:
  void SetUp() override {
    DefineLocalizadorBibliotecaEcf([](const QString &arquivo) { return QStringList{pastaFakes() + "/" + arquivo}; });
    fake.limpa();
    e.MarcaEcf = "BEMATECH";
    e.usaOperador(operador);
  }
  void TearDown() override { DefineLocalizadorBibliotecaEcf({}); }

  bool analisa(int16_t retorno, short ack, short st1, short st2, const QString &a = {}, const QString &b = {}) {
    e.Retorno = retorno;
    fake.defineSaidas(ack, st1, st2);
    return AnalisaRetorno(e, a, b, QStringLiteral("Envia Item"));
  }
  QString unica() {
    EXPECT_EQ(operador.mensagens.size(), 1);
    return operador.mensagens.isEmpty() ? QString() : operador.mensagens.last().texto;
  }

  TerminalState e;
  OperadorGravador operador;
  FakeEcf fake{MarcaImpressora::Bematech};
};

TEST_F(Analise, ZeroEErroDeComunicacaoSemPerguntarAImpressora) {
  EXPECT_FALSE(analisa(0, 6, 0, 0));
  EXPECT_EQ(unica(), QStringLiteral("Erro de comunicação com a impressora."));
  EXPECT_EQ(operador.mensagens[0].icone, Icone::Critico);
  EXPECT_EQ(operador.mensagens[0].titulo, "Envia Item");
  EXPECT_TRUE(fake.registro().isEmpty());
}

TEST_F(Analise, CadaErroDaBibliotecaTemSuaMensagem) {
  const QString CR = "\r";
  const QList<std::pair<int, QString>> tabela = {
      {-1, "Erro de execução da função."},
      {-2, "Parâmetro inválido na função."},
      {-3, "Alíquota não programada."},
      {-4, "O arquivo de inicialização BemaFI32.ini não foi encontrado no diretório default. " + CR +
               "Por favor, copie esse arquivo para o diretório de sistema do Windows." + CR +
               "Se for o Windows 95 ou 98 é o diretório 'System' se for o Windows NT é o diretório 'System32'."},
      {-5, "Erro ao abrir a porta de comunicação."},
      {-6, "Impressora desligada ou cabo de comunicação desconectado."},
      {-7, "Banco não encontrado no arquivo BemaFI32.ini."},
      {-8, "Erro ao criar ou gravar no arquivo status.txt ou retorno.txt."},
      {-18, "Não foi possível abrir arquivo INTPOS.001 !"},
      {-19, "Parâmetro diferentes !"},
      {-20, "Transação cancelada pelo Operador !"},
      {-21, "A Transação não foi aprovada !"},
      {-22, "Não foi possível terminal a Impressão !"},
      {-23, "Não foi possível terminal a Operação !"},
      {-24, "Forma de pagamento não programada."},
      {-25, "Totalizador não fiscal não programado."},
      {-26, "Transação já realizada."},
      {-28, "Não há dados para serem impressos."},
  };
  for (const auto &[codigo, texto] : tabela) {
    operador.mensagens.clear();
    EXPECT_FALSE(analisa(int16_t(codigo), 6, 0, 0)) << codigo;
    EXPECT_EQ(unica(), texto) << codigo;
    EXPECT_EQ(operador.mensagens.value(0).icone, codigo == -1 ? Icone::Critico : Icone::Exclamacao) << codigo;
  }
  operador.mensagens.clear();
  for (int16_t semMensagem : {-9, -17, -29, 2, 21}) EXPECT_FALSE(analisa(semMensagem, 6, 0, 0)) << semMensagem;
  EXPECT_TRUE(operador.mensagens.isEmpty());
  EXPECT_TRUE(fake.registro().isEmpty());  // the status bytes are read only for 1 and -27
}

TEST_F(Analise, AceitoComStatusLimpoSoMostraOsTextosQuandoHaOsDois) {
  EXPECT_TRUE(analisa(1, 6, 0, 0));
  EXPECT_TRUE(analisa(-27, 6, 0, 0, "só A", ""));
  EXPECT_TRUE(analisa(1, 6, 0, 0, "", "só B"));
  EXPECT_TRUE(operador.mensagens.isEmpty());
  EXPECT_TRUE(analisa(1, 6, 0, 0, "Total: ", "10,00"));
  EXPECT_EQ(unica(), "Total: 10,00");
  EXPECT_EQ(operador.mensagens[0].icone, Icone::Informacao);
  EXPECT_EQ(fake.registro().size(), 4);
  EXPECT_EQ(fake.registro()[0], "Bematech_FI_RetornoImpressora|&0|&0|&0");
}

// A command the printer did not do well: its status bytes, each bit of ST1
// then of ST2 from the highest, and the caller's texts after them when both are given.
TEST_F(Analise, StatusBytesAreListedBitByBit) {
  const struct {
    int16_t retorno;
    short ack, st1, st2;
    const char *a, *b;
    QString esperado;
  } casos[] = {
      {1, 21, 2, 0, "A", "B", QStringLiteral("Status da Impressora: 21\r\nComando não executado")},
      {1, 6, 3, 0, "", "", QStringLiteral("Status da Impressora: 6,3,0\r\nCupom fiscal aberto\rNúmero de parâmetros inválido no comando\r")},
      {1, 6, 0, 16 | 4, "", "", QStringLiteral("Status da Impressora: 6,0,20\r\nAlíquota não programada\rCancelamento não permitido\r")},
      {-27, 6, 255, 255, "A", "B",
       QStringLiteral("Status da Impressora: 6,255,255\r\n"
                      "Fim de Papel\rPouco Papel\rErro no relógio\rImpressora em erro\r"
                      "Primeiro dado do comando não foi Esc\rComando inexistente\rCupom fiscal aberto\r"
                      "Número de parâmetros inválido no comando\r"
                      "Tipo de Parâmetro de comando inválido\rMemória fiscal lotada\rErro na CMOS\r"
                      "Alíquota não programada\rCapacidade de alíquota programáveis lotada\r"
                      "Cancelamento não permitido\rCGC/IE do proprietário não programados\rComando não executado\r"
                      "\r\nAB")},
  };
  for (const auto &c : casos) {
    SCOPED_TRACE(c.esperado.toStdString());
    operador.mensagens.clear();
    EXPECT_FALSE(analisa(c.retorno, c.ack, c.st1, c.st2, c.a, c.b));
    EXPECT_EQ(unica(), c.esperado);
    EXPECT_EQ(operador.mensagens.value(0).icone, Icone::Informacao);
  }
}

TEST(FlagsBinario, OitoBitsDoByteBaixo) {
  EXPECT_EQ(FlagsBinario(1), "00000001");
  EXPECT_EQ(FlagsBinario(255), "11111111");
  EXPECT_EQ(FlagsBinario(0x1A), "00011010");
  EXPECT_EQ(FlagsBinario(0), "00000000");
  EXPECT_EQ(FlagsBinario(0x121), "00100001");  // only the last two hexadecimal digits
  EXPECT_EQ(FlagsBinario(-1), "11111111");
  EXPECT_EQ(FlagsBinario(40).mid(2, 1), "1");  // bit 32 at position 3
}

class Comunicacao : public Analise {
 protected:
  testsupport::FimLanca fimLanca;
};

TEST_F(Comunicacao, ZeroOuMenos27FechaAPortaEEncerra) {
  for (int16_t retorno : {int16_t(0), int16_t(-27)}) {
    fake.limpa();
    operador.mensagens.clear();
    e.Retorno = retorno;
    EXPECT_THROW(VerificaComunicacao(e), ProgramaEncerrado);
    EXPECT_EQ(unica(), QStringLiteral("Erro de comunicação !"));
    EXPECT_EQ(operador.mensagens[0].icone, Icone::Exclamacao);
    EXPECT_EQ(fake.registro(), QStringList{"Bematech_FI_FechaPortaSerial"});
    EXPECT_EQ(e.Retorno, 1);  // FechaPorta keeps the closing status
  }
}

TEST_F(Comunicacao, OutrosRetornosNaoFazemNada) {
  for (int16_t retorno : {int16_t(1), int16_t(-2), int16_t(-5)}) {
    e.Retorno = retorno;
    VerificaComunicacao(e);
  }
  EXPECT_TRUE(operador.mensagens.isEmpty());
  EXPECT_TRUE(fake.registro().isEmpty());
}

}  // namespace
