#include "core/formats/BrowserProfiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "core/formats/FileStreams.h"
#include "core/text/Trim.h"

namespace brivanta {

namespace {

// Where Firefox keeps profiles.ini, below the home directory: the Debian package, then the
// snap and the flatpak.
constexpr const char* kFirefoxRoots[] = {
    ".mozilla/firefox",
    "snap/firefox/common/.mozilla/firefox",
    ".var/app/org.mozilla.firefox/.mozilla/firefox",
};

// Chromium-family browsers, below the configuration directory.
struct ChromiumBrowser {
    const char* name;
    const char* directory;
};
constexpr ChromiumBrowser kChromiumBrowsers[] = {
    {"Chromium", "chromium"},
    {"Google Chrome", "google-chrome"},
    {"Microsoft Edge", "microsoft-edge"},
    {"Brave", "BraveSoftware/Brave-Browser"},
};
constexpr const char* kChromiumDefaultProfile = "Default";
constexpr const char* kChromiumBookmarksFile = "Bookmarks";

bool isFile(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

using IniSections = std::vector<std::pair<std::string, std::map<std::string, std::string>>>;

// A small INI reader: [Section] lines and key=value lines, in file order.
IniSections readIni(const std::filesystem::path& file) {
    IniSections sections;
    // Read as every import source is: a pipe or a device in its place is not waited on.
    std::string bytes;
    if (readWholeFile(file.string(), bytes))
        return sections;
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line)) {
        std::string_view view = text::trim(line);
        if (view.empty() || view[0] == ';' || view[0] == '#')
            continue;
        if (view.front() == '[' && view.back() == ']') {
            sections.emplace_back(std::string(view.substr(1, view.size() - 2)),
                                  std::map<std::string, std::string>{});
            continue;
        }
        size_t eq = view.find('=');
        if (eq == std::string_view::npos || sections.empty())
            continue;
        sections.back().second[std::string(text::trim(view.substr(0, eq)))] =
            std::string(text::trim(view.substr(eq + 1)));
    }
    return sections;
}

std::string valueOf(const std::map<std::string, std::string>& keys, const std::string& key) {
    auto it = keys.find(key);
    return it == keys.end() ? std::string() : it->second;
}

}  // namespace

BrowserProfiles::BrowserProfiles(std::string home, std::string configHome)
    : home_(std::move(home)), configHome_(std::move(configHome)) {
    if (configHome_.empty())
        configHome_ = home_ + "/.config";
}

BrowserProfiles BrowserProfiles::forCurrentUser() {
    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the freedesktop rules say.
    std::string configHome = config != nullptr && config[0] == '/' ? config : "";
    return BrowserProfiles(home != nullptr ? home : "", configHome);
}

std::string BrowserProfiles::firefoxRoot() const {
    return home_ + "/" + kFirefoxRoots[0];
}

std::vector<BrowserProfile> BrowserProfiles::firefox() const {
    std::vector<BrowserProfile> result;
    for (const char* rootName : kFirefoxRoots) {
        std::filesystem::path root = std::filesystem::path(home_) / rootName;
        IniSections ini = readIni(root / "profiles.ini");
        // Newer Firefox names the profile each installation starts with in [Install...];
        // older ones mark it Default=1 in its [Profile...] section.
        std::vector<std::string> installDefaults;
        for (const auto& [section, keys] : ini) {
            if (section.starts_with("Install") && !valueOf(keys, "Default").empty())
                installDefaults.push_back(valueOf(keys, "Default"));
        }
        size_t firstOfRoot = result.size();
        for (const auto& [section, keys] : ini) {
            std::string path = valueOf(keys, "Path");
            if (!section.starts_with("Profile") || path.empty())
                continue;
            BrowserProfile profile;
            profile.kind = BrowserProfile::Kind::Firefox;
            profile.browser = "Firefox";
            profile.name = valueOf(keys, "Name");
            bool relative = valueOf(keys, "IsRelative") != "0";
            profile.path = relative ? (root / path).string() : path;
            bool installDefault = std::find(installDefaults.begin(), installDefaults.end(), path) !=
                                  installDefaults.end();
            profile.isDefault =
                installDefault || (installDefaults.empty() && valueOf(keys, "Default") == "1");
            result.push_back(std::move(profile));
        }
        std::stable_partition(result.begin() + static_cast<std::ptrdiff_t>(firstOfRoot),
                              result.end(), [](const BrowserProfile& p) { return p.isDefault; });
    }
    // Only the first place that has profiles gives the default.
    bool seenDefault = false;
    for (BrowserProfile& p : result) {
        if (p.isDefault && seenDefault)
            p.isDefault = false;
        seenDefault = seenDefault || p.isDefault;
    }
    return result;
}

std::vector<BrowserProfile> BrowserProfiles::chromium() const {
    std::vector<BrowserProfile> result;
    for (const ChromiumBrowser& browser : kChromiumBrowsers) {
        std::filesystem::path root = std::filesystem::path(configHome_) / browser.directory;
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(root, ec)) {
            std::string name = entry.path().filename().string();
            if ((name == kChromiumDefaultProfile || name.starts_with("Profile ")) &&
                isFile(entry.path() / kChromiumBookmarksFile)) {
                names.push_back(name);
            }
        }
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            if ((a == kChromiumDefaultProfile) != (b == kChromiumDefaultProfile))
                return a == kChromiumDefaultProfile;
            return a < b;
        });
        for (const std::string& name : names) {
            BrowserProfile profile;
            profile.kind = BrowserProfile::Kind::Chromium;
            profile.browser = browser.name;
            profile.name = name;
            profile.path = (root / name / kChromiumBookmarksFile).string();
            profile.isDefault = name == kChromiumDefaultProfile;
            result.push_back(std::move(profile));
        }
    }
    return result;
}

BrowserProfile BrowserProfiles::defaultFirefox() const {
    std::vector<BrowserProfile> all = firefox();
    return all.empty() ? BrowserProfile{} : all.front();
}

BrowserProfile BrowserProfiles::defaultChromium() const {
    std::vector<BrowserProfile> all = chromium();
    return all.empty() ? BrowserProfile{} : all.front();
}

}  // namespace brivanta
