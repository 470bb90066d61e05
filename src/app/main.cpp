#include <QApplication>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/server_program.h"
#include "app/translation.h"
#include "app/ui/gui_utils_module.h"
#include "app/ui/widget_dialogs.h"
#include "build_version.h"
#include "foundation/system/dialogs.h"

namespace {

void PrintHelp() {
    std::puts(
        "Usage: qelServer [options] [settings.ini]\n"
        "\n"
        "  --help       show this help and exit\n"
        "  --version    show the version and exit\n"
        "  --headless   run the server without a window (service use)\n"
        "  /en /de /nl /ru   choose the language\n"
        "  settings.ini an existing server settings file to use instead of the default");
}

bool HasArgument(int argc, char** argv, const char* aName) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], aName) == 0)
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (HasArgument(argc, argv, "--version")) {
        std::printf("qelServer %s\n", QEL_VERSION_TEXT);
        return 0;
    }
    if (HasArgument(argc, argv, "--help") || HasArgument(argc, argv, "-h")) {
        PrintHelp();
        return 0;
    }
    const bool headless = HasArgument(argc, argv, "--headless");

    qel::InstallationGuidField guidField;
    qel::ServerProgram program(QString::fromLocal8Bit(argv[0]));
    std::unique_ptr<QCoreApplication> app;
    if (headless)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    program.Start(qel::DefaultLocaleFolder());

    std::unique_ptr<qel::WidgetDialogs> windowDialogs;
    std::unique_ptr<qel::TdmGuiUtils> guiUtils;
    if (!headless) {
        QGuiApplication::setApplicationDisplayName(qel::Translate("qelServer"));
        guiUtils = std::make_unique<qel::TdmGuiUtils>();
        windowDialogs = std::make_unique<qel::WidgetDialogs>();
        qel::SetDialogs(windowDialogs.get());
    }

    // The composition root (TQelvaniServerMainForm) is created here; its creation builds and
    // starts every server component, it takes program.OnRestore and program.OnTerminate, and
    // its close stops the components before the loop ends. Until it exists the loop serves the
    // restore channel and ends on SIGTERM or SIGINT.

    const int exitCode = app->exec();
    qel::SetDialogs(nullptr);
    program.Finish();
    return exitCode;
}
