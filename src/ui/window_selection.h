#pragma once

#include <string>

namespace velkaro {

/// Panels of the main window, by the value of `currentPanel`.
enum Panel : int {
    PanelSystemStatus = 0,
    PanelMotorControl = 1,
    PanelParameters = 2,
    PanelDataMonitor = 3,
    PanelHistory = 4,
};

/// The window's selection and panel state. Window thread only; the selected
/// drive's slot is kept beside it in the StationLink.
struct WindowSelection {
    std::string selectedName;
    int selectedRow = -1;
    std::string nameBoxText;
    int currentPanel = PanelSystemStatus;
};

} // namespace velkaro
