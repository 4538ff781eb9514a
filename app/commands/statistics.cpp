#include "app/commands/statistics.h"

#include "app/command_table.h"
#include "imagestore/image_interface.h"
#include "platform/ui.h"
#include "processing/statistics_dialogs.h"

namespace orvex {

void OnStatistics() {
    if (!LiveImage(ActiveImageWindow())) return;
    StatisticsDialog dialog;
    platform::ui().runDialog(dialog);
}

void RegisterStatisticsCommands() {
    app::AddImageCommand("Basic > &Statistics", OnStatistics,
                         "Measure an area or a transect of the active image");
}

}  // namespace orvex
