#pragma once
// The simulated fiscal printer's commands over its memory. Each command sets
// the status bytes (ACK, ST1, ST2) and returns the library status: 1 accepted,
// -2 invalid parameter, -3 rate not programmed, -24 payment form not
// programmed, -25 non-fiscal totaliser not programmed, -27 refused by the
// printer (the status bytes say why), -28 no data to print.
#include <QDateTime>
#include <QString>
#include <optional>

#include "fiscal/FlagsFiscais.h"
#include "fiscal/sim/Bobina.h"
#include "fiscal/sim/Memoria.h"

namespace ecfsim {

namespace st1 {
inline constexpr int FimPapel = 128, PoucoPapel = 64, ErroRelogio = 32, EmErro = 16, CupomAberto = 2;
}
namespace st2 {
inline constexpr int ParametroInvalido = 128, AliquotaNaoProgramada = 16, CancelamentoNaoPermitido = 4,
                     ComandoNaoExecutado = 1;
}
namespace retorno {
inline constexpr int Aceito = 1, ParametroInvalido = -2, AliquotaNaoProgramada = -3, ErroArquivo = -8,
                     FormaNaoProgramada = -24, TotalizadorNaoProgramado = -25, StatusAnormal = -27,
                     SemDados = -28;
}

class Impressora {
 public:
  Impressora(MemoriaFiscal &memoria, Bobina &bobina, QDateTime agora, QString arquivoRetorno);

  int abreCupom(const QString &documento);
  int vendeItem(const QString &codigo, const QString &descricao, const QString &aliquota,
                const QString &tipoQuantidade, const QString &quantidade, int casas, const QString &valorUnitario,
                const QString &tipoDesconto, const QString &desconto);
  int cancelaItem(const QString &item);
  int cancelaCupom();
  int iniciaFechamento(const QString &acrescimoDesconto, const QString &tipo, const QString &valor);
  int efetuaPagamento(const QString &forma, const QString &valor, const QString &descricao);
  int terminaFechamento(const QString &mensagem);
  int fechaCupomResumido(const QString &forma, const QString &mensagem);

  int numeroCupom(QString &numero) const;
  int numeroSerie(QString &serie) const;
  int dataMovimento(QString &data) const;
  int dataHora(QString &data, QString &hora) const;
  int flags(short &valor) const;
  int formasPagamento(QString &tabela) const;
  int totalizadoresParciais(QString &totais) const;
  int dadosEpson(QString &dados) const;

  int programaForma(const QString &nome, const QString &tef);
  int nomeiaTotalizador(int indice, const QString &nome);

  int aberturaDoDia(const QString &valor, const QString &forma);
  int leituraX();
  int leituraXSerial();
  int reducaoZ(const QString &data, const QString &hora);
  int memoriaFiscalData(const QString &inicial, const QString &final);
  int memoriaFiscalReducao(const QString &inicial, const QString &final);

  int relatorioGerencial(const QString &texto);
  int fechaRelatorio();
  int recebimentoNaoFiscal(const QString &indice, const QString &valor, const QString &forma);
  int sangria(const QString &valor);
  int suprimento(const QString &valor, const QString &forma);

  int estadoGaveta(short &estado) const;
  int acionaGaveta();
  int autenticacao();

  // The X-reading lines (printed, or written to the serial file).
  QStringList linhasLeituraX() const;

 private:
  QDate hoje() const { return agora_.date(); }
  bool diaBloqueado() const;
  bool reducaoPendente() const;
  int recusa(int bitsSt1, int bitsSt2);
  int recusaComando();  // ACK 21
  int invalido();
  int exigeDiaParaDocumento();
  int exigeSemDocumentoAberto();
  void abreMovimento();
  void novoDocumento(const QString &titulo);
  void cabecalho(const QString &titulo);
  void rodape();
  std::optional<QString> totalizadorDaAliquota(const QString &aliquota) const;
  void imprimeLeituraX();
  void fechaCupom(const QString &mensagem);
  QString formaDoTroco(const QList<Pagamento> &pagamentos) const;
  void acumulaForma(const QString &forma, Centavos valor);
  void imprimeReducao(const Reducao &r);

  MemoriaFiscal &m_;
  Bobina &bobina_;
  QDateTime agora_;
  QString arquivoRetorno_;
};

}  // namespace ecfsim
