#include <QApplication>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/main_form.h"
#include "app/server_program.h"
#include "app/translation.h"
#include "app/ui/gui_utils_module.h"
#include "app/ui/main_window.h"
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
    std::unique_ptr<qel::HeadlessDialogs> headlessDialogs;
    auto root = std::make_unique<TQelvaniServerMainForm>();
    std::unique_ptr<qel::MainWindow> window;
    if (headless) {
        // Without a display every message goes to the server log and gets its default answer.
        headlessDialogs = std::make_unique<qel::HeadlessDialogs>([&root](const QString& aText) {
            if (root)
                root->LogServerMessage(aText);
        });
        qel::SetDialogs(headlessDialogs.get());
    } else {
        QGuiApplication::setApplicationDisplayName(qel::Translate("qelServer"));
        guiUtils = std::make_unique<qel::TdmGuiUtils>();
        windowDialogs = std::make_unique<qel::WidgetDialogs>();
        qel::SetDialogs(windowDialogs.get());
    }
    // The window shows the root; the root's creation needs the window's registry layout.
    program.OnTerminate = [&root] { root->CloseForced(); };
    if (!headless) {
        window = std::make_unique<qel::MainWindow>(*root);
        windowDialogs->setMainWindow(window.get());
        program.OnRestore = [&window] { window->RestoreAndRaise(); };
    }
    root->FormCreate();
    if (window)
        window->show();

    const int exitCode = app->exec();
    program.OnRestore = nullptr;
    program.OnTerminate = nullptr;
    // Every way out closes (and stores the layout) while the window still exists.
    root->FormClose();
    window.reset();
    root.reset();
    qel::SetDialogs(nullptr);
    program.Finish();
    return exitCode;
}
