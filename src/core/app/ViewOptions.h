#pragma once

namespace brivanta {

// The main window's switches for the current run, always copied as a whole. They are never
// stored: every start begins with these defaults.
struct ViewOptions {
    bool openInNewBrowser = true;
    bool showMenuIcons = true;
    bool showTrayIcon = true;
    bool showToolbar = true;
    bool listening = false;
    bool autoHide = true;

    bool operator==(const ViewOptions&) const = default;
};

}  // namespace brivanta
