#include "sale/Vendedor.h"

#include "core/Database.h"
#include "core/Operator.h"
#include "core/Teclas.h"
#include "lookup/FormPesq.h"

namespace {

const QString CodigoInvalido = QStringLiteral("Digite um código válido ou 'F2' para pesquisa !");

// The salesperson's name (trimmed); none for a code no salesperson has.
// Throws ErroBanco.
std::optional<QString> NomeVendedor(ConexaoBanco &conexao, qlonglong codigo) {
  Recordset rs;
  rs.abre(MontaSql("Select * From Tb_Vda_CadVen Where CodVen=?", {codigo}), conexao);
  if (rs.EOF_()) return std::nullopt;
  return SemNulo(rs["NomVen"]).toString().trimmed();
}

}  // namespace

Vendedor::Vendedor(Aplicacao &app, Escolha escolha)
    : Tela(app, "Vendedor", QStringLiteral("Vendedor")), escolha_(std::move(escolha)) {
  adiciona("Label1", TipoCampo::Rotulo).setTexto(QStringLiteral("Código do Vendedor (F2 pesquisa, Esc sai)"));
  Campo &codigo = adiciona("CodVen", TipoCampo::Texto);
  codigo.maxLength = 10;
  codigo.toolTip = QStringLiteral("Código do vendedor da venda; F2 pesquisa.");
  codigo.aoGanharFoco = [&codigo] {
    // A salesperson chosen in the search comes back here.
    if (TomaCodigoPesquisa(codigo, &TerminalState::CodVenPesq)) codigo.selecionaTudo();
  };
  codigo.aoMudar = [this] {
    conferido_ = false;
    nome_.clear();
    campo("NomVen").setTexto(QString());
  };
  codigo.aoValidar = [this] { return confereCodigo(); };
  adiciona("NomVen", TipoCampo::Rotulo);
  Campo &ok = adiciona("cmdOK", TipoCampo::Botao);
  ok.setTexto("OK");
  ok.aoClicar = [this] {
    const std::optional<qlonglong> numero = Codigo(campo("CodVen").texto());
    // Leaving the field already checked it; a code never checked goes nowhere.
    if (!numero || !conferido_) return;
    if (escolha_) escolha_(QString::number(*numero), nome_);
    this->app().descarrega(*this, true);
  };
  keyPreview = true;
  aoTeclarForm = [this](int &tecla, int) {
    if (tecla == tecla::Esc) {
      tecla = 0;
      this->app().descarrega(*this, true);
    } else if (tecla == tecla::F2) {
      tecla = 0;
      // The code chosen comes back into the code field, whichever has the focus.
      if (focaCampo("CodVen", false)) AbrePesquisa(this->app(), "Ven", &campo("CodVen"));
    }
  };
}

std::optional<qlonglong> Vendedor::Codigo(const QString &digitado) {
  const QString t = digitado.trimmed();
  if (t.isEmpty()) return std::nullopt;
  for (QChar c : t)
    if (c < u'0' || c > u'9') return std::nullopt;
  bool ok = false;
  const qlonglong n = t.toLongLong(&ok);
  // The table's codes are whole numbers of the database's INTEGER.
  if (!ok || n > 2147483647LL) return std::nullopt;
  return n;
}

bool Vendedor::confereCodigo() {
  Campo &codigo = campo("CodVen");
  const QString texto = codigo.texto();
  // An empty field keeps the focus without a word.
  if (texto.trimmed().isEmpty()) return false;
  // A refused code stays selected: the next one typed replaces it.
  auto recusa = [this, &codigo](const QString &mensagem) {
    app().operador().avisa(mensagem);
    codigo.selecionaTudo();
    return false;
  };
  const std::optional<qlonglong> numero = Codigo(texto);
  if (!numero) return recusa(CodigoInvalido);
  std::optional<QString> nome;
  try {
    nome = NomeVendedor(estado().conexao(), *numero);
  } catch (const ErroBanco &erro) {
    return recusa(QStringLiteral("Não foi possível consultar o vendedor: ") + erro.descricao());
  }
  if (!nome) return recusa(CodigoInvalido);
  nome_ = *nome;
  conferido_ = true;
  campo("NomVen").setTexto(*nome);
  return true;
}
