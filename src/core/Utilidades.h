#pragma once
// Text, number and field utilities shared by every screen. Amounts are written
// in the Brazilian regional format whatever the machine's locale.
#include <QPoint>
#include <QSize>
#include <QString>
#include <QVariant>
#include <cstdint>

#include "core/Moeda.h"
#include "core/Quantidade.h"

// True for a value that holds a number rather than text: integers, doubles,
// booleans and Moeda.
bool EhNumeroNativo(const QVariant &valor);

// Numeric value of a field or typed value: numbers as they are; Null or "" ->
// 0; other text: full stops removed, commas turned into full stops, then the
// leading number of the text (0 when there is none). For counts, codes and
// other numbers that are not money.
double ParaNumero(const QVariant &valor);
// The same reading, exact, for amounts: a Moeda as it is, integers and
// doubles to the ten-thousandth, text read digit by digit ("1.234,56",
// "12abc" is 12, "xyz" is 0; as above, "12.50" is 1250, the full stop being
// the regional thousands separator). Use it for every amount that is summed,
// compared or recorded.
Moeda ParaMoeda(const QVariant &valor);
// The same reading for a quantity (a grid cell, a typed answer already
// checked), to the thousandth, half away from zero.
Quantidade ParaQuantidade(const QVariant &valor);

// True when the text reads as a number in the regional format (sign, digits,
// "." thousands, "," decimals, optional exponent), as the suite's IsNumeric.
bool EhNumerico(const QString &texto);
// A number's text as the regional settings write it: up to 15 significant
// digits, decimal comma, no thousands ("1,5", "-3", "0,1").
QString TextoNumero(double valor);

// "#,##0.00"; an empty text becomes 0 (also in the caller's variable). A text
// that is not numeric is returned as it stands. Width != 0 right-aligns.
QString FormataValor(QVariant &valor, int16_t largura = 0);
QString FormataValor(const Moeda &valor, int16_t largura = 0);
// "#,##0." + decimals zeros, or "#,##0" with no decimals.
QString FormataQuantidade(const QVariant &valor, int16_t largura, int16_t decimais);

enum class ModoAlinha : int { Esquerda = 0, Centro = 1, Direita = 2 };
// Writes the text over width blanks; a text longer than the width widens it
// (the caller's width changes). Null or "" is taken as one blank.
QString Alinha(int modo, int16_t &largura, const QString &texto);
QString Alinha(int modo, int16_t &&largura, const QString &texto);

// Truncation, never rounding: 2.999 with 2 places gives 2.99.
double TruncaDecimais(double valor, int casas);
// A count of cents as a currency amount.
Moeda Centavos(int64_t centavos);
Moeda Centavos(const QVariant &centavos);
// Removes every character that is not 0..9.
void SoNumeros(QString &texto);
// Piece n (1-based) of the text split at the separator; "" when none.
QString PegaCampo(const QString &texto, const QString &separador, int n);
// Occurrences of the character plus 1.
int16_t ContaCampos(const QString &texto, QChar caractere);
QString SubstituiTexto(const QString &texto, const QString &busca, const QString &troca);
QString Aspas(const QString &valor);
// Display mask: "#" takes the next character of the value, other characters
// are copied; the walk stops when the value runs out (the rest stays blank).
QString Imprimep(const QString &valor, const QString &mascara);
// Top-left corner that centres a screen of the given size on the display.
QPoint CentraTela(const QSize &tela, const QSize &display);
