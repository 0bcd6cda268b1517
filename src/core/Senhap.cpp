#include "core/Senhap.h"

#include <array>

#include "core/Cp1252.h"

namespace {

// The 256-character alphabet: codes 31..0, 255..127, 126..32.
const std::array<unsigned char, 256> &alphabet() {
  static const std::array<unsigned char, 256> t = [] {
    std::array<unsigned char, 256> a{};
    int n = 0;
    for (int c = 31; c >= 0; --c) a[n++] = static_cast<unsigned char>(c);
    for (int c = 255; c >= 127; --c) a[n++] = static_cast<unsigned char>(c);
    for (int c = 126; c >= 32; --c) a[n++] = static_cast<unsigned char>(c);
    return a;
  }();
  return t;
}

// Position of each code in the alphabet (0-based).
const std::array<int, 256> &positions() {
  static const std::array<int, 256> p = [] {
    std::array<int, 256> pos{};
    for (int i = 0; i < 256; ++i) pos[alphabet()[i]] = i;
    return pos;
  }();
  return p;
}

}  // namespace

// T is the alphabet written twice; T at 1-based position i + k is
// alphabet[(i + k - 1) mod 256].
QByteArray Senhap(const QByteArray &stored) {
  QByteArray plain(stored.size(), '\0');
  for (qsizetype i = 0; i < stored.size(); ++i) {
    const int k = static_cast<unsigned char>(stored[i]);
    const qsizetype position = i + 1;
    plain[i] = static_cast<char>(alphabet()[(position + k - 1) % 256]);
  }
  return plain;
}

QByteArray SenhapInversa(const QByteArray &plain) {
  QByteArray stored(plain.size(), '\0');
  for (qsizetype i = 0; i < plain.size(); ++i) {
    const int target = positions()[static_cast<unsigned char>(plain[i])];
    const qsizetype position = i + 1;
    const int k = static_cast<int>(((target - (position - 1)) % 256 + 256) % 256);
    stored[i] = static_cast<char>(k);
  }
  return stored;
}

QString SenhapTexto(const QByteArray &stored) { return cp1252::decode(Senhap(stored)); }

QByteArray SenhapInversaTexto(const QString &plain) { return SenhapInversa(cp1252::encode(plain)); }
