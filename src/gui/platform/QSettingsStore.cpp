#include "gui/platform/QSettingsStore.h"

namespace brivanta {

QSettingsStore::QSettingsStore(const std::string& file)
    : settings_(QString::fromStdString(file), QSettings::IniFormat) {}

std::optional<std::string> QSettingsStore::value(const std::string& key) const {
    const QString name = QString::fromStdString(key);
    if (!settings_.contains(name))
        return std::nullopt;
    return settings_.value(name).toString().toStdString();
}

void QSettingsStore::setValue(const std::string& key, const std::string& value) {
    settings_.setValue(QString::fromStdString(key), QString::fromStdString(value));
    settings_.sync();
}

void QSettingsStore::remove(const std::string& key) {
    settings_.remove(QString::fromStdString(key));
    settings_.sync();
}

}  // namespace brivanta
