#pragma once

namespace brivanta {

// The main window's view switches that menus show as check marks.
struct ViewOptions {
    bool showTrayIcon = true;
    bool showToolbar = true;
    bool listening = false;
    bool autoHide = false;
};

}  // namespace brivanta
