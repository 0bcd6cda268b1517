#include "core/Cp1252.h"

#include <array>

namespace cp1252 {
namespace {

// Unicode code points of bytes 0x80..0x9F; the rest map to themselves.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

QString decode(const QByteArray &bytes) {
  QString out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += (b >= 0x80 && b <= 0x9F) ? QChar(kHigh[b - 0x80]) : QChar(b);
  }
  return out;
}

QByteArray encode(const QString &text) {
  QByteArray out;
  out.reserve(text.size());
  for (QChar ch : text) {
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      out += static_cast<char>(u);
      continue;
    }
    char mapped = '?';
    for (size_t i = 0; i < kHigh.size(); ++i)
      if (kHigh[i] == u) mapped = static_cast<char>(0x80 + i);
    out += mapped;
  }
  return out;
}

QString armazenavel(const QString &text) {
  QString r = decode(encode(text));
  for (QChar &c : r) {
    const char16_t u = c.unicode();
    const bool controle = (u < 0x20 && u != '\t' && u != '\r' && u != '\n') || (u >= 0x7F && u <= 0x9F);
    if (controle) c = u'?';
  }
  return r;
}

bool ehArmazenavel(const QString &text) { return armazenavel(text) == text; }

}  // namespace cp1252
