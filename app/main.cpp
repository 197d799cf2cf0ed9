#include <QApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream(stdout) << "KORVAX player editor: no windows yet.\n";
    return 0;
}
