// The calculator commands of the main window: the project file to an
// fx-9860G-family calculator through the transfer dialog, its storage explorer
// and optimizing; the project file copied onto an fx-CG20's drive and that
// drive opened in the desktop's file manager.
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

#include <filesystem>
#include <string>
#include <vector>

#include "app/dialogs/calc_exchange.h"
#include "app/dialogs/casio_com_dialog.h"
#include "app/dialogs/casio_explor.h"
#include "app/main_window.h"
#include "link/project_transfer.h"
#include "link/storage.h"

namespace vornex::app {

void MainWindow::connectCalculator() {
    // The open project as the transfers see it: saved first when modified.
    auto project = [this] {
        link::ProjectSource source;
        source.pathName = controller_->filePath().toStdString();
        source.modified = controller_->modified();
        source.save = [this] { return save(); };
        return source;
    };

    QAction* a = action("calcSend");
    connect(a, &QAction::triggered, this, [this, project] {
        link::ProjectSource source = project();
        CCasioComDialog dialog(link::processLink(), *prompter_, this);
        if (link::prepareProjectTransfer(source, *prompter_, dialog.model())) dialog.exec();
    });

    a = action("calcExplorer");
    connect(a, &QAction::triggered, this, [this] {
        CCasioExplor explorer(link::processLink(), *prompter_, this);
        explorer.exec();
    });

    a = action("calcOptimize");
    connect(a, &QAction::triggered, this, [this] {
        // On a worker: the window stays responsive behind the busy indicator.
        optimizeCalculatorStorage(link::processLink(), *prompter_, this);
    });

    a = action("cgSend");
    connect(a, &QAction::triggered, this, [this, project] {
        link::ProjectSource source = project();
        link::ColorGraphDrive drive;
        if (!link::sendProjectToColorGraph(source, *prompter_, &drive)) return;
        // The copy is on the drive: offer to eject it, so it can be unplugged safely.
        link::SystemCommands& commands = systemCommands_ ? *systemCommands_ : link::realSystemCommands();
        struct WaitingCommands : link::SystemCommands {
            explicit WaitingCommands(link::SystemCommands& c) : inner(c) {}
            bool available(const std::string& program) override { return inner.available(program); }
            int run(const std::vector<std::string>& argv) override {
                QApplication::setOverrideCursor(Qt::WaitCursor);  // unmounting writes out the cache
                const int status = inner.run(argv);
                QApplication::restoreOverrideCursor();
                return status;
            }
            link::SystemCommands& inner;
        } waiting(commands);
        link::offerColorGraphEject(drive, *prompter_, waiting);
    });

    a = action("cgExplorer");
    connect(a, &QAction::triggered, this, [this] {
        // The ROAD folder, where the projects are; the drive's root when it has none.
        link::openColorGraphDrive(*prompter_, [](const std::string& mountPoint) {
            std::filesystem::path where = std::filesystem::path(mountPoint) / link::kProjectFolder;
            std::error_code ec;
            if (!std::filesystem::is_directory(where, ec)) where = mountPoint;
            return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(where.string())));
        });
    });
}

}  // namespace vornex::app
