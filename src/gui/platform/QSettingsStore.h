#pragma once

#include <QSettings>
#include <string>

#include "core/app/SettingsStore.h"

namespace brivanta {

// The profile's store as an INI file through QSettings. Each change is written at once.
class QSettingsStore : public SettingsStore {
  public:
    explicit QSettingsStore(const std::string& file);

    std::optional<std::string> value(const std::string& key) const override;
    void setValue(const std::string& key, const std::string& value) override;
    void remove(const std::string& key) override;
    std::string fileName() const { return settings_.fileName().toStdString(); }

  private:
    QSettings settings_;
};

}  // namespace brivanta
