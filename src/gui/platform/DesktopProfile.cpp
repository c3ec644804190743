#include "gui/platform/DesktopProfile.h"

#include <memory>

#include "gui/platform/QSettingsStore.h"

namespace brivanta {

namespace {

struct Opened {
    std::unique_ptr<SettingsStore> store = std::make_unique<MemorySettingsStore>();
    std::unique_ptr<Profile> profile = std::make_unique<Profile>(*store);
    Profile* replacement = nullptr;
};

Opened& opened() {
    static Opened instance;
    return instance;
}

}  // namespace

void DesktopProfile::open(const std::string& path) {
    Opened& o = opened();
    std::unique_ptr<SettingsStore> store;
    if (path.empty())
        store = std::make_unique<MemorySettingsStore>();
    else
        store = std::make_unique<QSettingsStore>(path);
    o.profile = std::make_unique<Profile>(*store);
    o.store = std::move(store);
}

Profile& DesktopProfile::current() {
    Opened& o = opened();
    return o.replacement ? *o.replacement : *o.profile;
}

void DesktopProfile::setCurrent(Profile* profile) {
    opened().replacement = profile;
}

}  // namespace brivanta
