#include "lookup/TiposPesquisa.h"

#include "core/Database.h"
#include "core/Utilidades.h"

namespace {

using T = TipoCelula;
using A = AlinhaCelula;

const QList<TipoPesquisa> &tipos() {
  static const QList<TipoPesquisa> t = {
      {"Cli", "PESQUISA CLIENTES",
       {{"CodCli", "Codigo", 10, T::Numero, A::Direita},
        {"NomCli", "Razao Social", 20, T::Texto, A::Esquerda},
        {"FanCli", "Nome de Fantazia", 20, T::Texto, A::Esquerda},
        {"EndCli", "Endereco do Cliente", 20, T::Texto, A::Esquerda},
        {"CidCli", "Cidade", 6, T::Texto, A::Centro},
        {"FonCli", "Fone Fixo", 12, T::Texto, A::Direita},
        {"CelCli", "Celular", 12, T::Texto, A::Direita},
        {"CpgCli", "Form pgto", 20, T::Texto, A::Esquerda},
        {"CreCli", "Credito", 6, T::Texto, A::Centro},
        {"CpfCli", "Cnpj/Cpf", 14, T::Texto, A::Direita},
        {"Opf1Cli", "Oper Fisc", 6, T::Texto, A::Direita}},
       " CodCli,NomCli,FanCli,EndCli,CidCli,FonCli,CelCli,CpgCli,CreCli,CpfCli,Opf1Cli ",
       " TB_REC_CADCLI ", " NOMCLI "},
      {"Ven", "PESQUISA VENDEDORES",
       {{"CodVen", "Codigo", 10, T::Numero, A::Direita},
        {"Nomven", "Nome do Vendedor", 50, T::Texto, A::Esquerda},
        {"SetVen", "Setor", 10, T::Texto, A::Centro},
        {"ComVen", "% Comissao", 12, T::Percentual, A::Direita},
        {"Cpfven", "Cnpj/cpf", 14, T::Texto, A::Direita}},
       " CodVen,NomVen,SetVen,ComVen,CpfVen ", " TB_VDA_CADVEN ", " NOMVEN "},
      {"Cpg", "PESQUISA TIPOS DE VENDAS",
       {{"CodCpg", "Codigo", 10, T::Numero, A::Direita},
        {"NomCpg", "Descricao do tipo de venda", 30, T::Texto, A::Esquerda},
        {"PrzCpg", "Prazo Base", 30, T::Texto, A::Esquerda}},
       " CodCpg,NomCpg,PrzCpg ", " TB_VDA_CONDPGT ", " NOMCPG "},
      {"Pro", QStringLiteral("PESQUISA PRODUTOS POR DESCRIÇÃO"),
       {{"CodPro", "Cod Sis", 6, T::Numero, A::Direita},
        {"CdiPro", "Cod Int", 8, T::Texto, A::Centro},
        {"EanPro", "Cod Barras", 12, T::Texto, A::Centro},
        {"Descricao", "Descricao Produto", 40, T::Texto, A::Esquerda},
        {"NomFab", "Fabrica", 15, T::Texto, A::Esquerda},
        {"Estoque", "Estoque", 5, T::Numero, A::Direita},
        {"ValPre1", "Preco", 10, T::Numero, A::Direita},
        {"Ativo", "Estado", 8, T::Texto, A::Centro},
        {"DscPro", "% Desc", 8, T::Numero, A::Direita}},
       " CodPro,CdiPro,EanPro,Descricao,NomFab,AtuEst-PenVEst as Estoque,ValPre1,Ativo,DscPro ",
       TabelaProdutos, " DESCRICAO "},
      {"Epn", "PESQUISA EMPENHOS POR CLIENTE, VENDEDOR, DATA",
       {{"CodEpn", "Codigo", 10, T::Numero, A::Direita},
        {"DtcEpn", "Data Cad", 9, T::Data, A::Centro},
        {"DtlEpn", "Data Lib", 9, T::Data, A::Centro},
        {"NomCli", "Cliente", 20, T::Texto, A::Esquerda},
        {"LiqEpn", "Valor", 12, T::Numero, A::Direita},
        {"NomVen", "Vendedor", 20, T::Texto, A::Esquerda},
        {"NomSta", "Status", 8, T::Texto, A::Centro}},
       " CodEpn,DtcEpn,DtlEpn,NomCli,LiqEpn,NomVen,NomSta ", " CADASTRO_EPN ", " DTCEPN "},
  };
  return t;
}

QString padrao(const QString &parte) { return "%" + parte + "%"; }

QString filtroEmpenhos(const QString &pergunta) {
  static const QStringList colunas = {" And NomCli Like ? ", " And NomVen Like ? ", " And DtcEpn Like ? "};
  QString filtro = " WHERE STAEPN<9 ";
  for (int i = 0; i < colunas.size(); ++i) {
    const QString parte = PegaCampo(pergunta, ",", i + 1);
    if (!parte.isEmpty()) filtro += MontaSql(colunas[i], {padrao(parte)});
  }
  return filtro;
}

QString filtroPalavras(const TipoPesquisa &tipo, const QString &pergunta) {
  const QStringList partes = PalavrasPesquisa(pergunta);
  const qsizetype palavras = partes.size();
  const QString primeiro = padrao(partes[0]);
  QString filtro = MontaSql(" WHERE " + tipo.colunaBusca + " like ? ", {primeiro});
  for (qsizetype i = 1; i < palavras; ++i)
    filtro += MontaSql(" And " + tipo.colunaBusca + " Like ? ", {padrao(partes[i])});
  if (palavras == 1 && tipo.codigo == "Cli")
    filtro += MontaSql(" Or CpfCli Like ? Or FanCli Like ? Or FonCli Like ? Or CelCli like ? ",
                       {primeiro, primeiro, primeiro, primeiro});
  if (palavras == 1 && tipo.codigo == "Pro")
    filtro += MontaSql(" Or CdiPro Like ? Or EanPro like ? ", {primeiro, primeiro});
  return filtro;
}

}  // namespace

const TipoPesquisa *TipoPesquisaDe(const QString &codigo) {
  for (const TipoPesquisa &t : tipos())
    if (t.codigo == codigo) return &t;
  return nullptr;
}

QStringList PalavrasPesquisa(const QString &pergunta) { return pergunta.split(' '); }

namespace {

QString tabelaDe(const TipoPesquisa &tipo, bool somenteAtivos) {
  if (tipo.codigo == "Pro") return somenteAtivos ? TabelaProdutosAtivos : TabelaProdutos;
  return tipo.tabela;
}

}  // namespace

QString MontaSqlPesquisa(const TipoPesquisa &tipo, const QString &pergunta, bool somenteAtivos) {
  const QString filtro = tipo.codigo == "Epn" ? filtroEmpenhos(pergunta) : filtroPalavras(tipo, pergunta);
  return "SELECT " + tipo.campos + " FROM " + tabelaDe(tipo, somenteAtivos) + filtro + " ORDER BY " +
         tipo.colunaBusca;
}

QString MontaSqlPorCodigos(const TipoPesquisa &tipo, const QString &pergunta, bool somenteAtivos, int codigos) {
  const QString marcas = QStringList(std::max(codigos, 1), QStringLiteral("?")).join(',');
  // The search's own condition, whole, inside parentheses: its OR must not
  // loosen the codes' condition.
  const QString condicao = filtroPalavras(tipo, pergunta).mid(QStringLiteral(" WHERE ").size());
  return "SELECT " + tipo.campos + " FROM " + tabelaDe(tipo, somenteAtivos) + " WHERE " +
         tipo.colunas.first().campo + " IN (" + marcas + ") AND (" + condicao + ")";
}
