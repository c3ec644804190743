#pragma once

#include <string>

#include "core/app/NetworkSettings.h"
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
};

}  // namespace brivanta
