#pragma once

#include <map>
#include <optional>
#include <string>

namespace brivanta {

// Where the profile keeps its values: keys "Section/Name" (a section may hold further
// "/"), values UTF-8 text. The desktop keeps them in an INI file; tests keep them in memory.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> value(const std::string& key) const = 0;
    virtual void setValue(const std::string& key, const std::string& value) = 0;
    virtual void remove(const std::string& key) = 0;
};

class MemorySettingsStore : public SettingsStore {
  public:
    std::optional<std::string> value(const std::string& key) const override {
        auto found = values_.find(key);
        return found == values_.end() ? std::nullopt : std::optional(found->second);
    }
    void setValue(const std::string& key, const std::string& value) override {
        values_[key] = value;
    }
    void remove(const std::string& key) override { values_.erase(key); }
    const std::map<std::string, std::string>& values() const { return values_; }

  private:
    std::map<std::string, std::string> values_;
};

}  // namespace brivanta
