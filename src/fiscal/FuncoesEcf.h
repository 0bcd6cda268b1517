#pragma once
// The function list of the fiscal-printer libraries and their C signatures,
// written once and expanded wherever the list is needed: the function-pointer
// types of the dispatch layer, the simulator's export tables, the recording
// test library and the export checks.
//
// X(suffix, (parameters), (arguments)): every text is a zero-terminated 8-bit
// string the library may write into; output texts are blank-filled buffers of
// a fixed length; 16-bit integers go by value or by reference; every function
// returns a 32-bit status.

#if defined(_WIN32)
#define ECF_CONV __stdcall
#define ECF_EXPORT extern "C" __declspec(dllexport)
#else
#define ECF_CONV
#define ECF_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Bematech (Bematech_FI_ + suffix) and Sweda (ECF_ + suffix) share this list.
#define ECF_FUNCOES(X)                                                                       \
  X(AbrePortaSerial, (), ())                                                                 \
  X(FechaPortaSerial, (), ())                                                                \
  X(AbreCupom, (char *cpf), (cpf))                                                           \
  X(VendeItem,                                                                               \
    (char *codigo, char *descricao, char *aliquota, char *tipoQuantidade, char *quantidade,  \
     short casasDecimais, char *valorUnitario, char *tipoDesconto, char *desconto),          \
    (codigo, descricao, aliquota, tipoQuantidade, quantidade, casasDecimais, valorUnitario,  \
     tipoDesconto, desconto))                                                                \
  X(CancelaItemGenerico, (char *item), (item))                                               \
  X(CancelaCupom, (), ())                                                                    \
  X(IniciaFechamentoCupom, (char *acrescimoDesconto, char *tipo, char *valor),               \
    (acrescimoDesconto, tipo, valor))                                                        \
  X(EfetuaFormaPagamentoDescricaoForma, (char *forma, char *valor, char *descricao),         \
    (forma, valor, descricao))                                                               \
  X(TerminaFechamentoCupom, (char *mensagem), (mensagem))                                    \
  X(FechaCupomResumido, (char *forma, char *mensagem), (forma, mensagem))                    \
  X(NumeroCupom, (char *numero), (numero))                                                   \
  X(NumeroSerie, (char *serie), (serie))                                                     \
  X(DataMovimento, (char *data), (data))                                                     \
  X(DataHoraImpressora, (char *data, char *hora), (data, hora))                              \
  X(FlagsFiscais, (short *flags), (flags))                                                   \
  X(RetornoImpressora, (short *ack, short *st1, short *st2), (ack, st1, st2))                \
  X(VerificaFormasPagamento, (char *formas), (formas))                                       \
  X(VerificaTotalizadoresParciais, (char *totais), (totais))                                 \
  X(ProgramaFormaPagamentoMFD, (char *forma, char *tef), (forma, tef))                       \
  X(NomeiaTotalizadorNaoSujeitoIcms, (short indice, char *nome), (indice, nome))             \
  X(AberturaDoDia, (char *valor, char *forma), (valor, forma))                               \
  X(LeituraX, (), ())                                                                        \
  X(LeituraXSerial, (), ())                                                                  \
  X(ReducaoZ, (char *data, char *hora), (data, hora))                                        \
  X(LeituraMemoriaFiscalData, (char *dataInicial, char *dataFinal), (dataInicial, dataFinal)) \
  X(LeituraMemoriaFiscalReducao, (char *reducaoInicial, char *reducaoFinal),                 \
    (reducaoInicial, reducaoFinal))                                                          \
  X(RelatorioGerencial, (char *texto), (texto))                                              \
  X(FechaRelatorioGerencial, (), ())                                                         \
  X(RecebimentoNaoFiscal, (char *indice, char *valor, char *forma), (indice, valor, forma))  \
  X(Sangria, (char *valor), (valor))                                                         \
  X(Suprimento, (char *valor, char *forma), (valor, forma))                                  \
  X(VerificaEstadoGaveta, (short *estado), (estado))                                         \
  X(AcionaGaveta, (), ())                                                                    \
  X(Autenticacao, (), ())                                                                    \
  X(DownloadMFD, (char *arquivo, char *tipo, char *inicial, char *final, char *usuario),     \
    (arquivo, tipo, inicial, final, usuario))

// Epson: only the port and the identification, under their own names.
#define ECF_FUNCOES_EPSON(X)                                             \
  X(EPSON_Serial_Abrir_PortaEx, (), ())                                  \
  X(EPSON_Serial_Fechar_Porta, (), ())                                   \
  X(EPSON_Obter_Dados_Impressora, (char *dados), (dados))

// Fixed lengths of the output buffers.
namespace ecf {
inline constexpr int TamDataMovimento = 6;
inline constexpr int TamDataImpressora = 6;
inline constexpr int TamHoraImpressora = 6;
inline constexpr int TamNumCupom = 6;
inline constexpr int TamNumSerie = 20;
inline constexpr int TamFormasPagamento = 3016;
inline constexpr int TamTotalizadoresParciais = 445;
inline constexpr int TamDadosEpson = 108;

// One function-pointer type per library function: ecf::Tipo<suffix>.
#define ECF_DECLARA_TIPO(nome, parametros, argumentos) using Tipo##nome = int ECF_CONV parametros;
ECF_FUNCOES(ECF_DECLARA_TIPO)
ECF_FUNCOES_EPSON(ECF_DECLARA_TIPO)
#undef ECF_DECLARA_TIPO
}  // namespace ecf
