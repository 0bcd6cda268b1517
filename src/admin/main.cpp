#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  QTextStream(stdout) << "pdv-admin: no commands yet\n";
  return 0;
}
