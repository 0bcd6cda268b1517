#include "admin/Catalogo.h"

#include <array>

#include "core/Database.h"

const QStringList &CodigosTributacao() {
  static const QStringList codigos = {
      "000", "101", "102",                                            // taxed
      "020", "120", "220",                                            // reduced base
      "060", "160", "260", "201", "202", "030", "130", "230", "061",  // substitution
      "161", "261", "070", "170", "270",
      "040", "140", "240", "103",                                     // exempt
      "041", "141", "241", "050", "150", "250", "300", "400", "500", "900",  // not taxed
      "051", "151", "251",                                            // deferred
      "090",                                                          // outside the groups
  };
  return codigos;
}

namespace {

struct Familia {
  const char *nome;
  std::array<const char *, 4> variantes;
  std::array<const char *, 2> tamanhos;
};

// Shelf families of a neighbourhood supermarket.
constexpr std::array<Familia, 20> kFamilias{{
    {"BISCOITO", {"AMANTEIGADO", "MAISENA", "ÁGUA E SAL", "WAFER MORANGO"}, {"200G", "400G"}},
    {"SUCO DE", {"UVA", "LARANJA", "MARACUJÁ", "CAJU"}, {"1L", "200ML"}},
    {"CHÁ DE", {"CAMOMILA", "ERVA-CIDREIRA", "HORTELÃ", "MAÇÃ E CANELA"}, {"10 SACHÊS", "15 SACHÊS"}},
    {"SHAMPOO", {"CACHOS", "ANTICASPA", "NEUTRO", "CAMOMILA"}, {"350ML", "750ML"}},
    {"MOLHO DE TOMATE", {"TRADICIONAL", "MANJERICÃO", "CALABRESA", "BOLONHESA"}, {"340G", "520G"}},
    {"TEMPERO", {"ALHO E SAL", "COMPLETO", "BAIANO", "CHIMICHURRI"}, {"300G", "60G"}},
    {"DESINFETANTE", {"LAVANDA", "EUCALIPTO", "PINHO", "FLORAL"}, {"500ML", "2L"}},
    {"REFRESCO EM PÓ", {"LIMÃO", "LARANJA", "UVA", "ABACAXI"}, {"25G", "1KG"}},
    {"AZEITONA VERDE", {"COM CAROÇO", "FATIADA", "RECHEADA", "SEM CAROÇO"}, {"200G", "500G"}},
    {"SORVETE", {"NAPOLITANO", "CHOCOLATE", "CREME", "FLOCOS"}, {"1,5L", "2L"}},
    {"CONDICIONADOR", {"CACHOS", "HIDRATAÇÃO", "LISO", "RECONSTRUÇÃO"}, {"200ML", "400ML"}},
    {"FRALDA DESCARTÁVEL", {"P", "M", "G", "XG"}, {"C/30", "C/60"}},
    {"RAÇÃO PARA CÃES", {"ADULTO CARNE", "FILHOTE FRANGO", "SÊNIOR", "RAÇAS PEQUENAS"}, {"1KG", "10KG"}},
    {"QUEIJO", {"PRATO", "COALHO", "MINAS FRESCAL", "PARMESÃO RALADO"}, {"150G", "500G"}},
    {"GELEIA DE", {"MORANGO", "UVA", "DAMASCO", "GOIABA"}, {"230G", "400G"}},
    {"VINHO TINTO", {"SECO", "SUAVE", "CABERNET", "MERLOT"}, {"750ML", "1L"}},
    {"PAPEL TOALHA", {"FOLHA DUPLA", "FOLHA SIMPLES", "MULTIUSO", "COZINHA"}, {"2 ROLOS", "4 ROLOS"}},
    {"ESPONJA", {"MULTIUSO", "DUPLA FACE", "ANTIADERENTE", "LÃ DE AÇO"}, {"C/3", "C/8"}},
    {"ATUM", {"SÓLIDO EM ÓLEO", "RALADO", "EM ÁGUA", "LIGHT"}, {"170G", "300G"}},
    {"GRANOLA", {"TRADICIONAL", "SEM AÇÚCAR", "COM MEL", "FRUTAS VERMELHAS"}, {"250G", "1KG"}},
}};

bool temBaseReduzida(const QString &codigo) { return codigo.endsWith("20") && codigo.size() == 3; }

// Percent rates for in-state and interstate sales; exempt and not-taxed
// products carry none.
bool semAliquota(const QString &codigo) {
  const QString cst = codigo.right(2);
  return cst == "40" || cst == "41" || cst == "50" || cst == "51" || codigo == "300" ||
         codigo == "400" || codigo == "500" || codigo == "900" || codigo == "103";
}

}  // namespace

ProdutoCatalogo ProdutoGerado(qint64 codigo) {
  const qint64 n = kFamilias.size();
  const Familia &familia = kFamilias[codigo % n];
  const char *variante = familia.variantes[(codigo / n) % 4];
  const char *tamanho = familia.tamanhos[(codigo / (n * 4)) % 2];

  ProdutoCatalogo p;
  p.codigo = codigo;
  p.cdi = QString("%1").arg(codigo, 6, 10, QChar('0'));
  p.ean = ComDigitoVerificador(QString("789%1").arg(codigo % 1000000000, 9, 10, QChar('0')));
  p.nome = QString::fromUtf8(familia.nome) + " " + QString::fromUtf8(variante) + " " +
           QString::fromUtf8(tamanho);
  p.fabricante = static_cast<int>(1 + codigo % 10);
  const QStringList &codigos = CodigosTributacao();
  p.tributacao = codigos[(codigo * 7) % codigos.size()];
  p.preco = Moeda::deCentavos(149 + (codigo * 7919) % 9850);
  p.estoque = (codigo * 31) % 500;
  if (!semAliquota(p.tributacao)) {
    p.aliquotaEstado = Moeda::deInteiro(18);
    p.aliquotaInterestadual = Moeda::deInteiro(12);
  }
  if (temBaseReduzida(p.tributacao)) p.reducao = Moeda::deCentavos(3333);
  return p;
}

qint64 ProximoCodigoProduto(ConexaoBanco &conexao) {
  Recordset rs;
  rs.abre("SELECT MAX(CodPro) AS Ultimo FROM TB_EST_CADPRO", conexao);
  const QVariant ultimo = rs.campo("Ultimo");
  return std::max<qint64>(1000, ultimo.isNull() ? 0 : ultimo.toLongLong() + 1);
}

void InsereCatalogo(ConexaoBanco &conexao, qint64 primeiro, qint64 quantidade) {
  TransacaoBanco transacao(conexao);
  ComandoPreparado insercao(
      conexao,
      "INSERT INTO TB_EST_CADPRO (CodPro,CdiPro,EanPro,NomPro,FabPro,DecPro,PesoPro,TribPro,"
      "ValPre1,AtuEst,PenVEst,RedCto,Deb512Cto,Deb612Cto,AtvPro,DscPro) "
      "VALUES (?,?,?,?,?,1,0.5,?,?,?,0,?,?,?,1,0)");
  QVariantList valores;
  for (qint64 codigo = primeiro; codigo < primeiro + quantidade; ++codigo) {
    const ProdutoCatalogo p = ProdutoGerado(codigo);
    valores = {p.codigo, p.cdi, p.ean, p.nome, p.fabricante, p.tributacao, QVariant::fromValue(p.preco),
               p.estoque, QVariant::fromValue(p.reducao), QVariant::fromValue(p.aliquotaEstado),
               QVariant::fromValue(p.aliquotaInterestadual)};
    insercao.executa(valores);
  }
  transacao.confirma();
}
