// The simulated printer driven through the wrappers, as the terminal drives
// it: a drive with the simulator installed, brand BEMATECH, the printer's
// clock stopped at a fixed moment by its control file.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ApoioFiscal.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "fiscal/InstalaSimulador.h"

namespace {

struct Status {
  int ack, st1, st2;
  bool operator==(const Status &) const = default;
};
std::ostream &operator<<(std::ostream &os, const Status &s) {
  return os << s.ack << "," << s.st1 << "," << s.st2;
}

class Simulador : public ::testing::Test {
 protected:
  void SetUp() override {
    qunsetenv("PDV_ECF_SIM_DIR");
    qunsetenv("PDV_ECF_SIM_FALHAS");
    QString erro;
    ASSERT_TRUE(InstalaSimuladorNoDrive(drive.root(), Serie, &erro)) << erro.toStdString();
    relogio("2026-03-10T09:00:00");
    e.MarcaEcf = "BEMATECH";
    e.usaOperador(operador);
  }
  void TearDown() override {
    DescarregaBibliotecasEcf();
    qunsetenv("PDV_ECF_SIM_FALHAS");
  }

  QString pasta() const { return drive.path("kw-velt/ecf-sim"); }
  void controle(const QString &linhas) {
    QFile f(pasta() + "/falhas.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(("relogio " + momento + "\n" + linhas).toUtf8());
  }
  void relogio(const QString &quando) {
    momento = quando;
    controle({});
  }
  QString bobina() const {
    QFile f(pasta() + "/bobina.txt");
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
  Status status() {
    int16_t ack = 0, st1 = 0, st2 = 0;
    EcfRetornoImpressora(e, ack, st1, st2);
    return {ack, st1, st2};
  }
  QString cupom() {
    EcfNumeroCupom(e);
    return e.NumCupom;
  }
  int16_t flags() {
    EcfFlagsFiscais(e);
    return e.FlagsFiscais;
  }
  int16_t vende(const QString &codigo, const QString &aliquota, const QString &quantidade, const QString &preco) {
    return EcfVendeItem(e, codigo, "PRODUTO " + codigo, aliquota, "I", quantidade, 2, preco, "%", "0000");
  }
  int64_t acumuladoDaForma(const QString &nome) {
    EcfVerificaFormasPagamento(e);
    for (int i = 0; i < 50; ++i)
      if (e.FormasPgtoEcf.mid(58 * i, 15).trimmed() == nome) return e.FormasPgtoEcf.mid(58 * i + 16, 20).toLongLong();
    return -1;
  }
  QString totalParcial(int campo) {
    EcfVerificaTotalizadoresParciais(e);
    return e.FormasPgtoEcf.split(',').value(campo - 1);
  }
  void abreDia() { ASSERT_EQ(EcfAberturaDoDia(e, "100,00", "Dinheiro"), 1); }

  static constexpr const char *Serie = "SIM123456789012345";
  testsupport::TempDrive drive;
  TerminalState e;
  OperadorGravador operador;
  QString momento;
};

TEST_F(Simulador, UmCupomCompletoDeixaBobinaContadoresEFormas) {
  abreDia();  // X reading (COO 1) and the opening supply (COO 2)
  EXPECT_EQ(EcfDataMovimento(e), 1);
  EXPECT_EQ(e.DataMovimento, "100326");
  ASSERT_EQ(EcfProgramaFormaPagamentoMFD(e, "Cartao", "0"), 1);

  ASSERT_EQ(EcfAbreCupom(e, "123.456.789-01"), 1);
  EXPECT_EQ(cupom(), "000003");
  EXPECT_EQ(flags() & 1, 1);
  ASSERT_EQ(vende("7891000100103", "17,00", "0002", "5,50"), 1);      // 11,00
  ASSERT_EQ(vende("2", "FF", "0001", "3,00"), 1);                     // cancelled below
  ASSERT_EQ(EcfVendeItem(e, "3", "QUEIJO", "II", "F", "0001500", 2, "20,00", "%", "1000"), 1);  // 30,00 - 10%
  ASSERT_EQ(EcfCancelaItemGenerico(e, "002"), 1);
  ASSERT_EQ(EcfIniciaFechamentoCupom(e, "D", "%", "0000"), 1);
  ASSERT_EQ(EcfEfetuaFormaPagamentoDescricaoForma(e, "Dinheiro", "20.00", ""), 1);
  ASSERT_EQ(EcfEfetuaFormaPagamentoDescricaoForma(e, "CARTAO", "20.00", "Vencimento em 10/04/2026"), 1);
  e.Retorno = EcfTerminaFechamentoCupom(e, "TROCO  : 2-00\nOBRIGADO PELA PREFERENCIA !");
  EXPECT_TRUE(AnalisaRetorno(e, QString(), QString(), QStringLiteral("Fecha Cupom")));

  EXPECT_EQ(cupom(), "000003");
  EXPECT_EQ(flags() & (1 | 32), 32);  // closed, and still cancellable
  EXPECT_EQ(acumuladoDaForma("Dinheiro"), 10000 + 2000 - 200);  // supply, payment, less the change
  EXPECT_EQ(acumuladoDaForma("Cartao"), 2000);
  EXPECT_EQ(totalParcial(2).toLongLong(), 1100 + 300 + 3000);  // gross sales
  EXPECT_EQ(totalParcial(3).toLongLong(), 300);                // cancellations
  EXPECT_EQ(totalParcial(4).toLongLong(), 300);                // discounts
  EXPECT_EQ(totalParcial(7).toLongLong(), 10000);              // supplies

  const QString tape = bobina();
  for (const char *esperado : {"CUPOM FISCAL", "COO:000003", "CPF/CNPJ consumidor: 123.456.789-01",
                               "001 7891000100103 PRODUTO 7891000100103", "2,000 x 5,50   T1700",
                               "CANCELAMENTO ITEM 002", "desconto item", "TOTAL R$", "TROCO R$",
                               "Vencimento em 10/04/2026", "OBRIGADO PELA PREFERENCIA !", "FAB:SIM123456789012345"})
    EXPECT_TRUE(tape.contains(QString::fromUtf8(esperado))) << esperado;
  EXPECT_TRUE(tape.contains(QRegularExpression("TOTAL R\\$ +38,00")));
}

TEST_F(Simulador, FechaCupomResumidoFechaEmUmPasso) {
  abreDia();
  ASSERT_EQ(EcfAbreCupom(e, ""), 1);
  ASSERT_EQ(vende("1", "12,00", "0003", "2,00"), 1);
  EXPECT_EQ(EcfFechaCupomResumido(e, "Cheque", "X"), -24);  // not programmed
  ASSERT_EQ(EcfFechaCupomResumido(e, "Dinheiro", "VOLTE SEMPRE"), 1);
  EXPECT_EQ(flags() & 1, 0);
  EXPECT_EQ(acumuladoDaForma("Dinheiro"), 10000 + 600);
  EXPECT_TRUE(bobina().contains("VOLTE SEMPRE"));
}

TEST_F(Simulador, ComandosRecusadosDizemPorQueNosBytesDeStatus) {
  abreDia();
  EXPECT_EQ(vende("1", "FF", "0001", "1,00"), -27);  // no coupon open
  EXPECT_EQ(status(), (Status{6, 0, 1}));
  ASSERT_EQ(EcfAbreCupom(e, ""), 1);
  EXPECT_EQ(EcfAbreCupom(e, ""), -27);
  EXPECT_EQ(status(), (Status{6, 2, 1}));
  EXPECT_EQ(vende("1", "18,00", "0001", "1,00"), -3);
  EXPECT_EQ(status().st2 & 16, 16);
  EXPECT_EQ(vende("1", "FF", "0001", "abc"), -2);
  ASSERT_EQ(vende("1", "1700", "0001", "1,00"), 1);  // the rate as four digits
  EXPECT_EQ(EcfCancelaItemGenerico(e, "009"), -27);
  EXPECT_EQ(status(), (Status{6, 0, 4}));
  ASSERT_EQ(EcfCancelaItemGenerico(e, "001"), 1);
  e.Retorno = EcfCancelaItemGenerico(e, "001");
  EXPECT_EQ(e.Retorno, -27);
  EXPECT_FALSE(AnalisaRetorno(e, QString(), QString(), QStringLiteral("Cancela Item")));
  EXPECT_TRUE(operador.mensagens.last().texto.contains(QStringLiteral("Cancelamento não permitido")));
  EXPECT_EQ(EcfIniciaFechamentoCupom(e, "D", "%", "0000"), -27);  // nothing left to total
  ASSERT_EQ(vende("2", "II", "0001", "4,00"), 1);

  e.Retorno = EcfReducaoZ(e, "", "");
  EXPECT_EQ(e.Retorno, -27);
  EXPECT_FALSE(AnalisaRetorno(e, QString(), QString(), QStringLiteral("Redução Z")));
  EXPECT_TRUE(operador.mensagens.last().texto.contains("Cupom fiscal aberto"));
  EXPECT_EQ(EcfLeituraX(e), -27);
  EXPECT_EQ(EcfSangria(e, "1,00"), -27);

  ASSERT_EQ(EcfIniciaFechamentoCupom(e, "A", "$", "0,50"), 1);
  EXPECT_EQ(EcfEfetuaFormaPagamentoDescricaoForma(e, "Vale", "4.50", ""), -24);
  EXPECT_EQ(EcfTerminaFechamentoCupom(e, "X"), -27);  // not paid yet
  ASSERT_EQ(EcfEfetuaFormaPagamentoDescricaoForma(e, "dinheiro", "4.50", ""), 1);
  ASSERT_EQ(EcfTerminaFechamentoCupom(e, "X"), 1);
}

TEST_F(Simulador, CancelaOCupomAbertoOuOUltimoFechado) {
  abreDia();
  ASSERT_EQ(EcfAbreCupom(e, ""), 1);
  ASSERT_EQ(vende("1", "07,00", "0001", "9,00"), 1);
  ASSERT_EQ(EcfCancelaCupom(e), 1);
  EXPECT_EQ(flags() & (1 | 32), 0);
  EXPECT_EQ(EcfCancelaCupom(e), -27);
  EXPECT_EQ(status(), (Status{6, 0, 4}));

  ASSERT_EQ(EcfAbreCupom(e, ""), 1);
  ASSERT_EQ(vende("1", "25,00", "0001", "9,00"), 1);
  ASSERT_EQ(EcfFechaCupomResumido(e, "Dinheiro", ""), 1);
  EXPECT_EQ(acumuladoDaForma("Dinheiro"), 10900);
  ASSERT_EQ(EcfCancelaCupom(e), 1);  // the last coupon, by a document of its own
  EXPECT_EQ(cupom(), "000005");
  EXPECT_EQ(acumuladoDaForma("Dinheiro"), 10000);
  EXPECT_EQ(flags() & 32, 0);
  EXPECT_EQ(EcfCancelaCupom(e), -27);
  EXPECT_TRUE(bobina().contains("CUPOM FISCAL CANCELADO"));
}

// The detail tape by document number (COO): the coupon as printed, and the
// cancellation document that names it; only that range.
TEST_F(Simulador, FitaDetalhePorCooTrazOsDocumentosDaFaixa) {
  abreDia();
  ASSERT_EQ(EcfAbreCupom(e, ""), 1);
  ASSERT_EQ(vende("1", "25,00", "0001", "9,00"), 1);
  ASSERT_EQ(EcfFechaCupomResumido(e, "Dinheiro", ""), 1);
  const QString coupon = cupom();
  ASSERT_EQ(EcfCancelaCupom(e), 1);
  const QString arquivo = "c:\\kw-velt\\mfd.txt";
  ASSERT_EQ(EcfDownloadMFD(e, arquivo, "2", coupon, cupom()), 1);
  QFile f(drive.path("kw-velt/mfd.txt"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString texto = QString::fromUtf8(f.readAll());
  EXPECT_TRUE(texto.contains("COO:" + coupon)) << texto.toStdString();
  EXPECT_TRUE(texto.contains("PRODUTO 1")) << texto.toStdString();
  EXPECT_TRUE(texto.contains("CUPOM FISCAL CANCELADO")) << texto.toStdString();
  EXPECT_FALSE(texto.contains("SUPRIMENTO")) << texto.toStdString();  // the day's opening is before the range
  EXPECT_EQ(EcfDownloadMFD(e, arquivo, "1", coupon, coupon), -2);  // by date: not kept
  EXPECT_EQ(EcfDownloadMFD(e, arquivo, "2", cupom(), coupon), -2);
}

TEST_F(Simulador, OEstadoSobreviveADescargaDaBiblioteca) {
  abreDia();
  ASSERT_EQ(EcfAbrePortaSerial(e), 1);
  ASSERT_EQ(EcfAbreCupom(e, ""), 1);
  ASSERT_EQ(vende("1", "FF", "0002", "1,25"), 1);
  DescarregaBibliotecasEcf();  // as if the program died with the coupon open

  EXPECT_EQ(EcfAbrePortaSerial(e), 1);
  EXPECT_EQ(flags() & 1, 1);
  EXPECT_EQ(cupom(), "000003");
  ASSERT_EQ(EcfIniciaFechamentoCupom(e, "D", "%", "0000"), 1);
  ASSERT_EQ(EcfEfetuaFormaPagamentoDescricaoForma(e, "Dinheiro", "2,50", ""), 1);
  ASSERT_EQ(EcfTerminaFechamentoCupom(e, ""), 1);
  EXPECT_EQ(EcfFechaPortaSerial(e), 1);
  DescarregaBibliotecasEcf();
  EXPECT_EQ(acumuladoDaForma("Dinheiro"), 10250);
  EXPECT_EQ(EcfNumeroSerie(e), 1);
  EXPECT_EQ(e.NumSerieEcf, QString(Serie).leftJustified(20));
}

TEST_F(Simulador, UmSoProgramaPorVezNaPorta) {
  ASSERT_EQ(EcfAbrePortaSerial(e), 1);
  e.MarcaEcf = "SWEDA";  // another copy of the simulator on the same memory
  EXPECT_EQ(EcfAbrePortaSerial(e), -5);
  EXPECT_EQ(EcfNumeroCupom(e), -5);
  e.MarcaEcf = "BEMATECH";
  ASSERT_EQ(EcfFechaPortaSerial(e), 1);
  e.MarcaEcf = "SWEDA";
  EXPECT_EQ(EcfAbrePortaSerial(e), 1);
  EXPECT_EQ(EcfFechaPortaSerial(e), 1);
}

TEST_F(Simulador, AReducaoZFechaODiaEBloqueiaAteOOutroDia) {
  abreDia();
  ASSERT_EQ(EcfAbreCupom(e, ""), 1);
  ASSERT_EQ(vende("1", "12,00", "0001", "10,00"), 1);
  ASSERT_EQ(EcfFechaCupomResumido(e, "Dinheiro", ""), 1);
  ASSERT_EQ(EcfReducaoZ(e, "", ""), 1);
  EcfDataMovimento(e);
  EXPECT_EQ(e.DataMovimento, "000000");
  EXPECT_EQ(flags() & 8, 8);
  EXPECT_EQ(FlagsBinario(e.FlagsFiscais).mid(4, 1), "1");
  EXPECT_EQ(acumuladoDaForma("Dinheiro"), 0);
  EXPECT_EQ(EcfAbreCupom(e, ""), -27);
  EXPECT_EQ(status().ack, 21);
  EXPECT_EQ(EcfAberturaDoDia(e, "0,00", "Dinheiro"), -27);
  EXPECT_EQ(EcfReducaoZ(e, "", ""), -27);
  EXPECT_TRUE(bobina().contains(QStringLiteral("REDUÇÃO Z")));

  relogio("2026-03-11T08:00:00");
  EXPECT_EQ(flags() & 8, 0);
  EXPECT_EQ(EcfAberturaDoDia(e, "50,00", "Dinheiro"), 1);
  EcfDataMovimento(e);
  EXPECT_EQ(e.DataMovimento, "110326");
}

TEST_F(Simulador, MovimentoDeUmDiaAnteriorPedeReducaoSemBloquearHoje) {
  abreDia();
  relogio("2026-03-11T08:00:00");
  EcfDataMovimento(e);
  EXPECT_EQ(e.DataMovimento, "100326");
  EXPECT_EQ(EcfAbreCupom(e, ""), -27);
  EXPECT_EQ(status().ack, 21);
  ASSERT_EQ(EcfReducaoZ(e, "11/03/26", "08:00:00"), 1);
  EXPECT_EQ(flags() & 8, 0);
  EXPECT_EQ(EcfAbreCupom(e, ""), 1);  // opens today's movement
  EcfDataMovimento(e);
  EXPECT_EQ(e.DataMovimento, "110326");
}

TEST_F(Simulador, LeiturasDaMemoriaFiscalConferemOsLimites) {
  EXPECT_EQ(EcfLeituraMemoriaFiscalReducao(e, "0001", "0001"), -28);  // no reduction yet
  abreDia();
  ASSERT_EQ(EcfReducaoZ(e, "", ""), 1);
  relogio("2026-03-11T08:00:00");
  ASSERT_EQ(EcfReducaoZ(e, "", ""), 1);  // a reduction with no movement
  EXPECT_EQ(EcfLeituraMemoriaFiscalReducao(e, "0001", "0002"), 1);
  EXPECT_EQ(EcfLeituraMemoriaFiscalReducao(e, "0003", "0009"), -28);
  EXPECT_EQ(EcfLeituraMemoriaFiscalReducao(e, "0002", "0001"), -2);
  EXPECT_EQ(EcfLeituraMemoriaFiscalReducao(e, "", "0001"), -2);
  EXPECT_EQ(EcfLeituraMemoriaFiscalData(e, "10/03/26", "10/03/2026"), 1);
  EXPECT_EQ(EcfLeituraMemoriaFiscalData(e, "01/01/26", "31/01/26"), -28);
  EXPECT_EQ(EcfLeituraMemoriaFiscalData(e, "11/03/26", "10/03/26"), -2);
  EXPECT_EQ(EcfLeituraMemoriaFiscalData(e, "32/03/26", "10/04/26"), -2);
  EXPECT_TRUE(bobina().contains(QStringLiteral("LEITURA DA MEMÓRIA FISCAL")));
}

TEST_F(Simulador, LeituraXImpressaOuNoArquivoRetorno) {
  abreDia();
  ASSERT_EQ(EcfLeituraX(e), 1);
  EXPECT_EQ(cupom(), "000003");
  const QString antes = bobina();
  ASSERT_EQ(EcfLeituraXSerial(e), 1);
  EXPECT_EQ(bobina(), antes);  // not printed
  EXPECT_EQ(cupom(), "000003");
  QFile retorno(drive.path("retorno.txt"));
  ASSERT_TRUE(retorno.open(QIODevice::ReadOnly));
  const QString texto = QString::fromLatin1(retorno.readAll());
  EXPECT_TRUE(texto.startsWith("LEITURA X\r\n"));
  EXPECT_TRUE(texto.contains(Serie));
  EXPECT_TRUE(texto.contains(QRegularExpression("Suprimentos +100,00\r\n")));
}

TEST_F(Simulador, OperacoesNaoFiscaisERelatorioGerencial) {
  abreDia();
  ASSERT_EQ(EcfNomeiaTotalizadorNaoSujeitoIcms(e, 1, "Receb de Contas"), 1);
  ASSERT_EQ(EcfRecebimentoNaoFiscal(e, "01", "30,00", "Dinheiro"), 1);
  EXPECT_EQ(EcfRecebimentoNaoFiscal(e, "05", "30,00", "Dinheiro"), -25);
  EXPECT_EQ(EcfRecebimentoNaoFiscal(e, "29", "30,00", "Vale"), -24);
  ASSERT_EQ(EcfSangria(e, "40,00"), 1);
  ASSERT_EQ(EcfSuprimento(e, "5,00", "Dinheiro"), 1);
  EXPECT_EQ(totalParcial(5).left(14).toLongLong(), 3000);
  EXPECT_EQ(totalParcial(6).toLongLong(), 4000);
  EXPECT_EQ(totalParcial(7).toLongLong(), 10500);
  EXPECT_EQ(e.FormasPgtoEcf.size(), 445);

  ASSERT_EQ(EcfRelatorioGerencial(e, "FORMAS DO DIA\nDinheiro 135,00"), 1);
  EXPECT_EQ(EcfAbreCupom(e, ""), -27);  // the report is still open
  ASSERT_EQ(EcfFechaRelatorioGerencial(e), 1);
  EXPECT_EQ(EcfFechaRelatorioGerencial(e), -27);
  const QString tape = bobina();
  EXPECT_TRUE(tape.contains(QStringLiteral("RELATÓRIO GERENCIAL")));
  EXPECT_TRUE(tape.contains("Dinheiro 135,00"));
  EXPECT_TRUE(tape.contains("01 Receb de Contas"));
  EXPECT_TRUE(tape.contains("SANGRIA"));
}

TEST_F(Simulador, GavetaEAutenticacao) {
  int16_t estado = -1;
  ASSERT_EQ(EcfVerificaEstadoGaveta(e, estado), 1);
  EXPECT_EQ(estado, 0);
  ASSERT_EQ(EcfAcionaGaveta(e), 1);
  EcfVerificaEstadoGaveta(e, estado);
  EXPECT_EQ(estado, 1);
  EXPECT_EQ(EcfAutenticacao(e), -27);  // no document to authenticate
  abreDia();
  ASSERT_EQ(EcfAbreCupom(e, ""), 1);
  EcfVerificaEstadoGaveta(e, estado);
  EXPECT_EQ(estado, 0);
  ASSERT_EQ(vende("1", "FF", "0001", "1,00"), 1);
  ASSERT_EQ(EcfFechaCupomResumido(e, "Dinheiro", ""), 1);
  EXPECT_EQ(EcfAutenticacao(e), 1);
  EXPECT_TRUE(bobina().contains(QStringLiteral("AUTENTICAÇÃO")));
}

TEST_F(Simulador, TabelaDeFormasTem50RegistrosDe58) {
  ASSERT_EQ(EcfProgramaFormaPagamentoMFD(e, "Cheque", "0"), 1);
  EXPECT_EQ(EcfProgramaFormaPagamentoMFD(e, "Nome longo demais p", "0"), -2);
  ASSERT_EQ(EcfVerificaFormasPagamento(e), 1);
  ASSERT_EQ(e.FormasPgtoEcf.size(), 3016);
  EXPECT_EQ(e.FormasPgtoEcf.mid(0, 15), "Dinheiro       ");
  EXPECT_EQ(e.FormasPgtoEcf.mid(58, 15), "Cheque         ");
  EXPECT_EQ(e.FormasPgtoEcf.mid(58 * 2, 15).trimmed(), "");
  EXPECT_EQ(e.FormasPgtoEcf.mid(16, 20), QString(20, '0'));
}

TEST_F(Simulador, EpsonIdentificaPelosPrimeiros20) {
  e.MarcaEcf = "EPSON";
  EXPECT_EQ(EcfAbrePortaSerial(e), 1);
  EXPECT_EQ(EcfNumeroSerie(e), 1);
  EXPECT_EQ(e.NumSerieEcf, QString(Serie).leftJustified(20));
  EXPECT_EQ(EcfAbreCupom(e, ""), 0);
  EXPECT_EQ(EcfFechaPortaSerial(e), 1);
}

// ---- faults on demand ----

TEST_F(Simulador, ImpressoraDesligadaDevolveZeroEmTudo) {
  controle("desligada\n");
  EXPECT_EQ(EcfAbrePortaSerial(e), 0);
  EXPECT_EQ(EcfNumeroCupom(e), 0);
  EXPECT_EQ(EcfAberturaDoDia(e, "1,00", "Dinheiro"), 0);
  controle({});
  EXPECT_EQ(EcfAbrePortaSerial(e), 1);
}

TEST_F(Simulador, RetornoForcadoUmaVezOuSempre) {
  controle("retorno AbreCupom -6\nretorno Sangria -1 sempre\n");
  abreDia();
  EXPECT_EQ(EcfAbreCupom(e, ""), -6);
  EXPECT_EQ(cupom(), "000002");  // not executed
  EXPECT_EQ(EcfAbreCupom(e, ""), 1);
  EXPECT_EQ(EcfCancelaCupom(e), 1);
  EXPECT_EQ(EcfSangria(e, "1,00"), -1);
  EXPECT_EQ(EcfSangria(e, "1,00"), -1);

  qputenv("PDV_ECF_SIM_FALHAS", "retorno LeituraX -5;st2 2");
  EXPECT_EQ(EcfLeituraX(e), -5);
  EXPECT_EQ(EcfLeituraX(e), -27);  // the forced return was used; the status bits stay
  EXPECT_EQ(status(), (Status{6, 0, 2}));
}

TEST_F(Simulador, BitsDeStatusInjetados) {
  controle("st1 32\nack 6\n");
  EXPECT_EQ(EcfNumeroCupom(e), -27);  // executed, status not normal
  EXPECT_EQ(e.NumCupom, "000000");
  EXPECT_EQ(status(), (Status{6, 32, 0}));
  e.Retorno = -27;
  EXPECT_FALSE(AnalisaRetorno(e, QString(), QString(), QString()));
  EXPECT_TRUE(operador.mensagens.last().texto.contains(QStringLiteral("Erro no relógio")));
  controle("ack 21\n");
  EXPECT_EQ(EcfNumeroCupom(e), -27);
  EXPECT_EQ(status().ack, 21);
}

TEST_F(Simulador, FimEPoucoPapel) {
  abreDia();
  controle("papel fim\n");
  EXPECT_EQ(EcfAbreCupom(e, ""), -27);
  EXPECT_EQ(status(), (Status{6, 128, 1}));
  EXPECT_EQ(EcfNumeroCupom(e), 1);  // reading needs no paper
  EXPECT_EQ(e.NumCupom, "000002");
  controle("papel pouco\n");
  EXPECT_EQ(EcfAbreCupom(e, ""), -27);
  EXPECT_EQ(status(), (Status{6, 64, 0}));
  EXPECT_EQ(flags() & 1, 1);  // low paper still prints
}

TEST_F(Simulador, AtrasoDaLinhaSerialNaoMudaOsResultados) {
  controle("baud 1000000\nlinha que ninguém entende\n");
  abreDia();
  EXPECT_EQ(EcfLeituraX(e), 1);
}

TEST_F(Simulador, RelogioComDeslocamento) {
  controle("relogio +1d\n");
  abreDia();
  EcfDataHoraImpressora(e);
  EXPECT_EQ(e.DataImpressora, "110326");
  EXPECT_EQ(e.HoraImpressora, "090000");
}

TEST_F(Simulador, MemoriaIlegivelEErroSemSobrescrever) {
  QFile memoria(pasta() + "/memoria.json");
  ASSERT_TRUE(memoria.open(QIODevice::WriteOnly));
  memoria.write("{ isto não é json");
  memoria.close();
  EXPECT_EQ(EcfAbrePortaSerial(e), -1);
  EXPECT_EQ(EcfNumeroCupom(e), -1);
  ASSERT_TRUE(memoria.open(QIODevice::ReadOnly));
  EXPECT_EQ(memoria.readAll(), QByteArray("{ isto não é json"));
}

TEST_F(Simulador, MemoriaComTiposErradosEIlegivelENaoERegravada) {
  abreDia();
  EXPECT_EQ(EcfFechaPortaSerial(e), 1);
  QFile memoria(pasta() + "/memoria.json");
  ASSERT_TRUE(memoria.open(QIODevice::ReadOnly));
  const QByteArray boa = memoria.readAll();
  memoria.close();
  const auto estraga = [&](const QByteArray &de, const QByteArray &para) {
    QByteArray ruim = boa;
    ruim.replace(de, para);
    EXPECT_NE(ruim, boa) << de.constData();
    ASSERT_TRUE(memoria.open(QIODevice::WriteOnly | QIODevice::Truncate));
    memoria.write(ruim);
    memoria.close();
    EXPECT_EQ(EcfAbrePortaSerial(e), -1) << para.constData();
    ASSERT_TRUE(memoria.open(QIODevice::ReadOnly));
    EXPECT_EQ(memoria.readAll(), ruim) << para.constData();
    memoria.close();
  };
  estraga("\"grandeTotal\": \"", "\"grandeTotal\": 12345678, \"x\": \"");
  estraga("\"coo\": ", "\"coo\": -");
  estraga("\"aliquotas\": [", "\"aliquotas\": [[1], ");
  // The good memory is read again as it was.
  ASSERT_TRUE(memoria.open(QIODevice::WriteOnly | QIODevice::Truncate));
  memoria.write(boa);
  memoria.close();
  EXPECT_EQ(EcfAbrePortaSerial(e), 1);
}

TEST_F(Simulador, LinhaDeFalhaNaoEntendidaERelatadaUmaVez) {
  controle("retorno Sangria\npapel muito\nst1 64\n");
  EXPECT_EQ(EcfAbrePortaSerial(e), -27);  // the line understood still counts
  EcfNumeroCupom(e);
  QFile relato(pasta() + "/falhas-nao-entendidas.txt");
  ASSERT_TRUE(relato.open(QIODevice::ReadOnly));
  const QString texto = QString::fromUtf8(relato.readAll());
  EXPECT_EQ(texto.count('\n'), 2) << texto.toStdString();
  EXPECT_TRUE(texto.contains("\"retorno Sangria\"") && texto.contains("\"papel muito\"")) << texto.toStdString();
}

TEST_F(Simulador, PastaDefinidaPeloAmbiente) {
  QTemporaryDir outra;
  qputenv("PDV_ECF_SIM_DIR", outra.path().toUtf8());
  abreDia();
  qunsetenv("PDV_ECF_SIM_DIR");
  EXPECT_TRUE(QFile::exists(outra.path() + "/bobina.txt"));
  EXPECT_FALSE(QFile::exists(pasta() + "/bobina.txt"));
}

TEST(InstalaSimulador, CopiaAsTresBibliotecasECriaAMemoria) {
  testsupport::TempDrive drive;
  QString erro;
  ASSERT_TRUE(InstalaSimuladorNoDrive(drive.root(), "SIMXYZ", &erro)) << erro.toStdString();
  for (const char *arquivo : {"libbemafi32.so", "libconvecf.so", "libinterfaceepson.so"})
    EXPECT_TRUE(QFile::exists(drive.path("kw-velt/") + arquivo)) << arquivo;
  QFile memoria(drive.path("kw-velt/ecf-sim/memoria.json"));
  ASSERT_TRUE(memoria.open(QIODevice::ReadOnly));
  EXPECT_TRUE(memoria.readAll().contains("\"numeroSerie\": \"SIMXYZ\""));
  EXPECT_FALSE(InstalaSimuladorNoDrive(drive.root(), "", &erro));
  EXPECT_FALSE(erro.isEmpty());
}

}  // namespace
