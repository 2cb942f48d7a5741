#pragma once

#include <string>

namespace velkaro {

/// Panels of the main window, by the value of `currentPanel`.
enum Panel : int {
    SystemStatusPanel = 0,
    MotorControlPanel = 1,
    ParameterPanelIndex = 2,
    DataMonitorPanel = 3,
    HistoryPanelIndex = 4,
};

/// The window's selection and panel state. Window thread only; the selected
/// slot lives in the link's shared state because the tick reads it.
struct WindowSelection {
    std::string selectedName;
    int selectedRow = -1;
    std::string nameBoxText;
    int currentPanel = SystemStatusPanel;
};

} // namespace velkaro
