#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "support/TestSupport.h"

namespace {

int replay(const QString &script, QString &transcript) {
  return testsupport::runBuilt("pdv", {"--replay", script}, &transcript,
                               {"PDV_DRIVE=" + testsupport::demoDrive(), "QT_QPA_PLATFORM=offscreen"});
}

QString scriptFile(QTemporaryDir &dir, const QString &text) {
  const QString path = dir.path() + "/script.txt";
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(text.toUtf8());
  return path;
}

}  // namespace

TEST(Replay, LoginScriptOpensTheSaleWindow) {
  QString t;
  ASSERT_EQ(replay(testsupport::sourceDir() + "/tests/replay/login.txt", t), 0) << t.toStdString();
  const QStringList l = t.split('\n');
  auto index = [&](const QString &prefix) {
    for (int i = 0; i < l.size(); ++i)
      if (l[i].startsWith(prefix)) return i;
    return -1;
  };
  EXPECT_EQ(index("open SenhaPDV \"PDV:Senha\""), 2) << t.toStdString();  // after the port and serial
  EXPECT_GE(index("ecf EcfAbrePortaSerial() = 1"), 0);
  EXPECT_GE(index("ecf EcfNumeroSerie() = 1 -> \"SIM"), 0);
  EXPECT_GE(index("dump SenhaPDV \"PDV:Senha\" focus=Xcodigo"), 0);
  EXPECT_LT(index("dump SenhaPDV"), index("open PForm \"PDV-VELT.EXE\""));
  EXPECT_LT(index("open PForm"), index("close SenhaPDV"));
  EXPECT_GE(index("  Caixa \"001\""), 0) << t.toStdString();
  EXPECT_EQ(l.filter("message").size(), 0);
  EXPECT_EQ(index("end: script finished"), l.size() - 2);
}

TEST(Replay, MessagesWithNothingQueuedTakeTheDefaultButton) {
  QTemporaryDir dir;
  QString t;
  ASSERT_EQ(replay(scriptFile(dir, "type 999\nkey Enter\nkey Esc\n"), t), 0) << t.toStdString();
  EXPECT_TRUE(t.contains("message [exclamation] \"PDV-VELT\" \"Usuário Invalido !!\" -> OK (default)")) << t.toStdString();
  EXPECT_TRUE(t.contains("end: program ended (")) << t.toStdString();
}

TEST(Replay, ScriptErrorsNameTheirLine) {
  QTemporaryDir dir;
  QString t;
  EXPECT_EQ(replay(scriptFile(dir, "# comment\nclick NoSuchButton\n"), t), 2);
  EXPECT_TRUE(t.contains("error: script line 2:")) << t.toStdString();
  EXPECT_TRUE(t.contains("NoSuchButton"));
  EXPECT_EQ(replay(scriptFile(dir, "key Hyper+Q\n"), t), 2);
  EXPECT_TRUE(t.contains("error: script line 1: unknown key Hyper+Q")) << t.toStdString();
  EXPECT_EQ(replay(dir.path() + "/missing.txt", t), 2);
}
