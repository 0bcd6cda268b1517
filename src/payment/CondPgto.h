#pragma once
// The payment screen: the sale total split into payment rows (cash, terms,
// agreements, cheques). Loaded hidden with the sale screen, shown by F4, reset
// for each coupon; its grid and totals are read when the sale is closed.
#include <QStringList>
#include <array>
#include <cstdint>

#include "core/Database.h"
#include "core/Moeda.h"
#include "core/Tela.h"

class CondPgto : public Tela {
 public:
  explicit CondPgto(Aplicacao &app);
  void carrega() override;
  void ativa() override;

  // Back to the header and one free row, totals "0,00" (each new coupon).
  void LimpaPagamentos();
  // What the rows add up to (the sale screen refuses changes once not zero).
  Moeda totalFormas();
  // The cash rows' sum (what the customer hands over in money).
  Moeda totalDinheiro() { return valor("TotDin"); }
  // The rows holding a payment, eleven cells each, in grid order.
  QList<QStringList> linhasPreenchidas();

  // Payment-condition codes the grid can hold: 0 .. MaiorCodigo.
  static constexpr int MaiorCodigo = 999;

  static inline const QString MensagemConcluido = QStringLiteral("Total da venda CONCLUIDO !");

 private:
  void criaControles();
  void teclaTela(int &tecla, int shift);
  void teclaGrade(int &tecla, int shift);
  // The grid's current row, column 0, the visible columns selected.
  void marcaLinha(int linha);
  void apagaLinha();
  void insereLinha();
  void AbreQuadro();
  void FechaQuadro();
  void LimpaCampos();
  void HabilitaCheque();
  void DesabilitaCheque();
  void abandonaLinha();
  bool validaCodigo();
  bool validaValor();
  bool validaVencimento();
  void grava();
  void GravaLinha();
  void sai();
  void abreCliente();
  void refazLinhaDaForma();
  // Instalment terms (F8) and the copy of the first cheque (F6).
  void digitaPrazos();
  void copiaCheques();

  Moeda valor(const char *campo) { return ParaMoedaTexto(campo); }
  Moeda ParaMoedaTexto(const char *nome);
  void mostraTotal(const char *nome, const Moeda &v);
  Moeda emAberto() { return valor("TotVen") - valor("TotFor"); }

  Recordset RsCondicao, RsCliente;
  int64_t CodCliente = 0;
  std::array<int, MaiorCodigo + 1> LinhaDaForma{};
  int LinhaAtual = 0;
  int TipoCpg = 0;
  int64_t Convenio = 0;
  QString NomeForma;
  bool CodigoValido = false;
  int dupCpg_ = -1;  // kind of the code last accepted in the frame

  QString PrazoCheque;
  int QtdParcelas = 0;
  QStringList Prazos;
  Moeda ValorPrimeira, ValorDemais;
  bool UsaValorDemais = false;
};
