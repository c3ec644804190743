#pragma once

#include <string>
#include <vector>

namespace brivanta {

// A browser profile on this machine that bookmarks can be imported from.
struct BrowserProfile {
    enum class Kind { Firefox, Chromium };
    Kind kind = Kind::Firefox;
    std::string browser;  // "Firefox", "Chromium", "Google Chrome", ...
    std::string name;     // the profile's own name ("default-release", "Default")
    // Firefox: the profile directory (holding places.sqlite). Chromium family: the
    // profile's "Bookmarks" file.
    std::string path;
    bool isDefault = false;
};

// Finds the browsers' profiles below a home directory. Every place a browser keeps its
// profiles is named in BrowserProfiles.cpp and nowhere else.
class BrowserProfiles {
  public:
    // `home` is the user's home directory; `configHome` the XDG configuration directory
    // (empty: home + "/.config").
    explicit BrowserProfiles(std::string home, std::string configHome = {});
    // From $HOME and $XDG_CONFIG_HOME.
    static BrowserProfiles forCurrentUser();

    // Firefox profiles named in profiles.ini, the one Firefox starts with first.
    std::vector<BrowserProfile> firefox() const;
    // Chromium-family profiles that have a bookmarks file, each browser's default profile
    // first, browsers in a fixed order.
    std::vector<BrowserProfile> chromium() const;

    // The first of each list, or an empty profile (path "") when there is none.
    BrowserProfile defaultFirefox() const;
    BrowserProfile defaultChromium() const;

    // Where Firefox keeps profiles.ini (the first place tried), for messages.
    std::string firefoxRoot() const;
    // Where the Chromium family keeps its profiles (the configuration directory), likewise.
    const std::string& chromiumRoot() const { return configHome_; }

  private:
    std::string home_;
    std::string configHome_;
};

}  // namespace brivanta
