#pragma once
// The fiscal-memory readings: by a range of dates and by a range of
// reductions. One screen with the two ranges' differences as data; a reading
// the printer refuses leaves the screen open with what was typed.
#include <QString>
#include <cstdint>

#include "core/Tela.h"

class MemoriaFiscal : public Tela {
 public:
  // True once the printer accepted the reading.
  bool lida() const { return lida_; }

 protected:
  using Leitura = int16_t (*)(TerminalState &, const QString &inicial, const QString &final);
  struct Faixa {
    const char *nome;
    QString legenda, moldura;
    const char *inicial, *final;
    TipoCampo tipo;
    Leitura leitura;
    QString titulo;  // of the printer's status messages
  };
  MemoriaFiscal(Aplicacao &app, const Faixa &faixa);
  void ativa() override;
  // The field's text as the printer takes it.
  virtual QString paraImpressora(const Campo &campo) const { return campo.texto(); }

 private:
  void confirma();
  Faixa faixa_;
  bool lida_ = false;
};

class MemoriaFiscData : public MemoriaFiscal {
 public:
  explicit MemoriaFiscData(Aplicacao &app);

 protected:
  // A complete date goes as "dd/mm/yy"; anything else as typed, for the
  // printer to refuse.
  QString paraImpressora(const Campo &campo) const override;
};

class MemoriaFiscReduc : public MemoriaFiscal {
 public:
  explicit MemoriaFiscReduc(Aplicacao &app);
  // A reduction counter has four digits.
  static constexpr int DigitosReducao = 4;
};
