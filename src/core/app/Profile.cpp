#include "core/app/Profile.h"

#include <charconv>

#include "core/text/Encoding.h"
#include "core/text/Trim.h"

namespace brivanta {

namespace {

constexpr const char* kStartUpKey = "Tip/StartUp";
constexpr const char* kFilePosKey = "Tip/FilePos";
constexpr const char* kTimeStampKey = "Tip/TimeStamp";
constexpr const char* kWidthKey = "Window/Width";

std::optional<std::int64_t> number(const std::optional<std::string>& text) {
    if (!text)
        return std::nullopt;
    std::string_view digits = text::trim(*text);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

std::string userSection(const char* prefix, const std::string& user) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string section = prefix;
    for (unsigned char c : user) {
        section += kHex[c >> 4];
        section += kHex[c & 15];
    }
    return section + "/";
}

std::string mailSection(const std::string& user) {
    return userSection("Mail/", user);
}

// The text of `key`, or nothing when it is missing or blank.
std::optional<std::string> storedText(const SettingsStore& store, const std::string& key) {
    std::optional<std::string> value = store.value(key);
    if (!value || text::trim(*value).empty())
        return std::nullopt;
    return std::string(text::trim(*value));
}

void setText(SettingsStore& store, const std::string& key, const std::string& value) {
    if (value.empty())
        store.remove(key);
    else
        store.setValue(key, value);
}

std::optional<net::SecurityMode> mode(const std::optional<std::string>& text) {
    net::SecurityMode parsed{};
    if (text && net::parseSecurityMode(*text, parsed))
        return parsed;
    return std::nullopt;
}

void setMode(SettingsStore& store, const std::string& key, std::optional<net::SecurityMode> m) {
    if (m)
        store.setValue(key, net::securityModeName(*m));
    else
        store.remove(key);
}

}  // namespace

bool Profile::tipAtStartup() const {
    return number(store_.value(kStartUpKey)).value_or(0) == 0;
}

void Profile::setTipAtStartup(bool show) {
    store_.setValue(kStartUpKey, show ? "0" : "1");
}

std::int64_t Profile::tipFilePosition() const {
    return number(store_.value(kFilePosKey)).value_or(0);
}

void Profile::setTipFilePosition(std::int64_t position) {
    store_.setValue(kFilePosKey, std::to_string(position));
}

std::string Profile::tipTimeStamp() const {
    return store_.value(kTimeStampKey).value_or(std::string());
}

void Profile::setTipTimeStamp(const std::string& stamp) {
    store_.setValue(kTimeStampKey, stamp);
}

MailSecurityProfile Profile::mailSecurity(const std::string& user) const {
    const std::string section = mailSection(user);
    MailSecurityProfile profile;
    profile.smtpSecurity = mode(store_.value(section + "SmtpSecurity"));
    profile.pop3Security = mode(store_.value(section + "Pop3Security"));
    profile.smtpLogin = text::fromUtf8(store_.value(section + "SmtpLogin").value_or(""));
    return profile;
}

void Profile::setMailSecurity(const std::string& user, const MailSecurityProfile& security) {
    const std::string section = mailSection(user);
    setMode(store_, section + "SmtpSecurity", security.smtpSecurity);
    setMode(store_, section + "Pop3Security", security.pop3Security);
    if (security.smtpLogin.empty())
        store_.remove(section + "SmtpLogin");
    else
        store_.setValue(section + "SmtpLogin", text::toUtf8(security.smtpLogin));
}

net::RecommendedMailbox Profile::recommendedMailbox() const {
    net::RecommendedMailbox mailbox;
    if (auto host = store_.value("Update/Host"); host && !text::trim(*host).empty())
        mailbox.host = text::fromUtf8(text::trim(*host));
    if (auto port = number(store_.value("Update/Port")); port && *port >= 1 && *port <= 65535)
        mailbox.port = static_cast<int>(*port);
    if (auto user = store_.value("Update/User"))
        mailbox.user = text::fromUtf8(*user);
    if (auto security = mode(store_.value("Update/Security")))
        mailbox.security.mode = *security;
    return mailbox;
}

bool Profile::namesOwnMailbox() const {
    const net::RecommendedMailbox shipped;
    const net::RecommendedMailbox named = recommendedMailbox();
    return named.host != shipped.host || named.user != shipped.user;
}

std::optional<std::string> Profile::plainRecommendedPassword() const {
    if (auto password = store_.value("Update/Password"))
        return text::fromUtf8(*password);
    return std::nullopt;
}

void Profile::forgetPlainRecommendedPassword() {
    store_.remove("Update/Password");
}

SyncSettings Profile::syncSettings(const std::string& user) const {
    const std::string section = userSection("Sync/", user);
    SyncSettings settings;
    settings.serverUrl = storedText(store_, section + "Server").value_or("");
    settings.fileName = storedText(store_, section + "File").value_or(settings.fileName);
    settings.user = storedText(store_, section + "User").value_or("");
    settings.caFile = storedText(store_, section + "CaFile").value_or("");
    if (storedText(store_, section + "Tree").value_or("") == "recommended")
        settings.treeKind = kRecommendedTree;
    for (const std::string& label : splitFolderPath(store_.value(section + "Folder").value_or("")))
        settings.folder.push_back(text::fromUtf8(label));
    auto minutes = number(store_.value(section + "Interval"));
    if (minutes && *minutes >= 0 && *minutes <= kMaxSyncIntervalMinutes)
        settings.intervalMinutes = static_cast<int>(*minutes);
    return settings;
}

void Profile::setSyncSettings(const std::string& user, const SyncSettings& settings) {
    const std::string section = userSection("Sync/", user);
    setText(store_, section + "Server", settings.serverUrl);
    setText(store_, section + "File", settings.fileName);
    setText(store_, section + "User", settings.user);
    setText(store_, section + "CaFile", settings.caFile);
    setText(store_, section + "Tree",
            settings.treeKind == kRecommendedTree ? "recommended" : "custom");
    std::vector<std::string> labels;
    labels.reserve(settings.folder.size());
    for (const std::string& label : settings.folder)
        labels.push_back(text::toUtf8(label));
    setText(store_, section + "Folder", joinFolderPath(labels));
    setText(store_, section + "Interval", std::to_string(settings.intervalMinutes));
}

std::optional<int> Profile::windowWidth() const {
    auto width = number(store_.value(kWidthKey));
    if (width && *width > 0 && *width <= 100000)
        return static_cast<int>(*width);
    return std::nullopt;
}

void Profile::setWindowWidth(int width) {
    store_.setValue(kWidthKey, std::to_string(width));
}

}  // namespace brivanta
