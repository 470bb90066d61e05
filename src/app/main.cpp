#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "build_version.h"

namespace {

void PrintHelp() {
    std::puts(
        "Usage: qelServer [options] [settings.ini]\n"
        "\n"
        "  --help       show this help and exit\n"
        "  --version    show the version and exit\n"
        "  /en /de /nl /ru   choose the language\n"
        "  settings.ini an existing server settings file to use instead of the default");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(QStringLiteral("--version"))) {
        std::printf("qelServer %s\n", QEL_VERSION_TEXT);
        return 0;
    }
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        PrintHelp();
        return 0;
    }
    std::fprintf(stderr, "qelServer %s: the server cannot run yet; see --help\n", QEL_VERSION_TEXT);
    PrintHelp();
    return 2;
}
