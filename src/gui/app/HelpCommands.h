#pragma once

class QWidget;

namespace brivanta {

class CommandRegistry;
class Storage;

// Help (the local page, else the home page), the about box and the tip of the day. Registers
// its own handlers.
class HelpCommands {
  public:
    static constexpr const char* kHomePage = "https://brivanta.github.io/";

    HelpCommands(QWidget& window, CommandRegistry& commands, const Storage& storage);

    void registerCommands();
    // Opens the help page; says so when neither it nor the home page can be shown.
    void openHelp();

  private:
    QWidget& window_;
    CommandRegistry& commands_;
    const Storage& storage_;
};

}  // namespace brivanta
