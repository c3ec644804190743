#include "gui/addressbook/NamedIconList.h"

#include <QFileInfo>

#include "core/trees/EntryAddress.h"
#include "gui/platform/FileAssociations.h"

#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"

namespace brivanta {

int NamedIconList::addResourceIcon(int id, const QString& key) {
    return addIcon(resourceIcon(id), key);
}

int NamedIconList::addIcon(const QIcon& icon, const QString& key) {
    auto it = keys_.constFind(key);
    if (it != keys_.constEnd())
        return *it;
    icons_.append(icon);
    int index = static_cast<int>(icons_.size()) - 1;
    keys_.insert(key, index);
    // Contact details of these types show the mail program and the browser.
    if (key == QLatin1String("mailto"))
        keys_.insert(QStringLiteral("Email"), index);
    else if (key == QLatin1String(".htm"))
        keys_.insert(QString::fromUtf8("主页"), index);
    return index;
}

void NamedIconList::addKey(const QString& key, int index) {
    if (index >= 0 && index < icons_.size() && !keys_.contains(key))
        keys_.insert(key, index);
}

QIcon NamedIconList::icon(int index) const {
    if (index < 0 || index >= icons_.size())
        return {};
    return icons_[index];
}

int NamedIconList::imageForTag(std::string_view tag) {
    return indexOf(fromGbk(tag));
}

int NamedIconList::iconIndexFor(const QString& key) {
    int index = indexOf(key);
    if (index >= 0 || !associations_ || missing_.contains(key))
        return index;
    // A kind seen for the first time gets the icon of the program that opens it. Kinds
    // without one are remembered: a large tree must not ask the desktop once per entry.
    std::optional<AssociatedHandler> handler = associations_->handlerFor(key);
    QIcon icon;
    if (handler && !handler->iconName.isEmpty()) {
        const QString& name = handler->iconName;
        icon = QFileInfo(name).isAbsolute() ? QIcon(name) : QIcon::fromTheme(name);
    }
    if (icon.isNull()) {
        missing_.insert(key);
        return -1;
    }
    return addIcon(icon, key);
}

int NamedIconList::programImage(std::string_view path) {
    QString key = fromGbk(programIconKey(path));
    int index = indexOf(key);
    if (index >= 0)
        return index;
    QIcon icon;
    QString name = associations_ ? associations_->programIconName(fromGbk(path)) : QString();
    if (!name.isEmpty())
        icon = QFileInfo(name).isAbsolute() ? QIcon(name) : QIcon::fromTheme(name);
    if (icon.isNull())
        icon = QIcon::fromTheme(key);
    if (icon.isNull())
        icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (icon.isNull())
        icon = resourceIcon(QStringLiteral("program"));
    return addIcon(icon, key);
}

int NamedIconList::imageForAddress(std::string_view address) {
    if (namesProgramByExtension(address))
        return programImage(address);
    if (associations_ && !address.empty() && address.front() == '/') {
        QString path = fromGbk(address);
        auto known = programs_.constFind(path);
        bool program = known != programs_.constEnd() ? *known : associations_->isProgram(path);
        if (known == programs_.constEnd())
            programs_.insert(path, program);
        if (program)
            return programImage(address);
    }
    // Kinds without an image of their own show the web page.
    int index = iconIndexFor(fromGbk(iconKeyForAddress(address)));
    return index >= 0 ? index : indexOf(QStringLiteral(".htm"));
}

void NamedIconList::fillTreeIcons(NamedIconList& list) {
    list.addResourceIcon(ids::kClosedBookIcon, QStringLiteral("clsdbook"));
    list.addResourceIcon(ids::kOpenBookIcon, QStringLiteral("openbook"));
    list.addResourceIcon(ids::kClosedFolderIcon, QStringLiteral("clsdfold"));
    list.addResourceIcon(ids::kOpenFolderIcon, QStringLiteral("openfold"));
    list.addResourceIcon(ids::kAddressBookIcon, QStringLiteral("addressbook"));
    const std::pair<int, const char*> details[] = {
        {219, "单位"}, {236, "地址"}, {237, "部门"}, {239, "职务"},
        {240, "电话"}, {238, "传真"}, {233, "传呼"}, {234, "手机"},
    };
    for (const auto& [id, key] : details)
        list.addResourceIcon(id, QString::fromUtf8(key));
    // Contact details of type "Email" and "主页" look like mail addresses and web pages.
    int mail = list.addIcon(resourceIcon(QStringLiteral("mail")), QStringLiteral("mailto"));
    list.addKey(QStringLiteral("Email"), mail);
    int web = list.addIcon(resourceIcon(QStringLiteral("web")), QStringLiteral(".htm"));
    list.addKey(QString::fromUtf8("主页"), web);
    const std::pair<int, const char*> rest[] = {
        {232, "OICQ"}, {ids::kMaleIcon, "男"}, {ids::kFemaleIcon, "女"},
        {231, "日期"}, {235, "其他"},
    };
    for (const auto& [id, key] : rest)
        list.addResourceIcon(id, QString::fromUtf8(key));
}

void NamedIconList::fillTabIcons(NamedIconList& list) {
    list.addResourceIcon(ids::kRecommendedTabIcon, QStringLiteral("RECOMMEND"));
    list.addResourceIcon(ids::kCustomTabIcon, QStringLiteral("CUSTOM"));
    list.addResourceIcon(ids::kAddressBookIcon, QStringLiteral("addressbook"));
}

}  // namespace brivanta
