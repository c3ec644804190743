#include "gui/platform/WindowManagerHints.h"

#include <xcb/xcb.h>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace brivanta {

namespace {

// Set on a window once it is kept off the taskbar.
constexpr const char* kAsked = "brivantaOffTaskbar";

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr);
    xcb_atom_t found = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return found;
}

std::vector<xcb_atom_t> stateOf(xcb_connection_t* connection, xcb_window_t window,
                                xcb_atom_t netWmState) {
    std::vector<xcb_atom_t> atoms;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, netWmState, XCB_ATOM_ATOM, 0, 1024),
        nullptr);
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        atoms.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return atoms;
}

// Adds the two states to a window that is not mapped yet; the toolkit merges its own into
// what the property holds when it maps the window.
void addSkipStates(QWidget& window) {
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t netWmState = atom(connection, "_NET_WM_STATE");
    std::vector<xcb_atom_t> atoms = stateOf(connection, id, netWmState);
    for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        xcb_atom_t skip = atom(connection, name);
        if (skip != XCB_ATOM_NONE && std::find(atoms.begin(), atoms.end(), skip) == atoms.end())
            atoms.push_back(skip);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, netWmState, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(atoms.size()), atoms.data());
    xcb_flush(connection);
}

// Sets the states again before each showing: a window manager may drop them when the window
// is withdrawn.
class SkipTaskbarOnShow : public QObject {
  public:
    explicit SkipTaskbarOnShow(QWidget& window) : QObject(&window), window_(window) {
        window.setProperty(kAsked, true);
        window.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The show event comes before the window is mapped.
        if (watched == &window_ && event->type() == QEvent::Show && !event->spontaneous())
            addSkipStates(window_);
        return QObject::eventFilter(watched, event);
    }

  private:
    QWidget& window_;
};

}  // namespace

void keepOffTaskbar(QWidget& window) {
    if (asksToStayOffTaskbar(window))
        return;
    new SkipTaskbarOnShow(window);
    // Also from inside a show event: the widget counts as visible then, its window is not
    // mapped yet.
    const QWindow* handle = window.windowHandle();
    if (window.testAttribute(Qt::WA_WState_Created) && handle && !handle->isVisible())
        addSkipStates(window);
}

bool asksToStayOffTaskbar(const QWidget& window) {
    return window.property(kAsked).toBool();
}

bool isKeptOffTaskbar(const QWidget& window) {
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window.testAttribute(Qt::WA_WState_Created))
        return false;
    const auto id = static_cast<xcb_window_t>(window.winId());
    std::vector<xcb_atom_t> atoms = stateOf(connection, id, atom(connection, "_NET_WM_STATE"));
    xcb_atom_t skip = atom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    return std::find(atoms.begin(), atoms.end(), skip) != atoms.end();
}

}  // namespace brivanta
