#include "presale/Visualiza_Venda.h"

#include "core/Database.h"
#include "core/Operator.h"
#include "core/Teclas.h"

VisualizaVenda::VisualizaVenda(Aplicacao &app)
    : TelaEmpenho(app, {"Visualiza_Venda", QStringLiteral("Consulta Venda (F4 - Alt Forma | F5 - Libera)"), false, true,
                        false, false}) {
  adiciona("LabTeclas", TipoCampo::Rotulo)
      .setTexto(QStringLiteral("<Enter> consulta   <F4> altera as formas de pagamento   <F5> libera o empenho   "
                               "<Esc> outro empenho / sai"));
  aoTeclarForm = [this](int &t, int shift) { teclaTela(t, shift); };
}

void VisualizaVenda::ativa() {
  if (!focado()) focaCampo("NumEpn", false);
}

void VisualizaVenda::teclaCarregado(int &t) {
  if (t == tecla::F4) {
    t = 0;
    AlteraFormaEmpenho();
  } else if (t == tecla::F5) {
    t = 0;
    TerminalState &e = estado();
    Recordset rs;
    rs.abre(MontaSql("Select StaEpn From Tb_Vda_CadEpn Where CodEpn=?", {codigo_}), e.conexao());
    // Only a pending empenho goes to the release program: pending when it
    // was loaded and still now (another desk may have claimed it since).
    const bool pendente = status_ == 0 && !rs.EOF_() && SemNulo(rs["StaEpn"]).toLongLong() == 0;
    if (!pendente) app().operador().avisa(MensagemNaoPendente);
    else LiberaEmpenho();
    NovoEmpenho();
  }
}
