// Brand routing of the wrappers, checked against recording fake libraries.
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

#include "ApoioFiscal.h"
#include "fiscal/Ecf.h"

namespace {

struct Caso {
  const char *wrapper;
  std::function<int16_t(TerminalState &)> chama;
  QString esperado;  // suffix and arguments as the library received them
};

QString brancos(int n) { return QString(n, ' '); }

QList<Caso> todosOsWrappers() {
  return {
      {"AbrePortaSerial", [](TerminalState &e) { return EcfAbrePortaSerial(e); }, "AbrePortaSerial"},
      {"FechaPortaSerial", [](TerminalState &e) { return EcfFechaPortaSerial(e); }, "FechaPortaSerial"},
      {"NumeroSerie", [](TerminalState &e) { return EcfNumeroSerie(e); }, "NumeroSerie|" + brancos(20)},
      {"AbreCupom", [](TerminalState &e) { return EcfAbreCupom(e, "123.456.789-01"); }, "AbreCupom|123.456.789-01"},
      {"VendeItem",
       [](TerminalState &e) {
         return EcfVendeItem(e, "789", QStringLiteral("Café"), "17,00", "F", "0001500", 2, "3,50", "%", "0000");
       },
       QStringLiteral("VendeItem|789|Café|17,00|F|0001500|2|3,50|%|0000")},
      {"CancelaItemGenerico", [](TerminalState &e) { return EcfCancelaItemGenerico(e, "003"); },
       "CancelaItemGenerico|003"},
      {"CancelaCupom", [](TerminalState &e) { return EcfCancelaCupom(e); }, "CancelaCupom"},
      {"IniciaFechamentoCupom", [](TerminalState &e) { return EcfIniciaFechamentoCupom(e, "D", "%", "0000"); },
       "IniciaFechamentoCupom|D|%|0000"},
      {"EfetuaFormaPagamentoDescricaoForma",
       [](TerminalState &e) { return EcfEfetuaFormaPagamentoDescricaoForma(e, "Dinheiro", "10.00", "Vencimento em 01/02/2026"); },
       "EfetuaFormaPagamentoDescricaoForma|Dinheiro|10.00|Vencimento em 01/02/2026"},
      {"TerminaFechamentoCupom", [](TerminalState &e) { return EcfTerminaFechamentoCupom(e, "OBRIGADO - VOLTE"); },
       "TerminaFechamentoCupom|OBRIGADO - VOLTE"},
      {"FechaCupomResumido", [](TerminalState &e) { return EcfFechaCupomResumido(e, "Dinheiro", "OBRIGADO"); },
       "FechaCupomResumido|Dinheiro|OBRIGADO"},
      {"NumeroCupom", [](TerminalState &e) { return EcfNumeroCupom(e); }, "NumeroCupom|" + brancos(6)},
      {"DataMovimento", [](TerminalState &e) { return EcfDataMovimento(e); }, "DataMovimento|" + brancos(6)},
      {"DataHoraImpressora", [](TerminalState &e) { return EcfDataHoraImpressora(e); },
       "DataHoraImpressora|" + brancos(6) + "|" + brancos(6)},
      {"FlagsFiscais", [](TerminalState &e) { return EcfFlagsFiscais(e); }, "FlagsFiscais|&0"},
      {"VerificaFormasPagamento", [](TerminalState &e) { return EcfVerificaFormasPagamento(e); },
       "VerificaFormasPagamento|" + brancos(3016)},
      {"VerificaTotalizadoresParciais", [](TerminalState &e) { return EcfVerificaTotalizadoresParciais(e); },
       "VerificaTotalizadoresParciais|" + brancos(445)},
      {"ProgramaFormaPagamentoMFD", [](TerminalState &e) { return EcfProgramaFormaPagamentoMFD(e, "Cheque", "0"); },
       "ProgramaFormaPagamentoMFD|Cheque|0"},
      {"NomeiaTotalizadorNaoSujeitoIcms",
       [](TerminalState &e) { return EcfNomeiaTotalizadorNaoSujeitoIcms(e, 1, "Receb de Contas"); },
       "NomeiaTotalizadorNaoSujeitoIcms|1|Receb de Contas"},
      {"AberturaDoDia", [](TerminalState &e) { return EcfAberturaDoDia(e, "100,00", "Dinheiro"); },
       "AberturaDoDia|100,00|Dinheiro"},
      {"LeituraX", [](TerminalState &e) { return EcfLeituraX(e); }, "LeituraX"},
      {"LeituraXSerial", [](TerminalState &e) { return EcfLeituraXSerial(e); }, "LeituraXSerial"},
      {"ReducaoZ", [](TerminalState &e) { return EcfReducaoZ(e, "", ""); }, "ReducaoZ||"},
      {"LeituraMemoriaFiscalData", [](TerminalState &e) { return EcfLeituraMemoriaFiscalData(e, "01/01/26", "31/01/26"); },
       "LeituraMemoriaFiscalData|01/01/26|31/01/26"},
      {"LeituraMemoriaFiscalReducao", [](TerminalState &e) { return EcfLeituraMemoriaFiscalReducao(e, "0001", "0002"); },
       "LeituraMemoriaFiscalReducao|0001|0002"},
      {"RelatorioGerencial", [](TerminalState &e) { return EcfRelatorioGerencial(e, "linha"); }, "RelatorioGerencial|linha"},
      {"FechaRelatorioGerencial", [](TerminalState &e) { return EcfFechaRelatorioGerencial(e); }, "FechaRelatorioGerencial"},
      {"RecebimentoNaoFiscal", [](TerminalState &e) { return EcfRecebimentoNaoFiscal(e, "01", "5,00", "Dinheiro"); },
       "RecebimentoNaoFiscal|01|5,00|Dinheiro"},
      {"Sangria", [](TerminalState &e) { return EcfSangria(e, "5,00"); }, "Sangria|5,00"},
      {"Suprimento", [](TerminalState &e) { return EcfSuprimento(e, "5,00", "Dinheiro"); }, "Suprimento|5,00|Dinheiro"},
      {"VerificaEstadoGaveta",
       [](TerminalState &e) {
         int16_t estado = 7;
         return EcfVerificaEstadoGaveta(e, estado);
       },
       "VerificaEstadoGaveta|&7"},
      {"AcionaGaveta", [](TerminalState &e) { return EcfAcionaGaveta(e); }, "AcionaGaveta"},
      {"Autenticacao", [](TerminalState &e) { return EcfAutenticacao(e); }, "Autenticacao"},
      {"RetornoImpressora",
       [](TerminalState &e) {
         int16_t ack = 1, st1 = 2, st2 = 3;
         return EcfRetornoImpressora(e, ack, st1, st2);
       },
       "RetornoImpressora|&1|&2|&3"},
  };
}

bool temEpson(const Caso &c) {
  const QString w = QLatin1String(c.wrapper);
  return w == "AbrePortaSerial" || w == "FechaPortaSerial" || w == "NumeroSerie";
}

class Despacho : public ::testing::Test {
 protected:
  void SetUp() override {
    DefineLocalizadorBibliotecaEcf([this](const QString &arquivo) {
      ++procuras;
      return QStringList{pastaFakes() + "/" + arquivo};
    });
    for (FakeEcf *f : {&bematech, &sweda, &epson}) f->limpa();
  }
  void TearDown() override {
    DefineLocalizadorBibliotecaEcf({});
    InstalaObservadorEcf({});
  }
  QStringList todosOsRegistros() { return bematech.registro() + sweda.registro() + epson.registro(); }

  TerminalState e;
  int procuras = 0;
  FakeEcf bematech{MarcaImpressora::Bematech}, sweda{MarcaImpressora::Sweda}, epson{MarcaImpressora::Epson};
};

TEST_F(Despacho, BematechESwedaChamamCadaFuncaoComOSufixoEOsArgumentosDaTabela) {
  ASSERT_EQ(todosOsWrappers().size(), 34);
  for (auto [marca, prefixo, fake] : {std::tuple{"BEMATECH", "Bematech_FI_", &bematech}, std::tuple{"SWEDA", "ECF_", &sweda}}) {
    e.MarcaEcf = marca;
    for (const Caso &c : todosOsWrappers()) {
      fake->limpa();
      fake->defineRetorno(1);
      EXPECT_EQ(c.chama(e), 1) << c.wrapper;
      EXPECT_EQ(fake->registro(), QStringList{prefixo + c.esperado}) << marca << " " << c.wrapper;
    }
  }
  EXPECT_TRUE(epson.registro().isEmpty());
}

TEST_F(Despacho, AsSaidasChegamAoEstadoEOStatusDe32BitsFicaCom16) {
  e.MarcaEcf = "SWEDA";
  sweda.defineSaidas(6, 3, 0);
  sweda.defineRetorno(0x10000 - 27);  // a 32-bit 65509 is -27 in 16 bits
  EXPECT_EQ(EcfNumeroCupom(e), -27);
  sweda.defineRetorno(1);
  EXPECT_EQ(e.NumCupom, "ABCDEF");
  EcfNumeroSerie(e);
  EXPECT_EQ(e.NumSerieEcf, "ABCDEFGHIJKLMNOPQRST");
  EcfDataMovimento(e);
  EcfDataHoraImpressora(e);
  EXPECT_EQ(e.DataMovimento, "ABCDEF");
  EXPECT_EQ(e.DataImpressora + e.HoraImpressora, "ABCDEFABCDEF");
  EcfVerificaFormasPagamento(e);
  EXPECT_EQ(e.FormasPgtoEcf.size(), 3016);
  EcfVerificaTotalizadoresParciais(e);
  EXPECT_EQ(e.FormasPgtoEcf.size(), 445);
  EcfFlagsFiscais(e);
  EXPECT_EQ(e.FlagsFiscais, 6);
  int16_t estado = 0;
  EcfVerificaEstadoGaveta(e, estado);
  EXPECT_EQ(estado, 6);
  int16_t ack = 0, st1 = 9, st2 = 9;
  EcfRetornoImpressora(e, ack, st1, st2);
  EXPECT_EQ(QList<int>({ack, st1, st2}), QList<int>({6, 3, 0}));
}

TEST_F(Despacho, EpsonSoTemPortaEIdentificacao) {
  e.MarcaEcf = "EPSON";
  epson.defineRetorno(-5);
  EXPECT_EQ(EcfAbrePortaSerial(e), -5);
  EXPECT_EQ(EcfFechaPortaSerial(e), -5);
  // The identification is the block's first 20 characters, and 1 whatever the library said.
  EXPECT_EQ(EcfNumeroSerie(e), 1);
  EXPECT_EQ(e.NumSerieEcf, "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(epson.registro(), QStringList({"EPSON_Serial_Abrir_PortaEx", "EPSON_Serial_Fechar_Porta",
                                           "EPSON_Obter_Dados_Impressora|" + brancos(108)}));
}

TEST_F(Despacho, EpsonForaDasTresEMarcaDesconhecidaNaoTocamBibliotecaEDevolvemZero) {
  for (const char *marca : {"EPSON", "", "DARUMA", "bematech", " SWEDA"}) {
    e.MarcaEcf = marca;
    for (const Caso &c : todosOsWrappers()) {
      if (QLatin1String(marca) == QLatin1String("EPSON") && temEpson(c)) continue;
      EXPECT_EQ(c.chama(e), 0) << marca << " " << c.wrapper;
    }
  }
  EXPECT_EQ(procuras, 0);
  EXPECT_TRUE(todosOsRegistros().isEmpty());
}

TEST_F(Despacho, SaidasVoltamEmBrancoComMarcaDesconhecida) {
  e.MarcaEcf = "OUTRA";
  e.NumCupom = "999999";
  e.FlagsFiscais = 33;
  EcfNumeroCupom(e);
  EcfFlagsFiscais(e);
  EcfVerificaTotalizadoresParciais(e);
  EXPECT_EQ(e.NumCupom, brancos(6));
  EXPECT_EQ(e.FlagsFiscais, 0);
  EXPECT_EQ(e.FormasPgtoEcf, brancos(445));
}

TEST_F(Despacho, OObservadorSabeDeCadaChamadaComArgumentosStatusESaidas) {
  QList<ChamadaEcf> vistas;
  InstalaObservadorEcf([&](const ChamadaEcf &c) { vistas << c; });
  e.MarcaEcf = "BEMATECH";
  bematech.defineRetorno(-3);
  EcfVendeItem(e, "1", "Pão", "18,00", "I", "0001", 2, "1,00", "%", "0000");
  bematech.defineRetorno(1);
  EcfNumeroCupom(e);
  e.MarcaEcf = "NENHUMA";
  EcfSangria(e, "1,00");
  ASSERT_EQ(vistas.size(), 3);
  EXPECT_EQ(vistas[0].funcao, "EcfVendeItem");
  EXPECT_EQ(vistas[0].argumentos,
            QStringList({"1", QStringLiteral("Pão"), "18,00", "I", "0001", "2", "1,00", "%", "0000"}));
  EXPECT_EQ(vistas[0].status, -3);
  EXPECT_EQ(vistas[1].saidas, QStringList{"ABCDEF"});
  EXPECT_EQ(vistas[2].funcao, "EcfSangria");
  EXPECT_EQ(vistas[2].status, 0);
}

TEST(CarregaBiblioteca, BibliotecaAusenteInvalidaOuSemAFuncaoEErroClaro) {
  testsupport::TempDrive drive;
  TerminalState e;
  e.MarcaEcf = "BEMATECH";
  DefineLocalizadorBibliotecaEcf([&](const QString &arquivo) { return QStringList{drive.path(arquivo)}; });
  try {
    EcfAbrePortaSerial(e);
    FAIL() << "no library, no error";
  } catch (const ErroBibliotecaEcf &erro) {
    EXPECT_TRUE(erro.mensagem().contains("libbemafi32.so")) << erro.what();
  }

  QFile lixo(drive.path("libbemafi32.so"));
  ASSERT_TRUE(lixo.open(QIODevice::WriteOnly));
  lixo.write("isto não é uma biblioteca");
  lixo.close();
  EXPECT_THROW(EcfAbrePortaSerial(e), ErroBibliotecaEcf);

  // A library of the wrong vendor lacks the function the wrapper names.
  DefineLocalizadorBibliotecaEcf([](const QString &) { return QStringList{pastaFakes() + "/libinterfaceepson.so"}; });
  try {
    EcfVendeItem(e, "1", "x", "FF", "I", "1", 2, "1,00", "%", "0000");
    FAIL() << "missing function, no error";
  } catch (const ErroBibliotecaEcf &erro) {
    EXPECT_TRUE(erro.mensagem().contains("Bematech_FI_VendeItem")) << erro.what();
  }
  DefineLocalizadorBibliotecaEcf({});
}

TEST(CarregaBiblioteca, ProcuraNaPastaKwVeltDoDriveAntesDoSistema) {
  testsupport::TempDrive drive;
  const QStringList lugares = LocalizaBibliotecaNoDrive("libconvecf.so");
  EXPECT_EQ(lugares, QStringList({drive.root() + "/kw-velt/libconvecf.so", "libconvecf.so"}));
  EXPECT_EQ(ArquivoBibliotecaEcf(MarcaDe("EPSON")), "libinterfaceepson.so");
  EXPECT_EQ(MarcaDe("Epson"), MarcaImpressora::Desconhecida);
}

}  // namespace
