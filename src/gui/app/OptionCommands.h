#pragma once

#include <functional>

#include "core/app/ViewOptions.h"

class QWidget;

namespace brivanta {

class BookmarkTree;
class CommandRegistry;
class LoginSession;
struct NetworkSettings;
struct OptionValues;

// The settings command (32797): the options sheet filled from the login's account, the
// network settings and the window's switches, and what its OK does, in order. Registers its
// own handler.
class OptionCommands {
  public:
    struct Hooks {
        // The window's switches as they are now.
        std::function<ViewOptions()> viewOptions;
        // Takes the switches the sheet left (listening is the listener's and stays as is).
        std::function<void(const ViewOptions&)> applyViewOptions;
        // The shown tree, whose own switch the menu-icon option is.
        std::function<BookmarkTree&()> shownTree;
    };

    OptionCommands(QWidget& window, CommandRegistry& commands, LoginSession& login,
                   NetworkSettings& network, Hooks hooks);

    void registerCommands();
    // Pages whose values others keep (the sync's): `fill` before the sheet opens, `take`
    // after its OK.
    void setOtherValues(std::function<void(OptionValues&)> fill,
                        std::function<void(const OptionValues&)> take) {
        fillOther_ = std::move(fill);
        takeOther_ = std::move(take);
    }
    // Opens the sheet; its OK applies what it holds.
    void open();
    void apply(const OptionValues& values);

  private:
    QWidget& window_;
    CommandRegistry& commands_;
    LoginSession& login_;
    NetworkSettings& network_;
    Hooks hooks_;
    std::function<void(OptionValues&)> fillOther_;
    std::function<void(const OptionValues&)> takeOther_;
};

}  // namespace brivanta
