#include <gtest/gtest.h>

#include "support/TestSupport.h"

#include "core/Cp1252.h"
#include "core/Senhap.h"

TEST(Senhap, CharacterAtPositionIPlusK) {
  EXPECT_TRUE(Senhap("").isEmpty());
  // T starts 31, 30, ..., 0, 255, ...: position 1 + 0 is code 31; 2 + 0 is 30;
  // position 1 + 32 is code 255.
  EXPECT_EQ(static_cast<unsigned char>(Senhap(QByteArray(1, '\0'))[0]), 31);
  EXPECT_EQ(static_cast<unsigned char>(Senhap(QByteArray(2, '\0'))[1]), 30);
  EXPECT_EQ(static_cast<unsigned char>(Senhap(QByteArray(1, char(32)))[0]), 255);
  // 1 + 255 = 256: the last of the first half, code 32.
  EXPECT_EQ(static_cast<unsigned char>(Senhap(QByteArray(1, char(255)))[0]), 32);
}

TEST(Senhap, InverseRoundTripsEveryCodeAtEveryPosition) {
  for (int position = 0; position < 300; position += 7) {
    QByteArray plain;
    for (int c = 0; c < 256; ++c) plain += static_cast<char>(c);
    plain = plain.mid(position % 256) + plain.left(position % 256);
    const QByteArray stored = SenhapInversa(plain);
    ASSERT_EQ(Senhap(stored), plain) << position;
  }
}

TEST(Senhap, AccentedTextsThroughTheCodePage) {
  const QString plain = QStringLiteral("SÃO JOÃO ÇÉ €");
  EXPECT_EQ(SenhapTexto(SenhapInversaTexto(plain)), plain);
}

TEST(Cp1252, EveryByteSurvivesDecodeAndEncode) {
  QByteArray all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(cp1252::encode(cp1252::decode(all)), all);
  EXPECT_EQ(cp1252::decode("\x80"), QString(QChar(0x20AC)));
  EXPECT_EQ(cp1252::encode(QString(QChar(0x4E2D))), QByteArray("?"));
}
