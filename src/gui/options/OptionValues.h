#pragma once

#include <string>
#include <vector>

#include "core/app/NetworkSettings.h"
#include "core/app/SyncSettings.h"
#include "core/app/ViewOptions.h"
#include "gui/accounts/MailSecurityProfile.h"

namespace brivanta {

// What the options sheet shows and gives back. Text is stored text (GBK).
struct OptionValues {
    // showMenuIcons is the active tree's own menu-icon flag.
    ViewOptions view;
    NetworkSettings network;
    std::string email;
    std::string pop3Server;
    std::string smtpServer;
    MailSecurityProfile security;
    // The current password; after OK, the new one when the password page changed it.
    std::string password;
    SyncSettings sync;
    std::string syncPassword;  // UTF-8, from and for the secret store
    // Whether the password is kept only for this run (no secret store).
    bool syncPasswordForRunOnly = false;
    // The folders the sync page offers, by tree: 收藏's, then 推荐's (labels, GBK).
    std::vector<std::vector<std::string>> customFolders;
    std::vector<std::vector<std::string>> recommendedFolders;
};

}  // namespace brivanta
